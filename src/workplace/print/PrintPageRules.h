#pragma once
// The rules of the print page that need no window: what the copies and
// offset edits make of their text, which journal record a job writes and
// what the job and its PDF file are called.
#include "CertificateReport.h"

#include <QString>
#include <cstdint>

// The widest offset of the blank, either way, in millimetres.
constexpr int MaxBlankOffset = 40;
// The most copies one job may ask for.
constexpr int MaxCopies = 99;
// How often a job is tried before the page gives up.
constexpr int PrintAttempts = 7;

// Empty, unreadable or below 1 becomes "1"; 100 or more becomes "99";
// anything else stays as typed.
QString NormalizeCopiesText(const QString &text);
// The copies of a normalized text.
int CopiesFromText(const QString &text);
// Empty becomes "0", a lone "-" becomes "-1", other unreadable text "0";
// values beyond ±40 become ±40; anything else stays as typed.
QString NormalizeOffsetText(const QString &text);

// Event of the journal record of a job: a copy of an issued certificate
// (status 7), a copy of any other, or an original or number imprint.
uint32_t PrintJournalEventId(CertPrintMode mode, int status);
// Title + ": " + reference number, and " (копия)" for a copy.
QString PrintJobName(const QString &applicationTitle, const QString &referenceNo, CertPrintMode mode);
// The name proposed for a job's PDF file, without its suffix: the reference
// number and "копия", "оригинал" or "впечатывание номера".
QString PrintFileStem(const QString &referenceNo, CertPrintMode mode);
