#include "SearchSertificate.h"

#include "AppError.h"
#include "CommonReportTessal.h"
#include "CertificateSearch.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "GGDateTime.h"
#include "ListRowKeeper.h"
#include "SystemErrorTexts.h"
#include "XlsxWorkbook.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

// The columns of a list row, by report object number; G is the goods.
constexpr int ListColumns[] = {14, 15, 6, 1, 2, 13, 0, 4, 6005, 6004};
constexpr int GoodsColumn = 7;
constexpr int ListModelRow = 7;
constexpr int StatisticModelRow = 8;
const XlsxRange ListModel{ListModelRow, 1, ListModelRow, 10};
const XlsxRange StatisticModel{StatisticModelRow, 1, StatisticModelRow, 10};
const XlsxRange SignatureModel{1, 1, 1, 10};

const QString Signature = QStringLiteral(
    "           Ответственный сотрудник торгово-промышленной палаты                      /            /");

// Gives a list row the height its lines need, wrapped in their columns, in
// whole points: never below Least (the model row's), never above what Excel
// takes. A reader keeps the height it finds stored (LibreOffice fits no row
// when it opens a workbook), so a row left at the model's shows one line.
void FitListRow(XlsxSheet &sheet, int row, double least)
{
    sheet.setRowHeight(row, std::min(XlsxTallestRow, std::max(least, std::ceil(sheet.fittedRowHeight(row)))));
}

} // namespace

QString CellAddress(int row, int column, bool absoluteRow, bool absoluteColumn)
{
    return (absoluteColumn ? QStringLiteral("$") : QString()) + XlsxColumnLetters(column)
        + (absoluteRow ? QStringLiteral("$") : QString()) + QString::number(row);
}

void AutoFitMergedRow(XlsxSheet &sheet, int row, int column)
{
    const auto merged = sheet.mergeAt(row, column);
    if (!merged || merged->firstRow != merged->lastRow || !sheet.wrapText(merged->firstRow, merged->firstColumn))
        return;
    sheet.setRowHeight(merged->firstRow, sheet.fittedRowHeight(merged->firstRow));
}

QByteArray FilledWorkbook(TDM &dm, const QString &templateName,
                          const std::function<void(XlsxWorkbook &book, const XlsxWorkbook &model)> &fill)
{
    QFile file(dm.dataFile(templateName + QStringLiteral(".xlsx")));
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Нет шаблона %1: %2").arg(file.fileName(), RussianSystemText(file.errorString())));
    const QByteArray bytes = file.readAll();
    const XlsxWorkbook model(bytes);
    XlsxWorkbook book(bytes);
    fill(book, model);
    return book.save();
}

void OpenGoodsOfCurrent(TDM &dm)
{
    dm.ASQD.close();
    dm.ASQD.paramByName(QStringLiteral("id")).setInteger(dm.ASQM.fieldByName(QStringLiteral("id")).asInteger());
    dm.ASQD.open();
}

void ListToFirst(TDM &dm)
{
    if (!dm.ASQM.isActive())
        dm.ASQM.open();
    dm.ASQM.first();
}

QString TodayText()
{
    SetDateFormats();
    return FormatDate(Today());
}

QByteArray ListCertsWorkbook(TDM &dm)
{
    const ControlsDisabler listLinks(dm.ASQM);
    const ControlsDisabler goodsLinks(dm.ASQD);
    const ListRowKeeper keep(dm);
    return FilledWorkbook(dm, ExcelTemplate::List, [&dm](XlsxWorkbook &book, const XlsxWorkbook &model) {
        XlsxSheet &sheet = book.sheet(1);
        const XlsxSheet &models = model.sheet(1);
        TReportFunctions texts(dm);
        DataSet &list = dm.ASQM;
        const int count = list.isActive() ? list.recordCount() : 0;
        if (count > 1)
            sheet.insertRows(ListModelRow + 1, count - 1);
        int i = ListModelRow;
        if (count > 0) {
            for (list.first(); !list.eof(); list.next()) {
                OpenGoodsOfCurrent(dm);
                sheet.copyRange(models, ListModel, i, 1);
                for (int column = 1; column <= 10; ++column)
                    if (column != GoodsColumn)
                        sheet.setText(i, column, texts.GetTextOfObj(ListColumns[column - 1]));
                bool first = true;
                for (dm.ASQD.first(); !dm.ASQD.eof(); dm.ASQD.next()) {
                    if (!first) {
                        // A row of its own, made before the paste so that
                        // nothing below is pasted over.
                        ++i;
                        sheet.insertRows(i, 1);
                        sheet.copyRange(models, ListModel, i, 1);
                    }
                    first = false;
                    sheet.setText(i, GoodsColumn, texts.GetTextOfObj(6006));
                }
                ++i;
            }
        }
        for (int row = ListModelRow; row < i; ++row)
            FitListRow(sheet, row, models.rowHeight(ListModelRow));
        sheet.setText(1, 1, texts.GetTextOfObj(6001));
        sheet.setNumber(3, 5, App().WorkstationNumber);
        sheet.setNumber(4, 9, DateToDayNumber(Today()));
        if (count == 0)
            ++i;
        i += 3;
        DataSet &options = dm.cdsSearchOptions;
        int n = 0;
        for (options.first(); !options.eof(); options.next(), ++n) {
            const SearchOption option = CurrentSearchOption(options);
            if (n < 3) {
                sheet.setText(i + n, 1, option.name);
            } else {
                sheet.setText(i + n, 4, option.name);
                sheet.setText(i + n, 6, option.value);
            }
        }
        ListToFirst(dm);
    });
}

QByteArray StatisticWorkbook(TDM &dm)
{
    const ListRowKeeper keep(dm);
    return FilledWorkbook(dm, ExcelTemplate::Statistics, [&dm](XlsxWorkbook &book, const XlsxWorkbook &model) {
        XlsxSheet &sheet = book.sheet(1);
        const XlsxSheet &models = model.sheet(1);
        TReportFunctions texts(dm);
        sheet.setText(2, 5, texts.GetTextOfObj(6103));
        sheet.setText(2, 7, texts.GetTextOfObj(6104));
        sheet.setText(7, 7, texts.GetTextOfObj(6003));
        sheet.setText(7, 8, texts.GetTextOfObj(6105));
        sheet.setText(4, 8, TodayText());
        DataSet &options = dm.cdsSearchOptions;
        int i = StatisticModelRow + 1;
        int n = 0;
        for (options.first(); !options.eof(); options.next())
            if (++n >= 6) {
                const SearchOption option = CurrentSearchOption(options);
                sheet.copyRange(models, StatisticModel, i, 1);
                sheet.setText(i, 1, option.name);
                sheet.setText(i, 7, option.value);
                AutoFitMergedRow(sheet, i, 7);
                ++i;
            }
        ++i;
        sheet.copyRange(models, SignatureModel, i, 1);
        sheet.setText(i, 1, Signature);
    });
}

QString SendListCertsToExcel(TDM &dm, const DocumentDelivery &delivery)
{
    return ExportDocument(delivery, "SearchSertificate.SendListCertsToExcel",
                          QStringLiteral("Не удалось вывести список сертификатов в Excel"), ExcelTemplate::List,
                          QStringLiteral(".xlsx"), [&dm] { return ListCertsWorkbook(dm); });
}

QString SendStatisticToExcel(TDM &dm, const DocumentDelivery &delivery)
{
    return ExportDocument(delivery, "SearchSertificate.SendStatisticToExcel",
                          QStringLiteral("Не удалось вывести статистику в Excel"), ExcelTemplate::Statistics,
                          QStringLiteral(".xlsx"), [&dm] { return StatisticWorkbook(dm); });
}
