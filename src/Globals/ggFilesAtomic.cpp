#include "ggFilesAtomic.h"
#include "ggError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now; the errno of a failed close, else 0.
    int reset(int fd = -1)
    {
        int error = 0;
        if (m_fd >= 0 && ::close(m_fd) != 0)
            error = errno;
        m_fd = fd;
        return error;
    }

private:
    int m_fd;
};

const QString TemporaryMarker = QStringLiteral(".part-");

// The process that made a temporary of ours; nullopt for any other name.
std::optional<pid_t> TemporaryOwner(const QString &entry)
{
    static const QRegularExpression pattern(QStringLiteral("^.+\\.part-([0-9]{1,9})-[A-Za-z0-9]{6}$"));
    const QRegularExpressionMatch match = pattern.match(entry);
    if (!match.hasMatch())
        return std::nullopt;
    return pid_t(match.captured(1).toLong());
}

bool ProcessRuns(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// Removes the stale temporaries in Folder; only those of TargetName when it is given.
int RemoveStale(const QString &folder, const QString &targetName)
{
    const QString prefix = targetName.isEmpty() ? QString() : targetName + TemporaryMarker;
    int removed = 0;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (!prefix.isEmpty() && !entry.startsWith(prefix))
            continue;
        const std::optional<pid_t> owner = TemporaryOwner(entry);
        if (owner && !ProcessRuns(*owner) && QFile::remove(QDir(folder).filePath(entry)))
            ++removed;
    }
    return removed;
}

QString NewTemporaryName(const QString &target)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString tail;
    for (int i = 0; i < 6; ++i)
        tail += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
    return target + TemporaryMarker + QString::number(::getpid()) + QLatin1Char('-') + tail;
}

// Writes every byte; 0 or the errno.
int WriteAll(int fd, const char *data, qint64 size)
{
    for (qint64 written = 0; written < size;) {
        const ssize_t put = ::write(fd, data + written, size_t(size - written));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        written += put;
    }
    return 0;
}

// Copies everything from one descriptor to the other; 0 or the errno.
int CopyContent(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (const int error = WriteAll(to, buffer, got))
            return error;
    }
}

// A rename is durable once its folder is synced; a folder that cannot be
// synced (some file systems refuse) changes nothing about the result.
void SyncFolder(const QString &folder)
{
    Descriptor dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
}

// The one way a file is replaced: a new temporary beside Target is filled,
// given Mode (when set), synced, closed and renamed over Target; every step
// is checked. 0 or the errno of the first failure, and then no temporary stays.
int ReplaceThroughTemporary(const QString &target, std::optional<mode_t> mode,
                            const std::function<int(int fd)> &fill)
{
    // A link stays a link: what it points to is replaced.
    const QFileInfo link(target);
    const QString replaced = link.isSymLink() ? link.symLinkTarget() : target;
    const QFileInfo info(replaced);
    const QString folder = info.absolutePath();
    RemoveStale(folder, info.fileName());

    QByteArray temporary;
    Descriptor out;
    for (int attempt = 0; attempt < 100 && !out.valid(); ++attempt) {
        temporary = QFile::encodeName(NewTemporaryName(replaced));
        out.reset(::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!out.valid() && errno != EEXIST)
            return errno;
    }
    if (!out.valid())
        return EEXIST;

    int error = fill(out.get());
    if (error == 0 && mode && ::fchmod(out.get(), *mode) != 0)
        error = errno;
    if (error == 0 && ::fsync(out.get()) != 0)
        error = errno;
    const int closeError = out.reset();
    if (error == 0)
        error = closeError;
    if (error == 0 && ::rename(temporary.constData(), QFile::encodeName(replaced).constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return error;
    }
    SyncFolder(folder);
    return 0;
}

} // namespace

void WriteFileAtomic(const QString &fileName, const QByteArray &data)
{
    // A file that exists keeps its permissions; a new one gets the usual ones.
    std::optional<mode_t> mode;
    struct stat old {};
    if (::stat(QFile::encodeName(fileName).constData(), &old) == 0 && S_ISREG(old.st_mode))
        mode = old.st_mode & 0777;
    const int error = ReplaceThroughTemporary(
        fileName, mode, [&](int fd) { return WriteAll(fd, data.constData(), data.size()); });
    if (error != 0)
        throw AppError(QStringLiteral("Не удалось записать файл %1: %2")
                           .arg(fileName, QString::fromLocal8Bit(std::strerror(error))));
}

int CopyFileAtomic(const QString &source, const QString &target)
{
    Descriptor in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return errno;
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return errno;
    if (S_ISDIR(info.st_mode))
        return EACCES;
    return ReplaceThroughTemporary(target, mode_t(info.st_mode & 0777),
                                   [&](int fd) { return CopyContent(in.get(), fd); });
}

int RemoveStaleTemporaries(const QString &folder)
{
    return RemoveStale(folder, QString());
}
