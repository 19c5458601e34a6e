#pragma once
// The wait window on an X11 display, over xcb: an override-redirect window
// (no decoration, never activated, above the other windows), painted with
// ready-made pixels; translucency through _NET_WM_WINDOW_OPACITY, which a
// compositing manager applies.
#include "WaitWindowPresenter.h"

#include <QByteArray>
#include <memory>

// DisplayName empty: the display named by DISPLAY.
std::unique_ptr<WaitWindowPresenter> MakeX11WaitPresenter(const QByteArray &displayName = {});
