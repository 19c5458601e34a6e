// Opening a Word document by its content: .docx, .rtf (under any name), and
// .doc through LibreOffice when it is installed; files too large or of
// another kind are refused.
#include "DocumentTables.h"
#include "AppError.h"
#include "DocConversion.h"
#include "ScopedEnvironment.h"
#include "TestSupport.h"
#include "WordFixtures.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QList<FixtureTable> Tables = {{{QStringLiteral("Экспортёр"), "b"}, {"c", "d"}}, {{"e"}}};

class DocumentTablesTest : public ::testing::Test {
protected:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = folder.filePath(name);
        WriteWholeFile(path, bytes);
        return path;
    }
    static QList<FixtureTable> rowsOf(const OfficeTables &tables)
    {
        QList<FixtureTable> rows;
        for (const OfficeTable &table : tables)
            rows.append(table.rows);
        return rows;
    }
    QTemporaryDir folder;
};

TEST_F(DocumentTablesTest, TheKindIsToldByTheContentNotTheName)
{
    EXPECT_EQ(rowsOf(ReadDocumentTables(write("project.docx", DocxWithTables(Tables)))), Tables);
    EXPECT_EQ(rowsOf(ReadDocumentTables(write("project.doc", RtfWithTables(Tables, RtfText::CodePage)))), Tables);
}

TEST_F(DocumentTablesTest, LargeMissingAndForeignFilesAreRefused)
{
    QByteArray large = RtfWithTables(Tables, RtfText::Unicode);
    large.chop(1);
    large += QByteArray(50 << 20, ' ') + '}';
    const struct {
        const char *name;
        QString path;
    } cases[] = {
        {"a 50 MB document", write("large.rtf", large)},
        {"no such file", folder.filePath("missing.docx")},
        {"a folder", folder.path()},
        {"plain text", write("note.doc", "Проект")},
        {"an empty file", write("empty.rtf", {})},
    };
    for (const auto &c : cases)
        EXPECT_THROW(ReadDocumentTables(c.path), AppError) << c.name;
}

TEST_F(DocumentTablesTest, DocNeedsLibreOffice)
{
    const ScopedEnvironment noOffice({{"PATH", folder.path().toLocal8Bit()}});
    const QString doc = write("project.doc", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(512, '\0'));
    EXPECT_THROW(ReadDocumentTables(doc), OfficeConverterMissing);
}

TEST_F(DocumentTablesTest, DocIsReadThroughLibreOffice)
{
    if (OfficeConverterPath().isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: the .doc conversion is not tested";
    // A .doc made by LibreOffice itself from one of our .rtf fixtures.
    const QString rtf = write("source.rtf", RtfWithTables(Tables, RtfText::Unicode));
    QTemporaryDir profile;
    QProcess soffice;
    soffice.start(OfficeConverterPath(),
                  {QStringLiteral("-env:UserInstallation=file://") + profile.path(), "--headless", "--norestore",
                   "--convert-to", "doc:MS Word 97", "--outdir", folder.filePath("doc"), rtf});
    ASSERT_TRUE(soffice.waitForFinished(120000));
    const QString doc = folder.filePath("doc/source.doc");
    ASSERT_TRUE(ReadWholeFile(doc).startsWith("\xD0\xCF\x11\xE0")) << soffice.readAllStandardError().constData();

    EXPECT_EQ(rowsOf(ReadDocumentTables(doc)), Tables);
}

} // namespace
