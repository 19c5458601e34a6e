// Tables of .docx documents read without Word: cells, paragraphs and breaks,
// merged cells, what is left out, and hostile archives refused cleanly.
#include "DocxTables.h"
#include "AppError.h"
#include "WordFixtures.h"
#include "ZipArchive.h"

#include <gtest/gtest.h>

namespace {

QByteArray Cell(const QByteArray &content, const QByteArray &properties = {})
{
    return "<w:tc><w:tcPr>" + properties + "</w:tcPr>" + content + "</w:tc>";
}

QByteArray Para(const QByteArray &runs) { return "<w:p>" + runs + "</w:p>"; }
QByteArray WRun(const QByteArray &content) { return "<w:r>" + content + "</w:r>"; }
QByteArray WText(const QByteArray &text) { return "<w:t xml:space=\"preserve\">" + text + "</w:t>"; }

QByteArray DocumentXml(const QByteArray &root)
{
    ZipWriter zip;
    zip.add(QStringLiteral("word/document.xml"), root);
    return zip.finish();
}

TEST(DocxTables, CellsKeepTheirParagraphsBreaksAndRunsInRowOrder)
{
    const QByteArray body =
        Para(WRun(WText("before"))) + DocxTableXml({{"a1", "b1"}, {"a2", "b2"}}) + Para({})
        + "<w:tbl><w:tr>"
        + Cell(Para(WRun(WText("Ин")) + WRun("<w:rPr><w:b/></w:rPr>" + WText("вест"))) + Para(WRun(WText("Москва,")) + WRun(WText(" ")) + WRun(WText("Россия")))
               + Para(WRun(WText("ул.") + "<w:tab/>" + WText("1") + "<w:br/>" + WText("кв. 2"))))
        + Cell(Para("<w:hyperlink><w:r><w:t>link</w:t></w:r></w:hyperlink>"
                    "<w:ins><w:r><w:t>+new</w:t></w:r></w:ins>"
                    "<w:del><w:r><w:delText>old</w:delText></w:r></w:del>"
                    "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
                    "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>7</w:t></w:r>"
                    "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"))
        + Cell({}) + "</w:tr></w:tbl>";
    const OfficeTables tables = ReadDocxTables(DocxWithBody(body));
    ASSERT_EQ(tables.size(), 2);
    EXPECT_EQ(tables[0].rows, (QList<QStringList>{{"a1", "b1"}, {"a2", "b2"}}));
    ASSERT_EQ(tables[1].rowCount(), 1);
    EXPECT_EQ(tables[1].cell(1, 1), QStringLiteral("Инвест\r\nМосква, Россия\r\nул.\t1\r\nкв. 2"));
    EXPECT_EQ(tables[1].cell(1, 2), "link+new7");
    EXPECT_EQ(tables[1].cell(1, 3), "");
    EXPECT_THROW(tables[1].cell(1, 4), AppError);
    EXPECT_THROW(tables[1].cell(2, 1), AppError);
    EXPECT_THROW(TableNumber(tables, 3), AppError);
}

// A continuation is written either as a bare vMerge or with val="continue";
// both continued cells carry text that must not come through.
TEST(DocxTables, MergedCellsCountOnceAndContinuedCellsAreEmpty)
{
    const QByteArray body = "<w:tbl>"
                            "<w:tr>"
        + Cell(Para(WRun(WText("wide"))), "<w:gridSpan w:val=\"2\"/>") + Cell(Para(WRun(WText("tall"))), "<w:vMerge w:val=\"restart\"/>")
        + "</w:tr><w:tr>" + Cell(Para(WRun(WText("a")))) + Cell(Para(WRun(WText("b"))))
        + Cell(Para(WRun(WText("stale too"))), "<w:vMerge/>") + "</w:tr><w:tr>" + Cell(Para(WRun(WText("x"))), "<w:gridSpan w:val=\"2\"/>")
        + Cell(Para(WRun(WText("stale"))), "<w:vMerge w:val=\"continue\"/>") + "</w:tr></w:tbl>";
    const OfficeTables tables = ReadDocxTables(DocxWithBody(body));
    ASSERT_EQ(tables.size(), 1);
    EXPECT_EQ(tables[0].rows, (QList<QStringList>{{"wide", "tall"}, {"a", "b", ""}, {"x", ""}}));
}

TEST(DocxTables, NestedTablesAddTheirTextAndWrappedTablesCount)
{
    const QByteArray body =
        "<w:sdt><w:sdtPr/><w:sdtContent>" + DocxTableXml({{"first"}}) + "</w:sdtContent></w:sdt>" + Para({})
        + "<w:tbl><w:tr>" + Cell(Para(WRun(WText("outer"))) + DocxTableXml({{"in1", "in2"}}) + Para({}))
        + "</w:tr><w:customXml><w:tr>" + Cell(Para(WRun(WText("wrapped row")))) + "</w:tr></w:customXml></w:tbl>";
    const OfficeTables tables = ReadDocxTables(DocxWithBody(body));
    ASSERT_EQ(tables.size(), 2);
    EXPECT_EQ(tables[0].cell(1, 1), "first");
    EXPECT_EQ(tables[1].cell(1, 1), "outer\r\nin1\r\nin2\r\n");
    EXPECT_EQ(tables[1].cell(2, 1), "wrapped row");
}

TEST(DocxTables, TheMainNamespaceIsFoundUnderAnyPrefix)
{
    const QByteArray xml = "<x:document xmlns:w=\"urn:other\" "
                           "xmlns:x=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><x:body>"
                           "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>not ours</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
                           "<x:tbl><x:tr><x:tc><x:p><x:r><x:t>ours</x:t></x:r></x:p></x:tc></x:tr></x:tbl>"
                           "</x:body></x:document>";
    const OfficeTables tables = ReadDocxTables(DocumentXml(xml));
    ASSERT_EQ(tables.size(), 1);
    EXPECT_EQ(tables[0].cell(1, 1), "ours");
}

struct HostileCase {
    const char *name;
    std::function<QByteArray()> archive;
};

QByteArray NestedTables(int depth)
{
    QByteArray xml = Para(WRun(WText("core")));
    for (int i = 0; i < depth; ++i)
        xml = "<w:tbl><w:tr><w:tc>" + xml + "</w:tc></w:tr></w:tbl>";
    return DocxWithBody(xml);
}

TEST(DocxTables, HostileDocumentsAreRefusedCleanly)
{
    const HostileCase cases[] = {
        {"not a zip archive", [] { return QByteArray("PK\x03\x04 this is not really a zip"); }},
        {"no word/document.xml",
         [] {
             ZipWriter zip;
             zip.add(QStringLiteral("word/other.xml"), "<w:document/>");
             return zip.finish();
         }},
        {"zip bomb: document.xml unpacks past the cap",
         [] { return DocumentXml(QByteArray(MaxDocxPartBytes + 1, ' ')); }},
        {"broken XML", [] { return DocumentXml("<w:document xmlns:w=\"x\"><w:body>"); }},
        {"no WordprocessingML document", [] { return DocumentXml("<document><body/></document>"); }},
        {"tables nested too deep", [] { return NestedTables(MaxDocxNesting); }},
    };
    for (const HostileCase &c : cases)
        EXPECT_THROW(ReadDocxTables(c.archive()), AppError) << c.name;
    EXPECT_NO_THROW(ReadDocxTables(NestedTables(10)));

    // An entity naming a file outside the document is never loaded.
    const OfficeTables tables = ReadDocxTables(
        DocumentXml("<!DOCTYPE d [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
                    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
                    "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>&e;</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
                    "</w:body></w:document>"));
    ASSERT_EQ(tables.size(), 1);
    EXPECT_EQ(tables[0].cell(1, 1), "&e;");
}

TEST(DocxTables, MutatedDocumentsNeverCrashOrHang)
{
    const QByteArray xml = "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                           "<w:body>"
        + DocxTableXml({{"a", "b\r\nc"}, {"d", "e"}})
        + "<w:tbl><w:tr>" + Cell(Para(WRun(WText("x") + "<w:br/>")), "<w:vMerge/><w:gridSpan w:val=\"2\"/>")
        + "</w:tr></w:tbl></w:body></w:document>";
    const QByteArray archive = DocumentXml(xml);
    std::mt19937 random(25);
    const QByteArray specials = "<>/=\"&:";
    // Mostly the XML inside a sound archive; now and then the archive itself.
    const auto candidate = [&](int round) {
        return round % 4 ? DocumentXml(MutatedBytes(xml, random, specials)) : MutatedBytes(archive, random, specials);
    };
    EXPECT_GT(ReadableCandidates(3000, candidate, [](const QByteArray &docx) { ReadDocxTables(docx); }), 0);
}

} // namespace
