#pragma once
// The database-in-use interlock: the program-wide option NetGuid holds the
// identifier of the run that works on the database. Taking and giving it
// back each read and write the option in one immediate transaction, so two
// runs starting together cannot both find it free.
#include <QString>

class SqliteDatabase;

inline const QString InterlockOptionName = QStringLiteral("NetGuid");

class DatabaseInterlock {
public:
    explicit DatabaseInterlock(SqliteDatabase &database) : m_db(database) {}

    // The identifier stored now; empty when the database is free.
    QString holder();
    // Stores RunId when the interlock is free. Returns the other run's
    // identifier when it is not (nothing is written then), else empty.
    QString claim(const QString &runId);
    // Empties the interlock whoever holds it.
    void clear();
    // Empties the interlock when it holds RunId; true when it did.
    bool release(const QString &runId);

private:
    QString read();
    void write(const QString &value);

    SqliteDatabase &m_db;
};
