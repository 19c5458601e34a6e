// The main window: which actions it offers for a state, its page area, the
// close refusal, help contexts and the application's exception handler.
#include "StoreFixture.h"

#include "ExchangeGuard.h"
#include "FormMain.h"
#include "HelpPages.h"
#include "MainActionStates.h"
#include "MenuKeysStyle.h"
#include "StartupSequence.h"
#include "TessalApplication.h"
#include "UsersForm.h"
#include "WorkPage.h"
#include "WorkplacePages.h"
#include "ggError.h"
#include "ModalDriver.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolButton>

TEST(MainActionStates, FollowTheStateSnapshot)
{
    struct Case {
        const char *name;
        MainActionInput input;
        bool edit, mayPrintOriginal, viewAndPrint, administration, options;
        QString caption;
    };
    const auto input = [](bool stop, bool open, bool rows, int status, bool duplicate, int user) {
        MainActionInput in;
        in.stopFlag = stop;
        in.listOpen = open;
        in.listHasRows = rows;
        in.currentStatus = status;
        in.duplicateInProgress = duplicate;
        in.currentUserId = user;
        in.referenceNo = "6007000045";
        in.applicationTitle = QStringLiteral("Tessal");
        return in;
    };
    const QString withRef = QStringLiteral("Tessal - 6007000045");
    const QList<Case> cases = {
        {"project, administrator", input(false, true, true, 6, false, 1), true, false, true, true, true, withRef},
        {"issued, no duplicate", input(false, true, true, 7, false, 2), false, true, true, false, false, withRef},
        {"issued, duplicate in preparation", input(false, true, true, 7, true, 2), true, false, true, false, false,
         withRef},
        {"empty list", input(false, true, false, 0, false, 1), false, true, false, true, true, "Tessal"},
        {"list closed", input(false, false, false, 6, false, 1), false, true, false, true, true, "Tessal"},
        {"stopped administrator", input(true, true, true, 6, false, 1), false, false, false, false, true, "Tessal"},
        {"ordinary user", input(false, true, true, 6, false, 5), true, false, true, false, false, withRef},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const MainActionStates states = ComputeMainActionStates(c.input);
        EXPECT_EQ(states.edit, c.edit);
        EXPECT_EQ(states.mayPrintOriginal, c.mayPrintOriginal);
        EXPECT_EQ(states.viewAndPrint, c.viewAndPrint);
        EXPECT_EQ(states.administration, c.administration);
        EXPECT_EQ(states.options, c.options);
        EXPECT_EQ(states.caption, c.caption);
    }
}

namespace {

// A page that may hold unsaved work and may refuse to be left.
class FakeEditor : public QWidget, public WorkPage {
public:
    bool unsaved = false;
    bool leave = true;
    bool canLeave() override { return leave; }
    bool hasUnsavedChanges() const override { return unsaved; }
};

} // namespace

class MainWindowTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        main = std::make_unique<TfMain>();
        RegisterWorkplacePages(*main);
        SetHelpOpener([this](const QUrl &url) { opened << url.toLocalFile(); });
        qputenv("TESSAL_HOME", home.path().toUtf8());
    }
    void TearDown() override
    {
        main.reset();
        SetHelpOpener(nullptr);
        qunsetenv("TESSAL_HOME");
        StoreFixture::TearDown();
    }
    bool enabled(const char *name) { return main->action(QLatin1String(name))->isEnabled(); }

    std::unique_ptr<TfMain> main;
    QStringList opened;
};

TEST_F(MainWindowTest, ActionsCarryTheirCaptionsHintsAndMenus)
{
    QAction *about = main->action("aAbout");
    EXPECT_EQ(about->text(), QStringLiteral("О программе"));
    EXPECT_EQ(about->statusTip(), QStringLiteral("Сведения о программе"));
    EXPECT_EQ(main->action("aHelpContext")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(main->action("aImport")->statusTip(),
              QStringLiteral("Восстановить данные из ранее сохранённого архива. Работает только для пустой ЛБД."));
    QStringList adminItems;
    for (QAction *item : main->mnAdmin->actions())
        adminItems << item->objectName();
    EXPECT_EQ(adminItems, (QStringList{"aUsers", "aOptions", "aServer"}));
    EXPECT_FALSE(main->msAll->isVisible());
}

TEST_F(MainWindowTest, OrdinaryUserKeepsTheFileMenuButNotTheAdministration)
{
    for (const char *name : {"aExport", "aImport", "aLoadGoods"})
        main->setActionHandler(QLatin1String(name), [] {});
    App().CurrentUserId = 2;
    main->SetEnableActions();
    for (const char *name : {"aUsers", "aExport", "aImport", "aOptions", "aServer"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_FALSE(main->mnAdmin->isEnabled());
    EXPECT_TRUE(enabled("aLoadGoods"));
    EXPECT_TRUE(enabled("aChangePassword"));

    App().CurrentUserId = 1;
    main->SetEnableActions();
    for (const char *name : {"aUsers", "aExport", "aImport", "aOptions", "aServer"})
        EXPECT_TRUE(enabled(name)) << name;
    // The search window is registered.
    EXPECT_TRUE(enabled("aSearch"));
}

TEST_F(MainWindowTest, ListRowDecidesEditingPrintingAndTheCaption)
{
    main->registerPage("fEdit", [](TfMain &) { return new FakeEditor; });
    main->registerPage("fView", [](TfMain &) { return new QWidget; });
    main->registerPage("fPrint", [](TfMain &) { return new QWidget; });
    main->SetEnableActions();
    EXPECT_FALSE(enabled("aEdit"));
    EXPECT_FALSE(enabled("aPrint"));
    EXPECT_EQ(main->windowTitle(), ApplicationTitle());

    insertCertificate(certificate(1, 45, {{"status", 7}, {"ReferenceNo", "6007000045"}}));
    selectCertificate(1);
    main->SetEnableActions();
    EXPECT_FALSE(enabled("aEdit"));
    EXPECT_TRUE(enabled("aPrint"));
    EXPECT_TRUE(App().MayPrintOriginal);
    EXPECT_EQ(main->windowTitle(), ApplicationTitle() + QStringLiteral(" - 6007000045"));
}

TEST_F(MainWindowTest, PagesShowOneAtATimeAndAskBeforeTheyAreLeft)
{
    auto *editor = new FakeEditor;
    main->registerPage("fEdit", [editor](TfMain &) { return editor; });
    main->aListExecute();
    QWidget *list = main->currentPage();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->objectName(), QStringLiteral("fList"));
    ASSERT_TRUE(main->SetActiveForm_(main->page("fEdit")));
    EXPECT_EQ(main->currentPage(), editor);
    editor->leave = false;
    EXPECT_FALSE(main->SetActiveForm_(list));
    EXPECT_EQ(main->currentPage(), editor);

    QSignalSpy closed(main.get(), &TfMain::closed);
    editor->unsaved = true;
    EXPECT_FALSE(main->close());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(prompts->texts(),
              QStringList{QStringLiteral("Перед выходом из программы следует завершить редактирование проекта")});
    EXPECT_EQ(prompts->shown()[0].caption, QStringLiteral("Tessal"));
    editor->unsaved = false;
    EXPECT_TRUE(main->close());
    EXPECT_EQ(closed.count(), 1); // the running program ends its loop on it
}

TEST_F(MainWindowTest, F1OpensTheHelpPageOfTheShownPage)
{
    const QString shipped = qEnvironmentVariable("TESSAL_SOURCE") + QStringLiteral("/data/help/");
    for (const QString &file : QDir(shipped).entryList(QDir::Files))
        WriteWholeFile(dataFile(QStringLiteral("help/") + file), ReadWholeFile(shipped + file));
    main->registerPage("fSync", [](TfMain &) { return new QWidget; });
    App().CurrentUserId = 1;
    main->SetEnableActions();
    main->aServerExecute();
    main->action("aHelpContext")->trigger();
    main->aUsersExecute();
    main->aHelpContextExecute();
    main->aManualExecute();
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[0], dataFile("help/310.html"));
    EXPECT_EQ(opened[1], dataFile("help/290.html"));
    EXPECT_EQ(opened[2], dataFile("help/index.html"));
    // A shipped page exists for every context the program uses.
    for (const int context : {0, 230, 260, 270, 280, 290, 300, 310, 350}) {
        const QString page = context == 0 ? QStringLiteral("index") : QString::number(context);
        EXPECT_TRUE(QFile::exists(shipped + page + QStringLiteral(".html"))) << context;
    }
}

// Without a program to show web pages, help says so instead of doing nothing.
TEST_F(MainWindowTest, HelpWithoutABrowserTellsTheOperator)
{
    SetHelpOpener(nullptr); // the desktop's own way of opening pages
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", home.filePath("no-programs").toUtf8());
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
    main->aManualExecute();
    qputenv("PATH", path);
    ASSERT_EQ(prompter->texts().size(), 1);
    EXPECT_TRUE(prompter->texts().first().startsWith(QStringLiteral("Не удалось открыть справку")))
        << prompter->texts().first().toStdString();
}

// The keyboard reaches everything: F10 opens the menu bar, each menu has its
// mnemonic, and the left panel's buttons show their pictures.
TEST_F(MainWindowTest, MenuBarAnswersF10AndMenusHaveMnemonics)
{
    main->show();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    QStringList titles;
    for (QAction *menu : main->menuBar()->actions())
        if (menu->menu())
            titles << menu->text();
    EXPECT_EQ(titles, (QStringList{"&Файл", "&Сертификат", "&Администратор", "&Помощь"}));
    QTest::keyClick(main.get(), Qt::Key_F10);
    ASSERT_NE(main->menuBar()->activeAction(), nullptr);
    EXPECT_EQ(main->menuBar()->activeAction()->text(), QStringLiteral("&Файл"));
    QTest::keyClick(main->menuBar(), Qt::Key_Escape);
    QTest::keyClick(main->menuBar(), Qt::Key_Escape);
    EXPECT_EQ(main->menuBar()->activeAction(), nullptr);
    // Alt alone does the same.
    InstallMenuKeysStyle();
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : main.get();
    QTest::keyPress(focus, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(focus, Qt::Key_Alt, Qt::NoModifier);
    ASSERT_NE(main->menuBar()->activeAction(), nullptr);
    EXPECT_EQ(main->menuBar()->activeAction()->text(), QStringLiteral("&Файл"));
    for (const char *name : {"ButtonSearch", "ButtonEdit", "ButtonView", "ButtonPrint", "ButtonList"}) {
        auto *button = main->findChild<QToolButton *>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->icon().isNull()) << name;
    }
    main->hide();
}

TEST_F(MainWindowTest, ExceptionsReachingTheLoopAreLoggedAndGoNoFurther)
{
    QTimer timer;
    timer.setObjectName("raiser");
    QObject::connect(&timer, &QTimer::timeout, &timer, [] { throw AppError(QStringLiteral("broken")); });
    auto *application = dynamic_cast<TessalApplication *>(qApp);
    if (!application) {
        // The tests' application object is a plain QApplication: call the handler as notify does.
        HandleApplicationException(&timer, QStringLiteral("broken"));
    } else {
        timer.start(0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !journal.sink().withId(EventId::ExceptionCaught).isEmpty(); }, 60000));
        timer.stop();
    }
    const QList<EventRecord> logged = journal.sink().withId(EventId::ExceptionCaught);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged[0].strings[0], QStringLiteral("[Expert]MainForm.TfMain._Exception"));
    EXPECT_EQ(logged[0].strings[1], QStringLiteral("QTimer == broken"));
    EXPECT_EQ(ApplicationExceptionText(nullptr, "x"), QByteArray("none == x"));
}

TEST_F(MainWindowTest, DefaultAdministratorIsMadeToRenameAtFirstShow)
{
    dm->cdsUsers.append();
    dm->cdsUsers.fieldByName("UserName").setValue(DefaultAdministratorName);
    dm->cdsUsers.fieldByName("Password").setValue(QByteArray("D41D8CD98F00B204E9800998ECF8427E"));
    dm->cdsUsers.post();
    App().CurrentUserId = 1;
    App().CurrentUserName = DefaultAdministratorName;
    QString asked;
    AnswerNextModal([&asked](QWidget *dialog) {
        auto *edit = ChildOf<QLineEdit>(dialog, "EditNewLogin");
        asked = edit->text();
        edit->setText(QStringLiteral("Петров Пётр Петрович"));
        ClickChild(dialog, "ntBitBtnOk");
    });
    main->TntFormShow();
    EXPECT_EQ(asked, DefaultAdministratorName);
    EXPECT_EQ(main->currentPage()->objectName(), QStringLiteral("fUsers"));
    EXPECT_EQ(App().CurrentUserName, QStringLiteral("Петров Пётр Петрович"));
    EXPECT_EQ(journal.sink().withId(EventId::UserRenamed).size(), 1);
}

TEST_F(MainWindowTest, CloseWaitsForTheRunningExchange)
{
    ExchangeTicket exchange = BeginExchange(QStringLiteral("synchronisation"));
    ASSERT_TRUE(exchange);
    EXPECT_FALSE(main->close());
    EXPECT_EQ(prompts->texts(),
              QStringList{QStringLiteral("Идёт обмен с сервером. Выход из программы возможен после его завершения.")});
    exchange.release();
    EXPECT_TRUE(main->close());
}
