#include "TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

void EndLoopOnTerminationSignals()
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char buffer[16];
        while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
        }
        // Every running loop ends, a modal dialog's as well as the main one.
        // A handler may still open another box on its way out of a dialog, so
        // keep ending loops and closing modal windows until the process is
        // back in main() and shuts down.
        auto endLoops = [] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
            QCoreApplication::exit(0);
        };
        endLoops();
        auto *repeat = new QTimer(QCoreApplication::instance());
        QObject::connect(repeat, &QTimer::timeout, repeat, endLoops);
        repeat->start(100);
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
