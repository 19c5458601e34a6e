#include "DataSetModel.h"

#include "ClientDataSet.h"

#include <exception>

DataSetModel::DataSetModel(DataSet *dataSet, QObject *parent)
    : QAbstractTableModel(parent), m_dataSet(dataSet)
{
    reload();
    if (!dataSet)
        return;
    connect(dataSet, &DataSet::dataSetChanged, this, [this] {
        beginResetModel();
        reload();
        endResetModel();
        emit currentRowChanged(currentRow());
    });
    connect(dataSet, &DataSet::recordChanged, this, [this](int row) {
        if (row >= 0 && row < m_rows && !m_columns.isEmpty())
            emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
    });
    connect(dataSet, &DataSet::afterScroll, this, [this] { emit currentRowChanged(currentRow()); });
}

void DataSetModel::setDisplayFunction(DisplayFunction function)
{
    m_display = std::move(function);
    if (m_rows > 0 && !m_columns.isEmpty())
        emit dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1), {Qt::DisplayRole});
}

void DataSetModel::reload()
{
    m_columns.clear();
    m_defs.clear();
    m_rows = 0;
    if (!m_dataSet || !m_dataSet->isActive())
        return;
    m_defs = m_dataSet->fieldDefs();
    for (int i = 0; i < m_defs.size(); ++i)
        if (m_defs[i].type != FieldType::Nested)
            m_columns.append(i);
    m_rows = m_dataSet->recordCount();
}

int DataSetModel::fieldIndex(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns[column] : -1;
}

int DataSetModel::columnOfField(const QString &fieldName) const
{
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_defs[m_columns[c]].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString DataSetModel::defaultDisplay(const FieldDef &def, const QVariant &value) const
{
    if (!value.isValid())
        return QString();
    switch (def.type) {
    case FieldType::Blob: return QString::fromUtf8(value.toByteArray());
    case FieldType::Boolean: return value.toBool() ? "True" : "False";
    default: return value.toString();
    }
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    const int field = fieldIndex(index.column());
    if (!index.isValid() || field < 0 || index.row() >= m_rows || !m_dataSet)
        return QVariant();
    const FieldDef &def = m_defs[field];
    switch (role) {
    case FieldNameRole:
        return def.name;
    case Qt::DisplayRole: {
        const QVariant value = m_dataSet->rowValue(index.row(), field);
        return m_display ? m_display(def, value) : defaultDisplay(def, value);
    }
    case Qt::EditRole:
        return m_dataSet->rowValue(index.row(), field);
    default:
        return QVariant();
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    const int field = fieldIndex(section);
    if (field < 0 || (role != Qt::DisplayRole && role != FieldNameRole))
        return QVariant();
    const QString &name = m_defs[field].name;
    if (role == Qt::DisplayRole)
        return m_titles.value(name.toLower(), name);
    return name;
}

void DataSetModel::setHeaderTitle(const QString &fieldName, const QString &title)
{
    // The same title again changes nothing the header must measure anew.
    if (m_titles.value(fieldName.toLower()) == title)
        return;
    if (title.isEmpty())
        m_titles.remove(fieldName.toLower());
    else
        m_titles.insert(fieldName.toLower(), title);
    const int column = columnOfField(fieldName);
    if (column >= 0)
        emit headerDataChanged(Qt::Horizontal, column, column);
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    const int field = fieldIndex(index.column());
    if (index.isValid() && field >= 0 && qobject_cast<ClientDataSet *>(m_dataSet.data()) &&
        m_defs[field].type != FieldType::AutoInc)
        result |= Qt::ItemIsEditable;
    return result;
}

bool DataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || index.row() >= m_rows)
        return false;
    DataSet &ds = *m_dataSet;
    try {
        ds.setCurrentRow(index.row());
        ds.edit();
        ds.field(fieldIndex(index.column())).setValue(value);
        ds.post();
    } catch (const std::exception &) {
        // A grid has no one to report to; the cell keeps its old value.
        if (ds.isEditing())
            ds.cancel();
        return false;
    }
    return true;
}

int DataSetModel::currentRow() const
{
    return m_dataSet && m_dataSet->isActive() ? m_dataSet->currentRow() : -1;
}

void DataSetModel::setCurrentRow(int row)
{
    if (!m_dataSet || !m_dataSet->isActive() || row < 0 || row >= m_dataSet->recordCount() ||
        row == m_dataSet->currentRow())
        return;
    try {
        m_dataSet->setCurrentRow(row);
    } catch (const std::exception &) {
        // A pending edit that cannot be posted keeps the dataset where it is.
        emit currentRowChanged(currentRow());
    }
}
