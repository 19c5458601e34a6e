#pragma once
// The main window's archive actions without the window: the archive copy of
// the database and the users-and-settings file into a chosen folder, and the
// import of such a copy into a workstation whose database holds no
// certificates.
#include <QString>
#include <functional>

class AtomicFileWriter;
class TDM;

// Asks for a folder ("Выберите папку для сохранения архива") and makes the
// archive copy there; nothing without a choice. The operator is told where
// the copy is, or that it failed. Returns what was told (empty without a choice).
QString ExportArchive(TDM &dm);

enum class ArchiveImportOutcome { Cancelled, DatabaseNotEmpty, Imported };

// Copies a whole file into a replacement not yet committed; 0, else errno.
using ArchiveFileCopy = std::function<int(const QString &source, AtomicFileWriter &out)>;

// Asks for the archive folder ("Выберите папку с сохраненным архивом").
// A database that holds certificates refuses the import with its message.
// Otherwise Tessal.sqb and k.cod of the folder replace those of the data
// folder: both are copied beside their targets first, the interlock of the
// copied database is emptied (the archive may come from a running program,
// which holds it), and only then are both renamed into place; when any step
// fails AppError is raised and both files stay as they were. After the
// import the data module is closed, the stop flag is set (so that k.cod is
// not written over at exit), the operator is told to restart and the restart
// is requested; the caller ends the message loop.
ArchiveImportOutcome ImportArchive(TDM &dm, const ArchiveFileCopy &copy = nullptr);
