// The report engine: templates, expressions, measuring, layout into pages,
// PDF and printer output read back with pdftotext, and the preview widget.
#include "ReportEngine.h"
#include "PdfWords.h"
#include "TestSupport.h"
#include "ggError.h"

#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {


class ListSource : public ReportDataSource {
public:
    explicit ListSource(QStringList rows) : m_rows(std::move(rows)) {}
    int rowCount() override { return m_rows.size(); }
    void goToRow(int row) override { m_current = row; }
    QString current() const { return m_rows.value(m_current); }

private:
    QStringList m_rows;
    int m_current = -1;
};

#define REQUIRE_PDF_TOOLS()                                                                                      \
    if (!HavePdfToText())                                                                                        \
    GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: PDF read-back skipped"

int PdfPageCount(const QString &pdf)
{
    const QString text = QString::fromUtf8(ReadWholeFile(pdf + QStringLiteral(".html")));
    return int(text.count(QStringLiteral("<page ")));
}


class ReportEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        report.loadFromFile(FixturePath(QStringLiteral("ReportSmall.fr3")));
        report.registerFunction(QStringLiteral("Caption"), [](const QStringList &) { return QStringLiteral("Demo"); });
        report.registerFunction(QStringLiteral("Cell"), [this](const QStringList &) { return rows.current(); });
        report.setDataSource(QStringLiteral("Rows"), &rows);
    }

    QString pdfPath(const QString &name) const { return dir.filePath(name); }

    QList<PdfWord> renderAndRead(const QString &name)
    {
        report.prepare();
        report.exportPdf(pdfPath(name));
        return ReadPdfWords(pdfPath(name));
    }

    QTemporaryDir dir;
    ListSource rows{{QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")}};
    Report report;
};

TEST_F(ReportEngineTest, TemplateLoadsWithPageBandsAndObjectsByName)
{
    EXPECT_EQ(report.page().name, QStringLiteral("Page1"));
    EXPECT_DOUBLE_EQ(report.page().leftMarginMm, 10);
    EXPECT_DOUBLE_EQ(report.printableHeightMm(), 277);
    ReportObject *title = report.findObject(QStringLiteral("Title"));
    ASSERT_NE(title, nullptr);
    EXPECT_DOUBLE_EQ(title->widthMm, 120);
    EXPECT_DOUBLE_EQ(title->font.sizePt, 12);
    EXPECT_TRUE(title->font.bold);
    EXPECT_EQ(title->text, QStringLiteral("Header [Caption]"));
    EXPECT_FALSE(report.findObject(QStringLiteral("Hidden"))->visible);
    const ReportObject *boxed = report.findObject(QStringLiteral("Boxed"));
    EXPECT_TRUE(boxed->frame.left && boxed->frame.top && boxed->frame.right && boxed->frame.bottom);
    EXPECT_EQ(boxed->hAlign, ReportHAlign::Right);
    ReportBand *footer = report.findBand(QStringLiteral("PageFooter1"));
    ASSERT_NE(footer, nullptr);
    EXPECT_EQ(footer->kind, ReportBandKind::PageFooter);
    EXPECT_EQ(footer->objects.size(), 1u);
    EXPECT_EQ(report.findBand(QStringLiteral("MasterData1"))->dataSource, QStringLiteral("Rows"));
    EXPECT_EQ(report.findObject(QStringLiteral("Nothing")), nullptr);
    EXPECT_EQ(report.findBand(QStringLiteral("Title")), nullptr);

    // Offsets add to the template's margins and replace each other.
    report.setMarginOffsets(5, 7);
    report.setMarginOffsets(3, 4);
    EXPECT_DOUBLE_EQ(report.leftMarginMm(), 13);
    EXPECT_DOUBLE_EQ(report.topMarginMm(), 14);
    EXPECT_DOUBLE_EQ(report.printableHeightMm(), 273);
}

TEST_F(ReportEngineTest, BracketExpressionsCallRegisteredFunctions)
{
    report.registerFunction(QStringLiteral("GetTextOfObj"),
                            [](const QStringList &args) { return QStringLiteral("obj") + args.value(0); });
    report.registerFunction(QStringLiteral("Join"), [](const QStringList &args) { return args.join(QLatin1Char('+')); });
    report.registerFunction(QStringLiteral("Raw"), [](const QStringList &) { return QStringLiteral("[Caption]"); });
    const struct {
        const char *text;
        const char *expected;
    } cases[] = {
        {"[GetTextOfObj(1);]", "obj1"},
        {"A [getTextOfObj( 6004 )] B", "A obj6004 B"},
        {"[Caption]/[CAPTION]", "Demo/Demo"},
        {"x[Unknown(1)]y[Missing]z", "xyz"},
        {"[Join('a, b', \"c\", -2, GetTextOfObj(3))]", "a, b+c+-2+obj3"},
        {"[Join('it''s')]", "it's"},
        {"[Join()]", ""},
        {"[Raw()]", "[Caption]"},   // values are not evaluated again
        {"[1 + 2] [", "[1 + 2] ["}, // not expressions: kept as written
        {"[GetTextOfObj(1]", "[GetTextOfObj(1]"},
        {"plain text", "plain text"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(report.evaluate(QString::fromUtf8(c.text)), QString::fromUtf8(c.expected)) << c.text;
}

TEST(ReportUnits, MillimetresArePixelsAt96Dpi)
{
    struct Case {
        const char *name;
        double mm;
        double pixels;
    };
    const Case cases[] = {
        {"one inch", 25.4, 96}, {"one centimetre", 10, 37.7953}, {"A4 width", 210, 793.7008},
        {"A4 height", 297, 1122.5197}, {"nothing", 0, 0},
    };
    for (const Case &c : cases) {
        EXPECT_NEAR(MmToReportPixels(c.mm), c.pixels, 1e-3) << c.name;
        EXPECT_NEAR(ReportPixelsToMm(c.pixels), c.mm, 1e-3) << c.name;
    }
}

TEST(ReportTemplateErrors, FaultyTemplatesAreRefusedWithTheirReason)
{
    const struct {
        const char *xml;
        const char *reason;
    } cases[] = {
        {"<report><page>", "not well-formed"},
        {"<other/>", "root element"},
        {"<report/>", "no <page>"},
        {"<report><page><band name=\"B\" kind=\"side\"/></page></report>", "unknown band kind"},
        {"<report><page><band name=\"B\" kind=\"pageHeader\"><memo name=\"A\"/><memo name=\"A\"/></band></page></report>",
         "used twice"},
        {"<report><page><band name=\"B\" kind=\"pageHeader\"><memo name=\"A\" width=\"1O\"/></band></page></report>",
         "width"},
        {"<report><page><band name=\"B\" kind=\"pageHeader\"><memo name=\"A\" visible=\"yes\"/></band></page></report>",
         "visible"},
        {"<report><page><band name=\"B\" kind=\"pageHeader\"><memo name=\"A\" frame=\"inside\"/></band></page></report>",
         "frame"},
    };
    for (const auto &c : cases) {
        Report report;
        try {
            report.loadFromData(QByteArray(c.xml), QStringLiteral("t.fr3"));
            ADD_FAILURE() << "accepted: " << c.xml;
        } catch (const AppError &e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.reason))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("t.fr3")));
        }
        EXPECT_FALSE(report.isLoaded());
    }
    Report report;
    EXPECT_THROW(report.loadFromFile(QStringLiteral("/nonexistent/h_xx.fr3")), AppError);
    EXPECT_THROW(report.prepare(), AppError);
}

TEST_F(ReportEngineTest, WordWrapAndFittingMeasureWithinTheMemoWidth)
{
    ReportObject *small = report.findObject(QStringLiteral("Small"));
    ASSERT_NE(small, nullptr);
    small->text = QStringLiteral("Общество с ограниченной ответственностью Ромашка, Москва");
    EXPECT_FALSE(report.fitsAtSize(*small, 10));
    EXPECT_TRUE(report.fitsAtSize(*small, 6));
    // Smaller sizes never need more room.
    double previous = 1e9;
    for (int size = 10; size >= 6; --size) {
        const double height = ReportText::RequiredHeightMm(*small, small->text, size);
        EXPECT_LE(height, previous) << size;
        previous = height;
    }
    // Wrapping stays inside the width: a longer text needs more lines.
    const double one = ReportText::RequiredHeightMm(*small, QStringLiteral("Ромашка"), 8);
    const double two = ReportText::RequiredHeightMm(*small, QStringLiteral("Ромашка\r\nМосква"), 8);
    const double wrapped = ReportText::RequiredHeightMm(*small, QStringLiteral("Ромашка Ромашка Ромашка"), 8);
    EXPECT_NEAR(two - 2 * small->paddingMm, 2 * (one - 2 * small->paddingMm), 0.05);
    EXPECT_GT(wrapped, two - 0.05);
    // Without word wrap only line breaks add lines.
    small->wordWrap = false;
    EXPECT_NEAR(ReportText::RequiredHeightMm(*small, QStringLiteral("Ромашка Ромашка Ромашка"), 8), one, 0.01);
    small->text = QStringLiteral("Ромашка");
    EXPECT_TRUE(report.fitsAtSize(*small, 10));
}

TEST_F(ReportEngineTest, PdfHoldsTheTextsWhereTheTemplatePutsThem)
{
    REQUIRE_PDF_TOOLS();
    const QList<PdfWord> words = renderAndRead(QStringLiteral("plain.pdf"));
    ASSERT_EQ(PdfPageCount(pdfPath(QStringLiteral("plain.pdf"))), 1);
    const PdfWord *header = FindPdfWord(words, QStringLiteral("Header"));
    ASSERT_NE(header, nullptr);
    EXPECT_NE(FindPdfWord(words, QStringLiteral("Demo")), nullptr);
    EXPECT_EQ(FindPdfWord(words, QStringLiteral("Secret")), nullptr); // hidden
    // Left margin 10 + padding 0.5; the glyph box starts near the memo's top.
    EXPECT_NEAR(header->left, 10.5, 0.6);
    EXPECT_NEAR(header->top, 10.5, 1.0);
    // Right-aligned text ends at the memo's right edge less the padding.
    const PdfWord *boxed = FindPdfWord(words, QStringLiteral("Boxed"));
    ASSERT_NE(boxed, nullptr);
    EXPECT_NEAR(boxed->right, 10 + 40 + 60 - 0.5, 0.6);
    EXPECT_NEAR(boxed->top, 10 + 12 + 0.5, 1.0);
    // Rows repeat under the header, 8 mm apart, each reading its own row.
    const QStringList expected = {QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")};
    for (int i = 0; i < expected.size(); ++i) {
        const PdfWord *cell = FindPdfWord(words, expected[i]);
        const PdfWord *number = FindPdfWord(words, QStringLiteral("No%1").arg(i + 1));
        ASSERT_NE(cell, nullptr) << i;
        ASSERT_NE(number, nullptr) << i;
        EXPECT_NEAR(cell->left, 10 + 20 + 0.5, 0.6);
        EXPECT_NEAR(cell->top, 10 + 20 + 8 * i + 0.5, 1.0);
        EXPECT_NEAR(number->top, cell->top, 0.1);
    }
    // The footer stands at the bottom of the printable area.
    const PdfWord *footer = FindPdfWord(words, QStringLiteral("Page"));
    ASSERT_NE(footer, nullptr);
    EXPECT_NEAR(footer->top, 297 - 10 - 10 + 2 + 0.5, 1.0);
    EXPECT_NE(FindPdfWord(words, QStringLiteral("1")), nullptr);
}

TEST_F(ReportEngineTest, MarginOffsetsMoveEveryTextOnce)
{
    REQUIRE_PDF_TOOLS();
    const QList<PdfWord> before = renderAndRead(QStringLiteral("before.pdf"));
    report.setMarginOffsets(10, 0);
    report.setMarginOffsets(10, 0); // set twice: still 10 mm
    const QList<PdfWord> left = renderAndRead(QStringLiteral("left.pdf"));
    ASSERT_EQ(before.size(), left.size());
    ASSERT_GE(before.size(), 8);
    for (int i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i].text, left[i].text);
        EXPECT_NEAR(left[i].left - before[i].left, 10, 0.05) << before[i].text.toStdString();
        EXPECT_NEAR(left[i].top, before[i].top, 0.05) << before[i].text.toStdString();
    }
    // A top offset moves the flowing bands down and leaves the footer at the bottom.
    report.setMarginOffsets(0, 6);
    const QList<PdfWord> down = renderAndRead(QStringLiteral("down.pdf"));
    EXPECT_NEAR(FindPdfWord(down, QStringLiteral("Header"))->top - FindPdfWord(before, QStringLiteral("Header"))->top, 6, 0.05);
    EXPECT_NEAR(FindPdfWord(down, QStringLiteral("gamma"))->top - FindPdfWord(before, QStringLiteral("gamma"))->top, 6, 0.05);
    EXPECT_NEAR(FindPdfWord(down, QStringLiteral("Page"))->top, FindPdfWord(before, QStringLiteral("Page"))->top, 0.05);
}

TEST_F(ReportEngineTest, HiddenObjectsAndVisibilityChangesReachTheOutput)
{
    REQUIRE_PDF_TOOLS();
    report.findObject(QStringLiteral("Hidden"))->visible = true;
    report.findObject(QStringLiteral("Title"))->visible = false;
    report.findObject(QStringLiteral("Boxed"))->text = QStringLiteral("Changed");
    const QList<PdfWord> words = renderAndRead(QStringLiteral("visibility.pdf"));
    EXPECT_NE(FindPdfWord(words, QStringLiteral("Secret")), nullptr);
    EXPECT_EQ(FindPdfWord(words, QStringLiteral("Header")), nullptr);
    EXPECT_EQ(FindPdfWord(words, QStringLiteral("Boxed")), nullptr);
    EXPECT_NE(FindPdfWord(words, QStringLiteral("Changed")), nullptr);
}

TEST_F(ReportEngineTest, StretchingRowsPushTheNextRowsDownAndBreakPages)
{
    REQUIRE_PDF_TOOLS();
    QStringList many = {QStringLiteral("first"),
                        QStringLiteral("long long long long long long long long long long long long long long end")};
    for (int i = 3; i <= 40; ++i)
        many << QStringLiteral("row%1").arg(i);
    rows = ListSource(many);
    QStringList footers;
    report.registerFunction(QStringLiteral("FooterPrinted"), [&](const QStringList &args) {
        footers << args.value(0);
        return QString();
    });
    const QList<PdfWord> words = renderAndRead(QStringLiteral("stretch.pdf"));
    EXPECT_EQ(footers, QStringList({QStringLiteral("1"), QStringLiteral("2")})); // once per page, with its number
    const PdfWord *first = FindPdfWord(words, QStringLiteral("first"));
    const PdfWord *end = FindPdfWord(words, QStringLiteral("end"));
    const PdfWord *third = FindPdfWord(words, QStringLiteral("row3"));
    ASSERT_TRUE(first && end && third);
    EXPECT_GT(end->top - first->top, 8 + 3); // the long text wrapped into further lines
    EXPECT_GT(third->top, end->bottom);      // and the next row starts below it
    // 40 rows do not fit one page: the header and the footer repeat, the
    // page number counts on, and no row is lost or printed twice.
    ASSERT_EQ(PdfPageCount(pdfPath(QStringLiteral("stretch.pdf"))), 2);
    EXPECT_NE(FindPdfWord(words, QStringLiteral("Header"), 1), nullptr);
    EXPECT_NE(FindPdfWord(words, QStringLiteral("2"), 1), nullptr);
    for (int i = 3; i <= 40; ++i) {
        const QString name = QStringLiteral("row%1").arg(i);
        EXPECT_EQ(std::count_if(words.begin(), words.end(), [&](const PdfWord &w) { return w.text == name; }), 1) << i;
    }
    const PdfWord *last = FindPdfWord(words, QStringLiteral("row40"));
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->page, 1);
    for (const PdfWord &word : words) {
        if (word.page == 0 && word.text.startsWith(QStringLiteral("row"))) {
            EXPECT_LT(word.bottom, 297 - 10 - 10) << word.text.toStdString(); // above the footer
        }
    }
}

TEST_F(ReportEngineTest, PreparedPagesAppendAndPrintOncePerCopy)
{
    REQUIRE_PDF_TOOLS();
    report.prepare();
    report.prepare(true);
    ASSERT_EQ(report.preparedPages().size(), 2);
    report.setJobName(QStringLiteral("Job"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath(QStringLiteral("copies.pdf")));
    report.printTo(printer, 3);
    const QList<PdfWord> words = ReadPdfWords(pdfPath(QStringLiteral("copies.pdf")));
    EXPECT_EQ(PdfPageCount(pdfPath(QStringLiteral("copies.pdf"))), 6);
    EXPECT_NE(FindPdfWord(words, QStringLiteral("gamma"), 5), nullptr);
    const PdfWord *header = FindPdfWord(words, QStringLiteral("Header"), 4);
    ASSERT_NE(header, nullptr);
    EXPECT_NEAR(header->left, 10.5, 0.6); // the printer draws from the paper's corner too
    report.clearPrepared();
    EXPECT_THROW(report.exportPdf(pdfPath(QStringLiteral("empty.pdf"))), AppError);
}

TEST_F(ReportEngineTest, PreviewShowsPagesAndZooms)
{
    rows = ListSource(QStringList(60, QStringLiteral("x")));
    report.prepare();
    ReportPreview preview;
    preview.resize(600, 400);
    preview.show();
    preview.setPages(report.preparedPages());
    EXPECT_EQ(preview.pageCount(), report.preparedPages().size());
    EXPECT_GE(preview.pageCount(), 2);
    const QSize atOne = preview.widget()->size();
    // An A4 page is 8.27 inches wide: 794 pixels at 96 dpi, beside a margin of 20.
    EXPECT_NEAR(atOne.width(), 794 + 20, 2);
    preview.setZoom(2);
    EXPECT_NEAR(preview.widget()->width() - 20, 2 * (atOne.width() - 20), 2);
    EXPECT_GT(preview.widget()->height(), 2 * atOne.height() - 40);
    preview.zoomIn();
    EXPECT_DOUBLE_EQ(preview.zoom(), 2.5);
    preview.setZoom(4);
    preview.zoomIn();
    EXPECT_DOUBLE_EQ(preview.zoom(), 4);
    preview.setZoom(0.25);
    preview.zoomOut();
    EXPECT_DOUBLE_EQ(preview.zoom(), 0.25);
    preview.setZoomMode(ReportPreview::ZoomMode::PageWidth);
    EXPECT_LE(preview.widget()->width(), preview.viewport()->width());
    EXPECT_GE(preview.widget()->width(), preview.viewport()->width() - 4);
    preview.setZoomMode(ReportPreview::ZoomMode::WholePage);
    EXPECT_LE(210 * kReportPixelsPerMm * preview.zoom(), preview.viewport()->width());
    EXPECT_LE(297 * kReportPixelsPerMm * preview.zoom(), preview.viewport()->height());
    preview.zoomIn(); // from a fitting mode back to plain zoom
    EXPECT_EQ(preview.zoomMode(), ReportPreview::ZoomMode::Plain);
    QImage shot(preview.widget()->size(), QImage::Format_RGB32);
    preview.widget()->render(&shot); // paints without failing
}

} // namespace
