#include "ListForm.h"

#include "ActionPictures.h"
#include "CommonTessal.h"
#include "ComponentTag.h"
#include "DataTessal.h"
#include "DataTessalNumbering.h"
#include "ListCells.h"
#include "ListEnabling.h"
#include "ListOperations.h"
#include "ListPageTabs.h"
#include "ListPages.h"
#include "ListQuery.h"
#include "ListReports.h"
#include "MenuKeysStyle.h"
#include "SearchSertificateWord.h"
#include "WordPrintOut.h"
#include "Prompter.h"
#include "ReportPreviewWindow.h"
#include "SearchSertificate.h"
#include "SqliteDatabase.h"
#include "WindowMessages.h"
#include "ggError.h"
#include "ggLayoutStore.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

QPointer<TfList> TheList;

struct ColumnSpec {
    const char *field;
    const char *title; // null: the field name
    Qt::Alignment alignment;
};

const ColumnSpec DocumentColumns[] = {
    {"ReferenceNo", "Оригинал №", Qt::AlignHCenter},
    {"CertNo", "Бланк", Qt::AlignRight},
    {"Language", nullptr, Qt::AlignHCenter},
    {"DateIssued", "Дата выдачи", Qt::AlignHCenter},
    {"Expert", "1. Expert", Qt::AlignLeft},
    {"Sender", "1. Sender", Qt::AlignLeft},
    {"Exporter", "2. Exporter", Qt::AlignLeft},
    {"Recipient", "2. Recipient", Qt::AlignLeft},
    {"Importer", "3. Importer", Qt::AlignLeft},
    {"transport", "3. Транспорт", Qt::AlignLeft},
    {"OfficialNote", "4. For Official use", Qt::AlignLeft},
    {"Country5", "5. Country of origin", Qt::AlignLeft},
    {"AdditionalInfo", "6. details", Qt::AlignLeft},
    {"City11", "11. City", Qt::AlignLeft},
    {"Date11", "11. Date", Qt::AlignHCenter},
    {"Country12", "12. Country", Qt::AlignLeft},
    {"City12", "12. City", Qt::AlignLeft},
    {"Date12", "12. Date", Qt::AlignHCenter},
    {"BadDate", "Date of status change", Qt::AlignLeft},
    {"BadExpert", "Expert of status change", Qt::AlignLeft},
    {"fileComment13", "описание файла", Qt::AlignLeft},
    {"fileName13", "дополнительный файл", Qt::AlignLeft},
    {"actNumber14", "Номер акта", Qt::AlignLeft},
    {"actDate14", "Дата акта", Qt::AlignLeft},
};

struct GoodsColumnSpec {
    const char *field;
    const char *title;
    int width; // 0: the grid's default
    Qt::Alignment alignment;
};

const GoodsColumnSpec GoodsColumns[] = {
    {"d7Num", "№", 34, Qt::AlignRight},
    {"d8Description", "8. Description", 202, Qt::AlignLeft},
    {"d9Count", "9. Count", 0, Qt::AlignRight},
    {"d9Package", "9. Package", 47, Qt::AlignLeft},
    {"d10Weight", "10. Weight", 53, Qt::AlignRight},
    {"d10Q", "10. Quantity", 0, Qt::AlignLeft},
};

// A designed column width that would cut the column's title is widened to
// show the title whole in this machine's font.
int WidthShowingTitle(const TqlDBGrid &grid, const QString &title, int designed)
{
    const int margins = 2 * grid.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &grid) + 4;
    return std::max(designed, grid.horizontalHeader()->fontMetrics().horizontalAdvance(title) + margins);
}

const QString FinalIssueQuestion = QStringLiteral("Внимание, в выданный документ уже невозможно будет внести изменения!");
const QString FinalChangeQuestion = QStringLiteral("Внимание, в документ уже невозможно будет внести изменения!");

// The colour of the selection, where the platform drew the active caption's.
QColor SelectionColor(const QWidget &widget)
{
    return widget.palette().color(QPalette::Active, QPalette::Highlight);
}

FieldType FieldTypeOf(const T_TntColumn &column)
{
    const Field *field = column.field();
    return field ? field->type() : FieldType::String;
}

} // namespace

TfList *fList()
{
    return TheList.data();
}

TfList::TfList(TDM &dm, ListHost host, QWidget *parent) : QWidget(parent), m_dm(dm), m_host(std::move(host))
{
    setObjectName(QStringLiteral("fList"));
    createActions();
    createToolBar();
    createGrids();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tb);
    layout->addWidget(TabControlList);
    layout->addWidget(SplitterList, 1);

    WindowMessages &messages = WindowMessages::instance();
    messages.setHandler(this, MessageGoBaseC, [this](qint32 wParam, qint32) { GetMessageGoBaseC(wParam); });
    messages.setHandler(this, MessageGoBaseG, [this](qint32 wParam, qint32) { GetMessageGoBaseG(wParam); });

    try {
        RestoreLayout(this);
    } catch (const std::exception &e) {
        LogException("ListForm.TfList.TntFormCreate", e);
    }
    TheList = this;
}

TfList::~TfList()
{
    try {
        KeepLayout(this);
    } catch (const std::exception &e) {
        LogException("ListForm.TfList.TntFormDestroy", e);
    }
}

// ---------------------------------------------------------------- building

QAction *TfList::makeAction(const char *name, const QString &caption, const QString &hint, void (TfList::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(hint);
    action->setStatusTip(hint);
    SetActionPicture(action);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
}

void TfList::createActions()
{
    aNew = makeAction("aNew", "Новый",
                      "Создать новый проект сертификата. Загрузить проект сертификата из ZUV или MS Word.",
                      &TfList::aNewExecute);
    aTempl = makeAction("aTempl", "Шаблон", "Создать проект сертификата по шаблону", &TfList::aTemplExecute);
    aEdit = makeAction("aEdit", "Редактировать", "Редактировать проект сертификата", &TfList::aEditExecute);
    aDelete = makeAction("aDelete", "Удалить", "Удалить проект сертификата", &TfList::aDeleteExecute);
    aComplete = makeAction("aComplete", "Выдать", "Выдать проект сертификата. Отменить операцию невозможно.",
                           &TfList::aCompleteExecute);
    aDuplicate = makeAction("aDuplicate", "Дубликат",
                            "Создать дубликат выданного сертификата. Отобразится в списке синим цветом.",
                            &TfList::aDuplicateExecute);
    aBadPaper = makeAction("aBadPaper", "Испорчен",
                           "Зарегистрировать испорченный бланк. Отменить операцию невозможно.",
                           &TfList::aBadPaperExecute);
    aCancel = makeAction("aCancel", "Аннулирован", "Аннулировать выданный сертификат. Отменить операцию невозможно.",
                         &TfList::aCancelExecute);
    aFilterMyOnly = makeAction("aFilterMyOnly", "Только мои", "Позволяет выбрать режим доступа к чужим карнетам",
                               &TfList::aFilterMyOnlyExecute);
    aFilterMyOnly->setCheckable(true);
    aGoDuplicate = makeAction("aGoDuplicate", "На дубликат", "Перейти на дубликат", &TfList::aGoDuplicateExecute);
    aGoTrue = makeAction("aGoTrue", "К выданному", "Перейти к исходному документу", &TfList::aGoTrueExecute);
    aPaperToWord = makeAction("aPaperToWord", "В MS Word", "Экспорт в MS Word", &TfList::aPaperToWordExecute);

    PopupPaper = new QMenu(this);
    PopupPaper->setObjectName(QStringLiteral("PopupPaper"));
    PopupPaper->addActions({aNew, aTempl, aEdit, aDelete, aComplete, aBadPaper, aCancel, aDuplicate});
    PopupPaper->addSeparator();
    PopupPaper->addActions({aGoDuplicate, aGoTrue});
    PopupMenuGo = new QMenu(this);
    PopupMenuGo->setObjectName(QStringLiteral("PopupMenuGo"));
    PopupMenuGo->addActions({aGoDuplicate, aGoTrue});
    aPasteList = makeAction("aPasteList", "Список в Excel", "Выводит список сертификатов в Excel",
                            &TfList::aPasteListExecute);
    aPasteCerts = makeAction("aPasteCerts", "Сертификаты в Excel", "Вывод сертификатов в Excel",
                             &TfList::aPasteCertsExecute);
    aPasteCerts->setVisible(false);
    aPasteStatistic = makeAction("aPasteStatistic", "Статистика в Excel", "вывод в форме статистики",
                                 &TfList::aPasteStatisticExecute);
    MenuReport = new QMenu(this);
    MenuReport->setObjectName(QStringLiteral("MenuReport"));
    aReportListSearch = makeAction("aReportListSearch", "Список на печать",
                                   "Позволяет напечатать список найденных сертификатов",
                                   &TfList::aReportListSearchExecute);
    aReportCerts = makeAction("aReportCerts", "Сертификаты на печать", "Позволяет печатать найденные сертификаты",
                              &TfList::aReportCertsExecute);
    aReportStatistic = makeAction("aReportStatistic", "Статистика на печать", "Вывод в статистической форме",
                                  &TfList::aReportStatisticExecute);
    aWinWordCerts = makeAction("aWinWordCerts", "Сертификаты в MS Word", "Вывод найденных сертификатов в MS Word",
                               &TfList::aWinWordCertsExecute);
    MenuReport->addActions(
        {aReportListSearch, aReportCerts, aReportStatistic, aPasteList, aPasteCerts, aPasteStatistic, aWinWordCerts});
    for (QMenu *menu : {PopupMenuGo, MenuReport, PopupPaper})
        GiveMenuMnemonics(menu);
}

void TfList::aPasteListExecute()
{
    SendListCertsToExcel(m_dm, m_host.documentDelivery);
}

void TfList::aPasteCertsExecute()
{
    SendCertsToExcel(m_dm, m_host.documentDelivery);
}

void TfList::aWinWordCertsExecute()
{
    SendCertsToWord(m_dm, m_host.documentDelivery);
}

void TfList::aPasteStatisticExecute()
{
    SendStatisticToExcel(m_dm, m_host.documentDelivery);
}

void TfList::createToolBar()
{
    tb = new QWidget(this);
    tb->setObjectName(QStringLiteral("tb"));
    auto *rows = new QVBoxLayout(tb);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    auto newRow = [&] {
        auto *bar = new QToolBar(tb);
        bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        bar->setIconSize(QSize(16, 16));
        rows->addWidget(bar);
        return bar;
    };
    auto sized = [](QToolButton *button) {
        button->setMinimumSize(85, 37);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setFocusPolicy(Qt::TabFocus); // every list action is reachable from the keyboard
        return button;
    };
    auto add = [&](QToolBar *bar, QAction *action) {
        if (!action)
            return;
        bar->addAction(action);
        if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action)))
            sized(button);
    };

    QToolBar *first = newRow();
    for (QAction *action : {aNew, aTempl, aEdit, aDelete, aComplete, aDuplicate, aCancel})
        add(first, action);

    QToolBar *second = newRow();
    add(second, aBadPaper);
    ButtonGo = sized(new QToolButton(second));
    ButtonGo->setObjectName(QStringLiteral("ButtonGo"));
    ButtonGo->setText(QStringLiteral("Переход"));
    ButtonGo->setToolTip(QStringLiteral("Перейти к связанному сертификату."));
    ButtonGo->setIcon(ActionPicture(ButtonGo->objectName()));
    ButtonGo->setMenu(PopupMenuGo);
    ButtonGo->setPopupMode(QToolButton::InstantPopup);
    second->addWidget(ButtonGo);
    add(second, mainAction("aView"));
    add(second, mainAction("aPrint"));
    ButtonMyOnly = sized(new QToolButton(second));
    ButtonMyOnly->setObjectName(QStringLiteral("ButtonMyOnly"));
    ButtonMyOnly->setDefaultAction(aFilterMyOnly);
    second->addWidget(ButtonMyOnly);
    add(second, aPaperToWord);
    ButtonReport = sized(new QToolButton(second));
    ButtonReport->setObjectName(QStringLiteral("ButtonReport"));
    ButtonReport->setText(QStringLiteral("Отчёт"));
    ButtonReport->setToolTip(QStringLiteral("Формирует отчёт по результатам поиска"));
    ButtonReport->setIcon(ActionPicture(ButtonReport->objectName()));
    ButtonReport->setMenu(MenuReport);
    ButtonReport->setPopupMode(QToolButton::InstantPopup);
    QAction *reportSlot = second->addWidget(ButtonReport);
    reportSlot->setObjectName(QStringLiteral("ButtonReportSlot"));
    reportSlot->setVisible(false);
}

void TfList::createGrids()
{
    TabControlList = new ListPageTabs(ListTabLabel, this);
    TabControlList->setObjectName(QStringLiteral("TabControlList"));
    connect(TabControlList, &ListPageTabs::currentChanged, this, [this](int) { TabControlListChange(); });

    SplitterList = new QSplitter(Qt::Vertical, this);
    SplitterList->setObjectName(QStringLiteral("SplitterList"));
    createDocumentsGrid();
    createGoodsPanel();
}

void TfList::createDocumentsGrid()
{
    DBGridDocuments = new TqlDBGrid(SplitterList);
    DBGridDocuments->setObjectName(QStringLiteral("DBGridDocuments"));
    DBGridDocuments->setOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                                | dgAlwaysShowSelection);
    DBGridDocuments->setReadOnly(true);
    DBGridDocuments->setProperty(kLayoutBoundsOnlyProperty, false); // its columns are kept too
    DBGridDocuments->setDataSource(&m_dm.ASQM);
    for (const ColumnSpec &spec : DocumentColumns) {
        T_TntColumn &column = DBGridDocuments->columns().add(QString::fromLatin1(spec.field));
        column.title().setCaption(spec.title ? QString::fromUtf8(spec.title) : QString::fromLatin1(spec.field));
        column.setAlignment(spec.alignment);
    }
    DBGridDocuments->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // Over the title row the pointer says that a click sorts.
    DBGridDocuments->horizontalHeader()->setCursor(Qt::PointingHandCursor);
    DBGridDocuments->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGridDocuments, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupPaper->popup(DBGridDocuments->viewport()->mapToGlobal(pos)); });
    connect(DBGridDocuments, &TqlDBGrid::titleClick, this, &TfList::DBGridDocumentsTitleClick);
    connect(DBGridDocuments, &QAbstractItemView::doubleClicked, this, [this] { DBGridDocumentsDblClick(); });
    DBGridDocuments->setOnMouseWheel([this](QWheelEvent *event) {
        postWheel(MessageGoBaseC, event->angleDelta().y());
        return true;
    });
    DBGridDocuments->setOnDrawColumnCell([](const TqlDBGrid &grid, const T_TntColumn &column, TqlCellPaint &cell) {
        const bool marked = cell.selected || cell.focused;
        if (marked)
            cell.background = SelectionColor(grid);
        if (column.index() == 0) {
            const QVariant value = grid.rowValue(cell.row, QStringLiteral("status"));
            bool ok = false;
            const int status = value.isValid() ? value.toInt(&ok) : -1;
            const QColor colour = StatusColor(ok ? status : -1);
            if (colour.isValid()) {
                cell.background = colour;
                if (marked)
                    cell.foreground = grid.palette().color(StatusWantsLightText(ok ? status : -1) ? QPalette::Base
                                                                                              : QPalette::Text);
            }
        }
        const QVariant value = grid.rowValue(cell.row, column.fieldName());
        cell.text = CertificateCellText(column.fieldName(), FieldTypeOf(column), value);
        cell.alignment = (CertificateCellCentred(column.fieldName()) ? Qt::AlignHCenter : column.alignment())
                         | Qt::AlignVCenter;
        cell.wordWrap = false;
    });
}

void TfList::createGoodsPanel()
{
    auto *goodsPanel = new QSplitter(Qt::Vertical, SplitterList);
    goodsPanel->setObjectName(QStringLiteral("SplitterGoods"));
    DBGridGoods = new TqlDBGrid(goodsPanel);
    DBGridGoods->setObjectName(QStringLiteral("DBGridGoods"));
    DBGridGoods->setOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                            | dgAlwaysShowSelection);
    DBGridGoods->setReadOnly(true);
    DBGridGoods->setProperty(kLayoutBoundsOnlyProperty, false);
    DBGridGoods->setDataSource(&m_dm.ASQD);
    for (const GoodsColumnSpec &spec : GoodsColumns) {
        T_TntColumn &column = DBGridGoods->columns().add(QString::fromLatin1(spec.field));
        column.title().setCaption(QString::fromUtf8(spec.title));
        column.setAlignment(spec.alignment);
        if (spec.width > 0)
            column.setWidth(WidthShowingTitle(*DBGridGoods, column.title().caption(), spec.width));
    }
    DBGridGoods->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    DBGridGoods->setOnMouseWheel([this](QWheelEvent *event) {
        postWheel(MessageGoBaseG, event->angleDelta().y());
        return true;
    });
    DBGridGoods->setOnDrawColumnCell([](const TqlDBGrid &grid, const T_TntColumn &column, TqlCellPaint &cell) {
        if (cell.selected || cell.focused)
            cell.background = SelectionColor(grid);
        cell.text = GoodsCellText(FieldTypeOf(column), grid.rowValue(cell.row, column.fieldName()));
        cell.alignment = column.alignment() | Qt::AlignVCenter;
        cell.wordWrap = false;
    });

    MemoGood = new QPlainTextEdit(goodsPanel);
    MemoGood->setObjectName(QStringLiteral("MemoGood"));
    MemoGood->setReadOnly(true);
    MemoGood->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette memo = MemoGood->palette();
    memo.setColor(QPalette::Base, memo.color(QPalette::ToolTipBase));
    MemoGood->setPalette(memo);

    connect(&m_dm.ASQD, &DataSet::afterScroll, this, &TfList::showGoodsDescription);
    connect(&m_dm.ASQD, &DataSet::dataSetChanged, this, &TfList::showGoodsDescription);
}

// ---------------------------------------------------------------- helpers

void TfList::guarded(const char *handler, const std::function<void()> &work)
{
    try {
        work();
    } catch (const std::exception &e) {
        LogException(QByteArray("ListForm.TfList.") + handler, e);
    }
}

// ---------------------------------------------------------------- reports

void TfList::showReport(const Report &report)
{
    if (m_host.showReport) {
        m_host.showReport(report);
        return;
    }
    auto *preview = new ReportPreviewWindow(report, ListReports::PrintJob(), window());
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->show();
}

void TfList::printSimpleReport(const char *handler, const QString &file)
{
    guarded(handler, [&] {
        ListReports reports(m_dm, m_dm.dataDir());
        reports.PrepareSimple(file);
        showReport(reports.report());
    });
}

void TfList::aReportListSearchExecute()
{
    printSimpleReport("aReportListSearchExecute", ListReportFile::List);
}

void TfList::aReportStatisticExecute()
{
    printSimpleReport("aReportStatisticExecute", ListReportFile::Statistic);
}

void TfList::aReportCertsExecute()
{
    try {
        ListReports reports(m_dm, m_dm.dataDir());
        reports.PrepareCertificates([this] { SetEnableActions(); });
        showReport(reports.report());
    } catch (const std::exception &e) {
        LogException("ListForm.TfList.aReportCertsExecute", e);
        if (m_host.setStatusText)
            m_host.setStatusText(QStringLiteral("Произошла ошибка при добавлении задания в очередь"));
        Prompts().inform(ExceptionText(e), App().MessageTitle, Prompt::Error);
    }
}

void TfList::aPaperToWordExecute()
{
    // The whole document is built before anything is written. With no list
    // the document cannot be made, and that is what the operator is told.
    const QString reference =
        m_dm.ASQM.isActive() ? m_dm.ASQM.fieldByName(QStringLiteral("ReferenceNo")).asString() : QString();
    ExportDocument(m_host.documentDelivery, "ListForm.TfList.aPaperToWordExecute",
                   QStringLiteral("Не удалось вывести сертификат в MS Word"), QStringLiteral("Сертификат ") + reference,
                   QStringLiteral(".docx"), [this] { return WordPrintOut(m_dm, m_dm.dataDir()); });
}

void TfList::setHelpText(const QString &text)
{
    if (m_host.setHelpText)
        m_host.setHelpText(text);
}

QAction *TfList::mainAction(const char *name) const
{
    return m_host.mainAction ? m_host.mainAction(QString::fromLatin1(name)) : nullptr;
}

void TfList::runMainEdit()
{
    if (QAction *edit = mainAction("aEdit")) {
        edit->setEnabled(true);
        edit->trigger();
    }
}

void TfList::showGoodsDescription()
{
    SqlQuery &goods = m_dm.ASQD;
    QString text;
    if (goods.isActive() && !goods.isEmpty())
        if (Field *field = goods.findField(QStringLiteral("d8Description")))
            text = GoodsMemoText(field->isBlob() ? WideTextFromBytes(field->asBytes()) : field->asString());
    MemoGood->setPlainText(text);
}

bool TfList::confirmFinalChange(const QString &text)
{
    return Prompts().ask(text, App().MessageTitle, Prompt::Warning, Prompt::YesCancel) == Prompt::IdYes;
}

void TfList::postWheel(quint32 message, int delta)
{
    WindowMessages &messages = WindowMessages::instance();
    messages.postLocal(messages.handleOf(this), message, delta > 0 ? 1 : 2, 0);
}

void TfList::moveRows(DataSet &dataSet, int wParam)
{
    if (!dataSet.isActive())
        return;
    if (wParam == 1)
        dataSet.moveBy(-1);
    else if (wParam == 2)
        dataSet.moveBy(1);
}

void TfList::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    guarded("TntFormShow", [this] {
        setHelpText(QStringLiteral("Здесь можно выбрать нужный документ и операцию над ним"));
        SetListTabs();
        SetEnableActions();
    });
}

void TfList::setReportButtonVisible(bool visible)
{
    for (QAction *action : tb->findChildren<QAction *>(QStringLiteral("ButtonReportSlot")))
        action->setVisible(visible);
}

void TfList::focusGrid()
{
    DBGridDocuments->setFocus();
}

// ---------------------------------------------------------------- pages

void TfList::SetListTabs()
{
    guarded("SetListTabs", [this] {
        SqlQuery &list = m_dm.ASQM;
        // The count stands while it counts the same rows and nothing has been
        // written since (the start-up counts before the list is first shown).
        const QVariantList key = ListCountKey(list);
        const SqliteChangeStamp stamp = m_dm.ASQLite3DBd.changeStamp();
        if (!m_counted || m_counted->first != key || m_counted->second != stamp) {
            m_counted.reset();
            ListCount = CountListedRows(list);
            m_counted = std::make_pair(key, stamp);
        }
        const int tabs = ListTabCount(ListCount);
        if (tabs != TabControlList->count()) {
            const QSignalBlocker quiet(TabControlList);
            TabControlList->setCount(tabs);
            TabControlList->setCurrentIndex(tabs - 1);
        }
        loadCurrentTab();
    });
}

void TfList::TabControlListChange()
{
    guarded("TabControlListChange", [this] { loadCurrentTab(); });
}

void TfList::loadCurrentTab()
{
    SqlQuery &list = m_dm.ASQM;
    const qint64 remembered = m_dm.CurrentCertificateId();
    SetListPageWindow(list, ListCount, TabControlList->currentIndex());
    // The page held stays, on its current row, while a read would give the same rows.
    if (list.reopenWhenStale() && (remembered < 0 || !list.locate(QStringLiteral("id"), QVariant(remembered))))
        list.first();
    if (list.isEmpty()) {
        // No certificate on the page: no goods lines either.
        m_dm.ASQD.close();
        m_dm.ASQD.paramByName(QStringLiteral("id")).setInteger(0);
        m_dm.ASQD.open();
    }
}

void TfList::DBGridDocumentsTitleClick(int column)
{
    guarded("DBGridDocumentsTitleClick", [this, column] {
        const T_TntColumn &clicked = DBGridDocuments->columns().column(column);
        const Field *field = clicked.field();
        SqlQuery &list = m_dm.ASQM;
        const std::optional<ListOrder> order =
            field ? SortedListOrder(App().ListQueryView.order, field->name(), field->type()) : std::nullopt;
        if (order) {
            // The sorted list shows every certificate, found by a search or not.
            SetListView(list, ListView{*order, false});
            // Count what the new order lists, so every row stays on some tab.
            SetListTabs();
        }
        if (!list.isActive())
            list.open();
    });
}

// ---------------------------------------------------------------- enabling

void TfList::SetEnableActions()
{
    guarded("SetEnableActions", [this] {
        const TessalState &app = App();
        SqlQuery &list = m_dm.ASQM;
        ListFacts facts;
        facts.stopped = app.StopFlag;
        facts.listOpen = list.isActive();
        facts.goodsOpen = m_dm.ASQD.isActive();
        facts.rowCount = facts.listOpen ? list.recordCount() : 0;
        facts.userName = app.CurrentUserName;
        facts.userId = app.CurrentUserId;
        facts.duplicateInProgress = app.DuplicateInProgress;
        if (facts.listOpen && !list.isEmpty()) {
            try {
                facts.status = int(list.fieldByName(QStringLiteral("status")).asInteger());
            } catch (const std::exception &) {
                facts.status = -1;
            }
            facts.expert = QString::fromUtf8(list.fieldByName(QStringLiteral("Expert")).asBytes());
            facts.goDuplicate = list.fieldByName(QStringLiteral("goDuplicate")).asString();
            facts.goTrue = list.fieldByName(QStringLiteral("goTrue")).asString();
        }
        const ListEnabling e = DecideListEnabling(facts);

        aComplete->setEnabled(e.complete);
        if (isVisible()) {
            aNew->setEnabled(e.newCert);
            aCancel->setEnabled(e.cancel);
            aDuplicate->setEnabled(e.duplicate);
            aDelete->setEnabled(e.del);
            aBadPaper->setEnabled(e.badPaper);
            ButtonMyOnly->setEnabled(e.buttonMyOnly);
            aEdit->setEnabled(e.edit);
            aTempl->setEnabled(e.templ);
            aGoDuplicate->setEnabled(e.goDuplicate);
            aGoTrue->setEnabled(e.goTrue);
            if (e.clearsDuplicateInProgress)
                App().DuplicateInProgress = false;
        }
        aFilterMyOnly->setEnabled(e.filterMyOnly);
        if (e.filterMyOnlyForced)
            aFilterMyOnly->setChecked(true);
    });
}

// ---------------------------------------------------------------- own filter

void TfList::aFilterMyOnlyExecute()
{
    guarded("aFilterMyOnlyExecute", [this] {
        setHelpText(QString());
        SqlQuery &list = m_dm.ASQM;
        if (!list.isActive())
            return;
        const SqlFragment filter = ownFilter();
        setHelpText(aFilterMyOnlyNote());
        list.close();
        list.setFilter(filter);
        list.setFiltered(true);
        App().ListFilterText = filter;
        // The count follows the filter, so the tabs cover exactly what is listed.
        SetListTabs();
        list.first();
    });
}

SqlFragment TfList::ownFilter() const
{
    return aFilterMyOnly->isChecked() ? MyOnlyFilter(App().CurrentUserName) : SqlFragment{};
}

// After a save: the filter is most often the one in force already, and then
// the list only goes back to its first row; the count waits for the list to
// be shown again.
void TfList::ApplyMyOnlyFilter()
{
    SqlQuery &list = m_dm.ASQM;
    if (!list.isActive() || !list.filtered() || !SameFilter(list.filter(), ownFilter())) {
        aFilterMyOnlyExecute();
        return;
    }
    guarded("aFilterMyOnlyExecute", [this, &list] {
        setHelpText(aFilterMyOnlyNote());
        App().ListFilterText = list.filter();
        list.first();
    });
}

QString TfList::aFilterMyOnlyNote() const
{
    return aFilterMyOnly->isChecked() ? QStringLiteral(" Мои") : QString();
}

// ---------------------------------------------------------------- actions

void TfList::aNewExecute()
{
    guarded("aNewExecute", [this] {
        if (!m_dm.ASQM.isActive())
            return;
        MaxNumberPaperToTag(m_dm);
        const int32_t blank = Tag(m_dm.ASQM);
        if (blank == 0)
            return;
        const std::optional<QString> language = m_host.chooseLanguage ? m_host.chooseLanguage() : std::nullopt;
        if (!language || language->isEmpty())
            return;
        const int32_t id = GetNewId(m_dm, *language);
        if (id == -1)
            return;
        FillNewCertificate(m_dm, id, blank, *language);
        App().EditMode = 1;
        runMainEdit();
    });
}

void TfList::aEditExecute()
{
    guarded("aEditExecute", [this] {
        QAction *edit = mainAction("aEdit");
        if (edit && edit->isEnabled()) {
            App().EditMode = 2;
            edit->trigger();
        }
    });
}

void TfList::DBGridDocumentsDblClick()
{
    guarded("DBGridDocumentsDblClick", [this] {
        QAction *edit = mainAction("aEdit");
        if (edit && edit->isEnabled()) {
            App().EditMode = 2;
            edit->trigger();
        } else if (QAction *view = mainAction("aView")) {
            view->trigger();
        }
    });
}

void TfList::aTemplExecute()
{
    guarded("aTemplExecute", [this] {
        App().EditMode = 3;
        TemplateCopy(m_dm, false);
        if (Tag(m_dm.ASQM) != 0)
            runMainEdit();
    });
}

void TfList::aDuplicateExecute()
{
    guarded("aDuplicateExecute", [this] {
        App().EditMode = 4;
        App().DuplicateInProgress = true;
        TemplateCopy(m_dm, true);
        // A duplicate that fails the certificate check is not opened for editing.
        if (Tag(m_dm.ASQM) != 0 && SetStatusPaper(m_dm, 10))
            runMainEdit();
    });
}

void TfList::aDeleteExecute()
{
    guarded("aDeleteExecute", [this] {
        if (!m_dm.ASQM.isActive())
            return;
        const ListedCertificate certificate = CurrentListedCertificate(m_dm);
        const QString question = QStringLiteral("Вы действительно хотите удалить документ ")
                                 + QString::fromUtf8(certificate.referenceNo) + QStringLiteral("?");
        if (Prompts().ask(question, App().MessageTitle, Prompt::Warning, Prompt::YesNo) != Prompt::IdYes)
            return;
        DeleteCertificate(m_dm, certificate);
        // One row fewer: count again, and show the page from its first row.
        m_dm.ASQM.close();
        SetListTabs();
        m_dm.ASQM.first();
    });
}

void TfList::aCompleteExecute()
{
    guarded("aCompleteExecute", [this] {
        const ListedCertificate certificate = CurrentListedCertificate(m_dm);
        if (DlgPaperWanted(m_dm.ReadOption(App().CurrentUserName, QStringLiteral("DlgPaper")))) {
            if (!m_host.askBlankInPrinter || !m_host.askBlankInPrinter(certificate.certNo))
                return;
        }
        if (!confirmFinalChange(FinalIssueQuestion))
            return;
        if (!SetStatusPaper(m_dm, certificate.hasAttachedFile ? 5 : 7))
            return;
        // The print page opens only on the certificate just issued; the list
        // may have lost it (another page, another filter).
        if (m_dm.CurrentCertificateId() != certificate.id
            && !m_dm.ASQM.locate(QStringLiteral("id"), QVariant(certificate.id)))
            return;
        if (QAction *print = mainAction("aPrint")) {
            print->trigger();
            if (m_host.selectOriginalOnPrintPage)
                m_host.selectOriginalOnPrintPage();
        }
    });
}

void TfList::changeStatus(uint8_t status)
{
    if (confirmFinalChange(FinalChangeQuestion))
        SetStatusPaper(m_dm, status);
}

void TfList::aBadPaperExecute()
{
    guarded("aBadPaperExecute", [this] { changeStatus(8); });
}

void TfList::aCancelExecute()
{
    guarded("aCancelExecute", [this] { changeStatus(9); });
}

void TfList::jumpTo(const char *linkField)
{
    SqlQuery &list = m_dm.ASQM;
    if (!list.isActive() || list.isEmpty())
        return;
    const QString target = list.fieldByName(QString::fromLatin1(linkField)).asString();
    if (!target.isEmpty())
        list.locate(QStringLiteral("ReferenceNo"), QVariant(target));
}

void TfList::aGoDuplicateExecute()
{
    guarded("aGoDuplicateExecute", [this] { jumpTo("goDuplicate"); });
}

void TfList::aGoTrueExecute()
{
    guarded("aGoTrueExecute", [this] { jumpTo("goTrue"); });
}

void TfList::GetMessageGoBaseC(int wParam)
{
    guarded("GetMessageGoBaseC", [this, wParam] { moveRows(m_dm.ASQM, wParam); });
}

void TfList::GetMessageGoBaseG(int wParam)
{
    guarded("GetMessageGoBaseG", [this, wParam] { moveRows(m_dm.ASQD, wParam); });
}
