#pragma once
// Paths, folders and whole-file helpers.
#include <QByteArray>
#include <QString>

// The program folder: TESSAL_HOME when set, else the folder of the executable.
QString ProgramDir();
// The data folder: "<program folder>/data".
QString DataDir();

// Dir + separator + Name; no doubled separator when Dir already ends with one;
// an empty Dir gives Name alone.
QString JoinPath(const QString &dir, const QString &name);

// True when a name that came from outside (a server answer, a file, a reference
// number) may become one path component: not empty, no separators, no "." or
// "..", no control characters.
bool IsSafeFileName(const QString &name);
// JoinPath for a name that came from outside; raises AppError when the name is
// not safe. Every such name goes through here.
QString SafeJoinPath(const QString &dir, const QString &name);

// Replaces the file's content atomically: a temporary file in the same folder
// is written, flushed and renamed over the old one. A failure raises AppError
// and leaves the old file as it was.
void WriteFileAtomic(const QString &fileName, const QByteArray &data);
