// The data side of the pick lists over a real database file.
#include "PickListData.h"
#include "PickListTestSupport.h"

#include "KDSUtils.h"

namespace {

class PickListDataTest : public PickListTest {
protected:
    PickListData parties() { return PickListData(dm(), dm().ASQContragent, ContragentTable()); }
    PickListData phrases() { return PickListData(dm(), dm().ASQPhrase, PhraseTable()); }

    // The texts of every row the query shows, in order; each row's names joined by '|'.
    static QStringList shown(PickListData &list)
    {
        QStringList rows;
        SqlQuery &query = list.query();
        for (query.first(); !query.eof(); query.next())
            rows << list.currentNames().join('|');
        query.first();
        return rows;
    }
};

TEST_F(PickListDataTest, ShowsOnlyTheLanguageAndKindOrEveryLanguageForAnUnknownOne)
{
    storeContragent("ru", 1, "Отправитель РУ", "Экспортёр РУ");
    storeContragent("en", 1, "Sender EN", "Exporter EN");
    storeContragent("ru", 2, "Получатель РУ", "Импортёр РУ");
    storePhrase("ru", 3, "Авто");
    storePhrase("en", 3, "Truck");
    storePhrase("ru", 5, "Отметка");

    PickListData party = parties();
    party.show("ru", 1);
    EXPECT_EQ(shown(party), QStringList({"Отправитель РУ|Экспортёр РУ"}));
    party.show("ru", 2);
    EXPECT_EQ(shown(party), QStringList({"Получатель РУ|Импортёр РУ"}));
    for (const QByteArray &unknown : {QByteArray(), QByteArray("r"), QByteArray("rus")}) {
        party.show(unknown, 1);
        // blobs sort by their bytes: "О" (1E 04) before "S" (53 00)
        EXPECT_EQ(shown(party), QStringList({"Отправитель РУ|Экспортёр РУ", "Sender EN|Exporter EN"})) << unknown.data();
    }

    PickListData phrase = phrases();
    phrase.show("en", 3);
    EXPECT_EQ(shown(phrase), QStringList({"Truck"}));
    phrase.show("", 3);
    EXPECT_EQ(shown(phrase), QStringList({"Авто", "Truck"}));
    phrase.show("ru", 20);
    EXPECT_TRUE(shown(phrase).isEmpty());
    // the filter stays on the shared query after the list is gone
    EXPECT_TRUE(dm().ASQPhrase.filtered());
}

TEST_F(PickListDataTest, LanguageWithQuotesIsBoundNotPasted)
{
    PickListData party = parties();
    for (const QByteArray &lang : {QByteArray("a\""), QByteArray("'x"), QByteArray("\")"), QByteArray("ru")}) {
        ASSERT_TRUE(party.addEntry(lang, 1, {"Т " + QString::fromUtf8(lang), "Б"})) << lang.data();
        party.show(lang, 1);
        EXPECT_EQ(shown(party), QStringList({"Т " + QString::fromUtf8(lang) + "|Б"})) << lang.data();
        EXPECT_FALSE(party.query().selectSql().contains(QString::fromUtf8(lang))) << lang.data();
    }
    EXPECT_EQ(storedRows("Contragent").size(), 4);
}

TEST_F(PickListDataTest, AddingTheSamePairTwiceLeavesOneRow)
{
    PickListData party = parties();
    party.show("ru", 1);
    const QStringList pair{"ООО \"Ромашка\"\r\nМосква", "Ромашка"};
    ASSERT_TRUE(party.addEntry("ru", 1, pair));
    ASSERT_TRUE(party.addEntry("ru", 1, pair));
    ASSERT_TRUE(party.addEntry("ru", 2, pair)); // another kind is another entry
    ASSERT_TRUE(party.addEntry("ru", 1, {"", ""}));
    ASSERT_TRUE(party.addEntry("ru", 1, {"", ""}));
    EXPECT_EQ(storedRows("Contragent"),
              QStringList({"ru|1|" + pair.join('|'), "ru|2|" + pair.join('|'), "ru|1||"}));
    // the shared query shows the stored pair at once
    EXPECT_EQ(shown(party), QStringList({"|", pair.join('|')}));
    // no entry without a language of two characters
    EXPECT_FALSE(party.addEntry("rus", 1, {"X", "Y"}));
    EXPECT_EQ(storedRows("Contragent").size(), 3);
}

TEST_F(PickListDataTest, DeletingRemovesEveryIdenticalEntryOfTheLanguageAndKind)
{
    storeContragent("ru", 1, "Иванов", "Иванов");
    storeContragent("ru", 1, "Иванов", "Иванов");
    storeContragent("ru", 1, "Иванов", "Петров");
    storeContragent("en", 1, "Иванов", "Иванов");
    storeContragent("ru", 2, "Иванов", "Иванов");
    PickListData party = parties();
    party.show("ru", 1);
    ASSERT_TRUE(party.locateExact("nameB", "Иванов"));
    EXPECT_TRUE(party.deleteCurrent(1));
    EXPECT_EQ(storedRows("Contragent"), QStringList({"ru|1|Иванов|Петров", "en|1|Иванов|Иванов", "ru|2|Иванов|Иванов"}));
    EXPECT_EQ(shown(party), QStringList({"Иванов|Петров"}));

    // an entry stored without a language shows among all languages and can be deleted
    dm().ASQLite3DBd.exec("INSERT INTO Phrase (lang,stype,name) VALUES (NULL, 3, x'1004')"); // "А"
    storePhrase("ru", 3, "Авто");
    PickListData phrase = phrases();
    phrase.show("", 3);
    ASSERT_TRUE(phrase.locateExact("name", QStringLiteral("А")));
    EXPECT_TRUE(phrase.deleteCurrent(3));
    EXPECT_EQ(storedRows("Phrase"), QStringList({"ru|3|Авто"}));

    // nothing to delete in an empty list
    phrase.show("en", 3);
    EXPECT_FALSE(phrase.deleteCurrent(3));
    EXPECT_EQ(storedRows("Phrase").size(), 1);
}

TEST_F(PickListDataTest, SearchesCyrillicOfAnyCaseFromTheStartOrAnywhere)
{
    storeContragent("ru", 1, "", "Пусто");
    storeContragent("ru", 1, "ООО Петров и сыновья", "Петров");
    storeContragent("ru", 1, "Иванов Иван", "ИВАНОВ");
    storeContragent("ru", 1, "ЯБЛОКО", "яблоко");
    PickListData party = parties();
    party.show("ru", 1);
    struct Case {
        const char *field;
        QString text;
        bool anywhere;
        bool found;
        QString currentT; // the cursor starts on "ООО Петров и сыновья"
    };
    const QString start = "ООО Петров и сыновья";
    const Case cases[] = {
        {"nameT", "иван", false, true, "Иванов Иван"},
        {"nameT", "ИВАН", false, true, "Иванов Иван"},
        {"nameT", "петров", false, false, start}, // not at the start
        {"nameT", "петров", true, true, start},
        {"nameT", "СЫНОВЬЯ", true, true, start},
        {"nameB", "Ябл", false, true, "ЯБЛОКО"},
        {"nameB", "блок", true, true, "ЯБЛОКО"},
        {"nameT", "Сидоров", true, false, start},
        {"nameT", "", false, true, ""}, // a cleared edit: the entry whose text is empty
        {"nameB", "", false, false, start}, // none is empty: the cursor stays
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(party.locateExact("nameB", "Петров"));
        EXPECT_EQ(party.search(c.field, c.text, c.anywhere), c.found) << c.field << " " << c.text.toStdString();
        EXPECT_EQ(party.currentNames().first(), c.currentT) << c.field << " " << c.text.toStdString();
    }
}

} // namespace
