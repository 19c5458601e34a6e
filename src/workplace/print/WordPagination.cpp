#include "WordPagination.h"

#include <algorithm>

GoodsPages PaginateGoods(double availableFirst, double availableNext, const QList<double> &lineHeights)
{
    GoodsPages pages;
    int page = 1;
    double used = 0;
    bool pageEmpty = true;
    auto available = [&] { return page == 1 ? availableFirst : availableNext; };
    for (const double height : lineHeights) {
        if (!pageEmpty && used + height > available()) {
            pages.filler << std::max(0.0, available() - used);
            ++page;
            used = 0;
        }
        used += height;
        pageEmpty = false;
        pages.pageOfLine << page;
    }
    pages.filler << std::max(0.0, available() - used);
    return pages;
}
