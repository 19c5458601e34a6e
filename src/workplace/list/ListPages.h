#pragma once
// The certificate list is shown in pages of a thousand. The list runs newest
// first, and the tabs count from the oldest thousand ("1000") up, so the last
// tab shows the newest certificates: the remainder over whole thousands, or a
// full thousand.
#include "ListSql.h"

#include <QString>
#include <QtGlobal>

// One tab per started thousand; none for an empty list.
int ListTabCount(qint64 listCount);
// "1000", "2000", ...: the upper end of the thousand of the tab at `tabIndex`
// (from 0).
QString ListTabLabel(int tabIndex);

// Which rows of the list a tab shows.
struct ListRowWindow {
    qint64 offset = 0;
    qint64 limit = 0;
    bool operator==(const ListRowWindow &) const = default;
};
// The rows of tab `tabIndex` (from 0; -1 when no tab is selected, which shows
// the first thousand rows).
ListRowWindow ListPageWindow(qint64 listCount, int tabIndex);
// Sets the list query to read the rows of that tab; a tab nearer the end of the
// list than its start is read from the end where the query allows it.
void SetListPageWindow(SqlQuery &list, qint64 listCount, int tabIndex);
