// Restavo: carries out the one operation its command line names and posts
// the result to the window that started it.
#include "CommonTessal.h"
#include "RestavoOperations.h"
#include "WindowMessages.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SetDateFormats();
    // The command line without the program's name.
    const QString commandLine = app.arguments().mid(1).join(QLatin1Char(' '));
    if (const std::optional<RestavoReply> reply = DispatchCommand(commandLine, RestavoOperationTable()))
        PostMessage(reply->handle, reply->message, reply->wParam, reply->lParam);
    return 0;
}
