#pragma once
// The Options table of any database that has one (Tessal.sqb, temp.sqb): rows
// (UserName, ParamName, Value), all three UTF-16LE text in blobs without
// mark or terminator. Everything that reads or writes options (the data
// module, the interlock, Restavo's workers, the restore loader) does it here.
#include <QByteArray>
#include <QString>

#include <exception>

class SqliteDatabase;

// The user name of program-wide options.
inline const QString CommonUser = QStringLiteral("COMMON_USER");

class DatabaseOptions {
public:
    explicit DatabaseOptions(SqliteDatabase &db) : m_db(db) {}

    // The value; empty when there is no row. Raises AppError on failure.
    QString read(const QString &userName, const QString &paramName) const;
    // A program-wide option (COMMON_USER) as UTF-16LE, else as the 8-bit text
    // that older versions wrote. Raises AppError on failure.
    QString readCommon(const QString &paramName) const;
    // Replaces the row (delete, then insert) inside the caller's transaction.
    // Raises AppError on failure.
    void write(const QString &userName, const QString &paramName, const QString &value);
    // Replaces the row in a transaction of its own; on failure both steps are
    // rolled back and AppError is raised.
    void save(const QString &userName, const QString &paramName, const QString &value);

private:
    QByteArray readValue(const QByteArray &userName, const QByteArray &paramName) const;
    SqliteDatabase &m_db;
};

// The same, for callers that must not fail: a failure writes the warning
// record of a value-returning function (first string `failureText`, then the
// error's message) and gives empty text, or leaves the option as it was.
void RecordOptionFailure(const QString &failureText, const std::exception &error);
QString ReadOptionRecorded(SqliteDatabase &db, const QString &userName, const QString &paramName,
                           const QString &failureText);
void SaveOptionRecorded(SqliteDatabase &db, const QString &userName, const QString &paramName, const QString &value,
                        const QString &failureText);
