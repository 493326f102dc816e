#include "store/SqliteConnection.h"

#include "store/DatabaseError.h"

#include <sqlite3.h>

QString QuoteIdentifier(const QString &identifier)
{
    return QLatin1Char('"') +
           QString(identifier).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

bool EDatabaseError::IsLocked() const
{
    const int code = EngineCode();
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

QString FailureText(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &error) {
        // The program's own failures carry their message as UTF-8.
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("An unknown error occurred");
    }
}

SqliteStatement::SqliteStatement(SqliteConnection &connection, sqlite3_stmt *statement)
    : m_connection(connection)
    , m_statement(statement)
{
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement &SqliteStatement::BindNull(int index)
{
    sqlite3_bind_null(m_statement, index);
    return *this;
}

SqliteStatement &SqliteStatement::Bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqliteStatement &SqliteStatement::Bind(int index, double value)
{
    sqlite3_bind_double(m_statement, index, value);
    return *this;
}

SqliteStatement &SqliteStatement::Bind(int index, const QString &value)
{
    return Bind(index, value.toUtf8());
}

SqliteStatement &SqliteStatement::Bind(int index, const QByteArray &utf8)
{
    // A null QByteArray would bind NULL; an empty text stays an empty text.
    sqlite3_bind_text(m_statement, index, utf8.isNull() ? "" : utf8.constData(), int(utf8.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement &SqliteStatement::Bind(int index, const QVariant &value)
{
    if (value.isNull())
        return BindNull(index);
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return Bind(index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return Bind(index, value.toDouble());
    default:
        return Bind(index, value.toString());
    }
}

bool SqliteStatement::Step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_statement);
    m_connection.Fail(rc);
}

void SqliteStatement::Execute()
{
    while (Step()) {
    }
}

void SqliteStatement::Reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

int SqliteStatement::ColumnCount() const
{
    return sqlite3_column_count(m_statement);
}

bool SqliteStatement::IsNull(int column) const
{
    return ColumnType(column) == SQLITE_NULL;
}

int SqliteStatement::ColumnType(int column) const
{
    return sqlite3_column_type(m_statement, column);
}

qint64 SqliteStatement::Int64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::Double(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QString SqliteStatement::Text(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column));
}

QByteArrayView SqliteStatement::Utf8(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
}

QVariant SqliteStatement::Value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(Int64(column));
    case SQLITE_FLOAT:
        return QVariant(Double(column));
    case SQLITE_NULL:
        return QVariant();
    default:
        return QVariant(Text(column));
    }
}

SqliteConnection::SqliteConnection() = default;

SqliteConnection::~SqliteConnection()
{
    Close();
}

void SqliteConnection::Open(const QString &fileName, bool create)
{
    Close();
    sqlite3 *db = nullptr;
    // A connection is only ever used by the thread that opened it (the
    // user-interface thread): SQLite's own locking of it would only cost time.
    const int rc = sqlite3_open_v2(
        fileName.toUtf8().constData(), &db,
        SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw EDatabaseError(message, rc);
    }
    sqlite3_extended_result_codes(db, 1);
    m_db = db;
}

void SqliteConnection::Close()
{
    DropStatements();
    if (m_db) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

void SqliteConnection::DropStatements()
{
    m_statements.clear();
}

void SqliteConnection::ExecuteScript(const QString &sql)
{
    if (!m_db)
        throw EDatabaseError(QStringLiteral("The catalog database is not open."));
    char *error = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        throw EDatabaseError(message, sqlite3_extended_errcode(m_db));
    }
}

SqliteStatement &SqliteConnection::Prepare(const QString &sql)
{
    if (!m_db)
        throw EDatabaseError(QStringLiteral("The catalog database is not open."));
    auto found = m_statements.find(sql);
    if (found != m_statements.end()) {
        found->second->Reset();
        return *found->second;
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()),
                                      SQLITE_PREPARE_PERSISTENT, &statement, &tail);
    if (rc != SQLITE_OK)
        Fail(rc, sql);
    if (tail && QByteArray(tail).trimmed().size() > 0) {
        sqlite3_finalize(statement);
        throw EDatabaseError(QStringLiteral("Only one SQL command may be prepared at a time: ") +
                             sql);
    }
    auto owned = std::make_unique<SqliteStatement>(*this, statement);
    SqliteStatement &result = *owned;
    m_statements.emplace(sql, std::move(owned));
    return result;
}

qint64 SqliteConnection::LastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

bool SqliteConnection::InTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

qint64 SqliteConnection::ChangeStamp() const
{
    const qint64 changes = m_db ? sqlite3_total_changes64(m_db) : 0;
    return (m_rollbacks << 40) + changes;
}

void SqliteConnection::Fail(int resultCode, const QString &context) const
{
    QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                           : QString::fromUtf8(sqlite3_errstr(resultCode));
    if (!context.isEmpty())
        message += QStringLiteral(" (") + context + QLatin1Char(')');
    throw EDatabaseError(message, m_db ? sqlite3_extended_errcode(m_db) : resultCode);
}
