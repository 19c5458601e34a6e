// The goods lines of the Word print-out over its pages, from row heights alone.
#include "WordPagination.h"

#include <gtest/gtest.h>

namespace {

TEST(WordPagination, LinesGoWholeToTheNextPage)
{
    const struct {
        const char *name;
        QList<double> heights;
        QList<int> pages;
        QList<double> filler;
    } table[] = {
        {"no goods: the filler takes the whole area", {}, {}, {100}},
        {"three lines fit", {20, 20, 20}, {1, 1, 1}, {40}},
        {"exactly full", {50, 50}, {1, 1}, {0}},
        {"the overflowing line moves whole", {60, 30, 20}, {1, 1, 2}, {10, 180}},
        {"a tall first line stays on page one", {150, 10}, {1, 2}, {0, 190}},
        {"a tall first line stays on its continuation page", {90, 250, 10}, {1, 2, 3}, {10, 0, 190}},
        {"several continuation pages", {100, 200, 200, 5}, {1, 2, 3, 4}, {0, 0, 0, 195}},
    };
    for (const auto &row : table) {
        const GoodsPages pages = PaginateGoods(100, 200, row.heights);
        EXPECT_EQ(pages.pageOfLine, row.pages) << row.name;
        EXPECT_EQ(pages.filler, row.filler) << row.name;
    }
}

} // namespace
