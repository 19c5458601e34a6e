#include "ChildLauncher.h"
#include "RestavoCommand.h"
#include "ReplyWaiter.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <sys/wait.h>

namespace {

using Message = RecordingWindow::Message;

// A stand-in for Restavo in a program folder of its own. Word 1 says how it
// behaves; it answers through the PostReply tool with the token it was given.
const char FakeRestavo[] = R"SH(#!/bin/sh
set -f
IFS=,
set -- $1
op=$1 handle=$2 msg=$3
post="$TESSAL_BIN/PostReply"
case "$op" in
  20) exit 0 ;;
  21) "$post" "$handle" "$msg" "$4" 2 ;;
  22) "$post" "$handle" "$msg" 1 2; "$post" "$handle" "$msg" 2 2 ;;
  23) printf '%s' "$TESSAL_REPLY_TOKEN" > "$4" ;;
  24) "$post" --token "$(cat "$4")" "$handle" "$msg" 111 2; "$post" "$handle" "$msg" 222 2 ;;
  25) "$post" "$4" "$msg" 9 2 ;;
  26) { printf '%s\n' "$*"; printf '%s\n' "$TESSAL_SECRET_WORD_5"; tr '\0' ' ' < /proc/$$/cmdline; } > "$4" ;;
esac
)SH";

class ChildLauncherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_programDir.isValid());
        QFile script(m_programDir.filePath("Restavo"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(FakeRestavo);
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    qint64 start(int operation, const RecordingWindow &window, quint32 message, QList<RestavoArgument> arguments = {})
    {
        const LaunchResult result = StartRestavo(m_programDir.path(), {operation, window.handle(), message, arguments});
        EXPECT_TRUE(result.started) << result.error.toStdString() << " / " << result.errorCode;
        return result.pid;
    }

    QString file(const QString &name) const { return m_programDir.filePath(name); }

    QTemporaryDir m_programDir;
    FinishedChildren m_finished;
};

} // namespace

TEST_F(ChildLauncherTest, ChildThatExitsSilentlyBecomesTheFailureReplyAndIsReaped)
{
    RecordingWindow window{1030};
    const qint64 pid = start(20, window, 1030);
    EXPECT_FALSE(m_finished.waitFor(pid));
    EXPECT_EQ(window.received, (std::vector<Message>{{1030, 0, 1}}));
    // No zombie is left: the child is no longer ours to wait for.
    errno = 0;
    EXPECT_EQ(waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(ChildLauncher::instance().runningCount(), 0);
}

TEST_F(ChildLauncherTest, OnlyTheFirstReplyOfAChildGetsThrough)
{
    RecordingWindow window{1031};
    EXPECT_TRUE(m_finished.waitFor(start(22, window, 1031)));
    EXPECT_EQ(window.received, (std::vector<Message>{{1031, 1, 2}}));
}

TEST_F(ChildLauncherTest, TwoChainsRepliesNeverCross)
{
    // Both wait for the same message number; B's child tries to answer A.
    RecordingWindow a{1030}, b{1030};
    const qint64 first = start(21, a, 1030, {RestavoArgument::number(-3)});
    const qint64 second = start(25, b, 1030, {RestavoArgument::number(a.handle())});
    EXPECT_TRUE(m_finished.waitFor(first));
    EXPECT_FALSE(m_finished.waitFor(second));
    EXPECT_EQ(a.received, (std::vector<Message>{{1030, -3, 2}})); // a negative result survives the wire
    EXPECT_EQ(b.received, (std::vector<Message>{{1030, 0, 1}}));
}

TEST_F(ChildLauncherTest, ReplyOfAnEarlierStartIsNotAppliedToALaterOne)
{
    RecordingWindow window{1036};
    const QString tokenFile = file("token");
    EXPECT_FALSE(m_finished.waitFor(start(23, window, 1036, {RestavoArgument::text(tokenFile)})));
    ASSERT_FALSE(ReadWholeFile(tokenFile).isEmpty());
    // The next start replays the first start's token before answering itself.
    EXPECT_TRUE(m_finished.waitFor(start(24, window, 1036, {RestavoArgument::text(tokenFile)})));
    EXPECT_EQ(window.received, (std::vector<Message>{{1036, 0, 1}, {1036, 222, 2}}));
}

TEST_F(ChildLauncherTest, MessageFromAProgramNobodyStartedIsDropped)
{
    RecordingWindow window{1025};
    QString error;
    ASSERT_TRUE(WindowMessages::instance().startListening(&error)) << error.toStdString();
    QProcess poster;
    poster.start(BuiltProgram("PostReply"),
                 {"--token", "0123abcd", QString::number(window.handle()), "1025", "7", "2"});
    ASSERT_TRUE(poster.waitForFinished(30000));
    EXPECT_EQ(poster.exitCode(), 0); // it reached the socket ...
    WindowMessages::instance().receivePendingNow();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.received.empty()); // ... and was not let through
}

TEST_F(ChildLauncherTest, SecretTravelsOutsideTheCommandLine)
{
    RecordingWindow window{1027};
    const QString out = file("seen");
    const qint64 pid = start(26, window, 1027,
                             {RestavoArgument::text(out), RestavoArgument::secret("pa,ss word"),
                              RestavoArgument::text("user")});
    m_finished.waitFor(pid);
    const QList<QByteArray> seen = ReadWholeFile(out).split('\n');
    ASSERT_GE(seen.size(), 3);
    const QByteArray expectedLine = "26," + QByteArray::number(window.handle()) + ",1027," + out.toUtf8() + ",*,user";
    EXPECT_EQ(seen[0].toStdString(), expectedLine.toStdString());
    EXPECT_EQ(seen[1].toStdString(), "pa,ss word");
    EXPECT_FALSE(seen[2].contains("pa,ss")) << seen[2].constData();
}

TEST_F(ChildLauncherTest, ArgumentsThatWouldShiftTheWordsAreRefused)
{
    RecordingWindow window{1027};
    const int running = ChildLauncher::instance().runningCount();
    for (const QString &bad : {QString(), QStringLiteral("Smith, John")}) {
        const LaunchResult result = StartRestavo(
            m_programDir.path(), {12, window.handle(), 1027,
                                  {RestavoArgument::text("1.4.1.6"), RestavoArgument::text(bad),
                                   RestavoArgument::secret("pw"), RestavoArgument::text("user")}});
        EXPECT_FALSE(result.started);
        EXPECT_EQ(result.errorCode, 0);
        EXPECT_TRUE(result.error.contains("параметр 5")) << result.error.toStdString();
    }
    EXPECT_EQ(ChildLauncher::instance().runningCount(), running);
}

TEST_F(ChildLauncherTest, StartThatFailsGivesTheSystemErrorNumber)
{
    RecordingWindow window{1030};
    QTemporaryDir empty;
    const LaunchResult missing = StartRestavo(empty.path(), {7, window.handle(), 1030, {}});
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.errorCode, ENOENT);

    QFile notExecutable(empty.filePath("Restavo"));
    ASSERT_TRUE(notExecutable.open(QIODevice::WriteOnly));
    notExecutable.close();
    const LaunchResult denied = StartRestavo(empty.path(), {7, window.handle(), 1030, {}});
    EXPECT_FALSE(denied.started);
    EXPECT_EQ(denied.errorCode, EACCES);

    QCoreApplication::processEvents();
    EXPECT_TRUE(window.received.empty()); // nothing started, nothing to wait for
}
