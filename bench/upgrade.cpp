// Upgrade of a version 3 certificate database of 100,000 certificates with
// 3 goods lines each: the data module's LoadAll against the same copy done by
// plain SQL (INSERT ... SELECT in one transaction) on the same file, then a
// normal LoadAll on the upgraded database.
//
//   bench_upgrade [certificates]
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

const QByteArray Key = "bench-chamber-key";

QString Version3Mcod()
{
    QString text = Schema::CreateTempTable();
    text.replace(QStringLiteral("CREATE TABLE temptable "), QStringLiteral("CREATE TABLE mcod "));
    return text;
}

void WriteOption(SqliteDatabase &db, const QString &name, const QString &value)
{
    SqliteStatement insert(db, "INSERT INTO Options (UserName,ParamName,Value) VALUES (:u,:p,:v)");
    insert.bindWideBlob("u", CommonUser);
    insert.bindWideBlob("p", name);
    insert.bindWideBlob("v", value);
    insert.execute();
}

// A version 3 database as an older program version left it.
void BuildVersion3(const QString &file, int certificates)
{
    SqliteDatabase db(file);
    SqliteTransaction transaction(db);
    db.exec(Version3Mcod());
    QStringList rest = Schema::CertificateTables().mid(1);
    for (const QString &statement : rest + QStringList{Schema::CreateOptions})
        db.exec(statement);
    WriteOption(db, "Key", QString::fromUtf8(Key));
    WriteOption(db, "VersionSQB", "3");

    const QStringList columns = Schema::McodColumns().mid(0, Schema::Version3ColumnCount);
    QStringList values;
    for (const QString &c : columns)
        values << ":" + c;
    SqliteStatement head(db, "INSERT INTO mcod (" + columns.join(',') + ") VALUES (" + values.join(',') + ")");
    SqliteStatement line(db, Schema::InsertDcod);
    for (int i = 1; i <= certificates; ++i) {
        head.reset();
        head.clearBindings();
        const qint64 id = i * 2; // gaps between ids
        head.bindInteger("id", id);
        head.bindInteger("status", 7);
        head.bindInteger("CertNo", i);
        head.bindText("ReferenceNo", QString("6007%1").arg(i % 1000000, 6, 10, QChar('0')));
        head.bindInteger("GNum", 6);
        head.bindInteger("NumNum", i % 1000000);
        head.bindText("Language", i % 2 ? "ru" : "en");
        head.bindInteger("DateIssued", 45000 + i % 700);
        head.bindText("Expert", QString::fromUtf8("Администратор"));
        head.bindWideBlob("Sender", QString::fromUtf8("ООО «Отправитель %1»\r\nг. Москва, ул. Ленина, д. 1").arg(i));
        head.bindWideBlob("Exporter", QString::fromUtf8("ООО «Экспортёр %1»\r\nг. Москва").arg(i));
        head.bindWideBlob("Recipient", QString("Recipient GmbH %1\r\nKöln, Deutschland").arg(i));
        head.bindWideBlob("Importer", QString("Importer GmbH %1").arg(i));
        head.bindWideBlob("transport", QString::fromUtf8("Автомобильным транспортом"));
        head.bindWideBlob("OfficialNote", QString());
        head.bindText("Country5", QString::fromUtf8("Россия"));
        head.bindWideBlob("AdditionalInfo", QString::fromUtf8("Контракт № %1 от 01.02.2023").arg(i));
        head.bindWideBlob("DovName", QString::fromUtf8("Торгово-промышленная палата"));
        head.bindText("City11", QString::fromUtf8("Москва"));
        head.bindInteger("Date11", 45000 + i % 700);
        head.bindText("Country12", "Germany");
        head.bindText("pFilter", "TRUE");
        head.bindInteger("LastDate", 45000 + i % 700);
        for (int f = 1; f <= 12; ++f)
            head.bindInteger(QString("fSize%1").arg(f), 10);
        head.execute();
        for (int order = 1; order <= 3; ++order) {
            line.reset();
            line.bindInteger("idM", id);
            line.bindInteger("dOrder", order);
            line.bindWideBlob("d7Num", QString("N/M"));
            line.bindWideBlob("d8Description", QString::fromUtf8("Товар номер %1, код ТН ВЭД 8479").arg(order));
            line.bindWideBlob("d9Count", QString::number(order * 10));
            line.bindWideBlob("d9Package", QString::fromUtf8("ящик"));
            line.bindWideBlob("d10Weight", QString::fromUtf8("%1 кг").arg(order * 100));
            line.bindWideBlob("d10Q", QString::fromUtf8("кг"));
            line.execute();
        }
    }
    transaction.commit();
}

// The same upgrade done by plain SQL statements in one transaction.
void PlainSqlUpgrade(const QString &file)
{
    const QStringList columns = Schema::McodColumns();
    QStringList version3 = columns.mid(0, Schema::Version3ColumnCount);
    QStringList back = version3;
    back[back.indexOf("pFilter")] = "'TRUE'";
    back << "NULL" << "NULL" << "NULL" << "NULL" << "1";
    SqliteDatabase db(file, SqliteDatabase::OpenMode::MustExist);
    SqliteTransaction transaction(db, SqliteTransaction::Kind::Immediate);
    db.exec(Schema::CreateTempTable());
    db.exec("INSERT INTO temptable (" + version3.join(',') + ") SELECT " + version3.join(',') + " FROM mcod");
    db.exec("DROP TABLE mcod");
    for (const QString &statement : Schema::McodWithIndexes())
        db.exec(statement);
    db.exec("INSERT INTO mcod (" + columns.join(',') + ") SELECT " + back.join(',') + " FROM temptable");
    db.exec("DROP TABLE temptable");
    SqliteStatement version(db, "UPDATE Options SET Value = :v WHERE ParamName = :p");
    version.bindWideBlob("v", "4");
    version.bindWideBlob("p", "VersionSQB");
    version.execute();
    transaction.commit();
}

// Marks the moment the upgrade starts (its message) and the end of its copy
// (the last progress report closes).
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
    void close() override { copied = m_timer.nsecsElapsed() / 1e6; }

    double started = -1;
    double copied = -1;

private:
    const QElapsedTimer &m_timer;
};

double Milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

struct LoadTimes {
    double whole = 0;   // the whole LoadAll
    double upgrade = 0; // from the upgrade's message to the end of its copy
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
    times.upgrade = clock->started >= 0 ? clock->copied - clock->started : 0;
    const bool ok = !App().StopFlag && dm.ASQM.recordCount() == certificates;
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
                      "<dovKey>" + Key + "</dovKey><adr>localhost</adr><port>443</port><usersOld>True</usersOld></icod>";
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
        timer.restart();
        PlainSqlUpgrade(plain);
        plainMs = std::min(plainMs, Milliseconds(timer));

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
    std::printf("plain SQL upgrade (INSERT ... SELECT, one transaction):  %8.0f ms\n", plainMs);
    std::printf("LoadAll's upgrade, message to end of copy (kept copy Tessal.sqb.4old included): %8.0f ms  ratio %.2f\n",
                upgraded.upgrade, upgraded.upgrade / plainMs);
    // Both starts check, fix up and open the same list; the difference is the
    // upgrade step with its commit.
    const double stepMs = upgraded.whole - normal.whole;
    std::printf("LoadAll with the upgrade, whole:                         %8.0f ms\n", upgraded.whole);
    std::printf("LoadAll on the upgraded database (normal start):         %8.0f ms\n", normal.whole);
    std::printf("upgrade step incl. commit (difference of the two):       %8.0f ms  ratio %.2f (target <= 2)\n", stepMs,
                stepMs / plainMs);
    return 0;
}
