// The pick-list loaders over a real database: what each takes from the
// listed certificates, and that a second run adds nothing.
#include "PickListLoaders.h"
#include "PickListTestSupport.h"

#include "DataSet.h"
#include "PickListData.h"
#include "ProgressSink.h"

namespace {

class PickListLoadersTest : public PickListTest {
protected:
    void SetUp() override
    {
        PickListTest::SetUp();
        const QVariant null;
        certificate(1, "ru",
                    {{"Sender", QStringLiteral("ООО Ромашка")}, {"Exporter", QStringLiteral("ООО Ромашка")},
                     {"Recipient", QStringLiteral("GmbH A")}, {"Importer", QString()},
                     {"transport", QStringLiteral("Авто")}, {"AdditionalInfo", QStringLiteral("Сведения")},
                     {"OfficialNote", null}, {"Country5", QStringLiteral("Россия")},
                     {"Country12", QStringLiteral("Германия")}});
        goodsLine(1, 1, QStringLiteral("Ящик яблок"), QStringLiteral("Ящик"), QStringLiteral("кг"));
        goodsLine(1, 2, QStringLiteral("ящик яблок"), QString(), null);
        goodsLine(1, 3, QString(), QStringLiteral("Ящик"), QStringLiteral("кг"));
        certificate(2, "ru",
                    {{"Sender", QStringLiteral("ООО Ромашка")}, {"Exporter", QStringLiteral("ООО Ромашка")},
                     {"Recipient", QString()}, {"Importer", QString()}, {"transport", QStringLiteral("авто")},
                     {"AdditionalInfo", QString()}, {"OfficialNote", QStringLiteral("Отметка")},
                     {"Country5", QStringLiteral("Россия")}, {"Country12", null}});
        goodsLine(2, 1, QStringLiteral("Ящик яблок"), QStringLiteral("Ящик"), QStringLiteral("кг"));
        certificate(3, "en", {{"transport", QStringLiteral("Truck")}, {"Country5", QStringLiteral("Russia")}});
        goodsLine(3, 1, QStringLiteral("Apples"), null, null);
        // Left out by the list's filter.
        certificate(4, "ru", {{"transport", QStringLiteral("Поезд")}, {"Country5", QStringLiteral("Китай")}});
        goodsLine(4, 1, QStringLiteral("Чай"), QStringLiteral("Короб"), QStringLiteral("т"));

        // The list shows one row of the three it lists.
        SqlFragment filter;
        filter.text = QStringLiteral("(id <> :skipped)");
        filter.params.add(QStringLiteral("skipped")).setInteger(4);
        dm().ASQM.close();
        dm().ASQM.setFilter(filter);
        dm().ASQM.setFiltered(true);
        dm().ASQM.setRowWindow(0, 1);
        dm().ASQM.open();
    }

    void certificate(qint64 id, const char *lang, const QVariantMap &values)
    {
        QVariantMap row{{"id", id},        {"CertNo", id},       {"ReferenceNo", QString::number(6007000000 + id)},
                        {"Language", lang}, {"DateIssued", 46000}, {"LastDate", 46000 + id}};
        for (auto it = values.begin(); it != values.end(); ++it)
            row.insert(it.key(), it.value());
        InsertRow(dm().ASQLite3DBd, "mcod", row);
    }
    void goodsLine(qint64 idM, int order, const QVariant &description, const QVariant &package, const QVariant &unit)
    {
        InsertRow(dm().ASQLite3DBd, "dcod",
                  {{"idM", idM}, {"dOrder", order}, {"d8Description", description}, {"d9Package", package},
                   {"d10Q", unit}});
    }
    QStringList sortedRows(const QString &table)
    {
        QStringList rows = storedRows(table);
        rows.sort();
        return rows;
    }
};

} // namespace

TEST_F(PickListLoadersTest, EachLoaderStoresEveryListedValueOnceAndSkipsEmptyOnes)
{
    struct Case {
        const char *name;
        PickListLoad kind;
        QStringList stored;
    };
    const QList<Case> cases = {
        {"contragents", PickListLoad::Contragents, {"ru|1|ООО Ромашка|ООО Ромашка", "ru|2|GmbH A|"}},
        {"goods", PickListLoad::Goods, {"en|8|Apples", "ru|8|Ящик яблок", "ru|8|ящик яблок"}},
        {"transport", PickListLoad::Transport, {"en|3|Truck", "ru|3|Авто", "ru|3|авто"}},
        {"details", PickListLoad::Details, {"ru|6|Сведения"}},
        {"package", PickListLoad::Package, {"ru|9|Ящик"}},
        {"quantity", PickListLoad::Quantity, {"ru|10|кг"}},
        {"official use", PickListLoad::OfficialUse, {"ru|5|Отметка"}},
        {"country", PickListLoad::Country, {"en|20|Russia", "ru|20|Германия", "ru|20|Россия"}},
    };
    const int listRow = dm().ASQM.currentRow();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dm().ASQLite3DBd.exec("delete from Contragent; delete from Phrase;");
        const QString table = c.kind == PickListLoad::Contragents ? "Contragent" : "Phrase";
        LoadPickList(dm(), c.kind, "FormMain.TfMain.test");
        EXPECT_EQ(sortedRows(table), c.stored);
        // The second run finds every value there already.
        LoadPickList(dm(), c.kind, "FormMain.TfMain.test");
        EXPECT_EQ(sortedRows(table), c.stored);
    }
    EXPECT_EQ(dm().ASQM.currentRow(), listRow) << "the list's cursor stays";
    EXPECT_EQ(dm().ASQM.recordCount(), 1);
    // The next pick list shown reads what the loaders stored.
    PickListData phrases(dm(), dm().ASQPhrase, PhraseTable());
    phrases.show("ru", 20);
    EXPECT_EQ(dm().ASQPhrase.recordCount(), 2);
    EXPECT_TRUE(journal.sink().withId(EventId::ExceptionCaught).isEmpty());
}

namespace {

// Records what a loader tells its wait window.
class RecordingProgress : public ProgressSink {
public:
    void open() override { ++opened; }
    void setPermille(int permille) override { values << permille; }
    void close() override { ++closed; }
    int opened = 0;
    int closed = 0;
    QList<int> values;
};

} // namespace

TEST_F(PickListLoadersTest, StoredEntriesStayPutDuplicatesBecomeSingleAndProgressIsShown)
{
    dm().ASQLite3DBd.exec("delete from Contragent; delete from Phrase;");
    storePhrase("ru", 8, QStringLiteral("Ящик яблок")); // there already: kept as it is
    storePhrase("ru", 8, QStringLiteral("Чай"));        // not listed: kept
    storePhrase("en", 8, QStringLiteral("Apples"));     // held twice: made single
    storePhrase("en", 8, QStringLiteral("Apples"));
    storePhrase("ru", 9, QStringLiteral("ящик яблок")); // another kind: no match
    RecordingProgress progress;
    EXPECT_EQ(LoadPickList(dm(), PickListLoad::Goods, "FormMain.TfMain.test", &progress, 3), 2);
    EXPECT_EQ(sortedRows("Phrase"),
              QStringList({"en|8|Apples", "ru|8|Чай", "ru|8|Ящик яблок", "ru|8|ящик яблок", "ru|9|ящик яблок"}));
    // The entry that was there is the same row still.
    EXPECT_EQ(storedRows("Phrase").first(), QStringLiteral("ru|8|Ящик яблок"));
    EXPECT_EQ(progress.opened, 1);
    EXPECT_EQ(progress.closed, 1);
    ASSERT_FALSE(progress.values.isEmpty());
    EXPECT_EQ(progress.values.last(), 1000);
    EXPECT_FALSE(dm().ASQLite3DBd.inTransaction());
}

TEST_F(PickListLoadersTest, AFailureRollsTheWholeLoadBackAndIsLogged)
{
    dm().ASQLite3DBd.exec("delete from Contragent; delete from Phrase;");
    // The third value refuses to go in.
    dm().ASQLite3DBd.exec("create trigger refuse before insert on Phrase when (select count(*) from Phrase) >= 2 "
                          "begin select raise(abort, 'disk full'); end;");
    EXPECT_EQ(LoadPickList(dm(), PickListLoad::Transport, "FormMain.TfMain.aLoadTransportExecute"), 0);
    EXPECT_TRUE(storedRows("Phrase").isEmpty());
    EXPECT_FALSE(dm().ASQLite3DBd.inTransaction());
    const auto records = journal.sink().withId(EventId::ExceptionCaught);
    ASSERT_EQ(records.size(), 1);
    dm().ASQLite3DBd.exec("drop trigger refuse;");
    // The list's query still works, and a new run stores everything.
    EXPECT_EQ(LoadPickList(dm(), PickListLoad::Transport, "FormMain.TfMain.aLoadTransportExecute"), 3);
}
