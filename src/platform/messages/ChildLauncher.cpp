#include "ChildLauncher.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
ChildLauncher *TheInstance = nullptr;

QByteArray NewToken()
{
    quint64 words[2];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray::number(words[0], 16) + QByteArray::number(words[1], 16);
}

// "NAME=value" for every variable of this process, with `extra` set over them.
std::vector<QByteArray> ChildEnvironment(const QMap<QByteArray, QByteArray> &extra)
{
    std::vector<QByteArray> result;
    for (char **entry = environ; *entry; ++entry) {
        const QByteArray variable(*entry);
        const qsizetype equals = variable.indexOf('=');
        if (equals > 0 && extra.contains(variable.left(equals)))
            continue;
        result.push_back(variable);
    }
    for (auto it = extra.cbegin(); it != extra.cend(); ++it)
        result.push_back(it.key() + '=' + it.value());
    return result;
}

int SpawnChild(const QByteArray &program, const QByteArray &argument, const std::vector<QByteArray> &environment,
               pid_t *pid)
{
    std::vector<char *> argv{const_cast<char *>(program.constData()), const_cast<char *>(argument.constData()),
                             nullptr};
    std::vector<char *> envp;
    for (const QByteArray &variable : environment)
        envp.push_back(const_cast<char *>(variable.constData()));
    envp.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int result = posix_spawn(pid, program.constData(), nullptr, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    return result;
}
} // namespace

struct ChildLauncher::Child {
    qint64 pid = 0;
    QByteArray token;
    WindowHandle window = 0;
    quint32 message = 0;
    int pidfd = -1;
    QSocketNotifier *exitNotifier = nullptr; // on the pidfd
    QTimer *poll = nullptr;                  // where the kernel gives no pidfd
};

void ChildLauncher::destroyInstance()
{
    delete TheInstance;
    TheInstance = nullptr;
}

ChildLauncher &ChildLauncher::instance()
{
    if (!TheInstance) {
        TheInstance = new ChildLauncher;
        qAddPostRoutine(destroyInstance);
    }
    return *TheInstance;
}

ChildLauncher::~ChildLauncher()
{
    // Children still running when the application ends are left to finish;
    // once this process has gone the system reaps them.
    for (auto &entry : m_children) {
        delete entry.second->exitNotifier;
        if (entry.second->pidfd >= 0)
            ::close(entry.second->pidfd);
    }
}

LaunchResult ChildLauncher::start(const QString &programFile, const QString &argument,
                                  const QMap<QByteArray, QByteArray> &environment, WindowHandle replyWindow,
                                  quint32 replyMessage)
{
    LaunchResult result;
    WindowMessages &messages = WindowMessages::instance();
    if (!messages.startListening(&result.error)) {
        result.error = QStringLiteral("Нет канала для ответа программы: ") + result.error;
        return result;
    }
    auto child = std::make_unique<Child>();
    child->token = NewToken();
    child->window = replyWindow;
    child->message = replyMessage;

    QMap<QByteArray, QByteArray> childVariables = environment;
    childVariables.insert(ReplyTokenVariable, child->token);
    // Expected before the child can possibly answer.
    messages.expectReply(child->token, replyWindow, replyMessage);

    pid_t pid = 0;
    const int error = SpawnChild(QFile::encodeName(programFile), argument.toUtf8(), ChildEnvironment(childVariables), &pid);
    if (error != 0) {
        messages.endExpectation(child->token);
        result.errorCode = error;
        return result;
    }
    child->pid = pid;
    result.started = true;
    result.pid = pid;
    Child &kept = *child;
    m_children.emplace(pid, std::move(child));
    watch(kept);
    return result;
}

void ChildLauncher::watch(Child &child)
{
    const qint64 pid = child.pid;
    // A pidfd becomes readable when the child exits, even when it has exited
    // already; the child stays a zombie until we reap it, so the id is ours.
    child.pidfd = static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
    if (child.pidfd >= 0) {
        child.exitNotifier = new QSocketNotifier(child.pidfd, QSocketNotifier::Read, this);
        connect(child.exitNotifier, &QSocketNotifier::activated, this, [this, pid] { reapIfExited(pid); });
    } else {
        child.poll = new QTimer(this);
        connect(child.poll, &QTimer::timeout, this, [this, pid] { reapIfExited(pid); });
        child.poll->start(50);
    }
}

void ChildLauncher::reapIfExited(qint64 pid)
{
    const auto found = m_children.find(pid);
    if (found == m_children.end())
        return;
    int status = 0;
    pid_t reaped;
    do
        reaped = waitpid(static_cast<pid_t>(pid), &status, WNOHANG);
    while (reaped < 0 && errno == EINTR);
    if (reaped == 0)
        return; // still running
    if (reaped < 0)
        status = -1;
    // Reaped now (or, ECHILD, by someone else): the child is gone either way.
    std::unique_ptr<Child> child = std::move(found->second);
    m_children.erase(found);
    if (child->exitNotifier) {
        child->exitNotifier->setEnabled(false);
        child->exitNotifier->deleteLater();
    }
    if (child->poll) {
        child->poll->stop();
        child->poll->deleteLater();
    }
    if (child->pidfd >= 0)
        ::close(child->pidfd);

    // Whatever it sent before it exited is in the socket now: hear it first.
    WindowMessages &messages = WindowMessages::instance();
    messages.receivePendingNow();
    const bool replied = messages.endExpectation(child->token);
    if (!replied)
        messages.postLocal(child->window, child->message, 0, 1);
    emit childFinished(pid, replied, status);
}
