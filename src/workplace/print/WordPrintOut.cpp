#include "WordPrintOut.h"

#include "CommonMSWord.h"
#include "DataTessal.h"
#include "DocxDocument.h"
#include "ListRowKeeper.h"
#include "WordCertificateCells.h"
#include "WordPagination.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QRegularExpression>

namespace {

// The first page's head and boxes 11 and 12.
const WordCell MainCells[] = {
    {1, 3, 14, 0}, {2, 1, 1, 1},  {2, 3, 15, 0}, {4, 1, 2, 2},   {6, 1, 3, 3},   {6, 2, 4, 4},
    {8, 1, 13, 5}, {8, 2, 7, 6},  {14, 2, 5, 11}, {16, 2, 9, 11}, {17, 2, 6, 11}, {13, 4, 8, 12},
    {16, 4, 10, 12}, {17, 4, 12, 12},
};
// A continuation page's head (its page number apart) and boxes 11 and 12.
const WordCell NextCells[] = {
    {1, 4, 14, 0}, {7, 2, 5, 11}, {9, 2, 9, 11}, {10, 2, 6, 11}, {6, 4, 8, 12}, {9, 4, 10, 12}, {10, 4, 12, 12},
};
constexpr int MainGoodsRow = 10, NextGoodsRow = 3;
constexpr int MainHeadsRow = 9, NextHeadsRow = 2;

class PrintOut {
public:
    PrintOut(TDM &dm, const QString &dataDir) : m_dm(dm), m_cells(dm)
    {
        const QString language = dm.ASQM.fieldByName(QStringLiteral("Language")).asString();
        m_main = FileToString(WordTemplatePath(dataDir, QStringLiteral("TessalFormCertMain_"), language));
        m_next = FileToString(WordTemplatePath(dataDir, QStringLiteral("TessalFormCertNext_"), language));
    }

    QByteArray build()
    {
        DocxDocument doc(m_main);
        const DocxDocument next(m_next);
        int table = doc.tableCount();
        m_cells.fill(doc, table, MainCells);
        const double availableFirst = CmToPoints(9.6f) - TableRowHeight(doc, table, MainHeadsRow);
        const double availableNext = CmToPoints(19.4f) - TableRowHeight(next, next.tableCount(), NextHeadsRow);
        const GoodsPages pages = PaginateGoods(availableFirst, availableNext, lineHeights(table));

        DataSet &goods = m_dm.ASQD;
        int page = 1, row = MainGoodsRow, line = 0;
        if (goods.isActive())
            for (goods.first(); !goods.eof(); goods.next(), ++line) {
                if (pages.pageOfLine[line] != page) {
                    doc.setRowHeight(table, row, pages.filler[page - 1]);
                    doc.appendSectionBreak();
                    doc.appendBody(next);
                    ++page;
                    table = doc.tableCount();
                    row = NextGoodsRow;
                    doc.setCellText(table, 1, 2, QString::number(page));
                    m_cells.fill(doc, table, NextCells);
                }
                writeLine(doc, table, row);
                ++row;
            }
        doc.setRowHeight(table, row, pages.filler[page - 1]);
        return doc.save();
    }

private:
    // Each goods line written into the goods row of a scratch copy of the
    // first page and measured there.
    QList<double> lineHeights(int table)
    {
        DocxDocument scratch(m_main);
        QList<double> heights;
        DataSet &goods = m_dm.ASQD;
        if (!goods.isActive())
            return heights;
        for (goods.first(); !goods.eof(); goods.next()) {
            m_cells.fillGoodsLine(scratch, table, MainGoodsRow);
            heights << TableRowHeight(scratch, table, MainGoodsRow);
        }
        return heights;
    }

    // The goods line into Row, a row for what follows inserted below it.
    void writeLine(DocxDocument &doc, int table, int row)
    {
        doc.insertRowBelow(table, row);
        m_cells.fillGoodsLine(doc, table, row);
    }

    TDM &m_dm;
    WordCertificateCells m_cells;
    QByteArray m_main, m_next;
};

} // namespace

QString WordTemplatePath(const QString &dataDir, const QString &baseName, const QString &language)
{
    static const QRegularExpression twoLetters(QStringLiteral("^[A-Za-z]{2}$"));
    if (!twoLetters.match(language).hasMatch())
        throw AppError(QStringLiteral("Недопустимый язык сертификата: \"%1\"").arg(language));
    return SafeJoinPath(dataDir, baseName + language + QStringLiteral(".docx"));
}

QByteArray WordPrintOut(TDM &dm, const QString &dataDir)
{
    if (!dm.ASQM.isActive() || dm.ASQM.isEmpty())
        throw AppError(QStringLiteral("Нет текущего сертификата"));
    const ListRowKeeper keep(dm);
    return PrintOut(dm, dataDir).build();
}
