// Tables of .rtf documents read by our own tokenizer: rows and cells, both
// ways of writing Cyrillic, merged cells, skipped destinations, and hostile
// documents refused cleanly.
#include "RtfTables.h"
#include "AppError.h"
#include "WordFixtures.h"

#include <gtest/gtest.h>


namespace {

const QList<FixtureTable> Tables = {
    {{QStringLiteral("ООО «Ромашка»\r\nМосква"), "b1"}, {"a2", QStringLiteral("Ёлка ёж")}},
    {{"single"}},
};

struct EncodingCase {
    const char *name;
    RtfText text;
};

TEST(RtfTables, CyrillicReadsInBothEncodings)
{
    for (const EncodingCase &c : {EncodingCase{"\\'xx in Windows-1251", RtfText::CodePage},
                                  EncodingCase{"\\uN with fallback", RtfText::Unicode}}) {
        const OfficeTables tables = ReadRtfTables(RtfWithTables(Tables, c.text));
        ASSERT_EQ(tables.size(), 2) << c.name;
        EXPECT_EQ(tables[0].rows, Tables[0]) << c.name;
        EXPECT_EQ(tables[1].rows, Tables[1]) << c.name;
    }
}

struct TextCase {
    const char *name;
    QByteArray cellContent;
    QString text;
};

TEST(RtfTables, CellTextFollowsFontsFallbacksAndDestinations)
{
    const QByteArray head = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}"
                            "{\\f1\\fnil\\fcharset204{\\*\\panose 0}Times;}}"
                            "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Title}}\\trowd\\cellx1000";
    const TextCase cases[] = {
        {"a Cyrillic font reads bytes as Windows-1251", "{\\f1 \\'cf\\'f0\\'e8}", QStringLiteral("При")},
        {"other fonts read the document's code page", "\\'e9t\\'e9", QStringLiteral("été")},
        {"\\uc2 skips two fallback characters", "\\uc2\\u1046\\'c6x y", QStringLiteral("Ж y")},
        {"negative \\u values", "\\u-3959?", QString(QChar(char16_t(61577)))},
        {"\\par and \\line break lines, \\tab is a tab", "a\\par b\\line c\\tab d", "a\r\nb\r\nc\td"},
        {"escaped braces and backslash", "\\{x\\}\\\\", "{x}\\"},
        {"symbols", "\\endash\\~\\_\\-", QStringLiteral("\u2013\u00A0-")},
        {"field results stay, instructions go", "{\\field{\\*\\fldinst PAGE}{\\fldrslt 12}}", "12"},
        {"unknown \\* destinations go", "{\\*\\unknowndest secret}kept", "kept"},
        {"pictures and footnotes go", "{\\pict\\pngblip 89504e47}{\\footnote note}x", "x"},
        {"\\bin data is skipped", "{\\bin4 }}}}}ok", "ok"},
    };
    for (const TextCase &c : cases) {
        const OfficeTables tables = ReadRtfTables(head + "\\pard\\intbl " + c.cellContent + "\\cell\\row\\pard\\par}");
        ASSERT_EQ(tables.size(), 1) << c.name;
        EXPECT_EQ(tables[0].cell(1, 1), c.text) << c.name;
    }
}

TEST(RtfTables, MergedCellsCountOnceAndContinuedCellsAreEmpty)
{
    const QByteArray rtf = "{\\rtf1\\ansi"
                           "\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\clvmgf\\cellx3000"
                           "\\pard\\intbl wide\\cell\\cell tall\\cell\\row"
                           "\\trowd\\cellx1000\\cellx2000\\clvmrg\\cellx3000"
                           "\\pard\\intbl a\\cell b\\cell stale\\cell\\row"
                           "\\pard after\\par"
                           "\\trowd\\cellx1000\\pard\\intbl next table\\cell\\row}";
    const OfficeTables tables = ReadRtfTables(rtf);
    ASSERT_EQ(tables.size(), 2);
    EXPECT_EQ(tables[0].rows, (QList<QStringList>{{"wide", "tall"}, {"a", "b", ""}}));
    EXPECT_EQ(tables[1].rows, (QList<QStringList>{{"next table"}}));
}

TEST(RtfTables, HostileDocumentsAreRefusedCleanly)
{
    const struct {
        const char *name;
        QByteArray rtf;
    } cases[] = {
        {"no RTF header", "{\\rtx1 text}"},
        {"a group closed that was never opened", "{\\rtf1 a}}"},
        {"a group left open", "{\\rtf1{\\b a}"},
        {"groups nested too deep", "{\\rtf1" + QByteArray(MaxRtfGroupDepth, '{') + QByteArray(MaxRtfGroupDepth + 1, '}')},
        {"too many cells", "{\\rtf1\\intbl" + QByteArray("\\cell").repeated(MaxOfficeTableCells + 1) + "\\row}"},
    };
    for (const auto &c : cases)
        EXPECT_THROW(ReadRtfTables(c.rtf), AppError) << c.name;
    EXPECT_NO_THROW(ReadRtfTables(QByteArray("{\\rtf1 a}\r\n\0", 12)));
}

TEST(RtfTables, MutatedDocumentsNeverCrashOrHang)
{
    QByteArray rtf = RtfWithTables(Tables, RtfText::CodePage);
    rtf.insert(rtf.indexOf("\\pard"), "{\\*\\x y}{\\field{\\*\\fldinst A}{\\fldrslt \\u1046?}}\\bin2 ab\\uc3");
    std::mt19937 random(25);
    const auto candidate = [&](int) { return MutatedBytes(rtf, random, "{}\\'0123456789-"); };
    EXPECT_GT(ReadableCandidates(4000, candidate, [](const QByteArray &bytes) { ReadRtfTables(bytes); }), 0);
}

} // namespace
