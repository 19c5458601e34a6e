#include "CommonTessal.h"
#include "BorinWin.h"
#include "DayNumbers.h"
#include "GGDateTime.h"
#include "ggDebug.h"
#include "ggError.h"

#include <optional>

TessalState &App()
{
    static TessalState state;
    return state;
}

void ResetAppState()
{
    TessalState &state = App();
    state.~TessalState();
    new (&state) TessalState();
}

void WriteEventLog(uint16_t eventType, uint16_t category, uint32_t eventId, const QStringList &strings)
{
    try {
        ReportEventLog(EventSource, eventType, category, strings, eventId);
    } catch (...) {
    }
}

void LogException(const QByteArray &location, const QByteArray &message)
{
    WriteEventLog(EventType::Error, EventCategory::UserAction, EventId::ExceptionCaught,
                  {QLatin1Char('[') + App().CurrentUserName + QLatin1Char(']') + QString::fromUtf8(location),
                   QString::fromUtf8(message)});
    SetDateFormats();
}

void LogException(const QByteArray &location, const std::exception &error)
{
    LogException(location, ExceptionText(error).toUtf8());
}

void LogFunctionFailure(const QByteArray &location, const QString &message)
{
    WriteEventLog(EventType::Warning, EventCategory::FunctionFailure, EventId::FunctionFailed,
                  {QStringLiteral("function ") + QString::fromUtf8(location), message});
}

namespace {
std::optional<int64_t> dayNumberOf(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().isValid() ? std::optional<int64_t>(DayNumberOf(value.toDate())) : std::nullopt;
    case QMetaType::QDateTime:
        return value.toDateTime().isValid()
            ? std::optional<int64_t>(DayNumberOf(value.toDateTime().date()))
            : std::nullopt;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
        return value.toLongLong();
    case QMetaType::Double:
        return int64_t(value.toDouble());
    case QMetaType::QString: {
        const QDate date = ParseDate(value.toString());
        if (date.isValid())
            return DayNumberOf(date);
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}
} // namespace

QByteArray MakeReferenceNo(int32_t number)
{
    return YearLastDigit(Today()) + PadLeft(QByteArray::number(App().ChamberNumber), '0', 3)
        + PadLeft(QByteArray::number(number), '0', 6);
}

QString StatusName(uint8_t status)
{
    switch (status) {
    case 6: return QStringLiteral("проект");
    case 7: return QStringLiteral("выдан");
    case 8: return QStringLiteral("испорчен бланк");
    case 9: return QStringLiteral("аннулирован");
    case 10: return QStringLiteral("дубликат");
    default: return QStringLiteral("неизвестен");
    }
}

int32_t LaterDayNumber(const QVariant &a, const QVariant &b)
{
    const auto dayA = dayNumberOf(a);
    if (!dayA)
        return 0;
    const auto dayB = dayNumberOf(b);
    if (!dayB)
        return int32_t(*dayA);
    return int32_t(std::max(*dayA, *dayB));
}

void SetDateFormats() {}

bool IsWellFormedReferenceNo(const QByteArray &referenceNo)
{
    if (referenceNo.size() != 10)
        return false;
    for (char c : referenceNo)
        if (c < '0' || c > '9')
            return false;
    return true;
}
