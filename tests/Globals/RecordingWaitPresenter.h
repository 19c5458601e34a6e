#pragma once
// A wait-window presenter that shows nothing and records what the window
// thread asked of it; tests feed it mouse events and a cursor position, and
// can hold it inside createWindow or present to block the window thread.
#include "WaitWindowPresenter.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct PresenterRecord {
    enum Kind { Create, Destroy, Show, Move, Enabled, Opacity, Present };
    Kind kind;
    TRectL rect;   // Create, Move, Present
    int value = 0; // Enabled, Opacity
    QImage frame;  // Present: the whole client area
};

class RecordingLog {
public:
    QSize screen{1024, 768};
    std::atomic<bool> blockCreate{false};
    std::atomic<bool> blockPresent{false};

    void add(PresenterRecord record)
    {
        {
            std::lock_guard lock(m_mutex);
            m_records.push_back(std::move(record));
        }
        m_changed.notify_all();
    }

    std::vector<PresenterRecord> records() const
    {
        std::lock_guard lock(m_mutex);
        return m_records;
    }

    // The records of Kind from position From on.
    std::vector<PresenterRecord> of(PresenterRecord::Kind kind, size_t from = 0) const
    {
        std::lock_guard lock(m_mutex);
        std::vector<PresenterRecord> out;
        for (size_t i = from; i < m_records.size(); ++i) {
            if (m_records[i].kind == kind)
                out.push_back(m_records[i]);
        }
        return out;
    }

    size_t size() const
    {
        std::lock_guard lock(m_mutex);
        return m_records.size();
    }

    // Waits (at most 60 s, for a busy machine) until Done(records) holds.
    template <class Done> bool waitFor(Done done)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(60), [&] { return done(m_records); });
    }

    // Waits until a record of Kind exists from position From on.
    bool waitForKind(PresenterRecord::Kind kind, size_t from = 0)
    {
        return waitFor([&](const std::vector<PresenterRecord> &records) {
            for (size_t i = from; i < records.size(); ++i) {
                if (records[i].kind == kind)
                    return true;
            }
            return false;
        });
    }

    // Waits until the window thread has looked for events Count more times
    // (each look is one pass of its loop while the window is shown).
    bool waitForPasses(int count)
    {
        std::unique_lock lock(m_mutex);
        const int target = m_passes + count;
        return m_changed.wait_for(lock, std::chrono::seconds(60), [&] { return m_passes >= target; });
    }

    void inject(const WaitWindowEvent &event)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(event);
    }

    void setCursor(QPoint position)
    {
        std::lock_guard lock(m_mutex);
        m_cursor = position;
    }

    QPoint cursor() const
    {
        std::lock_guard lock(m_mutex);
        return m_cursor;
    }

    void takeEvents(std::vector<WaitWindowEvent> &events)
    {
        {
            std::lock_guard lock(m_mutex);
            events.insert(events.end(), m_events.begin(), m_events.end());
            m_events.clear();
            ++m_passes;
        }
        m_changed.notify_all();
    }

    // Holds the calling (window) thread while Flag is set; Entered tells the test.
    void holdWhile(std::atomic<bool> &flag, std::atomic<bool> &entered)
    {
        if (flag)
            entered = true;
        while (flag)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    std::atomic<bool> createEntered{false};
    std::atomic<bool> presentEntered{false};

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<PresenterRecord> m_records;
    std::vector<WaitWindowEvent> m_events;
    QPoint m_cursor{-1, -1};
    int m_passes = 0;
};

class RecordingWaitPresenter : public WaitWindowPresenter {
public:
    explicit RecordingWaitPresenter(std::shared_ptr<RecordingLog> log) : m_log(std::move(log)) {}

    bool open() override { return true; }
    void close() override {}
    bool showsFrames() const override { return true; }
    QSize screenSize() override { return m_log->screen; }

    void createWindow(const TRectL &bounds, bool enabled) override
    {
        m_log->holdWhile(m_log->blockCreate, m_log->createEntered);
        m_hasWindow = true;
        m_log->add({PresenterRecord::Create, bounds, enabled ? 1 : 0, {}});
    }
    void destroyWindow() override
    {
        if (!m_hasWindow)
            return;
        m_hasWindow = false;
        m_log->add({PresenterRecord::Destroy, {}, 0, {}});
    }
    bool hasWindow() const override { return m_hasWindow; }
    uint32_t windowId() const override { return m_hasWindow ? 1 : 0; }
    void showWindow() override { m_log->add({PresenterRecord::Show, {}, 0, {}}); }
    void moveWindow(const TRectL &bounds) override { m_log->add({PresenterRecord::Move, bounds, 0, {}}); }
    void setEnabled(bool enabled) override { m_log->add({PresenterRecord::Enabled, {}, enabled ? 1 : 0, {}}); }
    void setOpacity(uint8_t alpha) override { m_log->add({PresenterRecord::Opacity, {}, alpha, {}}); }
    void present(const QImage &frame, const TRectL &area) override
    {
        m_log->holdWhile(m_log->blockPresent, m_log->presentEntered);
        m_log->add({PresenterRecord::Present, area, 0, frame.copy()});
    }
    QPoint cursorPosition() override { return m_log->cursor(); }
    void takeEvents(std::vector<WaitWindowEvent> &events) override { m_log->takeEvents(events); }

private:
    std::shared_ptr<RecordingLog> m_log;
    bool m_hasWindow = false;
};
