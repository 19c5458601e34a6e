#include "GGStringList.h"

#include <algorithm>

namespace {

bool needsQuotes(const QString &item)
{
    return std::any_of(item.cbegin(), item.cend(), [](QChar c) {
        return c.unicode() <= 0x20 || c == QLatin1Char(',') || c == QLatin1Char('"');
    });
}

QString quoted(QString item)
{
    item.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + item + QLatin1Char('"');
}

} // namespace

QString CommaText(const QStringList &items)
{
    if (items.size() == 1 && items.first().isEmpty())
        return QStringLiteral("\"\"");
    QStringList written;
    written.reserve(items.size());
    for (const QString &item : items)
        written.append(needsQuotes(item) ? quoted(item) : item);
    return written.join(QLatin1Char(','));
}
