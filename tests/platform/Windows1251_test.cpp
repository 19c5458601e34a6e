#include "Windows1251.h"

#include <gtest/gtest.h>

TEST(Windows1251, PasswordBytesMatchTheCodePage)
{
    // printf %s 'пароль' | iconv -t CP1251
    EXPECT_EQ(ToWindows1251(QStringLiteral("пароль")), QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC"));
    // printf %s 'ЁёЇїІіЄєҐґЎў№€ Admin1!' | iconv -t CP1251
    EXPECT_EQ(ToWindows1251(QStringLiteral("ЁёЇїІіЄєҐґЎў№€ Admin1!")),
              QByteArray("\xA8\xB8\xAF\xBF\xB2\xB3\xAA\xBA\xA5\xB4\xA1\xA2\xB9\x88 Admin1!"));
}

TEST(Windows1251, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(ToWindows1251(QStringLiteral("é中ы")), QByteArray("??\xFB"));
    EXPECT_EQ(ToWindows1251(QString()), QByteArray());
}

TEST(Windows1251, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const QString text = FromWindows1251(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(text.mid(0xC0, 4), QStringLiteral("АБВГ"));
    EXPECT_EQ(text.at(0xFF), QChar(0x44F));
    EXPECT_EQ(ToWindows1251(text), all);
}
