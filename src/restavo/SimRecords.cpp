#include "SimRecords.h"

#include "CommonTessal.h"
#include "ggError.h"

void RecordDiagnostic(const QString &text)
{
    WriteEventLog(EventType::AuditSuccess, EventCategory::Diagnostics, EventId::Diagnostic, {text});
}

void RecordPostAnswer(const QString &text)
{
    WriteEventLog(EventType::Information, EventCategory::Diagnostics, EventId::Diagnostic, {text});
}

void RecordOperationFailure(const QString &prefix, const std::exception &error)
{
    WriteEventLog(EventType::Error, EventCategory::Diagnostics, EventId::Diagnostic, {prefix + ExceptionText(error)});
}

void RecordErrorAnswer(const QString &method, const QString &what, const QString &answer)
{
    WriteEventLog(EventType::Error, EventCategory::Exchange, EventId::RequestFailed, {method, what, answer});
}
