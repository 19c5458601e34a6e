#pragma once
// Where the goods lines of the Word print-out of a certificate go: the first
// page's goods area, then continuation pages, each line whole on one page.
// The first line of each page stays there however tall it is.
#include <QList>

struct GoodsPages {
    QList<int> pageOfLine;  // from 1, one per goods line
    QList<double> filler;   // per page: the height the row under the goods takes (never negative)
};

GoodsPages PaginateGoods(double availableFirst, double availableNext, const QList<double> &lineHeights);
