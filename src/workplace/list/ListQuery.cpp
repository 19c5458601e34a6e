#include "ListQuery.h"

#include "CommonTessal.h"
#include "DatabaseSchema.h"
#include "SqliteDatabase.h"
#include "ggError.h"

namespace {

const QString MyOnlyUserParam = QStringLiteral("ListUser");

bool SortsByOwnColumn(FieldType type)
{
    switch (type) {
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo:
    case FieldType::Integer:
    case FieldType::AutoInc:
    case FieldType::Blob:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<ListOrder> SortedListOrder(const ListOrder &current, const QString &fieldName, FieldType fieldType)
{
    if (SortsByOwnColumn(fieldType)) {
        // Sorted up by this very column already: down; any other case: up.
        const bool down = !current.descending && current.field == fieldName;
        return ListOrder{fieldName, down};
    }
    if (fieldType == FieldType::Date || fieldType == FieldType::DateTime)
        return ListOrder{QStringLiteral("LastDate"), !current.descending};
    return std::nullopt;
}

SqlFragment MyOnlyFilter(const QString &userName)
{
    // Each alternative has its index in the list's order (MCodeOwn and
    // MCodeChanger), so a page of the list is a range read for every user;
    // the status condition is written as the partial index MCodeOwn has it.
    SqlFragment filter;
    filter.alternatives = {QStringLiteral("(Expert = :ListUser) and (") + Schema::OwnStatusCondition + QStringLiteral(")"),
                           QStringLiteral("BadExpert = :ListUser")};
    filter.text = QStringLiteral("(") + filter.alternatives[0] + QStringLiteral(") or (") + filter.alternatives[1]
        + QStringLiteral(")");
    filter.params.add(MyOnlyUserParam, SqlParam::Type::Text).setText(userName);
    return filter;
}

bool SameFilter(const SqlFragment &a, const SqlFragment &b)
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() == b.isEmpty();
    if (a.text != b.text || a.params.count() != b.params.count())
        return false;
    for (int i = 0; i < a.params.count(); ++i) {
        const SqlParam &p = a.params.at(i);
        const SqlParam *q = b.params.find(p.name());
        if (!q || q->type() != p.type() || q->value() != p.value())
            return false;
    }
    return true;
}

qint64 CountListedRows(SqlQuery &list)
{
    if (!list.database() || !list.database()->isOpen())
        throw AppError(QStringLiteral("Database is not open"));
    const SqlFragment none;
    return CountListRows(*list.database(), App().ListQueryView, list.filtered() ? list.filter() : none);
}

QVariantList ListCountKey(SqlQuery &list)
{
    const SqlFragment none;
    const SqlFragment &filter = list.filtered() ? list.filter() : none;
    QVariantList key{ListCountSql(App().ListQueryView, filter)};
    for (int i = 0; i < filter.params.count(); ++i)
        key << filter.params.at(i).name() << filter.params.at(i).value();
    return key;
}
