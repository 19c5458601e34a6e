// Options over a database of its own, without the data module: the way
// Restavo's workers and the restore loader reach temp.sqb and Tessal.sqb.
#include "CommonTessal.h"
#include "DatabaseOptions.h"
#include "DatabaseSchema.h"
#include "EventJournal.h"
#include "SqliteDatabase.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
struct OptionsDatabase {
    QTemporaryDir folder;
    SqliteDatabase db{folder.filePath("temp.sqb")};
    OptionsDatabase() { db.exec(Schema::CreateOptions); }

    QStringList rows()
    {
        SqliteStatement select(db, "select hex(UserName), hex(ParamName), hex(Value), typeof(Value) from Options");
        QStringList all;
        while (select.step())
            all << select.columnText(0) + "|" + select.columnText(1) + "|" + select.columnText(2) + "|"
                       + select.columnText(3);
        return all;
    }
};

QString Hex(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }
} // namespace

TEST(DatabaseOptions, SavedAsWideBlobsAndReadBack)
{
    OptionsDatabase base;
    DatabaseOptions options(base.db);
    options.save(CommonUser, "lastChange", "41");
    options.save(CommonUser, "lastChange", "42");
    options.save(QStringLiteral("Иванов"), "AccountSim", "");
    EXPECT_EQ(options.read(CommonUser, "lastChange"), "42");
    EXPECT_EQ(options.read(QStringLiteral("Иванов"), "AccountSim"), "");
    EXPECT_EQ(options.read(CommonUser, "restorator.zip"), "");
    EXPECT_EQ(base.rows(), (QStringList{Hex(WideTextBytes(CommonUser)) + "|" + Hex(WideTextBytes("lastChange")) + "|"
                                            + Hex(WideTextBytes("42")) + "|blob",
                                        Hex(WideTextBytes(QStringLiteral("Иванов"))) + "|"
                                            + Hex(WideTextBytes("AccountSim")) + "||blob"}));

    // Older versions wrote program-wide keys as 8-bit text.
    base.db.exec("insert into Options values (CAST('COMMON_USER' AS BLOB), CAST('Key' AS BLOB), CAST('k1' AS BLOB))");
    EXPECT_EQ(options.readCommon("Key"), "k1");
    EXPECT_EQ(options.read(CommonUser, "Key"), "");
    EXPECT_EQ(options.readCommon("lastChange"), "42");
}

TEST(DatabaseOptions, FailuresAreRecordedUnderTheCallersText)
{
    ScopedMemoryJournal journal;
    OptionsDatabase base;
    SaveOptionRecorded(base.db, CommonUser, "lastChange", "5", "uRollback");
    base.db.exec("CREATE TRIGGER no_insert BEFORE INSERT ON Options BEGIN SELECT RAISE(ABORT, 'refused'); END");
    SaveOptionRecorded(base.db, CommonUser, "lastChange", "7", "uRollback");
    EXPECT_FALSE(base.db.inTransaction());
    EXPECT_EQ(ReadOptionRecorded(base.db, CommonUser, "lastChange", "function TSim.ReadOption"), "5"); // rolled back

    base.db.exec("DROP TABLE Options");
    EXPECT_EQ(ReadOptionRecorded(base.db, CommonUser, "lastChange", "function TSim.ReadOption"), "");
    const QList<EventRecord> failures = journal.sink().withId(EventId::FunctionFailed);
    ASSERT_EQ(failures.size(), 2);
    EXPECT_EQ(failures[0].strings, (QStringList{"uRollback", "refused"}));
    EXPECT_EQ(failures[0].type, EventType::Warning);
    EXPECT_EQ(failures[0].category, EventCategory::FunctionFailure);
    EXPECT_EQ(failures[1].strings[0], "function TSim.ReadOption");
}
