#pragma once
// The file dialogs of the synchronisation window, as requests to the
// file-dialog port: where each starts, what it proposes and shows.
#include "FileDialogs.h"

// The filter of the backup dialogs: "default backup", "custom backup", "all".
QStringList BackupFileFilter();

// SaveDialogSync: where the offline synchronisation file goes.
FileDialogRequest SaveDialogSync(const QString &folder, const QString &fileName);
// OpenDialogXCod: a restore file to open.
FileDialogRequest OpenDialogXCod(const QString &folder);
// TntSaveDialogFromServer: where the restore file from the server goes.
FileDialogRequest TntSaveDialogFromServer(const QString &folder);
