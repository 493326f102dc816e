#include "store/SqliteConnection.h"
#include "store/TableCursor.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using RowEvent = TableCursor::RowEvent;

const char *EventName(RowEvent event)
{
    switch (event) {
    case RowEvent::EditStarted:
        return "EditStarted";
    case RowEvent::Posted:
        return "Posted";
    case RowEvent::Cancelled:
        return "Cancelled";
    }
    return "?";
}

class TableCursorEventsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_db.Open(m_folder.filePath(u"t.db"_s), true);
        m_db.ExecuteScript(u"CREATE TABLE T (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT);"
                           "INSERT INTO T (Name) VALUES ('a'), ('b');"_s);
        m_cursor.Open();
        m_subscription = m_cursor.WatchRows([this](TableCursor &cursor, RowEvent event) {
            // Each event with the name the cursor shows at that moment.
            const QString name =
                cursor.Active() ? cursor.FieldValue(u"Name"_s).toString() : u"(closed)"_s;
            m_log << QString::fromLatin1(EventName(event)) + u':' + name;
        });
    }

    QStringList TakeLog() { return std::exchange(m_log, {}); }

    QTemporaryDir m_folder;
    SqliteConnection m_db;
    TableCursor m_cursor{&m_db, u"T"_s};
    TableCursor::RowSubscription m_subscription;
    QStringList m_log;
};

} // namespace

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
