// Opening the certificate list on a database of 100,000 certificates: the
// count, the tabs and the newest page in the grid's model, then a switch to
// another tab; against the sqlite3 command line running the same count and
// page queries on the same file (its process start included, output to
// /dev/null). Prints the median of several runs and the ratios.
#include "BenchSupport.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "GGDateTime.h"
#include "ListForm.h"
#include "ListPages.h"
#include "ListQuery.h"
#include "Prompter.h"
#include "SqliteDatabase.h"
#include "obDCPcrypt.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTabBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Certificates = 100000;
constexpr int Runs = 7;

void WriteFile(const QString &name, const QByteArray &data)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(name));
}

void MakeProgramFolder(const QString &home)
{
    QDir().mkpath(home + "/data");
    QByteArray icod = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><icod Name=\"i.cod\" Ver=\"2\"><for>TessalForm</for>"
                      "<dovNumber>7</dovNumber><NumLocale>3</NumLocale><dovKey>BenchKey</dovKey>"
                      "<adr>cdb.example.org</adr><port>8443</port><usersOld>True</usersOld>"
                      "<L><Lang LangSymb=\"ru\" dovName=\"ТПП\" dovCity=\"Город\"/></L></icod>";
    EncryptStream(icod);
    WriteFile(home + "/data/i.cod", icod);
    WriteFile(home + "/data/Package.cod",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
              "<FIELD attrname=\"lang\" fieldtype=\"string\" WIDTH=\"2\"/>"
              "<FIELD attrname=\"name\" fieldtype=\"string.uni\" WIDTH=\"128\"/></FIELDS><PARAMS/></METADATA>"
              "<ROWDATA><ROW lang=\"ru\" name=\"ящик\"/></ROWDATA></DATAPACKET>");
}

void FillCertificates(SqliteDatabase &db)
{
    SqliteTransaction transaction(db);
    SqliteStatement head(db, QStringLiteral(
        "insert into mcod (id,status,CertNo,ReferenceNo,GNum,NumNum,Language,DateIssued,Expert,Sender,Exporter,"
        "Recipient,Importer,transport,Country5,DovName,City11,Date11,Country12,City12,Date12,pFilter,LastDate) "
        "values (:id,:status,:id,:ref,6,:id,'ru',:day,'Иванов',:sender,:sender,:recipient,:recipient,:transport,"
        "'Россия',:dov,'Город',:day,'Германия','Берлин',:day,'TRUE',:day)"));
    SqliteStatement goods(db, QStringLiteral(
        "insert into dcod (idM,dOrder,d8Description,d10Q) values (:idM,1,:d8,:q)"));
    const int statuses[] = {6, 7, 7, 7, 5, 8, 9, 10};
    for (int i = 1; i <= Certificates; ++i) {
        head.reset();
        head.bindInteger("id", i);
        head.bindInteger("status", statuses[i % 8]);
        head.bindText("ref", QString("6007%1").arg(i % 1000000, 6, 10, QChar('0')));
        head.bindInteger("day", 40000 + i / 40);
        head.bindWideBlob("sender", QString("ООО \"Экспортёр %1\"\r\nг. Город, ул. Длинная, д. %2").arg(i).arg(i % 300));
        head.bindWideBlob("recipient", QString("Importer GmbH %1\r\nBerlin, Strasse %2").arg(i).arg(i % 77));
        head.bindWideBlob("transport", QString("Автомобиль, г/н А%1ВС").arg(i % 999));
        head.bindWideBlob("dov", QString("Торгово-промышленная палата города"));
        head.execute();
        goods.reset();
        goods.bindInteger("idM", i);
        goods.bindWideBlob("d8", QString("Товар номер %1, описание товара").arg(i));
        goods.bindWideBlob("q", QString("%1 кг").arg(i % 500));
        goods.execute();
    }
    transaction.commit();
}

QString PageSql(const SqlQuery &list, const ListRowWindow &window)
{
    QString text = list.selectSql();
    text.replace(":tessal_row_limit", QString::number(window.limit));
    text.replace(":tessal_row_offset", QString::number(window.offset));
    return text + ";";
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScopedScriptedPrompter prompts;
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("cfg").toUtf8());
    qputenv("TESSAL_COMMON_CONFIG", home.filePath("common").toUtf8());
    MakeProgramFolder(home.path());

    TDM dm(home.path());
    dm.LoadAll();
    if (App().StopFlag)
        qFatal("the database did not open");
    App().CurrentUserName = QStringLiteral("Aдминистратор");
    App().CurrentUserId = 1;
    std::printf("filling %d certificates ...\n", Certificates);
    FillCertificates(dm.ASQLite3DBd);
    const QString database = dm.databasePath();

    ListHost host;
    TfList list(dm, host);
    list.resize(1000, 700);
    dm.ASQM.setFiltered(true);

    std::vector<double> openMs, switchMs, cliOpenMs, cliSwitchMs;
    const int otherTab = 42;
    for (int run = 0; run < Runs; ++run) {
        // Back to a list that is not open and has no tabs.
        dm.ASQM.close();
        {
            const QSignalBlocker quiet(list.TabControlList);
            while (list.TabControlList->count() > 0)
                list.TabControlList->removeTab(0);
        }

        QElapsedTimer timer;
        timer.start();
        list.SetListTabs();
        const int shown = list.DBGridDocuments->model()->rowCount();
        openMs.push_back(timer.nsecsElapsed() / 1e6);
        if (shown != 1000 || list.TabControlList->count() != 100)
            qFatal("unexpected list: %d rows, %d tabs", shown, list.TabControlList->count());

        timer.restart();
        list.TabControlList->setCurrentIndex(otherTab);
        const int switched = list.DBGridDocuments->model()->rowCount();
        switchMs.push_back(timer.nsecsElapsed() / 1e6);
        if (switched != 1000)
            qFatal("unexpected tab: %d rows", switched);

        const qint64 count = list.listCount();
        cliOpenMs.push_back(CommandLineMs(database, ListCountSql(dm.ASQM) + ";\n"
                                                        + PageSql(dm.ASQM, ListPageWindow(count, 99))));
        cliSwitchMs.push_back(CommandLineMs(database, PageSql(dm.ASQM, ListPageWindow(count, otherTab))));
    }

    const double open = Median(openMs), change = Median(switchMs);
    const double cliOpen = Median(cliOpenMs), cliChange = Median(cliSwitchMs);
    std::printf("certificates: %d, median of %d runs\n", Certificates, Runs);
    std::printf("open list (count, tabs, newest page in the model): %8.1f ms   sqlite3 count + page: %8.1f ms   ratio %.2f\n",
                open, cliOpen, open / cliOpen);
    std::printf("switch to tab %d:                                  %8.1f ms   sqlite3 page:         %8.1f ms   ratio %.2f\n",
                otherTab + 1, change, cliChange, change / cliChange);
    std::printf("target: at most 3x the command line\n");
    return 0;
}
