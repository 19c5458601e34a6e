// The print page: its rules, the mode buttons, the copies and offset edits,
// and sending jobs to a printer that fails on request.
#include "PrintFixture.h"

#include "AtomicFileWriter.h"
#include "FileDialogs.h"
#include "FormView.h"
#include "ModalDriver.h"
#include "Print.h"
#include "PrintPageRules.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
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

    // As an office without a printer does it: "Свойства..." opens the real
    // printer dialog, where the operator picks print to file (PDF) and names
    // a file. Jobs then go through the program's own printer route.
    bool choosePrintToFile(const QString &file)
    {
        page->setPrintSink(std::make_unique<PrinterSink>());
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
        return answered && App().PrintFileName == file;
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


// An office without a printer: "Свойства..." opens the real printer dialog
// and the operator picks print to file (PDF) there. The certificate then
// goes into a PDF, journalled as a copy on paper is.
TEST_F(PrintPage, PrintToFileFromThePrinterDialogWritesAPdf)
{
    App().PrinterName.clear();
    const QString file = out.path() + QStringLiteral("/сертификат.pdf");
    ASSERT_TRUE(choosePrintToFile(file));
    EXPECT_EQ(page->cbPrinters->currentText(), QStringLiteral("Печать в файл (PDF)"));

    ScopedScriptedFileDialogs files;
    files->answer(file);
    page->sbCertCopyClick();
    page->bPrintClick();
    EXPECT_EQ(page->lHelp->text(), QStringLiteral("Задание успешно добавлено в очередь принтера"));
    ASSERT_TRUE(QFileInfo::exists(file));
    const QStringList records = journalTexts(EventId::PrintedOtherCopy);
    ASSERT_EQ(records.size(), 1);
    EXPECT_TRUE(records.first().endsWith(QStringLiteral("|6007000123|0000101"))) << records.first().toStdString();
    if (HavePdfToText()) {
        const QStringList words = PdfWordTexts(ReadPdfWords(file));
        for (const char *box : {"6007000123", "Отправитель", "Получатель", "Авто", "Россия", "Станки", "Германия", "Берлин"})
            EXPECT_TRUE(words.contains(QString::fromUtf8(box))) << box;
    }

    // Choosing a printer in the list again ends printing to the file.
    if (page->cbPrinters->count() > 1) {
        page->cbPrinters->setCurrentIndex(0);
        EXPECT_TRUE(App().PrintFileName.isEmpty());
        EXPECT_EQ(page->cbPrinters->findText(QStringLiteral("Печать в файл (PDF)")), -1);
    }
}

// While print to file is chosen, every job asks for a file of its own,
// proposing a name after the certificate and the mode, in the folder last
// used: two certificates printed one after the other give two PDFs.
TEST_F(PrintPage, PrintToFileAsksEveryJobForItsOwnFile)
{
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the printed PDFs cannot be read back";
    insertCertificate(certificate(2, 124));
    App().MayPrintOriginal = true;
    const QString first = out.filePath(QStringLiteral("печать"));
    const QString other = out.filePath(QStringLiteral("другая папка"));
    ASSERT_TRUE(QDir().mkpath(first) && QDir().mkpath(other));
    ASSERT_TRUE(choosePrintToFile(first + QStringLiteral("/из диалога принтера.pdf")));
    ScopedScriptedFileDialogs files;
    enum Click { Copy, Cert, Virt };
    const struct {
        const char *name;
        qint64 id;
        Click click;
        QString reference;
        QString proposed;
        QString proposedIn; // the folder the dialog opens in
        QString savedIn;    // the folder the operator saves in
    } table[] = {
        {"copy of the first", 1, Copy, QStringLiteral("6007000123"), QStringLiteral("6007000123 копия.pdf"), first, first},
        {"original of the second", 2, Cert, QStringLiteral("6007000124"), QStringLiteral("6007000124 оригинал.pdf"),
         first, other},
        {"imprint into the first", 1, Virt, QStringLiteral("6007000123"),
         QStringLiteral("6007000123 впечатывание номера.pdf"), other, other},
    };
    QStringList written;
    for (const auto &row : table) {
        SCOPED_TRACE(row.name);
        selectCertificate(row.id);
        page->FormShow();
        if (row.click == Cert)
            page->sbCertClick();
        else if (row.click == Virt)
            page->sbVirtClick();
        const QString target = row.savedIn + QLatin1Char('/') + row.proposed;
        files->answer(target);
        page->bPrintClick();
        ASSERT_EQ(files->requests().size(), written.size() + 1);
        const FileDialogRequest &asked = files->requests().last();
        EXPECT_EQ(asked.kind, FileDialogRequest::SaveFile);
        EXPECT_EQ(asked.fileName, row.proposed);
        EXPECT_EQ(QDir(asked.folder), QDir(row.proposedIn));
        EXPECT_EQ(page->lHelp->text(), QStringLiteral("Задание успешно добавлено в очередь принтера"));
        written << target;
    }
    EXPECT_TRUE(prompter->shown().isEmpty()) << prompter->texts().join('|').toStdString();
    // No job replaced the file of another.
    for (int i = 0; i < written.size(); ++i) {
        const QStringList words = PdfWordTexts(ReadPdfWords(written[i]));
        EXPECT_TRUE(words.contains(table[i].reference)) << table[i].name;
        for (const QString &reference : {QStringLiteral("6007000123"), QStringLiteral("6007000124")})
            if (reference != table[i].reference) {
                EXPECT_FALSE(words.contains(reference)) << table[i].name;
            }
    }
    EXPECT_EQ(journalTexts(EventId::PrintedOtherCopy).size(), 1);
    EXPECT_EQ(journalTexts(EventId::PrintedOriginal).size(), 2);
}

// A print to file never replaces a file silently. Cancelling the dialog or
// refusing the replacement prints nothing: no journal record (for an
// original: the blank is not used up), the old file stays byte for byte. A
// job whose writing fails leaves the old file too, and no temporary beside
// it. A reference number that cannot name a file is refused before the dialog.
TEST_F(PrintPage, PrintToFileNeverReplacesAFileSilently)
{
    App().MayPrintOriginal = true;
    const QString folder = out.filePath(QStringLiteral("печать"));
    ASSERT_TRUE(QDir().mkpath(folder));
    // The file named in the printer dialog is there from an earlier job.
    const QString target = folder + QStringLiteral("/6007000123 оригинал.pdf");
    ASSERT_TRUE(choosePrintToFile(target));
    const QByteArray old = QByteArrayLiteral("%PDF-1.4 an earlier certificate");
    ScopedScriptedFileDialogs files;
    struct FailingDisk {
        static int sync(int) { errno = EIO; return -1; }
    };
    const QString printed = QStringLiteral("Задание успешно добавлено в очередь принтера");
    const QString cancelled = QStringLiteral("Печать отменена");
    const QString failed = QStringLiteral("Произошла ошибка при добавлении задания в очередь");
    enum Dialog { Cancelled, Chosen, NotShown };
    const struct {
        const char *name;
        const char *reference;
        Dialog dialog;              // the file dialog: cancelled, the old file chosen, or not shown
        std::optional<int> replace; // the answer to the replacement question
        int dialogs;                // the file dialogs shown (after a refusal it comes back: cancelled)
        bool diskFails;
        QString help;
        int records;
        bool replaced;
    } table[] = {
        {"dialog cancelled", "6007000123", Cancelled, std::nullopt, 1, false, cancelled, 0, false},
        {"replacement refused, then cancelled", "6007000123", Chosen, Prompt::IdNo, 2, false, cancelled, 0, false},
        {"a way up in the reference", "../6007000123", NotShown, std::nullopt, 0, false, failed, 0, false},
        {"writing fails", "6007000123", Chosen, Prompt::IdYes, 1, true, failed, 1, false},
        {"replacement agreed", "6007000123", Chosen, Prompt::IdYes, 1, false, printed, 1, true},
    };
    for (const auto &row : table) {
        SCOPED_TRACE(row.name);
        exec(QStringLiteral("update mcod set ReferenceNo = '%1' where id = 1").arg(QLatin1String(row.reference)));
        selectCertificate(CertId);
        WriteWholeFile(target, old);
        journal.sink().clear();
        prompter->clear();
        const qsizetype asked = files->requests().size();
        if (row.dialog != NotShown)
            files->answer(row.dialog == Chosen ? std::optional<QString>(target) : std::nullopt);
        if (row.replace)
            prompter->answer(*row.replace);
        const FileSyncCall saved = row.diskFails ? ReplaceFileSyncCall(&FailingDisk::sync) : nullptr;
        page->FormShow();
        page->sbCertClick();
        page->bPrintClick();
        if (saved)
            ReplaceFileSyncCall(saved);
        EXPECT_EQ(files->requests().size() - asked, row.dialogs);
        EXPECT_EQ(page->lHelp->text(), row.help);
        EXPECT_EQ(journalTexts(EventId::PrintedOriginal).size(), row.records);
        EXPECT_EQ(chosen(), page->sbCertCopy); // the modes are set again in every case
        EXPECT_EQ(ReadWholeFile(target) != old, row.replaced);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(target).fileName()});
        const QStringList shown = prompter->texts();
        ASSERT_EQ(shown.size(), (row.replace ? 1 : 0) + (row.help == failed ? 1 : 0)) << shown.join('|').toStdString();
        if (row.replace) {
            EXPECT_TRUE(shown.first().contains(target)) << shown.first().toStdString();
        }
    }
    if (HavePdfToText()) {
        EXPECT_TRUE(PdfWordTexts(ReadPdfWords(target)).contains(QStringLiteral("6007000123")));
    }
}

} // namespace
