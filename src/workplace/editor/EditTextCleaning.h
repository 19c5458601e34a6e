#pragma once
// How the certificate editor cleans what the operator types or pastes into its
// boxes. The cleaning works on stored text (lines broken by CR LF); the
// widgets convert their LF line breaks at their boundary first.
#include <QString>

// The control characters that never stay in a box: 0-8, 11, 12 and 14-31
// (tab, LF and CR are kept).
const QString &EditControlCharacters();

// The text without the control characters above.
QString RemoveEditControlCharacters(const QString &text);

// A multi-line box: every line break becomes one CR LF (a lone LF, a lone CR
// and LF LF each count as one), control characters go, a tab becomes a space.
QString CleanMemoText(const QString &text);

// A one-line box: every CR and LF goes, control characters go, a tab becomes a space.
QString CleanLineText(const QString &text);

// A number box: each unfilled place ("_") becomes "0".
QString CleanNumberText(const QString &text);

// Where a cursor at `cursor` in `before` stands once the text left of it has
// been cleaned by `clean`, kept inside the cleaned text.
int CleanedCursorPosition(const QString &before, int cursor, QString (*clean)(const QString &),
                          int cleanedLength);
