#include "EventJournal.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <algorithm>
#include <cerrno>
#include <pwd.h>
#include <unistd.h>

namespace {
QString accountName()
{
    static const QString name = [] {
        if (const passwd *pw = getpwuid(geteuid()))
            return QString::fromLocal8Bit(pw->pw_name);
        return QString::number(geteuid());
    }();
    return name;
}
} // namespace

void MemoryJournalSink::write(const EventRecord &record)
{
    QMutexLocker lock(&m_mutex);
    m_records.append(record);
}

QList<EventRecord> MemoryJournalSink::records() const
{
    QMutexLocker lock(&m_mutex);
    return m_records;
}

void MemoryJournalSink::clear()
{
    QMutexLocker lock(&m_mutex);
    m_records.clear();
}

QList<EventRecord> MemoryJournalSink::withId(uint32_t eventId) const
{
    QMutexLocker lock(&m_mutex);
    QList<EventRecord> found;
    for (const auto &r : m_records)
        if (r.eventId == eventId)
            found.append(r);
    return found;
}

EventJournal &EventJournal::instance()
{
    static EventJournal journal;
    return journal;
}

void EventJournal::addSink(std::shared_ptr<JournalSink> sink)
{
    QMutexLocker lock(&m_mutex);
    m_sinks.push_back(std::move(sink));
}

void EventJournal::removeSink(const std::shared_ptr<JournalSink> &sink)
{
    QMutexLocker lock(&m_mutex);
    m_sinks.erase(std::remove(m_sinks.begin(), m_sinks.end(), sink), m_sinks.end());
}

void EventJournal::clearSinks()
{
    QMutexLocker lock(&m_mutex);
    m_sinks.clear();
}

void EventJournal::write(EventRecord record) noexcept
{
    try {
        if (!record.time.isValid())
            record.time = QDateTime::currentDateTime();
        record.processId = QCoreApplication::applicationPid();
        record.user = accountName();
        record.program = QString::fromLocal8Bit(program_invocation_short_name);
        std::vector<std::shared_ptr<JournalSink>> sinks;
        {
            QMutexLocker lock(&m_mutex);
            sinks = m_sinks;
        }
        for (const auto &sink : sinks) {
            try {
                sink->write(record);
            } catch (...) {
            }
        }
    } catch (...) {
    }
}

ScopedMemoryJournal::ScopedMemoryJournal() : m_sink(std::make_shared<MemoryJournalSink>())
{
    EventJournal::instance().addSink(m_sink);
}

ScopedMemoryJournal::~ScopedMemoryJournal() { EventJournal::instance().removeSink(m_sink); }
