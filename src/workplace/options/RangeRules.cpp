#include "RangeRules.h"

#include "BorinWin.h"
#include "DataTessal.h"
#include "GGDateTime.h"
#include "StrictDecimal.h"

std::optional<uint32_t> ParseRangeEdit(const QString &text)
{
    // Digits only: no sign, at most six of them.
    if (text.size() > 6 || text.isEmpty() || !text.front().isDigit())
        return std::nullopt;
    const std::optional<qint64> value = ParseStrictDecimal(text.toLatin1());
    if (!value)
        return std::nullopt;
    return uint32_t(*value);
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
