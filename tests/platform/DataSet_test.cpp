// The dataset's own rules: how an empty dataset moves, and how values are
// converted to a field's type.
#include "ClientDataSet.h"
#include "ggError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

TEST(DataSet, MovingOnAnEmptyDataSetLeavesBofAndEof)
{
    struct Case {
        const char *name;
        std::function<void(DataSet &)> move;
    };
    const QList<Case> cases = {
        {"first", [](DataSet &d) { d.first(); }},
        {"last", [](DataSet &d) { d.last(); }},
        {"next", [](DataSet &d) { d.next(); }},
        {"prior", [](DataSet &d) { d.prior(); }},
        {"move by one", [](DataSet &d) { d.moveBy(1); }},
        {"record number 1", [](DataSet &d) { d.setRecNo(1); }},
        {"current row 0", [](DataSet &d) { d.setCurrentRow(0); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ClientDataSet rows;
        rows.setFieldDefs({{"n", FieldType::Integer}});
        rows.createDataSet();
        c.move(rows);
        EXPECT_TRUE(rows.bof());
        EXPECT_TRUE(rows.eof());
        EXPECT_EQ(rows.recNo(), 0);
        int visited = 0;
        for (c.move(rows); !rows.eof(); rows.next())
            ++visited;
        EXPECT_EQ(visited, 0);
    }
}

TEST(DataSet, RecordNumberOnRowsStandsOnTheRow)
{
    ClientDataSet rows;
    rows.setFieldDefs({{"n", FieldType::Integer}});
    rows.createDataSet();
    for (int n : {1, 2}) {
        rows.append();
        rows.fieldByName("n").setValue(n);
        rows.post();
    }
    rows.setRecNo(2);
    EXPECT_FALSE(rows.bof());
    EXPECT_FALSE(rows.eof());
    EXPECT_EQ(rows.fieldByName("n").asInteger(), 2);
}

TEST(DataSet, WholeNumbersConvertStrictlyAndNeverWrap)
{
    struct Case {
        const char *name;
        QVariant value;
        std::optional<qint64> expected; // nothing: the conversion raises
    };
    const qint64 lowest = std::numeric_limits<qint64>::min();
    const QList<Case> cases = {
        {"digits", QStringLiteral("12"), 12},
        {"sign", QStringLiteral("-12"), -12},
        {"lowest 64-bit value as text", QStringLiteral("-9223372036854775808"), lowest},
        {"blanks around", QStringLiteral(" 12 "), std::nullopt},
        {"text beyond 64 bits", QStringLiteral("9223372036854775808"), std::nullopt},
        {"exponent text", QStringLiteral("1e3"), std::nullopt},
        {"empty text", QStringLiteral(""), std::nullopt},
        {"whole double", QVariant(12.0), 12},
        {"fraction", QVariant(1.5), std::nullopt},
        {"double beyond 64 bits", QVariant(1e30), std::nullopt},
        {"double of -2^63", QVariant(-9223372036854775808.0), lowest},
        {"double of 2^63", QVariant(9223372036854775808.0), std::nullopt},
        {"not a number", QVariant(std::nan("")), std::nullopt},
        {"unsigned beyond 64-bit signed", QVariant(std::numeric_limits<quint64>::max()), std::nullopt},
        {"boolean", QVariant(true), 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.expected)
            EXPECT_EQ(CoerceFieldValue(FieldType::Integer, c.value, "n").toLongLong(), *c.expected);
        else
            EXPECT_THROW(CoerceFieldValue(FieldType::Integer, c.value, "n"), AppError);
    }
}

TEST(DataSet, FloatTextIsADecimalNumberAndNothingElse)
{
    struct Case {
        const char *name;
        QString text;
        std::optional<double> expected;
    };
    const QList<Case> cases = {
        {"whole", "12", 12.0},         {"fraction", "-1.5", -1.5},  {"leading point", ".5", 0.5},
        {"trailing point", "2.", 2.0}, {"exponent", "1e3", 1000.0}, {"comma", "1,5", std::nullopt},
        {"word", "abc", std::nullopt}, {"hex", "0x10", std::nullopt}, {"overflow", "1e400", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.expected)
            EXPECT_EQ(CoerceFieldValue(FieldType::Float, c.text, "f").toDouble(), *c.expected);
        else
            EXPECT_THROW(CoerceFieldValue(FieldType::Float, c.text, "f"), AppError);
    }
}
