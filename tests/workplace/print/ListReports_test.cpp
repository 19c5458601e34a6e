// The list's printed reports, written to PDF and read back as words.
#include "PrintFixture.h"

#include "FileDialogs.h"
#include "ListReports.h"
#include "ReportPreviewWindow.h"

#include <QAction>
#include <QDir>

namespace {

class ListReportsTest : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        for (const QString &name : {ListReportFile::List, ListReportFile::Statistic, ListReportFile::Cover})
            ASSERT_TRUE(QFile::copy(ShippedDataDir() + QLatin1Char('/') + name, dataPath(name)));
        insertCertificate(certificate(2, 124));
        insertCertificate(certificate(3, 125, {{"Language", "en"}}));
        selectCertificate(CertId);
    }

    QList<PdfWord> printed(Report &report)
    {
        const QString pdf = out.path() + QStringLiteral("/report.pdf");
        report.exportPdf(pdf);
        return ReadPdfWords(pdf);
    }

    // The reference numbers in the list's order, first row first.
    QStringList listedReferences()
    {
        QStringList references;
        for (dm->ASQM.first(); !dm->ASQM.eof(); dm->ASQM.next())
            references << dm->ASQM.fieldByName(QStringLiteral("ReferenceNo")).asString();
        return references;
    }
};

TEST_F(ListReportsTest, CertificatesComeOldestFirstBehindTheCover)
{
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    const QStringList listed = listedReferences();
    ASSERT_EQ(listed.size(), 3);
    dm->SaveOption(CommonUser, QStringLiteral("udTop"), QStringLiteral("4"));
    ListReports reports(*dm, dm->dataDir());
    int filled = 0;
    reports.PrepareCertificates([&] { ++filled; });
    EXPECT_EQ(filled, 3);
    EXPECT_EQ(reports.report().jobName(), QStringLiteral("Сертификаты"));
    const QList<PdfWord> words = printed(reports.report());
    ASSERT_NE(FindPdfWord(words, QStringLiteral("происхождении"), 0), nullptr); // the cover
    EXPECT_EQ(FindPdfWord(words, listed[0], 0), nullptr);
    for (int i = 0; i < 3; ++i) {
        const int page = 3 - i; // the last listed row is the first certificate
        const PdfWord *reference = FindPdfWord(words, listed[i], page);
        ASSERT_NE(reference, nullptr) << listed[i].toStdString() << " on page " << page;
        // Box 11 stands under the goods area, its reference number too, shifted down by udTop.
        int onPage = 0;
        for (const PdfWord &word : words)
            onPage += word.page == page && word.text == listed[i];
        EXPECT_EQ(onPage, 2) << "reference in the head and in box 11";
    }
    int pages = 0;
    for (const PdfWord &word : words)
        pages = std::max(pages, word.page + 1);
    EXPECT_EQ(pages, 4);
}

TEST_F(ListReportsTest, SimpleReportsShowTheirTitleAndTheListedRows)
{
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    const struct {
        const char *name;
        QString file;
        QString title;
        bool rows;
        QString caption; // the preview window's caption and the print job's name
    } table[] = {
        {"list", ListReportFile::List, QStringLiteral("найденных"), true, QStringLiteral("Список сертификатов")},
        {"statistics", ListReportFile::Statistic, QStringLiteral("Статистика"), false, QStringLiteral("Статистика")},
    };
    const QStringList listed = listedReferences();
    for (const auto &row : table) {
        ListReports reports(*dm, dm->dataDir());
        reports.PrepareSimple(row.file);
        EXPECT_EQ(reports.report().jobName(), row.caption);
        const QList<PdfWord> words = printed(reports.report());
        EXPECT_NE(FindPdfWord(words, row.title, 0), nullptr) << row.name;
        for (const QString &reference : listed)
            EXPECT_EQ(FindPdfWord(words, reference) != nullptr, row.rows) << row.name;
    }
}

TEST_F(ListReportsTest, MissingTemplateRaisesBeforeAnyPage)
{
    ASSERT_TRUE(QFile::remove(dataPath(ListReportFile::Cover)));
    ListReports reports(*dm, dm->dataDir());
    EXPECT_THROW(reports.PrepareCertificates(), AppError);
    EXPECT_TRUE(reports.report().preparedPages().isEmpty());
}

// While print to file is chosen, "Печать" in a report's window asks for a
// file of the report's own, named after the report, in the folder of the
// last print file; a cancelled dialog prints nothing.
TEST_F(ListReportsTest, PrintToFileFromTheReportWindowAsksForTheReportsOwnFile)
{
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    const QString folder = out.filePath(QStringLiteral("печать"));
    ASSERT_TRUE(QDir().mkpath(folder));
    App().PrintFileName = folder + QStringLiteral("/из диалога принтера.pdf");
    const struct {
        const char *name;
        std::function<void(ListReports &)> prepare;
        QString proposed;
        QString word; // a word the report prints
    } table[] = {
        {"list", [](ListReports &r) { r.PrepareSimple(ListReportFile::List); }, QStringLiteral("Список на печать.pdf"),
         QStringLiteral("найденных")},
        {"statistics", [](ListReports &r) { r.PrepareSimple(ListReportFile::Statistic); },
         QStringLiteral("Статистика на печать.pdf"), QStringLiteral("Статистика")},
        {"certificates", [](ListReports &r) { r.PrepareCertificates(); }, QStringLiteral("Сертификаты на печать.pdf"),
         QStringLiteral("происхождении")},
    };
    ScopedScriptedFileDialogs files;
    QStringList saved;
    for (const auto &row : table) {
        SCOPED_TRACE(row.name);
        ListReports reports(*dm, dm->dataDir());
        row.prepare(reports);
        ReportPreviewWindow window(reports.report(), ListReports::PrintJob());
        window.show();
        const QString target = folder + QLatin1Char('/') + row.proposed;
        files->answer(target);
        window.printAction()->trigger();
        ASSERT_EQ(files->requests().size(), 2 * saved.size() + 1);
        const FileDialogRequest asked = files->requests().last();
        EXPECT_EQ(asked.fileName, row.proposed);
        EXPECT_EQ(QDir(asked.folder), QDir(folder));
        EXPECT_TRUE(prompts->shown().isEmpty()) << prompts->texts().join('|').toStdString();
        EXPECT_NE(FindPdfWord(ReadPdfWords(target), row.word), nullptr);

        saved << row.proposed;
        saved.sort();

        window.printAction()->trigger(); // the dialog cancelled this time
        EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name), saved);
    }
    EXPECT_TRUE(prompts->shown().isEmpty());
}

} // namespace
