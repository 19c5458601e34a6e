#pragma once
// A window that records the messages it gets, and waiting for started children.
#include "ChildLauncher.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QObject>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

class RecordingWindow : public QObject {
public:
    explicit RecordingWindow(std::initializer_list<quint32> messages)
    {
        for (quint32 message : messages)
            WindowMessages::instance().setHandler(this, message, [this, message](qint32 w, qint32 l) {
                received.push_back({message, w, l});
            });
    }
    WindowHandle handle() const { return WindowMessages::instance().handleOf(this); }

    struct Message {
        quint32 message;
        qint32 wParam;
        qint32 lParam;
        bool operator==(const Message &) const = default;
    };
    std::vector<Message> received;
};

inline void PrintTo(const RecordingWindow::Message &m, std::ostream *os)
{
    *os << '(' << m.message << ", " << m.wParam << ", " << m.lParam << ')';
}

// Records every child that the launcher finishes.
class FinishedChildren {
public:
    FinishedChildren()
    {
        QObject::connect(&ChildLauncher::instance(), &ChildLauncher::childFinished, &m_context,
                         [this](qint64 pid, bool replied) { m_finished.insert(pid, replied); });
    }
    // Waits until the child is reaped and everything queued before is
    // delivered; whether it had replied itself.
    bool waitFor(qint64 pid)
    {
        const bool done = QTest::qWaitFor([&] { return m_finished.contains(pid); }, 60000);
        QCoreApplication::processEvents();
        if (!done)
            ADD_FAILURE() << "child " << pid << " did not finish";
        return m_finished.value(pid);
    }

private:
    QObject m_context;
    QHash<qint64, bool> m_finished;
};
