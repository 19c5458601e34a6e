// The search without its window: which certificates a set of conditions
// leaves marked 'TRUE', the own-certificates filter, the counters, failures
// and the records for the reports.
#include "StoreFixture.h"

#include "CertificateSearch.h"
#include "ListQuery.h"

#include <QSet>

namespace {

// Sparse ids, so that the walk meets gaps of every size.
const QList<int32_t> AllIds = {1, 5, 100, 2000, 40000};

QSet<int32_t> Ids(std::initializer_list<int32_t> ids)
{
    return QSet<int32_t>(ids);
}

class CertificateSearchTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        const qint64 day = today();
        add(1, 123456, {{"status", 7}, {"Sender", "ООО Ромашка"}, {"Exporter", "Москва, ул. Ленина"},
                        {"Recipient", "Acme GmbH"}, {"Importer", QString()}, {"OfficialNote", "Срочно"},
                        {"AdditionalInfo", "Контракт 15"}, {"Country12", "Германия"}},
            {"Станки токарные", "Запчасти"});
        add(5, 124000, {{"status", 5}, {"Sender", "ЗАО Лютик"}, {"Country12", "Франция"}, {"Expert", "Петров"}},
            {"Мебель"});
        add(100, 777, {{"status", 6}, {"GNum", 5}, {"ReferenceNo", "5007000777"}, {"Sender", "ООО Ромашка и Лютик"},
                       {"Date11", day - 10}, {"Country12", "Италия"}},
            {});
        add(2000, 120001, {{"status", 10}, {"Sender", "ИП Сидоров"}, {"Country12", "Италия"}},
            {"станки фрезерные", "мебель офисная"});
        add(40000, 999999, {{"status", 8}, {"Sender", QVariant()}, {"Exporter", QVariant()}, {"Country12", "Италия"},
                            {"Expert", "Петров"}, {"BadExpert", "Expert"}},
            {"Запчасти"});
    }

    void add(qint64 id, qint64 numNum, const QVariantMap &values, const QStringList &goods)
    {
        insertCertificate(certificate(id, numNum, values));
        int order = 0;
        for (const QString &description : goods)
            insertRow("dcod", {{"idM", id}, {"dOrder", ++order}, {"d8Description", description}});
    }

    QSet<int32_t> marked(const char *value)
    {
        QSet<int32_t> ids;
        SqliteStatement query(dm->ASQLite3DBd,
                              QStringLiteral("select id from mcod where pFilter = '%1'").arg(QLatin1String(value)));
        while (query.step())
            ids << int32_t(query.columnInteger(0));
        return ids;
    }
    QSet<int32_t> found() { return marked("TRUE"); }

    SearchOutcome search(const SearchConditions &c, const SqlFragment &filter = {})
    {
        exec("update mcod set pFilter = 'TRUE'");
        return CertificateSearch(dm->ASQLite3DBd, filter).run(c);
    }
};

using Change = std::function<void(SearchConditions &)>;

struct ConditionCase {
    const char *name;
    Change change;
    QSet<int32_t> expected;
};

int Status(const char *text)
{
    const auto &choices = SearchStatusChoices();
    for (int i = 0; i < choices.size(); ++i)
        if (choices.at(i).text == QString::fromUtf8(text))
            return i;
    return -1;
}

} // namespace

TEST_F(CertificateSearchTest, ConditionsFindTheirCertificates)
{
    const qint64 day = today();
    const ConditionCase cases[] = {
        {"no condition", [](SearchConditions &) {}, Ids({1, 5, 100, 2000, 40000})},
        {"year digit", [](SearchConditions &c) { c.yearMask = "5"; }, Ids({100})},
        {"number, first two places", [](SearchConditions &c) { c.numberMask = "12????"; }, Ids({1, 5, 2000})},
        {"number, gaps", [](SearchConditions &c) { c.numberMask = "1?4???"; }, Ids({5})},
        {"number all blank", [](SearchConditions &c) { c.numberMask = "??????"; }, Ids({1, 5, 100, 2000, 40000})},
        {"blank number", [](SearchConditions &c) { c.blankMask = "0000101"; }, Ids({1})},
        {"blank number masked", [](SearchConditions &c) { c.blankMask = "00001??"; }, Ids({1, 5})},
        {"issued, not status 5", [](SearchConditions &c) { c.statusChoice = Status("Выдан"); }, Ids({1})},
        {"duplicate", [](SearchConditions &c) { c.statusChoice = Status("Дубликат"); }, Ids({2000})},
        {"spoilt", [](SearchConditions &c) { c.statusChoice = Status("Испорчен бланк"); }, Ids({40000})},
        {"cancelled", [](SearchConditions &c) { c.statusChoice = Status("Аннулирован"); }, Ids({})},
        {"project", [](SearchConditions &c) { c.statusChoice = Status("Проект"); }, Ids({100})},
        {"begin date", [day](SearchConditions &c) { c.beginDay = day - 5; }, Ids({1, 5, 2000, 40000})},
        {"end date", [day](SearchConditions &c) { c.endDay = day - 5; }, Ids({100})},
        {"begin date takes its own day", [day](SearchConditions &c) { c.beginDay = day - 10; },
         Ids({1, 5, 100, 2000, 40000})},
        {"end date takes its own day", [day](SearchConditions &c) { c.endDay = day - 10; }, Ids({100})},
        {"end date the day before", [day](SearchConditions &c) { c.endDay = day - 11; }, Ids({})},
        {"a one-day span",
         [day](SearchConditions &c) {
             c.beginDay = day;
             c.endDay = day;
         },
         Ids({1, 5, 2000, 40000})},
        {"exporter, all terms", [](SearchConditions &c) { c.exporterTerms = {"ромашка", "", "ЛЮТИК"}; }, Ids({100})},
        {"exporter, any term",
         [](SearchConditions &c) {
             c.exporterTerms = {"ромашка", "лютик"};
             c.exporterAllTerms = false;
         },
         Ids({1, 5, 100})},
        {"exporter over both lines of box 1", [](SearchConditions &c) { c.exporterTerms = {"ромашка\r\nмосква"}; },
         Ids({1})},
        {"typed star and question mark", [](SearchConditions &c) { c.exporterTerms = {"Ром?шка*Лют"}; }, Ids({100})},
        {"goods, all terms over several lines", [](SearchConditions &c) { c.goodsTerms = {"СТАНКИ", "мебель"}; },
         Ids({100, 2000})},
        {"goods, any term",
         [](SearchConditions &c) {
             c.goodsTerms = {"мебель", "нет такого"};
             c.goodsAllTerms = false;
         },
         Ids({5, 100, 2000})},
        {"importer", [](SearchConditions &c) { c.importer = "ACME"; }, Ids({1})},
        {"official notes", [](SearchConditions &c) { c.officialNote = "срочно"; }, Ids({1})},
        {"additional information", [](SearchConditions &c) { c.additionalInfo = "КОНТРАКТ"; }, Ids({1})},
        {"country, any case", [](SearchConditions &c) { c.country = "итал"; }, Ids({100, 2000, 40000})},
        {"expert, any case", [](SearchConditions &c) { c.expert = "ПЕТР"; }, Ids({5, 40000})},
        {"several conditions",
         [](SearchConditions &c) {
             c.country = "Италия";
             c.goodsTerms = {"запчасти"};
         },
         Ids({100, 40000})},
    };
    for (const ConditionCase &row : cases) {
        SearchConditions c;
        row.change(c);
        const SearchOutcome outcome = search(c);
        EXPECT_EQ(found(), row.expected) << row.name;
        EXPECT_EQ(outcome.found, row.expected.size()) << row.name;
        EXPECT_EQ(QSet<int32_t>(outcome.hidden.begin(), outcome.hidden.end()),
                  QSet<int32_t>(AllIds.begin(), AllIds.end()) - row.expected)
            << row.name;
    }
}

TEST_F(CertificateSearchTest, OwnFilterKeepsOtherCertificatesUnmarkedAndCountsOnlyOwn)
{
    SearchConditions c;
    // The own filter of "Expert": 1 (issued), 100 (project) and 40000 (status
    // changed by Expert). The found count takes projects in, the total not.
    SearchOutcome outcome = search(c, MyOnlyFilter("Expert"));
    EXPECT_EQ(found(), Ids({1, 5, 100, 2000, 40000}));
    EXPECT_EQ(outcome.total, 2);
    EXPECT_EQ(outcome.found, 3);

    c.statusChoice = Status("Выдан");
    outcome = search(c, MyOnlyFilter("Expert"));
    EXPECT_EQ(marked("FALSE"), Ids({100, 40000})); // 5 and 2000 are not Expert's: never marked
    EXPECT_EQ(QSet<int32_t>(outcome.hidden.begin(), outcome.hidden.end()), Ids({100, 40000}));
    EXPECT_EQ(outcome.found, 1);
    EXPECT_EQ(outcome.total, 2);
}

TEST_F(CertificateSearchTest, NamesWithQuotesOrLikeAColumnDoNotWidenTheOwnFilter)
{
    // Pasted into the SQL, "Expert" in double quotes would name the column and
    // take every row; a quote would end the text.
    exec("update mcod set Expert = 'Петров', BadExpert = null");
    for (const QString &name : {QStringLiteral("Expert"), QStringLiteral("BadExpert"), QStringLiteral("x\" or 1=1 or \""),
                               QStringLiteral("x' or '1'='1")}) {
        SearchConditions c;
        c.statusChoice = Status("Аннулирован");
        const SearchOutcome outcome = search(c, MyOnlyFilter(name));
        EXPECT_TRUE(marked("FALSE").isEmpty()) << name.toStdString();
        EXPECT_EQ(outcome.total, 0) << name.toStdString();
        EXPECT_EQ(outcome.found, 0) << name.toStdString();
    }
}

TEST_F(CertificateSearchTest, NoCertificatesCountsNothingWithoutAnError)
{
    exec("delete from dcod; delete from mcod");
    SearchConditions c;
    c.goodsTerms = {"станки"};
    SearchOutcome outcome;
    EXPECT_NO_THROW(outcome = search(c));
    EXPECT_EQ(outcome.total, 0);
    EXPECT_EQ(outcome.found, 0);
    EXPECT_TRUE(outcome.hidden.isEmpty());
}

TEST_F(CertificateSearchTest, FailureMidSearchLeavesNoMarkBehind)
{
    // A stale mark from before, and the marking of one certificate fails.
    exec("update mcod set pFilter = 'FALSE' where id = 5");
    exec("create trigger refuse before update of pFilter on mcod when new.id = 2000 and new.pFilter = 'FALSE' "
         "begin select raise(abort, 'refused'); end");
    SearchConditions c;
    c.statusChoice = Status("Выдан");
    EXPECT_THROW(CertificateSearch(dm->ASQLite3DBd, {}).run(c), std::exception);
    EXPECT_EQ(found(), Ids({1, 5, 100, 2000, 40000}));

    // Goods that cannot be read fail the search the same way.
    exec("drop trigger refuse; drop table dcod");
    c = SearchConditions();
    c.goodsTerms = {"станки"};
    EXPECT_THROW(CertificateSearch(dm->ASQLite3DBd, {}).run(c), std::exception);
    EXPECT_EQ(marked("FALSE"), Ids({}));
}

TEST_F(CertificateSearchTest, WalksManyIdsInGroupsAndKeepsTheDiagnosticsShort)
{
    // 95 more certificates with ids far apart: every one is read once.
    for (qint64 i = 1; i <= 95; ++i)
        insertCertificate(certificate(100000 + i * 997, 500000 + i, {{"Sender", "ООО Ромашка"}}));
    SearchConditions c;
    c.exporterTerms = {"ромашка"};
    const SearchOutcome outcome = search(c);
    EXPECT_EQ(outcome.found, 97);
    EXPECT_EQ(outcome.hidden.size(), 3);

    QStringList steps;
    for (const EventRecord &record : journal.sink().withId(EventId::Diagnostic))
        steps << record.strings.value(0);
    EXPECT_EQ(steps.count("TfSearch.aOkExecute 140"), 1);
    EXPECT_EQ(steps.first(), "TfSearch.aOkExecute 010");
    EXPECT_EQ(steps.last(), "TfSearch.aOkExecute 350");
    EXPECT_TRUE(steps.contains("TfSearch.aOkExecute 250"));
    EXPECT_EQ(journal.sink().records().size(), steps.size());
}

TEST(SearchOptionRecords, InOrderWithTheirTexts)
{
    SearchConditions c;
    c.yearMask = "6";
    c.numberMask = "12????";
    c.blankMask = "0000101";
    c.beginDay = DateToDayNumber(QDate(2026, 1, 1));
    c.endDay = DateToDayNumber(QDate(2026, 1, 31));
    c.exporterTerms = {"Ромашка", "", "Лютик"};
    c.importer = "Acme";
    c.officialNote = "Срочно";
    c.additionalInfo = "нет записи";
    c.country = "нет записи";
    c.expert = "Петров";
    c.statusChoice = 1;
    c.goodsTerms = {"", "Станки"};
    const QList<SearchOption> expected = {
        {"Всего документов: 12", ""},
        {"Найдено документов: 30", ""},
        {"Список поисковых условий, накладываемых при отборе.", ""},
        {"    Год выдачи", "6"},
        {"    номер", "12????"},
        {"    бланк", "0000101"},
        {"    Выдан (С)", "01.01.2026"},
        {"    Выдан до (По)", "31.01.2026"},
        {"    Экспортёр", "Ромашка"},
        {"    Экспортёр", "Лютик"},
        {"    Импортёр", "Acme"},
        {"    Служебные отметки", "Срочно"},
        {"    Эксперт", "Петров"},
        {"    Статус", "Выдан"},
        {"    Товар", "Станки"},
    };
    EXPECT_EQ(SearchOptionRecords(c, TotalCounterText(12), FoundCounterText(30)), expected);

    const QList<SearchOption> bare = {{"Всего документов: 0", ""},
                                      {"Найдено документов: 0", ""},
                                      {"Список поисковых условий, накладываемых при отборе.", ""},
                                      {"    Статус", "нет данных"}};
    EXPECT_EQ(SearchOptionRecords(SearchConditions(), TotalCounterText(0), FoundCounterText(0)), bare);
}
