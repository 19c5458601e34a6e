#pragma once
// TfMain: the main window. Menus and actions of the whole workplace, the
// left panel of large buttons, the help line, the status bar and the page
// area, which shows one page at a time (list, editor, view, print, users,
// options, synchronisation). Pages are made on first use by the factory
// registered under their name and kept; an action whose page or handler is
// not registered stays disabled.
#include "MainActionStates.h"
#include "RestavoCommand.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QToolButton;
class RestoreChain;
class TMoneyPanel;
class TSelectDirDialog;
class TfMain;
class TfUsers;
class ListPage;

using PageFactory = std::function<QWidget *(TfMain &)>;
using DialogFactory = std::function<QDialog *(TfMain &)>;

// What the About box says about the program and where to get help.
extern const QString ProgramDescription;
extern const QString SupportContact;

class TfMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfMain(QWidget *parent = nullptr);
    ~TfMain() override;

    // ---- pages
    // The factory of the page Name ("fList", "fEdit", "fView", "fPrint",
    // "fUsers", "fSett", "fSync"); the page gets Name as its object name.
    void registerPage(const QString &name, PageFactory factory);
    bool hasPage(const QString &name) const;
    // The page, made on first use; null when no factory is registered.
    QWidget *page(const QString &name);
    // The page when it was made already, else null.
    QWidget *existingPage(const QString &name) const;
    QWidget *currentPage() const { return m_current; }
    // The page that the view and print pages go back to.
    QWidget *returnPage() const { return m_returnPage; }
    ListPage *listPage() const;
    TfUsers *usersPage();

    // Shows Form as the only page. False when the present page may not be left.
    bool SetActiveForm_(QWidget *form);

    // ---- actions
    QAction *action(const QString &name) const;
    // The handler of an action whose work lives elsewhere (archives, imports,
    // loaders, ...); the action is enabled from then on.
    void setActionHandler(const QString &actionName, std::function<void()> handler);
    // The search window, shown modally by the search action.
    void setSearchDialogFactory(DialogFactory factory);

    // Recomputes which actions are offered.
    void SetEnableActions();
    MainActionInput actionInput() const;
    void applyActionStates(const MainActionStates &states);

    // ---- help line, status, label
    void setHelpLine(const QString &text);
    QString helpLine() const;
    void setWorkstationLabel(const QString &text);
    QStatusBar *statusBarWidget() const { return MainStatusBar; }

    // The steps that follow the first showing: actions, the list, the forced
    // rename of the default administrator, the synchronisation asked for at start.
    void TntFormShow();
    // False, after telling the operator, while the editor holds unsaved work.
    bool TntFormCloseQuery();

signals:
    // The window accepted a close; the running program ends its message loop on it.
    void closed();

public slots:
    void aListExecute();
    void aEditExecute();
    void aViewExecute();
    void aPrintExecute();
    void aSearchExecute();
    void aUsersExecute();
    void aOptionsExecute();
    void aChangePasswordExecute();
    void aServerExecute();
    void aAboutExecute();
    void aManualExecute();
    void aHelpContextExecute();
    void aCExitExecute();
    void aRollbackExecute();
    // Message 1025: the restore chain's next step.
    void WRollback(qint32 wParam, qint32 lParam);
    // How the restore chain starts its Restavo runs (tests give one of their
    // own); Restavo of the program folder by default.
    void setRestavoStarter(RestavoStarter starter) { m_restavoStarter = std::move(starter); }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createPanelLeft();
    void createPageArea();
    QAction *makeAction(const char *name, const char *category, const QString &caption, const QString &hint);
    bool isActionAvailable(const QAction *action) const;
    void showNamedPage(const QString &name, const char *location);
    void reportFailure(const char *location, const std::exception &error);
    void resetListQuery();
    std::unique_ptr<RestoreChain> makeRestoreChain();

    QHash<QString, QAction *> m_actions;
    QHash<const QAction *, std::function<void()>> m_handlers;
    std::map<QString, PageFactory> m_factories;
    QHash<QString, QPointer<QWidget>> m_pages;
    QPointer<QWidget> m_current;
    QPointer<QWidget> m_returnPage;
    DialogFactory m_searchDialog;
    bool m_shownOnce = false;
    std::unique_ptr<RestoreChain> m_restore;
    RestavoStarter m_restavoStarter;

public:
    QMenu *mnAdmin = nullptr;
    QAction *msSpace = nullptr;
    QAction *msAll = nullptr;
    QAction *msS = nullptr;
    TMoneyPanel *PanelLeft = nullptr;
    QToolButton *ButtonSearch = nullptr;
    QToolButton *ButtonEdit = nullptr;
    QToolButton *ButtonView = nullptr;
    QToolButton *ButtonPrint = nullptr;
    QToolButton *ButtonList = nullptr;
    QLabel *stNumberArm = nullptr;
    QScrollArea *sbForms = nullptr;
    QStackedWidget *m_pageStack = nullptr;
    QLabel *StaticTextHelp = nullptr;
    QSplitter *ntSplitter1 = nullptr;
    QStatusBar *MainStatusBar = nullptr;
    TSelectDirDialog *SelectDirDialog1 = nullptr;
};

// The main window of the run; null before the start-up makes it.
TfMain *fMain();
