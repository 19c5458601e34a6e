#include "ListQuery.h"

#include "SqliteDatabase.h"
#include "ggError.h"

#include <QRegularExpression>

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

QString LastWord(const QString &sql)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList words = sql.split(blanks, Qt::SkipEmptyParts);
    return words.isEmpty() ? QString() : words.last();
}

QString ListBody(const SqlQuery &list)
{
    QString body = list.sql().trimmed();
    while (body.endsWith(u';'))
        body.chop(1);
    return body;
}

} // namespace

QString SortedListSql(const QString &currentSql, const QString &fieldName, FieldType fieldType)
{
    const QString last = LastWord(currentSql);
    const bool descending = last == QLatin1String("desc");
    if (SortsByOwnColumn(fieldType)) {
        if (!descending && last == fieldName)
            return QStringLiteral("select * from mcod order by ") + fieldName + QStringLiteral(" desc");
        return QStringLiteral("select * from mcod order by ") + fieldName;
    }
    if (fieldType == FieldType::Date || fieldType == FieldType::DateTime)
        return descending ? QStringLiteral("select * from mcod order by LastDate")
                          : QStringLiteral("select * from mcod order by LastDate desc");
    return QString();
}

SqlFragment MyOnlyFilter(const QString &userName)
{
    SqlFragment filter;
    filter.text = QStringLiteral("((Expert = :ListUser) and ((status = 7) or (status = 6) or (status = 5)))"
                                 " or (BadExpert = :ListUser)");
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

QString ListCountSql(const SqlQuery &list)
{
    QString text = QStringLiteral("SELECT count(*) AS mr FROM (\n") + ListBody(list) + QStringLiteral("\n)");
    if (list.filtered() && !list.filter().isEmpty())
        text += QStringLiteral(" WHERE (") + list.filter().text + QStringLiteral(")");
    return text;
}

qint64 CountListedRows(SqlQuery &list)
{
    if (!list.database() || !list.database()->isOpen())
        throw AppError(QStringLiteral("Database is not open"));
    SqliteStatement count(*list.database(), ListCountSql(list));
    list.params().bindTo(count);
    if (list.filtered() && !list.filter().isEmpty())
        list.filter().params.bindTo(count);
    return count.step() ? count.columnInteger(0) : 0;
}
