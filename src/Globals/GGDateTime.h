#pragma once
// Dates as the system stores them: whole day numbers, day 0 = 30.12.1899.
// Texts are made by our own formatters, never by the locale.
#include "DayNumbers.h" // DayNumberOf, DateOfDayNumber

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

// Day number of a calendar date (30.12.1899 is 0). Dates before day 0 raise AppError.
uint32_t DateToDayNumber(const QDate &date);
// Day number of a date-time: the whole part, the time of day is dropped.
uint32_t DateToDayNumber(const QDateTime &dateTime);
// Last digit of the date's year as one character ("6" for any day of 2026).
QByteArray YearLastDigit(const QDate &date);

// "DD.MM.YYYY" and "hh:mm:ss.zzz", the process-wide formats.
QString FormatDate(const QDate &date);
QString FormatDayNumber(int64_t dayNumber);
QString FormatTime(const QTime &time);
QString FormatDateTime(const QDateTime &dateTime); // "DD.MM.YYYY hh:mm:ss.zzz"
// Reads "DD.MM.YYYY" strictly; an invalid text gives an invalid QDate.
QDate ParseDate(const QString &text);

// "Now" for the whole program. Tests fix it with SetClock; nullptr restores the system clock.
QDateTime Now();
QDate Today();
void SetClock(std::function<QDateTime()> clock);
