#include "obDCPcrypt.h"

#include "AtomicFileWriter.h"
#include "ggError.h"
#include "SystemErrorTexts.h"

#include <QFile>

#include <algorithm>
#include <memory>
#include <openssl/evp.h>

namespace {

constexpr qsizetype KeyBytes = 32;
// EVP counts lengths in int; long contents go through in pieces of one chain.
constexpr qsizetype ChunkBytes = 1 << 30;
// What a file goes through the cipher in.
constexpr qsizetype FileBlockBytes = qsizetype(1) << 20;

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

void runCipher(QByteArray &data, const QByteArray &key, CipherStream::Direction direction)
{
    if (data.isEmpty())
        return;
    CipherStream(key.isEmpty() ? DefaultCipherKey : key, direction).update(data.data(), data.size());
}

const QByteArray &RequireChamberKey(const QByteArray &chamberKey)
{
    if (chamberKey.isEmpty())
        throw AppError(QStringLiteral("В файле i.cod нет ключа палаты"));
    return chamberKey;
}

} // namespace

void CheckCipherKey(const QByteArray &keyText)
{
    if (keyText.size() < KeyBytes)
        throw AppError(QStringLiteral("Ключ шифрования короче %1 байт (%2)").arg(KeyBytes).arg(keyText.size()));
}

void EncryptStream(QByteArray &data, const QByteArray &key) { runCipher(data, key, CipherStream::Direction::Encrypt); }

void DecryptStream(QByteArray &data, const QByteArray &key) { runCipher(data, key, CipherStream::Direction::Decrypt); }

void EncryptWithChamberKey(QByteArray &data, const QByteArray &chamberKey)
{
    runCipher(data, RequireChamberKey(chamberKey), CipherStream::Direction::Encrypt);
}

void DecryptWithChamberKey(QByteArray &data, const QByteArray &chamberKey)
{
    runCipher(data, RequireChamberKey(chamberKey), CipherStream::Direction::Decrypt);
}

// Freeing the context wipes the expanded key.
struct CipherStream::Context {
    CipherContext cipher{EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free};
};

CipherStream::CipherStream(const QByteArray &key, Direction direction)
{
    CheckCipherKey(key);
    m_context = std::make_unique<Context>();
    if (!m_context->cipher
        || EVP_CipherInit_ex(m_context->cipher.get(), EVP_aes_256_cfb8(), nullptr,
                             reinterpret_cast<const unsigned char *>(key.constData()),
                             reinterpret_cast<const unsigned char *>(CipherVector.constData()),
                             direction == Direction::Encrypt ? 1 : 0)
            != 1)
        throw AppError(QStringLiteral("Не удалось подготовить шифр"));
}

CipherStream::~CipherStream() = default;

void CipherStream::update(char *data, qsizetype size)
{
    auto *bytes = reinterpret_cast<unsigned char *>(data);
    for (qsizetype done = 0; done < size;) {
        const int piece = int(std::min(ChunkBytes, size - done));
        int out = 0;
        if (EVP_CipherUpdate(m_context->cipher.get(), bytes + done, &out, bytes + done, piece) != 1 || out != piece)
            throw AppError(QStringLiteral("Ошибка шифрования"));
        done += piece;
    }
}

CipherStream ChamberCipher(const QByteArray &chamberKey, CipherStream::Direction direction)
{
    return CipherStream(RequireChamberKey(chamberKey), direction);
}

void ChamberCipherFile(const QString &source, const QByteArray &chamberKey, CipherStream::Direction direction,
                       AtomicFileWriter &out)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось открыть файл %1: %2").arg(source, RussianSystemText(in.errorString())));
    CipherStream cipher = ChamberCipher(chamberKey, direction);
    QByteArray block(FileBlockBytes, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(block.data(), block.size());
        if (got < 0)
            throw AppError(QStringLiteral("Не удалось прочитать файл %1: %2").arg(source, RussianSystemText(in.errorString())));
        if (got == 0)
            break;
        cipher.update(block.data(), got);
        out.write(QByteArrayView(block.constData(), got));
    }
}
