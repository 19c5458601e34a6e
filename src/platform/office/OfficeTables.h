#pragma once
// Stands for the tables of a document opened in Word: its Tables collection
// (the tables of the main text, in document order, nested tables not counted)
// and each table's Cell(row, column).Range.Text. Our readers of .docx and
// .rtf files fill it; neither needs Word.
#include <QList>
#include <QString>
#include <QStringList>

// Cell texts as the readers give them: paragraphs and line breaks inside a
// cell are separated by CR LF, with no mark after the last paragraph; a table
// nested in a cell adds its cells' paragraphs to that cell's text.
struct OfficeTable {
    // Row by row, the cells as they stand in the row: a cell merged across
    // columns counts once, and a cell that continues a merge from the row
    // above is empty (its text stands in the first row of the merge).
    QList<QStringList> rows;

    int rowCount() const { return int(rows.size()); }
    // The text of a cell, row and column counted from 1. Raises AppError when
    // the table has no such cell.
    QString cell(int row, int column) const;
};

using OfficeTables = QList<OfficeTable>;

// The table numbered from 1. Raises AppError when there are fewer tables.
const OfficeTable &TableNumber(const OfficeTables &tables, int number);

// The most cells one document may give, all tables together.
constexpr qint64 MaxOfficeTableCells = 100000;

// Collects tables cell by cell as a reader meets them.
class OfficeTablesBuilder {
public:
    // Raises AppError when the document passes MaxOfficeTableCells.
    void addCell(const QString &text);
    // The cells added since the last row end make one row of the open table.
    void endRow();
    // The open table is done; a table without rows is dropped, and cells
    // added after the last row end are dropped with it.
    void endTable();
    // Ends the open table and gives every table found.
    OfficeTables finish();

private:
    OfficeTables m_tables;
    OfficeTable m_open;
    QStringList m_row;
    qint64 m_cells = 0;
};
