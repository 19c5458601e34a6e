#include "AtomicFileWriter.h"

#include "SystemErrorTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <atomic>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const QString TemporaryMarker = QStringLiteral(".part-");

std::atomic<FileSyncCall> SyncCall {&::fsync};

// The process that made a temporary of ours, or the database opened under
// that name whose journal this is; nullopt for any other name.
std::optional<pid_t> TemporaryOwner(const QString &entry)
{
    static const QRegularExpression pattern(QStringLiteral("^.+\\.part-([0-9]{1,9})-[A-Za-z0-9]{6}(-journal)?$"));
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
    const QDir dir(folder);
    int removed = 0;
    // A temporary folder goes with everything in it.
    for (const QFileInfo &entry :
         dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        if (!targetName.isEmpty() && !IsTemporaryOf(entry.fileName(), targetName))
            continue;
        const std::optional<pid_t> owner = TemporaryOwner(entry.fileName());
        if (!owner || ProcessRuns(*owner))
            continue;
        const bool gone = entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                              : QFile::remove(entry.filePath());
        if (gone)
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

// A rename lasts once its folder is synced; a folder that cannot be synced
// (some file systems refuse) changes nothing about the result.
void SyncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString ErrorText(int errorNumber)
{
    return ErrnoText(errorNumber);
}

} // namespace

AtomicFileWriter::AtomicFileWriter(const QString &fileName, std::optional<mode_t> mode)
    : m_fileName(fileName), m_mode(mode)
{
    // A link stays a link: what it points to is replaced.
    const QFileInfo link(fileName);
    m_target = link.isSymLink() ? link.symLinkTarget() : fileName;
    struct stat old {};
    if (!m_mode && ::stat(QFile::encodeName(m_target).constData(), &old) == 0 && S_ISREG(old.st_mode))
        m_mode = old.st_mode & 0777;
    if (!m_mode)
        m_mode = NewFileMode;

    const QFileInfo target(m_target);
    RemoveStale(target.absolutePath(), target.fileName());
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = QFile::encodeName(NewTemporaryName(m_target));
        // Nobody else may read the content on its way in, whatever the umask.
        m_fd = ::open(m_temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        const int error = errno;
        throw FileReplaceError(QStringLiteral("Не удалось создать файл %1: %2").arg(fileName, ErrorText(error)),
                               error);
    }
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.constData());
    }
}

void AtomicFileWriter::fail(int errorNumber)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    ::unlink(m_temporary.constData());
    throw FileReplaceError(QStringLiteral("Не удалось записать файл %1: %2").arg(m_fileName, ErrorText(errorNumber)),
                           errorNumber);
}

void AtomicFileWriter::write(QByteArrayView bytes)
{
    if (m_fd < 0)
        fail(EBADF);
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t put = ::write(m_fd, bytes.data() + written, size_t(bytes.size() - written));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        written += put;
    }
}

void AtomicFileWriter::commit()
{
    if (m_fd < 0)
        fail(EBADF);
    if (::fchmod(m_fd, *m_mode) != 0)
        fail(errno);
    // A full disk may show only here (delayed allocation, network file systems):
    // the rename must not happen before the data is known to be on the disk.
    if (SyncCall.load()(m_fd) != 0)
        fail(errno);
    if (::close(std::exchange(m_fd, -1)) != 0)
        fail(errno);
    if (::rename(m_temporary.constData(), QFile::encodeName(m_target).constData()) != 0)
        fail(errno);
    SyncFolder(QFileInfo(m_target).absolutePath());
}

namespace {

// Opens a regular file to read; the descriptor, or -errno.
int OpenSource(const QString &source, struct stat &info)
{
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return -errno;
    const int error = ::fstat(in, &info) != 0 ? errno : (S_ISDIR(info.st_mode) ? EACCES : 0);
    if (error != 0) {
        ::close(in);
        return -error;
    }
    return in;
}

// Reads In to its end into Out; 0, else the errno of the failure.
int ReadInto(int in, AtomicFileWriter &out)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        out.write(QByteArrayView(buffer, got));
    }
}

// Runs Work(descriptor, status) on Source opened to read, then closes it.
// Work's result, or the errno of the open or of a failed replace.
template <typename Work>
int WithSource(const QString &source, Work work)
{
    struct stat info {};
    const int in = OpenSource(source, info);
    if (in < 0)
        return -in;
    int error = 0;
    try {
        error = work(in, info);
    } catch (const FileReplaceError &e) {
        error = e.errorNumber();
    }
    ::close(in);
    return error;
}

} // namespace

QString AtomicFileWriter::temporaryName() const
{
    return QFile::decodeName(m_temporary);
}

int CopyFileAtomic(const QString &source, const QString &target)
{
    return WithSource(source, [&target](int in, const struct stat &) {
        AtomicFileWriter out(target);
        const int error = ReadInto(in, out);
        if (error == 0)
            out.commit();
        return error;
    });
}

int CopyFileInto(const QString &source, AtomicFileWriter &out)
{
    return WithSource(source, [&out](int in, const struct stat &) { return ReadInto(in, out); });
}

FileSyncCall ReplaceFileSyncCall(FileSyncCall sync)
{
    return SyncCall.exchange(sync);
}

bool IsTemporaryOf(const QString &entryName, const QString &targetName)
{
    return entryName.startsWith(targetName + TemporaryMarker) && TemporaryOwner(entryName).has_value();
}

TemporaryFolder::TemporaryFolder(const QString &target)
{
    const QFileInfo info(target);
    RemoveStale(info.absolutePath(), info.fileName());
    for (int attempt = 0; attempt < 100 && m_path.isEmpty(); ++attempt) {
        const QString name = NewTemporaryName(target);
        if (::mkdir(QFile::encodeName(name).constData(), 0700) == 0)
            m_path = name;
        else if (errno != EEXIST)
            break;
    }
    if (m_path.isEmpty()) {
        const int error = errno;
        throw FileReplaceError(
            QStringLiteral("Не удалось создать папку в %1: %2").arg(info.absolutePath(), ErrorText(error)), error);
    }
}

TemporaryFolder::~TemporaryFolder()
{
    if (!m_released)
        QDir(m_path).removeRecursively();
}

QString TemporaryFolder::release()
{
    m_released = true;
    return m_path;
}

int RemoveStaleTemporaries(const QString &folder)
{
    return RemoveStale(folder, QString());
}
