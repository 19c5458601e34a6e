#include "DovDCP.h"
#include "TestSupport.h"
#include "TobTransf.h"
#include "ggError.h"
#include "obDCPcrypt.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {
QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(size + 7);
    for (auto &b : bytes)
        b = char(generator.bounded(256));
    return bytes;
}

const QByteArray ChamberKey = QByteArrayLiteral("k3Y-of-the-chamber+0123456789abc");
} // namespace

TEST(DataFileCipher, RoundTripsKeepLengthAndContent)
{
    for (const qsizetype size : {qsizetype(0), qsizetype(3), qsizetype(17), qsizetype(1 << 20)}) {
        for (const QByteArray &key : {QByteArray(), ChamberKey}) {
            SCOPED_TRACE(testing::Message() << "size " << size << " key '" << key.constData() << "'");
            const QByteArray plain = randomBytes(size);
            QByteArray data = plain;
            EncryptStream(data, key);
            ASSERT_EQ(data.size(), size);
            if (size > 0) {
                EXPECT_NE(data, plain);
            }
            QByteArray again = plain;
            EncryptStream(again, key);
            EXPECT_EQ(again, data) << "the fixed vector gives the same bytes every time";
            DecryptStream(data, key);
            EXPECT_EQ(data, plain);
        }
    }
}

TEST(DataFileCipher, MatchesOpenSslCommandLine)
{
    const QByteArray plain = ReadWholeFile(FixturePath(QStringLiteral("cipher/plain.xml")));
    ASSERT_FALSE(plain.isEmpty());
    struct Case { QByteArray key; const char *cipherFile; };
    const Case cases[] = {
        {QByteArray(), "cipher/plain.xml.cod"},
        {DefaultCipherKey, "cipher/plain.xml.cod"},
        {ChamberKey, "cipher/plain.xml.chamber.cod"},
        // Only the first 32 bytes of a key text count.
        {ChamberKey + "whatever follows", "cipher/plain.xml.chamber.cod"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key.constData());
        const QByteArray expected = ReadWholeFile(FixturePath(QString::fromLatin1(c.cipherFile)));
        ASSERT_EQ(expected.size(), plain.size());
        QByteArray data = plain;
        EncryptStream(data, c.key);
        EXPECT_EQ(data, expected);
        data = expected;
        DecryptStream(data, c.key);
        EXPECT_EQ(data, plain);
    }
}

TEST(DataFileCipher, WrongKeyGivesUnreadableBytesOfTheSameLength)
{
    const QByteArray plain = ReadWholeFile(FixturePath(QStringLiteral("cipher/plain.xml")));
    QByteArray data = ReadWholeFile(FixturePath(QStringLiteral("cipher/plain.xml.cod")));
    DecryptStream(data, ChamberKey);
    EXPECT_EQ(data.size(), plain.size());
    EXPECT_NE(data, plain);
    EXPECT_FALSE(data.startsWith("<?xml"));
}

TEST(DataFileCipher, ShortKeyRaisesAndLeavesTheContent)
{
    const QByteArray plain("certificate");
    for (const QByteArray &key : {QByteArray("x"), ChamberKey.left(31)}) {
        QByteArray data = plain;
        EXPECT_THROW(EncryptStream(data, key), AppError);
        EXPECT_THROW(DecryptStream(data, key), AppError);
        EXPECT_EQ(data, plain);
    }
}

TEST(DataFileCipher, BoolToWideDigitIsInverted)
{
    EXPECT_EQ(BoolToWideDigit(true), QStringLiteral("0"));
    EXPECT_EQ(BoolToWideDigit(false), QStringLiteral("1"));
}

TEST(OlderUsersFile, CannotBeDecipheredAndSaysSo)
{
    TobTransformSource source;
    QByteArray data = ReadWholeFile(FixturePath(QStringLiteral("cipher/plain.xml.cod")));
    EXPECT_THROW(source.Decrypt(data), AppError);
    EXPECT_THROW(source.Decrypt(data, "passphrase"), AppError);
    QByteArray empty;
    EXPECT_NO_THROW(source.Decrypt(empty));
    EXPECT_TRUE(empty.isEmpty());
}
