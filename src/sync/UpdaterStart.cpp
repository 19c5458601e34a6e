#include "UpdaterStart.h"

#include "CommonTessal.h"
#include "GGStringList.h"
#include "Prompter.h"
#include "SyncWindowCore.h"
#include "ggDebug.h"
#include "ggFiles.h"

#include <QDir>

UpdaterStarter DetachedUpdaterStarter()
{
    return [](const QString &programFile, const QStringList &arguments) {
        return StartDetached(programFile, arguments, QDir::currentPath());
    };
}

bool HandOverToUpdater(const QString &programDir, const TGGStringList &updateList, SyncWindowOutput &output,
                       const UpdaterStarter &start)
{
    Prompts().inform(QStringLiteral("Сейчас программа будет перезапущена"), App().MessageTitle, Prompt::NoIcon);
    const DetachedStartResult started = start(JoinPath(programDir, UpdaterFileName), {updateList.CommaText()});
    if (!started.started) {
        output.logLine(SysErrorText(WindowsErrorFromErrno(started.errorCode)));
        return false;
    }
    return true;
}
