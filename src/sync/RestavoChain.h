#pragma once
// A chain of Restavo runs driven by window messages of the synchronisation
// page. Each step is the handler of one message: it starts one Restavo
// operation that replies to the step's own message, or reads what the last
// run left in the data folder and posts the next step's message to the
// page. Between steps the main loop runs, so the page answers and the stop
// action can be pressed; the next start then ends the chain.
//
// A step's message arrives with lParam 1 when Restavo failed (or ended
// without replying), with lParam 2 for Restavo's reply or a step message the
// chain posted itself; other values are not the chain's. The chain runs on
// the RestavoRunFrame: it waits for one message at a time, the step it posted
// to the page or the reply of the run in flight (which comes to a receiver
// of that run's own), and ignores every other. The page's busy guard is held
// from the start to the end message, so two exchanges never share the
// exchange files.
//
// Both chains open with the same four steps: hello, a new workstation file,
// hello again with its checks, the choice of server; they differ in their
// texts and in what follows.
#include "RestavoCommand.h"
#include "RestavoRunFrame.h"
#include "UpdaterStart.h"

#include <QList>
#include <QString>
#include <functional>
#include <map>
#include <optional>

class SyncWindowCore;
class SyncWindowOutput;
class TDM;


struct RestavoChainPorts {
    WindowHandle window = 0; // the page: step messages and Restavo's replies go there
    RestavoStarter startRestavo;
    UpdaterStarter startUpdater;
    // The page's actions and cursor: a chain runs (true) or has ended (false).
    std::function<void(bool running)> running;
    // Closes the main window (the program ends) after the updater started.
    std::function<void()> closeMainWindow;
};

class RestavoChain {
public:
    virtual ~RestavoChain();
    RestavoChain(const RestavoChain &) = delete;
    RestavoChain &operator=(const RestavoChain &) = delete;

    // Every message of the chain, for the page to route here.
    QList<quint32> messages() const;
    // The page's handler of each of them.
    void receive(quint32 message, qint32 wParam, qint32 lParam);

    // From the start until the end message was handled.
    bool running() const { return m_frame.running(); }
    // The process id of the Restavo run whose reply the chain waits for; 0 when none.
    qint64 runInFlight() const { return m_frame.runInFlight(); }

protected:
    // What tells the two chains apart in their common steps.
    struct Wording {
        QString exchangeName;      // names the chain to the busy guard
        quint32 endMessage = 0;
        QString abortLine;         // logged when the stop action ended the chain
        QString stepFailureFormat; // the log line of a Restavo failure; %1 the handler's name
    };
    // The four opening steps: their messages, handler names and the message after them.
    struct OpeningSteps {
        quint32 hello, cod, hello2, version, next;
        const char *helloName, *codName, *hello2Name, *versionName;
    };

    RestavoChain(TDM &dm, SyncWindowCore &core, SyncWindowOutput &output, RestavoChainPorts ports, Wording wording);

    using StepHandler = std::function<void(qint32 wParam)>;
    void addStep(quint32 message, const char *name, StepHandler handler);
    // The log line of a Restavo failure at this step, where the chain words it its own way.
    void setFailureLine(quint32 message, const QString &line);
    void addEnd(const char *name, std::function<void()> handler);
    void addOpeningSteps(const OpeningSteps &steps);

    // Takes the busy guard, clears the stop request and posts the first
    // message (WParam 1); false when another exchange runs (the help line
    // names it).
    bool begin(quint32 firstMessage);
    // Releases the busy guard; the end handler's last act.
    void finish();
    // Lets the program close: the busy guard goes before the chain's end.
    void releaseGuard() { m_frame.releaseTicket(); }

    void post(quint32 message, qint32 wParam, qint32 lParam = 2);
    // Posts the end message.
    void end(qint32 wParam = 0, qint32 lParam = 0);
    // When the stop action was pressed: the abort line, the end message, true.
    bool endIfAborted();
    // Starts the operation, replying to the step's message; a failed start ends the chain.
    void startRestavo(int operation, const QList<RestavoArgument> &arguments);
    // endIfAborted, then startRestavo.
    void startUnlessAborted(int operation, const QList<RestavoArgument> &arguments);
    // The step's failure: its exception record, the status bar, the log and the end message.
    void fail(const QString &recordText, const QString &status, const QString &logLine);

    void log(const QString &line);
    void status(const QString &text);
    QString dataFile(const QString &name) const;
    QString location() const;                // "Sync.TfSync." + the running handler's name + "()"
    QString handlerName() const;             // the running handler's name
    static QList<RestavoArgument> versionArguments(qint64 first);

    TDM &m_dm;
    SyncWindowCore &m_core;
    SyncWindowOutput &m_output;
    RestavoChainPorts m_ports;

private:
    struct Step {
        const char *name;
        StepHandler handler;
        QString failureLine;
    };
    // A step message the chain posted, or the reply of its run in flight.
    void dispatch(quint32 message, qint32 wParam, qint32 lParam);
    void handleStep(const Step &step, qint32 wParam, qint32 lParam);
    // The reply of the first hello or the second: hello.xml read, an empty
    // answer or the server's refusal ends the chain (nothing returned).
    std::optional<QString> helloAnswer();

    Wording m_wording;
    std::map<quint32, Step> m_steps;
    std::function<void()> m_end;
    const char *m_endName = "";
    RestavoRunFrame m_frame;
    quint32 m_current = 0; // the message being handled
};
