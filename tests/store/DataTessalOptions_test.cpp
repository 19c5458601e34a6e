#include "StoreTestSupport.h"

#include "KDSUtils.h"

TEST_F(StoreTest, OptionsAreReplacedAndStoredAsWideBlobs)
{
    TDM &dm = loadedModule();
    const QString user = QString::fromUtf8("Иванов 'О\"Брайен'");
    dm.SaveOption(user, "DlgPaper", "True");
    dm.SaveOption(user, "DlgPaper", "False");
    dm.SaveOption(user, "AccountSim", "");
    EXPECT_EQ(dm.ReadOption(user, "DlgPaper"), "False");
    EXPECT_EQ(dm.ReadOption(user, "AccountSim"), "");
    EXPECT_EQ(dm.ReadOption(user, "PasswordSim"), "");
    EXPECT_EQ(dm.ReadOption("COMMON_USER", "DlgPaper"), "");
    EXPECT_EQ(QueryRows(databaseFile(), "select hex(ParamName), hex(Value), typeof(Value) from Options "
                                        "where UserName = X'" + WideHex(user) + "' order by rowid"),
              (QStringList{WideHex("DlgPaper") + "|" + WideHex("False") + "|blob",
                           WideHex("AccountSim") + "||blob"})); // empty, not null
    EXPECT_FALSE(dm.ALQueryWork.isActive());
    EXPECT_TRUE(journal.sink().withId(EventId::FunctionFailed).isEmpty());
}

TEST_F(StoreTest, OptionFailuresAreJournalledAndRolledBack)
{
    TDM &dm = loadedModule();
    dm.SaveOption("COMMON_USER", "udLeft", "5");
    // The insert fails after the delete ran: the delete is rolled back with it.
    dm.ASQLite3DBd.exec("CREATE TRIGGER no_insert BEFORE INSERT ON Options BEGIN SELECT RAISE(ABORT, 'refused'); END");
    dm.SaveOption("COMMON_USER", "udLeft", "7");
    EXPECT_EQ(dm.ReadOption("COMMON_USER", "udLeft"), "5");
    auto failures = journal.sink().withId(EventId::FunctionFailed);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures[0].strings, (QStringList{"function DataTessal.TDM.SaveOption", "refused"}));
    EXPECT_EQ(failures[0].type, EventType::Warning);
    EXPECT_EQ(failures[0].category, EventCategory::FunctionFailure);

    dm.ASQLite3DBd.exec("DROP TABLE Options");
    EXPECT_EQ(dm.ReadOption("COMMON_USER", "udLeft"), "");
    EXPECT_EQ(dm.ReadVersionSQB(), 0);
    failures = journal.sink().withId(EventId::FunctionFailed);
    ASSERT_EQ(failures.size(), 3);
    EXPECT_EQ(failures[1].strings[0], "function DataTessal.TDM.ReadOption");
    EXPECT_EQ(failures[2].strings[0], "function DataTessal.TDM.ReadOption");
}

TEST_F(StoreTest, PhrasesAreAddedReplacedAndRefused)
{
    TDM &dm = loadedModule();
    const int phrases = dm.ASQPhrase.recordCount();

    EXPECT_EQ(dm.SavePhrase("ru", 8, "Станки"), PhraseSaved::Added);
    EXPECT_EQ(dm.SavePhrase("ru", 8, "Трубы"), PhraseSaved::Added); // a list kind keeps both
    EXPECT_EQ(dm.ASQPhrase.recordCount(), phrases + 2);
    EXPECT_EQ(dm.SavePhrase("ru", 8, "Трубы"), PhraseSaved::AlreadyThere);
    EXPECT_EQ(dm.ASQPhrase.recordCount(), phrases + 2);

    // Kinds from 41 on hold one phrase per language.
    EXPECT_EQ(dm.SavePhrase("ru", 42, "ТПП Новая"), PhraseSaved::Added);
    EXPECT_EQ(dm.ReadPhrase("ru", 42), "ТПП Новая");
    EXPECT_EQ(dm.ReadPhrase("en", 42), "CCI of Town");
    EXPECT_EQ(QueryRows(databaseFile(), "select count(*) from Phrase where stype = 42"), QStringList{"2"});

    // A language that would break a pasted statement is only a value.
    EXPECT_EQ(dm.SavePhrase("\")", 8, "x'); drop table Phrase; --"), PhraseSaved::Added);
    EXPECT_EQ(dm.ReadPhrase("\")", 8), "x'); drop table Phrase; --");
    EXPECT_EQ(dm.ReadPhrase("'", 43).isEmpty(), false); // not two characters: any language

    EXPECT_EQ(dm.SavePhrase("r", 8, "x"), PhraseSaved::UnknownLanguage);
    ASSERT_EQ(prompts->texts(), QStringList{"Нельзя вносить изменения, так как язык неизвестен."});
    EXPECT_EQ(prompts->shown()[0].caption, "Tessal");
    EXPECT_EQ(prompts->shown()[0].icon, Prompt::Error);

    dm.ASQLite3DBd.exec("CREATE TRIGGER no_insert BEFORE INSERT ON Phrase BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_EQ(dm.SavePhrase("en", 42, "Other"), PhraseSaved::Failed);
    EXPECT_EQ(dm.ReadPhrase("en", 42), "CCI of Town"); // the delete was rolled back too
    const auto failures = journal.sink().withId(EventId::FunctionFailed);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures[0].strings, (QStringList{"function DataTessal.TDM.SavePhrase", "refused"}));
    EXPECT_FALSE(dm.ALQueryWork.isActive());
}
