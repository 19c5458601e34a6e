#pragma once
// Shows a long store routine's progress in the wait window, which keeps
// painting in its own thread while the routine holds the main thread.
#include "ProgressSink.h"

#include <QByteArray>
#include <memory>

class TThreadWindow;

class WaitWindowProgress : public ProgressSink {
public:
    explicit WaitWindowProgress(const QByteArray &text = {});
    ~WaitWindowProgress() override;

    void open() override;
    void setPermille(int permille) override;
    void close() override;
    bool isOpen() const { return m_window != nullptr; }
    // How many times a wait window of this kind has been opened in this
    // process: lets a window's test see that its long action showed one.
    static int timesOpened();

private:
    QByteArray m_text;
    std::unique_ptr<TThreadWindow> m_window;
};
