#include "XlsxWorkbook.h"

#include "OpenpyxlReader.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A real workbook of three sheets written by openpyxl: shared strings,
// merges, column widths and row heights.
QByteArray Template()
{
    return ReadWholeFile(FixturePath(QStringLiteral("../../data/Tessal; сертификат.xlsx")));
}

QJsonObject Sheet(const QJsonObject &book, int index)
{
    return book[QStringLiteral("sheets")].toArray().at(index - 1).toObject();
}

} // namespace

TEST(XlsxWorkbook, ReadsSharedStringsAndReadsBackItsInlineStrings)
{
    XlsxWorkbook book(Template());
    ASSERT_EQ(book.sheetCount(), 3);
    EXPECT_EQ(book.sheet(2).text(1, 1), QStringLiteral("CERTIFICATE OF ORIGIN"));
    book.sheet(1).setText(2, 3, QStringLiteral("Первая\nвторая"));
    book.sheet(1).setNumber(3, 3, 42.5);
    const XlsxWorkbook again(book.save());
    EXPECT_EQ(again.sheet(1).text(2, 3), QStringLiteral("Первая\nвторая"));
    EXPECT_EQ(again.sheet(1).number(3, 3), 42.5);
    EXPECT_EQ(again.sheet(3).text(1, 1), QStringLiteral("СЕРТИФИКАТ О ПРОИСХОЖДЕНИИ ТОВАРА"));
}

TEST(XlsxWorkbook, InsertedRowsMoveValuesHeightsMergesAndBreaks)
{
    XlsxWorkbook book(Template());
    XlsxSheet &sheet = book.sheet(2);
    sheet.addRowBreakBefore(33);
    sheet.setRowHeight(25, 33.5);
    sheet.insertRows(12, 3);
    EXPECT_EQ(sheet.text(1, 1), QStringLiteral("CERTIFICATE OF ORIGIN")); // above: stays
    EXPECT_TRUE(sheet.mergeAt(2, 1).has_value());
    EXPECT_EQ(sheet.mergeAt(15, 2), (XlsxRange{15, 2, 15, 3})); // was B12:C12
    EXPECT_FALSE(sheet.mergeAt(12, 2).has_value());                 // the new rows are plain
    EXPECT_EQ(sheet.mergeAt(36, 1), (XlsxRange{36, 1, 40, 2}));    // was A33:B37
    EXPECT_EQ(sheet.rowBreaks(), std::vector<int>{36});
    EXPECT_EQ(sheet.rowHeight(28), 33.5); // was row 25
}

TEST(XlsxWorkbook, PastedRangeCarriesValuesStylesAndMergesAndClearsWhatItCovers)
{
    XlsxWorkbook book(Template());
    XlsxSheet &report = book.sheet(1);
    report.setText(35, 5, QStringLiteral("covered"));
    report.merge({31, 1, 31, 5});
    book.sheet(2).setFontSize(2, 1, 7);
    report.copyRange(book.sheet(2), {1, 1, 41, 5}, 31, 1);
    EXPECT_EQ(report.text(31, 1), QStringLiteral("CERTIFICATE OF ORIGIN"));
    EXPECT_TRUE(report.text(35, 5).isEmpty());
    EXPECT_FALSE(report.mergeAt(31, 2).has_value());
    EXPECT_EQ(report.mergeAt(32, 1), (XlsxRange{32, 1, 33, 2}));
    EXPECT_EQ(report.fontSize(32, 1), 7);
    EXPECT_TRUE(report.wrapText(32, 1));
}

TEST(XlsxWorkbook, SavedWorkbookReadsTheSameInOpenpyxl)
{
    XlsxWorkbook book(Template());
    XlsxSheet &report = book.sheet(1);
    report.copyRange(book.sheet(3), {1, 1, 41, 5}, 31, 1);
    report.setText(32, 1, QStringLiteral("Bell\x07 and\r\nnull\x01 gone") + QChar(0xFFFF));
    report.setFontSize(32, 1, 8);
    report.setRowHeight(40, 123.5);
    report.addRowBreakBefore(31);
    book.setSheetHidden(2, true);
    book.setSheetHidden(3, true);
    book.setActiveSheet(1);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("book.xlsx"));
    WriteWholeFile(file, book.save());

    const XlsxWorkbook ours(ReadWholeFile(file));
    EXPECT_TRUE(ours.isSheetHidden(2) && ours.isSheetHidden(3) && !ours.isSheetHidden(1));
    EXPECT_EQ(ours.activeSheet(), 1);
    EXPECT_EQ(ours.sheet(1).rowHeight(40), 123.5);

    const QJsonObject read = ReadWithOpenpyxl(file);
    EXPECT_EQ(read[QStringLiteral("active")].toInt(), 1);
    const QJsonObject first = Sheet(read, 1);
    EXPECT_EQ(Sheet(read, 2)[QStringLiteral("state")].toString(), QStringLiteral("hidden"));
    EXPECT_EQ(Sheet(read, 3)[QStringLiteral("state")].toString(), QStringLiteral("hidden"));
    EXPECT_EQ(first[QStringLiteral("cells")][QStringLiteral("A31")].toString(),
              QStringLiteral("СЕРТИФИКАТ О ПРОИСХОЖДЕНИИ ТОВАРА"));
    EXPECT_EQ(first[QStringLiteral("cells")][QStringLiteral("A32")].toString(), QStringLiteral("Bell and\nnull gone"));
    EXPECT_EQ(first[QStringLiteral("fonts")][QStringLiteral("A32")].toDouble(), 8);
    EXPECT_EQ(first[QStringLiteral("heights")][QStringLiteral("40")].toDouble(), 123.5);
    EXPECT_TRUE(first[QStringLiteral("merges")].toArray().contains(QStringLiteral("A63:B67")));
    EXPECT_EQ(first[QStringLiteral("breaks")].toArray(), QJsonArray{31});
}

TEST(XlsxWorkbook, WrappedTextGrowsWithItsLinesAndNarrowerWidth)
{
    const QString words = QStringLiteral("слово ").repeated(40);
    const double wide = MeasureWrappedTextHeight(words, QStringLiteral("Arial"), 9, 600);
    const double narrow = MeasureWrappedTextHeight(words, QStringLiteral("Arial"), 9, 100);
    const double one = MeasureWrappedTextHeight(QStringLiteral("x"), QStringLiteral("Arial"), 9, 600);
    const double three = MeasureWrappedTextHeight(QStringLiteral("x\ny\nz"), QStringLiteral("Arial"), 9, 600);
    EXPECT_GT(narrow, 3 * wide);
    EXPECT_NEAR(three - 3, 3 * (one - 3), 0.5);
    EXPECT_GT(one, 9);
    EXPECT_LT(one, 20);
}

TEST(XlsxWorkbook, CellWidthsAreTheWholePixelsExcelShows)
{
    // A width kept in the file counts characters of 7 pixels, margins and
    // grid line included: 14 is 98 pixels (73.5 points at 96 dpi).
    const struct {
        const char *name;
        const char *file;
        int row, column;
        double points;
    } cases[] = {
        {"list's column A, 14", "список сертификатов.xlsx", 7, 1, 73.5},
        {"list's column G, 36", "список сертификатов.xlsx", 7, 7, 189},
        {"column of the sheet's default width", "список сертификатов.xlsx", 7, 11, 48},
        {"statistics' merge G:J, 4 x 11", "Статистика.xlsx", 8, 7, 231},
    };
    for (const auto &c : cases) {
        const XlsxWorkbook book(ReadWholeFile(FixturePath(QStringLiteral("../../data/") + QString::fromUtf8(c.file))));
        EXPECT_EQ(book.sheet(1).cellWidth(c.row, c.column), c.points) << c.name;
    }
}

TEST(XlsxWorkbook, ColumnLettersAndCellNamesAsExcelWritesThem)
{
    struct Case {
        const char *name;
        int column;
        const char *letters;
    };
    const Case cases[] = {
        {"first", 1, "A"},           {"last single letter", 26, "Z"},  {"first past Z", 27, "AA"},
        {"second past Z", 28, "AB"}, {"end of the A run", 52, "AZ"},   {"start of the B run", 53, "BA"},
        {"last of two", 702, "ZZ"},  {"first of three", 703, "AAA"},  {"Excel's last column", 16384, "XFD"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(XlsxColumnLetters(c.column), QString::fromLatin1(c.letters)) << c.name;
    EXPECT_EQ(XlsxCellName(12, 2), "B12");
    EXPECT_EQ(XlsxCellName(3, 28), "AB3");
    EXPECT_EQ(XlsxRangeName({1, 1, 41, 5}), "A1:E41");
    EXPECT_EQ(XlsxRangeName({7, 27, 7, 27}), "AA7");
}
