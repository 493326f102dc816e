#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class SqliteConnection;

// A cursor on one table: a current row, an order (an index field, then the
// row key), an optional range on the index field, and append, edit, post and
// delete. Several cursors may stand on one table independently. Positions are
// kept as keys, not as open statements, so a cursor survives changes that
// other cursors or plain SQL make to the table; a row that changed since it was
// read is read again when its values are asked for.
class TableCursor
{
    struct ListenerList;

public:
    enum class State
    {
        Inactive,
        Browse,
        Edit,
        Insert
    };

    // What this cursor's own editing tells those who watch it. Changes made
    // through other cursors on the same table are not reported.
    enum class RowEvent
    {
        EditStarted, // the current row entered edit state (Edit; Append is not an edit)
        Posted,      // an edit or append was posted; the cursor stands on the posted row
        Cancelled    // an edit or append was dropped, also by moving away or by closing
                     // (after a close the cursor can no longer be read)
    };
    using RowListener = std::function<void(TableCursor &cursor, RowEvent event)>;

    // Keeps a listener registered for as long as it lives. It may outlive the
    // cursor; moving it moves the registration.
    class RowSubscription
    {
    public:
        RowSubscription() = default;
        RowSubscription(RowSubscription &&other) noexcept;
        RowSubscription &operator=(RowSubscription &&other) noexcept;
        ~RowSubscription();
        RowSubscription(const RowSubscription &) = delete;
        RowSubscription &operator=(const RowSubscription &) = delete;
        void Reset();

    private:
        friend class TableCursor;
        std::weak_ptr<ListenerList> m_list;
        int m_id = 0;
    };

    TableCursor(SqliteConnection *connection = nullptr, const QString &tableName = QString());
    virtual ~TableCursor();
    TableCursor(const TableCursor &) = delete;
    TableCursor &operator=(const TableCursor &) = delete;

    // Settings, taken over by the cursors that derive from another.
    void SetConnection(SqliteConnection *connection);
    SqliteConnection *Connection() const { return m_connection; }
    void SetTableName(const QString &tableName);
    const QString &TableName() const { return m_tableName; }
    // Orders the cursor by this field and then by the key; empty or the key
    // field itself orders by the key alone.
    void SetIndexFieldName(const QString &fieldName);
    const QString &IndexFieldName() const { return m_indexFieldName; }
    void CopySettingsFrom(const TableCursor &other);

    virtual void Open();
    virtual void Close();
    bool Active() const { return m_state != State::Inactive; }
    State CurrentState() const { return m_state; }

    const QStringList &FieldNames() const { return m_fieldNames; }
    // Position of a field by name (letter case ignored), -1 when the table lacks it.
    int FieldIndex(const QString &fieldName) const;
    const QString &KeyFieldName() const { return m_keyFieldName; }

    bool HasRow() const { return m_hasRow; }
    // The current row's key: a bookmark to return to with GotoKey.
    qint64 RowKey() const { return m_key; }
    bool GotoKey(qint64 key);
    // Key search on the current index: the first row whose index field equals value.
    bool Locate(qint64 value);

    // Restricts First and Next to rows whose index field lies in [from, to).
    void SetRange(qint64 from, qint64 toExclusive);
    void CancelRange();
    bool HasRange() const { return m_hasRange; }
    bool First();
    bool Next();
    // The keys of every row in the range (or table), in cursor order.
    QList<qint64> RangeKeys();

    QVariant Value(int field) const;
    QVariant FieldValue(const QString &fieldName) const;
    void SetValue(int field, const QVariant &value);
    void SetFieldValue(const QString &fieldName, const QVariant &value);

    void Append();
    void Edit();
    void Post();
    void Cancel();
    // Deletes the current row and moves to the row after it.
    void Delete();

    // Calls the listener after each row event of this cursor, in the order
    // listeners were added. A listener may read the cursor and add or drop
    // subscriptions.
    [[nodiscard]] RowSubscription WatchRows(RowListener listener);

protected:
    // Called after the cursor opened and before it closes.
    virtual void Opened() {}
    virtual void Closing() {}

private:
    void RequireActive() const;
    void RequireRow() const;
    void RequireEditing() const;
    int RequireField(const QString &fieldName) const;
    bool LoadRow(qint64 key) const;
    void RefreshIfChanged() const;
    void BuildStatements();
    QString OrderClause() const;
    QString RangeCondition() const;
    bool PositionOnFirstKey(const QString &sql, const QVariant &indexValue);
    bool OrderedByKey() const;
    void NotifyRow(RowEvent event);

    SqliteConnection *m_connection = nullptr;
    QString m_tableName;
    QString m_indexFieldName;
    QStringList m_fieldNames;
    QString m_keyFieldName;
    int m_keyField = -1;
    int m_indexField = -1;
    State m_state = State::Inactive;

    bool m_hasRange = false;
    qint64 m_rangeFrom = 0;
    qint64 m_rangeTo = 0;

    // The current row; mutable because reading a value may re-read a changed row.
    mutable bool m_hasRow = false;
    mutable qint64 m_key = 0;
    mutable QVariant m_indexValue;
    mutable std::vector<QVariant> m_row;
    mutable qint64 m_stamp = -1;
    std::vector<bool> m_modified;

    QString m_sqlLoad;
    QString m_sqlLocate;
    QString m_sqlFirst;
    QString m_sqlNext;
    QString m_sqlNextAfterNull;
    QString m_sqlRangeKeys;

    std::shared_ptr<ListenerList> m_listeners;
};
