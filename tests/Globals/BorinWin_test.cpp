// Every table runs on both kinds of text: 8-bit (UTF-8 bytes) and wide.
// Positions in the tables count wide characters; for the 8-bit run they are
// turned into byte positions of the same place.
#include "BorinWin.h"

#include <gtest/gtest.h>

#include <QtGlobal>

#include <ostream>

// Failures show the texts themselves.
void PrintTo(const QString &s, std::ostream *out) { *out << '"' << s.toStdString() << '"'; }
void PrintTo(const QByteArray &s, std::ostream *out) { *out << '"' << s.toStdString() << '"'; }

namespace {

// Picks the 8-bit routine for QByteArray arguments and the wide one for QString.
#define TWIN(alias, eight, wide)                        \
    [[maybe_unused]] auto alias(const auto &...args)    \
    {                                                   \
        if constexpr (requires { eight(args...); })     \
            return eight(args...);                      \
        else                                            \
            return wide(args...);                       \
    }

TWIN(PosN, StrPosN, StrPosNW)
TWIN(Pos, StrPos, StrPosW)
TWIN(BeforeN, StrBeforeN, StrBeforeNW)
TWIN(AfterN, StrAfterN, StrAfterNW)
TWIN(Collapse, CollapseDelimiters, CollapseDelimitersW)
TWIN(Word, ExtractWord, ExtractWordW)
TWIN(WordAt, WordStart, WordStartW)
TWIN(Words, WordCount, WordCountW)
TWIN(Count, SubStrCount, SubStrCountW)
TWIN(Keep, KeepChars, KeepCharsW)
TWIN(Remove, RemoveChars, RemoveCharsW)
TWIN(Run, ExtractCharRun, ExtractCharRunW)
TWIN(Delete, StrDelete, StrDeleteW)
TWIN(Mask, MatchMask, MatchMaskW)
TWIN(TrimSet, TrimRightChars, TrimRightCharsW)

template <class Text>
Text T(const char *utf8);
template <>
QByteArray T<QByteArray>(const char *utf8) { return QByteArray(utf8); }
template <>
QString T<QString>(const char *utf8) { return QString::fromUtf8(utf8); }

// A position or length counted in wide characters of Text, in units of Kind.
template <class Kind>
int Units(const char *text, int characters)
{
    const QString wide = QString::fromUtf8(text);
    if constexpr (std::is_same_v<Kind, QString>)
        return characters;
    else if (characters <= 0)
        return characters;
    else if (characters > wide.size())
        return int(wide.toUtf8().size()) + characters - int(wide.size());
    else
        return int(wide.left(characters).toUtf8().size());
}
template <class Kind>
int Position(const char *text, int position)
{
    return position <= 0 ? position : Units<Kind>(text, position - 1) + 1;
}

template <class Kind>
std::string Name()
{
    return std::is_same_v<Kind, QString> ? "wide" : "8-bit";
}

// Runs a typed check for both kinds of text.
template <template <class> class Check>
void ForBoth()
{
    Check<QByteArray>::run();
    Check<QString>::run();
}

// --- search and cut ---

struct PosCase {
    const char *sub;
    const char *s;
    int n;
    bool caseSensitive;
    int skip;
    int pos;
};
const PosCase PosCases[] = {
    {"/", "a/b/c", 0, true, 0, 4},
    {"/", "a/b/c", 2, true, 0, 4},
    {"/", "a/b/c", 3, true, 0, 0},
    {"/", "a/b/c", 1, true, 2, 4},
    {"/", "a/b/c", 1, true, 5, 0},
    {"/", "a/b/c", 1, true, -3, 2},
    {"/", "a/b/c", -1, true, 0, 0},
    {"AB", "xaBy", 1, false, 0, 2},
    {"AB", "xaBy", 1, true, 0, 0},
    {"", "abc", 1, true, 0, 0},
    {"abcd", "abc", 0, true, 0, 0},
    // Skip with search texts of several characters
    {"ab", "abXabYab", 1, true, 1, 4},
    {"ab", "abXabYab", 1, true, 4, 7},
    {"ab", "abXabYab", 2, true, 1, 7},
    {"ab", "abXabYab", 0, true, 1, 7},
    {"ab", "abXabYab", 3, true, 1, 0},
    {"abc", "abcabc", 1, true, 1, 4},
    // occurrences do not overlap
    {"aa", "aaaa", 2, true, 0, 3},
    {"aa", "aaa", 0, true, 0, 1},
    {"aa", "aaa", 2, true, 0, 0},
    // Cyrillic, case-insensitive
    {"ПРИВЕТ", "Скажи привет, Привет!", 1, false, 0, 7},
    {"ПРИВЕТ", "Скажи привет, Привет!", 2, false, 0, 15},
    {"ПРИВЕТ", "Скажи привет, Привет!", 0, false, 0, 15},
    {"ПРИВЕТ", "Скажи привет, Привет!", 1, false, 7, 15},
    {"ПРИВЕТ", "Скажи привет, Привет!", 1, true, 0, 0},
    {"Привет", "Скажи привет, Привет!", 1, true, 0, 15},
    {"ЁЛКА", "на ёлке ёлка", 1, false, 0, 9},
    {"№", "счёт №12 и №13", 0, true, 0, 12},
    // a letter whose lower case has another UTF-8 length keeps the positions right
    {"X", "İx", 1, false, 0, 2},
};

template <class Kind>
struct PosNCheck {
    static void run()
    {
        for (const auto &c : PosCases) {
            const Kind sub = T<Kind>(c.sub), s = T<Kind>(c.s);
            const int skip = Units<Kind>(c.s, c.skip);
            const int expected = Position<Kind>(c.s, c.pos);
            SCOPED_TRACE(Name<Kind>() + " '" + c.sub + "' in '" + c.s + "' N=" + std::to_string(c.n) +
                         " skip=" + std::to_string(c.skip));
            EXPECT_EQ(PosN(sub, s, c.n, c.caseSensitive, skip), expected);
            // Before and after cut around the same occurrence.
            const Kind before = BeforeN(sub, s, c.n, c.caseSensitive, skip);
            const Kind after = AfterN(sub, s, c.n, c.caseSensitive, skip);
            EXPECT_EQ(before, expected > 1 ? s.left(expected - 1) : Kind());
            EXPECT_EQ(after, expected > 0 ? s.mid(expected - 1 + sub.size()) : Kind());
        }
    }
};
TEST(StringSearch, NthOccurrenceAndCuts) { ForBoth<PosNCheck>(); }

template <class Kind>
struct CutCheck {
    static void run()
    {
        SCOPED_TRACE(Name<Kind>());
        EXPECT_EQ(Pos(T<Kind>("ab"), T<Kind>("aab")), 2);
        EXPECT_EQ(Pos(T<Kind>("aab"), T<Kind>("aaab")), 2);
        EXPECT_EQ(Pos(T<Kind>(""), T<Kind>("abc")), 0);
        EXPECT_EQ(Pos(T<Kind>("a"), T<Kind>("")), 0);
        EXPECT_EQ(Pos(T<Kind>("abcd"), T<Kind>("abc")), 0);
        EXPECT_EQ(Pos(T<Kind>("ок"), T<Kind>("блок")), Position<Kind>("блок", 3));
        EXPECT_EQ(Pos(T<Kind>("A"), T<Kind>("a")), 0);

        EXPECT_EQ(BeforeN(T<Kind>("\\"), T<Kind>("C:\\data\\i.cod"), 0, true, 0), T<Kind>("C:\\data"));
        EXPECT_EQ(BeforeN(T<Kind>("%"), T<Kind>("%x"), 1, true, 0), Kind());
        EXPECT_EQ(BeforeN(T<Kind>("b"), T<Kind>("abab"), 1, true, 2), T<Kind>("aba")); // skipped part kept
        EXPECT_EQ(AfterN(T<Kind>("%"), T<Kind>("name%url*1.4"), 1, true, 0), T<Kind>("url*1.4"));
        EXPECT_EQ(AfterN(T<Kind>("*"), T<Kind>("name%url*1.4"), 0, true, 0), T<Kind>("1.4"));
        EXPECT_EQ(AfterN(T<Kind>("#"), T<Kind>("abc"), 1, true, 0), Kind());
        EXPECT_EQ(AfterN(T<Kind>("c"), T<Kind>("abc"), 1, true, 0), Kind());
        EXPECT_EQ(AfterN(T<Kind>("%"), T<Kind>("a%b"), -1, true, 0), Kind());
    }
};
TEST(StringSearch, PositionsAndEdgeCuts) { ForBoth<CutCheck>(); }

// --- words ---

struct WordCase {
    const char *s;
    const char *delims;
    int n;
    const char *word;
    int start; // in wide characters
};
const WordCase WordCases[] = {
    {"1.4.1.6", ".", 2, "4", 3},
    {"1.4.1.6", ".", 0, "6", 7},
    {"1.4.1.6", ".", 5, "", 0},
    {"1.4.1.6", ".", -1, "", 0},
    {"  a  b ", " ", 2, "b", 6},
    {"  a  b ", " ", 0, "b", 6},
    {"a,,b", ",", 2, "b", 4},
    {",,,", ",", 1, "", 0},
    {",,,", ",", 0, "", 0},
    {"", ",", 1, "", 0},
    {"31.12.2029", ". ", 3, "2029", 7},
    {"tppn; plcn,tppk", "; ,", 3, "tppk", 12},
    {"Иван Петров, Москва", "", 0, "Москва", 14},
    {"Иван Петров, Москва", "", 2, "Петров", 6},
    {"ООО «Ромашка»", " ", 2, "«Ромашка»", 5},
    {"upd%https://h/p*1.4", "%*", 2, "https://h/p", 5},
};

template <class Kind>
struct WordCheck {
    static void run()
    {
        for (const auto &c : WordCases) {
            SCOPED_TRACE(Name<Kind>() + " '" + c.s + "' by '" + c.delims + "' N=" + std::to_string(c.n));
            EXPECT_EQ(Word(T<Kind>(c.s), T<Kind>(c.delims), c.n), T<Kind>(c.word));
            EXPECT_EQ(WordAt(T<Kind>(c.s), T<Kind>(c.delims), c.n), Position<Kind>(c.s, c.start));
        }
    }
};
TEST(StringWords, ExtractWordAndWordStart) { ForBoth<WordCheck>(); }

template <class Kind>
struct WordCountCheck {
    static void run()
    {
        SCOPED_TRACE(Name<Kind>());
        EXPECT_EQ(Words(T<Kind>(""), T<Kind>(",")), 0);
        EXPECT_EQ(Words(T<Kind>("a b"), T<Kind>("")), 1);
        EXPECT_EQ(Words(T<Kind>(""), T<Kind>("")), 0);
        EXPECT_EQ(Words(T<Kind>(",a,,b,"), T<Kind>(",")), 2);
        EXPECT_EQ(Words(T<Kind>(",,,"), T<Kind>(",")), 0);
        EXPECT_EQ(Words(T<Kind>(";"), T<Kind>(",;")), 0);
        EXPECT_EQ(Words(T<Kind>("слово"), T<Kind>(",")), 1);
        EXPECT_EQ(Words(T<Kind>("id; Expert,lang"), T<Kind>("; ,")), 3);

        EXPECT_EQ(Collapse(T<Kind>(",a;;b,"), T<Kind>(",;")), T<Kind>("a,b"));
        EXPECT_EQ(Collapse(T<Kind>(";a"), T<Kind>(",;")), T<Kind>("a"));
        EXPECT_EQ(Collapse(T<Kind>(",,;"), T<Kind>(",;")), Kind());
        EXPECT_EQ(Collapse(T<Kind>(";"), T<Kind>(",;")), Kind());
        EXPECT_EQ(Collapse(T<Kind>("a b"), T<Kind>("")), T<Kind>("a b"));
        EXPECT_EQ(Collapse(T<Kind>("да;;нет"), T<Kind>(";")), T<Kind>("да;нет"));
    }
};
TEST(StringWords, WordCountAndCollapse) { ForBoth<WordCountCheck>(); }

TEST(StringWords, DefaultDelimiterSets)
{
    EXPECT_EQ(DefaultDelimitersW().size(), 74);
    EXPECT_TRUE(DefaultDelimitersW().contains(QChar(0x2116)));
    // Letters are never delimiters, in either set.
    for (char16_t letter : {0x44F, 0x409, 0x40C})
        EXPECT_FALSE(DefaultDelimitersW().contains(QChar(letter)));
    // The 8-bit set holds only ASCII, so UTF-8 Cyrillic text is never cut
    // inside a character or at the letter "я".
    for (char c : DefaultDelimiters())
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    EXPECT_EQ(ExtractWord(QByteArray("заявка №5"), QByteArray(), 1), QByteArray("заявка"));
    EXPECT_EQ(ExtractWordW(QStringLiteral("заявка №5"), QString(), 1), QStringLiteral("заявка"));
    EXPECT_EQ(ExtractWordW(QStringLiteral("заявка №5"), QString(), 0), QStringLiteral("5"));
}

// --- characters ---

template <class Kind>
struct CharCheck {
    static void run()
    {
        SCOPED_TRACE(Name<Kind>());
        const Kind digits = T<Kind>("0123456789");
        EXPECT_EQ(Keep(T<Kind>(".0123456789"), T<Kind>("12.05.2024 y")), T<Kind>("12.05.2024"));
        EXPECT_EQ(Keep(T<Kind>(".0123456789"), T<Kind>("дата 1.2")), T<Kind>("1.2"));
        EXPECT_EQ(Keep(Kind(), T<Kind>("abc")), Kind());
        EXPECT_EQ(Keep(digits, Kind()), Kind());
        EXPECT_EQ(Run(T<Kind>("No 123-45"), digits), T<Kind>("123"));
        EXPECT_EQ(Run(T<Kind>("№ 7"), digits), T<Kind>("7"));
        EXPECT_EQ(Run(T<Kind>("abc"), digits), Kind());
        EXPECT_EQ(Run(Kind(), digits), Kind());
        EXPECT_EQ(Remove(T<Kind>("\x01\x0b"), T<Kind>("a\x01 б\x0b\r\n")), T<Kind>("a б\r\n"));
        EXPECT_EQ(Remove(Kind(), T<Kind>("abc")), T<Kind>("abc"));
        EXPECT_EQ(Count(T<Kind>("да-да-да"), T<Kind>("да")), 3);
        EXPECT_EQ(Count(T<Kind>("aaaa"), T<Kind>("aa")), 2);
        EXPECT_EQ(Count(T<Kind>("abc"), Kind()), 0);
        EXPECT_EQ(Count(Kind(), T<Kind>("a")), 0);
        EXPECT_EQ(TrimSet(T<Kind>("text\r\n\r\n"), T<Kind>("\r\n")), T<Kind>("text"));
        EXPECT_EQ(TrimSet(T<Kind>("text\r\n"), Kind()), T<Kind>("text\r\n"));
        EXPECT_EQ(TrimSet(T<Kind>("\n\n"), T<Kind>("\n")), Kind());
    }
};
TEST(StringChars, FiltersRunsCountsAndTrims) { ForBoth<CharCheck>(); }

TEST(StringChars, EightBitSetsNeverSplitCharacters)
{
    // The bytes of "Б" in a set are not members, so no half character is kept
    // or removed.
    const QByteArray be("Б");
    EXPECT_EQ(KeepChars(be, QByteArray("Б1")), QByteArray());
    EXPECT_EQ(RemoveChars(be, QByteArray("Б1")), QByteArray("Б1"));
    EXPECT_EQ(TrimRightChar(QByteArray("1.400"), '0'), QByteArray("1.4"));
    EXPECT_EQ(TrimRightChar(QByteArray("000"), '0'), QByteArray());
    EXPECT_EQ(TrimRightCharW(QStringLiteral("Ааа"), QChar(0x430)), QStringLiteral("А"));
}

struct DeleteCase {
    const char *s;
    int index;
    int count;
    const char *result;
};
const DeleteCase DeleteCases[] = {
    {"abcdef", 0, 2, "abcd"}, {"abcdef", 2, 2, "adef"}, {"abc", 0, 5, "abc"}, {"abc", 0, 3, ""},
    {"abc", 4, 1, "abc"},     {"abc", 2, 10, "a"},      {"abc", 1, 0, "abc"}, {"abc", -1, 1, "abc"},
    {"abc", 3, 1, "ab"},      {"", 0, 1, ""},
};
template <class Kind>
struct DeleteCheck {
    static void run()
    {
        for (const auto &c : DeleteCases)
            EXPECT_EQ(Delete(T<Kind>(c.s), c.index, c.count), T<Kind>(c.result))
                << Name<Kind>() << " '" << c.s << "' " << c.index << "," << c.count;
    }
};
TEST(StringChars, StrDelete) { ForBoth<DeleteCheck>(); }

// --- replacement ---

struct TranCase {
    const char *s;
    const char *find;
    const char *repl;
    int maxCount;
    int start;
    const char *result;
};
const TranCase TranCases[] = {
    {"a//b//c", "//", "/", -1, 1, "a/b/c"},
    {"x-x-x", "-", "+", -1, 2, "x-x+x"},
    {"x-x-x", "-", "+", 1, 1, "x+x-x"},
    {"x-x-x", "-", "+", 0, 1, "x+x+x"},
    {"ab", "ab", "c", -1, 1, "c"},
    {"aa", "a", "aa", -1, 1, "aaaa"},
    {"a--b-", "-", "", -1, 1, "ab"},
    {"aaaa", "aa", "b", -1, 1, "bb"},
    {"x-x-x", "-", "+", -1, 0, "x-x-x"},
    {"x-x-x", "-", "+", -1, 5, "x-x-x"},
    {"", "a", "b", -1, 1, ""},
    {"abc", "", "x", -1, 1, "abc"},
    {"aXbXc", "X", "X", -1, 1, "aXbXc"},
    {"да-да-да", "да", "нет", -1, 2, "да-нет-нет"},
    {"стр\r\nока\r\n", "\r\n", "\n", -1, 1, "стр\nока\n"},
};
template <class Kind>
struct TranCheck {
    static void run()
    {
        for (const auto &c : TranCases) {
            SCOPED_TRACE(Name<Kind>() + " '" + c.s + "' '" + c.find + "'->'" + c.repl + "'");
            EXPECT_EQ(StrTran(T<Kind>(c.s), T<Kind>(c.find), T<Kind>(c.repl), c.maxCount, c.start),
                      T<Kind>(c.result));
        }
    }
};
TEST(StringReplace, StrTran) { ForBoth<TranCheck>(); }

TEST(StringReplace, SinglePassFindsTheSameOccurrences)
{
    for (const auto &c : TranCases) {
        if (c.maxCount > 0 || c.start != 1)
            continue;
        EXPECT_EQ(StrTranSpeedAnsi(c.s, c.find, c.repl), StrTran(QByteArray(c.s), c.find, c.repl))
            << c.s << " " << c.find;
    }
    QByteArray big;
    for (int i = 0; i < 10000; ++i)
        big += "<a v=\"x\ny\"/>";
    const QByteArray replaced = StrTranSpeedAnsi(big, "\n", "&#xA;");
    EXPECT_EQ(replaced.size(), big.size() + 4 * 10000);
    EXPECT_EQ(SubStrCount(replaced, "&#xA;"), 10000);
    EXPECT_EQ(replaced, StrTran(big, QByteArray("\n"), QByteArray("&#xA;")));
}

// --- masks ---

struct MaskCase {
    const char *mask;
    const char *s;
    bool caseSensitive;
    bool matches;
};
const MaskCase MaskCases[] = {
    {"*ab", "aab", true, true},
    {"ab*", "ab", true, true},
    {"a?c", "ABC", false, true},
    {"a?c", "ABC", true, false},
    {"", "x", true, true},
    {"", "", true, true},
    {"ab**", "ab", true, true},
    {"*a", "aXa", true, true},
    {"*", "", true, true},
    {"**", "", true, true},
    {"?", "", true, false},
    {"*?", "", true, false},
    {"a*b*c", "aXbYc", true, true},
    {"a*b*c", "aXbY", true, false},
    {"*x*", "abc", true, false},
    {"*.cod", "i.cod", true, true},
    {"*.cod", "i.code", true, false},
    {"*ab*ab", "abXabYab", true, true},
    {"Пр?вет*", "привет мир", false, true},
    {"Пр?вет*", "привет мир", true, false},
    {"?", "я", true, true},
    {"??", "я", true, false},
    {"*ЁЛ?А", "на ёлке ёлка", false, true},
};
template <class Kind>
struct MaskCheck {
    static void run()
    {
        for (const auto &c : MaskCases)
            EXPECT_EQ(Mask(T<Kind>(c.mask), T<Kind>(c.s), c.caseSensitive), c.matches)
                << Name<Kind>() << " mask '" << c.mask << "' text '" << c.s << "'";
    }
};
TEST(StringMask, Wildcards) { ForBoth<MaskCheck>(); }

// --- padding, line breaks, environment ---

TEST(StringConvert, PadLeft)
{
    struct Case { const char *s; int width; const char *result; };
    const Case cases[] = {
        {"7", 6, "000007"}, {"24", 1, "4"}, {"", 3, "000"}, {"12345", 3, "345"},
        {"5", 0, ""},       {"5", -1, ""},  {"123", 3, "123"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(PadLeft(QByteArray(c.s), '0', c.width), QByteArray(c.result)) << c.s << " " << c.width;
        EXPECT_EQ(PadLeftW(QString::fromUtf8(c.s), QLatin1Char('0'), c.width), QString::fromUtf8(c.result));
    }
    EXPECT_EQ(PadLeftW(QStringLiteral("ы"), QChar(0x445), 3), QStringLiteral("ххы"));
}

TEST(StringConvert, LineBreaksToXmlEntity)
{
    EXPECT_EQ(LineBreaksToXmlEntity(QStringLiteral("a\r\nb")), QStringLiteral("a&#xA;b"));
    EXPECT_EQ(LineBreaksToXmlEntity(QStringLiteral("эх\n\r")), QStringLiteral("эх&#xA;"));
    EXPECT_EQ(LineBreaksToXmlEntity(QByteArray("a\r\nb\nc")), QByteArray("a&#xA;b&#xA;c"));
    EXPECT_EQ(LineBreaksToXmlEntity(QStringLiteral("<a&b>")), QStringLiteral("<a&b>"));
}

TEST(StringConvert, ExpandEnvVars)
{
    qputenv("TESSAL_TEST_WORLD", "мир");
    qputenv("TESSAL_TEST_EMPTY", "");
    qunsetenv("TESSAL_TEST_UNSET");
    struct Case { const char *s; const char *result; };
    const Case cases[] = {
        {"привет, %TESSAL_TEST_WORLD%!", "привет, мир!"},
        {"%TESSAL_TEST_WORLD%%TESSAL_TEST_WORLD%", "мирмир"},
        {"[%TESSAL_TEST_EMPTY%]", "[]"},
        {"%TESSAL_TEST_UNSET%", "%TESSAL_TEST_UNSET%"},
        {"%TESSAL_TEST_UNSET%TESSAL_TEST_WORLD%", "%TESSAL_TEST_UNSETмир"},
        {"100%", "100%"},
        {"%%", "%%"},
        {"", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ExpandEnvVars(QString::fromUtf8(c.s)), QString::fromUtf8(c.result)) << c.s;
        EXPECT_EQ(ExpandEnvVars(QByteArray(c.s)), QByteArray(c.result)) << c.s;
    }
    qunsetenv("TESSAL_TEST_WORLD");
    qunsetenv("TESSAL_TEST_EMPTY");
}

} // namespace
