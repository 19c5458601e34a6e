#pragma once
// The text toolkit shared by both programs: finding substrings and their N-th
// occurrence, cutting text around an occurrence, words, character filters,
// replacement, wildcard masks, padding, trimming and environment references.
//
// Every routine comes in two kinds that behave alike:
//  - 8-bit text: QByteArray holding UTF-8; one character is one byte, so
//    positions and lengths count bytes. In character and delimiter sets only
//    the ASCII members count: a byte of a multi-byte UTF-8 character is never
//    a member, so Cyrillic letters are never split, dropped or kept apart.
//  - wide text (names ending in W): QString; one character is one UTF-16 unit.
//
// Positions are 1-based and 0 means "not found". N selects an occurrence or a
// word: 1 is the first, 0 the last. Skip is a number of characters at the
// start of S that a search ignores; positions are still counted from the
// start of S. Case-insensitive searches fold both texts to lower case one
// character at a time without changing their length, so a position found in
// the folded copy is valid in the original.
//
// "Guarded" routines return the empty result on any failure inside them.
#include "ggError.h"

#include <QByteArray>
#include <QString>

// Raised by the replacement routines; the message names the routine.
class BorinWinExc : public AppError {
public:
    using AppError::AppError;
};

// --- Search and cut -------------------------------------------------------

// Position of the leftmost occurrence of SubStr in S, always case-sensitive;
// 0 when either text is empty, SubStr is longer than S, or it is absent.
int StrPos(const QByteArray &subStr, const QByteArray &s);
int StrPosW(const QString &subStr, const QString &s);

// Position of the N-th (0: the last) non-overlapping occurrence of SubStr in
// S without its first Skip characters. Guarded.
int StrPosN(const QByteArray &subStr, const QByteArray &s, int n, bool caseSensitive, int skip);
int StrPosNW(const QString &subStr, const QString &s, int n, bool caseSensitive, int skip);

// S up to (not including) the occurrence that StrPosN finds; empty when there
// is none or it starts at position 1. Guarded.
QByteArray StrBeforeN(const QByteArray &subStr, const QByteArray &s, int n, bool caseSensitive, int skip);
QString StrBeforeNW(const QString &subStr, const QString &s, int n, bool caseSensitive, int skip);

// The text after the occurrence that StrPosN finds; empty when there is none,
// N is negative or the occurrence ends the text. Guarded.
QByteArray StrAfterN(const QByteArray &subStr, const QByteArray &s, int n, bool caseSensitive, int skip);
QString StrAfterNW(const QString &subStr, const QString &s, int n, bool caseSensitive, int skip);

// --- Words and characters -------------------------------------------------
// A word is a maximal run of characters that are not members of Delims. An
// empty Delims means the default delimiter set (DefaultDelimiters), except
// where said otherwise.

// The built-in delimiter sets: control characters, blanks, punctuation and a
// few signs. The 8-bit set holds only the ASCII members.
const QByteArray &DefaultDelimiters();
const QString &DefaultDelimitersW();

// S with every member of Delims replaced by the first member, every run of
// them reduced to one and the delimiter at each end removed. Empty Delims:
// S unchanged. A text of delimiters only gives the empty text.
QByteArray CollapseDelimiters(const QByteArray &s, const QByteArray &delims);
QString CollapseDelimitersW(const QString &s, const QString &delims);

// The N-th word of S (0: the last); empty when S is empty, N is negative or
// S has fewer words. Guarded.
QByteArray ExtractWord(const QByteArray &s, const QByteArray &delims, int n);
QString ExtractWordW(const QString &s, const QString &delims, int n);

// Position of the first character of the N-th word (0: the last word); 0
// when S is empty, N is negative or S has fewer words. Guarded.
int WordStart(const QByteArray &s, const QByteArray &delims, int n);
int WordStartW(const QString &s, const QString &delims, int n);

// Number of words; 0 for an empty S or a text of delimiters only. An empty
// Delims gives 1 for any non-empty S (the default set is not used here).
int WordCount(const QByteArray &s, const QByteArray &delims);
int WordCountW(const QString &s, const QString &delims);

// Number of non-overlapping occurrences of SubStr in S found from the left,
// case-sensitive; 0 when either text is empty.
int SubStrCount(const QByteArray &s, const QByteArray &subStr);
int SubStrCountW(const QString &s, const QString &subStr);

// The characters of S that are members of CharSet, in their order; empty when
// either text is empty.
QByteArray KeepChars(const QByteArray &charSet, const QByteArray &s);
QString KeepCharsW(const QString &charSet, const QString &s);

// S without the members of CharSet; S unchanged for an empty CharSet.
QByteArray RemoveChars(const QByteArray &charSet, const QByteArray &s);
QString RemoveCharsW(const QString &charSet, const QString &s);

// The run of members of CharSet that starts at the leftmost member in S;
// empty when either text is empty or S holds no member.
QByteArray ExtractCharRun(const QByteArray &s, const QByteArray &charSet);
QString ExtractCharRunW(const QString &s, const QString &charSet);

// S without Count characters from Index; Index 0: without its last Count
// characters. Count 0 or less, an Index outside 1 to the length of S, or
// Index 0 with Count above the length: S unchanged. Count beyond the end
// deletes to the end.
QByteArray StrDelete(const QByteArray &s, int index, int count);
QString StrDeleteW(const QString &s, int index, int count);

// --- Replacement, filling, trimming and conversion ------------------------

// S with the occurrences of Find replaced by Repl, from the Start-th
// occurrence on, at most MaxCount times (0 or less: no limit); case-sensitive.
// A Repl just placed is never searched again. Start 0 or less, empty S, empty
// Find or Find equal to Repl: S unchanged. Failures raise BorinWinExc
// "StrTran:<reason>".
QByteArray StrTran(const QByteArray &s, const QByteArray &find, const QByteArray &repl,
                   int maxCount = -1, int start = 1);
QString StrTran(const QString &s, const QString &find, const QString &repl,
                int maxCount = -1, int start = 1);

// Every occurrence of Find replaced by Repl in one pass with one allocation of
// the exact result size; finds the same occurrences as StrTran. Failures raise
// BorinWinExc "StrTranSpeedAnsi:<reason>".
QByteArray StrTranSpeedAnsi(const QByteArray &s, const QByteArray &find, const QByteArray &repl);

// True when S matches Mask: "*" stands for any run of characters (also an
// empty one), "?" for exactly one character. An empty Mask matches any text.
bool MatchMask(const QByteArray &mask, const QByteArray &s, bool caseSensitive);
bool MatchMaskW(const QString &mask, const QString &s, bool caseSensitive);

// S right-justified to exactly Width characters: FillChar repeated on the
// left, or the last Width characters of a longer S. Width 0 or less: empty.
// Guarded.
QByteArray PadLeft(const QByteArray &s, char fillChar, int width);
QString PadLeftW(const QString &s, QChar fillChar, int width);

// S without every trailing Ch / every trailing member of CharSet (an empty
// CharSet leaves S unchanged).
QByteArray TrimRightChar(const QByteArray &s, char ch);
QString TrimRightCharW(const QString &s, QChar ch);
QByteArray TrimRightChars(const QByteArray &s, const QByteArray &charSet);
QString TrimRightCharsW(const QString &s, const QString &charSet);

// S with each %NAME% replaced by the value of the environment variable NAME;
// a name that is not set stays as written, and the scan goes on at its
// closing "%". The result is not limited in length.
QByteArray ExpandEnvVars(const QByteArray &s);
QString ExpandEnvVars(const QString &s);

// S with every CR removed and every LF written as "&#xA;" (attribute values).
QByteArray LineBreaksToXmlEntity(const QByteArray &s);
QString LineBreaksToXmlEntity(const QString &s);
