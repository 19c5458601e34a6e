// What the operator waits for in the certificate list, on the generated
// databases: moving to another certificate (its goods lines), switching to
// the neighbouring tab and to the oldest one, the own-certificates filter on
// and off, and a title click that sorts. The real main window and list over
// the real data module; each figure the median of several runs, beside the
// sqlite3 command line running the same statements on the same file in the
// same run (its process start included, output to /dev/null).
//
//   bench_list_operations <folder made by bench_make_database> ...
#include "BenchFolder.h"

#include "FormMain.h"
#include "LanguageForm.h"
#include "ListForm.h"
#include "ListPageTabs.h"
#include "ListPages.h"
#include "Prompter.h"
#include "WorkplacePages.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"

#include <QApplication>

namespace {

constexpr int Runs = 7;

void Settle()
{
    QCoreApplication::processEvents();
}

int ColumnOf(TfList &list, const QString &field)
{
    const auto &columns = list.DBGridDocuments->columns();
    for (int i = 0; i < columns.count(); ++i)
        if (columns.column(i).field() && columns.column(i).field()->name() == field)
            return i;
    qFatal("no column %s", qPrintable(field));
}

void Measure(const QString &home)
{
    std::unique_ptr<TDM> dm = Bench::OpenModule(home);
    const QString database = dm->databasePath();
    TfMain main;
    RegisterWorkplacePages(main);
    main.resize(1200, 800);
    main.show();
    main.aListExecute();
    Settle();
    auto *list = qobject_cast<TfList *>(main.page(QStringLiteral("fList")));
    SqlQuery &query = dm->ASQM;
    const qint64 count = list->listCount();
    std::printf("\n%s: %lld certificates, %d tabs, median of %d runs\n", qPrintable(home), (long long)count,
                list->TabControlList->count(), Runs);

    std::vector<double> ms, cli;
    // Moving to the next certificate: the goods query of its row.
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        query.next();
        Settle();
        ms.push_back(Bench::MsSince(timer));
        cli.push_back(Bench::CommandLineMs(
            database, Bench::InlineSql(dm->ASQD.sql(), {{"id", dm->ASQD.paramByName("id").asInteger()}})));
    }
    Bench::PrintLine("move to another certificate (goods)", Bench::Median(ms), Bench::Median(cli));

    const auto tabSwitch = [&](const char *what, int tab) {
        ms.clear();
        cli.clear();
        const int last = list->TabControlList->count() - 1;
        for (int run = 0; run < Runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            list->TabControlList->setCurrentIndex(tab);
            Settle();
            ms.push_back(Bench::MsSince(timer));
            cli.push_back(Bench::CommandLineMs(database, Bench::PageSql(query)));
            list->TabControlList->setCurrentIndex(last);
            Settle();
        }
        Bench::PrintLine(what, Bench::Median(ms), Bench::Median(cli));
    };
    tabSwitch("tab switch to the neighbouring tab", list->TabControlList->count() - 2);
    tabSwitch("tab switch to the oldest tab", 0);

    // After `prepare`, `act` until the list has counted and shows its newest
    // page; beside it the same count and page by the command line.
    const auto countAndPage = [&](const char *what, const std::function<void()> &prepare,
                                  const std::function<void()> &act) {
        ms.clear();
        cli.clear();
        for (int run = 0; run < Runs; ++run) {
            prepare();
            Settle();
            QElapsedTimer timer;
            timer.start();
            act();
            Settle();
            ms.push_back(Bench::MsSince(timer));
            cli.push_back(Bench::CommandLineMs(database, Bench::CountSql(query) + Bench::PageSql(query)));
        }
        Bench::PrintLine(what, Bench::Median(ms), Bench::Median(cli));
    };
    const auto ownFilter = [&](bool on) {
        return [list, on] {
            list->aFilterMyOnly->setChecked(on);
            list->aFilterMyOnlyExecute();
        };
    };
    countAndPage("own certificates on (count + page)", ownFilter(false), ownFilter(true));
    countAndPage("own certificates off (count + page)", ownFilter(true), ownFilter(false));

    // A title click: the count and the newest page in the new order.
    const auto sort = [&](const char *what, const QString &field) {
        countAndPage(
            what,
            [&] {
                SetListView(query, ListView{});
                list->SetListTabs();
            },
            [&] { list->DBGridDocumentsTitleClick(ColumnOf(*list, field)); });
    };
    sort("title click: sort by Expert (count + page)", QStringLiteral("Expert"));
    sort("title click: sort by CertNo (count + page)", QStringLiteral("CertNo"));
    sort("title click on a date: LastDate up (count + page)", QStringLiteral("Date11"));
    std::printf("targets at 1M: moving and tab switch <= 50 ms; filter and sort <= 1.5x sqlite3\n");
}

} // namespace

int main(int argc, char **argv)
{
    return Bench::ForEachFolder<QApplication>(argc, argv, "bench_list_operations", Measure);
}
