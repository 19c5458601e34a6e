#pragma once
// The synchronisation statistics: how many certificates the database holds of
// each status the central database keeps count of.
#include "CommonTessal.h"

class SqliteDatabase;

// Counts the certificates of status 10, 8, 9 and 7 (in that order, one query each).
StatusCounters CountStatuses(SqliteDatabase &db);
