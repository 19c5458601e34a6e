// Restavo: carries out the one operation its command line names and posts
// the result to the window that started it.
#include "CdbExchange.h"
#include "CommonTessal.h"
#include "JournalSinks.h"
#include "ggFiles.h"
#include "RestavoOperations.h"
#include "RussianQtTexts.h"
#include "StrictDecimal.h"
#include "WindowMessages.h"

#include <QApplication>
#include <QByteArrayList>

namespace {

// Restavo must reply whatever display it was given. Qt tries the platforms
// of the list in turn, so the displays at hand come first (the one asked for,
// else X11 and Wayland) and the offscreen platform last: a display that
// cannot be opened (out of reach, no plugin for it) leaves the operation
// running without one, its dialogs and progress not shown.
void ChoosePlatforms()
{
    QByteArrayList platforms = qgetenv("QT_QPA_PLATFORM").split(';');
    platforms.removeAll(QByteArray());
    if (platforms.isEmpty()) {
        if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            platforms.append("xcb");
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            platforms.append("wayland");
    }
    if (!platforms.contains("offscreen"))
        platforms.append("offscreen");
    qputenv("QT_QPA_PLATFORM", platforms.join(';'));
}

// Automated runs, which have no screen, may shorten the pause between opening
// and sending a request (TESSAL_CDB_PAUSE_MS); with a screen it stays as it is.
void UsePauseOfAutomatedRuns()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        return;
    const std::optional<qint32> pause = ParseStrictInt32(qgetenv("TESSAL_CDB_PAUSE_MS"));
    if (pause && *pause >= 0)
        SetCdbRequestPauseMs(*pause);
}

} // namespace

int main(int argc, char **argv)
{
    ChoosePlatforms();
    QApplication app(argc, argv);
    InstallRussianQtTexts(); // the save and open dialogs' own buttons
    SetDateFormats();
    UsePauseOfAutomatedRuns();
    InstallDefaultJournalSinks(DataDir());
    // The command line without the program's name.
    const QString commandLine = app.arguments().mid(1).join(QLatin1Char(' '));
    if (const std::optional<RestavoReply> reply = DispatchCommand(commandLine, RestavoOperationTable()))
        PostMessage(reply->handle, reply->message, reply->wParam, reply->lParam);
    return 0;
}
