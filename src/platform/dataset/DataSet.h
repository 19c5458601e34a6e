#pragma once
// Stands for the platform's dataset: typed fields with null, a current row,
// navigation with Eof/Bof, bookmarks, "disable controls" and the after-scroll
// event. SqlQuery fills it from SQLite, ClientDataSet keeps it in memory.
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

enum class FieldType {
    Integer,    // qint64
    AutoInc,    // qint64, numbered on post when left null
    Boolean,    // bool
    Float,      // double
    Date,       // qint64 day number (day 0 = 30.12.1899)
    DateTime,   // double: day number plus the fraction of the day
    String,     // QString; 8-bit text, stored as UTF-8
    WideString, // QString
    Memo,       // QString
    Blob,       // QByteArray
    Nested      // the rows of a nested dataset, kept in the master row
};

QString FieldTypeName(FieldType type);
// A stored value as text: "" for null, blobs as UTF-8, booleans "True"/"False",
// floats with up to 15 significant digits.
QString FieldValueText(FieldType type, const QVariant &value);

// Definition of one field; `nested` holds the fields of a nested dataset.
struct FieldDef {
    FieldDef() = default;
    FieldDef(const QString &name, FieldType type, int size = 0, bool required = false,
             const QList<FieldDef> &nested = {})
        : name(name), type(type), size(size), required(required), nested(nested)
    {
    }

    QString name;
    FieldType type = FieldType::String;
    int size = 0; // characters for texts, bytes for blobs, 0 for the rest
    bool required = false;
    QList<FieldDef> nested;
};

struct RowTable;

// One row: the values in field order (invalid QVariant = null) and, per
// nested field, the nested rows.
struct DataRow {
    quint64 id = 0; // unique for the run; bookmarks name rows by it
    QList<QVariant> values;
    std::vector<std::shared_ptr<RowTable>> nested;
};

struct RowTable {
    std::vector<DataRow> rows;
};

// Makes a row of the given fields, every value null, nested tables empty.
DataRow MakeEmptyRow(const QList<FieldDef> &fields);
// Converts a value to a field type's value; raises AppError when it does not convert.
QVariant CoerceFieldValue(FieldType type, const QVariant &value, const QString &fieldName);

class DataSet;

// A column of a dataset, read and written at the dataset's current row.
class Field {
public:
    Field(DataSet &dataSet, int index, const FieldDef &def);

    const QString &name() const { return m_def.name; }
    FieldType type() const { return m_def.type; }
    int size() const { return m_def.size; }
    bool required() const { return m_def.required; }
    int index() const { return m_index; }
    const FieldDef &def() const { return m_def; }
    DataSet &dataSet() const { return m_dataSet; }
    bool isBlob() const { return m_def.type == FieldType::Blob; }
    bool isText() const;

    QVariant value() const; // invalid when null or when there is no current row
    bool isNull() const { return !value().isValid(); }
    QString asString() const;   // "" when null; blobs as UTF-8, booleans "True"/"False"
    qint64 asInteger() const;   // 0 when null; raises when the value is not a whole number
    double asFloat() const;     // 0 when null
    bool asBoolean() const;     // false when null
    QByteArray asBytes() const; // blob bytes, UTF-8 of texts, "" when null

    void setValue(const QVariant &value); // converted to the field's type; needs edit or insert state
    void setAsString(const QString &text) { setValue(text); }
    void clear() { setValue(QVariant()); }

private:
    DataSet &m_dataSet;
    int m_index;
    FieldDef m_def;
};

// Rows with a cursor: the common part of queries and client datasets. Views and
// detail datasets follow it through its signals.
class DataSet : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Bookmark = quint64;

    explicit DataSet(QObject *parent = nullptr);
    ~DataSet() override;

    State state() const { return m_state; }
    bool isActive() const { return m_state != State::Inactive; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }

    // Fields
    int fieldCount() const { return int(m_fields.size()); }
    Field &field(int index) const;
    Field *findField(const QString &name) const; // case-insensitive
    Field &fieldByName(const QString &name) const; // raises "Field 'x' not found"
    QList<FieldDef> fieldDefs() const;

    // Rows and navigation. RecNo counts from 1; 0 when there is no row.
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const;
    void setRecNo(int recNo);
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    void first();
    void last();
    void next();
    void prior();
    int moveBy(int distance); // returns the rows actually moved

    // Bookmarks name a row for as long as it exists.
    Bookmark bookmark() const; // 0 when there is no current row
    bool bookmarkValid(Bookmark bookmark) const;
    void gotoBookmark(Bookmark bookmark); // raises "Record not found"
    // Moves to the first row whose field equals the value exactly (null matches null).
    bool locate(const QString &fieldName, const QVariant &value);

    // While controls are disabled, grids and the after-scroll event are quiet;
    // enabling them again reports once what happened meanwhile.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableDepth > 0; }

    // Editing (client datasets; a query raises "Dataset is read-only").
    void edit();
    void append();
    // A new row before the current one (at the end of an empty dataset), in insert state.
    void insert();
    void post();
    void cancel();
    void deleteRecord();
    void checkBrowseMode(); // posts a pending edit

    // Direct access for views: values by row (0-based) and column.
    QVariant rowValue(int row, int column) const;
    int currentRow() const { return m_pos; }
    void setCurrentRow(int row);

signals:
    // The current row changed (also after open and refresh of a non-empty dataset).
    void afterScroll();
    // Rows or fields were replaced, added or removed; views reload.
    void dataSetChanged();
    // The values of one row were posted, or their edit was cancelled.
    void recordChanged(int row);
    // The current row moved or the rows were replaced, whatever the controls say;
    // nested datasets follow their master by it.
    void rowMoved();
    // The state (inactive, browse, edit, insert) changed.
    void stateChanged();
    // A pending edit is about to be posted: controls that hold changes not yet
    // written to their field write them now.
    void updateRecord();

public:
    // Whether the rows may be edited at all (client datasets; queries are read-only).
    virtual bool canModify() const { return false; }

protected:
    virtual void beforeModify() {} // a nested dataset checks its master here
    // The rows the dataset shows; a nested dataset takes them from its master.
    virtual RowTable &table() const;
    void setFields(const QList<FieldDef> &defs);
    void clearFields();
    void activate(std::shared_ptr<RowTable> rows); // becomes Browse at the first row
    void deactivate();
    // Positions at the first row without the after-scroll event (a nested dataset
    // follows its master this way).
    void resetPosition();
    // Re-reads: same rows object kept when `rows` is null; position kept by the
    // old row's values, else by its index.
    void replaceRows(std::shared_ptr<RowTable> rows);
    void notifyScroll();
    void notifyChange();
    std::shared_ptr<RowTable> ownTable() const { return m_rows; }

private:
    friend class Field;
    QVariant currentValue(int column) const;
    void setCurrentValue(int column, const QVariant &value);
    void moveTo(int row);
    void requireActive() const;
    void requireModifiable();
    void assignAutoIncrement();
    void newRowAt(int position); // the new row of append and insert
    // Drops the current row and moves to its neighbour.
    void removeCurrentRow();
    void setState(State state);

    std::vector<std::unique_ptr<Field>> m_fields;
    std::shared_ptr<RowTable> m_rows;
    State m_state = State::Inactive;
    int m_pos = -1;
    bool m_eof = true;
    bool m_bof = true;
    // editing
    QList<QVariant> m_buffer;
    bool m_insertedRow = false;
    // controls
    int m_disableDepth = 0;
    quint64 m_rowAtDisable = 0;
    bool m_scrolledWhileDisabled = false;
    bool m_changedWhileDisabled = false;
};

// Disables a dataset's controls for a scope.
class ControlsDisabler {
public:
    explicit ControlsDisabler(DataSet &dataSet) : m_dataSet(dataSet) { m_dataSet.disableControls(); }
    ~ControlsDisabler() { m_dataSet.enableControls(); }
    ControlsDisabler(const ControlsDisabler &) = delete;
    ControlsDisabler &operator=(const ControlsDisabler &) = delete;

private:
    DataSet &m_dataSet;
};

// Keeps a dataset's current row for a scope that walks its rows: when the
// scope ends, also by an exception, the cursor goes back to that row by its
// bookmark, or, when the row is gone (the dataset was read again), to the
// same row number while the dataset has it. A dataset that had no current
// row, or that is closed when the scope ends, is left as it is.
class CurrentRowKeeper {
public:
    explicit CurrentRowKeeper(DataSet &dataSet);
    ~CurrentRowKeeper();
    CurrentRowKeeper(const CurrentRowKeeper &) = delete;
    CurrentRowKeeper &operator=(const CurrentRowKeeper &) = delete;

    // Goes back now; the end of the scope then does nothing more.
    void restore();

private:
    DataSet &m_dataSet;
    DataSet::Bookmark m_bookmark;
    int m_recNo;
    bool m_restored = false;
};
