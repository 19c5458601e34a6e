#include "RangeRules.h"

#include "BorinWin.h"
#include "DataTessal.h"
#include "GGDateTime.h"

std::optional<uint32_t> ParseRangeEdit(const QString &text)
{
    if (text.isEmpty() || text.size() > 6)
        return std::nullopt;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    return text.toUInt();
}

QByteArray UsedNumberInRange(TDM &dm, uint32_t min, uint32_t max)
{
    SqlQuery &query = dm.ALQueryWork;
    query.close();
    query.setFiltered(false);
    query.params().clear();
    query.setSql(QStringLiteral("select NumNum,ReferenceNo from mcod where (GNum = :GNum) and (NumNum >= :NumMin) "
                                "and (NumNum <= :NumMax) and ( (status = 10) or (status = 7) or (status = 9) )"));
    query.paramByName(QStringLiteral("GNum")).setInteger(YearLastDigit(Today()).toInt());
    query.paramByName(QStringLiteral("NumMin")).setInteger(min);
    query.paramByName(QStringLiteral("NumMax")).setInteger(max);
    try {
        query.open();
        const QByteArray found =
            query.eof() ? QByteArray() : query.fieldByName(QStringLiteral("ReferenceNo")).asBytes();
        query.close();
        return found;
    } catch (...) {
        query.close();
        throw;
    }
}

QString RangeEditText(uint32_t value)
{
    return PadLeftW(QString::number(value), QLatin1Char('0'), 6);
}
