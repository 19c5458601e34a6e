#pragma once
// The strict reading of an integer that came from a command line, a file or
// another process: an optional sign and decimal digits, nothing else (no
// blanks, no hex prefix, no trailing text).
#include <QByteArrayView>
#include <QString>
#include <optional>

// The value, or nothing when the text is not such an integer or does not fit
// a 64-bit integer.
std::optional<qint64> ParseStrictDecimal(QByteArrayView text);

// The same, limited to the signed 32-bit range.
std::optional<qint32> ParseStrictInt32(QByteArrayView text);

// A decimal number with an optional sign, fraction and exponent ("12", "-1.5",
// ".5", "1e30"), nothing else; nothing when the text is not such a number.
std::optional<double> ParseStrictFloat(const QString &text);

// A double as a 64-bit integer: nothing when it has a fraction, is not
// finite or lies outside the 64-bit range.
std::optional<qint64> WholeNumberOf(double value);
