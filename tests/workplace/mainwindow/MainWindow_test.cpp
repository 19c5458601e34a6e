// The main window: which actions it offers for a state, its page area, the
// close refusal, help contexts and the application's exception handler.
#include "StoreFixture.h"

#include "ExchangeGuard.h"
#include "FormMain.h"
#include "FormPhrase.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"
#include "HelpPages.h"
#include "ListForm.h"
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
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
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
    EXPECT_EQ(about->iconText(), QStringLiteral("О программе")); // the caption as shown
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

// With xdg-open but nothing for it to open pages with, it fails ("no method
// available", exit code 3) and the operator is told where the page is; when
// it succeeds nothing is said.
TEST_F(MainWindowTest, HelpTellsWhereThePageIsWhenXdgOpenFindsNoBrowser)
{
    SetHelpOpener(nullptr);
    const QByteArray path = qgetenv("PATH");
    const QString bin = home.filePath("bin");
    QDir().mkpath(bin);
    const QString marker = home.filePath("xdg-open-ran");
    for (const int exitCode : {0, 3}) {
        SCOPED_TRACE(exitCode);
        QFile::remove(marker);
        prompter->clear();
        QFile script(bin + QStringLiteral("/xdg-open"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n"
                                    "[ %2 -eq 0 ] || echo \"xdg-open: no method available for opening '$1'\" >&2\n"
                                    "exit %2\n").arg(marker).arg(exitCode).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", (bin + QStringLiteral(":/usr/bin:/bin")).toUtf8());
        main->aManualExecute();
        qputenv("PATH", path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 20000));
        if (exitCode == 0) {
            QTest::qWait(300);
            EXPECT_TRUE(prompter->texts().isEmpty());
        } else {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !prompter->texts().isEmpty(); }, 20000));
            EXPECT_EQ(prompter->texts().first(),
                      QStringLiteral("Не удалось открыть справку: на компьютере не найдена программа для просмотра "
                                     "страниц.\nСправка находится в файле ")
                          + dataFile("help/index.html"));
        }
        QFile opened(marker);
        ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(opened.readAll()), dataFile("help/index.html"));
    }
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

// Inside each menu every item answers a letter of its own; the caption shows
// as it is, the left panel's buttons without the mark.
TEST_F(MainWindowTest, MenuItemsHaveMnemonicsOfTheirOwnInEachMenu)
{
    QList<QMenu *> menus;
    for (QAction *title : main->menuBar()->actions())
        if (title->menu())
            menus << title->menu();
    // The list page's drop-down menus, "Отчёт" and "Переход", and its
    // context menu too.
    auto *listPage = qobject_cast<TfList *>(main->page("fList"));
    ASSERT_NE(listPage, nullptr);
    menus << listPage->MenuReport << listPage->PopupMenuGo << listPage->PopupPaper;
    for (QMenu *menu : menus) {
        SCOPED_TRACE(menu->objectName().toStdString());
        QSet<QKeySequence> keys;
        for (QAction *item : menu->actions()) {
            if (item->isSeparator())
                continue;
            const QKeySequence key = QKeySequence::mnemonic(item->text());
            EXPECT_FALSE(key.isEmpty()) << item->objectName().toStdString();
            EXPECT_FALSE(keys.contains(key)) << item->text().toStdString();
            keys.insert(key);
            EXPECT_EQ(QString(item->iconText()).remove(u'&'), item->iconText()) << item->objectName().toStdString();
        }
    }
    EXPECT_EQ(main->action("aExport")->iconText(), QStringLiteral("Создать архив"));
    EXPECT_EQ(main->findChild<QToolButton *>("ButtonView")->text(), QStringLiteral("Просмотр"));

    // The operator opens the menu by the keyboard and types the letter.
    main->show();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    QAction *list = main->action("aList");
    list->setEnabled(true);
    QSignalSpy chosen(list, &QAction::triggered);
    QTest::keyClick(main.get(), Qt::Key_F10);
    QTest::keyClick(main->menuBar(), Qt::Key_Right);
    ASSERT_NE(main->menuBar()->activeAction(), nullptr);
    ASSERT_EQ(main->menuBar()->activeAction()->text(), QStringLiteral("&Сертификат"));
    QTest::keyClick(main->menuBar(), Qt::Key_Down);
    QWidget *popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    const QString letter = list->text().mid(list->text().indexOf(u'&') + 1, 1);
    QTest::sendKeyEvent(QTest::Click, popup, Qt::Key_unknown, letter, Qt::NoModifier);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    main->hide();
}

// Each button shows the desktop theme's picture of what it does: a printer
// for printing, a magnifier for search; without such a picture the style's.
TEST_F(MainWindowTest, ButtonPicturesAreTheThemesPicturesOfTheirActions)
{
    // A small icon theme holding the pictures the program asks for.
    const QString themes = home.filePath("icons");
    const QString theme = themes + QStringLiteral("/tessal-test");
    QDir().mkpath(theme + QStringLiteral("/16x16/actions"));
    QFile index(theme + QStringLiteral("/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=tessal-test\nDirectories=16x16/actions\n\n"
                "[16x16/actions]\nSize=16\nType=Fixed\n");
    index.close();
    const QStringList names = {"edit-find", "document-edit", "document-print-preview", "document-print", "view-list"};
    for (const QString &name : names) {
        QImage picture(16, 16, QImage::Format_ARGB32);
        picture.fill(Qt::darkBlue);
        ASSERT_TRUE(picture.save(theme + QStringLiteral("/16x16/actions/") + name + QStringLiteral(".png")));
    }
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QIcon::setThemeSearchPaths({themes});
    QIcon::setThemeName(QStringLiteral("tessal-test"));
    main.reset();
    main = std::make_unique<TfMain>();
    RegisterWorkplacePages(*main);
    const struct {
        const char *button;
        const char *picture;
    } rows[] = {{"ButtonSearch", "edit-find"},
                {"ButtonEdit", "document-edit"},
                {"ButtonView", "document-print-preview"},
                {"ButtonPrint", "document-print"},
                {"ButtonList", "view-list"}};
    for (const auto &row : rows) {
        auto *button = main->findChild<QToolButton *>(QLatin1String(row.button));
        ASSERT_NE(button, nullptr) << row.button;
        EXPECT_EQ(button->icon().name(), QLatin1String(row.picture)) << row.button;
    }
    // A picture the theme lacks comes from the style.
    EXPECT_FALSE(main->action("aUsers")->icon().isNull());
    EXPECT_TRUE(main->action("aUsers")->icon().name().isEmpty());
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
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

// The help line speaks of the moment it was written for: another page takes
// it away (a page with a text of its own sets it as it shows), and a pick
// list's request to choose goes once the choice is made.
TEST_F(MainWindowTest, HelpLineKeepsNoTextPastItsMoment)
{
    const QString listText = QStringLiteral("Здесь можно выбрать нужный документ и операцию над ним");
    const QString optionsText = QStringLiteral("Здесь можно настроить параметры программы");
    const QString request = QStringLiteral("Произведите выбор двойным щелчком мыши по нужной позиции!");
    dm->SavePhrase("ru", 3, QStringLiteral("Авиа"));
    dm->SavePhrase("ru", 3, QStringLiteral("Поезд"));
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    // The first showing's steps (the list) have run.
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->currentPage() != nullptr; }, 20000));
    // Chooses a transport phrase over the page shown, by the key Key.
    const auto pickBy = [&](Qt::Key key) {
        QString shownWhileOpen;
        AnswerNextModal([&](QWidget *modal) {
            auto *form = qobject_cast<TfPhrase *>(modal);
            ASSERT_TRUE(form);
            shownWhileOpen = main->helpLine();
            form->DBGrid->setFocus();
            QTest::keyClick(form->DBGrid, Qt::Key_Down);
            QTest::keyClick(form->DBGrid, key);
        });
        QString chosen;
        TfPhrase::Choose(main.get(), "ru", 3, chosen);
        EXPECT_EQ(shownWhileOpen, request);
    };
    const struct {
        const char *name;
        std::function<void()> step;
        QString expected;
    } steps[] = {
        {"the list shows its own text", [&] { main->aListExecute(); }, listText},
        {"a pick list chosen by Enter", [&] { pickBy(Qt::Key_Return); }, listText},
        {"a pick list closed by Esc", [&] { pickBy(Qt::Key_Escape); }, listText},
        {"a loader reports that it is done",
         [&] {
             prompter->answer(Prompt::IdYes);
             main->action("aLoadTransport")->trigger();
         },
         QStringLiteral("Операция завершена")},
        {"the print page has no text of its own", [&] { main->aPrintExecute(); }, QString()},
        {"back on the list", [&] { main->aListExecute(); }, listText},
        {"the synchronisation page", [&] { main->aServerExecute(); }, QString()},
        {"the options page sets its own", [&] { main->aOptionsExecute(); }, optionsText},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.name);
        s.step();
        EXPECT_EQ(main->helpLine().toStdString(), s.expected.toStdString());
    }
    EXPECT_EQ(main->currentPage()->objectName(), QStringLiteral("fSett"));
    main->hide();
}
