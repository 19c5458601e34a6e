#include "FormMain.h"

#include "ActionPictures.h"
#include "CertificateParams.h"
#include "CommonTessal.h"
#include "ComponentTag.h"
#include "DataTessal.h"
#include "ExchangeGuard.h"
#include "HelpPages.h"
#include "ListQuery.h"
#include "MenuKeysStyle.h"
#include "Moneybar.h"
#include "Prompter.h"
#include "RestoreChain.h"
#include "SelectDirDialog.h"
#include "SqliteDatabase.h"
#include "StartupSequence.h"
#include "TessalApplication.h"
#include "UsersForm.h"
#include "WindowMessages.h"
#include "WorkPage.h"
#include "ggError.h"
#include "ggFiles.h"
#include "ggLayoutStore.h"
#include "obDialogsBinding.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

const QString ProgramDescription =
    QStringLiteral("АРМ эксперта торгово-промышленной палаты: подготовка, выдача и учёт сертификатов происхождения");
const QString SupportContact = QStringLiteral("Служба технической поддержки: support@tessal.example");

namespace {

TfMain *g_main = nullptr;


// Actions that do their work here and are always offered.
const QStringList OwnActions = {"aAbout", "aManual",  "aHelpContext", "aCExit",
                                "aChangePassword", "aList", "aUsers", "aOptions"};
// Actions that show a page, by page name.
const QHash<QString, QString> PageActions = {
    {"aEdit", "fEdit"}, {"aView", "fView"}, {"aPrint", "fPrint"}, {"aServer", "fSync"}};

WorkPage *AsWorkPage(QWidget *widget)
{
    return dynamic_cast<WorkPage *>(widget);
}

} // namespace

TfMain *fMain()
{
    return g_main;
}

TfMain::TfMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(ApplicationTitle());
    createActions();
    createMenus();
    createPageArea();
    createPanelLeft();
    SelectDirDialog1 = new TSelectDirDialog(this);
    SelectDirDialog1->setObjectName(QStringLiteral("SelectDirDialog1"));
    SelectDirDialog1->setUlFlags(TulFlag::sRETURNONLYFSDIRS | TulFlag::sSTATUSTEXT | TulFlag::sRETURNFSANCESTORS
                                 | TulFlag::sBROWSEFORCOMPUTER);
    setActionHandler(QStringLiteral("aRollback"), [this] { aRollbackExecute(); });
    WindowMessages::instance().setHandler(this, RestoreChainMessage,
                                          [this](qint32 wParam, qint32 lParam) { WRollback(wParam, lParam); });
    resize(1000, 700);
    g_main = this;
    RestoreLayout(this);
}

TfMain::~TfMain()
{
    try {
        KeepLayout(this);
    } catch (const std::exception &e) {
        LogException("FormMain.TfMain.TntFormDestroy", e);
    }
    if (g_main == this)
        g_main = nullptr;
}

// ---------------------------------------------------------------- building

QAction *TfMain::makeAction(const char *name, const char *category, const QString &caption, const QString &hint)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setProperty("category", QString::fromUtf8(category));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    SetActionPicture(action);
    m_actions.insert(QLatin1String(name), action);
    return action;
}

void TfMain::createActions()
{
    struct Row {
        const char *name;
        const char *category;
        const char *caption;
        const char *hint;
    };
    static const Row rows[] = {
        {"aAbout", "Help", "О программе", "Сведения о программе"},
        {"aManual", "Help", "Руководство пользователя АРМ", ""},
        {"aHelpContext", "Help", "Контекстная помощь", ""},
        {"aCExit", "Файл", "Выход", "Выход из программы"},
        {"aChangePassword", "Файл", "Изменить пароль", "Изменение собственного пароля"},
        {"aList", "Сертификат", "Список", "Список сертификатов"},
        {"aEdit", "Сертификат", "Редактировать", "Редактирование сертификата"},
        {"aView", "Сертификат", "Просмотр", "Просмотр образа печати"},
        {"aPrint", "Сертификат", "Печать", "Вывод сертификата на печать"},
        {"aSearch", "Сертификат", "Поиск", "Поиск сертификатов"},
        {"aOptions", "Администратор", "Настройки", "Параметры программы"},
        {"aUsers", "Администратор", "Пользователи", "Параметры пользователей"},
        {"aExport", "Администратор", "Создать архив", "Сделать резервную копию ЛБД"},
        {"aImport", "Администратор", "Восстановить из архива",
         "Восстановить данные из ранее сохранённого архива. Работает только для пустой ЛБД."},
        {"aServer", "Администратор", "Синхронизация", "Операции с ЦБД"},
        {"aModify", "Администратор", "Модифицировать АРМ", "Удаление устаревших сертификатов, загрузка обновлений и т.п."},
        {"aRollback", "Администратор", "Импорт данных ЦБД",
         "Загрузить данные из файла, ранее полученного из ЦБД. Доступно только при отсутствии данных в ЛБД."},
        {"aLoadContragents", "Администратор", "Загрузить контрагентов", "Пополнить список контрагентов данными базы"},
        {"aLoadGoods", "Администратор", "Загрузить товары", "Пополнить список товаров данными базы"},
        {"aLoadTransport", "Администратор", "Загрузить транспорт", "Пополнить список видов транспорта"},
        {"aLoadDetails", "Администратор", "Загрузить дополнительные сведения", "Пополнить список дополнительных сведений"},
        {"aLoadPackage", "Администратор", "Загрузить упаковку", ""},
        {"aLoadQuantity", "Администратор", "Загрузить единицы измерения", "Пополнить список единиц измерения"},
        {"aLoadOfficialUse", "Администратор", "Загрузить служебные отметки", "Сформировать словарь служебных отметок"},
        {"aLoadCountry", "Администратор", "Загрузить страны", "Пополнить список стран (поле 5,12)"},
    };
    for (const Row &row : rows)
        makeAction(row.name, row.category, QString::fromUtf8(row.caption), QString::fromUtf8(row.hint));

    action("aHelpContext")->setShortcut(QKeySequence(Qt::Key_F1));

    connect(action("aList"), &QAction::triggered, this, &TfMain::aListExecute);
    connect(action("aEdit"), &QAction::triggered, this, &TfMain::aEditExecute);
    connect(action("aView"), &QAction::triggered, this, &TfMain::aViewExecute);
    connect(action("aPrint"), &QAction::triggered, this, &TfMain::aPrintExecute);
    connect(action("aSearch"), &QAction::triggered, this, &TfMain::aSearchExecute);
    connect(action("aUsers"), &QAction::triggered, this, &TfMain::aUsersExecute);
    connect(action("aOptions"), &QAction::triggered, this, &TfMain::aOptionsExecute);
    connect(action("aChangePassword"), &QAction::triggered, this, &TfMain::aChangePasswordExecute);
    connect(action("aServer"), &QAction::triggered, this, &TfMain::aServerExecute);
    connect(action("aAbout"), &QAction::triggered, this, &TfMain::aAboutExecute);
    connect(action("aManual"), &QAction::triggered, this, &TfMain::aManualExecute);
    connect(action("aHelpContext"), &QAction::triggered, this, &TfMain::aHelpContextExecute);
    connect(action("aCExit"), &QAction::triggered, this, &TfMain::aCExitExecute);

    for (QAction *each : std::as_const(m_actions)) {
        if (!OwnActions.contains(each->objectName()) && !PageActions.contains(each->objectName())
            && each->objectName() != QLatin1String("aSearch")) {
            connect(each, &QAction::triggered, this, [this, each] {
                if (const auto handler = m_handlers.value(each))
                    handler();
            });
        }
        each->setEnabled(isActionAvailable(each));
    }
}

void TfMain::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("TntMainMenu1"));
    const auto fill = [this](QMenu *menu, const QStringList &names) {
        for (const QString &name : names) {
            if (name == QLatin1String("-"))
                menu->addSeparator();
            else
                menu->addAction(action(name));
        }
    };
    QMenu *file = bar->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("mnFile"));
    fill(file, {"aChangePassword", "-", "aExport", "aImport", "aModify", "aRollback", "-", "aLoadContragents",
                "aLoadGoods", "aLoadDetails", "aLoadPackage", "aLoadQuantity", "aLoadTransport", "aLoadOfficialUse",
                "aLoadCountry", "-", "aCExit"});
    QMenu *certificate = bar->addMenu(QStringLiteral("&Сертификат"));
    certificate->setObjectName(QStringLiteral("mnCertificate"));
    fill(certificate, {"aSearch", "aEdit", "aView", "aPrint", "aList"});
    mnAdmin = bar->addMenu(QStringLiteral("&Администратор"));
    mnAdmin->setObjectName(QStringLiteral("mnAdmin"));
    fill(mnAdmin, {"aUsers", "aOptions", "aServer"});
    QMenu *help = bar->addMenu(QStringLiteral("&Помощь"));
    help->setObjectName(QStringLiteral("mnHelp"));
    fill(help, {"aManual", "aAbout"});
    for (QMenu *menu : {file, certificate, mnAdmin, help})
        GiveMenuMnemonics(menu);
    addAction(action("aHelpContext")); // F1 without a menu item
    // F10 takes the keyboard to the menu bar, as on the desktops operators know.
    auto *toMenuBar = new QAction(this);
    toMenuBar->setObjectName(QStringLiteral("aMenuBarKey"));
    toMenuBar->setShortcut(QKeySequence(Qt::Key_F10));
    connect(toMenuBar, &QAction::triggered, this, [bar, file] {
        bar->setFocus(Qt::ShortcutFocusReason);
        bar->setActiveAction(file->menuAction());
    });
    addAction(toMenuBar);

    msSpace = bar->addAction(QString(35, QLatin1Char(' ')));
    msSpace->setObjectName(QStringLiteral("msSpace"));
    msAll = bar->addAction(QStringLiteral("Всего найдено"));
    msAll->setObjectName(QStringLiteral("msAll"));
    msS = bar->addAction(QStringLiteral("Из них отобрано"));
    msS->setObjectName(QStringLiteral("msS"));
    for (QAction *item : {msSpace, msAll, msS})
        item->setVisible(false);
}

void TfMain::createPanelLeft()
{
    PanelLeft = new TMoneyPanel(this);
    PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    auto *layout = new QVBoxLayout(PanelLeft);
    const auto button = [this, layout](const char *name, const char *actionName) {
        auto *tool = new QToolButton(PanelLeft);
        tool->setObjectName(QLatin1String(name));
        tool->setDefaultAction(action(QLatin1String(actionName)));
        tool->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        tool->setMinimumSize(96, 56);
        layout->addWidget(tool);
        return tool;
    };
    ButtonSearch = button("ButtonSearch", "aSearch");
    ButtonEdit = button("ButtonEdit", "aEdit");
    ButtonView = button("ButtonView", "aView");
    ButtonPrint = button("ButtonPrint", "aPrint");
    ButtonList = button("ButtonList", "aList");
    layout->addStretch();
    stNumberArm = new QLabel(PanelLeft);
    stNumberArm->setObjectName(QStringLiteral("stNumberArm"));
    stNumberArm->setAlignment(Qt::AlignCenter);
    layout->addWidget(stNumberArm);

    auto *central = new QWidget(this);
    auto *row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(PanelLeft);
    row->addWidget(ntSplitter1, 1);
    setCentralWidget(central);
}

void TfMain::createPageArea()
{
    ntSplitter1 = new QSplitter(Qt::Vertical, this);
    ntSplitter1->setObjectName(QStringLiteral("ntSplitter1"));
    sbForms = new QScrollArea(ntSplitter1);
    sbForms->setObjectName(QStringLiteral("sbForms"));
    sbForms->setWidgetResizable(true);
    m_pageStack = new QStackedWidget;
    m_pageStack->setObjectName(QStringLiteral("pageStack"));
    sbForms->setWidget(m_pageStack);
    StaticTextHelp = new QLabel(ntSplitter1);
    StaticTextHelp->setObjectName(QStringLiteral("StaticTextHelp"));
    StaticTextHelp->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticTextHelp->setAutoFillBackground(true);
    StaticTextHelp->setBackgroundRole(QPalette::ToolTipBase);
    StaticTextHelp->setWordWrap(true);
    ntSplitter1->addWidget(sbForms);
    ntSplitter1->addWidget(StaticTextHelp);
    ntSplitter1->setStretchFactor(0, 1);
    ntSplitter1->setStretchFactor(1, 0);

    MainStatusBar = new QStatusBar(this);
    MainStatusBar->setObjectName(QStringLiteral("MainStatusBar"));
    setStatusBar(MainStatusBar);
}

// ---------------------------------------------------------------- pages

void TfMain::registerPage(const QString &name, PageFactory factory)
{
    m_factories[name] = std::move(factory);
    for (QAction *each : std::as_const(m_actions))
        each->setEnabled(each->isEnabled() || isActionAvailable(each));
    SetEnableActions();
}

bool TfMain::hasPage(const QString &name) const
{
    return m_factories.count(name) > 0 || existingPage(name);
}

QWidget *TfMain::existingPage(const QString &name) const
{
    return m_pages.value(name);
}

QWidget *TfMain::page(const QString &name)
{
    if (QWidget *made = existingPage(name))
        return made;
    const auto found = m_factories.find(name);
    if (found == m_factories.end())
        return nullptr;
    QWidget *made = found->second(*this);
    if (!made)
        return nullptr;
    made->setObjectName(name);
    m_pageStack->addWidget(made);
    m_pages.insert(name, made);
    return made;
}

ListPage *TfMain::listPage() const
{
    return dynamic_cast<ListPage *>(existingPage(QStringLiteral("fList")));
}

TfUsers *TfMain::usersPage()
{
    return dynamic_cast<TfUsers *>(page(QStringLiteral("fUsers")));
}

bool TfMain::SetActiveForm_(QWidget *form)
{
    try {
        if (!form)
            return false;
        if (form == m_current)
            return true;
        if (WorkPage *present = AsWorkPage(m_current); present && !present->canLeave())
            return false;
        if (m_pageStack->indexOf(form) < 0)
            m_pageStack->addWidget(form);
        // What the help line says belongs to the page being left; a page with
        // a text of its own sets it as it is shown.
        if (m_current)
            setHelpLine(QString());
        m_pageStack->setCurrentWidget(form);
        m_current = form;
        if (form->focusPolicy() != Qt::NoFocus || form->focusProxy())
            form->setFocus();
        return true;
    } catch (const std::exception &e) {
        LogException("MainForm.TfMain.SetActiveForm_", e);
        return false;
    }
}

void TfMain::showNamedPage(const QString &name, const char *location)
{
    try {
        SetActiveForm_(page(name));
    } catch (const std::exception &e) {
        LogException(location, e);
    }
}

// ---------------------------------------------------------------- actions

QAction *TfMain::action(const QString &name) const
{
    return m_actions.value(name);
}

void TfMain::setActionHandler(const QString &actionName, std::function<void()> handler)
{
    QAction *target = action(actionName);
    if (!target)
        return;
    m_handlers.insert(target, std::move(handler));
    target->setEnabled(true);
    SetEnableActions();
}

void TfMain::setSearchDialogFactory(DialogFactory factory)
{
    m_searchDialog = std::move(factory);
    action("aSearch")->setEnabled(bool(m_searchDialog));
}

bool TfMain::isActionAvailable(const QAction *target) const
{
    const QString name = target->objectName();
    if (OwnActions.contains(name))
        return true;
    if (PageActions.contains(name))
        return hasPage(PageActions.value(name));
    if (name == QLatin1String("aSearch"))
        return bool(m_searchDialog);
    return m_handlers.contains(target);
}

MainActionInput TfMain::actionInput() const
{
    const TessalState &app = App();
    MainActionInput input;
    input.stopFlag = app.StopFlag;
    input.duplicateInProgress = app.DuplicateInProgress;
    input.currentUserId = app.CurrentUserId;
    input.applicationTitle = ApplicationTitle();
    if (TDM *dm = DM()) {
        input.listOpen = dm->ASQM.isActive() && dm->ASQD.isActive();
        input.listHasRows = input.listOpen && !dm->ASQM.isEmpty();
        if (input.listHasRows) {
            input.currentStatus = int32_t(dm->ASQM.fieldByName(QStringLiteral("status")).asInteger());
            input.referenceNo = dm->ASQM.fieldByName(QStringLiteral("ReferenceNo")).asBytes();
        }
    }
    return input;
}

void TfMain::applyActionStates(const MainActionStates &states)
{
    const auto set = [this](const char *name, bool allowed) {
        QAction *target = action(QLatin1String(name));
        target->setEnabled(allowed && isActionAvailable(target));
    };
    set("aEdit", states.edit);
    App().MayPrintOriginal = states.mayPrintOriginal;
    set("aView", states.viewAndPrint);
    set("aPrint", states.viewAndPrint);
    setWindowTitle(states.caption);
    if (ListPage *list = listPage())
        list->enableListActions();
    mnAdmin->setEnabled(states.administration);
    mnAdmin->menuAction()->setEnabled(states.administration);
    for (const char *name : {"aUsers", "aExport", "aImport", "aServer"})
        set(name, states.administration);
    set("aOptions", states.options);
}

void TfMain::SetEnableActions()
{
    try {
        applyActionStates(ComputeMainActionStates(actionInput()));
    } catch (const std::exception &e) {
        LogException("MainForm.TfMain.SetEnableActions", e);
    }
}

void TfMain::resetListQuery()
{
    TDM *dm = DM();
    SetListView(dm->ASQM, ListView{});
    dm->ASQD.close();
    dm->ASQM.close();
    {
        SqliteTransaction transaction(dm->ASQLite3DBd);
        dm->ASQLite3DBd.exec(QStringLiteral("update mcod set pFilter = 'TRUE' where pFilter is not 'TRUE'"));
        transaction.commit();
    }
    dm->ASQM.open();
    dm->ASQM.first();
    dm->ASQD.open();
    if (ListPage *list = listPage())
        list->recountPages();
}

void TfMain::aListExecute()
{
    try {
        SetActiveForm_(page(QStringLiteral("fList")));
        TDM *dm = DM();
        if (dm && dm->ASQLite3DBd.isOpen()) {
            if (App().ListQueryView != ListView{})
                resetListQuery();
            if (!SameFilter(dm->ASQM.filter(), App().ListFilterText)) {
                dm->ASQD.close();
                dm->ASQM.close();
                dm->ASQM.setFilter(App().ListFilterText);
                dm->ASQM.open();
                dm->ASQM.refresh();
                dm->ASQD.open();
                if (ListPage *list = listPage())
                    list->recountPages();
            }
        }
        if (ListPage *list = listPage())
            list->setReportButtonVisible(false);
        for (QAction *item : {msSpace, msAll, msS})
            item->setVisible(false);
    } catch (const std::exception &e) {
        LogException("FormMain.TfMain.aListExecute", e);
    }
}

void TfMain::aEditExecute()
{
    try {
        QWidget *editor = existingPage(QStringLiteral("fEdit"));
        if (editor && editor == m_current)
            return;
        TessalState &app = App();
        if (app.EditMode == 0)
            app.EditMode = 2;
        if (app.EditMode == 2) {
            TDM &dm = *DM();
            const QString expert = QString::fromUtf8(dm.ASQM.fieldByName(QStringLiteral("Expert")).asBytes());
            if (expert != app.CurrentUserName) {
                const int answer = Prompts().ask(
                    QStringLiteral("Вы действительно хотите редактировать сертификат, созданный пользователем \"")
                        + expert + QStringLiteral("\"?\r(при сохранении изменений сертификат станет Ваш)"),
                    app.MessageTitle, Prompt::Warning, Prompt::YesNo);
                if (answer == Prompt::IdNo)
                    return;
            }
            SetEditFields(dm);
            if (Tag(dm.ASQM) == 0) {
                app.EditedRowId = 0;
                return;
            }
            app.EditedRowId = int32_t(dm.ASQM.fieldByName(QStringLiteral("id")).asInteger());
        }
        SetActiveForm_(page(QStringLiteral("fEdit")));
    } catch (const std::exception &e) {
        LogException("FormMain.TfMain.aEditExecute", e);
    }
}

void TfMain::aViewExecute()
{
    try {
        m_returnPage = m_current;
        SetActiveForm_(page(QStringLiteral("fView")));
    } catch (const std::exception &e) {
        LogException("FormMain.TfMain.aViewExecute", e);
    }
}

void TfMain::aPrintExecute()
{
    try {
        m_returnPage = m_current;
        SetActiveForm_(page(QStringLiteral("fPrint")));
    } catch (const std::exception &e) {
        LogException("FormMain.TfMain.aPrintExecute", e);
    }
}

void TfMain::aSearchExecute()
{
    try {
        aListExecute();
        if (!m_searchDialog)
            return;
        std::unique_ptr<QDialog> search(m_searchDialog(*this));
        if (!search)
            return;
        const bool found = search->exec() == QDialog::Accepted;
        ListPage *list = listPage();
        if (found && list)
            list->setReportButtonVisible(true);
        if (list)
            list->focusGrid();
    } catch (const std::exception &e) {
        LogException("FormMain.TfMain.aSearchExecute", e);
    }
}

void TfMain::aUsersExecute()
{
    showNamedPage(QStringLiteral("fUsers"), "FormMain.TfMain.aUsersExecute");
}

void TfMain::aOptionsExecute()
{
    showNamedPage(QStringLiteral("fSett"), "FormMain.TfMain.aOptionsExecute");
}

void TfMain::aChangePasswordExecute()
{
    try {
        TfUsers *users = usersPage();
        TDM *dm = DM();
        if (!users || !dm || !dm->cdsUsers.isActive())
            return;
        if (dm->cdsUsers.locate(QStringLiteral("id"), QVariant(qint64(App().CurrentUserId))))
            users->aPropUserExecute();
    } catch (const std::exception &e) {
        reportFailure("FormMain.TfMain.aChangePaswordExecute", e);
    }
}

void TfMain::aServerExecute()
{
    showNamedPage(QStringLiteral("fSync"), "Main.TfMain.aSyncExecute");
}

void TfMain::aAboutExecute()
{
    try {
        const DialogsCallOutcome outcome = CallShowDlgAbout(ProgramDescription, SupportContact);
        SetDateFormats();
        if (!outcome.called())
            Prompts().ask(outcome.failureText, App().MessageTitle, Prompt::Error, Prompt::Ok);
    } catch (const std::exception &e) {
        reportFailure("FormMain.TfMain.aAboutExecute", e);
    }
}

void TfMain::aManualExecute()
{
    OpenHelpContext(HelpContext::Contents);
}

void TfMain::aHelpContextExecute()
{
    if (!m_current)
        return;
    const int context = HelpContextOfPage(m_current->objectName());
    if (context >= 0)
        OpenHelpContext(context);
}

void TfMain::aCExitExecute()
{
    close();
}

std::unique_ptr<RestoreChain> TfMain::makeRestoreChain()
{
    RestoreChainHost host;
    host.setHelpLine = [this](const QString &text) { setHelpLine(text); };
    host.setStatus = [this](const QString &text) { MainStatusBar->showMessage(text); };
    host.reopenList = [this] {
        DM()->ReconnectDatabase();
        resetListQuery();
        DM()->SupportInsert();
    };
    host.window = WindowMessages::instance().handleOf(this);
    host.startRestavo = m_restavoStarter;
    return std::make_unique<RestoreChain>(*DM(), ProgramDir(), std::move(host));
}

void TfMain::aRollbackExecute()
{
    if (!DM())
        return;
    // A new chain is made for the data module of the moment; one that runs is kept.
    if (!m_restore || !m_restore->running())
        m_restore = makeRestoreChain();
    m_restore->start();
}

void TfMain::WRollback(qint32 wParam, qint32 lParam)
{
    if (m_restore)
        m_restore->reply(wParam, lParam);
}

void TfMain::reportFailure(const char *location, const std::exception &error)
{
    LogException(location, error);
    setHelpLine(QStringLiteral("произошла ошибка: ") + ExceptionText(error));
}

// ---------------------------------------------------------------- form events

void TfMain::setHelpLine(const QString &text)
{
    StaticTextHelp->setText(text);
}

QString TfMain::helpLine() const
{
    return StaticTextHelp->text();
}

void TfMain::setWorkstationLabel(const QString &text)
{
    stNumberArm->setText(text);
}

void TfMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // After the window is up, so that the dialogs it may open run inside the loop.
    QTimer::singleShot(0, this, &TfMain::TntFormShow);
}

void TfMain::TntFormShow()
{
    try {
        SetEnableActions();
        aListExecute();
        TessalState &app = App();
        if (app.CurrentUserId == 1 && app.CurrentUserName.toUpper() == DefaultAdministratorName.toUpper()) {
            aUsersExecute();
            if (TfUsers *users = usersPage())
                users->aRenameUserExecute();
        }
        if (app.SyncWarningChoice == 2 || app.SyncWarningChoice == 3) {
            aServerExecute();
            if (QWidget *sync = existingPage(QStringLiteral("fSync")))
                WindowMessages::instance().postLocal(WindowMessages::instance().registerWindow(sync), 0x401, 0,
                                                     app.SyncWarningChoice == 2 ? 1 : 2);
        }
    } catch (const std::exception &e) {
        LogException("FormMain.TfMain.TntFormShow", e);
    }
}

bool TfMain::TntFormCloseQuery()
{
    const WorkPage *editor = AsWorkPage(existingPage(QStringLiteral("fEdit")));
    if (editor && editor->hasUnsavedChanges()) {
        Prompts().ask(QStringLiteral("Перед выходом из программы следует завершить редактирование проекта"),
                      QStringLiteral("Tessal"), Prompt::Error, Prompt::Ok);
        return false;
    }
    // Leaving in the middle of an exchange would cut it off half done.
    if (ExchangeRunning()) {
        Prompts().ask(QStringLiteral("Идёт обмен с сервером. Выход из программы возможен после его завершения."),
                      QStringLiteral("Tessal"), Prompt::Error, Prompt::Ok);
        return false;
    }
    return true;
}

void TfMain::closeEvent(QCloseEvent *event)
{
    if (!TntFormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}
