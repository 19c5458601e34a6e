#pragma once
// What a program does with a stored value its column's type cannot hold (an
// empty date, a fraction in a whole-number column): the value reads as null
// and is journalled, so one odd cell does not keep the rest from being read.
#include "SqliteDatabase.h"

#include <QByteArray>

// Journals each such value once per handler (a list is read again and again)
// as the failure of the function at Location.
UnreadableValueHandler UnreadableValueJournal(const QByteArray &location);
