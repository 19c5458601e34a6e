#pragma once
// The Excel exports of what the certificate list shows, each a workbook made
// from its template in the data folder: the list with its goods lines, every
// listed certificate as a block laid out like the blank, and the conditions
// and counts of the last search. They read the data module's list and goods
// queries and the search options as they stand, and leave each on the row it
// stood on. The finished workbook is
// delivered (DocumentDelivery.h); a failure is logged under the export's name
// and delivers nothing.
#include "DocumentDelivery.h"

#include <QString>

#include <functional>

class TDM;
class XlsxSheet;
class XlsxWorkbook;

// The workbooks as .xlsx bytes; each raises AppError.
QByteArray ListCertsWorkbook(TDM &dm);
QByteArray CertsWorkbook(TDM &dm);
QByteArray StatisticWorkbook(TDM &dm);

// Each makes its workbook and delivers it; returns the path of the delivered
// workbook, or empty on failure.
QString SendListCertsToExcel(TDM &dm, const DocumentDelivery &delivery = {});
QString SendCertsToExcel(TDM &dm, const DocumentDelivery &delivery = {});
QString SendStatisticToExcel(TDM &dm, const DocumentDelivery &delivery = {});

// Makes the row of a merged, wrapping range of one row tall enough for its
// text; any other cell is left alone.
void AutoFitMergedRow(XlsxSheet &sheet, int row, int column);

// The A1-style address: "$" before the letters when the column is absolute,
// before the number when the row is absolute. Columns 1 to 702 ("A" to "ZZ").
QString CellAddress(int row, int column, bool absoluteRow, bool absoluteColumn);

// ---- for the exports themselves

// The base names of the templates (".xlsx" in the data folder) and of the delivered files.
namespace ExcelTemplate {
inline const QString List = QStringLiteral("список сертификатов");
inline const QString Certificates = QStringLiteral("Tessal; сертификат");
inline const QString Statistics = QStringLiteral("Статистика");
}

// Opens the template twice, fills the one (the other keeps the template's own
// model rows and blocks to paste from) and returns it as .xlsx bytes. Raises
// AppError when there is no template.
QByteArray FilledWorkbook(TDM &dm, const QString &templateName,
                          const std::function<void(XlsxWorkbook &book, const XlsxWorkbook &model)> &fill);
// Reopens the goods query for the list query's current certificate.
void OpenGoodsOfCurrent(TDM &dm);
// The list query opened if closed and on its first record.
void ListToFirst(TDM &dm);
// Today as the date cells show it.
QString TodayText();
