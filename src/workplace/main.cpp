// TessalCert: the certificate workstation. It reads no command-line arguments.
#include "JournalSinks.h"
#include "MenuKeysStyle.h"
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
    return code;
}
