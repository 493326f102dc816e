#include "StoreFixture.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

// Expects the statement to raise a database error with exactly this text.
#define EXPECT_DATABASE_ERROR(statement, text)                                                     \
    try {                                                                                          \
        statement;                                                                                 \
        ADD_FAILURE() << "no error raised, expected: " << QString(text).toStdString();             \
    } catch (const EDatabaseError &error) {                                                        \
        EXPECT_EQ(error.Message(), QString(text));                                                 \
    }

} // namespace

class ItemTreeTest : public StoreFixture
{
protected:
    TDBItemTree &Tree() { return m_data->Catalogs; }

    // A chain of folders below Catalogs, each the parent of the next.
    std::vector<qint64> Chain(int length)
    {
        std::vector<qint64> ids;
        qint64 parent = 3;
        m_data->RunInTransaction([&] {
            for (int i = 0; i < length; ++i) {
                parent = AddObject(parent, u"L%1"_s.arg(i));
                ids.push_back(parent);
            }
        });
        return ids;
    }

    QStringList ChildNames(qint64 parent)
    {
        QStringList names;
        Tree().SetChildRange(parent);
        for (bool more = Tree().FirstChild(); more; more = Tree().NextChild())
            names << Tree().ChildName();
        return names;
    }
};

TEST_F(ItemTreeTest, PathsStartBelowTheDatabaseObject)
{
    const qint64 folder = AddFolder(u"Work"_s);
    const qint64 disk = AddDisk(u"Disk 1"_s, folder);
    EXPECT_EQ(Tree().PathByID(3, false), u"Catalogs"_s);
    EXPECT_EQ(Tree().PathByID(disk, false), u"Catalogs\\Work\\Disk 1"_s);
    EXPECT_TRUE(Tree().LastFound());
    EXPECT_EQ(Tree().LastClass(), kHardDiskClass);
    EXPECT_EQ(GetObjectPath(*m_data, 5), u"Archives\\Volume Pool"_s);

    EXPECT_EQ(Tree().PathByID(4242, true), QString());
    EXPECT_FALSE(Tree().LastFound());
    EXPECT_EQ(Tree().LastClass(), 0);

    // ItemPath on a cursor: the object, its parents and the noted class.
    ASSERT_TRUE(Tree().Locate(Tree().LookupCursor(), disk));
    EXPECT_EQ(Tree().ItemPath(Tree().LookupCursor()), u"Catalogs\\Work\\Disk 1"_s);
    EXPECT_EQ(Tree().LastClass(), kHardDiskClass);
    EXPECT_EQ(Tree().ItemPath(nullptr), QString());
    EXPECT_EQ(Tree().LastClass(), 0);

    // A hidden ancestor adds nothing; a hidden object whose path would be
    // empty is named all the same when asked to.
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET NameHidden = 1 WHERE ID = %1"_s.arg(folder));
    EXPECT_EQ(Tree().PathByID(disk, false), u"Catalogs\\Disk 1"_s);
    const qint64 hidden = AddFolder(u"Secret"_s, 1);
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET NameHidden = 1 WHERE ID = %1"_s.arg(hidden));
    EXPECT_EQ(Tree().PathByID(hidden, false), QString());
    EXPECT_EQ(Tree().PathByID(hidden, true), u"Secret"_s);
}

TEST_F(ItemTreeTest, DepthLimitAllows1024StepsAndCyclesFail)
{
    const std::vector<qint64> chain = Chain(1027);
    // From the 1024th link, 1024 steps lead up to Catalogs; one more is too many.
    EXPECT_NO_THROW(Tree().PathByID(chain[1023], false));
    EXPECT_EQ(Tree().PathByID(chain[2], false), u"Catalogs\\L0\\L1\\L2"_s);
    EXPECT_DATABASE_ERROR(Tree().PathByID(chain[1024], false),
                          u"To many Tree Levels. Tree could be corrupted. ID=3"_s);
    EXPECT_EQ(Tree().WalkUp(chain[1022], nullptr, false), 1024);
    EXPECT_THROW(Tree().WalkUp(chain[1024], nullptr, false), EDatabaseError);

    // Cycles fail instead of looping for ever; class 0 makes OwnerClass climb as well.
    const qint64 a = AddObject(kCatalogsId, u"A"_s, 0);
    const qint64 b = AddObject(a, u"B"_s, 0);
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET Parent = %1 WHERE ID = %2"_s.arg(b).arg(a));
    EXPECT_THROW(Tree().PathByID(a, false), EDatabaseError);
    EXPECT_THROW(Tree().WalkUp(a, nullptr, true), EDatabaseError);
    EXPECT_THROW(Tree().OwnerClass(a), EDatabaseError);
    EXPECT_TRUE(Tree().IsAncestor(a, a));
    EXPECT_THROW(Tree().WalkSubtree(a, nullptr, nullptr), EDatabaseError);
}

TEST_F(ItemTreeTest, WalkUpCountsStepsToTheRoot)
{
    const qint64 a = AddObject(kCatalogsId, u"A"_s);
    EXPECT_EQ(Tree().WalkUp(3, nullptr, false), 1);
    EXPECT_EQ(Tree().WalkUp(1, nullptr, false), 0);
    EXPECT_EQ(Tree().WalkUp(999, nullptr, false), -1);
    QList<qint64> visited;
    EXPECT_EQ(Tree().WalkUp(
                  a, [&](TableCursor &cursor, bool &) { visited << Tree().ItemID(&cursor); }, true),
              3);
    EXPECT_EQ(visited, (QList<qint64>{a, 3, 1}));

    // A broken chain names the missing parent.
    const qint64 orphan = AddObject(777, u"Orphan"_s);
    EXPECT_DATABASE_ERROR(Tree().WalkUp(orphan, nullptr, false),
                          u"TDBItemTree.GotoItem error: Item 777 Not Found."_s);
}

TEST_F(ItemTreeTest, ChildrenComeInIdOrderAndFindChildIgnoresAsciiCaseOnly)
{
    const qint64 a = AddObject(kCatalogsId, u"beta"_s);
    AddObject(kCatalogsId, u"Alpha"_s);
    const qint64 accented = AddObject(kCatalogsId, u"Éclair"_s);
    EXPECT_EQ(ChildNames(3), (QStringList{u"beta"_s, u"Alpha"_s, u"Éclair"_s}));
    EXPECT_EQ(Tree().FindChild(3, u"BETA"_s), a);
    EXPECT_EQ(Tree().ChildID(), a);
    EXPECT_EQ(Tree().FindChild(3, u"Éclair"_s), accented);
    EXPECT_EQ(Tree().FindChild(3, u"éclair"_s), -1);
    EXPECT_EQ(Tree().FindChild(3, u"gamma"_s), -1);
    // Siblings that differ in case alone: the exact name wins.
    const qint64 upper = AddObject(kCatalogsId, u"BETA"_s);
    EXPECT_EQ(Tree().FindChild(3, u"BETA"_s), upper);
    EXPECT_EQ(Tree().FindChild(3, u"Beta"_s), a);
    EXPECT_TRUE(Tree().HasChildren(3));
    EXPECT_FALSE(Tree().HasChildren(a));

    // The root never shows among children, even where its parent is asked for.
    EXPECT_EQ(ChildNames(0), QStringList());
    EXPECT_EQ(Tree().FindChild(0, u"Dirvanta Database"_s), -1);
}

TEST_F(ItemTreeTest, LookUpsDoNotMoveTheComponentsOwnRow)
{
    const qint64 disk = AddDisk(u"Disk"_s);
    ASSERT_TRUE(Tree().Locate(&Tree(), disk));
    Tree().PathByID(5, false);
    Tree().GetNameByID(2);
    Tree().FindChild(1, u"Archives"_s);
    Tree().WalkSubtree(1, nullptr, nullptr);
    Tree().OwnerClass(5);
    Tree().HasChildren(1);
    GetObjectName(*m_data, 4);
    SetCatalogSize(*m_data, 2, 10);
    EXPECT_EQ(Tree().CurrentID(), disk);
    EXPECT_EQ(Tree().CurrentPath(), u"Catalogs\\Disk"_s);
    // The component itself is ordered by ID, the child cursor by parent.
    EXPECT_EQ(Tree().IndexFieldName(), u"ID"_s);
    EXPECT_EQ(Tree().ChildCursor()->IndexFieldName(), u"Parent"_s);
}

TEST_F(ItemTreeTest, WalkSubtreeCountsPassesDataDownwardAndLetsProceduresDeleteAndStop)
{
    const qint64 leaf = AddObject(kCatalogsId, u"Leaf"_s);
    EXPECT_EQ(Tree().WalkSubtree(leaf, nullptr, nullptr), 1);

    const qint64 top = AddObject(kCatalogsId, u"Top"_s);
    const qint64 left = AddObject(top, u"Left"_s);
    const qint64 right = AddObject(top, u"Right"_s);
    const qint64 grandchild = AddObject(left, u"Grandchild"_s);
    QList<qint64> pre;
    QList<qint64> post;
    QMap<qint64, qint64> seen;
    const qint64 count = Tree().WalkSubtree(
        top,
        [&](TableCursor &cursor, qint64 &data, bool &) {
            const qint64 id = Tree().ItemID(&cursor);
            pre << id;
            seen[id] = data;
            data = id; // the children see their parent's ID
        },
        [&](TableCursor &cursor, qint64 &, bool &) { post << Tree().ItemID(&cursor); }, 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(pre, (QList<qint64>{top, left, grandchild, right}));
    EXPECT_EQ(post, (QList<qint64>{grandchild, left, right, top}));
    EXPECT_EQ(seen[top], 0);
    EXPECT_EQ(seen[left], top);
    EXPECT_EQ(seen[grandchild], left);
    EXPECT_EQ(seen[right], top);

    EXPECT_DATABASE_ERROR(Tree().WalkSubtree(4711, nullptr, nullptr),
                          u"Node ID = 4711 not found."_s);

    // Deleting what is visited: the snapshot still holds.
    EXPECT_EQ(Tree().WalkSubtree(top, nullptr,
                                 [&](TableCursor &cursor, qint64 &, bool &) {
                                     if (Tree().ItemID(&cursor) != top)
                                         cursor.Delete();
                                 }),
              4);
    EXPECT_FALSE(Tree().HasChildren(top));

    for (int i = 0; i < 5; ++i)
        AddObject(top, u"Again %1"_s.arg(i));
    int visits = 0;
    Tree().WalkSubtree(
        top, [&](TableCursor &, qint64 &, bool &stop) { stop = ++visits == 3; }, nullptr);
    EXPECT_EQ(visits, 3);
}

TEST_F(ItemTreeTest, MovesRefuseDescendantsAndMergeFoldersWithTheirFiles)
{
    const qint64 target = AddFolder(u"Target"_s);
    const qint64 source = AddObject(kCatalogsId, u"A"_s);
    const qint64 x = AddObject(source, u"X"_s);
    const qint64 y = AddObject(source, u"Y"_s);
    const qint64 existingA = AddObject(target, u"a"_s);
    const qint64 existingY = AddObject(existingA, u"Y"_s);
    const qint64 sourceFile = AddFile(source, u"in A.txt"_s);
    const qint64 yFile = AddFile(y, u"in Y.txt"_s);
    const qint64 ySub = AddObject(y, u"Deeper"_s);

    EXPECT_DATABASE_ERROR(Tree().MoveItem(source, x),
                          u"Destination Node can not be a child Node of the Source"_s);

    Tree().MoveItem(source, target);
    EXPECT_EQ(GetObjectName(*m_data, source), QString()); // merged away
    EXPECT_EQ(ParentOf(x), existingA);
    EXPECT_EQ(GetObjectName(*m_data, y), QString()); // merged into the existing Y
    EXPECT_EQ(ParentOf(ySub), existingY);
    // The files of merged folders move with them rather than losing their owner.
    EXPECT_EQ(GetFileOwner(*m_data, sourceFile), existingA);
    EXPECT_EQ(GetFileOwner(*m_data, yFile), existingY);
    EXPECT_EQ(GetObjectPath(*m_data, x), u"Catalogs\\Target\\a\\X"_s);
}

TEST_F(ItemTreeTest, MovesOfCatalogsKeepNamesakesAndPlainMovesOnlyReparent)
{
    const qint64 first = AddFolder(u"Folder 1"_s);
    const qint64 second = AddFolder(u"Folder 2"_s);
    const qint64 disk = AddObject(first, u"Disk"_s, kRemovableDiskClass);
    const qint64 inside = AddObject(disk, u"Inside"_s);
    const qint64 twin = AddObject(second, u"DISK"_s, kRemovableDiskClass);

    Tree().MoveItem(disk, second);
    EXPECT_EQ(ParentOf(disk), second);
    EXPECT_EQ(ParentOf(twin), second);
    EXPECT_EQ(ParentOf(inside), disk);

    // Onto a sibling without namesake: only Parent changes.
    const qint64 plain = AddObject(first, u"Plain"_s);
    Tree().MoveItem(plain, second);
    EXPECT_EQ(ParentOf(plain), second);
    EXPECT_EQ(GetObjectName(*m_data, plain), u"Plain"_s);

    // Moving an object to the parent it already has changes nothing and loses nothing.
    const qint64 child = AddObject(plain, u"Child"_s);
    Tree().MoveItem(plain, second);
    EXPECT_EQ(ParentOf(plain), second);
    EXPECT_EQ(ParentOf(child), plain);
    Tree().MoveItem(plain, plain);
    EXPECT_EQ(ParentOf(plain), second);
}

TEST_F(ItemTreeTest, CopyAndMirrorRebuildTheAncestorChainUnderAnotherRoot)
{
    const qint64 work = AddFolder(u"Work"_s);
    const qint64 year = AddFolder(u"2026"_s, work);
    const qint64 disk = AddDisk(u"Disk"_s, year);
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET Comment = 'kept', Source = '/srv' WHERE ID = %1"_s.arg(work));

    const qint64 copy = Tree().CopyItem(work, 4);
    EXPECT_NE(copy, work);
    EXPECT_EQ(ParentOf(copy), 4);
    EXPECT_EQ(GetObjectComment(*m_data, copy), u"kept"_s);
    EXPECT_EQ(Tree().CopyItem(9999, 4), -1);
    m_data->CatalogDatabase.ExecuteScript(u"DELETE FROM Catalogs WHERE ID = %1"_s.arg(copy));

    const qint64 mirrorParent = Tree().MirrorPath(disk, 3, 4);
    EXPECT_EQ(GetObjectPath(*m_data, mirrorParent), u"Wastebasket\\Work\\2026"_s);
    EXPECT_EQ(Tree().WalkSubtree(4, nullptr, nullptr), 3);
    // A second mirror reuses the folders made by the first.
    EXPECT_EQ(Tree().MirrorPath(disk, 3, 4), mirrorParent);
    EXPECT_EQ(Tree().WalkSubtree(4, nullptr, nullptr), 3);

    // And back: restoring finds the original folders.
    Tree().MoveItem(disk, mirrorParent);
    EXPECT_EQ(Tree().MirrorPath(disk, 4, 3), year);
}

TEST_F(ItemTreeTest, OwnerClassAndFieldNameRules)
{
    const qint64 zero = AddObject(kCatalogsId, u"No class"_s, 0);
    EXPECT_EQ(Tree().OwnerClass(zero), kCatalogsFolderClass);
    EXPECT_EQ(Tree().OwnerClass(4), kEmptyWastebasketClass);
    EXPECT_EQ(Tree().OwnerClass(12345), 0);

    EXPECT_DATABASE_ERROR(Tree().SetParentByID(12345, 3), u"Could not locate Item ID = 12345"_s);
    EXPECT_DATABASE_ERROR(Tree().SetItemName(nullptr, u"x"_s), u"TDBItemTree error. Table = nil"_s);
    EXPECT_EQ(Tree().ItemID(nullptr), 0);
    EXPECT_EQ(Tree().ItemName(nullptr), QString());

    // Field names are checked when they are resolved.
    struct Case
    {
        const char *id;
        const char *parent;
        const char *name;
        const char *error;
    } const cases[] = {
        {"", "Parent", "Name", "ID is required field for DBItemTree component"},
        {"ID", "", "Name", "Parent is required field for DBItemTree component"},
        {"ID", "Parent", "Title", "Unknown field Title"},
    };
    for (const Case &c : cases) {
        TDBItemTree tree;
        tree.SetConnection(&m_data->CatalogDatabase);
        tree.SetTableName(u"Catalogs"_s);
        tree.ItemIDFieldName = QLatin1String(c.id);
        tree.ItemParentFieldName = QLatin1String(c.parent);
        tree.ItemNameFieldName = QLatin1String(c.name);
        EXPECT_DATABASE_ERROR(tree.Open(), QLatin1String(c.error));
    }

    // Optional fields left out: an error, or a default when allowed.
    TDBItemTree tree;
    tree.SetConnection(&m_data->CatalogDatabase);
    tree.SetTableName(u"Catalogs"_s);
    tree.ItemIDFieldName = u"ID"_s;
    tree.ItemParentFieldName = u"Parent"_s;
    tree.Loaded();
    tree.Open();
    ASSERT_TRUE(tree.Locate(&tree, 3));
    EXPECT_DATABASE_ERROR(tree.CurrentName(), u"DBItemTree field Name is not defined."_s);
    EXPECT_DATABASE_ERROR(tree.CurrentClass(), u"DBItemTree field Class is not defined."_s);
    tree.ItemFieldUseDefault = true;
    EXPECT_EQ(tree.CurrentName(), QString());
    EXPECT_EQ(tree.CurrentClass(), 0);
    EXPECT_EQ(tree.CurrentParent(), 1);
}
