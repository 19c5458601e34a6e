// Where a finished document goes, apart from the writers that make it: its
// name and folder, the checked join, the whole-file write and the opener, and
// the one frame every export runs in.
#include "DocumentDelivery.h"

#include "AppError.h"
#include "EventJournal.h"
#include "GGDateTime.h"
#include "Prompter.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DocumentDeliveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(out.isValid());
        SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(10, 20, 30)); });
        delivery.folder = out.path();
        delivery.open = [this](const QString &file) { opened << file; };
    }
    void TearDown() override { SetClock(nullptr); }

    QStringList filesOut() const { return QDir(out.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }

    QTemporaryDir out;
    DocumentDelivery delivery;
    QStringList opened;
    ScopedScriptedPrompter prompts;
    ScopedMemoryJournal journal;
};

TEST_F(DocumentDeliveryTest, WritesTheWholeDocumentUnderAFreeStampedNameAndOpensIt)
{
    const QString first = DeliverDocument(delivery, QStringLiteral("Статистика"), QStringLiteral(".xlsx"), "first");
    const QString second = DeliverDocument(delivery, QStringLiteral("Статистика"), QStringLiteral(".xlsx"), "second");
    EXPECT_EQ(first, out.filePath(QStringLiteral("Статистика 2026-03-15 10-20-30.xlsx")));
    EXPECT_EQ(second, out.filePath(QStringLiteral("Статистика 2026-03-15 10-20-30 (2).xlsx")));
    EXPECT_EQ(ReadWholeFile(first), "first");
    EXPECT_EQ(ReadWholeFile(second), "second");
    EXPECT_EQ(opened, (QStringList{first, second}));
    EXPECT_EQ(filesOut().size(), 2); // no temporary left beside them
}

TEST_F(DocumentDeliveryTest, ANameThatCannotBeAFileHereWritesAndOpensNothing)
{
    // The folders such a name would lead into exist.
    ASSERT_TRUE(QDir(out.path()).mkpath(QStringLiteral("Сертификат 7")));
    const struct {
        const char *name;
        QString what;
    } rows[] = {
        {"a separator", QStringLiteral("Сертификат 7/1")},
        {"a way up", QStringLiteral("../../Сертификат")},
        {"a control character", QStringLiteral("Сертификат\n7")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_THROW(DeliverDocument(delivery, row.what, QStringLiteral(".docx"), "x"), AppError);
    }
    EXPECT_EQ(filesOut(), QStringList{QStringLiteral("Сертификат 7")});
    EXPECT_TRUE(QDir(out.filePath(QStringLiteral("Сертификат 7"))).isEmpty());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(DocumentDeliveryTest, AFolderThatIsNotThereIsAnErrorNotAHalfWrittenFile)
{
    delivery.folder = out.filePath(QStringLiteral("gone"));
    EXPECT_THROW(DeliverDocument(delivery, QStringLiteral("Сертификаты"), QStringLiteral(".docx"), "x"), AppError);
    EXPECT_TRUE(filesOut().isEmpty());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(DocumentDeliveryTest, AnExportThatFailsWhileMakingIsJournalledToldAndWritesNothing)
{
    const QString written = ExportDocument(delivery, "Here.Export", QStringLiteral("Не удалось вывести"),
                                           QStringLiteral("Сертификаты"), QStringLiteral(".docx"),
                                           []() -> QByteArray { throw AppError(QStringLiteral("нет шаблона")); });
    EXPECT_TRUE(written.isEmpty());
    EXPECT_TRUE(filesOut().isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    ASSERT_EQ(prompts->shown().size(), 1);
    EXPECT_EQ(prompts->shown().first().text, QStringLiteral("Не удалось вывести:\nнет шаблона"));
    EXPECT_EQ(prompts->shown().first().icon, Prompt::Error);
    ASSERT_EQ(journal.sink().records().size(), 1);
    EXPECT_TRUE(journal.sink().records().first().strings.join(u' ').contains(QStringLiteral("Here.Export")));

    const QString made = ExportDocument(delivery, "Here.Export", QStringLiteral("Не удалось вывести"),
                                        QStringLiteral("Сертификаты"), QStringLiteral(".docx"),
                                        [] { return QByteArray("docx"); });
    EXPECT_EQ(opened, QStringList{made});
    EXPECT_EQ(ReadWholeFile(made), "docx");
}

} // namespace
