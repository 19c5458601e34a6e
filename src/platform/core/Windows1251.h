#pragma once
// Windows code page 1251 (Cyrillic) by a fixed table, never by the machine's
// locale: bytes made on Windows machines (hashed passwords, RTF text) read
// the same everywhere.
#include <QByteArray>
#include <QString>

// One byte per UTF-16 unit; a unit the code page does not hold becomes '?'.
QByteArray ToWindows1251(const QString &text);
// Every byte maps to one character (0x98, unassigned, to U+0098).
QString FromWindows1251(const QByteArray &bytes);
