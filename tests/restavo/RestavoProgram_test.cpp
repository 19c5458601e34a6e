// The real Restavo program, started the way the workstation starts it.
#include "ReplyWaiter.h"
#include "RestavoCommand.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <gtest/gtest.h>

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
    // The reply came from Restavo itself (its operations are not there yet,
    // so it reports the failure), not from the launcher.
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
