// The documents the list writes, as an office prints them: each converted to
// PDF by LibreOffice and read back word by word with its place on the sheet
// (pdftotext -bbox). Where each page begins, which page a head or box stands
// on, how many sheets a document takes.
#include "PrintFixture.h"

#include "PythonDocxReader.h"
#include "SearchSertificate.h"
#include "SearchSertificateWord.h"
#include "WordPrintOut.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QUuid>

#include <algorithm>

namespace {

// Every LibreOffice run of these tests goes through here: one start converts
// all Files into PDF files in OutDir, with a profile folder of its own so that
// runs never share or wait on one. Returns the PDF of each file, in order.
QStringList ConvertToPdfWithLibreOffice(const QStringList &files, const QString &outDir)
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        return {};
    const QString profile = outDir + QStringLiteral("/lo-profile-") + QUuid::createUuid().toString(QUuid::Id128);
    QProcess convert;
    convert.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{QStringLiteral("--headless"), QStringLiteral("--norestore"),
                          QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                          QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"), outDir};
    arguments << files;
    convert.start(office, arguments);
    // A busy machine may take minutes for LibreOffice's first start.
    EXPECT_TRUE(convert.waitForFinished(600000)) << "LibreOffice did not finish";
    QStringList pdfs;
    for (const QString &file : files) {
        const QString pdf = QDir(outDir).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".pdf"));
        EXPECT_TRUE(QFileInfo::exists(pdf)) << pdf.toStdString() << ": " << convert.readAll().toStdString();
        pdfs << pdf;
    }
    return pdfs;
}

bool HaveLibreOffice()
{
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty() && HavePdfToText();
}

int PageCount(const QList<PdfWord> &words)
{
    int pages = 0;
    for (const PdfWord &word : words)
        pages = std::max(pages, word.page + 1);
    return pages;
}

// The pages (from 0) on which Text stands, once per occurrence.
QList<int> PagesOf(const QList<PdfWord> &words, const QString &text)
{
    QList<int> pages;
    for (const PdfWord &word : words)
        if (word.text == text)
            pages << word.page;
    return pages;
}

// Pages 0 to Count - 1, each once.
QList<int> EachPage(int count)
{
    QList<int> pages;
    for (int page = 0; page < count; ++page)
        pages << page;
    return pages;
}

class DocumentsInLibreOffice : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        if (!HaveLibreOffice())
            GTEST_SKIP() << "LibreOffice or pdftotext is not installed";
        for (const char *base : {"TessalFormCertMain_", "TessalFormCertNext_", "SearchTemplate_"})
            for (const char *language : {"ru", "en"}) {
                const QString name = QLatin1String(base) + QLatin1String(language) + QStringLiteral(".docx");
                ASSERT_TRUE(QFile::copy(ShippedDataDir() + QLatin1Char('/') + name, dataPath(name)));
            }
    }

    // Goods lines 3 to Count + 2 of the current certificate: the number,
    // a two-line description "Товар N" and the weight "N" kg.
    void addGoods(int count)
    {
        for (int i = 3; i < 3 + count; ++i)
            addGoodsLine(i, QStringLiteral("№%1").arg(i), QStringLiteral("Товар%1 с описанием в две строки\r\nвторая").arg(i),
                         QString::number(i), QStringLiteral("ящик"), QStringLiteral("10"), QStringLiteral("кг"));
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString file = out.path() + QLatin1Char('/') + name;
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        return file;
    }
};

// The Word print-out of one certificate: a first page and continuation pages
// "Лист N", each beginning a sheet of its own, each with its boxes 11 and 12
// under its goods on the same sheet.
TEST_F(DocumentsInLibreOffice, WordPrintOutBeginsEachContinuationOnANewSheet)
{
    const struct {
        const char *name;
        int goods;
    } cases[] = {{"one_page", 0}, {"two_pages", 12}, {"many_pages", 40}};
    QStringList files;
    QList<int> tables;
    for (const auto &c : cases) {
        exec("delete from dcod where dOrder > 2");
        addGoods(c.goods);
        selectCertificate(CertId);
        files << write(QLatin1String(c.name) + QStringLiteral(".docx"), WordPrintOut(*dm, dm->dataDir()));
        tables << int(ReadWithPythonDocx(files.last())["tables"].toArray().size());
    }
    const QStringList pdfs = ConvertToPdfWithLibreOffice(files, out.path());
    ASSERT_EQ(pdfs.size(), files.size());
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].name);
        const QList<PdfWord> words = ReadPdfWords(pdfs[i]);
        const int sheets = tables[i];
        EXPECT_EQ(PageCount(words), sheets);
        // Each continuation's head "Лист N" opens its own sheet, at its top.
        EXPECT_EQ(PagesOf(words, QStringLiteral("Лист")), EachPage(sheets).mid(1));
        for (const PdfWord &word : words)
            if (word.text == QLatin1String("Лист"))
                EXPECT_LT(word.top, 30) << "page " << word.page;
        // Boxes 11 and 12 once on every sheet.
        EXPECT_EQ(PagesOf(words, QStringLiteral("Удостоверение")), EachPage(sheets));
        EXPECT_EQ(PagesOf(words, QStringLiteral("Декларация")), EachPage(sheets));
        // The last goods line stands on the last sheet, above its boxes.
        const QString last = cases[i].goods > 0 ? QStringLiteral("Товар%1").arg(cases[i].goods + 2)
                                                : QStringLiteral("Запчасти");
        const PdfWord *line = FindPdfWord(words, last);
        const PdfWord *box = FindPdfWord(words, QStringLiteral("Удостоверение"), sheets - 1);
        ASSERT_TRUE(line && box);
        EXPECT_EQ(line->page, sheets - 1);
        EXPECT_LT(line->bottom, box->top);
    }
}

// The Word export of the listed certificates: the title on the first page,
// then each certificate from the top of a page of its own, even one whose
// goods run past the goods area.
TEST_F(DocumentsInLibreOffice, WordExportBeginsEachCertificateOnAPageOfItsOwn)
{
    insertCertificate(certificate(2, 124));
    insertCertificate(certificate(3, 125));
    addGoods(21); // certificate 1: 23 lines, more than the goods area holds
    selectCertificate(CertId);
    const QString file = write(QStringLiteral("certs.docx"), CertsWordDocument(*dm));
    const QStringList pdfs = ConvertToPdfWithLibreOffice({file}, out.path());
    ASSERT_EQ(pdfs.size(), 1);
    const QList<PdfWord> words = ReadPdfWords(pdfs[0]);
    EXPECT_EQ(PagesOf(words, QStringLiteral("Палата")).value(0, -1), 0);
    QList<int> firstPages;
    for (const char *reference : {"6007000123", "6007000124", "6007000125"}) {
        SCOPED_TRACE(reference);
        const QList<int> pages = PagesOf(words, QLatin1String(reference));
        ASSERT_EQ(pages.size(), 1);
        EXPECT_LT(FindPdfWord(words, QLatin1String(reference))->top, 30); // at the top of its page
        firstPages << pages[0];
    }
    std::sort(firstPages.begin(), firstPages.end());
    EXPECT_GE(firstPages[0], 1); // not on the title's page
    // The certificates' boxes 11: each on the page its certificate began on,
    // or after it, and before the next certificate's page.
    const QList<int> boxes = PagesOf(words, QStringLiteral("Удостоверение"));
    ASSERT_EQ(boxes.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(boxes[i], firstPages[i]);
        if (i < 2)
            EXPECT_LT(boxes[i], firstPages[i + 1]);
    }
    EXPECT_EQ(PageCount(words), boxes.last() + 1);
}

// The workbooks carry their print area and fit their columns to the width
// of the page: the list of four certificates and the statistics print on one
// sheet with every column whole; the certificates' report keeps each
// certificate on a sheet of its own.
TEST_F(DocumentsInLibreOffice, WorkbooksPrintWholeColumns)
{
    for (const QString &name : {ExcelTemplate::List, ExcelTemplate::Certificates, ExcelTemplate::Statistics})
        ASSERT_TRUE(QFile::copy(ShippedDataDir() + QLatin1Char('/') + name + QStringLiteral(".xlsx"),
                                dataPath(name + QStringLiteral(".xlsx"))));
    for (int id = 2; id <= 4; ++id)
        insertCertificate(certificate(id, 122 + id));
    selectCertificate(CertId);
    const QString list = out.filePath(QStringLiteral("list.xlsx"));
    const QString certificates = out.filePath(QStringLiteral("certificates.xlsx"));
    const QString statistics = out.filePath(QStringLiteral("statistics.xlsx"));
    WriteWholeFile(list, ListCertsWorkbook(*dm));
    WriteWholeFile(certificates, CertsWorkbook(*dm));
    WriteWholeFile(statistics, StatisticWorkbook(*dm));
    const QStringList pdfs = ConvertToPdfWithLibreOffice({list, certificates, statistics}, out.path());
    ASSERT_EQ(pdfs.size(), 3);

    const QList<PdfWord> listed = ReadPdfWords(pdfs[0]);
    EXPECT_EQ(PageCount(listed), 1);
    for (const char *word : {"№", "Статус", "Эксперт", "6007000123", "6007000126"}) // columns A to J, rows
        EXPECT_NE(FindPdfWord(listed, QString::fromUtf8(word), 0), nullptr) << word;

    const QList<PdfWord> certs = ReadPdfWords(pdfs[1]);
    QList<int> pages;
    for (int numNum = 123; numNum <= 126; ++numNum) {
        const QList<int> at = PagesOf(certs, QStringLiteral("6007%1").arg(numNum, 6, 10, QLatin1Char('0')));
        ASSERT_EQ(at.size(), 1) << numNum;
        pages << at[0];
    }
    std::sort(pages.begin(), pages.end());
    EXPECT_EQ(pages, EachPage(5).mid(1)); // the title page, then one sheet per certificate
    EXPECT_EQ(PageCount(certs), 5);

    const QList<PdfWord> statistic = ReadPdfWords(pdfs[2]);
    EXPECT_EQ(PageCount(statistic), 1);
    EXPECT_NE(FindPdfWord(statistic, QStringLiteral("Ответственный"), 0), nullptr);
}

} // namespace
