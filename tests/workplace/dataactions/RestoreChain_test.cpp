// The restore of the certificates through the main window: the real Restavo
// loads a restore file made here (our zip writer, the openssl cipher); a
// stand-in Restavo program ends without answering or is killed. The runs are
// counted where the chain starts them, so a child of an earlier case that is
// reaped late never counts in this one.
#include "StoreFixture.h"

#include "ChildLauncher.h"
#include "ExchangeGuard.h"
#include "FileDialogs.h"
#include "FormMain.h"
#include "RestavoCommand.h"
#include "RestoreChain.h"
#include "RestoreFile.h"
#include "WorkplacePages.h"
#include "ZipArchive.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QStatusBar>
#include <QTest>

#include <csignal>

namespace {

const QByteArray ChamberKey = QByteArrayLiteral("k3Y-of-the-chamber+0123456789abc");

QByteArray RestoreXml(const QByteArray &thirdIssued = "03.02.2010")
{
    QByteArray rows;
    const QByteArray issued[] = {"01.02.2010", "02.02.2010", thirdIssued};
    for (int i = 0; i < 3; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        rows += "<row status=\"7\" blankNo=\"" + n + "\" referenceNo=\"600700000" + n
            + "\" language=\"ru\" issued=\"" + issued[i] + "\" expert=\"Иванов\" sender=\"Альфа&#xA;Москва\">"
              "<uGoodsList><commodity idx=\"1\" title=\"Чай\"/></uGoodsList></row>";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><root><arm lastKnownChange=\"9\"/>" + rows + "</root>";
}

class RestoreChainTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        App().ChamberKey = ChamberKey;
        qputenv("TESSAL_HOME", home.path().toUtf8());
        // The chain starts Restavo from the program folder.
        ASSERT_TRUE(QFile::link(BuiltProgram("Restavo"), home.filePath("Restavo")));
        main = std::make_unique<TfMain>();
        // The chain's own starter, counting what it starts.
        main->setRestavoStarter([this](const RestavoCommand &command) {
            const LaunchResult launched = StartRestavo(home.path(), command);
            if (launched.started)
                pids << launched.pid;
            return launched;
        });
        RegisterWorkplacePages(*main);
        main->aListExecute();
    }
    void TearDown() override
    {
        // No case leaves a child behind for the next one.
        EXPECT_TRUE(QTest::qWaitFor([] { return ChildLauncher::instance().runningCount() == 0; }, 60000));
        main.reset();
        qunsetenv("TESSAL_HOME");
        StoreFixture::TearDown();
    }

    // The restore file home/DownLoad/<name>: the XML zipped under Entry and
    // enciphered with Key (the chamber key) by the openssl command line.
    QString restoreFile(const QByteArray &xml, const QString &entry = "DataFromServer.xml",
                        const QString &name = "abc.cod", const QByteArray &key = ChamberKey)
    {
        ZipWriter zip;
        zip.add(entry, xml);
        const QString plain = home.filePath("plain.zip");
        WriteWholeFile(plain, zip.finish());
        const QString file = home.filePath("DownLoad/" + name);
        QDir().mkpath(home.filePath("DownLoad"));
        RunProgram("openssl", {"enc", "-aes-256-cfb8", "-K", QString::fromLatin1(key.toHex()), "-iv",
                               QString::fromLatin1(CipherVector.toHex()), "-in", plain, "-out", file});
        QFile::remove(plain);
        return file;
    }

    // Chooses File in the open dialog, runs the action and waits until the
    // chain has ended.
    void restore(const QString &file)
    {
        dialogs->answer(file);
        main->action("aRollback")->trigger();
        EXPECT_TRUE(QTest::qWaitFor([] { return !ExchangeRunning(); }, 60000)) << "the chain did not end";
        EXPECT_TRUE(QTest::qWaitFor([] { return ChildLauncher::instance().runningCount() == 0; }, 60000));
    }

    // Puts a stand-in for Restavo in the program folder: a shell script.
    void fakeRestavo(const QByteArray &script)
    {
        const QString file = home.filePath("Restavo");
        ASSERT_TRUE(QFile::remove(file));
        WriteWholeFile(file, "#!/bin/sh\n" + script + "\n");
        ASSERT_TRUE(QFile(file).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    // The data folder's files besides the journal, which Restavo writes to.
    QStringList dataFiles() const
    {
        QStringList files = QDir(dataDir()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        files.removeAll("journal.jsonl");
        return files;
    }
    QString status() const { return main->statusBarWidget()->currentMessage(); }

    std::unique_ptr<TfMain> main;
    ScopedScriptedFileDialogs dialogs;
    QList<qint64> pids; // of the runs the chain started
};

TEST_F(RestoreChainTest, LoadsTheRowsAndReplacesTheDatabase)
{
    const QStringList before = dataFiles();
    // The operator let others read the database; the restored one keeps that.
    SetFilePermissions(databaseFile(), 0644);
    const QString file = restoreFile(RestoreXml());
    restore(file);
    EXPECT_EQ(main->helpLine(), "Загрузка завершена. Перезапустите программу!");
    EXPECT_EQ(FilePermissions(databaseFile()), 0644);
    EXPECT_EQ(status(), "");
    EXPECT_EQ(pids.size(), 1);
    ASSERT_EQ(dialogs->requests().size(), 1);
    EXPECT_EQ(dialogs->requests()[0].title, "Открываем файл для восстановления данных ЛБД");
    EXPECT_EQ(dialogs->requests()[0].folder, home.filePath("DownLoad"));
    // The list shows the restored rows from the reopened database.
    EXPECT_TRUE(dm->ASQLite3DBd.isOpen());
    EXPECT_EQ(value("select group_concat(id) from (select id from mcod order by id)").toString(), "2,3,4");
    EXPECT_EQ(value("select hex(Sender) from mcod where id = 2").toString(), WideHex("Альфа\r\nМосква"));
    EXPECT_EQ(dm->ReadOption(CommonUser, "lastChange"), "9");
    EXPECT_EQ(dm->ASQM.recordCount(), 3);
    // Neither the XML nor temp.sqb is left; the restore file stays.
    EXPECT_EQ(dataFiles(), before);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(ChildLauncher::instance().runningCount(), 0);
}

TEST_F(RestoreChainTest, ARowThatAlwaysFailsEndsTheChainAndKeepsTheDatabase)
{
    const QStringList before = dataFiles();
    const QByteArray database = ReadWholeFile(databaseFile());
    restore(restoreFile(RestoreXml("31.02.2010")));
    EXPECT_EQ(pids.size(), RestoreChain::MaxRunsAtOneRow);
    EXPECT_TRUE(main->helpLine().startsWith(StartFailurePrefix + "запись 3 ")) << main->helpLine().toStdString();
    EXPECT_EQ(ReadWholeFile(databaseFile()), database);
    EXPECT_EQ(dataFiles(), before);
    EXPECT_TRUE(dm->ASQM.isActive());
    EXPECT_EQ(ChildLauncher::instance().runningCount(), 0);
}

TEST_F(RestoreChainTest, AFailedFinalCopyKeepsTheLoadedRows)
{
    // The final copy cannot replace a folder.
    SetFilePermissions(databaseFile(), 0644);
    const QString file = restoreFile(RestoreXml());
    dialogs->answer(file);
    main->action("aRollback")->trigger();
    ASSERT_TRUE(ExchangeRunning());
    ASSERT_TRUE(QFile::rename(databaseFile(), dataFile("Tessal.kept")));
    ASSERT_TRUE(QDir().mkdir(databaseFile()));
    EXPECT_TRUE(QTest::qWaitFor([] { return !ExchangeRunning(); }, 60000));
    EXPECT_TRUE(main->helpLine().startsWith("Не удалось заменить базу Tessal.sqb")) << main->helpLine().toStdString();
    EXPECT_EQ(QueryRows(dataFile("temp.sqb"), "select count(*) from mcod"), QStringList({"3"}));
    // The copy of the database is its owner's only, whoever may read the database.
    EXPECT_EQ(FilePermissions(dataFile("temp.sqb")), 0600);
    EXPECT_FALSE(QFile::exists(dataFile("abc")));
    EXPECT_EQ(pids.size(), 1);
}

// A run that fails says how: never "Операция успешно завершена", the
// system's text for the reply's wParam 0.
TEST_F(RestoreChainTest, AFailedRunTellsHowItEndedAndKeepsTheDatabase)
{
    struct Case {
        const char *name;
        QByteArray fakeScript;   // empty: the real Restavo, which cannot load the document
        QByteArray xml;          // the restore file's document
        bool kill;               // the test kills the run
        QString helpLine;
    };
    // The real Restavo first: the stand-ins replace it.
    const Case cases[] = {
        {"replies with an error", {}, "<root><row status=", false,
         StartFailurePrefix + "Restavo сообщил, что операция не выполнена (подробности в журнале событий)."},
        {"exits without replying", "exit 3", RestoreXml(), false,
         StartFailurePrefix + "Restavo завершился, не ответив (код завершения 3)."},
        {"killed mid-run", "exec sleep 120", RestoreXml(), true,
         StartFailurePrefix + "Restavo завершился, не ответив (прерван сигналом 9)."},
    };
    const QByteArray database = ReadWholeFile(databaseFile());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.fakeScript.isEmpty())
            fakeRestavo(c.fakeScript);
        const QStringList before = dataFiles();
        pids.clear();
        dialogs->answer(restoreFile(c.xml));
        main->action("aRollback")->trigger();
        if (c.kill) {
            ASSERT_TRUE(QTest::qWaitFor([this] { return !pids.isEmpty(); }, 60000));
            ASSERT_EQ(::kill(pid_t(pids.first()), SIGKILL), 0);
        }
        EXPECT_TRUE(QTest::qWaitFor([] { return !ExchangeRunning(); }, 60000)) << "the chain did not end";
        EXPECT_TRUE(QTest::qWaitFor([] { return ChildLauncher::instance().runningCount() == 0; }, 60000));
        EXPECT_EQ(main->helpLine(), c.helpLine);
        EXPECT_EQ(status(), "");
        EXPECT_EQ(pids.size(), 1);
        EXPECT_EQ(ReadWholeFile(databaseFile()), database);
        EXPECT_EQ(dataFiles(), before);
        EXPECT_TRUE(dm->ASQLite3DBd.isOpen());
        EXPECT_TRUE(dm->ASQM.isActive());
    }
}

// The document takes the restore file's name without ".cod", in a folder of
// its own: a file named after the database's own files never puts the XML
// where SQLite looks for the database or its journal, and the restore works.
TEST_F(RestoreChainTest, ARestoreFileNamedLikeTheDatabaseFilesLoads)
{
    const QStringList names = {"Tessal.sqb.cod", "Tessal.sqb-journal.cod", "temp.sqb.cod", "temp.sqb-journal.cod",
                               "i.cod.cod", "abc.zip.cod"};
    const QStringList before = dataFiles();
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString file = restoreFile(RestoreXml(), "DataFromServer.xml", name);
        const QString xml = ExtractRestoreXml(file, ChamberKey, dataDir());
        EXPECT_EQ(QFileInfo(xml).fileName(), name.chopped(4));
        EXPECT_NE(QFileInfo(xml).absolutePath(), QFileInfo(dataDir()).absoluteFilePath());
        EXPECT_EQ(QFileInfo(QFileInfo(xml).absolutePath()).absolutePath(), QFileInfo(dataDir()).absoluteFilePath());
        EXPECT_EQ(QFile::permissions(QFileInfo(xml).absolutePath()) & (QFile::ReadOther | QFile::ReadGroup), 0);
        EXPECT_EQ(ReadWholeFile(xml), RestoreXml());
        RemoveRestoreXml(xml);
        EXPECT_EQ(dataFiles(), before);
    }
    for (const QString &name : {QStringLiteral("temp.sqb.cod"), QStringLiteral("Tessal.sqb-journal.cod")}) {
        SCOPED_TRACE(name.toStdString());
        restore(home.filePath("DownLoad/" + name));
        EXPECT_EQ(main->helpLine(), "Загрузка завершена. Перезапустите программу!");
        EXPECT_EQ(value("select group_concat(id) from (select id from mcod order by id)").toString(), "2,3,4");
        EXPECT_EQ(dataFiles(), before);
        exec("delete from dcod; delete from mcod");
    }
}

// The document goes from the file to the disk in pieces: one larger than
// the in-memory cap of zip entries (256 MiB) is extracted whole.
TEST_F(RestoreChainTest, ADocumentBeyondTheMemoryCapIsExtracted)
{
    const qsizetype size = (qsizetype(256) << 20) + 4096;
    QByteArray xml = "<?xml version=\"1.0\"?><root>";
    xml += QByteArray(size - xml.size() - 7, ' ') + "</root>";
    const QString file = restoreFile(xml);
    xml.clear();
    const QString extracted = ExtractRestoreXml(file, ChamberKey, dataDir());
    EXPECT_EQ(QFileInfo(extracted).size(), size);
    QFile document(extracted);
    ASSERT_TRUE(document.open(QIODevice::ReadOnly));
    EXPECT_TRUE(document.read(30).startsWith("<?xml version=\"1.0\"?><root>   "));
    document.close();
    RemoveRestoreXml(extracted);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(extracted).absolutePath()));
}

TEST_F(RestoreChainTest, RefusalsLeaveEverythingAsItWas)
{
    std::optional<ExchangeTicket> other;
    struct Case {
        const char *name;
        std::function<QString()> arrange; // the file to choose; empty when no dialog may be shown
        QString helpLine;
    };
    const Case cases[] = {
        {"another exchange runs",
         [&] {
             other = BeginExchange("sync");
             return QString();
         },
         "Идёт обмен с сервером. Повторите после его завершения."},
        {"the first entry lies in a folder", [&] { return restoreFile(RestoreXml(), "x/DataFromServer.xml"); },
         "произошла ошибка"},
        {"not deciphered with the chamber key",
         [&] {
             WriteWholeFile(home.filePath("DownLoad/plain.cod"), "PK not a cipher text");
             return home.filePath("DownLoad/plain.cod");
         },
         "произошла ошибка"},
        // The built-in key would read it, but a restore file is the chamber's.
        {"a workstation file without a chamber key",
         [&] {
             App().ChamberKey.clear();
             return restoreFile(RestoreXml(), "DataFromServer.xml", "abc.cod", DefaultCipherKey);
         },
         "произошла ошибка"},
    };
    const QByteArray database = ReadWholeFile(databaseFile());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList before = dataFiles();
        const int asked = dialogs->requests().size();
        const QString chosen = c.arrange();
        if (!chosen.isEmpty())
            dialogs->answer(chosen);
        main->action("aRollback")->trigger();
        other.reset();
        EXPECT_EQ(dialogs->requests().size(), asked + (chosen.isEmpty() ? 0 : 1));
        EXPECT_FALSE(ExchangeRunning());
        EXPECT_EQ(main->helpLine(), c.helpLine);
        EXPECT_EQ(dataFiles(), before);
        EXPECT_EQ(ReadWholeFile(databaseFile()), database);
        EXPECT_TRUE(dm->ASQLite3DBd.isOpen());
        App().ChamberKey = ChamberKey;
    }
    EXPECT_EQ(pids.size(), 0);
    // A stray reply outside a chain does nothing.
    main->WRollback(-1, 2);
    EXPECT_EQ(ReadWholeFile(databaseFile()), database);
    // A database with certificates is not restored over.
    insertCertificate(certificate(1, 1));
    const int asked = dialogs->requests().size();
    main->action("aRollback")->trigger();
    EXPECT_EQ(dialogs->requests().size(), asked);
    EXPECT_EQ(prompter->texts(),
              QStringList({"У вас есть накопленная информация.\r\n Для восстановления база должна быть пустой"}));
}

} // namespace
