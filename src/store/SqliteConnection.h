#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <memory>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

class SqliteConnection;

// An identifier in double quotes, inner quotes doubled.
QString QuoteIdentifier(const QString &identifier);

// One prepared statement. Parameters are 1-based, columns 0-based, as in
// SQLite. Statements come from SqliteConnection::Prepare, which caches them:
// a statement is reset and its bindings cleared each time it is handed out.
class SqliteStatement final
{
public:
    SqliteStatement(SqliteConnection &connection, sqlite3_stmt *statement);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    SqliteStatement &BindNull(int index);
    SqliteStatement &Bind(int index, qint64 value);
    SqliteStatement &Bind(int index, int value) { return Bind(index, qint64(value)); }
    SqliteStatement &Bind(int index, double value);
    SqliteStatement &Bind(int index, const QString &value);
    SqliteStatement &Bind(int index, const QByteArray &utf8);
    SqliteStatement &Bind(int index, const QVariant &value);

    // Steps once: true while a row is available, false when done.
    bool Step();
    // Steps to completion, for statements that return no rows.
    void Execute();
    void Reset();

    int ColumnCount() const;
    bool IsNull(int column) const;
    // The storage class of a column's value: SQLITE_INTEGER, SQLITE_TEXT, ...
    int ColumnType(int column) const;
    qint64 Int64(int column) const;
    double Double(int column) const;
    QString Text(int column) const;
    // The text of a column as SQLite holds it, valid until the next step.
    QByteArrayView Utf8(int column) const;
    QVariant Value(int column) const;

private:
    SqliteConnection &m_connection;
    sqlite3_stmt *m_statement;
};

// One SQLite connection with a cache of prepared statements and a stamp that
// changes whenever rows change, so that cursors know when to re-read a row.
class SqliteConnection final
{
public:
    SqliteConnection();
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    // Opens a database file; without create a missing file is an error.
    void Open(const QString &fileName, bool create);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }

    // Runs one or more statements that return nothing (schema, pragmas).
    void ExecuteScript(const QString &sql);
    // A prepared statement for one SQL command, cached by its text. A text
    // holding more than one command is refused.
    SqliteStatement &Prepare(const QString &sql);

    qint64 LastInsertId() const;
    bool InTransaction() const;
    // Changes after every insert, update, delete and rollback on this connection.
    qint64 ChangeStamp() const;
    void NoteRollback() { ++m_rollbacks; }

    // Raises EDatabaseError with the connection's current error text.
    [[noreturn]] void Fail(int resultCode, const QString &context = QString()) const;

    sqlite3 *Handle() const { return m_db; }

private:
    void DropStatements();

    sqlite3 *m_db = nullptr;
    std::unordered_map<QString, std::unique_ptr<SqliteStatement>> m_statements;
    qint64 m_rollbacks = 0;
};
