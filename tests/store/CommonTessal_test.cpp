#include "CommonTessal.h"
#include "EventJournal.h"
#include "GGDateTime.h"

#include <gtest/gtest.h>

class CommonTessalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(9, 0)); });
    }
    void TearDown() override
    {
        SetClock(nullptr);
        ResetAppState();
    }
    ScopedMemoryJournal journal;
};

TEST_F(CommonTessalTest, StartValues)
{
    const TessalState &s = App();
    EXPECT_FALSE(s.StopFlag);
    EXPECT_EQ(s.CurrentUserName, QStringLiteral("unknown"));
    EXPECT_EQ(s.CurrentUserId, -1);
    EXPECT_TRUE(s.UsersOldFlag);
    EXPECT_EQ(s.NumberRangeMin, 1u);
    EXPECT_EQ(s.NumberRangeMax, 9999u);
    EXPECT_EQ(s.MessageTitle, QStringLiteral("Certificate of origin"));
}

TEST_F(CommonTessalTest, ReferenceNumbers)
{
    App().ChamberNumber = 7;
    EXPECT_EQ(MakeReferenceNo(45), QByteArray("6007000045"));
    App().ChamberNumber = 12345; // padding keeps the last characters
    EXPECT_EQ(MakeReferenceNo(1234567), QByteArray("6345234567"));
    EXPECT_TRUE(IsWellFormedReferenceNo("6007000045"));
    for (const char *bad : {"600700004", "60070000451", "60070/0045", "../0000045"})
        EXPECT_FALSE(IsWellFormedReferenceNo(bad)) << bad;
}

TEST_F(CommonTessalTest, StatusNames)
{
    EXPECT_EQ(StatusName(5), QStringLiteral("неизвестен"));
    EXPECT_EQ(StatusName(6), QStringLiteral("проект"));
    EXPECT_EQ(StatusName(7), QStringLiteral("выдан"));
    EXPECT_EQ(StatusName(8), QStringLiteral("испорчен бланк"));
    EXPECT_EQ(StatusName(9), QStringLiteral("аннулирован"));
    EXPECT_EQ(StatusName(10), QStringLiteral("дубликат"));
}

TEST_F(CommonTessalTest, LaterDayNumber)
{
    const QVariant null;
    const QVariant early(QDate(2026, 1, 1)), late(QDate(2026, 2, 1));
    EXPECT_EQ(LaterDayNumber(null, early), 0);
    EXPECT_EQ(LaterDayNumber(early, null), int32_t(DateToDayNumber(QDate(2026, 1, 1))));
    EXPECT_EQ(LaterDayNumber(early, late), int32_t(DateToDayNumber(QDate(2026, 2, 1))));
    EXPECT_EQ(LaterDayNumber(QVariant(QStringLiteral("junk")), late), 0);
}

TEST_F(CommonTessalTest, LogExceptionRecord)
{
    App().CurrentUserName = QStringLiteral("Иванов");
    LogException("DataTessal.TDM.LoadAll", "boom");
    const auto records = journal.sink().withId(EventId::ExceptionCaught);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].source, QStringLiteral("Tessal"));
    EXPECT_EQ(records[0].type, EventType::Error);
    EXPECT_EQ(records[0].category, EventCategory::UserAction);
    EXPECT_EQ(records[0].strings,
              QStringList({QStringLiteral("[Иванов]DataTessal.TDM.LoadAll"), QStringLiteral("boom")}));
}
