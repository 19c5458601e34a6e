// The restore loader on a real temp.sqb.
#include "RollbackLoader.h"

#include "DatabaseOptions.h"
#include "DatabaseSchema.h"
#include "DayNumbers.h"
#include "EventJournal.h"
#include "StoreTestSupport.h"
#include "ReplyWaiter.h"
#include "RestavoCommand.h"
#include "ScopedEnvironment.h"
#include "TestSupport.h"
#include "ggError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

namespace {

// A restore document: the "arm" child, then the rows given.
QByteArray RestoreXml(const QByteArrayList &rows, const QByteArray &arm = "<arm lastKnownChange=\"57\"/>")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><root>" + arm + rows.join() + "</root>";
}

QByteArray Row(const QByteArray &blankNo, const QByteArray &extra = {},
               const QByteArray &goods = "<uGoodsList><commodity idx=\"1\" title=\"Товар\"/></uGoodsList>")
{
    return "<row status=\"7\" blankNo=\"" + blankNo + "\" referenceNo=\"6007" + blankNo.rightJustified(6, '0')
        + "\" language=\"ru\" issued=\"01.02.2010\" expert=\"Иванов\" " + extra + ">" + goods + "</row>";
}

// Every column of both tables and the options, quoted, so that blobs compare
// byte for byte.
QStringList Everything(const QString &databaseFile)
{
    QStringList quoted;
    for (const QString &column : Schema::McodColumns())
        quoted << QStringLiteral("quote(%1)").arg(column);
    return QueryRows(databaseFile, "select " + quoted.join(',') + " from mcod order by id")
        + QueryRows(databaseFile, "select quote(idM),quote(dOrder),quote(d7Num),quote(d8Description),quote(d9Count),"
                                  "quote(d9Package),quote(d10Weight),quote(d10Q) from dcod order by idM, dOrder")
        + QueryRows(databaseFile, "select quote(UserName),quote(ParamName),quote(Value) from Options order by 1, 2");
}

void CreateTempDatabase(const QString &file)
{
    QFile::remove(file);
    QFile::remove(file + "-journal");
    SqliteDatabase db(file, SqliteDatabase::OpenMode::CreateIfMissing);
    for (const QString &sql : Schema::CertificateTables() + QStringList{Schema::CreateOptions})
        db.exec(sql);
}

class RollbackLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        CreateTempDatabase(databaseFile());
    }

    QString databaseFile() const { return home.filePath("temp.sqb"); }
    QString xmlFile() const { return home.filePath("restore"); }

    qint32 load(const QByteArray &xml, qint32 startIndex, std::function<void(TRollback &)> prepare = {})
    {
        WriteWholeFile(xmlFile(), xml);
        TRollback loader(xmlFile(), home.path());
        if (prepare)
            prepare(loader);
        return loader.Execute(startIndex);
    }
    QStringList rows(const QString &sql) const { return QueryRows(databaseFile(), sql); }
    QStringList everything() const { return Everything(databaseFile()); }

    QTemporaryDir home;
    ScopedMemoryJournal journal;
};

TEST_F(RollbackLoaderTest, ThreeRowsGetIdsFromTwoAndTheLastChange)
{
    EXPECT_EQ(load(RestoreXml({Row("11"), Row("12"), Row("13")}), 0), -1);
    EXPECT_EQ(rows("select id, CertNo from mcod order by id"), QStringList({"2|11", "3|12", "4|13"}));
    EXPECT_EQ(rows("select idM from dcod order by idM"), QStringList({"2", "3", "4"}));
    SqliteDatabase db(databaseFile());
    EXPECT_EQ(DatabaseOptions(db).read(CommonUser, "lastChange"), "57");
}

TEST_F(RollbackLoaderTest, OnlyTheRunFromZeroWritesTheLastChange)
{
    EXPECT_EQ(load(RestoreXml({Row("11"), Row("12")}), 2), -1);
    EXPECT_EQ(rows("select id from mcod"), QStringList({"3"}));
    EXPECT_EQ(rows("select count(*) from Options"), QStringList({"0"}));
    // Beyond the last child nothing is touched.
    EXPECT_EQ(load(RestoreXml({Row("11"), Row("12")}), 7), -1);
    EXPECT_EQ(rows("select id from mcod"), QStringList({"3"}));
}

TEST_F(RollbackLoaderTest, EachColumnGetsItsTypeAndValue)
{
    const QByteArray row = Row("42",
                               "sender=\"ООО &quot;Альфа&quot;&#xA;Москва\" exporter=\"Exp\" "
                               "madeIn=\"Россия\" dovCity=\"Город\" created=\"03.02.2010\" modified=\"10.02.2010\" "
                               "modifierExpert=\"Петров\" hasDuplicate=\"6007000001\" fSize1=\"8\" fSize2=\"x\" "
                               "actPresent=\"TRUE\" actDate=\"05.03.2010\" actNumber=\"12\"",
                               "<uGoodsList><commodity idx=\"2\" title=\"Чай&#xA;чёрный\" weight=\"12,5\" "
                               "weightUnit=\"кг\"/><commodity idx=\"z\"/></uGoodsList>")
                               .replace("status=\"7\"", "status=\"1\"");
    ASSERT_EQ(load(RestoreXml({row}), 0), -1);
    const auto day = [](int y, int m, int d) { return QString::number(DayNumberOf(QDate(y, m, d))); };
    struct Expected {
        const char *column;
        const char *type;
        QString value; // hex() of the value
    };
    const auto text = [](const QString &t) { return QString::fromLatin1(t.toUtf8().toHex().toUpper()); };
    const Expected head[] = {
        {"id", "integer", "2"},
        {"status", "integer", "10"},
        {"CertNo", "integer", "42"},
        {"ReferenceNo", "text", text("6007000042")},
        {"GNum", "integer", "6"},
        {"NumNum", "integer", "42"},
        {"Language", "text", text("ru")},
        {"DateIssued", "integer", day(2010, 2, 1)},
        {"Expert", "text", text("Иванов")},
        {"Sender", "blob", WideHex("ООО \"Альфа\"\r\nМосква")},
        {"Exporter", "blob", WideHex("Exp")},
        {"Recipient", "blob", ""},
        {"Country5", "text", text("Россия")},
        {"City11", "text", text("Город")},
        {"Date11", "integer", day(2010, 2, 3)},
        {"Date12", "integer", "0"},
        {"BadDate", "integer", day(2010, 2, 10)},
        {"BadExpert", "text", text("Петров")},
        {"pFilter", "text", text("TRUE")},
        {"goDuplicate", "text", text("6007000001")},
        {"goInstead", "null", ""},
        {"LastDate", "integer", day(2010, 2, 10)},
        {"fSize1", "integer", "8"},
        {"fSize2", "integer", "10"},
        {"fSize3", "integer", "10"},
        {"fileName13", "blob", ""},
        {"actNumber14", "blob", WideHex("12")},
        {"actDate14", "integer", day(2010, 3, 5)},
        {"actPresent14", "integer", "0"},
    };
    for (const Expected &e : head) {
        const QString column = QLatin1String(e.column);
        const QString value = QString::fromLatin1(e.type) == "integer" ? column : "hex(" + column + ")";
        EXPECT_EQ(rows("select typeof(" + column + "), " + value + " from mcod"),
                  QStringList({QString::fromLatin1(e.type) + "|" + e.value}))
            << e.column;
    }
    EXPECT_EQ(rows("select idM, dOrder, typeof(d7Num), hex(d8Description), hex(d10Weight), hex(d10Q), "
                   "typeof(d9Count) from dcod order by dOrder desc"),
              QStringList({"2|2|null|" + WideHex("Чай\r\nчёрный") + "|" + WideHex("12,5") + "|" + WideHex("кг")
                               + "|null",
                           "2|1|null||||null"}));
}

TEST_F(RollbackLoaderTest, TheActColumnsAreNullWithoutTheAct)
{
    struct Case {
        const char *name;
        QByteArray attributes;
    };
    const Case cases[] = {
        {"absent", "actPresent=\"0\" actDate=\"05.03.2010\" actNumber=\"12\""},
        {"unreadable", "actPresent=\"maybe\" actDate=\"05.03.2010\" actNumber=\"12\""},
        {"missing", "actDate=\"05.03.2010\" actNumber=\"12\""},
    };
    QByteArrayList all;
    for (int i = 0; i < 3; ++i)
        all << Row(QByteArray::number(i + 1), cases[i].attributes);
    ASSERT_EQ(load(RestoreXml(all), 0), -1);
    EXPECT_EQ(rows("select typeof(actNumber14), typeof(actDate14), actPresent14 from mcod"),
              QStringList({"null|null|1", "null|null|1", "null|null|1"}));
    // Present, without a readable date or number: the row still loads.
    QFile::remove(databaseFile());
    SetUp();
    ASSERT_EQ(load(RestoreXml({Row("1", "actPresent=\"1\" actDate=\"31.02.2010\"")}), 0), -1);
    EXPECT_EQ(rows("select typeof(actNumber14), typeof(actDate14), actPresent14 from mcod"),
              QStringList({"null|null|0"}));
}

TEST_F(RollbackLoaderTest, ARowThatFailsLeavesNothingAndNamesItself)
{
    struct Case {
        const char *name;
        QByteArray row;
    };
    const Case cases[] = {
        {"bad issue date", Row("13", "").replace("01.02.2010", "31.02.2010")},
        {"status not a number", Row("13").replace("status=\"7\"", "status=\"x\"")},
        {"blank number not an integer", Row("13").replace("blankNo=\"13\"", "blankNo=\"13a\"")},
        {"reference number with path parts", Row("13").replace("6007000013", "../../x/13")},
        {"short reference number", Row("13").replace("6007000013", "6007")},
        {"unreadable creation date", Row("13", "created=\"1.13.2010\"")},
        {"no goods list", Row("13", {}, {})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(databaseFile());
        SetUp();
        const QByteArray xml = RestoreXml({Row("11"), Row("12"), c.row, Row("14")});
        EXPECT_EQ(load(xml, 0), 3);
        EXPECT_EQ(rows("select id from mcod order by id"), QStringList({"2", "3"}));
        EXPECT_EQ(rows("select idM from dcod order by idM"), QStringList({"2", "3"}));
        // The next run fails at the same row again.
        EXPECT_EQ(load(xml, 3), 3);
        EXPECT_EQ(rows("select count(*) from mcod"), QStringList({"2"}));
    }
}

TEST_F(RollbackLoaderTest, ALockedDatabaseStopsAtTheRowAndTheNextRunEndsTheSame)
{
    const QByteArray xml = RestoreXml({Row("11"), Row("12"), Row("13", "sender=\"a&#xA;b\""), Row("14")});
    SqliteDatabase other(databaseFile());
    const qint32 stopped = load(xml, 0, [&](TRollback &loader) {
        loader.setBusyTimeout(50);
        loader.setBeforeEachChild([&](qint32 index) {
            if (index == 3)
                other.exec("BEGIN EXCLUSIVE");
        });
    });
    EXPECT_EQ(stopped, 3);
    other.exec("ROLLBACK");
    EXPECT_EQ(load(xml, stopped), -1);
    const QStringList inTwoRuns = everything();
    const QStringList options = rows("select hex(Value) from Options");

    QFile::remove(databaseFile());
    SetUp();
    ASSERT_EQ(load(xml, 0), -1);
    EXPECT_EQ(everything(), inTwoRuns);
    EXPECT_EQ(rows("select hex(Value) from Options"), options);
    EXPECT_EQ(inTwoRuns.size(), 9);
}

// Bytes that are not UTF-8 are stored as replacement characters, and the
// journal names the certificate and the field of each such text; the rest of
// the document loads as usual.
TEST_F(RollbackLoaderTest, BytesThatAreNotUtf8AreReplacedAndJournalled)
{
    const QByteArray xml = RestoreXml(
        {Row("11"),
         Row("12", "sender=\"Аль\xFF\xFE" "фа\" madeIn=\"Рос\xD0\"",
             "<uGoodsList><commodity idx=\"1\" title=\"Чай\"/><commodity idx=\"2\" title=\"\xC3(x\" "
             "weightUnit=\"\xED\xA0\x80\"/></uGoodsList>"),
         Row("13", "exporter=\"\xF0\x9F\x98\x80 ok\"")});
    journal.sink().clear();
    ASSERT_EQ(load(xml, 0), -1);
    const QString bad = QString(QChar(QChar::ReplacementCharacter));
    EXPECT_EQ(rows("select hex(Sender), Country5 from mcod where id = 3"),
              QStringList({WideHex("Аль" + bad + bad + "фа") + "|Рос" + bad}));
    EXPECT_EQ(rows("select hex(d8Description), hex(d10Q) from dcod where idM = 3 order by dOrder"),
              QStringList({WideHex("Чай") + "|", WideHex(bad + "(x") + "|" + WideHex(bad + bad + bad)}));
    EXPECT_EQ(rows("select hex(Exporter) from mcod where id = 4"),
              QStringList({WideHex(QString::fromUtf8("\xF0\x9F\x98\x80 ok"))}));
    EXPECT_EQ(rows("select count(*) from mcod"), QStringList({"3"}));

    QStringList warnings;
    for (const EventRecord &record : journal.sink().records())
        if (record.type == EventType::Warning)
            warnings << record.strings.join(' ');
    ASSERT_EQ(warnings.size(), 4) << warnings.join('\n').toStdString();
    const char *const fields[] = {"поле madeIn:", "поле sender:", "поле title (товар 2):", "поле weightUnit (товар 2):"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(warnings[i].contains("сертификат 6007000012")) << warnings[i].toStdString();
        EXPECT_TRUE(warnings[i].contains(QString::fromUtf8(fields[i]))) << warnings[i].toStdString();
    }
}

// The document is read in blocks: a character cut by a block's end is whole,
// and a document far larger than a block loads row for row.
TEST_F(RollbackLoaderTest, ALongDocumentLoadsAcrossItsBlocks)
{
    QByteArrayList list;
    const QByteArray text = QByteArray("Ж€😀").repeated(200); // 2-, 3- and 4-byte characters
    for (int n = 1; n <= 1200; ++n)
        list << Row(QByteArray::number(n), "sender=\"" + text + "\"");
    const QByteArray xml = RestoreXml(list);
    ASSERT_GT(xml.size(), 2 << 20);
    journal.sink().clear();
    ASSERT_EQ(load(xml, 0), -1);
    EXPECT_EQ(rows("select count(*), count(distinct Sender), min(id), max(id) from mcod"),
              QStringList({"1200|1|2|1201"}));
    EXPECT_EQ(rows("select hex(Sender) from mcod limit 1"), QStringList({WideHex(QString::fromUtf8(text))}));
    for (const EventRecord &record : journal.sink().records())
        EXPECT_NE(record.type, EventType::Warning) << record.strings.join(' ').toStdString();
    // A later start passes over the rows before it without loading them.
    QFile::remove(databaseFile());
    SetUp();
    ASSERT_EQ(load(xml, 1150), -1);
    EXPECT_EQ(rows("select count(*), min(id) from mcod"), QStringList({"51|1151"}));
}

// Count attributes with distinct names, each with the value ">".
QByteArray ManyAttributes(int count)
{
    QByteArray attributes;
    for (int n = 0; n < count; ++n)
        attributes += " a" + QByteArray::number(n) + "=\">\"";
    return attributes;
}

// A start tag is read in time and memory that grow with its length, however
// many attributes it has: one beyond the bounds fails its child of the
// document like any row that cannot be loaded, and the child after it is not
// read. Markup that only looks like attributes (in values, comments, CDATA,
// processing instructions, the document type) is no attribute.
TEST_F(RollbackLoaderTest, AStartTagBeyondItsBoundsFailsItsChildQuickly)
{
    const QByteArray many = ManyAttributes(200000);
    const auto goods = [](const QByteArray &commodities) { return "<uGoodsList>" + commodities + "</uGoodsList>"; };
    const auto typed = [](QByteArray xml) {
        return xml.replace("<root>", "<!DOCTYPE root [<!-- \" --><!ENTITY e \"'>\"><?pi \"?>]><root>");
    };
    // 5,000 "=" with quotes where no attribute stands.
    const QByteArray look = QByteArray(" a=\"b\"").repeated(5000);
    const QByteArray lookalikes =
        Row("12", "sender=\"" + QByteArray(look).replace('"', "&quot;") + "\" title='" + look + "'",
            "<!--" + look + "--><?pi" + look + "?><![CDATA[]\"" + look + "]]>"
                + goods("<commodity idx=\"1\" title=\"" + QByteArray(look).replace('"', '\'') + "\"/>"));
    struct Case {
        const char *name;
        QByteArray xml;
        qint32 result;
    };
    const Case cases[] = {
        {"row with 200,000 attributes", RestoreXml({Row("11"), Row("12", many), Row("13")}), 2},
        {"goods line with 200,000 attributes",
         RestoreXml({Row("11"), Row("12", {}, goods("<commodity idx=\"1\"/><commodity" + many + "/>")), Row("13")}), 2},
        {"other child with 200,000 attributes", RestoreXml({Row("11"), "<note" + many + "/>", Row("13")}), 2},
        {"start tag of 5 MiB",
         RestoreXml({Row("11"), Row("12", "sender=\"" + QByteArray(5 << 20, 'x') + "\""), Row("13")}), 2},
        {"quotes in the document type", typed(RestoreXml({Row("11"), Row("12", many), Row("13")})), 2},
        {"markup that looks like attributes", typed(RestoreXml({Row("11"), lookalikes, Row("13")})), -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(databaseFile());
        SetUp();
        journal.sink().clear();
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(load(c.xml, 0), c.result);
        EXPECT_LT(timer.elapsed(), 10000);
        if (c.result == -1) {
            EXPECT_EQ(rows("select count(*) from mcod"), QStringList({"3"}));
            continue;
        }
        EXPECT_EQ(rows("select id from mcod order by id"), QStringList({"2"}));
        EXPECT_EQ(rows("select idM from dcod order by idM"), QStringList({"2"}));
        QStringList failures;
        for (const EventRecord &record : journal.sink().records())
            if (record.type == EventType::Error && record.strings.value(0).startsWith("TRollback.Execute ошибка = "))
                failures << record.strings.value(0);
        EXPECT_EQ(failures.size(), 1);
        EXPECT_TRUE(failures.value(0).contains("start tag")) << failures.value(0).toStdString();
        // The next run fails at the same child again, as quickly.
        timer.start();
        EXPECT_EQ(load(c.xml, 2), 2);
        EXPECT_LT(timer.elapsed(), 10000);
        EXPECT_EQ(rows("select count(*) from mcod"), QStringList({"1"}));
    }
}

// The option comes from the first arm, by the run that loads the part of the
// document where it stands.
TEST_F(RollbackLoaderTest, TheFirstArmIsTakenByTheRunThatLoadsIt)
{
    const QByteArray late = "<root>" + Row("11") + Row("12", {}, {}) + "<arm lastKnownChange=\"8\"/>"
        + "<arm lastKnownChange=\"9\"/>" + Row("14") + "</root>";
    EXPECT_EQ(load(late, 0), 1);
    EXPECT_EQ(rows("select count(*) from Options"), QStringList({"0"}));
    EXPECT_EQ(load(late, 2), -1);
    SqliteDatabase db(databaseFile());
    EXPECT_EQ(DatabaseOptions(db).read(CommonUser, "lastChange"), "8");
    EXPECT_EQ(rows("select id from mcod order by id"), QStringList({"1", "5"}));
}

TEST_F(RollbackLoaderTest, NoTempDatabaseIsNeverMadeEmpty)
{
    QFile::remove(databaseFile());
    WriteWholeFile(xmlFile(), RestoreXml({Row("11")}));
    EXPECT_THROW(TRollback loader(xmlFile(), home.path()), AppError);
    EXPECT_FALSE(QFile::exists(databaseFile()));
    SetUp();
    // The document is read as the rows are loaded: one that is not XML, or is
    // cut short, fails the run (the failure reply) where that shows.
    for (const QByteArray &broken : {QByteArray("no XML at all"), QByteArray("<root><row"),
                                     RestoreXml({Row("11"), Row("12")}).chopped(12)}) {
        SCOPED_TRACE(broken.constData());
        WriteWholeFile(xmlFile(), broken);
        EXPECT_THROW(
            {
                TRollback loader(xmlFile(), home.path());
                loader.Execute(0);
            },
            AppError);
    }
}

// A program folder with data/temp.sqb for the real Restavo's op 1, and the
// window its runs reply to.
struct LoaderProgram {
    QTemporaryDir home;
    const QString temp = home.filePath("data/temp.sqb");
    const QString xmlPath = home.filePath("restore.xml");
    ScopedEnvironment environment{{{"TESSAL_HOME", home.path().toUtf8()}}};
    FinishedChildren finished;
    RecordingWindow window{1025};

    LoaderProgram()
    {
        EXPECT_TRUE(QDir().mkpath(home.filePath("data")));
        CreateTempDatabase(temp);
    }
    // The run's process id.
    qint64 start(qint32 from)
    {
        const LaunchResult run =
            StartRestavo(QFileInfo(BuiltProgram("Restavo")).absolutePath(),
                         {1, window.handle(), 1025, {RestavoArgument::number(from), RestavoArgument::text(xmlPath)}});
        EXPECT_TRUE(run.started) << run.error.toStdString();
        return run.pid;
    }
};

// The real Restavo killed (SIGKILL) in the middle of the load: every row it
// committed stays, nothing of the row it was in, and the run started again at
// the next row ends in the database that a run never killed makes.
TEST(RollbackLoaderProgram, AKilledRunStartedAgainEndsInTheSameDatabase)
{
    LoaderProgram program;
    const QString &temp = program.temp;
    constexpr int Total = 3000;
    QByteArrayList list;
    for (int n = 1; n <= Total; ++n)
        list << Row(QByteArray::number(n), "sender=\"Общество с ограниченной ответственностью " + QByteArray::number(n)
                                               + "\"",
                    "<uGoodsList><commodity idx=\"1\" title=\"Чай\"/><commodity idx=\"2\" title=\"Кофе\"/>"
                    "</uGoodsList>");
    WriteWholeFile(program.xmlPath, RestoreXml(list));
    using Message = RecordingWindow::Message;

    EXPECT_TRUE(program.finished.waitFor(program.start(0)));
    ASSERT_EQ(program.window.received.back(), (Message{1025, -1, 2}));
    const QStringList whole = Everything(temp);
    ASSERT_EQ(QueryRows(temp, "select count(*) from mcod"), QStringList{QString::number(Total)});

    CreateTempDatabase(temp);
    const qint64 pid = program.start(0);
    const auto loaded = [&] { return QueryRows(temp, "select count(*) from mcod").value(0).toInt(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded() >= Total / 10; }, 60000));
    ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
    program.finished.waitFor(pid);
    // Opening the copy for writing, as the next run does, rolls a torn
    // transaction back (a read-only look could not).
    {
        SqliteDatabase db(temp, SqliteDatabase::OpenMode::MustExist);
        SqliteStatement check(db, QStringLiteral("pragma integrity_check"));
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.columnText(0), QStringLiteral("ok"));
    }
    const int next = QueryRows(temp, "select max(id) from mcod").value(0).toInt(); // row i has id i + 1
    ASSERT_LT(next, Total) << "the run ended before it was killed";
    EXPECT_EQ(QueryRows(temp, "select count(*) from mcod"), QStringList{QString::number(next - 1)});
    EXPECT_EQ(QueryRows(temp, "select count(distinct idM) from dcod"), QStringList{QString::number(next - 1)});

    EXPECT_TRUE(program.finished.waitFor(program.start(next)));
    ASSERT_EQ(program.window.received.back(), (Message{1025, -1, 2}));
    EXPECT_EQ(Everything(temp), whole);
}

// One certificate with a goods list of any length loads in the real Restavo
// without holding its goods lines: each goes into the row's transaction as it
// is read. The peak is that of the largest child this process has reaped, so
// it covers the run (other runs of this program load small documents).
TEST(RollbackLoaderProgram, AGoodsListOfAnyLengthLoadsInBoundedMemory)
{
    LoaderProgram program;
    constexpr int Lines = 150000;
    {
        // Written line by line: a child starts with its parent's resident
        // pages counted in its peak.
        const QByteArrayList document = RestoreXml({Row("11", {}, "<uGoodsList>|</uGoodsList>"), Row("12")}).split('|');
        QFile file(program.xmlPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(document[0]);
        for (int n = 1; n <= Lines; ++n)
            file.write("<commodity idx=\"" + QByteArray::number(n) + "\" itemOrder=\"" + QByteArray::number(n)
                       + "\" title=\"Чай чёрный байховый\" packageCount=\"10\" packageType=\"ящик\" weight=\"12,5\" "
                         "weightUnit=\"кг\"/>");
        file.write(document[1]);
        ASSERT_TRUE(file.flush());
    }
    EXPECT_TRUE(program.finished.waitFor(program.start(0)));
    ASSERT_EQ(program.window.received.size(), 1u);
    EXPECT_EQ(program.window.received[0], (RecordingWindow::Message{1025, -1, 2}));
    EXPECT_EQ(QueryRows(program.temp, "select count(*), min(dOrder), max(dOrder) from dcod where idM = 2"),
              QStringList{QStringLiteral("%1|1|%1").arg(Lines)});

    rusage children {};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &children), 0);
    const long peakMb = children.ru_maxrss / 1024;
    EXPECT_LT(peakMb, 100) << "Restavo's peak resident memory";
}

} // namespace
