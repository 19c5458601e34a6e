#include "WordProject.h"
#include "DateWords.h"

#include "BorinWin.h"
#include "ClientDataSet.h"
#include "GoodsLines.h"

#include <QRegularExpression>

namespace {

constexpr int GoodsTable = 2;
const QStringList GoodsCellFields = {"d7", "d8", "d9c", "d10w"};

// A goods cell loses its trailing line breaks, then Word's end-of-cell mark.
QString GoodsCellText(const QString &text)
{
    return TrimRightCharsW(TrimRightCharsW(text, QStringLiteral("\r\n")), QStringLiteral("\r\a"));
}

QString CellText(const OfficeTables &tables, const WordProjectCell &cell)
{
    return TableNumber(tables, cell.table).cell(cell.row, cell.column);
}

} // namespace

const QList<WordProjectCell> &WordProjectHeadCells()
{
    static const QList<WordProjectCell> cells = {
        {"dbeExporter", 1, 2, 1}, {"dbeImporter", 1, 4, 1}, {"dbm3", 1, 6, 1},
        {"dbm4", 1, 6, 2},        {"EditCountry5", 1, 8, 1}, {"dbm6", 1, 8, 2},
        {"ImportingCountry", 3, 3, 2}, {"EditCity12", 3, 4, 2},
    };
    return cells;
}

const WordProjectCell &WordProjectDateCell()
{
    static const WordProjectCell cell = {"TntDateTimePicker12", 3, 4, 3};
    return cell;
}

WordProject ReadWordProject(const OfficeTables &tables, const std::function<QString(const QString &)> &boxText)
{
    WordProject project;
    for (const WordProjectCell &cell : WordProjectHeadCells()) {
        if (!boxText(cell.control).isEmpty())
            continue;
        project.boxes.append({cell.control, CellText(tables, cell)});
        if (cell.control == QLatin1String("EditCity12"))
            project.date12 = WordProjectDate(CellText(tables, WordProjectDateCell()));
    }
    const OfficeTable &goods = TableNumber(tables, GoodsTable);
    for (int row = 2; row <= goods.rowCount(); ++row) {
        QStringList line;
        for (int column = 1; column <= 4; ++column)
            line.append(GoodsCellText(goods.cell(row, column)));
        project.goods.append(line);
    }
    return project;
}

std::optional<int64_t> WordProjectDate(const QString &cellText)
{
    // The cell's digits and dots must read "DD.MM.YYYY" (a last dot allowed);
    // the date itself is read as every date from words is.
    static const QRegularExpression form(QStringLiteral("^\\d{1,2}\\.\\d{1,2}\\.\\d{4}\\.?$"));
    const QString date = KeepCharsW(QStringLiteral(".0123456789"), cellText);
    if (!form.match(date).hasMatch())
        return std::nullopt;
    const std::optional<int64_t> day = DayNumberOfDateWords(date);
    if (!day || *day < 0)
        return std::nullopt;
    return day;
}

void PutWordProjectGoods(ClientDataSet &lines, const QList<QStringList> &goods)
{
    ReplaceGoodsLines(lines, GoodsCellFields, goods);
}
