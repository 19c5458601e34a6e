#include "InProcessSync.h"

#include "CdbExchange.h"
#include "CertificatePacket.h"
#include "ChangeList.h"
#include "CertificateParams.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "DataTessalNumbering.h"
#include "DatabaseOptions.h"
#include "DownloadProgress.h"
#include "ExchangeFiles.h"
#include "ExchangeGuard.h"
#include "FileDialogs.h"
#include "GGDateTime.h"
#include "RestoratorPackage.h"
#include "ServerAnswers.h"
#include "SqliteDatabase.h"
#include "StrictDecimal.h"
#include "SyncDialogs.h"
#include "SyncStartDay.h"
#include "SyncWindowCore.h"
#include "SyncTexts.h"
#include "ZipArchive.h"
#include "ggDebug.h"
#include "ggError.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"
#include "qlMsInternet.h"

#include <QDir>
#include <QThread>
#include <pugixml.hpp>

namespace {

const QString SyncLocation = QStringLiteral("Sync.TfSync.aStartExecute");
const QString RestoreLocation = QStringLiteral("Sync.TfSync.LoadFromFile");

constexpr int RequestPauseMs = 1000;
constexpr int RestorePauseMs = 2000;

void RequestFailed(const QString &location, const QString &what, uint32_t errorCode)
{
    WriteEventLog(EventType::Error, EventCategory::Exchange, EventId::RequestFailed,
                  {location, what, RequestErrorText(errorCode)});
}

// The answer was refused by the server: its record and the reason in the log.
bool Refused(const QString &answer, const QString &recordText, uint16_t category,
             const std::function<void(const QString &)> &log)
{
    const QString refusal = RecordRefusal(answer, recordText, category);
    if (refusal.isEmpty())
        return false;
    log(refusal);
    return true;
}

QString Text(const pugi::xml_node &node)
{
    return QString::fromUtf8(node.text().get());
}

QString Attribute(const pugi::xml_node &node, const char *name)
{
    return QString::fromUtf8(node.attribute(name).value());
}

// Tells the window that the run goes on while it lives, and that it ended
// when it is destroyed.
class RunningState {
public:
    explicit RunningState(const std::function<void(bool)> &running) : m_running(running)
    {
        if (m_running)
            m_running(true);
    }
    ~RunningState()
    {
        try {
            if (m_running)
                m_running(false);
        } catch (...) {
        }
    }
    RunningState(const RunningState &) = delete;
    RunningState &operator=(const RunningState &) = delete;

private:
    const std::function<void(bool)> &m_running;
};

} // namespace

InProcessSync::InProcessSync(TDM &dm, SyncWindowCore &core, SyncWindowOutput &output, InProcessSyncPorts ports)
    : m_dm(dm), m_core(core), m_output(output), m_ports(std::move(ports))
{
    if (!m_ports.makeConnection)
        m_ports.makeConnection = [] { return std::make_unique<THttpsConnection>(); };
    if (!m_ports.wait)
        m_ports.wait = [](int milliseconds) { QThread::msleep(unsigned(milliseconds)); };
}

InProcessSync::~InProcessSync() = default;

// ---------------------------------------------------------------- the full synchronisation

void InProcessSync::aStartExecute()
{
    ExchangeTicket ticket = BeginWindowExchange(SyncTexts::SyncExchange, m_output);
    if (!ticket)
        return;
    std::optional<QString> failure;
    {
        // The window's start actions stay off for the whole run and come
        // back however it ends.
        const RunningState running(m_ports.running);
        try {
            std::unique_ptr<THttpsConnection> connection = m_ports.makeConnection();
            useIdentity(*connection);
            m_output.statusText(SyncTexts::Transferring);
            m_core.AbortRequested = false;
            synchronise(*connection, ticket);
        } catch (const std::exception &e) {
            failure = ExceptionText(e);
        } catch (...) {
            failure = QStringLiteral("unknown exception");
        }
        m_output.statusText(QString());
    }
    if (failure) {
        LogException("Sync.TfSync.aStartExecute()", failure->toUtf8());
        m_output.statusText(QStringLiteral("сбой процедуры"));
        log(QStringLiteral("Зафиксирована ошибка синхронизации."));
    }
    log(SyncTexts::SyncFinished);
}

void InProcessSync::synchronise(THttpsConnection &connection, ExchangeTicket &ticket)
{
    const std::optional<QString> first = hello(connection, SyncLocation, true, EventCategory::Exchange);
    if (!first)
        return;
    m_dm.LoadNewICod(connection, SyncIdentity, *first, MemoLine(), SyncLocation);
    // The second hello goes to the address of the new workstation file; every
    // request of the run keeps the identity the run began with.
    const std::optional<QString> second = hello(connection, SyncLocation, true, EventCategory::Exchange);
    if (!second)
        return;
    const QByteArray serverPath =
        m_dm.FindCdbServer(connection, SyncIdentity, *second, [this](const QString &line) { log(line); },
                           SyncLocation)
            .toUtf8();

    if (applyChanges(connection, serverPath) == Outcome::End)
        return;
    m_core.aStatusExecute();
    const std::optional<QString> lastDay = serverLastDay(connection, serverPath);
    if (!lastDay)
        return;
    const int64_t startDay = SyncStartDay(*lastDay, GetMinDateOfDocument(m_dm), GetMaxLastDate(m_dm));
    if (postDays(connection, serverPath, startDay) == Outcome::End)
        return;
    if (checkUpdates(connection, serverPath) == Outcome::End)
        return;
    if (m_core.UpdateList.isEmpty())
        return;
    downloadUpdates(connection);
    startUpdater(ticket);
}

std::optional<QString> InProcessSync::hello(THttpsConnection &connection, const QString &location,
                                            bool identityInQuery, uint16_t refusalCategory)
{
    const TessalState &app = App();
    const QString answer = RequestHello(connection, app.ServerUrl, app.ServerPort, SyncIdentity, identityInQuery);
    // The window answers once a hello has come back.
    if (!answer.isEmpty())
        m_output.keepAnswering();
    const QString stop = HelloStopLine(answer, location, refusalCategory);
    if (!stop.isEmpty()) {
        log(stop);
        return std::nullopt;
    }
    return answer;
}

void InProcessSync::useIdentity(THttpsConnection &connection)
{
    const TessalState &app = App();
    SyncIdentity = IdentityQuery(app.ChamberNumber, app.WorkstationNumber, app.ChamberKey);
    connection.SetPostData(SyncIdentity);
}

InProcessSync::Outcome InProcessSync::applyChanges(THttpsConnection &connection, const QByteArray &serverPath)
{
    const QByteArray lastChange = m_dm.ReadOption(CommonUser, QStringLiteral("lastChange")).toUtf8();
    pause(RequestPauseMs);
    QByteArray answer;
    const CdbStep step = SendToCdb(connection, CdbRequests::Changes(serverPath, SyncIdentity, lastChange), answer,
                                   connection.MaxAnswerText, [this] { pause(RequestPauseMs); });
    if (step != CdbStep::Done) {
        log(QStringLiteral("ошибка changes: ") + SysErrorText(connection.ErrorCode));
        return Outcome::End;
    }
    ChangeListApplication changes(m_dm.ASQLite3DBd, answer);
    ApplyChangesAndReopen(changes, [this] { ReopenCertificateList(m_dm, 0); });
    changes.cleanIfDue();
    return Outcome::Go;
}

// The last day the server holds, from the version answer; nothing when the
// run ends here.
std::optional<QString> InProcessSync::serverLastDay(THttpsConnection &connection, const QByteArray &serverPath)
{
    QString answer;
    try {
        pause(RequestPauseMs);
        QByteArray data;
        if (!ExchangeWithCdb(connection, CdbRequests::Versions(serverPath, SyncIdentity), SyncLocation,
                             QStringLiteral("/version"), data, connection.MaxAnswerText,
                             [this] { pause(RequestPauseMs); })) {
            log(QStringLiteral("Ошибка version") + SysErrorText(connection.ErrorCode));
            return std::nullopt;
        }
        answer = AnswerText(data);
        try {
            if (Refused(answer, SyncLocation + QStringLiteral(" /version (DM.GetErrorFromServer) "),
                        EventCategory::Exchange, [this](const QString &line) { log(line); }))
                return std::nullopt;
            return ReadVersionAnswer(answer).lastDate;
        } catch (const AppError &e) {
            throw AppError(e.message() + QStringLiteral("\r\nпохоже проблема с сервером\r\n") + answer
                           + QStringLiteral("\r\n"));
        }
    } catch (const std::exception &e) {
        const QString message = ExceptionText(e);
        log(SyncTexts::ErrorPrefix + message + QLatin1Char(' ') + answer);
        throw AppError(message);
    }
}

InProcessSync::Outcome InProcessSync::postDays(THttpsConnection &connection, const QByteArray &serverPath,
                                               int64_t startDay)
{
    try {
        QList<int64_t> days;
        {
            SqliteStatement query(m_dm.ASQLite3DBd,
                                  QStringLiteral("select distinct LastDate from mcod where (STATUS <> 6)  and "
                                                 "(LastDate >= :start) order by LastDate"));
            query.bindInteger(QStringLiteral(":start"), startDay);
            while (query.step())
                days << query.columnValue(0).toLongLong();
        }
        for (const int64_t day : days) {
            if (m_core.AbortRequested) {
                log(SyncTexts::SyncAborted);
                return Outcome::End;
            }
            m_output.keepAnswering();
            if (postDay(connection, serverPath, day) == Outcome::End)
                return Outcome::End;
        }
        return Outcome::Go;
    } catch (const std::exception &e) {
        const QString message = QStringLiteral("Eсть критические ошибки. Ошибка синхронизации");
        log(message);
        throw AppError(message);
    }
}

InProcessSync::Outcome InProcessSync::postDay(THttpsConnection &connection, const QByteArray &serverPath,
                                              int64_t day)
{
    try {
        const QString date = FormatDayNumber(day);
        log(QStringLiteral("Ищем сертификаты за ") + date);
        const QByteArray packet = dayPacket(day);
        if (packet.isEmpty())
            return Outcome::Go;
        log(QStringLiteral("Передаём сертификаты за ") + date);
        pause(RequestPauseMs);
        QByteArray answer;
        if (!ExchangeWithCdb(connection, CdbRequests::SaveDay(serverPath, SyncIdentity, packet), SyncLocation,
                             QStringLiteral("/save"), answer, connection.MaxAnswerText,
                             [this] { pause(RequestPauseMs); })) {
            log(SyncTexts::ErrorPrefix + SysErrorText(connection.ErrorCode));
            return Outcome::End;
        }
        return saveAccepted(answer) ? Outcome::Go : Outcome::End;
    } catch (const std::exception &e) {
        log(ExceptionText(e));
        throw;
    }
}

QByteArray InProcessSync::dayPacket(int64_t day)
{
    SqliteDatabase &db = m_dm.ASQLite3DBd;
    for (int attempt = 1;; ++attempt) {
        try {
            return CertificatePacketWriter(db, CertificatePacketKind::TessalDay, TessalPacketHeading(db))
                .text(uint32_t(day));
        } catch (const std::exception &) {
            if (attempt == PacketAttempts)
                throw;
        }
    }
}

// The save answer: status 0 all accepted; 1 some refused, the refusals in
// the log; anything else, or an answer that cannot be read, ends the run.
bool InProcessSync::saveAccepted(const QByteArray &data)
{
    const QString answer = AnswerText(data);
    try {
        m_output.keepAnswering();
        pugi::xml_document document;
        LoadAnswerXml(document, data);
        const pugi::xml_node root = document.document_element();
        const std::optional<qint32> status = ParseStrictInt32(QByteArrayView(root.child("status").text().get()));
        if (!status)
            throw AppError(QStringLiteral("status"));
        if (*status == 0)
            return true;
        m_output.keepAnswering();
        WriteEventLog(EventType::Error, EventCategory::Exchange, EventId::RequestFailed,
                      {SyncLocation, QStringLiteral("submit certs (Скрипт сообщает об ошибке):"), answer});
        if (const pugi::xml_node text = root.child("status-text"))
            log(Text(text));
        for (const pugi::xml_node certificate : root.child("certificates").children("certificate")) {
            log(QStringLiteral("    Бланк ") + Attribute(certificate, "id") + QStringLiteral("  ")
                + Attribute(certificate, "status-text"));
            for (const pugi::xml_node error : certificate.children("error"))
                log(QStringLiteral("        ") + Text(error));
        }
        if (*status != 1)
            throw AppError(QStringLiteral("status ") + QString::number(*status));
        return true;
    } catch (const std::exception &) {
        WriteEventLog(EventType::Error, EventCategory::Exchange, EventId::RequestFailed,
                      {SyncLocation, QStringLiteral("submit cert (сбой)"), answer});
        log(QStringLiteral("есть критические ошибки"));
        return false;
    }
}

InProcessSync::Outcome InProcessSync::checkUpdates(THttpsConnection &connection, const QByteArray &serverPath)
{
    m_output.keepAnswering();
    log(SyncTexts::CheckingUpdates);
    m_core.UpdateList.clear();
    pause(RequestPauseMs);
    QByteArray data;
    const CdbStep step = SendToCdb(connection, CdbRequests::Versions(serverPath, SyncIdentity), data,
                                   connection.MaxAnswerText, [this] { pause(RequestPauseMs); });
    if (step != CdbStep::Done) {
        log(SyncTexts::ErrorPrefix + SysErrorText(connection.ErrorCode));
        return Outcome::End;
    }
    const QString answer = AnswerText(data);
    if (Refused(answer, SyncLocation + QStringLiteral(" /version (DM.GetErrorFromServer) "),
                EventCategory::Exchange, [this](const QString &line) { log(line); }))
        return Outcome::End;
    m_output.keepAnswering();
    const VersionAnswer versions = ReadVersionAnswer(answer);
    // A version answer that could be read completes the synchronisation
    // (LastSync), also when it offers nothing.
    m_core.recordUpdateCheck(versions.versions);
    if (!versions.hasVersions || versions.versions.isEmpty()) {
        log(SyncTexts::NoUpdates);
        return Outcome::End;
    }
    return Outcome::Go;
}

void InProcessSync::downloadUpdates(THttpsConnection &connection)
{
    const QString folder = downloadDir();
    connection.SetPostData(SyncIdentity);
    for (const QString &itemText : std::as_const(m_core.UpdateList)) {
        const OfferedVersion item = ReadUpdateItem(itemText.toUtf8());
        const QString fileName = QString::fromUtf8(item.url.mid(item.url.lastIndexOf('/') + 1));
        log(QStringLiteral("Получение файла ") + fileName);
        const QString target = SafeJoinPath(folder, fileName);
        QByteArray data;
        CdbStep step;
        {
            DownloadProgress progress(connection, m_output.downloadProgress());
            step = SendToCdb(connection, CdbRequests::UpdateFile(item.url, SyncIdentity), data, 0,
                             [this] { m_ports.wait(RequestPauseMs); });
        }
        if (step != CdbStep::Done) {
            RequestFailed(SyncLocation, QStringLiteral("(") + CdbStepName(step) + QStringLiteral(") ") + fileName,
                          connection.ErrorCode);
            throw AppError(QStringLiteral("Ошибка получения файла"));
        }
        WriteFileAtomic(target, data);
        if (item.name == "restorator") {
            if (data.isEmpty())
                throw AppError(QStringLiteral("получен пустой файл \"restorator\""));
            InstallUpdaterFrom(data, m_dm.programDir());
            m_dm.SaveOption(CommonUser, QStringLiteral("restorator.zip"), QString::fromUtf8(item.version));
            WriteEventLog(EventType::Success, EventCategory::Exchange, EventId::Diagnostic,
                          {QStringLiteral("файл VuzudoVO.exe обновлён с сервера")});
        } else if (item.name == "support") {
            if (data.isEmpty())
                throw AppError(QStringLiteral("получен пустой файл \"support\""));
            m_dm.SaveOption(CommonUser, QStringLiteral("support.zip"), QString::fromUtf8(item.version));
        }
    }
}

// Hands the downloaded packages to the updater, which outlives this program.
void InProcessSync::startUpdater(ExchangeTicket &ticket)
{
    if (!HandOverToUpdater(m_dm.programDir(), m_core.UpdateList, m_output, DetachedUpdaterStarter()))
        return;
    // The main window does not close while an exchange holds its ticket.
    ticket.release();
    if (m_ports.closeMainWindow)
        m_ports.closeMainWindow();
}

// ---------------------------------------------------------------- the restore download

void InProcessSync::LoadFromFile()
{
    ExchangeTicket ticket = BeginWindowExchange(SyncTexts::RestoreExchange, m_output);
    if (!ticket)
        return;
    m_output.statusText(SyncTexts::PleaseWait);
    try {
        std::unique_ptr<THttpsConnection> connection = m_ports.makeConnection();
        useIdentity(*connection);
        restoreDownload(*connection);
    } catch (const std::exception &e) {
        LogException("Sync.TfSync.LoadFromFile()", e);
        log(QStringLiteral("Сообщение об ошибке помещено в Event Log Windows."));
    }
    m_output.statusText(QString());
}

void InProcessSync::restoreDownload(THttpsConnection &connection)
{
    const MemoLine memo = [this](const QString &line) { log(line); };
    const std::optional<QString> first = hello(connection, RestoreLocation, false, EventCategory::Diagnostics);
    if (!first)
        return;
    m_dm.LoadNewICod(connection, SyncIdentity, *first, memo, RestoreLocation);
    const std::optional<QString> second = hello(connection, RestoreLocation, false, EventCategory::Exchange);
    if (!second)
        return;
    useIdentity(connection);
    const QByteArray serverPath = m_dm.FindCdbServer(connection, SyncIdentity, *second, memo, RestoreLocation).toUtf8();

    const auto restorePause = [this] {
        m_output.keepAnswering();
        m_ports.wait(RestorePauseMs);
        m_output.keepAnswering();
    };
    restorePause();
    QByteArray data;
    CdbStep step;
    {
        DownloadProgress progress(connection, m_output.downloadProgress());
        step = SendToCdb(connection, CdbRequests::Restore(serverPath, SyncIdentity), data, 0, restorePause);
    }
    if (step != CdbStep::Done) {
        log(QStringLiteral("ошибка restore: ") + SysErrorText(connection.ErrorCode));
        return;
    }
    // Only a restore file is kept: a zip archive with the restore data in it.
    if (data.isEmpty()) {
        log(QStringLiteral("ошибка restore: сервер прислал пустой ответ"));
        return;
    }
    const QString refusal = ErrorInBinaryAnswer(data);
    if (!refusal.isEmpty()) {
        log(QStringLiteral("ошибка restore: ") + refusal);
        return;
    }
    try {
        if (ZipReader(data).entries().empty())
            throw AppError(QStringLiteral("empty archive"));
    } catch (const std::exception &) {
        log(QStringLiteral("ошибка restore: присланный файл не является архивом восстановления"));
        return;
    }

    // Without a chamber key there is nothing to save: refused before the operator is asked.
    EncryptWithChamberKey(data, App().ChamberKey);
    const QString folder = downloadDir();
    const std::optional<QString> chosen = FileDialogsInUse().saveFile(TntSaveDialogFromServer(folder));
    if (!chosen)
        return;
    m_output.keepAnswering();
    WriteFileAtomic(*chosen, data);
    m_output.statusText(QString());
    log(QStringLiteral("ФАЙЛ ВОССТАНОВЛЕНИЯ ПОЛУЧЕН."));
}

// ---------------------------------------------------------------- helpers

void InProcessSync::pause(int milliseconds)
{
    m_output.keepAnswering();
    m_ports.wait(milliseconds);
}

void InProcessSync::log(const QString &line)
{
    m_output.logLine(line);
}

QString InProcessSync::downloadDir() const
{
    const QString folder = JoinPath(m_dm.programDir(), DownloadFolderName);
    if (!QDir().mkpath(folder))
        throw AppError(SyncTexts::FolderNotMade + folder);
    return folder;
}
