#pragma once
// Stands for CreateProcess and the process handles that a starter keeps. A
// started program answers with one message to the window that waits for it
// (see WindowMessages). The launcher keeps every child until it has exited and
// been reaped; a child that exits without having replied becomes the failure
// reply (wParam 0, lParam 1) to the waiting window, so a chain never waits
// for a reply that cannot come.
#include "WindowMessages.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <map>

struct LaunchResult {
    bool started = false;
    qint64 pid = 0;
    int errorCode = 0; // the system's error number when the start failed (2: no such file)
    QString error;     // why nothing was started, when it is not a system error
};

class ChildLauncher : public QObject {
    Q_OBJECT
public:
    // The one launcher of the process; lives until the application object ends.
    static ChildLauncher &instance();

    // Starts programFile with `argument` as its one argument, in the current
    // folder, with this process's environment plus `environment` plus the
    // start's reply token. Its reply is expected at (replyWindow, replyMessage).
    LaunchResult start(const QString &programFile, const QString &argument,
                       const QMap<QByteArray, QByteArray> &environment, WindowHandle replyWindow,
                       quint32 replyMessage);

    // Children started and not yet reaped.
    int runningCount() const { return static_cast<int>(m_children.size()); }

signals:
    // After the child was reaped and, when it had not replied, the failure
    // reply was queued. waitStatus is the status waitpid gave (decode it with
    // WIFEXITED and the rest); -1 when the child was reaped elsewhere.
    void childFinished(qint64 pid, bool replied, int waitStatus);

private:
    ChildLauncher() = default;
    ~ChildLauncher() override;
    static void destroyInstance();
    struct Child;
    void watch(Child &child);
    void reapIfExited(qint64 pid);

    std::map<qint64, std::unique_ptr<Child>> m_children;
};
