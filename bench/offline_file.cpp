// The offline synchronisation file ("В файл") of a workstation folder made by
// bench_make_database: the full packet written to send/sync.xml, then the
// archive of the packet and of the attached-file copies built from the files,
// then the archive enciphered with the chamber key into the offline file, in
// a process of its own that reports its peak resident memory; against
// `zip -q` and `openssl enc -aes-256-cfb8` on the same files in the same run.
// Every hundredth certificate gets an attached-file copy of 20 KB in a data
// folder of the benchmark's own. The database is first given the look-up
// indexes every start of the program adds (the index on dcod(idM) among them:
// without it each certificate's goods query walks the whole table, and the
// packet of 100,000 certificates takes hours); otherwise the workstation
// folder is only read. The file is checked by deciphering it with openssl and
// testing it with unzip.
//
//   bench_offline_file <folder made by bench_make_database> ...
#include "BenchFolder.h"
#include "AtomicFileWriter.h"
#include "CertificatePacket.h"
#include "CommonTessal.h"
#include "AttachedFileCopy.h"
#include "DatabaseSchema.h"
#include "OfflineSyncFile.h"
#include "SqliteDatabase.h"
#include "obDCPcrypt.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double Seconds(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e9; }

// The attached-file copies of every hundredth certificate; their names.
QStringList WriteCopies(const QString &database, const QString &dataDir)
{
    SqliteDatabase db(database, SqliteDatabase::OpenMode::ReadOnly);
    SqliteStatement rows(db, "select CertNo, ReferenceNo from mcod where id % 100 = 0");
    QByteArray content(20 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 7919) % 251);
    QStringList names;
    QSet<QString> written;
    while (rows.step()) {
        const QByteArray referenceNo = rows.columnBlob(1);
        if (!IsWellFormedReferenceNo(referenceNo))
            continue;
        const QString name = AttachedFileCopyName(referenceNo, rows.columnInteger(0));
        if (written.contains(name))
            continue;
        written.insert(name);
        QFile file(QDir(dataDir).filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(content);
        names << name;
    }
    return names;
}

// The offline file's own process: --make <database> <data folder> <send folder>.
int Make(const QString &database, const QString &dataDir, const QString &sendDir)
{
    SqliteDatabase db(database, SqliteDatabase::OpenMode::ReadOnly);
    const QString packetFile = QDir(sendDir).filePath("sync.xml");
    const QString zipFile = QDir(sendDir).filePath("sync.zip");
    QElapsedTimer timer;
    timer.start();
    {
        QFile packet(packetFile);
        packet.open(QIODevice::WriteOnly);
        CertificatePacketWriter writer(db, CertificatePacketKind::TessalFull, TessalPacketHeading(db));
        writer.write(packet);
    }
    const double packetSeconds = Seconds(timer);
    timer.restart();
    const QList<qint64> delivered = BuildOfflineArchive(db, dataDir, packetFile, zipFile);
    const double archiveSeconds = Seconds(timer);
    timer.restart();
    AtomicFileWriter out(QDir(sendDir).filePath("offline.cod"));
    EncipherOfflineFile(zipFile, Bench::ChamberKey, out);
    out.commit();
    QFile::remove(zipFile);
    std::printf("%.3f %.3f %.3f %.1f %lld\n", packetSeconds, archiveSeconds, Seconds(timer), Bench::PeakResidentMb(),
                qlonglong(delivered.size()));
    return 0;
}

bool Run(const QString &program, const QStringList &arguments, const QString &input = QString())
{
    QProcess process;
    if (!input.isEmpty())
        process.setStandardInputFile(input);
    process.start(program, arguments);
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), process.readAllStandardError().constData());
        return false;
    }
    return true;
}

// The folder as its users have it: the look-up indexes every start adds.
void AddLookupIndexes(const QString &database)
{
    SqliteDatabase db(database, SqliteDatabase::OpenMode::MustExist);
    for (const QString &statement : Schema::LookupIndexes())
        db.exec(statement);
}

void Measure(const QString &home)
{
    const QString database = QDir(home).filePath("data/Tessal.sqb");
    AddLookupIndexes(database);
    QTemporaryDir work;
    const QString dataDir = work.filePath("data"), sendDir = work.filePath("send");
    QDir().mkpath(dataDir);
    QDir().mkpath(sendDir);
    const QStringList copies = WriteCopies(database, dataDir);

    QElapsedTimer timer;
    timer.start();
    QProcess maker;
    maker.start(QCoreApplication::applicationFilePath(), {"--make", database, dataDir, sendDir});
    maker.waitForFinished(-1);
    const double wall = Seconds(timer);
    const QList<QByteArray> answer = maker.readAllStandardOutput().trimmed().split(' ');
    if (answer.size() != 5) {
        std::fprintf(stderr, "the offline file was not made: %s\n", maker.readAllStandardError().constData());
        return;
    }
    const double archiveSeconds = answer[1].toDouble(), cipherSeconds = answer[2].toDouble();

    // The floor on the same files: zip, then openssl.
    QFile list(work.filePath("list"));
    list.open(QIODevice::WriteOnly);
    list.write(QFile::encodeName(QDir(sendDir).filePath("sync.xml")) + '\n');
    for (const QString &name : copies)
        list.write(QFile::encodeName(QDir(dataDir).filePath(name)) + '\n');
    list.close();
    const QString floorZip = work.filePath("floor.zip");
    timer.restart();
    const bool zipped = Run("zip", {"-q", "-j", "-@", floorZip}, list.fileName());
    const double zipSeconds = Seconds(timer);
    timer.restart();
    const bool enciphered = Run("openssl", {"enc", "-aes-256-cfb8", "-K", QString::fromLatin1(Bench::ChamberKey.toHex()),
                                            "-iv", QString::fromLatin1(CipherVector.toHex()), "-in", floorZip, "-out",
                                            work.filePath("floor.cod")});
    const double opensslSeconds = Seconds(timer);

    // Our file, read back by the independent tools.
    const bool readable = Run("openssl", {"enc", "-d", "-aes-256-cfb8", "-K", QString::fromLatin1(Bench::ChamberKey.toHex()),
                                          "-iv", QString::fromLatin1(CipherVector.toHex()), "-in",
                                          QDir(sendDir).filePath("offline.cod"), "-out", work.filePath("back.zip")})
        && Run("unzip", {"-tqq", work.filePath("back.zip")});

    const double floor = zipSeconds + opensslSeconds;
    std::printf("%s: packet %.0f MB, %lld attached copies; offline file %.0f MB (floor's %.0f MB)%s\n",
                qPrintable(home), QFileInfo(QDir(sendDir).filePath("sync.xml")).size() / 1048576.0,
                qlonglong(copies.size()), QFileInfo(QDir(sendDir).filePath("offline.cod")).size() / 1048576.0,
                QFileInfo(work.filePath("floor.cod")).size() / 1048576.0,
                readable && zipped && enciphered ? "" : "  CHECK FAILED");
    std::printf("  packet to sync.xml            %8.2f s\n", answer[0].toDouble());
    std::printf("  archive                       %8.2f s   zip -q      %8.2f s   ratio %.2f\n", archiveSeconds,
                zipSeconds, zipSeconds > 0 ? archiveSeconds / zipSeconds : 0.0);
    std::printf("  cipher                        %8.2f s   openssl enc %8.2f s   ratio %.2f\n", cipherSeconds,
                opensslSeconds, opensslSeconds > 0 ? cipherSeconds / opensslSeconds : 0.0);
    const double made = archiveSeconds + cipherSeconds;
    std::printf("  archive + cipher              %8.2f s   floor       %8.2f s   ratio %.2f (target at most 1.5)\n",
                made, floor, floor > 0 ? made / floor : 0.0);
    std::printf("  whole process                 %8.2f s   peak memory %s MB (target under 100)\n", wall,
                answer[3].constData());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc == 5 && QByteArray(argv[1]) == "--make")
        return Make(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder made by bench_make_database> ...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i)
        Measure(QString::fromLocal8Bit(argv[i]));
    return 0;
}
