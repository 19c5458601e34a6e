// The restore download chain driven through its handlers with a launcher
// that records the command lines; the page's load button starts it.
#include "ChainFixture.h"

#include "Sync.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTest>

class RestoreDownloadChainTest : public ChainTest {
protected:
    void SetUp() override
    {
        ChainTest::SetUp();
        writeOpeningFiles();
    }
};

TEST_F(RestoreDownloadChainTest, WalksToTheRestoreFileAndEndsWithEachAnswer)
{
    struct Row {
        const char *name;
        qint32 restoreResult;
        QStringList logTail;
        QString status;
    };
    const QList<Row> rows = {
        {"SavedOrCancelled", 0, {"файл получен", "ОПЕРАЦИЯ ЗАВЕРШЕНА"}, "Ожидайте..."},
        {"Failed", -1, {"Ошибка обращения restore", "ОПЕРАЦИЯ ЗАВЕРШЕНА"}, "Ошибка обращения WRestore(restore)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        output.lines.clear();
        runningStates.clear();
        // A stop pressed during an earlier exchange does not stop this one.
        core->aStopExecute();
        restore->start();
        settle();
        EXPECT_EQ(started(), QStringList{"3,W,1034,1.4.1.6"});
        const QList<std::pair<qint32, QString>> steps = {
            {0, "4,W,1035,1,1.4.1.6"}, {2, "4,W,1035,3,1.4.1.6"}, {-1, "5,W,1036,1.4.1.6"},
            {0, "6,W,1037,1,1.4.1.6"}, {-1, "10,W,1038,1.4.1.6"}};
        for (const auto &[result, next] : steps) {
            reply(result);
            EXPECT_EQ(started(), QStringList{next});
        }
        reply(row.restoreResult);
        EXPECT_TRUE(started().isEmpty());
        EXPECT_EQ(output.lines, QStringList{"a\r\nb\r\nc"} + row.logTail);
        EXPECT_EQ(output.statuses.last(), row.status);
        EXPECT_EQ(runningStates, QList<bool>{false});
        EXPECT_FALSE(ExchangeRunning());
    }
}

TEST_F(RestoreDownloadChainTest, PageButtonStartsTheChainAndGetsItsButtonsBack)
{
    QStringList statuses;
    SyncHost host;
    host.setStatusText = [&statuses](const QString &text) { statuses << text; };
    TfSync page(*dm, host);
    page.aStop->setEnabled(true);
    page.aLoadFromFile2->trigger();
    EXPECT_EQ(statuses, QStringList{"Ожидайте..."});
    EXPECT_TRUE(page.restoreChain().running());
    // The first run cannot start here (no Restavo in the program folder).
    ASSERT_TRUE(QTest::qWaitFor([&page] { return !page.restoreChain().running(); }, 10000));
    EXPECT_TRUE(page.mLog->toPlainText().endsWith("ОПЕРАЦИЯ ЗАВЕРШЕНА"));
    EXPECT_TRUE(page.mLog->toPlainText().startsWith(StartFailurePrefix));
    for (QAction *action : {page.aStart2, page.aSaveToFile, page.aLoadFromFile2})
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_FALSE(page.aStop->isEnabled());
}
