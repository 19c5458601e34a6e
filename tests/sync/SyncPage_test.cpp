// The synchronisation page: its tool bar and actions, the messages it takes,
// and the offline file asked for by the start-up warning through the real
// main window.
#include "OfflineFileFixture.h"

#include "DlgWarningSync.h"
#include "ExchangeGuard.h"
#include "FileDialogs.h"
#include "FormMain.h"
#include "Sync.h"
#include "WindowMessages.h"
#include "WorkplacePages.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

class SyncPageTest : public OfflineFileTest {
protected:
    std::unique_ptr<TfSync> makePage()
    {
        SyncHost host;
        host.setStatusText = [this](const QString &text) { statuses << text; };
        host.setHelpText = [this](const QString &text) { help << text; };
        host.helpText = [this] { return help.isEmpty() ? QString() : help.last(); };
        return std::make_unique<TfSync>(*dm, host);
    }
    QStringList statuses, help;
};

TEST_F(SyncPageTest, ToolBarShowsTheVisibleActionsWithTheirCaptionsAndHints)
{
    auto page = makePage();
    struct Row {
        const char *action;
        const char *button; // "" for an action without a button
        QString caption, hint;
        bool visible, enabled;
    };
    const QString start = QStringLiteral("Начать синхронизацию с ЦБД");
    const QString load = QStringLiteral("Загрузить с сервера данные АРМа при полной утрате базы");
    const QList<Row> rows = {
        {"aStart", "bbiStart", "Старт", start, false, false},
        {"aStart2", "bbiStart2", "Старт", start, true, true},
        {"aStop", "bbiAbort", "Прервать", "Прервать работу", true, true},
        {"aSaveToFile", "bbiSaveToFile", "В файл", "синхронизация в файл", true, true},
        {"aLoadFromFile", "bbiLoadFromFile", "Данные из ЦБД", load, false, false},
        {"aLoadFromFile2", "bbiLoadFromFile2", "Данные из ЦБД", load, true, true},
        {"aStatus", "", "Статистика по статусам", "", true, true},
    };
    page->show();
    QStringList buttons;
    for (QAction *action : page->ToolBar->actions())
        if (QWidget *button = page->ToolBar->widgetForAction(action); button && !action->isSeparator())
            buttons << button->objectName();
    EXPECT_EQ(buttons, (QStringList{"bbiStart", "bbiStart2", "bbiAbort", "bbiSaveToFile", "bbiLoadFromFile",
                                    "bbiLoadFromFile2"}));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.action);
        auto *action = page->findChild<QAction *>(QLatin1String(row.action));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), row.caption);
        EXPECT_EQ(action->statusTip(), row.hint);
        EXPECT_EQ(action->isVisible(), row.visible);
        EXPECT_EQ(action->isEnabled(), row.enabled);
        auto *button = page->findChild<QToolButton *>(QLatin1String(row.button));
        if (*row.button) {
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->isVisible(), row.visible);
            // At least the designed size, and the whole caption under the picture.
            EXPECT_GE(button->width(), 86);
            EXPECT_GE(button->height(), 37);
            EXPECT_GE(button->size().height(), button->sizeHint().height());
            EXPECT_GE(button->size().width(), button->sizeHint().width());
            EXPECT_GE(button->height(), button->iconSize().height() + button->fontMetrics().height());
        }
    }
    EXPECT_EQ(page->windowTitle(), QStringLiteral("Синхронизация"));
}

// An action refused because another exchange runs says so in the help line,
// and the text goes when that exchange has ended, unless the line has shown
// something else since.
TEST_F(SyncPageTest, TheBusyHelpTextGoesWhenTheOtherExchangeEnds)
{
    auto page = makePage();
    ScopedScriptedFileDialogs dialogs;
    const QString busy = QStringLiteral("Идёт обмен с сервером (restore). Дождитесь его завершения.");
    for (const bool overwritten : {false, true}) {
        SCOPED_TRACE(overwritten ? "overwritten" : "left");
        help.clear();
        ExchangeTicket other = BeginExchange(QStringLiteral("restore"));
        ASSERT_TRUE(other);
        page->aSaveToFile->trigger();
        ASSERT_EQ(help, QStringList{busy});
        QTest::qWait(300);
        EXPECT_EQ(help, QStringList{busy}) << "it stays while the other exchange runs";
        if (overwritten)
            help << QStringLiteral("Операция завершена");
        other.release();
        if (overwritten) {
            QTest::qWait(600);
            EXPECT_EQ(help.last(), QStringLiteral("Операция завершена"));
        } else {
            EXPECT_TRUE(QTest::qWaitFor([this] { return help.last().isEmpty(); }, 10000));
        }
    }
    EXPECT_TRUE(dialogs->requests().isEmpty());
}

TEST_F(SyncPageTest, MessagesAndSmallActionsDoOnlyTheirPart)
{
    auto page = makePage();
    WindowMessages &messages = WindowMessages::instance();
    const WindowHandle handle = messages.registerWindow(page.get());
    QList<std::pair<qint32, qint32>> restoreChain;
    messages.setHandler(page.get(), TfSync::MessageRestoreChain,
                        [&restoreChain](qint32 w, qint32 l) { restoreChain.append({w, l}); });
    ScopedScriptedFileDialogs dialogs;
    addCertificate(1, 5);

    // An unknown start request does nothing (1, the synchronisation, is the
    // run's own test): a message posted after it arrives, and nothing else
    // has happened by then.
    messages.postLocal(handle, TfSync::MessageStartRequest, 0, 3);
    messages.postLocal(handle, TfSync::MessageRestoreChain, 0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !restoreChain.isEmpty(); }, 60000));
    EXPECT_EQ(restoreChain, (QList<std::pair<qint32, qint32>>{{0, 0}}));
    EXPECT_TRUE(page->mLog->toPlainText().isEmpty());
    EXPECT_TRUE(dialogs->requests().isEmpty());
    restoreChain.clear();

    page->aStop->trigger();
    EXPECT_TRUE(page->core().AbortRequested);

    page->aStatus->trigger();
    EXPECT_EQ(App().StatusCounts.StatusCount7, 0);
    addCertificate(2, 7);
    page->aStatus->trigger();
    EXPECT_EQ(App().StatusCounts.StatusCount7, 1);

    page->aLoadFromFile2Execute();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !restoreChain.isEmpty(); }, 60000));
    EXPECT_EQ(statuses, QStringList{QStringLiteral("Ожидайте...")});
    EXPECT_EQ(restoreChain, (QList<std::pair<qint32, qint32>>{{1, 2}}));
}

// The start-up warning's "Синхронизация в файл" opens the page, which writes
// the file where the operator says.
TEST_F(SyncPageTest, WarningChoiceOfTheFileReachesThePageThroughTheMainWindow)
{
    addCertificate(1, 5, true, true);
    App().CurrentUserId = 1;
    TfMain main;
    RegisterWorkplacePages(main);
    main.SetEnableActions();
    EXPECT_TRUE(main.action("aServer")->isEnabled());

    TfDlgWarningSync warning(9);
    ASSERT_EQ(warning.BitBtnSyncFile->text(), QStringLiteral("Синхронизация в файл"));
    warning.BitBtnSyncFile->click();
    App().SyncWarningChoice = warning.choice();
    ScopedScriptedFileDialogs dialogs;
    const QString chosen = home.filePath("offline.cod");
    dialogs->answer(chosen);

    main.TntFormShow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(chosen); }, 10000));

    auto *page = qobject_cast<TfSync *>(main.currentPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page, fSync());
    EXPECT_EQ(dialogs->requests().size(), 1);
    EXPECT_TRUE(page->mLog->toPlainText().endsWith(QStringLiteral("ФАЙЛ СИНХРОНИЗАЦИИ СОЗДАН.")));
    EXPECT_EQ(main.statusBarWidget()->currentMessage(), QString());
    EXPECT_EQ(statusOf(1), 7);
}
