#pragma once
// The order in which TessalCert comes up and goes down. Each step is one call
// of a StartupSteps object: the program passes the real windows and data
// module, tests pass fakes and read what happened.
#include <QByteArray>
#include <QString>
#include <cstdint>

// The machine-wide lock that keeps a second copy out.
inline const QString SingleInstanceName = QStringLiteral("Global\\{491AD4AC-B921-4AC4-A711-2734BEA5B116}");
// CreateGlobalMutex's answer when another copy holds the lock.
constexpr int LockAlreadyHeld = 183;
// The account made on the first start: a Latin capital A, the rest Cyrillic.
inline const QString DefaultAdministratorName = QStringLiteral("A") + QStringLiteral("дминистратор");
// The synchronisation warning comes after more days than this.
constexpr int32_t DaysWithoutSyncAllowed = 5;

struct LoggedOnUser {
    QString name;
    int32_t id = -1;
};

class StartupSteps {
public:
    virtual ~StartupSteps() = default;

    // CreateGlobalMutex of the single-instance lock (InstanceLockName).
    virtual int takeSingleInstanceLock() = 0;
    // The application title and the help pages.
    virtual void initialiseApplication() = 0;
    // The main window, then the data module (which reads i.cod and may set the stop flag).
    virtual void createMainWindowAndDataModule() = 0;
    // k.cod into the users-and-settings dataset and its settings into the state.
    virtual void readUsersFile() = 0;
    virtual bool usersOpen() = 0;
    virtual int userCount() = 0;
    // Appends the default administrator with the empty password, finishes the
    // edit and makes it the current user record.
    virtual LoggedOnUser addDefaultAdministrator() = 0;
    // Finishes the edit of the users-and-settings record (the file itself is
    // written when the data module goes, so a run that stops leaves it alone).
    virtual void saveUsers() = 0;
    // The log-on dialog; false when nobody logged on.
    virtual bool logOn() = 0;
    // The name shown in the main window's help line.
    virtual void showHelpLine(const QString &text) = 0;
    // Opens, creates or upgrades the database; may set the stop flag.
    virtual void loadDatabase() = 0;
    // Takes the database-in-use interlock for RunId when it is free, in one
    // step. Returns the identifier of the run that holds it, empty when it
    // was free and is now ours.
    virtual QString claimInterlock(const QString &runId) = 0;
    // The "Stop" dialog; 6 clears the other run's interlock, 7 leaves it.
    virtual int askStopDialog() = 0;
    virtual void clearInterlock() = 0;
    // Creates the certificate list page, enables the actions and opens the list.
    virtual void showCertificateList() = 0;
    // The archive copy into the archive folder.
    virtual void makeArchive() = 0;
    virtual void createLanguageWindow() = 0;
    virtual int32_t daysWithoutSync() = 0;
    // The synchronisation warning; returns the operator's choice (1, 2 or 3).
    virtual uint8_t showSyncWarning(int32_t days) = 0;
    // Shows the main window and runs the message loop until it closes.
    virtual void runEventLoop() = 0;
    // Empties the interlock when it still holds RunId.
    virtual void releaseInterlock(const QString &runId) = 0;
    // Frees the windows and the data module (the data module writes k.cod
    // unless the stop flag is set). Safe to call more than once.
    virtual void freeMainWindowAndDataModule() = 0;
};

// The exit code of a run that did not come up (a second copy, a refused
// log-on or database, an error such as lack of memory) or broke off on an error.
constexpr int StartFailedExitCode = 1;

// Runs the start-up, the message loop and the shut-down. Returns the exit
// code: 0 after the message loop ended normally, StartFailedExitCode otherwise.
int RunStartupAndShutdown(StartupSteps &steps, const QString &runId);
