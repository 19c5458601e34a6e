// Upgrade of a version 3 certificate database (generated as bench_make_database
// does, three goods lines per certificate, realistic Cyrillic texts): the data
// module's LoadAll from the upgrade's message to the end of the load, so the
// upgrade's commit and the indexes made with it are inside the figure, against
// the same work done by the sqlite3 command line (INSERT ... SELECT in one
// transaction, the same indexes, committed) on a copy of the same file in the
// same run.
//
//   bench_upgrade [certificates, 100000 by default]
#include "BenchFolder.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "DatabaseSchema.h"
#include "ProgressSink.h"
#include "Prompter.h"
#include "SqliteDatabase.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

QString Version3Mcod()
{
    QString text = Schema::CreateTempTable();
    text.replace(QStringLiteral("CREATE TABLE temptable "), QStringLiteral("CREATE TABLE mcod "));
    return text;
}

// A version 3 database as an older program version left it.
void BuildVersion3(const QString &file, int certificates)
{
    SqliteDatabase db(file);
    db.exec("PRAGMA journal_mode = OFF");
    db.exec("PRAGMA synchronous = OFF");
    Bench::CreateSchema(db, Version3Mcod(), 3);
    Bench::FillCertificates(db, 1, certificates, Bench::Version::Three);
}

// The same upgrade as plain SQL in one transaction, for the sqlite3 command line.
QString PlainSqlUpgrade()
{
    const QStringList columns = Schema::McodColumns();
    QStringList version3 = columns.mid(0, Schema::Version3ColumnCount);
    QStringList back = version3;
    back[back.indexOf("pFilter")] = "'TRUE'";
    back << "NULL" << "NULL" << "NULL" << "NULL" << "1";
    const auto wideBlob = [](const char *text) {
        return "X'" + QString::fromLatin1(WideTextBytes(QString::fromUtf8(text)).toHex()) + "'";
    };
    QStringList statements{"BEGIN IMMEDIATE", Schema::CreateTempTable(),
                           "INSERT INTO temptable (" + version3.join(',') + ") SELECT " + version3.join(',') + " FROM mcod",
                           "DROP TABLE mcod"};
    statements << Schema::McodWithIndexes();
    statements << "INSERT INTO mcod (" + columns.join(',') + ") SELECT " + back.join(',') + " FROM temptable";
    statements << Schema::LookupIndexes();
    statements << "DROP TABLE temptable"
               << "UPDATE Options SET Value = " + wideBlob("4") + " WHERE ParamName = " + wideBlob("VersionSQB")
               << "COMMIT";
    return statements.join(";\n") + ";\n";
}

// Marks the moment the upgrade starts (its message).
class UpgradeClock : public ScriptedPrompter, public ProgressSink {
public:
    explicit UpgradeClock(const QElapsedTimer &timer) : m_timer(timer) {}
    int ask(const QString &text, const QString &caption, Prompt::Icon icon, Prompt::Buttons buttons) override
    {
        if (text == QString::fromUtf8("будем конвертировать данные"))
            started = m_timer.nsecsElapsed() / 1e6;
        return ScriptedPrompter::ask(text, caption, icon, buttons);
    }
    void setPermille(int) override {}

    double started = -1;

private:
    const QElapsedTimer &m_timer;
};

double Milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

struct LoadTimes {
    double whole = 0;   // the whole LoadAll
    double upgrade = 0; // from the upgrade's message to the end of LoadAll: commit, indexes, list opened
};

// One LoadAll on the data module's database; false when it failed.
bool TimeLoadAll(const QString &home, int certificates, LoadTimes &times)
{
    QElapsedTimer timer;
    auto clock = std::make_shared<UpgradeClock>(timer);
    SetPrompter(clock);
    ResetAppState();
    TDM dm(home);
    dm.setProgressSink(clock.get());
    timer.start();
    dm.LoadAll();
    times.whole = Milliseconds(timer);
    times.upgrade = clock->started >= 0 ? times.whole - clock->started : 0;
    bool ok = !App().StopFlag;
    if (ok) {
        SqliteStatement count(dm.ASQLite3DBd, "select count(*) from mcod");
        ok = count.step() && count.columnInteger(0) == certificates;
    }
    App().StopFlag = true; // no k.cod wanted
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int certificates = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;

    QTemporaryDir home;
    const QString data = home.filePath("data");
    QDir().mkpath(data);
    QByteArray icod = "<icod Name=\"i.cod\" Ver=\"1\"><for>TessalForm</for><dovNumber>7</dovNumber><NumLocale>1</NumLocale>"
                      "<dovKey>" + Bench::ChamberKey + "</dovKey><adr>localhost</adr><port>443</port><usersOld>True</usersOld></icod>";
    EncryptStream(icod);
    WriteFileAtomic(data + "/i.cod", icod);

    const QString base = home.filePath("version3.sqb");
    const QString database = data + "/Tessal.sqb";
    const QString plain = home.filePath("plain.sqb");
    QElapsedTimer timer;
    timer.start();
    BuildVersion3(base, certificates);
    std::printf("version 3 database: %d certificates, %d goods lines, %.1f MB, built in %.0f ms\n", certificates,
                certificates * 3, QFileInfo(base).size() / 1e6, Milliseconds(timer));

    // Each figure is the best of three runs on fresh copies of the same file:
    // other work on the machine only ever adds time.
    constexpr int Runs = 3;
    double plainMs = 1e300;
    LoadTimes upgraded{1e300, 1e300}, normal{1e300, 0};
    for (int run = 0; run < Runs; ++run) {
        QFile::remove(plain);
        QFile::copy(base, plain);
        plainMs = std::min(plainMs, Bench::CommandLineMs(plain, PlainSqlUpgrade()));

        QFile::remove(database);
        QFile::remove(database + ".4old");
        QFile::copy(base, database);
        LoadTimes times;
        if (!TimeLoadAll(home.path(), certificates, times)) {
            std::fprintf(stderr, "upgrade failed\n");
            return 1;
        }
        upgraded.whole = std::min(upgraded.whole, times.whole);
        upgraded.upgrade = std::min(upgraded.upgrade, times.upgrade);

        if (!TimeLoadAll(home.path(), certificates, times) || times.upgrade != 0) {
            std::fprintf(stderr, "normal start failed\n");
            return 1;
        }
        normal.whole = std::min(normal.whole, times.whole);
    }

    std::printf("best of %d runs\n", Runs);
    std::printf("sqlite3: the same copy and indexes, committed:           %8.0f ms\n", plainMs);
    std::printf("LoadAll's upgrade, its message to the end of the load:   %8.0f ms  ratio %.2f\n", upgraded.upgrade,
                upgraded.upgrade / plainMs);
    std::printf("  (the copy Tessal.sqb.4old of the file before the upgrade is inside this figure)\n");
    std::printf("LoadAll with the upgrade, whole:                         %8.0f ms\n", upgraded.whole);
    std::printf("LoadAll on the upgraded database (normal start):         %8.0f ms\n", normal.whole);
    return 0;
}
