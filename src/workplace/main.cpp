// TessalCert: the certificate workstation. It reads no command-line arguments.
#include "InstanceLockName.h"
#include "JournalSinks.h"
#include "MenuKeysStyle.h"
#include "ProgramRestart.h"
#include "RussianQtTexts.h"
#include "StartupSequence.h"
#include "TerminationSignals.h"
#include "TessalApplication.h"
#include "WorkstationStartup.h"
#include "ggFiles.h"
#include "obDialogsBinding.h"
#include "uDlgNetExit.h"

int main(int argc, char **argv)
{
    TessalApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    InstallRussianQtTexts();
    InstallMenuKeysStyle();
    InstallDefaultJournalSinks(DataDir());
    EnsureCommonProgramFiles();
    EndLoopOnTerminationSignals();
    int code = 0;
    {
        WorkstationStartup steps;
        code = RunStartupAndShutdown(steps, InstanceGuidText());
    }
    // An archive import ends the run with a new copy over the imported files.
    RestartProgramWhenRequested(InstanceLockName(), QCoreApplication::applicationFilePath());
    return code;
}
