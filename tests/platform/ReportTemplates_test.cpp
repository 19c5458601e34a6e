// The report templates shipped in data/: they load, carry the object names the
// preview and the print modes address, and place each box of the certificate
// where the blank has it.
#include "ReportEngine.h"
#include "PdfWords.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The shipped data folder, found from the fixtures folder beside it in the source tree.
QString DataFile(const QString &name) { return FixturePath(QStringLiteral("../../data/") + name); }

class Rows : public ReportDataSource {
public:
    int count = 0;
    int current = -1;
    int rowCount() override { return count; }
    void goToRow(int row) override { current = row; }
};


class CertificateTemplate : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        report.loadFromFile(DataFile(QString::fromLatin1(GetParam())));
        report.registerFunction(QStringLiteral("GetTextOfObj"), [this](const QStringList &args) {
            const int n = args.value(0).toInt();
            if (n >= 21 && n <= 24)
                return QStringLiteral("G%1r%2").arg(n).arg(goods.current + 1);
            return QStringLiteral("T%1").arg(n);
        });
        report.setDataSource(QStringLiteral("frxDBDatasetD"), &goods);
    }

    // Copy, original or number imprint, as the preview sets them.
    void setMode(int mode)
    {
        for (int i = 1; ReportObject *o = report.findObject(QStringLiteral("obj_%1").arg(i)); ++i)
            o->visible = mode == 0;
        report.findObject(QStringLiteral("dMemo0"))->visible = mode == 0;
        for (int i = 1; ReportObject *o = report.findObject(QStringLiteral("dMemo%1").arg(i)); ++i)
            o->visible = mode != 2;
        for (const char *name : {"dMemo8", "dMemo11", "dMemo12", "dMemo13", "dMemo14"})
            report.findObject(QString::fromLatin1(name))->visible = true;
        for (const char *name : {"pMemo1", "gMemo1", "gMemo2", "gMemo3", "gMemo4"})
            report.findObject(QString::fromLatin1(name))->visible = mode != 2;
    }

    void fillFixedTexts()
    {
        report.findObject(QStringLiteral("dMemo0"))->text = QStringLiteral("0000123");
        report.findObject(QStringLiteral("dMemo8"))->text = QStringLiteral("REFA");
        report.findObject(QStringLiteral("dMemo11"))->text = QStringLiteral("REFB");
    }

    // Offsets as the preview applies them: the footer then starts under the goods area.
    void shift(double leftMm, double topMm)
    {
        report.setMarginOffsets(leftMm, topMm);
        report.findBand(QStringLiteral("PageFooter1"))->heightMm =
            report.printableHeightMm() - report.findObject(QStringLiteral("obj_5"))->heightMm
            - report.findObject(QStringLiteral("obj_7"))->heightMm;
    }

    QList<PdfWord> render(const QString &name)
    {
        report.prepare();
        const QString pdf = dir.filePath(name);
        report.exportPdf(pdf);
        return ReadPdfWords(pdf);
    }

    QTemporaryDir dir;
    Rows goods;
    Report report;
};

TEST_P(CertificateTemplate, HasEveryObjectTheProgramAddresses)
{
    EXPECT_EQ(report.page().name, QStringLiteral("Page1"));
    ASSERT_NE(report.findBand(QStringLiteral("PageHeader1")), nullptr);
    ASSERT_NE(report.findBand(QStringLiteral("PageFooter1")), nullptr);
    int forms = 0;
    while (report.findObject(QStringLiteral("obj_%1").arg(forms + 1)))
        ++forms;
    EXPECT_GE(forms, 7);
    ASSERT_NE(report.findObject(QStringLiteral("obj_5")), nullptr);
    ASSERT_NE(report.findObject(QStringLiteral("obj_7")), nullptr);
    const struct {
        const char *name;
        const char *text; // nullptr: the program sets the text
    } expected[] = {
        {"dMemo0", nullptr},
        {"dMemo1", "[GetTextOfObj(1);]"},
        {"dMemo2", "[GetTextOfObj(2);]"},
        {"dMemo3", "[GetTextOfObj(3);]"},
        {"dMemo4", "[GetTextOfObj(4);]"},
        {"dMemo5", "[GetTextOfObj(13);]"},
        {"dMemo6", "[GetTextOfObj(7);]"},
        {"dMemo7", "[GetTextOfObj(10);]"},
        {"dMemo8", nullptr},
        {"dMemo9", "[GetTextOfObj(8);]"},
        {"dMemo10", "[GetTextOfObj(12);]"},
        {"dMemo11", nullptr},
        {"dMemo12", "[GetTextOfObj(5);]"},
        {"dMemo13", "[GetTextOfObj(9);]"},
        {"dMemo14", "[GetTextOfObj(6);]"},
        {"gMemo1", "[GetTextOfObj(21);]"},
        {"gMemo2", "[GetTextOfObj(22);]"},
        {"gMemo3", "[GetTextOfObj(23);]"},
        {"gMemo4", "[GetTextOfObj(24);]"},
        {"pMemo1", nullptr},
    };
    for (const auto &e : expected) {
        const ReportObject *object = report.findObject(QString::fromLatin1(e.name));
        ASSERT_NE(object, nullptr) << e.name;
        if (e.text) {
            EXPECT_EQ(object->text, QString::fromLatin1(e.text)) << e.name;
        }
    }
    // The page header prints in every mode, so neither the form nor data hide there.
    for (const ReportObject &object : report.findBand(QStringLiteral("PageHeader1"))->objects)
        ADD_FAILURE() << "page header holds " << object.name.toStdString();
    // The goods lines repeat over the goods dataset.
    const ReportObject *goodsColumn = report.findObject(QStringLiteral("gMemo1"));
    bool inGoodsBand = false;
    for (const ReportBand &band : report.bands())
        for (const ReportObject &object : band.objects)
            if (&object == goodsColumn)
                inGoodsBand = band.kind == ReportBandKind::MasterData && band.dataSource == QStringLiteral("frxDBDatasetD");
    EXPECT_TRUE(inGoodsBand);
}

TEST_P(CertificateTemplate, PageHeightAndFooterRuleHoldWithTopOffsets)
{
    for (int top : {0, 10, -10}) {
        report.setMarginOffsets(0, top);
        const double height = MmToReportPixels(report.printableHeightMm());
        EXPECT_GE(height, 1085 - 4 * top - 10) << top;
        const double footer = height - MmToReportPixels(report.findObject(QStringLiteral("obj_5"))->heightMm)
                              - MmToReportPixels(report.findObject(QStringLiteral("obj_7"))->heightMm);
        EXPECT_GT(footer, 0) << top;
        if (top == 0) { // the footer starts right under the goods area
            EXPECT_NEAR(ReportPixelsToMm(footer), report.findBand(QStringLiteral("PageFooter1"))->heightMm, 0.01);
        }
    }
}

TEST_P(CertificateTemplate, BoxesLandWhereTheBlankHasThem)
{
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: PDF read-back skipped";
    fillFixedTexts();
    goods.count = 3;
    setMode(0);
    const QList<PdfWord> copy = render(QStringLiteral("copy.pdf"));
    // Paper coordinates in mm: left margin 10, top margin 5.
    const struct {
        const char *text;
        double left, top, right, bottom;
    } boxes[] = {
        {"T1", 10, 5, 115, 43},        // box 1 exporter, top left
        {"T2", 10, 43, 115, 81},       // box 2 consignee below it
        {"T3", 10, 81, 115, 115},      // box 3 transport
        {"T4", 115, 81, 205, 115},     // box 4 official notes, right column
        {"T13", 10, 115, 115, 133},    // box 5
        {"T7", 115, 115, 205, 133},    // box 6
        {"G21r1", 10, 148, 25, 228},   // goods columns, boxes 7 to 10
        {"G22r1", 25, 148, 130, 228},
        {"G23r1", 130, 148, 165, 228},
        {"G24r1", 165, 148, 205, 228},
        {"T5", 10, 228, 107.5, 292},   // box 11: chamber, city, date
        {"T9", 10, 228, 107.5, 292},
        {"T6", 10, 228, 107.5, 292},
        {"T8", 107.5, 228, 205, 292},  // box 12: country, city, date
        {"T10", 107.5, 228, 205, 292},
        {"T12", 107.5, 228, 205, 292},
        {"REFA", 115, 5, 205, 43},     // reference number in the head
        {"0000123", 115, 5, 205, 43},  // blank number on the copy
    };
    for (const auto &box : boxes) {
        const PdfWord *word = FindPdfWord(copy, QString::fromLatin1(box.text));
        ASSERT_NE(word, nullptr) << box.text;
        EXPECT_EQ(word->page, 0);
        EXPECT_TRUE(word->left > box.left && word->left < box.right && word->top > box.top && word->top < box.bottom)
            << box.text << " at " << word->left << ", " << word->top;
    }
    EXPECT_NE(FindPdfWord(copy, QStringLiteral("REFB")), nullptr);
    const PdfWord *row1 = FindPdfWord(copy, QStringLiteral("G22r1"));
    const PdfWord *row3 = FindPdfWord(copy, QStringLiteral("G22r3"));
    ASSERT_TRUE(row1 && row3);
    EXPECT_GT(row3->top, row1->top + 2 * 4.5);
    const int copyWords = copy.size();

    // The original on the blank: no form, no blank number, data shifted by the offsets.
    setMode(1);
    shift(7, 10);
    const QList<PdfWord> original = render(QStringLiteral("original.pdf"));
    EXPECT_LT(original.size(), copyWords / 2);
    EXPECT_EQ(FindPdfWord(original, QStringLiteral("0000123")), nullptr);
    for (const char *text : {"T1", "T4", "G24r3", "T5", "T12", "REFA", "REFB"}) {
        const PdfWord *before = FindPdfWord(copy, QString::fromLatin1(text));
        const PdfWord *after = FindPdfWord(original, QString::fromLatin1(text));
        ASSERT_TRUE(before && after) << text;
        EXPECT_NEAR(after->left - before->left, 7, 0.05) << text;
        EXPECT_NEAR(after->top - before->top, 10, 0.05) << text;
    }
    for (const PdfWord &word : original) {
        if (word.page == 0) {
            EXPECT_LT(word.top, 297 - 5) << word.text.toStdString(); // still on the paper
        }
    }

    // The number imprint: only the reference number and box 11.
    setMode(2);
    shift(0, 0);
    QStringList imprint;
    for (const PdfWord &word : render(QStringLiteral("imprint.pdf")))
        imprint << word.text;
    imprint.sort();
    EXPECT_EQ(imprint, QStringList({QStringLiteral("REFA"), QStringLiteral("REFB"), QStringLiteral("T5"),
                                    QStringLiteral("T6"), QStringLiteral("T9")}));
}

TEST_P(CertificateTemplate, ManyGoodsLinesContinueOnAnotherPage)
{
    goods.count = 30;
    setMode(1);
    report.prepare();
    ASSERT_EQ(report.preparedPages().size(), 2);
    // Every goods line is printed once, and box 11 stands on each page.
    QStringList lines;
    for (const ReportPreparedPage &page : report.preparedPages()) {
        int box11 = 0;
        for (const ReportPreparedItem &item : page.items) {
            if (item.text.startsWith(QStringLiteral("G21r")))
                lines << item.text;
            box11 += item.text == QStringLiteral("T5");
        }
        EXPECT_EQ(box11, 1);
    }
    EXPECT_EQ(lines.size(), 30);
    EXPECT_EQ(lines.removeDuplicates(), 0);
}

INSTANTIATE_TEST_SUITE_P(Languages, CertificateTemplate, ::testing::Values("h_ru.fr3", "h_en.fr3"));

TEST(ListReportTemplates, LoadAndPrepareOverTheirDatasets)
{
    Rows list, options;
    list.count = 3;
    options.count = 8;
    for (const char *name : {"SearchReport.fr3", "StatisticReport.fr3", "CertsCaption.fr3"}) {
        Report report;
        report.loadFromFile(DataFile(QString::fromLatin1(name)));
        report.registerFunction(QStringLiteral("GetTextOfObj"), [&](const QStringList &args) {
            const int n = args.value(0).toInt();
            if (n == 6101 || n == 6102) // only the search options from the sixth on
                return options.current >= 5 ? QStringLiteral("O%1r%2").arg(n).arg(options.current + 1) : QString();
            return QStringLiteral("T%1").arg(n);
        });
        report.setDataSource(QStringLiteral("frxDBDatasetM"), &list);
        report.setDataSource(QStringLiteral("frxDBDatasetSO"), &options);
        report.prepare();
        ASSERT_EQ(report.preparedPages().size(), 1) << name;
        QStringList texts;
        for (const ReportPreparedItem &item : report.preparedPages().first().items)
            texts << item.text;
        const QString all = texts.join(QLatin1Char('|'));
        EXPECT_TRUE(all.contains(QStringLiteral("T6105"))) << name; // the found count
        if (QLatin1String(name) == QLatin1String("SearchReport.fr3")) {
            EXPECT_TRUE(all.contains(QStringLiteral("T14|T15"))) << all.toStdString();
            EXPECT_EQ(texts.count(QStringLiteral("T6004")), 3);
            // The title opens the first page; the column heads follow it.
            const auto &items = report.preparedPages().first().items;
            const int title = int(texts.indexOf(QStringLiteral("Список найденных сертификатов")));
            const int head = int(texts.indexOf(QStringLiteral("№")));
            ASSERT_TRUE(title >= 0 && head >= 0);
            EXPECT_LT(items[title].rectMm.bottom(), items[head].rectMm.top() + 0.01);
        } else {
            EXPECT_TRUE(all.contains(QStringLiteral("O6101r6|O6102r6"))) << all.toStdString();
            EXPECT_TRUE(all.contains(QStringLiteral("O6101r8")));
            // Options that give no text take no room: the sixth follows right under the title.
            const double underTitle =
                report.topMarginMm() + report.findBand(QStringLiteral("ReportTitle1"))->heightMm;
            for (const ReportPreparedItem &item : report.preparedPages().first().items) {
                if (item.text == QStringLiteral("O6101r6")) {
                    EXPECT_NEAR(item.rectMm.top(), underTitle, 0.01);
                }
            }
        }
    }
}

} // namespace
