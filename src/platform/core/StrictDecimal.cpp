#include "StrictDecimal.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

std::optional<qint64> ParseStrictDecimal(QByteArrayView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulate as a negative number so that the smallest value fits.
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        const int digit = c - '0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == lowest)
        return std::nullopt;
    return -value;
}

std::optional<qint32> ParseStrictInt32(QByteArrayView text)
{
    const std::optional<qint64> value = ParseStrictDecimal(text);
    if (!value || *value < std::numeric_limits<qint32>::min() || *value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(*value);
}

std::optional<double> ParseStrictFloat(const QString &text)
{
    static const QRegularExpression pattern("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$");
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

std::optional<qint64> WholeNumberOf(double value)
{
    // 2^63 is exact as a double; every whole double below it fits.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || std::floor(value) != value || value < -limit || value >= limit)
        return std::nullopt;
    return static_cast<qint64>(value);
}
