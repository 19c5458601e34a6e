#include "ChildRole.h"
#include "EventJournal.h"
#include "JournalSinks.h"
#include "TestSupport.h"
#include "ggDebug.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr int RecordsPerWriter = 1000;

// Writes RecordsPerWriter records to the journal file Args[0]; each record's
// strings are long enough that torn writes would show.
[[noreturn]] void writeRecords(const QString &fileName)
{
    EventJournal::instance().addSink(std::make_shared<JsonLinesJournalSink>(fileName));
    const QString filler(3000, QChar(0x0416)); // 'Ж': two UTF-8 bytes each
    for (int i = 0; i < RecordsPerWriter; ++i)
        ReportEventLog(QStringLiteral("Tessal"), 4, 7, {QString::number(i), filler}, 0x40000101);
    _exit(0);
}

QList<QJsonObject> readJournal(const QString &fileName, bool *allWhole)
{
    QList<QJsonObject> records;
    *allWhole = true;
    const QByteArray text = ReadWholeFile(fileName);
    if (!text.endsWith('\n'))
        *allWhole = false;
    for (const QByteArray &line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            *allWhole = false;
        else
            records.append(document.object());
    }
    return records;
}

// A datagram socket standing for the syslog daemon.
class FakeSyslog {
public:
    explicit FakeSyslog(const QString &path) : m_path(QFile::encodeName(path))
    {
        m_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, m_path.constData(), size_t(m_path.size()));
        m_bound = bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    }
    ~FakeSyslog() { close(m_fd); }
    bool bound() const { return m_bound; }
    // The next datagram, or empty when none is waiting.
    QByteArray receive()
    {
        QByteArray buffer(65536, Qt::Uninitialized);
        const ssize_t size = recv(m_fd, buffer.data(), size_t(buffer.size()), MSG_DONTWAIT);
        return size < 0 ? QByteArray() : buffer.left(size);
    }

private:
    QByteArray m_path;
    int m_fd = -1;
    bool m_bound = false;
};

class ThrowingSink : public JournalSink {
public:
    explicit ThrowingSink(bool throwNonStandard) : m_nonStandard(throwNonStandard) {}
    void write(const EventRecord &) override
    {
        if (m_nonStandard)
            throw 42;
        throw std::runtime_error("sink is broken");
    }

private:
    bool m_nonStandard;
};

EventRecord sampleRecord()
{
    EventRecord record;
    record.source = QStringLiteral("Tessal");
    record.type = 1;
    record.category = 7;
    record.eventId = 0x40000103;
    record.strings = {QStringLiteral("[admin]DataTessal.TDM.LoadAll"),
                      QStringLiteral("строка 1\r\nстрока \"2\"\t\\")};
    record.time = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89));
    record.processId = 4321;
    record.user = QStringLiteral("operator");
    record.program = QStringLiteral("TessalCert");
    return record;
}
} // namespace

TEST(ChildRole, Play)
{
    if (ChildRole().isEmpty())
        GTEST_SKIP() << "only run as a child";
    if (ChildRole() == QLatin1String("write"))
        writeRecords(ChildArgs().value(0));
    _exit(99);
}

TEST(JournalFile, OneRecordIsOneLineOfJson)
{
    const QByteArray line = JournalLine(sampleRecord());
    ASSERT_TRUE(line.endsWith('\n'));
    EXPECT_EQ(line.count('\n'), 1);
    EXPECT_EQ(line.count('\r'), 0);
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    EXPECT_EQ(object.value(QStringLiteral("eventId")).toString(), QStringLiteral("0x40000103"));
    EXPECT_EQ(object.value(QStringLiteral("type")).toInt(), 1);
    EXPECT_EQ(object.value(QStringLiteral("category")).toInt(), 7);
    EXPECT_EQ(object.value(QStringLiteral("source")).toString(), QStringLiteral("Tessal"));
    EXPECT_EQ(object.value(QStringLiteral("program")).toString(), QStringLiteral("TessalCert"));
    EXPECT_EQ(object.value(QStringLiteral("pid")).toInteger(), 4321);
    EXPECT_EQ(object.value(QStringLiteral("user")).toString(), QStringLiteral("operator"));
    EXPECT_TRUE(object.value(QStringLiteral("time")).toString().startsWith(QStringLiteral("2026-03-04T05:06:07.089")));
    EXPECT_EQ(object.value(QStringLiteral("strings")).toVariant().toStringList(), sampleRecord().strings);

    EventRecord empty = sampleRecord();
    empty.strings.clear();
    EXPECT_TRUE(QJsonDocument::fromJson(JournalLine(empty)).object().value(QStringLiteral("strings")).toArray().isEmpty());
}

TEST(JournalFile, TwoProcessesLeaveOnlyWholeLines)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(JournalFileName);
    auto first = StartChildRole(QStringLiteral("write"), {fileName});
    auto second = StartChildRole(QStringLiteral("write"), {fileName});
    const qint64 firstPid = first->processId(), secondPid = second->processId();
    ASSERT_TRUE(first->waitForFinished(60000));
    ASSERT_TRUE(second->waitForFinished(60000));
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(second->exitCode(), 0);

    bool allWhole = false;
    const QList<QJsonObject> records = readJournal(fileName, &allWhole);
    EXPECT_TRUE(allWhole);
    ASSERT_EQ(records.size(), 2 * RecordsPerWriter);
    QHash<qint64, int> nextIndex; // each writer's records arrive whole and in order
    for (const QJsonObject &record : records) {
        const qint64 pid = record.value(QStringLiteral("pid")).toInteger();
        const QStringList strings = record.value(QStringLiteral("strings")).toVariant().toStringList();
        ASSERT_EQ(strings.size(), 2);
        EXPECT_EQ(strings[0].toInt(), nextIndex[pid]++);
        EXPECT_EQ(strings[1].size(), 3000);
    }
    EXPECT_EQ(nextIndex.size(), 2);
    EXPECT_EQ(nextIndex.value(firstPid), RecordsPerWriter);
    EXPECT_EQ(nextIndex.value(secondPid), RecordsPerWriter);
}

TEST(JournalFile, FailingSinksNeverReachTheCaller)
{
    ScopedMemoryJournal memory;
    QTemporaryDir dir;
    auto unwritable = std::make_shared<JsonLinesJournalSink>(dir.filePath(QStringLiteral("missing/folder/journal.jsonl")));
    auto throwing = std::make_shared<ThrowingSink>(false);
    auto throwingOther = std::make_shared<ThrowingSink>(true);
    auto nowhere = std::make_shared<SyslogJournalSink>(dir.filePath(QStringLiteral("no-socket")));
    for (const auto &sink : std::initializer_list<std::shared_ptr<JournalSink>>{unwritable, throwing, throwingOther, nowhere})
        EventJournal::instance().addSink(sink);

    EXPECT_THROW(unwritable->write(sampleRecord()), std::exception);
    EXPECT_THROW(nowhere->write(sampleRecord()), std::exception);
    EXPECT_NO_THROW(ReportEventLog(QStringLiteral("Tessal"), 1, 7, {QStringLiteral("still here")}, 0x40000103));
    for (const auto &sink : std::initializer_list<std::shared_ptr<JournalSink>>{unwritable, throwing, throwingOther, nowhere})
        EventJournal::instance().removeSink(sink);

    const auto records = memory.sink().withId(0x40000103);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].strings, QStringList{QStringLiteral("still here")});
    EXPECT_EQ(records[0].processId, QCoreApplication::applicationPid());
    EXPECT_FALSE(records[0].program.isEmpty());
    EXPECT_FALSE(records[0].user.isEmpty());
}

TEST(Syslog, RecordGoesOutAsOneDatagram)
{
    QTemporaryDir dir;
    FakeSyslog daemon(dir.filePath(QStringLiteral("log")));
    ASSERT_TRUE(daemon.bound());
    struct Case { uint16_t type; const char *priority; };
    for (const Case c : {Case{1, "<11>"}, Case{2, "<12>"}, Case{4, "<14>"}, Case{16, "<13>"}}) {
        EventRecord record = sampleRecord();
        record.type = c.type;
        SyslogJournalSink(dir.filePath(QStringLiteral("log"))).write(record);
        const QByteArray datagram = daemon.receive();
        EXPECT_TRUE(datagram.startsWith(QByteArray(c.priority) + "Mar  4 05:06:07 TessalCert[4321]: ")) << datagram.constData();
        EXPECT_TRUE(datagram.endsWith(QStringLiteral("Tessal 0x40000103 category 7: [admin]DataTessal.TDM.LoadAll | "
                                                     "строка 1  строка \"2\" \\").toUtf8()))
            << datagram.constData();
    }
    EventRecord huge = sampleRecord();
    huge.strings = {QString(20000, QChar(0x0416))};
    SyslogJournalSink(dir.filePath(QStringLiteral("log"))).write(huge);
    const QByteArray datagram = daemon.receive();
    EXPECT_LE(datagram.size(), 8192);
    EXPECT_TRUE(QString::fromUtf8(datagram).endsWith(QChar(0x0416))) << "cut between characters, not inside one";
}

TEST(DefaultSinks, FileAlwaysAndSyslogWhenItsSocketExists)
{
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("log"));
    FakeSyslog daemon(socketPath);
    ASSERT_TRUE(daemon.bound());

    InstallDefaultJournalSinks(dir.path(), socketPath);
    InstallDefaultJournalSinks(dir.path(), socketPath); // again: replaces, does not double
    ReportEventLog(QStringLiteral("Tessal"), 4, 2, {QStringLiteral("first")}, 0x40000201);
    EXPECT_FALSE(daemon.receive().isEmpty());
    EXPECT_TRUE(daemon.receive().isEmpty());

    InstallDefaultJournalSinks(dir.path(), dir.filePath(QStringLiteral("no-socket")));
    ReportEventLog(QStringLiteral("Tessal"), 4, 2, {QStringLiteral("second")}, 0x40000207);
    EXPECT_TRUE(daemon.receive().isEmpty());
    RemoveDefaultJournalSinks();
    ReportEventLog(QStringLiteral("Tessal"), 4, 2, {QStringLiteral("third")}, 0x40000207);

    bool allWhole = false;
    const QList<QJsonObject> records = readJournal(dir.filePath(QStringLiteral("journal.jsonl")), &allWhole);
    EXPECT_TRUE(allWhole);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].value(QStringLiteral("eventId")).toString(), QStringLiteral("0x40000201"));
    EXPECT_EQ(records[1].value(QStringLiteral("strings")).toArray().at(0).toString(), QStringLiteral("second"));
}
