#pragma once
// Stands for window handles and PostMessage. A window (any QObject of the main
// thread) registers and gets a handle: a positive 32-bit number that names
// this process and the window, so another process that knows only the number
// can post to it. A posted message is a queued event, handled on the window's
// thread one at a time and routed by the window and the message number (the
// same numbers are used by different windows).
//
// Messages from other processes arrive through this process's socket in the
// private folder. They are accepted only as the reply to a program start that
// expects one (see ChildLauncher): each start has its own token, its window
// and its message number, and takes one reply.
#include "MessageWire.h"

#include <QEvent>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

class MessageListener;

using WindowHandle = quint32;
using MessageHandler = std::function<void(qint32 wParam, qint32 lParam)>;

// A handle holds the process id above its low bits and the window's slot in them.
constexpr int WindowSlotBits = 9;
constexpr quint32 WindowSlotMask = (1u << WindowSlotBits) - 1;
inline qint64 ProcessOfHandle(WindowHandle handle) { return handle >> WindowSlotBits; }

// The environment variable through which a started program learns the token
// of its start; PostMessage to another process sends it along.
inline constexpr char ReplyTokenVariable[] = "TESSAL_REPLY_TOKEN";

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(quint32 message, qint32 wParam, qint32 lParam);
    static QEvent::Type eventType();

    const quint32 message;
    const qint32 wParam;
    const qint32 lParam;
};

class WindowMessages : public QObject {
    Q_OBJECT
public:
    // The one instance of the process; lives until the application object ends.
    static WindowMessages &instance();

    // The window's handle; the same one when it is registered already. The
    // registration ends when the window is destroyed. 0 when every slot of
    // the process is taken.
    WindowHandle registerWindow(QObject *window);
    // Registers the window when needed and routes `message` to the handler,
    // replacing an earlier handler of the same window and number.
    void setHandler(QObject *window, quint32 message, MessageHandler handler);
    // 0 when the window is not registered.
    WindowHandle handleOf(const QObject *window) const;

    // Queues the message for a window of this process. False when the handle
    // names no living window of this process. Callable from any thread.
    bool postLocal(WindowHandle handle, quint32 message, qint32 wParam, qint32 lParam);

    // Opens this process's socket for replies from started programs.
    bool startListening(QString *error);
    // The one reply of the start `token` may go to (handle, message).
    void expectReply(const QByteArray &token, WindowHandle handle, quint32 message);
    // Reads whatever other processes have sent so far and queues it.
    void receivePendingNow();
    // Ends the expectation of `token`; true when its reply arrived.
    bool endExpectation(const QByteArray &token);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowMessages();
    ~WindowMessages() override;
    static void destroyInstance();
    void forget(QObject *window);
    void receive(const WireMessage &message);

    struct Expectation {
        WindowHandle handle = 0;
        quint32 message = 0;
        bool replied = false;
    };

    mutable QMutex m_mutex; // guards m_windows and m_handles: posting may come from any thread
    QHash<WindowHandle, QPointer<QObject>> m_windows;
    QHash<const QObject *, WindowHandle> m_handles;
    quint32 m_nextSlot = 1;
    // Main thread only.
    std::map<std::pair<const QObject *, quint32>, MessageHandler> m_handlers;
    std::map<QByteArray, Expectation> m_expectations;
    std::unique_ptr<MessageListener> m_listener;
};

// PostMessage: queues the message for the window `handle`, in this process or
// in another one (through its socket, carrying this process's reply token).
// False when it could not be delivered; handle 0 reaches nobody.
bool PostMessage(WindowHandle handle, quint32 message, qint32 wParam, qint32 lParam);
