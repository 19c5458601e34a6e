// The frame that every step of both chains shares, driven through the
// handlers with a launcher that records the command lines: Restavo's failure
// reply, parameters that are not the chain's, replies that belong to no run
// in flight, the stop request before each start, starts that fail, and the
// busy guard between the chains.
#include "ChainFixture.h"

#include "ggDebug.h"

namespace {

struct ChainWalk {
    const char *name;
    bool restore;
    // Replies that carry each run of the chain on to the next one.
    QList<qint32> replies;
    QStringList handlers; // the handler of each run, in order
    QStringList failureLines;
    QString abortLine, endLine;
};

const QList<ChainWalk> &Walks()
{
    static const QList<ChainWalk> walks = {
        {"synchronisation",
         false,
         {0, -1, 0, -1, 0, -1, -1},
         {"WSync1", "WSyncCod", "WSync2", "WSyncVersion", "WSyncChange", "WSyncPostDay", "WSyncPostFile", "WSyncUpdate"},
         {"Зафиксирована WSync1 ошибка синхронизации.", "Зафиксирована WSyncCod ошибка синхронизации.",
          "Зафиксирована WSync2 ошибка синхронизации.", "Зафиксирована WSyncVersion ошибка синхронизации.",
          "Зафиксирована WSyncChange ошибка синхронизации.", "Зафиксирована WSyncPostDay ошибка синхронизации.",
          "Зафиксирована WSyncPostFile ошибка синхронизации.", "Зафиксирована WSyncUpdate ошибка синхронизации."},
         "СИНХРОНИЗАЦИЯ ПРЕРВАНА",
         "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"},
        {"restore",
         true,
         {0, -1, 0, -1},
         {"WLF1", "WLFCod", "WLF2", "WLFVersion", "WRestore"},
         {"Зафиксирована WLF1 ошибка восстановления.", "Зафиксирована WLFCod ошибка получения.",
          "Зафиксирована WLF2 ошибка получения.", "Зафиксирована WLFVersion ошибка получения.",
          "Зафиксирована WRestore ошибка восстановления."},
         "получение прервано",
         "ОПЕРАЦИЯ ЗАВЕРШЕНА"},
    };
    return walks;
}

} // namespace

class RestavoChainTest : public ChainTest {
protected:
    void SetUp() override
    {
        ChainTest::SetUp();
        // Two days to post and one update to fetch.
        insertCertificate(certificate(1, 1, {{"status", 7}}));
        writeOpeningFiles("<version><certificate><lastdate/></certificate><versions>"
                          "<version name=\"support\" url=\"/pkg/s.zip\" version=\"4\"/></versions></version>");
    }
    RestavoChain &chain(const ChainWalk &walk)
    {
        return walk.restore ? static_cast<RestavoChain &>(*restore) : static_cast<RestavoChain &>(*sync);
    }
    void start(const ChainWalk &walk)
    {
        if (walk.restore)
            restore->start();
        else
            sync->start();
    }
    // Starts the chain and carries it on until run `runs` is in flight.
    void walkTo(const ChainWalk &walk, int runs)
    {
        start(walk);
        settle();
        for (int i = 0; i < runs; ++i)
            reply(walk.replies[i]);
        ASSERT_EQ(started().size(), runs + 1);
        ASSERT_NE(chain(walk).runInFlight(), 0);
    }
    void clearOutput()
    {
        output.lines.clear();
        output.statuses.clear();
        journal.sink().clear();
        started();
    }
};

TEST_F(RestavoChainTest, FailureReplyOfEachRunEndsTheChainWithItsWording)
{
    for (const ChainWalk &walk : Walks()) {
        for (int run = 0; run < walk.handlers.size(); ++run) {
            SCOPED_TRACE(std::string(walk.name) + " " + walk.handlers[run].toStdString());
            walkTo(walk, run);
            clearOutput();
            const quint32 step = lastMessage;

            // Parameters that are not the chain's, and replies that belong to
            // no run in flight, change nothing.
            post(step, 5, 0);
            post(step, 5, 3);
            post(step == 0x402 ? 0x403 : 0x402, 0, 2);
            post(walk.restore ? 0x40f : 0x409, 0, 0);
            EXPECT_TRUE(output.lines.isEmpty()) << output.lines.join('|').toStdString();
            EXPECT_TRUE(started().isEmpty());
            EXPECT_TRUE(chain(walk).running());

            reply(0, 1);
            EXPECT_EQ(output.lines, (QStringList{walk.failureLines[run], walk.endLine}));
            EXPECT_EQ(output.statuses, QStringList{"Ошибка запуска в программе"});
            EXPECT_EQ(exceptionRecords(), QStringList{"[Expert]Sync.TfSync." + walk.handlers[run]
                                                      + "() Ошибка запуска в программе"});
            EXPECT_FALSE(chain(walk).running());
            EXPECT_FALSE(ExchangeRunning());
            EXPECT_TRUE(started().isEmpty());

            // A late reply of the same run is no longer heard.
            reply(0, 1);
            EXPECT_EQ(output.lines.size(), 2);
        }
    }
}

TEST_F(RestavoChainTest, StopRequestEndsTheChainBeforeEachStart)
{
    for (const ChainWalk &walk : Walks()) {
        for (int run = 0; run < walk.handlers.size(); ++run) {
            SCOPED_TRACE(std::string(walk.name) + " " + walk.handlers[run].toStdString());
            if (run == 0) {
                start(walk);
                core->aStopExecute();
                clearOutput();
                settle();
            } else {
                walkTo(walk, run - 1);
                core->aStopExecute();
                clearOutput();
                reply(walk.replies[run - 1]);
            }
            EXPECT_TRUE(started().isEmpty());
            ASSERT_GE(output.lines.size(), 2);
            EXPECT_EQ(output.lines.mid(output.lines.size() - 2), (QStringList{walk.abortLine, walk.endLine}));
            EXPECT_FALSE(chain(walk).running());
        }
    }
}

TEST_F(RestavoChainTest, StartThatFailsEndsTheChainWithTheLaunchersText)
{
    failStarts = true;
    sync->start();
    settle();
    const QString notFound = StartFailurePrefix + SysErrorText(2);
    EXPECT_EQ(output.lines, (QStringList{notFound, "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}));
    EXPECT_EQ(output.statuses, (QStringList{"Идёт передача...", notFound}));
    EXPECT_EQ(exceptionRecords(), QStringList{"[Expert]Sync.TfSync.WSync1() " + notFound});

    // A word the command line cannot carry is refused by the launcher, in its own words.
    failStarts = false;
    writeOpeningFiles("<version><versions><version name=\"support\" url=\"/pkg/a,b.zip\" version=\"4\"/>"
                      "</versions></version>");
    sync->start();
    settle();
    for (const qint32 result : {0, -1, 0, -1, 0, -1, -1})
        reply(result);
    const QString refusal = QStringLiteral("Restavo не запущен: параметр 6 содержит запятую.");
    EXPECT_EQ(output.lines.mid(output.lines.size() - 2), (QStringList{refusal, "СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА"}));
    EXPECT_EQ(output.statuses.last(), refusal);
    EXPECT_FALSE(sync->running());
}

TEST_F(RestavoChainTest, OneChainAtATime)
{
    sync->start();
    settle();
    restore->start();
    sync->start();
    settle();
    EXPECT_EQ(started(), QStringList{"3,W,1026,1.4.1.6"});
    EXPECT_EQ(output.help, (QStringList(2, "Идёт обмен с сервером (синхронизация). Дождитесь его завершения.")));
    EXPECT_EQ(output.statuses, QStringList{"Идёт передача..."}) << "a refused start shows nothing else";
    reply(-1);
    EXPECT_FALSE(sync->running());

    restore->start();
    settle();
    sync->start();
    EXPECT_EQ(started(), QStringList{"3,W,1034,1.4.1.6"});
    EXPECT_EQ(output.help.last(), QStringLiteral("Идёт обмен с сервером (данные из ЦБД). Дождитесь его завершения."));
}
