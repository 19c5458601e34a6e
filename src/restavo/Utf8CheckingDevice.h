#pragma once
// Reads a UTF-8 text from another device and passes it on with every byte
// that is not part of a valid UTF-8 sequence replaced by the noncharacter
// U+FDD0, so that an XML reader reads on (it would stop at the first bad
// byte) and the reader's user can still tell where the text was damaged.
#include <QByteArray>
#include <QIODevice>

class Utf8CheckingDevice : public QIODevice {
public:
    // What stands for each byte that is not UTF-8.
    static constexpr char16_t Marker = 0xFDD0;

    // Source must be open to read; it is read in blocks as needed.
    explicit Utf8CheckingDevice(QIODevice &source);

    bool isSequential() const override { return true; }
    // How many bytes of the source have been taken so far.
    qint64 sourceBytesRead() const { return m_sourceRead; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    // Reads the next block of the source into m_out; false at its end.
    bool fill();

    QIODevice &m_source;
    QByteArray m_pending; // the start of a sequence the block cut off
    QByteArray m_block;
    QByteArray m_out;
    qsizetype m_outPos = 0;
    qint64 m_sourceRead = 0;
    bool m_sourceEnded = false;
};
