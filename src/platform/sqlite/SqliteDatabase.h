#pragma once
// Stands for the SQLite components: one connection, prepared statements with
// named parameters (":name") and a transaction guard. Every failure raises
// AppError carrying SQLite's own message.
#include <QByteArray>
#include <QString>
#include <QVariant>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// A stored value its column's type does not convert, where it was met.
struct UnreadableValue {
    QString table;  // empty when the column is an expression
    QString rowId;  // the row's "id" column, else its number in the result
    QString column;
    QString reason; // the conversion's error text
};
// Told of each such value; the reader then takes the value as null.
using UnreadableValueHandler = std::function<void(const UnreadableValue &)>;

// Whether the file may have changed between two moments: which opening of
// the connection, the rows changed through it so far, and SQLite's counters
// of commits by other connections and of schema changes. Equal stamps mean
// that a statement read again would give the same rows.
struct SqliteChangeStamp {
    quint64 opening = 0;
    qint64 ownChanges = 0;
    qint64 otherCommits = 0;
    qint64 schemaVersion = 0;
    bool operator==(const SqliteChangeStamp &) const = default;
};

// One connection to a database file, in rollback-journal mode (journal_mode=DELETE)
// with a busy timeout, so two programs can share the file.
class SqliteDatabase {
public:
    enum class OpenMode { CreateIfMissing, MustExist, ReadOnly };
    static constexpr int DefaultBusyTimeoutMs = 10000;

    SqliteDatabase() = default;
    explicit SqliteDatabase(const QString &fileName, OpenMode mode = OpenMode::CreateIfMissing);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    void open(const QString &fileName, OpenMode mode = OpenMode::CreateIfMissing);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString fileName() const { return m_fileName; }

    void setBusyTimeout(int milliseconds);
    // Runs one or more statements without parameters or results.
    void exec(const QString &sql);
    bool tableExists(const QString &name);
    qint64 lastInsertRowId() const;
    int changes() const;
    bool inTransaction() const;
    // Raises when closed.
    SqliteChangeStamp changeStamp();

    // Without a handler a reader raises on a value its column's type does not
    // convert; with one it reports the value and reads it as null.
    void setUnreadableValueHandler(UnreadableValueHandler handler) { m_unreadable = std::move(handler); }
    const UnreadableValueHandler &unreadableValueHandler() const { return m_unreadable; }

    sqlite3 *handle() const; // raises when closed
    // Raises AppError with the connection's current message, prefixed by context when given.
    [[noreturn]] void raise(const QString &context = QString()) const;

private:
    sqlite3 *m_db = nullptr;
    QString m_fileName;
    UnreadableValueHandler m_unreadable;
    quint64 m_opening = 0; // numbers every opening of every connection of the process
};

// A prepared statement. Parameters are bound by name (":name", the colon may be
// left out) or by 1-based index; columns are read by 0-based index.
class SqliteStatement {
public:
    enum class ColumnType { Integer, Float, Text, Blob, Null };

    SqliteStatement(SqliteDatabase &db, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    int parameterCount() const;
    QString parameterName(int index) const; // 1-based, without the colon
    int parameterIndex(const QString &name) const; // 0 when the statement has no such parameter
    bool hasParameter(const QString &name) const { return parameterIndex(name) > 0; }

    void bindInteger(const QString &name, qint64 value);
    void bindText(const QString &name, const QString &value);      // stored as UTF-8 text
    void bindBlob(const QString &name, const QByteArray &value);   // an empty array is an empty blob, not null
    void bindWideBlob(const QString &name, const QString &value);  // raw UTF-16LE, no mark, no terminator
    void bindDouble(const QString &name, double value);
    void bindNull(const QString &name);
    // Binds by the variant's type: invalid or null → null, integers and bools → integer,
    // double → float, QByteArray → blob, anything else → UTF-8 text.
    void bindValue(int index, const QVariant &value);
    void bindValue(const QString &name, const QVariant &value);
    void clearBindings();

    // Runs one step: true when a row is ready, false when the statement is done.
    bool step();
    // Runs the statement to its end, ignoring rows.
    void execute();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    QString columnDeclaredType(int column) const; // empty for expressions
    QString columnTableName(int column) const;    // empty for expressions
    ColumnType columnType(int column) const;
    bool isNull(int column) const { return columnType(column) == ColumnType::Null; }
    qint64 columnInteger(int column) const;
    double columnDouble(int column) const;
    QString columnText(int column) const;       // UTF-8 decoded
    QByteArray columnBlob(int column) const;    // the bytes as stored
    QVariant columnValue(int column) const;     // by storage class; null → invalid QVariant

private:
    int requireIndex(const QString &name) const;
    void check(int rc, const char *what) const;

    SqliteDatabase &m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// Opens a transaction; rolls it back in its destructor unless commit() ran.
class SqliteTransaction {
public:
    enum class Kind { Deferred, Immediate };
    explicit SqliteTransaction(SqliteDatabase &db, Kind kind = Kind::Deferred);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction &) = delete;
    SqliteTransaction &operator=(const SqliteTransaction &) = delete;

    void commit();
    void rollback();
    bool isOpen() const { return m_open; }

private:
    SqliteDatabase &m_db;
    bool m_open = false;
};

// Raw UTF-16LE bytes of a text: no byte-order mark, no terminator.
QByteArray WideTextBytes(const QString &text);
// Text of raw UTF-16LE bytes; an odd last byte is read as the low byte of a
// code unit whose high byte is zero.
QString WideTextFromBytes(const QByteArray &bytes);
