#include "EditorPage.h"

#include "DataTessal.h"
#include "EditForm.h"
#include "FormMain.h"
#include "WorkPage.h"
#include "ggError.h"

#include <QAction>
#include <QStatusBar>

void RegisterEditorPage(TfMain &main)
{
    main.registerPage(QStringLiteral("fEdit"), [](TfMain &window) -> QWidget * {
        if (!DM())
            throw AppError(QStringLiteral("The data module is not created"));
        auto *editor = new TfEdit(*DM());
        QObject::connect(editor, &TfEdit::viewPrintEnabled, &window, [&window](bool enabled) {
            for (const char *name : {"aView", "aPrint"})
                if (QAction *action = window.action(QString::fromLatin1(name)))
                    action->setEnabled(enabled);
        });
        QObject::connect(editor, &TfEdit::statusText, &window,
                         [&window](const QString &text) { window.statusBarWidget()->showMessage(text); });
        QObject::connect(editor, &TfEdit::helpLine, &window, &TfMain::setHelpLine);
        QObject::connect(editor, &TfEdit::closeRequested, &window, [&window] {
            window.SetEnableActions();
            window.aListExecute();
        });
        QObject::connect(editor, &TfEdit::listFilterRequested, &window, [&window] {
            if (ListPage *list = window.listPage())
                list->ApplyMyOnlyFilter();
        });
        return editor;
    });
}
