#include "ggBuffers.h"

#include <cstring>

QByteArray BufferToStr(const void *buffer, int count)
{
    if (!buffer || count <= 0)
        return QByteArray();
    try {
        return QByteArray(static_cast<const char *>(buffer), count);
    } catch (...) {
        return QByteArray();
    }
}

void FillBuffer(void *buffer, int count, char ch)
{
    if (buffer && count > 0)
        std::memset(buffer, static_cast<unsigned char>(ch), static_cast<size_t>(count));
}
