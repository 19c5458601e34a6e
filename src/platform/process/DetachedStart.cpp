#include "DetachedStart.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

// Between fork and exec only async-signal-safe calls are allowed: everything
// the program needs is prepared before.
struct Prepared {
    QByteArray program;
    std::vector<QByteArray> argumentBytes;
    std::vector<char *> argv;
    QByteArray folder;
    long openMax = 1024;
};

// Closes every descriptor from 3 on except `keep` (itself 3 or above).
void CloseInherited(int keep, long openMax)
{
    bool closed = false;
#ifdef SYS_close_range
    closed = (keep == 3 || syscall(SYS_close_range, 3u, unsigned(keep - 1), 0u) == 0)
             && syscall(SYS_close_range, unsigned(keep + 1), ~0u, 0u) == 0;
#endif
    for (int fd = 3; !closed && fd < openMax; ++fd)
        if (fd != keep)
            close(fd);
}

void WriteAll(int fd, const void *data, size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t done = write(fd, bytes, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return;
        bytes += done;
        size -= size_t(done);
    }
}

// The grandchild: reports its process id, then becomes the program or
// reports why it could not.
[[noreturn]] void BecomeProgram(const Prepared &prepared, int report)
{
    const int64_t pid = getpid();
    WriteAll(report, &pid, sizeof pid);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP)
            ::signal(signal, SIG_DFL);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        if (null > 2)
            close(null);
    }
    CloseInherited(report, prepared.openMax);
    int error = 0;
    if (!prepared.folder.isEmpty() && chdir(prepared.folder.constData()) != 0)
        error = errno;
    if (error == 0) {
        execve(prepared.program.constData(), prepared.argv.data(), environ);
        error = errno;
    }
    WriteAll(report, &error, sizeof error);
    _exit(127);
}

} // namespace

DetachedStartResult StartDetached(const QString &programFile, const QStringList &arguments,
                                  const QString &workingFolder)
{
    Prepared prepared;
    prepared.program = QFile::encodeName(programFile);
    prepared.argumentBytes.push_back(prepared.program);
    for (const QString &argument : arguments)
        prepared.argumentBytes.push_back(argument.toLocal8Bit());
    for (QByteArray &bytes : prepared.argumentBytes)
        prepared.argv.push_back(bytes.data());
    prepared.argv.push_back(nullptr);
    prepared.folder = QFile::encodeName(workingFolder);
    if (const long max = sysconf(_SC_OPEN_MAX); max > 0)
        prepared.openMax = max;

    // The program's process id comes through here, then the error number of a
    // failed start; a successful exec closes it. Only one process writes: the
    // grandchild, or the intermediate child when it could not fork (pid -1).
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return {false, 0, errno};
    const pid_t middle = fork();
    if (middle < 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return {false, 0, error};
    }
    if (middle == 0) {
        close(report[0]);
        setsid(); // no terminal and no process group of ours
        const pid_t program = fork();
        if (program == 0)
            BecomeProgram(prepared, report[1]);
        if (program < 0) {
            const int error = errno;
            const int64_t none = -1;
            WriteAll(report[1], &none, sizeof none);
            WriteAll(report[1], &error, sizeof error);
        }
        _exit(0);
    }
    close(report[1]);
    // The intermediate child ends at once; the program is then nobody's child here.
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }

    DetachedStartResult result;
    int64_t pid = 0;
    int error = 0;
    ssize_t got = 0;
    while ((got = read(report[0], &pid, sizeof pid)) < 0 && errno == EINTR) {
    }
    if (got != ssize_t(sizeof pid)) {
        close(report[0]);
        return {false, 0, EIO};
    }
    while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (got == ssize_t(sizeof error) || pid <= 0)
        return {false, 0, got == ssize_t(sizeof error) ? error : EIO};
    result.started = true;
    result.pid = pid;
    return result;
}
