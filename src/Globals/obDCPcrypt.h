#pragma once
// The data-file cipher: AES-256 in 8-bit CFB mode with a fixed vector, one
// chain over the whole content; the result has the length of the input.
#include <QByteArray>
#include <QString>

#include <memory>

class AtomicFileWriter;

// The built-in key of the workstation file and the users-and-settings file.
inline const QByteArray DefaultCipherKey = QByteArrayLiteral("9E71F04B5DC28A63E0B7195FD4A3C86E");
// The vector every file starts its chain from.
inline const QByteArray CipherVector = QByteArrayLiteral("5381946207531864");

// Raises AppError when a key text cannot serve as a key: it is shorter than
// 32 bytes. The cipher checks every key with it; tools that write a key into
// a workstation file check it before writing.
void CheckCipherKey(const QByteArray &keyText);
// Enciphers Data in place. Key is a key text whose first 32 bytes are the key
// (taken as they are, not decoded); an empty Key means the default key. A key
// text shorter than 32 bytes raises AppError. Empty Data is left as it is.
void EncryptStream(QByteArray &data, const QByteArray &key = QByteArray());
// Deciphers Data in place; the same key rules. A wrong key is not detected:
// the result has the right length and unreadable content.
void DecryptStream(QByteArray &data, const QByteArray &key = QByteArray());

// The chamber's own files (the offline file, the restore file, the update
// package) are enciphered with the chamber key of the workstation file. These
// two are the only way to them: an empty ChamberKey raises AppError instead of
// falling back to the built-in key, which the central side never uses.
void EncryptWithChamberKey(QByteArray &data, const QByteArray &chamberKey);
void DecryptWithChamberKey(QByteArray &data, const QByteArray &chamberKey);

// The same cipher over content that comes in pieces: feeding the pieces of a
// content one after another gives the bytes EncryptStream / DecryptStream
// give for the whole content. Unlike those, Key must be given: an empty or
// short key text raises AppError.
class CipherStream {
public:
    enum class Direction { Encrypt, Decrypt };
    CipherStream(const QByteArray &key, Direction direction);
    ~CipherStream();
    CipherStream(const CipherStream &) = delete;
    CipherStream &operator=(const CipherStream &) = delete;

    // Enciphers or deciphers the next Size bytes at Data in place.
    void update(char *data, qsizetype size);

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

// The cipher of the chamber's own files over content in pieces, under the
// same rule as EncryptWithChamberKey: an empty ChamberKey raises AppError.
CipherStream ChamberCipher(const QByteArray &chamberKey, CipherStream::Direction direction);

// The chamber cipher over a whole file: the file at Source is read block by
// block, each block enciphered or deciphered and written to Out, which is
// left uncommitted. Raises AppError for an empty or short ChamberKey and when
// Source cannot be read.
void ChamberCipherFile(const QString &source, const QByteArray &chamberKey, CipherStream::Direction direction,
                       AtomicFileWriter &out);
