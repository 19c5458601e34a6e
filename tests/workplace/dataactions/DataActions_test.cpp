// The main window's data actions, offscreen: which are offered, and that
// each reaches its work, asks first where it should and reports back.
#include "StoreFixture.h"

#include "CommonTessalFiles.h"
#include "FileDialogs.h"
#include "GGDateTime.h"
#include "ggFiles.h"
#include "FormMain.h"
#include "PickListLoaders.h"
#include "WaitWindowProgress.h"
#include "WorkplacePages.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

class DataActionsTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        main = std::make_unique<TfMain>();
        RegisterWorkplacePages(*main);
    }
    void TearDown() override
    {
        main.reset();
        StoreFixture::TearDown();
    }
    bool enabled(const char *name) { return main->action(QLatin1String(name))->isEnabled(); }
    qint64 phrases() { return value("select count(*) from Phrase where stype = 3").toLongLong(); }

    std::unique_ptr<TfMain> main;
    ScopedScriptedFileDialogs dialogs;
};

TEST_F(DataActionsTest, ArchivesAreTheAdministratorsTheUpdateAndLoadersEveryonesActions)
{
    const QStringList loaders = {"aLoadContragents", "aLoadGoods",    "aLoadTransport",   "aLoadDetails",
                                 "aLoadPackage",     "aLoadQuantity", "aLoadOfficialUse", "aLoadCountry"};
    for (int user : {2, 1}) {
        App().CurrentUserId = user;
        main->SetEnableActions();
        EXPECT_EQ(enabled("aExport"), user == 1) << user;
        EXPECT_EQ(enabled("aImport"), user == 1) << user;
        EXPECT_TRUE(enabled("aModify")) << user;
        for (const QString &name : loaders)
            EXPECT_TRUE(main->action(name)->isEnabled()) << name.toStdString();
    }
    App().StopFlag = true;
    main->SetEnableActions();
    EXPECT_FALSE(enabled("aExport"));
}

TEST_F(DataActionsTest, ALoaderAsksFirstAndReportsThatItIsDone)
{
    exec("delete from Phrase where stype = 3");
    insertCertificate(certificate(1, 45, {{"transport", QStringLiteral("Авиа")}}));
    main->setHelpLine(QStringLiteral("Expert"));
    const int waitWindows = WaitWindowProgress::timesOpened();

    prompter->answer(Prompt::IdNo);
    main->action("aLoadTransport")->trigger();
    ASSERT_EQ(prompter->shown().size(), 1);
    EXPECT_EQ(prompter->shown()[0].text, QString::fromUtf8(PickListLoadQuestion));
    EXPECT_EQ(prompter->shown()[0].icon, Prompt::Warning);
    EXPECT_EQ(prompter->shown()[0].buttons, Prompt::YesNo);
    EXPECT_EQ(phrases(), 0);
    EXPECT_EQ(main->helpLine(), QStringLiteral("Expert"));
    EXPECT_EQ(WaitWindowProgress::timesOpened(), waitWindows);

    prompter->answer(Prompt::IdYes);
    main->action("aLoadTransport")->trigger();
    EXPECT_EQ(phrases(), 1);
    EXPECT_EQ(main->helpLine(), QStringLiteral("Операция завершена"));
    // The wait window showed while the loader ran, and the cursor is back.
    EXPECT_EQ(WaitWindowProgress::timesOpened(), waitWindows + 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// "Создать архив" tells the operator where the copy is, or that it failed.
TEST_F(DataActionsTest, ArchiveExportSaysWhereTheCopyIsOrThatItFailed)
{
    App().CurrentUserId = 1;
    main->SetEnableActions();
    const QString archive =
        JoinPath(home.filePath("archives"), ArchiveFolderName(App().ChamberNumber, App().WorkstationNumber, Today()));
    QDir().mkpath(home.filePath("archives"));
    dialogs->answer(home.filePath("archives"));
    main->action("aExport")->trigger();
    ASSERT_TRUE(QFileInfo::exists(archive + "/Tessal.sqb"));
    ASSERT_EQ(prompter->shown().size(), 1);
    EXPECT_EQ(prompter->shown()[0].text, QStringLiteral("Архив создан: ") + archive);
    EXPECT_EQ(prompter->shown()[0].icon, Prompt::Information);
    EXPECT_EQ(main->helpLine(), prompter->shown()[0].text);

    // Copies that cannot be written, even by root: the box gives the cause in
    // Russian and the journal file's path.
    const QString journal = dataDir() + QStringLiteral("/journal.jsonl");
    const QString folderCause = QStringLiteral("Системе не удается найти указанный путь.");
    struct Case {
        const char *name;
        QString blocking;  // made inside today's archive folder of the chosen folder ("": that folder itself)
        bool blockingFile; // a file, else a folder
        QString cause;
    };
    const QList<Case> cases = {
        {"a file where today's archive folder should be", "", true,
         "Tessal.sqb: " + folderCause + " k.cod: " + folderCause},
        {"a folder where the database copy should be", "Tessal.sqb", false,
         QStringLiteral("Tessal.sqb: Это папка, а не файл.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        prompter->clear();
        const QString chosen = home.filePath(QString::fromUtf8(c.name).replace(' ', '_'));
        const QString todays = chosen + QLatin1Char('/') + QFileInfo(archive).fileName();
        const QString blocking = c.blocking.isEmpty() ? todays : todays + QLatin1Char('/') + c.blocking;
        if (c.blockingFile) {
            QDir().mkpath(chosen);
            WriteWholeFile(blocking, "x");
        } else {
            QDir().mkpath(blocking);
        }
        dialogs->answer(chosen);
        main->action("aExport")->trigger();
        ASSERT_EQ(prompter->shown().size(), 1);
        EXPECT_EQ(prompter->shown()[0].text.toStdString(),
                  (QStringLiteral("Не удалось создать архив в папке ") + chosen + QStringLiteral(": ") + c.cause
                   + QStringLiteral(" Подробности в журнале событий: ") + journal)
                      .toStdString());
        EXPECT_EQ(prompter->shown()[0].icon, Prompt::Error);
        EXPECT_EQ(main->helpLine(), prompter->shown()[0].text);
        // The database is open again either way.
        EXPECT_EQ(value("select count(*) from mcod").toLongLong(), 0);
    }
}

TEST_F(DataActionsTest, AFailedImportIsShownInTheHelpLine)
{
    const QString empty = home.path() + QStringLiteral("/empty");
    QDir().mkpath(empty);
    dialogs->answer(empty);
    App().CurrentUserId = 1;
    main->SetEnableActions();
    main->action("aImport")->trigger();
    EXPECT_TRUE(main->helpLine().startsWith(QStringLiteral("произошла ошибка: "))) << main->helpLine().toStdString();
    EXPECT_FALSE(App().StopFlag);
    EXPECT_FALSE(journal.sink().withId(EventId::ExceptionCaught).isEmpty());
}

TEST_F(DataActionsTest, AFailedUpdatePackageGoesToTheApplicationsExceptionHandler)
{
    const QString file = home.path() + QStringLiteral("/TS_7_update.zip.cod");
    WriteWholeFile(file, QByteArray(64, 'z'));
    App().ChamberKey = QByteArrayLiteral("0123456789ABCDEF0123456789ABCDEF");
    dialogs->answer(file);
    main->action("aModify")->trigger();
    const QList<EventRecord> logged = journal.sink().withId(EventId::ExceptionCaught);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].strings.join(' ').contains(QStringLiteral("MainForm.TfMain._Exception")))
        << logged[0].strings.join(' ').toStdString();
    EXPECT_EQ(ReadWholeFile(file), QByteArray(64, 'z'));
}
