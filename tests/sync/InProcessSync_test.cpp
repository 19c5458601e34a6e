// The in-process synchronisation and restore download against a fake central
// server on loopback, without waits and without a window; the start day and
// the update selection as tables; the page's wiring of its start action.
#include "OfflineFileFixture.h"

#include "CdbExchange.h"
#include "DownloadProgress.h"
#include "ExchangeGuard.h"
#include "FakeCentralServer.h"
#include "FileDialogs.h"
#include "InProcessSync.h"
#include "ProgressSink.h"
#include "ScopedEnvironment.h"
#include "RestoratorPackage.h"
#include "Sync.h"
#include "SyncStartDay.h"
#include "SyncWindowCore.h"
#include "UpdateSelection.h"
#include "ZipArchive.h"
#include "ggDebug.h"
#include "ggError.h"
#include "qlMsInternet.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMap>
#include <QPlainTextEdit>
#include <QThread>

#include <mutex>

namespace {

qint64 Day(int month, int day)
{
    return DateToDayNumber(QDate(2026, month, day));
}

// The answers of one scenario by request path; the n-th request to a path
// takes the n-th answer, the last one again when they run out.
using Script = QMap<QByteArray, QList<FakeAnswer>>;

FakeAnswer Xml(const QByteArray &body)
{
    return FakeAnswer::text(body);
}

const QByteArray NewChamberKey = "New-key-of-the-chamber-012345678";

QByteArray Offer(const char *name, const char *url, const char *version);

// A version answer; by default it offers this very program.
QByteArray Versions(const QByteArray &lastDate, const QByteArray &offered = Offer("program", "/pkg/program.zip", "1.4.1.6"))
{
    return "<version><certificate><lastdate>" + lastDate + "</lastdate></certificate><versions>" + offered
        + "</versions></version>";
}

QByteArray Offer(const char *name, const char *url, const char *version)
{
    return QByteArray("<version name=\"") + name + "\" url=\"" + url + "\" version=\"" + version + "\"/>";
}

FakeAnswer NotFound()
{
    FakeAnswer answer = FakeAnswer::text("нет");
    answer.status = 404;
    answer.reason = "Not Found";
    return answer;
}

const QByteArray kSaved = "<answer><status>0</status></answer>";

class RecordingOutput : public SyncWindowOutput {
public:
    void logLine(const QString &line) override { lines << line; }
    void statusText(const QString &text) override { statuses << text; }
    void helpText(const QString &text) override { help << text; }
    void keepAnswering() override
    {
        if (onPump)
            onPump();
    }
    ProgressSink *downloadProgress() override { return &progress; }

    struct Progress : ProgressSink {
        void setPermille(int permille) override { positions << permille; }
        QList<int> positions;
    } progress;
    QStringList lines, statuses, help;
    std::function<void()> onPump;
};

class InProcessSyncTest : public OfflineFileTest {
protected:
    void SetUp() override
    {
        OfflineFileTest::SetUp();
        core = std::make_unique<SyncWindowCore>(*dm, output);
        SetCdbRequestPauseMs(0);
        qputenv("TESSAL_CERT_DIR", TestPki::instance().makeStore({}).toLocal8Bit());
        App().ServerUrl = QStringLiteral("https://127.0.0.1/entry");
        App().ServerPort = server.port();
        oldIdentity = identity();
        // Certificates of four days: issued, project-like only (an empty
        // packet), issued, issued.
        addDay(1, 10, 10, 10);
        addDay(2, 12, 11, 11);
        addDay(3, 10, 10, 12);
        addDay(4, 7, 13, 13);
        server.setHandler([this](const FakeRequest &request) { return answer(request); });
    }
    void TearDown() override
    {
        qunsetenv("TESSAL_CERT_DIR");
        OfflineFileTest::TearDown();
    }

    void addDay(qint64 id, int status, int issued, int last)
    {
        insertCertificate(certificate(id, id, {{"status", status}, {"DateIssued", Day(3, issued)},
                                               {"LastDate", Day(3, last)}}));
    }
    static QByteArray identity() { return IdentityQuery(App().ChamberNumber, App().WorkstationNumber, App().ChamberKey); }

    // The workstation file the server delivers: the same workstation, another
    // key, the entry server on this fake server.
    QByteArray deliveredFile(const QByteArray &chamberKey = NewChamberKey) const
    {
        return Enciphered(WorkstationXml("Name=\"i.cod\" Ver=\"2\"", "<for>TessalForm</for>",
                                         "<port>" + QByteArray::number(server.port()) + "</port>")
                              .replace("<adr>cdb.example.org</adr>", "<adr>https://127.0.0.1/entry</adr>")
                              .replace(TestChamberKey, chamberKey));
    }
    QByteArray hello() const
    {
        return "<hello><exchangeProtocol version=\"2\"/><cdb host=\"127.0.0.1\" port=\""
            + QByteArray::number(server.port()) + "\" path=\"sync/cdb/\"/></hello>";
    }
    // What every scenario's server answers unless its script says otherwise.
    Script standard() const
    {
        return {{"/entry/sync/hello", {Xml(hello())}},
                {"/cdb/icod", {FakeAnswer::data(deliveredFile())}},
                {"/cdb/version", {Xml(Versions(""))}},
                {"/cdb/changes", {Xml("<changes/>")}},
                {"/cdb/save", {Xml(kSaved)}}};
    }

    FakeAnswer answer(const FakeRequest &request)
    {
        std::lock_guard lock(scriptMutex);
        const auto found = script.constFind(request.path());
        if (found == script.constEnd() || found->isEmpty())
            return FakeAnswer::text("", "text/plain");
        const int n = served[request.path()]++;
        return found->at(qMin<qsizetype>(n, found->size() - 1));
    }
    void use(const Script &changes)
    {
        std::lock_guard lock(scriptMutex);
        script = standard();
        for (auto it = changes.begin(); it != changes.end(); ++it)
            script.insert(it.key(), it.value());
    }

    // Each request as "VERB target [body]", with the identities named.
    QStringList requests() const
    {
        QStringList all;
        for (const FakeRequest &r : server.requests()) {
            QByteArray line = r.method + ' ' + r.target + ' ';
            if (r.body == newIdentity)
                line += "[new]";
            else if (r.body == oldIdentity)
                line += "[old]";
            else if (r.body.startsWith(newIdentity + "&certBody="))
                line += "[new+packet]";
            else if (r.body.startsWith(oldIdentity + "&certBody="))
                line += "[old+packet]";
            else
                line += r.body;
            all << QString::fromUtf8(line.replace(newIdentity, "{new}").replace(oldIdentity, "{old}"));
        }
        return all;
    }

    // The journal's records of the run: a request's second string, an
    // answer's text up to the answer itself, an exception's place and message.
    QStringList records()
    {
        QStringList all;
        for (const EventRecord &r : journal.sink().records()) {
            if (r.eventId == EventId::RequestFailed)
                all << r.strings.value(1);
            else if (r.eventId == EventId::Diagnostic)
                all << r.strings.value(0).section(QLatin1Char(' '), 0, 2);
            else if (r.eventId == EventId::ExceptionCaught)
                all << r.strings.join(QLatin1Char(' '));
        }
        return all;
    }

    InProcessSync makeRun()
    {
        InProcessSyncPorts ports;
        ports.makeConnection = [] {
            auto connection = std::make_unique<THttpsConnection>();
            connection->ExtraCaFile = TestPki::instance().caFile;
            return connection;
        };
        ports.wait = [this](int milliseconds) { waits << milliseconds; };
        ports.running = [this](bool running) { runningStates << running; };
        ports.closeMainWindow = [this] { closed = true; };
        return InProcessSync(*dm, *core, output, ports);
    }

    FakeCentralServer server;
    std::mutex scriptMutex;
    Script script;
    QMap<QByteArray, int> served;
    RecordingOutput output;
    std::unique_ptr<SyncWindowCore> core;
    QByteArray oldIdentity;
    const QByteArray newIdentity = IdentityQuery(7, 3, NewChamberKey);
    QList<int> waits;
    QList<bool> runningStates;
    bool closed = false;
};

// The run speaks with the identity it began with throughout, also after the
// server delivered a workstation file with another key.
const QStringList kBeforePosting = {
    "GET /entry/sync/hello?{old} [old]", "GET /cdb/icod?{old} [old]",       "GET /entry/sync/hello?{old} [old]",
    "GET /cdb/version?{old} [old]",      "GET /cdb/changes?{old}&lastKnownChange=0 [old]",
    "GET /cdb/version?{old} [old]"};

QStringList operator+(QStringList a, const char *b)
{
    a << QString::fromUtf8(b);
    return a;
}

struct RunCase {
    const char *name;
    Script script;
    int stopAfterSaves; // 0: nobody presses stop
    QStringList requests;
    QStringList log;
    bool lastSyncToday;
    QStringList records; // what the journal says of requests and answers
};

const QByteArray kRefused =
    "<answer><status>1</status><status-text>Часть сертификатов не принята</status-text><certificates>"
    "<certificate id=\"600700001\" status-text=\"отказ\"><error>нет страны</error><error>нет даты</error></certificate>"
    "<certificate id=\"600700003\" status-text=\"отказ\"><error>дубль</error></certificate></certificates></answer>";

const QStringList kAllDays = {"Ищем сертификаты за 10.03.2026", "Передаём сертификаты за 10.03.2026",
                              "Ищем сертификаты за 11.03.2026", "Ищем сертификаты за 12.03.2026",
                              "Передаём сертификаты за 12.03.2026", "Ищем сертификаты за 13.03.2026",
                              "Передаём сертификаты за 13.03.2026"};

const QStringList kThreeSaves = {"POST /cdb/save [old+packet]", "POST /cdb/save [old+packet]",
                                 "POST /cdb/save [old+packet]"};

QList<RunCase> RunCases()
{
    return {
        {"EmptyHelloEndsAtOnce", {{"/entry/sync/hello", {FakeAnswer::text("", "text/plain")}}}, 0,
         {"GET /entry/sync/hello?{old} [old]"}, {"Сервер вернул пустую строку на hello", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"},
         false},
        {"RefusedHelloShowsTheReason",
         {{"/entry/sync/hello", {Xml("<dataPacket name=\"authfailed\"><message>Ключ неверен</message></dataPacket>")}}},
         0, {"GET /entry/sync/hello?{old} [old]"}, {"Ключ неверен", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}, false,
         {"Sync.TfSync.aStartExecute /sync/hello (DM.GetErrorFromServer)"}},
        {"WholeRunPostsEveryDayInOrder", {}, 0,
         kBeforePosting + kThreeSaves + QStringList{"GET /cdb/version?{old} [old]"},
         kAllDays + QStringList{"Проверяем обновления", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}, true, {}},
        {"StopPressedDuringTheSecondPostedDay", {}, 2,
         kBeforePosting + QStringList{"POST /cdb/save [old+packet]", "POST /cdb/save [old+packet]"},
         kAllDays.mid(0, 5) + QStringList{"СИНХРОНИЗАЦИЯ ПРЕРВАНА", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}, false, {}},
        {"SaveStatusOneListsTheRefusedAndGoesOn", {{"/cdb/save", {Xml(kRefused), Xml(kSaved)}}}, 0,
         kBeforePosting + kThreeSaves + QStringList{"GET /cdb/version?{old} [old]"},
         kAllDays.mid(0, 2)
             + QStringList{"Часть сертификатов не принята", "    Бланк 600700001  отказ", "        нет страны",
                           "        нет даты", "    Бланк 600700003  отказ", "        дубль"}
             + kAllDays.mid(2) + QStringList{"Проверяем обновления", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"},
         true, {"submit certs (Скрипт сообщает об ошибке):"}},
        {"SaveStatusTwoEndsTheRun",
         {{"/cdb/save", {Xml(kSaved), Xml("<answer><status>2</status><status-text>Пакет не принят</status-text></answer>")}}},
         0, kBeforePosting + QStringList{"POST /cdb/save [old+packet]", "POST /cdb/save [old+packet]"},
         kAllDays.mid(0, 5)
             + QStringList{"Пакет не принят", "есть критические ошибки", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"},
         false, {"submit certs (Скрипт сообщает об ошибке):", "submit cert (сбой)"}},
        {"ServerLastDayAfterTheNewestStartsThere", {{"/cdb/version", {Xml(Versions("20.03.2026"))}}}, 0,
         kBeforePosting + QStringList{"POST /cdb/save [old+packet]", "GET /cdb/version?{old} [old]"},
         kAllDays.mid(5) + QStringList{"Проверяем обновления", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}, true, {}},
        {"NoUpdatesStillCountsAsSynchronised",
         {{"/cdb/version", {Xml(Versions("")), Xml(Versions("")), Xml("<version><certificate/></version>")}}}, 0,
         kBeforePosting + kThreeSaves + QStringList{"GET /cdb/version?{old} [old]"},
         kAllDays + QStringList{"Проверяем обновления", "нет обновлений", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}, true, {}},
        {"RefusedUpdateCheckLeavesLastSync",
         {{"/cdb/version",
           {Xml(Versions("")), Xml(Versions("")),
            Xml("<dataPacket name=\"authfailed\"><message>Ключ неверен</message></dataPacket>")}}},
         0, kBeforePosting + kThreeSaves + QStringList{"GET /cdb/version?{old} [old]"},
         kAllDays + QStringList{"Проверяем обновления", "Ключ неверен", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}, false,
         {"Sync.TfSync.aStartExecute /version (DM.GetErrorFromServer)"}},
        {"ChangesRefusedByStatusEndsTheRun", {{"/cdb/changes", {NotFound()}}}, 0, kBeforePosting.mid(0, 5),
         {"ошибка changes: " + SysErrorText(12152), "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}, false, {}},
        {"UnreadableDateFailsTheRun", {{"/cdb/version", {Xml(Versions("31.02.2026"))}}}, 0, kBeforePosting,
         {"Зафиксирована ошибка синхронизации.", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}, false,
         {"[Expert]Sync.TfSync.aStartExecute() \"/version\" похоже использует неверный формат даты "}},
    };
}

} // namespace

TEST_F(InProcessSyncTest, RunsAgainstScriptedServerAnswers)
{
    for (const RunCase &row : RunCases()) {
        SCOPED_TRACE(row.name);
        WriteWholeFile(dataFile("i.cod"), Enciphered(WorkstationXml()));
        App().ChamberKey = OfflineChamberKey;
        App().ServerUrl = QStringLiteral("https://127.0.0.1/entry");
        App().ServerPort = server.port();
        dm->SaveOption(CommonUser, QStringLiteral("LastSync"), QStringLiteral("1"));
        server.clearRequests();
        served.clear();
        output.lines.clear();
        runningStates.clear();
        journal.sink().clear();
        use(row.script);
        output.onPump = [this, &row] {
            if (row.stopAfterSaves && requests().count("POST /cdb/save [old+packet]") == row.stopAfterSaves)
                core->aStopExecute();
        };
        makeRun().aStartExecute();
        EXPECT_EQ(requests().join('\n').toStdString(), row.requests.join('\n').toStdString());
        EXPECT_EQ(output.lines.join('\n').toStdString(), row.log.join('\n').toStdString());
        EXPECT_EQ(lastSync(), row.lastSyncToday ? QString::number(today()) : QStringLiteral("1"));
        EXPECT_EQ(runningStates, (QList<bool>{true, false}));
        EXPECT_EQ(records().join('\n').toStdString(), row.records.join('\n').toStdString());
        EXPECT_FALSE(ExchangeRunning());
    }
}

TEST_F(InProcessSyncTest, PostedPacketsHoldTheirDayAndEveryRequestPauses)
{
    use({{"/cdb/version",
          {Xml(Versions("12.03.2026")), Xml(Versions("12.03.2026")), Xml("<version><certificate/></version>")}}});
    dm->SaveOption(CommonUser, QStringLiteral("LastSync"), QStringLiteral("1"));
    makeRun().aStartExecute();
    QStringList packets;
    for (const FakeRequest &r : server.requests())
        if (r.path() == "/cdb/save")
            packets << QString::fromUtf8(QByteArray::fromPercentEncoding(QByteArray(r.body).replace('+', ' ')));
    ASSERT_EQ(packets.size(), 2);
    EXPECT_TRUE(packets[0].contains("6007000003") && !packets[0].contains("6007000004"));
    EXPECT_TRUE(packets[1].contains("6007000004") && !packets[1].contains("6007000003"));
    // pump-and-wait before opening and before sending each request after the server choice
    EXPECT_EQ(waits, QList<int>(10, 1000));
    EXPECT_EQ(output.lines.mid(output.lines.size() - 2),
              (QStringList{"нет обновлений", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}));
    EXPECT_EQ(lastSync(), QString::number(today())) << "a version answer without versions still completes the run";
}

namespace {

QByteArray ZipOf(const QString &name, const QByteArray &content)
{
    ZipWriter zip;
    zip.add(name, content);
    return zip.finish();
}

} // namespace

TEST_F(InProcessSyncTest, UpdatesAreDownloadedAndTheUpdaterGetsTheCommaText)
{
    const QByteArray updater = "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"$0.args.part\"\nmv \"$0.args.part\" \"$0.args\"\n";
    dm->SaveOption(CommonUser, QStringLiteral("restorator.zip"), QStringLiteral("2"));
    use({{"/cdb/version",
          {Xml(Versions("")), Xml(Versions("")),
           Xml(Versions("", Offer("program", "/pkg/program.zip", "1.4.2.0")
                                + Offer("restorator", "/pkg/restorator.zip", "3")
                                + Offer("support", "/pkg/support.zip", "x")))}},
         {"/pkg/program.zip", {FakeAnswer::data("program package")}},
         {"/pkg/restorator.zip", {FakeAnswer::data(ZipOf(UpdaterFileName, updater))}}});
    makeRun().aStartExecute();

    EXPECT_EQ(requests().mid(requests().size() - 2),
              (QStringList{"GET /pkg/program.zip [old]", "GET /pkg/restorator.zip [old]"}));
    EXPECT_EQ(ReadWholeFile(home.filePath("DownLoad/program.zip")), "program package");
    EXPECT_EQ(dm->ReadOption(CommonUser, QStringLiteral("restorator.zip")), QStringLiteral("3"));
    EXPECT_EQ(dm->ReadOption(CommonUser, QStringLiteral("LastSync")), QString::number(today()));
    EXPECT_EQ(output.lines.mid(output.lines.size() - 3),
              (QStringList{"Получение файла program.zip", "Получение файла restorator.zip", "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}));
    EXPECT_EQ(prompter->texts(), QStringList{"Сейчас программа будет перезапущена"});
    EXPECT_TRUE(records().contains("файл VuzudoVO.exe обновлён")) << records().join('|').toStdString();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(ExchangeRunning());
    const QString received = home.filePath(UpdaterFileName + ".args");
    for (int i = 0; i < 500 && !QFile::exists(received); ++i)
        QThread::msleep(10);
    EXPECT_EQ(ReadWholeFile(received), "1\nprogram%/pkg/program.zip*1.4.2.0,restorator%/pkg/restorator.zip*3\n");
    EXPECT_FALSE(output.progress.positions.isEmpty());
}

TEST_F(InProcessSyncTest, RestorerPackageWithoutAFittingUpdaterFailsTheRun)
{
    ZipWriter bomb;
    bomb.add(UpdaterFileName, QByteArray(MaxUpdaterBytes + 1, '\0'));
    const QByteArray oversized = bomb.finish();
    struct Row {
        const char *name;
        QByteArray package;
    };
    const Row rows[] = {
        {"without the updater", ZipOf("other.txt", "x")},
        {"updater over the cap", oversized},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        use({{"/cdb/version", {Xml(Versions("")), Xml(Versions("")),
                               Xml(Versions("", Offer("restorator", "/pkg/restorator.zip", "1")))}},
             {"/pkg/restorator.zip", {FakeAnswer::data(row.package)}}});
        served.clear();
        output.lines.clear();
        makeRun().aStartExecute();
        EXPECT_EQ(output.lines.mid(output.lines.size() - 3),
                  (QStringList{"Получение файла restorator.zip", "Зафиксирована ошибка синхронизации.",
                               "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}));
        EXPECT_EQ(output.statuses.last(), QStringLiteral("сбой процедуры"));
        EXPECT_FALSE(closed);
        EXPECT_FALSE(QFile::exists(home.filePath(UpdaterFileName)));
        EXPECT_EQ(dm->ReadOption(CommonUser, QStringLiteral("restorator.zip")), QString());
    }
}

TEST_F(InProcessSyncTest, RestoreDownloadKeepsOnlyARestoreArchive)
{
    const QByteArray archive = ZipOf("restore.xml", "<dataPacket/>");
    struct Row {
        const char *name;
        FakeAnswer restore;
        bool chosen;
        QString lastLine;
        bool saved;
    };
    FakeAnswer cut = FakeAnswer::data(archive);
    cut.headers << qMakePair(QByteArray("Content-Length"), QByteArray::number(archive.size() + 10));
    cut.contentLength = false;
    const QList<Row> rows = {
        {"Archive", FakeAnswer::data(archive), true, "ФАЙЛ ВОССТАНОВЛЕНИЯ ПОЛУЧЕН.", true},
        {"Cancelled", FakeAnswer::data(archive), false, "", false},
        {"Empty", FakeAnswer::data(""), true, "ошибка restore: сервер прислал пустой ответ", false},
        {"Refused", Xml("<dataPacket name=\"authfailed\"><message>Нет данных</message></dataPacket>"), true,
         "ошибка restore: Нет данных", false},
        {"NotFound", NotFound(), true, "ошибка restore: ", false},
        {"CutShort", cut, true, "ошибка restore: ", false},
        {"NotAZip", FakeAnswer::data("PK but not really"), true,
         "ошибка restore: присланный файл не является архивом восстановления", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        WriteWholeFile(dataFile("i.cod"), Enciphered(WorkstationXml()));
        App().ServerUrl = QStringLiteral("https://127.0.0.1/entry");
        App().ServerPort = server.port();
        const QString target = home.filePath(QStringLiteral("restore-%1.cod").arg(row.name));
        ScopedScriptedFileDialogs dialogs;
        if (row.chosen)
            dialogs->answer(target);
        use({{"/entry/sync/hello", {Xml(hello())}}, {"/cdb/restore", {row.restore}}});
        server.clearRequests();
        served.clear();
        output.lines.clear();
        makeRun().LoadFromFile();
        EXPECT_EQ(requests().last(), QStringLiteral("GET /cdb/restore?{new} [new]"));
        EXPECT_TRUE(output.lines.isEmpty() ? QString(row.lastLine).isEmpty()
                                           : output.lines.last().startsWith(row.lastLine))
            << output.lines.join('|').toStdString();
        EXPECT_EQ(QFile::exists(target), row.saved);
        if (row.saved) {
            QByteArray plain = ReadWholeFile(target);
            DecryptStream(plain, NewChamberKey);
            EXPECT_EQ(plain, archive);
        }
        EXPECT_EQ(output.statuses.last(), QString());
    }
}

// A workstation file without a chamber key gives no restore file: the
// built-in key is never a chamber's. Nothing is asked and nothing saved.
TEST_F(InProcessSyncTest, RestoreDownloadWithoutAChamberKeySavesNothing)
{
    WriteWholeFile(dataFile("i.cod"), Enciphered(WorkstationXml()));
    App().ServerUrl = QStringLiteral("https://127.0.0.1/entry");
    App().ServerPort = server.port();
    const QString target = home.filePath(QStringLiteral("restore.cod"));
    ScopedScriptedFileDialogs dialogs;
    dialogs->answer(target);
    use({{"/entry/sync/hello", {Xml(hello())}},
         {"/cdb/icod", {FakeAnswer::data(deliveredFile(""))}},
         {"/cdb/restore", {FakeAnswer::data(ZipOf("restore.xml", "<dataPacket/>"))}}});
    makeRun().LoadFromFile();
    ASSERT_TRUE(App().ChamberKey.isEmpty()) << "the delivered workstation file is in use";
    EXPECT_EQ(requests().last().section(QLatin1Char('?'), 0, 0), QStringLiteral("GET /cdb/restore"));
    EXPECT_TRUE(dialogs->requests().isEmpty());
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(output.lines.last(), QStringLiteral("Сообщение об ошибке помещено в Event Log Windows."));
    EXPECT_TRUE(records().join('|').contains(QStringLiteral("В файле i.cod нет ключа палаты")))
        << records().join('|').toStdString();
}

TEST(SyncStartDay, IsTheServerDayWithinTheTable)
{
    const qint64 min = Day(3, 10), max = Day(3, 13);
    struct Row {
        const char *name;
        QString lastDate;
        qint64 expected;
    };
    const QList<Row> rows = {{"Empty", "", min},
                             {"BeforeTheMinimum", "01.01.2026", min},
                             {"AfterTheMaximum", "20.03.2026", max},
                             {"Inside", "12.03.2026", Day(3, 12)},
                             {"Blanks", "11 3 2026", Day(3, 11)}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SyncStartDay(row.lastDate, min, max), row.expected);
    }
    EXPECT_EQ(SyncStartDay("1 2 2010", 0, 1000000), DateToDayNumber(QDate(2010, 2, 1)));
    EXPECT_EQ(SyncStartDay("", max, min), min) << "the newest LastDate wins when the two cross";
    try {
        SyncStartDay("31.02.2010", min, max);
        ADD_FAILURE() << "no failure";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("\"/version\" похоже использует неверный формат даты "));
    }
}

TEST(UpdateSelection, TakesOnlyWhatIsNewer)
{
    struct Row {
        const char *name;
        OfferedVersion offered;
        QString restoratorOption, supportOption;
        bool taken;
    };
    const QList<Row> rows = {
        {"ProgramSame", {"program", "/p.zip", "1.4.1.6"}, "", "", false},
        {"ProgramNewer", {"program", "/p.zip", "1.4.2.0"}, "", "", true},
        {"ProgramNewerByNumberNotText", {"program", "/p.zip", "1.4.10.0"}, "", "", true},
        {"ProgramUnreadable", {"program", "/p.zip", "1.x"}, "", "", false},
        {"RestoratorNewer", {"restorator", "/r.zip", "3"}, "2", "", true},
        {"RestoratorSame", {"restorator", "/r.zip", "2"}, "2", "", false},
        {"RestoratorOptionNoInteger", {"restorator", "/r.zip", "3"}, "zwei", "", false},
        {"SupportNoInteger", {"support", "/s.zip", "x"}, "", "", false},
        {"SupportNewer", {"support", "/s.zip", "4"}, "", "3", true},
        {"OtherName", {"manual", "/m.zip", "9"}, "", "", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TessalState state;
        const QList<QByteArray> items = SelectUpdates({row.offered}, row.restoratorOption, row.supportOption, state);
        EXPECT_EQ(items, row.taken ? QList<QByteArray>{UpdateItemText(row.offered)} : QList<QByteArray>{});
    }
    TessalState state;
    SelectUpdates({{"restorator", "/r.zip", "3"}, {"support", "/s.zip", "x"}}, "2", "", state);
    EXPECT_EQ(state.RestoratorVersionInstalled, 2);
    EXPECT_EQ(state.RestoratorVersionOffered, 3);
    EXPECT_EQ(state.SupportVersionOffered, 0);
}

TEST(DownloadProgress, UnknownOrZeroSizeCountsAsFiveMillionBytes)
{
    THttpsConnection connection;
    struct Row {
        const char *name;
        qint64 declared, received;
        int position;
    };
    const QList<Row> rows = {{"Declared", 1000, 500, 500},
                             {"Unknown", -1, 2500000, 500},
                             {"Zero", 0, 2500000, 500},
                             {"PastTheGuess", -1, 10000000, 2000}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        DownloadProgress progress(connection, nullptr);
        connection.OnSizeResource(&connection, row.declared);
        EXPECT_EQ(progress.sizePortion(row.received), row.position);
    }
    EXPECT_FALSE(connection.OnSizePortion);
}

TEST_F(InProcessSyncTest, PageActionsRunTheSynchronisationAndTheRestoreDownload)
{
    qputenv("TESSAL_CA_FILE", TestPki::instance().caFile.toLocal8Bit());
    use({{"/entry/sync/hello", {FakeAnswer::text("", "text/plain")}}});
    QStringList statuses;
    SyncHost host;
    host.setStatusText = [&statuses](const QString &text) { statuses << text; };
    TfSync page(*dm, host);
    page.WStartRequest(1);
    page.aLoadFromFileExecute();
    qunsetenv("TESSAL_CA_FILE");
    EXPECT_EQ(page.mLog->toPlainText(), QStringLiteral("Сервер вернул пустую строку на hello\nСИНХРОНИЗАЦИЯ ЗАВЕРШЕНА\n"
                                                       "Сервер вернул пустую строку на hello"));
    EXPECT_EQ(statuses, (QStringList{"Идёт передача...", "", "Ожидайте...", ""}));
    EXPECT_FALSE(page.aStop->isEnabled());
    EXPECT_EQ(requests(), (QStringList{"GET /entry/sync/hello?{old} [old]", "GET /entry/sync/hello [old]"}));
}

// The page's own run keeps both start actions off and the stop action on
// while it goes on, and gives them back however it ends.
TEST_F(InProcessSyncTest, PageStartActionsAreOffWhileItsRunGoesOn)
{
    const ScopedEnvironment ca({{"TESSAL_CA_FILE", TestPki::instance().caFile.toLocal8Bit()}});
    struct Row {
        const char *name;
        Script script;
        QString lastLines;
    };
    const QList<Row> rows = {
        {"EndedByTheServer",
         {{"/entry/sync/hello",
           {Xml(hello()), Xml("<dataPacket name=\"authfailed\"><message>Ключ неверен</message></dataPacket>")}}},
         "Ключ неверен\nСИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"},
        {"Failed", {{"/cdb/version", {Xml("<version/>")}}},
         "Зафиксирована ошибка синхронизации.\nСИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        WriteWholeFile(dataFile("i.cod"), Enciphered(WorkstationXml()));
        App().ServerUrl = QStringLiteral("https://127.0.0.1/entry");
        App().ServerPort = server.port();
        use(row.script);
        served.clear();
        TfSync page(*dm, SyncHost{});
        // (aStart itself is hidden, and a hidden action reports itself off.)
        const auto actions = [&page] {
            return QStringLiteral("aStart2 %1, aStop %2, busy cursor %3")
                .arg(page.aStart2->isEnabled())
                .arg(page.aStop->isEnabled())
                .arg(QApplication::overrideCursor() != nullptr)
                .toStdString();
        };
        // Seen the first time the run lets the window answer.
        std::vector<std::string> during;
        QMetaObject::invokeMethod(&page, [&] { during.push_back(actions()); }, Qt::QueuedConnection);
        page.WStartRequest(1);
        EXPECT_EQ(during, std::vector<std::string>{"aStart2 0, aStop 1, busy cursor 1"});
        EXPECT_EQ(actions(), "aStart2 1, aStop 0, busy cursor 0");
        EXPECT_TRUE(page.mLog->toPlainText().endsWith(row.lastLines)) << page.mLog->toPlainText().toStdString();
        EXPECT_FALSE(ExchangeRunning());
    }
}
