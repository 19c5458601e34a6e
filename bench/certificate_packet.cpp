// The full certificate packet of a database of 100,000 certificates with
// three goods lines each (and of 20,000, to show that memory does not grow
// with the number of certificates), written to a file by a fresh process;
// against `xmllint --noout` parsing that file. Prints wall time and peak
// resident memory of both processes side by side with the ratios.
//
// The database carries the index on dcod(idM) that the store creates when it
// opens a database; without it every goods query walks the whole table.
#include "CertificatePacket.h"
#include "DatabaseSchema.h"
#include "SqliteDatabase.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int GoodsPerCertificate = 3;

void Fill(SqliteDatabase &db, int certificates)
{
    for (const QString &statement : Schema::CertificateTables())
        db.exec(statement);
    db.exec(Schema::CreateOptions);
    // The look-up indexes every start of the program adds.
    for (const QString &statement : Schema::LookupIndexes())
        db.exec(statement);
    SqliteTransaction transaction(db);
    SqliteStatement head(db, QStringLiteral(
        "insert into mcod (id,status,CertNo,ReferenceNo,GNum,NumNum,Language,DateIssued,Expert,Sender,Exporter,"
        "Recipient,Importer,transport,OfficialNote,Country5,AdditionalInfo,DovName,City11,Date11,Country12,City12,"
        "Date12,BadDate,BadExpert,goDuplicate,goTrue,pFilter,LastDate,fSize1,fSize2,fSize3,fSize4,fSize5,fSize6,"
        "fSize7,fSize8,fSize9,fSize10,fSize11,fSize12,fileComment13,fileName13,actNumber14,actDate14,actPresent14) "
        "values (:id,:status,:id,:ref,6,:id,'ru',:day,'Иванов И.И.',:sender,:exporter,:recipient,:recipient,"
        ":transport,:note,'Россия',:info,:dov,'Москва',:day,'Германия','Берлин',:day,:day,'Петров П.П.','','',"
        "'TRUE',:day,10,10,10,10,10,10,10,10,10,10,10,10,:comment,:file,:act,:day,:absent)"));
    SqliteStatement goods(db, QStringLiteral(
        "insert into dcod (idM,dOrder,d7Num,d8Description,d9Count,d9Package,d10Weight,d10Q) "
        "values (:idM,:order,:num,:title,:count,:package,:unit,:quantity)"));
    const int statuses[] = {7, 7, 7, 5, 8, 9, 10, 6};
    for (int i = 1; i <= certificates; ++i) {
        head.reset();
        head.bindInteger("id", i);
        head.bindInteger("status", statuses[i % 8]);
        head.bindText("ref", QStringLiteral("6007%1").arg(i % 1000000, 6, 10, QLatin1Char('0')));
        head.bindInteger("day", 45000 + i / 50);
        head.bindWideBlob("sender", QStringLiteral("ООО \"Отправитель %1\"\r\n125009, г. Москва, ул. Тверская, д. %2")
                                        .arg(i).arg(i % 300));
        head.bindWideBlob("exporter", QStringLiteral("АО \"Экспортёр & сыновья %1\"\r\nг. Москва").arg(i));
        head.bindWideBlob("recipient", QStringLiteral("Importer GmbH %1\r\nBerlin, Hauptstrasse %2").arg(i).arg(i % 77));
        head.bindWideBlob("transport", QStringLiteral("Автомобиль, г/н А%1ВС 77").arg(i % 999));
        head.bindWideBlob("note", QString());
        head.bindWideBlob("info", QStringLiteral("Контракт № %1 от 01.02.2024").arg(i));
        head.bindWideBlob("dov", QStringLiteral("Торгово-промышленная палата Российской Федерации"));
        head.bindWideBlob("comment", QStringLiteral("Скан сертификата"));
        head.bindWideBlob("file", QStringLiteral("scan_%1.pdf").arg(i));
        head.bindWideBlob("act", QStringLiteral("А-%1").arg(i));
        head.bindInteger("absent", i % 2);
        head.execute();
        for (int line = 1; line <= GoodsPerCertificate; ++line) {
            goods.reset();
            goods.bindInteger("idM", i);
            goods.bindInteger("order", line);
            goods.bindWideBlob("num", QString::number(line));
            goods.bindWideBlob("title", QStringLiteral("Трубы стальные бесшовные горячедеформированные, "
                                                       "партия %1\r\nГОСТ 8732-78").arg(i));
            goods.bindWideBlob("count", QString::number(line * 10));
            goods.bindWideBlob("package", QStringLiteral("ящик"));
            goods.bindWideBlob("unit", QStringLiteral("кг"));
            goods.bindWideBlob("quantity", QString::number(i % 5000 + line));
            goods.execute();
        }
    }
    transaction.commit();
}

// The child's part: the full packet of Database written to Out.
int BuildPacket(const char *database, const char *out)
{
    SqliteDatabase db(QString::fromUtf8(database), SqliteDatabase::OpenMode::MustExist);
    QFile file(QString::fromUtf8(out));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    CertificatePacketWriter writer(db, CertificatePacketKind::TessalFull, TessalPacketHeading(db));
    const qint64 rows = writer.write(file);
    file.close();
    std::printf("%lld\n", static_cast<long long>(rows));
    return file.error() == QFile::NoError ? 0 : 3;
}

struct Run {
    double seconds = 0;
    long peakKb = 0;
};

// Runs a program to its end; wall time and peak resident memory.
Run Measure(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", argv[0], status);
        std::exit(1);
    }
    return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--build") == 0)
        return BuildPacket(argv[2], argv[3]);

    const std::string self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget().toStdString();
    std::printf("%-12s %10s %10s %10s %12s %12s %8s %10s\n", "certificates", "MB", "packet s", "xmllint s",
                "ratio", "packet MB", "xmllint MB", "ratio");
    for (int certificates : {20000, 100000}) {
        QTemporaryDir dir;
        const QString database = dir.filePath(QStringLiteral("Tessal.sqb"));
        const QString packet = dir.filePath(QStringLiteral("sync.xml"));
        {
            SqliteDatabase db(database);
            Fill(db, certificates);
        }
        const Run build = Measure({self, "--build", database.toStdString(), packet.toStdString()});
        const Run lint = Measure({"xmllint", "--noout", packet.toStdString()});
        const double megabytes = QFileInfo(packet).size() / 1048576.0;
        std::printf("%-12d %10.1f %10.2f %10.2f %11.2fx %12.1f %10.1f %9.2fx\n", certificates, megabytes,
                    build.seconds, lint.seconds, build.seconds / lint.seconds, build.peakKb / 1024.0,
                    lint.peakKb / 1024.0, double(build.peakKb) / double(lint.peakKb));
    }
    std::printf("target: at most 3x the time of xmllint; packet memory the same for both sizes\n");
    return 0;
}
