// The report functions over a certificate, the font sizes of the fields, the
// print modes as they come out of a PDF, and the checks before printing.
#include "PrintFixture.h"

#include "CommonReportTessal.h"

namespace {

class ReportFunctions : public PrintFixture {
protected:
    QString text(int n) { return TReportFunctions(*dm).GetTextOfObj(n); }

    void addSearchOption(const QString &name, const QString &value)
    {
        ClientDataSet &so = dm->cdsSearchOptions;
        so.append();
        so.fieldByName(QStringLiteral("OptionName")).setValue(name);
        so.fieldByName(QStringLiteral("Value")).setValue(value);
        so.post();
    }
};

TEST_F(ReportFunctions, ObjectNumbersGiveTheCertificateTexts)
{
    ASSERT_EQ(dm->SavePhrase("ru", 42, QStringLiteral("Палата Москвы")), PhraseSaved::Added);
    selectCertificate(CertId);
    dm->ASQD.first();
    const struct {
        int n;
        QString expected;
    } table[] = {
        {1, QStringLiteral("Отправитель")}, // empty exporter: no line break
        {2, QStringLiteral("Получатель\r\nИмпортёр")},
        {3, QStringLiteral("Авто")},
        {4, QStringLiteral("Примечание")},
        {5, QStringLiteral("Палата")},
        {6, QStringLiteral("15.03.2026")},
        {7, QStringLiteral("Доп")},
        {8, QStringLiteral("Германия")},
        {9, QStringLiteral("Москва")},
        {10, QStringLiteral("Берлин")},
        {12, QStringLiteral("15.03.2026")},
        {13, QStringLiteral("Россия")},
        {14, QStringLiteral("6007000123")},
        {15, QStringLiteral("0000101")},
        {21, QStringLiteral("1")},
        {22, QStringLiteral("Станки")},
        {23, QStringLiteral("5\r\nящик")},
        {24, QStringLiteral("100 кг")}, // empty quantity unit: no line break
        {6001, QStringLiteral("Палата Москвы")},
        {6003, QStringLiteral("АРМ №3")},
        {6004, QStringLiteral("проект")},
        {6005, QStringLiteral("Expert")},
        {6006, QStringLiteral("Станки")},
        {0, QString()},
        {11, QString()},
        {16, QString()},
        {20, QString()},
        {25, QString()},
        {9999, QString()},
    };
    for (const auto &row : table)
        EXPECT_EQ(text(row.n), row.expected) << "object " << row.n;

    dm->ASQD.next();
    EXPECT_EQ(text(23), QStringLiteral("коробка")); // empty count: the package alone
    EXPECT_EQ(text(24), QStringLiteral("20\r\nкг"));
    EXPECT_EQ(text(22), QStringLiteral("Запчасти"));
}

TEST_F(ReportFunctions, SearchOptionRecords)
{
    EXPECT_EQ(text(6101), QString()); // no records at all
    EXPECT_EQ(text(6105), QString());
    addSearchOption(QStringLiteral("Условия поиска"), QString());
    addSearchOption(QStringLiteral("Найдено документов: 42"), QString());
    addSearchOption(QStringLiteral("выдан (с)"), QStringLiteral("01.01.2026"));
    addSearchOption(QStringLiteral("Выдан до (по)"), QStringLiteral("31.01.2026"));
    addSearchOption(QStringLiteral("Пятая"), QStringLiteral("v5"));
    addSearchOption(QStringLiteral("Статус"), QStringLiteral("выдан"));

    ClientDataSet &so = dm->cdsSearchOptions;
    so.setRecNo(5);
    EXPECT_EQ(text(6101), QString()); // the first five records say nothing
    EXPECT_EQ(text(6102), QString());
    so.setRecNo(6);
    EXPECT_EQ(text(6101), QStringLiteral("Статус"));
    EXPECT_EQ(text(6102), QStringLiteral("выдан"));

    EXPECT_EQ(text(6103), QStringLiteral("01.01.2026"));
    EXPECT_EQ(so.recNo(), 3);
    EXPECT_EQ(text(6104), QStringLiteral("31.01.2026"));
    EXPECT_EQ(text(6105), QStringLiteral("42"));
    EXPECT_EQ(so.recNo(), 2);
}

TEST_F(ReportFunctions, NoCurrentCertificateGivesEmptyTexts)
{
    dm->ASQM.close();
    dm->ASQD.close();
    for (int n : {1, 2, 6, 14, 15, 21, 23, 6004})
        EXPECT_EQ(text(n), QString()) << n;
}

TEST_F(ReportFunctions, FooterShowsFromThePageTwoOn)
{
    Report report;
    report.loadFromFile(ShippedDataDir() + QStringLiteral("/h_ru.fr3"));
    ReportBand *footer = report.findBand(QStringLiteral("PageFooter1"));
    for (ReportObject &o : footer->objects)
        o.visible = false;
    RegisterReportFunctions(report, *dm, report);
    report.evaluate(QStringLiteral("[SetVisibleObj(1)]"));
    EXPECT_FALSE(footer->objects.front().visible);
    report.evaluate(QStringLiteral("[SetVisibleObj(2)]"));
    for (const ReportObject &o : footer->objects)
        EXPECT_TRUE(o.visible) << o.name.toStdString();
}

class CertificatePrinting : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        cert = std::make_unique<CertificateReport>(*dm, ShippedDataDir());
        cert->loadRetryPauseMs = 0;
    }

    void setStored(const QString &column, const QVariant &value)
    {
        SqliteStatement update(dm->ASQLite3DBd, QStringLiteral("update mcod set %1 = :v where id = 1").arg(column));
        if (value.typeId() == QMetaType::QString && IsWideColumn(column))
            update.bindWideBlob(QStringLiteral("v"), value.toString());
        else
            update.bindValue(QStringLiteral("v"), value);
        update.execute();
        selectCertificate(CertId);
    }

    // Prints the certificate in Mode into a PDF and reads its words back.
    QList<PdfWord> printed(CertPrintMode mode)
    {
        cert->LoadForPrint();
        PdfPrintSink sink(out.path());
        cert->PrintReport(mode, QStringLiteral("job"), 1, {}, sink);
        return ReadPdfWords(sink.lastFile);
    }

    std::unique_ptr<CertificateReport> cert;
};

TEST_F(CertificatePrinting, TemplateLanguageMustBeTwoLetters)
{
    EXPECT_TRUE(CertificateReport::TemplatePath(QStringLiteral("/d"), QStringLiteral("en"))
                    .endsWith(QStringLiteral("/d/h_en.fr3")));
    for (const char *bad : {"", "r", "rus", "../", "r/", "..", "r\n", "р1"})
        EXPECT_THROW(CertificateReport::TemplatePath(QStringLiteral("/d"), QString::fromUtf8(bad)), AppError) << bad;

    setStored(QStringLiteral("Language"), QStringLiteral("/e"));
    cert->loadAttempts = 2;
    try {
        cert->LoadForPreview();
        FAIL() << "a path as the language loaded";
    } catch (const AppError &e) {
        EXPECT_EQ(ExceptionText(e), QStringLiteral("не можем сместить объекты"));
    }
    const QStringList logged = journalTexts(EventId::ExceptionCaught);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged.first().contains(QStringLiteral("aFormShowExecute|iErrorEngine "))) << logged.first().toStdString();
    EXPECT_TRUE(logged.first().contains(QStringLiteral("Недопустимый язык"))) << logged.first().toStdString();
}

TEST_F(CertificatePrinting, StoredSizesOutsideOneToTenBecomeTen)
{
    const struct {
        QVariant stored;
        int size;
        int choice;
    } table[] = {
        {0, 10, 10}, {11, 10, 10}, {-3, 10, 10}, {QVariant(), 10, 10}, {4, 4, CertFields::AutoSize}, {7, 7, 7}, {10, 10, 10},
    };
    for (const auto &row : table) {
        setStored(QStringLiteral("fSize1"), row.stored);
        setStored(QStringLiteral("fSize11"), row.stored);
        cert->LoadForPrint();
        EXPECT_EQ(cert->fieldSize(1), row.size) << row.stored.toString().toStdString();
        EXPECT_EQ(cert->fieldChoice(1), row.choice) << row.stored.toString().toStdString();
        EXPECT_EQ(cert->StoredSizes().Items(0), row.size);
        for (const char *memo : {"dMemo12", "dMemo13", "dMemo14"})
            EXPECT_EQ(cert->report().findObject(QString::fromLatin1(memo))->font.sizePt, row.size);
    }
}

TEST_F(CertificatePrinting, AutomaticSizeIsTheLargestThatFits)
{
    // Long enough not to fit box 1 at 10 points, short enough to fit at 6.
    setStored(QStringLiteral("Sender"), QString(QStringLiteral("Общество с ограниченной ответственностью ")).repeated(9));
    setStored(QStringLiteral("fSize1"), 10);
    cert->LoadForPreview(); // a project with the option unset: fitted
    const int fitted = cert->fieldSize(1);
    EXPECT_EQ(cert->fieldChoice(1), CertFields::AutoSize);

    Report &report = cert->report();
    ReportObject memo = *report.findObject(QStringLiteral("dMemo1"));
    EXPECT_EQ(memo.text, QStringLiteral("[GetTextOfObj(1);]")); // the expression is back
    memo.text = TReportFunctions(*dm).GetTextOfObj(1);
    EXPECT_FALSE(report.fitsAtSize(memo, 10));
    EXPECT_GE(fitted, 6);
    EXPECT_LT(fitted, 10);
    EXPECT_TRUE(report.fitsAtSize(memo, fitted));
    EXPECT_FALSE(report.fitsAtSize(memo, fitted + 1));
    EXPECT_EQ(cert->fieldSize(2), 10); // a short text keeps 10

    // Box 11 shares the smallest size any of its memos would take alone.
    setStored(QStringLiteral("DovName"), QString(QStringLiteral("Торгово-промышленная палата ")).repeated(8));
    cert->LoadForPreview();
    const double size12 = report.findObject(QStringLiteral("dMemo12"))->font.sizePt;
    EXPECT_LT(size12, 10);
    EXPECT_EQ(report.findObject(QStringLiteral("dMemo13"))->font.sizePt, size12);
    EXPECT_EQ(report.findObject(QStringLiteral("dMemo14"))->font.sizePt, size12);

    // Printing the same project uses its stored sizes, and so does the preview with the option off.
    cert->LoadForPrint();
    EXPECT_EQ(cert->fieldSize(1), 10);
    cert->SetAutoFontSizeOn(false);
    cert->LoadForPreview();
    EXPECT_EQ(cert->fieldSize(1), 10);
    EXPECT_EQ(dm->ReadOption(QStringLiteral("Expert"), QStringLiteral("AutoFontSize")), QStringLiteral("False"));
}

TEST_F(CertificatePrinting, SavingSizesNeedsTheInterlock)
{
    cert->LoadForPrint();
    cert->UpdateFont(3, 7);
    cert->UpdateFont(11, 8);
    EXPECT_EQ(cert->SaveFontSizes(), CertificateReport::SaveResult::Saved);
    EXPECT_EQ(value(QStringLiteral("select fSize3 from mcod where id = 1")).toInt(), 7);
    EXPECT_EQ(value(QStringLiteral("select fSize11 from mcod where id = 1")).toInt(), 8);
    EXPECT_EQ(value(QStringLiteral("select fSize1 from mcod where id = 1")).toInt(), 10);
    EXPECT_EQ(dm->ASQM.fieldByName(QStringLiteral("id")).asInteger(), CertId);
    EXPECT_EQ(dm->ASQD.recordCount(), 2);

    dm->SaveOption(CommonUser, QStringLiteral("NetGuid"), QUuid::createUuid().toString(QUuid::WithBraces));
    cert->UpdateFont(3, 6);
    EXPECT_EQ(cert->SaveFontSizes(), CertificateReport::SaveResult::InterlockLost);
    EXPECT_TRUE(App().StopFlag);
    EXPECT_EQ(prompter->texts(),
              QStringList{QStringLiteral("Другой экземпляр программы захватил базу данных. Сохранение невозможно.")});
    EXPECT_EQ(value(QStringLiteral("select fSize3 from mcod where id = 1")).toInt(), 7);

    App().StopFlag = false;
    dm->SaveOption(CommonUser, QStringLiteral("NetGuid"), InstanceGuidText());
    setStored(QStringLiteral("status"), 7);
    EXPECT_EQ(cert->SaveFontSizes(), CertificateReport::SaveResult::NotProject);
    EXPECT_EQ(value(QStringLiteral("select fSize3 from mcod where id = 1")).toInt(), 7);
}

TEST_F(CertificatePrinting, EachModePrintsItsPart)
{
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the printed PDF cannot be read back";
    const QStringList form = {QStringLiteral("СЕРТИФИКАТ"), QStringLiteral("УДОСТОВЕРЕНИЕ")};
    const QStringList upper = {QStringLiteral("Отправитель"), QStringLiteral("Получатель"), QStringLiteral("Авто"),
                               QStringLiteral("Примечание"), QStringLiteral("Россия"), QStringLiteral("Доп"),
                               QStringLiteral("Станки"), QStringLiteral("Запчасти"), QStringLiteral("ящик"),
                               QStringLiteral("Германия"), QStringLiteral("Берлин"), QStringLiteral("Российской")};
    const QStringList always = {QStringLiteral("6007000123"), QStringLiteral("Палата"), QStringLiteral("Москва"),
                                QStringLiteral("15.03.2026")};
    const QString blankNo = QStringLiteral("0000101");

    const QStringList copy = PdfWordTexts(printed(CertPrintMode::Copy));
    for (const QString &w : form + upper + always + QStringList{blankNo})
        EXPECT_TRUE(copy.contains(w)) << "copy lacks " << w.toStdString();
    EXPECT_EQ(copy.count(QStringLiteral("6007000123")), 2);

    const QStringList original = PdfWordTexts(printed(CertPrintMode::Original));
    for (const QString &w : upper + always)
        EXPECT_TRUE(original.contains(w)) << "original lacks " << w.toStdString();
    for (const QString &w : form + QStringList{blankNo})
        EXPECT_FALSE(original.contains(w)) << "original prints " << w.toStdString();

    const QStringList imprint = PdfWordTexts(printed(CertPrintMode::NumberImprint));
    for (const QString &w : always)
        EXPECT_TRUE(imprint.contains(w)) << "imprint lacks " << w.toStdString();
    EXPECT_EQ(imprint.count(QStringLiteral("6007000123")), 2);
    for (const QString &w : form + upper + QStringList{blankNo})
        EXPECT_FALSE(imprint.contains(w)) << "imprint prints " << w.toStdString();
}

TEST_F(CertificatePrinting, LeftOffsetMovesEveryTextBox)
{
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the printed PDF cannot be read back";
    const QList<PdfWord> plain = printed(CertPrintMode::Copy);
    dm->SaveOption(CommonUser, QStringLiteral("udLeft"), QStringLiteral("10"));
    // Loaded again and again: the offset applies once.
    printed(CertPrintMode::Copy);
    const QList<PdfWord> shifted = printed(CertPrintMode::Copy);
    ASSERT_GT(plain.size(), 50);
    // Words near the right edge run off the paper once shifted; all others are 10 mm further right.
    int compared = 0;
    for (const PdfWord &w : plain) {
        if (w.left > 150)
            continue;
        ++compared;
        const bool moved = std::any_of(shifted.begin(), shifted.end(), [&w](const PdfWord &s) {
            return s.text == w.text && std::abs(s.top - w.top) < 0.3 && std::abs(s.left - w.left - 10.0) < 0.3;
        });
        EXPECT_TRUE(moved) << w.text.toStdString() << " at " << w.left << ", " << w.top;
    }
    EXPECT_GT(compared, 40);
}

TEST_F(CertificatePrinting, ChecksComeBeforeAnyPage)
{
    PdfPrintSink sink(out.path());
    cert->LoadForPrint();
    cert->PrintReport(CertPrintMode::Original, QStringLiteral("TessalCert: 6007000123"), 0, {}, sink);
    ASSERT_EQ(sink.jobs.size(), 1);
    EXPECT_EQ(sink.jobs.first().copies, 1); // "0" copies prints one
    EXPECT_EQ(sink.jobs.first().jobName, QStringLiteral("TessalCert: 6007000123"));
    EXPECT_EQ(cert->report().jobName(), QStringLiteral("TessalCert: 6007000123"));
    const QStringList diagnostics = journalTexts(EventId::Diagnostic);
    EXPECT_TRUE(diagnostics.contains(QStringLiteral("TfView.PrintReport:e1-e2  0-0"))) << diagnostics.join(' ').toStdString();

    // A size changed after the stored sizes were applied stops the job before the printer.
    cert->UpdateFont(2, 6);
    try {
        cert->PrintReport(CertPrintMode::Original, QStringLiteral("job"), 1, {}, sink);
        FAIL() << "printed with a lost size";
    } catch (const AppError &e) {
        EXPECT_EQ(ExceptionText(e), QStringLiteral("пропал размер шрифта (PrintReport)"));
    }
    EXPECT_EQ(sink.calls, 1);
}

// A goods description longer than a page's goods area (4,096 characters, as
// the editor and the checks allow) continues on the next pages like the
// lines do: nothing of it stands over boxes 11 and 12, and no word is lost.
TEST_F(CertificatePrinting, LongGoodsLineContinuesOnTheNextPagesAndNeverCoversTheFooter)
{
    if (!HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing: the printed PDF cannot be read back";
    QStringList longWords;
    QString longLine;
    for (int n = 1; longLine.size() + 6 <= 4096; ++n) {
        longWords << QStringLiteral("w%1").arg(n, 4, 10, QLatin1Char('0'));
        longLine += longWords.last() + QLatin1Char(' ');
    }
    longLine += QString(4096 - longLine.size(), QLatin1Char('z'));
    longWords << QString(4096 - (longWords.size() * 6), QLatin1Char('z'));
    ASSERT_EQ(longLine.size(), 4096);
    exec(QStringLiteral("delete from dcod"));
    QStringList shortWords;
    for (int order = 1; order <= 120; ++order) {
        const QString num = QString::number(order);
        if (order == 3) {
            addGoodsLine(order, num, longLine, QStringLiteral("1"), QStringLiteral("ящик"), QStringLiteral("5"), "kg");
            continue;
        }
        shortWords << QStringLiteral("item%1").arg(order, 3, 10, QLatin1Char('0'));
        addGoodsLine(order, num, shortWords.last(), QStringLiteral("1"), QStringLiteral("ящик"), QStringLiteral("5"),
                     "kg");
    }
    selectCertificate(CertId);

    const QList<PdfWord> words = printed(CertPrintMode::Original);
    const ReportPageSetup &page = cert->report().page();
    const double footerTop = page.paperHeightMm - page.bottomMarginMm
        - cert->report().findBand(QStringLiteral("PageFooter1"))->heightMm;
    const auto printedWords = [&](const QString &text) {
        return std::count_if(words.begin(), words.end(), [&](const PdfWord &w) { return w.text == text; });
    };
    for (const QString &word : longWords + shortWords)
        EXPECT_EQ(printedWords(word), 1) << word.toStdString();
    int goodsWords = 0;
    int lastPage = 0;
    for (const PdfWord &w : words) {
        if (!(w.text.startsWith(QLatin1String("w0")) || w.text.startsWith(QLatin1String("item"))
              || w.text.startsWith(QLatin1String("zz"))))
            continue;
        ++goodsWords;
        lastPage = std::max(lastPage, w.page);
        EXPECT_LT(w.bottom, footerTop + 0.5) << w.text.toStdString() << " on page " << w.page + 1;
    }
    EXPECT_EQ(goodsWords, longWords.size() + shortWords.size());
    EXPECT_GE(lastPage, 2); // the long line alone needs more than the first page's goods area
}

TEST_F(CertificatePrinting, ShortPageFailsToLoadAfterSixAttempts)
{
    QByteArray xml = ReadWholeFile(ShippedDataDir() + QStringLiteral("/h_ru.fr3"));
    xml.replace("paperHeight=\"297\"", "paperHeight=\"280\"");
    WriteWholeFile(out.filePath(QStringLiteral("h_ru.fr3")), xml);
    CertificateReport shortPage(*dm, out.path());
    shortPage.loadRetryPauseMs = 0;
    dm->SaveOption(CommonUser, QStringLiteral("udTop"), QStringLiteral("10"));
    EXPECT_THROW(shortPage.LoadForPreview(), AppError);
    int spaceFailures = 0;
    for (const QString &t : journalTexts(EventId::ExceptionCaught))
        spaceFailures += t.contains(QStringLiteral("frxReport.Engine.PageHeight вышел за ожидаемые пределы"));
    EXPECT_EQ(spaceFailures, 6);

    // The shipped page holds the same offset.
    cert->LoadForPreview();
    EXPECT_NEAR(cert->report().findBand(QStringLiteral("PageFooter1"))->heightMm, 297 - 15 - 5 - 143 - 80, 1e-9);
}

} // namespace

namespace {

// A printer that cannot be reached fails before any page: the job may be tried again.
TEST(PrinterSinkTest, UnknownPrinterFailsBeforeAnyPage)
{
    Report report;
    report.loadFromFile(ShippedDataDir() + QStringLiteral("/h_ru.fr3"));
    report.prepare();
    ReportPrintSettings settings;
    settings.printerName = QStringLiteral("no-such-printer-here");
    PrinterSink sink;
    try {
        sink.send(report, settings);
        FAIL() << "printed to a printer that does not exist";
    } catch (const PrintJobInterrupted &) {
        FAIL() << "an unreachable printer counted as a started job";
    } catch (const AppError &e) {
        EXPECT_TRUE(ExceptionText(e).contains(QStringLiteral("no-such-printer-here"))) << ExceptionText(e).toStdString();
    }
}

} // namespace
