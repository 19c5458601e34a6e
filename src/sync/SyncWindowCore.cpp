#include "SyncWindowCore.h"

#include "AtomicFileWriter.h"
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
#include <QFile>
#include <optional>

namespace {

const QString OfflineFileExchange = QStringLiteral("синхронизация в файл");
const QString ArchiveName = QStringLiteral("sync.zip");

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

// The packet, the archive and its cipher go from file to file, so memory
// does not grow with the number of certificates; the file appears, and the
// certificates it carries count as delivered, only when all of it is written.
void SyncWindowCore::writeOfflineFile()
{
    const QDate today = Today();
    m_output.statusText(QStringLiteral("Ждите..."));
    m_output.logLine(QStringLiteral("Процедура может занять несколько минут"));
    m_output.logLine(QStringLiteral("Формирование ..."));
    aStatusExecute();
    const QString sendDir = SendDir(m_dm.programDir());
    if (!QDir().mkpath(sendDir))
        throw AppError(QStringLiteral("Не удалось создать папку ") + sendDir);
    const QString packetFile = JoinPath(sendDir, QStringLiteral("sync.xml"));
    if (writeFullPacket(packetFile) == 0) {
        m_output.logLine(QStringLiteral("Нет данных"));
        return;
    }

    // The archive holds every certificate in the clear. It is written in a
    // folder of this run's temporaries, its owner's only, which goes on every
    // way out of the action and which the next start sweeps after a kill.
    QFile::remove(JoinPath(sendDir, ArchiveName)); // where earlier runs made it
    const TemporaryFolder archiveFolder(JoinPath(sendDir, ArchiveName));
    const QString zipFile = JoinPath(archiveFolder.path(), ArchiveName);
    const QList<qint64> delivered = BuildOfflineArchive(m_dm.ASQLite3DBd, m_dm.dataDir(), packetFile, zipFile);

    m_output.logLine(QStringLiteral("Шифруем ..."));
    const TessalState &app = App();
    CheckOfflineFileKey(app.ChamberKey);

    const std::optional<QString> chosen = FileDialogsInUse().saveFile(
        SaveDialogSync(sendDir, DefaultOfflineFileName(app.ChamberNumber, app.WorkstationNumber, today)));
    if (!chosen)
        return;
    AtomicFileWriter file(*chosen);
    EncipherOfflineFile(zipFile, app.ChamberKey, file);
    CommitOfflineFile(m_dm.ASQLite3DBd, *chosen, file, delivered, DateToDayNumber(today));
    reopenList();
    m_output.enableActions();
    m_output.statusText(QString());
    m_output.logLine(QStringLiteral("ФАЙЛ СИНХРОНИЗАЦИИ СОЗДАН."));
}

namespace {

// The packet's way into a file replaced whole, in blocks.
class AtomicFileDevice : public QIODevice {
public:
    explicit AtomicFileDevice(AtomicFileWriter &file) : m_file(file) { open(QIODevice::WriteOnly); }
    bool flushAll()
    {
        m_file.write(m_buffer);
        m_buffer.clear();
        return true;
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        m_buffer.append(data, size);
        if (m_buffer.size() >= BlockBytes)
            flushAll();
        return size;
    }

private:
    static constexpr qsizetype BlockBytes = qsizetype(1) << 20;
    AtomicFileWriter &m_file;
    QByteArray m_buffer;
};

} // namespace

qint64 SyncWindowCore::writeFullPacket(const QString &packetFile)
{
    SqliteDatabase &db = m_dm.ASQLite3DBd;
    for (int attempt = 1;; ++attempt) {
        std::optional<QString> failure;
        qint64 rows = 0;
        AtomicFileWriter file(packetFile);
        try {
            AtomicFileDevice device(file);
            CertificatePacketWriter writer(db, CertificatePacketKind::TessalFull, TessalPacketHeading(db));
            writer.setProgress(m_output.packetProgress());
            writer.setBeforeEachRow([this] { m_output.keepAnswering(); });
            rows = writer.write(device);
            device.flushAll();
            if (rows > 0)
                file.commit();
        } catch (const std::exception &e) {
            failure = ExceptionText(e);
            m_output.logLine(QStringLiteral("произошла ошибка формирования: \r\n") + *failure);
        }
        // The build may have opened the database anew under the list.
        reopenList();
        if (!failure)
            return rows;
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
