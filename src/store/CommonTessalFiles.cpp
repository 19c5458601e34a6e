#include "CommonTessalFiles.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "GGDateTime.h"
#include "Prompter.h"
#include "ggDebug.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
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
    int reset()
    {
        int error = 0;
        if (m_fd >= 0 && ::close(m_fd) != 0)
            error = errno;
        m_fd = -1;
        return error;
    }

private:
    int m_fd;
};

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
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(to, buffer + written, size_t(got - written));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            written += put;
        }
    }
}

int CopyThroughTemporary(const QByteArray &source, const QByteArray &target)
{
    Descriptor in(::open(source.constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return errno;
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return errno;
    if (S_ISDIR(info.st_mode))
        return EACCES;

    QByteArray temporary = target + ".XXXXXX";
    Descriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.valid())
        return errno;
    int error = CopyContent(in.get(), out.get());
    if (error == 0 && ::fchmod(out.get(), info.st_mode & 0777) != 0)
        error = errno;
    if (error == 0 && ::fsync(out.get()) != 0)
        error = errno;
    const int closeError = out.reset();
    if (error == 0)
        error = closeError;
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.constData());
    return error;
}

} // namespace

uint32_t CopyFileReplacing(const QString &source, const QString &target)
{
    const int error = CopyThroughTemporary(QFile::encodeName(source), QFile::encodeName(target));
    if (error == 0)
        return 0;
    // The source is opened first: while it is there, the failure is the target's.
    return WindowsErrorForPath(error, QFileInfo::exists(source) ? target : source);
}

int32_t CopyFileLogged(const QString &SourceDir, const QString &FileName, const QString &TargetDir,
                       const QString &TargetName)
{
    const QString source = JoinPath(SourceDir, FileName);
    const QString target = JoinPath(TargetDir, TargetName == QLatin1String("*") ? FileName : TargetName);
    const uint32_t error = CopyFileReplacing(source, target);
    if (error == 0)
        WriteEventLog(EventType::Success, EventCategory::Exchange, EventId::Diagnostic,
                      {QStringLiteral("копирование файла ") + source + QStringLiteral(" в ") + target
                       + QStringLiteral(" завершено")});
    else
        WriteEventLog(EventType::Error, EventCategory::Exchange, EventId::FileCopyFailed,
                      {source, target, SysErrorText(error)});
    return int32_t(error);
}

QString ArchiveFolderName(int32_t chamber, int32_t workstation, const QDate &day)
{
    QString number = QString::number(workstation);
    if (number.size() < 2)
        number.prepend(QLatin1Char('0'));
    return QStringLiteral("Tessal_") + QString::number(chamber) + QLatin1Char('_') + number.right(2) + QLatin1Char('_')
        + day.toString(QStringLiteral("yyyy.MM.dd"));
}

namespace {

void DisconnectDatabase(TDM &dm)
{
    dm.ASQD.close();
    dm.ASQM.close();
    // Statements kept prepared on the connection go with it.
    for (SqlQuery *query : {&dm.ALQueryWork, &dm.ALQGoods, &dm.LQueryTemp, &dm.QueryInsM, &dm.QueryInsD})
        query->close();
    dm.ASQLite3DBd.close();
}

void ReconnectDatabase(TDM &dm)
{
    dm.ASQLite3DBdBeforeConnect();
    dm.ASQLite3DBd.open(dm.databasePath(), SqliteDatabase::OpenMode::MustExist);
    dm.ASQM.open();
    dm.ASQM.first();
    if (!dm.ASQM.isEmpty())
        dm.ASQD.paramByName(QStringLiteral("id")).setInteger(dm.ASQM.fieldByName(QStringLiteral("id")).asInteger());
    dm.ASQD.open();
}

} // namespace

void SaveBaseToArj(TDM &dm, const QString &Folder)
{
    try {
        if (Folder.isEmpty()) {
            Prompts().ask(QStringLiteral("В настройках программы не задано место хранения архива."), App().MessageTitle,
                          Prompt::Warning, Prompt::Ok);
            return;
        }
        dm.SaveAll();

        const QString archive = JoinPath(
            Folder, ArchiveFolderName(App().ChamberNumber, App().WorkstationNumber, Today()));
        if (!DirectoryExistsW(archive))
            CreateDirW(archive);
        const QString source = dm.dataDir();

        DisconnectDatabase(dm);
        try {
            CopyFileLogged(source, QStringLiteral("Tessal.sqb"), archive, QStringLiteral("*"));
        } catch (...) {
            ReconnectDatabase(dm);
            throw;
        }
        ReconnectDatabase(dm);

        CopyFileLogged(source, QStringLiteral("k.cod"), archive, QStringLiteral("*"));
    } catch (const std::exception &e) {
        LogException("CommonTessal.SaveBaseToArj", e);
    }
}
