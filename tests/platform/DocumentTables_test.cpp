// Opening a Word document by its content: .docx, .rtf (under any name), and
// .doc through LibreOffice when it is installed; files too large or of
// another kind are refused.
#include "DocumentTables.h"
#include "AppError.h"
#include "DocConversion.h"
#include "LibreOfficeRun.h"
#include "ScopedEnvironment.h"
#include "TestSupport.h"
#include "WordFixtures.h"

#include <QElapsedTimer>
#include <QFile>
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

// A stand-in soffice, the only program on the search path.
class FakeOfficeTest : public DocumentTablesTest {
protected:
    void installOffice(const QByteArray &body)
    {
        const QString soffice = folder.filePath("bin/soffice");
        WriteWholeFile(soffice, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(soffice, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString doc() { return write("project.doc", ReadWholeFile(FixturePath("office/tables.doc"))); }
    const ScopedEnvironment onlyFakes{{{"PATH", folder.filePath("bin").toLocal8Bit()}}};
};

TEST_F(FakeOfficeTest, ADocIsConvertedToDocxAndItsTablesRead)
{
    // Puts a prepared .docx into --outdir under the input's name.
    const QByteArray prepared = folder.filePath("prepared.docx").toUtf8();
    WriteWholeFile(prepared, DocxWithTables(Tables));
    installOffice("while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=\"$2\"; shift; done\n"
                  "name=${1##*/}\n"
                  "exec /bin/cp '" + prepared + "' \"$out/${name%.*}.docx\"");
    EXPECT_EQ(rowsOf(ReadDocumentTables(doc())), Tables);
}

// A conversion that fails or hangs is ended, and the operator reads what to
// do instead.
TEST_F(FakeOfficeTest, AFailedConversionSaysWhatToDo)
{
    const QString instead =
        QStringLiteral("Если не получается, откройте проект в Word, сохраните его в формате .docx и загрузите этот файл.");
    const struct {
        const char *name;
        QByteArray body;
        int limitMs;
        QString message;
    } cases[] = {
        {"hangs", "exec /bin/sleep 600", 2000,
         QStringLiteral("LibreOffice не преобразовал документ .doc за 2 с. Закройте другие окна LibreOffice и "
                        "загрузите проект ещё раз. ")
             + instead},
        {"fails", "echo 'Error: source file could not be loaded'; exit 1", 120000,
         QStringLiteral("LibreOffice не смог преобразовать документ .doc (Error: source file could not be loaded). ")
             + instead},
        {"writes nothing", "exit 0", 120000, QStringLiteral("LibreOffice не смог преобразовать документ .doc. ") + instead},
    };
    for (const auto &c : cases) {
        installOffice(c.body);
        QElapsedTimer clock;
        clock.start();
        try {
            ConvertDocToDocx(doc(), c.limitMs);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const OfficeConverterMissing &) {
            ADD_FAILURE() << c.name << ": the stand-in was not found";
        } catch (const AppError &e) {
            EXPECT_EQ(e.message(), c.message) << c.name;
        }
        if (c.limitMs < 10000) // not the 10 minutes of the stand-in's sleep
            EXPECT_LT(clock.elapsed(), 300000) << c.name << ": the conversion was not ended at its limit";
    }
}

TEST_F(DocumentTablesTest, DocIsReadThroughLibreOffice)
{
    if (OfficeConverterPath().isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: the .doc conversion is not tested";
    // Made by LibreOffice from tables.rtf; the command is in fixtures/office/README.md.
    const QString doc = write("project.doc", ReadWholeFile(FixturePath("office/tables.doc")));
    ASSERT_TRUE(ReadWholeFile(doc).startsWith("\xD0\xCF\x11\xE0"));
    // The program's conversion, with the test's limit for a busy machine in
    // place of its own (2 minutes), so that the result does not depend on load.
    QByteArray docx;
    try {
        docx = ConvertDocToDocx(doc, LibreOfficeLimitSeconds * 1000);
    } catch (const AppError &e) {
        FAIL() << "ConvertDocToDocx of project.doc: " << e.message().toStdString();
    }
    EXPECT_EQ(rowsOf(ReadDocumentTables(write("converted.docx", docx))), Tables);
}

} // namespace
