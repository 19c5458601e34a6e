// Restavo's fetching operations, run by the real program as the workstation
// starts it, against fake central database servers on 127.0.0.1.
#include "FakeCentralServer.h"
#include "RestavoWorkstation.h"
#include "ReplyWaiter.h"
#include "RestavoCommand.h"
#include "ScopedEnvironment.h"
#include "TestSupport.h"
#include "obDCPcrypt.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

namespace {
using namespace restavo_run;

const QByteArray kIdentity = "tppn=7&plcn=3&tppk=" + kKey + "&pver=1.4.1.6";
const QByteArray kAuthFailed = "<dataPacket name=\"authfailed\"><message>Ключ неверен</message></dataPacket>";
const QByteArray kOrbanetAgent = "agent of the Orbanet";

// A hello answer listing servers on these ports of 127.0.0.1, in order.
QByteArray HelloListing(const QList<int> &ports, const QByteArray &protocol = "version=\"2\"")
{
    QByteArray hello = "<hello><exchangeProtocol " + protocol + "/>";
    for (const int port : ports)
        hello += "<cdb host=\"127.0.0.1\" port=\"" + QByteArray::number(port) + "\" path=\"sync/cdb/\"/>";
    return hello + "</hello>";
}

// What a server does in one scenario.
enum class Serves { Answer, AuthFailed, Garbage, NotFound, ClosedPort };

// A server that serves Body under Path in the given way; Port() is where to ask.
struct ScenarioServer {
    FakeCentralServer server;
    int closedPort = 0;
    Serves serves;

    ScenarioServer(Serves how, const QByteArray &path, const FakeAnswer &answer) : serves(how)
    {
        switch (how) {
        case Serves::Answer: server.addRoute("GET", path, answer); break;
        case Serves::AuthFailed: server.addRoute("GET", path, FakeAnswer::text(kAuthFailed)); break;
        case Serves::Garbage: server.addRoute("GET", path, FakeAnswer::data("\x01\x02 не xml \xff")); break;
        case Serves::NotFound: break; // the fake answers 404 to what it has no route for
        case Serves::ClosedPort: closedPort = ClosedLoopbackPort(); break;
        }
    }
    int port() const { return serves == Serves::ClosedPort ? closedPort : server.port(); }
    std::optional<FakeRequest> request() const
    {
        const QList<FakeRequest> all = server.requests();
        return all.isEmpty() ? std::nullopt : std::optional(all.front());
    }
};

const char *const kRequestFailed = "0x40007500";

// Records without their last string (the answer, or the error text).
QStringList RecordHeads(const QStringList &records)
{
    QStringList heads;
    for (const QString &r : records)
        heads << r.section(QStringLiteral(" | "), 0, 1);
    return heads;
}
const char *const kDiagnostic = "0x40000101";

// The operation's failure record.
void ExpectFailureRecord(const Workstation &ws)
{
    const QString record = ws.records(kDiagnostic).value(0);
    EXPECT_TRUE(record.startsWith(QStringLiteral("1,4: ошибка = "))) << record.toStdString();
}

} // namespace

TEST(RestavoFetching, HelloWritesWhateverTheEntryServerAnswered)
{
    const QByteArray hello = HelloListing({443});
    struct Case {
        const char *name;
        int operation;
        Serves serves;
        qint32 result;
        std::optional<QByteArray> helloFile;
    };
    const Case cases[] = {
        {"op 2", 2, Serves::Answer, 0, hello},
        {"op 3", 3, Serves::Answer, 0, hello},
        {"op 5", 5, Serves::Answer, 0, hello},
        {"authfailed is the caller's to read", 2, Serves::AuthFailed, 0, kAuthFailed},
        {"garbage is the caller's to read", 2, Serves::Garbage, 0, QByteArray()},
        {"404", 2, Serves::NotFound, -1, std::nullopt},
        {"closed port", 2, Serves::ClosedPort, -1, std::nullopt},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        const ScenarioServer entry(k.serves, "/base/sync/hello", FakeAnswer::text(hello));
        const Workstation ws(entry.port());
        EXPECT_EQ(ws.run(k.operation, {RestavoArgument::text("1.4.1.6")}), (Message {kReply, k.result, 2}));
        EXPECT_EQ(ws.exists("hello.xml"), k.helloFile.has_value());
        if (k.helloFile)
            EXPECT_EQ(ws.read("hello.xml"), *k.helloFile);
        if (k.result == -1)
            ExpectFailureRecord(ws);
        if (const std::optional<FakeRequest> asked = entry.request()) {
            EXPECT_EQ(asked->target, "/base/sync/hello"); // the identity travels in the body only
            EXPECT_EQ(asked->body, kIdentity);
            EXPECT_EQ(asked->header("User-Agent"), "Certificate Of Origin");
        }
    }
}

TEST(RestavoFetching, WorkstationFileComesFromTheServerAskedFor)
{
    struct Case {
        const char *name;
        Serves serves;
        qint32 n;
        qint32 result;
        bool replaced;
        QStringList failures; // 0x40007500 records
    };
    const Case cases[] = {
        {"second of three", Serves::Answer, 2, -1, true, {}},
        {"N = 0", Serves::Answer, 0, -2, false, {}},
        {"past the end", Serves::Answer, 4, -2, false, {}},
        {"authfailed", Serves::AuthFailed, 2, 2, false, {"1,2: TSim.ExecuteCod | \"icod\". ответ сервера: "}},
        {"garbage", Serves::Garbage, 2, 2, false, {}},
        {"404", Serves::NotFound, 2, 2, false, {"1,2: TSim.ExecuteCod | /icod (Syn.SendHttpsRequest)"}},
        {"closed port", Serves::ClosedPort, 2, 2, false, {"1,2: TSim.ExecuteCod | /icod (Syn.SendHttpsRequest)"}},
    };
    const QByteArray delivered = WorkstationFileOf(5, 443);
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        FakeCentralServer first, third;
        const ScenarioServer second(k.serves, "/cdb/icod", FakeAnswer::data(delivered));
        const Workstation ws(443);
        ws.write("hello.xml", HelloListing({first.port(), second.port(), third.port()}));
        EXPECT_EQ(ws.run(4, {RestavoArgument::number(k.n), RestavoArgument::text("1.4.1.6")}),
                  (Message {kReply, k.result, 2}));
        EXPECT_EQ(ws.read("i.cod"), k.replaced ? delivered : ws.icod);
        EXPECT_EQ(RecordHeads(ws.records(kRequestFailed)), k.failures);
        if (k.serves == Serves::Garbage)
            ExpectFailureRecord(ws);
        EXPECT_TRUE(first.requests().isEmpty());
        EXPECT_TRUE(third.requests().isEmpty());
        if (const std::optional<FakeRequest> asked = second.request()) {
            EXPECT_EQ(asked->target, "/cdb/icod?" + kIdentity);
            EXPECT_EQ(asked->body, kIdentity);
            EXPECT_EQ(asked->header("User-Agent"), kOrbanetAgent);
        }
    }
}

TEST(RestavoFetching, WorkstationFileAndVersionsNeedAHelloOfProtocolTwo)
{
    struct Case {
        const char *name;
        QByteArray protocol;
        const char *eventId;
        QString failure;
    };
    const Case cases[] = {
        {"version 3", "version=\"3\"", "0x40006502", "1,4: ошибка = Версия протокола 3,а нужно только вторая"},
        {"no version", "", "0x40006501", "1,4: ошибка = Отсутствует версия протокола"},
    };
    for (const Case &k : cases) {
        for (const int operation : {4, 6}) {
            SCOPED_TRACE(std::string(k.name) + " op " + std::to_string(operation));
            FakeCentralServer server;
            const Workstation ws(443);
            ws.write("hello.xml", HelloListing({server.port()}, k.protocol));
            EXPECT_EQ(ws.run(operation, {RestavoArgument::number(1), RestavoArgument::text("1.4.1.6")}),
                      (Message {kReply, -2, 2}));
            EXPECT_EQ(ws.records(k.eventId).size(), 1);
            EXPECT_EQ(ws.records(kDiagnostic), QStringList {k.failure});
            EXPECT_TRUE(server.requests().isEmpty());
            EXPECT_FALSE(ws.exists("params.txt"));
        }
    }
}

TEST(RestavoFetching, VersionsFixTheServerOfTheChainBeforeAskingIt)
{
    const QByteArray versions = "<v><certificate><lastdate>01.02.2026</lastdate></certificate></v>";
    struct Case {
        const char *name;
        Serves serves;
        qint32 result;
        std::optional<QByteArray> versionFile;
        QString failure;
    };
    const Case cases[] = {
        {"answer", Serves::Answer, -1, versions, {}},
        {"authfailed", Serves::AuthFailed, 1, std::nullopt, "1,2: TSim.ExecuteVersion | \"version\". ответ сервера: "},
        // not the worker's to examine: the starter reads version.xml
        {"garbage", Serves::Garbage, -1, QByteArray(), {}},
        {"404", Serves::NotFound, 1, std::nullopt, "1,2: TSim.ExecuteVersion | /version (Syn.SendHttpsRequest)"},
        {"closed port", Serves::ClosedPort, 1, std::nullopt, "1,2: TSim.ExecuteVersion | /version (Syn.SendHttpsRequest)"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        const ScenarioServer server(k.serves, "/cdb/version", FakeAnswer::text(versions));
        const Workstation ws(443);
        ws.write("hello.xml", HelloListing({server.port()}));
        EXPECT_EQ(ws.run(6, {RestavoArgument::number(1), RestavoArgument::text("1.4.1.6")}),
                  (Message {kReply, k.result, 2}));
        EXPECT_EQ(ws.read("params.txt"), "127.0.0.1," + QByteArray::number(server.port()) + ",sync/cdb/");
        EXPECT_EQ(ws.exists("version.xml"), k.versionFile.has_value());
        if (k.versionFile)
            EXPECT_EQ(ws.read("version.xml"), *k.versionFile);
        EXPECT_EQ(RecordHeads(ws.records(kRequestFailed)), k.failure.isEmpty() ? QStringList() : QStringList {k.failure});
        if (const std::optional<FakeRequest> asked = server.request()) {
            EXPECT_EQ(asked->target, "/cdb/version?" + kIdentity);
            EXPECT_EQ(asked->header("User-Agent"), kOrbanetAgent);
        }
    }
}

TEST(RestavoFetching, ChangesAfterTheLastKnownOneFromTheServerOfTheChain)
{
    const QByteArray changes = "<c><changes><certificate-change id=\"16\"/></changes></c>";
    struct Case {
        const char *name;
        Serves serves;
        qint32 result;
        bool changeFile;
        QString lastRecord; // the last 0x40000101 record
    };
    const Case cases[] = {
        {"answer", Serves::Answer, 0, true, "8,4: [TSim.ExecuteChange] changes.xml = " + QString::fromUtf8(changes)},
        {"authfailed", Serves::AuthFailed, -1, false,
         "8,4: [TSim.ExecuteChange] changes.xml = " + QString::fromUtf8(kAuthFailed)},
        {"garbage", Serves::Garbage, -1, false, "1,4: ошибка = TSim.ExecuteChange:"},
        {"404", Serves::NotFound, -1, false, "8,4: [TSim.ExecuteChange] params.txt = "},
        {"closed port", Serves::ClosedPort, -1, false, "8,4: [TSim.ExecuteChange] params.txt = "},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        const ScenarioServer server(k.serves, "/cdb/changes", FakeAnswer::text(changes));
        const Workstation ws(443);
        const QByteArray params = "127.0.0.1," + QByteArray::number(server.port()) + ",sync/cdb/";
        ws.write("params.txt", params);
        EXPECT_EQ(ws.run(7, {RestavoArgument::number(15), RestavoArgument::text("1.4.1.6")}),
                  (Message {kReply, k.result, 2}));
        EXPECT_EQ(ws.exists("change.xml"), k.changeFile);
        if (k.changeFile)
            EXPECT_EQ(ws.read("change.xml"), changes);
        const QStringList diagnostics = ws.records(kDiagnostic);
        ASSERT_GE(diagnostics.size(), 2);
        EXPECT_EQ(diagnostics[0], "8,4: [TSim.ExecuteChange] Вошли с LastChange = 15");
        EXPECT_EQ(diagnostics[1], "8,4: [TSim.ExecuteChange] params.txt = " + QString::fromUtf8(params));
        EXPECT_TRUE(diagnostics.last().startsWith(k.lastRecord)) << diagnostics.last().toStdString();
        if (const std::optional<FakeRequest> asked = server.request()) {
            EXPECT_EQ(asked->target, "/cdb/changes?" + kIdentity + "&lastKnownChange=15");
            EXPECT_EQ(asked->header("User-Agent"), kOrbanetAgent);
        }
    }
}

TEST(RestavoFetching, ChangesWithoutAServerOfTheChainFail)
{
    const Workstation ws(443);
    EXPECT_EQ(ws.run(7, {RestavoArgument::number(15), RestavoArgument::text("1.4.1.6")}), (Message {kReply, -1, 2}));
    EXPECT_FALSE(ws.exists("change.xml"));
    ws.write("params.txt", "127.0.0.1,port,sync/cdb/");
    EXPECT_EQ(ws.run(7, {RestavoArgument::number(15), RestavoArgument::text("1.4.1.6")}), (Message {kReply, -1, 2}));
}

TEST(RestavoFetching, RestoreWithoutAScreenAnswersAndSavesNothing)
{
    const QByteArray zip = QByteArray("PK\x03\x04", 4) + QByteArray(70000, 'z');
    struct Case {
        const char *name;
        Serves serves;
        FakeAnswer answer;
        qint32 result;
        QStringList failures; // 0x40007500 records without their last string, then the failure record
        QByteArray chamberKey = kKey;
    };
    const Case cases[] = {
        {"answer: the dialog answers Cancel", Serves::Answer, FakeAnswer::data(zip), 0, {}},
        // The built-in key is never a chamber's: refused before the operator is asked.
        {"a workstation file without a chamber key", Serves::Answer, FakeAnswer::data(zip), -1,
         {"1,4: [TSim.ExecuteRestore] ошибка = В файле i.cod нет ключа палаты"}, ""},
        // not examined: offered for saving as it came
        {"garbage", Serves::Garbage, {}, 0, {}},
        {"empty answer", Serves::Answer, FakeAnswer::data({}), -1,
         {"1,4: [TSim.ExecuteRestore] ошибка = получен пустой файл"}},
        {"authfailed", Serves::AuthFailed, {}, -1, {"1,2: TSim.ExecuteRestore | \"restore\". ответ сервера: "}},
        {"404", Serves::NotFound, {}, -1, {"1,2: TSim.ExecuteRestore | /restore (Syn.SendHttpsRequest)"}},
        {"closed port", Serves::ClosedPort, {}, -1, {"1,2: TSim.ExecuteRestore | /restore (Syn.SendHttpsRequest)"}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        const ScenarioServer server(k.serves, "/cdb/restore", k.answer);
        const Workstation ws(443);
        ws.write("i.cod", WorkstationFileOf(3, 443, "TessalForm", 7, k.chamberKey));
        const QByteArray params = "127.0.0.1," + QByteArray::number(server.port()) + ",sync/cdb/";
        ws.write("params.txt", params);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(ws.run(10, {RestavoArgument::text("1.4.1.6")}), (Message {kReply, k.result, 2}));
        EXPECT_LT(clock.elapsed(), 20000);
        EXPECT_TRUE(QDir(ws.home.filePath("DownLoad")).isEmpty());
        const QStringList diagnostics = ws.records(kDiagnostic);
        EXPECT_EQ(diagnostics.value(0), "8,4: [TSim.ExecuteRestore] params.txt = " + QString::fromUtf8(params));
        EXPECT_EQ(RecordHeads(ws.records(kRequestFailed)) + diagnostics.mid(1), k.failures);
        if (const std::optional<FakeRequest> asked = server.request()) {
            EXPECT_EQ(asked->target, "/cdb/restore?tppn=7&plcn=3&tppk=" + k.chamberKey + "&pver=1.4.1.6");
            EXPECT_EQ(asked->header("User-Agent"), kOrbanetAgent);
        }
    }
}

TEST(RestavoFetching, WorkerThatCannotReadTheWorkstationFileGetsTheFailureReply)
{
    struct Case {
        const char *name;
        std::optional<QByteArray> icod;
    };
    const Case cases[] = {
        {"no i.cod", std::nullopt},
        {"another program's", WorkstationFileOf(3, 443, "OtherForm")},
        {"not enciphered with the built-in key", "<icod Name=\"i.cod\"/>"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        const Workstation ws(443);
        QFile::remove(ws.file("i.cod"));
        if (k.icod)
            ws.write("i.cod", *k.icod);
        for (const int operation : {2, 4, 10})
            EXPECT_EQ(ws.run(operation, {RestavoArgument::number(1), RestavoArgument::text("1.4.1.6")}),
                      (Message {kReply, 0, 1}));
    }
}
