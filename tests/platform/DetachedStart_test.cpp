// A program started detached goes on after its starter has ended, inherits
// none of the starter's open files and is nobody's child there.
#include "ChildRole.h"
#include "DetachedStart.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>

namespace {
// Waits (at most 20 s) for "go" in its folder, then writes its parent's id to
// "done". It notes in "leaked" an open file of its starter that it received.
const char *const Program = R"sh(
[ -e /proc/$$/fd/$1 ] && echo "descriptor $1" >> leaked
[ "$(readlink /proc/$$/fd/1)" = /dev/null ] || echo "standard output" >> leaked
i=0
while [ ! -e go ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done
echo $PPID > done
)sh";

} // namespace

TEST(DetachedStart, TheProgramOutlivesItsStarter)
{
    QTemporaryDir folder;
    auto starter = StartChildRole(QStringLiteral("starter"), {folder.path()});
    const qint64 starterPid = starter->processId();
    const QByteArray answer = ReadChildAnswer(*starter);
    ASSERT_TRUE(starter->waitForFinished(10000)) << "the starter waited for the program";
    ASSERT_EQ(starter->exitCode(), 0);
    const qint64 pid = answer.toLongLong();
    ASSERT_GT(pid, 0) << answer.constData();

    // The starter is gone; the program still runs and waits for its signal.
    EXPECT_EQ(kill(pid_t(pid), 0), 0);
    EXPECT_FALSE(QFile::exists(folder.filePath("done")));
    WriteWholeFile(folder.filePath("go"), "");
    ASSERT_TRUE(PollUntil([&] { return QFile::exists(folder.filePath("done")); }, 20));
    const qint64 parent = ReadWholeFile(folder.filePath("done")).trimmed().toLongLong();
    EXPECT_NE(parent, starterPid);
    EXPECT_NE(parent, QCoreApplication::applicationPid());
    EXPECT_EQ(ReadWholeFile(folder.filePath("leaked")), QByteArray());
}

TEST(DetachedStart, AMissingProgramOrFolderIsAnError)
{
    QTemporaryDir folder;
    const DetachedStartResult missing = StartDetached(folder.filePath("VuzudoVO.exe"), {});
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.errorCode, ENOENT);
    const DetachedStartResult noFolder = StartDetached("/bin/sh", {"-c", "true"}, folder.filePath("none"));
    EXPECT_FALSE(noFolder.started);
    EXPECT_EQ(noFolder.errorCode, ENOENT);
}

TEST(ChildRole, Play)
{
    if (ChildRole() != QLatin1String("starter"))
        GTEST_SKIP();
    const QString folder = ChildArgs().value(0);
    const int open = ::open("/dev/null", O_RDONLY); // inheritable: no close-on-exec
    const DetachedStartResult result =
        StartDetached("/bin/sh", {"-c", Program, "sh", QString::number(open)}, folder);
    std::fputs(ChildAnswerLine(QByteArray::number(result.started ? result.pid : -result.errorCode)).constData(),
               stdout);
    std::fflush(stdout);
    std::exit(0);
}
