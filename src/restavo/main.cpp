// Restavo: carries out the one operation its command line names and posts
// the result to the window that started it.
#include "CommonTessal.h"
#include "JournalSinks.h"
#include "ggFiles.h"
#include "RestavoOperations.h"
#include "WindowMessages.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // Without a display the operation still runs and replies; its dialogs
    // and progress are then not shown.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetDateFormats();
    InstallDefaultJournalSinks(DataDir());
    // The command line without the program's name.
    const QString commandLine = app.arguments().mid(1).join(QLatin1Char(' '));
    if (const std::optional<RestavoReply> reply = DispatchCommand(commandLine, RestavoOperationTable()))
        PostMessage(reply->handle, reply->message, reply->wParam, reply->lParam);
    return 0;
}
