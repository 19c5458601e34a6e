#include "qlMyComputer.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sys/statvfs.h>
#include <sys/utsname.h>

namespace {

QString UnderRoot(const QString &root, const QString &path)
{
    return QDir(root).filePath(path.mid(1));
}

QStringList ReadLines(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

// Value of "Key<separator>value" lines (the first one), trimmed; null when absent.
QString FirstValue(const QStringList &lines, const QString &key, QChar separator)
{
    for (const QString &line : lines) {
        const qsizetype at = line.indexOf(separator);
        if (at > 0 && line.left(at).trimmed() == key)
            return line.mid(at + 1).trimmed();
    }
    return QString();
}

QString Unquoted(QString value)
{
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    value.replace(QStringLiteral("\\\""), QStringLiteral("\""));
    return value;
}

// Lines of the first existing file of a list.
QStringList FirstExisting(const QStringList &fileNames)
{
    for (const QString &name : fileNames) {
        if (QFile::exists(name))
            return ReadLines(name);
    }
    return {};
}

QString Megabytes(unsigned long long bytes)
{
    return QString::number(bytes / 1024 / 1024);
}

// Lines of section [Name] of a desktop-style file.
QStringList Section(const QStringList &lines, const QString &name)
{
    QStringList out;
    bool inside = false;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inside = line == QLatin1Char('[') + name + QLatin1Char(']');
        else if (inside)
            out.append(line);
    }
    return out;
}

} // namespace

QByteArray GetNetVersion()
{
    return QByteArray();
}

QString GetOSVersion(const QString &root)
{
    const QStringList osRelease = FirstExisting(
        {UnderRoot(root, QStringLiteral("/etc/os-release")), UnderRoot(root, QStringLiteral("/usr/lib/os-release"))});
    QString product = Unquoted(FirstValue(osRelease, QStringLiteral("PRETTY_NAME"), QLatin1Char('=')));
    if (product.isEmpty())
        product = Unquoted(FirstValue(osRelease, QStringLiteral("NAME"), QLatin1Char('=')));
    QString build = ReadLines(UnderRoot(root, QStringLiteral("/proc/sys/kernel/osrelease"))).value(0).trimmed();
    if (build.isEmpty() && QDir(root) == QDir(QStringLiteral("/"))) {
        utsname names {};
        if (uname(&names) == 0)
            build = QString::fromUtf8(names.release);
    }
    return product + QLatin1Char(' ') + QLatin1Char(' ') + build;
}

QByteArray GetMemorySize(const QString &root)
{
    const QString total = FirstValue(ReadLines(UnderRoot(root, QStringLiteral("/proc/meminfo"))),
                                     QStringLiteral("MemTotal"), QLatin1Char(':'));
    bool ok = false;
    const unsigned long long kilobytes = total.section(QLatin1Char(' '), 0, 0).toULongLong(&ok);
    return QByteArray::number(ok ? kilobytes / 1024 : 0);
}

QString GetDriveCapacity(const QString &folder)
{
    struct statvfs fs {};
    if (folder.isEmpty() || statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return QString();
    return Megabytes((unsigned long long)fs.f_blocks * fs.f_frsize);
}

QString GetDriveFreeSpace(const QString &folder)
{
    struct statvfs fs {};
    if (folder.isEmpty() || statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return QString();
    return Megabytes((unsigned long long)fs.f_bavail * fs.f_frsize);
}

QString GetDefaultBrowser(const QString &root)
{
    const bool realRoot = QDir(root) == QDir(QStringLiteral("/"));
    QStringList configDirs;
    QStringList dataDirs;
    if (realRoot) {
        const QString home = QDir::homePath();
        configDirs << qEnvironmentVariable("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
        dataDirs << qEnvironmentVariable("XDG_DATA_HOME", home + QStringLiteral("/.local/share"))
                        + QStringLiteral("/applications");
    }
    configDirs << UnderRoot(root, QStringLiteral("/etc/xdg"));
    dataDirs << UnderRoot(root, QStringLiteral("/usr/local/share/applications"))
             << UnderRoot(root, QStringLiteral("/usr/share/applications"));

    QStringList lists;
    for (const QString &dir : configDirs)
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString &dir : dataDirs)
        lists << dir + QStringLiteral("/mimeapps.list") << dir + QStringLiteral("/defaults.list");

    QString desktopId;
    for (const QString &list : lists) {
        const QStringList defaults = Section(ReadLines(list), QStringLiteral("Default Applications"));
        for (const QString &type : {QStringLiteral("x-scheme-handler/https"), QStringLiteral("text/html")}) {
            desktopId = FirstValue(defaults, type, QLatin1Char('=')).section(QLatin1Char(';'), 0, 0).trimmed();
            if (!desktopId.isEmpty())
                break;
        }
        if (!desktopId.isEmpty())
            break;
    }
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/')))
        return QString();
    for (const QString &dir : dataDirs) {
        const QString name = FirstValue(Section(ReadLines(dir + QLatin1Char('/') + desktopId), QStringLiteral("Desktop Entry")),
                                        QStringLiteral("Name"), QLatin1Char('='));
        if (!name.isEmpty())
            return name;
    }
    return QString();
}

QString GetCPUInfo(const QString &root)
{
    const QStringList lines = ReadLines(UnderRoot(root, QStringLiteral("/proc/cpuinfo")));
    QString model = FirstValue(lines, QStringLiteral("model name"), QLatin1Char(':'));
    if (model.isEmpty())
        model = FirstValue(lines, QStringLiteral("Hardware"), QLatin1Char(':'));
    int processors = 0;
    for (const QString &line : lines) {
        if (line.section(QLatin1Char(':'), 0, 0).trimmed() == QLatin1String("processor"))
            ++processors;
    }
    bool ok = false;
    const double mhz = FirstValue(lines, QStringLiteral("cpu MHz"), QLatin1Char(':')).toDouble(&ok);
    const long long speed = ok && mhz > 0 ? static_cast<long long>(mhz) : 0;
    return model + QStringLiteral("\r\n") + QString::number(processors) + QStringLiteral("\r\n")
        + QString::number(speed) + QStringLiteral("~MHz");
}
