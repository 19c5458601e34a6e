#include "CertificatePacket.h"

#include "AppError.h"
#include "DatabaseOptions.h"
#include "GGDateTime.h"
#include "PacketRows.h"
#include "PacketText.h"
#include "ProgramVersion.h"
#include "ProgressSink.h"
#include "SqliteDatabase.h"
#include "StatusCounts.h"
#include "SystemErrorTexts.h"
#include "WorkstationFile.h"
#include "ggFiles.h"

#include <QBuffer>
#include <QThread>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

namespace {

const QString HeadSelection = QStringLiteral("select * from mcod where (status <> 6) and (status <> 12)");
const QByteArray PacketClosing = QByteArrayLiteral("</dataPacket>\n");
const char Indent[] = "\t";

// A row of the full packet that fails is built once more after the
// connection was opened again; a second failure fails the packet.
constexpr int RowAttempts = 2;
constexpr unsigned long ReconnectPauseMs = 500;

PacketRowRules RulesOf(CertificatePacketKind kind)
{
    PacketRowRules rules;
    switch (kind) {
    case CertificatePacketKind::TessalDay:
        rules.actFailure = QStringLiteral("ошибка оформления акта в xml");
        break;
    case CertificatePacketKind::TessalFull:
        rules.fileFields = true;
        rules.exporterLineBreaks = true;
        rules.actFailure = QStringLiteral("ошибка записи данных акта в xml");
        break;
    case CertificatePacketKind::RestavoDay:
        rules.fileFields = true;
        rules.actFailure = QStringLiteral("error 18 (field 14 act)");
        break;
    }
    return rules;
}

class ByteArrayWriter : public pugi::xml_writer {
public:
    explicit ByteArrayWriter(QByteArray &out) : m_out(out) {}
    void write(const void *data, size_t size) override
    {
        m_out.append(static_cast<const char *>(data), qsizetype(size));
    }

private:
    QByteArray &m_out;
};

// The workstation's values went into the packet's text unescaped, so the
// server has always read them as an XML reader returns such text.
void SetArmAttribute(pugi::xml_node arm, const char *name, const QString &value)
{
    SetPacketAttribute(arm, name, AsReadFromAttribute(value));
}

// The packet's text before its first row: the declaration, the opening tag of
// dataPacket and the arm element.
QByteArray PacketOpening(const CertificatePacketHeading &heading)
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    declaration.append_attribute("standalone").set_value("yes");

    pugi::xml_node root = document.append_child("dataPacket");
    SetPacketAttribute(root, "version", QStringLiteral("2.0"));
    SetPacketAttribute(root, "name", QStringLiteral("TessalForm"));
    SetPacketAttribute(root, "Program", QStringLiteral("TessalCert.exe"));
    SetPacketAttribute(root, "ProgramVersion", QStringLiteral("6"));
    SetPacketAttribute(root, "ProgramFullVersion", heading.programFullVersion);
    SetPacketAttribute(root, "NumDOV", QString::number(heading.chamberNumber));
    SetPacketAttribute(root, "NumARM", QString::number(heading.workstationNumber));
    SetPacketAttribute(root, "DateOfCreate", FormatDate(heading.created));

    const MachineValues &machine = heading.machine;
    const StatusCounters &counts = heading.statusCounts;
    pugi::xml_node arm = root.append_child("arm");
    SetArmAttribute(arm, "lastKnownChange",
                    heading.lastKnownChange.isEmpty() ? QStringLiteral("0") : heading.lastKnownChange);
    SetArmAttribute(arm, "netVersion", machine.netVersion);
    SetArmAttribute(arm, "programPath", machine.programPath);
    SetArmAttribute(arm, "memory", machine.memory);
    SetArmAttribute(arm, "driveCapacity", machine.driveCapacity);
    SetArmAttribute(arm, "freeSpace", machine.freeSpace);
    SetArmAttribute(arm, "cpu", machine.cpu);
    SetArmAttribute(arm, "defaultBrowser", machine.defaultBrowser);
    SetArmAttribute(arm, "osVersion", machine.osVersion);
    SetArmAttribute(arm, "stat7", QString::number(counts.StatusCount7));
    SetArmAttribute(arm, "stat8", QString::number(counts.StatusCount8));
    SetArmAttribute(arm, "stat9", QString::number(counts.StatusCount9));
    SetArmAttribute(arm, "stat10", QString::number(counts.StatusCount10));

    QByteArray text;
    ByteArrayWriter writer(text);
    document.save(writer, Indent, pugi::format_default, pugi::encoding_utf8);
    if (!text.endsWith(PacketClosing))
        throw AppError(QStringLiteral("The packet's heading did not serialise as expected"));
    text.chop(PacketClosing.size());
    return text;
}

// The progress window of the full packet, open for the whole build.
class ProgressShown {
public:
    explicit ProgressShown(ProgressSink *sink) : m_sink(sink)
    {
        if (m_sink) {
            m_sink->open();
            m_sink->setPermille(0);
        }
    }
    ~ProgressShown()
    {
        try {
            if (m_sink)
                m_sink->close();
        } catch (...) {
        }
    }
    ProgressShown(const ProgressShown &) = delete;
    ProgressShown &operator=(const ProgressShown &) = delete;

    // Per mille of the id range done when Next is the next id to visit.
    void at(qint64 next, qint64 maxId)
    {
        const __int128 share = maxId > 0 ? __int128(next) * 1000 / maxId : 1000;
        const int permille = int(std::clamp<__int128>(share, 0, 1000));
        if (m_sink && permille != m_last) {
            m_sink->setPermille(permille);
            m_last = permille;
        }
    }

private:
    ProgressSink *m_sink;
    int m_last = 0;
};

// The smallest or the largest id of mcod ("min" or "max"), absent for an empty table.
std::optional<qint64> EndId(SqliteDatabase &db, const QString &end)
{
    SqliteStatement query(db, QStringLiteral("select %1(id) as nm from mcod").arg(end));
    if (!query.step() || query.isNull(0))
        return std::nullopt;
    return query.columnInteger(0);
}

// The full packet's reading: the next certificate to send from an id on, and
// the rows built from it.
struct FullPacketReader {
    FullPacketReader(SqliteDatabase &db, const PacketRowRules &rules)
        : head(db, HeadSelection + QStringLiteral(" and (id >= :id) order by id limit 1"))
        , rows(db, head, rules)
    {
    }
    SqliteStatement head;
    PacketRowBuilder rows;
};

// What both programs' headings hold alike: the chamber and workstation of
// the workstation file, today, the option lastChange and this computer. A
// failed read of the option is recorded under OptionFailureText and counts as
// no option.
CertificatePacketHeading WorkstationHeading(SqliteDatabase &db, int32_t chamberNumber, int32_t workstationNumber,
                                            const QString &optionFailureText)
{
    CertificatePacketHeading heading;
    heading.chamberNumber = chamberNumber;
    heading.workstationNumber = workstationNumber;
    heading.created = Today();
    heading.lastKnownChange = ReadOptionRecorded(db, CommonUser, QStringLiteral("lastChange"), optionFailureText);
    heading.machine = ReadMachineValues(ProgramDir());
    return heading;
}

} // namespace

// The packet as it goes out: the heading before the first row, each row as
// the XML writer prints it inside the whole document, the closing tag after
// the last; nothing at all without a row.
class CertificatePacketWriter::Output {
public:
    Output(QIODevice &out, const CertificatePacketHeading &heading) : m_out(out), m_heading(heading) {}

    void add(pugi::xml_node row)
    {
        if (m_rows == 0)
            put(WithLineFeedReferences(PacketOpening(m_heading)));
        m_chunk.clear();
        ByteArrayWriter writer(m_chunk);
        row.print(writer, Indent, pugi::format_default, pugi::encoding_utf8, 1);
        put(WithLineFeedReferences(m_chunk));
        ++m_rows;
    }

    qint64 finish()
    {
        if (m_rows > 0)
            put(PacketClosing);
        return m_rows;
    }

private:
    void put(const QByteArray &bytes)
    {
        if (m_out.write(bytes) != bytes.size())
            throw AppError(QStringLiteral("The packet cannot be written: ") + RussianSystemText(m_out.errorString()));
    }

    QIODevice &m_out;
    const CertificatePacketHeading &m_heading;
    QByteArray m_chunk;
    qint64 m_rows = 0;
};

CertificatePacketHeading TessalPacketHeading(SqliteDatabase &db)
{
    const TessalState &app = App();
    CertificatePacketHeading heading = WorkstationHeading(db, app.ChamberNumber, app.WorkstationNumber,
                                                          QStringLiteral("function DataTessal.TDM.ReadOption"));
    heading.programFullVersion = ProgramVersion;
    heading.statusCounts = App().StatusCounts;
    return heading;
}

CertificatePacketHeading RestavoPacketHeading(SqliteDatabase &db, const QString &version,
                                              const WorkstationFile &workstation)
{
    CertificatePacketHeading heading = WorkstationHeading(db, workstation.dovNumber, workstation.NumLocale,
                                                          QStringLiteral("function TSim.ReadOption"));
    heading.programFullVersion = version;
    heading.statusCounts = CountStatuses(db);
    return heading;
}

CertificatePacketWriter::CertificatePacketWriter(SqliteDatabase &db, CertificatePacketKind kind,
                                                 const CertificatePacketHeading &heading)
    : m_db(db)
    , m_kind(kind)
    , m_heading(heading)
{
}

QByteArray CertificatePacketWriter::text(uint32_t day)
{
    QByteArray packet;
    QBuffer buffer(&packet);
    buffer.open(QIODevice::WriteOnly);
    write(buffer, day);
    return packet;
}

qint64 CertificatePacketWriter::write(QIODevice &out, uint32_t day)
{
    const QString fileName = m_db.fileName();
    try {
        Output output(out, m_heading);
        if (m_kind == CertificatePacketKind::TessalFull)
            writeAllRows(output);
        else
            writeDayRows(output, day);
        return output.finish();
    } catch (const std::exception &e) {
        logFailure(ExceptionText(e));
        if (!m_db.isOpen()) {
            try {
                m_db.open(fileName, SqliteDatabase::OpenMode::MustExist);
            } catch (const std::exception &) {
            }
        }
        throw;
    }
}

void CertificatePacketWriter::writeDayRows(Output &output, uint32_t day)
{
    SqliteStatement head(m_db, day > 0 ? HeadSelection + QStringLiteral(" and (LastDate = :LastDate)") : HeadSelection);
    if (day > 0)
        head.bindInteger(QStringLiteral("LastDate"), day);
    PacketRowBuilder rows(m_db, head, RulesOf(m_kind));
    pugi::xml_document document;
    for (;;) {
        if (m_beforeEachRow)
            m_beforeEachRow();
        if (!head.step())
            break;
        document.reset();
        pugi::xml_node row = document.append_child("row");
        rows.build(row);
        output.add(row);
    }
}

// Every certificate in the order of its id, from the smallest id to the
// largest as they stood when the build began. Each step asks for the next
// certificate from an id on, so a gap in the ids costs nothing. A row that
// fails is logged and built once more on a new connection to the database; a
// second failure fails the packet.
void CertificatePacketWriter::writeAllRows(Output &output)
{
    ProgressShown progress(m_progress);
    const std::optional<qint64> minId = EndId(m_db, QStringLiteral("min"));
    const std::optional<qint64> maxId = EndId(m_db, QStringLiteral("max"));
    if (!minId || !maxId)
        return;
    const PacketRowRules rules = RulesOf(m_kind);
    auto reader = std::make_unique<FullPacketReader>(m_db, rules);
    pugi::xml_document document;
    qint64 next = *minId;
    for (;;) {
        pugi::xml_node row;
        qint64 id = next;
        for (int attempt = 1;; ++attempt) {
            try {
                SqliteStatement &head = reader->head;
                head.reset();
                head.bindInteger(QStringLiteral("id"), next);
                if (m_beforeEachRow)
                    m_beforeEachRow();
                if (!head.step())
                    return;
                id = reader->rows.id();
                if (id > *maxId)
                    return;
                document.reset();
                row = document.append_child("row");
                reader->rows.build(row);
                head.reset();
                break;
            } catch (const std::exception &e) {
                LogException("Sync.TfSync.GetXMLData():MinId=" + QByteArray::number(id), e);
                if (attempt == RowAttempts)
                    throw;
                const QString fileName = m_db.fileName();
                reader.reset();
                m_db.close();
                QThread::msleep(ReconnectPauseMs);
                m_db.open(fileName, SqliteDatabase::OpenMode::MustExist);
                reader = std::make_unique<FullPacketReader>(m_db, rules);
            }
        }
        output.add(row);
        if (id == std::numeric_limits<qint64>::max())
            return;
        next = id + 1;
        progress.at(next, *maxId);
    }
}

void CertificatePacketWriter::logFailure(const QString &message) const
{
    if (m_kind == CertificatePacketKind::RestavoDay)
        WriteEventLog(EventType::Error, EventCategory::Diagnostics, EventId::Diagnostic,
                      {QStringLiteral("[TSim.GetXMLData] ошибка = ") + message});
    else
        LogException("Sync.TfSync.GetXMLData()", message.toUtf8());
}
