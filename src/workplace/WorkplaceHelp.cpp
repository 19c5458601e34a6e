#include "WorkplaceHelp.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

namespace {

HelpViewer &Viewer()
{
    static HelpViewer viewer;
    return viewer;
}

} // namespace

void ShowHelpLine(const QString &text)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (QWidget *line = window->findChild<QWidget *>(QStringLiteral("StaticTextHelp")))
            line->setProperty("text", text);
    }
}

void SetHelpViewer(HelpViewer viewer)
{
    Viewer() = std::move(viewer);
}

void ShowHelpContext(int context)
{
    if (Viewer())
        Viewer()(context);
}
