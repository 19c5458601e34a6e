#include "StoreTestSupport.h"

#include "DatabaseSchema.h"
#include "ProgressSink.h"

#include <QFile>

#include <functional>

namespace {

// Every version 3 column of every row, typed and byte for byte; pFilter apart.
QString Version3Snapshot()
{
    QStringList columns;
    for (const QString &column : Schema::McodColumns().mid(0, Schema::Version3ColumnCount))
        if (column != "pFilter")
            columns << "quote(" + column + ")";
    return "select " + columns.join(", ") + " from mcod order by id";
}

const char *const OtherTables = "select 'dcod', quote(idM), quote(dOrder), quote(d7Num), quote(d8Description), "
                                "quote(d9Count), quote(d9Package), quote(d10Weight), quote(d10Q) from dcod "
                                "union all select 'Phrase', quote(lang), quote(stype), quote(name), 0, 0, 0, 0, 0 from Phrase "
                                "union all select 'Contragent', quote(lang), quote(stype), quote(nameT), quote(nameB), 0, 0, 0, 0 from Contragent "
                                "order by 1, 2, 3, 4";

class RecordingProgress : public ProgressSink {
public:
    void open() override { ++opened; }
    void setPermille(int permille) override
    {
        values.append(permille);
        if (onProgress)
            onProgress(opened, permille);
    }
    void close() override { ++closed; }

    int opened = 0;
    int closed = 0;
    QList<int> values;
    std::function<void(int phase, int permille)> onProgress;
};

class UpgradeTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        RunSqlScript(databaseFile(), ReadWholeFile(FixturePath("store/v3.sql")));
    }
    QString keptCopy() const { return databaseFile() + ".4old"; }
    QStringList tablesAndVersion()
    {
        return QueryRows(databaseFile(), "select name from sqlite_master where name in ('mcod', 'temptable') "
                                         "union all select hex(Value) from Options where ParamName = X'"
                                             + WideHex("VersionSQB") + "'");
    }
};

// The version 4 layout of mcod, for fixtures written in plain SQL.
QByteArray CreateVersion4Mcod()
{
    return (Schema::McodWithIndexes().join("\n") + "\n").toUtf8();
}

// "insert into mcod (...) select ... from temptable where <condition>": the
// version 3 columns, and boxes 13 and 14 empty as a database upgraded from version 3 holds them.
QByteArray CopyTempTableToVersion4(const char *condition)
{
    const QStringList version3 = Schema::McodColumns().mid(0, Schema::Version3ColumnCount);
    return ("insert into mcod (" + Schema::McodColumns().join(",") + ") select " + version3.join(",")
            + ", NULL, NULL, NULL, NULL, 1 from temptable where " + condition + ";\n")
        .toUtf8();
}

} // namespace

TEST_F(UpgradeTest, EveryRowSurvivesByteForByte)
{
    const QStringList before = QueryRows(databaseFile(), Version3Snapshot());
    const QStringList others = QueryRows(databaseFile(), OtherTables);
    ASSERT_EQ(before.size(), 261);
    const QByteArray original = ReadWholeFile(databaseFile());

    RecordingProgress progress;
    TDM &dm = makeModule();
    dm.setProgressSink(&progress);
    dm.LoadAll();
    ASSERT_FALSE(App().StopFlag);
    EXPECT_EQ(prompts->texts(), QStringList{"будем конвертировать данные"});

    EXPECT_EQ(QueryRows(databaseFile(), Version3Snapshot()), before);
    EXPECT_EQ(QueryRows(databaseFile(), OtherTables), others);
    EXPECT_EQ(QueryRows(databaseFile(), "select distinct quote(pFilter), quote(fileComment13), quote(fileName13), "
                                        "quote(actNumber14), quote(actDate14), quote(actPresent14) from mcod"),
              QStringList{"'TRUE'|NULL|NULL|NULL|NULL|1"});
    EXPECT_EQ(QueryRows(databaseFile(), "select sql from sqlite_master where name in ('mcod', 'temptable')"),
              QStringList{Schema::CreateMcod.chopped(1)});
    // The schema's two indexes and our look-up indexes, made again after the upgrade.
    EXPECT_EQ(QueryRows(databaseFile(), "select name from sqlite_master where type = 'index' and sql is not null "
                                        "and tbl_name = 'mcod' order by name"),
              (QStringList{"MCode", "MCodeBlank", "MCodeChanger", "MCodeDate", "MCodeDateId", "MCodeLangCertNo",
                           "MCodeOlderRows", "MCodeOwn"}));
    EXPECT_EQ(dm.ReadVersionSQB(), 4);
    EXPECT_EQ(QueryRows(databaseFile(), "select count(*) from Options where ParamName = X'" + WideHex("VersionSQB") + "'"),
              QStringList{"1"});
    EXPECT_EQ(ReadWholeFile(keptCopy()), original);
    EXPECT_EQ(dm.ASQM.recordCount(), 261);

    // Two passes, each from 0 to 1000, never backwards.
    EXPECT_EQ(progress.opened, 2);
    EXPECT_EQ(progress.closed, 2);
    EXPECT_EQ(progress.values.count(0), 2);
    EXPECT_EQ(progress.values.count(1000), 2);
    EXPECT_EQ(progress.values.last(), 1000);

    // The next start neither upgrades nor touches the kept copy.
    WriteWholeFile(keptCopy(), "first copy");
    ResetAppState();
    prompts->clear();
    makeModule().LoadAll();
    EXPECT_FALSE(App().StopFlag);
    EXPECT_TRUE(prompts->texts().isEmpty());
    EXPECT_EQ(ReadWholeFile(keptCopy()), "first copy");
}

TEST_F(UpgradeTest, VersionFourWithoutTheNewColumnsIsUpgradedAndAnEmptyTableToo)
{
    RunSqlScript(databaseFile(), "delete from mcod; update Options set Value = X'" + WideHex("4").toLatin1() +
                                     "' where ParamName = X'" + WideHex("VersionSQB").toLatin1() + "'");
    WriteWholeFile(keptCopy(), "older copy");
    RecordingProgress progress;
    TDM &dm = makeModule();
    dm.setProgressSink(&progress);
    dm.LoadAll();
    EXPECT_FALSE(App().StopFlag);
    EXPECT_EQ(prompts->texts(), QStringList{"будем конвертировать данные"});
    EXPECT_EQ(QueryRows(databaseFile(), "select sql from sqlite_master where name = 'mcod'"),
              QStringList{Schema::CreateMcod.chopped(1)});
    EXPECT_EQ(dm.ASQM.recordCount(), 0);
    EXPECT_EQ(ReadWholeFile(keptCopy()), "older copy");
    EXPECT_EQ(progress.opened, 2);
}

TEST_F(UpgradeTest, AFailureAnywhereInTheCopyLeavesTheDatabaseAsItWas)
{
    struct Case {
        const char *where;
        int phase;            // which copy installs the failing trigger
        const char *trigger;  // fires on a row of a later batch
    } cases[] = {
        {"into temptable", 1,
         "CREATE TRIGGER injected BEFORE INSERT ON temptable WHEN NEW.id = 870 BEGIN SELECT RAISE(ABORT, 'injected'); END"},
        {"back into mcod", 2,
         "CREATE TRIGGER injected BEFORE INSERT ON mcod WHEN NEW.id = 870 BEGIN SELECT RAISE(ABORT, 'injected'); END"},
    };
    const QByteArray original = ReadWholeFile(databaseFile());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.where);
        WriteWholeFile(databaseFile(), original);
        QFile::remove(keptCopy());
        ResetAppState();
        journal.sink().clear();

        RecordingProgress progress;
        TDM &dm = makeModule();
        bool installed = false;
        progress.onProgress = [&](int phase, int permille) {
            if (phase == c.phase && permille > 0 && !installed) {
                dm.ASQLite3DBd.exec(c.trigger);
                installed = true;
            }
        };
        dm.setProgressSink(&progress);
        dm.LoadAll();
        ASSERT_TRUE(installed);
        EXPECT_TRUE(App().StopFlag);
        EXPECT_FALSE(dm.ASQLite3DBd.isOpen());
        const auto records = journal.sink().withId(EventId::ExceptionCaught);
        ASSERT_EQ(records.size(), 1);
        EXPECT_TRUE(records[0].strings[0].endsWith("DataTessal.TDM.LoadAll"));
        EXPECT_TRUE(records[0].strings[1].contains("injected"));
        EXPECT_EQ(progress.opened, progress.closed);
        module.reset();
        EXPECT_EQ(ReadWholeFile(databaseFile()), original);
        EXPECT_EQ(ReadWholeFile(keptCopy()), original);
    }

    // Without the failure the same database upgrades.
    ResetAppState();
    makeModule().LoadAll();
    EXPECT_FALSE(App().StopFlag);
    EXPECT_EQ(QueryRows(databaseFile(), "select count(*) from mcod"), QStringList{"261"});
}

TEST_F(UpgradeTest, RowsLeftInTempTableByAnInterruptedUpgradeAreTakenBack)
{
    const QStringList before = QueryRows(databaseFile(), Version3Snapshot());
    const QByteArray fillTempTable = Schema::CreateTempTable().toUtf8() + "\ninsert into temptable select * from mcod;\n";
    struct Case {
        const char *name;
        QByteArray interrupted; // run on the version 3 fixture
    } cases[] = {
        {"while copying into temptable",
         Schema::CreateTempTable().toUtf8() + "\ninsert into temptable select * from mcod where id < 500;\n"},
        {"after mcod was dropped", fillTempTable + "drop table mcod;\n"},
        {"while copying back into the new mcod",
         fillTempTable + "drop table mcod;\n" + CreateVersion4Mcod() + CopyTempTableToVersion4("id < 500")},
    };
    const QByteArray version3 = ReadWholeFile(databaseFile());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteWholeFile(databaseFile(), version3);
        RunSqlScript(databaseFile(), "BEGIN;\n" + c.interrupted + "COMMIT;");
        ResetAppState();
        prompts->clear();
        TDM &dm = makeModule();
        dm.LoadAll();
        ASSERT_FALSE(App().StopFlag);
        EXPECT_EQ(prompts->texts(), QStringList{"будем конвертировать данные"});
        EXPECT_EQ(QueryRows(databaseFile(), Version3Snapshot()), before);
        EXPECT_EQ(tablesAndVersion(), (QStringList{"mcod", WideHex("4")}));
        EXPECT_EQ(QueryRows(databaseFile(), "select sql from sqlite_master where name = 'mcod'"),
                  QStringList{Schema::CreateMcod.chopped(1)});
        EXPECT_EQ(dm.ASQM.recordCount(), 261);
        module.reset();
    }
}

TEST_F(UpgradeTest, TheNewColumnsUnderVersionThreeKeepTheirValues)
{
    RunSqlScript(databaseFile(), "BEGIN;\n" + Schema::CreateTempTable().toUtf8()
                                     + "\n insert into temptable select * from mcod;\n drop table mcod;\n"
                                     + CreateVersion4Mcod() + CopyTempTableToVersion4("1")
                                     + "drop table temptable;\n"
                                       "update mcod set fileComment13 = X'4100', fileName13 = X'4200', "
                                       "actNumber14 = X'3100', actDate14 = 46000, actPresent14 = 0 where id > 1000;\n"
                                       "COMMIT;");
    const QString boxes = "select id, quote(fileComment13), quote(fileName13), quote(actNumber14), actDate14, "
                          "actPresent14 from mcod order by id";
    const QStringList before = QueryRows(databaseFile(), boxes);
    ASSERT_TRUE(before.last().endsWith("X'4100'|X'4200'|X'3100'|46000|0"));

    TDM &dm = makeModule();
    dm.LoadAll();
    ASSERT_FALSE(App().StopFlag);
    EXPECT_EQ(QueryRows(databaseFile(), boxes), before);
    EXPECT_EQ(dm.ReadVersionSQB(), 4);
}

TEST_F(UpgradeTest, LeftoverRowsThatCannotGoBackRefuseTheStartAndStay)
{
    // A temptable of another layout whose row mcod lacks: it cannot be put back.
    RunSqlScript(databaseFile(), "create table temptable (id integer, note text);"
                                 "insert into temptable values (123456, 'not a certificate');");
    const QByteArray original = ReadWholeFile(databaseFile());
    TDM &dm = makeModule();
    dm.LoadAll();
    EXPECT_TRUE(App().StopFlag);
    ASSERT_EQ(prompts->texts().size(), 2);
    EXPECT_TRUE(prompts->texts()[1].startsWith("В базе данных осталась таблица temptable")) << prompts->texts()[1].toStdString();
    EXPECT_EQ(prompts->shown()[1].icon, Prompt::Error);
    module.reset();
    EXPECT_EQ(ReadWholeFile(databaseFile()), original);
}
