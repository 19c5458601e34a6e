// The certificates export: a title with the search options on sheet 1, then
// one block per listed certificate, pasted from the block of its language
// and laid out to fill a page.
#include "SearchSertificate.h"

#include "CertificateSearch.h"
#include "CommonReportTessal.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "ListRowKeeper.h"
#include "StrictDecimal.h"
#include "XlsxWorkbook.h"

#include <QCoreApplication>

#include <cmath>

namespace {

constexpr int BlockRows = 41;
const XlsxRange Block{1, 1, BlockRows, 5};
constexpr int FirstGoodsRow = 12;
constexpr int GoodsRows = 21;     // block rows 12 to 32; boxes 11 and 12 below them
constexpr int PageHeight = 820;   // points of a block's page
constexpr int SpareRow = 26;      // the block row that takes up the page's spare height
constexpr int RefusedHeight = 400; // what a row gets whose height Excel would refuse
constexpr int EnglishSheet = 2;
constexpr int OtherSheet = 3;

// A head cell of the block: row, column, report object, stored font size (0: none).
struct HeadCell {
    int row, column, object, sizeField;
};
constexpr HeadCell HeadCells[] = {
    {1, 4, 14, 0}, {2, 5, 15, 0}, {2, 1, 1, 1}, {4, 1, 2, 2}, {6, 1, 3, 3}, {6, 3, 4, 4},
    {8, 1, 13, 5}, {8, 3, 7, 6}, {33, 1, 5, 11}, {38, 1, 9, 11}, {39, 1, 6, 11},
    {36, 3, 8, 12}, {38, 3, 10, 12}, {39, 3, 12, 12}};
// A goods line's cells: column, report object, stored font size.
constexpr HeadCell GoodsCells[] = {{0, 1, 21, 7}, {0, 2, 22, 8}, {0, 4, 23, 9}, {0, 5, 24, 10}};

void PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// The certificate's stored size of a box; none stored, or one out of 1..10, is 9.
double StoredFontSize(DataSet &list, int field)
{
    const auto stored = ParseStrictDecimal(list.fieldByName(QStringLiteral("fSize%1").arg(field)).asString().toUtf8());
    return stored && *stored >= 1 && *stored <= 10 ? double(*stored) : 9.0;
}

double HeightExcelTakes(double points)
{
    return points > XlsxTallestRow ? RefusedHeight : points;
}

class BlockWriter {
public:
    BlockWriter(TDM &dm, XlsxSheet &sheet, const XlsxWorkbook &model) : m_dm(dm), m_sheet(sheet), m_model(model) {}

    // Writes the current certificate's block from row R; returns the row after it.
    int write(int r)
    {
        DataSet &list = m_dm.ASQM;
        OpenGoodsOfCurrent(m_dm);
        const int goods = m_dm.ASQD.isActive() ? m_dm.ASQD.recordCount() : 0;
        m_first = r;
        m_extra = std::max(0, goods - GoodsRows);
        m_sheet.addRowBreakBefore(r);
        const bool english = list.fieldByName(QStringLiteral("Language")).asString() == QStringLiteral("en");
        const XlsxSheet &block = m_model.sheet(english ? EnglishSheet : OtherSheet);
        m_sheet.copyRange(block, Block, r, 1);
        const XlsxSheet &heights = m_model.sheet(EnglishSheet);
        for (int k = 1; k <= BlockRows; ++k) {
            PumpMessages();
            m_sheet.setRowHeight(r + k - 1, heights.rowHeight(k));
        }
        // Lines past the block's goods rows get rows of their own above box 11.
        const int lastGoodsRow = FirstGoodsRow + GoodsRows - 1;
        m_sheet.insertRows(r + lastGoodsRow, m_extra);
        for (int extra = 1; extra <= m_extra; ++extra)
            m_sheet.copyRange(block, {lastGoodsRow, 1, lastGoodsRow, 5}, r + lastGoodsRow - 1 + extra, 1);
        TReportFunctions texts(m_dm);
        for (const HeadCell &cell : HeadCells)
            set(row(cell.row), cell.column, texts.GetTextOfObj(cell.object), cell.sizeField);
        int g = row(FirstGoodsRow);
        for (m_dm.ASQD.first(); !m_dm.ASQD.eof(); m_dm.ASQD.next(), ++g) {
            PumpMessages();
            for (const HeadCell &cell : GoodsCells)
                set(g, cell.column, texts.GetTextOfObj(cell.object), cell.sizeField);
            m_sheet.setRowHeight(g, HeightExcelTakes(std::round(m_sheet.fittedRowHeight(g))));
        }
        fitToPage(goods);
        return r + BlockRows + m_extra;
    }

private:
    // The sheet row of block row B.
    int row(int b) const { return m_first + b - 1 + (b >= FirstGoodsRow + GoodsRows ? m_extra : 0); }

    void set(int sheetRow, int column, const QString &text, int sizeField)
    {
        if (sizeField > 0)
            m_sheet.setFontSize(sheetRow, column, StoredFontSize(m_dm.ASQM, sizeField));
        m_sheet.setText(sheetRow, column, text);
    }

    // Row 26 of the block takes up what the page has to spare, so that the
    // next block starts on a page of its own. A row that holds a goods line
    // keeps its height: squeezed to 1 point the line would vanish.
    void fitToPage(int goods)
    {
        if (FirstGoodsRow + goods - 1 >= SpareRow)
            return;
        double total = 0;
        for (int x = m_first - 1; x <= m_first + BlockRows - 1 + m_extra; ++x)
            total += std::round(m_sheet.rowHeight(x));
        const double f = m_sheet.rowHeight(row(SpareRow));
        if (f + PageHeight <= total) {
            m_sheet.setRowHeight(row(SpareRow), 1);
            return;
        }
        double spare = f + PageHeight - total;
        if (spare > RefusedHeight) {
            m_sheet.setRowHeight(row(SpareRow - 1), m_sheet.rowHeight(row(SpareRow - 1)) + 100);
            spare -= 100;
        }
        m_sheet.setRowHeight(row(SpareRow), spare);
    }

    TDM &m_dm;
    XlsxSheet &m_sheet;
    const XlsxWorkbook &m_model;
    int m_first = 0;
    int m_extra = 0;
};

} // namespace

QByteArray CertsWorkbook(TDM &dm)
{
    const ControlsDisabler listLinks(dm.ASQM);
    const ControlsDisabler goodsLinks(dm.ASQD);
    const ListRowKeeper keep(dm);
    return FilledWorkbook(dm, ExcelTemplate::Certificates, [&dm](XlsxWorkbook &book, const XlsxWorkbook &model) {
        XlsxSheet &sheet = book.sheet(1);
        sheet.setText(1, 1, dm.ReadPhrase(QByteArrayLiteral("ru"), 42));
        sheet.setText(2, 1, QStringLiteral("номер АРМа ") + QString::number(App().WorkstationNumber));
        sheet.setText(3, 1, QStringLiteral("Эксперт ") + App().CurrentUserName);
        sheet.setText(4, 1, QStringLiteral("Дата составления отчёта ") + TodayText());
        DataSet &options = dm.cdsSearchOptions;
        int r = 8;
        int n = 0;
        for (options.first(); !options.eof(); options.next(), ++n) {
            PumpMessages();
            const SearchOption option = CurrentSearchOption(options);
            if (n < 2) {
                sheet.setText(5 + n, 1, option.name);
                continue;
            }
            sheet.setText(r, 1, option.name);
            sheet.setText(r, 3, option.value);
            ++r;
        }
        r = std::max(r, 30) + 1;
        BlockWriter blocks(dm, sheet, model);
        DataSet &list = dm.ASQM;
        for (ListToFirst(dm); !list.eof(); list.next())
            r = blocks.write(r);
        book.setActiveSheet(1);
        book.setSheetHidden(EnglishSheet, true);
        book.setSheetHidden(OtherSheet, true);
    });
}

QString SendCertsToExcel(TDM &dm, const DocumentDelivery &delivery)
{
    return ExportDocument(delivery, "SearchSertificate.SendCertsToExcel",
                          QStringLiteral("Не удалось вывести сертификаты в Excel"), ExcelTemplate::Certificates,
                          QStringLiteral(".xlsx"), [&dm] { return CertsWorkbook(dm); });
}
