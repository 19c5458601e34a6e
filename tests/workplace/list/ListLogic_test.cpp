// The certificate list's rules without its window: pages, sorting, the
// own-certificates filter and the count, the enabling table, cell texts, the
// blank question's option and the removal of a project.
#include "ListCells.h"
#include "ListEnabling.h"
#include "ListOperations.h"
#include "ListPages.h"
#include "ListQuery.h"
#include "ListTestSupport.h"

#include "ggError.h"

#include <QFile>
#include <QHash>

namespace {

QList<qint64> Ids(SqlQuery &query)
{
    QList<qint64> ids;
    for (query.first(); !query.eof(); query.next())
        ids << query.fieldByName("id").asInteger();
    return ids;
}

QList<qint64> IdsOf(SqliteDatabase &db, const QString &sql)
{
    SqliteStatement st(db, sql);
    QList<qint64> ids;
    while (st.step())
        ids << st.columnInteger(0);
    return ids;
}

} // namespace

TEST(ListPages, TabsAndRowWindowsPerCount)
{
    struct Case {
        qint64 count;
        int tabs;
        QList<ListRowWindow> windows; // per tab, from the first ("1000")
    };
    const Case cases[] = {
        {0, 0, {}},
        {999, 1, {{0, 999}}},
        {1000, 1, {{0, 1000}}},
        {1001, 2, {{1, 1000}, {0, 1}}},
        {2500, 3, {{1500, 1000}, {500, 1000}, {0, 500}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(ListTabCount(c.count), c.tabs);
        for (int tab = 0; tab < c.tabs; ++tab) {
            EXPECT_EQ(ListTabLabel(tab), QString::number((tab + 1) * 1000));
            EXPECT_EQ(ListPageWindow(c.count, tab), c.windows[tab]) << "tab " << tab;
        }
    }
    // No tab selected (an empty list): the first thousand rows, which are none.
    EXPECT_EQ(ListPageWindow(0, -1), (ListRowWindow{0, 1000}));
}

class ListQueryTest : public ListDatabaseTest {};

TEST_F(ListQueryTest, EveryTabShowsWhatTheHandWrittenPageQueryShows)
{
    addNumbered(2500);
    SqlQuery &list = dm().ASQM;
    // What a person writes for the pages: oldest thousand, next, newest 500.
    const QStringList pages = {
        "select id from mcod order by LastDate desc, id desc limit 1000 offset 1500",
        "select id from mcod order by LastDate desc, id desc limit 1000 offset 500",
        "select id from mcod order by LastDate desc, id desc limit 500 offset 0",
    };
    const qint64 count = CountListedRows(list);
    ASSERT_EQ(count, 2500);
    for (int tab = 0; tab < 3; ++tab) {
        list.close();
        SetListPageWindow(list, count, tab);
        list.open();
        const QList<qint64> expected = IdsOf(dm().ASQLite3DBd, pages[tab]);
        EXPECT_EQ(Ids(list), expected) << "tab " << tab;
        EXPECT_EQ(expected.first(), tab == 0 ? 1000 : tab == 1 ? 2000 : 2500);
    }
}

// The oldest pages are read from the oldest end; with many certificates of one
// day, a search, the own filter or the other direction they still hold the
// rows the forward reading gives, in its order.
TEST_F(ListQueryTest, PagesReadFromEitherEndHoldTheSameRows)
{
    addNumbered(2600);
    SqliteDatabase &db = dm().ASQLite3DBd;
    db.exec("update mcod set LastDate = 40000 + id / 7"); // seven certificates a day
    db.exec("update mcod set pFilter = 'FALSE' where id % 3 = 0");
    db.exec("update mcod set Expert = 'Петров' where id % 4 = 0");
    struct Case {
        const char *name;
        ListView view;
        bool ownOnly;
        const char *where;
    };
    const Case cases[] = {
        {"every certificate", ListView{}, false, "1"},
        {"found by a search", ListView{ListOrder{}, true}, false, "pFilter = 'TRUE'"},
        {"own certificates", ListView{}, true, "Expert = 'Иванов'"},
        {"oldest first", ListView{ListOrder{"LastDate", false}, false}, false, "1"},
    };
    SqlQuery &list = dm().ASQM;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SetListView(list, c.view);
        list.setFilter(c.ownOnly ? MyOnlyFilter(QStringLiteral("Иванов")) : SqlFragment{});
        list.setFiltered(c.ownOnly);
        const qint64 count = CountListedRows(list);
        const QString direction = c.view.order.descending ? " desc" : "";
        for (int tab = 0; tab < ListTabCount(count); ++tab) {
            const ListRowWindow window = ListPageWindow(count, tab);
            list.close();
            SetListPageWindow(list, count, tab);
            list.open();
            EXPECT_EQ(list.selectSql().contains(QString("order by LastDate%1, id%1").arg(c.view.order.descending ? "" : " desc")),
                      tab == 0)
                << "only the oldest page from its end";
            const QString page = QString("select id from mcod where %1 order by LastDate%2, id%2 limit %3 offset %4")
                                     .arg(c.where, direction)
                                     .arg(window.limit)
                                     .arg(window.offset);
            EXPECT_EQ(Ids(list), IdsOf(db, page)) << "tab " << tab;
        }
    }
    // Other orders leave ties to SQLite, so they are read forwards only.
    SetListView(list, ListView{ListOrder{"Expert", false}, false});
    list.setFiltered(false);
    SetListPageWindow(list, 2600, 0);
    EXPECT_FALSE(list.canReadFromEnd());
    EXPECT_FALSE(list.selectSql().contains("ORDER BY"));
}

TEST(ListSort, TitleClicksPerFieldType)
{
    const ListOrder plain;
    const auto order = [](const char *field, bool descending) { return ListOrder{field, descending}; };
    // A text column: up, down, up again.
    std::optional<ListOrder> sorted = SortedListOrder(plain, "Expert", FieldType::String);
    EXPECT_EQ(sorted, order("Expert", false));
    sorted = SortedListOrder(*sorted, "Expert", FieldType::String);
    EXPECT_EQ(sorted, order("Expert", true));
    sorted = SortedListOrder(*sorted, "Expert", FieldType::String);
    EXPECT_EQ(sorted, order("Expert", false));
    // Another column after a sort starts up again; integers and blobs sort the same way.
    EXPECT_EQ(SortedListOrder(*sorted, "CertNo", FieldType::Integer), order("CertNo", false));
    EXPECT_EQ(SortedListOrder(order("CertNo", false), "CertNo", FieldType::Integer), order("CertNo", true));
    EXPECT_EQ(SortedListOrder(order("Sender", false), "Sender", FieldType::Blob), order("Sender", true));
    // The field name must match as written.
    EXPECT_EQ(SortedListOrder(order("expert", false), "Expert", FieldType::String), order("Expert", false));
    // Date fields switch the order of LastDate.
    EXPECT_EQ(SortedListOrder(plain, "Date11", FieldType::Date), order("LastDate", false));
    EXPECT_EQ(SortedListOrder(order("LastDate", false), "Date11", FieldType::Date), order("LastDate", true));
    EXPECT_EQ(SortedListOrder(order("Expert", false), "BadDate", FieldType::DateTime), order("LastDate", true));
    EXPECT_EQ(SortedListOrder(order("Expert", true), "BadDate", FieldType::DateTime), order("LastDate", false));
    // Other types do not sort.
    EXPECT_FALSE(SortedListOrder(plain, "actPresent14", FieldType::Boolean));
    EXPECT_FALSE(SortedListOrder(plain, "x", FieldType::Float));
}

TEST_F(ListQueryTest, CertificatesOfOneDayAreListedLatestFirstAndOldestFirstUpwards)
{
    // Three certificates of one day, written in the order 5, 3, 9, and one of the day before.
    QList<TestCertificate> rows;
    for (qint64 id : {5, 3, 9, 1}) {
        TestCertificate c;
        c.id = id;
        c.numNum = int(id);
        c.lastDate = id == 1 ? 45000 : 45001;
        rows << c;
    }
    addCertificates(rows);
    SqlQuery &list = dm().ASQM;
    SetListView(list, ListView{});
    list.open();
    EXPECT_EQ(Ids(list), (QList<qint64>{9, 5, 3, 1})); // the newest certificate on top
    SetListView(list, ListView{ListOrder{"LastDate", false}, false});
    list.open();
    EXPECT_EQ(Ids(list), (QList<qint64>{1, 3, 5, 9}));
    // The pages walk the list's own index.
    SqliteStatement explain(dm().ASQLite3DBd, "explain query plan " + ListSelectSql(ListView{}));
    QString plan;
    while (explain.step())
        plan += explain.columnText(3) + "\n";
    EXPECT_TRUE(plan.contains("MCodeDateId")) << plan.toStdString();
}

TEST_F(ListQueryTest, OwnFilterBindsTheNameSoNoNameWidensOrBreaksIt)
{
    const QString quoted = QStringLiteral("Пётр \"Бо'ss\" ) or (1=1");
    QList<TestCertificate> rows;
    auto add = [&](qint64 id, const QString &expert, int status, const QString &badExpert = {}) {
        TestCertificate c;
        c.id = id;
        c.numNum = int(id);
        c.expert = expert;
        c.status = status;
        c.badExpert = badExpert;
        rows << c;
    };
    add(1, "Expert", 6);
    add(2, "Expert", 7);
    add(3, "Expert", 5); // issued, attached file not yet sent: still the user's own
    add(4, "Expert", 9); // cancelled by someone else: not listed
    add(5, "Иванов", 7);
    add(6, "Иванов", 8, "Expert"); // Expert spoilt it
    add(7, quoted, 6);
    add(8, "Иванов", 9, quoted);
    addCertificates(rows);

    SqlQuery &list = dm().ASQM;
    auto listedFor = [&](const QString &user) {
        list.close();
        list.setFilter(MyOnlyFilter(user));
        list.setFiltered(true);
        list.open();
        QList<qint64> ids = Ids(list);
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(CountListedRows(list), ids.size()) << user.toStdString();
        return ids;
    };
    EXPECT_EQ(listedFor("Expert"), (QList<qint64>{1, 2, 3, 6}));
    EXPECT_EQ(listedFor(quoted), (QList<qint64>{7, 8}));
    EXPECT_EQ(listedFor("Никто"), QList<qint64>{});

    EXPECT_TRUE(SameFilter(MyOnlyFilter("Expert"), MyOnlyFilter("Expert")));
    EXPECT_FALSE(SameFilter(MyOnlyFilter("Expert"), MyOnlyFilter("expert")));
    EXPECT_FALSE(SameFilter(MyOnlyFilter("Expert"), SqlFragment{}));
    EXPECT_TRUE(SameFilter(SqlFragment{}, SqlFragment{" ", {}}));
}

TEST_F(ListQueryTest, CountAgreesWithTheQueryAfterASearchAndASort)
{
    addNumbered(1500);
    dm().ASQLite3DBd.exec("update mcod set pFilter = 'FALSE' where id % 3 = 0"); // a search hid a third
    SqlQuery &list = dm().ASQM;
    SetListView(list, ListView{ListOrder{}, true});
    list.open();
    EXPECT_EQ(CountListedRows(list), 1000);
    EXPECT_EQ(CountListedRows(list), list.recordCount());
    // The sort lists every certificate again; the count follows it.
    SetListView(list, ListView{*SortedListOrder(ListOrder{}, "CertNo", FieldType::Integer), false});
    EXPECT_EQ(CountListedRows(list), 1500);
    // Under the own filter and the sort every row is on some tab, each once.
    list.setFilter(MyOnlyFilter(App().CurrentUserName));
    list.setFiltered(true);
    const qint64 count = CountListedRows(list);
    EXPECT_EQ(count, 1500);
    QHash<qint64, bool> seen;
    for (int tab = 0; tab < ListTabCount(count); ++tab) {
        const ListRowWindow w = ListPageWindow(count, tab);
        list.close();
        list.setRowWindow(w.offset, w.limit);
        list.open();
        for (qint64 id : Ids(list))
            EXPECT_FALSE(std::exchange(seen[id], true)) << id;
    }
    EXPECT_EQ(seen.size(), 1500);
}

TEST(ListEnablingTable, StatusOwnerAdministratorAndDuplicate)
{
    ListFacts base;
    base.listOpen = base.goodsOpen = true;
    base.rowCount = 5;
    base.userName = "Иванов";
    base.userId = 2;
    base.expert = "Иванов";

    struct Case {
        int status;
        bool owner;
        bool admin;
        bool complete, del, badPaper, cancel, duplicate, edit;
    };
    const Case cases[] = {
        // status owner admin  complete delete badPaper cancel duplicate edit
        {6, true, false, true, true, false, false, false, true},
        {6, false, false, false, false, false, false, false, true},
        {6, false, true, true, true, false, false, false, true},
        {7, true, false, false, false, true, true, true, false},
        {7, false, false, false, false, false, true, true, false}, // another's: cancel only
        {7, false, true, false, false, true, true, true, false},
        {5, false, false, false, false, false, true, false, false},
        {5, true, false, false, false, true, true, false, false},
        {10, false, false, false, false, false, true, false, false},
        {8, true, false, false, false, false, false, false, false},
        {9, true, true, false, false, false, false, false, false},
    };
    for (const Case &c : cases) {
        ListFacts f = base;
        f.status = c.status;
        f.expert = c.owner ? f.userName : QStringLiteral("Петров");
        f.userId = c.admin ? 1 : 2;
        const ListEnabling e = DecideListEnabling(f);
        SCOPED_TRACE(testing::Message() << "status " << c.status << " owner " << c.owner << " admin " << c.admin);
        EXPECT_EQ(e.complete, c.complete);
        EXPECT_EQ(e.del, c.del);
        EXPECT_EQ(e.badPaper, c.badPaper);
        EXPECT_EQ(e.cancel, c.cancel);
        EXPECT_EQ(e.duplicate, c.duplicate);
        EXPECT_EQ(e.edit, c.edit);
        EXPECT_TRUE(e.newCert);
        EXPECT_TRUE(e.templ);
        EXPECT_EQ(e.filterMyOnly, c.admin);
        EXPECT_EQ(e.buttonMyOnly, c.admin);
        EXPECT_EQ(e.filterMyOnlyForced, !c.admin);
        EXPECT_EQ(e.clearsDuplicateInProgress, c.status != 10);
    }

    // A duplicate in preparation keeps the edit open on an issued row.
    ListFacts dup = base;
    dup.status = 10;
    dup.duplicateInProgress = true;
    EXPECT_TRUE(DecideListEnabling(dup).edit);
    EXPECT_FALSE(DecideListEnabling(dup).clearsDuplicateInProgress);

    // Jumps need the link and ownership.
    ListFacts jump = base;
    jump.status = 7;
    EXPECT_FALSE(DecideListEnabling(jump).goDuplicate);
    jump.goDuplicate = "6007000002";
    EXPECT_TRUE(DecideListEnabling(jump).goDuplicate);
    jump.expert = "Петров";
    EXPECT_FALSE(DecideListEnabling(jump).goDuplicate);
    jump.status = 10;
    jump.expert = base.expert;
    jump.goTrue = "6007000001";
    EXPECT_TRUE(DecideListEnabling(jump).goTrue);

    // Empty list, stopped program.
    ListFacts empty = base;
    empty.rowCount = 0;
    empty.status = -1;
    const ListEnabling none = DecideListEnabling(empty);
    EXPECT_FALSE(none.complete || none.cancel || none.del || none.edit || none.templ || none.duplicate);
    EXPECT_TRUE(none.newCert);
    ListFacts stopped = base;
    stopped.stopped = true;
    stopped.status = 6;
    const ListEnabling off = DecideListEnabling(stopped);
    EXPECT_FALSE(off.complete || off.newCert || off.edit || off.templ || off.del);
}

TEST(ListCellTexts, StatusColoursAndCells)
{
    EXPECT_EQ(StatusColor(6), QColor(200, 255, 200));
    EXPECT_EQ(StatusColor(7), QColor(255, 200, 200));
    EXPECT_EQ(StatusColor(8), QColor(255, 255, 0));
    EXPECT_EQ(StatusColor(9), QColor(255, 0, 200));
    EXPECT_EQ(StatusColor(10), QColor(0, 200, 200));
    EXPECT_EQ(StatusColor(-1), QColor(200, 200, 200));
    EXPECT_FALSE(StatusColor(5).isValid());
    EXPECT_TRUE(StatusWantsLightText(9) && StatusWantsLightText(10));
    EXPECT_FALSE(StatusWantsLightText(6) || StatusWantsLightText(7) || StatusWantsLightText(-1));

    EXPECT_EQ(CertificateCellText("CertNo", FieldType::Integer, qint64(123)), "0000123");
    EXPECT_EQ(CertificateCellText("Date11", FieldType::Integer, qint64(46096)), "15.03.2026");
    EXPECT_EQ(CertificateCellText("BadDate", FieldType::Integer, qint64(0)), "");
    EXPECT_EQ(CertificateCellText("BadDate", FieldType::Integer, QVariant()), "");
    EXPECT_EQ(CertificateCellText("Sender", FieldType::Blob, WideTextBytes("ООО\r\nРомашка")), "ООО  Ромашка");
    EXPECT_EQ(CertificateCellText("Expert", FieldType::String, QString("a\nb")), "a b");
    EXPECT_TRUE(CertificateCellCentred("ReferenceNo") && CertificateCellCentred("Language")
                && CertificateCellCentred("actDate14"));
    EXPECT_FALSE(CertificateCellCentred("Expert"));
    EXPECT_EQ(GoodsCellText(FieldType::Blob, WideTextBytes("x\ry")), "x y");
}

// The goods memo breaks a line wherever the description was stored with CR
// LF, a lone CR or a lone LF; two break characters in a row are one break, so
// only a blank line stored as CR LF CR LF stays.
TEST(ListCellTexts, GoodsMemoBreaksEveryStoredLineBreak)
{
    const QList<QPair<QString, QString>> cases = {
        {"a\r\nb", "a\nb"},       {"a\rb", "a\nb"},           {"a\nb", "a\nb"},
        {"a\r\n\r\nb", "a\n\nb"}, {"a\r\nb\n\nc", "a\nb\nc"}, {"a\r\n", "a\n"},
    };
    for (const auto &[stored, shown] : cases)
        EXPECT_EQ(GoodsMemoText(stored), shown) << stored.toStdString();
}

TEST(ListBlankQuestion, DlgPaperValues)
{
    for (const char *no : {"0", "False", "FALSE", "false", " 0 "})
        EXPECT_FALSE(DlgPaperWanted(QString::fromLatin1(no))) << no;
    for (const char *yes : {"", "1", "True", "-1", "nein", "0x0", "00a"})
        EXPECT_TRUE(DlgPaperWanted(QString::fromLatin1(yes))) << yes;
}

TEST(ListAttachedCopy, OnlyTenDigitReferencesBecomePaths)
{
    EXPECT_EQ(AttachedCopyPath("/d/data", "6007000042", 42), "/d/data/6007000042_0000042");
    for (const char *bad : {"../../etc/x", "600700004", "60070000421", "60070a0042", ""})
        EXPECT_TRUE(AttachedCopyPath("/d/data", bad, 1).isEmpty()) << bad;
}

class ListDeleteTest : public ListDatabaseTest {};

TEST_F(ListDeleteTest, DeleteRemovesHeadGoodsCopyAndRecordsAfterCommit)
{
    TestCertificate c;
    c.id = 7;
    c.numNum = 7;
    c.certNo = 42;
    c.fileName13 = "/home/u/scan.pdf";
    addCertificates({c, TestCertificate{}});
    const QByteArray reference = MakeReferenceNo(7);
    const QString copy = dataFile(QString::fromLatin1(reference) + "_0000042");
    WriteWholeFile(copy, "attached");
    dm().ASQM.close();
    dm().ASQM.open();
    ASSERT_TRUE(dm().ASQM.locate("id", qint64(7)));

    DeleteCertificate(dm(), CurrentListedCertificate(dm()));
    EXPECT_EQ(scalar("select count(*) from mcod where id = 7"), 0);
    EXPECT_EQ(scalar("select count(*) from dcod where idM = 7"), 0);
    EXPECT_EQ(scalar("select count(*) from dcod where idM = 1"), 2);
    EXPECT_FALSE(QFile::exists(copy));
    const auto records = journal.sink().withId(EventId::CertificateDeleted);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].strings, (QStringList{"Иванов", QString::fromLatin1(reference)}));
}

TEST_F(ListDeleteTest, AFailingDeleteLeavesBothTablesTheCopyAndTheJournalAlone)
{
    TestCertificate c;
    c.id = 7;
    c.numNum = 7;
    c.certNo = 42;
    c.fileName13 = "scan.pdf";
    addCertificates({c});
    const QString copy = dataFile(QString::fromLatin1(MakeReferenceNo(7)) + "_0000042");
    WriteWholeFile(copy, "attached");
    dm().ASQLite3DBd.exec("create trigger keep before delete on mcod begin select raise(abort, 'kept'); end;");
    dm().ASQM.close();
    dm().ASQM.open();

    try {
        DeleteCertificate(dm(), CurrentListedCertificate(dm()));
        FAIL() << "no error";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains("kept")) << e.message().toStdString();
        EXPECT_TRUE(e.message().endsWith(" id = 7")) << e.message().toStdString();
    }
    EXPECT_EQ(scalar("select count(*) from mcod where id = 7"), 1);
    EXPECT_EQ(scalar("select count(*) from dcod where idM = 7"), 2);
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_TRUE(journal.sink().withId(EventId::CertificateDeleted).isEmpty());
    EXPECT_FALSE(dm().ASQLite3DBd.inTransaction());
}
