// The Word print-out of a certificate, read back with python-docx and, for
// the page count, converted to PDF by LibreOffice.
#include "PrintFixture.h"

#include "CommonMSWord.h"
#include "LibreOfficeRun.h"
#include "PythonDocxReader.h"
#include "WordPrintOut.h"

#include <QJsonArray>

namespace {

class WordPrintOutTest : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        for (const char *base : {"TessalFormCertMain_", "TessalFormCertNext_"})
            for (const char *language : {"ru", "en"}) {
                const QString name = QLatin1String(base) + QLatin1String(language) + QStringLiteral(".docx");
                ASSERT_TRUE(QFile::copy(ShippedDataDir() + QLatin1Char('/') + name, dataPath(name)));
            }
    }

    void addGoods(int count)
    {
        for (int i = 3; i < 3 + count; ++i)
            addGoodsLine(i, QString::number(i), QStringLiteral("Товар %1 с описанием в две строки\r\nвторая").arg(i),
                         QString::number(i), QStringLiteral("ящик"), QStringLiteral("10"), QStringLiteral("кг"));
        selectCertificate(CertId);
    }

    QString write(const QByteArray &docx)
    {
        const QString file = out.path() + QStringLiteral("/print.docx");
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(docx) == docx.size());
        return file;
    }
};

TEST_F(WordPrintOutTest, FirstPageHoldsTheHeadTheGoodsAndTheFiller)
{
    exec("update mcod set fSize1 = 0, fSize2 = 12, fSize3 = 7, fSize8 = 0, fSize9 = 14 where id = 1");
    selectCertificate(CertId);
    const QJsonObject read = ReadWithPythonDocx(write(WordPrintOut(*dm, dm->dataDir())));
    ASSERT_EQ(read["tables"].toArray().size(), 1);
    EXPECT_EQ(DocxCellText(read, 1, 1, 3), QStringLiteral("6007000123"));
    EXPECT_EQ(DocxCellText(read, 1, 2, 3), QStringLiteral("0000101"));
    EXPECT_EQ(DocxCellText(read, 1, 10, 2), QStringLiteral("Станки"));
    EXPECT_EQ(DocxCellText(read, 1, 11, 2), QStringLiteral("Запчасти"));
    EXPECT_EQ(DocxCellText(read, 1, 11, 4), QStringLiteral("20\nкг"));
    EXPECT_EQ(DocxCellText(read, 1, 12, 1), QString()); // the filler under the goods
    // Boxes 11 and 12 were filled before the two goods rows came in above them.
    EXPECT_EQ(DocxCellText(read, 1, 16, 2), QStringLiteral("Палата"));
    EXPECT_EQ(DocxCellText(read, 1, 15, 4), QStringLiteral("Германия"));
    EXPECT_EQ(DocxCellText(read, 1, 19, 4), DocxCellText(read, 1, 19, 2)); // both dates
    const struct {
        const char *name;
        int row, column;
        double size;
    } sizes[] = {
        {"0 gives the head's 10", 2, 1, 10}, {"12 gives the head's 10", 4, 1, 10}, {"7 as stored", 6, 1, 7},
        {"goods 0 gives 9", 10, 2, 9},       {"goods 14 gives 9", 10, 3, 9},       {"goods 10 as stored", 10, 4, 10},
    };
    for (const auto &s : sizes)
        EXPECT_EQ(DocxRow(read, 1, s.row)["cells"].toArray()[s.column - 1].toObject()["sizes"].toArray()[0].toDouble(),
                  s.size)
            << s.name;
    const double filler = DocxRow(read, 1, 12)["height"].toDouble();
    EXPECT_GT(filler, 100);
    EXPECT_LT(filler, CmToPoints(9.6f));
}

TEST_F(WordPrintOutTest, ManyGoodsLinesContinueOnNumberedPages)
{
    addGoods(40);
    const QString file = write(WordPrintOut(*dm, dm->dataDir()));
    const QJsonObject read = ReadWithPythonDocx(file);
    const int tables = int(read["tables"].toArray().size());
    ASSERT_GE(tables, 3);
    EXPECT_EQ(read["sections"].toInt(), tables);
    QStringList numbers;
    for (int t = 1; t <= tables; ++t) {
        if (t > 1) {
            EXPECT_EQ(DocxCellText(read, t, 1, 2), QString::number(t));
            EXPECT_EQ(DocxCellText(read, t, 1, 4), QStringLiteral("6007000123"));
        }
        const QJsonArray rows = DocxRows(read, t);
        for (int r = t == 1 ? 10 : 3; r <= rows.size(); ++r) {
            const QString number = DocxCellText(read, t, r, 1);
            if (number.isEmpty())
                break;
            numbers << number;
        }
    }
    QStringList expected{"1", "2"};
    for (int i = 3; i < 43; ++i)
        expected << QString::number(i);
    EXPECT_EQ(numbers, expected); // every line once, in order, whole on one page

    if (LibreOfficeProgram().isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed: the page count is not checked";
    const QString pdf = ConvertWithLibreOffice(file, QStringLiteral("pdf"), out.path());
    ASSERT_FALSE(pdf.isEmpty());
    const QList<PdfWord> words = ReadPdfWords(pdf);
    int pages = 0;
    for (const PdfWord &word : words)
        pages = std::max(pages, word.page + 1);
    EXPECT_EQ(pages, tables);
}

TEST_F(WordPrintOutTest, MissingTemplateGivesNoDocument)
{
    ASSERT_TRUE(QFile::remove(dataPath(QStringLiteral("TessalFormCertNext_ru.docx"))));
    EXPECT_THROW(WordPrintOut(*dm, dm->dataDir()), AppError);
}

} // namespace
