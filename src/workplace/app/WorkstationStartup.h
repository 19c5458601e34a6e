#pragma once
// The start-up steps over the real main window, data module and dialogs.
#include "StartupSequence.h"

#include <QPointer>

class TDM;
class TfMain;
class TfLanguage;

class WorkstationStartup : public StartupSteps {
public:
    WorkstationStartup();
    ~WorkstationStartup() override;

    int takeSingleInstanceLock() override;
    void initialiseApplication() override;
    void createMainWindowAndDataModule() override;
    void readUsersFile() override;
    bool usersOpen() override;
    int userCount() override;
    LoggedOnUser addDefaultAdministrator() override;
    void saveUsers() override;
    bool logOn() override;
    void showHelpLine(const QString &text) override;
    void loadDatabase() override;
    QString claimInterlock(const QString &runId) override;
    int askStopDialog() override;
    void clearInterlock() override;
    void showCertificateList() override;
    void makeArchive() override;
    void createLanguageWindow() override;
    int32_t daysWithoutSync() override;
    uint8_t showSyncWarning(int32_t days) override;
    void runEventLoop() override;
    void releaseInterlock(const QString &runId) override;
    void freeMainWindowAndDataModule() override;

private:
    TfMain *m_main = nullptr;
    TDM *m_dm = nullptr;
    TfLanguage *m_language = nullptr;
};
