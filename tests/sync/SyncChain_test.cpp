// The synchronisation chain: its transitions driven through the handlers
// with a launcher that records the command lines (server retries, the day
// walk, the upload loop, the update walk and the updater), the endings of its
// steps, and whole chains of the real Restavo against the fake central server.
#include "ChainFixture.h"

#include "CdbExchange.h"
#include "FakeCentralServer.h"
#include "InProcessSync.h"
#include "ReplyWaiter.h"
#include "ScopedEnvironment.h"
#include "Sync.h"
#include "SyncTexts.h"
#include "qlMsInternet.h"

#include <QAction>
#include <QDirIterator>
#include <QPlainTextEdit>
#include <QTest>

#include <csignal>
#include <mutex>
#include <unistd.h>

namespace {

qint64 Day(int month, int day)
{
    return DateToDayNumber(QDate(2026, month, day));
}

QString Days(int month, int day)
{
    return QString::number(Day(month, day));
}

const QByteArray kTwoUpdates = "<version><certificate><lastdate/></certificate><versions>"
                               "<version name=\"program\" url=\"/pkg/p.zip\" version=\"1.4.2.0\"/>"
                               "<version name=\"manual\" url=\"/pkg/m.zip\" version=\"9\"/>"
                               "<version name=\"support\" url=\"/pkg/s.zip\" version=\"4\"/></versions></version>";

struct RecordingOutputForRun : SyncWindowOutput {
    void logLine(const QString &line) override { lines << line; }
    void statusText(const QString &text) override { statuses << text; }
    void helpText(const QString &) override {}
    QStringList lines, statuses;
};

// The lines of a log that both ways of synchronising write, in their order.
QStringList SharedLines(const QStringList &log)
{
    const QStringList shared = {SyncTexts::SyncFinished, SyncTexts::SyncAborted, SyncTexts::CheckingUpdates,
                                SyncTexts::NoUpdates};
    QStringList kept;
    for (const QString &line : log)
        if (shared.contains(line))
            kept << line;
    return kept;
}

} // namespace

class SyncChainTest : public ChainTest {
protected:
    void SetUp() override
    {
        ChainTest::SetUp();
        // Issued on the 10th, changed last on the 10th and the 11th.
        insertCertificate(certificate(1, 1, {{"status", 7}, {"DateIssued", Day(3, 10)}, {"LastDate", Day(3, 10)}}));
        insertCertificate(certificate(2, 2, {{"status", 7}, {"DateIssued", Day(3, 11)}, {"LastDate", Day(3, 11)}}));
        writeOpeningFiles(kTwoUpdates);
        dm->SaveOption(CommonUser, QStringLiteral("LastSync"), QStringLiteral("1"));
    }
};

TEST_F(SyncChainTest, WalksEveryStepWithTheCommandLinesOfItsRuns)
{
    dm->SaveOption(CommonUser, QStringLiteral("lastChange"), QStringLiteral("12"));
    struct Step {
        qint32 reply; // Restavo's result for the run before
        QStringList next;
    };
    const QList<Step> steps = {
        {0, {"4,W,1027,1,1.4.1.6"}},              // hello: the first server of the list
        {1, {"4,W,1027,2,1.4.1.6"}},              // that one failed: the next one
        {-1, {"5,W,1028,1.4.1.6"}},               // i.cod stored and loaded: hello again
        {0, {"6,W,1029,1,1.4.1.6"}},
        {1, {"6,W,1029,2,1.4.1.6"}},
        {-1, {"7,W,1030,12,1.4.1.6"}},            // the server chosen: the changes after lastChange
        {0, {"8,W,1031," + Days(3, 10) + ",1.4.1.6"}}, // the first day of the table
        {qint32(Day(3, 11)), {"8,W,1031," + Days(3, 11) + ",1.4.1.6"}},
        {-1, {"13,W,1040,-2,1.4.1.6"}},
        {5, {"13,W,1040,5,1.4.1.6"}},             // one file sent: look for the next
        {-1, {"9,W,1032,0,1.4.1.6,program%/pkg/p.zip*1.4.2.0"}},
        {1, {"9,W,1032,1,1.4.1.6,support%/pkg/s.zip*4"}},
        {2, {}},                                  // every item fetched: the updater
    };
    sync->start();
    settle();
    EXPECT_EQ(started(), QStringList{"3,W,1026,1.4.1.6"});
    EXPECT_EQ(runningStates, QList<bool>{true});
    for (const Step &step : steps) {
        SCOPED_TRACE(step.next.join(' ').toStdString());
        reply(step.reply);
        EXPECT_EQ(started(), step.next);
    }
    EXPECT_EQ(updaterStarts, QStringList{"VuzudoVO.exe program%/pkg/p.zip*1.4.2.0,support%/pkg/s.zip*4"});
    EXPECT_EQ(prompter->texts(), QStringList{"Сейчас программа будет перезапущена"});
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(output.lines, (QStringList{"a\r\nb\r\nc", "", "передаём сертификаты на сервер", "",
                                         "Ищем сертификаты c 10.03.2026", "", "Ищем сертификаты c 11.03.2026", "",
                                         "передаём доплнительные файлы на сервер", "",
                                         "Ищем сертификат c неотправленным файлом", "",
                                         "Ищем сертификат c неотправленным файлом", "", "Проверяем обновления",
                                         "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}));
    EXPECT_EQ(output.statuses, QStringList{"Идёт передача..."});
    EXPECT_EQ(runningStates, (QList<bool>{true, false}));
    EXPECT_EQ(sync->SyncStartDay, Day(3, 10));
    EXPECT_EQ(lastSync(), QString::number(today()));
    EXPECT_EQ(dm->WorkstationLabel(), QStringLiteral("АРМ 3"));
    EXPECT_TRUE(QFileInfo(home.filePath("DownLoad")).isDir());
    EXPECT_FALSE(sync->running());
    EXPECT_FALSE(ExchangeRunning());
    EXPECT_TRUE(exceptionRecords().isEmpty()) << exceptionRecords().join('|').toStdString();
}

TEST_F(SyncChainTest, EachStepEndsTheChainOnItsOwnFailures)
{
    const QByteArray helloVersion3 = "<hello><exchangeProtocol version=\"3\"/></hello>";
    struct Row {
        const char *name;
        QList<qint32> replies;
        // Written into the data folder before the last reply (removed when null).
        QString file;
        QByteArray content;
        QStringList logTail;       // the lines before the end line begin so
        QString status;            // the last status text; empty: none but the start's
        QString lastCommand;       // the last run started
        bool synchronised = false; // a readable version answer was reached: LastSync is today
    };
    const QList<Row> rows = {
        {"HelloNotAnswered", {-1}, "", "", {"Ошибка обращения hello"}, "Ошибка обращения WSync1(hello)", "3,W,1026,1.4.1.6"},
        {"EmptyHello", {0}, ExchangeFiles::Hello, "",
         {"Сервер вернул пустую строку на hello"}, "", "3,W,1026,1.4.1.6"},
        {"RefusedHello", {0},
         ExchangeFiles::Hello, "<dataPacket name=\"authfailed\"><message>Ключ неверен</message></dataPacket>",
         {"Ключ неверен"}, "", "3,W,1026,1.4.1.6"},
        {"NoServerLeftForTheWorkstationFile", {0, 1, -2}, "", "", {"не удалось загрузить новый i.cod"}, "",
         "4,W,1027,2,1.4.1.6"},
        {"UnreadableWorkstationFile", {0, -1}, "i.cod", "garbage",
         {"проблема с файлом "}, "Сбой при разборе", "4,W,1027,1,1.4.1.6"},
        {"ProtocolVersion3", {0, -1, 0},
         ExchangeFiles::Hello, helloVersion3,
         {"Сбой при разборе : Версия протокола 3,а нужно только вторая"}, "Сбой при разборе", "5,W,1028,1.4.1.6"},
        {"NoServerWithVersions", {0, -1, 0, -2}, "", "", {"не удалось загрузить версии"}, "", "6,W,1029,1,1.4.1.6"},
        {"ChangesNotFetched", {0, -1, 0, -1, -1}, "", "", {"Ошибка обращения change"},
         "Ошибка обращения WSyncChange(change)", "7,W,1030,0,1.4.1.6"},
        {"ChangesNotXml", {0, -1, 0, -1, 0},
         ExchangeFiles::Change, "<changes>", {"[Sync.TfSync.WSyncChange] Сбой при разборе : XML: "}, "Сбой при разборе",
         "7,W,1030,0,1.4.1.6"},
        {"DateThatIsNoDay", {0, -1, 0, -1, 0},
         ExchangeFiles::Version,
         "<version><certificate><lastdate>31.02.2026</lastdate></certificate></version>",
         {"передаём сертификаты на сервер", "\"/version\" похоже использует неверный формат даты "}, "",
         "7,W,1030,0,1.4.1.6"},
        {"PostingFailed", {0, -1, 0, -1, 0, -3}, "", "", {"Ошибка синхронизации"}, "", "8,W,1031," + Days(3, 10) + ",1.4.1.6"},
        {"UploadFailed", {0, -1, 0, -1, 0, -1, -3}, "", "", {"Ошибка синхронизации"}, "", "13,W,1040,-2,1.4.1.6"},
        {"NoVersionsOffered", {0, -1, 0, -1, 0, -1, -1},
         ExchangeFiles::Version, "<version><certificate/></version>",
         {"Проверяем обновления", "нет обновлений"}, "", "13,W,1040,-2,1.4.1.6", true},
        {"UnreadableVersionForUpdates", {0, -1, 0, -1, 0, -1, -1},
         ExchangeFiles::Version, QByteArray(), {"[Sync.TfSync.WSyncUpdate] Сбой при обновлении : "}, "Сбой при обновлении",
         "13,W,1040,-2,1.4.1.6"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        writeWorkstationFile(Enciphered(WorkstationXml()));
        App().StopFlag = false;
        dm->SaveOption(CommonUser, QStringLiteral("LastSync"), QStringLiteral("1"));
        writeOpeningFiles(kTwoUpdates);
        output.lines.clear();
        output.statuses.clear();
        journal.sink().clear();
        sync->start();
        settle();
        for (int i = 0; i < row.replies.size(); ++i) {
            if (i + 1 == row.replies.size() && !row.file.isEmpty()) {
                if (row.content.isNull())
                    QFile::remove(dataFile(row.file));
                else
                    writeExchangeFile(row.file, row.content);
            }
            reply(row.replies[i]);
        }
        const QStringList all = started();
        EXPECT_EQ(all.isEmpty() ? QString() : all.last(), row.lastCommand);
        EXPECT_EQ(output.lines.last(), QStringLiteral("СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"));
        const QStringList tail = output.lines.mid(output.lines.size() - 1 - row.logTail.size(), row.logTail.size());
        ASSERT_EQ(tail.size(), row.logTail.size());
        for (int i = 0; i < tail.size(); ++i)
            EXPECT_TRUE(tail[i].startsWith(row.logTail[i])) << tail[i].toStdString();
        EXPECT_EQ(output.statuses.last(), row.status.isEmpty() ? QStringLiteral("Идёт передача...") : row.status);
        EXPECT_EQ(lastSync(), row.synchronised ? QString::number(today()) : QStringLiteral("1"));
        EXPECT_FALSE(sync->running());
        EXPECT_TRUE(updaterStarts.isEmpty());
    }
}

TEST_F(SyncChainTest, StepFailuresLeaveTheirRecords)
{
    // A workstation file that cannot be read stops the work with the database.
    sync->start();
    settle();
    reply(0);
    writeWorkstationFile("garbage");
    reply(-1);
    EXPECT_TRUE(App().StopFlag);
    EXPECT_TRUE(output.lines.at(output.lines.size() - 2).startsWith("проблема с файлом " + dataFile("i.cod") + " "));
    ASSERT_EQ(exceptionRecords().size(), 1);
    EXPECT_TRUE(exceptionRecords()[0].startsWith("[Expert]Sync.TfSync.WSyncCod() "));

    // A hello of another protocol version: its record, and not the one of a missing version.
    App().StopFlag = false;
    writeWorkstationFile(Enciphered(WorkstationXml()));
    journal.sink().clear();
    sync->start();
    settle();
    for (const qint32 result : {0, -1}) reply(result);
    writeExchangeFile(ExchangeFiles::Hello, "<hello><exchangeProtocol version=\"3\"/></hello>");
    reply(0);
    ASSERT_EQ(journal.sink().withId(EventId::AnswerAttributeUnexpected).size(), 1);
    EXPECT_EQ(journal.sink().withId(EventId::AnswerAttributeUnexpected)[0].strings,
              (QStringList{"Sync.TfSync.WSync2", "\"hello\"", "exchangeProtocol version=\"2\"", "3"}));
    EXPECT_TRUE(journal.sink().withId(EventId::AnswerAttributeMissing).isEmpty());

    // The server's refusal of hello: an audit failure with the answer.
    journal.sink().clear();
    const QByteArray refusal = "<dataPacket name=\"authfailed\"><message>Ключ неверен</message></dataPacket>";
    writeExchangeFile(ExchangeFiles::Hello, refusal);
    sync->start();
    settle();
    reply(0);
    const QList<EventRecord> audits = journal.sink().withId(EventId::Diagnostic);
    ASSERT_EQ(audits.size(), 1);
    EXPECT_EQ(audits[0].type, EventType::AuditFailure);
    EXPECT_EQ(audits[0].category, EventCategory::Exchange);
    EXPECT_EQ(audits[0].strings,
              QStringList{"Sync.TfSync.WSync1 /sync/hello (DM.GetErrorFromServer) " + QString::fromUtf8(refusal)});
}

TEST_F(SyncChainTest, StartDayAfterTodayPostsWithoutTheSearchLine)
{
    insertCertificate(certificate(3, 3, {{"status", 7}, {"DateIssued", Day(3, 11)}, {"LastDate", Day(3, 20)}}));
    writeExchangeFile(ExchangeFiles::Version, "<version><certificate><lastdate>20.03.2026</lastdate></certificate></version>");
    sync->start();
    settle();
    for (const qint32 result : {0, -1, 0, -1})
        reply(result);
    started();
    reply(0);
    EXPECT_EQ(started(), QStringList{"8,W,1031," + Days(3, 20) + ",1.4.1.6"});
    EXPECT_EQ(output.lines.mid(output.lines.size() - 3),
              (QStringList{"", "передаём сертификаты на сервер", ""}));
}

// The page's chain with the real Restavo, started from the program folder,
// against the fake central server.
class SyncChainProgramTest : public OfflineFileTest {
protected:
    void SetUp() override
    {
        OfflineFileTest::SetUp();
        ASSERT_TRUE(QFile::link(BuiltProgram("Restavo"), home.filePath("Restavo")));
        server.setHandler([this](const FakeRequest &request) { return answer(request); });
        writeWorkstationFile(workstationFile());
        dm->ReloadWorkstationFile();
        for (const auto &[id, day] : {std::pair{1, 10}, std::pair{2, 12}})
            insertCertificate(certificate(id, id, {{"status", 7}, {"DateIssued", Day(3, day)}, {"LastDate", Day(3, day)}}));
        SyncHost host;
        host.setStatusText = [this](const QString &text) { statuses << text; };
        page = std::make_unique<TfSync>(*dm, host);
    }
    void TearDown() override
    {
        page.reset();
        OfflineFileTest::TearDown();
    }

    // The workstation file on both sides: the entry server is the fake one.
    QByteArray workstationFile() const
    {
        return Enciphered(WorkstationXml("Name=\"i.cod\" Ver=\"2\"", "<for>TessalForm</for>",
                                         "<port>" + QByteArray::number(server.port()) + "</port>")
                              .replace("<adr>cdb.example.org</adr>", "<adr>https://127.0.0.1/entry</adr>"));
    }
    FakeAnswer answer(const FakeRequest &request)
    {
        const QByteArray path = request.path();
        if (path == "/entry/sync/hello")
            return FakeAnswer::text("<hello><exchangeProtocol version=\"2\"/><cdb host=\"127.0.0.1\" port=\""
                                    + QByteArray::number(server.port()) + "\" path=\"sync/cdb/\"/></hello>");
        if (path == "/cdb/icod")
            return FakeAnswer::data(workstationFile());
        if (path == "/cdb/version")
            return FakeAnswer::text("<version><certificate><lastdate/></certificate><versions>"
                                    "<version name=\"program\" url=\"/pkg/program.zip\" version=\"1.4.1.6\"/>"
                                    "</versions></version>");
        if (path == "/cdb/changes")
            return FakeAnswer::text("<changes/>");
        if (path == "/cdb/save")
            return FakeAnswer::text("<answer><status>0</status></answer>");
        return FakeAnswer::text("", "text/plain");
    }
    // Each request as "VERB path" and what its body starts with.
    QStringList requests() const
    {
        const QByteArray identity = IdentityQuery(7, 3, TestChamberKey);
        QStringList all;
        for (const FakeRequest &r : server.requests())
            all << QString::fromUtf8(r.method + ' ' + r.path() + ' '
                                     + (r.body == identity                          ? "[identity]"
                                        : r.body.startsWith(identity + "&certBody=") ? "[identity+packet]"
                                                                                     : r.body));
        return all;
    }
    ScopedEnvironment environment(const QByteArray &pauseMs) const
    {
        return ScopedEnvironment({{"TESSAL_HOME", home.path().toLocal8Bit()},
                                  {"TESSAL_CA_FILE", TestPki::instance().caFile.toLocal8Bit()},
                                  {"TESSAL_CERT_DIR", TestPki::instance().makeStore({}).toLocal8Bit()},
                                  {"TESSAL_CDB_PAUSE_MS", pauseMs}});
    }
    // Runs the page's chain to its end.
    void runChain()
    {
        page->aStart2->trigger();
        EXPECT_FALSE(page->aStart2->isEnabled());
        EXPECT_TRUE(page->aStop->isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([] { return !ExchangeRunning(); }, 60000)) << "the chain did not end";
        EXPECT_TRUE(QTest::qWaitFor([] { return ChildLauncher::instance().runningCount() == 0; }, 10000));
    }
    QStringList log() const { return page->mLog->toPlainText().split('\n'); }

    // Children of this process that have exited and not been reaped.
    static int zombieChildren()
    {
        int zombies = 0;
        QDirIterator processes("/proc", QDir::Dirs | QDir::NoDotAndDotDot);
        while (processes.hasNext()) {
            QFile stat(processes.next() + "/stat");
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1 && fields[1].toLongLong() == getpid() && fields[0] == "Z")
                ++zombies;
        }
        return zombies;
    }

    FakeCentralServer server;
    std::unique_ptr<TfSync> page;
    QStringList statuses;
};

TEST_F(SyncChainProgramTest, WholeChainSendsTheRequestsOfTheInProcessRun)
{
    {
        const ScopedEnvironment env = environment("0");
        runChain();
    }
    EXPECT_EQ(log().mid(log().size() - 3), (QStringList{"", "Проверяем обновления", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}))
        << page->mLog->toPlainText().toStdString();
    EXPECT_TRUE(page->aStart2->isEnabled());
    EXPECT_FALSE(page->aStop->isEnabled());
    EXPECT_EQ(lastSync(), QString::number(today()));
    EXPECT_EQ(zombieChildren(), 0);
    const QStringList chain = requests();
    EXPECT_EQ(chain, (QStringList{"GET /entry/sync/hello [identity]", "GET /cdb/icod [identity]",
                                  "GET /entry/sync/hello [identity]", "GET /cdb/version [identity]",
                                  "GET /cdb/changes [identity]", "POST /cdb/save [identity+packet]",
                                  "POST /cdb/save [identity+packet]"}));

    // The in-process run of the same synchronisation, without its pauses.
    server.clearRequests();
    RecordingOutputForRun output;
    SyncWindowCore core(*dm, output);
    InProcessSyncPorts ports;
    ports.makeConnection = [] {
        auto connection = std::make_unique<THttpsConnection>();
        connection->ExtraCaFile = TestPki::instance().caFile;
        return connection;
    };
    ports.wait = [](int) {};
    {
        const ScopedEnvironment env = environment("0");
        SetCdbRequestPauseMs(0);
        InProcessSync(*dm, core, output, ports).aStartExecute();
    }
    ASSERT_EQ(output.lines.last(), QStringLiteral("СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"));
    // It asks for the versions again for the last day and for the updates;
    // the chain reads both from the version.xml of its choice of server.
    QStringList inProcess = requests();
    ASSERT_EQ(inProcess.count("GET /cdb/version [identity]"), 3);
    inProcess.removeAt(inProcess.lastIndexOf("GET /cdb/version [identity]"));
    inProcess.removeAt(inProcess.lastIndexOf("GET /cdb/version [identity]"));
    EXPECT_EQ(chain, inProcess);
    // And both tell the operator the same, by the same names.
    EXPECT_EQ(SharedLines(log()), SharedLines(output.lines));
    EXPECT_EQ(SharedLines(output.lines), (QStringList{SyncTexts::CheckingUpdates, SyncTexts::SyncFinished}));
    ASSERT_FALSE(statuses.isEmpty());
    ASSERT_FALSE(output.statuses.isEmpty());
    EXPECT_EQ(statuses.first(), SyncTexts::Transferring);
    EXPECT_EQ(output.statuses.first(), SyncTexts::Transferring);
}

TEST_F(SyncChainProgramTest, RestavoKilledMidChainEndsTheChainWithItsFailureTexts)
{
    const ScopedEnvironment env = environment("60000");
    page->aStart2->trigger();
    // The workstation-file run waits before its request: it is killed there.
    const auto workstationFileRun = [this] {
        const qint64 pid = page->syncChain().runInFlight();
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(pid));
        return pid != 0 && command.open(QIODevice::ReadOnly) && command.readAll().split('\0').value(1).startsWith("4,");
    };
    ASSERT_TRUE(QTest::qWaitFor(workstationFileRun, 30000));
    const qint64 pid = page->syncChain().runInFlight();
    ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return !ExchangeRunning(); }, 30000)) << "the chain did not end";
    EXPECT_TRUE(QTest::qWaitFor([] { return ChildLauncher::instance().runningCount() == 0; }, 10000));
    EXPECT_EQ(log().mid(log().size() - 2),
              (QStringList{"Зафиксирована WSyncCod ошибка синхронизации.", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}));
    EXPECT_EQ(statuses.last(), QStringLiteral("Ошибка запуска в программе"));
    EXPECT_TRUE(page->aStart2->isEnabled());
    EXPECT_FALSE(page->aStop->isEnabled());
    EXPECT_EQ(page->syncChain().runInFlight(), 0);
    EXPECT_EQ(zombieChildren(), 0);
}
