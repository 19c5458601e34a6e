// The real TessalCert program started on a screenless display on a generated
// workstation folder, until its certificate list is shown and it idles: the
// time from the start to its last busy moment before a quiet spell, and its
// peak resident memory (VmHWM). Beside it, the sqlite3 command line running
// the statements the list needs to show, in the same run on the same file:
// the count, the newest page and the goods lines of its first certificate.
// Each start is a first start of a fresh users file (the administrator logs
// on without the dialog).
//
//   bench_startup <folder made by bench_make_database> ...
#include "BenchFolder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace {

constexpr int Runs = 5;
// The program idles once its processor time has not moved for this long.
constexpr int QuietMs = 1500;

qint64 ProcessorTicks(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong(); // utime + stime
}

double PeakResidentMb(qint64 pid)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

struct Start {
    double ms = 0;
    double peakMb = 0;
};

Start RunOnce(const QString &home, const QString &config)
{
    QFile::remove(home + "/data/k.cod");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TESSAL_HOME", home);
    env.insert("HOME", config);
    env.insert("XDG_CONFIG_HOME", config + "/config");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    program.start(QCoreApplication::applicationDirPath() + "/TessalCert", {});
    if (!program.waitForStarted())
        qFatal("TessalCert did not start");
    const qint64 pid = program.processId();
    qint64 ticks = -1;
    double busyUntil = 0;
    while (program.state() == QProcess::Running) {
        const qint64 now = ProcessorTicks(pid);
        const double at = Bench::MsSince(timer);
        if (now != ticks) {
            ticks = now;
            busyUntil = at;
        } else if (at - busyUntil > QuietMs) {
            break;
        }
        QThread::msleep(5);
    }
    if (program.state() != QProcess::Running)
        qFatal("TessalCert ended by itself (exit code %d)", program.exitCode());
    Start start{busyUntil, PeakResidentMb(pid)};
    ::kill(pid_t(pid), SIGTERM);
    if (!program.waitForFinished(600000))
        qFatal("TessalCert did not end");
    return start;
}

// The statements behind the shown list: count, newest page, its first certificate's goods.
QString ListSql(SqliteDatabase &db)
{
    SqliteStatement first(db, ListSelectSql(ListView{}) + " limit 1");
    const qint64 id = first.step() ? first.columnInteger(0) : 0;
    return ListCountSql(ListView{}, {}) + ";\n" + ListSelectSql(ListView{}) + " limit 1000 offset 0;\n"
        + "select * from dcod where (idM = " + QString::number(id) + ") order by dOrder;\n";
}

void Measure(const QString &home)
{
    QTemporaryDir config;
    std::vector<double> ms, peak, cli;
    QString sql;
    {
        SqliteDatabase db(home + "/data/Tessal.sqb", SqliteDatabase::OpenMode::MustExist);
        sql = ListSql(db);
    }
    SqliteDatabase counter(home + "/data/Tessal.sqb", SqliteDatabase::OpenMode::MustExist);
    SqliteStatement count(counter, "select count(*) from mcod");
    const qint64 certificates = count.step() ? count.columnInteger(0) : 0;
    count.reset();
    for (int run = 0; run < Runs; ++run) {
        const Start start = RunOnce(home, config.path());
        ms.push_back(start.ms);
        peak.push_back(start.peakMb);
        cli.push_back(Bench::CommandLineMs(home + "/data/Tessal.sqb", sql));
    }
    std::printf("\n%s: %lld certificates, median of %d starts\n", qPrintable(home), (long long)certificates, Runs);
    Bench::PrintLine("start until the list shows and idles", Bench::Median(ms), Bench::Median(cli));
    std::printf("%-44s %9.1f MB (largest %.1f MB)\n", "peak resident memory", Bench::Median(peak),
                *std::max_element(peak.begin(), peak.end()));
    std::printf("targets at 1M: at most 2x sqlite3; under 300 MB and within 20%% of the 100k figure\n");
}

} // namespace

int main(int argc, char **argv)
{
    return Bench::ForEachFolder<QCoreApplication>(argc, argv, "bench_startup", Measure);
}
