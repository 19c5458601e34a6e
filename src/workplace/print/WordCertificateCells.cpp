#include "WordCertificateCells.h"

#include "DataTessal.h"
#include "DocxDocument.h"

WordCertificateCells::WordCertificateCells(TDM &dm) : m_texts(dm)
{
    for (int field = 1; field <= 12; ++field)
        m_sizes[field] = dm.ASQM.fieldByName(QStringLiteral("fSize%1").arg(field)).asFloat();
}

void WordCertificateCells::fill(DocxDocument &doc, int table, std::span<const WordCell> cells)
{
    for (const WordCell &cell : cells)
        doc.setCellText(table, cell.row, cell.column, m_texts.GetTextOfObj(cell.object),
                        cell.field ? WordHeadFontSize(m_sizes[cell.field]) : 0);
}

void WordCertificateCells::fillGoodsLine(DocxDocument &doc, int table, int row)
{
    for (int column = 1; column <= 4; ++column)
        doc.setCellText(table, row, column, m_texts.GetTextOfObj(20 + column), WordGoodsFontSize(m_sizes[6 + column]));
}

int WordHeadFontSize(double stored)
{
    return stored >= 1 && stored <= 10 ? int(stored) : 10;
}

int WordGoodsFontSize(double stored)
{
    return stored >= 1 && stored <= 10 ? int(stored) : 9;
}
