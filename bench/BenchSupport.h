#pragma once
// What the benchmark programs share: the median of their runs and the time
// the sqlite3 command line takes for the same statements.
#include <QElapsedTimer>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <vector>

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds the sqlite3 command line takes for the statements on the
// database, its process start included, output to /dev/null.
inline double CommandLineMs(const QString &database, const QString &sql)
{
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    cli.start(QStringLiteral("sqlite3"), {database, sql});
    if (!cli.waitForFinished(120000) || cli.exitCode() != 0)
        qFatal("sqlite3 failed: %s", cli.readAllStandardError().constData());
    return timer.nsecsElapsed() / 1e6;
}
