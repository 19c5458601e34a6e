#include "RestoreChain.h"

#include "AtomicFileWriter.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "ExchangeFiles.h"
#include "FileDialogs.h"
#include "ListSql.h"
#include "Prompter.h"
#include "RestavoCommand.h"
#include "RestoreFile.h"
#include "ggDebug.h"
#include "ggFiles.h"

#include <QDir>
#include <QFile>

namespace {
const char StartLocation[] = "FormMain.TfMain.aRollbackExecute";
const char ReplyLocation[] = "FormMain.TfMain.WRollback";

// The temporary copy and its journal: a journal left behind would be played
// back into the next copy.
void RemoveTempDatabase(const QString &temp)
{
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-journal"));
}
} // namespace

RestoreChain::RestoreChain(TDM &dm, const QString &programDir, RestoreChainHost host)
    : m_dm(dm), m_programDir(programDir), m_host(std::move(host)),
      m_frame(m_host.startRestavo ? m_host.startRestavo : ProgramFolderRestavo(programDir),
              [this](quint32, qint32 wParam, qint32 lParam) { step(wParam, lParam); })
{
}

QString RestoreChain::dataFile(const QString &name) const
{
    return JoinPath(DataDirOf(m_programDir), name);
}

void RestoreChain::start()
{
    ExchangeTicket ticket = BeginExchange(QStringLiteral("restore"));
    if (!ticket) {
        m_host.setHelpLine(QStringLiteral("Идёт обмен с сервером. Повторите после его завершения."));
        return;
    }
    bool disconnected = false;
    try {
        m_host.setHelpLine(QString());
        m_host.setStatus(QStringLiteral("Ожидайте..."));
        if (CountListRows(m_dm.ASQLite3DBd, ListView{}, SqlFragment{}) > 0) {
            Prompts().ask(QStringLiteral("У вас есть накопленная информация.\r\n Для восстановления база должна быть пустой"),
                          App().MessageTitle, Prompt::Error, Prompt::Ok);
            return;
        }
        const QString downloads = JoinPath(m_programDir, DownloadFolderName);
        QDir().mkpath(downloads);
        FileDialogRequest request;
        request.title = QStringLiteral("Открываем файл для восстановления данных ЛБД");
        request.folder = downloads;
        request.nameFilters = QStringList{QStringLiteral("*.cod")};
        request.defaultSuffix = QStringLiteral("cod");
        const std::optional<QString> chosen = FileDialogsInUse().openFile(request);
        if (!chosen)
            return;

        m_xmlPath = ExtractRestoreXml(*chosen, App().ChamberKey, DataDirOf(m_programDir));
        m_dm.DisconnectDatabase();
        disconnected = true;
        const QString temp = dataFile(ExchangeFiles::TempDatabase);
        RemoveTempDatabase(temp);
        if (const int error = CopyFileAtomic(m_dm.databasePath(), temp))
            throw AppError(SysErrorText(uint32_t(error)));
        m_frame.begin(std::move(ticket));
        m_runs = 0;
        m_lastRow = -1;
        m_timesAtLastRow = 0;
        m_frame.post(m_host.window, RestoreChainMessage, 0, 2);
    } catch (const std::exception &e) {
        LogException(StartLocation, e);
        m_host.setHelpLine(QStringLiteral("произошла ошибка"));
        m_host.setStatus(QString());
        if (disconnected)
            reopenAndClean(false);
        else if (!m_xmlPath.isEmpty())
            RemoveRestoreXml(std::exchange(m_xmlPath, QString()));
    }
}

void RestoreChain::reply(qint32 wParam, qint32 lParam)
{
    if (m_frame.takePosted(RestoreChainMessage, lParam))
        step(wParam, lParam);
}

void RestoreChain::step(qint32 wParam, qint32 lParam)
{
    try {
        if (lParam == 1) {
            // wParam carries no error number: say how the run ended.
            fail(StartFailurePrefix + m_frame.lastRunFailure());
        } else if (lParam == 2 && wParam == -1) {
            finish();
        } else if (lParam == 2) {
            startRun(wParam);
        }
    } catch (const std::exception &e) {
        LogException(ReplyLocation, e);
        fail(QStringLiteral("произошла ошибка"));
    }
}

void RestoreChain::startRun(qint32 startIndex)
{
    // A row that fails in every run would restart Restavo for ever.
    if (m_runs > 0) {
        m_timesAtLastRow = startIndex == m_lastRow ? m_timesAtLastRow + 1 : 1;
        m_lastRow = startIndex;
        if (m_timesAtLastRow >= MaxRunsAtOneRow) {
            fail(StartFailurePrefix + QStringLiteral("запись %1 файла восстановления не загружается (%2 раза подряд). "
                                                     "Причина записана в журнал событий.")
                                          .arg(startIndex)
                                          .arg(m_timesAtLastRow));
            return;
        }
    }
    ++m_runs;
    const QString failed = m_frame.start(
        1, RestoreChainMessage, {RestavoArgument::number(startIndex), RestavoArgument::text(m_xmlPath)});
    if (!failed.isEmpty())
        fail(failed);
}

void RestoreChain::finish()
{
    m_host.setStatus(QString());
    m_host.setHelpLine(QStringLiteral("Загрузка завершена. Перезапустите программу!"));
    const QString temp = dataFile(ExchangeFiles::TempDatabase);
    const int error = CopyFileAtomic(temp, m_dm.databasePath());
    if (error) {
        WriteEventLog(EventType::Error, EventCategory::FunctionFailure, EventId::FileCopyFailed,
                      {temp, m_dm.databasePath(), SysErrorText(uint32_t(error))});
        m_host.setHelpLine(QStringLiteral("Не удалось заменить базу Tessal.sqb: ") + SysErrorText(uint32_t(error))
                           + QStringLiteral(". Загруженные данные сохранены в ") + temp);
    }
    reopenAndClean(error != 0);
}

void RestoreChain::fail(const QString &helpText)
{
    m_host.setStatus(QString());
    m_host.setHelpLine(helpText);
    reopenAndClean(false);
}

void RestoreChain::reopenAndClean(bool keepTempDatabase)
{
    try {
        m_host.reopenList();
    } catch (const std::exception &e) {
        LogException(ReplyLocation, e);
    }
    if (!m_xmlPath.isEmpty())
        RemoveRestoreXml(std::exchange(m_xmlPath, QString()));
    if (!keepTempDatabase)
        RemoveTempDatabase(dataFile(ExchangeFiles::TempDatabase));
    m_frame.end();
}
