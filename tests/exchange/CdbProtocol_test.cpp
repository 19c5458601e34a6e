// The protocol's pieces that both drivers share: identity, server paths,
// request forms, error answers, hello checks, version answers, messages.
#include "CdbRequests.h"
#include "CommonTessal.h"
#include "EventJournal.h"
#include "ServerAnswers.h"
#include "ggError.h"
#include "qlMsInternet.h"

#include <gtest/gtest.h>

namespace {
const QByteArray kIdentity = "tppn=42&plcn=7&tppk=K3y+/&pver=1.4.1.6";
}

TEST(CdbRequestForms, IdentityGoesInUnencoded)
{
    EXPECT_EQ(IdentityQuery(42, 7, "K3y+/ Ж"), QByteArray("tppn=42&plcn=7&tppk=K3y+/ ") + QStringLiteral("Ж").toUtf8()
                                                   + "&pver=1.4.1.6");
}

TEST(CdbRequestForms, ServerPathIsNormalised)
{
    struct Row { const char *name, *path, *normal; };
    const Row rows[] = {
        {"leading and trailing slash lose the trailing one", "/cdb/", "/cdb"},
        {"leading slash kept", "/cdb/sync", "/cdb/sync"},
        {"a first word before a slash is dropped", "sync/cdb", "/cdb"},
        {"a single word gets a leading slash", "cdb", "/cdb"},
        {"only one trailing slash goes", "/cdb//", "/cdb/"},
        {"a lone slash", "/", ""},
        {"empty", "", ""},
    };
    for (const Row &row : rows)
        EXPECT_EQ(NormaliseServerPath(row.path), QByteArray(row.normal)) << row.name;
}

TEST(CdbRequestForms, EveryRequestHasItsVerbPathAndBody)
{
    struct Row { const char *name; CdbRequest request; const char *verb, *path; QByteArray body; };
    const Row rows[] = {
        {"hello of the in-process synchronisation", CdbRequests::Hello("/base", kIdentity, true), "GET",
         "/base/sync/hello?tppn=42&plcn=7&tppk=K3y+/&pver=1.4.1.6", kIdentity},
        {"hello without query", CdbRequests::Hello("", kIdentity, false), "GET", "/sync/hello", kIdentity},
        {"workstation file", CdbRequests::WorkstationFile("/cdb", kIdentity), "GET",
         "/cdb/icod?tppn=42&plcn=7&tppk=K3y+/&pver=1.4.1.6", kIdentity},
        {"versions", CdbRequests::Versions("/cdb", kIdentity), "GET", "/cdb/version?tppn=42&plcn=7&tppk=K3y+/&pver=1.4.1.6",
         kIdentity},
        {"changes", CdbRequests::Changes("/cdb", kIdentity, "17"), "GET",
         "/cdb/changes?tppn=42&plcn=7&tppk=K3y+/&pver=1.4.1.6&lastKnownChange=17", kIdentity},
        {"changes with no change known", CdbRequests::Changes("", kIdentity, ""), "GET",
         "/changes?tppn=42&plcn=7&tppk=K3y+/&pver=1.4.1.6&lastKnownChange=0", kIdentity},
        {"one day posted", CdbRequests::SaveDay("/cdb", kIdentity, "<a b=\"1 2\"/>"), "POST", "/cdb/save",
         kIdentity + "&certBody=%3Ca+b%3D%221+2%22%2F%3E"},
        {"restore", CdbRequests::Restore("/cdb", kIdentity), "GET", "/cdb/restore?tppn=42&plcn=7&tppk=K3y+/&pver=1.4.1.6",
         kIdentity},
        {"upload", CdbRequests::Upload("/cdb"), "POST", "/cdb/upload", QByteArray()},
        {"update file", CdbRequests::UpdateFile("/files/support.zip", kIdentity), "GET", "/files/support.zip", kIdentity},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(row.request.verb, QString::fromLatin1(row.verb)) << row.name;
        EXPECT_EQ(row.request.path, QString::fromUtf8(row.path)) << row.name;
        EXPECT_EQ(row.request.body, row.body) << row.name;
    }
}

TEST(ServerAnswers, ErrorAnswer)
{
    struct Row { const char *name, *answer, *message; };
    const Row rows[] = {
        {"authfailed with message", "<dataPacket name=\"authfailed\"><message>Ключ неверен</message></dataPacket>",
         "Ключ неверен"},
        {"authfailed without message", "<dataPacket name=\"authfailed\"/>", " "},
        {"authfailed with an empty message", "<dataPacket name=\"authfailed\"><message/></dataPacket>", " "},
        {"another name", "<dataPacket name=\"ok\"><message>x</message></dataPacket>", ""},
        {"no name", "<dataPacket><message>x</message></dataPacket>", ""},
        {"another root", "<answer name=\"authfailed\"><message>x</message></answer>", ""},
        {"root name compared by case", "<DataPacket name=\"authfailed\"><message>x</message></DataPacket>", ""},
    };
    for (const Row &row : rows)
        EXPECT_EQ(GetErrorFromServer(QString::fromUtf8(row.answer)), QString::fromUtf8(row.message)) << row.name;
    EXPECT_THROW(GetErrorFromServer(QStringLiteral("<html>")), AppError);
    EXPECT_THROW(GetErrorFromServer(QString()), AppError);
    EXPECT_EQ(ErrorInBinaryAnswer(QByteArray("\x01\xff\x00z", 4)), QString());
    EXPECT_EQ(ErrorInBinaryAnswer("<dataPacket name=\"authfailed\"/>"), QStringLiteral(" "));
}

TEST(ServerAnswers, MessageLineBreaks)
{
    struct Row { const char *name, *text, *normal; };
    const Row rows[] = {
        {"doubled LF collapses, CR LF kept", "a\n\nb\r\nc", "a\r\nb\r\nc"},
        {"lone LF", "a\nb", "a\r\nb"},
        {"lone CR", "a\rb", "a\r\nb"},
        {"no break", "abc", "abc"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(NormaliseMessageLineBreaks(QString::fromLatin1(row.text)), QString::fromLatin1(row.normal)) << row.name;
}

TEST(ServerAnswers, HelloChecksRecordWithTheCallersTexts)
{
    const QString location = QStringLiteral("Sync.TfSync.aStartExecute");
    struct Row {
        const char *name;
        const char *answer;
        bool serverChoice;        // FindCdbServer's texts, else LoadNewICod's
        uint32_t eventId;         // 0: accepted
        QStringList strings;      // after Location; "@" stands for the answer
        const char *failure;
    };
    const QString hello = QStringLiteral("\"hello\"");
    const QString wanted = QStringLiteral("exchangeProtocol version=\"2\"");
    const Row rows[] = {
        {"not XML", "<hello", false, 0x40007500, {QStringLiteral("\"hello\". Невнятный ответ сервера: "), "@"},
         "Дефектный ответ на hello"},
        {"no node, workstation file", "<hello/>", false, 0x40006500, {hello + "exchangeProtocol", "@"},
         "Узел exchangeProtocol не найден"},
        {"no node, server choice", "<hello/>", true, 0x40006500, {hello, "exchangeProtocol"},
         "Узел exchangeProtocol не найден"},
        {"node below the root does not count", "<hello><x><exchangeProtocol version=\"2\"/></x></hello>", true,
         0x40006500, {hello, "exchangeProtocol"}, "Узел exchangeProtocol не найден"},
        {"no version", "<hello><exchangeProtocol/></hello>", false, 0x40006501, {hello, wanted},
         "Отсутствует версия протокола"},
        {"version x", "<hello><exchangeProtocol version=\"x\"/></hello>", true, 0x40006501, {hello, wanted},
         "Отсутствует версия протокола"},
        {"version 3", "<hello><exchangeProtocol version=\"3\"/></hello>", false, 0x40006502, {hello, wanted, "3"},
         "Версия протокола 3,а нужно только вторая"},
        {"version 2", "<hello><exchangeProtocol version=\"2\"/></hello>", true, 0, {}, ""},
    };
    for (const Row &row : rows) {
        ScopedMemoryJournal journal;
        const QString answer = QString::fromUtf8(row.answer);
        const HelloRecords records = row.serverChoice ? HelloRecords::withNodeName(location, answer)
                                                      : HelloRecords::withAnswer(location, answer);
        QString failure;
        try {
            CheckHelloAnswer(answer, records);
        } catch (const AppError &e) {
            failure = e.message();
        }
        EXPECT_EQ(failure, QString::fromUtf8(row.failure)) << row.name;
        const QList<EventRecord> written = journal.sink().records();
        if (row.eventId == 0) {
            EXPECT_TRUE(written.isEmpty()) << row.name;
            continue;
        }
        ASSERT_EQ(written.size(), 1) << row.name;
        QStringList strings {location};
        for (const QString &s : row.strings)
            strings << (s == "@" ? answer : s);
        EXPECT_EQ(written[0].eventId, row.eventId) << row.name;
        EXPECT_EQ(written[0].type, 1) << row.name;
        EXPECT_EQ(written[0].category, 2) << row.name;
        EXPECT_EQ(written[0].strings, strings) << row.name;
    }
}

TEST(ServerAnswers, HelloAnswerListsMessagesAndServersOfTheRootOnly)
{
    const HelloAnswer hello = CheckHelloAnswer(
        QStringLiteral("<hello><message>a\n\nb</message><exchangeProtocol version=\"2\"/>"
                       "<cdb host=\"one\" port=\"443\" path=\"/cdb/\"/><x><message>hidden</message><cdb host=\"no\"/></x>"
                       "<sim host=\"zuv\" path=\"ws/z.asmx\" port=\"8443\"/><cdb host=\"two\" port=\"8443\" path=\"c\"/>"
                       "<message>c</message></hello>"),
        HelloRecords::withNodeName(QStringLiteral("L"), QString()));
    EXPECT_EQ(hello.messages, (QStringList {"a\r\nb", "c"}));
    ASSERT_EQ(hello.cdb.size(), 2);
    EXPECT_EQ(hello.cdb[0].host, "one");
    EXPECT_EQ(hello.cdb[1].path, "c");
    ASSERT_EQ(hello.sim.size(), 1);
    EXPECT_EQ(hello.sim[0].port, "8443");
}

TEST(ServerAnswers, CdbServerPortIsReadStrictly)
{
    struct Row { const char *name, *port; int used; };
    const Row rows[] = {
        {"plain", "8443", 8443}, {"lowest", "1", 1}, {"highest", "65535", 65535}, {"zero", "0", 0},
        {"too high", "65536", 0}, {"negative", "-443", 0}, {"trailing text", "443x", 0}, {"blank", " 443", 0},
        {"empty", "", 0},
    };
    for (const Row &row : rows) {
        THttpsConnection c;
        c.Port = 0;
        if (row.used) {
            EXPECT_EQ(UseCdbServer(c, {"cdb.example", row.port, "sync/cdb/"}), QByteArray("/cdb")) << row.name;
            EXPECT_EQ(c.ServerName(), QStringLiteral("cdb.example")) << row.name;
        } else {
            EXPECT_THROW(UseCdbServer(c, {"cdb.example", row.port, "/cdb"}), AppError) << row.name;
        }
        EXPECT_EQ(c.Port, row.used) << row.name;
    }
    THttpsConnection c;
    EXPECT_THROW(UseCdbServer(c, {"cdb.example:443", "443", "/cdb"}), AppError);
}

TEST(ServerAnswers, VersionAnswer)
{
    const VersionAnswer full = ReadVersionAnswer(QStringLiteral(
        "<v><certificate><lastdate>01.02.2010</lastdate></certificate><versions>"
        "<version name=\"program\" url=\"/u/p.zip\" version=\"1.4.1.7\"/><other/>"
        "<version name=\"support\" url=\"/u/s.zip\" version=\"3\"/></versions></v>"));
    EXPECT_TRUE(full.hasCertificate);
    EXPECT_EQ(full.lastDate, QStringLiteral("01.02.2010"));
    EXPECT_TRUE(full.hasVersions);
    ASSERT_EQ(full.versions.size(), 2);
    EXPECT_EQ(full.versions[0].name, "program");
    EXPECT_EQ(full.versions[0].url, "/u/p.zip");
    EXPECT_EQ(full.versions[1].version, "3");

    const VersionAnswer empty = ReadVersionAnswer(QStringLiteral("<v><certificate/></v>"));
    EXPECT_TRUE(empty.hasCertificate);
    EXPECT_TRUE(empty.lastDate.isEmpty());
    EXPECT_FALSE(empty.hasVersions);
    EXPECT_FALSE(ReadVersionAnswer(QStringLiteral("<v/>")).hasCertificate);
    EXPECT_THROW(ReadVersionAnswer(QStringLiteral("not xml")), AppError);
}

TEST(ServerAnswers, UpdateItemGoesThereAndBack)
{
    const OfferedVersion offered {"restorator", "/files/r.zip", "12"};
    EXPECT_EQ(UpdateItemText(offered), QByteArray("restorator%/files/r.zip*12"));
    struct Row { const char *name, *item, *itemName, *url, *version; };
    const Row rows[] = {
        {"whole", "program%/u/p.zip*1.4.1.7", "program", "/u/p.zip", "1.4.1.7"},
        {"only the first marks count", "support%/u/a%b*c.zip*3", "support", "/u/a%b", "c.zip*3"},
        {"no star", "support%/u/s.zip", "support", "", ""},
        {"no percent", "support/u/s.zip*3", "", "", "3"},
    };
    for (const Row &row : rows) {
        const OfferedVersion read = ReadUpdateItem(row.item);
        EXPECT_EQ(read.name, QByteArray(row.itemName)) << row.name;
        EXPECT_EQ(read.url, QByteArray(row.url)) << row.name;
        EXPECT_EQ(read.version, QByteArray(row.version)) << row.name;
    }
}
