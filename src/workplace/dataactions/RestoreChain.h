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
//
// The chain runs on the RestavoRunFrame: it takes only the step it posted to
// the main window and the reply of its run in flight. A run that fails tells
// the operator what happened: Restavo reported the failure, or it ended
// without answering (with its exit code or the signal that ended it).
#include "RestavoCommand.h"
#include "RestavoRunFrame.h"
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
    // Starts the loader runs; Restavo of the program folder when not given.
    RestavoStarter startRestavo;
};

class RestoreChain {
public:
    // How often the same row may come back before the chain gives up on it.
    static constexpr int MaxRunsAtOneRow = 3;

    RestoreChain(TDM &dm, const QString &programDir, RestoreChainHost host);

    // aRollbackExecute.
    void start();
    // WRollback: the chain's own first step (wParam 0, lParam 2). Acts only
    // on the step the chain posted.
    void reply(qint32 wParam, qint32 lParam);
    bool running() const { return m_frame.running(); }
    // The process of the loader run in flight; 0 when none.
    qint64 runInFlight() const { return m_frame.runInFlight(); }

private:
    // A step: lParam 1 the run failed, 2 with wParam -1 all rows loaded,
    // else the row to start at.
    void step(qint32 wParam, qint32 lParam);
    void startRun(qint32 startIndex);
    void finish();
    void fail(const QString &helpText);
    void reopenAndClean(bool keepTempDatabase);
    QString dataFile(const QString &name) const;

    TDM &m_dm;
    QString m_programDir;
    RestoreChainHost m_host;
    RestavoRunFrame m_frame;
    QString m_xmlPath;
    int m_runs = 0;
    qint32 m_lastRow = -1;
    int m_timesAtLastRow = 0;
};
