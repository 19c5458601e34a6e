// The start of the real TessalCert program as its users meet it, on a
// screenless display over a generated workstation folder: the program starts,
// shows its log-on dialog, the user logs on, and the program counts the list,
// reads its newest page and shows it. Timed from the start to the program's
// last busy moment before a quiet spell, with its peak resident memory
// (VmHWM). Three users log on in turn: the administrator (the whole list), an
// expert with many certificates and an expert with none (their own
// certificates only). The dialog is the real one, answered with the user's
// name and password as soon as it shows (a stand-in dialogs library that
// calls the real one, see logon/BenchLogOn.cpp); the typing is not timed.
//
// The floor beside each, in the same run: bench_startup_floor, a plain Qt
// Widgets program that opens the same file, counts the same user's list and
// reads the same page with the program's own statements and shows it in a
// table, timed the same way.
//
//   bench_startup <folder made by bench_make_database> ...
#include "BenchFolder.h"

#include "CommonTessalLogOn.h"
#include "ListPages.h"
#include "ListQuery.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <ctime>

namespace {

constexpr int Runs = 9;
// The program idles once its processor time has not moved for this long.
constexpr int QuietMs = 1500;

// The users of the generated data who log on; the last has no certificate.
struct User {
    const char *what;
    QString name;
};
// The administrator (user 1) has renamed the first start's account, as the
// program asks; the generated certificates of that account are among the
// whole list the administrator sees.
const User Users[] = {{"the administrator (every certificate)", QString::fromUtf8("Орлова Елена Викторовна")},
                      {"an expert with many certificates", QString::fromUtf8("Петрова Анна Сергеевна")},
                      {"an expert with no certificate", QString::fromUtf8("Новикова Мария Павловна")}};

// The processor time of every thread of the process so far, to the
// nanosecond (the clock ticks of /proc/<pid>/stat count in 10 ms steps, too
// coarse for starts of a few tens of milliseconds); -1 once it has gone.
qint64 ProcessorTimeNs(qint64 pid)
{
    clockid_t clock;
    timespec used{};
    if (::clock_getcpuclockid(pid_t(pid), &clock) != 0 || ::clock_gettime(clock, &used) != 0)
        return -1;
    return qint64(used.tv_sec) * 1000000000 + used.tv_nsec;
}

struct Start {
    double ms = 0;
    double peakMb = 0;
    double answeredMs = -1; // when the log-on dialog was answered, if it was
};

// The moment the stand-in log-on dialog reports it answered, in ms of the
// timer's run, or -1.
double AnsweredMs(const QByteArray &errors, const QElapsedTimer &timer)
{
    static const QByteArray mark = "bench-logon-answered ";
    const qsizetype at = errors.indexOf(mark);
    if (at < 0)
        return -1;
    const qsizetype end = errors.indexOf('\n', at);
    const qint64 ns = errors.mid(at + mark.size(), end < 0 ? -1 : end - at - mark.size()).trimmed().toLongLong();
    return double(ns) / 1e6 - double(timer.msecsSinceReference());
}

// Runs the program until it idles, then ends it with SIGTERM (TessalCert
// shuts down as when its window closes). A message box on its standard
// error means it did not come up as the user expects: the benchmark stops.
Start RunOnce(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForStarted())
        qFatal("%s did not start", qPrintable(program));
    const qint64 pid = process.processId();
    qint64 used = -1;
    double busyUntil = 0;
    while (process.state() == QProcess::Running) {
        const qint64 now = ProcessorTimeNs(pid);
        const double at = Bench::MsSince(timer);
        if (now != used) {
            used = now;
            busyUntil = at;
        } else if (at - busyUntil > QuietMs) {
            break;
        }
        QThread::msleep(1);
    }
    if (process.state() != QProcess::Running)
        qFatal("%s ended by itself (exit code %d): %s", qPrintable(program), process.exitCode(),
               process.readAllStandardError().constData());
    Start start{busyUntil, Bench::PeakResidentMb(pid)};
    ::kill(pid_t(pid), SIGTERM);
    if (!process.waitForFinished(600000))
        qFatal("%s did not end", qPrintable(program));
    const QByteArray errors = process.readAllStandardError();
    if (errors.contains("message box:"))
        qFatal("%s showed a message: %s", qPrintable(program), errors.constData());
    start.answeredMs = AnsweredMs(errors, timer);
    return start;
}

// The page each user's list shows first: the program's own statement with
// its values written in, and how many certificates the list counts.
struct FirstPage {
    QString sql;
    QString countSql;
    qint64 count = 0;
};

FirstPage FirstPageOf(TDM &dm, const User &user)
{
    SqlQuery &list = dm.ASQM;
    list.close();
    SetListView(list, ListView{});
    // The administrator's button starts up; every other user sees only their own.
    list.setFilter(&user == &Users[0] ? SqlFragment{} : MyOnlyFilter(user.name));
    list.setFiltered(true);
    FirstPage page;
    page.count = CountListedRows(list);
    SetListPageWindow(list, page.count, ListTabCount(page.count) - 1);
    page.sql = Bench::PageSql(list);
    page.countSql = Bench::CountSql(list);
    return page;
}

// The folder as its users left it: the look-up indexes made (the first start
// after an upgrade makes them), synchronised today (no warning), and a users
// file holding the three users with empty passwords.
std::vector<FirstPage> PrepareFolder(const QString &home)
{
    QFile::remove(home + "/data/k.cod");
    std::unique_ptr<TDM> dm = Bench::OpenModule(home);
    dm->SaveOption(CommonUser, QStringLiteral("LastSync"), QString::number(Bench::TodayDayNumber()));
    std::vector<FirstPage> pages;
    for (const User &user : Users)
        pages.push_back(FirstPageOf(*dm, user));
    dm->ReadUsersFile();
    ClientDataSet &users = dm->cdsUsers;
    for (const User &user : Users) {
        users.append();
        users.fieldByName(QStringLiteral("UserName")).setValue(user.name);
        users.fieldByName(QStringLiteral("Password")).setValue(PasswordDigest(QByteArray()));
        dm->Save(users);
    }
    dm->Save(dm->cdsK);
    dm.reset(); // writes k.cod
    if (!QFile::exists(home + "/data/k.cod"))
        qFatal("no users file in %s", qPrintable(home));
    return pages;
}

void Measure(const QString &home)
{
    const std::vector<FirstPage> pages = PrepareFolder(home);
    const QString bin = QCoreApplication::applicationDirPath();
    const QString database = home + "/data/Tessal.sqb";
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TESSAL_HOME", home);
    env.insert("TESSAL_INSTANCE_LOCK", "bench_startup " + home);
    env.insert("HOME", config.path());
    env.insert("XDG_CONFIG_HOME", config.path() + "/config");
    env.insert("CommonProgramFiles", QDir::cleanPath(bin + "/../bench-dialogs"));

    std::printf("\n%s: %lld certificates, median of %d starts each, program and floor in turn\n", qPrintable(home),
                (long long)pages[0].count, Runs);
    for (size_t u = 0; u < std::size(Users); ++u) {
        const User &user = Users[u];
        env.insert("BENCH_LOGON_USER", user.name);
        std::vector<double> ms, afterAnswer, peak, floorMs, floorPeak;
        for (int run = 0; run < Runs; ++run) {
            const Start program = RunOnce(bin + "/TessalCert", {}, env);
            if (program.answeredMs < 0)
                qFatal("the log-on dialog was not answered");
            ms.push_back(program.ms);
            afterAnswer.push_back(program.ms - program.answeredMs);
            peak.push_back(program.peakMb);
            const Start floor = RunOnce(bin + "/bench_startup_floor", {database, pages[u].sql, pages[u].countSql}, env);
            floorMs.push_back(floor.ms);
            floorPeak.push_back(floor.peakMb);
        }
        const qint64 rows = pages[u].count % ListPageSize ? pages[u].count % ListPageSize
                                                          : std::min(pages[u].count, ListPageSize);
        std::printf("%s: lists %lld, shows %lld\n", user.what, (long long)pages[u].count, (long long)rows);
        // A floor that shows an empty table is a bare Qt start: the start of
        // a user with nothing listed is given beside it, not held to a ratio.
        if (pages[u].count > 0)
            std::printf("  %-42s %9.1f ms   floor %9.1f ms   ratio %5.2f\n", "start until the list shows and idles",
                        Bench::Median(ms), Bench::Median(floorMs), Bench::Median(ms) / Bench::Median(floorMs));
        else
            std::printf("  %-42s %9.1f ms   (a bare Qt start with an empty table: %.1f ms)\n",
                        "start until the list shows and idles", Bench::Median(ms), Bench::Median(floorMs));
        std::printf("  %-42s %9.1f ms\n", "of it after the log-on dialog is answered", Bench::Median(afterAnswer));
        std::printf("  %-42s %9.1f MB   floor %9.1f MB   (largest %.1f MB)\n", "peak resident memory (VmHWM)",
                    Bench::Median(peak), Bench::Median(floorPeak), *std::max_element(peak.begin(), peak.end()));
    }
    std::printf("targets at 1M: every start of a user with a list within 1.3x its floor; peak resident memory "
                "under 100 MB\n");
}

} // namespace

int main(int argc, char **argv)
{
    return Bench::ForEachFolder<QCoreApplication>(argc, argv, "bench_startup", Measure);
}
