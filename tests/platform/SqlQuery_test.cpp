#include "ClientDataSet.h"
#include "DataSetModel.h"
#include "SqlQuery.h"
#include "SqliteDatabase.h"
#include "ggError.h"

#include <QSignalSpy>
#include <functional>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class QueryOverFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.open(dir.filePath("q.sqb"));
        db.exec("CREATE TABLE mcod ([id] INTEGER NOT NULL UNIQUE, [ReferenceNo] TEXT(10) NOT NULL, "
                "[Sender] BLOB, [pFilter] BOOLEAN, [Expert] TEXT)");
        SqliteStatement ins(db, "INSERT INTO mcod VALUES (:id, :ref, :sender, 'TRUE', :expert)");
        const QStringList experts = {"Anna", "O'Brien \"Jr\"", "Boris", "O'Brien \"Jr\"", "x') OR (1=1"};
        for (int i = 1; i <= 5; ++i) {
            ins.bindInteger("id", i);
            ins.bindText("ref", QString("REF%1").arg(i));
            ins.bindWideBlob("sender", QString::fromUtf8("Отправитель %1").arg(i));
            ins.bindText("expert", experts[i - 1]);
            ins.execute();
        }
    }

    QList<qint64> ids(SqlQuery &q)
    {
        QList<qint64> out;
        for (q.first(); !q.eof(); q.next())
            out.append(q.fieldByName("id").asInteger());
        return out;
    }

    QTemporaryDir dir;
    SqliteDatabase db;
};

} // namespace

TEST_F(QueryOverFile, FieldsTakeTheirTypesFromTheDeclaredColumns)
{
    SqlQuery q(&db);
    q.setSql("select m.*, count(*) over () as total from mcod m order by id");
    q.open();
    EXPECT_EQ(q.fieldByName("id").type(), FieldType::Integer);
    EXPECT_EQ(q.fieldByName("ReferenceNo").type(), FieldType::String);
    EXPECT_EQ(q.fieldByName("referenceno").size(), 10);
    EXPECT_EQ(q.fieldByName("Sender").type(), FieldType::Blob);
    EXPECT_EQ(q.fieldByName("pFilter").type(), FieldType::Boolean);
    EXPECT_TRUE(q.fieldByName("pFilter").asBoolean()); // the text TRUE
    EXPECT_EQ(q.fieldByName("total").type(), FieldType::Integer); // from the stored value
    EXPECT_EQ(q.fieldByName("total").asInteger(), 5);
    EXPECT_THROW(q.fieldByName("nope"), AppError);
    EXPECT_THROW(q.edit(), AppError); // queries are read-only
}

TEST_F(QueryOverFile, NavigationEofBofRecNoAndBookmarks)
{
    SqlQuery q(&db);
    q.setSql("select * from mcod where id >= :low order by id");
    EXPECT_EQ(q.params().count(), 1);
    q.paramByName("low").setInteger(2);
    q.open();
    EXPECT_EQ(q.recordCount(), 4);
    EXPECT_TRUE(q.bof());
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(q.recNo(), 1);
    q.next();
    q.next();
    EXPECT_EQ(q.fieldByName("id").asInteger(), 4);
    const DataSet::Bookmark mark = q.bookmark();
    q.last();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recNo(), 4);
    q.next(); // stays on the last row
    EXPECT_EQ(q.fieldByName("id").asInteger(), 5);
    q.prior();
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(q.moveBy(-10), -2);
    EXPECT_TRUE(q.bof());
    EXPECT_EQ(q.fieldByName("id").asInteger(), 2);
    q.gotoBookmark(mark);
    EXPECT_EQ(q.fieldByName("id").asInteger(), 4);
    EXPECT_TRUE(q.locate("ReferenceNo", "REF3"));
    EXPECT_EQ(q.recNo(), 2);
    EXPECT_FALSE(q.locate("ReferenceNo", "REF1"));
    EXPECT_EQ(q.recNo(), 2);

    q.close();
    EXPECT_EQ(q.recordCount(), 0);
    q.open();
    EXPECT_FALSE(q.bookmarkValid(mark)); // rows read again are new rows
    EXPECT_THROW(q.gotoBookmark(mark), AppError);

    q.paramByName("low").setInteger(99);
    q.close();
    q.open();
    EXPECT_TRUE(q.isEmpty());
    EXPECT_TRUE(q.eof() && q.bof());
    EXPECT_EQ(q.recNo(), 0);
    EXPECT_TRUE(q.fieldByName("id").isNull());
}

TEST_F(QueryOverFile, FilterFragmentBindsValuesAndKeepsTheOrderAndRowWindow)
{
    SqlQuery q(&db);
    q.setSql("select * from mcod order by id desc");
    SqlFragment filter;
    filter.text = "Expert = :who";
    filter.params.add("who", QString("O'Brien \"Jr\""));
    q.setFilter(filter);
    q.setFiltered(true);
    q.open();
    EXPECT_EQ(ids(q), (QList<qint64>{4, 2}));

    filter.params.byName("who").setText("x') OR (1=1");
    q.setFilter(filter);
    q.refresh();
    EXPECT_EQ(ids(q), (QList<qint64>{5})); // the value is compared, never run

    // A count that splices the same fragment takes its values along.
    SqlQuery count(&db);
    count.setSql("select count(*) as mr from mcod where (pFilter = 'TRUE') and (" + filter.text + ")");
    count.params().assignFrom(filter.params);
    count.open();
    EXPECT_EQ(count.field(0).asInteger(), 1);

    q.setFiltered(false);
    q.setRowWindow(1, 2);
    q.close();
    q.open();
    EXPECT_EQ(ids(q), (QList<qint64>{4, 3}));

    // A filter name that clashes with a query parameter is refused, not mixed up.
    q.setSql("select * from mcod where id > :who");
    q.setFiltered(true);
    EXPECT_THROW(q.open(), AppError);
}

TEST_F(QueryOverFile, AfterScrollFiresOnMovesAndOnceAfterDisabledControls)
{
    SqlQuery q(&db);
    q.setSql("select * from mcod order by id");
    int scrolls = 0;
    QObject::connect(&q, &DataSet::afterScroll, [&] { ++scrolls; });
    q.open();
    EXPECT_EQ(scrolls, 1);
    q.next();
    q.next();
    EXPECT_EQ(scrolls, 3);
    q.last();
    q.next(); // no move, no event
    EXPECT_EQ(scrolls, 4);
    q.first();
    EXPECT_EQ(scrolls, 5);

    q.disableControls();
    q.next();
    q.next();
    q.disableControls();
    q.last();
    q.enableControls();
    EXPECT_EQ(scrolls, 5);
    q.enableControls();
    EXPECT_EQ(scrolls, 6); // one event for the whole stretch

    {
        ControlsDisabler quiet(q);
        const auto mark = q.bookmark();
        q.first();
        q.gotoBookmark(mark);
    }
    EXPECT_EQ(scrolls, 6); // back where it started: nothing to report
}

TEST_F(QueryOverFile, RefreshKeepsTheCurrentRowWhenRowsChangeAround)
{
    SqlQuery q(&db);
    q.setSql("select id, ReferenceNo from mcod order by id desc");
    q.open();
    ASSERT_TRUE(q.locate("id", 3));
    db.exec("INSERT INTO mcod (id, ReferenceNo) VALUES (6, 'REF6')");
    db.exec("DELETE FROM mcod WHERE id = 5");
    q.refresh();
    EXPECT_EQ(q.recordCount(), 5);
    EXPECT_EQ(q.fieldByName("id").asInteger(), 3);
    db.exec("DELETE FROM mcod WHERE id = 3");
    q.refresh();
    EXPECT_EQ(q.recNo(), 3); // the row is gone: the same place in the list
}

TEST_F(QueryOverFile, ExecSqlReusesThePreparedStatementWithNewValues)
{
    SqlQuery ins(&db);
    ins.setSql("INSERT INTO mcod (id, ReferenceNo, Sender, pFilter, Expert) "
               "VALUES (:id, ':not_a_param', :Sender, \"TRUE\", :Expert) -- :comment");
    ASSERT_EQ(ins.params().count(), 3);
    EXPECT_EQ(ins.params().at(1).name(), "Sender");
    for (int id = 10; id < 13; ++id) {
        ins.paramByName("id").setInteger(id);
        ins.paramByName("Sender").setBlob(QByteArray());
        ins.paramByName("Expert").clear();
        ins.execSql();
        EXPECT_EQ(ins.rowsAffected(), 1);
    }
    SqlQuery check(&db);
    check.setSql("select count(*) as n, sum(Expert is null), sum(typeof(Sender) = 'blob') from mcod where id >= 10 "
                 "and ReferenceNo = ':not_a_param'");
    check.open();
    EXPECT_EQ(check.field(0).asInteger(), 3);
    EXPECT_EQ(check.field(1).asInteger(), 3);
    EXPECT_EQ(check.field(2).asInteger(), 3);
}

TEST(DisabledControls, KeepTheModelQuietUntilEnabled)
{
    ClientDataSet cds;
    cds.setFieldDefs({{"name", FieldType::WideString, 20}});
    cds.createDataSet();
    DataSetModel model(&cds);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);

    cds.disableControls();
    for (const char *name : {"a", "b", "c"}) {
        cds.append();
        cds.fieldByName("name").setValue(QString(name));
        cds.post();
    }
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(changes.count(), 0);
    cds.enableControls();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 3);
}

// The rows held stay only while a read would give the same rows: a write
// through the query's own connection, a commit by another connection, or
// another window reads again; a shorter window of an ordered query keeps the
// first rows held.
TEST_F(QueryOverFile, ReopenWhenStaleReadsAgainOnlyWhenTheRowsMayDiffer)
{
    SqlQuery q(&db);
    q.setSql("select * from mcod order by id desc");
    q.setReversedSql("select * from mcod order by id", "id desc", "id");
    q.setRowWindow(0, 4);
    q.open();
    ASSERT_EQ(ids(q), (QList<qint64>{5, 4, 3, 2}));
    QSignalSpy changed(&q, &DataSet::dataSetChanged);

    struct Step {
        const char *name;
        std::function<void()> change; // before the call
        bool expectedRead;
        QList<qint64> expected;
    };
    SqliteDatabase other(dir.filePath("q.sqb"));
    const Step steps[] = {
        {"nothing changed", [] {}, false, {5, 4, 3, 2}},
        {"a shorter window from the same row", [&] { q.setRowWindow(0, 2); }, true, {5, 4}},
        {"the same shorter window", [] {}, false, {5, 4}},
        {"a wider window", [&] { q.setRowWindow(0, 4); }, true, {5, 4, 3, 2}},
        {"a write through this connection",
         [&] { db.exec("INSERT INTO mcod VALUES (6, 'REF6', NULL, 'TRUE', 'Anna')"); }, true, {6, 5, 4, 3}},
        {"a commit by another connection", [&] { other.exec("DELETE FROM mcod WHERE id = 6"); }, true, {5, 4, 3, 2}},
        {"a change that writes no row", [&] { db.exec("UPDATE mcod SET Expert = 'x' WHERE id = 99"); }, false,
         {5, 4, 3, 2}},
        {"another offset", [&] { q.setRowWindow(1, 2); }, true, {4, 3}},
        {"the window from the end", [&] { q.setRowWindowFromEnd(0, 2); }, true, {2, 1}},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        changed.clear();
        EXPECT_EQ(q.reopenWhenStale(), step.expectedRead);
        EXPECT_EQ(ids(q), step.expected);
        EXPECT_EQ(changed.isEmpty(), !step.expectedRead);
    }
    // A write its caller vouches for (another table) keeps the rows; a commit
    // by another connection meanwhile does not.
    db.exec("CREATE TABLE other (x INTEGER)");
    ASSERT_TRUE(q.reopenWhenStale());
    for (const bool otherCommits : {false, true}) {
        SCOPED_TRACE(otherCommits ? "with another commit" : "alone");
        const SqliteChangeStamp before = db.changeStamp();
        db.exec("INSERT INTO other VALUES (1)");
        if (otherCommits)
            other.exec("INSERT INTO other VALUES (2)");
        q.keepRowsOverOwnWrites(before, db.changeStamp());
        EXPECT_EQ(q.reopenWhenStale(), otherCommits);
    }
    // A query whose order does not place every row keeps nothing of a wider read.
    SqlQuery unordered(&db);
    unordered.setSql("select * from mcod order by Expert");
    unordered.setRowWindow(0, 4);
    unordered.open();
    unordered.setRowWindow(0, 2);
    QSignalSpy reread(&unordered, &DataSet::dataSetChanged);
    EXPECT_TRUE(unordered.reopenWhenStale());
    EXPECT_EQ(unordered.recordCount(), 2);
}

// A filter's alternatives, read apart and merged in the query's order, give
// the rows of the whole condition, each once, in both directions.
TEST_F(QueryOverFile, FilterAlternativesAreMergedInTheQueryOrder)
{
    SqlQuery q(&db);
    q.setSql("select * from mcod order by id desc");
    q.setReversedSql("select * from mcod order by id", "id desc", "id");
    SqlFragment filter;
    filter.text = "(Expert = :who) or (id >= :from)";
    filter.alternatives = {"Expert = :who", "id >= :from"};
    filter.params.add("who", QVariant(QStringLiteral("O'Brien \"Jr\"")));
    filter.params.add("from", QVariant(qint64(4)));
    q.setFilter(filter);
    q.setFiltered(true);
    q.setRowWindow(0, 10);
    q.open();
    EXPECT_TRUE(q.selectSql().contains("UNION"));
    EXPECT_EQ(ids(q), (QList<qint64>{5, 4, 2})); // 4 matches both: once
    q.close();
    q.setRowWindow(1, 2);
    q.open();
    EXPECT_EQ(ids(q), (QList<qint64>{4, 2}));
    q.close();
    q.setRowWindowFromEnd(0, 2);
    q.open();
    EXPECT_EQ(ids(q), (QList<qint64>{4, 2}));

    // Without the reversed order clause the query does not know its order:
    // the whole condition is tested row by row, with the same rows.
    SqlQuery plain(&db);
    plain.setSql("select * from mcod order by id desc");
    plain.setFilter(filter);
    plain.setFiltered(true);
    plain.setRowWindow(0, 10);
    plain.open();
    EXPECT_FALSE(plain.selectSql().contains("UNION"));
    EXPECT_EQ(ids(plain), (QList<qint64>{5, 4, 2}));
}
