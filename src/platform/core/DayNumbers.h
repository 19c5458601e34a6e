#pragma once
// The system's date serial: whole day numbers, day 0 = 30 December 1899.
#include <QDate>
#include <cstdint>

constexpr int64_t DayZeroJulianDay = 2415019; // 30.12.1899

// Day number of a valid date; dates before day 0 give negative numbers.
inline int64_t DayNumberOf(const QDate &date) { return date.toJulianDay() - DayZeroJulianDay; }
inline QDate DateOfDayNumber(int64_t dayNumber) { return QDate::fromJulianDay(dayNumber + DayZeroJulianDay); }
