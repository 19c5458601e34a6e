#include "SqlQuery.h"

#include "SqliteDatabase.h"
#include "AppError.h"

#include <QRegularExpression>

namespace {

const char *const LimitParam = "tessal_row_limit";
const char *const OffsetParam = "tessal_row_offset";

bool IsNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// The field type a declared column type stands for, as SQLite's affinity reads it,
// with BOOLEAN and DATE kept apart.
bool TypeFromDeclaration(const QString &declared, FieldType &type, int &size)
{
    const QString upper = declared.toUpper();
    if (upper.isEmpty())
        return false;
    static const QRegularExpression sizePattern("\\(\\s*([0-9]+)");
    const auto match = sizePattern.match(upper);
    size = match.hasMatch() ? match.captured(1).toInt() : 0;
    if (upper.contains("BOOL"))
        type = FieldType::Boolean;
    else if (upper.contains("INT"))
        type = FieldType::Integer;
    else if (upper.contains("DATETIME") || upper.contains("TIMESTAMP"))
        type = FieldType::DateTime;
    else if (upper.contains("DATE"))
        type = FieldType::Date;
    else if (upper.contains("CHAR") || upper.contains("CLOB") || upper.contains("TEXT"))
        type = FieldType::String;
    else if (upper.contains("BLOB"))
        type = FieldType::Blob;
    else if (upper.contains("REAL") || upper.contains("FLOA") || upper.contains("DOUB") || upper.contains("NUM") ||
             upper.contains("DEC"))
        type = FieldType::Float;
    else
        type = FieldType::String;
    if (type != FieldType::String && type != FieldType::Blob)
        size = 0;
    return true;
}

FieldType TypeFromStorage(SqliteStatement::ColumnType storage)
{
    switch (storage) {
    case SqliteStatement::ColumnType::Integer: return FieldType::Integer;
    case SqliteStatement::ColumnType::Float: return FieldType::Float;
    case SqliteStatement::ColumnType::Blob: return FieldType::Blob;
    default: return FieldType::String;
    }
}

// The row's "id" column, else its number in the result counted from 1.
QString RowIdText(const QList<FieldDef> &defs, const QList<QVariant> &values, qsizetype rowIndex)
{
    for (qsizetype c = 0; c < defs.size(); ++c)
        if (defs[c].name.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0 && values[c].isValid())
            return values[c].toString();
    return QString::number(rowIndex + 1);
}

// A stored value in its field's type. One that does not convert raises, or,
// when the database has a handler for it, is reported there and read as null.
QVariant StoredValue(const SqliteDatabase &db, const QList<FieldDef> &defs, const QStringList &tables,
                     const QList<QVariant> &values, int column, qsizetype rowIndex)
{
    try {
        return CoerceFieldValue(defs[column].type, values[column], defs[column].name);
    } catch (const AppError &error) {
        const UnreadableValueHandler &handler = db.unreadableValueHandler();
        if (!handler)
            throw;
        handler({tables[column], RowIdText(defs, values, rowIndex), defs[column].name, error.message()});
        return QVariant();
    }
}

} // namespace

// ---------------------------------------------------------------- parameters

void SqlParam::setValue(const QVariant &value)
{
    if (m_type == Type::Unknown && value.isValid()) {
        switch (value.typeId()) {
        case QMetaType::Bool: m_type = Type::Boolean; break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong: m_type = Type::Integer; break;
        case QMetaType::Double:
        case QMetaType::Float: m_type = Type::Float; break;
        case QMetaType::QByteArray: m_type = Type::Blob; break;
        default: m_type = Type::Text; break;
        }
    }
    if (!value.isValid() || value.isNull()) {
        m_value = QVariant();
        return;
    }
    switch (m_type) {
    case Type::Integer: m_value = CoerceFieldValue(FieldType::Integer, value, m_name); break;
    case Type::Float: m_value = CoerceFieldValue(FieldType::Float, value, m_name); break;
    case Type::Boolean: m_value = CoerceFieldValue(FieldType::Boolean, value, m_name); break;
    case Type::Blob: m_value = CoerceFieldValue(FieldType::Blob, value, m_name); break;
    case Type::Text:
    case Type::Unknown: m_value = CoerceFieldValue(FieldType::String, value, m_name); break;
    }
}

qint64 SqlParam::asInteger() const
{
    return isNull() ? 0 : CoerceFieldValue(FieldType::Integer, m_value, m_name).toLongLong();
}

QString SqlParam::asText() const
{
    if (isNull())
        return QString("");
    if (m_value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(m_value.toByteArray());
    return m_value.toString();
}

QByteArray SqlParam::asBytes() const
{
    if (isNull())
        return QByteArray("");
    if (m_value.typeId() == QMetaType::QByteArray)
        return m_value.toByteArray();
    return m_value.toString().toUtf8();
}

void SqlParam::bindTo(SqliteStatement &statement) const
{
    statement.bindValue(m_name, m_value);
}

SqlParam &SqlParams::at(int index)
{
    if (index < 0 || index >= m_list.size())
        throw AppError(QString("Parameter index %1 out of range").arg(index));
    return m_list[index];
}

const SqlParam &SqlParams::at(int index) const
{
    return const_cast<SqlParams *>(this)->at(index);
}

SqlParam *SqlParams::find(const QString &name)
{
    const QString key = name.startsWith(u':') ? name.mid(1) : name;
    for (SqlParam &p : m_list)
        if (p.name().compare(key, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

const SqlParam *SqlParams::find(const QString &name) const
{
    return const_cast<SqlParams *>(this)->find(name);
}

SqlParam &SqlParams::byName(const QString &name)
{
    SqlParam *p = find(name);
    if (!p)
        throw AppError("Parameter '" + name + "' not found");
    return *p;
}

SqlParam &SqlParams::add(const QString &name, SqlParam::Type type)
{
    if (find(name))
        throw AppError("Parameter '" + name + "' is defined twice");
    m_list.append(SqlParam(name.startsWith(u':') ? name.mid(1) : name, type));
    return m_list.last();
}

SqlParam &SqlParams::add(const QString &name, const QVariant &value)
{
    SqlParam &p = add(name);
    p.setValue(value);
    return p;
}

void SqlParams::parseFrom(const QString &sql)
{
    QList<SqlParam> rebuilt;
    for (const QString &name : SqlParameterNames(sql)) {
        const SqlParam *old = find(name);
        rebuilt.append(old ? *old : SqlParam(name));
    }
    m_list = rebuilt;
}

void SqlParams::assignFrom(const SqlParams &other)
{
    for (const SqlParam &source : other.m_list)
        if (SqlParam *target = find(source.name()))
            target->set(source.type(), source.value()); // the name keeps the statement's spelling
}

void SqlParams::bindTo(SqliteStatement &statement) const
{
    for (const SqlParam &p : m_list)
        p.bindTo(statement);
}

QStringList SqlParameterNames(const QString &sql)
{
    QStringList names;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            ++i;
            while (i < n && sql[i] != close)
                ++i;
            ++i;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf("*/", i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == u':' && i + 1 < n && IsNameChar(sql[i + 1])) {
            qsizetype j = i + 1;
            while (j < n && IsNameChar(sql[j]))
                ++j;
            const QString name = sql.mid(i + 1, j - i - 1);
            bool seen = false;
            for (const QString &known : names)
                seen = seen || known.compare(name, Qt::CaseInsensitive) == 0;
            if (!seen)
                names.append(name);
            i = j;
        } else {
            ++i;
        }
    }
    return names;
}

// ---------------------------------------------------------------- query

SqlQuery::SqlQuery(SqliteDatabase *database, QObject *parent)
    : DataSet(parent), m_db(database)
{
}

SqlQuery::~SqlQuery() = default;

void SqlQuery::setDatabase(SqliteDatabase *database)
{
    close();
    m_prepared.reset();
    m_db = database;
}

void SqlQuery::setSql(const QString &sql)
{
    close();
    m_prepared.reset();
    m_sql = sql;
    m_params.parseFrom(sql);
    m_reversedSql.clear();
    m_orderClause.clear();
    m_reversedOrderClause.clear();
    m_fromEnd = false;
}

void SqlQuery::setRowWindow(qint64 offset, qint64 limit)
{
    m_offset = std::max<qint64>(0, offset);
    m_limit = limit;
    m_fromEnd = false;
}

void SqlQuery::setReversedSql(const QString &reversedSql, const QString &orderClause,
                              const QString &reversedOrderClause)
{
    close();
    m_prepared.reset();
    m_reversedSql = reversedSql;
    m_orderClause = orderClause;
    m_reversedOrderClause = reversedOrderClause;
}

void SqlQuery::setRowWindowFromEnd(qint64 rowsAfter, qint64 limit)
{
    if (!canReadFromEnd())
        throw AppError("The query cannot be read from its end");
    setRowWindow(rowsAfter, limit);
    m_fromEnd = true;
}

SqliteDatabase &SqlQuery::requireDatabase() const
{
    if (!m_db || !m_db->isOpen())
        throw AppError("Database is not open");
    return *m_db;
}

QString SqlQuery::selectSql() const
{
    const auto statement = [](const QString &sql) {
        QString body = sql.trimmed();
        while (body.endsWith(u';'))
            body.chop(1);
        return body;
    };
    const bool filter = m_filtered && !m_filter.isEmpty();
    const bool window = m_limit >= 0 || m_offset > 0;
    if (!filter && !window)
        return statement(m_sql);
    const QString inner = "SELECT * FROM (\n" + statement(m_fromEnd ? m_reversedSql : m_sql) + "\n)";
    const QString order = m_fromEnd ? m_reversedOrderClause : m_orderClause;
    QString text;
    if (filter && !m_filter.alternatives.isEmpty() && !order.isEmpty()) {
        // Each alternative in the query's order, merged; SQLite reads each
        // along its own index and stops when the window is full.
        QStringList arms;
        for (const QString &alternative : m_filter.alternatives)
            arms << inner + " WHERE (" + alternative + ")";
        text = arms.join("\nUNION\n") + "\nORDER BY " + order;
    } else {
        text = inner;
        if (filter)
            text += " WHERE (" + m_filter.text + ")";
    }
    if (window)
        text += QString(" LIMIT :%1 OFFSET :%2").arg(LimitParam, OffsetParam);
    if (m_fromEnd)
        text = "SELECT * FROM (\n" + text + "\n) ORDER BY " + m_orderClause;
    return text;
}

SqlQuery::ReadKey SqlQuery::readKey() const
{
    ReadKey key{selectSql(), {}};
    for (int i = 0; i < m_params.count(); ++i)
        key.values << m_params.at(i).value();
    if (m_filtered && !m_filter.isEmpty()) {
        for (int i = 0; i < m_filter.params.count(); ++i)
            key.values << m_filter.params.at(i).value();
    }
    key.values << m_offset << m_limit;
    return key;
}

bool SqlQuery::reopenWhenStale()
{
    if (isActive() && m_read && m_read->second == requireDatabase().changeStamp()) {
        const ReadKey wanted = readKey();
        if (m_read->first == wanted)
            return false;
        // A shorter window from the same row of a query whose order places
        // every row: its rows are the first ones of those held.
        const ReadKey &held = m_read->first;
        const qint64 heldLimit = held.values.value(held.values.size() - 1).toLongLong();
        const qint64 wantedLimit = wanted.values.value(wanted.values.size() - 1).toLongLong();
        if (!m_orderClause.isEmpty() && !m_fromEnd && held.sql == wanted.sql
            && held.values.mid(0, held.values.size() - 1) == wanted.values.mid(0, wanted.values.size() - 1)
            && wantedLimit >= 0 && (heldLimit < 0 || wantedLimit <= heldLimit)) {
            auto rows = std::make_shared<RowTable>();
            const std::vector<DataRow> &all = ownTable()->rows;
            rows->rows.assign(all.begin(), all.begin() + std::min<qint64>(wantedLimit, qint64(all.size())));
            m_read->first = wanted;
            replaceRows(rows);
            return true;
        }
    }
    close();
    open();
    return true;
}

void SqlQuery::keepRowsOverOwnWrites(const SqliteChangeStamp &before, const SqliteChangeStamp &after)
{
    if (isActive() && m_read && m_read->second == before && after.opening == before.opening
        && after.otherCommits == before.otherCommits && after.schemaVersion == before.schemaVersion)
        m_read->second = after;
}

std::shared_ptr<RowTable> SqlQuery::readRows(bool defineFields)
{
    // Stamped before the read: a change made while reading makes the rows stale.
    std::pair<ReadKey, SqliteChangeStamp> read{readKey(), requireDatabase().changeStamp()};
    SqliteStatement st(requireDatabase(), selectSql());
    m_params.bindTo(st);
    if (m_filtered && !m_filter.isEmpty()) {
        for (int i = 0; i < m_filter.params.count(); ++i) {
            const SqlParam &p = m_filter.params.at(i);
            if (m_params.find(p.name()))
                throw AppError("Parameter '" + p.name() + "' is used by both the query and its filter");
            p.bindTo(st);
        }
    }
    if (st.hasParameter(LimitParam)) {
        st.bindInteger(LimitParam, m_limit);
        st.bindInteger(OffsetParam, m_offset);
    }

    const int columns = st.columnCount();
    QList<FieldDef> defs;
    QList<bool> typeKnown;
    QStringList tables;
    for (int c = 0; c < columns; ++c) {
        FieldDef def;
        def.name = st.columnName(c);
        tables.append(st.columnTableName(c));
        typeKnown.append(TypeFromDeclaration(st.columnDeclaredType(c), def.type, def.size));
        defs.append(def);
    }
    auto rows = std::make_shared<RowTable>();
    QList<QList<QVariant>> raw;
    while (st.step()) {
        QList<QVariant> values;
        values.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            if (!typeKnown[c] && !st.isNull(c)) {
                defs[c].type = TypeFromStorage(st.columnType(c));
                typeKnown[c] = true;
            }
            values.append(st.columnValue(c));
        }
        raw.append(values);
    }
    if (defineFields) {
        setFields(defs);
    } else {
        const QList<FieldDef> current = fieldDefs();
        bool same = current.size() == defs.size();
        for (int c = 0; same && c < columns; ++c)
            same = current[c].name == defs[c].name;
        if (!same)
            throw AppError("The columns of the query changed on refresh");
        defs = current;
    }
    for (qsizetype r = 0; r < raw.size(); ++r) {
        DataRow row = MakeEmptyRow(defs);
        for (int c = 0; c < columns; ++c)
            row.values[c] = StoredValue(*m_db, defs, tables, raw[r], c, r);
        rows->rows.push_back(std::move(row));
    }
    m_read = std::move(read);
    return rows;
}

void SqlQuery::open()
{
    if (isActive())
        return;
    if (m_sql.trimmed().isEmpty())
        throw AppError("No SQL statement");
    activate(readRows(true));
}

void SqlQuery::close()
{
    deactivate();
    m_prepared.reset();
    m_read.reset();
}

void SqlQuery::refresh()
{
    if (!isActive()) {
        open();
        return;
    }
    replaceRows(readRows(false));
}

void SqlQuery::execSql()
{
    SqliteDatabase &db = requireDatabase();
    if (!m_prepared || m_preparedOn != db.handle()) {
        m_prepared.reset();
        m_prepared = std::make_unique<SqliteStatement>(db, m_sql);
        m_preparedOn = db.handle();
    }
    m_prepared->clearBindings();
    m_params.bindTo(*m_prepared);
    try {
        m_prepared->execute();
    } catch (...) {
        m_prepared->reset();
        throw;
    }
    m_rowsAffected = db.changes();
}
