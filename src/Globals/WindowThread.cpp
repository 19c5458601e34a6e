#include "WindowThread.h"
#include "WaitWindowPainter.h"
#include "ggDebug.h"

#include <QPainter>
#include <QRegion>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <cxxabi.h>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <typeinfo>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto TimerInterval = std::chrono::milliseconds(10);

QString ParameterErrorText(const QString &name, const QString &value)
{
    return QStringLiteral("Неверное значение параметра %1 (%2)").arg(name, value);
}

// How a failure of the window thread is journalled at destruction: the exception
// record of the program's journal (error type, user-action category).
const QString JournalSource = QStringLiteral("Tessal");
constexpr uint16_t JournalErrorType = 1;
constexpr uint16_t JournalUserActionCategory = 7;
constexpr uint32_t JournalExceptionCaught = 0x40000103;
const QString JournalLocation = QStringLiteral("TThreadWindow");

void JournalFailure(const QString &text)
{
    ReportEventLog(JournalSource, JournalErrorType, JournalUserActionCategory, {JournalLocation, text},
                   JournalExceptionCaught);
}

QString TimeoutText()
{
    return QStringLiteral("Время ожидания истекло");
}

// Raised inside the window thread when a failure keeps the class name of
// the exception that caused it.
class WindowThreadFailure : public AppError {
public:
    WindowThreadFailure(QString className, const QString &message)
        : AppError(message), m_className(std::move(className)) {}
    const QString &className() const { return m_className; }

private:
    QString m_className;
};

QString ClassNameOf(const std::exception &e)
{
    if (auto *failure = dynamic_cast<const WindowThreadFailure *>(&e))
        return failure->className();
    const char *mangled = typeid(e).name();
    int status = 0;
    char *demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    const QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    return name;
}

// The exception that ended the window thread.
struct ThreadFailure {
    QString className;
    QString message;

    QString text() const
    {
        return QStringLiteral("Во время работы потока возникла ошибка %1\r\n%2").arg(className, message);
    }
};

QByteArray Int32Bytes(int32_t value)
{
    QByteArray bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

// The bytes GetProperty copies for a property value.
QByteArray PropertyBytes(WaitProperty index, const WaitPropertyValue &value)
{
    switch (index) {
    case WaitProperty::Active:
        return QByteArray(1, std::get<bool>(value) ? '\1' : '\0');
    case WaitProperty::Alpha:
        return QByteArray(1, char(uint8_t(std::get<int32_t>(value))));
    case WaitProperty::Bounds: {
        const TRectL r = std::get<TRectL>(value);
        return Int32Bytes(r.left) + Int32Bytes(r.top) + Int32Bytes(r.right) + Int32Bytes(r.bottom);
    }
    case WaitProperty::Text: {
        const QByteArray text = std::get<QByteArray>(value);
        return text.isEmpty() ? QByteArray() : text + '\0';
    }
    case WaitProperty::BackgroundColor:
    case WaitProperty::TextColor:
        return Int32Bytes(int32_t(std::get<QColor>(value).rgba()));
    case WaitProperty::Icon:
        return Int32Bytes(std::get<QImage>(value).isNull() ? 0 : 1);
    case WaitProperty::Font:
        return Int32Bytes(1);
    case WaitProperty::IconStep:
    case WaitProperty::IconSize:
        return Int32Bytes(std::get<int32_t>(value));
    }
    return {};
}

std::optional<bool> AsBool(const WaitPropertyValue &value)
{
    if (auto *b = std::get_if<bool>(&value))
        return *b;
    if (auto *i = std::get_if<int32_t>(&value))
        return *i != 0;
    return std::nullopt;
}

std::optional<int32_t> AsInt(const WaitPropertyValue &value)
{
    if (auto *i = std::get_if<int32_t>(&value))
        return *i;
    return std::nullopt;
}

} // namespace

// One property message handed to the window thread.
struct PropertyCall {
    WaitMessage message;
    WaitPropertyValue answer;
    bool done = false;
    bool abandoned = false; // the caller gave up waiting
};

struct TThreadWindow::Impl {
    Impl(TThreadWindow &owner, WaitWindowOptions &&options)
        : owner(owner),
          presenter(options.presenter ? std::move(options.presenter) : MakeDefaultWaitPresenter()),
          hooks(options.hooks ? std::move(options.hooks) : std::make_shared<WaitWindowHooks>()),
          lockTimeout(options.lockTimeoutMs)
    {
    }

    TThreadWindow &owner;
    std::unique_ptr<WaitWindowPresenter> presenter;
    std::shared_ptr<WaitWindowHooks> hooks;
    std::chrono::milliseconds lockTimeout;

    // Properties: the window thread's once it runs.
    bool active = false;
    QColor backgroundColor;
    QColor textColor;
    QImage icon;
    int iconStep = 0;
    int iconSize = -1;
    TRectL bounds;
    QByteArray text;
    uint8_t alpha = 255;
    std::optional<QFont> font;

    // The window.
    TRectL windowRect;
    TRectL clientRect;
    WaitLayout layout;
    bool layoutValid = false;
    int pendingFlags = 0;
    int16_t lastPosition = -1;
    bool appliedMovable = true;
    QPoint dragOrigin{-1, -1};
    Clock::time_point createdAt;
    QImage frame;
    QRegion dirty;
    bool insideWindowProc = false;

    // Hand-over between callers and the window thread.
    std::mutex mutex;
    std::condition_variable changed;
    bool lockFree = true; // nobody holds the property lock
    bool ready = true;    // the window is not being made or moved
    bool quit = false;
    bool running = false;
    std::deque<std::shared_ptr<PropertyCall>> queue;
    std::atomic<bool> terminated{false};
    std::optional<ThreadFailure> failure;
    bool failureReported = false;
    std::thread thread;
    std::thread::id threadId;

    // ---- property handlers -------------------------------------------------

    int handleThreadMessage(const WaitMessage &message, WaitPropertyValue &answer)
    {
        const auto index = WaitProperty(message.wParam & 0xFFFF);
        const uint32_t sub = message.wParam >> 16;
        if (message.message == WaitMessageId::SetProperty)
            return setProperty(index, sub, message.value);
        if (message.message == WaitMessageId::GetProperty)
            return getProperty(index, sub, answer);
        return 0;
    }

    int setProperty(WaitProperty index, uint32_t sub, const WaitPropertyValue &value)
    {
        switch (index) {
        case WaitProperty::Active: {
            const auto v = AsBool(value);
            if (!v)
                return 0;
            active = *v;
            if (!owner.FadeIn && alpha == 0)
                alpha = 255;
            return 1;
        }
        case WaitProperty::BackgroundColor: {
            auto *v = std::get_if<QColor>(&value);
            if (!v)
                return 0;
            if (*v != backgroundColor) {
                backgroundColor = *v;
                if (presenter->hasWindow())
                    pendingFlags |= WaitRepaint::All;
            }
            return 1;
        }
        case WaitProperty::TextColor: {
            auto *v = std::get_if<QColor>(&value);
            if (!v)
                return 0;
            if (*v != textColor) {
                textColor = *v;
                pendingFlags |= WaitRepaint::All;
            }
            return 1;
        }
        case WaitProperty::Icon: {
            auto *v = std::get_if<QImage>(&value);
            if (!v)
                return 0;
            const int oldSize = iconSize;
            icon = v->isNull() ? DefaultWaitIcon() : v->copy();
            if (v->isNull() || iconSize == -1)
                iconSize = SystemIconSize;
            pendingFlags |= iconSize != oldSize ? WaitRepaint::Relayout : WaitRepaint::Icon;
            return 1;
        }
        case WaitProperty::IconStep: {
            const auto v = AsInt(value);
            if (!v)
                return 0;
            if (*v != iconStep) {
                iconStep = *v;
                pendingFlags |= WaitRepaint::Icon;
            }
            return 1;
        }
        case WaitProperty::IconSize: {
            const auto v = AsInt(value);
            if (!v)
                return 0;
            if (*v != iconSize) {
                iconSize = *v;
                pendingFlags |= WaitRepaint::Relayout;
            }
            return 1;
        }
        case WaitProperty::Bounds: {
            auto *v = std::get_if<TRectL>(&value);
            if (!v)
                return 0;
            bounds = *v;
            boundsToRects();
            if (presenter->hasWindow() && active) {
                layoutValid = false;
                invalidateAll();
                presenter->moveWindow(windowRect);
            }
            return 1;
        }
        case WaitProperty::Text: {
            auto *v = std::get_if<QByteArray>(&value);
            if (!v)
                return 0;
            if (sub == 0 && *v != text) {
                text = *v;
                pendingFlags |= WaitRepaint::All;
            }
            return 1;
        }
        case WaitProperty::Alpha: {
            const auto v = AsInt(value);
            if (!v)
                return 0;
            const auto a = uint8_t(*v);
            if (a == alpha)
                return 0;
            alpha = a;
            if (!owner.FadeIn) {
                if (a == 0)
                    active = false;
                else
                    applyOpacity(a);
            }
            return 1;
        }
        case WaitProperty::Font: {
            auto *v = std::get_if<QFont>(&value);
            if (!v)
                return 0;
            if (!font || *font != *v) {
                font = *v;
                pendingFlags |= WaitRepaint::Relayout;
            }
            return 1;
        }
        }
        return 0;
    }

    int getProperty(WaitProperty index, uint32_t sub, WaitPropertyValue &answer)
    {
        switch (index) {
        case WaitProperty::Active: answer = active; return 1;
        case WaitProperty::BackgroundColor: answer = backgroundColor; return 1;
        case WaitProperty::TextColor: answer = textColor; return 1;
        case WaitProperty::Icon: answer = icon; return 1;
        case WaitProperty::IconStep: answer = int32_t(iconStep); return 1;
        case WaitProperty::IconSize: answer = int32_t(iconSize); return 1;
        case WaitProperty::Bounds: answer = bounds; return 1;
        case WaitProperty::Text: answer = sub == 0 ? text : QByteArray(); return 1;
        case WaitProperty::Alpha: answer = int32_t(alpha); return 1;
        case WaitProperty::Font: answer = font.value_or(QFont()); return 1;
        }
        return 0;
    }

    // ---- the window --------------------------------------------------------

    void boundsToRects()
    {
        windowRect = bounds;
        clientRect = bounds.movedToOrigin();
    }

    void applyOpacity(uint8_t value)
    {
        if (presenter->hasWindow())
            presenter->setOpacity(value);
    }

    void ensureLayout()
    {
        if (layoutValid)
            return;
        layout = LayoutWaitWindow(clientRect, iconSize, lastPosition);
        layoutValid = true;
    }

    void invalidate(const TRectL &area)
    {
        if (!area.isEmpty())
            dirty += QRect(area.left, area.top, area.width(), area.height());
    }

    void invalidateAll() { invalidate(clientRect); }

    void createWindow()
    {
        try {
            destroyWindow();
            layoutValid = false;
            if (!font)
                font = QFont();
            if (bounds.width() == 0) {
                const QSize screen = presenter->screenSize();
                const QSize textSize = MeasureWaitText(*font, text, AutoSizeMeasureRect(screen));
                bounds = AutoSizeBounds(screen, textSize, iconSize, owner.Position);
            }
            boundsToRects();
            appliedMovable = owner.Movable;
            presenter->createWindow(windowRect, appliedMovable);
            createdAt = Clock::now();
            applyOpacity(owner.FadeIn ? 1 : alpha);
            hooks->WindowCreated(presenter->windowId());
            invalidateAll();
            presenter->showWindow();
        } catch (const std::exception &e) {
            try {
                destroyWindow();
            } catch (...) {
            }
            throw WindowThreadFailure(ClassNameOf(e), QStringLiteral("ShowWND:\r\n") + ExceptionText(e));
        }
    }

    void destroyWindow()
    {
        presenter->destroyWindow();
        frame = QImage();
        dirty = QRegion();
        dragOrigin = {-1, -1};
    }

    // ---- the window procedure ----------------------------------------------

    void windowProc(WaitMessage &message)
    {
        const bool outer = insideWindowProc;
        insideWindowProc = true;
        hooks->BeforeMessage(message);
        if (message.result == 0) {
            switch (message.message) {
            case WaitMessageId::EraseBackground: onEraseBackground(); break;
            case WaitMessageId::Timer: onTimer(); break;
            case WaitMessageId::LButtonDown: onButtonDown(message); break;
            case WaitMessageId::LButtonUp: dragOrigin = {-1, -1}; break;
            case WaitMessageId::ShowWindow: active = message.wParam != 0; break;
            default: break;
            }
        }
        insideWindowProc = outer;
    }

    void onButtonDown(const WaitMessage &message)
    {
        if (!appliedMovable)
            return;
        if (clientRect.contains(message.local.x(), message.local.y()))
            dragOrigin = message.screen;
    }

    void onEraseBackground()
    {
        if (dirty.isEmpty() || !presenter->hasWindow())
            return;
        ensureLayout();
        if (frame.size() != QSize(clientRect.width(), clientRect.height()))
            frame = QImage(clientRect.width(), clientRect.height(), QImage::Format_RGB32);
        const QRect area = dirty.boundingRect();
        {
            QPainter painter(&frame);
            painter.setClipRegion(dirty);
            if (WaitWindowCanUseFonts() && font)
                painter.setFont(*font);
            painter.setPen(Qt::black);
            painter.setBrush(backgroundColor);
            painter.setBackgroundMode(Qt::TransparentMode);
            hooks->Paint(painter, paintState());
        }
        dirty = QRegion();
        presenter->present(frame, {area.left(), area.top(), area.right() + 1, area.bottom() + 1});
    }

    WaitPaintState paintState() const
    {
        WaitPaintState state;
        state.client = clientRect;
        state.layout = layout;
        state.position = lastPosition;
        state.backgroundColor = backgroundColor;
        state.textColor = textColor;
        state.icon = icon;
        state.iconStep = iconStep;
        state.text = text;
        return state;
    }

    int checkChanges()
    {
        int flags = 0;
        const int16_t position = owner.Position;
        if (position != lastPosition) {
            flags |= PositionChangeFlags(lastPosition, position);
            lastPosition = position;
        }
        const bool movable = owner.Movable;
        if (movable != appliedMovable) {
            flags |= WaitRepaint::Relayout;
            presenter->setEnabled(movable);
            if (!movable)
                dragOrigin = {-1, -1};
            appliedMovable = movable;
        }
        return flags;
    }

    void onTimer()
    {
        if (active) {
            const int flags = pendingFlags | checkChanges();
            pendingFlags = 0;
            if (flags & WaitRepaint::Relayout) {
                layoutValid = false;
                invalidateAll();
            } else if (flags & WaitRepaint::All) {
                invalidateAll();
            } else if (flags & (WaitRepaint::Icon | WaitRepaint::Bar)) {
                ensureLayout();
                if (flags & WaitRepaint::Icon)
                    invalidate(layout.icon);
                if (flags & WaitRepaint::Bar)
                    invalidate(layout.bar);
            }
        }
        fadeIn();
        followDrag();
    }

    void fadeIn()
    {
        const int fadeTime = owner.FadeTime;
        if (!owner.FadeIn || fadeTime <= 0 || !presenter->hasWindow() || !insideWindowProc)
            return;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - createdAt).count();
        const double t = double(std::abs(elapsed)) / fadeTime;
        if (t >= 1) {
            owner.FadeIn = false;
            applyOpacity(alpha);
        } else {
            applyOpacity(uint8_t(std::lround(t * alpha)));
        }
    }

    void followDrag()
    {
        if (dragOrigin == QPoint(-1, -1))
            return;
        const QPoint cursor = presenter->cursorPosition();
        if (cursor == dragOrigin)
            return;
        setReady(false);
        WaitPropertyValue current;
        getProperty(WaitProperty::Bounds, 0, current);
        const QPoint offset = cursor - dragOrigin;
        setProperty(WaitProperty::Bounds, 0, std::get<TRectL>(current).translated(offset.x(), offset.y()));
        dragOrigin = cursor;
        setReady(true);
    }

    void handleWindowEvents()
    {
        if (!presenter->hasWindow())
            return;
        std::vector<WaitWindowEvent> events;
        presenter->takeEvents(events);
        for (const WaitWindowEvent &event : events) {
            WaitMessage message;
            switch (event.kind) {
            case WaitWindowEvent::Exposed:
                invalidate(event.area);
                continue;
            case WaitWindowEvent::ButtonPressed:
            case WaitWindowEvent::ButtonReleased:
                message.message = event.kind == WaitWindowEvent::ButtonPressed ? WaitMessageId::LButtonDown
                                                                               : WaitMessageId::LButtonUp;
                message.local = event.local;
                message.screen = event.screen;
                break;
            case WaitWindowEvent::Shown:
            case WaitWindowEvent::Hidden:
                message.message = WaitMessageId::ShowWindow;
                message.wParam = event.kind == WaitWindowEvent::Shown ? 1 : 0;
                break;
            }
            windowProc(message);
        }
    }

    void paintIfNeeded()
    {
        if (dirty.isEmpty())
            return;
        if (!presenter->hasWindow() || !presenter->showsFrames()) {
            dirty = QRegion();
            return;
        }
        WaitMessage message;
        message.message = WaitMessageId::EraseBackground;
        const QRect area = dirty.boundingRect();
        message.area = {area.left(), area.top(), area.right() + 1, area.bottom() + 1};
        windowProc(message);
    }

    // ---- the thread's loop -------------------------------------------------

    void setReady(bool value)
    {
        {
            std::lock_guard lock(mutex);
            ready = value;
        }
        changed.notify_all();
    }

    // Takes the next property call, if any; calls their callers gave up on
    // before they were taken only give the lock back.
    std::shared_ptr<PropertyCall> takeCall()
    {
        while (!queue.empty()) {
            auto call = queue.front();
            queue.pop_front();
            if (!call->abandoned)
                return call;
            lockFree = true;
            changed.notify_all();
        }
        return nullptr;
    }

    void runCall(const std::shared_ptr<PropertyCall> &call)
    {
        WaitPropertyValue answer;
        const int result = handleThreadMessage(call->message, answer);
        {
            std::lock_guard lock(mutex);
            call->message.result = result;
            call->answer = std::move(answer);
            call->done = true;
            if (call->abandoned)
                lockFree = true;
        }
        changed.notify_all();
    }

    enum class Timer { None, Thread, Window };

    // Handles calls, window events and timer ticks until Done is true or the
    // thread is terminated.
    void pumpUntil(const std::function<bool()> &done, Timer timer)
    {
        auto nextTick = Clock::now() + TimerInterval;
        while (!terminated && !done()) {
            std::shared_ptr<PropertyCall> call;
            {
                std::unique_lock lock(mutex);
                const auto wake = [&] { return !queue.empty() || quit || terminated; };
                if (timer == Timer::None)
                    changed.wait(lock, wake);
                else
                    changed.wait_until(lock, nextTick, wake);
                if (quit) {
                    terminated = true;
                    return;
                }
                call = takeCall();
            }
            if (call)
                runCall(call);
            if (timer == Timer::Window)
                handleWindowEvents();
            if (timer != Timer::None && Clock::now() >= nextTick) {
                nextTick = Clock::now() + TimerInterval;
                if (timer == Timer::Window)
                    windowTick();
            }
            paintIfNeeded();
        }
    }

    // Handles the calls already waiting.
    void drainCalls()
    {
        size_t count;
        {
            std::lock_guard lock(mutex);
            count = queue.size();
        }
        while (count-- > 0 && !terminated) {
            std::shared_ptr<PropertyCall> call;
            {
                std::lock_guard lock(mutex);
                if (quit)
                    terminated = true;
                call = takeCall();
            }
            if (!call)
                break;
            runCall(call);
        }
    }

    // The window's timer: runs only when the property lock is free within
    // 1 ms, so that no tick comes between a caller and its answer.
    void windowTick()
    {
        {
            std::unique_lock lock(mutex);
            if (!changed.wait_for(lock, std::chrono::milliseconds(1), [&] { return lockFree; }))
                return;
            lockFree = false;
        }
        WaitMessage message;
        message.message = WaitMessageId::Timer;
        windowProc(message);
        {
            std::lock_guard lock(mutex);
            lockFree = true;
        }
        changed.notify_all();
    }

    void execute()
    {
        try {
            if (!presenter->open())
                presenter = std::make_unique<NullWaitPresenter>();
        } catch (...) {
            presenter = std::make_unique<NullWaitPresenter>();
        }
        while (!terminated) {
            pumpUntil([&] { return active; }, Timer::None);
            if (terminated)
                break;
            drainCalls();

            const auto start = Clock::now();
            if (active && owner.ShowDelay > 0) {
                pumpUntil([&] { return !active || Clock::now() - start > std::chrono::milliseconds(owner.ShowDelay); },
                          Timer::Thread);
            }
            setReady(false);
            drainCalls();
            if (!active || terminated) {
                setReady(true);
                continue;
            }
            createWindow();
            setReady(true);
            pumpUntil([&] { return !active; }, Timer::Window);
            hooks->WindowDestroying();
            destroyWindow();
            active = false;
        }
        setReady(false);
        presenter->close();
        setReady(true);
    }

    void run()
    {
        {
            std::lock_guard lock(mutex);
            threadId = std::this_thread::get_id();
        }
        std::optional<ThreadFailure> failed;
        try {
            execute();
        } catch (const std::exception &e) {
            failed = ThreadFailure{ClassNameOf(e), ExceptionText(e)};
        } catch (...) {
            failed = ThreadFailure{QStringLiteral("nil"), QString()};
        }
        if (failed) {
            active = false;
            try {
                presenter->close();
            } catch (...) {
            }
        }
        {
            std::lock_guard lock(mutex);
            failure = std::move(failed);
            running = false;
            lockFree = true;
            ready = true;
        }
        changed.notify_all();
    }

    // Raises the thread's failure once, on the owner's first call after it.
    void reportFailure(std::unique_lock<std::mutex> &)
    {
        if (failure && !failureReported) {
            failureReported = true;
            throw EThreadWindow(failure->text());
        }
    }

    int handleHere(const WaitMessage &message, WaitPropertyValue *result)
    {
        WaitPropertyValue answer;
        const int value = handleThreadMessage(message, answer);
        if (result)
            *result = std::move(answer);
        return value;
    }
};

TThreadWindow::TThreadWindow(const QByteArray &text) : TThreadWindow(text, WaitWindowOptions{}) {}

TThreadWindow::TThreadWindow(const QByteArray &text, WaitWindowOptions options)
    : d(std::make_unique<Impl>(*this, std::move(options)))
{
    // No thread runs yet, so these are handled at once.
    SetAlpha(255);
    FadeIn = true;
    FadeTime = 1000;
    ShowDelay = 500;
    SetTextColor(QColor::fromRgb(WaitColors::WindowText));
    SetBackgroundColor(QColor::fromRgb(WaitColors::ButtonFace));
    Position = -1;
    SetIconSize(-1);
    SetIcon(QImage());
    SetText(text.isEmpty() ? DefaultWaitText() : text);
    SetActive(true);

    d->lastPosition = Position;
    d->hooks->BeforeStart(*this);
    {
        std::lock_guard lock(d->mutex);
        d->running = true;
    }
    d->thread = std::thread([this] { d->run(); });
}

TThreadWindow::~TThreadWindow()
{
    Terminate();
    if (d->thread.joinable()) {
        {
            std::lock_guard lock(d->mutex);
            d->quit = true;
        }
        d->changed.notify_all();
        d->thread.join();
    }
    try {
        d->hooks->BeforeFree(*this);
    } catch (const std::exception &e) {
        JournalFailure(ExceptionText(e));
    }
    if (d->failure)
        JournalFailure(d->failure->text());
}

int TThreadWindow::SendPropertyMessage(uint32_t message, uint32_t wParam, const WaitPropertyValue &value,
                                       WaitPropertyValue *result)
{
    Impl &w = *d;
    WaitMessage request;
    request.message = message;
    request.wParam = wParam;
    request.value = value;

    std::unique_lock lock(w.mutex);
    w.reportFailure(lock);
    if (!w.running || std::this_thread::get_id() == w.threadId) {
        lock.unlock();
        return w.handleHere(request, result);
    }
    if (message <= WaitMessageId::User)
        throw EThreadWindow(ParameterErrorText(QStringLiteral("MSG"), QString::number(message)));

    if (!w.changed.wait_for(lock, w.lockTimeout, [&] { return (w.lockFree && w.ready) || !w.running; }))
        throw EThreadWindow(TimeoutText());
    if (!w.running) {
        w.reportFailure(lock);
        lock.unlock();
        return w.handleHere(request, result);
    }
    w.lockFree = false;
    auto call = std::make_shared<PropertyCall>();
    call->message = request;
    w.queue.push_back(call);
    w.changed.notify_all();

    if (!w.changed.wait_for(lock, w.lockTimeout, [&] { return (call->done && w.ready) || !w.running; })) {
        if (call->done)
            w.lockFree = true;
        else
            call->abandoned = true; // the window thread gives the lock back when it gets there
        w.changed.notify_all();
        throw EThreadWindow(TimeoutText());
    }
    w.lockFree = true;
    w.changed.notify_all();
    if (!call->done) {
        // The thread ended before it answered.
        std::erase(w.queue, call);
        w.reportFailure(lock);
        lock.unlock();
        return w.handleHere(request, result);
    }
    if (result)
        *result = std::move(call->answer);
    return call->message.result;
}

WaitPropertyValue TThreadWindow::getValue(WaitProperty index)
{
    WaitPropertyValue answer;
    SendPropertyMessage(WaitMessageId::GetProperty, uint32_t(index), {}, &answer);
    return answer;
}

void TThreadWindow::setValue(WaitProperty index, const WaitPropertyValue &value)
{
    SendPropertyMessage(WaitMessageId::SetProperty, uint32_t(index), value);
}

int TThreadWindow::GetProperty(int index, int subIndex, int size, void *buffer)
{
    if (size <= 0)
        throw EThreadWindow(ParameterErrorText(QStringLiteral("Size"), QString::number(size)));
    if (!buffer)
        throw EThreadWindow(ParameterErrorText(QStringLiteral("Buffer"), QStringLiteral("nil")));
    WaitPropertyValue answer;
    const int result = SendPropertyMessage(WaitMessageId::GetProperty,
                                           (uint32_t(index) & 0xFFFF) | (uint32_t(subIndex) << 16), {}, &answer);
    std::memset(buffer, 0, size_t(size));
    if (result) {
        const QByteArray bytes = PropertyBytes(WaitProperty(index), answer);
        std::memcpy(buffer, bytes.constData(), size_t(std::min<qsizetype>(size, bytes.size())));
    }
    return result;
}

bool TThreadWindow::GetActive() { return std::get<bool>(getValue(WaitProperty::Active)); }
void TThreadWindow::SetActive(bool value) { setValue(WaitProperty::Active, value); }
QColor TThreadWindow::GetBackgroundColor() { return std::get<QColor>(getValue(WaitProperty::BackgroundColor)); }
void TThreadWindow::SetBackgroundColor(const QColor &value) { setValue(WaitProperty::BackgroundColor, value); }
QColor TThreadWindow::GetTextColor() { return std::get<QColor>(getValue(WaitProperty::TextColor)); }
void TThreadWindow::SetTextColor(const QColor &value) { setValue(WaitProperty::TextColor, value); }
QImage TThreadWindow::GetIcon() { return std::get<QImage>(getValue(WaitProperty::Icon)); }
void TThreadWindow::SetIcon(const QImage &value) { setValue(WaitProperty::Icon, value); }
int TThreadWindow::GetIconStep() { return std::get<int32_t>(getValue(WaitProperty::IconStep)); }
void TThreadWindow::SetIconStep(int value) { setValue(WaitProperty::IconStep, int32_t(value)); }
int TThreadWindow::GetIconSize() { return std::get<int32_t>(getValue(WaitProperty::IconSize)); }
void TThreadWindow::SetIconSize(int value) { setValue(WaitProperty::IconSize, int32_t(value)); }
TRectL TThreadWindow::GetBounds() { return std::get<TRectL>(getValue(WaitProperty::Bounds)); }
void TThreadWindow::SetBounds(const TRectL &value) { setValue(WaitProperty::Bounds, value); }
QByteArray TThreadWindow::GetText() { return std::get<QByteArray>(getValue(WaitProperty::Text)); }
void TThreadWindow::SetText(const QByteArray &value) { setValue(WaitProperty::Text, value); }
uint8_t TThreadWindow::GetAlpha() { return uint8_t(std::get<int32_t>(getValue(WaitProperty::Alpha))); }
void TThreadWindow::SetAlpha(uint8_t value) { setValue(WaitProperty::Alpha, int32_t(value)); }
QFont TThreadWindow::GetFont() { return std::get<QFont>(getValue(WaitProperty::Font)); }
void TThreadWindow::SetFont(const QFont &value) { setValue(WaitProperty::Font, value); }

void TThreadWindow::Terminate()
{
    {
        std::lock_guard lock(d->mutex);
        d->terminated = true;
    }
    d->changed.notify_all();
}

bool TThreadWindow::Terminated() const { return d->terminated; }
