#include "ConversionTexts.h"
#include "StrictDecimal.h"

#include "ggError.h"

#include <limits>

QString NodeNotFoundText(const QString &nodeName)
{
    return QStringLiteral("Node \"%1\" not found").arg(nodeName);
}

QString RangeErrorText()
{
    return QStringLiteral("Range check error");
}

QString NotAnIntegerText(const QByteArray &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(QString::fromUtf8(text));
}

int32_t ToInteger(const QByteArray &text)
{
    const std::optional<qint32> value = ParseStrictInt32(text);
    if (!value)
        throw AppError(NotAnIntegerText(text));
    return int32_t(*value);
}

uint32_t ToUnsigned(const QByteArray &text)
{
    return CheckedUnsigned(ToInteger(text));
}

bool ToBoolean(const QByteArray &text)
{
    const QString word = QString::fromUtf8(text);
    if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = ParseStrictDecimal(text))
        return *number != 0;
    throw AppError(QStringLiteral("'%1' is not a valid boolean value").arg(word));
}

uint32_t CheckedUnsigned(int64_t value)
{
    if (value < 0 || value > std::numeric_limits<uint32_t>::max())
        throw AppError(RangeErrorText());
    return uint32_t(value);
}
