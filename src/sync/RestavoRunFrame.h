#pragma once
// The frame that every chain of Restavo runs is built on: the synchronisation
// and restore-download chains of the synchronisation page, the editor's
// project import and the main window's restore of the certificates.
//
// A chain waits for one message at a time: either a step it posted to its
// own window, or the reply of the one Restavo run in flight. Each run is
// started through a RestavoStarter and replies to a receiver of its own, so
// only the reply of the run in flight moves the chain on; the reply of a run
// the chain no longer waits for, a step it did not post, or a message with
// other parameters is ignored. A run that ends without replying brings the
// failure reply (wParam 0, lParam 1) from the launcher, and the frame can say
// how it ended. While the chain runs it may hold the busy ticket, so that no
// other exchange shares the exchange files and the program does not close.
#include "ExchangeGuard.h"
#include "RestavoCommand.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class RestavoRunFrame {
public:
    // The reply of the run in flight: the message it was started with,
    // wParam, and lParam (2 Restavo's normal reply, 1 a failure: a reply
    // with any other lParam is the run's one reply too and counts as a
    // failure).
    using ReplyHandler = std::function<void(quint32 message, qint32 wParam, qint32 lParam)>;

    RestavoRunFrame(RestavoStarter starter, ReplyHandler onReply);
    ~RestavoRunFrame();
    RestavoRunFrame(const RestavoRunFrame &) = delete;
    RestavoRunFrame &operator=(const RestavoRunFrame &) = delete;

    // The chain starts, holding `ticket` when it takes one.
    void begin(ExchangeTicket ticket = {});
    // The chain has ended: the ticket goes and nothing is awaited any more;
    // a run still in flight finishes unheard.
    void end();
    // From begin until end.
    bool running() const { return m_running; }
    // Lets the busy ticket go before the chain ends (the program may close).
    void releaseTicket() { m_ticket.release(); }

    // Posts a step of the chain to `window` and waits for that message, with
    // that lParam, alone.
    void post(WindowHandle window, quint32 message, qint32 wParam, qint32 lParam);
    // True when this is the step the frame waits for; it is then no longer awaited.
    bool takePosted(quint32 message, qint32 lParam);

    // Starts a Restavo run that replies with `replyMessage`; the frame then
    // waits for its reply alone. Empty on success, else the operator's text
    // of the failed start (StartFailurePrefix and the system's text, or the
    // starter's own reason).
    QString start(int operation, quint32 replyMessage, const QList<RestavoArgument> &arguments);
    // The process of the run in flight; 0 when none.
    qint64 runInFlight() const { return m_run ? m_run->pid : 0; }
    // Nothing is awaited any more; the chain stays running.
    void forget();
    // Something is awaited: a posted step or the reply of a run.
    bool awaiting() const { return m_posted || m_run; }

    // What the last run's failure reply means, in the operator's words:
    // Restavo reported that the operation failed, or its process ended
    // without replying (with its exit code or the signal that ended it).
    QString lastRunFailure() const { return m_lastFailure; }

    // The words for a run that ended without replying, from the status that
    // waitpid gave (-1: not known).
    static QString SilentEndText(int waitStatus);
    // The words for a run that replied that its operation failed.
    static const QString ReportedFailureText;

private:
    struct Posted {
        quint32 message;
        qint32 lParam;
    };
    struct Run {
        qint64 pid = 0;
        quint32 message = 0;
        QPointer<QObject> receiver;
        std::optional<int> silentEnd; // the wait status, when it ended without replying
    };
    void dropRun(bool handlingItsReply = false);
    void replied(QObject *receiver, qint32 wParam, qint32 lParam);

    RestavoStarter m_starter;
    ReplyHandler m_onReply;
    bool m_running = false;
    ExchangeTicket m_ticket;
    std::optional<Posted> m_posted;
    std::optional<Run> m_run;
    QString m_lastFailure;
    QObject m_context; // for the launcher's signal
};
