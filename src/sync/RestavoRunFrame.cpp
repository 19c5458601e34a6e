#include "RestavoRunFrame.h"

#include "WindowMessages.h"

#include <sys/wait.h>

const QString RestavoRunFrame::ReportedFailureText =
    QStringLiteral("Restavo сообщил, что операция не выполнена (подробности в журнале событий).");

QString RestavoRunFrame::SilentEndText(int waitStatus)
{
    const QString text = QStringLiteral("Restavo завершился, не ответив");
    if (waitStatus >= 0 && WIFSIGNALED(waitStatus))
        return text + QStringLiteral(" (прерван сигналом %1).").arg(WTERMSIG(waitStatus));
    if (waitStatus >= 0 && WIFEXITED(waitStatus))
        return text + QStringLiteral(" (код завершения %1).").arg(WEXITSTATUS(waitStatus));
    return text + QLatin1Char('.');
}

RestavoRunFrame::RestavoRunFrame(RestavoStarter starter, ReplyHandler onReply)
    : m_starter(std::move(starter)), m_onReply(std::move(onReply))
{
    // The launcher tells when a child ends without having replied, just
    // before its failure reply is handled.
    QObject::connect(&ChildLauncher::instance(), &ChildLauncher::childFinished, &m_context,
                     [this](qint64 pid, bool replied, int waitStatus) {
                         if (!replied && m_run && m_run->pid == pid)
                             m_run->silentEnd = waitStatus;
                     });
}

RestavoRunFrame::~RestavoRunFrame()
{
    if (m_run)
        delete m_run->receiver.data();
}

void RestavoRunFrame::begin(ExchangeTicket ticket)
{
    forget();
    m_ticket = std::move(ticket);
    m_running = true;
}

void RestavoRunFrame::end()
{
    forget();
    m_ticket.release();
    m_running = false;
}

void RestavoRunFrame::forget()
{
    m_posted.reset();
    dropRun();
}

void RestavoRunFrame::dropRun(bool handlingItsReply)
{
    if (!m_run)
        return;
    // A receiver that is handling the reply just now goes when it is done.
    if (handlingItsReply)
        m_run->receiver->deleteLater();
    else
        delete m_run->receiver.data();
    m_run.reset();
}

void RestavoRunFrame::post(WindowHandle window, quint32 message, qint32 wParam, qint32 lParam)
{
    dropRun();
    m_posted = Posted{message, lParam};
    WindowMessages::instance().postLocal(window, message, wParam, lParam);
}

bool RestavoRunFrame::takePosted(quint32 message, qint32 lParam)
{
    if (!m_posted || m_posted->message != message || m_posted->lParam != lParam)
        return false;
    m_posted.reset();
    return true;
}

QString RestavoRunFrame::start(int operation, quint32 replyMessage, const QList<RestavoArgument> &arguments)
{
    forget();
    // A receiver for this run alone: what reaches it is this run's reply.
    auto *receiver = new QObject;
    WindowMessages &messages = WindowMessages::instance();
    const WindowHandle handle = messages.registerWindow(receiver);
    if (handle == 0) {
        delete receiver;
        return QStringLiteral("Restavo не запущен: нет свободного окна для ответа.");
    }
    const LaunchResult launched = m_starter({operation, handle, replyMessage, arguments});
    if (!launched.started) {
        delete receiver;
        return LaunchFailureText(launched);
    }
    m_run = Run{launched.pid, replyMessage, receiver, std::nullopt};
    messages.setHandler(receiver, replyMessage,
                        [this, receiver](qint32 wParam, qint32 lParam) { replied(receiver, wParam, lParam); });
    return {};
}

void RestavoRunFrame::replied(QObject *receiver, qint32 wParam, qint32 lParam)
{
    if (!m_run || m_run->receiver != receiver)
        return; // not the run in flight: nobody waits for it any more
    const quint32 message = m_run->message;
    if (lParam == 2)
        m_lastFailure.clear();
    else
        m_lastFailure = m_run->silentEnd ? SilentEndText(*m_run->silentEnd) : ReportedFailureText;
    dropRun(true);
    m_onReply(message, wParam, lParam == 2 ? 2 : 1);
}
