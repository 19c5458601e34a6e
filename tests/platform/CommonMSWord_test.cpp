// Word's measures over our documents.
#include "CommonMSWord.h"

#include "DocxDocument.h"
#include "WordFixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(CommonMSWord, CentimetresAreWordsPoints)
{
    // Word counts 28.35 points to the centimetre: one inch (2.54 cm) is 72
    // points, give or take Word's rounding of a hundredth of a point.
    struct Case {
        const char *name;
        float cm;
        float points;
    };
    const Case cases[] = {
        {"one inch", 2.54f, 72.0f}, {"one centimetre", 1.0f, 72.0f / 2.54f}, {"A4 width", 21.0f, 595.28f},
        {"A4 height", 29.7f, 841.89f}, {"nothing", 0.0f, 0.0f},
    };
    for (const Case &c : cases)
        EXPECT_NEAR(CmToPoints(c.cm), c.points, 0.01f * (1 + c.cm)) << c.name;
}

TEST(CommonMSWord, RowHeightIsTheExactSettingOrTheTallestText)
{
    const QByteArray cellWidth = "<w:tcPr><w:tcW w:w=\"2000\" w:type=\"dxa\"/></w:tcPr>";
    DocxDocument doc(DocxWithBody("<w:tbl><w:tr><w:tc>" + cellWidth + "<w:p/></w:tc><w:tc>" + cellWidth
                                  + "<w:p/></w:tc></w:tr><w:tr><w:tc>" + cellWidth + "<w:p/></w:tc></w:tr></w:tbl>"));
    const float oneLine = TableRowHeight(doc, 1, 1);
    EXPECT_GT(oneLine, 5);
    doc.setCellText(1, 1, 2, QStringLiteral("one\ntwo\nthree"), 10);
    EXPECT_GT(TableRowHeight(doc, 1, 1), 2.5 * oneLine);
    doc.setCellText(1, 1, 2, QStringLiteral("one"), 20);
    EXPECT_GT(TableRowHeight(doc, 1, 1), 1.5 * oneLine);
    doc.setRowHeight(1, 2, 33);
    EXPECT_FLOAT_EQ(TableRowHeight(doc, 1, 2), 33);
}

} // namespace
