#include "CommonMSWord.h"

#include "DocxDocument.h"
#include "XlsxWorkbook.h"

#include <algorithm>

namespace {
// Word's default cell margins, left and right.
constexpr double CellMarginPt = 5.4;
}

float CmToPoints(float cm)
{
    return cm * 28.35f;
}

float TableRowHeight(const DocxDocument &document, int table, int row)
{
    const DocxDocument::RowHeightSetting setting = document.rowHeight(table, row);
    if (setting.exact)
        return float(setting.points);
    double tallest = 0;
    for (int column = 1; column <= document.cellCount(table, row); ++column) {
        const DocxDocument::CellLook look = document.cellLook(table, row, column);
        const QString text = document.cellText(table, row, column);
        const double width = std::max(1.0, look.widthPt - 2 * CellMarginPt);
        tallest = std::max(tallest, MeasureWrappedTextHeight(text.isEmpty() ? QStringLiteral(" ") : text,
                                                             look.fontFamily, look.fontSizePt, width));
    }
    return float(std::max(tallest, setting.points));
}
