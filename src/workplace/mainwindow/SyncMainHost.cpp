#include "SyncMainHost.h"

#include "DataTessal.h"
#include "FormMain.h"
#include "Sync.h"
#include "ggError.h"

#include <QStatusBar>

TfSync *MakeSyncPage(TfMain &main)
{
    if (!DM())
        throw AppError(QStringLiteral("The synchronisation page needs the data module"));
    SyncHost host;
    host.setStatusText = [&main](const QString &text) {
        if (text.isEmpty())
            main.statusBarWidget()->clearMessage();
        else
            main.statusBarWidget()->showMessage(text);
    };
    host.setHelpText = [&main](const QString &text) { main.setHelpLine(text); };
    host.helpText = [&main] { return main.helpLine(); };
    host.enableActions = [&main] { main.SetEnableActions(); };
    host.closeMainWindow = [&main] { QMetaObject::invokeMethod(&main, &QWidget::close, Qt::QueuedConnection); };
    return new TfSync(*DM(), host);
}
