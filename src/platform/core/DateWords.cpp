#include "DateWords.h"
#include "DayNumbers.h"
#include "StrictDecimal.h"

#include <QRegularExpression>

std::optional<int64_t> DayNumberOfDateWords(const QString &text)
{
    static const QRegularExpression delimiters(QStringLiteral("[. ]"));
    const QStringList words = text.split(delimiters, Qt::SkipEmptyParts);
    if (words.size() < 3)
        return std::nullopt;
    const auto part = [&](int index, int lowest, int highest) -> std::optional<int> {
        const std::optional<qint64> value = ParseStrictDecimal(words[index].toUtf8());
        if (!value || *value < lowest || *value > highest)
            return std::nullopt;
        return int(*value);
    };
    const std::optional<int> day = part(0, 1, 31), month = part(1, 1, 12), year = part(2, 1, 9999);
    if (!day || !month || !year || !QDate::isValid(*year, *month, *day))
        return std::nullopt;
    return DayNumberOf(QDate(*year, *month, *day));
}
