#include "BorderIcons.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// The fields of _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr uint32_t HintsFunctions = 1u << 0;
constexpr uint32_t HintsDecorations = 1u << 1;
constexpr uint32_t FunctionMove = 1u << 2;
constexpr uint32_t DecorationBorder = 1u << 1;
constexpr uint32_t DecorationTitle = 1u << 3;

xcb_connection_t *X11Connection()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Written on Qt's own connection, so that it reaches the server before the
// map request Qt sends next.
void WriteHints(QWidget *window)
{
    xcb_connection_t *connection = X11Connection();
    const WId id = window->internalWinId();
    if (!connection || !id || !window->isWindow())
        return;
    static const char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    if (!atom)
        return;
    const uint32_t hints[5] = {HintsFunctions | HintsDecorations, FunctionMove, DecorationBorder | DecorationTitle, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(id), atom->atom, atom->atom, 32,
                        5, hints);
    std::free(atom);
    xcb_flush(connection);
}

// Qt sends Show after it has made the native window and before it maps it,
// and WinIdChange when it makes the native window anew.
class HintsKeeper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange)
            WriteHints(static_cast<QWidget *>(watched));
        return false;
    }
};

} // namespace

void ShowWithoutBorderIcons(QWidget *window)
{
    if (!X11Connection())
        return;
    window->installEventFilter(new HintsKeeper(window));
    WriteHints(window);
}
