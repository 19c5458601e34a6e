// The search over 100,000 certificates with one to three goods lines each:
// an exporter substring, a goods word, and both together. Two figures per
// search, each beside the sqlite3 command line in the same run (its process
// start included, output to /dev/null), medians of several runs:
// - the tests: the listed certificates read in groups and tested, against
//   one SQL scan of the same columns for the same terms;
// - the whole search (tests, marks in one transaction, both counters), from
//   all rows 'TRUE', against the same scan writing the same marks and
//   reading the same counters in set statements.
//
// The command line compares the UTF-16LE bytes as they are stored, so its
// terms are given in the case the texts have; the search ignores case.
#include "BenchSupport.h"
#include "CertificateSearch.h"
#include "DatabaseSchema.h"
#include "SqliteDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Certificates = 100000;
constexpr int Runs = 5;

const QStringList Goods = {"Станки токарные с числовым программным управлением", "Запасные части к станкам",
                           "Мебель офисная деревянная", "Удобрения минеральные азотные",
                           "Трубы стальные бесшовные горячедеформированные", "Кондитерские изделия, шоколад"};

void FillCertificates(SqliteDatabase &db)
{
    for (const QString &create : Schema::CertificateTables())
        db.exec(create);
    SqliteTransaction transaction(db);
    SqliteStatement head(db, QStringLiteral(
        "insert into mcod (id,status,CertNo,ReferenceNo,GNum,NumNum,Language,DateIssued,Expert,Sender,Exporter,"
        "Recipient,Importer,OfficialNote,Country5,AdditionalInfo,City11,Date11,Country12,City12,Date12,pFilter,"
        "LastDate) values (:id,:status,:id,:ref,6,:id,'ru',:day,'Иванов',:sender,:exporter,:recipient,:importer,"
        ":note,'Россия',:info,'Город',:day,'Германия','Берлин',:day,'TRUE',:day)"));
    SqliteStatement line(db, QStringLiteral(
        "insert into dcod (idM,dOrder,d8Description,d9Count,d9Package,d10Weight,d10Q) "
        "values (:idM,:order,:d8,'10','ящик','100','кг')"));
    const int statuses[] = {6, 7, 7, 7, 5, 8, 9, 10};
    for (int i = 1; i <= Certificates; ++i) {
        head.reset();
        head.bindInteger("id", i);
        head.bindInteger("status", statuses[i % 8]);
        head.bindText("ref", QString("6007%1").arg(i % 1000000, 6, 10, QChar('0')));
        head.bindInteger("day", 40000 + i / 40);
        head.bindWideBlob("sender", QString("ООО \"Экспортёр %1\"").arg(i % 5000));
        head.bindWideBlob("exporter", QString("г. Город, ул. Длинная, д. %1, оф. %2").arg(i % 300).arg(i % 17));
        head.bindWideBlob("recipient", QString("Importer GmbH %1").arg(i % 700));
        head.bindWideBlob("importer", QString("Berlin, Strasse %1").arg(i % 77));
        head.bindWideBlob("note", QString("Отметка %1").arg(i % 13));
        head.bindWideBlob("info", QString("Контракт № %1 от 01.02.2024").arg(i));
        head.execute();
        for (int order = 1; order <= 1 + i % 3; ++order) {
            line.reset();
            line.bindInteger("idM", i);
            line.bindInteger("order", order);
            line.bindWideBlob("d8", Goods.at((i + order) % Goods.size()) + QString(", партия %1").arg(i));
            line.execute();
        }
    }
    transaction.commit();
}

// The term as the stored bytes: an SQL blob literal of its UTF-16LE.
QString BlobLiteral(const QString &term)
{
    return QStringLiteral("X'") + QString::fromLatin1(WideTextBytes(term).toHex()) + QLatin1Char('\'');
}

struct Case {
    const char *name;
    QStringList exporterTerms;
    QStringList goodsTerms;
};

// The same terms as one condition over the same columns.
QString ScanCondition(const Case &c)
{
    QStringList conditions;
    for (const QString &term : c.exporterTerms)
        conditions << QStringLiteral("(instr(Sender, %1) or instr(Exporter, %1))").arg(BlobLiteral(term));
    for (const QString &term : c.goodsTerms)
        conditions << QStringLiteral("id in (select idM from dcod where instr(d8Description, %1))").arg(BlobLiteral(term));
    return (conditions + QStringList{QStringLiteral("1")}).join(QStringLiteral(" and "));
}

// One scan: the certificates that meet the condition, counted.
QString ScanSql(const Case &c)
{
    return QStringLiteral("select count(*) from mcod where ") + ScanCondition(c) + QLatin1Char(';');
}

// The same marks and counts the search leaves, in set statements.
QString MarkSql(const Case &c)
{
    return QStringLiteral("update mcod set pFilter = 'FALSE' where not (") + ScanCondition(c)
         + QStringLiteral("); select sum(status <> 6), sum(pFilter = 'TRUE') from mcod;");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString database = home.filePath("Tessal.sqb");
    SqliteDatabase db(database);
    std::printf("filling %d certificates ...\n", Certificates);
    FillCertificates(db);

    const Case cases[] = {
        {"exporter substring", {"Экспортёр 42"}, {}},
        {"goods word", {}, {"Мебель"}},
        {"exporter and goods", {"Экспортёр 42"}, {"Мебель"}},
    };
    std::printf("%-20s %7s | %9s %9s %6s | %9s %9s %6s\n", "search", "found", "tests ms", "scan ms", "ratio",
                "whole ms", "sql ms", "ratio");
    for (const Case &c : cases) {
        SearchConditions conditions;
        conditions.exporterTerms = c.exporterTerms;
        conditions.goodsTerms = c.goodsTerms;
        std::vector<double> testsMs, wholeMs, scanMs, markMs;
        qint64 found = 0;
        for (int run = 0; run < Runs; ++run) {
            // The tests alone: the listed rows read in groups and tested, nothing written.
            QElapsedTimer timer;
            timer.start();
            {
                CertificateSearch search(db, {});
                search.failingIds(search.listedRows(), conditions);
            }
            testsMs.push_back(timer.nsecsElapsed() / 1e6);
            scanMs.push_back(CommandLineMs(database, ScanSql(c)));

            // The whole search (marks and counters), each from all rows 'TRUE'.
            db.exec(QStringLiteral("update mcod set pFilter = 'TRUE'"));
            timer.restart();
            found = CertificateSearch(db, {}).run(conditions).found;
            wholeMs.push_back(timer.nsecsElapsed() / 1e6);
            db.exec(QStringLiteral("update mcod set pFilter = 'TRUE'"));
            markMs.push_back(CommandLineMs(database, MarkSql(c)));
            db.exec(QStringLiteral("update mcod set pFilter = 'TRUE'"));
        }
        const double tests = Median(testsMs), scan = Median(scanMs), whole = Median(wholeMs), mark = Median(markMs);
        std::printf("%-20s %7lld | %9.1f %9.1f %5.2fx | %9.1f %9.1f %5.2fx\n", c.name, static_cast<long long>(found),
                    tests, scan, tests / scan, whole, mark, whole / mark);
    }
    return 0;
}
