#pragma once
// What the certificate list asks of its query ASQM: the order a title click
// gives, the own-certificates filter, and the count of the rows the query
// lists. The SQL itself is written in one place, ListSql.
#include "DataSet.h"
#include "ListSql.h"
#include "SqlQuery.h"

#include <QString>

#include <optional>

// The order after a click on the title of a column showing the field, or none
// when a field of that type does not sort. Texts, integers and blobs sort by
// their own column, up, and down on the second click; date fields switch the
// order of LastDate.
std::optional<ListOrder> SortedListOrder(const ListOrder &current, const QString &fieldName, FieldType fieldType);

// The own-certificates filter of a user: the user's own projects and issued
// certificates (status 5 as well: issued, its attached file not yet sent), and
// every certificate whose status the user changed. The name is a bound value.
SqlFragment MyOnlyFilter(const QString &userName);
// Two filters select the same rows: same condition, same values.
bool SameFilter(const SqlFragment &a, const SqlFragment &b);

// Counts the rows the list query shows without a row window: what the list
// lists (ListQueryView of the application state) through the query's filter.
qint64 CountListedRows(SqlQuery &list);
// The count statement CountListedRows runs now and the values it binds: two
// counts with equal keys over an unchanged database give the same number.
QVariantList ListCountKey(SqlQuery &list);
