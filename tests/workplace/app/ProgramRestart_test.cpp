// The restart after an archive import: the new copy starts only after this
// process has given up the single-instance lock.
#include "MachineLock.h"
#include "ProgramRestart.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(ProgramRestart, StartsTheNewCopyOnlyWhenAskedAndWithTheLockFree)
{
    const QString lock = QStringLiteral("ProgramRestart test %1").arg(QCoreApplication::applicationPid());
    ASSERT_EQ(TakeMachineLock(lock).outcome, MachineLockResult::Taken);
    int starts = 0;
    const ProgramStarter starter = [&](const QString &program, const QStringList &arguments, const QString &) {
        ++starts;
        EXPECT_EQ(program, QStringLiteral("/opt/tessal/TessalCert"));
        EXPECT_TRUE(arguments.isEmpty());
        // What the new copy does first: take the lock.
        EXPECT_EQ(TakeMachineLock(lock).outcome, MachineLockResult::Taken);
        ReleaseMachineLock(lock);
        return DetachedStartResult{true, 4242, 0};
    };

    CancelProgramRestart();
    EXPECT_FALSE(RestartProgramWhenRequested(lock, "/opt/tessal/TessalCert", starter).started);
    EXPECT_EQ(starts, 0);
    EXPECT_EQ(TakeMachineLock(lock).outcome, MachineLockResult::HeldElsewhere) << "kept without a request";

    RequestProgramRestart();
    EXPECT_TRUE(RestartProgramWhenRequested(lock, "/opt/tessal/TessalCert", starter).started);
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(ProgramRestartRequested());
}
