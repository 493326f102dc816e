#include "find/RawRows.h"

#include "store/DatabaseError.h"

#include <sqlite3.h>

RawRows::RawRows(sqlite3 *db, const char *sql)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
}

RawRows::~RawRows()
{
    sqlite3_finalize(m_statement);
}

void RawRows::Bind(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void RawRows::Bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index, value);
}

void RawRows::Reset()
{
    sqlite3_reset(m_statement);
}

bool RawRows::Step()
{
    return sqlite3_step(m_statement) == SQLITE_ROW;
}

bool RawRows::IsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

qint64 RawRows::Int(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double RawRows::Double(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

std::string_view RawRows::Bytes(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    const int length = sqlite3_column_bytes(m_statement, column);
    return text ? std::string_view(text, std::size_t(length)) : std::string_view();
}
