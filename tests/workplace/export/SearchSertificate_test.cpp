#include "SearchSertificate.h"

#include "CertificateSearch.h"
#include "LibreOfficeRun.h"
#include "OpenpyxlReader.h"
#include "PdfWords.h"
#include "StoreFixture.h"
#include "TestSupport.h"
#include "XlsxWorkbook.h"

#include <QDir>
#include <QJsonArray>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

namespace {

struct AddressRow {
    const char *name;
    int row, column;
    bool absoluteRow, absoluteColumn;
    const char *address;
};

class CellAddressTable : public ::testing::TestWithParam<AddressRow> {};

TEST_P(CellAddressTable, GivesTheA1Address)
{
    const AddressRow &r = GetParam();
    EXPECT_EQ(CellAddress(r.row, r.column, r.absoluteRow, r.absoluteColumn), QString::fromLatin1(r.address));
}

INSTANTIATE_TEST_SUITE_P(
    CellAddress, CellAddressTable,
    ::testing::Values(AddressRow{"FirstCell", 1, 1, false, false, "A1"},
                      AddressRow{"BothAbsolute", 5, 28, true, true, "$AB$5"},
                      AddressRow{"NeitherAbsolute", 1, 52, false, false, "AZ1"},
                      AddressRow{"LastOneLetter", 3, 26, true, false, "Z$3"},
                      AddressRow{"FirstTwoLetters", 9, 27, false, true, "$AA9"},
                      AddressRow{"LastColumn", 10, 702, false, false, "ZZ10"}),
    [](const auto &info) { return std::string(info.param.name); });

QString Cell(const QJsonObject &sheet, const char *name)
{
    const QJsonValue value = sheet[QStringLiteral("cells")][QLatin1String(name)];
    return value.isDouble() ? QString::number(value.toDouble()) : value.toString();
}

QJsonObject FirstSheet(const QJsonObject &book)
{
    return book[QStringLiteral("sheets")].toArray().at(0).toObject();
}

class ExcelExports : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        SetClock([] { return QDateTime(fixedToday(), QTime(10, 20, 30)); });
        for (const QString &name : {ExcelTemplate::List, ExcelTemplate::Certificates, ExcelTemplate::Statistics})
            WriteWholeFile(dataPath(name + QStringLiteral(".xlsx")),
                           ReadWholeFile(FixturePath(QStringLiteral("../../data/") + name + QStringLiteral(".xlsx"))));
        delivery.folder = out.path();
        delivery.open = [this](const QString &file) { opened << file; };
        App().WorkstationNumber = 12;
    }
    void TearDown() override
    {
        SetClock(nullptr);
        StoreFixture::TearDown();
    }

    void addCertificate(qint64 id, int goods, const QVariantMap &values = {})
    {
        insertCertificate(certificate(id, id, values));
        for (int line = 1; line <= goods; ++line)
            insertRow(QStringLiteral("dcod"), {{"idM", id},
                                               {"dOrder", line},
                                               {"d7Num", QString::number(line)},
                                               {"d8Description", QStringLiteral("Товар %1.%2").arg(id).arg(line)},
                                               {"d9Count", QStringLiteral("%1").arg(line)},
                                               {"d9Package", QStringLiteral("кор.")},
                                               {"d10Weight", QStringLiteral("%1 кг").arg(line * 10)}});
    }

    // The search's first three records and then Conditions.
    void setOptions(int conditions)
    {
        QList<SearchOption> records{{QStringLiteral("Всего документов: 9"), {}},
                                    {QStringLiteral("Найдено документов: 4"), {}},
                                    {QStringLiteral("Список поисковых условий, накладываемых при отборе."), {}}};
        for (int c = 1; c <= conditions; ++c)
            records.append({QStringLiteral("    Товар"), QStringLiteral("условие %1").arg(c)});
        FillSearchOptions(dm->cdsSearchOptions, records);
    }

    void reopenList()
    {
        dm->ASQM.close();
        dm->ASQM.open();
    }

    QStringList filesOut() const { return QDir(out.path()).entryList(QDir::Files); }

    // The writer's bytes in a file of their own, for the independent reader.
    QString saved(const QByteArray &workbook)
    {
        const QString file = out.filePath(QStringLiteral("book %1.xlsx").arg(++savedCount));
        WriteWholeFile(file, workbook);
        return file;
    }
    int savedCount = 0;

    // A list whose cells take several lines, newest first: row 7 box 1 and
    // box 2 on two lines each and goods on two; row 8 goods on three; row 9 a
    // goods description that wraps in its column; row 10 one line in every
    // cell; row 11 goods of 60 lines, more than a row of Excel can hold.
    void addListOfManyLines()
    {
        const auto add = [this](qint64 id, const QString &exporter, const QString &importer,
                                const QStringList &goods) {
            insertCertificate(certificate(id, id, {{"LastDate", today() - 10 + id},
                                                   {"Sender", QStringLiteral("Отправитель-%1").arg(id)},
                                                   {"Exporter", exporter},
                                                   {"Importer", importer}}));
            for (int line = 0; line < goods.size(); ++line)
                insertRow(QStringLiteral("dcod"), {{"idM", id}, {"dOrder", line + 1}, {"d8Description", goods[line]}});
        };
        add(4, QStringLiteral("Экспортёр-4"), QStringLiteral("Импортёр-4"),
            {QStringLiteral("Станки-4\r\nмодель-4"), QStringLiteral("Фрезы-4\r\nконцевые-4\r\nтвердосплавные-4")});
        add(3, QStringLiteral("Экспортёр-3"), QStringLiteral("Импортёр"),
            {QStringLiteral("Болты-3 ") + QStringLiteral("крепёжные ").repeated(12) + QStringLiteral("оцинкованные-3")});
        add(2, {}, {}, {QStringLiteral("Гайки-2")});
        QStringList tall;
        for (int line = 1; line <= 60; ++line)
            tall << QStringLiteral("строка %1").arg(line);
        add(1, QStringLiteral("Экспортёр-1"), QStringLiteral("Импортёр"), {tall.join(QStringLiteral("\r\n"))});
        setOptions(1);
        reopenList();
    }

    QTemporaryDir out;
    DocumentDelivery delivery;
    QStringList opened;
};

TEST_F(ExcelExports, ListRowsGoodsRowsAndOptionRecords)
{
    // Listed newest first: 3 (two goods lines), 2 and 1 (one each).
    addCertificate(1, 1, {{"LastDate", today() - 2}});
    addCertificate(2, 1, {{"LastDate", today() - 1}});
    addCertificate(3, 2, {{"Date11", today() - 5}});
    setOptions(2);
    reopenList();
    const QString file = SendListCertsToExcel(*dm, delivery);
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(opened, QStringList{file});
    EXPECT_EQ(QFileInfo(file).fileName(), QStringLiteral("список сертификатов 2026-03-15 10-20-30.xlsx"));

    const XlsxWorkbook ours(ReadWholeFile(file));
    const XlsxSheet &sheet = ours.sheet(1);
    EXPECT_EQ(sheet.text(7, 1), QStringLiteral("6007000003"));
    EXPECT_EQ(sheet.text(7, 2), QStringLiteral("0000103"));
    EXPECT_EQ(sheet.text(7, 3), QStringLiteral("10.03.2026"));
    EXPECT_EQ(sheet.text(7, 4), QStringLiteral("Отправитель\nЭкспортёр"));
    EXPECT_EQ(sheet.text(7, 7), QStringLiteral("Товар 3.1"));
    EXPECT_EQ(sheet.text(7, 10), QStringLiteral("проект"));
    EXPECT_EQ(sheet.text(8, 7), QStringLiteral("Товар 3.2"));
    for (int column : {1, 2, 3, 4, 5, 6, 8, 9, 10})
        EXPECT_TRUE(sheet.text(8, column).isEmpty()) << column;
    EXPECT_EQ(sheet.text(9, 1), QStringLiteral("6007000002"));
    EXPECT_EQ(sheet.text(10, 7), QStringLiteral("Товар 1.1"));
    EXPECT_TRUE(sheet.wrapText(10, 7)); // the model's format
    EXPECT_EQ(sheet.number(3, 5), 12);
    // Options: three name lines from row 14 (10 + 1 + 3), then names in D and values in F.
    EXPECT_EQ(sheet.text(14, 1), QStringLiteral("Всего документов: 9"));
    EXPECT_EQ(sheet.text(16, 1), QStringLiteral("Список поисковых условий, накладываемых при отборе."));
    EXPECT_EQ(sheet.text(17, 4), QStringLiteral("    Товар"));
    EXPECT_EQ(sheet.text(18, 6), QStringLiteral("условие 2"));
    EXPECT_EQ(dm->ASQM.recNo(), 1);

    const QJsonObject read = FirstSheet(ReadWithOpenpyxl(file));
    EXPECT_EQ(Cell(read, "G8"), QStringLiteral("Товар 3.2"));
    EXPECT_EQ(Cell(read, "A9"), QStringLiteral("6007000002"));
    EXPECT_EQ(Cell(read, "F18"), QStringLiteral("условие 2"));
    EXPECT_EQ(Cell(read, "I4"), QStringLiteral("2026-03-15T00:00:00"));
    EXPECT_FALSE(read[QStringLiteral("cells")].toObject().contains(QStringLiteral("A19")));
}

TEST_F(ExcelExports, EmptyListKeepsTheModelRowAndWritesOptionsFromRowEleven)
{
    setOptions(1);
    reopenList();
    const QString file = saved(ListCertsWorkbook(*dm));
    ASSERT_FALSE(file.isEmpty());
    const XlsxWorkbook ours(ReadWholeFile(file));
    EXPECT_TRUE(ours.sheet(1).text(7, 1).isEmpty());
    EXPECT_TRUE(ours.sheet(1).wrapText(7, 1));
    EXPECT_EQ(ours.sheet(1).text(11, 1), QStringLiteral("Всего документов: 9"));
    EXPECT_EQ(ours.sheet(1).text(14, 6), QStringLiteral("условие 1"));
}

TEST_F(ExcelExports, CertificateBlocksWithSixteenAndThirtyFiveGoodsLines)
{
    // 25 options: the first block starts at row 32.
    addCertificate(1, 16, {{"Language", "en"}});
    addCertificate(2, 35, {{"LastDate", today() - 1}, {"fSize7", 0}, {"fSize8", 15}, {"fSize11", 0}});
    addCertificate(3, 2, {{"LastDate", today() - 2}});
    setOptions(22);
    reopenList();
    const QString file = saved(CertsWorkbook(*dm));
    ASSERT_FALSE(file.isEmpty());
    const XlsxWorkbook ours(ReadWholeFile(file));
    EXPECT_EQ(ours.activeSheet(), 1);
    EXPECT_TRUE(ours.isSheetHidden(2) && ours.isSheetHidden(3));
    const XlsxSheet &sheet = ours.sheet(1);
    EXPECT_EQ(sheet.text(2, 1), QStringLiteral("номер АРМа 12"));
    EXPECT_EQ(sheet.text(3, 1), QStringLiteral("Эксперт Expert"));
    EXPECT_EQ(sheet.text(4, 1), QStringLiteral("Дата составления отчёта 15.03.2026"));
    EXPECT_EQ(sheet.text(6, 1), QStringLiteral("Найдено документов: 4"));
    EXPECT_EQ(sheet.text(8, 1), QStringLiteral("Список поисковых условий, накладываемых при отборе."));
    EXPECT_EQ(sheet.text(30, 3), QStringLiteral("условие 22"));

    // The first listed (the newest): row 32, English block, 16 lines in block rows 12..27.
    const int first = 32;
    EXPECT_EQ(sheet.text(first, 1), QStringLiteral("CERTIFICATE OF ORIGIN"));
    EXPECT_EQ(sheet.text(first, 4), QStringLiteral("6007000001"));
    EXPECT_EQ(sheet.text(first + 1, 5), QStringLiteral("0000101"));
    EXPECT_EQ(sheet.text(first + 26, 2), QStringLiteral("Товар 1.16"));
    // 35 lines: 21 in the block's goods rows, 14 more in rows of their own; boxes 11 and 12 below them.
    const int second = first + 41;
    EXPECT_EQ(sheet.text(second, 1), QStringLiteral("СЕРТИФИКАТ О ПРОИСХОЖДЕНИИ ТОВАРА"));
    EXPECT_EQ(sheet.text(second + 11 + 34, 2), QStringLiteral("Товар 2.35"));
    EXPECT_EQ(sheet.text(second + 11 + 34, 4), QStringLiteral("35\nкор."));
    EXPECT_EQ(sheet.text(second + 32 + 14, 1), QStringLiteral("Палата"));
    EXPECT_EQ(sheet.text(second + 38 + 14, 1), QStringLiteral("15.03.2026"));
    const int third = second + 41 + 14;
    EXPECT_EQ(sheet.text(third + 12, 2), QStringLiteral("Товар 3.2"));
    EXPECT_EQ(sheet.rowBreaks(), (std::vector<int>{first, second, third}));
    // Stored 0 and 15 are written as 9.
    EXPECT_EQ(sheet.fontSize(second + 11, 1), 9);
    EXPECT_EQ(sheet.fontSize(second + 11, 2), 9);
    EXPECT_EQ(sheet.fontSize(second + 32 + 14, 1), 9);
    EXPECT_EQ(sheet.fontSize(second + 1, 1), 10);
    // Heights: the model's, goods rows fitted; block row 26 takes what the
    // page spares, unless a goods line stands in it (line 15 of the first).
    EXPECT_EQ(sheet.rowHeight(second + 2), 18);
    EXPECT_GE(sheet.rowHeight(second + 11), 10);
    EXPECT_LT(sheet.rowHeight(second + 11), 40);
    EXPECT_EQ(sheet.rowHeight(first + 25), sheet.rowHeight(first + 24));
    double page = 0;
    for (int row = third - 1; row <= third + 40; ++row)
        page += std::round(sheet.rowHeight(row));
    EXPECT_EQ(page, 820);
    EXPECT_GT(sheet.rowHeight(third + 25), 15);

    const QJsonObject read = FirstSheet(ReadWithOpenpyxl(file));
    EXPECT_EQ(read[QStringLiteral("breaks")].toArray(), (QJsonArray{first, second, third}));
    EXPECT_TRUE(read[QStringLiteral("merges")].toArray().contains(QStringLiteral("A%1:B%2").arg(second + 32 + 14).arg(second + 36 + 14)));
    EXPECT_EQ(Cell(read, QStringLiteral("B%1").arg(second + 45).toLatin1().constData()), QStringLiteral("Товар 2.35"));
}

TEST_F(ExcelExports, StatisticsConditionsAndTheSignatureLine)
{
    FillSearchOptions(dm->cdsSearchOptions,
                      {{QStringLiteral("Всего документов: 9"), {}},
                       {QStringLiteral("Найдено документов: 4"), {}},
                       {QStringLiteral("Список поисковых условий, накладываемых при отборе."), {}},
                       {QStringLiteral("    Выдан (С)"), QStringLiteral("01.03.2026")},
                       {QStringLiteral("    Выдан до (По)"), QStringLiteral("15.03.2026")},
                       {QStringLiteral("    Экспортёр"), QStringLiteral("очень длинное имя ").repeated(12)},
                       {QStringLiteral("    Статус"), QStringLiteral("Выдан")}});
    const QString file = saved(StatisticWorkbook(*dm));
    ASSERT_FALSE(file.isEmpty());
    const XlsxWorkbook ours(ReadWholeFile(file));
    const XlsxSheet &sheet = ours.sheet(1);
    EXPECT_EQ(sheet.text(2, 5), QStringLiteral("01.03.2026"));
    EXPECT_EQ(sheet.text(2, 7), QStringLiteral("15.03.2026"));
    EXPECT_EQ(sheet.text(7, 7), QStringLiteral("АРМ №12"));
    EXPECT_EQ(sheet.text(7, 8), QStringLiteral("4"));
    EXPECT_EQ(sheet.text(4, 8), QStringLiteral("15.03.2026"));
    EXPECT_EQ(sheet.text(9, 1), QStringLiteral("    Экспортёр"));
    EXPECT_EQ(sheet.text(10, 7), QStringLiteral("Выдан"));
    EXPECT_GT(sheet.rowHeight(9), 2 * sheet.rowHeight(10)); // the long value fitted
    EXPECT_EQ(sheet.text(12, 1), QStringLiteral("           Ответственный сотрудник торгово-промышленной палаты"
                                                "                      /            /"));
    const QJsonObject read = FirstSheet(ReadWithOpenpyxl(file));
    EXPECT_TRUE(read[QStringLiteral("merges")].toArray().contains(QStringLiteral("A12:J12")));
    EXPECT_TRUE(read[QStringLiteral("merges")].toArray().contains(QStringLiteral("G9:J9")));
}

TEST_F(ExcelExports, AFailurePartWayIsLoggedAndLeavesNoFile)
{
    addCertificate(1, 2);
    reopenList();
    exec("drop table dcod");
    EXPECT_TRUE(SendCertsToExcel(*dm, delivery).isEmpty());
    EXPECT_TRUE(SendListCertsToExcel(*dm, delivery).isEmpty());
    EXPECT_TRUE(filesOut().isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    QStringList locations;
    for (const EventRecord &record : journal.sink().withId(EventId::ExceptionCaught))
        locations << record.strings.value(0);
    EXPECT_EQ(locations, (QStringList{QStringLiteral("[Expert]SearchSertificate.SendCertsToExcel"),
                                      QStringLiteral("[Expert]SearchSertificate.SendListCertsToExcel")}));
}

TEST_F(ExcelExports, ControlCharactersNeverReachTheFile)
{
    addCertificate(1, 1, {{"Sender", QStringLiteral("A\x01\x02\x1f")}, {"Exporter", QStringLiteral("B\x0b")}});
    reopenList();
    const QString file = saved(ListCertsWorkbook(*dm));
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(Cell(FirstSheet(ReadWithOpenpyxl(file)), "D7"), QStringLiteral("A\nB"));
}

// A line of 9-point text takes at least this many points, in any of the
// fonts that stand for Arial; a cell adds its margins.
constexpr double NinePointLine = 10;
constexpr double CellMargins = 2;

TEST_F(ExcelExports, EachListRowIsAsTallAsItsLines)
{
    addListOfManyLines();
    const QString file = saved(ListCertsWorkbook(*dm));
    ASSERT_FALSE(file.isEmpty());
    const XlsxWorkbook ours(ReadWholeFile(file));
    const QJsonObject heights = FirstSheet(ReadWithOpenpyxl(file))[QStringLiteral("heights")].toObject();
    const struct {
        const char *name;
        int row;
        int lines; // the fewest lines the row must hold; 0: exactly the model row's height
    } rows[] = {{"sender over exporter, two-line goods", 7, 2},
                {"three-line goods", 8, 3},
                {"wrapped goods", 9, 2},
                {"one line in every cell", 10, 0}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        const double height = ours.sheet(1).rowHeight(r.row);
        EXPECT_EQ(heights[QString::number(r.row)].toDouble(-1), height);
        if (r.lines == 0)
            EXPECT_EQ(height, 15);
        else
            EXPECT_GE(height, r.lines * NinePointLine + CellMargins);
    }
    EXPECT_EQ(ours.sheet(1).rowHeight(11), XlsxTallestRow);
    EXPECT_EQ(heights[QStringLiteral("11")].toDouble(), XlsxTallestRow);
}

// LibreOffice shows a row at the height stored for it: every line of every
// cell must stand above the next row's first line.
TEST_F(ExcelExports, LibreOfficePrintsEveryLineOfEachListRow)
{
    if (!HaveLibreOfficeCalc() || !HavePdfToText())
        GTEST_SKIP() << "LibreOffice Calc or pdftotext is not installed: the rendering check is skipped";
    addListOfManyLines();
    const QString file = saved(ListCertsWorkbook(*dm));
    ASSERT_FALSE(file.isEmpty());
    const QString pdf = ConvertWithLibreOffice(file, QStringLiteral("pdf"), out.path());
    ASSERT_FALSE(pdf.isEmpty());
    const QList<PdfWord> words = ReadPdfWords(pdf);
    const struct {
        const char *name;
        const char *lastLine; // a word of a cell's last line
        const char *nextRow;  // a word of the next row's first line
    } pairs[] = {{"exporter under the sender", "Экспортёр-4", "Фрезы-4"},
                 {"importer under the recipient", "Импортёр-4", "Фрезы-4"},
                 {"second goods line", "модель-4", "Фрезы-4"},
                 {"third goods line", "твердосплавные-4", "Отправитель-3"},
                 {"exporter of the next certificate", "Экспортёр-3", "Отправитель-2"},
                 {"last wrapped goods line", "оцинкованные-3", "Отправитель-2"},
                 {"one-line row", "Гайки-2", "Отправитель-1"}};
    for (const auto &p : pairs) {
        SCOPED_TRACE(p.name);
        const PdfWord *above = FindPdfWord(words, QString::fromUtf8(p.lastLine));
        const PdfWord *below = FindPdfWord(words, QString::fromUtf8(p.nextRow));
        ASSERT_TRUE(above && below) << PdfWordTexts(words).join(QLatin1Char(' ')).toStdString();
        if (above->page == below->page)
            EXPECT_LE(above->bottom, below->top) << p.lastLine << " runs into the row of " << p.nextRow;
        else
            EXPECT_LT(above->page, below->page);
    }
}

TEST_F(ExcelExports, LibreOfficeConvertsTheCertificatesWorkbookToPdf)
{
    if (!HaveLibreOfficeCalc())
        GTEST_SKIP() << "LibreOffice Calc is not installed: the rendering check is skipped";
    addCertificate(1, 3, {{"Language", "en"}});
    addCertificate(2, 25);
    setOptions(3);
    reopenList();
    const QString file = saved(CertsWorkbook(*dm));
    ASSERT_FALSE(file.isEmpty());
    const QString pdf = ConvertWithLibreOffice(file, QStringLiteral("pdf"), out.path());
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_TRUE(ReadWholeFile(pdf).startsWith("%PDF"));
}

} // namespace
