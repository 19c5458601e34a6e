#pragma once
// The first day whose certificates the synchronisation posts.
#include <QString>
#include <cstdint>

// From the last day the server holds (LastDate: certificate/lastdate of the
// version answer, "DD.MM.YYYY" or its words; empty when the server knows
// none): that day, but never before MinDay (the oldest issued, spoilt,
// cancelled or duplicated certificate) and never after MaxDay (the newest
// LastDate of the table); MaxDay wins when the two cross. An empty LastDate
// starts at MinDay. A text that gives no date raises AppError with
// "\"/version\" похоже использует неверный формат даты ".
int64_t SyncStartDay(const QString &lastDate, int64_t minDay, int64_t maxDay);
