#include "ListPages.h"

int ListTabCount(qint64 listCount)
{
    if (listCount <= 0)
        return 0;
    return int(listCount / ListPageSize + (listCount % ListPageSize ? 1 : 0));
}

QStringList ListTabLabels(int tabCount)
{
    QStringList labels;
    for (int i = 1; i <= tabCount; ++i)
        labels << QString::number(i * ListPageSize);
    return labels;
}

ListRowWindow ListPageWindow(qint64 listCount, int tabIndex)
{
    const qint64 before = qint64(tabIndex) * ListPageSize; // rows of the tabs below this one
    const qint64 start = listCount - before - ListPageSize;
    if (start < 0)
        return {0, std::max<qint64>(0, listCount - before)};
    return {start, ListPageSize};
}
