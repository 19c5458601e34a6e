#pragma once
// The blank-number range the administrator may give the workstation.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

class TDM;

// A range edit's number: 1 to 6 decimal digits and nothing else (no sign).
std::optional<uint32_t> ParseRangeEdit(const QString &text);
// The reference number of a certificate of this year already issued (status
// 7), cancelled (9) or duplicated (10) whose blank lies in [Min, Max]; empty
// when there is none.
QByteArray UsedNumberInRange(TDM &dm, uint32_t min, uint32_t max);
// The range as the edits show it: 6 digits, left-padded with "0".
QString RangeEditText(uint32_t value);
