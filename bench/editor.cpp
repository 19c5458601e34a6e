// A new certificate until its editor shows, and the save of a project with
// three goods lines, on the generated databases: the real main window, list
// and editor over the real data module. The language window is answered with
// its first language as soon as it shows; the save is the editor's own, with
// its checks, journal record, transaction (synced to disk) and the list
// reopened on the saved row. Beside each, the sqlite3 command line running
// the statements behind it on the same file in the same run.
//
//   bench_editor <folder made by bench_make_database> ...
#include "BenchFolder.h"

#include "EditForm.h"
#include "FormMain.h"
#include "LanguageForm.h"
#include "ListForm.h"
#include "ListPageTabs.h"
#include "ListPages.h"
#include "Prompter.h"
#include "WorkplacePages.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"
#include "uDlgNetExit.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace {

constexpr int Runs = 7;

void Settle()
{
    QCoreApplication::processEvents();
}

// The statements of the numbering and the new id for a Russian certificate.
QString NumberingSql(qint64 yearDigit)
{
    return Bench::InlineSql("select NumNum from mcod where (GNum = :year) and (NumNum >= 1) and (NumNum <= 999999) "
                            "and (status <> 8) order by NumNum",
                            {{"year", yearDigit}})
        + "select max(id) as nm from Mcod;\n"
          "select id as nm from Mcod where +language = 'ru' order by id desc limit 1;\n"
          "select max(CertNo) as mCertNo from mcod where language = 'ru';\n";
}

// The save's transaction for one certificate: its rows out and in again.
QString SaveSql(qint64 id)
{
    const QString n = QString::number(id);
    return "begin;\ncreate temp table h as select * from mcod where id = " + n
        + ";\ncreate temp table g as select * from dcod where idM = " + n + " order by dOrder"
        + ";\nselect ReferenceNo from mcod where (ReferenceNo = (select ReferenceNo from h)) and (id <> " + n
        + ") and (status <> 8);\nselect CertNo from mcod where (id <> " + n
        + ") and (CertNo = (select CertNo from h)) and (Language = (select Language from h));\n"
          "select * from dcod where (idM = " + n + ");\n"
        + "delete from dcod where idM = " + n + ";\ndelete from mcod where id = " + n
        + ";\ninsert into dcod select * from g;\ninsert into mcod select * from h;\ncommit;\n";
}

void Measure(const QString &home)
{
    std::unique_ptr<TDM> dm = Bench::OpenModule(home);
    const QString database = dm->databasePath();
    dm->SaveOption(CommonUser, QStringLiteral("NetGuid"), InstanceGuidText()); // this run holds the database
    TfMain main;
    RegisterWorkplacePages(main);
    main.resize(1200, 800);
    main.show();
    TfLanguage language(&main);
    language.setLanguages(dm->Languages());
    SetLanguageWindow(&language);
    main.aListExecute();
    Settle();
    auto *list = qobject_cast<TfList *>(main.page(QStringLiteral("fList")));
    std::printf("\n%s: %lld certificates, median of %d runs\n", qPrintable(home), (long long)list->listCount(), Runs);

    std::vector<double> ms, cli;
    const qint64 yearDigit = QDate::currentDate().year() % 10;
    for (int run = 0; run < Runs; ++run) {
        main.aListExecute();
        Settle();
        QTimer::singleShot(0, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->accept();
        });
        QElapsedTimer timer;
        timer.start();
        list->aNewExecute();
        Settle();
        ms.push_back(Bench::MsSince(timer));
        auto *editor = qobject_cast<TfEdit *>(main.page(QStringLiteral("fEdit")));
        if (!editor || !editor->isVisible() || App().EditMode != 1)
            qFatal("the editor of a new certificate did not show");
        editor->aCancelExecute();
        if (dm->ASQLite3DBd.inTransaction())
            qFatal("a transaction stays open after the new certificate");
        cli.push_back(Bench::CommandLineMs(database, NumberingSql(yearDigit)));
    }
    Bench::PrintLine("new certificate until the editor shows", Bench::Median(ms), Bench::Median(cli));

    // The administrator's newest project (every generated database has
    // projects among its newest certificates), on whichever page of the list
    // it is: the operator clicks that page's tab and the project's row.
    ms.clear();
    cli.clear();
    qint64 id = 0;
    {
        SqliteStatement pick(dm->ASQLite3DBd, "select id from mcod where status = 6 and Expert = :e "
                                              "order by LastDate desc, id desc limit 1");
        pick.bindText("e", Bench::Administrator);
        if (!pick.step())
            qFatal("no project of the administrator in %s", qPrintable(home));
        id = pick.columnInteger(0);
    } // the statement goes, and its read lock with it
    // The tab of the page that holds the project: its place in the list, newest first.
    const auto tabOf = [&](qint64 count) {
        qint64 position = 0;
        {
            SqliteStatement newer(dm->ASQLite3DBd,
                                  "select count(*) from mcod, (select LastDate as d from mcod where id = :id) "
                                  "where LastDate > d or (LastDate = d and id > :id)");
            newer.bindInteger("id", id);
            position = newer.step() ? newer.columnInteger(0) : 0;
        }
        for (int tab = 0; tab < ListTabCount(count); ++tab) {
            const ListRowWindow window = ListPageWindow(count, tab);
            if (position >= window.offset && position < window.offset + window.limit)
                return tab;
        }
        qFatal("project %lld is on no page of the list", (long long)id);
    };
    for (int run = 0; run < Runs; ++run) {
        main.aListExecute();
        Settle();
        list->TabControlList->setCurrentIndex(tabOf(list->listCount()));
        Settle();
        if (!dm->ASQM.locate("id", id))
            qFatal("project %lld is not on its page", (long long)id);
        Settle();
        main.SetEnableActions();
        list->SetEnableActions();
        list->aEditExecute();
        Settle();
        auto *editor = qobject_cast<TfEdit *>(main.page(QStringLiteral("fEdit")));
        if (!editor || !editor->isVisible() || App().EditMode != 2)
            qFatal("the editor of project %lld did not show", (long long)id);
        QElapsedTimer timer;
        timer.start();
        editor->aOKExecute();
        Settle();
        ms.push_back(Bench::MsSince(timer));
        if (editor->HasPendingEdits())
            qFatal("the save failed");
        editor->aCancelExecute();
        cli.push_back(Bench::CommandLineMs(database, SaveSql(id)));
    }
    Bench::PrintLine("save a project with 3 goods lines", Bench::Median(ms), Bench::Median(cli));
    std::printf("targets at 1M: editor of a new certificate within 100 ms; save at most 100 ms plus the sync\n");
    dm->SaveOption(CommonUser, QStringLiteral("NetGuid"), QString());
}

} // namespace

int main(int argc, char **argv)
{
    return Bench::ForEachFolder<QApplication>(argc, argv, "bench_editor", [](const QString &home) {
        ScopedScriptedPrompter prompts;
        Measure(home);
    });
}
