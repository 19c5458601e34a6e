// The reply listener under a flood of connections that never say anything.
#include "ChildRole.h"
#include "MessageSocket.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <ctime>
#include <iostream>
#include <string>
#include <vector>

namespace {

const WireMessage kReply {1234, 1030, 7, 2, {}};

// A connection that says nothing; -1 when it could not be made.
int ConnectSilently(const QString &socketPath)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(socketPath);
    memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool ClosedByListener(int fd)
{
    char byte;
    return recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

int CountClosed(const std::vector<int> &fds)
{
    int closed = 0;
    for (int fd : fds)
        closed += ClosedByListener(fd) ? 1 : 0;
    return closed;
}

double CpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The child roles: "silent" makes as many silent connections as each line of
// its input asks for; "send" sends the reply once its input says so.
void PlayRole(const QString &role, const QStringList &args)
{
    const QString socketPath = args.value(0);
    std::vector<int> held;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (role == QLatin1String("silent")) {
            for (int i = std::stoi(line); i > 0; --i)
                held.push_back(ConnectSilently(socketPath));
            std::cout << ChildAnswerLine("connected").toStdString() << std::flush;
        } else {
            QString error;
            const bool sent = SendWireLine(socketPath, FormatWireLine(kReply), &error);
            std::cout << ChildAnswerLine(sent ? "sent" : error.toUtf8()).toStdString() << std::flush;
        }
    }
    _exit(0);
}

struct ListenerFixture : ::testing::Test {
    void start(MessageListener::Limits limits)
    {
        listener = std::make_unique<MessageListener>([this](const WireMessage &m) { received.push_back(m); }, limits);
        QString error;
        ASSERT_TRUE(listener->listen(socketPath, &error)) << error.toStdString();
    }
    bool replyArrives()
    {
        return QTest::qWaitFor([this] { return !received.empty(); }, 20000) && received == std::vector {kReply};
    }

    QTemporaryDir folder;
    QString socketPath = folder.filePath(QStringLiteral("listener"));
    std::vector<WireMessage> received;
    std::unique_ptr<MessageListener> listener;
};

using ReplyListener = ListenerFixture;

// Keeps only a few descriptor numbers free in this process while it lives.
class FewDescriptors {
public:
    explicit FewDescriptors(int free)
    {
        getrlimit(RLIMIT_NOFILE, &m_old);
        int limit = 0;
        for (int left = free; left > 0; ++limit) {
            if (fcntl(limit, F_GETFD) == -1)
                --left;
        }
        rlimit lowered = m_old;
        lowered.rlim_cur = rlim_t(limit);
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~FewDescriptors() { setrlimit(RLIMIT_NOFILE, &m_old); }

private:
    rlimit m_old {};
};

} // namespace

TEST(ChildRole, Play)
{
    if (ChildRole().isEmpty())
        GTEST_SKIP() << "only run as a child";
    PlayRole(ChildRole(), ChildArgs());
}

TEST_F(ReplyListener, SilentConnectionsAreCappedAndClosedWhileRepliesArrive)
{
    start({8, 3000});
    std::vector<int> silent;
    for (int i = 0; i < 30; ++i) {
        silent.push_back(ConnectSilently(socketPath));
        ASSERT_GE(silent.back(), 0);
    }
    // Only the eight heard from last are held.
    EXPECT_TRUE(QTest::qWaitFor([&] { return CountClosed(silent) >= 22; }, 1500)) << CountClosed(silent);
    for (size_t i = 22; i < silent.size(); ++i)
        EXPECT_FALSE(ClosedByListener(silent[i])) << i;

    QString error;
    ASSERT_TRUE(SendWireLine(socketPath, FormatWireLine(kReply), &error)) << error.toStdString();
    EXPECT_TRUE(replyArrives());

    // Silence is not held for long.
    EXPECT_TRUE(QTest::qWaitFor([&] { return CountClosed(silent) == 30; }, 10000)) << CountClosed(silent);
    for (int fd : silent)
        ::close(fd);
}

TEST_F(ReplyListener, RunningOutOfDescriptorsNeitherSpinsNorLosesReplies)
{
    start({});
    auto silentChild = StartChildRole(QStringLiteral("silent"), {socketPath});
    auto sender = StartChildRole(QStringLiteral("send"), {socketPath});
    FewDescriptors few(8);

    // Every descriptor taken by something else: the newcomers must wait.
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        taken.push_back(fd);
    silentChild->write("5\n");
    ASSERT_EQ(ReadChildAnswer(*silentChild), QByteArray("connected"));
    const double before = CpuSeconds();
    QTest::qWait(1000);
    EXPECT_LT(CpuSeconds() - before, 0.1) << "the listener spins";

    // Descriptors again, fewer than the silent connections that come.
    for (int fd : taken)
        ::close(fd);
    silentChild->write("40\n");
    ASSERT_EQ(ReadChildAnswer(*silentChild), QByteArray("connected"));
    sender->write("go\n");
    ASSERT_EQ(ReadChildAnswer(*sender), QByteArray("sent"));
    EXPECT_TRUE(replyArrives());

    for (auto *child : {silentChild.get(), sender.get()}) {
        child->closeWriteChannel();
        child->waitForFinished(10000);
    }
}
