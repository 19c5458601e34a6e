#include "ClientDataSet.h"

#include "AppError.h"

#include <utility>

ClientDataSet::ClientDataSet(QObject *parent)
    : DataSet(parent)
{
}

ClientDataSet::ClientDataSet(ClientDataSet &master, const QString &fieldName)
    : DataSet(nullptr), m_master(&master), m_masterField(fieldName)
{
    connect(&master, &DataSet::rowMoved, this, &ClientDataSet::followMaster);
    followMaster();
}

ClientDataSet::~ClientDataSet() = default;

void ClientDataSet::setFieldDefs(const QList<FieldDef> &defs)
{
    if (isNested())
        throw AppError("The fields of a nested dataset are defined by its master");
    if (isActive())
        throw AppError("Cannot change the fields of an open dataset");
    m_defs = defs;
    m_closedRows.reset();
}

void ClientDataSet::createDataSet()
{
    if (isNested())
        throw AppError("A nested dataset opens with its master");
    loadRows(m_defs, std::make_shared<RowTable>());
}

void ClientDataSet::open()
{
    if (isActive())
        return;
    if (isNested())
        throw AppError("A nested dataset opens with its master");
    if (m_closedRows) {
        setFields(m_defs);
        activate(std::exchange(m_closedRows, nullptr));
    } else {
        createDataSet();
    }
}

void ClientDataSet::close()
{
    if (isNested())
        throw AppError("A nested dataset closes with its master");
    if (!isActive())
        return;
    cancel();
    m_closedRows = ownTable();
    deactivate();
}

void ClientDataSet::emptyDataSet()
{
    beforeModify();
    cancel();
    table().rows.clear();
    resetPosition();
    notifyChange();
    emit rowMoved();
}

void ClientDataSet::loadRows(const QList<FieldDef> &defs, std::shared_ptr<RowTable> rows)
{
    if (isNested())
        throw AppError("A nested dataset takes its rows from its master");
    if (isActive()) {
        cancel();
        deactivate();
    }
    m_defs = defs;
    m_closedRows.reset();
    setFields(defs);
    activate(std::move(rows));
}

std::shared_ptr<const RowTable> ClientDataSet::rows() const
{
    if (isNested())
        return m_boundRows;
    return isActive() ? ownTable() : m_closedRows;
}

ClientDataSet &ClientDataSet::nestedDataSet(const QString &fieldName)
{
    if (!m_defs.isEmpty()) {
        bool nested = false;
        for (const FieldDef &def : m_defs)
            nested = nested || (def.name.compare(fieldName, Qt::CaseInsensitive) == 0 && def.type == FieldType::Nested);
        if (!nested)
            throw AppError("Field '" + fieldName + "' is not a nested dataset");
    }
    auto &detail = m_details[fieldName.toLower()];
    if (!detail)
        detail.reset(new ClientDataSet(*this, fieldName));
    return *detail;
}

int ClientDataSet::masterFieldIndex() const
{
    const QList<FieldDef> &defs = m_master->m_defs;
    for (int i = 0; i < defs.size(); ++i)
        if (defs[i].name.compare(m_masterField, Qt::CaseInsensitive) == 0)
            return defs[i].type == FieldType::Nested ? i : -1;
    return -1;
}

void ClientDataSet::beforeModify()
{
    if (isNested() && !m_boundRows)
        throw AppError("The master dataset has no current record");
}

RowTable &ClientDataSet::table() const
{
    if (!isNested())
        return DataSet::table();
    if (m_boundRows)
        return *m_boundRows;
    m_noRows.rows.clear();
    return m_noRows;
}

void ClientDataSet::followMaster()
{
    const int fieldIndex = masterFieldIndex();
    if (!m_master->isActive() || fieldIndex < 0) {
        if (isActive()) {
            cancel();
            deactivate();
        }
        m_boundRows.reset();
        return;
    }
    std::shared_ptr<RowTable> rows;
    const int masterRow = m_master->currentRow();
    if (masterRow >= 0 && masterRow < int(m_master->table().rows.size()))
        rows = m_master->table().rows[size_t(masterRow)].nested[size_t(fieldIndex)];
    if (isActive() && rows == m_boundRows)
        return;
    if (isEditing()) {
        // The pending line belongs to the master row being left.
        try {
            post();
        } catch (...) {
            cancel();
        }
    }
    m_boundRows = rows;
    if (!isActive()) {
        setFields(m_master->m_defs[fieldIndex].nested);
        activate(nullptr);
        return;
    }
    resetPosition();
    notifyChange();
    emit rowMoved();
    if (!isEmpty())
        notifyScroll();
}
