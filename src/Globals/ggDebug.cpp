#include "ggDebug.h"
#include "EventJournal.h"

QString SysErrorText(uint32_t code)
{
    Q_UNUSED(code);
    return QString();
}

void ReportEventLog(const QString &sourceName, uint16_t eventType, uint16_t category,
                    const QStringList &strings, uint32_t eventId)
{
    EventRecord record;
    record.source = sourceName;
    record.type = eventType;
    record.category = category;
    record.eventId = eventId;
    record.strings = strings;
    EventJournal::instance().write(std::move(record));
}

int CreateGlobalMutex(const QString &name)
{
    Q_UNUSED(name);
    return 0;
}
