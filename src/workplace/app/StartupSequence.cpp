#include "StartupSequence.h"

#include "CommonTessal.h"
#include "Prompter.h"
#include "StartFailure.h"
#include "ggError.h"

namespace {

void WriteStartStopRecord(uint32_t eventId)
{
    WriteEventLog(EventType::Information, EventCategory::UserAction, eventId);
}

// Creates the default administrator on a workstation whose users were not
// carried over. True when it did, and the log-on dialog is then skipped.
bool CreateDefaultAdministratorWhenNeeded(StartupSteps &steps, LoggedOnUser &administrator)
{
    TessalState &app = App();
    if (app.StopFlag || !steps.usersOpen() || app.UsersOldFlag)
        return false;
    bool created = false;
    if (steps.userCount() == 0) {
        administrator = steps.addDefaultAdministrator();
        WriteEventLog(EventType::Information, EventCategory::UserAction, EventId::UserAdded,
                      {app.CurrentUserName, administrator.name, QString::number(administrator.id)});
        steps.saveUsers();
        created = true;
    }
    app.UsersOldFlag = true;
    return created;
}

// The user of the current record becomes the logged-on user.
void LogOnAsDefaultAdministrator(StartupSteps &steps, const LoggedOnUser &user)
{
    App().CurrentUserName = user.name;
    App().CurrentUserId = user.id;
    steps.showHelpLine(user.name);
}

// Another run holds the database: this run stops; the operator decides
// whether the other run's claim goes.
void StopForOtherRun(StartupSteps &steps)
{
    App().StopFlag = true;
    if (steps.askStopDialog() == 6)
        steps.clearInterlock();
}

// Steps 3 to 18. False when the start-up stopped before the loop (the
// windows and the data module are then freed already); loopRan tells whether
// the program came up and ran its message loop.
bool StartAndRun(StartupSteps &steps, const QString &runId, bool &loopRan)
{
    TessalState &app = App();
    steps.initialiseApplication();
    steps.createMainWindowAndDataModule();
    if (!app.StopFlag)
        steps.readUsersFile();

    LoggedOnUser administrator;
    const bool skipLogOn = CreateDefaultAdministratorWhenNeeded(steps, administrator);

    if (!app.StopFlag) {
        if (skipLogOn)
            LogOnAsDefaultAdministrator(steps, administrator);
        else if (!steps.logOn())
            app.StopFlag = true;
        else
            steps.showHelpLine(app.CurrentUserName);
    }
    if (app.StopFlag) {
        steps.freeMainWindowAndDataModule();
        return false;
    }

    steps.loadDatabase();
    if (!app.StopFlag) {
        const QString holder = steps.claimInterlock(runId);
        if (!holder.isEmpty())
            StopForOtherRun(steps);
    }
    if (app.StopFlag) {
        steps.freeMainWindowAndDataModule();
        return false;
    }

    steps.showCertificateList();
    if (app.ArchiveAtStart)
        steps.makeArchive();
    steps.createLanguageWindow();
    if (!app.StopFlag) {
        const int32_t days = steps.daysWithoutSync();
        if (days > DaysWithoutSyncAllowed)
            app.SyncWarningChoice = steps.showSyncWarning(days);
    }
    // The run identifier went into the interlock with the claim above.
    if (!app.StopFlag) {
        loopRan = true;
        steps.runEventLoop();
    }
    return true;
}

void ShutDown(StartupSteps &steps, const QString &runId)
{
    try {
        steps.releaseInterlock(runId);
    } catch (const std::exception &e) {
        LogException("TessalCert", e);
    }
    try {
        if (App().ArchiveAtExit)
            steps.makeArchive();
    } catch (const std::exception &e) {
        LogException("TessalCert", e);
    }
}

} // namespace

int RunStartupAndShutdown(StartupSteps &steps, const QString &runId)
{
    SetDateFormats();
    WriteStartStopRecord(EventId::ProgramStarted);

    if (steps.takeSingleInstanceLock() == LockAlreadyHeld) {
        Prompts().ask(QStringLiteral("Программа уже работает"), QStringLiteral("Tessal"), Prompt::Error, Prompt::Ok);
        WriteStartStopRecord(EventId::ProgramStopped);
        return StartFailedExitCode;
    }

    bool reachedList = false;
    bool loopRan = false;
    bool failed = false;
    try {
        reachedList = StartAndRun(steps, runId, loopRan);
    } catch (const std::exception &e) {
        LogException("TessalCert", e);
        App().StopFlag = true;
        reachedList = true; // the interlock and the exit archive are still handled
        failed = true;
        TellStartFailure(e);
    } catch (...) {
        LogException("TessalCert", QByteArray("unknown exception"));
        App().StopFlag = true;
        reachedList = true;
        failed = true;
        TellStartFailure(QStringLiteral("unknown exception"));
    }
    if (reachedList)
        ShutDown(steps, runId);
    WriteStartStopRecord(EventId::ProgramStopped);
    try {
        steps.freeMainWindowAndDataModule();
    } catch (const std::exception &e) {
        LogException("TessalCert", e);
    }
    return loopRan && !failed ? 0 : StartFailedExitCode;
}
