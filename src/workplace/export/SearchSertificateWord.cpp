#include "SearchSertificateWord.h"

#include "CertificateSearch.h"
#include "CommonMSWord.h"
#include "CommonReportTessal.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "DocxDocument.h"
#include "ListRowKeeper.h"
#include "GGDateTime.h"
#include "SearchSertificate.h"
#include "WordCertificateCells.h"
#include "WordPrintOut.h"
#include "ggError.h"
#include "ggFiles.h"

namespace {

const WordCell CertCells[] = {
    {1, 3, 14, 0},  {2, 1, 1, 1},   {2, 3, 15, 0},  {4, 1, 2, 2},   {6, 1, 3, 3},   {6, 2, 4, 4},  {8, 1, 13, 5},
    {8, 2, 7, 6},   {33, 2, 5, 11}, {35, 2, 9, 11}, {36, 2, 6, 11}, {33, 4, 8, 12}, {35, 4, 10, 12}, {36, 4, 12, 12},
};
constexpr int FirstGoodsRow = 10, LastGoodsRow = 29;

QString Language(TDM &dm)
{
    return dm.ASQM.fieldByName(QStringLiteral("Language")).asString();
}

void AddTitleRow(DocxDocument &doc, int table, bool first, const QString &name, const QString &value)
{
    if (!first)
        doc.appendRow(table);
    const int row = doc.rowCount(table);
    doc.setCellText(table, row, 1, name);
    doc.setCellText(table, row, 2, value);
}

void AddCertificate(TDM &dm, DocxDocument &doc, const QString &dataDir)
{
    const DocxDocument model(FileToString(WordTemplatePath(dataDir, QStringLiteral("SearchTemplate_"), Language(dm))));
    // Each certificate begins a page of its own, as a blank would.
    doc.appendSectionBreak();
    doc.appendBody(model);
    const int table = doc.tableCount();
    if (doc.rowCount(table) < 36)
        throw AppError(QStringLiteral("В таблице шаблона меньше 36 строк"));
    WordCertificateCells cells(dm);
    cells.fill(doc, table, CertCells);
    OpenGoodsOfCurrent(dm);
    DataSet &goods = dm.ASQD;
    int g = FirstGoodsRow;
    if (goods.isActive())
        for (goods.first(); !goods.eof(); goods.next(), ++g) {
            // Past the goods area a row is added for each further line, so
            // boxes 11 and 12 below stay as they are.
            if (g > LastGoodsRow)
                doc.insertRowBelow(table, g - 1);
            cells.fillGoodsLine(doc, table, g);
        }
    if (g <= LastGoodsRow) {
        double total = 0;
        for (int row = FirstGoodsRow; row < g; ++row)
            total += TableRowHeight(doc, table, row);
        if (total < CmToPoints(9.5f))
            doc.setRowHeight(table, g, CmToPoints(9.5f) - total);
        for (int row = LastGoodsRow; row > g; --row)
            doc.deleteRow(table, row);
    }
}

} // namespace

QByteArray CertsWordDocument(TDM &dm)
{
    const ListRowKeeper keep(dm);
    const QString dataDir = dm.dataDir();
    DataSet &list = dm.ASQM;
    const QString baseLanguage = list.isActive() && !list.isEmpty() ? (list.first(), Language(dm)) : QStringLiteral("ru");
    DocxDocument doc(FileToString(WordTemplatePath(dataDir, QStringLiteral("SearchTemplate_"), baseLanguage)));
    doc.clearBody();
    const int title = doc.appendTable(2);
    AddTitleRow(doc, title, true, QStringLiteral("Палата"), QString::number(App().ChamberNumber));
    AddTitleRow(doc, title, false, QStringLiteral("АРМ"), QString::number(App().WorkstationNumber));
    AddTitleRow(doc, title, false, QStringLiteral("Дата составления отчёта"),
                Today().toString(QStringLiteral("dd.MM.yyyy")));
    DataSet &options = dm.cdsSearchOptions;
    if (options.isActive())
        for (options.first(); !options.eof(); options.next()) {
            const SearchOption option = CurrentSearchOption(options);
            AddTitleRow(doc, title, false, option.name, option.value);
        }
    if (list.isActive())
        for (list.first(); !list.eof(); list.next())
            AddCertificate(dm, doc, dataDir);
    return doc.save();
}

QString SendCertsToWord(TDM &dm, const DocumentDelivery &delivery)
{
    return ExportDocument(delivery, "SearchSertificate.SendCertsToWord",
                          QStringLiteral("Не удалось вывести сертификаты в MS Word"), QStringLiteral("Сертификаты"),
                          QStringLiteral(".docx"), [&dm] { return CertsWordDocument(dm); });
}
