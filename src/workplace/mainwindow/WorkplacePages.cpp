#include "WorkplacePages.h"

#include "DataActions.h"
#include "EditorPage.h"
#include "FormMain.h"
#include "ListForm.h"
#include "ListMainHost.h"
#include "OptionsForm.h"
#include "Print.h"
#include "SearchForm.h"
#include "Sync.h"
#include "SyncMainHost.h"
#include "UsersForm.h"

void RegisterWorkplacePages(TfMain &main)
{
    main.registerPage(QStringLiteral("fList"), [](TfMain &window) -> QWidget * { return MakeCertificateList(window); });
    main.registerPage(QStringLiteral("fUsers"), [](TfMain &) { return new TfUsers; });
    main.registerPage(QStringLiteral("fSett"), [](TfMain &) { return new TfOptions; });
    main.registerPage(QStringLiteral("fSync"), [](TfMain &window) -> QWidget * { return MakeSyncPage(window); });
    RegisterEditorPage(main);
    RegisterPrintingPages(main);
    RegisterSearchWindow(main);
    RegisterDataActions(main);
}
