#include "WindowMessages.h"
#include "MessageSocket.h"
#include "PrivateFolder.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <unistd.h>

namespace {
WindowMessages *TheInstance = nullptr;
} // namespace

WindowMessageEvent::WindowMessageEvent(quint32 message, qint32 wParam, qint32 lParam)
    : QEvent(eventType()), message(message), wParam(wParam), lParam(lParam)
{
}

QEvent::Type WindowMessageEvent::eventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void WindowMessages::destroyInstance()
{
    delete TheInstance;
    TheInstance = nullptr;
}

WindowMessages &WindowMessages::instance()
{
    if (!TheInstance) {
        TheInstance = new WindowMessages;
        // The socket and its notifiers must go while the event loop's
        // machinery still exists.
        qAddPostRoutine(destroyInstance);
    }
    return *TheInstance;
}

WindowMessages::WindowMessages() = default;
WindowMessages::~WindowMessages() = default;

WindowHandle WindowMessages::registerWindow(QObject *window)
{
    if (const WindowHandle known = handleOf(window))
        return known;
    const quint32 process = static_cast<quint32>(getpid());
    // Process ids stay below 2^22 on Linux, so the handle stays positive.
    Q_ASSERT(process < (1u << (31 - WindowSlotBits)));
    WindowHandle handle = 0;
    {
        QMutexLocker lock(&m_mutex);
        for (quint32 tried = 0; tried < WindowSlotMask && handle == 0; ++tried) {
            const WindowHandle candidate = (process << WindowSlotBits) | m_nextSlot;
            m_nextSlot = m_nextSlot % WindowSlotMask + 1;
            if (!m_windows.contains(candidate))
                handle = candidate;
        }
        if (handle == 0)
            return 0;
        m_windows.insert(handle, window);
        m_handles.insert(window, handle);
    }
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this, window] { forget(window); });
    return handle;
}

void WindowMessages::setHandler(QObject *window, quint32 message, MessageHandler handler)
{
    registerWindow(window);
    m_handlers[{window, message}] = std::move(handler);
}

WindowHandle WindowMessages::handleOf(const QObject *window) const
{
    QMutexLocker lock(&m_mutex);
    return m_handles.value(window, 0);
}

void WindowMessages::forget(QObject *window)
{
    {
        QMutexLocker lock(&m_mutex);
        m_windows.remove(m_handles.take(window));
    }
    for (auto it = m_handlers.begin(); it != m_handlers.end();)
        it = it->first.first == window ? m_handlers.erase(it) : std::next(it);
}

bool WindowMessages::postLocal(WindowHandle handle, quint32 message, qint32 wParam, qint32 lParam)
{
    QMutexLocker lock(&m_mutex);
    QObject *window = m_windows.value(handle);
    if (!window)
        return false;
    QCoreApplication::postEvent(window, new WindowMessageEvent(message, wParam, lParam));
    return true;
}

bool WindowMessages::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != WindowMessageEvent::eventType())
        return QObject::eventFilter(watched, event);
    const auto *posted = static_cast<WindowMessageEvent *>(event);
    const auto found = m_handlers.find({watched, posted->message});
    if (found != m_handlers.end()) {
        // A copy: the handler may replace itself or destroy its window.
        const MessageHandler handler = found->second;
        handler(posted->wParam, posted->lParam);
    }
    return true;
}

bool WindowMessages::startListening(QString *error)
{
    if (m_listener && m_listener->isListening())
        return true;
    const QString folder = PrivateFolderPath();
    if (!EnsurePrivateFolder(folder, error))
        return false;
    auto listener = std::make_unique<MessageListener>([this](const WireMessage &message) { receive(message); });
    if (!listener->listen(MessageSocketPath(folder, getpid()), error))
        return false;
    m_listener = std::move(listener);
    return true;
}

void WindowMessages::expectReply(const QByteArray &token, WindowHandle handle, quint32 message)
{
    m_expectations[token] = Expectation{handle, message, false};
}

void WindowMessages::receivePendingNow()
{
    if (m_listener)
        m_listener->receivePendingNow();
}

bool WindowMessages::endExpectation(const QByteArray &token)
{
    const auto found = m_expectations.find(token);
    if (found == m_expectations.end())
        return false;
    const bool replied = found->second.replied;
    m_expectations.erase(found);
    return replied;
}

void WindowMessages::receive(const WireMessage &message)
{
    // Only the first reply of a start that is still expected, to the window
    // and message number the start named, gets through.
    const auto found = m_expectations.find(message.token);
    if (message.token.isEmpty() || found == m_expectations.end())
        return;
    Expectation &expected = found->second;
    if (expected.replied || expected.handle != message.handle || expected.message != message.message)
        return;
    expected.replied = true;
    postLocal(message.handle, message.message, message.wParam, message.lParam);
}

bool PostMessage(WindowHandle handle, quint32 message, qint32 wParam, qint32 lParam)
{
    if (handle == 0)
        return false;
    const qint64 process = ProcessOfHandle(handle);
    if (process == getpid())
        return WindowMessages::instance().postLocal(handle, message, wParam, lParam);

    const QString folder = PrivateFolderPath();
    QString error;
    if (!EnsurePrivateFolder(folder, &error))
        return false;
    QByteArray token = qgetenv(ReplyTokenVariable);
    if (!IsWellFormedToken(token))
        token.clear();
    const WireMessage wire{handle, message, wParam, lParam, token};
    return SendWireLine(MessageSocketPath(folder, process), FormatWireLine(wire), &error);
}
