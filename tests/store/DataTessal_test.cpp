#include "StoreTestSupport.h"

#include "DatabaseSchema.h"
#include "KDSUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <algorithm>

namespace {

// The statements of a new database exactly as SQLite must hold them.
const QStringList ExpectedSchema = {
    "CREATE TABLE mcod ([id]          INTEGER NOT NULL UNIQUE, [status]      INTEGER DEFAULT 6, [CertNo]      INTEGER NOT NULL, [ReferenceNo]  TEXT(10) NOT NULL, [GNum]        INTEGER, [NumNum]      INTEGER, [Language]    TEXT (2) NOT NULL, [DateIssued]  INTEGER NOT NULL, [Expert]      TEXT, [Sender]    BLOB, [Exporter]  BLOB, [Recipient] BLOB, [Importer]  BLOB, [transport] BLOB, [OfficialNote] BLOB, [Country5] TEXT, [AdditionalInfo] BLOB, [DovName]      BLOB, [City11] TEXT, [Date11] INTEGER, [Country12]      TEXT, [City12]      TEXT, [Date12]      INTEGER, [BadDate]   INTEGER, [BadExpert] TEXT, [pFilter]   BOOLEAN, [goDuplicate] TEXT(10), [goInstead]  TEXT(10), [goCancel]   TEXT(10), [goTrue]     TEXT(10), [LastDate]  INTEGER NOT NULL, [fSize1]     INTEGER, [fSize2]     INTEGER, [fSize3]     INTEGER, [fSize4]     INTEGER, [fSize5]     INTEGER, [fSize6]     INTEGER, [fSize7]     INTEGER, [fSize8]     INTEGER, [fSize9]     INTEGER, [fSize10]     INTEGER, [fSize11]     INTEGER, [fSize12]     INTEGER, [fileComment13]    BLOB, [fileName13]  BLOB, [actNumber14] BLOB, [actDate14] INTEGER, [actPresent14] BOOLEAN)",
    "CREATE INDEX MCode ON mcod(ReferenceNo DESC)",
    "CREATE INDEX MCodeDate ON mcod(LastDate DESC)",
    "CREATE TABLE dcod ([idM]       INTEGER, [dOrder]    INTEGER, [d7Num]     BLOB, [d8Description]  BLOB, [d9Count]   BLOB, [d9Package] BLOB, [d10Weight]  BLOB, [d10Q]    BLOB )",
    "CREATE INDEX dCode ON dcod(dOrder)",
    "CREATE TABLE Contragent ([lang]         TEXT(2), [stype]        INTEGER, [nameT]        BLOB, [nameB]        BLOB)",
    "CREATE INDEX dContragent ON Contragent(lang,stype)",
    "CREATE TABLE Phrase ([lang]         TEXT(2), [stype]        INTEGER, [name]         BLOB)",
    "CREATE INDEX dPhrase ON Phrase(lang,stype)",
    "CREATE TABLE Options ([UserName]     BLOB, [ParamName]    BLOB, [Value]        BLOB)",
    // Ours, beside the schema: made at every start where missing.
    "CREATE INDEX dCodeIdM ON dcod(idM)",
    "CREATE INDEX MCodeLangCertNo ON mcod(Language, CertNo)",
    "CREATE INDEX MCodeBlank ON mcod(GNum, NumNum, status)",
    "CREATE INDEX MCodeDateId ON mcod(LastDate DESC, id DESC)",
    "CREATE INDEX MCodeOlderRows ON mcod(id) WHERE (pFilter IS NOT 'TRUE') OR (status = 1) OR (GNum = 12) OR (GNum = 13)",
    "CREATE INDEX MCodeOwn ON mcod(Expert, LastDate DESC, id DESC, status) WHERE (status = 7) or (status = 6) or (status = 5)",
    "CREATE INDEX MCodeChanger ON mcod(BadExpert, LastDate DESC, id DESC, Expert, status) WHERE BadExpert IS NOT NULL",
};

QString PhraseRow(const char *lang, int stype, const QString &name)
{
    return QString("%1|%2|%3").arg(lang).arg(stype).arg(WideHex(name));
}

// Adds a certificate with goods lines through the data module's insert statements.
void InsertCertificate(TDM &dm, qint64 id, qint64 lastDate, int lines)
{
    SqliteTransaction transaction(dm.ASQLite3DBd);
    dm.QueryInsM.paramByName("id").setInteger(id);
    dm.QueryInsM.paramByName("status").setInteger(6);
    dm.QueryInsM.paramByName("CertNo").setInteger(id);
    dm.QueryInsM.paramByName("ReferenceNo").setText(QString("6007%1").arg(id, 6, 10, QChar('0')));
    dm.QueryInsM.paramByName("Language").setText("ru");
    dm.QueryInsM.paramByName("LastDate").setInteger(lastDate);
    WideToParam(QString("Отправитель %1").arg(id), dm.QueryInsM.paramByName("Sender"));
    dm.QueryInsM.paramByName("actPresent14").setBoolean(true);
    dm.QueryInsM.execSql();
    for (int line = 1; line <= lines; ++line) {
        dm.QueryInsD.paramByName("idM").setInteger(id);
        dm.QueryInsD.paramByName("dOrder").setInteger(line);
        WideToParam(QString("Товар %1").arg(line), dm.QueryInsD.paramByName("d8Description"));
        dm.QueryInsD.execSql();
    }
    transaction.commit();
}

} // namespace

TEST_F(StoreTest, NewDatabaseHasTheSchemaOptionsAndSeeds)
{
    App().CurrentUserName = QString::fromUtf8("Иванов");
    TDM &dm = makeModule();
    dm.LoadAll();
    ASSERT_FALSE(App().StopFlag);
    ASSERT_EQ(prompts->texts(),
              QStringList{"Файл данных " + databaseFile() + " отсутствует\r\nБудет создан новый."});
    EXPECT_EQ(prompts->shown()[0].caption, "Certificate of origin");
    EXPECT_FALSE(QFile::exists(databaseFile() + ".new"));

    EXPECT_EQ(QueryRows(databaseFile(), "select sql from sqlite_master where sql is not null order by rowid"),
              ExpectedSchema);

    // All three option columns hold UTF-16LE blobs.
    EXPECT_EQ(QueryRows(databaseFile(), "select typeof(UserName), hex(UserName), hex(ParamName), hex(Value) "
                                        "from Options order by rowid"),
              (QStringList{"blob|" + WideHex("COMMON_USER") + "|" + WideHex("Key") + "|" +
                               WideHex(QString::fromUtf8(TestChamberKey)),
                           "blob|" + WideHex("COMMON_USER") + "|" + WideHex("LastSync") + "|" +
                               WideHex(QString::number(DateToDayNumber(QDate(2026, 3, 15)))),
                           "blob|" + WideHex("COMMON_USER") + "|" + WideHex("VersionSQB") + "|" + WideHex("4")}));

    const QStringList phrases =
        QueryRows(databaseFile(), "select lang, stype, hex(name) from Phrase order by rowid");
    EXPECT_EQ(phrases, (QStringList{
                           PhraseRow("en", 20, "Russia"), PhraseRow("ru", 20, "Россия"),
                           PhraseRow("ru", 5, "Копия"), PhraseRow("ru", 5, "Дубликат"),
                           PhraseRow("ru", 5, "Выдано впоследствии"), PhraseRow("en", 5, "Copy"),
                           PhraseRow("en", 5, "Duplicate"), PhraseRow("en", 5, "Issued retrospectively"),
                           // packages: control characters gone, tab kept, the NOTE child skipped
                           PhraseRow("ru", 9, "ящик"), PhraseRow("ru", 9, "мешок"), PhraseRow("en", 9, "box"),
                           PhraseRow("en", 9, "bag\tend"),
                           PhraseRow("en", 41, "Russia"), PhraseRow("ru", 41, "Россия"),
                           PhraseRow("ru", 42, "ТПП \"Город\""), PhraseRow("ru", 43, "Город"),
                           PhraseRow("en", 42, "CCI of Town"), PhraseRow("en", 43, "Town"),
                       }));
    EXPECT_EQ(QueryRows(databaseFile(), "select distinct typeof(lang) from Phrase"), QStringList{"text"});

    // The queries are open and the insert statements prepared with typed parameters.
    EXPECT_TRUE(dm.ASQM.isActive());
    EXPECT_TRUE(dm.ASQD.isActive());
    EXPECT_TRUE(dm.ASQPhrase.isActive());
    EXPECT_EQ(dm.ASQPhrase.recordCount(), phrases.size());
    EXPECT_TRUE(dm.ASQContragent.isActive());
    ASSERT_EQ(dm.QueryInsM.params().count(), 47);
    EXPECT_EQ(dm.QueryInsM.params().at(0).name(), "id");
    EXPECT_EQ(dm.QueryInsM.params().at(24).name(), "BadExpert");
    EXPECT_EQ(dm.QueryInsM.params().at(25).name(), "goDuplicate");
    EXPECT_EQ(dm.QueryInsM.params().at(46).name(), "actPresent14");
    EXPECT_EQ(dm.QueryInsM.paramByName("Sender").type(), SqlParam::Type::Blob);
    EXPECT_EQ(dm.QueryInsM.paramByName("Country5").type(), SqlParam::Type::Text);
    EXPECT_EQ(dm.QueryInsM.paramByName("fSize12").type(), SqlParam::Type::Integer);
    EXPECT_EQ(dm.QueryInsM.paramByName("actPresent14").type(), SqlParam::Type::Boolean);
    EXPECT_EQ(dm.QueryInsM.paramByName("DateIssued").asInteger(), DateToDayNumber(QDate(2026, 3, 15)));
    EXPECT_EQ(dm.QueryInsM.paramByName("Expert").asText(), QString::fromUtf8("Иванов"));
    EXPECT_EQ(dm.QueryInsD.params().count(), 8);

    InsertCertificate(dm, 1, 46000, 1);
    EXPECT_EQ(QueryRows(databaseFile(), "select typeof(pFilter), pFilter, hex(Expert), DateIssued, actPresent14 from mcod"),
              QStringList{"text|TRUE|" + QString::fromLatin1(QByteArray("Иванов").toHex().toUpper()) + "|" +
                          QString::number(DateToDayNumber(QDate(2026, 3, 15))) + "|1"});
}

TEST_F(StoreTest, AMissingPackageListLeavesNoDatabaseBehind)
{
    QFile::remove(dataFile("Package.cod"));
    makeModule().LoadAll();
    EXPECT_TRUE(App().StopFlag);
    EXPECT_EQ(prompts->texts().last(), "Невозможно загрузить файл " + dataFile("Package.cod"));
    EXPECT_EQ(prompts->shown().last().icon, Prompt::Error);
    EXPECT_FALSE(QFile::exists(databaseFile()));
    EXPECT_FALSE(QFile::exists(databaseFile() + ".new"));
    EXPECT_EQ(QDir(dataDir()).entryList({"Tessal.sqb*"}, QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(journal.sink().withId(EventId::ExceptionCaught).size(), 1);

    // The next start makes the database again, complete.
    WriteWholeFile(dataFile("Package.cod"), ReadWholeFile(FixturePath("store/Package.cod")));
    ResetAppState();
    makeModule().LoadAll();
    EXPECT_FALSE(App().StopFlag);
    EXPECT_EQ(QueryRows(databaseFile(), "select count(*) from Phrase where stype = 9"), QStringList{"4"});
}

TEST_F(StoreTest, TemporariesLeftByAKilledRunGoAtTheNextStart)
{
    makeModule().LoadAll();
    ASSERT_FALSE(App().StopFlag);
    module.reset();
    // 999999999 is above any process id the kernel gives out.
    const QString dead = QStringLiteral("999999999");
    const QString alive = QString::number(QCoreApplication::applicationPid());
    const QStringList left = {
        "data/Tessal.sqb.4old.part-" + dead + "-Ab12Cd",
        "data/k.cod.part-" + dead + "-xY34zW",
        // an archive import killed while its copy was open as a database
        "data/Tessal.sqb.part-" + dead + "-Ab12Cd",
        "data/Tessal.sqb.part-" + dead + "-Ab12Cd-journal",
        // the offline file, a download and the updater cut short
        "send/TS_007_03_2026.03.15_x.zip.cod.part-" + dead + "-Zz9Yy8",
        "DownLoad/restorator.zip.part-" + dead + "-Zz9Yy8",
        "VuzudoVO.exe.part-" + dead + "-Zz9Yy8",
    };
    const QStringList kept = {
        "send/TS_007_03_2026.03.15_x.zip.cod.part-" + alive + "-Zz9Yy8", // still being written
        "send/sync.xml",
        "DownLoad/DataFromServer.cod",
    };
    for (const QString &name : left + kept)
        WriteWholeFile(home.filePath(name), "cut short");
    ResetAppState();
    makeModule().LoadAll();
    EXPECT_FALSE(App().StopFlag);
    for (const QString &name : left)
        EXPECT_FALSE(QFile::exists(home.filePath(name))) << name.toStdString();
    for (const QString &name : kept)
        EXPECT_TRUE(QFile::exists(home.filePath(name))) << name.toStdString();
}

// The database and the users file hold the chamber key and the password
// hashes: nobody else on the machine may read them when the program makes
// them, and permissions the operator set stay.
TEST_F(StoreTest, TheDatabaseAndTheUsersFileAreTheirOwnersOnly)
{
    const ScopedUmask usual(022);
    makeModule().LoadAll();
    ASSERT_FALSE(App().StopFlag);
    EXPECT_EQ(FilePermissions(databaseFile()), 0600);
    module->ReadUsersFile();
    module.reset(); // writes k.cod
    ASSERT_TRUE(QFile::exists(dataFile("k.cod")));
    EXPECT_EQ(FilePermissions(dataFile("k.cod")), 0600);
    EXPECT_EQ(QDir(dataDir()).entryList({"*.part-*"}, QDir::Files | QDir::Hidden), QStringList());

    SetFilePermissions(dataFile("k.cod"), 0640);
    ResetAppState();
    makeModule().LoadAll();
    module->ReadUsersFile();
    module.reset(); // writes k.cod again
    EXPECT_EQ(FilePermissions(dataFile("k.cod")), 0640);
    EXPECT_EQ(FilePermissions(databaseFile()), 0600);
}

TEST_F(StoreTest, ForeignAndOutOfRangeDatabasesAreRefused)
{
    const QString key = QString::fromUtf8(TestChamberKey);
    struct Case {
        const char *what;
        QString key;          // the Key option, UTF-16LE
        QByteArray version;   // the VersionSQB option, UTF-16LE; empty: no row
        QString expected;     // message box; empty: the database is accepted
    } cases[] = {
        {"foreign key", "another chamber", "4", "Для этих данных нужен другой i.cod"},
        {"version missing", key, "", "Слишком старая база данных. Работа невозможна"},
        {"version 2", key, "2", "Слишком старая база данных. Работа невозможна"},
        {"version 5", key, "5", "Слишком старая программа для этой базы данных. Работа невозможна"},
        {"version 4", key, "4", ""},
    };
    loadedModule();
    module.reset();
    const QByteArray created = ReadWholeFile(databaseFile());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        module.reset();
        WriteWholeFile(databaseFile(), created);
        {
            SqliteDatabase db(databaseFile());
            db.exec("delete from Options");
            SqliteStatement insert(db, "insert into Options values (:u, :p, :v)");
            insert.bindWideBlob("u", "COMMON_USER");
            insert.bindWideBlob("p", "Key");
            insert.bindWideBlob("v", c.key);
            insert.execute();
            if (!c.version.isEmpty()) {
                insert.reset();
                insert.bindWideBlob("p", "VersionSQB");
                insert.bindWideBlob("v", QString::fromLatin1(c.version));
                insert.execute();
            }
        }
        const QByteArray tampered = ReadWholeFile(databaseFile());
        ResetAppState();
        prompts->clear();
        TDM &dm = makeModule();
        dm.LoadAll();
        if (c.expected.isEmpty()) {
            EXPECT_FALSE(App().StopFlag);
            EXPECT_TRUE(prompts->texts().isEmpty());
            EXPECT_TRUE(dm.ASQLite3DBd.isOpen());
            continue;
        }
        EXPECT_TRUE(App().StopFlag);
        EXPECT_EQ(prompts->texts(), QStringList{c.expected});
        EXPECT_EQ(prompts->shown()[0].icon, Prompt::Error);
        EXPECT_FALSE(dm.ASQLite3DBd.isOpen());
        EXPECT_FALSE(dm.ASQM.isActive());
        module.reset();
        EXPECT_EQ(ReadWholeFile(databaseFile()), tampered) << "a refused database is left alone";
    }
}

TEST_F(StoreTest, KeyAndVersionWrittenAsEightBitTextAreStillRead)
{
    loadedModule();
    module.reset();
    {
        SqliteDatabase db(databaseFile());
        db.exec("delete from Options");
        SqliteStatement insert(db, "insert into Options values (:u, :p, :v)");
        for (const auto &[param, value] : {std::pair<QByteArray, QByteArray>{"Key", TestChamberKey}, {"VersionSQB", "4"}}) {
            insert.reset();
            insert.bindBlob("u", "COMMON_USER");
            insert.bindBlob("p", param);
            insert.bindBlob("v", value);
            insert.execute();
        }
    }
    TDM &dm = makeModule();
    dm.LoadAll();
    EXPECT_FALSE(App().StopFlag);
    EXPECT_TRUE(prompts->texts().isEmpty());
    EXPECT_EQ(dm.ReadBaseKey(), QString::fromUtf8(TestChamberKey));
    EXPECT_EQ(dm.ReadVersionSQB(), 4);
}

TEST_F(StoreTest, EveryStartFixesOlderRows)
{
    TDM &dm = loadedModule();
    InsertCertificate(dm, 1, 46000, 0);
    InsertCertificate(dm, 2, 46001, 0);
    InsertCertificate(dm, 3, 46002, 0);
    dm.ASQLite3DBd.exec("update mcod set status = 1, GNum = 12, pFilter = 'FALSE' where id = 1;"
                        "update mcod set status = 7, GNum = 13 where id = 2;"
                        "update mcod set status = 9, GNum = 6 where id = 3");
    module.reset();
    makeModule().LoadAll();
    EXPECT_EQ(QueryRows(databaseFile(), "select id, status, GNum, pFilter from mcod order by id"),
              (QStringList{"1|10|2|TRUE", "2|7|3|TRUE", "3|9|6|TRUE"}));
    // The rows to fix are found through their index, not by reading the table.
    const QString plan =
        QueryRows(databaseFile(), "explain query plan select id from mcod where " + Schema::OlderRowsCondition)
            .join('\n');
    EXPECT_TRUE(plan.contains("MCodeOlderRows")) << plan.toStdString();
}

TEST_F(StoreTest, TheListHoldsOnlyItsFirstPageAfterTheLoad)
{
    TDM &dm = loadedModule();
    {
        SqliteTransaction transaction(dm.ASQLite3DBd);
        for (qint64 id = 1; id <= 2500; ++id)
            dm.ASQLite3DBd.exec(QString("insert into mcod (id, CertNo, ReferenceNo, Language, DateIssued, LastDate, "
                                        "pFilter) values (%1, %1, 'r%1', 'ru', 1, %2, 'TRUE')")
                                    .arg(id)
                                    .arg(40000 + id / 10));
        transaction.commit();
    }
    module.reset();
    TDM &reopened = makeModule();
    reopened.LoadAll();
    ASSERT_FALSE(App().StopFlag);
    EXPECT_EQ(reopened.ASQM.recordCount(), 1000);
    EXPECT_EQ(reopened.ASQM.fieldByName("id").asInteger(), 2500); // the newest
    reopened.ASQM.last();
    EXPECT_EQ(reopened.ASQM.fieldByName("id").asInteger(), 1501);
}

TEST_F(StoreTest, ALoadThatBreaksOffOnAnErrorTellsTheOperator)
{
    WriteWholeFile(databaseFile(), QByteArray(4096, 'x')); // not a database
    makeModule().LoadAll();
    EXPECT_TRUE(App().StopFlag);
    ASSERT_FALSE(prompts->shown().isEmpty());
    EXPECT_TRUE(prompts->texts().last().startsWith("Программа не может продолжить работу: "))
        << prompts->texts().last().toStdString();
    EXPECT_EQ(prompts->shown().last().icon, Prompt::Error);
    EXPECT_EQ(journal.sink().withId(EventId::ExceptionCaught).size(), 1);
}

TEST_F(StoreTest, AFileWithoutTheLookupIndexesGetsThemAtStartAndTheGoodsQueryUsesOne)
{
    TDM &dm = loadedModule();
    InsertCertificate(dm, 1, 46000, 2);
    module.reset();
    // As a file from a workstation that never had them.
    RunSqlScript(databaseFile(),
                 "drop index dCodeIdM; drop index MCodeLangCertNo; drop index MCodeBlank; drop index MCodeDateId; "
                 "drop index MCodeOlderRows");
    TDM &reopened = makeModule();
    reopened.LoadAll();
    ASSERT_FALSE(App().StopFlag);
    EXPECT_EQ(QueryRows(databaseFile(), "select name from sqlite_master where name in "
                                        "('dCodeIdM', 'MCodeLangCertNo', 'MCodeBlank', 'MCodeDateId', 'MCodeOlderRows') "
                                        "order by name"),
              (QStringList{"MCodeBlank", "MCodeDateId", "MCodeLangCertNo", "MCodeOlderRows", "dCodeIdM"}));
    EXPECT_EQ(reopened.ASQD.recordCount(), 2);
    const QString plan = QueryRows(databaseFile(), "explain query plan " + QString(reopened.ASQD.sql()).replace(":id", "1"))
                             .join('\n');
    EXPECT_TRUE(plan.contains("USING INDEX dCodeIdM")) << plan.toStdString();
}

TEST_F(StoreTest, ListScrollFollowsWithGoodsLinesAndAsksForActions)
{
    TDM &dm = loadedModule();
    InsertCertificate(dm, 10, 46000, 2);
    InsertCertificate(dm, 20, 46005, 3);
    module.reset();
    TDM &reopened = makeModule();
    QSignalSpy actions(&reopened, &TDM::enableActionsRequested);
    reopened.LoadAll();
    ASSERT_EQ(reopened.ASQM.recordCount(), 2);
    EXPECT_EQ(reopened.ASQM.fieldByName("id").asInteger(), 20); // latest change first
    EXPECT_EQ(reopened.ASQD.recordCount(), 3);
    EXPECT_GE(actions.count(), 1);

    const int before = actions.count();
    reopened.ASQM.next();
    EXPECT_EQ(reopened.ASQD.recordCount(), 2);
    EXPECT_EQ(reopened.ASQD.fieldByName("idM").asInteger(), 10);
    EXPECT_EQ(BlobToWide(reopened.ASQD.fieldByName("d8Description")), "Товар 1");
    EXPECT_EQ(actions.count(), before + 1);

    App().StopFlag = true; // stopping: the goods lines stay as they are
    reopened.ASQM.first();
    EXPECT_EQ(reopened.ASQD.recordCount(), 2);
    EXPECT_EQ(actions.count(), before + 1);
}

TEST_F(StoreTest, CloseAllAndCheckEdit)
{
    TDM &dm = loadedModule();
    dm.ReadUsersFile();
    prompts->clear();
    dm.CloseALL(false);
    EXPECT_TRUE(dm.ASQLite3DBd.isOpen());
    EXPECT_TRUE(dm.cdsK.isActive());

    dm.CheckEdit(dm.cdsK);
    EXPECT_EQ(dm.cdsK.state(), DataSet::State::Edit);
    dm.CheckEdit(dm.cdsK); // already editing: stays so
    EXPECT_EQ(dm.cdsK.state(), DataSet::State::Edit);
    dm.cdsK.cancel();

    dm.CheckEdit(dm.ASQM); // a query is read-only: logged, not raised
    const auto records = journal.sink().withId(EventId::ExceptionCaught);
    ASSERT_EQ(records.size(), 1);
    EXPECT_TRUE(records[0].strings[0].endsWith("DataTessal.TDM.CheckEdit(DS: TDataSource)"));

    dm.CloseALL(true);
    EXPECT_FALSE(dm.ASQLite3DBd.isOpen());
    EXPECT_FALSE(dm.ASQM.isActive());
    EXPECT_FALSE(dm.ASQD.isActive());
    EXPECT_FALSE(dm.cdsK.isActive());
    EXPECT_FALSE(dm.cdsUsers.isActive());
}

TEST_F(StoreTest, AStoredValueItsColumnCannotHoldReadsAsNullWithAWarning)
{
    loadedModule();
    module.reset();
    RunSqlScript(databaseFile(), OddCellsSql);
    journal.sink().clear();
    TDM &dm = makeModule();
    dm.LoadAll();
    ASSERT_FALSE(App().StopFlag);
    ASSERT_EQ(dm.ASQM.recordCount(), 4);

    struct Case {
        const char *name;
        qint64 id;
        const char *column;
        bool null;
    };
    const QList<Case> cases = {
        {"empty date", 1, "Date11", true},
        {"fraction in a whole-number column", 2, "fSize1", true},
        {"word in a whole-number column", 3, "status", true},
        {"a good cell of a row with a bad one", 1, "fSize1", false},
        {"a row without a bad cell", 4, "Date11", false},
    };
    QStringList warnings;
    for (const EventRecord &record : journal.sink().withId(EventId::FunctionFailed))
        warnings << record.strings.value(1);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(dm.ASQM.locate("id", c.id));
        EXPECT_EQ(dm.ASQM.fieldByName(c.column).isNull(), c.null);
        const QString place = QStringLiteral("table mcod, row id %1, column %2:").arg(c.id).arg(c.column);
        const qsizetype named = std::count_if(warnings.begin(), warnings.end(),
                                              [&](const QString &w) { return w.startsWith(place); });
        EXPECT_EQ(named, c.null ? 1 : 0) << warnings.join('\n').toStdString();
    }
    EXPECT_EQ(warnings.size(), 3);
}
