// The print page: its rules, the mode buttons, the copies and offset edits,
// and sending jobs to a printer that fails on request.
#include "PrintFixture.h"

#include "FormView.h"
#include "ListReports.h"
#include "ModalDriver.h"
#include "Print.h"
#include "PrintPageRules.h"
#include "ReportPreviewWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

TEST(PrintPageRules, CopiesText)
{
    const struct {
        const char *typed, *shown;
    } table[] = {{"", "1"}, {"0", "1"}, {"00", "1"}, {"-3", "1"}, {"x", "1"}, {"1", "1"},
                 {"7", "7"}, {"99", "99"}, {"100", "99"}, {"12345", "99"}};
    for (const auto &row : table) {
        EXPECT_EQ(NormalizeCopiesText(QString::fromLatin1(row.typed)), QString::fromLatin1(row.shown)) << row.typed;
        EXPECT_EQ(CopiesFromText(QString::fromLatin1(row.typed)), QString::fromLatin1(row.shown).toInt()) << row.typed;
    }
}

TEST(PrintPageRules, OffsetText)
{
    const struct {
        const char *typed, *shown;
    } table[] = {{"", "0"},    {"-", "-1"},   {"--", "0"},    {"1-", "0"},  {"a", "0"},   {"0", "0"},
                 {"40", "40"}, {"41", "40"},  {"55", "40"},   {"-40", "-40"}, {"-41", "-40"}, {"-7", "-7"}};
    for (const auto &row : table)
        EXPECT_EQ(NormalizeOffsetText(QString::fromLatin1(row.typed)), QString::fromLatin1(row.shown)) << row.typed;
}

TEST(PrintPageRules, JournalEventAndJobName)
{
    EXPECT_EQ(PrintJournalEventId(CertPrintMode::Copy, 7), 0x40007350u);
    EXPECT_EQ(PrintJournalEventId(CertPrintMode::Copy, 6), 0x40007352u);
    EXPECT_EQ(PrintJournalEventId(CertPrintMode::Copy, 5), 0x40007352u);
    EXPECT_EQ(PrintJournalEventId(CertPrintMode::Original, 7), 0x40007351u);
    EXPECT_EQ(PrintJournalEventId(CertPrintMode::NumberImprint, 6), 0x40007351u);
    EXPECT_EQ(PrintJobName(QStringLiteral("Tessal"), QStringLiteral("6007000123"), CertPrintMode::Copy),
              QStringLiteral("Tessal: 6007000123 (копия)"));
    EXPECT_EQ(PrintJobName(QStringLiteral("Tessal"), QStringLiteral("6007000123"), CertPrintMode::Original),
              QStringLiteral("Tessal: 6007000123"));
}

class PrintPage : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        QApplication::setApplicationDisplayName(QStringLiteral("Tessal"));
        PrintHost host;
        host.view = [this] {
            if (!view) {
                view = std::make_unique<TfView>(*dm, ViewHost{});
                view->certificate().loadRetryPauseMs = 0;
            }
            return view.get();
        };
        host.existingView = [this] { return view.get(); };
        host.close = [this] { ++closed; };
        page = std::make_unique<TfPrint>(*dm, host);
        auto printer = std::make_unique<PdfPrintSink>(out.path());
        sink = printer.get();
        page->setPrintSink(std::move(printer));
    }

    void TearDown() override
    {
        page.reset();
        view.reset();
        PrintFixture::TearDown();
    }

    QToolButton *chosen() const
    {
        for (QToolButton *b : {page->sbCert, page->sbCertCopy, page->sbVirt})
            if (b->isChecked())
                return b;
        return nullptr;
    }

    void type(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    std::unique_ptr<TfView> view;
    std::unique_ptr<TfPrint> page;
    PdfPrintSink *sink = nullptr;
    int closed = 0;
};

TEST_F(PrintPage, ModeButtons)
{
    const QString blank = QStringLiteral("Вставьте в принтер бланк с номером 0000101");
    const QString paper = QStringLiteral("Вставьте в принтер чистый лист бумаги");
    const QString invalid = QStringLiteral("Печать невозможна - сертификат недействителен");
    enum Click { Show, Cert, Virt, Copy };
    const struct {
        bool mayPrint, duplicate;
        Click click;
        const char *chosen; // object name, "" for none
        bool printEnabled, copiesEnabled, certEnabled;
        QString help;
    } table[] = {
        {true, false, Show, "sbCertCopy", true, true, true, paper},
        {true, false, Cert, "sbCert", true, false, true, blank},
        {true, false, Virt, "sbVirt", true, false, true, blank},
        {true, false, Copy, "sbCertCopy", true, true, true, paper},
        {false, false, Show, "sbCertCopy", true, true, false, paper},
        {false, true, Show, "sbCertCopy", true, true, true, paper},
        {false, true, Cert, "", false, false, true, invalid},
        {false, true, Virt, "", false, false, true, invalid},
    };
    for (const auto &row : table) {
        App().MayPrintOriginal = row.mayPrint;
        App().DuplicateInProgress = row.duplicate;
        page->FormShow();
        if (row.click == Cert)
            page->sbCertClick();
        else if (row.click == Virt)
            page->sbVirtClick();
        else if (row.click == Copy)
            page->sbCertCopyClick();
        const std::string what = "may " + std::to_string(row.mayPrint) + " dup " + std::to_string(row.duplicate)
                                 + " click " + std::to_string(row.click);
        EXPECT_EQ(chosen() ? chosen()->objectName() : QString(), QString::fromLatin1(row.chosen)) << what;
        if (chosen()) {
            EXPECT_TRUE(chosen()->font().bold()) << what;
        }
        EXPECT_EQ(page->bPrint->isEnabled(), row.printEnabled) << what;
        EXPECT_EQ(page->eCopies->isEnabled(), row.copiesEnabled) << what;
        EXPECT_EQ(page->sbCert->isEnabled(), row.certEnabled) << what;
        EXPECT_EQ(page->sbVirt->isEnabled(), row.certEnabled) << what;
        EXPECT_EQ(page->lHelp->text(), row.help) << what;
    }
}

TEST_F(PrintPage, EditsKeepTheirRangesAndOffsetsAreStored)
{
    type(page->eCopies, QStringLiteral("x0"));
    EXPECT_EQ(page->eCopies->text(), QStringLiteral("1"));
    type(page->eCopies, QStringLiteral("25"));
    EXPECT_EQ(page->eCopies->text(), QStringLiteral("25"));

    type(page->eTop, QStringLiteral("-"));
    EXPECT_EQ(page->eTop->text(), QStringLiteral("-1"));
    EXPECT_EQ(dm->ReadOption(CommonUser, QStringLiteral("udTop")), QStringLiteral("-1"));
    type(page->eLeft, QStringLiteral("5a5"));
    EXPECT_EQ(page->eLeft->text(), QStringLiteral("40"));
    EXPECT_EQ(dm->ReadOption(CommonUser, QStringLiteral("udLeft")), QStringLiteral("40"));
    EXPECT_EQ(dm->ReadOption(CommonUser, QStringLiteral("udTop")), QStringLiteral("-1"));
    page->udLeft->step(1);
    EXPECT_EQ(page->eLeft->text(), QStringLiteral("40"));
    page->udLeft->step(-1);
    EXPECT_EQ(dm->ReadOption(CommonUser, QStringLiteral("udLeft")), QStringLiteral("39"));

    // A new page starts from the stored offsets.
    TfPrint again(*dm, PrintHost{});
    EXPECT_EQ(again.eLeft->text(), QStringLiteral("39"));
    EXPECT_EQ(again.eTop->text(), QStringLiteral("-1"));
}

TEST_F(PrintPage, AttemptsAgainstAFailingPrinter)
{
    App().MayPrintOriginal = true;
    const struct {
        int failures;
        int calls;
        int records;
        QString help;
        QStringList boxes;
    } table[] = {
        {0, 1, 1, QStringLiteral("Задание успешно добавлено в очередь принтера"), {}},
        {2, 3, 3, QStringLiteral("Задание успешно добавлено в очередь принтера"), {}},
        {7, 7, 7, QStringLiteral("Произошла ошибка при добавлении задания в очередь"),
         {QStringLiteral("сбой шрифта при печати")}},
    };
    for (const auto &row : table) {
        journal.sink().clear();
        prompter->clear();
        sink->calls = 0;
        sink->jobs.clear();
        sink->failures = row.failures;
        page->FormShow();
        page->sbCertClick(); // as the issue action leaves it
        page->bPrintClick();
        EXPECT_EQ(sink->calls, row.calls) << row.failures;
        EXPECT_EQ(sink->jobs.size(), row.failures < 7 ? 1 : 0) << row.failures;
        const QStringList records = journalTexts(EventId::PrintedOriginal);
        EXPECT_EQ(records.size(), row.records) << row.failures;
        if (!records.isEmpty()) {
            EXPECT_EQ(records.first(), QStringLiteral("Expert|6007000123|0000101"));
        }
        const QStringList errors = journalTexts(EventId::ExceptionCaught);
        ASSERT_EQ(errors.size(), row.failures) << row.failures;
        for (int i = 0; i < row.failures; ++i)
            EXPECT_EQ(errors[i], QStringLiteral("[Expert]Print.TfPrint.bPrintClick|printer offline %1").arg(i + 1));
        EXPECT_EQ(page->lHelp->text(), row.help) << row.failures;
        EXPECT_EQ(prompter->texts(), row.boxes) << row.failures;
        EXPECT_EQ(chosen(), page->sbCertCopy); // the page falls back to the copy
    }
}

// Without a printer to print on, no attempt can succeed: the page stops at
// once, journals no printed copy and tells the operator why.
TEST_F(PrintPage, NoUsablePrinterStopsAtOnceAndSaysWhy)
{
    App().MayPrintOriginal = true;
    App().PrinterName = "no-such-printer-here";
    page->setPrintSink(std::make_unique<PrinterSink>());
    page->FormShow();
    page->sbCertClick();
    page->bPrintClick();
    EXPECT_TRUE(journalTexts(EventId::PrintedOriginal).isEmpty());
    EXPECT_EQ(journalTexts(EventId::ExceptionCaught).size(), 1);
    EXPECT_EQ(prompter->texts(), QStringList{QStringLiteral("Принтер no-such-printer-here недоступен")});
    EXPECT_EQ(page->lHelp->text(), QStringLiteral("Произошла ошибка при добавлении задания в очередь"));
    App().PrinterName.clear();
}

TEST_F(PrintPage, AJobThatReachedThePrinterIsNotRepeated)
{
    App().MayPrintOriginal = true;
    sink->interruptAfterStart = true;
    page->FormShow();
    page->sbCertClick();
    page->bPrintClick();
    EXPECT_EQ(sink->calls, 1);
    EXPECT_EQ(journalTexts(EventId::PrintedOriginal).size(), 1);
    EXPECT_EQ(page->lHelp->text(), QStringLiteral("Произошла ошибка при добавлении задания в очередь"));
    EXPECT_EQ(prompter->texts(), QStringList{QStringLiteral("paper jam after page 1")});
}

TEST_F(PrintPage, CopiesJobNameAndRecordPerMode)
{
    App().MayPrintOriginal = true;
    page->FormShow();
    type(page->eCopies, QStringLiteral("3"));
    page->sbCertClick(); // copies disabled, yet their number holds for the original
    page->bPrintClick();
    ASSERT_EQ(sink->jobs.size(), 1);
    EXPECT_EQ(sink->jobs[0].copies, 3);
    EXPECT_EQ(sink->jobs[0].jobName, QStringLiteral("Tessal: 6007000123"));

    page->bPrintClick(); // back on the copy
    ASSERT_EQ(sink->jobs.size(), 2);
    EXPECT_EQ(sink->jobs[1].jobName, QStringLiteral("Tessal: 6007000123 (копия)"));
    EXPECT_EQ(journalTexts(EventId::PrintedOtherCopy).size(), 1); // a project

    exec(QStringLiteral("update mcod set status = 7 where id = 1"));
    selectCertificate(CertId);
    page->bPrintClick();
    EXPECT_EQ(journalTexts(EventId::PrintedIssuedCopy).size(), 1);
    EXPECT_EQ(journalTexts(EventId::PrintedOriginal).size(), 1);

    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the printed PDF cannot be read back";
    EXPECT_EQ(PdfWordTexts(ReadPdfWords(sink->lastFile)).count(QStringLiteral("СЕРТИФИКАТ")), 3);
}

TEST_F(PrintPage, ClosingAndHidingTheView)
{
    page->BitBtnClose->click();
    EXPECT_EQ(closed, 1);
    page->bPrintClick(); // makes the view
    ASSERT_TRUE(view);
    dm->SaveOption(CommonUser, QStringLiteral("udTop"), QStringLiteral("10"));
    page->FormHide();
    EXPECT_EQ(page->eTop->text(), QStringLiteral("10"));
    EXPECT_DOUBLE_EQ(view->report().topMarginMm(), 15);
}

class ViewPage : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        ViewHost host;
        host.enableActions = [this] { ++enabled; };
        host.close = [this] { ++closed; };
        view = std::make_unique<TfView>(*dm, host);
    }
    void TearDown() override
    {
        view.reset();
        PrintFixture::TearDown();
    }

    std::unique_ptr<TfView> view;
    int enabled = 0, closed = 0;
};

TEST_F(ViewPage, PreviewFontMenuAndZoom)
{
    view->aFormShowExecute();
    EXPECT_EQ(view->frxPreview->pageCount(), 1);
    EXPECT_TRUE(view->frxPreview->isEnabled());
    EXPECT_EQ(enabled, 1);
    EXPECT_TRUE(view->aSaveFont->isEnabled()); // a project
    EXPECT_TRUE(view->aAutoFontSize->isChecked());
    EXPECT_EQ(view->FontItems[1].size(), 6);
    EXPECT_EQ(view->FontItems[7].size(), 5);
    EXPECT_TRUE(view->FontItems[1].last()->isChecked()); // fitted
    EXPECT_EQ(view->FontItems[1].last()->text(), QStringLiteral("Автоматически"));

    view->FontItems[3][1]->trigger(); // "7"
    EXPECT_EQ(view->certificate().fieldSize(3), 7);
    EXPECT_TRUE(view->FontItems[3][1]->isChecked());
    EXPECT_FALSE(view->FontItems[3].last()->isChecked());
    view->aSaveFont->trigger();
    EXPECT_EQ(value(QStringLiteral("select fSize3 from mcod where id = 1")).toInt(), 7);

    for (QAction *item : view->SubbmZoom->actions())
        if (item->data().toInt() == 50)
            item->trigger();
    EXPECT_DOUBLE_EQ(TfView::StoredZoom, 0.5);
    view->aZoomPlus->trigger();
    EXPECT_DOUBLE_EQ(TfView::StoredZoom, 0.625);
    for (QAction *item : view->SubbmZoom->actions())
        if (item->data().toInt() == -2)
            item->trigger();
    EXPECT_EQ(TfView::StoredZoom, -2);
    view->aFormShowExecute();
    EXPECT_EQ(view->frxPreview->zoomMode(), ReportPreview::ZoomMode::WholePage);
    TfView::StoredZoom = 1.0;

    view->aClose->trigger();
    EXPECT_EQ(closed, 1);
}


// An office without a printer: "Свойства..." opens the real printer dialog,
// the operator picks print to file (PDF) and names the file there, once.
// The certificate then goes into that PDF through the program's own printer
// route, journalled as a copy on paper is; the list reports print there too.
TEST_F(PrintPage, PrintToFileFromThePrinterDialogWritesAPdf)
{
    page->setPrintSink(std::make_unique<PrinterSink>());
    App().PrinterName.clear();
    const QString file = out.path() + QStringLiteral("/сертификат.pdf");
    bool answered = false;
    AnswerNextModal([&](QWidget *dialog) {
        auto *printers = ChildOf<QComboBox>(dialog, "printers");
        auto *fileName = ChildOf<QLineEdit>(dialog, "filename");
        if (!printers || !fileName)
            return;
        printers->setCurrentIndex(printers->count() - 1); // the dialog's own "print to file (PDF)"
        fileName->setText(file);
        answered = true;
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    page->show();
    page->bPrinterProps->click();
    ASSERT_TRUE(answered);
    EXPECT_EQ(App().PrintFileName, file);
    EXPECT_EQ(page->cbPrinters->currentText(), QStringLiteral("Печать в файл (PDF)"));

    page->sbCertCopyClick();
    page->bPrintClick();
    EXPECT_EQ(page->lHelp->text(), QStringLiteral("Задание успешно добавлено в очередь принтера"));
    ASSERT_TRUE(QFileInfo::exists(file));
    const QStringList records = journalTexts(EventId::PrintedOtherCopy);
    ASSERT_EQ(records.size(), 1);
    EXPECT_TRUE(records.first().endsWith(QStringLiteral("|6007000123|0000101"))) << records.first().toStdString();
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the PDF cannot be read back";
    const QStringList words = PdfWordTexts(ReadPdfWords(file));
    for (const char *box : {"6007000123", "Отправитель", "Получатель", "Авто", "Россия", "Станки", "Германия", "Берлин"})
        EXPECT_TRUE(words.contains(QString::fromUtf8(box))) << box;

    // The list reports' "Печать" in their preview window follows the same choice.
    const ReportPrintSettings settings = ListReports::PrintSettings();
    EXPECT_EQ(settings.outputFileName, file);
    ASSERT_TRUE(QFile::remove(file));
    prompts->clear();
    ReportPreviewWindow preview(view->certificate().report(), settings);
    preview.printAction()->trigger();
    EXPECT_TRUE(prompts->shown().isEmpty()) << prompts->texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(PdfWordTexts(ReadPdfWords(file)).contains(QStringLiteral("Отправитель")));

    // Choosing a printer in the list again ends printing to the file.
    if (page->cbPrinters->count() > 1) {
        page->cbPrinters->setCurrentIndex(0);
        EXPECT_TRUE(App().PrintFileName.isEmpty());
        EXPECT_EQ(page->cbPrinters->findText(QStringLiteral("Печать в файл (PDF)")), -1);
    }
}

} // namespace
