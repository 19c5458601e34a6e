// The range edits' numbers: one to six decimal digits, nothing else.
#include "RangeRules.h"

#include <QList>
#include <gtest/gtest.h>

TEST(RangeRules, RangeEditTakesOneToSixDigits)
{
    struct Case {
        const char *name;
        QString text;
        std::optional<uint32_t> expected;
    };
    const QList<Case> cases = {
        {"one digit", "7", 7u},
        {"leading zeros", "000012", 12u},
        {"six nines", "999999", 999999u},
        {"seven digits", "1234567", std::nullopt},
        {"empty", "", std::nullopt},
        {"plus sign", "+12", std::nullopt},
        {"minus sign", "-1", std::nullopt},
        {"blank before", " 12", std::nullopt},
        {"blank after", "12 ", std::nullopt},
        {"other script's digits", QStringLiteral("١٢"), std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseRangeEdit(c.text), c.expected);
    }
    EXPECT_EQ(RangeEditText(12), QStringLiteral("000012"));
}
