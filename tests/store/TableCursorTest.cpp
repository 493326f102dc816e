#include "store/TableCursor.h"

#include "store/DatabaseError.h"
#include "store/SqliteConnection.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class TableCursorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_db.Open(m_folder.filePath(QStringLiteral("t.db")), true);
        m_db.ExecuteScript(QStringLiteral(
            "CREATE TABLE T (ID INTEGER PRIMARY KEY AUTOINCREMENT, Parent INTEGER, Name TEXT);"
            "INSERT INTO T (Parent, Name) VALUES (1, 'a'), (NULL, 'b'), (1, 'c'), (2, 'd'), "
            "(NULL, 'e');"));
    }

    QStringList Names(TableCursor &cursor)
    {
        QStringList names;
        for (bool more = cursor.First(); more; more = cursor.Next())
            names << cursor.FieldValue(QStringLiteral("Name")).toString();
        return names;
    }

    QTemporaryDir m_folder;
    SqliteConnection m_db;
};

} // namespace

TEST_F(TableCursorTest, StatementsBindTextSafelyAndRefuseASecondCommand)
{
    SqliteStatement &insert =
        m_db.Prepare(QStringLiteral("INSERT INTO T (Parent, Name) VALUES (9, ?1)"));
    insert.Bind(1, QStringLiteral("O'Brien's \"disk\"; DROP TABLE T")).Execute();
    SqliteStatement &read = m_db.Prepare(QStringLiteral("SELECT Name FROM T WHERE Parent = 9"));
    ASSERT_TRUE(read.Step());
    EXPECT_EQ(read.Text(0), QStringLiteral("O'Brien's \"disk\"; DROP TABLE T"));
    read.Reset();
    EXPECT_THROW(m_db.Prepare(QStringLiteral("SELECT 1; DELETE FROM T")), EDatabaseError);
    EXPECT_THROW(m_db.Prepare(QStringLiteral("SELECT nonsense FROM nowhere")), EDatabaseError);
}

TEST_F(TableCursorTest, OrdersByIndexFieldThenKeyWithBlanksFirstAndRangesExcludeThem)
{
    TableCursor byParent(&m_db, QStringLiteral("T"));
    byParent.SetIndexFieldName(QStringLiteral("Parent"));
    byParent.Open();
    EXPECT_EQ(Names(byParent),
              (QStringList{QStringLiteral("b"), QStringLiteral("e"), QStringLiteral("a"),
                           QStringLiteral("c"), QStringLiteral("d")}));
    byParent.SetRange(1, 2);
    EXPECT_EQ(Names(byParent), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_EQ(byParent.RangeKeys(), (QList<qint64>{1, 3}));
    EXPECT_TRUE(byParent.Locate(2));
    EXPECT_EQ(byParent.FieldValue(QStringLiteral("Name")), QStringLiteral("d"));
    EXPECT_FALSE(byParent.Locate(7));
    EXPECT_FALSE(byParent.HasRow());
    EXPECT_TRUE(byParent.Value(0).isNull());
}

TEST_F(TableCursorTest, CursorsSeeEachOthersChangesAndSurviveDeletes)
{
    TableCursor first(&m_db, QStringLiteral("T"));
    TableCursor second(&m_db, QStringLiteral("T"));
    first.Open();
    second.Open();
    ASSERT_TRUE(first.Locate(3));
    ASSERT_TRUE(second.Locate(3));
    second.Edit();
    second.SetFieldValue(QStringLiteral("Name"), QStringLiteral("changed"));
    second.Post();
    EXPECT_EQ(first.FieldValue(QStringLiteral("Name")), QStringLiteral("changed"));

    // Deleted under the first cursor: it carries on with the row after it.
    second.Delete();
    EXPECT_EQ(second.FieldValue(QStringLiteral("ID")).toLongLong(), 4);
    EXPECT_FALSE(first.HasRow() && first.FieldValue(QStringLiteral("ID")).toLongLong() == 3);
    EXPECT_TRUE(first.Next());
    EXPECT_EQ(first.FieldValue(QStringLiteral("ID")).toLongLong(), 4);

    // Append posts only what was set; the key comes from the table.
    first.Append();
    first.SetFieldValue(QStringLiteral("Name"), QStringLiteral("new"));
    first.Post();
    EXPECT_EQ(first.FieldValue(QStringLiteral("ID")).toLongLong(), 6);
    EXPECT_TRUE(first.FieldValue(QStringLiteral("Parent")).isNull());
    first.Edit();
    first.SetFieldValue(QStringLiteral("Name"), QStringLiteral("dropped"));
    first.Cancel();
    EXPECT_EQ(first.FieldValue(QStringLiteral("Name")), QStringLiteral("new"));
    EXPECT_THROW(first.SetFieldValue(QStringLiteral("Name"), QString()), EDatabaseError);
    EXPECT_THROW(first.FieldValue(QStringLiteral("Missing")), EDatabaseError);
}
