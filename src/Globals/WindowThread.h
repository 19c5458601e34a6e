#pragma once
// TThreadWindow: the wait window shown during long work on the main thread.
// It runs its own thread with its own window and event loop, so it keeps
// painting, fading in, showing progress and following the mouse while the
// thread that made it is busy.
//
// Use: create it (with a text or none), write Position as the work advances
// (Position = ClampPosition(done * 1000 / total)), and destroy it. The window
// appears only when the work lasts longer than ShowDelay.
//
// Properties are read and changed through property messages that the window
// thread answers; a caller waits at most the lock time-out (20 s) for that.
// Position, Movable, FadeIn, FadeTime and ShowDelay are plain fields that the
// window thread reads on its 10 ms timer.
//
// Without a display (no DISPLAY, a display that cannot be opened, an
// application on the offscreen platform) the same thread and logic run with
// nothing shown.
#include "WaitWindowModel.h"
#include "WaitWindowPresenter.h"
#include "ggError.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <atomic>
#include <memory>
#include <variant>

class QPainter;
class TThreadWindow;

class EThreadWindow : public AppError {
public:
    using AppError::AppError;
};

// A property value as the property messages carry it.
using WaitPropertyValue = std::variant<std::monostate, bool, int32_t, QColor, TRectL, QByteArray, QImage, QFont>;

// Message numbers of the wait window: its property messages, and the window
// messages its window procedure handles.
namespace WaitMessageId {
constexpr uint32_t User = 1024;
constexpr uint32_t GetProperty = User + 2;
constexpr uint32_t SetProperty = User + 3;
constexpr uint32_t EraseBackground = 0x0014;
constexpr uint32_t ShowWindow = 0x0018;  // WParam 1 shown, 0 hidden
constexpr uint32_t Timer = 0x0113;
constexpr uint32_t LButtonDown = 0x0201;
constexpr uint32_t LButtonUp = 0x0202;
}

// One message on its way through the window procedure.
struct WaitMessage {
    uint32_t message = 0;
    uint32_t wParam = 0;
    WaitPropertyValue value;
    TRectL area;   // EraseBackground: the area to paint
    QPoint local;  // mouse: in the client area
    QPoint screen; // mouse: on the screen
    int result = 0;
};

// What the painting operations see of the window.
struct WaitPaintState {
    TRectL client;
    WaitLayout layout;
    int position = -1;
    QColor backgroundColor;
    QColor textColor;
    QImage icon;
    int iconStep = 0;
    QByteArray text;
};

// The overridable steps of the wait window. The default steps do nothing
// but paint the standard window. Hooks run on the window thread, except
// BeforeStart and BeforeFree, which run on the thread that makes and frees
// the window.
class WaitWindowHooks {
public:
    virtual ~WaitWindowHooks() = default;

    virtual void BeforeStart(TThreadWindow &) {}
    virtual void BeforeFree(TThreadWindow &) {}
    virtual void WindowCreated(uint32_t windowId) {}
    virtual void WindowDestroying() {}
    // Sees every message of the window procedure first; setting a result
    // other than 0 stops its handling.
    virtual void BeforeMessage(WaitMessage &message) {}

    // Painting, on a painter clipped to the area that needs it.
    virtual void Paint(QPainter &painter, const WaitPaintState &state);
    virtual void PaintBar(QPainter &painter, const WaitPaintState &state);
    virtual void PaintIcon(QPainter &painter, const WaitPaintState &state);
    virtual void PaintFrame(QPainter &painter, const WaitPaintState &state);
    virtual void PaintText(QPainter &painter, const WaitPaintState &state);
};

struct WaitWindowOptions {
    // Null: the display of this process (MakeDefaultWaitPresenter).
    std::unique_ptr<WaitWindowPresenter> presenter;
    // Null: the standard steps.
    std::shared_ptr<WaitWindowHooks> hooks;
    // How long a property call waits for the window thread.
    int lockTimeoutMs = 20000;
};

class TThreadWindow {
public:
    explicit TThreadWindow(const QByteArray &text = {});
    TThreadWindow(const QByteArray &text, WaitWindowOptions options);
    // Stops the thread and waits for it. Never raises: a failure of the
    // window thread is journalled. Not to be called from the window's own hooks.
    ~TThreadWindow();
    TThreadWindow(const TThreadWindow &) = delete;
    TThreadWindow &operator=(const TThreadWindow &) = delete;

    // Progress in per mille; -1 no bar, above 1000 a full bar. Any thread may write it.
    std::atomic<int16_t> Position{-1};
    // A movable window takes the mouse and can be dragged; a fixed one ignores it.
    std::atomic<bool> Movable{true};
    std::atomic<bool> FadeIn{true};
    std::atomic<int> FadeTime{1000};
    std::atomic<int> ShowDelay{500};

    bool GetActive();
    void SetActive(bool value);
    QColor GetBackgroundColor();
    void SetBackgroundColor(const QColor &value);
    QColor GetTextColor();
    void SetTextColor(const QColor &value);
    QImage GetIcon();
    // A null image loads the default icon.
    void SetIcon(const QImage &value);
    int GetIconStep();
    void SetIconStep(int value);
    int GetIconSize();
    void SetIconSize(int value);
    // Screen coordinates; empty until the window has sized itself.
    TRectL GetBounds();
    void SetBounds(const TRectL &value);
    QByteArray GetText();
    void SetText(const QByteArray &value);
    uint8_t GetAlpha();
    void SetAlpha(uint8_t value);
    QFont GetFont();
    void SetFont(const QFont &value);

    // Copies property Index into Buffer (zero-filled, at most Size bytes):
    // Active and Alpha 1 byte, Bounds 16 bytes (left, top, right, bottom),
    // Text its bytes and a terminating zero, the others 4 bytes (colours as
    // 0xAARRGGBB; Icon and Font 1 when one is held). Returns 1, or 0 for an
    // unknown index.
    int GetProperty(int index, int subIndex, int size, void *buffer);

    // Hands one property message to the window thread and returns the
    // handler's result (Result receives a value read). On the window thread
    // itself, and when no window thread runs, the message is handled at once.
    int SendPropertyMessage(uint32_t message, uint32_t wParam, const WaitPropertyValue &value = {},
                            WaitPropertyValue *result = nullptr);

    void Terminate();
    bool Terminated() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;

    WaitPropertyValue getValue(WaitProperty index);
    void setValue(WaitProperty index, const WaitPropertyValue &value);
};
