#include "WaitWindowPresenter.h"
#include "WaitWindowPainter.h"
#include "X11WaitPresenter.h"
#include "Screen.h"

#include <QGuiApplication>

std::unique_ptr<WaitWindowPresenter> MakeDefaultWaitPresenter()
{
    // Painting text needs the application's GUI object; a platform without a
    // screen has nothing to show the window on.
    if (!WaitWindowCanUseFonts())
        return std::make_unique<NullWaitPresenter>();
    if (ScreenIsAbsent())
        return std::make_unique<NullWaitPresenter>();
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return std::make_unique<NullWaitPresenter>();
    return MakeX11WaitPresenter();
}
