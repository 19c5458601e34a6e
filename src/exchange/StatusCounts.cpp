#include "StatusCounts.h"

#include "SqliteDatabase.h"

StatusCounters CountStatuses(SqliteDatabase &db)
{
    SqliteStatement count(db, QStringLiteral("select count(*) as mr from mcod where STATUS = :STATUS"));
    const auto countOf = [&count](int status) {
        count.reset();
        count.bindInteger(QStringLiteral("STATUS"), status);
        count.step();
        return int32_t(count.columnInteger(0));
    };
    StatusCounters counts;
    counts.StatusCount10 = countOf(10);
    counts.StatusCount8 = countOf(8);
    counts.StatusCount9 = countOf(9);
    counts.StatusCount7 = countOf(7);
    return counts;
}
