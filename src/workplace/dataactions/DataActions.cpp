#include "DataActions.h"

#include "ArchiveActions.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "FormMain.h"
#include "WorkPage.h"
#include "PickListLoaders.h"
#include "Prompter.h"
#include "TessalApplication.h"
#include "UpdatePackage.h"
#include "WaitWindowProgress.h"
#include "ggError.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace {

void aExportExecute(TfMain &main)
{
    try {
        if (TDM *dm = DM()) {
            const QString told = ExportArchive(*dm);
            if (!told.isEmpty())
                main.setHelpLine(told);
        }
    } catch (const std::exception &e) {
        LogException("FormMain.TfMain.aExportExecute", e);
    }
}

void aImportExecute(TfMain &main)
{
    try {
        TDM *dm = DM();
        if (dm && ImportArchive(*dm) == ArchiveImportOutcome::Imported)
            QCoreApplication::exit(0); // the run ends here and starts again
    } catch (const std::exception &e) {
        LogException("FormMain.TfMain.aImportExecute", e);
        main.setHelpLine(QStringLiteral("произошла ошибка: ") + ExceptionText(e));
    }
}

// The package's errors end the action and go to the application's
// exception handler, as everything the action does not catch itself.
void aModifyExecute(TfMain &main)
{
    TDM *dm = DM();
    if (!dm)
        return;
    try {
        ApplyUpdatePackage(*dm);
    } catch (const std::exception &e) {
        HandleApplicationException(main.action(QStringLiteral("aModify")), ExceptionText(e));
    }
    // Changes may have moved or removed listed certificates.
    if (ListPage *list = main.listPage())
        list->recountPages();
    main.SetEnableActions();
}

void RunLoader(TfMain &main, PickListLoad kind, const char *handlerName)
{
    const QByteArray location = QByteArrayLiteral("FormMain.TfMain.") + handlerName;
    try {
        TDM *dm = DM();
        if (!dm)
            return;
        if (Prompts().ask(QString::fromUtf8(PickListLoadQuestion), App().MessageTitle, Prompt::Warning,
                          Prompt::YesNo)
            != Prompt::IdYes)
            return;
        // The walk holds the main thread: the wait window keeps painting in
        // its own thread, and the cursor says the window is busy.
        const ListPage *list = main.listPage();
        struct WaitCursor {
            WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
            ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
        } cursor;
        WaitWindowProgress wait(QByteArrayLiteral("Ожидайте..."));
        LoadPickList(*dm, kind, location, &wait, list ? list->listedCount() : 0);
    } catch (const std::exception &e) {
        LogException(location, e);
    }
    main.setHelpLine(QStringLiteral("Операция завершена"));
}

} // namespace

void RegisterDataActions(TfMain &main)
{
    main.setActionHandler(QStringLiteral("aExport"), [&main] { aExportExecute(main); });
    main.setActionHandler(QStringLiteral("aImport"), [&main] { aImportExecute(main); });
    main.setActionHandler(QStringLiteral("aModify"), [&main] { aModifyExecute(main); });

    struct Loader {
        const char *action;
        PickListLoad kind;
        const char *handler;
    };
    static const Loader loaders[] = {
        {"aLoadContragents", PickListLoad::Contragents, "aLoadContragentsExecute"},
        {"aLoadGoods", PickListLoad::Goods, "aLoadGoodsExecute"},
        {"aLoadTransport", PickListLoad::Transport, "aLoadTransportExecute"},
        {"aLoadDetails", PickListLoad::Details, "aLoadDetailsExecute"},
        {"aLoadPackage", PickListLoad::Package, "aLoadPackageExecute"},
        {"aLoadQuantity", PickListLoad::Quantity, "aLoadQuantityExecute"},
        {"aLoadOfficialUse", PickListLoad::OfficialUse, "aLoadOfficialUseExecute"},
        {"aLoadCountry", PickListLoad::Country, "aLoadCountryExecute"},
    };
    for (const Loader &loader : loaders)
        main.setActionHandler(QLatin1String(loader.action),
                              [&main, loader] { RunLoader(main, loader.kind, loader.handler); });
}
