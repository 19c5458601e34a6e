// Writes a workstation folder for the benchmarks: data/i.cod, data/Package.cod
// and data/Tessal.sqb on the program's own schema, holding N certificates with
// three goods lines each and texts of the length and alphabet operators type.
// Generated once (a million takes a few minutes) and reused by every benchmark.
//
//   bench_make_database <folder> <certificates>
#include "BenchFolder.h"

#include "DatabaseSchema.h"
#include "SqliteDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_make_database <folder> <certificates>\n");
        return 2;
    }
    const QString home = QString::fromLocal8Bit(argv[1]);
    const qint64 certificates = QByteArray(argv[2]).toLongLong();
    if (certificates <= 0)
        qFatal("the number of certificates must be positive");
    Bench::WriteProgramFolder(home);
    const QString file = home + "/data/Tessal.sqb";
    QFile::remove(file);
    QFile::remove(file + "-journal");

    QElapsedTimer timer;
    timer.start();
    SqliteDatabase db(file);
    db.exec("PRAGMA journal_mode = OFF");
    db.exec("PRAGMA synchronous = OFF");
    db.exec("PRAGMA cache_size = -262144");
    Bench::CreateVersion4Schema(db);
    Bench::FillCertificates(db, 1, certificates, Bench::Version::Four, [&](qint64 done) {
        std::printf("\r%lld of %lld certificates, %.0f s", (long long)done, (long long)certificates,
                    timer.elapsed() / 1000.0);
        std::fflush(stdout);
    });
    std::printf("\n%s: %lld certificates in %.0f s, %.0f MB\n", qPrintable(file), (long long)certificates,
                timer.elapsed() / 1000.0, QFileInfo(file).size() / 1048576.0);
    return 0;
}
