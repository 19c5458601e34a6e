#include "DatabaseInterlock.h"

#include "DataTessal.h"
#include "SqliteDatabase.h"

// The option is stored as the data module's SaveOption stores it: user name,
// parameter name and value as UTF-16LE blobs.

QString DatabaseInterlock::read()
{
    SqliteStatement query(m_db, QStringLiteral("select Value from Options where (UserName = :UserName) and "
                                               "(ParamName = :ParamName)"));
    query.bindWideBlob(QStringLiteral("UserName"), CommonUser);
    query.bindWideBlob(QStringLiteral("ParamName"), InterlockOptionName);
    return query.step() ? WideTextFromBytes(query.columnBlob(0)) : QString();
}

void DatabaseInterlock::write(const QString &value)
{
    SqliteStatement remove(m_db, QStringLiteral("delete from Options where (UserName = :UserName) and "
                                                "(ParamName = :ParamName)"));
    remove.bindWideBlob(QStringLiteral("UserName"), CommonUser);
    remove.bindWideBlob(QStringLiteral("ParamName"), InterlockOptionName);
    remove.execute();
    SqliteStatement insert(m_db, QStringLiteral("INSERT INTO Options (UserName,ParamName,Value) VALUES "
                                                "(:UserName,:ParamName,:Value)"));
    insert.bindWideBlob(QStringLiteral("UserName"), CommonUser);
    insert.bindWideBlob(QStringLiteral("ParamName"), InterlockOptionName);
    insert.bindWideBlob(QStringLiteral("Value"), value);
    insert.execute();
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
