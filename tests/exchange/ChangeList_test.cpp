// The server's change list applied to a small mcod in a real database file.
#include "ChangeList.h"
#include "DatabaseOptions.h"
#include "DatabaseSchema.h"
#include "DayNumbers.h"
#include "SqliteDatabase.h"
#include "ggError.h"

#include <QDate>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int64_t Day(int year, int month, int day) { return DayNumberOf(QDate(year, month, day)); }

struct ChangeDatabase : ::testing::Test {
    QTemporaryDir folder;
    SqliteDatabase db {folder.filePath("Tessal.sqb")};

    void SetUp() override
    {
        for (const QString &sql : {Schema::CreateMcod, Schema::CreateDcod, Schema::CreateOptions})
            db.exec(sql);
        // id, status, blank, reference, language, last day; two goods lines each
        addCertificate(1, 7, 11, "6007000011", "ru", Day(2009, 12, 31));
        addCertificate(2, 7, 12, "6007000012", "en", Day(2010, 1, 1));
        addCertificate(3, 6, 13, "6007000013", "ru", Day(2010, 3, 1));
    }
    void addCertificate(int id, int status, int blank, const char *reference, const char *language, int64_t lastDate)
    {
        SqliteStatement insert(db, "insert into mcod (id, status, CertNo, ReferenceNo, GNum, NumNum, Language, "
                                   "DateIssued, LastDate) values (:id, :status, :no, :ref, 6, :no, :lang, :day, :day)");
        insert.bindInteger("id", id);
        insert.bindInteger("status", status);
        insert.bindInteger("no", blank);
        insert.bindText("ref", reference);
        insert.bindText("lang", language);
        insert.bindInteger("day", lastDate);
        insert.execute();
        for (int line = 1; line <= 2; ++line)
            db.exec(QStringLiteral("insert into dcod (idM, dOrder) values (%1, %2)").arg(id).arg(line));
    }
    QStringList rows(const QString &sql)
    {
        SqliteStatement select(db, sql);
        QStringList all;
        while (select.step()) {
            QStringList columns;
            for (int c = 0; c < select.columnCount(); ++c)
                columns << select.columnText(c);
            all << columns.join('|');
        }
        return all;
    }
    QStringList heads() { return rows("select id, status, CertNo, ReferenceNo, GNum, NumNum, Language from mcod order by id"); }
    QString lastChange() { return DatabaseOptions(db).readCommon("lastChange"); }
};

QByteArray Change(int id, const char *oldRef, const char *newRef, int oldStatus = 7, int newStatus = 9,
                  const char *oldLanguage = "ru")
{
    return QStringLiteral("<certificate-change id=\"%1\" oldStatus=\"%2\" newStatus=\"%3\" oldBlankNo=\"%4\" "
                          "newBlankNo=\"%5\" oldReferenceNo=\"%6\" newReferenceNo=\"%7\" oldLanguage=\"%8\" "
                          "newLanguage=\"en\"/>")
        .arg(id).arg(oldStatus).arg(newStatus)
        .arg(QString::fromLatin1(oldRef).trimmed().right(2).toInt())
        .arg(QString::fromLatin1(newRef).right(3).toInt())
        .arg(QString::fromLatin1(oldRef), QString::fromLatin1(newRef), QString::fromLatin1(oldLanguage))
        .toUtf8();
}

QByteArray Answer(const QByteArray &changes, const QByteArray &clean = {})
{
    return "<changesAnswer>" + clean + "<changes>" + changes + "</changes></changesAnswer>";
}

} // namespace

TEST_F(ChangeDatabase, ChangesAboveLastChangeAreAppliedInOrder)
{
    // 5 applies (old reference with trailing blanks); 3 is skipped as 5 is known by then
    ApplyChangeList(db, Answer(Change(5, "6007000011  ", "7007000111") + Change(3, "6007000012", "7007000112", 7, 9, "en")));
    EXPECT_EQ(heads(), (QStringList {"1|9|111|7007000111|7|111|en", "2|7|12|6007000012|6|12|en",
                                     "3|6|13|6007000013|6|13|ru"}));
    EXPECT_EQ(lastChange(), "5");

    // an unmatched change still advances lastChange
    ApplyChangeList(db, Answer(Change(8, "6007000099", "7007000199")));
    EXPECT_EQ(lastChange(), "8");
    EXPECT_EQ(heads().value(1), "2|7|12|6007000012|6|12|en");
}

TEST_F(ChangeDatabase, BadNewReferenceFailsAndKeepsEarlierChanges)
{
    struct Row { const char *name, *reference, *message; };
    const Row rows[] = {
        {"short", "700700011", "'00011' is not a valid integer value"},
        {"letter in the number", "70070001x1", "'0001x1' is not a valid integer value"},
        {"sign in the number", "7007-00011", "'-00011' is not a valid integer value"},
        {"letter for the year", "x007000111", "'x' is not a valid integer value"},
    };
    int id = 10;
    for (const Row &row : rows) {
        id += 2;
        const QStringList before = heads();
        ChangeListApplication changes(
            db, Answer(Change(id - 1, "6007000013", "7007000113", 6, 6) + Change(id, "6007000011", row.reference)));
        try {
            changes.applyChanges();
            ADD_FAILURE() << row.name;
        } catch (const AppError &e) {
            EXPECT_EQ(e.message(), QString::fromLatin1(row.message)) << row.name;
        }
        EXPECT_EQ(lastChange(), QString::number(id - 1)) << row.name;
        EXPECT_EQ(heads().value(0), before.value(0)) << row.name;
        // the change before it stays: the third head moved on
        EXPECT_TRUE(heads().value(2).startsWith("3|6|113|7007000113")) << row.name;
        db.exec("update mcod set CertNo = 13, ReferenceNo = '6007000013', Language = 'ru' where id = 3");
    }
}

TEST_F(ChangeDatabase, CleanRemovesOlderHeadsWithTheirGoodsLines)
{
    struct Row { const char *name, *date; QStringList left; };
    const Row cleans[] = {
        {"at the oldest day nothing goes", "31.12.2009", {"1", "2", "3"}},
        {"blank separated", "1 1 2010", {"2", "3"}},
        {"older heads go", "1.3.2010", {"3"}},
    };
    for (const Row &row : cleans) {
        ChangeListApplication changes(db, Answer({}, QByteArray("<clean date=\"") + row.date + "\"/>"));
        changes.applyChanges();
        changes.cleanIfDue();
        EXPECT_EQ(rows("select id from mcod order by id"), row.left) << row.name;
        EXPECT_EQ(rows("select count(*) from dcod where idM not in (select id from mcod)"), QStringList {"0"})
            << row.name;
        EXPECT_EQ(rows("select count(*) from dcod"), QStringList {QString::number(2 * row.left.size())}) << row.name;
    }
}

TEST_F(ChangeDatabase, UnreadableCleanDateFailsBeforeAnyChange)
{
    for (const char *date : {"31.02.2010", "", "1.1", "1.x.2010"}) {
        EXPECT_THROW(ChangeListApplication(db, Answer(Change(1, "6007000011", "7007000111"),
                                                      QByteArray("<clean date=\"") + date + "\"/>")),
                     AppError)
            << date;
        EXPECT_EQ(lastChange(), "") << date;
    }
    EXPECT_THROW(ChangeListApplication(db, "no xml"), AppError);
}
