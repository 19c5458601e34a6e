#pragma once
// Stands for the SQLite query component: SQL text with named parameters,
// open (rows read into the dataset), ExecSQL, refresh, a filter that is an SQL
// fragment with its own bound values, and an optional row window (offset, limit).
#include "DataSet.h"
#include "SqliteDatabase.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <utility>

class SqliteDatabase;
class SqliteStatement;

// One named parameter: a type and a value (invalid QVariant = null).
class SqlParam {
public:
    enum class Type { Unknown, Integer, Text, Blob, Float, Boolean };

    SqlParam() = default;
    explicit SqlParam(const QString &name, Type type = Type::Unknown) : m_name(name), m_type(type) {}

    const QString &name() const { return m_name; }
    Type type() const { return m_type; }
    void setType(Type type) { m_type = type; }
    const QVariant &value() const { return m_value; }
    bool isNull() const { return !m_value.isValid(); }

    void setInteger(qint64 value) { set(Type::Integer, QVariant(value)); }
    void setText(const QString &value) { set(Type::Text, QVariant(value.isNull() ? QString("") : value)); }
    void setBlob(const QByteArray &value) { set(Type::Blob, QVariant(value.isNull() ? QByteArray("") : value)); }
    void setFloat(double value) { set(Type::Float, QVariant(value)); }
    void setBoolean(bool value) { set(Type::Boolean, QVariant(value)); }
    // Takes the type from the variant unless the parameter already has one.
    void setValue(const QVariant &value);
    void clear() { m_value = QVariant(); } // null, the type stays

    qint64 asInteger() const; // 0 when null
    QString asText() const;   // "" when null; blobs as UTF-8
    QByteArray asBytes() const; // "" when null; texts as UTF-8

    // Binds into a prepared statement under its own name. Booleans are stored as 1 and 0.
    void bindTo(SqliteStatement &statement) const;

private:
    friend class SqlParams;
    void set(Type type, const QVariant &value) { m_type = type; m_value = value; }

    QString m_name;
    Type m_type = Type::Unknown;
    QVariant m_value;
};

// The parameters of one statement, in order of first appearance.
class SqlParams {
public:
    int count() const { return int(m_list.size()); }
    SqlParam &at(int index);
    const SqlParam &at(int index) const;
    SqlParam *find(const QString &name);
    const SqlParam *find(const QString &name) const;
    SqlParam &byName(const QString &name); // raises "Parameter 'x' not found"
    SqlParam &add(const QString &name, SqlParam::Type type = SqlParam::Type::Unknown);
    SqlParam &add(const QString &name, const QVariant &value);
    void clear() { m_list.clear(); }
    // Rebuilds the list from the ":name" markers of an SQL text; parameters that
    // stay keep their type and value.
    void parseFrom(const QString &sql);
    // Copies type and value of every parameter of `other` that this list also has
    // (a statement that splices a filter fragment takes the fragment's values so).
    void assignFrom(const SqlParams &other);
    void bindTo(SqliteStatement &statement) const;

private:
    QList<SqlParam> m_list;
};

// A piece of SQL (a condition) with the values its ":name" markers stand for.
struct SqlFragment {
    QString text;
    SqlParams params;
    // Optional: conditions over the same values whose rows together are
    // exactly the rows of `text`. A query that knows its order reads each of
    // them apart and merges them in that order, so an index that follows the
    // order for one alternative serves a window of the list as a range read,
    // where the whole condition would be tested row by row. The rows must
    // differ from one another (a unique column among them).
    QStringList alternatives;
    bool isEmpty() const { return text.trimmed().isEmpty(); }
};

// The ":name" markers of an SQL text, outside quotes, brackets and comments.
QStringList SqlParameterNames(const QString &sql);

// A read-only dataset over one SELECT, or a prepared statement run by execSql().
class SqlQuery : public DataSet {
    Q_OBJECT
public:
    explicit SqlQuery(SqliteDatabase *database = nullptr, QObject *parent = nullptr);
    ~SqlQuery() override;

    void setDatabase(SqliteDatabase *database);
    SqliteDatabase *database() const { return m_db; }
    void setSql(const QString &sql); // closes the query
    const QString &sql() const { return m_sql; }
    SqlParams &params() { return m_params; }
    SqlParam &paramByName(const QString &name) { return m_params.byName(name); }

    void open();
    void close();
    void refresh(); // reads again, keeping the current row where possible
    // Runs the statement without a result set; the prepared statement is kept
    // for the next run with the same text.
    void execSql();
    int rowsAffected() const { return m_rowsAffected; }

    // The filter is applied by SQL when the query opens; its values are bound, never pasted.
    void setFilter(const SqlFragment &filter) { m_filter = filter; }
    const SqlFragment &filter() const { return m_filter; }
    void setFiltered(bool on) { m_filtered = on; }
    bool filtered() const { return m_filtered; }
    // Rows from offset on, at most limit of them (limit < 0: no limit).
    void setRowWindow(qint64 offset, qint64 limit);
    void clearRowWindow() { setRowWindow(0, -1); }

    // Reading from the far end. An ordered query reaches its last rows only by
    // stepping over every row before them. Given the same rows in the opposite
    // order and the query's own order as a clause over its columns (which must
    // order every row, ties included), a window counted from the end is read
    // from that end and put back in the query's order. setSql forgets both.
    // With the reversed order clause as well, a filter's alternatives are read
    // apart and merged (see SqlFragment).
    void setReversedSql(const QString &reversedSql, const QString &orderClause,
                        const QString &reversedOrderClause = QString());
    bool canReadFromEnd() const { return !m_reversedSql.isEmpty(); }
    // `limit` rows that end `rowsAfter` rows before the last one.
    void setRowWindowFromEnd(qint64 rowsAfter, qint64 limit);

    // Reads the rows unless those it holds are what a read would give now:
    // the same statement, values and window, over a database in which nothing
    // has been written since (through any connection); a shorter window from
    // the same row of a query whose order places every row (see
    // setReversedSql) keeps the first of the rows held. True when the rows
    // changed (read or shortened); false when they stay as they are.
    bool reopenWhenStale();
    // Told that what was written through its own connection between two
    // stamps left its rows alone (the caller wrote other tables only): rows
    // current at `before` stay current when nothing else changed by `after`.
    void keepRowsOverOwnWrites(const SqliteChangeStamp &before, const SqliteChangeStamp &after);

    // The statement that open() runs, and the window values it binds.
    QString selectSql() const;
    qint64 rowOffset() const { return m_offset; }
    qint64 rowLimit() const { return m_limit; }

private:
    // What a read depends on besides the file: the statement and every value bound.
    struct ReadKey {
        QString sql;
        QVariantList values;
        bool operator==(const ReadKey &) const = default;
    };
    ReadKey readKey() const;
    std::shared_ptr<RowTable> readRows(bool defineFields);
    SqliteDatabase &requireDatabase() const;

    SqliteDatabase *m_db = nullptr;
    QString m_sql;
    SqlParams m_params;
    SqlFragment m_filter;
    bool m_filtered = false;
    qint64 m_offset = 0;
    qint64 m_limit = -1;
    bool m_fromEnd = false; // the window counts from the end
    QString m_reversedSql;
    QString m_orderClause;
    QString m_reversedOrderClause;
    // What the rows held were read with, and the file's stamp at that moment.
    std::optional<std::pair<ReadKey, SqliteChangeStamp>> m_read;
    int m_rowsAffected = 0;
    std::unique_ptr<SqliteStatement> m_prepared;
    void *m_preparedOn = nullptr;
};
