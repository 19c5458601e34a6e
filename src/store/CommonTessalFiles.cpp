#include "CommonTessalFiles.h"

#include "AtomicFileWriter.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "GGDateTime.h"
#include "Prompter.h"
#include "ggDebug.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QFileInfo>

uint32_t CopyFileReplacing(const QString &source, const QString &target)
{
    const int error = CopyFileAtomic(source, target);
    return error == 0 ? 0 : CopyFailureCode(error, source, target);
}

uint32_t CopyFailureCode(int errorNumber, const QString &source, const QString &target)
{
    return WindowsErrorForPath(errorNumber, QFileInfo::exists(source) ? target : source);
}

int32_t CopyFileLogged(const QString &SourceDir, const QString &FileName, const QString &TargetDir,
                       const QString &TargetName)
{
    const QString source = JoinPath(SourceDir, FileName);
    const QString target = JoinPath(TargetDir, TargetName == QLatin1String("*") ? FileName : TargetName);
    const uint32_t error = CopyFileReplacing(source, target);
    LogFileCopy(source, target, error);
    return int32_t(error);
}

void LogFileCopy(const QString &source, const QString &target, uint32_t error)
{
    if (error == 0)
        WriteEventLog(EventType::Success, EventCategory::Exchange, EventId::Diagnostic,
                      {QStringLiteral("копирование файла ") + source + QStringLiteral(" в ") + target
                       + QStringLiteral(" завершено")});
    else
        WriteEventLog(EventType::Error, EventCategory::Exchange, EventId::FileCopyFailed,
                      {source, target, SysErrorText(error)});
}

QString ArchiveFolderName(int32_t chamber, int32_t workstation, const QDate &day)
{
    QString number = QString::number(workstation);
    if (number.size() < 2)
        number.prepend(QLatin1Char('0'));
    return QStringLiteral("Tessal_") + QString::number(chamber) + QLatin1Char('_') + number.right(2) + QLatin1Char('_')
        + day.toString(QStringLiteral("yyyy.MM.dd"));
}

namespace {

void DisconnectDatabase(TDM &dm)
{
    dm.ASQD.close();
    dm.ASQM.close();
    // Statements kept prepared on the connection go with it.
    for (SqlQuery *query : {&dm.ALQueryWork, &dm.ALQGoods, &dm.LQueryTemp, &dm.QueryInsM, &dm.QueryInsD})
        query->close();
    dm.ASQLite3DBd.close();
}

void ReconnectDatabase(TDM &dm)
{
    dm.ASQLite3DBdBeforeConnect();
    dm.ASQLite3DBd.open(dm.databasePath(), SqliteDatabase::OpenMode::MustExist);
    dm.ASQM.open();
    dm.ASQM.first();
    if (!dm.ASQM.isEmpty())
        dm.ASQD.paramByName(QStringLiteral("id")).setInteger(dm.ASQM.fieldByName(QStringLiteral("id")).asInteger());
    dm.ASQD.open();
}

} // namespace

ArchiveCopy SaveBaseToArj(TDM &dm, const QString &Folder)
{
    ArchiveCopy result;
    try {
        if (Folder.isEmpty()) {
            Prompts().ask(QStringLiteral("В настройках программы не задано место хранения архива."), App().MessageTitle,
                          Prompt::Warning, Prompt::Ok);
            return result;
        }
        dm.SaveAll();

        const QString archive = JoinPath(
            Folder, ArchiveFolderName(App().ChamberNumber, App().WorkstationNumber, Today()));
        if (!DirectoryExistsW(archive))
            CreateDirW(archive);
        const QString source = dm.dataDir();
        QStringList failures;
        const auto copy = [&](const QString &name) {
            if (const int32_t error = CopyFileLogged(source, name, archive, QStringLiteral("*")))
                failures << name + QStringLiteral(": ") + SysErrorText(uint32_t(error)).trimmed();
        };

        DisconnectDatabase(dm);
        try {
            copy(QStringLiteral("Tessal.sqb"));
        } catch (...) {
            ReconnectDatabase(dm);
            throw;
        }
        ReconnectDatabase(dm);
        copy(QStringLiteral("k.cod"));

        if (failures.isEmpty())
            result.folder = archive;
        else
            result.failure = failures.join(QLatin1Char(' '));
    } catch (const std::exception &e) {
        LogException("CommonTessal.SaveBaseToArj", e);
        result.failure = ExceptionText(e);
    }
    return result;
}
