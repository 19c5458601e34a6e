#include "DataSet.h"
#include "StrictDecimal.h"

#include "AppError.h"


#include <atomic>
#include <limits>

namespace {

quint64 NextRowId()
{
    static std::atomic<quint64> counter{0};
    return ++counter;
}

[[noreturn]] void RaiseConversion(const QVariant &value, FieldType type, const QString &fieldName)
{
    throw AppError("'" + value.toString() + "' is not a valid " + FieldTypeName(type) + " value for field '" +
                   fieldName + "'");
}

// A numeric value as a whole 64-bit number; nothing when it has a fraction or
// does not fit.
std::optional<qint64> WholeNumberOfVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: return WholeNumberOf(value.toDouble());
    case QMetaType::ULongLong:
        if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(value.toULongLong());
    default: return value.toLongLong();
    }
}

bool IsNumericVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

RowTable &EmptyTable()
{
    static RowTable empty;
    empty.rows.clear();
    return empty;
}

} // namespace

QString FieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Integer: return "Integer";
    case FieldType::AutoInc: return "AutoInc";
    case FieldType::Boolean: return "Boolean";
    case FieldType::Float: return "Float";
    case FieldType::Date: return "Date";
    case FieldType::DateTime: return "DateTime";
    case FieldType::String: return "String";
    case FieldType::WideString: return "WideString";
    case FieldType::Memo: return "Memo";
    case FieldType::Blob: return "Blob";
    case FieldType::Nested: return "DataSet";
    }
    return "Unknown";
}

QString FieldValueText(FieldType type, const QVariant &value)
{
    if (!value.isValid())
        return QString("");
    switch (type) {
    case FieldType::Blob: return QString::fromUtf8(value.toByteArray());
    case FieldType::Boolean: return value.toBool() ? "True" : "False";
    case FieldType::Float:
    case FieldType::DateTime: return QString::number(value.toDouble(), 'g', 15);
    default: return value.toString();
    }
}

DataRow MakeEmptyRow(const QList<FieldDef> &fields)
{
    DataRow row;
    row.id = NextRowId();
    row.values.resize(fields.size());
    for (const FieldDef &def : fields)
        row.nested.push_back(def.type == FieldType::Nested ? std::make_shared<RowTable>() : nullptr);
    return row;
}

QVariant CoerceFieldValue(FieldType type, const QVariant &value, const QString &fieldName)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    const bool isText = value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray;
    // Trimmed text, for the kinds read from text; not made for every blob read.
    const auto text = [&] { return isText ? value.toString().trimmed() : QString(); };
    switch (type) {
    case FieldType::Integer:
    case FieldType::AutoInc:
    case FieldType::Date: {
        if (value.typeId() == QMetaType::Bool)
            return QVariant(qint64(value.toBool() ? 1 : 0));
        // Whole numbers are read strictly: no blanks around, nothing out of range.
        const std::optional<qint64> whole = IsNumericVariant(value) ? WholeNumberOfVariant(value)
                                            : isText                ? ParseStrictDecimal(value.toString().toUtf8())
                                                                    : std::nullopt;
        if (!whole)
            RaiseConversion(value, type, fieldName);
        return QVariant(*whole);
    }
    case FieldType::Float:
    case FieldType::DateTime: {
        if (IsNumericVariant(value))
            return QVariant(value.toDouble());
        if (const std::optional<double> number = isText ? ParseStrictFloat(text()) : std::nullopt)
            return QVariant(*number);
        RaiseConversion(value, type, fieldName);
    }
    case FieldType::Boolean: {
        if (value.typeId() == QMetaType::Bool)
            return value;
        if (IsNumericVariant(value))
            return QVariant(value.toDouble() != 0);
        if (isText) {
            const QString word = text();
            if (word.compare("TRUE", Qt::CaseInsensitive) == 0 || word == "1")
                return QVariant(true);
            if (word.compare("FALSE", Qt::CaseInsensitive) == 0 || word == "0")
                return QVariant(false);
        }
        RaiseConversion(value, type, fieldName);
    }
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo:
        if (value.typeId() == QMetaType::QByteArray)
            return QVariant(QString::fromUtf8(value.toByteArray()));
        if (value.typeId() == QMetaType::Bool)
            return QVariant(QString(value.toBool() ? "True" : "False"));
        return QVariant(value.toString());
    case FieldType::Blob:
        if (value.typeId() == QMetaType::QByteArray)
            return value;
        return QVariant(value.toString().toUtf8());
    case FieldType::Nested:
        throw AppError("Field '" + fieldName + "' holds a dataset and has no value");
    }
    return QVariant();
}

// ---------------------------------------------------------------- Field

Field::Field(DataSet &dataSet, int index, const FieldDef &def)
    : m_dataSet(dataSet), m_index(index), m_def(def)
{
}

bool Field::isText() const
{
    return m_def.type == FieldType::String || m_def.type == FieldType::WideString || m_def.type == FieldType::Memo;
}

QVariant Field::value() const
{
    return m_dataSet.currentValue(m_index);
}

QString Field::asString() const
{
    return FieldValueText(m_def.type, value());
}

qint64 Field::asInteger() const
{
    const QVariant v = value();
    if (!v.isValid())
        return 0;
    return CoerceFieldValue(FieldType::Integer, v, m_def.name).toLongLong();
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (!v.isValid())
        return 0;
    return CoerceFieldValue(FieldType::Float, v, m_def.name).toDouble();
}

bool Field::asBoolean() const
{
    const QVariant v = value();
    if (!v.isValid())
        return false;
    return CoerceFieldValue(FieldType::Boolean, v, m_def.name).toBool();
}

QByteArray Field::asBytes() const
{
    const QVariant v = value();
    if (!v.isValid())
        return QByteArray("");
    if (m_def.type == FieldType::Blob)
        return v.toByteArray();
    return asString().toUtf8();
}

void Field::setValue(const QVariant &value)
{
    m_dataSet.setCurrentValue(m_index, CoerceFieldValue(m_def.type, value, m_def.name));
}

// ---------------------------------------------------------------- DataSet

DataSet::DataSet(QObject *parent)
    : QObject(parent)
{
}

DataSet::~DataSet() = default;

RowTable &DataSet::table() const
{
    return m_rows ? *m_rows : EmptyTable();
}

Field &DataSet::field(int index) const
{
    if (index < 0 || index >= fieldCount())
        throw AppError(QString("Field index %1 out of range").arg(index));
    return *m_fields[size_t(index)];
}

Field *DataSet::findField(const QString &name) const
{
    for (const auto &f : m_fields)
        if (f->name().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

Field &DataSet::fieldByName(const QString &name) const
{
    Field *f = findField(name);
    if (!f)
        throw AppError("Field '" + name + "' not found");
    return *f;
}

QList<FieldDef> DataSet::fieldDefs() const
{
    QList<FieldDef> defs;
    for (const auto &f : m_fields)
        defs.append(f->def());
    return defs;
}

void DataSet::setFields(const QList<FieldDef> &defs)
{
    m_fields.clear();
    for (int i = 0; i < defs.size(); ++i) {
        for (int j = 0; j < i; ++j)
            if (defs[j].name.compare(defs[i].name, Qt::CaseInsensitive) == 0)
                throw AppError("Duplicate field name '" + defs[i].name + "'");
        m_fields.push_back(std::make_unique<Field>(*this, i, defs[i]));
    }
}

void DataSet::clearFields()
{
    m_fields.clear();
}

int DataSet::recordCount() const
{
    return isActive() ? int(table().rows.size()) : 0;
}

int DataSet::recNo() const
{
    return m_pos + 1;
}

void DataSet::requireActive() const
{
    if (!isActive())
        throw AppError("Cannot perform this operation on a closed dataset");
}

void DataSet::activate(std::shared_ptr<RowTable> rows)
{
    m_rows = std::move(rows);
    m_buffer.clear();
    m_insertedRow = false;
    resetPosition();
    setState(State::Browse);
    notifyChange();
    emit rowMoved();
    if (!isEmpty())
        notifyScroll();
}

void DataSet::deactivate()
{
    if (!isActive())
        return;
    m_buffer.clear();
    m_insertedRow = false;
    m_rows.reset();
    m_pos = -1;
    m_eof = m_bof = true;
    setState(State::Inactive);
    notifyChange();
    emit rowMoved();
}

void DataSet::resetPosition()
{
    m_pos = table().rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_pos < 0;
}

void DataSet::replaceRows(std::shared_ptr<RowTable> rows)
{
    requireActive();
    checkBrowseMode();
    QList<QVariant> oldValues;
    const int oldPos = m_pos;
    if (m_pos >= 0)
        oldValues = table().rows[size_t(m_pos)].values;
    if (rows)
        m_rows = std::move(rows);
    const auto &all = table().rows;
    int found = -1;
    if (!oldValues.isEmpty()) {
        for (size_t i = 0; i < all.size() && found < 0; ++i)
            if (all[i].values == oldValues)
                found = int(i);
    }
    if (found < 0 && !all.empty())
        found = std::clamp(oldPos, 0, int(all.size()) - 1);
    m_pos = all.empty() ? -1 : found;
    m_bof = m_pos <= 0;
    m_eof = all.empty();
    notifyChange();
    if (!isEmpty())
        notifyScroll();
}

void DataSet::notifyScroll()
{
    emit rowMoved();
    if (m_disableDepth > 0) {
        m_scrolledWhileDisabled = true;
        return;
    }
    emit afterScroll();
}

void DataSet::notifyChange()
{
    if (m_disableDepth > 0) {
        m_changedWhileDisabled = true;
        return;
    }
    emit dataSetChanged();
}

void DataSet::moveTo(int row)
{
    requireActive();
    checkBrowseMode();
    const int count = recordCount();
    if (count == 0) {
        m_pos = -1;
        m_bof = m_eof = true;
        return;
    }
    row = std::clamp(row, 0, count - 1);
    const bool moved = row != m_pos;
    m_pos = row;
    if (moved)
        notifyScroll();
}

void DataSet::first()
{
    moveTo(0);
    m_bof = true;
    m_eof = isEmpty();
}

void DataSet::last()
{
    moveTo(recordCount() - 1);
    m_eof = true;
    m_bof = isEmpty();
}

void DataSet::next()
{
    moveBy(1);
}

void DataSet::prior()
{
    moveBy(-1);
}

int DataSet::moveBy(int distance)
{
    requireActive();
    checkBrowseMode();
    const int count = recordCount();
    if (count == 0) {
        m_bof = m_eof = true;
        return 0;
    }
    const int target = m_pos + distance;
    const int clamped = std::clamp(target, 0, count - 1);
    const int moved = clamped - m_pos;
    if (distance > 0) {
        m_bof = false;
        m_eof = target > count - 1;
    } else if (distance < 0) {
        m_eof = false;
        m_bof = target < 0;
    }
    if (moved != 0) {
        m_pos = clamped;
        notifyScroll();
    }
    return moved;
}

void DataSet::setRecNo(int recNo)
{
    setCurrentRow(recNo - 1);
}

DataSet::Bookmark DataSet::bookmark() const
{
    if (!isActive() || m_pos < 0)
        return 0;
    return table().rows[size_t(m_pos)].id;
}

bool DataSet::bookmarkValid(Bookmark bookmark) const
{
    if (!isActive() || bookmark == 0)
        return false;
    for (const DataRow &row : table().rows)
        if (row.id == bookmark)
            return true;
    return false;
}

void DataSet::gotoBookmark(Bookmark bookmark)
{
    requireActive();
    const auto &rows = table().rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].id == bookmark) {
            moveTo(int(i));
            m_bof = m_eof = false;
            return;
        }
    }
    throw AppError("Record not found");
}

bool DataSet::locate(const QString &fieldName, const QVariant &value)
{
    requireActive();
    checkBrowseMode();
    const Field &f = fieldByName(fieldName);
    const QVariant wanted = CoerceFieldValue(f.type(), value, f.name());
    const auto &rows = table().rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        const QVariant &have = rows[i].values[f.index()];
        if (have.isValid() == wanted.isValid() && (!have.isValid() || have == wanted)) {
            moveTo(int(i));
            m_bof = m_eof = false;
            return true;
        }
    }
    return false;
}

void DataSet::disableControls()
{
    if (m_disableDepth++ == 0) {
        m_rowAtDisable = bookmark();
        m_scrolledWhileDisabled = false;
        m_changedWhileDisabled = false;
    }
}

void DataSet::enableControls()
{
    if (m_disableDepth == 0)
        return;
    if (--m_disableDepth > 0)
        return;
    if (m_changedWhileDisabled || m_scrolledWhileDisabled)
        emit dataSetChanged();
    // One after-scroll for the whole disabled stretch, and none when the
    // cursor came back to where it was.
    if (m_scrolledWhileDisabled && bookmark() != m_rowAtDisable)
        emit afterScroll();
    m_scrolledWhileDisabled = m_changedWhileDisabled = false;
}

// ---------------------------------------------------------------- editing

void DataSet::requireModifiable()
{
    requireActive();
    if (!canModify())
        throw AppError("Dataset is read-only");
    beforeModify();
}

QVariant DataSet::currentValue(int column) const
{
    if (!isActive() || m_pos < 0)
        return QVariant();
    if (isEditing())
        return m_buffer.value(column);
    const auto &rows = table().rows;
    if (m_pos >= int(rows.size()))
        return QVariant();
    return rows[size_t(m_pos)].values.value(column);
}

void DataSet::setCurrentValue(int column, const QVariant &value)
{
    if (!isEditing())
        throw AppError("Dataset not in edit or insert mode");
    m_buffer[column] = value;
}

void DataSet::edit()
{
    requireModifiable();
    if (isEditing())
        return;
    if (m_pos < 0) {
        append();
        return;
    }
    m_buffer = table().rows[size_t(m_pos)].values;
    setState(State::Edit);
}

void DataSet::append()
{
    requireModifiable();
    checkBrowseMode();
    newRowAt(int(table().rows.size()));
}

void DataSet::insert()
{
    requireModifiable();
    checkBrowseMode();
    newRowAt(m_pos < 0 ? int(table().rows.size()) : m_pos);
}

void DataSet::newRowAt(int position)
{
    auto &rows = table().rows;
    rows.insert(rows.begin() + position, MakeEmptyRow(fieldDefs()));
    m_pos = position;
    m_bof = m_eof = false;
    m_buffer = rows[size_t(position)].values;
    m_insertedRow = true;
    setState(State::Insert);
    notifyChange();
    notifyScroll();
}

void DataSet::assignAutoIncrement()
{
    for (const auto &f : m_fields) {
        if (f->type() != FieldType::AutoInc || m_buffer[f->index()].isValid())
            continue;
        qint64 highest = 0;
        for (const DataRow &row : table().rows)
            if (row.values[f->index()].isValid())
                highest = std::max(highest, row.values[f->index()].toLongLong());
        m_buffer[f->index()] = QVariant(highest + 1);
    }
}

void DataSet::post()
{
    if (!isEditing())
        return;
    emit updateRecord();
    if (!isEditing())
        return;
    assignAutoIncrement();
    for (const auto &f : m_fields)
        if (f->required() && !m_buffer[f->index()].isValid())
            throw AppError("Field '" + f->name() + "' must have a value");
    table().rows[size_t(m_pos)].values = m_buffer;
    m_buffer.clear();
    m_insertedRow = false;
    setState(State::Browse);
    if (m_disableDepth > 0)
        m_changedWhileDisabled = true;
    else
        emit recordChanged(m_pos);
}

void DataSet::cancel()
{
    if (!isEditing())
        return;
    const bool removeRow = m_insertedRow;
    m_buffer.clear();
    m_insertedRow = false;
    setState(State::Browse);
    if (!removeRow) {
        // Views and controls show the row's stored values again.
        if (m_disableDepth > 0)
            m_changedWhileDisabled = true;
        else
            emit recordChanged(m_pos);
        return;
    }
    removeCurrentRow();
}

void DataSet::removeCurrentRow()
{
    auto &rows = table().rows;
    rows.erase(rows.begin() + m_pos);
    m_pos = rows.empty() ? -1 : std::min(m_pos, int(rows.size()) - 1);
    m_eof = rows.empty();
    m_bof = m_pos <= 0;
    notifyChange();
    notifyScroll();
}

void DataSet::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged();
}

void DataSet::checkBrowseMode()
{
    if (isEditing())
        post();
}

void DataSet::deleteRecord()
{
    requireModifiable();
    if (m_pos < 0)
        throw AppError("Cannot perform this operation on an empty dataset");
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    m_buffer.clear();
    setState(State::Browse);
    removeCurrentRow();
}

QVariant DataSet::rowValue(int row, int column) const
{
    if (!isActive())
        return QVariant();
    if (row == m_pos && isEditing())
        return m_buffer.value(column);
    const auto &rows = table().rows;
    if (row < 0 || row >= int(rows.size()))
        return QVariant();
    return rows[size_t(row)].values.value(column);
}

void DataSet::setCurrentRow(int row)
{
    moveTo(row);
    // On an empty dataset there is no row to stand on: both ends at once.
    m_bof = m_eof = isEmpty();
}

// ---------------------------------------------------------------- CurrentRowKeeper

CurrentRowKeeper::CurrentRowKeeper(DataSet &dataSet)
    : m_dataSet(dataSet), m_bookmark(dataSet.bookmark()), m_recNo(dataSet.bookmark() ? dataSet.recNo() : 0)
{
}

CurrentRowKeeper::~CurrentRowKeeper()
{
    // What the scope itself ended with (its result or its exception) is what
    // its caller gets; a move back that fails leaves the cursor where it is.
    try {
        restore();
    } catch (...) {
    }
}

void CurrentRowKeeper::restore()
{
    if (m_restored)
        return;
    m_restored = true;
    if (m_recNo == 0 || !m_dataSet.isActive())
        return;
    if (m_dataSet.bookmarkValid(m_bookmark))
        m_dataSet.gotoBookmark(m_bookmark);
    else if (m_recNo <= m_dataSet.recordCount())
        m_dataSet.setRecNo(m_recNo);
}
