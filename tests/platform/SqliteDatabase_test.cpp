#include "SqliteDatabase.h"
#include "ggError.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

QString QueryText(SqliteDatabase &db, const QString &sql)
{
    SqliteStatement st(db, sql);
    return st.step() ? st.columnText(0) : QString("<no row>");
}

class SqliteFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("test.sqb"); }
};

} // namespace

TEST_F(SqliteFile, NamedParametersKeepNullApartFromEmptyAndStoreWideBlobsAsUtf16le)
{
    SqliteDatabase db(path());
    EXPECT_EQ(QueryText(db, "PRAGMA journal_mode"), "delete");
    db.exec("CREATE TABLE t (k INTEGER, s TEXT, b BLOB, r REAL)");
    SqliteStatement insert(db, "INSERT INTO t (k, s, b, r) VALUES (:k, :s, :b, :r)");
    ASSERT_EQ(insert.parameterCount(), 4);
    EXPECT_EQ(insert.parameterName(2), "s");

    insert.bindInteger(":k", 1); // with or without the colon
    insert.bindText("s", "");
    insert.bindBlob("b", QByteArray());
    insert.bindDouble("r", 1.25);
    insert.execute();

    insert.bindInteger("k", 2);
    insert.bindText("s", QString::fromUtf8("Ёлка"));
    insert.bindWideBlob("b", QString::fromUtf8("AБ\r\n"));
    insert.bindNull("r");
    insert.execute();

    insert.bindInteger("k", 3);
    insert.bindNull("s");
    insert.bindNull("b");
    insert.execute();

    SqliteStatement rows(db, "SELECT typeof(s), typeof(b), length(b), hex(b), hex(s), s, b, r FROM t ORDER BY k");
    ASSERT_TRUE(rows.step());
    EXPECT_EQ(rows.columnText(0), "text");
    EXPECT_EQ(rows.columnText(1), "blob"); // an empty blob is not null
    EXPECT_EQ(rows.columnInteger(2), 0);
    EXPECT_FALSE(rows.isNull(5));
    EXPECT_EQ(rows.columnDouble(7), 1.25);
    ASSERT_TRUE(rows.step());
    EXPECT_EQ(rows.columnText(3), "410011040D000A00"); // UTF-16LE, no mark, no terminator
    EXPECT_EQ(rows.columnText(4), "D081D0BBD0BAD0B0"); // texts are UTF-8
    EXPECT_EQ(rows.columnText(5), QString::fromUtf8("Ёлка"));
    EXPECT_EQ(WideTextFromBytes(rows.columnBlob(6)), QString::fromUtf8("AБ\r\n"));
    EXPECT_TRUE(rows.isNull(7));
    ASSERT_TRUE(rows.step());
    EXPECT_EQ(rows.columnText(0), "null");
    EXPECT_EQ(rows.columnText(1), "null");
    EXPECT_FALSE(rows.step());
}

TEST_F(SqliteFile, ErrorsCarrySqliteMessages)
{
    SqliteDatabase db(path());
    db.exec("CREATE TABLE t (k INTEGER NOT NULL UNIQUE)");
    SqliteStatement insert(db, "INSERT INTO t (k) VALUES (:k)");
    EXPECT_THROW(insert.bindInteger("missing", 1), AppError);
    insert.bindInteger("k", 1);
    insert.execute();
    try {
        insert.execute();
        FAIL() << "a duplicate key must fail";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains("UNIQUE constraint failed")) << e.message().toStdString();
    }
    try {
        SqliteStatement bad(db, "SELECT * FROM nope");
        FAIL();
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains("no such table: nope")) << e.message().toStdString();
    }
    EXPECT_THROW(SqliteStatement(db, "SELECT 1; DELETE FROM t"), AppError);
    EXPECT_THROW(SqliteDatabase(dir.filePath("absent.sqb"), SqliteDatabase::OpenMode::MustExist), AppError);
}

TEST_F(SqliteFile, TransactionGuardRollsBackWhenAnExceptionLeavesTheScope)
{
    {
        SqliteDatabase db(path());
        db.exec("CREATE TABLE t (k INTEGER)");
        try {
            SqliteTransaction guard(db);
            db.exec("INSERT INTO t VALUES (1)");
            db.exec("INSERT INTO t VALUES (2)");
            throw AppError("interrupted");
        } catch (const AppError &) {
        }
        EXPECT_FALSE(db.inTransaction());
        {
            SqliteTransaction guard(db, SqliteTransaction::Kind::Immediate);
            db.exec("INSERT INTO t VALUES (3)");
            guard.commit();
        }
    }
    SqliteDatabase reopened(path(), SqliteDatabase::OpenMode::MustExist);
    EXPECT_EQ(QueryText(reopened, "SELECT group_concat(k) FROM t"), "3");
}

TEST_F(SqliteFile, BusyTimeoutWaitsForTheOtherConnection)
{
    SqliteDatabase writer(path());
    writer.exec("CREATE TABLE t (k INTEGER)");
    SqliteDatabase other(path());

    auto lock = std::make_unique<SqliteTransaction>(writer, SqliteTransaction::Kind::Immediate);
    writer.exec("INSERT INTO t VALUES (1)");

    other.setBusyTimeout(50);
    try {
        SqliteTransaction blocked(other, SqliteTransaction::Kind::Immediate);
        FAIL() << "the file is locked by the writer";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains("locked")) << e.message().toStdString();
    }

    // With a long timeout the second connection waits until the writer commits.
    other.setBusyTimeout(20000);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        lock->commit();
    });
    SqliteTransaction waited(other, SqliteTransaction::Kind::Immediate);
    other.exec("INSERT INTO t VALUES (2)");
    waited.commit();
    release.join();
    EXPECT_EQ(QueryText(writer, "SELECT count(*) FROM t"), "2");
}

TEST(WideText, BytesAreRawUtf16leAndAnOddTailReadsWithAZeroHighByte)
{
    EXPECT_EQ(WideTextBytes(""), QByteArray(""));
    EXPECT_FALSE(WideTextBytes(QString()).isNull());
    EXPECT_EQ(WideTextBytes(QString::fromUtf8("A€😀")).toHex(), "4100ac203dd800de");
    EXPECT_EQ(WideTextFromBytes(QByteArray::fromHex("410042004300")), "ABC");
    EXPECT_EQ(WideTextFromBytes(QByteArray::fromHex("41004200")), "AB");
    EXPECT_EQ(WideTextFromBytes(QByteArray::fromHex("410042")), "AB");
    EXPECT_EQ(WideTextFromBytes(QByteArray::fromHex("4100ac203dd800de")), QString::fromUtf8("A€😀"));
}
