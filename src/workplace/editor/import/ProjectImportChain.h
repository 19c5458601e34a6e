#pragma once
// The editor's import of a certificate project from the project service
// "ZUV": a chain of three Restavo runs, one at a time (hello, the service's
// description, the project), each started when the one before replied. The
// editor posts the chain's start to it; the chain then posts its next steps
// to itself with the same message numbers the runs reply with.
//
// The chain runs on the RestavoRunFrame: each run replies to a receiver of
// its own, so only the reply of the run in flight moves the chain on, and
// only the steps it posted itself start runs. When the chain is given up
// (the editor leaves its certificate), a run that is still going finishes
// unheard, so a late reply never fills another certificate.
#include "RestavoCommand.h"
#include "RestavoRunFrame.h"

#include <QObject>
#include <QString>
#include <functional>

// The chain's messages (WM_USER + 1 to + 3) and the handlers they reach.
constexpr quint32 HelloStepMessage = 1025;   // GetMessageSim
constexpr quint32 WsdlStepMessage = 1026;    // GetWSDLSim
constexpr quint32 ProjectStepMessage = 1027; // GetProject

// What the operator typed into the project-service log-on dialog.
struct ProjectLogOn {
    QString account;
    QString password;
    QString userName;
    QString projectNumber;
};

// Why the log-on cannot start the chain, in words for the operator; empty
// when it can. The project number is decimal digits only; the account must
// not be empty; no value may break Restavo's command line (the password
// travels apart from it).
QString ProjectLogOnRefusal(const ProjectLogOn &logOn, const QString &programUser);

// What the chain needs of the editor.
struct ProjectImportHost {
    std::function<void(const QString &)> setStatus;
    std::function<void(bool)> setActionEnabled;
    // Fills the open certificate from data/serv.xml, telling the operator
    // the outcome itself.
    std::function<void()> applyProject;
};


class ProjectImportChain : public QObject {
public:
    ProjectImportChain(const QString &programDir, ProjectImportHost host, RestavoStarter starter = {});
    ~ProjectImportChain() override;

    // Keeps the log-on (already checked), disables the action and posts the
    // chain's first step (1025 with 1, 2) to itself.
    void start(const ProjectLogOn &logOn, const QString &programUser);
    // Gives the chain up: a run in flight is no longer listened to, and the
    // action is enabled again. Nothing happens when no chain runs.
    void abandon();

    bool running() const { return m_frame.running(); }
    // The process of the run in flight; 0 between runs.
    qint64 runInFlight() const { return m_frame.runInFlight(); }

    // The steps of the chain: the chain's own start requests (1025 with 1,
    // 1026 with 0, 1027 with 1) start runs; replies of runs (through the
    // frame) read the run's result.
    void GetMessageSim(qint32 wParam, qint32 lParam, bool reply);
    void GetWSDLSim(qint32 wParam, qint32 lParam, bool reply);
    void GetProject(qint32 wParam, qint32 lParam, bool reply);

private:
    void startRun(int operation, quint32 message, const QList<RestavoArgument> &arguments, const char *location,
                  bool tellInBox);
    void readHello();
    void failedStart(const char *location);
    void end();
    void post(quint32 message, qint32 wParam);
    void replied(quint32 message, qint32 wParam, qint32 lParam);
    QString dataFile(const QString &name) const;

    QString m_programDir;
    ProjectImportHost m_host;
    ProjectLogOn m_logOn;
    QString m_programUser;
    RestavoRunFrame m_frame;
};

// The per-user options that remember the last account and password typed.
inline const QString AccountSimOption = QStringLiteral("AccountSim");
inline const QString PasswordSimOption = QStringLiteral("PasswordSim");
