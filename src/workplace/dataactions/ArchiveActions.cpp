#include "ArchiveActions.h"

#include "AtomicFileWriter.h"
#include "CommonTessal.h"
#include "CommonTessalFiles.h"
#include "DataTessal.h"
#include "DatabaseInterlock.h"
#include "FileDialogs.h"
#include "JournalSinks.h"
#include "ListSql.h"
#include "ProgramRestart.h"
#include "Prompter.h"
#include "SqliteDatabase.h"
#include "ggDebug.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <optional>
#include <unistd.h>

namespace {

const QString DatabaseName = QStringLiteral("Tessal.sqb");
const QString UsersFileName = QStringLiteral("k.cod");

std::optional<QString> ChooseFolder(const QString &title)
{
    FileDialogRequest request;
    request.title = title;
    return FileDialogsInUse().chooseFolder(request);
}

// One file of the archive on its way into the data folder.
struct IncomingFile {
    QString source;
    QString target;
    std::unique_ptr<AtomicFileWriter> writer;
};

[[noreturn]] void CopyFailed(const QString &source, const QString &target, int errorNumber)
{
    const uint32_t code = CopyFailureCode(errorNumber, source, target);
    LogFileCopy(source, target, code);
    throw AppError(source + QStringLiteral(": ") + SysErrorText(code));
}

// Copies Source beside Target under a temporary name.
IncomingFile CopyBeside(const QString &source, const QString &target, const ArchiveFileCopy &copy)
{
    IncomingFile file{source, target, nullptr};
    try {
        file.writer = std::make_unique<AtomicFileWriter>(target);
    } catch (const FileReplaceError &e) {
        CopyFailed(source, target, e.errorNumber());
    }
    const int error = copy ? copy(source, *file.writer) : CopyFileInto(source, *file.writer);
    if (error != 0)
        CopyFailed(source, target, error);
    return file;
}

// The copy may come from a running program, whose run identifier it holds:
// empty it, or the next start would take the copy for a database in use.
void FreeInterlock(const QString &databaseFile)
{
    SqliteDatabase copy(databaseFile, SqliteDatabase::OpenMode::MustExist);
    if (copy.tableExists(QStringLiteral("Options")))
        DatabaseInterlock(copy).clear();
}

// Renames both copies into place, the database first. Should k.cod fail,
// the database that stood there before is put back.
void CommitBoth(IncomingFile &base, IncomingFile &users)
{
    const QByteArray target = QFile::encodeName(base.target);
    const QByteArray kept = target + ".before-import";
    ::unlink(kept.constData());
    const bool hadBase = QFileInfo::exists(base.target);
    if (hadBase && ::link(target.constData(), kept.constData()) != 0)
        CopyFailed(base.source, base.target, errno);
    bool baseInPlace = false;
    try {
        base.writer->commit();
        baseInPlace = true;
        users.writer->commit();
    } catch (const FileReplaceError &e) {
        if (hadBase)
            ::rename(kept.constData(), target.constData());
        else if (baseInPlace)
            ::unlink(target.constData());
        const IncomingFile &failed = baseInPlace ? users : base;
        CopyFailed(failed.source, failed.target, e.errorNumber());
    }
    ::unlink(kept.constData());
    LogFileCopy(base.source, base.target, 0);
    LogFileCopy(users.source, users.target, 0);
}

} // namespace

QString ExportArchive(TDM &dm)
{
    const std::optional<QString> folder = ChooseFolder(QStringLiteral("Выберите папку для сохранения архива"));
    if (!folder)
        return QString();
    const ArchiveCopy archive = SaveBaseToArj(dm, *folder);
    if (archive.folder.isEmpty()) {
        const QString text = QStringLiteral("Не удалось создать архив в папке ") + QDir::toNativeSeparators(*folder)
            + QStringLiteral(": ") + archive.failure + QStringLiteral(" Подробности в журнале событий: ")
            + QDir::toNativeSeparators(JournalFilePath(dm.dataDir()));
        Prompts().ask(text, App().MessageTitle, Prompt::Error, Prompt::Ok);
        return text;
    }
    const QString text = QStringLiteral("Архив создан: ") + QDir::toNativeSeparators(archive.folder);
    Prompts().ask(text, App().MessageTitle, Prompt::Information, Prompt::Ok);
    return text;
}

ArchiveImportOutcome ImportArchive(TDM &dm, const ArchiveFileCopy &copy)
{
    const std::optional<QString> folder = ChooseFolder(QStringLiteral("Выберите папку с сохраненным архивом"));
    if (!folder)
        return ArchiveImportOutcome::Cancelled;
    if (CountListRows(dm.ASQLite3DBd, ListView{}, SqlFragment{}) != 0) {
        Prompts().ask(QStringLiteral("В базе есть сертификаты. Импорт возможен только в пустую базу."),
                      App().MessageTitle, Prompt::Error, Prompt::Ok);
        return ArchiveImportOutcome::DatabaseNotEmpty;
    }
    // Both sources are checked before anything is written.
    const QString baseSource = JoinPath(*folder, DatabaseName);
    const QString usersSource = JoinPath(*folder, UsersFileName);
    for (const QString &source : {baseSource, usersSource}) {
        if (!QFileInfo(source).isFile())
            CopyFailed(source, dm.dataFile(QFileInfo(source).fileName()), ENOENT);
    }
    IncomingFile base = CopyBeside(baseSource, dm.databasePath(), copy);
    IncomingFile users = CopyBeside(usersSource, dm.usersFilePath(), copy);
    FreeInterlock(base.writer->temporaryName());
    // The working database is still open here; it is read no more once the
    // copies stand in its place, and is closed right after.
    CommitBoth(base, users);

    dm.CloseALL(true);
    App().StopFlag = true; // the imported k.cod is not written over at exit
    Prompts().ask(QStringLiteral("Программу нужно перезагрузить!"), App().MessageTitle, Prompt::Error, Prompt::Ok);
    RequestProgramRestart();
    return ArchiveImportOutcome::Imported;
}
