#include "store/TableCursor.h"

#include "store/DatabaseError.h"
#include "store/SqliteConnection.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class TableCursorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_db.Open(m_folder.filePath(u"t.db"_s), true);
        m_db.ExecuteScript(
            u"CREATE TABLE T (ID INTEGER PRIMARY KEY AUTOINCREMENT, Parent INTEGER, Name TEXT);"
            "INSERT INTO T (Parent, Name) VALUES (1, 'a'), (NULL, 'b'), (1, 'c'), (2, 'd'), "
            "(NULL, 'e');"_s);
    }

    QStringList Names(TableCursor &cursor)
    {
        QStringList names;
        for (bool more = cursor.First(); more; more = cursor.Next())
            names << cursor.FieldValue(u"Name"_s).toString();
        return names;
    }

    QTemporaryDir m_folder;
    SqliteConnection m_db;
};

using RowEvent = TableCursor::RowEvent;

const char *const kEventNames[] = {"EditStarted", "Posted", "Cancelled"};

// A cursor on the table that logs the row events it reports.
class TableCursorEventsTest : public TableCursorTest
{
protected:
    void SetUp() override
    {
        TableCursorTest::SetUp();
        m_cursor.Open();
        m_subscription = m_cursor.WatchRows([this](TableCursor &cursor, RowEvent event) {
            // Each event with the name the cursor shows at that moment.
            const QString name =
                cursor.Active() ? cursor.FieldValue(u"Name"_s).toString() : u"(closed)"_s;
            m_log << QString::fromLatin1(kEventNames[int(event)]) + u':' + name;
        });
    }

    QStringList TakeLog() { return std::exchange(m_log, {}); }

    TableCursor m_cursor{&m_db, u"T"_s};
    TableCursor::RowSubscription m_subscription;
    QStringList m_log;
};

TEST_F(TableCursorEventsTest, ReportsEditPostAndCancelOfItsOwnRowOnly)
{
    ASSERT_TRUE(m_cursor.Locate(1));
    m_cursor.Edit();
    m_cursor.Edit(); // already editing: no second report
    m_cursor.SetFieldValue(u"Name"_s, u"a2"_s);
    m_cursor.Post();
    EXPECT_EQ(TakeLog(), (QStringList{u"EditStarted:a"_s, u"Posted:a2"_s}));

    // An append is posted but never started an edit.
    m_cursor.Append();
    m_cursor.SetFieldValue(u"Name"_s, u"c"_s);
    m_cursor.Post();
    EXPECT_EQ(TakeLog(), QStringList{u"Posted:c"_s});

    // Moving away drops an edit; cancelling while browsing reports nothing.
    m_cursor.Edit();
    ASSERT_TRUE(m_cursor.Locate(2));
    m_cursor.Cancel();
    EXPECT_EQ(TakeLog(), (QStringList{u"EditStarted:c"_s, u"Cancelled:c"_s}));

    // Another cursor on the same table reports to its own listeners only.
    TableCursor other(&m_db, u"T"_s);
    other.Open();
    ASSERT_TRUE(other.Locate(2));
    other.Edit();
    other.SetFieldValue(u"Name"_s, u"b2"_s);
    other.Post();
    EXPECT_TRUE(TakeLog().isEmpty());

    // Closing while editing drops the edit too.
    m_cursor.Edit();
    m_cursor.Close();
    EXPECT_EQ(TakeLog(), (QStringList{u"EditStarted:b2"_s, u"Cancelled:(closed)"_s}));
}

TEST_F(TableCursorEventsTest, SubscriptionsEndWithTheirOwnerAndMayOutliveTheCursor)
{
    int calls = 0;
    {
        auto scoped = m_cursor.WatchRows([&](TableCursor &, RowEvent) { ++calls; });
        ASSERT_TRUE(m_cursor.Locate(1));
        m_cursor.Edit();
        EXPECT_EQ(calls, 1);
        // A moved subscription keeps the registration; the moved-from one is empty.
        TableCursor::RowSubscription moved = std::move(scoped);
        m_cursor.Cancel();
        EXPECT_EQ(calls, 2);
    }
    m_cursor.Edit();
    m_cursor.Cancel();
    EXPECT_EQ(calls, 2);

    // A listener that drops itself and another one during a call: the other
    // is not called any more, later listeners still are.
    TableCursor::RowSubscription first;
    TableCursor::RowSubscription second;
    int secondCalls = 0;
    int thirdCalls = 0;
    first = m_cursor.WatchRows([&](TableCursor &, RowEvent) {
        first.Reset();
        second.Reset();
    });
    second = m_cursor.WatchRows([&](TableCursor &, RowEvent) { ++secondCalls; });
    auto third = m_cursor.WatchRows([&](TableCursor &, RowEvent) { ++thirdCalls; });
    m_cursor.Edit();
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(thirdCalls, 1);

    // Ending a subscription after its cursor is gone is harmless.
    auto orphan = std::make_unique<TableCursor>(&m_db, u"T"_s);
    auto late = orphan->WatchRows([](TableCursor &, RowEvent) {});
    orphan.reset();
    late.Reset();
}

} // namespace

TEST_F(TableCursorTest, StatementsBindTextSafelyAndRefuseASecondCommand)
{
    SqliteStatement &insert = m_db.Prepare(u"INSERT INTO T (Parent, Name) VALUES (9, ?1)"_s);
    insert.Bind(1, u"O'Brien's \"disk\"; DROP TABLE T"_s).Execute();
    SqliteStatement &read = m_db.Prepare(u"SELECT Name FROM T WHERE Parent = 9"_s);
    ASSERT_TRUE(read.Step());
    EXPECT_EQ(read.Text(0), u"O'Brien's \"disk\"; DROP TABLE T"_s);
    read.Reset();
    EXPECT_THROW(m_db.Prepare(u"SELECT 1; DELETE FROM T"_s), EDatabaseError);
    EXPECT_THROW(m_db.Prepare(u"SELECT nonsense FROM nowhere"_s), EDatabaseError);
}

TEST_F(TableCursorTest, OrdersByIndexFieldThenKeyWithBlanksFirstAndRangesExcludeThem)
{
    TableCursor byParent(&m_db, u"T"_s);
    byParent.SetIndexFieldName(u"Parent"_s);
    byParent.Open();
    EXPECT_EQ(Names(byParent), (QStringList{u"b"_s, u"e"_s, u"a"_s, u"c"_s, u"d"_s}));
    byParent.SetRange(1, 2);
    EXPECT_EQ(Names(byParent), (QStringList{u"a"_s, u"c"_s}));
    EXPECT_EQ(byParent.RangeKeys(), (QList<qint64>{1, 3}));
    EXPECT_TRUE(byParent.Locate(2));
    EXPECT_EQ(byParent.FieldValue(u"Name"_s), u"d"_s);
    EXPECT_FALSE(byParent.Locate(7));
    EXPECT_FALSE(byParent.HasRow());
    EXPECT_TRUE(byParent.Value(0).isNull());
}

TEST_F(TableCursorTest, CursorsSeeEachOthersChangesAndSurviveDeletes)
{
    TableCursor first(&m_db, u"T"_s);
    TableCursor second(&m_db, u"T"_s);
    first.Open();
    second.Open();
    ASSERT_TRUE(first.Locate(3));
    ASSERT_TRUE(second.Locate(3));
    second.Edit();
    second.SetFieldValue(u"Name"_s, u"changed"_s);
    second.Post();
    EXPECT_EQ(first.FieldValue(u"Name"_s), u"changed"_s);

    // Deleted under the first cursor: it carries on with the row after it.
    second.Delete();
    EXPECT_EQ(second.FieldValue(u"ID"_s).toLongLong(), 4);
    EXPECT_FALSE(first.HasRow() && first.FieldValue(u"ID"_s).toLongLong() == 3);
    EXPECT_TRUE(first.Next());
    EXPECT_EQ(first.FieldValue(u"ID"_s).toLongLong(), 4);

    // Append posts only what was set; the key comes from the table.
    first.Append();
    first.SetFieldValue(u"Name"_s, u"new"_s);
    first.Post();
    EXPECT_EQ(first.FieldValue(u"ID"_s).toLongLong(), 6);
    EXPECT_TRUE(first.FieldValue(u"Parent"_s).isNull());
    first.Edit();
    first.SetFieldValue(u"Name"_s, u"dropped"_s);
    first.Cancel();
    EXPECT_EQ(first.FieldValue(u"Name"_s), u"new"_s);
    EXPECT_THROW(first.SetFieldValue(u"Name"_s, QString()), EDatabaseError);
    EXPECT_THROW(first.FieldValue(u"Missing"_s), EDatabaseError);
}
