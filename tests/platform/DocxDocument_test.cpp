// The document writer: what it writes is read back by our table reader and
// by python-docx.
#include "DocxDocument.h"

#include "AppError.h"
#include "DocxTables.h"
#include "PythonDocxReader.h"
#include "WordFixtures.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray TwoByThree()
{
    return DocxWithTables({{{"a1", "b1"}, {"a2", "b2"}, {"a3", "b3"}}});
}

QJsonObject Independent(const QByteArray &docx)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.docx"));
    QFile out(file);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(docx) == docx.size());
    out.close();
    return ReadWithPythonDocx(file);
}

TEST(DocxDocument, CellsSizesAndHeightsReadBack)
{
    DocxDocument doc(TwoByThree());
    doc.setCellText(1, 2, 2, QStringLiteral("Станки\r\nящик\x01\x1f"), 9);
    doc.setCellText(1, 1, 1, QStringLiteral("one\ttwo"));
    doc.setRowHeight(1, 3, 209.325);
    const QByteArray saved = doc.save();

    const OfficeTables ours = ReadDocxTables(saved);
    EXPECT_EQ(ours.at(0).cell(2, 2), QStringLiteral("Станки\r\nящик")); // control characters left out
    const QJsonObject read = Independent(saved);
    EXPECT_EQ(DocxRow(read, 1, 2)["cells"].toArray()[1].toObject()["text"].toString(), QStringLiteral("Станки\nящик"));
    EXPECT_EQ(DocxRow(read, 1, 2)["cells"].toArray()[1].toObject()["sizes"].toArray()[0].toDouble(), 9);
    EXPECT_EQ(DocxRow(read, 1, 1)["cells"].toArray()[0].toObject()["text"].toString(), QStringLiteral("one\ttwo"));
    EXPECT_NEAR(DocxRow(read, 1, 3)["height"].toDouble(), 209.35, 0.03); // whole twips
    EXPECT_EQ(DocxRow(read, 1, 3)["rule"].toInt(), 2); // exactly
    EXPECT_TRUE(DocxRow(read, 1, 1)["height"].isNull());
}

TEST(DocxDocument, RowsInsertedAndDeletedWhereWordNumbersThem)
{
    DocxDocument doc(TwoByThree());
    doc.insertRowBelow(1, 1);
    EXPECT_EQ(doc.rowCount(1), 4);
    EXPECT_EQ(doc.cellText(1, 2, 1), QString());
    doc.setCellText(1, 2, 1, QStringLiteral("new"));
    doc.deleteRow(1, 3); // the old second row
    const QJsonObject read = Independent(doc.save());
    QStringList firstColumn;
    for (const QJsonValue row : read["tables"].toArray()[0].toObject()["rows"].toArray())
        firstColumn << row.toObject()["cells"].toArray()[0].toObject()["text"].toString();
    EXPECT_EQ(firstColumn, QStringList({"a1", "new", "a3"}));
    EXPECT_THROW(doc.deleteRow(1, 4), AppError);
    EXPECT_THROW(doc.setCellText(2, 1, 1, QStringLiteral("x")), AppError);
}

TEST(DocxDocument, AppendedBodiesAfterSectionBreaksStartNewSections)
{
    DocxDocument doc(TwoByThree());
    const DocxDocument page(DocxWithTables({{{"x"}}}));
    doc.appendSectionBreak();
    doc.appendBody(page);
    doc.appendSectionBreak();
    doc.appendBody(page);
    EXPECT_EQ(doc.tableCount(), 3);
    doc.setCellText(3, 1, 1, QStringLiteral("third"));
    const QJsonObject read = Independent(doc.save());
    EXPECT_EQ(read["sections"].toInt(), 3);
    EXPECT_EQ(read["tables"].toArray().size(), 3);
    EXPECT_EQ(DocxRow(read, 3, 1)["cells"].toArray()[0].toObject()["text"].toString(), QStringLiteral("third"));
    EXPECT_EQ(DocxRow(read, 2, 1)["cells"].toArray()[0].toObject()["text"].toString(), QStringLiteral("x"));
}

} // namespace
