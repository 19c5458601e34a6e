#pragma once
// One exchange with the central server or the project service at a time:
// the synchronisation actions, the restore and update actions and the
// editor's project import each hold a ticket while they run (also across
// the messages of a Restavo chain), and the main window does not close while
// one is held.
#include <QString>

class ExchangeTicket {
public:
    ExchangeTicket() = default; // holds nothing
    ~ExchangeTicket() { release(); }
    ExchangeTicket(ExchangeTicket &&other) noexcept : m_held(other.m_held) { other.m_held = false; }
    ExchangeTicket &operator=(ExchangeTicket &&other) noexcept;
    ExchangeTicket(const ExchangeTicket &) = delete;
    ExchangeTicket &operator=(const ExchangeTicket &) = delete;

    // True when this ticket lets its exchange run.
    explicit operator bool() const { return m_held; }
    // Ends the exchange (also done by the destructor).
    void release();

private:
    friend ExchangeTicket BeginExchange(const QString &name);
    bool m_held = false;
};

// A held ticket when no exchange runs, else an empty one: the caller then
// does not start (RunningExchange names the one that runs).
[[nodiscard]] ExchangeTicket BeginExchange(const QString &name);
bool ExchangeRunning();
// The name given to BeginExchange by the running exchange; empty when none runs.
QString RunningExchange();
