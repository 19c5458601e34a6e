#include "PickListForm.h"

#include <QKeyEvent>

#include "CommonTessal.h"
#include "DataTessal.h"
#include "SqliteDatabase.h"
#include "HelpPages.h"
#include "ggError.h"
#include "ggLayoutStore.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"
#include "StylePicture.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr int WheelNotch = 120;
constexpr int LinesPerEntry = 4;
constexpr int RowPadding = 4;
constexpr int AddPanelFrame = 56; // the group box's title and margins around its memos

QAction *MakeAction(QWidget *form, const char *name, const QString &caption, const QString &hint)
{
    auto *action = new QAction(caption, form);
    action->setObjectName(QLatin1String(name));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    form->addAction(action);
    return action;
}

QLineEdit *MakeSearchEdit(QWidget *form, QLayout *into, const char *name, const QString &caption,
                          const QString &hint)
{
    auto *box = new QVBoxLayout;
    auto *label = new QLabel(caption, form);
    auto *edit = new QLineEdit(form);
    edit->setObjectName(QLatin1String(name));
    edit->setToolTip(hint);
    label->setBuddy(edit);
    box->addWidget(label);
    box->addWidget(edit);
    static_cast<QBoxLayout *>(into)->addLayout(box);
    return edit;
}

} // namespace

PickListForm::PickListForm(QWidget *owner, TDM &dm, SqlQuery &query, const PickListTable &table, const PickListTexts &texts)
    : QDialog(owner), m_dm(dm), m_data(dm, query, table), m_texts(texts)
{
    setObjectName(QLatin1String(texts.formName));
    setModal(true);

    buildActions(texts);
    auto *layout = new QVBoxLayout(this);
    buildToolBar(layout);
    buildGrid(layout, query, table);
    buildSearch(layout, texts);
    buildAddPanel(layout);
    connectHandlers(query);
    setRowHeights();
    resize(720, 560);
}

void PickListForm::buildActions(const PickListTexts &texts)
{
    aCancel = MakeAction(this, "aCancel", QStringLiteral("Отмена"), QStringLiteral("Нажмите для отказа от выбора"));
    aDelete = MakeAction(this, "aDelete", QStringLiteral("Удалить"), texts.deleteHint);
    aSelectOk = MakeAction(this, "aSelectOk", QStringLiteral("Выбрать"), QString());
    aAdd = MakeAction(this, "aAdd", QStringLiteral("Добавить"), texts.addHint);
    aHelpContext = MakeAction(this, "aHelpContext", QStringLiteral("Помощь"), QString());
    aHelpContext->setShortcut(QKeySequence(Qt::Key_F1));
    aHelpContext->setShortcutContext(Qt::WindowShortcut);
}

void PickListForm::buildToolBar(QVBoxLayout *layout)
{
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar->addAction(aSelectOk);
    ToolBar->addAction(aDelete);
    ToolBar->addAction(aCancel);
    layout->addWidget(ToolBar);
}

void PickListForm::buildGrid(QVBoxLayout *layout, SqlQuery &query, const PickListTable &table)
{
    DBGrid = new TqlDBGrid(this);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->setReadOnly(true);
    DBGrid->setToolTips(false);
    DBGrid->setDataSource(&query);
    for (const QString &field : table.nameFields) {
        T_TntColumn &column = DBGrid->columns().add(field);
        column.setTypeBlob(TqlTntTypeBlob::edsWideString);
        column.setWidth(320);
    }
    // The last (for phrases the only) column takes the grid's remaining width.
    DBGrid->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(DBGrid, 1);
}

void PickListForm::buildSearch(QVBoxLayout *layout, const PickListTexts &texts)
{
    auto *search = new QHBoxLayout;
    EditSearch = MakeSearchEdit(this, search, "EditSearch", QStringLiteral("Поиск от начала"), texts.searchHint);
    EditSubs = MakeSearchEdit(this, search, "EditSubs", QStringLiteral("Поиск везде"), texts.subsHint);
    layout->addLayout(search);
}

void PickListForm::buildAddPanel(QVBoxLayout *layout)
{
    PanelAdd = new QGroupBox(QStringLiteral("Добавить"), this);
    PanelAdd->setObjectName(QStringLiteral("PanelAdd"));
    m_addLayout = new QHBoxLayout(PanelAdd);
    BitBtnAdd = new QPushButton(aAdd->text(), PanelAdd);
    BitBtnAdd->setObjectName(QStringLiteral("BitBtnAdd"));
    BitBtnAdd->setIcon(StylePicture(QStyle::SP_DialogOkButton));
    BitBtnAdd->setToolTip(aAdd->toolTip());
    BitBtnAdd->setAutoDefault(false);
    // The add panel holds one entry's worth of lines; the rest of the window is the list's.
    PanelAdd->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    PanelAdd->setMaximumHeight(LinesPerEntry * fontMetrics().lineSpacing() + AddPanelFrame);
    layout->addWidget(PanelAdd);
}

void PickListForm::connectHandlers(SqlQuery &query)
{
    connect(aCancel, &QAction::triggered, this, &PickListForm::aCancelExecute);
    connect(aDelete, &QAction::triggered, this, &PickListForm::aDeleteExecute);
    connect(aSelectOk, &QAction::triggered, this, &PickListForm::aSelectOkExecute);
    connect(aAdd, &QAction::triggered, this, &PickListForm::aAddExecute);
    connect(aHelpContext, &QAction::triggered, this, &PickListForm::aHelpContextExecute);
    connect(BitBtnAdd, &QPushButton::clicked, aAdd, &QAction::trigger);
    connect(DBGrid, &QAbstractItemView::doubleClicked, this, &PickListForm::aSelectOkExecute);
    connect(EditSearch, &QLineEdit::textChanged, this, &PickListForm::EditSearchChange);
    connect(EditSubs, &QLineEdit::textChanged, this, &PickListForm::EditSubsChange);
    connect(&query, &DataSet::afterScroll, this, &PickListForm::selectedRowChanged);
    DBGrid->setOnDrawColumnCell(
        [this](const TqlDBGrid &, const T_TntColumn &column, TqlCellPaint &cell) { DBGridDrawColumnCell(column, cell); });
    DBGrid->setOnMouseWheel([this](QWheelEvent *event) { return DBGridMouseWheel(event); });
}

PickListForm::~PickListForm()
{
    try {
        KeepLayout(this);
    } catch (const std::exception &e) {
        LogException(location("TntFormDestroy"), e);
    }
}

QByteArray PickListForm::location(const char *handler) const
{
    return QByteArray(m_texts.location) + handler;
}

TDM &PickListForm::runDataModule()
{
    if (!DM())
        throw AppError(QStringLiteral("Модуль данных не создан"));
    return *DM();
}

void PickListForm::setRowHeights()
{
    // The grid's row as designed holds one line of text.
    DBGrid->setDefaultRowHeight(DBGrid->fontMetrics().lineSpacing() + RowPadding);
    BaseRowHeight = DBGrid->defaultRowHeight();
    DBGrid->setDefaultRowHeight(LinesPerEntry * BaseRowHeight);
    DBGrid->setTitleRowHeight(BaseRowHeight);
}

void PickListForm::restoreLayout()
{
    RestoreLayout(this);
}

// ---------------------------------------------------------------- showing

void PickListForm::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && event->key() == Qt::Key_Escape) {
        aCancelExecute();
        return;
    }
    // The add panel's memos take Enter as a new line and never pass it on.
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        aSelectOkExecute();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PickListForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        TntFormShow();
}

void PickListForm::done(int result)
{
    m_helpLine.end();
    QDialog::done(result);
}

void PickListForm::TntFormShow()
{
    try {
        m_helpLine.begin(m_texts.helpLine);
        setResults({});
        setResult(QDialog::Rejected);
        setTitles();
        m_data.show(Lang, SType);
        selectedRowChanged();
    } catch (const std::exception &e) {
        LogException(location("TntFormShow"), e);
    }
}

// ---------------------------------------------------------------- grid

void PickListForm::DBGridDrawColumnCell(const T_TntColumn &column, TqlCellPaint &cell)
{
    try {
        const QVariant value = DBGrid->rowValue(cell.row, column.fieldName());
        if (value.typeId() == QMetaType::QByteArray)
            cell.text = WideTextFromBytes(value.toByteArray());
        else if (value.isValid())
            cell.text = value.toString();
        else
            cell.text.clear();
        cell.wordWrap = true;
    } catch (const std::exception &e) {
        LogException(location("DBGridDrawColumnCell"), e);
    }
}

void PickListForm::selectedRowChanged()
{
    try {
        if (m_data.hasCurrentEntry())
            showInAddPanel(m_data.currentNames());
    } catch (const std::exception &e) {
        LogException(location("DBGridDrawColumnCell"), e);
    }
}

bool PickListForm::DBGridMouseWheel(QWheelEvent *event)
{
    try {
        // Every whole notch posts one move; the moves run after the wheel event.
        m_wheelRest += event->angleDelta().y();
        for (; m_wheelRest >= WheelNotch; m_wheelRest -= WheelNotch)
            QMetaObject::invokeMethod(this, [this] { MessageGoBase(1); }, Qt::QueuedConnection);
        for (; m_wheelRest <= -WheelNotch; m_wheelRest += WheelNotch)
            QMetaObject::invokeMethod(this, [this] { MessageGoBase(2); }, Qt::QueuedConnection);
    } catch (const std::exception &e) {
        LogException(location("DBGridMouseWheel"), e);
    }
    return true;
}

void PickListForm::MessageGoBase(int direction)
{
    try {
        SqlQuery &query = m_data.query();
        if (!query.isActive())
            return;
        if (direction == 1)
            query.prior();
        else if (direction == 2)
            query.next();
    } catch (const std::exception &e) {
        LogException(location("MessageGoBase"), e);
    }
}

// ---------------------------------------------------------------- search

bool PickListForm::searchSelectedColumn(const QString &text, bool anywhere)
{
    if (!m_data.query().isActive())
        return false;
    const Field *selected = DBGrid->selectedField();
    const QString field = selected ? selected->name() : m_data.table().nameFields.first();
    return m_data.search(field, text, anywhere);
}

void PickListForm::EditSearchChange()
{
    try {
        searchSelectedColumn(EditSearch->text(), false);
    } catch (const std::exception &e) {
        LogException(location("EditSearchChange"), e);
    }
}

void PickListForm::EditSubsChange()
{
    try {
        searchSelectedColumn(EditSubs->text(), true);
    } catch (const std::exception &e) {
        LogException(location("EditSubsChange"), e);
    }
}

// ---------------------------------------------------------------- actions

void PickListForm::aCancelExecute()
{
    try {
        reject();
    } catch (const std::exception &e) {
        LogException(location("aCancelExecute"), e);
    }
}

void PickListForm::aSelectOkExecute()
{
    try {
        // Nothing to choose in an empty list: the window stays open, so the
        // caller's text is never replaced by an empty one.
        if (!m_data.hasCurrentEntry())
            return;
        setResults(m_data.currentNames());
        accept();
    } catch (const std::exception &e) {
        LogException(location("aSelectOkExecute"), e);
    }
}

void PickListForm::aAddExecute()
{
    try {
        addEntry();
    } catch (const std::exception &e) {
        LogException(location("aAddExecute"), e);
    }
}

void PickListForm::aDeleteExecute()
{
    try {
        m_data.deleteCurrent(SType);
    } catch (const std::exception &e) {
        LogException(location("aDeleteExecute"), e);
    }
}

void PickListForm::aHelpContextExecute()
{
    try {
        OpenHelpContext(m_texts.helpContext);
    } catch (const std::exception &e) {
        LogException(location("aHelpContextExecute"), e);
    }
}
