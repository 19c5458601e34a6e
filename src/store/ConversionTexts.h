#pragma once
// Conversions of values read from the store's files, failing with the texts
// the operator and the journal have always been shown for them.
#include <QByteArray>
#include <QString>
#include <cstdint>

QString NodeNotFoundText(const QString &nodeName);
// "Range check error": a value outside its type's range.
QString RangeErrorText();

// "'x' is not a valid integer value".
QString NotAnIntegerText(const QByteArray &text);
// Strict decimal integer within 32 bits: "'x' is not a valid integer value".
int32_t ToInteger(const QByteArray &text);
// As ToInteger, and not negative (a range error otherwise).
uint32_t ToUnsigned(const QByteArray &text);
// "True"/"False" in any case, or a whole number (0 is false): "'x' is not a valid boolean value".
bool ToBoolean(const QByteArray &text);
// A 64-bit whole number into an unsigned 32-bit one; a range error otherwise.
uint32_t CheckedUnsigned(int64_t value);
