#include "GGCollect.h"
#include "GGStringList.h"
#include "ggBuffers.h"
#include "ggError.h"
#include "ggWideStrings.h"

#include <gtest/gtest.h>

TEST(NumericList, MinMaxAndSearch)
{
    TqlListNumeric list;
    for (int32_t v : {5, 3, 3, 9, 9})
        list.Add(v);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.IndexOfMin(), 1);
    EXPECT_EQ(list.IndexOfMax(), 3);
    EXPECT_EQ(list.IndexOf(9), 3);
    EXPECT_EQ(list.IndexOf(4), -1);
    EXPECT_EQ(list.CompareItems(0, 1), 3);
    EXPECT_EQ(list.CompareItems(1, 2), 2);
    EXPECT_EQ(list.CompareItems(1, 0), 1);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.IndexOfMin(), -1);
    EXPECT_EQ(list.IndexOfMax(), -1);
    EXPECT_EQ(list.IndexOf(5), -1);
    EXPECT_EQ(list.Add(7), 0);
    EXPECT_EQ(list.Items(0), 7);
}

TEST(NumericList, UnsignedOrderAndNoCompare)
{
    TqlListNumeric list;
    list.Add(-1); // 0xFFFFFFFF as unsigned: the largest
    list.Add(2);
    EXPECT_EQ(list.IndexOfMax(), 0);
    EXPECT_EQ(list.IndexOfMin(), 1);

    TqlListNumeric flat(true);
    for (int32_t v : {5, 1, 9})
        flat.Add(v);
    EXPECT_EQ(flat.CompareItems(0, 1), 2);
    EXPECT_EQ(flat.IndexOfMin(), 0);
    EXPECT_EQ(flat.IndexOfMax(), 0);
}

TEST(WideStrings, ForgivingGetAndCheckedDelete)
{
    TggWideStrings list;
    EXPECT_EQ(list.Add(QStringLiteral("первая")), 0);
    EXPECT_EQ(list.Add(QStringLiteral("second")), 1);
    EXPECT_EQ(list.Get(0), QStringLiteral("первая"));
    EXPECT_TRUE(list.Get(2).isEmpty());
    EXPECT_TRUE(list.Get(-1).isEmpty());
    try {
        list.Delete(2);
        FAIL() << "no error";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("WideString index out of bounds"));
    }
    EXPECT_THROW(list.Delete(-1), AppError);
    EXPECT_EQ(list.GetCount(), 2);
    list.Delete(1);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.Get(0), QStringLiteral("первая"));
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(StringList, CommaTextQuoting)
{
    struct Case { QStringList items; const char *text; };
    const Case cases[] = {
        {{}, ""},
        {{QString()}, "\"\""},
        {{"Tessal%https://h/upd/Tessal.zip*1.4.1.7", "restorator%https://h/r.zip*2"},
         "Tessal%https://h/upd/Tessal.zip*1.4.1.7,restorator%https://h/r.zip*2"},
        {{"a b", "c"}, "\"a b\",c"},
        {{"a,b"}, "\"a,b\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"x\"y"}, "\"x\"\"y\""},
        {{"tab\there"}, "\"tab\there\""},
        {{"line\nbreak"}, "\"line\nbreak\""},
        {{"a", "", "b"}, "a,,b"},
        {{"обновление", "ещё одно"}, "обновление,\"ещё одно\""},
    };
    for (const auto &c : cases) {
        TGGStringList list;
        list.append(c.items);
        EXPECT_EQ(list.CommaText(), QString::fromUtf8(c.text)) << c.text;
    }
}

TEST(Buffers, BufferToStrKeepsZeroBytes)
{
    const char bytes[] = {'a', '\0', 'b', 'c'};
    const QByteArray text = BufferToStr(bytes, 4);
    EXPECT_EQ(text.size(), 4);
    EXPECT_EQ(text, QByteArray(bytes, 4));
    EXPECT_TRUE(BufferToStr(bytes, 0).isEmpty());
    EXPECT_TRUE(BufferToStr(bytes, -1).isEmpty());
    EXPECT_TRUE(BufferToStr(nullptr, 4).isEmpty());

    char buffer[6] = {'1', '2', '3', '4', '5', '6'};
    FillBuffer(buffer, 4, 'x');
    EXPECT_EQ(QByteArray(buffer, 6), QByteArray("xxxx56"));
    FillBuffer(buffer, 0, 'y');
    FillBuffer(buffer, -2, 'y');
    EXPECT_EQ(QByteArray(buffer, 6), QByteArray("xxxx56"));
}
