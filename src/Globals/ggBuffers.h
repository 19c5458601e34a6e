#pragma once
// Moving raw bytes (answer chunks of the HTTPS client) into 8-bit text.
#include <QByteArray>

// The first Count bytes of Buffer as text, zero bytes included; the empty text
// when Count is 0 or less or Buffer is null.
QByteArray BufferToStr(const void *buffer, int count);
// Writes Ch into the first Count bytes of Buffer; nothing when Count is 0 or
// less or Buffer is null.
void FillBuffer(void *buffer, int count, char ch);
