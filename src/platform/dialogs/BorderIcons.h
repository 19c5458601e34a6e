#pragma once
// Tool windows with a title bar and a border but without the window system's
// buttons (close, minimise, maximise) and without its window menu.
//
// On X11 the window manager reads this from the window's _MOTIF_WM_HINTS,
// which Qt writes from the window flags whenever it makes the native window
// or its flags change; for a tool window with a bare title Qt leaves the
// decorations to the window manager, which then may draw its menu button and
// offer resizing. Elsewhere (offscreen, Wayland) this does nothing.
class QWidget;

// From now on, each time Window is shown it asks the window manager for a
// title and a border alone, and to let it be moved but not resized, closed,
// minimised or maximised. The dialog's own buttons and Esc work as before.
void ShowWithoutBorderIcons(QWidget *window);
