#include "GGDateTime.h"
#include "DayNumbers.h"
#include "ggError.h"

namespace {
std::function<QDateTime()> &clockSlot()
{
    static std::function<QDateTime()> clock;
    return clock;
}

QString twoDigits(int value) { return QString::number(value).rightJustified(2, QLatin1Char('0')); }
} // namespace

uint32_t DateToDayNumber(const QDate &date)
{
    if (!date.isValid())
        throw AppError(QStringLiteral("Неверная дата"));
    const int64_t day = DayNumberOf(date);
    if (day < 0 || day > int64_t(UINT32_MAX))
        throw AppError(QStringLiteral("Дата вне допустимого диапазона"));
    return uint32_t(day);
}

uint32_t DateToDayNumber(const QDateTime &dateTime) { return DateToDayNumber(dateTime.date()); }

QByteArray YearLastDigit(const QDate &date)
{
    const QByteArray year = QByteArray::number(date.year());
    return year.right(1);
}

QString FormatDate(const QDate &date)
{
    if (!date.isValid())
        return QString();
    return twoDigits(date.day()) + QLatin1Char('.') + twoDigits(date.month()) + QLatin1Char('.')
        + QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
}

QString FormatDayNumber(int64_t dayNumber) { return FormatDate(DateOfDayNumber(dayNumber)); }

QString FormatTime(const QTime &time)
{
    return twoDigits(time.hour()) + QLatin1Char(':') + twoDigits(time.minute()) + QLatin1Char(':')
        + twoDigits(time.second()) + QLatin1Char('.')
        + QString::number(time.msec()).rightJustified(3, QLatin1Char('0'));
}

QString FormatDateTime(const QDateTime &dateTime)
{
    return FormatDate(dateTime.date()) + QLatin1Char(' ') + FormatTime(dateTime.time());
}

QDate ParseDate(const QString &text)
{
    if (text.size() != 10 || text[2] != QLatin1Char('.') || text[5] != QLatin1Char('.'))
        return QDate();
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!text[i].isDigit() || text[i].unicode() > 127)
            return QDate();
    return QDate(text.mid(6, 4).toInt(), text.mid(3, 2).toInt(), text.left(2).toInt());
}

QDateTime Now()
{
    auto &clock = clockSlot();
    return clock ? clock() : QDateTime::currentDateTime();
}

QDate Today() { return Now().date(); }

void SetClock(std::function<QDateTime()> clock) { clockSlot() = std::move(clock); }
