// The own-certificates filter over a real database: SQLite reads every
// user's pages along the filter's two indexes (no scan of mcod), the merged
// page holds exactly the rows of the plain condition, databases made before
// get the indexes at their next load, and the start-up of each kind of user
// counts the list and reads its newest page once.
#include "CommonTessalLogOn.h"
#include "DataTessal.h"
#include "FormMain.h"
#include "ListForm.h"
#include "ListPages.h"
#include "ListQuery.h"
#include "ListTestSupport.h"
#include "ScopedEnvironment.h"
#include "WorkstationStartup.h"

#include <QApplication>
#include <QElapsedTimer>

#include <sqlite3.h>

namespace {

// The administrator (user 1) under the name the administrator gave the account.
const QString Administrator = QStringLiteral("Орлова");
const QString Busy = QStringLiteral("Иванов");    // many certificates
const QString Newcomer = QStringLiteral("Сидоров"); // none at all
const QString Changer = QStringLiteral("Петров");  // changed the status of some of Busy's

// 2,500 certificates, newest last: two of three are Busy's (projects, issued,
// some spoilt by Changer, some issued with Changer as BadExpert as well),
// every third is Changer's own; a few have no expert but a BadExpert.
QList<TestCertificate> Certificates()
{
    QList<TestCertificate> all;
    for (qint64 i = 1; i <= 2500; ++i) {
        TestCertificate c;
        c.id = i;
        c.certNo = i;
        c.numNum = int(i);
        c.lastDate = 40000 + i / 7; // several certificates a day: ties on LastDate
        c.expert = i % 3 == 0 ? Changer : Busy;
        c.status = i % 11 == 0 ? 8 : (i % 5 == 0 ? 6 : 7);
        if (c.status == 8 || i % 13 == 0)
            c.badExpert = Changer;
        if (i % 97 == 0) {
            c.expert.clear();
            c.badExpert = Busy;
        }
        all << c;
    }
    return all;
}

QString PlanOf(SqliteDatabase &db, const QString &sql, const SqlFragment &filter, const QList<QPair<QString, qint64>> &window)
{
    SqliteStatement plan(db, QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    filter.params.bindTo(plan);
    for (const auto &[name, value] : window)
        if (plan.hasParameter(name))
            plan.bindInteger(name, value);
    QStringList lines;
    while (plan.step())
        lines << plan.columnText(3);
    return lines.join(u'\n');
}

QList<qint64> Ids(SqlQuery &query)
{
    QList<qint64> ids;
    for (query.first(); !query.eof(); query.next())
        ids << query.fieldByName(QStringLiteral("id")).asInteger();
    return ids;
}

} // namespace

class OwnFilterTest : public ListDatabaseTest {
protected:
    void SetUp() override
    {
        ListDatabaseTest::SetUp();
        addCertificates(Certificates());
        dm().ASQLite3DBd.exec("UPDATE mcod SET Expert = NULL WHERE id % 97 = 0");
    }

    // The list query over the user's own certificates, on the tab given.
    SqlQuery &ownList(const QString &user, int tab)
    {
        SqlQuery &list = dm().ASQM;
        list.close();
        SetListView(list, ListView{});
        list.setFilter(MyOnlyFilter(user));
        list.setFiltered(true);
        const qint64 count = CountListedRows(list);
        SetListPageWindow(list, count, tab < 0 ? ListTabCount(count) - 1 : tab);
        return list;
    }

    // The same rows by the plain condition, tested row by row.
    QList<qint64> plainIds(const QString &user, qint64 offset, qint64 limit, bool fromEnd)
    {
        const SqlFragment filter = MyOnlyFilter(user);
        SqliteStatement st(dm().ASQLite3DBd,
                           QStringLiteral("select id from mcod where ") + filter.text
                               + QStringLiteral(" order by LastDate") + (fromEnd ? "" : " desc") + ", id"
                               + (fromEnd ? "" : " desc") + " limit :l offset :o");
        filter.params.bindTo(st);
        st.bindInteger("l", limit);
        st.bindInteger("o", offset);
        QList<qint64> ids;
        while (st.step())
            ids << st.columnInteger(0);
        if (fromEnd)
            std::reverse(ids.begin(), ids.end());
        return ids;
    }
};

TEST_F(OwnFilterTest, EveryUsersPagesAndCountAreReadAlongTheFilterIndexes)
{
    struct Case {
        const char *name;
        QString user;
        int tab; // -1: the newest
    };
    const Case cases[] = {{"many, newest page", Busy, -1},
                          {"many, oldest page (read from its end)", Busy, 0},
                          {"none", Newcomer, -1},
                          {"the administrator's own", Administrator, -1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SqlQuery &list = ownList(c.user, c.tab);
        const QString page = PlanOf(dm().ASQLite3DBd, list.selectSql(), list.filter(),
                                    {{"tessal_row_limit", list.rowLimit()}, {"tessal_row_offset", list.rowOffset()}});
        EXPECT_TRUE(page.contains("USING INDEX MCodeOwn (Expert=?)")) << page.toStdString();
        EXPECT_TRUE(page.contains("USING INDEX MCodeChanger (BadExpert=?)")) << page.toStdString();
        EXPECT_FALSE(page.contains("SCAN mcod")) << page.toStdString();
        // Each alternative comes in the list's order (only the rows of one
        // LastDate and id would be sorted among themselves for the merge); a
        // page read from the oldest end alone is put back in order.
        EXPECT_EQ(page.count("TEMP B-TREE FOR ORDER BY"), c.tab == 0 ? 1 : 0) << page.toStdString();

        const QString count = PlanOf(dm().ASQLite3DBd, ListCountSql(ListView{}, list.filter()), list.filter(), {});
        EXPECT_TRUE(count.contains("MCodeOwn")) << count.toStdString();
        EXPECT_TRUE(count.contains("MCodeChanger")) << count.toStdString();
        EXPECT_FALSE(count.contains("SCAN mcod")) << count.toStdString();
        EXPECT_TRUE(count.contains("COVERING INDEX MCodeOwn")) << count.toStdString();
        EXPECT_TRUE(count.contains("COVERING INDEX MCodeChanger")) << count.toStdString();
    }
}

TEST_F(OwnFilterTest, TheMergedPageHoldsTheRowsOfThePlainCondition)
{
    for (const QString &user : {Busy, Changer, Newcomer}) {
        SqlQuery &first = ownList(user, -1);
        const qint64 count = CountListedRows(first);
        SCOPED_TRACE(user.toStdString() + " " + std::to_string(count));
        EXPECT_EQ(count, scalar("select count(*) from mcod where (Expert = '" + user
                                + "' and status in (5, 6, 7)) or BadExpert = '" + user + "'"));
        for (int tab = 0; tab < std::max(1, ListTabCount(count)); ++tab) {
            SqlQuery &list = ownList(user, tab);
            list.open();
            const ListRowWindow window = ListPageWindow(count, tab);
            const bool fromEnd = list.selectSql().endsWith(QStringLiteral("ORDER BY LastDate desc, id desc"));
            const QList<qint64> expected =
                fromEnd ? plainIds(user, count - window.offset - window.limit, window.limit, true)
                        : plainIds(user, window.offset, window.limit, false);
            EXPECT_EQ(Ids(list), expected) << "tab " << tab;
        }
    }
}

TEST_F(OwnFilterTest, ADatabaseMadeBeforeGetsTheIndexesAtItsNextLoad)
{
    dm().ASQLite3DBd.exec("DROP INDEX MCodeOwn; DROP INDEX MCodeChanger");
    loadedModule();
    EXPECT_EQ(scalar("select count(*) from sqlite_master where type = 'index' and name in ('MCodeOwn', 'MCodeChanger')"),
              2);
    SqlQuery &list = ownList(Busy, -1);
    EXPECT_TRUE(PlanOf(dm().ASQLite3DBd, list.selectSql(), list.filter(),
                       {{"tessal_row_limit", list.rowLimit()}, {"tessal_row_offset", list.rowOffset()}})
                    .contains("MCodeOwn"));
}

// ---------------------------------------------------------------- the start-up

namespace {

// The statements every connection opened while it lives runs (from the
// moment the start-up loads the database): page reads of the list and counts
// of it. SQLite calls an automatic extension on each new connection; it
// installs the trace there.
struct StatementCounter {
    StatementCounter()
    {
        Current = this;
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(&Install));
    }
    ~StatementCounter()
    {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&Install));
        Current = nullptr;
    }
    static int Install(sqlite3 *db, const char **, const sqlite3_api_routines *)
    {
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &StatementCounter::Traced, nullptr);
        return SQLITE_OK;
    }
    static inline StatementCounter *Current = nullptr;

    int pages = 0;
    int counts = 0;
    QStringList all;
    QStringList pageLimits; // the row limit each page read was given

    // Counts into the counter living now, none when it is gone.
    static int Traced(unsigned, void *, void *statement, void *sql)
    {
        StatementCounter *counter = Current;
        if (!counter)
            return 0;
        const QString text = QString::fromUtf8(static_cast<const char *>(sql));
        counter->all << text;
        if (text.contains(QLatin1String("from mcod"), Qt::CaseInsensitive)) {
            if (text.contains(QLatin1String(" as mr")))
                ++counter->counts;
            else if (text.contains(QLatin1String("LIMIT :tessal_row_limit"))) {
                ++counter->pages;
                char *bound = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(statement));
                counter->pageLimits << QString::fromUtf8(bound).section(QLatin1String("LIMIT "), 1).section(u' ', 0, 0);
                sqlite3_free(bound);
            }
        }
        return 0;
    }
};

// The real start-up steps on the test folder, the machine-wide lock and the
// synchronisation warning left out; the users are written into the users
// file as it is read; the message loop shows the main window until the list
// is shown, and lets it settle.
class ObservedStartup : public WorkstationStartup {
public:
    int takeSingleInstanceLock() override { return 0; }
    void readUsersFile() override
    {
        WorkstationStartup::readUsersFile();
        ClientDataSet &users = DM()->cdsUsers;
        for (const QString &name : {Administrator, Busy, Newcomer}) {
            users.append();
            users.fieldByName(QStringLiteral("UserName")).setValue(name);
            users.fieldByName(QStringLiteral("Password")).setValue(PasswordDigest(QByteArray()));
            DM()->Save(users);
        }
    }
    void loadDatabase() override
    {
        m_counter.emplace();
        WorkstationStartup::loadDatabase();
    }
    uint8_t showSyncWarning(int32_t) override { return 1; }
    void runEventLoop() override
    {
        TfMain *main = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<TfMain *>(widget))
                main = found;
        ASSERT_NE(main, nullptr);
        main->show();
        QElapsedTimer waited;
        waited.start();
        while (!(fList() && fList()->isVisible()) && waited.elapsed() < 30000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        listShown = fList() && fList()->isVisible();
        rows = Ids(DM()->ASQM);
        listCount = fList() ? fList()->listCount() : -1;
        sqlite3_trace_v2(DM()->ASQLite3DBd.handle(), 0, nullptr, nullptr);
        counted = *m_counter;
        m_counter.reset();
    }

    bool listShown = false;
    QList<qint64> rows;
    qint64 listCount = -1;
    // What was counted from the load of the database to the list shown.
    struct Counted {
        int pages = 0;
        int counts = 0;
        QStringList all;
        QStringList pageLimits;
    } counted;

private:
    struct Counting : StatementCounter {
        operator Counted() const { return {pages, counts, all, pageLimits}; }
    };
    std::optional<Counting> m_counter;
};

} // namespace

TEST_F(OwnFilterTest, EachUsersStartCountsTheListAndReadsItsNewestPageOnce)
{
    struct Case {
        QString user;
        qint64 count;  // what the user's list lists
        qint64 newest; // its newest certificate
    };
    QList<Case> cases;
    for (const QString &user : {Administrator, Busy, Newcomer}) {
        const QString where = user == Administrator
            ? QString()
            : " where (Expert = '" + user + "' and status in (5, 6, 7)) or BadExpert = '" + user + "'";
        cases << Case{user, scalar("select count(*) from mcod" + where),
                      scalar("select id from mcod" + where + " order by LastDate desc, id desc limit 1")};
    }
    ASSERT_GT(cases[1].count, 1000);
    ASSERT_EQ(cases[2].count, 0);
    module.reset();

    const ScopedEnvironment environment({{"TESSAL_HOME", home.path().toLocal8Bit()},
                                         {"XDG_CONFIG_HOME", home.filePath("cfg").toLocal8Bit()},
                                         {"TESSAL_COMMON_CONFIG", home.filePath("common").toLocal8Bit()}});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.user.toStdString());
        ResetAppState();
        QFile::remove(dataFile("k.cod"));
        SetLogOnDialog([&c](const QString &, const QStringList &names, QString &name, QString &password) {
            EXPECT_TRUE(names.contains(c.user));
            name = c.user;
            password.clear();
            DialogsCallOutcome outcome;
            outcome.status = DialogsCallStatus::Called;
            outcome.result = 1;
            return outcome;
        });
        ObservedStartup startup;
        EXPECT_EQ(RunStartupAndShutdown(startup, QStringLiteral("{00000000-0000-0000-0000-000000000001}")), 0);
        SetLogOnDialog({});

        EXPECT_TRUE(startup.listShown);
        // From the load of the database on: one count of the user's list
        // and one read, of its newest page alone.
        const QString statements = startup.counted.all.join("\n");
        EXPECT_EQ(startup.counted.counts, 1) << statements.toStdString();
        EXPECT_EQ(startup.counted.pages, 1) << statements.toStdString();
        // The newest page: the remainder over whole thousands.
        EXPECT_EQ(startup.listCount, c.count);
        EXPECT_EQ(startup.rows.size(), c.count % 1000);
        if (c.count > 0) {
            EXPECT_EQ(startup.counted.pageLimits, QStringList{QString::number(c.count % 1000)});
        }
        if (!startup.rows.isEmpty()) {
            EXPECT_EQ(startup.rows.first(), c.newest);
        }
    }
}
