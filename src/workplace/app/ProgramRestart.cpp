#include "ProgramRestart.h"

#include "CommonTessal.h"
#include "MachineLock.h"

#include <QDir>

namespace {
bool g_restartRequested = false;
}

void RequestProgramRestart()
{
    g_restartRequested = true;
}

bool ProgramRestartRequested()
{
    return g_restartRequested;
}

void CancelProgramRestart()
{
    g_restartRequested = false;
}

DetachedStartResult RestartProgramWhenRequested(const QString &lockName, const QString &programFile,
                                                const ProgramStarter &start)
{
    if (!g_restartRequested)
        return {};
    g_restartRequested = false;
    ReleaseMachineLock(lockName);
    const DetachedStartResult result = start(programFile, {}, QDir::currentPath());
    if (!result.started)
        LogFunctionFailure("TessalCert.Restart",
                           programFile + QStringLiteral(": error ") + QString::number(result.errorCode));
    return result;
}
