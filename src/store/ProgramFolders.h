#pragma once
// The folders of the program folder that both programs write files into, and
// the start-up sweep of the temporaries a killed run left in them.
#include <QString>
#include <QStringList>

// The download folder of the program folder.
inline const QString DownloadFolderName = QStringLiteral("DownLoad");
// Where the offline synchronisation file is made.
inline const QString SendFolderName = QStringLiteral("send");

// The program folder, its data folder, DownLoad and send.
QStringList WrittenProgramFolders(const QString &programDir);

// Removes, in every written program folder, the temporaries of the atomic
// writer whose process has ended; the number removed.
int SweepStaleTemporaries(const QString &programDir);
