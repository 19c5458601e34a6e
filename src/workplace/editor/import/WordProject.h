#pragma once
// A certificate project in a Word document: which fixed table cells fill
// which of the editor's boxes when those are still empty, the declaration
// date beside the city, and the goods lines of the second table.
#include "OfficeTables.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

class ClientDataSet;

struct WordProjectCell {
    QString control; // the editor's box
    int table;       // table, row and column counted from 1
    int row;
    int column;
};

// The cells of the head in the order they are read: boxes 1 to 6, then box
// 12's importing country and city.
const QList<WordProjectCell> &WordProjectHeadCells();
// Box 12's date, read only when the city was read too.
const WordProjectCell &WordProjectDateCell();

struct WordProject {
    // The cell texts for the boxes that were empty, in the order above.
    QList<QPair<QString, QString>> boxes;
    // Box 12's date as a day number, when its cell holds a date.
    std::optional<int64_t> date12;
    // One line per row of the goods table after its header: d7, d8, d9c, d10w.
    QList<QStringList> goods;
};

// Reads the project out of the document's tables; `boxText` gives a box's
// present text. Only the cells of empty boxes are read. Raises AppError when
// a cell that is read is missing (a missing table included).
WordProject ReadWordProject(const OfficeTables &tables, const std::function<QString(const QString &)> &boxText);

// The date of a date cell: its digits and dots read as D.M.YYYY (a dot after
// the year allowed), or nothing when they are no such date.
std::optional<int64_t> WordProjectDate(const QString &cellText);

// Replaces every goods line with the project's lines: d7, d8, d9c and d10w
// from the cells, d9p and d10q empty.
void PutWordProjectGoods(ClientDataSet &lines, const QList<QStringList> &goods);
