// The data module's server steps against fake central database servers on
// loopback: a new workstation file and the choice of the server.
#include "CdbExchange.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "EventJournal.h"
#include "FakeCentralServer.h"
#include "Prompter.h"
#include "TestSupport.h"
#include "ggDebug.h"
#include "ggError.h"
#include "obDCPcrypt.h"
#include "qlMsInternet.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QByteArray kIdentity = "tppn=7&plcn=3&tppk=Key&pver=1.4.1.6";
const QString kLocation = QStringLiteral("Sync.TfSync.aStartExecute");

QByteArray WorkstationFileOf(int workstation)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><icod Name=\"i.cod\" Ver=\"3\"><for>TessalForm</for>"
                     "<dovNumber>7</dovNumber><NumLocale>"
        + QByteArray::number(workstation)
        + "</NumLocale><dovKey>Key</dovKey><adr>https://entry.example/base</adr><port>443</port>"
          "<usersOld>True</usersOld><L><Lang LangSymb=\"ru\" dovName=\"ТПП\" dovCity=\"Город\"/></L></icod>";
    EncryptStream(xml);
    return xml;
}

// A hello answer listing servers on these ports of 127.0.0.1, in order.
QByteArray Hello(const QList<int> &ports, const QByteArray &extra = {})
{
    QByteArray hello = "<hello><exchangeProtocol version=\"2\"/>" + extra;
    for (const int port : ports)
        hello += "<cdb host=\"127.0.0.1\" port=\"" + QByteArray::number(port) + "\" path=\"sync/cdb/\"/>";
    return hello + "</hello>";
}

FakeAnswer Status(int status, const QByteArray &body)
{
    FakeAnswer answer = FakeAnswer::text(body, "text/html");
    answer.status = status;
    answer.reason = status == 200 ? "OK" : "Not Found";
    return answer;
}

const QByteArray kAuthFailed = "<dataPacket name=\"authfailed\"><message>Ключ неверен</message></dataPacket>";

struct ServerSteps : ::testing::Test {
    QTemporaryDir home;
    ScopedScriptedPrompter prompts;
    ScopedMemoryJournal journal;
    std::unique_ptr<TDM> dm;
    THttpsConnection connection;
    QStringList memo;
    MemoLine memoLine = [this](const QString &line) { memo << line; };
    QByteArray oldFile = WorkstationFileOf(1);

    void SetUp() override
    {
        ResetAppState();
        SetCdbRequestPauseMs(0);
        qputenv("TESSAL_CERT_DIR", TestPki::instance().makeStore({}).toLocal8Bit());
        QDir().mkpath(home.filePath("data"));
        WriteWholeFile(icod(), oldFile);
        dm = std::make_unique<TDM>(home.path());
        ASSERT_FALSE(App().StopFlag);
        connection.ExtraCaFile = TestPki::instance().caFile;
        connection.Agent = QStringLiteral("Certificate Of Origin");
        connection.CertificateSubject = QStringLiteral("Certificate of origin");
        journal.sink().clear();
    }
    void TearDown() override
    {
        App().StopFlag = true; // nothing to save
        dm.reset();
        qunsetenv("TESSAL_CERT_DIR");
        ResetAppState();
    }
    QString icod() const { return home.filePath("data/i.cod"); }
    QString loadNewICod(const QByteArray &hello, const MemoLine &memo)
    {
        try {
            dm->LoadNewICod(connection, kIdentity, QString::fromUtf8(hello), memo, kLocation);
        } catch (const AppError &e) {
            return e.message();
        }
        return QString();
    }
    QStringList records(uint32_t eventId)
    {
        QStringList all;
        for (const EventRecord &r : journal.sink().withId(eventId))
            all << QString::number(r.type) + "," + QString::number(r.category) + ": " + r.strings.join(" | ");
        return all;
    }
};

QString SendFailed(const char *request, uint32_t code)
{
    return QStringLiteral("1,2: Sync.TfSync.aStartExecute | %1 (Syn.SendHttpsRequest) | [ErrorCode %2]")
               .arg(QLatin1String(request))
               .arg(code)
        + SysErrorText(code);
}

} // namespace

TEST_F(ServerSteps, NewWorkstationFileComesFromTheFirstServerThatDeliversOne)
{
    FakeCentralServer refusing, html, missing, good;
    refusing.addRoute("GET", "/cdb/icod", FakeAnswer::text(kAuthFailed));
    html.addRoute("GET", "/cdb/icod", Status(200, "<html><body>Добро пожаловать</body></html>"));
    // "missing" answers 404 to everything
    good.addRoute("GET", "/cdb/icod", FakeAnswer::data(WorkstationFileOf(5)));
    const int closed = ClosedLoopbackPort();

    const QByteArray hello = Hello({closed, refusing.port(), html.port(), missing.port(), good.port()},
                                   "<message>Привет\n\nвсем</message>");
    EXPECT_EQ(loadNewICod(hello, memoLine), QString());

    EXPECT_EQ(ReadWholeFile(icod()), WorkstationFileOf(5));
    EXPECT_EQ(App().WorkstationNumber, 5);
    EXPECT_EQ(App().ICodVersion, 3u);
    EXPECT_EQ(dm->WorkstationLabel(), QStringLiteral("АРМ 5"));
    EXPECT_EQ(memo, (QStringList {"Привет\r\nвсем", "Ключ неверен"}));
    const QStringList failed = records(EventId::RequestFailed);
    ASSERT_EQ(failed.size(), 3);
    EXPECT_TRUE(failed[0].startsWith("1,2: Sync.TfSync.aStartExecute | /icod (Syn.SendHttpsRequest) | [ErrorCode "))
        << failed[0].toStdString();
    EXPECT_EQ(failed[1], "1,2: Sync.TfSync.aStartExecute | \"icod\". ответ сервера:  | " + QString::fromUtf8(kAuthFailed));
    EXPECT_EQ(failed[2], SendFailed("/icod", 12152)); // the 404
    EXPECT_TRUE(prompts->shown().isEmpty());

    const FakeRequest asked = good.requests().value(0);
    EXPECT_EQ(asked.method, "GET");
    EXPECT_EQ(asked.target, "/cdb/icod?" + kIdentity);
    EXPECT_EQ(asked.body, kIdentity);
    EXPECT_EQ(html.requests().size(), 1);
    EXPECT_EQ(missing.requests().size(), 1);
}

TEST_F(ServerSteps, NoWorkstationFileLeavesTheOldOneAndRaises)
{
    FakeCentralServer html, refusing, foreign;
    html.addRoute("GET", "/", Status(200, "<html/>"));
    refusing.addRoute("GET", "/", FakeAnswer::text("<dataPacket name=\"authfailed\"/>"));
    QByteArray other = "<icod Name=\"i.cod\" Ver=\"1\"><for>OtherForm</for></icod>";
    EncryptStream(other);
    foreign.addRoute("GET", "/", FakeAnswer::data(other));
    const QByteArray hello = Hello({html.port(), refusing.port(), foreign.port()});

    EXPECT_EQ(loadNewICod(hello, {}), QStringLiteral("новый i.cod получить не удалось"));
    EXPECT_EQ(ReadWholeFile(icod()), oldFile);
    EXPECT_EQ(QDir(home.filePath("data")).entryList(QDir::Files | QDir::Hidden), QStringList {"i.cod"});
    EXPECT_EQ(App().WorkstationNumber, 1);
    // without a log the refusal and the end are message boxes
    EXPECT_EQ(prompts->texts(), (QStringList {" ", "новый i.cod получить не удалось"}));
    EXPECT_EQ(foreign.requests().size(), 1);

    EXPECT_EQ(loadNewICod("<hello><exchangeProtocol version=\"3\"/></hello>", memoLine),
              QStringLiteral("Версия протокола 3,а нужно только вторая"));
    EXPECT_EQ(ReadWholeFile(icod()), oldFile);
}

TEST_F(ServerSteps, ServerChoiceTakesTheFirstThatHoldsCertificates)
{
    FakeCentralServer refusing, empty, good, later;
    refusing.addRoute("GET", "/cdb/version", FakeAnswer::text(kAuthFailed));
    empty.addRoute("GET", "/cdb/version", FakeAnswer::text("<v><versions/></v>"));
    good.addRoute("GET", "/cdb/version", FakeAnswer::text("<v><certificate><lastdate/></certificate></v>"));
    later.addRoute("GET", "/", FakeAnswer::text("<v><certificate/></v>"));
    const QByteArray hello = Hello({refusing.port(), empty.port(), good.port(), later.port()}, "<message>m</message>");

    const QString path = dm->FindCdbServer(connection, kIdentity, QString::fromUtf8(hello), memoLine, kLocation);
    EXPECT_EQ(path, QStringLiteral("/cdb"));
    EXPECT_EQ(connection.Port, good.port());
    EXPECT_EQ(memo, (QStringList {"m", "Ключ неверен"}));
    EXPECT_EQ(records(EventId::Diagnostic),
              QStringList {"16,2: Sync.TfSync.aStartExecute /version: " + QString::fromUtf8(kAuthFailed)});
    EXPECT_TRUE(records(EventId::RequestFailed).isEmpty());
    EXPECT_EQ(good.requests().value(0).target, "/cdb/version?" + kIdentity);
    EXPECT_EQ(good.requests().value(0).body, kIdentity);
    EXPECT_TRUE(later.requests().isEmpty());
}

TEST_F(ServerSteps, ServerChoiceWithoutAUsableServerRaises)
{
    FakeCentralServer missing, broken;
    broken.addRoute("GET", "/", FakeAnswer::text("<v><certificate>"));
    const QByteArray hello = Hello({99999, missing.port(), broken.port(), ClosedLoopbackPort()});

    for (const bool withLog : {true, false}) {
        memo.clear();
        prompts->clear();
        journal.sink().clear();
        QString failure;
        try {
            dm->FindCdbServer(connection, kIdentity, QString::fromUtf8(hello), withLog ? memoLine : MemoLine(), kLocation);
        } catch (const AppError &e) {
            failure = e.message();
        }
        EXPECT_EQ(failure, QStringLiteral("Не найден подходящий адрес (url)"));
        EXPECT_EQ(withLog ? memo : prompts->texts(), QStringList {"Не найден подходящий адрес (url)"});
        const QStringList failed = records(EventId::RequestFailed);
        ASSERT_EQ(failed.size(), 2); // the 404 and the closed port; the bad port and the answer that is no XML are skipped
        EXPECT_EQ(failed[0], SendFailed("/version", 12152));
        EXPECT_TRUE(failed[1].contains("/version (Syn.SendHttpsRequest)"));
    }
}

TEST_F(ServerSteps, HelloCountsOnlyAWholeSuccessfulAnswer)
{
    FakeCentralServer server;
    int status = 200;
    server.setHandler([&status](const FakeRequest &) { return Status(status, "<hello>Привет</hello>"); });
    const QString url = QStringLiteral("https://127.0.0.1/base/");

    EXPECT_EQ(RequestHello(connection, url, server.port(), kIdentity, true), QStringLiteral("<hello>Привет</hello>"));
    EXPECT_EQ(RequestHello(connection, url, server.port(), kIdentity, false), QStringLiteral("<hello>Привет</hello>"));
    const QList<FakeRequest> asked = server.requests();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].target, "/base/sync/hello?" + kIdentity);
    EXPECT_EQ(asked[1].target, "/base/sync/hello");
    EXPECT_EQ(asked[1].body, kIdentity);
    EXPECT_EQ(asked[1].header("User-Agent"), "Certificate Of Origin");

    status = 404;
    try {
        RequestHello(connection, url, server.port(), kIdentity, true);
        ADD_FAILURE() << "a 404 counted";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), "SendHttpsRequest: [ErrorCode 12152]" + SysErrorText(12152));
    }
}
