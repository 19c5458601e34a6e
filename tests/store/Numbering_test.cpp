// Blank numbers, ids, certificate numbers, the year digit and the date questions.
#include "ComponentTag.h"
#include "DataTessalNumbering.h"
#include "StoreFixture.h"
#include "ggError.h"

#include <QSet>

#include <random>

namespace {

const QString NoNumberLeft = QStringLiteral("Администратор должен задать АРМу новый диапазон номеров.");
const QString NoRange = QStringLiteral("Администратор АРМа должен задать диапазон допустимых номеров");

struct UsedBlank {
    qint64 number;
    int yearDigit = 6;
    int status = 7;
};

struct BlankCase {
    const char *name;
    uint32_t min, max;
    QList<UsedBlank> used;
    int32_t expected;
    QString message; // the one box shown, if any
    QString failure; // the logged failure, if any
};

} // namespace

class NumberingTest : public StoreFixture {
protected:
    void useBlanks(const QList<UsedBlank> &used)
    {
        exec(QStringLiteral("delete from mcod"));
        exec(QStringLiteral("begin"));
        qint64 id = 1;
        for (const UsedBlank &blank : used)
            insertCertificate(certificate(id++, blank.number, {{"GNum", blank.yearDigit}, {"status", blank.status}}));
        exec(QStringLiteral("commit"));
    }
};

TEST_F(NumberingTest, FirstFreeBlankNumber)
{
    const QList<BlankCase> cases = {
        {"gap", 1, 9999, {{1}, {2}, {3}, {5}}, 4, {}, {}},
        {"empty table", 1, 9999, {}, 1, {}, {}},
        {"range full", 1, 3, {{1}, {2}, {3}}, 0, NoNumberLeft, {}},
        {"spoilt blank used again", 1, 9999, {{1}, {2, 6, 8}, {3}}, 2, {}, {}},
        {"last year ignored", 1, 9999, {{1, 5}, {2, 5}, {1, 6}}, 2, {}, {}},
        {"numbers below the range", 10, 20, {{5}, {10}, {11}}, 12, {}, {}},
        {"repeated number skipped", 1, 9999, {{1}, {1}, {2}, {3}}, 4, {}, {}},
        {"repeat before a gap", 1, 9999, {{1}, {2}, {2}, {4}}, 3, {}, {}},
        {"repeat of the last number", 1, 2, {{1}, {2}, {2}}, 0, NoNumberLeft, {}},
        {"min 0", 0, 9999, {{1}}, 0, NoRange, QStringLiteral("RefMin <= 0")},
        {"min above max", 5, 4, {}, 0, NoRange, QStringLiteral("RefMin > RefMax")},
    };
    for (const BlankCase &c : cases) {
        SCOPED_TRACE(c.name);
        useBlanks(c.used);
        App().NumberRangeMin = c.min;
        App().NumberRangeMax = c.max;
        SetTag(dm->ASQM, 77);
        prompter->clear();
        journal.sink().clear();

        MaxNumberPaperToTag(*dm);

        EXPECT_EQ(Tag(dm->ASQM), c.expected);
        EXPECT_EQ(prompter->texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        const auto logged = journal.sink().withId(EventId::ExceptionCaught);
        if (c.failure.isEmpty()) {
            EXPECT_TRUE(logged.isEmpty());
        } else {
            ASSERT_EQ(logged.size(), 1);
            EXPECT_EQ(logged[0].strings,
                      (QStringList{"[Expert]DataTessal.TDM.MaxNumberPaperToTag", c.failure}));
        }
    }
}

// The first number of the range that no certificate of this year uses (spoilt
// blanks do not count), computed the plain way over random tables.
TEST_F(NumberingTest, FirstFreeBlankNumberMatchesPlainComputation)
{
    std::mt19937 random(20260315);
    const auto between = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int round = 0; round < 40; ++round) {
        const uint32_t min = uint32_t(between(1, 15));
        const uint32_t max = min + uint32_t(between(0, 25));
        QList<UsedBlank> used;
        const int rows = between(0, 45);
        for (int i = 0; i < rows; ++i)
            used.append({between(0, 45), between(0, 3) == 0 ? 5 : 6, QList<int>{6, 7, 8, 9, 10}[between(0, 4)]});
        useBlanks(used);
        App().NumberRangeMin = min;
        App().NumberRangeMax = max;

        QSet<qint64> taken;
        for (const UsedBlank &blank : used)
            if (blank.yearDigit == 6 && blank.status != 8)
                taken.insert(blank.number);
        int32_t expected = 0;
        for (qint64 n = min; n <= qint64(max) && expected == 0; ++n)
            if (!taken.contains(n))
                expected = int32_t(n);

        MaxNumberPaperToTag(*dm);
        ASSERT_EQ(Tag(dm->ASQM), expected) << "round " << round << " range " << min << ".." << max;
    }
}

TEST_F(NumberingTest, NewIdAndProposedCertificateNumber)
{
    struct Row {
        qint64 id;
        const char *language;
        QVariant certNo;
    };
    struct Case {
        const char *name;
        QList<Row> rows;
        QString language;
        int32_t id;
        int32_t proposed;
    };
    const QList<Case> cases = {
        {"empty table", {}, "ru", 1, 0},
        {"next after the newest row of the language", {{1, "ru", 100}, {2, "en", 41}, {3, "ru", 101}}, "en", 4, 42},
        {"next number taken: largest + 1", {{1, "en", 42}, {2, "en", 41}}, "en", 3, 43},
        {"taken only in another language", {{1, "ru", 42}, {2, "en", 41}}, "en", 3, 42},
        {"next number free although larger ones exist", {{1, "en", 50}, {2, "en", 10}}, "en", 3, 11},
        {"no row of the language yet", {{1, "ru", 5}}, "de", 2, 0},
        {"language id", {{1, "id", 5}, {2, "ru", 7}}, "id", 3, 6},
        {"newest row without a number", {{1, "en", 8}, {2, "en", QVariant()}}, "en", 3, 9},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        exec(QStringLiteral("delete from mcod"));
        for (const Row &row : c.rows) {
            if (row.certNo.isValid()) {
                insertCertificate(certificate(row.id, row.id, {{"Language", row.language}, {"CertNo", row.certNo}}));
            } else {
                // CertNo is NOT NULL in the schema; an older table may still hold a null.
                exec(QStringLiteral("create table if not exists oldmcod as select * from mcod where 0"));
                exec(QStringLiteral("drop table mcod"));
                exec(QStringLiteral("create table mcod as select * from oldmcod"));
                exec(QStringLiteral("insert into mcod (id, CertNo, Language, ReferenceNo, DateIssued, LastDate) "
                                    "select 1, 8, 'en', '6007000001', 0, 0"));
                exec(QStringLiteral("insert into mcod (id, CertNo, Language, ReferenceNo, DateIssued, LastDate) "
                                    "select 2, null, 'en', '6007000002', 0, 0"));
                exec(QStringLiteral("drop table oldmcod"));
                break;
            }
        }
        App().ProposedCertNo = -5;
        EXPECT_EQ(GetNewId(*dm, c.language), c.id);
        EXPECT_EQ(App().ProposedCertNo, c.proposed);
    }
    EXPECT_TRUE(journal.sink().withId(EventId::FunctionFailed).isEmpty());
}

TEST_F(NumberingTest, NewIdWithoutTable)
{
    exec(QStringLiteral("drop table mcod"));
    EXPECT_EQ(GetNewId(*dm, "ru"), -1);
    const auto logged = journal.sink().withId(EventId::FunctionFailed);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged[0].strings.value(0), QStringLiteral("function DataTessal.TDM.GetNewId"));
}

TEST_F(NumberingTest, YearDigitFollowsBox11)
{
    dm->QueryInsM.paramByName("ReferenceNo").setText("6007000004");
    dm->QueryInsM.paramByName("Date11").setInteger(DateToDayNumber(QDate(2025, 12, 31)));
    SetYearDigit(*dm);
    EXPECT_EQ(param("ReferenceNo").toString(), QStringLiteral("5007000004"));
    EXPECT_EQ(param("GNum").toLongLong(), 5);

    dm->QueryInsM.paramByName("ReferenceNo").clear();
    EXPECT_THROW(SetYearDigit(*dm), AppError);
}

TEST_F(NumberingTest, EarliestIssueDate)
{
    EXPECT_EQ(GetMinDateOfDocument(*dm), today());
    insertCertificate(certificate(1, 1, {{"status", 6}, {"DateIssued", today() - 40}}));
    EXPECT_EQ(GetMinDateOfDocument(*dm), today()) << "projects do not count";
    insertCertificate(certificate(2, 2, {{"status", 9}, {"DateIssued", today() - 20}}));
    insertCertificate(certificate(3, 3, {{"status", 8}, {"DateIssued", today() - 30}}));
    insertCertificate(certificate(4, 4, {{"status", 7}, {"DateIssued", today() - 10}}));
    EXPECT_EQ(GetMinDateOfDocument(*dm), today() - 30);
    insertCertificate(certificate(5, 5, {{"status", 10}, {"DateIssued", 0}}));
    EXPECT_EQ(GetMinDateOfDocument(*dm), today()) << "a zero date reads as none";

    exec(QStringLiteral("drop table mcod"));
    try {
        GetMinDateOfDocument(*dm);
        FAIL() << "no error raised";
    } catch (const AppError &e) {
        EXPECT_EQ(ExceptionText(e), QStringLiteral("error in GetMinDateOfDocument"));
    }
    const auto logged = journal.sink().withId(EventId::FunctionFailed);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged[0].type, EventType::Warning);
    EXPECT_EQ(logged[0].category, EventCategory::FunctionFailure);
    EXPECT_EQ(logged[0].strings.value(0), QStringLiteral("function DataTessal.TDM.GetMinDateOfDocument"));
}

TEST_F(NumberingTest, LatestChangeDate)
{
    EXPECT_EQ(GetMaxLastDate(*dm), today() - 3);
    insertCertificate(certificate(1, 1, {{"LastDate", today() - 9}}));
    insertCertificate(certificate(2, 2, {{"LastDate", today() - 7}}));
    EXPECT_EQ(GetMaxLastDate(*dm), today() - 7);
    exec(QStringLiteral("drop table mcod"));
    EXPECT_EQ(GetMaxLastDate(*dm), today() - 3);
}

TEST_F(NumberingTest, DaysWithoutSynchronisation)
{
    EXPECT_EQ(dm->ReadOption(CommonUser, "LastSync"), QString::number(today()));
    EXPECT_EQ(DaysWithoutSync(*dm), 0) << "nothing changed";

    insertCertificate(certificate(1, 1, {{"LastDate", today() - 10}}));
    insertCertificate(certificate(2, 2, {{"LastDate", today() - 3}}));
    dm->SaveOption(CommonUser, "LastSync", QString::number(today() - 5));
    EXPECT_EQ(DaysWithoutSync(*dm), 3);

    exec(QStringLiteral("delete from Options where ParamName = x'") + QString::fromLatin1(WideTextBytes("LastSync").toHex()) + "'");
    EXPECT_EQ(dm->ReadOption(CommonUser, "LastSync"), QString());
    EXPECT_EQ(DaysWithoutSync(*dm), 10);

    dm->SaveOption(CommonUser, "LastSync", "not a number");
    EXPECT_EQ(DaysWithoutSync(*dm), 10);

    exec(QStringLiteral("delete from mcod"));
    insertCertificate(certificate(3, 3, {{"LastDate", today() + 2}}));
    EXPECT_EQ(DaysWithoutSync(*dm), 0) << "a change dated after today";
}
