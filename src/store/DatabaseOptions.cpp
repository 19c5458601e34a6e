#include "DatabaseOptions.h"
#include "AppError.h"
#include "CommonTessal.h"
#include "SqliteDatabase.h"

void RecordOptionFailure(const QString &failureText, const std::exception &error)
{
    WriteEventLog(EventType::Warning, EventCategory::FunctionFailure, EventId::FunctionFailed,
                  {failureText, ExceptionText(error)});
}

QByteArray DatabaseOptions::readValue(const QByteArray &userName, const QByteArray &paramName) const
{
    SqliteStatement select(
        m_db, QStringLiteral("select Value from Options where (UserName = :UserName) and  (ParamName = :ParamName)"));
    select.bindBlob(QStringLiteral("UserName"), userName);
    select.bindBlob(QStringLiteral("ParamName"), paramName);
    return select.step() ? select.columnBlob(0) : QByteArray();
}

QString DatabaseOptions::read(const QString &userName, const QString &paramName) const
{
    return WideTextFromBytes(readValue(WideTextBytes(userName), WideTextBytes(paramName)));
}

QString DatabaseOptions::readCommon(const QString &paramName) const
{
    const QByteArray wide = readValue(WideTextBytes(CommonUser), WideTextBytes(paramName));
    if (!wide.isEmpty())
        return WideTextFromBytes(wide);
    return QString::fromUtf8(readValue(CommonUser.toUtf8(), paramName.toUtf8()));
}

void DatabaseOptions::write(const QString &userName, const QString &paramName, const QString &value)
{
    SqliteStatement remove(
        m_db, QStringLiteral("delete from Options where (UserName = :UserName) and (ParamName = :ParamName)"));
    remove.bindWideBlob(QStringLiteral("UserName"), userName);
    remove.bindWideBlob(QStringLiteral("ParamName"), paramName);
    remove.execute();
    SqliteStatement insert(
        m_db, QStringLiteral("INSERT INTO Options (UserName,ParamName,Value) VALUES (:UserName,:ParamName,:Value);"));
    insert.bindWideBlob(QStringLiteral("UserName"), userName);
    insert.bindWideBlob(QStringLiteral("ParamName"), paramName);
    insert.bindWideBlob(QStringLiteral("Value"), value);
    insert.execute();
}

void DatabaseOptions::save(const QString &userName, const QString &paramName, const QString &value)
{
    SqliteTransaction transaction(m_db);
    write(userName, paramName, value);
    transaction.commit();
}

QString ReadOptionRecorded(SqliteDatabase &db, const QString &userName, const QString &paramName,
                           const QString &failureText)
{
    try {
        return DatabaseOptions(db).read(userName, paramName);
    } catch (const std::exception &e) {
        RecordOptionFailure(failureText, e);
        return QString();
    }
}

void SaveOptionRecorded(SqliteDatabase &db, const QString &userName, const QString &paramName, const QString &value,
                        const QString &failureText)
{
    try {
        DatabaseOptions(db).save(userName, paramName, value);
    } catch (const std::exception &e) {
        RecordOptionFailure(failureText, e);
    }
}
