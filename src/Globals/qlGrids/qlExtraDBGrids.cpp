#include "qlExtraDBGrids.h"

#include "DataSet.h"
#include "DataSetModel.h"
#include "ggError.h"
#include "ggLayoutStore.h"
#include "LineBreaks.h"
#include "qlReportFailure.h"
#include "qlTntDBCtrls.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

static_assert(DataSetModel::FieldNameRole == FieldNameRole,
              "the grid's model must name its fields under the layout store's role");

namespace {

constexpr int kWheelNotch = 120;

// Blob and memo fields hold their text out of the row; cells show it only as a memo.
bool IsBlobField(FieldType type)
{
    return type == FieldType::Blob || type == FieldType::Memo;
}

// Tooltips show texts as they are, whatever markup they hold.
QString PlainTipText(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return "<p style='white-space:pre'>" + text.toHtmlEscaped() + "</p>";
}

} // namespace

// ---------------------------------------------------------------- cells

// Draws the data cells (through the grid's drawing hook) and gives the one-line
// editor the field's wide edit text.
class TqlGridCellDelegate : public QStyledItemDelegate {
public:
    explicit TqlGridCellDelegate(TqlDBGrid &grid) : QStyledItemDelegate(&grid), m_grid(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        TqlCellPaint cell = m_grid.defaultCellPaint(index, option.state & QStyle::State_Selected);
        const T_TntColumn *column = m_grid.columnOfSection(index.column());
        if (column && m_grid.m_onDrawColumnCell) {
            try {
                m_grid.m_onDrawColumnCell(m_grid, *column, cell);
            } catch (const std::exception &) {
                // A failing hook leaves the cell as the grid draws it.
                cell = m_grid.defaultCellPaint(index, option.state & QStyle::State_Selected);
            }
        }
        painter->save();
        painter->fillRect(option.rect, cell.background);
        painter->setPen(cell.foreground);
        painter->setFont(option.font);
        const Qt::Alignment horizontal = cell.alignment & Qt::AlignHorizontal_Mask;
        if (cell.wordWrap)
            painter->drawText(option.rect.adjusted(2, 2, -2, -2), int(horizontal | Qt::AlignTop | Qt::TextWordWrap),
                              StoredToWidgetText(cell.text));
        else
            painter->drawText(option.rect.adjusted(2, 0, -2, 0),
                              int(horizontal | Qt::AlignVCenter | Qt::TextSingleLine), cell.text);
        painter->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        auto *editor = new QLineEdit(parent);
        editor->setFrame(false);
        const Field *field = fieldAt(index);
        if (field && field->isText() && field->size() > 0)
            editor->setMaxLength(field->size());
        return editor;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<QLineEdit *>(editor)->setText(editText(index));
    }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        const QString text = static_cast<QLineEdit *>(editor)->text();
        Field *field = fieldAt(index);
        if (!field || text == editText(index))
            return;
        DataSet &dataSet = field->dataSet();
        try {
            dataSet.setCurrentRow(index.row());
            dataSet.edit();
            SetFieldEditTextWide(*field, text);
            dataSet.post();
        } catch (const std::exception &e) {
            if (dataSet.isEditing())
                dataSet.cancel();
            ReportControlFailure(e);
        }
    }

private:
    Field *fieldAt(const QModelIndex &index) const
    {
        DataSet *dataSet = m_grid.dataSource();
        const int field = m_grid.dataModel() ? m_grid.dataModel()->fieldIndex(index.column()) : -1;
        return dataSet && field >= 0 ? &dataSet->field(field) : nullptr;
    }

    QString editText(const QModelIndex &index) const
    {
        const Field *field = fieldAt(index);
        return field ? ValueDisplayTextWide(field->def(), index.data(Qt::EditRole)) : QString();
    }

    TqlDBGrid &m_grid;
};

// ---------------------------------------------------------------- columns

QString T_TntColumnTitle::caption() const
{
    return m_caption.isEmpty() ? m_column.fieldName() : m_caption;
}

void T_TntColumnTitle::setCaption(const QString &caption)
{
    m_caption = caption;
    m_column.changed();
}

T_TntColumn::T_TntColumn(TqlDBGrid &grid, const QString &fieldName)
    : m_grid(grid), m_fieldName(fieldName), m_title(*this)
{
}

int T_TntColumn::index() const
{
    return m_grid.m_columns.indexOf(this);
}

void T_TntColumn::setFieldName(const QString &fieldName)
{
    m_fieldName = fieldName;
    changed();
}

Field *T_TntColumn::field() const
{
    DataSet *dataSet = m_grid.dataSource();
    return dataSet && dataSet->isActive() ? dataSet->findField(m_fieldName) : nullptr;
}

int T_TntColumn::width() const
{
    const QHeaderView *header = m_grid.horizontalHeader();
    if (m_section >= 0 && !header->isSectionHidden(m_section))
        return header->sectionSize(m_section);
    return m_width > 0 ? m_width : header->defaultSectionSize();
}

void T_TntColumn::setWidth(int width)
{
    m_width = width;
    changed();
}

void T_TntColumn::setVisible(bool visible)
{
    m_visible = visible;
    changed();
}

void T_TntColumn::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    m_grid.viewport()->update();
}

void T_TntColumn::setColor(const QColor &color)
{
    m_color = color;
    m_grid.viewport()->update();
}

void T_TntColumn::setFontColor(const QColor &color)
{
    m_fontColor = color;
    m_grid.viewport()->update();
}

void T_TntColumn::setEditorType(TqlEditorType type)
{
    m_editorType = type;
    m_grid.viewport()->update();
}

void T_TntColumn::setTypeBlob(TqlTntTypeBlob typeBlob)
{
    m_typeBlob = typeBlob;
    m_grid.viewport()->update();
}

void T_TntColumn::changed() const
{
    if (!m_grid.m_applying)
        m_grid.applyColumns();
}

T_TntColumn &T_TntDBGridColumns::column(int index) const
{
    if (index < 0 || index >= count())
        throw AppError(QString("Grid column index %1 out of range").arg(index));
    return *m_items[size_t(index)];
}

T_TntColumn &T_TntDBGridColumns::add(const QString &fieldName)
{
    if (m_state == State::Default) {
        m_items.clear();
        m_state = State::Customized;
    }
    m_items.push_back(std::make_unique<T_TntColumn>(m_grid, fieldName));
    T_TntColumn &column = *m_items.back();
    m_grid.applyColumns();
    return column;
}

void T_TntDBGridColumns::clear()
{
    m_items.clear();
    m_state = State::Default;
    m_grid.applyColumns();
}

int T_TntDBGridColumns::indexOf(const T_TntColumn *column) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == column)
            return int(i);
    return -1;
}

T_TntColumn *T_TntDBGridColumns::findByField(const QString &fieldName) const
{
    for (const auto &column : m_items)
        if (column->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return column.get();
    return nullptr;
}

// ---------------------------------------------------------------- grid

TqlDBGrid::TqlDBGrid(QWidget *parent)
    : QTableView(parent), m_columns(*this),
      m_options(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                dgConfirmDelete | dgCancelOnExit)
{
    // The layout store keeps a grid of this kind by its bounds only.
    setProperty(kLayoutBoundsOnlyProperty, true);
    setItemDelegate(new TqlGridCellDelegate(*this));
    setSelectionMode(SingleSelection);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView *titles = horizontalHeader();
    titles->setSectionsClickable(true);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->viewport()->installEventFilter(this);
    connect(titles, &QHeaderView::sectionClicked, this, [this](int section) {
        if (const T_TntColumn *column = columnOfSection(section))
            emit titleClick(column->index());
    });
    connect(titles, &QHeaderView::sectionResized, this, &TqlDBGrid::onSectionResized);
    connect(titles, &QHeaderView::sectionMoved, this, &TqlDBGrid::onSectionMoved);
    connect(this, &QAbstractItemView::clicked, this, &TqlDBGrid::onCellClicked);
    applyOptions();
}

TqlDBGrid::~TqlDBGrid()
{
    hideTip();
}

DataSet *TqlDBGrid::dataSource() const
{
    return m_dataSet;
}

void TqlDBGrid::setDataSource(DataSet *dataSet)
{
    if (dataSet == m_dataSet && m_model)
        return;
    hideEditors();
    hideTip();
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
    DataSetModel *old = m_model;
    m_dataSet = dataSet;
    m_model = new DataSetModel(dataSet, this);
    m_model->setDisplayFunction(ValueDisplayTextWide);
    setModel(m_model);
    delete old;
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_applying = true;
        hideEditors();
        hideTip();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &TqlDBGrid::applyColumns);
    connect(m_model, &DataSetModel::currentRowChanged, this, &TqlDBGrid::syncCurrentRow);
    if (dataSet) {
        connect(dataSet, &DataSet::afterScroll, this, &TqlDBGrid::hideEditors);
        connect(dataSet, &DataSet::recordChanged, this, [this](int row) {
            if (m_dataSet && row == m_dataSet->currentRow())
                hideEditors();
        });
    }
    applyColumns();
    syncCurrentRow(m_model->currentRow());
}

void TqlDBGrid::setOptions(TqlGridOptions options)
{
    m_options = options;
    applyOptions();
}

void TqlDBGrid::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    applyOptions();
}

void TqlDBGrid::applyOptions()
{
    horizontalHeader()->setVisible(m_options & dgTitles);
    verticalHeader()->setVisible(m_options & dgIndicator);
    const bool sizing = m_options & dgColumnResize;
    horizontalHeader()->setSectionResizeMode(sizing ? QHeaderView::Interactive : QHeaderView::Fixed);
    horizontalHeader()->setSectionsMovable(sizing);
    setShowGrid(m_options & (dgColLines | dgRowLines));
    setTabKeyNavigation(m_options & dgTabs);
    setSelectionBehavior(m_options & dgRowSelect ? SelectRows : SelectItems);
    setEditTriggers((m_options & dgEditing) && !m_readOnly
                        ? EditTriggers(EditKeyPressed | AnyKeyPressed | SelectedClicked)
                        : EditTriggers(NoEditTriggers));
}

void TqlDBGrid::setToolTips(bool on)
{
    m_toolTips = on;
    if (on) {
        viewport()->setMouseTracking(true);
        horizontalHeader()->viewport()->setMouseTracking(true);
    } else {
        hideTip();
    }
}

int TqlDBGrid::defaultRowHeight() const
{
    return verticalHeader()->defaultSectionSize();
}

void TqlDBGrid::setDefaultRowHeight(int height)
{
    verticalHeader()->setMinimumSectionSize(std::min(height, verticalHeader()->minimumSectionSize()));
    verticalHeader()->setDefaultSectionSize(height);
}

void TqlDBGrid::setTitleRowHeight(int height)
{
    horizontalHeader()->setFixedHeight(height);
}

void TqlDBGrid::setOnDrawColumnCell(DrawColumnCellHook hook)
{
    m_onDrawColumnCell = std::move(hook);
    viewport()->update();
}

T_TntColumn *TqlDBGrid::columnOfSection(int section) const
{
    if (section < 0)
        return nullptr;
    for (const auto &column : m_columns.m_items)
        if (column->m_section == section)
            return column.get();
    return nullptr;
}

int TqlDBGrid::selectedIndex() const
{
    const T_TntColumn *column = columnOfSection(currentIndex().column());
    return column ? column->index() : -1;
}

Field *TqlDBGrid::selectedField() const
{
    const T_TntColumn *column = columnOfSection(currentIndex().column());
    return column ? column->field() : nullptr;
}

QVariant TqlDBGrid::rowValue(int row, const QString &fieldName) const
{
    const Field *field = m_dataSet ? m_dataSet->findField(fieldName) : nullptr;
    return field ? m_dataSet->rowValue(row, field->index()) : QVariant();
}

// ---------------------------------------------------------------- columns on the view

void TqlDBGrid::rebuildDefaultColumns()
{
    QStringList names;
    for (int c = 0; m_model && c < m_model->columnCount(); ++c)
        names << m_model->headerData(c, Qt::Horizontal, DataSetModel::FieldNameRole).toString().toLower();
    QStringList shown;
    for (const auto &column : m_columns.m_items)
        shown << column->fieldName().toLower();
    QStringList sortedNames = names, sortedShown = shown;
    sortedNames.sort();
    sortedShown.sort();
    if (sortedNames == sortedShown)
        return; // the same fields, perhaps in an order the user chose
    m_columns.m_items.clear();
    for (int c = 0; m_model && c < m_model->columnCount(); ++c)
        m_columns.m_items.push_back(std::make_unique<T_TntColumn>(
            *this, m_model->headerData(c, Qt::Horizontal, DataSetModel::FieldNameRole).toString()));
}

// Shows the model columns of the grid's columns in their order, hides the rest,
// and gives them their widths and titles. Runs again after every model reset,
// which clears what the header knew.
void TqlDBGrid::applyColumns()
{
    m_applying = true;
    if (m_columns.state() == T_TntDBGridColumns::State::Default)
        rebuildDefaultColumns();
    QHeaderView *header = horizontalHeader();
    const int sections = m_model ? m_model->columnCount() : 0;
    std::vector<bool> used(size_t(sections), false);
    int visual = 0;
    bool moved = false;
    for (const auto &column : m_columns.m_items) {
        const int section = m_model ? m_model->columnOfField(column->m_fieldName) : -1;
        column->m_section = section >= 0 && !used[size_t(section)] ? section : -1;
        if (column->m_section < 0)
            continue;
        used[size_t(section)] = true;
        // Each change makes the header lay its sections out again: only
        // what differs is changed (the grid's columns are applied again
        // whenever its data set opens). A move alone would have the table
        // measure every title again; the table is laid out once below.
        if (header->visualIndex(section) != visual) {
            const QSignalBlocker quiet(header);
            header->moveSection(header->visualIndex(section), visual);
            moved = true;
        }
        ++visual;
        if (column->m_width > 0 && header->sectionSize(section) != column->m_width) {
            header->setSectionHidden(section, false);
            header->resizeSection(section, column->m_width);
        }
        if (header->isSectionHidden(section) != !column->m_visible)
            header->setSectionHidden(section, !column->m_visible);
        m_model->setHeaderTitle(column->m_fieldName, column->m_title.caption());
    }
    for (int section = 0; section < sections; ++section)
        if (!used[size_t(section)] && !header->isSectionHidden(section))
            header->setSectionHidden(section, true);
    if (moved)
        updateGeometries();
    m_applying = false;
    viewport()->update();
}

void TqlDBGrid::onSectionResized(int section, int, int newSize)
{
    if (m_applying || newSize <= 0)
        return;
    if (T_TntColumn *column = columnOfSection(section))
        column->m_width = newSize;
}

int TqlDBGrid::layoutColumnWidth(int index) const
{
    const T_TntColumn &column = m_columns.column(index);
    return column.isVisible() ? column.width() : 0;
}

void TqlDBGrid::moveLayoutColumn(int from, int to)
{
    auto &items = m_columns.m_items;
    std::unique_ptr<T_TntColumn> moved = std::move(items.at(size_t(from)));
    items.erase(items.begin() + from);
    items.insert(items.begin() + std::min<ptrdiff_t>(to, ptrdiff_t(items.size())), std::move(moved));
    applyColumns();
}

// The user moved a column: the columns take the order shown.
void TqlDBGrid::onSectionMoved()
{
    if (m_applying)
        return;
    auto &items = m_columns.m_items;
    std::vector<T_TntColumn *> shown;
    for (const auto &column : items)
        if (column->m_section >= 0)
            shown.push_back(column.get());
    const QHeaderView *header = horizontalHeader();
    std::stable_sort(shown.begin(), shown.end(), [header](const T_TntColumn *a, const T_TntColumn *b) {
        return header->visualIndex(a->m_section) < header->visualIndex(b->m_section);
    });
    std::vector<T_TntColumn *> order;
    auto next = shown.begin();
    for (const auto &column : items)
        order.push_back(column->m_section < 0 ? column.get() : *next++);
    for (auto &column : items)
        (void)column.release();
    items.clear();
    for (T_TntColumn *column : order)
        items.emplace_back(column);
}

// ---------------------------------------------------------------- current row

void TqlDBGrid::syncCurrentRow(int row)
{
    if (!m_model || !selectionModel())
        return;
    const QModelIndex current = currentIndex();
    if (row < 0 || (current.isValid() && current.row() == row))
        return;
    int section = current.isValid() ? current.column() : -1;
    for (int visual = 0; section < 0 && visual < horizontalHeader()->count(); ++visual) {
        const int logical = horizontalHeader()->logicalIndex(visual);
        if (!horizontalHeader()->isSectionHidden(logical))
            section = logical;
    }
    if (section < 0)
        return;
    const QModelIndex target = m_model->index(row, section);
    m_syncing = true;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                   (m_options & dgRowSelect ? QItemSelectionModel::Rows
                                                                            : QItemSelectionModel::NoUpdate));
    m_syncing = false;
    scrollTo(target);
}

void TqlDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (previous.isValid() && current.column() != previous.column())
        if (const T_TntColumn *column = columnOfSection(previous.column()))
            hideEditorsOfField(column->fieldName());
    if (m_syncing || !m_model || !current.isValid() || current.row() == m_model->currentRow())
        return;
    m_model->setCurrentRow(current.row());
}

void TqlDBGrid::keyboardSearch(const QString &)
{
    // Typing moves no row: in a data grid it only starts the cell editor.
}

// ---------------------------------------------------------------- editors

bool TqlDBGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    const T_TntColumn *column = columnOfSection(index.column());
    const Field *field = column ? column->field() : nullptr;
    const bool oneLine = column && column->editorType() != TqlEditorType::edsMemo;
    if (!field || !oneLine || column->isReadOnly() || m_readOnly || !(m_options & dgEditing) ||
        !m_dataSet->canModify() || IsBlobField(field->type()))
        return false;
    return QTableView::edit(index, trigger, event);
}

void TqlDBGrid::onCellClicked(const QModelIndex &index)
{
    T_TntColumn *column = columnOfSection(index.column());
    if (!column)
        return;
    if (column->editorType() == TqlEditorType::edsMemo && (m_options & dgEditing))
        openMemoEditor(currentIndex(), *column);
    emit cellClick(column->index());
}

// The memo stands over the cell, one size larger on each side, in the grid's parent.
void TqlDBGrid::openMemoEditor(const QModelIndex &index, T_TntColumn &column)
{
    try {
        const Field *field = column.field();
        if (!field || !index.isValid())
            throw AppError("Field '" + column.fieldName() + "' not found");
        QWidget *holder = parentWidget() ? parentWidget() : this;
        if (!m_memoEditor)
            m_memoEditor = new TqlTntDBMemo(holder);
        const QRect cell = visualRect(index);
        m_memoEditor->setGeometry(QRect(viewport()->mapTo(holder, cell.topLeft()), cell.size() + QSize(4, 4)));
        m_memoEditor->setTypeBlob(column.typeBlob());
        m_memoEditor->setDataSource(m_dataSet);
        m_memoEditor->setDataField(field->name());
        m_memoEditor->setDataReadOnly(m_readOnly || column.isReadOnly());
        QPalette colours = palette();
        if (column.color().isValid())
            colours.setColor(QPalette::Base, column.color());
        if (column.fontColor().isValid())
            colours.setColor(QPalette::Text, column.fontColor());
        m_memoEditor->setPalette(colours);
        m_memoEditor->setVisible(true);
        m_memoEditor->setEnabled(true);
        m_memoEditor->raise();
        m_memoEditor->setFocus(Qt::MouseFocusReason);
    } catch (const std::exception &) {
        if (m_memoEditor)
            m_memoEditor->hide();
    }
}

bool TqlDBGrid::memoEditorShowing() const
{
    return m_memoEditor && m_memoEditor->isVisible();
}

void TqlDBGrid::hideEditors()
{
    if (memoEditorShowing())
        m_memoEditor->hide();
}

void TqlDBGrid::hideEditorsOfField(const QString &fieldName)
{
    if (memoEditorShowing() && m_memoEditor->dataField().compare(fieldName, Qt::CaseInsensitive) == 0)
        m_memoEditor->hide();
}

void TqlDBGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    hideEditors();
}

void TqlDBGrid::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    const QWidget *next = QApplication::focusWidget();
    const bool toMemo = m_memoEditor && next == m_memoEditor;
    if (m_memoEditor && !toMemo && m_memoEditor->isVisible())
        m_memoEditor->hide();
    if (!toMemo && !(next && isAncestorOf(next)))
        cancelUntouchedInsert();
}

// Leaving the grid drops a new row nothing was entered in, unless the in-place
// memo is open on it.
void TqlDBGrid::cancelUntouchedInsert()
{
    if (!(m_options & dgCancelOnExit) || !m_dataSet || m_dataSet->state() != DataSet::State::Insert ||
        memoEditorShowing())
        return;
    const int row = m_dataSet->currentRow();
    for (int f = 0; f < m_dataSet->fieldCount(); ++f)
        if (m_dataSet->rowValue(row, f).isValid())
            return;
    m_dataSet->cancel();
}

// ---------------------------------------------------------------- drawing

TqlCellPaint TqlDBGrid::defaultCellPaint(const QModelIndex &index, bool selected) const
{
    TqlCellPaint cell;
    const T_TntColumn *column = columnOfSection(index.column());
    cell.row = index.row();
    cell.column = column ? column->index() : -1;
    cell.selected = selected;
    cell.focused = index == currentIndex();
    const QPalette &colours = palette();
    if (selected) {
        cell.background = colours.color(QPalette::Highlight);
        cell.foreground = colours.color(QPalette::HighlightedText);
    } else {
        cell.background = column && column->color().isValid() ? column->color() : colours.color(QPalette::Base);
        cell.foreground =
            column && column->fontColor().isValid() ? column->fontColor() : colours.color(QPalette::Text);
    }
    cell.alignment = column ? column->alignment() : Qt::AlignLeft;
    const Field *field = column ? column->field() : nullptr;
    const bool memoOverCell = cell.focused && (m_options & dgEditing) && memoEditorShowing();
    if (field && column->editorType() == TqlEditorType::edsMemo && IsBlobField(field->type()) && !memoOverCell) {
        cell.text = ValueToWideTyped(field->def(), index.data(Qt::EditRole), column->typeBlob());
        cell.wordWrap = true;
    } else {
        cell.text = index.data(Qt::DisplayRole).toString();
    }
    return cell;
}

// ---------------------------------------------------------------- mouse

void TqlDBGrid::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (m_onMouseWheel && m_onMouseWheel(event))
        return;
    if (!m_dataSet || !m_dataSet->isActive())
        return;
    m_wheelRest += event->angleDelta().y();
    try {
        for (; m_wheelRest >= kWheelNotch; m_wheelRest -= kWheelNotch)
            m_dataSet->moveBy(-1);
        for (; m_wheelRest <= -kWheelNotch; m_wheelRest += kWheelNotch)
            m_dataSet->moveBy(1);
    } catch (const std::exception &e) {
        m_wheelRest = 0;
        ReportControlFailure(e);
    }
}

bool TqlDBGrid::viewportEvent(QEvent *event)
{
    const bool result = QTableView::viewportEvent(event);
    if (event->type() == QEvent::MouseMove)
        trackTip(false, static_cast<QMouseEvent *>(event)->position().toPoint());
    else if (event->type() == QEvent::Leave)
        hideTip();
    return result;
}

bool TqlDBGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseMove)
            trackTip(true, static_cast<QMouseEvent *>(event)->position().toPoint());
        else if (event->type() == QEvent::Leave)
            hideTip();
    }
    return QTableView::eventFilter(watched, event);
}

// ---------------------------------------------------------------- tooltips

bool TqlDBGrid::tipsWork() const
{
    return m_toolTips && m_dataSet && m_dataSet->isActive();
}

QString TqlDBGrid::tipTextOf(const T_TntColumn &column, int row) const
{
    try {
        const Field *field = column.field();
        if (!field || column.toolTipShow() != TqlToolTipShow::ttsText)
            return QString();
        const QVariant value = m_dataSet->rowValue(row, field->index());
        if (!value.isValid())
            return QString();
        switch (field->type()) {
        case FieldType::String:
        case FieldType::WideString:
        case FieldType::Memo:
            return value.toString();
        case FieldType::Blob:
            return QString();
        default:
            return ValueDisplayTextWide(field->def(), value);
        }
    } catch (const std::exception &) {
        return QString();
    }
}

// Shows the whole text of the cell (or title) under the mouse when it does not fit.
void TqlDBGrid::trackTip(bool overTitles, const QPoint &pos)
{
    if (!tipsWork() || state() == EditingState || m_dataSet->state() != DataSet::State::Browse ||
        m_dataSet->controlsDisabled() || m_dataSet->isEmpty()) {
        hideTip();
        return;
    }
    QWidget *area = nullptr;
    QRect cellRect;
    int section = -1;
    int row = -1;
    if (overTitles) {
        const QHeaderView *header = horizontalHeader();
        area = header->viewport();
        section = header->logicalIndexAt(pos);
        if (section >= 0)
            cellRect = QRect(header->sectionViewportPosition(section), 0, header->sectionSize(section),
                             header->height());
    } else {
        area = viewport();
        const QModelIndex index = indexAt(pos);
        section = index.column();
        row = index.row();
        cellRect = visualRect(index);
    }
    const T_TntColumn *column = columnOfSection(section);
    if (!column)
        return;
    if (column->index() == m_tipCol && row == m_tipRow)
        return;
    const QString text = StoredToWidgetText(
        row < 0 ? m_model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString() : tipTextOf(*column, row));
    const QRect needed = fontMetrics().boundingRect(QRect(), Qt::TextExpandTabs, text);
    if (text.isEmpty() || (cellRect.width() >= needed.width() + 4 && cellRect.height() >= needed.height() + 4)) {
        hideTip();
        return;
    }
    m_tipCol = column->index();
    m_tipRow = row;
    m_tipText = text;
    QToolTip::showText(area->mapToGlobal(cellRect.topLeft() - QPoint(1, 1)), PlainTipText(text), area, cellRect);
}

void TqlDBGrid::hideTip()
{
    if (!m_tipText.isEmpty())
        QToolTip::hideText();
    m_tipText.clear();
    m_tipCol = -1;
    m_tipRow = -2;
}
