#pragma once
// The one place that writes the certificate list's SQL: which rows it lists
// (every certificate, or only those the last search found), in which order,
// and the count of those rows. The count asks SQLite for the number alone,
// without the list's order, so no row is fetched or sorted for it.
#include "SqlQuery.h"

#include <QString>
#include <QtGlobal>

// The list is read a page at a time.
constexpr qint64 ListPageSize = 1000;

// The order of the list: by a column of mcod, up or down. Certificates of the
// same LastDate follow their id, the later one nearer the newest end, so a new
// certificate shows at the top of the newest-first list.
struct ListOrder {
    QString field = QStringLiteral("LastDate");
    bool descending = true;
    bool operator==(const ListOrder &) const = default;
};

// What the list shows. The default is the list as it is first shown: every
// certificate, newest first.
struct ListView {
    ListOrder order;
    bool foundOnly = false; // only the rows the search left marked TRUE in pFilter
    bool operator==(const ListView &) const = default;
};

QString ListSelectSql(const ListView &view);
// Counts the rows the list shows through its filter (empty: none); a filter
// of alternatives is counted alternative by alternative.
QString ListCountSql(const ListView &view, const SqlFragment &filter);
qint64 CountListRows(SqliteDatabase &db, const ListView &view, const SqlFragment &filter);

// Puts the view's SQL into the list query (which closes it); its row window and
// filter stay. A list ordered by date can also be read from its far end.
void SetListView(SqlQuery &list, const ListView &view);
