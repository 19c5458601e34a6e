#include "SearchForm.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "FormContragent.h"
#include "FormMain.h"
#include "FormPhrase.h"
#include "GGDateTime.h"
#include "HelpPages.h"
#include "KDSUtils.h"
#include "ListSql.h"
#include "NumberMaskEdit.h"
#include "Prompter.h"
#include "WorkPage.h"
#include "ggError.h"
#include "ggLayoutStore.h"
#include "LineBreaks.h"
#include "StylePicture.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int GridRows = 10;
constexpr int ExporterRowHeight = 72;
const QByteArray AllLanguages = "All";
const char *const Location = "SearchForm.TfSearch.";

QTableWidget *MakeGrid(QWidget *parent, const char *name, int rowHeight)
{
    auto *grid = new QTableWidget(GridRows, 1, parent);
    grid->setObjectName(QLatin1String(name));
    grid->horizontalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->hide();
    if (rowHeight > 0)
        grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    grid->setWordWrap(true);
    grid->setCurrentCell(0, 0);
    return grid;
}

QString CellText(const QTableWidget *grid, int row)
{
    const QTableWidgetItem *item = grid->item(row, 0);
    return item ? WidgetToStoredText(item->text()) : QString();
}

// Writes stored text into the grid's current row (the first when none is current).
void SetCurrentCell(QTableWidget *grid, const QString &stored)
{
    const int row = std::max(grid->currentRow(), 0);
    auto *item = grid->item(row, 0);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, 0, item);
    }
    item->setText(StoredToWidgetText(stored));
}

QPlainTextEdit *MakeMemo(QWidget *parent, const char *name, const QString &hint = QString())
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setToolTip(hint);
    memo->setTabChangesFocus(true);
    return memo;
}

QString MemoText(const QPlainTextEdit *memo)
{
    return WidgetToStoredText(memo->toPlainText());
}

std::optional<int64_t> PickedDay(const QDateEdit *picker)
{
    if (picker->isHidden())
        return std::nullopt;
    return int64_t(DateToDayNumber(picker->date()));
}

// The smallest or largest date of box 11; none without certificates.
std::optional<QDate> Date11Bound(TDM &dm, const char *aggregate)
{
    SqliteStatement query(dm.ASQLite3DBd, QStringLiteral("select %1(Date11) as md from mcod").arg(QLatin1String(aggregate)));
    if (!query.step() || query.isNull(0))
        return std::nullopt;
    return DateOfDayNumber(query.columnInteger(0));
}

} // namespace

TfSearch::TfSearch(TDM &dm, SearchHost host, QWidget *parent) : QDialog(parent), m_dm(dm), m_host(std::move(host))
{
    setObjectName(QStringLiteral("fSearch"));
    setWindowTitle(QStringLiteral("Поиск"));
    setModal(true);
    aOk = new QAction(QStringLiteral("Искать"), this);
    aOk->setObjectName(QStringLiteral("aOk"));
    aCancel = new QAction(QStringLiteral("Отмена"), this);
    aCancel->setObjectName(QStringLiteral("aCancel"));
    aHelpContext = new QAction(QStringLiteral("Помощь"), this);
    aHelpContext->setObjectName(QStringLiteral("aHelpContext"));
    aHelpContext->setShortcut(QKeySequence(Qt::Key_F1));
    aHelpContext->setShortcutContext(Qt::WindowShortcut);
    addAction(aHelpContext);
    connect(aOk, &QAction::triggered, this, &TfSearch::aOkExecute);
    connect(aCancel, &QAction::triggered, this, &TfSearch::aCancelExecute);
    connect(aHelpContext, &QAction::triggered, this, &TfSearch::aHelpContextExecute);

    auto *layout = new QGridLayout(this);
    buildNumbers(layout);
    buildDates(layout);
    buildExporter(layout);
    buildBoxes(layout);
    buildStatusAndExpert(layout);
    buildGoods(layout);
    buildButtons(layout);
    RestoreLayout(this);
    TntFormCreate();
}

TfSearch::~TfSearch()
{
    try {
        KeepLayout(this);
    } catch (const std::exception &e) {
        LogException("SearchForm.TfSearch.TntFormDestroy", e);
    }
}

// ---------------------------------------------------------------- building

QGroupBox *TfSearch::group(const QString &caption)
{
    return new QGroupBox(caption, this);
}

QToolButton *TfSearch::button(QWidget *parent, const char *name, const QString &text, void (TfSearch::*handler)())
{
    auto *made = new QToolButton(parent);
    made->setObjectName(QLatin1String(name));
    made->setText(text);
    connect(made, &QToolButton::clicked, this, handler);
    return made;
}

QToolButton *TfSearch::clearButton(QWidget *parent, const char *name, void (TfSearch::*handler)())
{
    QToolButton *made = button(parent, name, QString(), handler);
    made->setIcon(StylePicture(QStyle::SP_DialogCancelButton));
    return made;
}

void TfSearch::buildNumbers(QGridLayout *layout)
{
    QGroupBox *document = group(QStringLiteral("№ документа"));
    auto *row = new QHBoxLayout(document);
    Nc3 = new NumberMaskEdit(1, document, SearchMaskBlank);
    Nc3->setObjectName(QStringLiteral("Nc3"));
    Nc3->setToolTip(QStringLiteral("Год"));
    Nc2 = new QLineEdit(document);
    Nc2->setObjectName(QStringLiteral("Nc2"));
    Nc2->setToolTip(QStringLiteral("Код палаты"));
    Nc2->setEnabled(false);
    Nc4 = new NumberMaskEdit(6, document, SearchMaskBlank);
    Nc4->setObjectName(QStringLiteral("Nc4"));
    Nc4->setToolTip(QStringLiteral("Номер (в рамках года)"));
    for (QWidget *part : {static_cast<QWidget *>(Nc3), static_cast<QWidget *>(Nc2), static_cast<QWidget *>(Nc4)})
        row->addWidget(part);
    layout->addWidget(document, 0, 0);

    QGroupBox *blank = group(QStringLiteral("№ бланка"));
    auto *blankRow = new QHBoxLayout(blank);
    Nb1 = new NumberMaskEdit(7, blank, SearchMaskBlank);
    Nb1->setObjectName(QStringLiteral("Nb1"));
    Nb1->setToolTip(QStringLiteral("максимум 7 десятичных цифр"));
    blankRow->addWidget(Nb1);
    layout->addWidget(blank, 0, 1);
}

void TfSearch::buildDates(QGridLayout *layout)
{
    QGroupBox *dates = group(QStringLiteral("Дача выдачи"));
    auto *row = new QHBoxLayout(dates);
    const auto picker = [this, dates, row](const QString &caption, const char *name, QToolButton *&hide,
                                           const char *hideName, void (TfSearch::*hideHandler)(), QToolButton *&show,
                                           const char *showName, void (TfSearch::*showHandler)()) {
        row->addWidget(new QLabel(caption, dates));
        auto *edit = new QDateEdit(dates);
        edit->setObjectName(QLatin1String(name));
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
        row->addWidget(edit);
        hide = button(dates, hideName, QStringLiteral("Не учитывать"), hideHandler);
        hide->setIcon(StylePicture(QStyle::SP_DialogCancelButton));
        hide->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        show = button(dates, showName, QStringLiteral("Учесть дату"), showHandler);
        row->addWidget(hide);
        row->addWidget(show);
        return edit;
    };
    dtpBegin = picker(QStringLiteral("С"), "dtpBegin", SpeedButtonBegin, "SpeedButtonBegin",
                      &TfSearch::SpeedButtonBeginClick, SpeedButtonBeginShow, "SpeedButtonBeginShow",
                      &TfSearch::SpeedButtonBeginShowClick);
    dtpEnd = picker(QStringLiteral("По"), "dtpEnd", SpeedButtonEnd, "SpeedButtonEnd", &TfSearch::SpeedButtonEndClick,
                    SpeedButtonEndShow, "SpeedButtonEndShow", &TfSearch::SpeedButtonEndShowClick);
    layout->addWidget(dates, 1, 0, 1, 2);
}

void TfSearch::buildExporter(QGridLayout *layout)
{
    QGroupBox *exporter = group(QStringLiteral("Экспортёр (графа 1)"));
    auto *box = new QHBoxLayout(exporter);
    StringGridExporter = MakeGrid(exporter, "StringGridExporter", ExporterRowHeight);
    box->addWidget(StringGridExporter, 1);
    auto *side = new QVBoxLayout;
    rbeAnd = new QRadioButton(QStringLiteral("И"), exporter);
    rbeAnd->setObjectName(QStringLiteral("rbeAnd"));
    rbeAnd->setChecked(true);
    rbeOr = new QRadioButton(QStringLiteral("Или"), exporter);
    rbeOr->setObjectName(QStringLiteral("rbeOr"));
    side->addWidget(rbeAnd);
    side->addWidget(rbeOr);
    side->addWidget(button(exporter, "ButtonExportSelect", QStringLiteral("..."), &TfSearch::ButtonExportSelectClick));
    side->addWidget(clearButton(exporter, "ButtonExportClear", &TfSearch::ButtonExportClearClick));
    side->addStretch();
    box->addLayout(side);
    layout->addWidget(exporter, 2, 0, 3, 1);
}

void TfSearch::buildBoxes(QGridLayout *layout)
{
    const auto boxRow = [this, layout](const QString &caption, QWidget *field, const char *pickName,
                                       void (TfSearch::*pickHandler)(), const char *clearName,
                                       void (TfSearch::*clearHandler)(), int row, int column) {
        QGroupBox *box = group(caption);
        field->setParent(box);
        auto *line = new QHBoxLayout(box);
        line->addWidget(field, 1);
        line->addWidget(button(box, pickName, QStringLiteral("..."), pickHandler));
        line->addWidget(clearButton(box, clearName, clearHandler));
        layout->addWidget(box, row, column);
    };
    MemoImporter = MakeMemo(this, "MemoImporter", QStringLiteral("Импортёр"));
    boxRow(QStringLiteral("Получатель (графа 2)"), MemoImporter, "ButtonImportSelect", &TfSearch::ButtonImportSelectClick,
           "ButtonImportClear", &TfSearch::ButtonImportClearClick, 5, 0);
    MemoUse = MakeMemo(this, "MemoUse");
    boxRow(QStringLiteral("Для служебных отметок (графа 4)"), MemoUse, "ButtonUseSelect",
           &TfSearch::ButtonUseSelectClick, "ButtonUseClear", &TfSearch::ButtonUseClearClick, 2, 1);
    EditCountry = new QLineEdit(this);
    EditCountry->setObjectName(QStringLiteral("EditCountry"));
    boxRow(QStringLiteral("Экспорт в страну (графа 12)"), EditCountry, "ButtonCountrySelect",
           &TfSearch::ButtonCountrySelectClick, "ButtonCountryClear", &TfSearch::ButtonCountryClearClick, 3, 1);
    MemoAdditionalInfo = MakeMemo(this, "MemoAdditionalInfo");
    boxRow(QStringLiteral("Дополнительные сведения (графа 6)"), MemoAdditionalInfo, "ButtonAdditionalInfo",
           &TfSearch::ButtonAdditionalInfoClick, "ButtonAdditionalInfoClear", &TfSearch::ButtonAdditionalInfoClearClick,
           4, 1);
}

void TfSearch::buildStatusAndExpert(QGridLayout *layout)
{
    QGroupBox *status = group(QStringLiteral("Статус"));
    auto *statusLine = new QHBoxLayout(status);
    ComboBoxStatus = new QComboBox(status);
    ComboBoxStatus->setObjectName(QStringLiteral("ComboBoxStatus"));
    for (const SearchStatusChoice &choice : SearchStatusChoices())
        ComboBoxStatus->addItem(choice.text);
    statusLine->addWidget(ComboBoxStatus);
    layout->addWidget(status, 6, 0);

    QGroupBox *expert = group(QStringLiteral("Эксперт"));
    auto *expertLine = new QHBoxLayout(expert);
    EditExpert = new QLineEdit(expert);
    EditExpert->setObjectName(QStringLiteral("EditExpert"));
    expertLine->addWidget(EditExpert);
    layout->addWidget(expert, 7, 0);
}

void TfSearch::buildGoods(QGridLayout *layout)
{
    QGroupBox *goods = group(QStringLiteral("Товары"));
    auto *box = new QHBoxLayout(goods);
    StringGridGoods = MakeGrid(goods, "StringGridGoods", 0);
    box->addWidget(StringGridGoods, 1);
    auto *side = new QVBoxLayout;
    rbAnd = new QRadioButton(QStringLiteral("И"), goods);
    rbAnd->setObjectName(QStringLiteral("rbAnd"));
    rbAnd->setChecked(true);
    rbOr = new QRadioButton(QStringLiteral("Или"), goods);
    rbOr->setObjectName(QStringLiteral("rbOr"));
    side->addWidget(rbAnd);
    side->addWidget(rbOr);
    side->addWidget(
        button(goods, "SpeedButtonGoodsSelect", QStringLiteral("..."), &TfSearch::SpeedButtonGoodsSelectClick));
    side->addWidget(
        button(goods, "SpeedButtonGoodsDelete", QStringLiteral("Удалить строку"), &TfSearch::SpeedButtonGoodsDeleteClick));
    side->addStretch();
    box->addLayout(side);
    layout->addWidget(goods, 5, 1, 3, 1);
}

void TfSearch::buildButtons(QGridLayout *layout)
{
    auto *row = new QHBoxLayout;
    ButtonOk = new QPushButton(StylePicture(QStyle::SP_DialogOkButton), aOk->text(), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setToolTip(QStringLiteral("Начинает поиск"));
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(StylePicture(QStyle::SP_DialogCloseButton), aCancel->text(), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setToolTip(QStringLiteral("Отказ от поиска"));
    connect(ButtonOk, &QPushButton::clicked, aOk, &QAction::trigger);
    connect(ButtonCancel, &QPushButton::clicked, aCancel, &QAction::trigger);
    row->addStretch();
    row->addWidget(ButtonOk);
    row->addWidget(ButtonCancel);
    layout->addLayout(row, 8, 0, 1, 2);
}

// ---------------------------------------------------------------- opening

void TfSearch::TntFormCreate()
{
    try {
        const TessalState &app = App();
        const bool administrator = app.CurrentUserId == 1;
        EditExpert->setText(administrator ? QString() : app.CurrentUserName);
        EditExpert->setEnabled(administrator);
        Nc2->setText(QStringLiteral("%1").arg(app.ChamberNumber, 3, 10, QLatin1Char('0')));
        ComboBoxStatus->setCurrentIndex(0);
        dtpBegin->setDate(Today());
        dtpEnd->setDate(Today());
        if (m_dm.ASQM.isActive()) {
            if (const auto last = Date11Bound(m_dm, "max"))
                dtpEnd->setDate(*last);
            if (const auto first = Date11Bound(m_dm, "min"))
                dtpBegin->setDate(*first);
        }
    } catch (const std::exception &e) {
        LogException("SearchForm.TfSearch.TntFormCreate", e);
    }
}

SearchConditions TfSearch::conditions() const
{
    SearchConditions c;
    c.beginDay = PickedDay(dtpBegin);
    c.endDay = PickedDay(dtpEnd);
    c.yearMask = Nc3->editText();
    c.numberMask = Nc4->editText();
    c.blankMask = Nb1->editText();
    c.statusChoice = ComboBoxStatus->currentIndex();
    c.importer = MemoText(MemoImporter);
    c.officialNote = MemoText(MemoUse);
    c.additionalInfo = MemoText(MemoAdditionalInfo);
    c.country = EditCountry->text();
    c.expert = EditExpert->text();
    GridToStrings(StringGridExporter, c.exporterTerms);
    c.exporterAllTerms = rbeAnd->isChecked();
    GridToStrings(StringGridGoods, c.goodsTerms);
    c.goodsAllTerms = rbAnd->isChecked();
    return c;
}

bool TfSearch::IsGridEmpty(const QTableWidget *grid)
{
    for (int row = 0; row < grid->rowCount(); ++row)
        for (int column = 0; column < grid->columnCount(); ++column)
            if (const QTableWidgetItem *item = grid->item(row, column); item && !item->text().isEmpty())
                return false;
    return true;
}

void TfSearch::GridToStrings(const QTableWidget *grid, QStringList &strings)
{
    for (int row = 0; row < grid->rowCount(); ++row)
        if (const QString text = CellText(grid, row); !text.isEmpty())
            strings << text;
}

// ---------------------------------------------------------------- search

void TfSearch::aOkExecute()
{
    const SqlQuery &list = m_dm.ASQM;
    App().ListFilterText = list.filtered() ? list.filter() : SqlFragment{};
    CertificateSearch search(m_dm.ASQLite3DBd, App().ListFilterText);
    ButtonOk->setEnabled(false);
    try {
        // The windows keep painting; the operator's input waits for the end.
        search.setPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
        const SearchConditions c = conditions();
        const SearchOutcome outcome = search.run(c);
        const QString total = TotalCounterText(outcome.total);
        const QString found = FoundCounterText(outcome.found);
        FillSearchOptions(m_dm.cdsSearchOptions, SearchOptionRecords(c, total, found));
        WriteSearchDiagnostic(400);
        if (m_host.showFoundRows)
            m_host.showFoundRows();
        WriteSearchDiagnostic(410);
        if (m_host.showCounters)
            m_host.showCounters(total, found);
        accept();
        WriteSearchDiagnostic(420);
    } catch (const std::exception &e) {
        failed(e, search);
    }
    ButtonOk->setEnabled(true);
}

// Nothing stays half-done: every mark back to 'TRUE', the whole list, the
// operator told, and the window closed without a result (no report button).
void TfSearch::failed(const std::exception &error, CertificateSearch &search)
{
    LogException("SearchForm.TfSearch.aOkExecute", error);
    try {
        search.resetMarks();
        if (m_host.restoreList)
            m_host.restoreList();
    } catch (const std::exception &e) {
        LogException("SearchForm.TfSearch.aOkExecute", e);
    }
    Prompts().inform(SearchFailedText + ExceptionText(error), App().MessageTitle, Prompt::Error);
    reject();
}

void TfSearch::aCancelExecute()
{
    reject();
}

void TfSearch::aHelpContextExecute()
{
    OpenHelpContext(HelpContext::Search);
}

// ---------------------------------------------------------------- dates

void TfSearch::aShowCalendarExecute()
{
    dtpBegin->show();
    dtpEnd->show();
}

void TfSearch::aHideCalendarExecute()
{
    dtpBegin->hide();
    dtpEnd->hide();
}

void TfSearch::SpeedButtonBeginClick()
{
    dtpBegin->hide();
}

void TfSearch::SpeedButtonEndClick()
{
    dtpEnd->hide();
}

void TfSearch::SpeedButtonBeginShowClick()
{
    dtpBegin->show();
}

void TfSearch::SpeedButtonEndShowClick()
{
    dtpEnd->show();
}

// ---------------------------------------------------------------- pick and clear

void TfSearch::pick(const char *handler, const std::function<void()> &work)
{
    try {
        work();
    } catch (const std::exception &e) {
        LogException(QByteArray(Location) + handler, e);
    }
}

void TfSearch::pickParty(const char *handler, uint8_t kind, const std::function<void(const QString &)> &put)
{
    pick(handler, [&] {
        QString nameT, nameB;
        if (TfContragent::Choose(this, AllLanguages, kind, nameT, nameB))
            put(JoinLines(nameT, nameB));
    });
}

void TfSearch::pickPhrase(const char *handler, const QByteArray &lang, uint8_t kind,
                          const std::function<void(const QString &)> &put)
{
    pick(handler, [&] {
        QString chosen;
        if (TfPhrase::Choose(this, lang, kind, chosen))
            put(chosen);
    });
}

void TfSearch::ButtonExportSelectClick()
{
    pickParty("ButtonExportSelectClick", ContragentKind::SenderExporter,
              [this](const QString &party) { SetCurrentCell(StringGridExporter, party); });
}

void TfSearch::ButtonExportClearClick()
{
    SetCurrentCell(StringGridExporter, QString());
}

void TfSearch::ButtonImportSelectClick()
{
    pickParty("ButtonImportSelectClick", ContragentKind::RecipientImporter,
              [this](const QString &party) { MemoImporter->setPlainText(StoredToWidgetText(party)); });
}

void TfSearch::ButtonImportClearClick()
{
    MemoImporter->clear();
}

void TfSearch::ButtonUseSelectClick()
{
    pickPhrase("SpeedButtonUseSelectClick", AllLanguages, 5,
               [this](const QString &phrase) { MemoUse->setPlainText(StoredToWidgetText(phrase)); });
}

void TfSearch::ButtonUseClearClick()
{
    MemoUse->clear();
}

void TfSearch::ButtonCountrySelectClick()
{
    // Countries of the language of the certificate last prepared for editing.
    const QByteArray lang = m_dm.QueryInsM.params().find(QStringLiteral("Language"))
                                ? m_dm.QueryInsM.paramByName(QStringLiteral("Language")).asBytes()
                                : QByteArray();
    pickPhrase("ButtonCountrySelectClick", lang, 20, [this](const QString &country) { EditCountry->setText(country); });
}

void TfSearch::ButtonCountryClearClick()
{
    EditCountry->clear();
}

void TfSearch::ButtonAdditionalInfoClick()
{
    pickPhrase("ButtonAdditionalInfoClick", AllLanguages, 6,
               [this](const QString &phrase) { MemoAdditionalInfo->setPlainText(StoredToWidgetText(phrase)); });
}

void TfSearch::ButtonAdditionalInfoClearClick()
{
    MemoAdditionalInfo->clear();
}

void TfSearch::SpeedButtonGoodsSelectClick()
{
    pickPhrase("SpeedButtonGoodsSelectClick", AllLanguages, 8,
               [this](const QString &phrase) { SetCurrentCell(StringGridGoods, phrase); });
}

void TfSearch::SpeedButtonGoodsDeleteClick()
{
    SetCurrentCell(StringGridGoods, QString());
}

// ---------------------------------------------------------------- the program's wiring

void RegisterSearchWindow(TfMain &main)
{
    main.setSearchDialogFactory([](TfMain &window) -> QDialog * {
        TDM *dm = DM();
        if (!dm)
            return nullptr;
        SearchHost host;
        host.showCounters = [&window](const QString &total, const QString &found) {
            window.msAll->setText(total);
            window.msS->setText(found);
            for (QAction *item : {window.msSpace, window.msAll, window.msS})
                item->setVisible(true);
        };
        host.showFoundRows = [&window, dm] {
            dm->ASQD.close();
            dm->ASQM.close();
            SetListView(dm->ASQM, ListView{ListOrder{}, true});
            if (ListPage *list = window.listPage())
                list->recountPages();
            if (!dm->ASQD.isActive())
                dm->ASQD.open();
        };
        host.restoreList = [&window] { window.aListExecute(); };
        return new TfSearch(*dm, std::move(host), &window);
    });
}
