// Word's measures over our documents.
#include "CommonMSWord.h"

#include "DocxDocument.h"
#include "WordFixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(CommonMSWord, CentimetresAreWordsPoints)
{
    EXPECT_FLOAT_EQ(CmToPoints(1), 28.35f);
    EXPECT_FLOAT_EQ(CmToPoints(9.5f), 269.325f);
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
