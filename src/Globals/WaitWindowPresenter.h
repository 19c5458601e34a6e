#pragma once
// What the wait window needs from a window system: one undecorated,
// non-activating, always-on-top window that shows ready-made pixels, its
// opacity, the mouse, and the events that come back. Every call is made on
// the wait window's own thread; the presenter belongs to that thread once
// the window has started.
#include "WaitWindowModel.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <memory>
#include <vector>

struct WaitWindowEvent {
    enum Kind {
        Exposed,        // Area needs painting again
        ButtonPressed,  // left button: Local in client, Screen on the screen
        ButtonReleased,
        Shown,          // the window was mapped
        Hidden,         // the window was unmapped by somebody
    };
    Kind kind = Exposed;
    TRectL area;
    QPoint local;
    QPoint screen;
};

class WaitWindowPresenter {
public:
    virtual ~WaitWindowPresenter() = default;

    // Connects to the window system; false when there is none to show on.
    virtual bool open() = 0;
    virtual void close() = 0;
    // Whether painted frames are wanted at all.
    virtual bool showsFrames() const = 0;
    // The full-screen area a self-sizing window is centred in.
    virtual QSize screenSize() = 0;

    // Creates the window at Bounds, hidden; Enabled false makes it ignore the mouse.
    // Raises AppError with the window system's text on failure.
    virtual void createWindow(const TRectL &bounds, bool enabled) = 0;
    virtual void destroyWindow() = 0;
    virtual bool hasWindow() const = 0;
    // The window's identifier for the window system (0 without a window).
    virtual uint32_t windowId() const = 0;
    virtual void showWindow() = 0;
    virtual void moveWindow(const TRectL &bounds) = 0;
    virtual void setEnabled(bool enabled) = 0;
    // 255 makes the window opaque, anything less translucent.
    virtual void setOpacity(uint8_t alpha) = 0;
    // Shows Area of Frame (the whole client area) in the window.
    virtual void present(const QImage &frame, const TRectL &area) = 0;

    // The mouse cursor on the screen.
    virtual QPoint cursorPosition() = 0;
    // Appends what happened to the window since the last call.
    virtual void takeEvents(std::vector<WaitWindowEvent> &events) = 0;
};

// Shows nothing: the wait window's logic runs the same without a display.
class NullWaitPresenter : public WaitWindowPresenter {
public:
    bool open() override { return true; }
    void close() override {}
    bool showsFrames() const override { return false; }
    QSize screenSize() override { return {1024, 768}; }
    void createWindow(const TRectL &, bool) override { m_hasWindow = true; }
    void destroyWindow() override { m_hasWindow = false; }
    bool hasWindow() const override { return m_hasWindow; }
    uint32_t windowId() const override { return 0; }
    void showWindow() override {}
    void moveWindow(const TRectL &) override {}
    void setEnabled(bool) override {}
    void setOpacity(uint8_t) override {}
    void present(const QImage &, const TRectL &) override {}
    QPoint cursorPosition() override { return {-1, -1}; }
    void takeEvents(std::vector<WaitWindowEvent> &) override {}

private:
    bool m_hasWindow = false;
};

// The presenter for this process: the X11 display named by DISPLAY, unless
// the application runs on a platform without a screen (offscreen, minimal).
// When the display cannot be opened the window thread falls back to showing
// nothing.
std::unique_ptr<WaitWindowPresenter> MakeDefaultWaitPresenter();
