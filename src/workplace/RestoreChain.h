#pragma once
// The restore of the workstation's certificates from a restore file of the
// central database. The start (the main window's aRollbackExecute) checks
// that the database is empty, lets the operator choose the file, writes its
// XML into a folder of its own inside the data folder, copies the empty
// Tessal.sqb to temp.sqb and posts the first message of the chain to the main
// window. Each message (the main window's WRollback) starts one Restavo run
// of the loader from the row it names; the last one copies temp.sqb over
// Tessal.sqb. Between the first and the last message the database is
// disconnected and the exchange ticket held, so a second chain cannot start
// and the window does not close.
#include "ExchangeGuard.h"
#include "WindowMessages.h"

#include <QString>
#include <functional>

class TDM;

// The message the main window receives the chain's steps with (WM_USER + 1).
constexpr quint32 RestoreChainMessage = 1025;

// What the chain needs of the main window.
struct RestoreChainHost {
    std::function<void(const QString &)> setHelpLine;
    std::function<void(const QString &)> setStatus;
    // Connects Tessal.sqb again and reopens the list at its first row.
    std::function<void()> reopenList;
    WindowHandle window = 0; // receives RestoreChainMessage
};

class RestoreChain {
public:
    // How often the same row may come back before the chain gives up on it.
    static constexpr int MaxRunsAtOneRow = 3;

    RestoreChain(TDM &dm, const QString &programDir, RestoreChainHost host);

    // aRollbackExecute.
    void start();
    // WRollback: wParam and lParam as Restavo posts them (lParam 1 failure,
    // 2 with wParam -1 all rows loaded, else the row to start at). Acts only
    // while the chain runs.
    void reply(qint32 wParam, qint32 lParam);
    bool running() const { return bool(m_ticket); }

private:
    void startRun(qint32 startIndex);
    void finish();
    void fail(const QString &helpText);
    void reopenAndClean(bool keepTempDatabase);
    QString dataFile(const QString &name) const;

    TDM &m_dm;
    QString m_programDir;
    RestoreChainHost m_host;
    ExchangeTicket m_ticket;
    QString m_xmlPath;
    int m_runs = 0;
    qint32 m_lastRow = -1;
    int m_timesAtLastRow = 0;
};
