// The server worker inside this process: the restore file saved where the
// operator chooses, the download progress, the options and the port of an
// address.
#include "CdbExchange.h"
#include "CommonTessal.h"
#include "DatabaseOptions.h"
#include "EventJournal.h"
#include "FakeCentralServer.h"
#include "FileDialogs.h"
#include "ProgressSink.h"
#include "RestavoWorkstation.h"
#include "Sim.h"
#include "DownloadProgress.h"
#include "SqliteDatabase.h"
#include "TestSupport.h"
#include "UrlPort.h"
#include "ggError.h"
#include "obDCPcrypt.h"
#include "qlMsInternet.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

namespace {
using restavo_run::kKey;

struct Worker : ::testing::Test {
    QTemporaryDir home;
    ScopedMemoryJournal journal;
    ScopedEnvironment environment{{{"TESSAL_CA_FILE", TestPki::instance().caFile.toLocal8Bit()},
                                   {"TESSAL_CERT_DIR", TestPki::instance().makeStore({}).toLocal8Bit()}}};

    void SetUp() override
    {
        WriteWholeFile(home.filePath("data/i.cod"), restavo_run::WorkstationFileOf(3, 443));
        SetCdbRequestPauseMs(0);
    }
};

// The file deciphered by the openssl command line: AES-256, 8-bit CFB.
QByteArray DecipheredByOpenSsl(const QString &fileName, const QByteArray &key)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"enc", "-d", "-aes-256-cfb8", "-K", QString::fromLatin1(key.left(32).toHex()), "-iv",
                   QString::fromLatin1(CipherVector.toHex()), "-in", fileName});
    EXPECT_TRUE(openssl.waitForFinished(30000));
    EXPECT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
    return openssl.readAllStandardOutput();
}

// Records what the progress shows.
struct RecordingProgress : ProgressSink {
    QList<int> shown;
    bool open_ = false;
    void open() override { open_ = true; }
    void setPermille(int permille) override { shown << permille; }
    void close() override { open_ = false; }
};

} // namespace

TEST_F(Worker, RestoreFileIsSavedEncipheredWithTheChamberKeyWhereTheOperatorChooses)
{
    const QByteArray served = QByteArray("PK\x03\x04", 4) + QByteArray(100000, '\x7f');
    FakeCentralServer server;
    server.addRoute("GET", "/cdb/restore", FakeAnswer::data(served));
    WriteWholeFile(home.filePath("data/params.txt"), "127.0.0.1," + QByteArray::number(server.port()) + ",/cdb/");
    ScopedScriptedFileDialogs dialogs;
    const QString chosen = home.filePath("mine.cod");
    dialogs->answer(chosen);

    TSim sim(home.path());
    EXPECT_EQ(sim.ExecuteRestore(QStringLiteral("1.4.1.6")), 0);

    ASSERT_EQ(dialogs->requests().size(), 1);
    const FileDialogRequest asked = dialogs->requests().front();
    EXPECT_EQ(asked.kind, FileDialogRequest::SaveFile);
    EXPECT_EQ(asked.folder, home.filePath("DownLoad"));
    EXPECT_EQ(asked.fileName, "DataFromServer.cod");
    EXPECT_EQ(asked.defaultSuffix, "cod");
    EXPECT_TRUE(QDir(home.filePath("DownLoad")).exists());
    EXPECT_EQ(DecipheredByOpenSsl(chosen, kKey), served);
    EXPECT_EQ(server.requests().value(0).header("User-Agent"), "agent of the Orbanet");
}

TEST(DownloadProgress, ShowsTenthsOfTheWholeInSixtyFourBits)
{
    struct Case {
        const char *name;
        qint64 size;
        QList<qint64> portions;
        QList<int> shown; // after the opening 0
    };
    const qint64 big = 3'000'000'000LL; // beyond 32 bits
    const Case cases[] = {
        {"known size", 1000, {250, 254, 496}, {250, 500, 1000}},
        {"beyond 32 bits", big, {big / 2, big / 2}, {500, 1000}},
        {"declared size not passed", 1000, {600, 600}, {600, 1000}},
        {"unknown size: five million assumed", -1, {2'500'000, 2'500'000, 5'000'000}, {500, 1000, 2000}},
        {"size 0: five million assumed", 0, {1'000'000}, {200}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        THttpsConnection connection;
        RecordingProgress sink;
        {
            DownloadProgress progress(connection, &sink);
            EXPECT_TRUE(sink.open_);
            connection.OnSizeResource(&connection, k.size);
            for (const qint64 portion : k.portions)
                connection.OnSizePortion(&connection, portion);
        }
        EXPECT_FALSE(sink.open_);
        EXPECT_FALSE(connection.OnSizeResource);
        EXPECT_FALSE(connection.OnSizePortion);
        EXPECT_EQ(sink.shown, QList<int> {0} + k.shown);
    }
}

// Downloads through the worker show their progress also when the server
// sends no length: they are measured against five million bytes.
TEST_F(Worker, DownloadsShowProgressWithAndWithoutALength)
{
    const QByteArray package = QByteArray("PK\x03\x04", 4) + QByteArray(2'600'000 - 4, 'p');
    const int assumed = int(qint64(package.size()) * 100 / 5'000'000 * 10); // 520
    struct Row {
        const char *name;
        bool chunked;
        bool contentLength;
        int last; // the last position shown
    };
    const Row rows[] = {
        {"chunked", true, false, assumed},
        {"ended by closing", false, false, assumed},
        {"with its length", false, true, 1000},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        FakeCentralServer server;
        FakeAnswer answer = FakeAnswer::data(package);
        answer.chunked = row.chunked;
        answer.chunkSize = 65536;
        answer.contentLength = row.contentLength;
        server.addRoute("GET", "/pkg/support.zip", answer);
        server.addRoute("GET", "/cdb/restore", answer);
        WriteWholeFile(home.filePath("data/params.txt"), "127.0.0.1," + QByteArray::number(server.port()) + ",/cdb/");
        ScopedScriptedFileDialogs dialogs;
        dialogs->answer(home.filePath("restore.cod"));
        QDir().mkpath(home.filePath("DownLoad")); // the chain makes it before the first package

        // What each progress window showed, kept when the worker frees it.
        struct KeptProgress : RecordingProgress {
            QList<QList<int>> *kept = nullptr;
            ~KeptProgress() override { kept->append(shown); }
        };
        QList<QList<int>> kept;
        TSim sim(home.path());
        sim.MakeProgressWindow = [&kept] {
            auto window = std::make_unique<KeptProgress>();
            window->kept = &kept;
            return std::unique_ptr<ProgressSink>(std::move(window));
        };
        EXPECT_EQ(sim.ExecuteUpdate(QStringLiteral("1.4.1.6"), 0, QStringLiteral("support%/pkg/support.zip*4")), 1);
        EXPECT_EQ(sim.ExecuteRestore(QStringLiteral("1.4.1.6")), 0);
        EXPECT_EQ(ReadWholeFile(home.filePath("DownLoad/support.zip")), package);
        EXPECT_EQ(server.requests().value(0).path(), "/pkg/support.zip");
        ASSERT_EQ(kept.size(), 2);
        for (const QList<int> &positions : kept) {
            ASSERT_GE(positions.size(), 2);
            EXPECT_EQ(positions.first(), 0);
            EXPECT_EQ(positions.last(), row.last);
            EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
        }
    }
}

TEST_F(Worker, OptionsOfTheWorkstationDatabase)
{
    TSim sim(home.path());
    // no database yet: journalled, nothing read, nothing saved
    EXPECT_EQ(sim.ReadOption(CommonUser, QStringLiteral("restorator.zip")), QString());
    sim.SaveOption(CommonUser, QStringLiteral("restorator.zip"), QStringLiteral("7"));
    QStringList failures;
    for (const EventRecord &r : journal.sink().withId(EventId::FunctionFailed))
        failures << QString::number(r.type) + "," + QString::number(r.category) + ": " + r.strings.value(0);
    EXPECT_EQ(failures, (QStringList {"2,6: function TSim.ReadOption", "2,6: function DataTessal.TDM.SaveOption"}));
    EXPECT_FALSE(QFile::exists(home.filePath("data/Tessal.sqb")));

    {
        SqliteDatabase db(home.filePath("data/Tessal.sqb"));
        db.exec(QStringLiteral("create table Options (UserName blob, ParamName blob, Value blob)"));
    }
    TSim again(home.path());
    again.SaveOption(CommonUser, QStringLiteral("restorator.zip"), QStringLiteral("7"));
    again.SaveOption(CommonUser, QStringLiteral("restorator.zip"), QStringLiteral("8"));
    EXPECT_EQ(again.ReadOption(CommonUser, QStringLiteral("restorator.zip")), QStringLiteral("8"));
    SqliteDatabase db(home.filePath("data/Tessal.sqb"));
    EXPECT_EQ(DatabaseOptions(db).read(CommonUser, QStringLiteral("restorator.zip")), QStringLiteral("8"));
}

TEST(UrlPort, PortOfAnAddress)
{
    struct Case {
        const char *name;
        const char *url;
        int port; // 0: raises
    };
    const Case cases[] = {
        {"port and path", "https://sim.example:8443/service/x", 8443},
        {"port at the end", "https://sim.example:8443", 8443},
        {"no port", "https://sim.example/service", 443},
        {"host only", "sim.example", 443},
        {"colon in the path only", "https://sim.example/a:b", 443},
        {"port not a number", "https://sim.example:84x/", 0},
        {"empty port", "https://sim.example:/x", 0},
        {"port out of range", "https://sim.example:70000/", 0},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        if (k.port)
            EXPECT_EQ(UrlPort(QString::fromLatin1(k.url)), k.port);
        else
            EXPECT_THROW(UrlPort(QString::fromLatin1(k.url)), AppError);
    }
}
