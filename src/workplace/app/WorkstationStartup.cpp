#include "WorkstationStartup.h"
#include "WaitWindowProgress.h"

#include "CommonTessal.h"
#include "CommonTessalFiles.h"
#include "CommonTessalLogOn.h"
#include "DataTessal.h"
#include "DataTessalNumbering.h"
#include "DatabaseInterlock.h"
#include "DlgWarningSync.h"
#include "InstanceLockName.h"
#include "FormMain.h"
#include "LanguageForm.h"
#include "ListForm.h"
#include "TessalApplication.h"
#include "WorkplacePages.h"
#include "ggDebug.h"
#include "ggFiles.h"
#include "uDlgNetExit.h"

#include <QApplication>

WorkstationStartup::WorkstationStartup() = default;

WorkstationStartup::~WorkstationStartup()
{
    freeMainWindowAndDataModule();
}

int WorkstationStartup::takeSingleInstanceLock()
{
    return CreateGlobalMutex(InstanceLockName());
}

void WorkstationStartup::initialiseApplication()
{
    SetApplicationTitle(TitleFromMessageModule());
}

void WorkstationStartup::createMainWindowAndDataModule()
{
    m_main = new TfMain;
    RegisterWorkplacePages(*m_main);
    m_dm = new TDM(ProgramDir());
    m_main->setWorkstationLabel(m_dm->WorkstationLabel());
    QObject::connect(m_dm, &TDM::workstationLabelChanged, m_main, &TfMain::setWorkstationLabel);
    QObject::connect(m_dm, &TDM::enableActionsRequested, m_main, &TfMain::SetEnableActions);
}

void WorkstationStartup::readUsersFile()
{
    m_dm->ReadUsersFile();
}

bool WorkstationStartup::usersOpen()
{
    return m_dm && m_dm->cdsUsers.isActive();
}

int WorkstationStartup::userCount()
{
    return m_dm->cdsUsers.recordCount();
}

LoggedOnUser WorkstationStartup::addDefaultAdministrator()
{
    ClientDataSet &users = m_dm->cdsUsers;
    users.append();
    users.fieldByName(QStringLiteral("UserName")).setValue(DefaultAdministratorName);
    users.fieldByName(QStringLiteral("Password")).setValue(PasswordDigest(QByteArray()));
    m_dm->Save(users);
    users.first();
    return {users.fieldByName(QStringLiteral("UserName")).asString(),
            int32_t(users.fieldByName(QStringLiteral("id")).asInteger())};
}

void WorkstationStartup::saveUsers()
{
    m_dm->Save(m_dm->cdsK);
}

bool WorkstationStartup::logOn()
{
    return PaperLogOn(*m_dm);
}

void WorkstationStartup::showHelpLine(const QString &text)
{
    m_main->setHelpLine(text);
}

void WorkstationStartup::loadDatabase()
{
    // A conversion of an old database can take minutes: the wait window
    // keeps showing its progress while LoadAll holds the main thread.
    WaitWindowProgress progress(QByteArrayLiteral("будем конвертировать данные"));
    // The list's page opens the list when it first shows: it counts the
    // user's list and reads only the page it shows.
    TDM::ListOpening listOpening = TDM::ListOpening::WithLoad;
    if (auto *list = qobject_cast<TfList *>(m_main->page(QStringLiteral("fList")))) {
        list->SetEnableActions();
        listOpening = TDM::ListOpening::ByListPage;
    }
    m_dm->setProgressSink(&progress);
    m_dm->LoadAll(listOpening);
    m_dm->setProgressSink(nullptr);
}

QString WorkstationStartup::claimInterlock(const QString &runId)
{
    // The claim writes the interlock option alone: a page of the list the
    // load read stays current unless another connection wrote meanwhile.
    SqliteDatabase &db = m_dm->ASQLite3DBd;
    const SqliteChangeStamp before = db.changeStamp();
    const QString holder = DatabaseInterlock(db).claim(runId);
    m_dm->ASQM.keepRowsOverOwnWrites(before, db.changeStamp());
    return holder;
}

int WorkstationStartup::askStopDialog()
{
    TFormDlgNetExit dialog(m_main);
    return dialog.exec();
}

void WorkstationStartup::clearInterlock()
{
    DatabaseInterlock(m_dm->ASQLite3DBd).clear();
}

void WorkstationStartup::showCertificateList()
{
    TDM &dm = *m_dm;
    auto *list = qobject_cast<TfList *>(m_main->page(QStringLiteral("fList")));
    m_main->SetEnableActions();
    const SqlFragment filter = list ? list->ownFilter() : SqlFragment();
    dm.ASQM.setFilter(filter);
    dm.ASQM.setFiltered(true);
    App().ListFilterText = filter;
    // The page is read once: the list counts this user's list now and reads
    // its newest page, and its first showing finds the count and the page
    // current (nothing can change the rows in between).
    if (list) {
        list->SetListTabs();
    } else {
        dm.ASQM.close();
        dm.ASQM.open();
    }
    dm.ASQM.first();
    dm.ASQD.close();
    if (!dm.ASQM.isEmpty())
        dm.ASQD.paramByName(QStringLiteral("id")).setInteger(dm.ASQM.fieldByName(QStringLiteral("id")).asInteger());
    dm.ASQD.open();
    dm.ASQM.first();
}

void WorkstationStartup::makeArchive()
{
    if (m_dm)
        SaveBaseToArj(*m_dm, App().ArchiveFolder);
}

void WorkstationStartup::createLanguageWindow()
{
    m_language = new TfLanguage(m_main);
    m_language->setLanguages(m_dm->Languages());
    SetLanguageWindow(m_language);
}

int32_t WorkstationStartup::daysWithoutSync()
{
    return DaysWithoutSync(*m_dm);
}

uint8_t WorkstationStartup::showSyncWarning(int32_t days)
{
    TfDlgWarningSync dialog(days, m_main);
    dialog.exec();
    return dialog.choice();
}

void WorkstationStartup::runEventLoop()
{
    // The main window closing ends the message loop.
    QObject::connect(m_main, &TfMain::closed, qApp, [] { QCoreApplication::exit(0); });
    m_main->show();
    QApplication::exec();
}

void WorkstationStartup::releaseInterlock(const QString &runId)
{
    if (m_dm && m_dm->ASQLite3DBd.isOpen())
        DatabaseInterlock(m_dm->ASQLite3DBd).release(runId);
}

void WorkstationStartup::freeMainWindowAndDataModule()
{
    SetLanguageWindow(nullptr);
    delete m_dm; // writes k.cod unless the run is stopped
    m_dm = nullptr;
    delete m_main; // the language window goes with it
    m_main = nullptr;
    m_language = nullptr;
}
