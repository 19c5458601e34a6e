#include "AtomicFileWriter.h"
#include "DovDCP.h"
#include "TestSupport.h"
#include "TobTransf.h"
#include "ggError.h"
#include "obDCPcrypt.h"

#include <QList>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
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

// The offline file is enciphered block by block from the disk; the central
// side deciphers it as one chain, so the pieces must give the whole's bytes.
TEST(DataFileCipher, PiecesGiveTheBytesOfTheWholeContent)
{
    const QByteArray plain = randomBytes(3 * 65536 + 1234);
    struct Case {
        const char *name;
        QList<qsizetype> pieces; // repeated until the content is used up
    };
    const QList<Case> cases = {
        {"one piece", {plain.size()}},
        {"single bytes then blocks", {1, 1, 1, 65536}},
        {"odd sizes", {7, 15, 16, 17, 4093, 65537}},
        {"empty pieces among them", {0, 100, 0, 9000}},
    };
    QByteArray whole = plain;
    EncryptStream(whole, ChamberKey);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (const CipherStream::Direction direction : {CipherStream::Direction::Encrypt, CipherStream::Direction::Decrypt}) {
            const bool encrypt = direction == CipherStream::Direction::Encrypt;
            QByteArray data = encrypt ? plain : whole;
            CipherStream stream(ChamberKey, direction);
            qsizetype done = 0;
            for (int i = 0; done < data.size(); ++i) {
                const qsizetype piece = std::min(c.pieces[i % c.pieces.size()], data.size() - done);
                stream.update(data.data() + done, piece);
                done += piece;
            }
            EXPECT_EQ(data, encrypt ? whole : plain) << (encrypt ? "encrypt" : "decrypt");
        }
    }
    // The key must be given: no silent fallback to the built-in one.
    for (const QByteArray &key : {QByteArray(), QByteArray("short")})
        EXPECT_THROW(CipherStream(key, CipherStream::Direction::Encrypt), AppError) << key.constData();
}

// A file goes through the cipher block by block, in one chain from the
// vector: a file of several blocks and a tail gives the bytes that openssl
// and the in-memory cipher give for the whole content, both ways.
TEST(DataFileCipher, AFileOfSeveralBlocksIsOneChain)
{
    QTemporaryDir dir;
    const QByteArray plain = randomBytes(3 * (qsizetype(1) << 20) + 4321);
    const QString plainFile = dir.filePath("plain.zip");
    const QString opensslFile = dir.filePath("openssl.cod");
    WriteWholeFile(plainFile, plain);
    QProcess openssl;
    openssl.start("openssl", {"enc", "-aes-256-cfb8", "-nosalt", "-K", QString::fromLatin1(ChamberKey.toHex()), "-iv",
                              QString::fromLatin1(CipherVector.toHex()), "-in", plainFile, "-out", opensslFile});
    ASSERT_TRUE(openssl.waitForFinished(30000));
    ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
    const QByteArray enciphered = ReadWholeFile(opensslFile);
    ASSERT_EQ(enciphered.size(), plain.size());
    QByteArray inMemory = plain;
    EncryptWithChamberKey(inMemory, ChamberKey);
    EXPECT_EQ(inMemory, enciphered);

    struct Case {
        const char *name;
        CipherStream::Direction direction;
        QString source;
        QByteArray expected;
    };
    const Case cases[] = {
        {"encipher", CipherStream::Direction::Encrypt, plainFile, enciphered},
        {"decipher", CipherStream::Direction::Decrypt, opensslFile, plain},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString target = dir.filePath(c.name);
        AtomicFileWriter out(target);
        ChamberCipherFile(c.source, ChamberKey, c.direction, out);
        out.commit();
        EXPECT_TRUE(ReadWholeFile(target) == c.expected);
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
