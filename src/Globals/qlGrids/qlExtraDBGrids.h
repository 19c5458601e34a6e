#pragma once
// The data grid for wide text. It shows a dataset through its own DataSetModel,
// keeps the view's current row and the dataset's current row together, and adds
// to a plain table view what the windows expect of a data grid:
//   - columns by field name with a title, width, visibility, colours, alignment
//     and three properties of their own: the editor a cell opens (the one-line
//     editor, or the data-aware memo placed over the cell for multi-line text),
//     whether a cell shows its whole text as a tooltip, and how a blob field's
//     text is read;
//   - a drawing hook through which a window chooses per cell the colours, the
//     text, its alignment and word wrap;
//   - title clicks, cell clicks, and the mouse wheel moving the current row one
//     row per notch (a window may take the wheel over);
//   - tooltips with the whole text of a cell or title that does not fit it.
// Without columns of its own the grid shows every field (default columns).
// The window-layout store keeps only the grid's bounds.
#include "ggLayoutStore.h"
#include "qlTntDB.h"

#include <QColor>
#include <QPointer>
#include <QTableView>

#include <functional>
#include <memory>
#include <vector>

class DataSet;
class DataSetModel;
class Field;
class TqlDBGrid;
class TqlTntDBMemo;

// Which editor opens in a cell and how the cell is drawn. The rich-text kind is
// kept for stored settings and behaves as the default.
enum class TqlEditorType { edsDefault = 0, edsMemo = 1, edsRTF = 2 };
// Whether a data cell gets a tooltip with its text; only ttsText gives one.
enum class TqlToolTipShow { ttsNoShow = 0, ttsText = 1, ttsRTF = 2 };

enum TqlGridOption {
    dgEditing = 0x1,
    dgAlwaysShowEditor = 0x2,
    dgTitles = 0x4,
    dgIndicator = 0x8,
    dgColumnResize = 0x10, // the user sizes and moves columns
    dgColLines = 0x20,
    dgRowLines = 0x40,
    dgTabs = 0x80,
    dgRowSelect = 0x100,
    dgAlwaysShowSelection = 0x200,
    dgConfirmDelete = 0x400,
    dgCancelOnExit = 0x800, // leaving the grid cancels a new row nothing was entered in
    dgMultiSelect = 0x1000,
};
Q_DECLARE_FLAGS(TqlGridOptions, TqlGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TqlGridOptions)

class T_TntColumn;

class T_TntColumnTitle {
public:
    explicit T_TntColumnTitle(T_TntColumn &column) : m_column(column) {}
    // The caption; the field name while none is set.
    QString caption() const;
    void setCaption(const QString &caption);

private:
    T_TntColumn &m_column;
    QString m_caption;
};

class T_TntColumn {
public:
    T_TntColumn(TqlDBGrid &grid, const QString &fieldName);

    int index() const; // position among the grid's columns
    const QString &fieldName() const { return m_fieldName; }
    void setFieldName(const QString &fieldName);
    // The column's field in the grid's dataset; none when there is no such field.
    Field *field() const;
    T_TntColumnTitle &title() { return m_title; }
    const T_TntColumnTitle &title() const { return m_title; }
    int width() const; // the width shown, else the width set, else the grid's default
    void setWidth(int width);
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);
    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    QColor color() const { return m_color; }         // cell background; invalid: the grid's
    void setColor(const QColor &color);
    QColor fontColor() const { return m_fontColor; } // cell text; invalid: the grid's
    void setFontColor(const QColor &color);

    TqlEditorType editorType() const { return m_editorType; }
    void setEditorType(TqlEditorType type);
    TqlToolTipShow toolTipShow() const { return m_toolTipShow; }
    void setToolTipShow(TqlToolTipShow show) { m_toolTipShow = show; }
    TqlTntTypeBlob typeBlob() const { return m_typeBlob; }
    void setTypeBlob(TqlTntTypeBlob typeBlob);

private:
    friend class TqlDBGrid;
    friend class T_TntColumnTitle;
    void changed() const;

    TqlDBGrid &m_grid;
    QString m_fieldName;
    T_TntColumnTitle m_title;
    int m_width = -1; // -1: the grid's default width
    bool m_visible = true;
    bool m_readOnly = false;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    QColor m_color;
    QColor m_fontColor;
    TqlEditorType m_editorType = TqlEditorType::edsDefault;
    TqlToolTipShow m_toolTipShow = TqlToolTipShow::ttsNoShow;
    TqlTntTypeBlob m_typeBlob = TqlTntTypeBlob::edsString;
    int m_section = -1; // the model column shown for it, -1 when none
};

class T_TntDBGridColumns {
public:
    // Default columns follow the dataset's fields; adding a column makes the
    // set the grid's own.
    enum class State { Default, Customized };

    explicit T_TntDBGridColumns(TqlDBGrid &grid) : m_grid(grid) {}
    int count() const { return int(m_items.size()); }
    State state() const { return m_state; }
    // Raises AppError for an index outside the columns.
    T_TntColumn &column(int index) const;
    T_TntColumn &add(const QString &fieldName);
    void clear(); // back to the default columns
    int indexOf(const T_TntColumn *column) const;
    T_TntColumn *findByField(const QString &fieldName) const;

private:
    friend class TqlDBGrid;
    TqlDBGrid &m_grid;
    std::vector<std::unique_ptr<T_TntColumn>> m_items;
    State m_state = State::Default;
};

// What the grid is about to draw in one data cell; a drawing hook may change
// the colours, the text and how it is laid out.
struct TqlCellPaint {
    int row = -1;    // dataset row, from 0
    int column = -1; // grid column
    bool selected = false;
    bool focused = false; // the grid's current cell
    QColor background;
    QColor foreground;
    QString text;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool wordWrap = false;
};

class TqlDBGrid : public QTableView, public LayoutFieldColumns {
    Q_OBJECT
public:
    using DrawColumnCellHook = std::function<void(const TqlDBGrid &, const T_TntColumn &, TqlCellPaint &)>;
    // Returns true when it handled the wheel; else the grid moves the current row.
    using MouseWheelHook = std::function<bool(QWheelEvent *)>;

    explicit TqlDBGrid(QWidget *parent = nullptr);
    ~TqlDBGrid() override;
    using QTableView::edit;

    DataSet *dataSource() const;
    void setDataSource(DataSet *dataSet);
    DataSetModel *dataModel() const { return m_model; }
    T_TntDBGridColumns &columns() { return m_columns; }
    const T_TntDBGridColumns &columns() const { return m_columns; }

    TqlGridOptions options() const { return m_options; }
    void setOptions(TqlGridOptions options);
    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    bool toolTips() const { return m_toolTips; }
    void setToolTips(bool on);
    int defaultRowHeight() const;
    void setDefaultRowHeight(int height);
    void setTitleRowHeight(int height);

    // The grid column of the current cell, -1 when none; its field (none when
    // there is no current column or it has no field).
    int selectedIndex() const;
    Field *selectedField() const;
    // A value of any row of the dataset, for drawing hooks.
    QVariant rowValue(int row, const QString &fieldName) const;

    void setOnDrawColumnCell(DrawColumnCellHook hook);
    void setOnMouseWheel(MouseWheelHook hook) { m_onMouseWheel = std::move(hook); }

    // The grid's columns in the layout store (kept only when the grid's
    // "layoutBoundsOnly" property is cleared).
    int layoutColumnCount() const override { return m_columns.count(); }
    QString layoutColumnField(int index) const override { return m_columns.column(index).fieldName(); }
    int layoutColumnWidth(int index) const override;
    bool layoutColumnVisible(int index) const override { return m_columns.column(index).isVisible(); }
    void moveLayoutColumn(int from, int to) override;
    void setLayoutColumnWidth(int index, int width) override { m_columns.column(index).setWidth(width); }

    // The in-place memo, none until the first click that needs it.
    TqlTntDBMemo *memoEditor() const { return m_memoEditor; }
    // The text of the tooltip shown at the moment; empty when none is shown.
    const QString &tipText() const { return m_tipText; }

    // What a data cell draws before the drawing hook (colours, default text).
    TqlCellPaint defaultCellPaint(const QModelIndex &index, bool selected) const;
    // The grid column shown in a model column, none when no column shows it.
    T_TntColumn *columnOfSection(int section) const;

signals:
    void titleClick(int column);
    void cellClick(int column);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void keyboardSearch(const QString &search) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class T_TntColumn;
    friend class T_TntDBGridColumns;
    friend class TqlGridCellDelegate;

    void applyColumns();
    void rebuildDefaultColumns();
    void applyOptions();
    void syncCurrentRow(int row);
    void onCellClicked(const QModelIndex &index);
    void openMemoEditor(const QModelIndex &index, T_TntColumn &column);
    void hideEditors();
    void hideEditorsOfField(const QString &fieldName);
    void onSectionResized(int section, int oldSize, int newSize);
    void onSectionMoved();
    void cancelUntouchedInsert();
    bool memoEditorShowing() const;
    // Tooltips
    bool tipsWork() const;
    void trackTip(bool overTitles, const QPoint &pos);
    QString tipTextOf(const T_TntColumn &column, int row) const;
    void hideTip();

    DataSetModel *m_model = nullptr;
    QPointer<DataSet> m_dataSet;
    T_TntDBGridColumns m_columns;
    TqlGridOptions m_options;
    bool m_readOnly = false;
    bool m_toolTips = false;
    bool m_applying = false;
    bool m_syncing = false;
    int m_wheelRest = 0;
    DrawColumnCellHook m_onDrawColumnCell;
    MouseWheelHook m_onMouseWheel;
    QPointer<TqlTntDBMemo> m_memoEditor;
    // the cell the tooltip was last worked out for: (grid column, view row; -1 the titles)
    int m_tipCol = -1;
    int m_tipRow = -2;
    QString m_tipText;
};
