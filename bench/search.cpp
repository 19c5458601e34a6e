// The search over 100,000 generated certificates (three goods lines each):
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
#include "BenchFolder.h"
#include "CertificateSearch.h"
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
    Bench::CreateVersion4Schema(db);
    Bench::FillCertificates(db, 1, Certificates, Bench::Version::Four);

    const Case cases[] = {
        {"exporter substring", {"угольная компания» № 42"}, {}},
        {"goods word", {}, {"Пиломатериалы"}},
        {"exporter and goods", {"угольная компания» № 42"}, {"Пиломатериалы"}},
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
            scanMs.push_back(Bench::CommandLineMs(database, ScanSql(c)));

            // The whole search (marks and counters), each from all rows 'TRUE'.
            db.exec(QStringLiteral("update mcod set pFilter = 'TRUE'"));
            timer.restart();
            found = CertificateSearch(db, {}).run(conditions).found;
            wholeMs.push_back(timer.nsecsElapsed() / 1e6);
            db.exec(QStringLiteral("update mcod set pFilter = 'TRUE'"));
            markMs.push_back(Bench::CommandLineMs(database, MarkSql(c)));
            db.exec(QStringLiteral("update mcod set pFilter = 'TRUE'"));
        }
        const double tests = Bench::Median(testsMs), scan = Bench::Median(scanMs), whole = Bench::Median(wholeMs),
                     mark = Bench::Median(markMs);
        std::printf("%-20s %7lld | %9.1f %9.1f %5.2fx | %9.1f %9.1f %5.2fx\n", c.name, static_cast<long long>(found),
                    tests, scan, tests / scan, whole, mark, whole / mark);
    }
    return 0;
}
