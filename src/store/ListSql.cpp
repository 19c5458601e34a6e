#include "ListSql.h"

#include "CommonTessal.h"
#include "SqliteDatabase.h"

namespace {

const QString FoundOnly = QStringLiteral("(pFilter = 'TRUE')");

bool ByLastDate(const ListOrder &order)
{
    return order.field.compare(QLatin1String("LastDate"), Qt::CaseInsensitive) == 0;
}

QString OrderClause(const ListOrder &order)
{
    const QString direction = order.descending ? QStringLiteral(" desc") : QString();
    QString text = order.field + direction;
    // Rows of one day by their id, which numbers certificates as they come,
    // along the index MCodeDateId.
    if (ByLastDate(order))
        text += QStringLiteral(", id") + direction;
    return text;
}

QString OrderBy(const ListOrder &order)
{
    return QStringLiteral(" order by ") + OrderClause(order);
}

} // namespace

QString ListSelectSql(const ListView &view)
{
    QString text = QStringLiteral("select * from mcod");
    if (view.foundOnly)
        text += QStringLiteral(" where ") + FoundOnly;
    return text + OrderBy(view.order);
}

QString ListCountSql(const ListView &view, const SqlFragment &filter)
{
    QStringList conditions;
    if (view.foundOnly)
        conditions << FoundOnly;
    if (!filter.isEmpty() && !filter.alternatives.isEmpty()) {
        // A filter of alternatives: the rows of each that no alternative
        // before it has, counted along that alternative's index alone.
        QStringList counts;
        QStringList before;
        for (const QString &alternative : filter.alternatives) {
            QStringList these = conditions;
            these << QStringLiteral("(") + alternative + QStringLiteral(")");
            for (const QString &earlier : before)
                these << QStringLiteral("((") + earlier + QStringLiteral(") IS NOT TRUE)");
            counts << QStringLiteral("(select count(*) from mcod where ") + these.join(QStringLiteral(" and "))
                    + QStringLiteral(")");
            before << alternative;
        }
        return QStringLiteral("select ") + counts.join(QStringLiteral(" + ")) + QStringLiteral(" as mr");
    }
    if (!filter.isEmpty())
        conditions << QStringLiteral("(") + filter.text + QStringLiteral(")");
    QString text = QStringLiteral("select count(*) as mr from mcod");
    if (!conditions.isEmpty())
        text += QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
    return text;
}

qint64 CountListRows(SqliteDatabase &db, const ListView &view, const SqlFragment &filter)
{
    SqliteStatement count(db, ListCountSql(view, filter));
    filter.params.bindTo(count);
    return count.step() ? count.columnInteger(0) : 0;
}

void SetListView(SqlQuery &list, const ListView &view)
{
    list.setSql(ListSelectSql(view));
    // Ordered by date and id, every row has its one place, so the oldest pages
    // can be read from the oldest end with the same rows in the same order.
    if (ByLastDate(view.order)) {
        ListView reversed = view;
        reversed.order.descending = !view.order.descending;
        list.setReversedSql(ListSelectSql(reversed), OrderClause(view.order), OrderClause(reversed.order));
    }
    App().ListQueryView = view;
}
