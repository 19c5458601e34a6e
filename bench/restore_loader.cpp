// The restore loader (Restavo's operation 1) on a restore document of
// 100,000 certificates with 3 goods lines each, against the sqlite3 command
// line inserting the same rows with one transaction per certificate and the
// loader's settings of temp.sqb, both into a new empty database in the same
// folder. The loader runs in a process of its own, which reports its peak
// resident memory.
//
//   bench_restore_loader [certificates]   (one round each side above 200,000)
#include "BenchFolder.h"
#include "DatabaseSchema.h"
#include "RollbackLoader.h"
#include "SqliteDatabase.h"
#include "ggFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

const char *const HeadTexts[] = {"sender", "exporter", "recipient", "importer", "transport", "officialNote"};

// The restore document, written row by row.
void WriteRestoreXml(int certificates, const QString &file)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::exit(2);
    out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><root><arm lastKnownChange=\"12\"/>\n");
    for (int n = 1; n <= certificates; ++n) {
        const QByteArray number = QByteArray::number(n);
        QByteArray xml = "<row status=\"7\" blankNo=\"" + number + "\" referenceNo=\"6007" + number.rightJustified(6, '0')
            + "\" language=\"ru\" issued=\"01.02.2010\" expert=\"Иванов\"";
        for (const char *name : HeadTexts)
            xml += QByteArray(" ") + name + "=\"Общество с ограниченной ответственностью " + number + "\"";
        xml += " madeIn=\"Россия\" dovCity=\"Москва\" created=\"01.02.2010\" declaration=\"01.02.2010\">"
               "<uGoodsList>";
        for (int line = 1; line <= 3; ++line)
            xml += "<commodity idx=\"" + QByteArray::number(line) + "\" itemOrder=\"" + QByteArray::number(line)
                + "\" title=\"Чай чёрный байховый\" packageCount=\"10\" packageType=\"коробки\" weight=\"12,5\" "
                  "weightUnit=\"кг\"/>";
        xml += "</uGoodsList></row>\n";
        out.write(xml);
    }
    out.write("</root>\n");
}

QByteArray Blob(const QString &text)
{
    return "X'" + WideTextBytes(text).toHex() + "'";
}

// The same rows as SQL for the command line, one transaction per
// certificate, with the settings the loader gives temp.sqb.
void WriteSqlScript(int certificates, const QString &file)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::exit(2);
    out.write("PRAGMA synchronous=OFF;\nPRAGMA journal_mode=TRUNCATE;\n");
    const qint64 day = 40210; // 01.02.2010
    for (int n = 1; n <= certificates; ++n) {
        const QByteArray number = QByteArray::number(n);
        const QByteArray text = Blob(QStringLiteral("Общество с ограниченной ответственностью ") + QString::number(n));
        QByteArray sql = "BEGIN;INSERT INTO mcod (id,status,CertNo,ReferenceNo,GNum,NumNum,Language,DateIssued,Expert,Sender,"
               "Exporter,Recipient,Importer,transport,OfficialNote,Country5,AdditionalInfo,DovName,City11,Date11,"
               "Country12,City12,Date12,BadDate,BadExpert,pFilter,LastDate,fSize1,fSize2,fSize3,fSize4,fSize5,fSize6,"
               "fSize7,fSize8,fSize9,fSize10,fSize11,fSize12,fileComment13,fileName13,actPresent14) VALUES ("
            + QByteArray::number(n + 1) + ",7," + number + ",'6007" + number.rightJustified(6, '0') + "',6," + number
            + ",'ru'," + QByteArray::number(day) + ",'Иванов'," + text + "," + text + "," + text + "," + text + ","
            + text + "," + text + ",'Россия',X'',X'','Москва'," + QByteArray::number(day) + ",'','',"
            + QByteArray::number(day) + ",0,'','TRUE'," + QByteArray::number(day)
            + ",10,10,10,10,10,10,10,10,10,10,10,10,X'',X'',1);\n";
        for (int line = 1; line <= 3; ++line)
            sql += "INSERT INTO dcod (idM,dOrder,d7Num,d8Description,d9Count,d9Package,d10Weight,d10Q) VALUES ("
                + QByteArray::number(n + 1) + "," + QByteArray::number(line) + "," + Blob(QString::number(line)) + ","
                + Blob(QStringLiteral("Чай чёрный байховый")) + "," + Blob("10") + "," + Blob(QStringLiteral("коробки"))
                + "," + Blob("12,5") + "," + Blob(QStringLiteral("кг")) + ");\n";
        sql += "COMMIT;\n";
        out.write(sql);
    }
}

void CreateEmpty(const QString &file)
{
    QFile::remove(file);
    SqliteDatabase db(file);
    for (const QString &statement : Schema::CertificateTables() + QStringList{Schema::CreateOptions})
        db.exec(statement);
}

qint64 Count(const QString &file, const QString &table)
{
    SqliteDatabase db(file, SqliteDatabase::OpenMode::ReadOnly);
    SqliteStatement count(db, "select count(*) from " + table);
    count.step();
    return count.columnInteger(0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each round shows as it ends
    // The loader's own process: --load <document> <folder of temp.sqb>.
    if (argc == 4 && QByteArray(argv[1]) == "--load") {
        qint32 result = 0;
        {
            TRollback loader(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
            loader.setBeforeEachChild([](qint32) {});
            result = loader.Execute(0);
        }
        std::printf("%d %.1f\n", result, Bench::PeakResidentMb());
        return 0;
    }
    const int certificates = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir folder;
    const QString xmlFile = folder.filePath("restore");
    const QString database = folder.filePath("temp.sqb");
    const QString sqlFile = folder.filePath("rows.sql");
    WriteRestoreXml(certificates, xmlFile);
    WriteSqlScript(certificates, sqlFile);
    std::printf("certificates: %d (3 goods lines each), document %.0f MB\n", certificates,
                QFileInfo(xmlFile).size() / 1048576.0);

    // Two rounds in turn, so that a slow moment of the disk does not fall on
    // one side only; the faster time of each side counts.
    double loaderSeconds = 1e9, cliSeconds = 1e9, peak = 0;
    const int rounds = certificates > 200000 ? 1 : 2;
    for (int round = 1; round <= rounds; ++round) {
        CreateEmpty(database);
        QElapsedTimer timer;
        timer.start();
        QProcess loaderProcess;
        loaderProcess.start(QCoreApplication::applicationFilePath(), {"--load", xmlFile, folder.path()});
        loaderProcess.waitForFinished(-1);
        const double loader = timer.elapsed() / 1000.0;
        const QList<QByteArray> answer = loaderProcess.readAllStandardOutput().trimmed().split(' ');
        peak = std::max(peak, answer.value(1).toDouble());
        std::printf("round %d loader:  %.2f s  result %s, peak %s MB, %lld heads, %lld goods lines\n", round, loader,
                    answer.value(0).constData(), answer.value(1).constData(), Count(database, "mcod"),
                    Count(database, "dcod"));

        CreateEmpty(database);
        QProcess sqlite;
        sqlite.setStandardInputFile(sqlFile);
        timer.restart();
        sqlite.start("sqlite3", {database});
        sqlite.waitForFinished(-1);
        const double cli = timer.elapsed() / 1000.0;
        std::printf("round %d sqlite3: %.2f s  exit %d, %lld heads, %lld goods lines\n", round, cli, sqlite.exitCode(),
                    Count(database, "mcod"), Count(database, "dcod"));
        loaderSeconds = std::min(loaderSeconds, loader);
        cliSeconds = std::min(cliSeconds, cli);
    }
    std::printf("loader %.2f s, sqlite3 %.2f s\n", loaderSeconds, cliSeconds);
    std::printf("ratio:   %.2f (target at most 1.5)\n", loaderSeconds / cliSeconds);
    std::printf("loader peak memory: %.1f MB (target under 150)\n", peak);
    return 0;
}
