// The restore loader on a real temp.sqb.
#include "RollbackLoader.h"

#include "DatabaseOptions.h"
#include "DatabaseSchema.h"
#include "DayNumbers.h"
#include "EventJournal.h"
#include "StoreTestSupport.h"
#include "ggError.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

class RollbackLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        SqliteDatabase db(databaseFile(), SqliteDatabase::OpenMode::CreateIfMissing);
        for (const QString &sql : Schema::CertificateTables() + QStringList{Schema::CreateOptions})
            db.exec(sql);
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
    // Every column of both tables, quoted, so that blobs compare byte for byte.
    QStringList everything() const
    {
        QStringList quoted;
        for (const QString &column : Schema::McodColumns())
            quoted << QStringLiteral("quote(%1)").arg(column);
        return rows("select " + quoted.join(',') + " from mcod order by id")
            + rows("select quote(idM),quote(dOrder),quote(d7Num),quote(d8Description),quote(d9Count),"
                   "quote(d9Package),quote(d10Weight),quote(d10Q) from dcod order by idM, dOrder");
    }

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
    EXPECT_EQ(inTwoRuns.size(), 8);
}

TEST_F(RollbackLoaderTest, NoTempDatabaseIsNeverMadeEmpty)
{
    QFile::remove(databaseFile());
    WriteWholeFile(xmlFile(), RestoreXml({Row("11")}));
    EXPECT_THROW(TRollback loader(xmlFile(), home.path()), AppError);
    EXPECT_FALSE(QFile::exists(databaseFile()));
    SetUp();
    WriteWholeFile(xmlFile(), "<root><row");
    EXPECT_THROW(TRollback loader(xmlFile(), home.path()), AppError);
}

} // namespace
