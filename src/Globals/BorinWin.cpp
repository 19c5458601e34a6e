#include "BorinWin.h"

#include <QChar>
#include <algorithm>
#include <exception>
#include <utility>

// Each routine is written once as a template over the text type; TextKind says
// what differs between 8-bit (UTF-8 bytes) and wide (UTF-16 units) text.

namespace {

template <class Text>
struct TextKind;

template <>
struct TextKind<QByteArray> {
    using Unit = char;

    // Only ASCII members count, so no byte of a multi-byte character matches.
    static bool isMember(const QByteArray &set, char c)
    {
        return static_cast<unsigned char>(c) < 0x80 && set.contains(c);
    }
    static Unit fromAscii(char c) { return c; }

    // Lower case one UTF-8 character at a time; a character whose lower case
    // needs another number of bytes, and any byte that is not part of a valid
    // sequence, stays as it is.
    static QByteArray fold(const QByteArray &s)
    {
        QByteArray out = s;
        const qsizetype n = s.size();
        qsizetype i = 0;
        while (i < n) {
            const auto lead = static_cast<unsigned char>(s[i]);
            if (lead < 0x80) {
                if (lead >= 'A' && lead <= 'Z')
                    out[i] = static_cast<char>(lead + ('a' - 'A'));
                ++i;
                continue;
            }
            const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            if (length == 1 || i + length > n) {
                ++i;
                continue;
            }
            const QString character = QString::fromUtf8(s.constData() + i, length);
            const QByteArray back = character.toUtf8();
            if (back != s.mid(i, length)) {
                ++i; // not a valid sequence
                continue;
            }
            const char32_t code = character.size() == 1
                ? char32_t(character[0].unicode())
                : QChar::surrogateToUcs4(character[0], character[1]);
            const char32_t lower = QChar::toLower(code);
            if (lower != code) {
                const QByteArray encoded = QString::fromUcs4(&lower, 1).toUtf8();
                if (encoded.size() == length)
                    out.replace(i, length, encoded);
            }
            i += length;
        }
        return out;
    }

    static QByteArray fromWide(const QString &s) { return s.toUtf8(); }

    static bool environment(const QByteArray &name, QByteArray &value)
    {
        if (!qEnvironmentVariableIsSet(name.constData()))
            return false;
        value = qgetenv(name.constData());
        return true;
    }
};

template <>
struct TextKind<QString> {
    using Unit = QChar;

    static bool isMember(const QString &set, QChar c) { return set.contains(c); }
    static Unit fromAscii(char c) { return QLatin1Char(c); }

    // Lower case one UTF-16 unit at a time; surrogates stay as they are.
    static QString fold(const QString &s)
    {
        QString out = s;
        for (QChar &c : out) {
            if (c.isSurrogate())
                continue;
            const char32_t lower = QChar::toLower(char32_t(c.unicode()));
            if (lower <= 0xFFFF && !QChar::isSurrogate(lower))
                c = QChar(static_cast<char16_t>(lower));
        }
        return out;
    }

    static QString fromWide(const QString &s) { return s; }

    static bool environment(const QString &name, QString &value)
    {
        const QByteArray key = name.toLocal8Bit();
        if (!qEnvironmentVariableIsSet(key.constData()))
            return false;
        value = qEnvironmentVariable(key.constData());
        return true;
    }
};

template <class Text>
int length(const Text &s)
{
    return static_cast<int>(s.size());
}

// Runs a guarded routine: any failure gives the empty result.
template <class Result, class Body>
Result guarded(Body body)
{
    try {
        return body();
    } catch (...) {
        return Result{};
    }
}

template <class Text>
int strPos(const Text &subStr, const Text &s)
{
    if (subStr.isEmpty() || s.isEmpty() || subStr.size() > s.size())
        return 0;
    return static_cast<int>(s.indexOf(subStr)) + 1;
}

template <class Text>
int strPosN(const Text &subStr, const Text &s, int n, bool caseSensitive, int skip)
{
    skip = std::max(skip, 0);
    if (n < 0 || subStr.isEmpty() || s.size() < subStr.size() || skip >= length(s))
        return 0;
    const Text haystack = caseSensitive ? s : TextKind<Text>::fold(s);
    const Text needle = caseSensitive ? subStr : TextKind<Text>::fold(subStr);
    int count = 0;
    qsizetype found = -1;
    qsizetype from = skip;
    for (;;) {
        const qsizetype next = haystack.indexOf(needle, from);
        if (next < 0)
            break;
        found = next;
        if (++count == n)
            break;
        from = next + needle.size();
    }
    if (found < 0 || count < n)
        return 0;
    return static_cast<int>(found) + 1;
}

template <class Text>
Text strBeforeN(const Text &subStr, const Text &s, int n, bool caseSensitive, int skip)
{
    const int pos = strPosN(subStr, s, n, caseSensitive, skip);
    return pos > 1 ? s.left(pos - 1) : Text();
}

template <class Text>
Text strAfterN(const Text &subStr, const Text &s, int n, bool caseSensitive, int skip)
{
    const int pos = strPosN(subStr, s, n, caseSensitive, skip);
    return pos > 0 ? s.mid(pos - 1 + subStr.size()) : Text();
}

// --- words ---

const QString &defaultDelimitersWide()
{
    static const QString set = [] {
        QString s;
        for (char16_t c = 0x00; c <= 0x1F; ++c)
            s += QChar(c);
        for (char16_t c : {0x20, 0x7E, 0x7F, 0xA0, 0xA6, 0xAC, 0xAD, 0xB0, 0xB1, 0xB6, 0x20})
            s += QChar(c);
        s += QStringLiteral(",.;:!?/\\<>()^\"#&+-*%$[]={}|\"");
        // The set once held three Cyrillic letters (я, Љ, Ќ) by accident of its
        // code-page origin; letters never split words, so they are left out.
        for (char16_t c : {0x2116, 0x5F, 0x27})
            s += QChar(c);
        return s;
    }();
    return set;
}

const QByteArray &defaultDelimiters8()
{
    static const QByteArray set = [] {
        QByteArray s;
        for (QChar c : defaultDelimitersWide()) {
            if (c.unicode() < 0x80)
                s += static_cast<char>(c.unicode());
        }
        return s;
    }();
    return set;
}

const QString &defaultDelimiters(const QString &) { return defaultDelimitersWide(); }
const QByteArray &defaultDelimiters(const QByteArray &) { return defaultDelimiters8(); }

template <class Text>
const Text &delimitersOrDefault(const Text &delims)
{
    return delims.isEmpty() ? defaultDelimiters(delims) : delims;
}

// Calls visit(start, end) for each word of S (0-based, end exclusive) until it
// returns false.
template <class Text, class Visit>
void forEachWord(const Text &s, const Text &delims, Visit visit)
{
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && TextKind<Text>::isMember(delims, s[i]))
            ++i;
        if (i == n)
            break;
        const qsizetype start = i;
        while (i < n && !TextKind<Text>::isMember(delims, s[i]))
            ++i;
        if (!visit(start, i))
            break;
    }
}

// The N-th word (0: the last) as (start, end), or start -1 when there is none.
template <class Text>
std::pair<qsizetype, qsizetype> findWord(const Text &s, const Text &delimsGiven, int n)
{
    std::pair<qsizetype, qsizetype> word{-1, -1};
    if (s.isEmpty() || n < 0)
        return word;
    const Text &delims = delimitersOrDefault(delimsGiven);
    int count = 0;
    forEachWord(s, delims, [&](qsizetype start, qsizetype end) {
        word = {start, end};
        return ++count != n;
    });
    if (n > 0 && count < n)
        return {-1, -1};
    return word;
}

template <class Text>
Text extractWord(const Text &s, const Text &delims, int n)
{
    const auto [start, end] = findWord(s, delims, n);
    return start < 0 ? Text() : s.mid(start, end - start);
}

template <class Text>
int wordStart(const Text &s, const Text &delims, int n)
{
    return static_cast<int>(findWord(s, delims, n).first) + 1;
}

template <class Text>
int wordCount(const Text &s, const Text &delims)
{
    if (s.isEmpty())
        return 0;
    if (delims.isEmpty())
        return 1;
    int count = 0;
    forEachWord(s, delims, [&](qsizetype, qsizetype) { return ++count, true; });
    return count;
}

template <class Text>
Text collapseDelimiters(const Text &s, const Text &delims)
{
    // The joining delimiter is the first member that counts.
    const auto first = std::find_if(delims.cbegin(), delims.cend(),
                                    [&](auto c) { return TextKind<Text>::isMember(delims, c); });
    if (first == delims.cend())
        return s;
    const auto joint = *first;
    Text out;
    out.reserve(s.size());
    forEachWord(s, delims, [&](qsizetype start, qsizetype end) {
        if (!out.isEmpty())
            out += joint;
        out += s.mid(start, end - start);
        return true;
    });
    return out;
}

template <class Text>
int subStrCount(const Text &s, const Text &subStr)
{
    if (s.isEmpty() || subStr.isEmpty())
        return 0;
    int count = 0;
    for (qsizetype i = s.indexOf(subStr); i >= 0; i = s.indexOf(subStr, i + subStr.size()))
        ++count;
    return count;
}

template <class Text>
Text filterChars(const Text &charSet, const Text &s, bool keepMembers)
{
    Text out;
    out.reserve(s.size());
    for (auto c : s) {
        if (TextKind<Text>::isMember(charSet, c) == keepMembers)
            out += c;
    }
    return out;
}

template <class Text>
Text keepChars(const Text &charSet, const Text &s)
{
    if (charSet.isEmpty() || s.isEmpty())
        return Text();
    return filterChars(charSet, s, true);
}

template <class Text>
Text removeChars(const Text &charSet, const Text &s)
{
    return charSet.isEmpty() ? s : filterChars(charSet, s, false);
}

template <class Text>
Text extractCharRun(const Text &s, const Text &charSet)
{
    const qsizetype n = s.size();
    qsizetype start = 0;
    while (start < n && !TextKind<Text>::isMember(charSet, s[start]))
        ++start;
    qsizetype end = start;
    while (end < n && TextKind<Text>::isMember(charSet, s[end]))
        ++end;
    return s.mid(start, end - start);
}

template <class Text>
Text strDelete(const Text &s, int index, int count)
{
    const int n = length(s);
    if (count <= 0 || index < 0 || index > n)
        return s;
    if (index == 0) {
        if (count > n)
            return s;
        index = n - count + 1;
    }
    Text out = s;
    out.remove(index - 1, std::min(count, n - index + 1));
    return out;
}

// --- replacement ---

template <class Text>
Text strTran(const Text &s, const Text &find, const Text &repl, int maxCount, int start)
{
    if (start <= 0 || s.isEmpty() || find.isEmpty() || find == repl)
        return s;
    Text out;
    int occurrence = 0;
    int replaced = 0;
    qsizetype from = 0;
    for (qsizetype at = s.indexOf(find); at >= 0; at = s.indexOf(find, from)) {
        out += s.mid(from, at - from);
        if (++occurrence >= start) {
            out += repl;
            ++replaced;
        } else {
            out += find;
        }
        from = at + find.size();
        if (maxCount > 0 && replaced >= maxCount)
            break;
    }
    out += s.mid(from);
    return out;
}

template <class Text>
Text replaceAllExactSize(const Text &s, const Text &find, const Text &repl)
{
    if (s.isEmpty() || find.isEmpty() || find == repl)
        return s;
    const qsizetype count = subStrCount(s, find);
    Text out(s.size() + (repl.size() - find.size()) * count, Qt::Uninitialized);
    auto *write = out.data();
    qsizetype from = 0;
    for (qsizetype at = s.indexOf(find); at >= 0; at = s.indexOf(find, from)) {
        write = std::copy(s.cbegin() + from, s.cbegin() + at, write);
        write = std::copy(repl.cbegin(), repl.cend(), write);
        from = at + find.size();
    }
    std::copy(s.cbegin() + from, s.cend(), write);
    return out;
}

template <class Result, class Body>
Result raisingBorinWinExc(const char *routine, Body body)
{
    try {
        return body();
    } catch (const std::exception &e) {
        throw BorinWinExc(QString::fromLatin1(routine) + QLatin1Char(':') + ExceptionText(e));
    } catch (...) {
        throw BorinWinExc(QString::fromLatin1(routine) + QLatin1Char(':'));
    }
}

// --- masks, padding, trimming ---

// Wildcard match with backtracking to the last "*": linear in practice and
// right for every mask, including several stars and empty texts.
bool matchMask(const QString &maskGiven, const QString &sGiven, bool caseSensitive)
{
    if (maskGiven.isEmpty())
        return true;
    const QString mask = caseSensitive ? maskGiven : TextKind<QString>::fold(maskGiven);
    const QString s = caseSensitive ? sGiven : TextKind<QString>::fold(sGiven);
    const QChar star = QLatin1Char('*');
    const QChar any = QLatin1Char('?');
    qsizetype m = 0;
    qsizetype i = 0;
    qsizetype starAt = -1;  // mask position of the last "*" met
    qsizetype starFrom = 0; // text position that "*" is currently taken to end at
    while (i < s.size()) {
        if (m < mask.size() && mask[m] == star) {
            starAt = m++;
            starFrom = i;
        } else if (m < mask.size() && (mask[m] == any || mask[m] == s[i])) {
            ++m;
            ++i;
        } else if (starAt >= 0) {
            m = starAt + 1;
            i = ++starFrom;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == star)
        ++m;
    return m == mask.size();
}

template <class Text>
Text padLeft(const Text &s, typename TextKind<Text>::Unit fillChar, int width)
{
    if (width <= 0)
        return Text();
    if (length(s) >= width)
        return s.right(width);
    return Text(width - length(s), fillChar) + s;
}

template <class Text>
Text trimRightChars(const Text &s, const Text &charSet)
{
    qsizetype end = s.size();
    while (end > 0 && TextKind<Text>::isMember(charSet, s[end - 1]))
        --end;
    return s.left(end);
}

template <class Text>
Text expandEnvVars(const Text &s)
{
    const auto percent = TextKind<Text>::fromAscii('%');
    Text out;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype open = s.indexOf(percent, i);
        const qsizetype close = open < 0 ? -1 : s.indexOf(percent, open + 1);
        if (close < 0) {
            out += s.mid(i);
            break;
        }
        out += s.mid(i, open - i);
        const Text name = s.mid(open + 1, close - open - 1);
        Text value;
        if (!name.isEmpty() && TextKind<Text>::environment(name, value)) {
            out += value;
            i = close + 1;
        } else {
            // Not set: keep "%NAME" and look again from the closing "%".
            out += s.mid(open, close - open);
            i = close;
        }
    }
    return out;
}

template <class Text>
Text lineBreaksToXmlEntity(const Text &s)
{
    using Kind = TextKind<Text>;
    Text out;
    out.reserve(s.size());
    for (auto c : s) {
        if (c == Kind::fromAscii('\n'))
            out += Kind::fromWide(QStringLiteral("&#xA;"));
        else if (c != Kind::fromAscii('\r'))
            out += c;
    }
    return out;
}

} // namespace

// --- Search and cut ---

int StrPos(const QByteArray &subStr, const QByteArray &s) { return strPos(subStr, s); }
int StrPosW(const QString &subStr, const QString &s) { return strPos(subStr, s); }

int StrPosN(const QByteArray &subStr, const QByteArray &s, int n, bool caseSensitive, int skip)
{
    return guarded<int>([&] { return strPosN(subStr, s, n, caseSensitive, skip); });
}
int StrPosNW(const QString &subStr, const QString &s, int n, bool caseSensitive, int skip)
{
    return guarded<int>([&] { return strPosN(subStr, s, n, caseSensitive, skip); });
}

QByteArray StrBeforeN(const QByteArray &subStr, const QByteArray &s, int n, bool caseSensitive, int skip)
{
    return guarded<QByteArray>([&] { return strBeforeN(subStr, s, n, caseSensitive, skip); });
}
QString StrBeforeNW(const QString &subStr, const QString &s, int n, bool caseSensitive, int skip)
{
    return guarded<QString>([&] { return strBeforeN(subStr, s, n, caseSensitive, skip); });
}

QByteArray StrAfterN(const QByteArray &subStr, const QByteArray &s, int n, bool caseSensitive, int skip)
{
    return guarded<QByteArray>([&] { return strAfterN(subStr, s, n, caseSensitive, skip); });
}
QString StrAfterNW(const QString &subStr, const QString &s, int n, bool caseSensitive, int skip)
{
    return guarded<QString>([&] { return strAfterN(subStr, s, n, caseSensitive, skip); });
}

// --- Words and characters ---

const QByteArray &DefaultDelimiters() { return defaultDelimiters8(); }
const QString &DefaultDelimitersW() { return defaultDelimitersWide(); }

QByteArray CollapseDelimiters(const QByteArray &s, const QByteArray &delims) { return collapseDelimiters(s, delims); }
QString CollapseDelimitersW(const QString &s, const QString &delims) { return collapseDelimiters(s, delims); }

QByteArray ExtractWord(const QByteArray &s, const QByteArray &delims, int n)
{
    return guarded<QByteArray>([&] { return extractWord(s, delims, n); });
}
QString ExtractWordW(const QString &s, const QString &delims, int n)
{
    return guarded<QString>([&] { return extractWord(s, delims, n); });
}

int WordStart(const QByteArray &s, const QByteArray &delims, int n)
{
    return guarded<int>([&] { return wordStart(s, delims, n); });
}
int WordStartW(const QString &s, const QString &delims, int n)
{
    return guarded<int>([&] { return wordStart(s, delims, n); });
}

int WordCount(const QByteArray &s, const QByteArray &delims) { return wordCount(s, delims); }
int WordCountW(const QString &s, const QString &delims) { return wordCount(s, delims); }

int SubStrCount(const QByteArray &s, const QByteArray &subStr) { return subStrCount(s, subStr); }
int SubStrCountW(const QString &s, const QString &subStr) { return subStrCount(s, subStr); }

QByteArray KeepChars(const QByteArray &charSet, const QByteArray &s) { return keepChars(charSet, s); }
QString KeepCharsW(const QString &charSet, const QString &s) { return keepChars(charSet, s); }

QByteArray RemoveChars(const QByteArray &charSet, const QByteArray &s) { return removeChars(charSet, s); }
QString RemoveCharsW(const QString &charSet, const QString &s) { return removeChars(charSet, s); }

QByteArray ExtractCharRun(const QByteArray &s, const QByteArray &charSet) { return extractCharRun(s, charSet); }
QString ExtractCharRunW(const QString &s, const QString &charSet) { return extractCharRun(s, charSet); }

QByteArray StrDelete(const QByteArray &s, int index, int count) { return strDelete(s, index, count); }
QString StrDeleteW(const QString &s, int index, int count) { return strDelete(s, index, count); }

// --- Replacement, filling, trimming and conversion ---

QByteArray StrTran(const QByteArray &s, const QByteArray &find, const QByteArray &repl, int maxCount, int start)
{
    return raisingBorinWinExc<QByteArray>("StrTran", [&] { return strTran(s, find, repl, maxCount, start); });
}
QString StrTran(const QString &s, const QString &find, const QString &repl, int maxCount, int start)
{
    return raisingBorinWinExc<QString>("StrTran", [&] { return strTran(s, find, repl, maxCount, start); });
}

QByteArray StrTranSpeedAnsi(const QByteArray &s, const QByteArray &find, const QByteArray &repl)
{
    return raisingBorinWinExc<QByteArray>("StrTranSpeedAnsi", [&] { return replaceAllExactSize(s, find, repl); });
}

bool MatchMask(const QByteArray &mask, const QByteArray &s, bool caseSensitive)
{
    // "?" stands for one character, so the match runs on the decoded text.
    return matchMask(QString::fromUtf8(mask), QString::fromUtf8(s), caseSensitive);
}
bool MatchMaskW(const QString &mask, const QString &s, bool caseSensitive) { return matchMask(mask, s, caseSensitive); }

QByteArray PadLeft(const QByteArray &s, char fillChar, int width)
{
    return guarded<QByteArray>([&] { return padLeft(s, fillChar, width); });
}
QString PadLeftW(const QString &s, QChar fillChar, int width)
{
    return guarded<QString>([&] { return padLeft(s, fillChar, width); });
}

QByteArray TrimRightChar(const QByteArray &s, char ch) { return trimRightChars(s, QByteArray(1, ch)); }
QString TrimRightCharW(const QString &s, QChar ch) { return trimRightChars(s, QString(ch)); }
QByteArray TrimRightChars(const QByteArray &s, const QByteArray &charSet) { return trimRightChars(s, charSet); }
QString TrimRightCharsW(const QString &s, const QString &charSet) { return trimRightChars(s, charSet); }

QByteArray ExpandEnvVars(const QByteArray &s) { return expandEnvVars(s); }
QString ExpandEnvVars(const QString &s) { return expandEnvVars(s); }

QByteArray LineBreaksToXmlEntity(const QByteArray &s) { return lineBreaksToXmlEntity(s); }
QString LineBreaksToXmlEntity(const QString &s) { return lineBreaksToXmlEntity(s); }
