#include "ListPages.h"

#include <algorithm>

int ListTabCount(qint64 listCount)
{
    if (listCount <= 0)
        return 0;
    return int(listCount / ListPageSize + (listCount % ListPageSize ? 1 : 0));
}

QString ListTabLabel(int tabIndex)
{
    return QString::number((qint64(tabIndex) + 1) * ListPageSize);
}

ListRowWindow ListPageWindow(qint64 listCount, int tabIndex)
{
    const qint64 before = qint64(tabIndex) * ListPageSize; // rows of the tabs below this one
    const qint64 start = listCount - before - ListPageSize;
    if (start < 0)
        return {0, std::max<qint64>(0, listCount - before)};
    return {start, ListPageSize};
}

void SetListPageWindow(SqlQuery &list, qint64 listCount, int tabIndex)
{
    const ListRowWindow window = ListPageWindow(listCount, tabIndex);
    const qint64 rowsAfter = std::max<qint64>(0, listCount - window.offset - window.limit);
    if (rowsAfter < window.offset && list.canReadFromEnd())
        list.setRowWindowFromEnd(rowsAfter, window.limit);
    else
        list.setRowWindow(window.offset, window.limit);
}
