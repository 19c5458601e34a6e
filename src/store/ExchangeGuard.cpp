#include "ExchangeGuard.h"

namespace {
// Main thread only, like every exchange.
QString &Running()
{
    static QString name;
    return name;
}
bool &Held()
{
    static bool held = false;
    return held;
}
} // namespace

ExchangeTicket &ExchangeTicket::operator=(ExchangeTicket &&other) noexcept
{
    if (this != &other) {
        release();
        m_held = other.m_held;
        other.m_held = false;
    }
    return *this;
}

void ExchangeTicket::release()
{
    if (!m_held)
        return;
    m_held = false;
    Held() = false;
    Running().clear();
}

ExchangeTicket BeginExchange(const QString &name)
{
    ExchangeTicket ticket;
    if (Held())
        return ticket;
    Held() = true;
    Running() = name;
    ticket.m_held = true;
    return ticket;
}

bool ExchangeRunning() { return Held(); }

QString RunningExchange() { return Running(); }
