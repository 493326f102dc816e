#pragma once

#include <QString>

#include <cmath>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A query read row by row straight from SQLite: texts as the UTF-8 bytes it
// stores, without a QString or a QVariant per value, for passes over every
// row of a table.
class RawRows final
{
public:
    RawRows(sqlite3 *db, const char *sql);
    ~RawRows();
    RawRows(const RawRows &) = delete;
    RawRows &operator=(const RawRows &) = delete;

    void Bind(int index, const QString &text);
    void Bind(int index, qint64 value);
    // Makes the query ready to run again with new values.
    void Reset();
    // A read that fails ends the rows as if they were exhausted.
    bool Step();
    bool IsNull(int column) const;
    qint64 Int(int column) const;
    // A blank date reads as NaN.
    double Date(int column) const { return IsNull(column) ? NAN : Double(column); }
    double Double(int column) const;
    std::string_view Bytes(int column) const;

private:
    sqlite3_stmt *m_statement = nullptr;
};
