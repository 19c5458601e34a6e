#include "CommandWords.h"
#include "RestavoCommand.h"
#include "RestavoDispatcher.h"
#include "RestavoOperations.h"
#include "ggError.h"

#include <gtest/gtest.h>

void PrintTo(const RestavoReply &r, std::ostream *os)
{
    *os << "(handle " << r.handle << ", message " << r.message << ", " << r.wParam << ", " << r.lParam << ')';
}

namespace {

// A table whose operations 1 and 7 record what they read.
struct RecordingTable {
    OperationTable table;
    std::vector<QString> calls;

    RecordingTable()
    {
        table.set(1, [this](const CommandWords &w) {
            const qint32 start = w.integer(4);
            calls.push_back(QStringLiteral("rollback %1 %2").arg(start).arg(w.text(5)));
            return -1;
        });
        table.set(7, [this](const CommandWords &w) {
            const qint32 lastChange = w.integer(4);
            calls.push_back(QStringLiteral("change %1 %2").arg(lastChange).arg(w.text(5)));
            return -1;
        });
    }
};

// A worker whose construction, method or destruction raises on request.
struct Faults {
    bool inConstructor = false, inMethod = false, inDestructor = false;
    int destroyed = 0;
};

struct FaultyWorker {
    explicit FaultyWorker(Faults &faults) : faults(faults)
    {
        if (faults.inConstructor)
            throw AppError("constructor");
    }
    ~FaultyWorker() noexcept(false)
    {
        ++faults.destroyed;
        if (faults.inDestructor)
            throw AppError("cleanup");
    }
    qint32 run()
    {
        if (faults.inMethod)
            throw std::runtime_error("method");
        return -3;
    }
    Faults &faults;
};

} // namespace

TEST(RestavoDispatcher, ReadsTheWordsOfTheCommandLine)
{
    struct Case {
        const char *commandLine;
        std::optional<RestavoReply> reply;
        const char *call; // nullptr: no operation ran
    };
    const Case cases[] = {
        {"7,1234,1030,15,1.4.1.6", RestavoReply{1234, 1030, -1, 2}, "change 15 1.4.1.6"},
        // Only the low 8 bits of the code count.
        {"257,1234,1030,0,/data/x.xml", RestavoReply{1234, 1030, -1, 2}, "rollback 0 /data/x.xml"},
        // Runs of commas count as one separator; leading commas are skipped.
        {",,7,,1234,,1030,,15,1.4.1.6,", RestavoReply{1234, 1030, -1, 2}, "change 15 1.4.1.6"},
        // A first word that is not an integer (the program's own name, say):
        // the failure reply goes to handle 0, which reaches nobody.
        {"abc,1,2", RestavoReply{0, 0, 0, 1}, nullptr},
        {"Restavo.exe 7,1,2", RestavoReply{0, 0, 0, 1}, nullptr},
        // A handle that is not an integer: neither handle nor message was read.
        {"7,x,1030", RestavoReply{0, 0, 0, 1}, nullptr},
        // A bad message number: the handle was read already.
        {"7,1234,y", RestavoReply{1234, 0, 0, 1}, nullptr},
        // A bad integer argument fails before the worker runs.
        {"7,1234,1030,fifteen,1.4.1.6", RestavoReply{1234, 1030, 0, 1}, nullptr},
        {"7,1234,1030", RestavoReply{1234, 1030, 0, 1}, nullptr},
        // Codes without an operation: no reply.
        {"0,1234,1030", std::nullopt, nullptr},
        {"14,1234,1030", std::nullopt, nullptr},
        {"255,1234,1030", std::nullopt, nullptr},
        {"", RestavoReply{0, 0, 0, 1}, nullptr},
    };
    for (const Case &c : cases) {
        RecordingTable recording;
        EXPECT_EQ(DispatchCommand(c.commandLine, recording.table), c.reply) << c.commandLine;
        const std::vector<QString> expectedCalls = c.call ? std::vector<QString>{c.call} : std::vector<QString>{};
        EXPECT_EQ(recording.calls, expectedCalls) << c.commandLine;
    }
}

TEST(RestavoDispatcher, RaisingWorkerGivesOneFailureReplyAndIsStillFreed)
{
    struct Case {
        Faults faults;
        RestavoReply reply;
        int destroyed;
    };
    const Case cases[] = {
        {{}, {1, 1040, -3, 2}, 1}, // a negative result is a result
        {{true, false, false}, {1, 1040, 0, 1}, 0},
        {{false, true, false}, {1, 1040, 0, 1}, 1},
        {{false, false, true}, {1, 1040, 0, 1}, 1},
        {{false, true, true}, {1, 1040, 0, 1}, 1},
    };
    for (const Case &c : cases) {
        Faults faults = c.faults;
        OperationTable table;
        table.set(13, [&faults](const CommandWords &words) {
            words.integer(4);
            return RunWorker([&] { return std::make_unique<FaultyWorker>(faults); },
                             [](FaultyWorker &worker) { return worker.run(); });
        });
        EXPECT_EQ(DispatchCommand("13,1,1040,0,1.4.1.6", table), c.reply);
        EXPECT_EQ(faults.destroyed, c.destroyed);
    }
}

TEST(RestavoDispatcher, EveryOperationOfTheProgramRepliesOnce)
{
    // Without the restore XML or without a workstation file in the program
    // folder, operations 1 to 13 fail cleanly.
    const OperationTable table = RestavoOperationTable();
    const char *commandLines[] = {
        "1,5,1025,0,/proc/no-such-folder/restore.xml", "2,5,1025,1.4.1.6",  "3,5,1025,1.4.1.6", "4,5,1025,1,1.4.1.6",
        "5,5,1025,1.4.1.6",            "6,5,1025,1,1.4.1.6", "7,5,1025,0,1.4.1.6", "8,5,1025,45000,1.4.1.6",
        "9,5,1025,0,1.4.1.6,a%b*c",    "10,5,1025,1.4.1.6",  "11,5,1025",
        "12,5,1025,1.4.1.6,acc,pw,user,42,admin", "13,5,1025,0,1.4.1.6",
    };
    for (const char *commandLine : commandLines)
        EXPECT_EQ(DispatchCommand(commandLine, table), (RestavoReply{5, 1025, 0, 1})) << commandLine;
    for (const char *commandLine : {"0,5,1025", "14,5,1025", "200,5,1025"})
        EXPECT_EQ(DispatchCommand(commandLine, table), std::nullopt) << commandLine;
}

TEST(CommandWords, SecretWordComesFromTheEnvironmentAndLeavesIt)
{
    const QByteArray variable = SecretWordVariable(6);
    qputenv(variable.constData(), "p,a ss");
    const CommandWords words("12,5,1027,1.4.1.6,acc,*,user,42,admin");
    EXPECT_EQ(words.text(6), "p,a ss");
    EXPECT_EQ(words.text(7), "user");
    EXPECT_EQ(words.integer(8), 42);
    EXPECT_EQ(words.text(10), QString());
    EXPECT_FALSE(qEnvironmentVariableIsSet(variable.constData()));
}
