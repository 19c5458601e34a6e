#include "DatabaseInterlock.h"

#include "DatabaseOptions.h"
#include "SqliteDatabase.h"

QString DatabaseInterlock::read()
{
    return DatabaseOptions(m_db).read(CommonUser, InterlockOptionName);
}

void DatabaseInterlock::write(const QString &value)
{
    DatabaseOptions(m_db).write(CommonUser, InterlockOptionName, value);
}

QString DatabaseInterlock::holder()
{
    return read();
}

QString DatabaseInterlock::claim(const QString &runId)
{
    SqliteTransaction transaction(m_db, SqliteTransaction::Kind::Immediate);
    const QString present = read();
    if (!present.isEmpty())
        return present;
    write(runId);
    transaction.commit();
    return QString();
}

void DatabaseInterlock::clear()
{
    SqliteTransaction transaction(m_db, SqliteTransaction::Kind::Immediate);
    write(QString());
    transaction.commit();
}

bool DatabaseInterlock::release(const QString &runId)
{
    SqliteTransaction transaction(m_db, SqliteTransaction::Kind::Immediate);
    const QString present = read();
    if (present.isEmpty() || present != runId)
        return false;
    write(QString());
    transaction.commit();
    return true;
}
