#include "AppError.h"
#include "CertificatePacket.h"
#include "DatabaseOptions.h"
#include "DatabaseSchema.h"
#include "DayNumbers.h"
#include "EventJournal.h"
#include "GGDateTime.h"
#include "ProgressSink.h"
#include "SqliteDatabase.h"
#include "StatusCounts.h"
#include "StoreTestSupport.h"
#include "TestSupport.h"
#include "WorkstationFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace {

const QDate Today15March2026(2026, 3, 15);
const qint64 D = DayNumberOf(Today15March2026);

// The BLOB columns of a table, which hold wide text.
QStringList BlobColumns(SqliteDatabase &db, const QString &table)
{
    SqliteStatement columns(db, "pragma table_info(" + table + ")");
    QStringList blobs;
    while (columns.step()) {
        if (columns.columnText(2).compare(QLatin1String("BLOB"), Qt::CaseInsensitive) == 0)
            blobs << columns.columnText(1);
    }
    return blobs;
}

// Inserts one row; texts of the BLOB columns are stored as UTF-16LE.
void Insert(SqliteDatabase &db, const QString &table, const QVariantMap &values)
{
    const QStringList blobs = BlobColumns(db, table);
    const QStringList columns = values.keys();
    SqliteStatement insert(db, "insert into " + table + " (" + columns.join(',') + ") values (:"
                                   + columns.join(",:") + ")");
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (blobs.contains(it.key()) && it.value().typeId() == QMetaType::QString)
            insert.bindWideBlob(it.key(), it.value().toString());
        else
            insert.bindValue(it.key(), it.value());
    }
    insert.execute();
}

// A certificate with what every packet needs; Values add or override columns.
QVariantMap Certificate(qint64 id, int status, qint64 lastDate, const QVariantMap &values = {})
{
    QVariantMap row{{"id", id},
                    {"status", status},
                    {"CertNo", id},
                    {"ReferenceNo", QStringLiteral("600700%1").arg(id, 4, 10, QLatin1Char('0'))},
                    {"Language", "ru"},
                    {"DateIssued", D},
                    {"Date11", D},
                    {"Date12", D},
                    {"pFilter", "TRUE"},
                    {"LastDate", lastDate},
                    {"actPresent14", 1}};
    for (int box = 1; box <= 12; ++box)
        row.insert(QStringLiteral("fSize") + QString::number(box), 9 + box);
    for (auto it = values.begin(); it != values.end(); ++it)
        row.insert(it.key(), it.value());
    return row;
}

QVariantMap Goods(qint64 idM, int order, const QString &title, const QString &unit, const QString &quantity)
{
    return {{"idM", idM},          {"dOrder", order},       {"d7Num", QString::number(order)},
            {"d8Description", title}, {"d9Count", QStringLiteral("10")}, {"d9Package", QStringLiteral("ящик")},
            {"d10Weight", unit},   {"d10Q", quantity}};
}

const QString LongCity = QString(150, QChar(u'Г'));
// A city whose 100th code unit is the first half of a surrogate pair.
const QString CityWithPairAtTheCut = QString(99, QChar(u'a')) + QStringLiteral("\U0001F600") + QString(10, QChar(u'b'));

// Certificates of day D (1 issued with an act, 2 waiting for its file, 3 a
// project, 4 status 12), one of day D + 1 (6) and a project of day D + 2 (7).
void FillCertificates(SqliteDatabase &db)
{
    Insert(db, "mcod",
           Certificate(1, 7, D,
                       {{"CertNo", 123},
                        {"ReferenceNo", "6007000123"},
                        {"BadDate", D},
                        {"goDuplicate", "6007000999"},
                        {"Expert", QStringLiteral("Ива\x01нов")},
                        {"BadExpert", QStringLiteral("Пет\x1Fров")},
                        {"Exporter", QStringLiteral("ООО \"Экспорт\"\r\nг. Москва")},
                        {"Sender", QStringLiteral("ООО <Отправитель>\r\nул. Тверская, 1")},
                        {"Importer", QStringLiteral("Importer & Co\r\nBerlin")},
                        {"Recipient", QStringLiteral("Получатель\tсклад")},
                        {"transport", QStringLiteral("Авто\x0Bмобиль")},
                        {"DovName", QStringLiteral("\x01\x02")},
                        {"City11", LongCity},
                        {"fileComment13", QStringLiteral("Скан\r\nдва листа")},
                        {"fileName13", QStringLiteral("скан&1.pdf")},
                        {"actPresent14", 0},
                        {"actDate14", D - 2},
                        {"actNumber14", QStringLiteral("Акт №\x01") + QStringLiteral("15")}}));
    Insert(db, "dcod", Goods(1, 1, QStringLiteral("Трубы стальные\r\nГОСТ 8732"), QStringLiteral("кг"), "1500"));
    Insert(db, "dcod", Goods(1, 2, QStringLiteral("typed &#xA; here"), QStringLiteral("т"), "2,5"));
    Insert(db, "mcod",
           Certificate(2, 5, D,
                       {{"CertNo", 12345678},
                        {"ReferenceNo", "6007345678"},
                        {"Exporter", QStringLiteral("literal &#xA; typed")},
                        {"City12", CityWithPairAtTheCut},
                        {"fSize5", QVariant()}}));
    Insert(db, "mcod", Certificate(3, 6, D));
    Insert(db, "dcod", Goods(3, 1, QStringLiteral("Проект"), QStringLiteral("кг"), "1"));
    Insert(db, "mcod", Certificate(4, 12, D));
    // Characters XML cannot hold: a non-character and half of a surrogate pair.
    const QString germany = QStringLiteral("Deutschland") + QChar(char16_t(0xFFFF)) + QChar(char16_t(0xDC00));
    Insert(db, "mcod", Certificate(6, 10, D + 1, {{"Language", "en"}, {"goTrue", "6007000001"}, {"Country12", germany}}));
    Insert(db, "dcod", Goods(6, 1, QStringLiteral("Steel pipes"), QStringLiteral("kg"), "7"));
    Insert(db, "mcod", Certificate(7, 6, D + 2));
}

MachineValues FixedMachine()
{
    MachineValues machine;
    machine.netVersion = QString();
    machine.programPath = QStringLiteral("/opt/R&D Tessal");
    machine.memory = QStringLiteral("15934");
    machine.driveCapacity = QStringLiteral("480000");
    machine.freeSpace = QStringLiteral("120000");
    machine.cpu = QStringLiteral("Intel(R) Xeon(R)\r\n4\r\n2400~MHz");
    machine.defaultBrowser = QStringLiteral("Firefox \"ESR\" <web>");
    machine.osVersion = QStringLiteral("Debian GNU/Linux 12 (bookworm)  6.1.0");
    return machine;
}

// Runs xmllint on the packet; its complaint, empty when the packet is well-formed.
QString XmlLintComplaint(const QByteArray &packet)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("packet.xml");
    WriteWholeFile(file, packet);
    QProcess lint;
    lint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), file});
    if (!lint.waitForFinished(30000))
        return QStringLiteral("xmllint did not run: ") + lint.errorString();
    if (lint.exitStatus() != QProcess::NormalExit || lint.exitCode() != 0)
        return QString::fromUtf8(lint.readAllStandardError()) + QStringLiteral(" (exit ")
            + QString::number(lint.exitCode()) + QLatin1Char(')');
    return QString();
}

class RecordingProgress : public ProgressSink {
public:
    void open() override { events << QStringLiteral("open"); }
    void setPermille(int permille) override { events << QString::number(permille); }
    void close() override { events << QStringLiteral("close"); }
    QStringList events;
};

class CertificatePacketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        App().StatusCounts = StatusCounters{4, 1, 2, 3};
        SetClock([] { return QDateTime(Today15March2026, QTime(9, 30)); });
        ASSERT_TRUE(dir.isValid());
        // Both programs' packets come from one workstation file (chamber 7,
        // workstation 3): TessalCert from what it applied at start, Restavo
        // from the file it read.
        WriteWholeFile(dir.filePath("i.cod"), Enciphered(WorkstationXml()));
        workstation = ReadWorkstationFile(dir.filePath("i.cod"));
        ApplyWorkstationFile(workstation);
        db.open(dir.filePath("Tessal.sqb"));
        for (const QString &statement : Schema::CertificateTables())
            db.exec(statement);
        db.exec(Schema::CreateOptions);
        DatabaseOptions(db).save(CommonUser, QStringLiteral("lastChange"), QStringLiteral("1234"));
        FillCertificates(db);
    }
    void TearDown() override
    {
        SetClock(nullptr);
        ResetAppState();
    }

    CertificatePacketWriter writer(CertificatePacketKind kind)
    {
        CertificatePacketHeading heading = kind == CertificatePacketKind::RestavoDay
            ? RestavoPacketHeading(db, QStringLiteral("1.4.1.7"), workstation)
            : TessalPacketHeading(db);
        heading.machine = FixedMachine();
        return CertificatePacketWriter(db, kind, heading);
    }
    QByteArray packet(CertificatePacketKind kind, qint64 day = 0) { return writer(kind).text(uint32_t(day)); }

    QTemporaryDir dir;
    WorkstationFile workstation;
    SqliteDatabase db;
    ScopedMemoryJournal journal;
};

struct GoldenCase {
    const char *name;
    CertificatePacketKind kind;
    qint64 day;
    const char *lastChange;
    const char *golden;
};

class GoldenPacket : public CertificatePacketTest, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(GoldenPacket, MatchesItsFileByteForByteAndIsWellFormed)
{
    const GoldenCase &c = GetParam();
    DatabaseOptions(db).save(CommonUser, QStringLiteral("lastChange"), QString::fromLatin1(c.lastChange));
    const QByteArray actual = packet(c.kind, c.day);
    const QByteArray expected = ReadWholeFile(FixturePath(QStringLiteral("packet/") + c.golden));
    if (actual != expected)
        WriteWholeFile(QDir::temp().filePath(QString::fromLatin1(c.golden) + ".actual"), actual);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(actual.toStdString(), expected.toStdString());
    EXPECT_EQ(XmlLintComplaint(actual).toStdString(), "");
    EXPECT_FALSE(actual.contains("&amp;#xA;"));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GoldenPacket,
    ::testing::Values(GoldenCase{"TessalDay", CertificatePacketKind::TessalDay, D, "1234", "tessal_day.xml"},
                      GoldenCase{"TessalFull", CertificatePacketKind::TessalFull, 0, "1234", "tessal_full.xml"},
                      GoldenCase{"RestavoDay", CertificatePacketKind::RestavoDay, D, "", "restavo_day.xml"}),
    [](const ::testing::TestParamInfo<GoldenCase> &info) { return std::string(info.param.name); });

std::string Attribute(const pugi::xml_node &node, const char *name)
{
    return node.attribute(name).as_string();
}

std::vector<std::string> Statuses(const pugi::xml_node &root)
{
    std::vector<std::string> statuses;
    for (pugi::xml_node row : root.children("row"))
        statuses.push_back(Attribute(row, "status"));
    return statuses;
}

TEST_F(CertificatePacketTest, ReadBackTheDayAndFullPacketsCarryWhatWasStored)
{
    pugi::xml_document day;
    pugi::xml_document full;
    ASSERT_TRUE(day.load_string(packet(CertificatePacketKind::TessalDay, D).constData()));
    ASSERT_TRUE(full.load_string(packet(CertificatePacketKind::TessalFull).constData()));
    const pugi::xml_node dayRoot = day.child("dataPacket");
    const pugi::xml_node fullRoot = full.child("dataPacket");

    EXPECT_EQ(Statuses(dayRoot), (std::vector<std::string>{"7", "5"}));
    EXPECT_EQ(Statuses(fullRoot), (std::vector<std::string>{"7", "5", "10"}));

    const pugi::xml_node arm = dayRoot.child("arm");
    EXPECT_EQ(Attribute(arm, "programPath"), "/opt/R&D Tessal");
    EXPECT_EQ(Attribute(arm, "cpu"), "Intel(R) Xeon(R) 4 2400~MHz");
    EXPECT_EQ(Attribute(arm, "defaultBrowser"), "Firefox \"ESR\" <web>");
    EXPECT_EQ(Attribute(arm, "lastKnownChange"), "1234");
    EXPECT_EQ(Attribute(arm, "stat7") + Attribute(arm, "stat8") + Attribute(arm, "stat9") + Attribute(arm, "stat10"),
              "4123");

    const pugi::xml_node dayFirst = dayRoot.child("row");
    const pugi::xml_node fullFirst = fullRoot.child("row");
    EXPECT_EQ(Attribute(dayFirst, "exporter"), "ООО \"Экспорт\"\r\nг. Москва");
    EXPECT_EQ(Attribute(fullFirst, "exporter"), "ООО \"Экспорт\"\nг. Москва");
    for (const pugi::xml_node &row : {dayFirst, fullFirst}) {
        EXPECT_EQ(Attribute(row, "sender"), "ООО <Отправитель>\nул. Тверская, 1");
        EXPECT_EQ(Attribute(row, "importer"), "Importer & Co\nBerlin");
        EXPECT_EQ(Attribute(row, "expert"), "Иванов");
        EXPECT_EQ(Attribute(row, "transport"), "Автомобиль");
        EXPECT_EQ(Attribute(row, "dovInfo"), "..");
        EXPECT_EQ(QString::fromStdString(Attribute(row, "dovCity")), LongCity.left(100));
        EXPECT_EQ(Attribute(row, "blankNo"), "0000123");
        EXPECT_EQ(Attribute(row, "actPresent"), "1");
        EXPECT_EQ(Attribute(row, "actNumber"), "Акт №15");
        EXPECT_EQ(Attribute(row.child("uGoodsList").last_child(), "title"), "typed \n here");
    }
    EXPECT_TRUE(dayFirst.attribute("fileName").empty());
    EXPECT_EQ(Attribute(fullFirst, "fileName"), "скан&1.pdf");

    const pugi::xml_node second = dayFirst.next_sibling("row");
    EXPECT_EQ(Attribute(second, "blankNo"), "2345678");
    EXPECT_EQ(Attribute(second, "exporter"), "literal \n typed");
    EXPECT_EQ(QString::fromStdString(Attribute(second, "declaratorCity")), CityWithPairAtTheCut.left(99));
    EXPECT_EQ(Attribute(second, "actPresent"), "0");
    EXPECT_TRUE(second.attribute("actDate").empty());
    EXPECT_TRUE(second.attribute("modified").empty());
    EXPECT_FALSE(second.attribute("fSize4").empty());
    EXPECT_TRUE(second.attribute("fSize5").empty());
    EXPECT_TRUE(second.attribute("fSize12").empty());
}

TEST_F(CertificatePacketTest, ADayOfProjectsOnlyGivesNoPacketAtAll)
{
    EXPECT_TRUE(packet(CertificatePacketKind::TessalDay, D + 2).isEmpty());
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_EQ(writer(CertificatePacketKind::RestavoDay).write(out, uint32_t(D + 2)), 0);
    EXPECT_TRUE(out.data().isEmpty());
}

TEST_F(CertificatePacketTest, FullPacketShowsItsProgressOverTheIdRange)
{
    RecordingProgress progress;
    CertificatePacketWriter full = writer(CertificatePacketKind::TessalFull);
    full.setProgress(&progress);
    int rowsAnnounced = 0;
    full.setBeforeEachRow([&] { ++rowsAnnounced; });
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_EQ(full.write(out), 3);
    // Rows 1, 2 and 6 of ids 1 to 7: the next id to visit per mille of 7.
    EXPECT_EQ(progress.events, QStringList({"open", "0", "285", "428", "1000", "close"}));
    EXPECT_GE(rowsAnnounced, 3);
}

TEST_F(CertificatePacketTest, FullPacketPassesOverAGapInTheIdsAtOnce)
{
    const qint64 farId = qint64(1) << 40;
    Insert(db, "mcod", Certificate(farId, 7, D));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_EQ(writer(CertificatePacketKind::TessalFull).write(out), 4);
    EXPECT_TRUE(out.data().contains("referenceNo=\"6007001099511627776\""));
}

struct FailureCase {
    const char *name;
    CertificatePacketKind kind;
    const char *update;
    const char *message;
    uint32_t journalId;
    const char *journalText;
};

class PacketFailure : public CertificatePacketTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PacketFailure, IsRecordedAndRaisedAndTheBuildEnds)
{
    const FailureCase &c = GetParam();
    db.exec(QString::fromUtf8(c.update));
    RecordingProgress progress;
    CertificatePacketWriter packetWriter = writer(c.kind);
    packetWriter.setProgress(&progress);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    try {
        packetWriter.write(out, uint32_t(D));
        FAIL() << "the packet was built";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message))) << e.what();
    }
    QStringList recorded;
    for (const EventRecord &record : journal.sink().withId(c.journalId))
        recorded << record.strings.join(QLatin1Char('|'));
    EXPECT_TRUE(recorded.join('\n').contains(QString::fromUtf8(c.journalText))) << recorded.join('\n').toStdString();
    EXPECT_TRUE(db.isOpen());
    if (c.kind == CertificatePacketKind::TessalFull) {
        EXPECT_EQ(recorded.filter(QStringLiteral("GetXMLData():MinId=1")).size(), 2);
        EXPECT_EQ(progress.events.last(), QStringLiteral("close"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PacketFailure,
    ::testing::Values(
        FailureCase{"DayWithoutDate11", CertificatePacketKind::TessalDay, "update mcod set Date11 = null where id = 2",
                    "Date11", EventId::ExceptionCaught, "Sync.TfSync.GetXMLData()"},
        FailureCase{"DayAct", CertificatePacketKind::TessalDay, "update mcod set actPresent14 = null where id = 1",
                    "ошибка оформления акта в xml", EventId::ExceptionCaught, "Sync.TfSync.GetXMLData()"},
        FailureCase{"FullActRetriedOnceThenFails", CertificatePacketKind::TessalFull,
                    "update mcod set actPresent14 = null where id = 1", "ошибка записи данных акта в xml",
                    EventId::ExceptionCaught, "Sync.TfSync.GetXMLData()|ошибка записи данных акта в xml"},
        FailureCase{"RestavoAct", CertificatePacketKind::RestavoDay,
                    "update mcod set actPresent14 = 'maybe' where id = 1", "error 18 (field 14 act)",
                    EventId::Diagnostic, "[TSim.GetXMLData] ошибка = error 18 (field 14 act)"},
        FailureCase{"RestavoGoodsLine", CertificatePacketKind::RestavoDay,
                    "update dcod set dOrder = 'first' where idM = 1 and d7Num = x'3100'",
                    " Вероятно не смогли затолкать строку в xml: first", EventId::Diagnostic,
                    "[TSim.GetXMLData] ошибка = "}),
    [](const ::testing::TestParamInfo<FailureCase> &info) { return std::string(info.param.name); });

TEST(StatusCounts, CountsTheFourStatusesTheStatisticsKeep)
{
    QTemporaryDir dir;
    SqliteDatabase db(dir.filePath("Tessal.sqb"));
    db.exec(Schema::CreateMcod);
    int id = 0;
    for (int status : {7, 7, 8, 9, 9, 9, 10, 6, 5, 12}) {
        ++id;
        Insert(db, "mcod", Certificate(id, status, D));
    }
    const StatusCounters counts = CountStatuses(db);
    EXPECT_EQ(counts.StatusCount7, 2);
    EXPECT_EQ(counts.StatusCount8, 1);
    EXPECT_EQ(counts.StatusCount9, 3);
    EXPECT_EQ(counts.StatusCount10, 1);

    App().StatusCounts = counts;
    ResetAppState();
    EXPECT_EQ(App().StatusCounts.StatusCount9, 0);
}

} // namespace
