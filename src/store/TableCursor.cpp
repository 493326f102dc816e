#include "store/TableCursor.h"

#include "store/DatabaseError.h"
#include "store/SqliteConnection.h"

#include <algorithm>

TableCursor::TableCursor(SqliteConnection *connection, const QString &tableName)
    : m_connection(connection)
    , m_tableName(tableName)
{
}

TableCursor::~TableCursor() = default;

struct TableCursor::ListenerList
{
    int nextId = 1;
    std::vector<std::pair<int, RowListener>> entries;
};

TableCursor::RowSubscription::RowSubscription(RowSubscription &&other) noexcept
    : m_list(std::move(other.m_list))
    , m_id(std::exchange(other.m_id, 0))
{
}

TableCursor::RowSubscription &
TableCursor::RowSubscription::operator=(RowSubscription &&other) noexcept
{
    if (this != &other) {
        Reset();
        m_list = std::move(other.m_list);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

TableCursor::RowSubscription::~RowSubscription()
{
    Reset();
}

void TableCursor::RowSubscription::Reset()
{
    if (const std::shared_ptr<ListenerList> list = m_list.lock()) {
        std::erase_if(list->entries, [this](const auto &entry) { return entry.first == m_id; });
    }
    m_list.reset();
    m_id = 0;
}

TableCursor::RowSubscription TableCursor::WatchRows(RowListener listener)
{
    if (!m_listeners)
        m_listeners = std::make_shared<ListenerList>();
    RowSubscription subscription;
    subscription.m_id = m_listeners->nextId++;
    subscription.m_list = m_listeners;
    m_listeners->entries.emplace_back(subscription.m_id, std::move(listener));
    return subscription;
}

void TableCursor::NotifyRow(RowEvent event)
{
    if (!m_listeners || m_listeners->entries.empty())
        return;
    // Listeners may subscribe or unsubscribe while being called: walk a list
    // of IDs and call only those still registered, each through a copy.
    std::vector<int> ids;
    for (const auto &entry : m_listeners->entries)
        ids.push_back(entry.first);
    const std::shared_ptr<ListenerList> list = m_listeners;
    for (int id : ids) {
        const auto found = std::find_if(list->entries.begin(), list->entries.end(),
                                        [id](const auto &entry) { return entry.first == id; });
        if (found == list->entries.end())
            continue;
        const RowListener listener = found->second;
        listener(*this, event);
    }
}

void TableCursor::SetConnection(SqliteConnection *connection)
{
    if (Active())
        Close();
    m_connection = connection;
}

void TableCursor::SetTableName(const QString &tableName)
{
    if (Active())
        Close();
    m_tableName = tableName;
}

void TableCursor::SetIndexFieldName(const QString &fieldName)
{
    m_indexFieldName = fieldName;
    if (Active()) {
        m_indexField = m_indexFieldName.isEmpty() ? m_keyField : RequireField(m_indexFieldName);
        BuildStatements();
        m_hasRange = false;
        if (m_hasRow)
            m_indexValue = m_row[size_t(m_indexField)];
    }
}

void TableCursor::CopySettingsFrom(const TableCursor &other)
{
    SetConnection(other.m_connection);
    SetTableName(other.m_tableName);
    SetIndexFieldName(other.m_indexFieldName);
}

void TableCursor::Open()
{
    if (Active())
        return;
    if (!m_connection || !m_connection->IsOpen())
        throw EDatabaseError(QStringLiteral("The catalog database is not open."));
    m_fieldNames.clear();
    m_keyFieldName.clear();
    m_keyField = -1;
    SqliteStatement &info = m_connection->Prepare(
        QStringLiteral("PRAGMA table_info(%1)").arg(QuoteIdentifier(m_tableName)));
    while (info.Step()) {
        const QString name = info.Text(1);
        if (info.Int64(5) == 1 &&
            info.Text(2).startsWith(QLatin1String("INTEGER"), Qt::CaseInsensitive)) {
            m_keyField = int(m_fieldNames.size());
            m_keyFieldName = name;
        }
        m_fieldNames << name;
    }
    info.Reset();
    if (m_fieldNames.isEmpty())
        throw EDatabaseError(QStringLiteral("Table does not exist: ") + m_tableName);
    if (m_keyField < 0)
        throw EDatabaseError(QStringLiteral("Table has no key field: ") + m_tableName);
    m_indexField = m_indexFieldName.isEmpty() ? m_keyField : RequireField(m_indexFieldName);
    m_modified.assign(size_t(m_fieldNames.size()), false);
    BuildStatements();
    m_state = State::Browse;
    m_hasRange = false;
    m_hasRow = false;
    First();
    Opened();
}

void TableCursor::Close()
{
    if (!Active())
        return;
    Closing();
    const bool editing = m_state == State::Edit || m_state == State::Insert;
    m_state = State::Inactive;
    m_hasRow = false;
    m_hasRange = false;
    m_row.clear();
    if (editing)
        NotifyRow(RowEvent::Cancelled);
}

int TableCursor::FieldIndex(const QString &fieldName) const
{
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        if (m_fieldNames[i].compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int TableCursor::RequireField(const QString &fieldName) const
{
    const int field = FieldIndex(fieldName);
    if (field < 0)
        throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(fieldName));
    return field;
}

bool TableCursor::OrderedByKey() const
{
    return m_indexField == m_keyField;
}

QString TableCursor::OrderClause() const
{
    const QString key = QuoteIdentifier(m_keyFieldName);
    if (OrderedByKey())
        return QStringLiteral(" ORDER BY ") + key;
    return QStringLiteral(" ORDER BY ") + QuoteIdentifier(m_fieldNames[m_indexField]) +
           QStringLiteral(", ") + key;
}

QString TableCursor::RangeCondition() const
{
    const QString field = QuoteIdentifier(m_fieldNames[m_indexField]);
    return QStringLiteral("%1 >= ?1 AND %1 < ?2").arg(field);
}

void TableCursor::BuildStatements()
{
    const QString table = QuoteIdentifier(m_tableName);
    const QString key = QuoteIdentifier(m_keyFieldName);
    const QString field = QuoteIdentifier(m_fieldNames[m_indexField]);
    const QString order = OrderClause();
    m_sqlLoad = QStringLiteral("SELECT * FROM %1 WHERE %2 = ?1").arg(table, key);
    m_sqlLocate = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?1 ORDER BY %1 LIMIT 1")
                      .arg(key, table, field);
    // Range bounds are ?1 and ?2; the position to move on from is ?3 (index
    // value) and ?4 (key). Without a range the bounds cover every integer.
    const QString range = RangeCondition();
    m_sqlFirst =
        QStringLiteral("SELECT %1 FROM %2 WHERE %3%4 LIMIT 1").arg(key, table, range, order);
    m_sqlRangeKeys = QStringLiteral("SELECT %1 FROM %2 WHERE %3%4").arg(key, table, range, order);
    if (OrderedByKey()) {
        m_sqlNext = QStringLiteral("SELECT %1 FROM %2 WHERE %3 AND %1 > ?4%4 LIMIT 1")
                        .arg(key, table, range, order);
    } else {
        m_sqlNext =
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 AND (%5 > ?3 OR (%5 = ?3 AND %1 > ?4))%4 "
                           "LIMIT 1")
                .arg(key, table, range, order, field);
    }
    // Rows whose index field is blank come first in the order; they lie
    // outside every range, so only a walk of the whole table reaches them.
    m_sqlNextAfterNull = QStringLiteral("SELECT %1 FROM %2 WHERE (%3 IS NULL AND %1 > ?4) OR %3 IS "
                                        "NOT NULL%4 LIMIT 1")
                             .arg(key, table, field, order);
}

void TableCursor::RequireActive() const
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TableCursor::RequireRow() const
{
    RequireActive();
    RefreshIfChanged();
    if (!m_hasRow)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
}

void TableCursor::RequireEditing() const
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
}

bool TableCursor::LoadRow(qint64 key) const
{
    SqliteStatement &load = m_connection->Prepare(m_sqlLoad);
    load.Bind(1, key);
    const bool found = load.Step();
    if (found) {
        const int count = load.ColumnCount();
        m_row.resize(size_t(count));
        for (int i = 0; i < count; ++i)
            m_row[size_t(i)] = load.Value(i);
        m_key = key;
        m_indexValue = m_row[size_t(m_indexField)];
    }
    load.Reset();
    m_hasRow = found;
    m_stamp = m_connection->ChangeStamp();
    return found;
}

void TableCursor::RefreshIfChanged() const
{
    if (m_state != State::Browse || m_stamp == m_connection->ChangeStamp())
        return;
    if (m_hasRow || m_key != 0) {
        const qint64 key = m_key;
        if (!LoadRow(key))
            m_key = key; // keep the position so that Next carries on after it
    }
}

bool TableCursor::PositionOnFirstKey(const QString &sql, const QVariant &indexValue)
{
    SqliteStatement &statement = m_connection->Prepare(sql);
    if (sql == m_sqlLocate) {
        statement.Bind(1, indexValue);
    } else {
        if (sql != m_sqlNextAfterNull) {
            statement.Bind(1, m_hasRange ? m_rangeFrom : std::numeric_limits<qint64>::min());
            statement.Bind(2, m_hasRange ? m_rangeTo : std::numeric_limits<qint64>::max());
        }
        if (sql == m_sqlNext || sql == m_sqlNextAfterNull) {
            if (sql == m_sqlNext && !OrderedByKey())
                statement.Bind(3, indexValue);
            statement.Bind(4, m_key);
        }
    }
    const bool found = statement.Step();
    const qint64 key = found ? statement.Int64(0) : 0;
    statement.Reset();
    if (!found) {
        m_hasRow = false;
        return false;
    }
    return LoadRow(key);
}

bool TableCursor::GotoKey(qint64 key)
{
    RequireActive();
    Cancel();
    return LoadRow(key);
}

bool TableCursor::Locate(qint64 value)
{
    RequireActive();
    Cancel();
    // On the key itself one read finds and loads the row.
    const bool found =
        OrderedByKey() ? LoadRow(value) : PositionOnFirstKey(m_sqlLocate, QVariant(value));
    if (!found)
        m_key = 0;
    return found;
}

void TableCursor::SetRange(qint64 from, qint64 toExclusive)
{
    RequireActive();
    m_hasRange = true;
    m_rangeFrom = from;
    m_rangeTo = toExclusive;
    First();
}

void TableCursor::CancelRange()
{
    m_hasRange = false;
}

bool TableCursor::First()
{
    RequireActive();
    Cancel();
    if (m_hasRange || OrderedByKey())
        return PositionOnFirstKey(m_sqlFirst, QVariant());
    // The whole table, ordered by a field: rows with a blank field come
    // first, and keys are never 0, so "after key 0" is the very first row.
    m_key = 0;
    return PositionOnFirstKey(m_sqlNextAfterNull, QVariant());
}

bool TableCursor::Next()
{
    RequireActive();
    Cancel();
    if (m_key == 0 && !m_hasRow)
        return false;
    const QVariant position = m_indexValue;
    if (position.isNull() && !OrderedByKey()) {
        if (m_hasRange)
            return m_hasRow = false;
        return PositionOnFirstKey(m_sqlNextAfterNull, QVariant());
    }
    return PositionOnFirstKey(m_sqlNext, position);
}

QList<qint64> TableCursor::RangeKeys()
{
    RequireActive();
    QList<qint64> keys;
    SqliteStatement &statement = m_connection->Prepare(m_sqlRangeKeys);
    statement.Bind(1, m_hasRange ? m_rangeFrom : std::numeric_limits<qint64>::min());
    statement.Bind(2, m_hasRange ? m_rangeTo : std::numeric_limits<qint64>::max());
    while (statement.Step())
        keys << statement.Int64(0);
    statement.Reset();
    return keys;
}

QVariant TableCursor::Value(int field) const
{
    RequireActive();
    RefreshIfChanged();
    // Past the end, as on an empty table, every field reads blank.
    if (!m_hasRow && m_state == State::Browse)
        return QVariant();
    if (field < 0 || size_t(field) >= m_row.size())
        throw EDatabaseError(QStringLiteral("Field index out of range"));
    return m_row[size_t(field)];
}

QVariant TableCursor::FieldValue(const QString &fieldName) const
{
    return Value(RequireField(fieldName));
}

void TableCursor::SetValue(int field, const QVariant &value)
{
    RequireEditing();
    if (field < 0 || size_t(field) >= m_row.size())
        throw EDatabaseError(QStringLiteral("Field index out of range"));
    m_row[size_t(field)] = value;
    m_modified[size_t(field)] = true;
}

void TableCursor::SetFieldValue(const QString &fieldName, const QVariant &value)
{
    SetValue(RequireField(fieldName), value);
}

void TableCursor::Append()
{
    RequireActive();
    Cancel();
    m_row.assign(size_t(m_fieldNames.size()), QVariant());
    m_modified.assign(size_t(m_fieldNames.size()), false);
    m_state = State::Insert;
}

void TableCursor::Edit()
{
    RequireRow();
    if (m_state == State::Edit)
        return;
    m_modified.assign(size_t(m_fieldNames.size()), false);
    m_state = State::Edit;
    NotifyRow(RowEvent::EditStarted);
}

void TableCursor::Post()
{
    RequireEditing();
    const QString table = QuoteIdentifier(m_tableName);
    QStringList names;
    std::vector<int> fields;
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        if (m_modified[size_t(i)] && i != m_keyField) {
            names << QuoteIdentifier(m_fieldNames[i]);
            fields.push_back(i);
        }
    }
    qint64 key = m_key;
    if (m_state == State::Insert) {
        QString sql;
        if (names.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
        } else {
            QStringList marks;
            for (size_t i = 1; i <= fields.size(); ++i)
                marks << QStringLiteral("?%1").arg(i);
            sql =
                QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                    .arg(table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        }
        SqliteStatement &insert = m_connection->Prepare(sql);
        for (size_t i = 0; i < fields.size(); ++i)
            insert.Bind(int(i + 1), m_row[size_t(fields[i])]);
        insert.Execute();
        key = m_connection->LastInsertId();
    } else if (!fields.empty()) {
        QStringList assignments;
        for (size_t i = 0; i < fields.size(); ++i)
            assignments << names[qsizetype(i)] + QStringLiteral(" = ?%1").arg(i + 1);
        SqliteStatement &update = m_connection->Prepare(
            QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?%4")
                .arg(table, assignments.join(QStringLiteral(", ")), QuoteIdentifier(m_keyFieldName))
                .arg(fields.size() + 1));
        for (size_t i = 0; i < fields.size(); ++i)
            update.Bind(int(i + 1), m_row[size_t(fields[i])]);
        update.Bind(int(fields.size() + 1), m_key);
        update.Execute();
    }
    m_state = State::Browse;
    m_modified.assign(size_t(m_fieldNames.size()), false);
    LoadRow(key);
    NotifyRow(RowEvent::Posted);
}

void TableCursor::Cancel()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    m_state = State::Browse;
    m_modified.assign(size_t(m_fieldNames.size()), false);
    if (m_key != 0)
        LoadRow(m_key);
    else
        m_hasRow = false;
    NotifyRow(RowEvent::Cancelled);
}

void TableCursor::Delete()
{
    RequireRow();
    Cancel();
    SqliteStatement &remove = m_connection->Prepare(
        QStringLiteral("DELETE FROM %1 WHERE %2 = ?1")
            .arg(QuoteIdentifier(m_tableName), QuoteIdentifier(m_keyFieldName)));
    remove.Bind(1, m_key);
    remove.Execute();
    m_hasRow = false;
    Next();
}
