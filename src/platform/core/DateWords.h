#pragma once
// Dates written as day, month and year words ("01.02.2010", "1 2 2010",
// "1. 2. 2010"): the words are split on "." and blanks (runs of them count
// once), and words after the third are not read.
#include <QString>
#include <cstdint>
#include <optional>

// The day number (day 0 = 30 December 1899) of such a date, or nothing when
// the text does not give one: fewer than three words, a word that is not a
// strict decimal integer, a day, month or year out of its range (year 1 to
// 9999), or a day the month does not have.
std::optional<int64_t> DayNumberOfDateWords(const QString &text);
