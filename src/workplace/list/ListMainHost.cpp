#include "ListMainHost.h"

#include "DataTessal.h"
#include "FormMain.h"
#include "LanguageForm.h"
#include "ListForm.h"
#include "ggError.h"
#include "uFormDlgPaper.h"

#include <QAbstractButton>
#include <QStatusBar>

TfList *MakeCertificateList(TfMain &main)
{
    if (!DM())
        throw AppError(QStringLiteral("The certificate list needs the data module"));
    ListHost host;
    host.mainAction = [&main](const QString &name) { return main.action(name); };
    host.setHelpText = [&main](const QString &text) { main.setHelpLine(text); };
    host.setStatusText = [&main](const QString &text) {
        if (QStatusBar *bar = main.statusBarWidget())
            bar->showMessage(text);
    };
    host.chooseLanguage = []() -> std::optional<QString> {
        TfLanguage *window = fLanguage();
        if (!window || window->exec() != QDialog::Accepted)
            return std::nullopt;
        return QString::fromUtf8(window->selectedLanguage());
    };
    host.askBlankInPrinter = [&main](qint64 certNo) { return AskBlankInPrinter(&main, certNo); };
    host.selectOriginalOnPrintPage = [&main] {
        if (QWidget *print = main.existingPage(QStringLiteral("fPrint")))
            if (auto *original = print->findChild<QAbstractButton *>(QStringLiteral("sbCert")))
                original->click();
    };
    return new TfList(*DM(), host);
}
