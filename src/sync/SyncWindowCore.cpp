#include "SyncWindowCore.h"

#include "CertificatePacket.h"
#include "CertificateParams.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "ExchangeGuard.h"
#include "GGDateTime.h"
#include "OfflineSyncFile.h"
#include "StatusCounts.h"
#include "SyncDialogs.h"
#include "UpdateSelection.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QDir>
#include <optional>

namespace {

const QString OfflineFileExchange = QStringLiteral("синхронизация в файл");

} // namespace

ExchangeTicket BeginWindowExchange(const QString &name, SyncWindowOutput &output)
{
    ExchangeTicket exchange = BeginExchange(name);
    if (!exchange)
        output.helpText(QStringLiteral("Идёт обмен с сервером (") + RunningExchange()
                        + QStringLiteral("). Дождитесь его завершения."));
    return exchange;
}

SyncWindowCore::SyncWindowCore(TDM &dm, SyncWindowOutput &output) : m_dm(dm), m_output(output) {}

void SyncWindowCore::aStatusExecute()
{
    App().StatusCounts = CountStatuses(m_dm.ASQLite3DBd);
}

void SyncWindowCore::recordUpdateCheck(const QList<OfferedVersion> &offered)
{
    UpdateList.clear();
    const QList<QByteArray> items =
        SelectUpdates(offered, m_dm.ReadOption(CommonUser, QStringLiteral("restorator.zip")),
                      m_dm.ReadOption(CommonUser, QStringLiteral("support.zip")), App());
    for (const QByteArray &item : items)
        UpdateList << QString::fromUtf8(item);
    m_dm.SaveOption(CommonUser, QStringLiteral("LastSync"), QString::number(DateToDayNumber(Today())));
}

void SyncWindowCore::aSaveToFileExecute()
{
    // The packet build lets the window answer, so another exchange could be
    // started, or the program closed, in the middle of it.
    ExchangeTicket exchange = BeginWindowExchange(OfflineFileExchange, m_output);
    if (!exchange)
        return;
    try {
        writeOfflineFile();
    } catch (const std::exception &e) {
        LogException("Sync.TfSync.aSaveToFileExecute()", e);
        m_output.logLine(QStringLiteral("Произошла ошибка. Смотри Event Log Windows."));
    }
    m_output.statusText(QString());
}

// The archive and its cipher are made in memory; the file appears, and the
// certificates it carries count as delivered, only when all of it is written.
void SyncWindowCore::writeOfflineFile()
{
    const QDate today = Today();
    m_output.statusText(QStringLiteral("Ждите..."));
    m_output.logLine(QStringLiteral("Процедура может занять несколько минут"));
    m_output.logLine(QStringLiteral("Формирование ..."));
    aStatusExecute();
    const QByteArray packet = fullPacket();
    if (packet.isEmpty()) {
        m_output.logLine(QStringLiteral("Нет данных"));
        return;
    }

    const QString sendDir = SendDir(m_dm.programDir());
    if (!QDir().mkpath(sendDir))
        throw AppError(QStringLiteral("Не удалось создать папку ") + sendDir);
    StringToFile(packet, JoinPath(sendDir, QStringLiteral("sync.xml")));
    const OfflineArchive archive = BuildOfflineArchive(m_dm.ASQLite3DBd, m_dm.dataDir(), packet);

    m_output.logLine(QStringLiteral("Шифруем ..."));
    const TessalState &app = App();
    const QByteArray bytes = EncipherOfflineFile(archive.zip, app.ChamberKey);

    const std::optional<QString> chosen = FileDialogsInUse().saveFile(
        SaveDialogSync(sendDir, DefaultOfflineFileName(app.ChamberNumber, app.WorkstationNumber, today)));
    if (!chosen)
        return;
    CommitOfflineFile(m_dm.ASQLite3DBd, *chosen, bytes, archive.delivered, DateToDayNumber(today));
    reopenList();
    m_output.enableActions();
    m_output.statusText(QString());
    m_output.logLine(QStringLiteral("ФАЙЛ СИНХРОНИЗАЦИИ СОЗДАН."));
}

QByteArray SyncWindowCore::fullPacket()
{
    SqliteDatabase &db = m_dm.ASQLite3DBd;
    for (int attempt = 1;; ++attempt) {
        std::optional<QString> failure;
        QByteArray packet;
        try {
            CertificatePacketWriter writer(db, CertificatePacketKind::TessalFull, TessalPacketHeading(db));
            writer.setProgress(m_output.packetProgress());
            writer.setBeforeEachRow([this] { m_output.keepAnswering(); });
            packet = writer.text();
        } catch (const std::exception &e) {
            failure = ExceptionText(e);
            m_output.logLine(QStringLiteral("произошла ошибка формирования: \r\n") + *failure);
        }
        // The build may have opened the database anew under the list.
        reopenList();
        if (!failure)
            return packet;
        if (attempt == PacketAttempts)
            throw AppError(*failure);
    }
}

void SyncWindowCore::reopenList()
{
    const qint64 current = m_dm.ASQM.isActive() && !m_dm.ASQM.isEmpty()
                               ? m_dm.ASQM.fieldByName(QStringLiteral("id")).asInteger()
                               : 0;
    ReopenCertificateList(m_dm, current);
}
