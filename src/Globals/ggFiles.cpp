#include "ggFiles.h"
#include "AtomicFileWriter.h"
#include "StrictDecimal.h"
#include "SystemErrorTexts.h"
#include "ggError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sys/stat.h>

QString ProgramDir()
{
    const QByteArray home = qgetenv("TESSAL_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QString::fromLocal8Bit(home));
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString DataDir() { return DataDirOf(ProgramDir()); }

QString DataDirOf(const QString &programDir) { return JoinPath(programDir, QStringLiteral("data")); }

QString JoinPath(const QString &dir, const QString &name)
{
    if (dir.isEmpty())
        return name;
    if (dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

QString ExtractDir(const QString &path)
{
    const qsizetype last = path.lastIndexOf(QLatin1Char('/'));
    if (last <= 0)
        return QString();
    return path.left(last);
}

QString GetTempDir()
{
    const QString temp = QDir::tempPath();
    if (temp.isEmpty())
        return QString();
    return temp.endsWith(QLatin1Char('/')) ? temp : temp + QLatin1Char('/');
}

namespace {
const QString kProductFolder = QStringLiteral("TessalCert");

QString userConfigFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base.isEmpty() ? QString() : JoinPath(base, kProductFolder);
}

QString commonConfigFolder()
{
    const QString override = qEnvironmentVariable("TESSAL_COMMON_CONFIG");
    if (!override.isEmpty())
        return override;
    const QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return JoinPath(dirs.isEmpty() ? QStringLiteral("/etc/xdg") : dirs.first(), kProductFolder);
}

// A file-name mask with the wildcards "*" (any run) and "?" (one character);
// every other character stands for itself.
QRegularExpression maskExpression(const QString &mask)
{
    QString pattern;
    for (QChar c : mask) {
        if (c == QLatin1Char('*'))
            pattern += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            pattern += QLatin1Char('.');
        else
            pattern += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}
} // namespace

QByteArray GetSpecialFolder(int csidl)
{
    switch (csidl) {
    case CSIDL_APPDATA:
        return userConfigFolder().toUtf8();
    case CSIDL_COMMON_APPDATA:
        return commonConfigFolder().toUtf8();
    default:
        return QByteArray();
    }
}

bool FileExistsW(const QString &name)
{
    if (name.isEmpty() || name.endsWith(QLatin1Char('/')))
        return false;
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : (slash == 0 ? QStringLiteral("/") : name.left(slash));
    const QString mask = name.mid(slash + 1);
    // QDir::Files without Hidden and System leaves out dot files, folders,
    // sockets, pipes, devices and broken links.
    const QDir dir(folder, QString(), QDir::NoSort, QDir::Files);
    if (!mask.contains(QLatin1Char('*')) && !mask.contains(QLatin1Char('?'))) {
        const QFileInfo info(dir, mask);
        return info.isFile() && !mask.startsWith(QLatin1Char('.'));
    }
    const QRegularExpression expression = maskExpression(mask);
    for (const QString &entry : dir.entryList()) {
        if (expression.match(entry).hasMatch())
            return true;
    }
    return false;
}

bool DirectoryExistsW(const QString &name) { return !name.isEmpty() && QFileInfo(name).isDir(); }

bool CreateDirW(const QString &name)
{
    if (name.isEmpty())
        return false;
    return ::mkdir(QFile::encodeName(name).constData(), 0777) == 0;
}

QByteArray FileToString(const QString &name)
{
    // A folder or a special file is refused before it is opened (a pipe
    // would block); anything else is opened, so a failure has its reason.
    const QFileInfo info(name);
    if (info.exists() && !info.isFile())
        throw AppError(QStringLiteral("Не удалось открыть файл %1: это не обычный файл").arg(name));
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Не удалось открыть файл %1: %2").arg(name, RussianSystemText(file.errorString())));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(
            QStringLiteral("Не удалось прочитать файл %1: %2").arg(name, RussianSystemText(file.errorString())));
    return data;
}

void StringToFile(const QByteArray &data, const QString &name) { WriteFileAtomic(name, data); }

int64_t GetFileSize64(const QByteArray &name)
{
    const QFileInfo info(QString::fromUtf8(name));
    if (name.isEmpty() || !info.isFile() || !info.isReadable())
        return 0;
    return info.size();
}

namespace {
// The dotted parts of a version text; a run of dots counts as one separator.
QList<QByteArray> versionParts(const QByteArray &version)
{
    QList<QByteArray> parts = version.split('.');
    parts.removeAll(QByteArray());
    return parts;
}

int64_t versionPart(const QList<QByteArray> &parts, qsizetype index, const QByteArray &version)
{
    const std::optional<int64_t> value = index < parts.size() ? ParseStrictDecimal(parts[index]) : std::nullopt;
    if (!value)
        throw AppError(QStringLiteral("Часть %1 версии \"%2\" не является целым числом")
                           .arg(index + 1)
                           .arg(QString::fromUtf8(version)));
    return *value;
}
} // namespace

int CompareVersions(const QByteArray &a, const QByteArray &b)
{
    const QList<QByteArray> partsA = versionParts(a);
    const QList<QByteArray> partsB = versionParts(b);
    for (qsizetype index = 0; index < 4; ++index) {
        const int64_t partA = versionPart(partsA, index, a);
        const int64_t partB = versionPart(partsB, index, b);
        if (partA != partB)
            return partA < partB ? -1 : 1;
    }
    return 0;
}

bool IsSafeFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

QString SafeJoinPath(const QString &dir, const QString &name)
{
    if (!IsSafeFileName(name))
        throw AppError(QStringLiteral("Недопустимое имя файла: \"%1\"").arg(name));
    return JoinPath(dir, name);
}

void WriteFileAtomic(const QString &fileName, const QByteArray &data)
{
    AtomicFileWriter file(fileName);
    file.write(data);
    file.commit();
}
