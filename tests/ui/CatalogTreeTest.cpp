#include "store/StoreFixture.h"
#include "ui/ItemTree.h"
#include "ui/ObjectIcons.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A catalog database in a temporary folder and the tree bound to its
// Catalogs table, shown offscreen.
class CatalogTreeTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        // Sorting follows the locale's collation; pin one so the expected
        // orders do not depend on the machine.
        m_savedLocale = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        StoreFixture::SetUp();
        m_tree = std::make_unique<TItemTree>();
        m_tree->SetDBITree(&m_data->Catalogs);
        m_tree->resize(300, 500);
        m_tree->show();
    }

    void TearDown() override
    {
        m_tree.reset();
        StoreFixture::TearDown();
        QLocale::setDefault(m_savedLocale);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "hourglass left on";
    }

    qint64 Add(const QString &name, int cls = CatalogSchema::kCatalogFolderClass,
               qint64 parent = CatalogSchema::kCatalogsId)
    {
        return AddObject(parent, name, cls);
    }

    // Changes made by another part of the program, behind the tree's back.
    void Sql(const QString &script) { m_data->CatalogDatabase.ExecuteScript(script); }

    QTreeWidgetItem *Node(qint64 id) { return m_tree->FindNodeByID(nullptr, id); }

    static QStringList Texts(const QTreeWidgetItem *parent)
    {
        QStringList texts;
        for (int i = 0; i < parent->childCount(); ++i)
            texts << parent->child(i)->text(0);
        return texts;
    }

    int NodeCount()
    {
        int count = 0;
        for (QTreeWidgetItemIterator it(m_tree.get()); *it; ++it)
            ++count;
        return count;
    }

    static bool Expandable(const QTreeWidgetItem *node)
    {
        return node->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
    }

    // Edits a node's text in place as the user does and presses Enter.
    void EditInPlace(QTreeWidgetItem *node, const QString &text)
    {
        m_tree->setCurrentItem(node);
        m_tree->editItem(node);
        auto *editor = m_tree->viewport()->findChild<QLineEdit *>();
        ASSERT_NE(editor, nullptr) << "no editor opened";
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // Enter ends the edit through a queued call, and the view lets the
        // closed editor go later: run both now.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(m_tree->viewport()->findChild<QLineEdit *>(), nullptr) << "editor still open";
    }

    QLocale m_savedLocale;
    std::unique_ptr<TItemTree> m_tree;
};

} // namespace

TEST_F(CatalogTreeTest, LoadsOneLevelPerExpansionWithExpandMarksFromTheTable)
{
    const qint64 work = Add(u"Work"_s);
    const qint64 disk = Add(u"Disk 1"_s, CatalogSchema::kHardDiskClass, work);
    const qint64 folder = Add(u"Docs"_s, CatalogSchema::kFileFolderClass, disk);

    m_tree->LoadTree(1);
    ASSERT_EQ(m_tree->topLevelItemCount(), 1);
    QTreeWidgetItem *top = m_tree->topLevelItem(0);
    EXPECT_EQ(TItemTree::NodeID(top), 1);
    EXPECT_TRUE(top->isExpanded());
    EXPECT_EQ(Texts(top), (QStringList{u"Archives"_s, u"Catalogs"_s, u"Wastebasket"_s}));
    EXPECT_EQ(NodeCount(), 4) << "only the top node and its children";

    QTreeWidgetItem *catalogs = Node(3);
    // Archives holds the Volume Pool; the Wastebasket is empty.
    EXPECT_TRUE(Expandable(Node(2)) && Expandable(catalogs) && !Expandable(Node(4)));
    EXPECT_EQ(catalogs->childCount(), 0);

    catalogs->setExpanded(true);
    ASSERT_NE(Node(work), nullptr);
    EXPECT_TRUE(Expandable(Node(work)));
    EXPECT_EQ(Node(disk), nullptr) << "grandchildren wait for their own expansion";

    Node(work)->setExpanded(true);
    Node(disk)->setExpanded(true);
    ASSERT_NE(Node(folder), nullptr);
    EXPECT_FALSE(Expandable(Node(folder))) << "a leaf has no expand mark";
    Node(folder)->setExpanded(true);
    EXPECT_EQ(Node(folder)->childCount(), 0);
    EXPECT_EQ(NodeCount(), 7);

    // Without a root the children of the database object are the top nodes.
    m_tree->ClearTree();
    m_tree->LoadTree(-1);
    EXPECT_EQ(m_tree->topLevelItemCount(), 3);
    EXPECT_EQ(NodeCount(), 3);
}

TEST_F(CatalogTreeTest, WastebasketShowsNoChildrenEvenWhenItHoldsObjects)
{
    const qint64 discarded =
        Add(u"Old Disk"_s, CatalogSchema::kHardDiskClass, CatalogSchema::kWastebasketId);
    Sql(u"UPDATE Catalogs SET Class = %1 WHERE ID = %2"_s.arg(CatalogSchema::kFullWastebasketClass)
            .arg(CatalogSchema::kWastebasketId));

    m_tree->LoadTree(1);
    QTreeWidgetItem *wastebasket = Node(4);
    ASSERT_NE(wastebasket, nullptr);
    EXPECT_FALSE(Expandable(wastebasket));
    wastebasket->setExpanded(true);
    EXPECT_EQ(wastebasket->childCount(), 0);
    EXPECT_EQ(TItemTree::NodeClass(wastebasket), CatalogSchema::kFullWastebasketClass);

    // Selecting an object inside it stops at the Wastebasket itself.
    m_tree->SelectByID(discarded);
    EXPECT_EQ(m_tree->SelectedID(), 4);
    EXPECT_EQ(Node(discarded), nullptr);
    m_tree->RefreshNodes();
    EXPECT_FALSE(Expandable(Node(4)));
}

TEST_F(CatalogTreeTest, SelectByIdOpensTheWayToANestedObject)
{
    const qint64 a = Add(u"A"_s);
    const qint64 b = Add(u"B"_s, CatalogSchema::kCatalogFolderClass, a);
    const qint64 target = Add(u"Target"_s, CatalogSchema::kHardDiskClass, b);
    const qint64 below = Add(u"Below"_s, CatalogSchema::kFileFolderClass, target);
    Add(u"Z Sibling"_s);
    m_tree->LoadTree(1);
    QSignalSpy selection(m_tree.get(), &TItemTree::SelectionChanged);

    m_tree->SelectByID(target);
    EXPECT_EQ(m_tree->SelectedID(), target);
    EXPECT_EQ(m_tree->SelectedClass(), CatalogSchema::kHardDiskClass);
    for (qint64 ancestor : {qint64(3), a, b})
        EXPECT_TRUE(Node(ancestor)->isExpanded()) << "ancestor " << ancestor;
    EXPECT_FALSE(Node(target)->isExpanded());
    EXPECT_EQ(Node(below), nullptr) << "the selected object itself is not opened";
    EXPECT_EQ(selection.count(), 1) << "one selection signal for the whole walk";

    // An ID that does not exist selects the top node.
    m_tree->SelectByID(999);
    EXPECT_EQ(m_tree->SelectedID(), 1);
    EXPECT_EQ(selection.count(), 2);
}

TEST_F(CatalogTreeTest, ExpandedChildrenAreSortedByLocaleAwareText)
{
    for (const char *name : {"cherry", "Banana", "apple", "\xc3\x84pfel"})
        Add(QString::fromUtf8(name));
    m_tree->LoadTree(1);
    Node(3)->setExpanded(true);
    // Letter case and accents sort as a reader expects, not by code point.
    EXPECT_EQ(Texts(Node(3)), (QStringList{QString::fromUtf8("\xc3\x84pfel"), u"apple"_s,
                                           u"Banana"_s, u"cherry"_s}));
}

TEST_F(CatalogTreeTest, RefreshNodesFollowsRenamesDeletionsMovesAndNewChildren)
{
    const qint64 keep = Add(u"Keep"_s);
    const qint64 gone = Add(u"Gone"_s);
    const qint64 gonesChild = Add(u"Inside"_s, CatalogSchema::kCatalogFolderClass, gone);
    const qint64 moved = Add(u"Moved"_s);
    const qint64 leaf = Add(u"Leaf"_s);
    m_tree->LoadTree(1);
    Node(3)->setExpanded(true);
    Node(gone)->setExpanded(true);
    m_tree->setCurrentItem(Node(gonesChild));
    EXPECT_FALSE(Expandable(Node(leaf)));

    Sql(u"UPDATE Catalogs SET Name = 'Zoo', Class = %5 WHERE ID = %1;"
        "DELETE FROM Catalogs WHERE ID IN (%2, %3);"
        "UPDATE Catalogs SET Parent = 2 WHERE ID = %4;"_s.arg(
            QString::number(keep), QString::number(gone), QString::number(gonesChild),
            QString::number(moved), QString::number(CatalogSchema::kArchiveFolderClass)));
    const qint64 fresh = Add(u"Fresh"_s);
    Add(u"Sprout"_s, CatalogSchema::kCatalogFolderClass, leaf);
    QSignalSpy selection(m_tree.get(), &TItemTree::SelectionChanged);

    m_tree->RefreshNodes();
    // A renamed node moves to its sorted place.
    EXPECT_EQ(Texts(Node(3)), (QStringList{u"Fresh"_s, u"Leaf"_s, u"Zoo"_s}));
    EXPECT_EQ(TItemTree::NodeClass(Node(keep)), CatalogSchema::kArchiveFolderClass);
    EXPECT_EQ(Node(gone), nullptr);
    EXPECT_EQ(Node(gonesChild), nullptr);
    EXPECT_EQ(Node(moved), nullptr) << "Archives is not loaded, so the moved object has no node";
    EXPECT_NE(Node(fresh), nullptr);
    EXPECT_TRUE(Expandable(Node(leaf))) << "a leaf that gained a child can be opened";
    // The selection was inside the deleted branch and moved on to a neighbour.
    EXPECT_NE(m_tree->currentItem(), nullptr);
    EXPECT_EQ(selection.count(), 1);
}

TEST_F(CatalogTreeTest, RenamedNodeMovesWithItsOpenBranchAndSelection)
{
    const qint64 first = Add(u"A Folder"_s);
    const qint64 inside = Add(u"Inside"_s, CatalogSchema::kCatalogFolderClass, first);
    Add(u"M Folder"_s);
    m_tree->LoadTree(1);
    Node(3)->setExpanded(true);
    Node(first)->setExpanded(true);
    m_tree->setCurrentItem(Node(inside));

    Sql(u"UPDATE Catalogs SET Name = 'Z Folder' WHERE ID = %1"_s.arg(first));
    m_tree->RefreshNodes();
    EXPECT_EQ(Texts(Node(3)), (QStringList{u"M Folder"_s, u"Z Folder"_s}));
    EXPECT_TRUE(Node(first)->isExpanded());
    EXPECT_EQ(m_tree->currentItem(), Node(inside));
}

TEST_F(CatalogTreeTest, SyncSelectionLocatesTheRowAndMovesOnFromVanishedNodes)
{
    const qint64 first = Add(u"P"_s);
    const qint64 second = Add(u"Q"_s);
    const qint64 third = Add(u"R"_s);
    m_tree->LoadTree(1);
    m_tree->SelectByID(third);
    m_tree->SyncSelection();
    EXPECT_EQ(m_data->Catalogs.CurrentID(), third);

    m_tree->SelectByID(second);
    Sql(u"DELETE FROM Catalogs WHERE ID IN (%1, %2)"_s.arg(second).arg(third));
    QSignalSpy selection(m_tree.get(), &TItemTree::SelectionChanged);
    m_tree->SyncSelection();
    EXPECT_EQ(m_tree->SelectedID(), first) << "Q went, then its neighbour R; P remains";
    EXPECT_EQ(m_data->Catalogs.CurrentID(), first);
    EXPECT_EQ(Texts(Node(3)), QStringList{u"P"_s});
    EXPECT_EQ(selection.count(), 1);
}

TEST_F(CatalogTreeTest, InPlaceRenameChecksCaseAndSiblingsBeforeStoring)
{
    const qint64 work = Add(u"Work"_s);
    Add(u"Archive Copies"_s);
    m_tree->LoadTree(1);
    m_tree->SelectByID(work);
    QSignalSpy renamed(m_tree.get(), &TItemTree::NodeRenamed);
    // The node's text, the stored name and the number of rename signals.
    const auto state = [&] {
        return QStringList{Node(work)->text(0), GetObjectName(*m_data, work),
                           QString::number(renamed.count())};
    };

    EditInPlace(Node(work), u"WORK"_s);
    EXPECT_EQ(state(), (QStringList{u"Work"_s, u"Work"_s, u"0"_s}));

    EditInPlace(Node(work), u"archive copies"_s);
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(std::make_pair(box.kind, box.icon),
              std::make_pair(MessageKind::Error, MessageIcon::Stop));
    EXPECT_EQ(box.caption, u"Error Renaming Object"_s);
    EXPECT_EQ(box.text, u"Cannot Rename Object \"archive copies\". An Object with the name you "
                        "specified already exists. Please specify another name"_s);
    EXPECT_EQ(state(), (QStringList{u"Work"_s, u"Work"_s, u"0"_s}));

    EditInPlace(Node(work), u"Projects"_s);
    EXPECT_EQ(state(), (QStringList{u"Projects"_s, u"Projects"_s, u"1"_s}));
    ASSERT_EQ(renamed.count(), 1);
    EXPECT_EQ(renamed.at(0).at(0).value<QTreeWidgetItem *>(), Node(work));
    EXPECT_EQ(renamed.at(0).at(1).toString(), u"Projects"_s);

    // The owner may refuse edits for some nodes.
    m_tree->SetEditPermission([](QTreeWidgetItem *node) { return TItemTree::NodeID(node) != 3; });
    m_tree->setCurrentItem(Node(3));
    QTest::keyClick(m_tree.get(), Qt::Key_F2);
    EXPECT_EQ(m_tree->viewport()->findChild<QLineEdit *>(), nullptr);
    m_tree->setCurrentItem(Node(work));
    QTest::keyClick(m_tree.get(), Qt::Key_F2);
    EXPECT_NE(m_tree->viewport()->findChild<QLineEdit *>(), nullptr);
}

TEST_F(CatalogTreeTest, SelectedNodeFollowsEditsPostedOnTheTableRow)
{
    const qint64 disk = Add(u"Disk"_s, CatalogSchema::kHardDiskClass);
    const qint64 other = Add(u"Other"_s, CatalogSchema::kCatalogFolderClass);
    m_tree->LoadTree(1);
    m_tree->SelectByID(disk);
    m_tree->SyncSelection();

    // Another part edits the current row, as commands do after SyncSelection.
    TDBItemTree &table = m_data->Catalogs;
    table.Edit();
    table.SetCurrentName(u"Disk Renamed"_s);
    table.SetFieldValue(u"Class"_s, 5);
    table.Post();
    EXPECT_EQ(Node(disk)->text(0), u"Disk Renamed"_s);
    EXPECT_EQ(TItemTree::NodeClass(Node(disk)), CatalogSchema::kCdRomClass);
    EXPECT_EQ(Node(disk)->icon(0).cacheKey(), ObjectIcon(5).cacheKey());

    // An edit of another object's row leaves the selected node alone; a
    // cancelled edit changes nothing.
    ASSERT_TRUE(table.Locate(&table, other));
    table.Edit();
    table.SetCurrentName(u"Other Renamed"_s);
    table.Post();
    EXPECT_EQ(Node(disk)->text(0), u"Disk Renamed"_s);
    EXPECT_EQ(Node(other)->text(0), u"Other"_s);
    ASSERT_TRUE(table.Locate(&table, disk));
    table.Edit();
    table.SetCurrentName(u"Never"_s);
    table.Cancel();
    EXPECT_EQ(Node(disk)->text(0), u"Disk Renamed"_s);
}

TEST_F(CatalogTreeTest, IconsShowTheOwnersClass)
{
    const qint64 unclassed = Add(u"Unclassed"_s, 0);
    const qint64 folder = Add(u"Folder"_s, CatalogSchema::kFileFolderClass);
    m_tree->LoadTree(1);
    Node(3)->setExpanded(true);
    EXPECT_EQ(TItemTree::NodeClass(Node(1)), CatalogSchema::kDatabaseClass);
    EXPECT_EQ(TItemTree::NodeClass(Node(unclassed)), CatalogSchema::kCatalogsFolderClass)
        << "class 0 takes its owner's class";
    EXPECT_EQ(Node(unclassed)->icon(0).cacheKey(), ObjectIcon(1).cacheKey());
    EXPECT_EQ(Node(folder)->icon(0).cacheKey(), ObjectIcon(7).cacheKey());

    m_tree->ClearTree();
    m_tree->SetUseClassAsImage(false);
    m_tree->LoadTree(1);
    EXPECT_TRUE(Node(3)->icon(0).isNull());
    EXPECT_EQ(TItemTree::NodeClass(Node(3)), CatalogSchema::kCatalogsFolderClass)
        << "the class is kept without the picture";
}

TEST_F(CatalogTreeTest, KeysAndThePopupReachTheOwner)
{
    m_tree->LoadTree(1);
    m_tree->setFocus();
    QSignalSpy deleted(m_tree.get(), &TItemTree::DeletePressed);
    QSignalSpy entered(m_tree.get(), &TItemTree::EnterPressed);

    m_tree->setCurrentItem(Node(3));
    QTest::keyClick(m_tree.get(), Qt::Key_Delete);
    EXPECT_EQ(deleted.count(), 1);

    QTest::keyClick(m_tree.get(), Qt::Key_Return);
    EXPECT_TRUE(Node(3)->isExpanded());
    QTest::keyClick(m_tree.get(), Qt::Key_Enter);
    EXPECT_FALSE(Node(3)->isExpanded());
    EXPECT_EQ(entered.count(), 2);

    // A right click selects the node under the mouse before the popup is asked for.
    qint64 selectedAtPopup = -1;
    QObject::connect(m_tree.get(), &TItemTree::ContextMenuRequested,
                     [&] { selectedAtPopup = m_tree->SelectedID(); });
    const QPoint at = m_tree->visualItemRect(Node(4)).center();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, m_tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(m_tree->viewport(), &menu);
    EXPECT_EQ(selectedAtPopup, 4);
}
