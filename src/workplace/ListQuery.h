#pragma once
// What the certificate list asks of its query ASQM: the sort order a title
// click gives, the own-certificates filter, and the count of the rows the
// query lists.
#include "DataSet.h"
#include "SqlQuery.h"

#include <QString>

// The list as it is first shown: newest first.
inline const QString PlainListSql = QStringLiteral("select * from mcod order by LastDate desc");

// The SQL after a click on the title of a column showing the field, or a null
// text when a field of that type does not sort. Texts, integers and blobs sort
// by their own column, up, and down on the second click; date fields switch
// the order of LastDate.
QString SortedListSql(const QString &currentSql, const QString &fieldName, FieldType fieldType);

// The own-certificates filter of a user: the user's own projects and issued
// certificates (status 5 as well: issued, its attached file not yet sent), and
// every certificate whose status the user changed. The name is a bound value.
SqlFragment MyOnlyFilter(const QString &userName);
// Two filters select the same rows: same text, same values.
bool SameFilter(const SqlFragment &a, const SqlFragment &b);

// Counts the rows the query shows when it is opened without a row window: its
// own SQL, parameters and filter.
QString ListCountSql(const SqlQuery &list);
qint64 CountListedRows(SqlQuery &list);
