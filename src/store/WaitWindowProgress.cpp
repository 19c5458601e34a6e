#include "WaitWindowProgress.h"
#include "WaitWindowModel.h"
#include "WindowThread.h"

#include <atomic>

namespace {
std::atomic<int> OpenCount{0};
}

int WaitWindowProgress::timesOpened() { return OpenCount.load(); }

WaitWindowProgress::WaitWindowProgress(const QByteArray &text) : m_text(text) {}

WaitWindowProgress::~WaitWindowProgress() = default;

void WaitWindowProgress::open()
{
    m_window = std::make_unique<TThreadWindow>(m_text);
    m_window->Position = 0;
    ++OpenCount;
}

void WaitWindowProgress::setPermille(int permille)
{
    if (m_window)
        m_window->Position = ClampPosition(permille);
}

void WaitWindowProgress::close() { m_window.reset(); }
