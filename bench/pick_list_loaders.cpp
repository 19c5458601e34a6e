// The eight pick-list loaders of the main window's File menu on the generated
// databases, from empty pick lists: each loader as the action runs it (the
// list query over every listed certificate, the wait window in its thread,
// one transaction synced at its commit), beside the sqlite3 command line
// inserting the same distinct values into the same table in one committed
// transaction, on the same file in the same run. Then the loader once more
// over the full pick list, when it finds every value there and adds nothing.
// The pick lists are put back as they were at the end.
//
//   bench_pick_list_loaders <folder made by bench_make_database> ...
#include "BenchFolder.h"

#include "PickListLoaders.h"
#include "WaitWindowProgress.h"

#include <QApplication>

namespace {

constexpr int Runs = 3;

struct Loader {
    const char *name;
    PickListLoad kind;
    const char *table;
    const char *stypes;
    // The command line's statements: the same distinct values of the listed
    // certificates (ListedSql stands for the list's statement).
    const char *cliInsert;
};

// Empty names are skipped; of a pair, a missing one is stored as an empty
// name. Countries are stored as the command line reads them (UTF-8, where
// the loader stores UTF-16LE): the same number of distinct values.
const Loader Loaders[] = {
    {"aLoadContragents", PickListLoad::Contragents, "Contragent", "1,2",
     "INSERT INTO Contragent (lang,stype,nameT,nameB) SELECT DISTINCT Language, 1, ifnull(Sender,x''), "
     "ifnull(Exporter,x'') FROM (ListedSql) WHERE length(Sender) > 0 OR length(Exporter) > 0;\n"
     "INSERT INTO Contragent (lang,stype,nameT,nameB) SELECT DISTINCT Language, 2, ifnull(Recipient,x''), "
     "ifnull(Importer,x'') FROM (ListedSql) WHERE length(Recipient) > 0 OR length(Importer) > 0;\n"},
    {"aLoadGoods", PickListLoad::Goods, "Phrase", "8",
     "INSERT INTO Phrase (lang,stype,name) SELECT DISTINCT m.Language, 8, d.d8Description FROM (ListedSql) AS m "
     "JOIN dcod AS d ON d.idM = m.id WHERE length(d.d8Description) > 0;\n"},
    {"aLoadTransport", PickListLoad::Transport, "Phrase", "3",
     "INSERT INTO Phrase (lang,stype,name) SELECT DISTINCT Language, 3, transport FROM (ListedSql) "
     "WHERE length(transport) > 0;\n"},
    {"aLoadDetails", PickListLoad::Details, "Phrase", "6",
     "INSERT INTO Phrase (lang,stype,name) SELECT DISTINCT Language, 6, AdditionalInfo FROM (ListedSql) "
     "WHERE length(AdditionalInfo) > 0;\n"},
    {"aLoadPackage", PickListLoad::Package, "Phrase", "9",
     "INSERT INTO Phrase (lang,stype,name) SELECT DISTINCT m.Language, 9, d.d9Package FROM (ListedSql) AS m "
     "JOIN dcod AS d ON d.idM = m.id WHERE length(d.d9Package) > 0;\n"},
    {"aLoadQuantity", PickListLoad::Quantity, "Phrase", "10",
     "INSERT INTO Phrase (lang,stype,name) SELECT DISTINCT m.Language, 10, d.d10Q FROM (ListedSql) AS m "
     "JOIN dcod AS d ON d.idM = m.id WHERE length(d.d10Q) > 0;\n"},
    {"aLoadOfficialUse", PickListLoad::OfficialUse, "Phrase", "5",
     "INSERT INTO Phrase (lang,stype,name) SELECT DISTINCT Language, 5, OfficialNote FROM (ListedSql) "
     "WHERE length(OfficialNote) > 0;\n"},
    {"aLoadCountry", PickListLoad::Country, "Phrase", "20",
     "INSERT INTO Phrase (lang,stype,name) SELECT DISTINCT Language, 20, Country5 FROM (ListedSql) "
     "WHERE length(Country5) > 0 UNION SELECT DISTINCT Language, 20, Country12 FROM (ListedSql) "
     "WHERE length(Country12) > 0;\n"},
};

qint64 Count(SqliteDatabase &db, const QString &sql)
{
    SqliteStatement count(db, sql);
    count.step();
    return count.columnInteger(0);
}

// The rows of a pick-list table, to put them back at the end.
QList<QVariantList> ReadTable(SqliteDatabase &db, const QString &table)
{
    SqliteStatement select(db, "select * from " + table);
    QList<QVariantList> rows;
    while (select.step()) {
        QVariantList row;
        for (int c = 0; c < select.columnCount(); ++c)
            row << select.columnValue(c);
        rows << row;
    }
    return rows;
}

void WriteTable(SqliteDatabase &db, const QString &table, const QList<QVariantList> &rows)
{
    SqliteTransaction transaction(db);
    db.exec("delete from " + table);
    if (!rows.isEmpty()) {
        QStringList marks;
        for (qsizetype c = 0; c < rows.first().size(); ++c)
            marks << "?";
        SqliteStatement insert(db, "insert into " + table + " values (" + marks.join(',') + ")");
        for (const QVariantList &row : rows) {
            insert.reset();
            for (qsizetype c = 0; c < row.size(); ++c)
                insert.bindValue(int(c) + 1, row[c]);
            insert.execute();
        }
    }
    transaction.commit();
}

void Measure(const QString &home)
{
    std::unique_ptr<TDM> dm = Bench::OpenModule(home);
    SqliteDatabase &db = dm->ASQLite3DBd;
    const QString database = dm->databasePath();
    const QList<QVariantList> phrases = ReadTable(db, "Phrase");
    const QList<QVariantList> parties = ReadTable(db, "Contragent");

    // Every certificate is listed: no search verdict, no own filter.
    db.exec("update mcod set pFilter = 'TRUE' where pFilter <> 'TRUE'");
    dm->ASQM.close();
    dm->ASQM.setFiltered(false);
    dm->ASQM.open();
    SqlQuery all(dm->ASQM.database());
    all.setSql(dm->ASQM.sql());
    const QString listedSql = all.selectSql();
    const qint64 listed = Count(db, "select count(*) from (" + listedSql + ")");
    std::printf("\n%s: %lld certificates listed, median of %d runs, from empty pick lists\n", qPrintable(home),
                (long long)listed, Runs);

    for (const Loader &loader : Loaders) {
        const QString table = QString::fromLatin1(loader.table);
        const QString clear = "delete from " + table + " where stype in (" + loader.stypes + ")";
        const QString count = "select count(*) from " + table + " where stype in (" + loader.stypes + ")";
        const QString cliSql = "begin;\n" + QString::fromUtf8(loader.cliInsert).replace("ListedSql", listedSql)
            + "commit;\n";
        std::vector<double> ms, cli, again;
        qint64 cliRows = 0, loaderRows = 0, stored = 0;
        for (int run = 0; run < Runs; ++run) {
            db.exec(clear);
            cli.push_back(Bench::CommandLineMs(database, cliSql));
            cliRows = Count(db, count);
            db.exec(clear);

            QElapsedTimer timer;
            timer.start();
            {
                WaitWindowProgress wait(QByteArrayLiteral("Ожидайте..."));
                stored = LoadPickList(*dm, loader.kind, "bench", &wait, listed);
            }
            ms.push_back(Bench::MsSince(timer));
            loaderRows = Count(db, count);

            timer.restart();
            {
                WaitWindowProgress wait(QByteArrayLiteral("Ожидайте..."));
                if (LoadPickList(*dm, loader.kind, "bench", &wait, listed) != 0)
                    qFatal("%s: the second run added entries", loader.name);
            }
            again.push_back(Bench::MsSince(timer));
        }
        if (loaderRows != cliRows || stored != loaderRows)
            qFatal("%s: the loader stored %lld entries (%lld in the table), sqlite3 %lld", loader.name,
                   (long long)stored, (long long)loaderRows, (long long)cliRows);
        Bench::PrintLine(loader.name, Bench::Median(ms), Bench::Median(cli));
        std::printf("    %lld entries stored; the second run, adding nothing: %.1f ms\n", (long long)loaderRows,
                    Bench::Median(again));
    }
    std::printf("target at 100k: each loader within 2x sqlite3\n");
    WriteTable(db, "Phrase", phrases);
    WriteTable(db, "Contragent", parties);
}

} // namespace

int main(int argc, char **argv)
{
    return Bench::ForEachFolder<QApplication>(argc, argv, "bench_pick_list_loaders", Measure);
}
