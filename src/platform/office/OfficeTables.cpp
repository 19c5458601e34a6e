#include "OfficeTables.h"

#include "AppError.h"

QString OfficeTable::cell(int row, int column) const
{
    if (row < 1 || row > rows.size() || column < 1 || column > rows[row - 1].size())
        throw AppError(QStringLiteral("the table has no cell at row %1, column %2").arg(row).arg(column));
    return rows[row - 1][column - 1];
}

const OfficeTable &TableNumber(const OfficeTables &tables, int number)
{
    if (number < 1 || number > tables.size())
        throw AppError(QStringLiteral("the document has no table %1 (it has %2)").arg(number).arg(tables.size()));
    return tables[number - 1];
}

void OfficeTablesBuilder::addCell(const QString &text)
{
    if (++m_cells > MaxOfficeTableCells)
        throw AppError(QStringLiteral("the document holds more than %1 table cells").arg(MaxOfficeTableCells));
    m_row.append(text);
}

void OfficeTablesBuilder::endRow()
{
    m_open.rows.append(m_row);
    m_row.clear();
}

void OfficeTablesBuilder::endTable()
{
    if (!m_open.rows.isEmpty())
        m_tables.append(m_open);
    m_open = OfficeTable();
    m_row.clear();
}

OfficeTables OfficeTablesBuilder::finish()
{
    endTable();
    return m_tables;
}
