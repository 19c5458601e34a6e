#pragma once
// Stands for the Windows event log: records of (source, type, category,
// event id, strings) go to every installed sink. A failing sink never
// reaches the caller.
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

struct EventRecord {
    QString source;
    uint16_t type = 0;
    uint16_t category = 0;
    uint32_t eventId = 0;
    QStringList strings;
    QDateTime time;      // filled by the journal when left invalid
    qint64 processId = 0; // filled by the journal
    QString user;         // filled by the journal: the account the process runs as
    QString program;      // filled by the journal: the name of the running program
};

class JournalSink {
public:
    virtual ~JournalSink() = default;
    virtual void write(const EventRecord &record) = 0; // may throw; the journal swallows it
};

// Keeps the records in memory, for tests.
class MemoryJournalSink : public JournalSink {
public:
    void write(const EventRecord &record) override;
    QList<EventRecord> records() const;
    void clear();
    // The records with this event id, in order.
    QList<EventRecord> withId(uint32_t eventId) const;

private:
    mutable QMutex m_mutex;
    QList<EventRecord> m_records;
};

class EventJournal {
public:
    static EventJournal &instance();

    void addSink(std::shared_ptr<JournalSink> sink);
    void removeSink(const std::shared_ptr<JournalSink> &sink);
    void clearSinks();
    // Writes one record to every sink; never throws.
    void write(EventRecord record) noexcept;

private:
    QMutex m_mutex;
    std::vector<std::shared_ptr<JournalSink>> m_sinks;
};

// Installs a memory sink for the lifetime of the object (tests).
class ScopedMemoryJournal {
public:
    ScopedMemoryJournal();
    ~ScopedMemoryJournal();
    MemoryJournalSink &sink() { return *m_sink; }

private:
    std::shared_ptr<MemoryJournalSink> m_sink;
};
