// The archive export and its import into an empty workstation.
#include "ArchiveActions.h"
#include "AtomicFileWriter.h"
#include "DatabaseInterlock.h"
#include "FileDialogs.h"
#include "ProgramRestart.h"
#include "StoreFixture.h"
#include "ggError.h"

#include <QDir>
#include <cerrno>
#include <functional>

class ArchiveActionsTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        CancelProgramRestart();
        archives = home.path() + QStringLiteral("/archives");
        QDir().mkpath(archives);
    }
    void TearDown() override
    {
        CancelProgramRestart();
        StoreFixture::TearDown();
    }

    void addUser(const QString &name)
    {
        dm->cdsUsers.append();
        dm->cdsUsers.fieldByName("UserName").setValue(name);
        dm->cdsUsers.fieldByName("Password").setValue(QByteArray("D41D8CD98F00B204E9800998ECF8427E"));
        dm->cdsUsers.post();
    }
    QStringList userNames(TDM &module)
    {
        QStringList names;
        for (module.cdsUsers.first(); !module.cdsUsers.eof(); module.cdsUsers.next())
            names << module.cdsUsers.fieldByName("UserName").asString();
        return names;
    }
    qint64 certificates() { return value("select count(*) from mcod").toLongLong(); }
    // Today's archive folder, made by an export of this workstation (chamber 7, workstation 3).
    QString todaysArchive() const { return archives + QStringLiteral("/Tessal_7_03_2026.03.15"); }

    // Exports the working database with two certificates and two users, as a
    // running program does, then empties the database and the users.
    void exportWorkstationThenEmptyIt()
    {
        insertCertificate(certificate(1, 45));
        insertCertificate(certificate(2, 46, {{"status", 7}}));
        addUser(QStringLiteral("Иванов"));
        addUser(QStringLiteral("Петров"));
        ASSERT_TRUE(DatabaseInterlock(dm->ASQLite3DBd).claim(QStringLiteral("run-1")).isEmpty());
        dialogs->answer(archives);
        ExportArchive(*dm);
        ASSERT_TRUE(QFileInfo::exists(todaysArchive() + "/Tessal.sqb"));
        ASSERT_TRUE(QFileInfo::exists(todaysArchive() + "/k.cod"));
        exec("delete from mcod");
        while (!dm->cdsUsers.isEmpty()) {
            dm->cdsUsers.first();
            dm->cdsUsers.deleteRecord();
        }
        dm->SaveAll();
        prompter->clear();
    }

    ScopedScriptedFileDialogs dialogs;
    QString archives;
};

TEST_F(ArchiveActionsTest, ExportThenImportIntoAnEmptyDatabaseComesBackWholeAfterTheRestart)
{
    exportWorkstationThenEmptyIt();
    EXPECT_EQ(dialogs->requests()[0].title, QStringLiteral("Выберите папку для сохранения архива"));

    dialogs->answer(todaysArchive());
    EXPECT_EQ(ImportArchive(*dm), ArchiveImportOutcome::Imported);
    EXPECT_EQ(dialogs->requests()[1].kind, FileDialogRequest::ChooseFolder);
    EXPECT_EQ(dialogs->requests()[1].title, QStringLiteral("Выберите папку с сохраненным архивом"));
    EXPECT_EQ(prompter->texts(), QStringList{QStringLiteral("Программу нужно перезагрузить!")});
    EXPECT_EQ(prompter->shown()[0].icon, Prompt::Error);
    EXPECT_TRUE(App().StopFlag);
    EXPECT_TRUE(ProgramRestartRequested());
    EXPECT_FALSE(dm->ASQLite3DBd.isOpen());
    EXPECT_EQ(QDir(dataDir()).entryList({"*.part-*", "*.before-import"}), QStringList());

    // The next run: the data module over the imported files.
    dm = nullptr;
    module.reset(); // as the run ends: the stop flag keeps the imported k.cod
    ResetAppState();
    TDM &next = makeModule();
    next.ReadUsersFile();
    next.LoadAll();
    ASSERT_FALSE(App().StopFlag);
    EXPECT_EQ(DatabaseInterlock(next.ASQLite3DBd).claim(QStringLiteral("run-2")), QString())
        << "the archive held run-1's interlock: the start would stop with the \"Stop\" dialog";
    EXPECT_EQ(next.ASQM.recordCount(), 2);
    EXPECT_EQ(userNames(next), (QStringList{QStringLiteral("Иванов"), QStringLiteral("Петров")}));
}

TEST_F(ArchiveActionsTest, ImportIsRefusedWhileTheDatabaseHoldsCertificates)
{
    exportWorkstationThenEmptyIt();
    insertCertificate(certificate(3, 47));
    const QByteArray base = ReadWholeFile(databaseFile());
    const QByteArray users = ReadWholeFile(dataFile("k.cod"));

    dialogs->answer(todaysArchive());
    EXPECT_EQ(ImportArchive(*dm), ArchiveImportOutcome::DatabaseNotEmpty);
    EXPECT_EQ(prompter->texts(),
              QStringList{QStringLiteral("В базе есть сертификаты. Импорт возможен только в пустую базу.")});
    EXPECT_EQ(prompter->shown()[0].icon, Prompt::Error);
    EXPECT_EQ(ReadWholeFile(databaseFile()), base);
    EXPECT_EQ(ReadWholeFile(dataFile("k.cod")), users);
    EXPECT_FALSE(App().StopFlag);

    // No choice, nothing at all.
    EXPECT_EQ(ImportArchive(*dm), ArchiveImportOutcome::Cancelled);
    EXPECT_EQ(prompter->texts().size(), 1);
}

TEST_F(ArchiveActionsTest, AFailedImportLeavesBothFilesAsTheyWere)
{
    exportWorkstationThenEmptyIt();
    const QString archive = todaysArchive();
    const ArchiveFileCopy failOnUsersFile = [](const QString &source, AtomicFileWriter &out) {
        return source.endsWith("k.cod") ? EIO : CopyFileInto(source, out);
    };
    const ArchiveFileCopy failOnDatabase = [](const QString &source, AtomicFileWriter &out) {
        out.write("SQLite format 3"); // a part of it, then the failure
        return source.endsWith("Tessal.sqb") ? ENOSPC : CopyFileInto(source, out);
    };
    struct Case {
        const char *name;
        std::function<void()> spoil;
        ArchiveFileCopy copy;
    };
    const QList<Case> cases = {
        {"copy of k.cod fails", [] {}, failOnUsersFile},
        {"copy of the database fails", [] {}, failOnDatabase},
        {"archive database damaged", [&] { WriteWholeFile(archive + "/Tessal.sqb", QByteArray(4096, 'x')); },
         nullptr},
        {"k.cod missing from the archive", [&] { QFile::remove(archive + "/k.cod"); }, nullptr},
    };
    const QStringList dataFiles = QDir(dataDir()).entryList(QDir::Files | QDir::Hidden);
    const QByteArray base = ReadWholeFile(databaseFile());
    const QByteArray users = ReadWholeFile(dataFile("k.cod"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.spoil();
        dialogs->answer(archive);
        EXPECT_THROW(ImportArchive(*dm, c.copy), AppError);
        EXPECT_EQ(ReadWholeFile(databaseFile()), base);
        EXPECT_EQ(ReadWholeFile(dataFile("k.cod")), users);
        EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files | QDir::Hidden), dataFiles) << "no temporaries left";
        EXPECT_FALSE(App().StopFlag);
        EXPECT_FALSE(ProgramRestartRequested());
        EXPECT_TRUE(dm->ASQLite3DBd.isOpen()) << "the workstation goes on as before";
        EXPECT_TRUE(prompter->texts().isEmpty());
    }
    EXPECT_GE(journal.sink().withId(EventId::FileCopyFailed).size(), 3);
}
