// The real Restavo program, started the way the workstation starts it.
#include "ReplyWaiter.h"
#include "RestavoCommand.h"
#include "ScopedEnvironment.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
using Message = RecordingWindow::Message;

QString ProgramFolder() { return QFileInfo(BuiltProgram("Restavo")).absolutePath(); }
} // namespace

TEST(RestavoProgram, RepliesToTheWindowThatStartedIt)
{
    FinishedChildren finished;
    RecordingWindow sync{1031}, editor{1031};
    const LaunchResult first = StartRestavo(
        ProgramFolder(), {7, sync.handle(), 1031, {RestavoArgument::number(15), RestavoArgument::text("1.4.1.6")}});
    const LaunchResult second = StartRestavo(
        ProgramFolder(), {12, editor.handle(), 1031,
                          {RestavoArgument::text("1.4.1.6"), RestavoArgument::text("acc"),
                           RestavoArgument::secret(""), RestavoArgument::text("user"), RestavoArgument::number(42),
                           RestavoArgument::text("admin")}});
    ASSERT_TRUE(first.started && second.started);
    // The reply came from Restavo itself (the program folder holds no
    // workstation file, so it reports the failure), not from the launcher.
    EXPECT_TRUE(finished.waitFor(first.pid));
    EXPECT_TRUE(finished.waitFor(second.pid));
    EXPECT_EQ(sync.received, (std::vector<Message>{{1031, 0, 1}}));
    EXPECT_EQ(editor.received, (std::vector<Message>{{1031, 0, 1}}));
}

TEST(RestavoProgram, CodeWithoutOperationEndsWithoutReplying)
{
    FinishedChildren finished;
    RecordingWindow window{1030};
    const LaunchResult result = StartRestavo(ProgramFolder(), {14, window.handle(), 1030, {}});
    ASSERT_TRUE(result.started);
    EXPECT_FALSE(finished.waitFor(result.pid));
    // The launcher turns the silence into the failure reply.
    EXPECT_EQ(window.received, (std::vector<Message>{{1030, 0, 1}}));
}

namespace {

// An X display nobody answers at: a port of 127.0.0.1 that this test holds
// without listening, so a connection to it is refused at once.
class UnreachableDisplay {
public:
    UnreachableDisplay()
    {
        for (int number = 50; number < 100 && m_number < 0; ++number) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address {};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(quint16(6000 + number));
            if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
                m_fd = fd;
                m_number = number;
            } else {
                ::close(fd);
            }
        }
    }
    ~UnreachableDisplay() { ::close(m_fd); }
    QByteArray name() const { return "127.0.0.1:" + QByteArray::number(m_number); }

private:
    int m_fd = -1;
    int m_number = -1;
};

} // namespace

TEST(RestavoProgram, RepliesWhenItsDisplayCannotBeOpened)
{
    const UnreachableDisplay unreachable;
    struct Case {
        const char *name;
        QList<QPair<const char *, QByteArray>> variables;
    };
    const Case cases[] = {
        {"X display out of reach",
         {{"QT_QPA_PLATFORM", {}}, {"WAYLAND_DISPLAY", {}}, {"DISPLAY", unreachable.name()}}},
        {"Wayland display without its plugin",
         {{"QT_QPA_PLATFORM", {}}, {"DISPLAY", {}}, {"WAYLAND_DISPLAY", "wayland-57"},
          {"XDG_SESSION_TYPE", "wayland"}}},
        {"X display asked for by name",
         {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", {}}, {"DISPLAY", unreachable.name()}}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        FinishedChildren finished;
        RecordingWindow window{1031};
        LaunchResult result;
        {
            const ScopedEnvironment display(k.variables);
            result = StartRestavo(ProgramFolder(),
                                  {7, window.handle(), 1031, {RestavoArgument::number(15), RestavoArgument::text("1.4.1.6")}});
        }
        ASSERT_TRUE(result.started);
        EXPECT_TRUE(finished.waitFor(result.pid)) << "Restavo ended without replying";
        EXPECT_EQ(window.received, (std::vector<Message>{{1031, 0, 1}}));
    }
}
