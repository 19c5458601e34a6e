// The frame under every chain of Restavo runs, with a starter that records
// the commands and starts nothing: which messages it takes (the step it
// posted, the reply of the run in flight, once) and which it ignores (a run
// it replaced, a step it did not post), and what a failed start or a failure
// reply tells.
#include "RestavoRunFrame.h"

#include "WindowMessages.h"
#include "ggDebug.h"

#include <QCoreApplication>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

struct Reply {
    quint32 message;
    qint32 wParam, lParam;
    bool operator==(const Reply &) const = default;
};

class RestavoRunFrameTest : public ::testing::Test {
protected:
    RestavoRunFrameTest()
        : frame(
              [this](const RestavoCommand &command) {
                  commands << command;
                  LaunchResult result;
                  if (failStart) {
                      result.errorCode = ENOENT;
                      return result;
                  }
                  result.started = true;
                  result.pid = 7000 + commands.size();
                  return result;
              },
              [this](quint32 message, qint32 wParam, qint32 lParam) { replies.push_back({message, wParam, lParam}); })
    {
        window = WindowMessages::instance().registerWindow(&page);
        WindowMessages::instance().setHandler(&page, 1025, [this](qint32, qint32 lParam) {
            taken << frame.takePosted(1025, lParam);
        });
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::sendPostedEvents();
    }
    // Restavo's reply to started run `run` (0-based), at the window its command names.
    void reply(int run, qint32 wParam, qint32 lParam)
    {
        const RestavoCommand &command = commands.at(run);
        WindowMessages::instance().postLocal(command.replyWindow, command.replyMessage, wParam, lParam);
        settle();
    }

    QObject page;
    WindowHandle window = 0;
    QList<RestavoCommand> commands;
    std::vector<Reply> replies;
    QList<bool> taken;
    bool failStart = false;
    RestavoRunFrame frame;
};

TEST_F(RestavoRunFrameTest, OnlyTheReplyOfTheRunInFlightIsTakenAndOnlyOnce)
{
    frame.begin();
    ASSERT_TRUE(frame.start(1, 1025, {RestavoArgument::number(0)}).isEmpty());
    EXPECT_EQ(frame.runInFlight(), 7001);
    // A second run replaces the first: the first one's reply is nobody's now,
    // though it comes with the same message number.
    ASSERT_TRUE(frame.start(1, 1025, {RestavoArgument::number(5)}).isEmpty());
    EXPECT_NE(commands[0].replyWindow, commands[1].replyWindow);
    EXPECT_NE(commands[1].replyWindow, window);
    reply(0, -1, 2);
    EXPECT_TRUE(replies.empty());
    // A reply posted to the chain's own window is not a run's reply either.
    WindowMessages::instance().postLocal(window, 1025, -1, 2);
    settle();
    EXPECT_TRUE(replies.empty());
    EXPECT_EQ(taken, QList<bool>{false});

    reply(1, 7, 2);
    EXPECT_EQ(replies, (std::vector<Reply>{{1025, 7, 2}}));
    EXPECT_EQ(frame.runInFlight(), 0);
    EXPECT_TRUE(frame.lastRunFailure().isEmpty());
    reply(1, 8, 2);
    EXPECT_EQ(replies.size(), 1u);

    // When the chain ends, a run still in flight finishes unheard.
    ASSERT_TRUE(frame.start(1, 1025, {}).isEmpty());
    frame.end();
    EXPECT_FALSE(frame.running());
    reply(2, -1, 2);
    EXPECT_EQ(replies.size(), 1u);
}

TEST_F(RestavoRunFrameTest, APostedStepIsTakenWithItsParametersOnce)
{
    frame.begin();
    frame.post(window, 1025, 0, 2);
    EXPECT_TRUE(frame.awaiting());
    EXPECT_FALSE(frame.takePosted(1026, 2));
    EXPECT_FALSE(frame.takePosted(1025, 1));
    settle();
    WindowMessages::instance().postLocal(window, 1025, 0, 2);
    settle();
    EXPECT_EQ(taken, (QList<bool>{true, false}));
    EXPECT_FALSE(frame.awaiting());
}

TEST_F(RestavoRunFrameTest, FailuresTellWhatHappened)
{
    frame.begin();
    // A start that fails: the system's text, nothing awaited.
    failStart = true;
    EXPECT_EQ(frame.start(1, 1025, {}), StartFailurePrefix + SysErrorText(WindowsErrorFromErrno(ENOENT)));
    EXPECT_FALSE(frame.awaiting());
    failStart = false;

    struct Case {
        const char *name;
        qint32 lParam;
        qint32 handledAs;
    };
    const Case cases[] = {
        {"Restavo's failure reply", 1, 1},
        {"a reply with parameters that are none of Restavo's: its one reply, a failure", 3, 1},
        {"a normal reply", 2, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        replies.clear();
        ASSERT_TRUE(frame.start(1, 1025, {}).isEmpty());
        reply(int(commands.size()) - 1, 0, c.lParam);
        EXPECT_EQ(replies, (std::vector<Reply>{{1025, 0, c.handledAs}}));
        EXPECT_EQ(frame.lastRunFailure(), c.handledAs == 1 ? RestavoRunFrame::ReportedFailureText : QString());
    }
}

TEST_F(RestavoRunFrameTest, SilentEndsAreWordedByHowTheProcessEnded)
{
    struct Case {
        const char *name;
        int waitStatus;
        QString text;
    };
    const Case cases[] = {
        {"exit code", 3 << 8, "Restavo завершился, не ответив (код завершения 3)."},
        {"exit code 0", 0, "Restavo завершился, не ответив (код завершения 0)."},
        {"signal", 9, "Restavo завершился, не ответив (прерван сигналом 9)."},
        {"not known", -1, "Restavo завершился, не ответив."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RestavoRunFrame::SilentEndText(c.waitStatus), c.text);
    }
}

} // namespace
