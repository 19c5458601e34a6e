#include "GGDateTime.h"
#include "ggError.h"

#include <gtest/gtest.h>

TEST(DayNumbers, KnownDays)
{
    struct Case { QDate date; uint32_t day; };
    const Case cases[] = {
        {QDate(1899, 12, 30), 0},
        {QDate(1900, 1, 1), 2},
        {QDate(2026, 12, 10), 46366},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(DateToDayNumber(c.date), c.day) << c.date.toString().toStdString();
        EXPECT_EQ(DateOfDayNumber(c.day), c.date);
    }
    EXPECT_EQ(DateToDayNumber(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2u);
}

TEST(DayNumbers, BeforeDayZeroRaises)
{
    EXPECT_THROW(DateToDayNumber(QDate(1899, 12, 29)), AppError);
    EXPECT_THROW(DateToDayNumber(QDate()), AppError);
}

TEST(DateTexts, FormatAndParse)
{
    EXPECT_EQ(FormatDate(QDate(2026, 1, 5)), QStringLiteral("05.01.2026"));
    EXPECT_EQ(FormatTime(QTime(7, 3, 9, 45)), QStringLiteral("07:03:09.045"));
    EXPECT_EQ(YearLastDigit(QDate(2029, 12, 31)), QByteArray("9"));
    EXPECT_EQ(ParseDate(QStringLiteral("31.12.2029")), QDate(2029, 12, 31));
    for (const char *bad : {"31.12.29", "32.01.2020", "aa.bb.cccc", "31-12-2029", ""})
        EXPECT_FALSE(ParseDate(QString::fromLatin1(bad)).isValid()) << bad;
}

TEST(Clock, CanBeFixed)
{
    SetClock([] { return QDateTime(QDate(2026, 6, 1), QTime(12, 0)); });
    EXPECT_EQ(Today(), QDate(2026, 6, 1));
    SetClock(nullptr);
    EXPECT_EQ(Today(), QDate::currentDate());
}
