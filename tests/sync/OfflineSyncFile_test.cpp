// The offline synchronisation file and the statistics, driven through the
// synchronisation window's core; the file is read back with the openssl,
// unzip and xmllint command lines.
#include "OfflineFileFixture.h"

#include "AtomicFileWriter.h"
#include "ExchangeGuard.h"
#include "FileDialogs.h"
#include "OfflineSyncFile.h"
#include "SyncWindowCore.h"

#include <QDir>
#include <pugixml.hpp>
#include <unistd.h>

namespace {

// Records what the core reports.
struct RecordingOutput : SyncWindowOutput {
    void logLine(const QString &line) override { lines << line; }
    void statusText(const QString &text) override { statuses << text; }
    void helpText(const QString &text) override { help << text; }
    void enableActions() override { ++enabled; }
    void keepAnswering() override { exchangeHeld = exchangeHeld || ExchangeRunning(); }

    QStringList lines, statuses, help;
    int enabled = 0;
    bool exchangeHeld = false;
};

// Deciphers the offline file with the chamber key and unzips it into Dir.
void OpenOfflineFile(const QString &file, const QString &dir)
{
    const QString zip = dir + "/sync.zip";
    RunProgram("openssl", {"enc", "-d", "-aes-256-cfb8", "-K", QString::fromLatin1(OfflineChamberKey.toHex()), "-iv",
                           QString::fromLatin1(CipherVector.toHex()), "-in", file, "-out", zip});
    RunProgram("unzip", {"-q", zip, "-d", dir + "/unzipped"});
}

// The disk refuses the data of the temporaries of this file (their sync
// fails), and only theirs.
QString RefusedFile;
int SyncRefusingTheFile(int fd)
{
    char target[4096];
    const ssize_t size = ::readlink(QStringLiteral("/proc/self/fd/%1").arg(fd).toLatin1().constData(), target,
                                    sizeof target);
    if (size > 0 && QFile::decodeName(QByteArray(target, size)).startsWith(RefusedFile + ".part-")) {
        errno = EIO;
        return -1;
    }
    return ::fsync(fd);
}

QStringList ReferenceNumbersOf(const QString &packetFile)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(packetFile.toUtf8().constData()));
    QStringList numbers;
    for (pugi::xml_node row : document.child("dataPacket").children("row"))
        numbers << QString::fromUtf8(row.attribute("referenceNo").value());
    return numbers;
}

} // namespace

class OfflineSyncFileTest : public OfflineFileTest {
protected:
    void SetUp() override
    {
        OfflineFileTest::SetUp();
        core = std::make_unique<SyncWindowCore>(*dm, output);
    }

    RecordingOutput output;
    std::unique_ptr<SyncWindowCore> core;
    ScopedScriptedFileDialogs dialogs;
};

TEST_F(OfflineSyncFileTest, CarriesThePacketAndTheCopiesAndDeliversWhatWentIn)
{
    addCertificate(1, 5, true, true);  // waiting for its file, copy in data
    addCertificate(2, 5, true, true);
    addCertificate(3, 5, true, false); // its copy is missing: stays waiting
    addCertificate(4, 5);              // no attached file at all
    addCertificate(5, 7, true, true);  // delivered before; its copy goes again
    addCertificate(6, 6, true, true);  // a project: its copy goes, its row does not
    // A reference number that cannot name a file, waiting for its file.
    insertCertificate(certificate(8, 8, {{"status", 5}, {"ReferenceNo", "../../k.c"}, {"fileName13", "x.pdf"}}));
    const QString chosen = home.filePath("chosen.cod");
    dialogs->answer(chosen);

    core->aSaveToFileExecute();

    ASSERT_EQ(dialogs->requests().size(), 1);
    const FileDialogRequest &request = dialogs->requests()[0];
    EXPECT_EQ(request.kind, FileDialogRequest::SaveFile);
    EXPECT_EQ(request.title, QStringLiteral("куда запишем ?"));
    EXPECT_EQ(request.folder, home.filePath("send"));
    EXPECT_EQ(request.fileName, QStringLiteral("TS_007_03_2026.03.15_x.zip.cod"));
    EXPECT_EQ(request.nameFilters, (QStringList{"default backup (KV_*_*_x.cod)", "custom backup (*.cod)", "all (*.*)"}));
    EXPECT_EQ(request.defaultSuffix, QStringLiteral("cod"));
    EXPECT_EQ(output.lines, (QStringList{"Процедура может занять несколько минут", "Формирование ...", "Шифруем ...",
                                         "ФАЙЛ СИНХРОНИЗАЦИИ СОЗДАН."}));
    EXPECT_EQ(output.statuses.first(), QStringLiteral("Ждите..."));
    EXPECT_EQ(output.statuses.last(), QString());
    EXPECT_TRUE(output.exchangeHeld);
    EXPECT_FALSE(ExchangeRunning());
    EXPECT_GE(output.enabled, 1);

    ASSERT_TRUE(QFile::exists(chosen));
    QTemporaryDir readBack;
    OpenOfflineFile(chosen, readBack.path());
    const QString unzipped = readBack.filePath("unzipped");
    QStringList entries = QDir(unzipped).entryList(QDir::Files);
    entries.sort();
    EXPECT_EQ(entries, (QStringList{copyName(1), copyName(2), copyName(5), copyName(6), "sync.xml"}));
    for (const qint64 id : {1, 2, 5, 6})
        EXPECT_EQ(ReadWholeFile(unzipped + "/" + copyName(id)), copyContent(id)) << id;
    const QString packet = unzipped + "/sync.xml";
    EXPECT_EQ(RunProgram("xmllint", {"--noout", packet}), 0);
    EXPECT_EQ(ReferenceNumbersOf(packet),
              (QStringList{"6007000001", "6007000002", "6007000003", "6007000004", "6007000005", "../../k.c"}));
    EXPECT_EQ(ReadWholeFile(sendFile("sync.xml")), ReadWholeFile(packet)); // left in the send folder
    EXPECT_EQ(sendEntries(), QStringList{"sync.xml"}); // nothing of the archive

    const QList<std::pair<qint64, qint64>> statuses = {{1, 7}, {2, 7}, {3, 5}, {4, 7}, {5, 7}, {6, 6}, {8, 5}};
    for (const auto &[id, status] : statuses)
        EXPECT_EQ(statusOf(id), status) << id;
    EXPECT_EQ(lastSync(), QString::number(today()));
    // The statistics were counted for the packet's arm element.
    EXPECT_EQ(App().StatusCounts.StatusCount7, 1);
}

TEST_F(OfflineSyncFileTest, OnlyProjectsGiveNoDataAndNoFile)
{
    addCertificate(1, 6, true, true);
    addCertificate(2, 6);
    const QString before = lastSync();

    core->aSaveToFileExecute();

    EXPECT_EQ(output.lines, (QStringList{"Процедура может занять несколько минут", "Формирование ...", "Нет данных"}));
    EXPECT_EQ(output.statuses.last(), QString());
    EXPECT_TRUE(dialogs->requests().isEmpty());
    EXPECT_FALSE(QFile::exists(sendFile("sync.xml")));
    EXPECT_EQ(lastSync(), before);
    EXPECT_EQ(statusOf(1), 6);
}

TEST(OfflineSyncFileName, PadsTheNumbersAndKeepsTheirLastDigits)
{
    struct Case {
        const char *name;
        int32_t chamber, workstation;
        QDate day;
        QString expected;
    };
    const QList<Case> cases = {
        {"short numbers", 5, 3, QDate(2010, 3, 2), "TS_005_03_2010.03.02_x.zip.cod"},
        {"exact widths", 123, 45, QDate(2026, 12, 31), "TS_123_45_2026.12.31_x.zip.cod"},
        {"longer numbers", 1234, 567, QDate(2026, 1, 9), "TS_234_67_2026.01.09_x.zip.cod"},
        {"zero", 0, 0, QDate(2026, 3, 15), "TS_000_00_2026.03.15_x.zip.cod"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DefaultOfflineFileName(c.chamber, c.workstation, c.day), c.expected) << c.name;
}

// Whatever stops the action before the file is whole leaves no file and the
// database as it was; only a failure is recorded as one.
TEST_F(OfflineSyncFileTest, EndingBeforeTheFileIsWholeChangesNothing)
{
    struct Case {
        const char *name;
        QString sql;       // run before the action
        QByteArray key;    // the chamber key
        QString chosen;    // relative to the test folder; empty: the dialog is cancelled
        bool failure;
        bool dialogShown;
        bool diskRefusesTheFile = false;
    };
    const QString refuse = "create trigger refuse before update on mcod begin select raise(abort, 'refused'); end";
    const QList<Case> cases = {
        {"cancelled", "", OfflineChamberKey, "", false, true},
        {"file cannot be written", "", OfflineChamberKey, "no-such-folder/x.cod", true, true},
        {"database refuses the status change", refuse, OfflineChamberKey, "send/x.cod", true, true},
        {"disk refuses the file's data", "", OfflineChamberKey, "send/x.cod", true, true, true},
        {"chamber key too short", "", "short", "send/x.cod", true, false},
        {"no chamber key", "", "", "send/x.cod", true, false},
    };
    int id = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ++id;
        addCertificate(id, 5, true, true);
        DatabaseOptions(dm->ASQLite3DBd).write(CommonUser, "LastSync", QString::number(today() - 30));
        const QString before = lastSync();
        if (!c.sql.isEmpty())
            exec(c.sql);
        App().ChamberKey = c.key;
        ScopedScriptedFileDialogs scripted;
        if (!c.chosen.isEmpty())
            scripted->answer(home.filePath(c.chosen));
        journal.sink().clear();
        output.lines.clear();
        RefusedFile = home.filePath(c.chosen);
        const FileSyncCall sync = ReplaceFileSyncCall(c.diskRefusesTheFile ? &SyncRefusingTheFile : &::fsync);

        core->aSaveToFileExecute();
        ReplaceFileSyncCall(sync);

        EXPECT_EQ(scripted->requests().size(), c.dialogShown ? 1 : 0);
        if (!c.chosen.isEmpty()) {
            EXPECT_FALSE(QFile::exists(home.filePath(c.chosen)));
        }
        EXPECT_EQ(sendEntries(), QStringList{"sync.xml"});
        EXPECT_EQ(statusOf(id), 5);
        EXPECT_EQ(lastSync(), before);
        EXPECT_FALSE(output.lines.contains(QStringLiteral("ФАЙЛ СИНХРОНИЗАЦИИ СОЗДАН.")));
        const QList<EventRecord> logged = journal.sink().withId(EventId::ExceptionCaught);
        if (c.failure) {
            EXPECT_EQ(output.lines.last(), QStringLiteral("Произошла ошибка. Смотри Event Log Windows."));
            ASSERT_EQ(logged.size(), 1);
            EXPECT_EQ(logged[0].strings[0], QStringLiteral("[Expert]Sync.TfSync.aSaveToFileExecute()"));
        } else {
            EXPECT_TRUE(logged.isEmpty());
        }
        EXPECT_FALSE(ExchangeRunning());
        exec("drop trigger if exists refuse");
        exec(QStringLiteral("delete from mcod where id = %1").arg(id)); // each case alone
    }
}

// The database takes the status change last, after the file is in place. When
// it refuses that commit (here: another program still reads the database), an
// older file of the chosen name, whose certificates its own run delivered,
// stays as it was, and nothing else is left in the folder.
TEST_F(OfflineSyncFileTest, ARefusedCommitKeepsTheOlderFileOfTheSameName)
{
    addCertificate(1, 5, true, true);
    const QString chosen = sendFile("x.cod");
    ASSERT_TRUE(QDir().mkpath(home.filePath("send")));
    const QByteArray older = "the file of an earlier run";
    WriteWholeFile(chosen, older);
    ASSERT_TRUE(QFile::setPermissions(chosen, QFile::ReadOwner | QFile::WriteOwner));
    const QString before = lastSync();
    const QFile::Permissions mode = QFile::permissions(chosen);
    dm->ASQLite3DBd.setBusyTimeout(200);
    {
        SqliteDatabase reader(databaseFile(), SqliteDatabase::OpenMode::MustExist);
        reader.exec("BEGIN; SELECT count(*) FROM mcod;"); // holds its read lock until the end of the block
        dialogs->answer(chosen);
        core->aSaveToFileExecute();
        reader.exec("COMMIT");
    }
    EXPECT_EQ(output.lines.last(), QStringLiteral("Произошла ошибка. Смотри Event Log Windows."));
    EXPECT_EQ(ReadWholeFile(chosen), older);
    EXPECT_EQ(QFile::permissions(chosen), mode);
    EXPECT_EQ(sendEntries(), (QStringList{"sync.xml", "x.cod"}));
    EXPECT_EQ(statusOf(1), 5);
    EXPECT_EQ(lastSync(), before);

    // Once the database takes the commit, the new file replaces the older one.
    dialogs->answer(chosen);
    core->aSaveToFileExecute();
    EXPECT_EQ(output.lines.last(), QStringLiteral("ФАЙЛ СИНХРОНИЗАЦИИ СОЗДАН."));
    QTemporaryDir readBack;
    OpenOfflineFile(chosen, readBack.path());
    EXPECT_EQ(ReadWholeFile(readBack.filePath("unzipped/" + copyName(1))), copyContent(1));
    EXPECT_EQ(sendEntries(), (QStringList{"sync.xml", "x.cod"}));
    EXPECT_EQ(statusOf(1), 7);
}

TEST_F(OfflineSyncFileTest, WaitsWhileAnotherExchangeRuns)
{
    addCertificate(1, 5, true, true);
    ExchangeTicket other = BeginExchange(QStringLiteral("синхронизация"));
    ASSERT_TRUE(other);
    dialogs->answer(home.filePath("x.cod"));

    core->aSaveToFileExecute();

    EXPECT_TRUE(output.lines.isEmpty());
    EXPECT_TRUE(dialogs->requests().isEmpty());
    EXPECT_EQ(output.help,
              QStringList{QStringLiteral("Идёт обмен с сервером (синхронизация). Дождитесь его завершения.")});
    EXPECT_EQ(statusOf(1), 5);
    EXPECT_EQ(RunningExchange(), QStringLiteral("синхронизация"));
}

TEST_F(OfflineSyncFileTest, StatisticsCountTheStatusesTheCentreKeeps)
{
    const QList<int> statuses = {7, 7, 8, 9, 10, 10, 10, 5, 6, 12};
    for (int i = 0; i < statuses.size(); ++i)
        addCertificate(i + 1, statuses[i]);
    core->aStatusExecute();
    const StatusCounters &counts = App().StatusCounts;
    EXPECT_EQ(counts.StatusCount7, 2);
    EXPECT_EQ(counts.StatusCount8, 1);
    EXPECT_EQ(counts.StatusCount9, 1);
    EXPECT_EQ(counts.StatusCount10, 3);
}
