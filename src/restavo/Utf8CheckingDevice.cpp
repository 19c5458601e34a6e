#include "Utf8CheckingDevice.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype BlockBytes = qsizetype(1) << 20;
const char MarkerBytes[] = "\xEF\xB7\x90"; // U+FDD0 in UTF-8

// The length of the valid sequence at P (Size bytes left), 0 when the bytes
// there are no valid sequence, -1 when they may be one that goes on past Size.
int SequenceLength(const unsigned char *p, qsizetype size)
{
    const unsigned char lead = p[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (i >= size)
            return -1;
        const unsigned char next = p[i];
        if (i == 1 ? (next < low || next > high) : (next < 0x80 || next > 0xBF))
            return 0;
    }
    return length;
}

} // namespace

Utf8CheckingDevice::Utf8CheckingDevice(QIODevice &source) : m_source(source)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool Utf8CheckingDevice::fill()
{
    m_out.clear();
    m_outPos = 0;
    while (m_out.isEmpty()) {
        if (m_sourceEnded && m_pending.isEmpty())
            return false;
        m_block = m_pending;
        m_pending.clear();
        if (!m_sourceEnded) {
            const qsizetype start = m_block.size();
            m_block.resize(start + BlockBytes);
            const qint64 got = m_source.read(m_block.data() + start, BlockBytes);
            if (got <= 0) {
                m_sourceEnded = true;
                m_block.resize(start);
            } else {
                m_sourceRead += got;
                m_block.resize(start + got);
            }
        }
        const auto *bytes = reinterpret_cast<const unsigned char *>(m_block.constData());
        const qsizetype size = m_block.size();
        m_out.reserve(size + 16);
        qsizetype i = 0;
        while (i < size) {
            // Plain ASCII goes through in runs.
            qsizetype run = i;
            while (run < size && bytes[run] < 0x80)
                ++run;
            if (run > i) {
                m_out.append(reinterpret_cast<const char *>(bytes + i), run - i);
                i = run;
                continue;
            }
            const int length = SequenceLength(bytes + i, size - i);
            if (length < 0 && !m_sourceEnded) {
                m_pending = m_block.mid(i);
                break;
            }
            if (length <= 0) {
                m_out.append(MarkerBytes, 3);
                ++i;
            } else {
                m_out.append(reinterpret_cast<const char *>(bytes + i), length);
                i += length;
            }
        }
    }
    return true;
}

qint64 Utf8CheckingDevice::readData(char *data, qint64 maxSize)
{
    if (m_outPos >= m_out.size() && !fill())
        return 0;
    const qint64 n = std::min<qint64>(maxSize, m_out.size() - m_outPos);
    std::memcpy(data, m_out.constData() + m_outPos, size_t(n));
    m_outPos += n;
    return n;
}
