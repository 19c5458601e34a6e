// The start-up and shut-down order, run over a fake workstation: which
// journal records are written, what the interlock holds at the end, whether
// k.cod is written and whether the message loop runs.
#include "CommonTessal.h"
#include "EventJournal.h"
#include "Prompter.h"
#include "StartupSequence.h"
#include "ggError.h"

#include <gtest/gtest.h>

namespace {

const QString OurRun = QStringLiteral("{11111111-1111-1111-1111-111111111111}");
const QString OtherRun = QStringLiteral("{22222222-2222-2222-2222-222222222222}");

// A workstation whose data module, users file, log-on and database behave as configured.
struct FakeWorkstation : StartupSteps {
    // set-up
    int lockResult = 0;
    bool workstationFileReadable = true;
    bool usersOld = false;
    int users = 0;
    bool passwordRight = true;
    bool databaseAccepted = true;
    QString interlock;
    int stopAnswer = 7;
    int32_t days = 0;
    QString failAt; // a step that raises
    // what happened
    bool dataModuleAlive = false;
    bool usersFileWritten = false;
    bool loopRan = false;
    int archives = 0;
    QStringList helpLines;
    QList<int32_t> warningsShown;

    void step(const char *name)
    {
        if (failAt == QLatin1String(name))
            throw AppError(QStringLiteral("failed at ") + failAt);
    }

    int takeSingleInstanceLock() override { return lockResult; }
    void initialiseApplication() override { step("initialise"); }
    void createMainWindowAndDataModule() override
    {
        dataModuleAlive = true;
        App().StopFlag = !workstationFileReadable;
        App().UsersOldFlag = usersOld;
    }
    void readUsersFile() override { step("users"); }
    bool usersOpen() override { return dataModuleAlive; }
    int userCount() override { return users; }
    LoggedOnUser addDefaultAdministrator() override { return {DefaultAdministratorName, ++users}; }
    void saveUsers() override {}
    bool logOn() override
    {
        // With no users every name typed is refused.
        if (users == 0 || !passwordRight)
            return false;
        App().CurrentUserName = QStringLiteral("Иванов");
        App().CurrentUserId = 2;
        return true;
    }
    void showHelpLine(const QString &text) override { helpLines << text; }
    void loadDatabase() override
    {
        if (!databaseAccepted)
            App().StopFlag = true;
    }
    QString claimInterlock(const QString &runId) override
    {
        if (!interlock.isEmpty())
            return interlock;
        interlock = runId;
        return QString();
    }
    int askStopDialog() override { return stopAnswer; }
    void clearInterlock() override { interlock.clear(); }
    void showCertificateList() override { step("list"); }
    void makeArchive() override { ++archives; }
    void createLanguageWindow() override {}
    int32_t daysWithoutSync() override { return days; }
    uint8_t showSyncWarning(int32_t shown) override
    {
        warningsShown << shown;
        return 1;
    }
    void runEventLoop() override { loopRan = true; }
    void releaseInterlock(const QString &runId) override
    {
        if (interlock == runId)
            interlock.clear();
    }
    void freeMainWindowAndDataModule() override
    {
        if (dataModuleAlive && !App().StopFlag)
            usersFileWritten = true; // the data module writes k.cod when it goes
        dataModuleAlive = false;
    }
};

QStringList JournalIds(const MemoryJournalSink &sink)
{
    QStringList ids;
    for (const EventRecord &record : sink.records())
        ids << QStringLiteral("0x%1").arg(record.eventId, 8, 16, QLatin1Char('0'));
    return ids;
}

struct Scenario {
    const char *name;
    std::function<void(FakeWorkstation &)> setUp;
    QStringList journal;
    QString finalInterlock;
    bool usersFileWritten;
    bool loopRan;
};

class StartupSequenceTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAppState(); }
    void TearDown() override { ResetAppState(); }
    ScopedScriptedPrompter prompter;
    ScopedMemoryJournal journal;
};

} // namespace

TEST_F(StartupSequenceTest, ScenariosEndAsExpected)
{
    const QString start = "0x40000201", stop = "0x40000207", added = "0x40007200", exception = "0x40000103";
    const QList<Scenario> scenarios = {
        {"second instance", [](FakeWorkstation &w) { w.lockResult = LockAlreadyHeld; }, {start, stop}, "", false,
         false},
        {"first start, users not carried over", [](FakeWorkstation &) {}, {start, added, stop}, "", true, true},
        {"users carried over but none there",
         [](FakeWorkstation &w) { w.usersOld = true; }, {start, stop}, "", false, false},
        {"log-on refused",
         [](FakeWorkstation &w) {
             w.usersOld = true;
             w.users = 2;
             w.passwordRight = false;
         },
         {start, stop}, "", false, false},
        {"unreadable workstation file", [](FakeWorkstation &w) { w.workstationFileReadable = false; },
         {start, stop}, "", false, false},
        {"database refused", [](FakeWorkstation &w) { w.databaseAccepted = false; }, {start, added, stop}, "",
         false, false},
        {"interlock held, other run disconnected",
         [](FakeWorkstation &w) {
             w.usersOld = true;
             w.users = 1;
             w.interlock = OtherRun;
             w.stopAnswer = 6;
         },
         {start, stop}, "", false, false},
        {"interlock held, other run goes on",
         [](FakeWorkstation &w) {
             w.usersOld = true;
             w.users = 1;
             w.interlock = OtherRun;
             w.stopAnswer = 7;
         },
         {start, stop}, OtherRun, false, false},
        {"exception while the list opens",
         [](FakeWorkstation &w) {
             w.usersOld = true;
             w.users = 1;
             w.failAt = "list";
         },
         {start, exception, stop}, "", false, false},
        {"exception before the data module reads the users",
         [](FakeWorkstation &w) { w.failAt = "users"; }, {start, exception, stop}, "", false, false},
    };
    for (const Scenario &scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        ResetAppState();
        journal.sink().clear();
        prompter->clear();
        FakeWorkstation workstation;
        scenario.setUp(workstation);
        // Only a run that came up and closed normally ends with 0.
        EXPECT_EQ(RunStartupAndShutdown(workstation, OurRun), scenario.loopRan ? 0 : StartFailedExitCode);
        EXPECT_EQ(JournalIds(journal.sink()), scenario.journal);
        // An error breaking off the start is told, not only journalled.
        const bool told = std::any_of(prompter->shown().begin(), prompter->shown().end(), [](const auto &box) {
            return box.text.startsWith(QStringLiteral("Программа не может продолжить работу: ")) &&
                   box.icon == Prompt::Error;
        });
        EXPECT_EQ(told, scenario.journal.contains(exception));
        EXPECT_EQ(workstation.interlock, scenario.finalInterlock);
        EXPECT_EQ(workstation.usersFileWritten, scenario.usersFileWritten);
        EXPECT_EQ(workstation.loopRan, scenario.loopRan);
        EXPECT_FALSE(workstation.dataModuleAlive);
    }
}

TEST_F(StartupSequenceTest, SecondInstanceIsToldAndNothingElseHappens)
{
    FakeWorkstation workstation;
    workstation.lockResult = LockAlreadyHeld;
    workstation.failAt = "initialise"; // would be logged if the start went on
    RunStartupAndShutdown(workstation, OurRun);
    ASSERT_EQ(prompter->shown().size(), 1);
    EXPECT_EQ(prompter->shown()[0].text, QStringLiteral("Программа уже работает"));
    EXPECT_EQ(prompter->shown()[0].caption, QStringLiteral("Tessal"));
    EXPECT_EQ(prompter->shown()[0].icon, Prompt::Error);
    for (const EventRecord &record : journal.sink().records()) {
        EXPECT_EQ(record.type, EventType::Information);
        EXPECT_EQ(record.category, EventCategory::UserAction);
        EXPECT_TRUE(record.strings.isEmpty());
    }
}

TEST_F(StartupSequenceTest, FirstStartLogsTheDefaultAdministratorOnWithoutTheDialog)
{
    FakeWorkstation workstation;
    workstation.passwordRight = false; // the dialog would refuse
    RunStartupAndShutdown(workstation, OurRun);
    EXPECT_TRUE(workstation.loopRan);
    EXPECT_EQ(App().CurrentUserName, DefaultAdministratorName);
    EXPECT_EQ(App().CurrentUserName.at(0), QLatin1Char('A')); // Latin, not Cyrillic
    EXPECT_EQ(App().CurrentUserId, 1);
    EXPECT_TRUE(App().UsersOldFlag);
    EXPECT_EQ(workstation.helpLines, QStringList{DefaultAdministratorName});
    const QList<EventRecord> added = journal.sink().withId(EventId::UserAdded);
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added[0].strings, (QStringList{"unknown", DefaultAdministratorName, "1"}));
}

TEST_F(StartupSequenceTest, ExceptionIsLoggedUnderTheProgramNameAndTheExitArchiveIsStillMade)
{
    FakeWorkstation workstation;
    workstation.usersOld = true;
    workstation.users = 1;
    workstation.failAt = "list";
    App().ArchiveAtExit = true;
    RunStartupAndShutdown(workstation, OurRun);
    const QList<EventRecord> logged = journal.sink().withId(EventId::ExceptionCaught);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].strings.value(0).endsWith(QStringLiteral("TessalCert")));
    EXPECT_EQ(logged[0].strings.value(1), QStringLiteral("failed at list"));
    EXPECT_EQ(workstation.archives, 1);
    EXPECT_TRUE(App().StopFlag);
}

TEST_F(StartupSequenceTest, SynchronisationWarningOnlyAfterMoreThanFiveDays)
{
    for (const int32_t days : {0, 5, 6, 40}) {
        SCOPED_TRACE(days);
        ResetAppState();
        FakeWorkstation workstation;
        workstation.days = days;
        RunStartupAndShutdown(workstation, OurRun);
        EXPECT_EQ(workstation.warningsShown, days > 5 ? QList<int32_t>{days} : QList<int32_t>{});
        EXPECT_EQ(App().SyncWarningChoice, days > 5 ? 1 : 0);
    }
}
