#include "DateWords.h"

#include <QList>
#include <gtest/gtest.h>

TEST(DateWords, DayNumberOrFailure)
{
    struct Row {
        const char *name;
        const char *text;
        std::optional<int64_t> day;
    };
    const std::optional<int64_t> none;
    const QList<Row> rows = {
        {"dotted", "01.01.2010", 40179},
        {"blanks", "1 1 2010", 40179},
        {"dots and blanks", " 1. 1.  2010 ", 40179},
        {"words after the third are not read", "01.01.2010 12:30", 40179},
        {"day zero", "30.12.1899", 0},
        {"before day zero", "29.12.1899", -1},
        {"leap day", "29.02.2024", 45351},
        {"last year", "31.12.9999", 2958465},
        {"empty", "", none},
        {"two words", "01.2010", none},
        {"not a number", "01.O1.2010", none},
        {"hex", "0x1.01.2010", none},
        {"day 0", "0.01.2010", none},
        {"day 32", "32.01.2010", none},
        {"month 13", "01.13.2010", none},
        {"year 0", "01.01.0", none},
        {"year 10000", "01.01.10000", none},
        {"no such day", "29.02.2023", none},
        {"negative", "-1.01.2010", none},
        {"beyond 64 bits", "1.1.99999999999999999999", none},
        {"other separators", "01/01/2010", none},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DayNumberOfDateWords(QString::fromUtf8(row.text)), row.day);
    }
}
