#include "SyncStartDay.h"

#include "DateWords.h"
#include "ggError.h"

#include <optional>

int64_t SyncStartDay(const QString &lastDate, int64_t minDay, int64_t maxDay)
{
    int64_t day = minDay;
    if (!lastDate.isEmpty()) {
        const std::optional<int64_t> serverDay = DayNumberOfDateWords(lastDate);
        if (!serverDay)
            throw AppError(QStringLiteral("\"/version\" похоже использует неверный формат даты "));
        day = *serverDay;
    }
    if (day < minDay)
        day = minDay;
    if (day > maxDay)
        day = maxDay;
    return day;
}
