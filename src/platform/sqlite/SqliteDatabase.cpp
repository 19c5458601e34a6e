#include "SqliteDatabase.h"

#include "AppError.h"

#include <sqlite3.h>

#include <QtEndian>

#include <atomic>

namespace {

QString SqliteText(const char *text)
{
    return QString::fromUtf8(text ? text : "");
}

QString WithoutColon(const QString &name)
{
    return name.startsWith(u':') ? name.mid(1) : name;
}

} // namespace

// ---------------------------------------------------------------- database

SqliteDatabase::SqliteDatabase(const QString &fileName, OpenMode mode)
{
    open(fileName, mode);
}

SqliteDatabase::~SqliteDatabase()
{
    close();
}

void SqliteDatabase::open(const QString &fileName, OpenMode mode)
{
    close();
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case OpenMode::CreateIfMissing: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    case OpenMode::MustExist: flags |= SQLITE_OPEN_READWRITE; break;
    case OpenMode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    }
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(fileName.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? SqliteText(sqlite3_errmsg(db)) : SqliteText(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw AppError(message + " (" + fileName + ")");
    }
    static std::atomic<quint64> openings{0};
    m_db = db;
    m_fileName = fileName;
    m_opening = ++openings;
    sqlite3_extended_result_codes(m_db, 0);
    try {
        setBusyTimeout(DefaultBusyTimeoutMs);
        if (mode != OpenMode::ReadOnly)
            exec("PRAGMA journal_mode=DELETE");
    } catch (...) {
        close();
        throw;
    }
}

void SqliteDatabase::close()
{
    if (!m_db)
        return;
    // Statements still open are finalized by their owners; close_v2 waits for them.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void SqliteDatabase::setBusyTimeout(int milliseconds)
{
    if (sqlite3_busy_timeout(handle(), milliseconds) != SQLITE_OK)
        raise();
}

void SqliteDatabase::exec(const QString &sql)
{
    char *error = nullptr;
    const int rc = sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString message = error ? SqliteText(error) : SqliteText(sqlite3_errstr(rc));
        sqlite3_free(error);
        throw AppError(message);
    }
}

bool SqliteDatabase::tableExists(const QString &name)
{
    SqliteStatement st(*this, "SELECT 1 FROM sqlite_master WHERE type='table' AND name = :name COLLATE NOCASE");
    st.bindText(":name", name);
    return st.step();
}

qint64 SqliteDatabase::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(handle());
}

int SqliteDatabase::changes() const
{
    return sqlite3_changes(handle());
}

bool SqliteDatabase::inTransaction() const
{
    return sqlite3_get_autocommit(handle()) == 0;
}

SqliteChangeStamp SqliteDatabase::changeStamp()
{
    const auto pragma = [this](const char *name) {
        SqliteStatement statement(*this, QStringLiteral("PRAGMA ") + QLatin1String(name));
        return statement.step() ? statement.columnInteger(0) : 0;
    };
    SqliteChangeStamp stamp;
    stamp.opening = m_opening;
    stamp.ownChanges = sqlite3_total_changes64(handle());
    stamp.otherCommits = pragma("data_version");
    stamp.schemaVersion = pragma("schema_version");
    return stamp;
}

sqlite3 *SqliteDatabase::handle() const
{
    if (!m_db)
        throw AppError("Database is not open");
    return m_db;
}

void SqliteDatabase::raise(const QString &context) const
{
    const QString message = m_db ? SqliteText(sqlite3_errmsg(m_db)) : QString("Database is not open");
    throw AppError(context.isEmpty() ? message : context + ": " + message);
}

// ---------------------------------------------------------------- statement

SqliteStatement::SqliteStatement(SqliteDatabase &db, const QString &sql)
    : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db.handle(), text.constData(), int(text.size()), &m_stmt, &tail);
    if (rc != SQLITE_OK)
        db.raise();
    if (!m_stmt)
        throw AppError("Empty SQL statement");
    // Only whitespace and semicolons may follow: a second statement would be silently dropped.
    for (const char *p = tail; p && *p; ++p) {
        if (*p != ';' && !QChar::isSpace(uchar(*p))) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            throw AppError("Only one SQL statement may be prepared at a time");
        }
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

int SqliteStatement::parameterCount() const
{
    return sqlite3_bind_parameter_count(m_stmt);
}

QString SqliteStatement::parameterName(int index) const
{
    return WithoutColon(SqliteText(sqlite3_bind_parameter_name(m_stmt, index)));
}

int SqliteStatement::parameterIndex(const QString &name) const
{
    const QByteArray key = (":" + WithoutColon(name)).toUtf8();
    return sqlite3_bind_parameter_index(m_stmt, key.constData());
}

int SqliteStatement::requireIndex(const QString &name) const
{
    const int index = parameterIndex(name);
    if (index <= 0)
        throw AppError("Parameter '" + WithoutColon(name) + "' not found");
    return index;
}

void SqliteStatement::check(int rc, const char *what) const
{
    if (rc != SQLITE_OK)
        m_db.raise(QString::fromLatin1(what));
}

void SqliteStatement::bindInteger(const QString &name, qint64 value)
{
    check(sqlite3_bind_int64(m_stmt, requireIndex(name), value), "bind");
}

void SqliteStatement::bindText(const QString &name, const QString &value)
{
    bindValue(requireIndex(name), value.isNull() ? QVariant(QString("")) : QVariant(value));
}

void SqliteStatement::bindBlob(const QString &name, const QByteArray &value)
{
    bindValue(requireIndex(name), QVariant(value.isNull() ? QByteArray("") : value));
}

void SqliteStatement::bindWideBlob(const QString &name, const QString &value)
{
    bindBlob(name, WideTextBytes(value));
}

void SqliteStatement::bindDouble(const QString &name, double value)
{
    check(sqlite3_bind_double(m_stmt, requireIndex(name), value), "bind");
}

void SqliteStatement::bindNull(const QString &name)
{
    check(sqlite3_bind_null(m_stmt, requireIndex(name)), "bind");
}

void SqliteStatement::bindValue(const QString &name, const QVariant &value)
{
    bindValue(requireIndex(name), value);
}

void SqliteStatement::bindValue(int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(m_stmt, index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            // A zero-length blob must stay a blob: sqlite binds a null pointer as NULL.
            rc = bytes.isEmpty() ? sqlite3_bind_zeroblob(m_stmt, index, 0)
                                 : sqlite3_bind_blob64(m_stmt, index, bytes.constData(),
                                                       sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text64(m_stmt, index, text.constData(), sqlite3_uint64(text.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        }
    }
    check(rc, "bind");
}

void SqliteStatement::clearBindings()
{
    sqlite3_clear_bindings(m_stmt);
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The connection's message belongs to this failure; keep it before reset clears it.
    const QString message = SqliteText(sqlite3_errmsg(m_db.handle()));
    sqlite3_reset(m_stmt);
    throw AppError(message);
}

void SqliteStatement::execute()
{
    while (step()) {
    }
    reset();
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_stmt);
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString SqliteStatement::columnName(int column) const
{
    return SqliteText(sqlite3_column_name(m_stmt, column));
}

QString SqliteStatement::columnDeclaredType(int column) const
{
    return SqliteText(sqlite3_column_decltype(m_stmt, column));
}

QString SqliteStatement::columnTableName(int column) const
{
    return SqliteText(sqlite3_column_table_name(m_stmt, column));
}

SqliteStatement::ColumnType SqliteStatement::columnType(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER: return ColumnType::Integer;
    case SQLITE_FLOAT: return ColumnType::Float;
    case SQLITE_TEXT: return ColumnType::Text;
    case SQLITE_BLOB: return ColumnType::Blob;
    default: return ColumnType::Null;
    }
}

qint64 SqliteStatement::columnInteger(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double SqliteStatement::columnDouble(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

QString SqliteStatement::columnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(text ? text : "", sqlite3_column_bytes(m_stmt, column));
}

QByteArray SqliteStatement::columnBlob(int column) const
{
    const void *data = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return data ? QByteArray(static_cast<const char *>(data), size) : QByteArray("");
}

QVariant SqliteStatement::columnValue(int column) const
{
    switch (columnType(column)) {
    case ColumnType::Integer: return QVariant(columnInteger(column));
    case ColumnType::Float: return QVariant(columnDouble(column));
    case ColumnType::Text: return QVariant(columnText(column));
    case ColumnType::Blob: return QVariant(columnBlob(column));
    case ColumnType::Null: break;
    }
    return QVariant();
}

// ---------------------------------------------------------------- transaction

SqliteTransaction::SqliteTransaction(SqliteDatabase &db, Kind kind)
    : m_db(db)
{
    m_db.exec(kind == Kind::Immediate ? "BEGIN IMMEDIATE" : "BEGIN");
    m_open = true;
}

SqliteTransaction::~SqliteTransaction()
{
    if (!m_open)
        return;
    try {
        rollback();
    } catch (...) {
        // A destructor must not throw; the connection rolls back on close anyway.
    }
}

void SqliteTransaction::commit()
{
    if (!m_open)
        throw AppError("No transaction to commit");
    m_db.exec("COMMIT");
    m_open = false;
}

void SqliteTransaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    // After some errors SQLite has already rolled back by itself.
    if (m_db.isOpen() && m_db.inTransaction())
        m_db.exec("ROLLBACK");
}

// ---------------------------------------------------------------- wide text

QByteArray WideTextBytes(const QString &text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data());
    return bytes.isNull() ? QByteArray("") : bytes;
}

QString WideTextFromBytes(const QByteArray &bytes)
{
    const qsizetype units = (bytes.size() + 1) / 2;
    QString text(units, Qt::Uninitialized);
    const auto *src = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < units; ++i) {
        const uchar low = src[2 * i];
        const uchar high = 2 * i + 1 < bytes.size() ? src[2 * i + 1] : 0;
        text[i] = QChar(char16_t(low | (high << 8)));
    }
    return text;
}
