#include "ui/MenuRules.h"

#include "store/CatalogSchema.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

MenuFacts OpenDatabase(MenuFocus focus, int treeClass, const QString &path)
{
    MenuFacts facts;
    facts.databaseOpen = true;
    facts.focus = focus;
    facts.treeClass = treeClass;
    facts.selectedPath = path;
    facts.hasOpenCommand = [](const QString &name) { return name.endsWith(QLatin1String(".txt")); };
    return facts;
}

// An object of the open database selected in the tree.
MenuFacts TreeObject(int treeClass, const QString &path)
{
    return OpenDatabase(MenuFocus::Tree, treeClass, path);
}

MenuFacts ListItem(int treeClass, const QString &path, int itemIndex, const QString &caption,
                   bool packaged = false)
{
    MenuFacts facts = OpenDatabase(MenuFocus::ListWithSelection, treeClass, path);
    facts.itemIndex = itemIndex;
    facts.itemCaption = caption;
    facts.itemPackaged = packaged;
    return facts;
}

} // namespace

// The main window's tests show the closed state and a file chosen in the
// list; these are the rules they do not reach.
TEST(MenuRulesTest, ReopenNeedsHistoryAndAFileInTheListIsOpenedButNotExported)
{
    MenuFacts facts;
    facts.historyHasEntry = true;
    EXPECT_TRUE(UpdateMenuState(facts).reopenEnabled);
    EXPECT_FALSE(UpdateMenuState(facts).selectionRulesApplied);
    EXPECT_FALSE(UpdateMenuState(MenuFacts{}).reopenEnabled);

    MenuState state = UpdateMenuState(
        ListItem(CatalogSchema::kHardDiskClass, u"Catalogs\\Disk"_s, 32, u"notes.txt"_s));
    // update, open (enabled, shown), comments, export, find (enabled, shown), and the popup's
    // items without and with a selection.
    EXPECT_EQ(
        std::vector<bool>({state.update.enabled, state.open.enabled, state.open.visible,
                           state.comments.enabled, state.exportItem.enabled, state.find.enabled,
                           state.find.visible, state.listPopupShowsNoSelectionItems,
                           state.listPopupShowsSelectionItems}),
        std::vector<bool>({false, true, true, true, false, false, false, false, true}));
    EXPECT_EQ(state.open.caption, u"&Open"_s);

    state = UpdateMenuState(
        ListItem(CatalogSchema::kHardDiskClass, u"Catalogs\\Disk"_s, 38, u"data.xyz"_s));
    EXPECT_EQ(state.open.hint, u"Opens the Selected Item using the supplied Application"_s);
}

TEST(MenuRulesTest, WastebasketCommandsReadEmptyAndRestore)
{
    MenuState state = UpdateMenuState(OpenDatabase(
        MenuFocus::ListWithoutSelection, CatalogSchema::kFullWastebasketClass, u"Wastebasket"_s));
    EXPECT_EQ(state.deleteItem.hint, u"Empty the Contents of the Wastebasket"_s);
    EXPECT_EQ(std::vector<bool>({state.deleteItem.enabled, state.comments.enabled,
                                 state.exportItem.enabled, state.open.visible, state.find.enabled,
                                 state.listPopupShowsNoSelectionItems,
                                 state.listPopupShowsSelectionItems}),
              std::vector<bool>({true, false, false, false, false, true, false}));

    // An item of the wastebasket view.
    state = UpdateMenuState(ListItem(CatalogSchema::kFullWastebasketClass, u"Wastebasket"_s,
                                     CatalogSchema::kHardDiskClass, u"Old disk"_s));
    EXPECT_EQ(state.rename.caption, u"&Restore"_s);
    EXPECT_EQ(state.rename.hint, u"Restore the Selected Object from the Wastebasket"_s);
    EXPECT_EQ(state.deleteItem.caption, u"&Delete"_s);
    // Rename and delete are enabled; update and explore are not, from the wastebasket.
    EXPECT_EQ(std::vector<bool>({state.rename.enabled, state.deleteItem.enabled,
                                 state.update.enabled, state.explore.enabled}),
              std::vector<bool>({true, true, false, false}));
}

TEST(MenuRulesTest, ExploreBecomesExtractOrRestoreByWhatIsSelected)
{
    struct Row
    {
        const char *name;
        MenuFacts facts;
        bool enabled;
        const char *caption;
    } const rows[] = {
        {"disk catalog in the tree", TreeObject(CatalogSchema::kHardDiskClass, u"Catalogs\\D"_s),
         true, "&Explore..."},
        {"file folder in the list",
         ListItem(CatalogSchema::kHardDiskClass, u"Catalogs\\D"_s, CatalogSchema::kFileFolderClass,
                  u"F"_s),
         true, "&Explore..."},
        {"catalog folder", TreeObject(CatalogSchema::kCatalogFolderClass, u"Catalogs\\Work"_s),
         false, "&Explore..."},
        {"packaged file",
         ListItem(CatalogSchema::kPackageClass, u"Catalogs\\D\\a.zip"_s, 32, u"r.txt"_s, true),
         true, "&Extract..."},
        {"package in the tree", TreeObject(CatalogSchema::kPackageClass, u"Catalogs\\D\\a.zip"_s),
         true, "&Extract..."},
        {"archive set", TreeObject(CatalogSchema::kArchiveSetClass, u"Archives\\Set"_s), true,
         "R&estore..."},
        {"archived file",
         ListItem(CatalogSchema::kArchiveSetClass, u"Archives\\Set"_s, 38, u"x.doc"_s), true,
         "R&estore..."},
        {"disk in the wastebasket", TreeObject(CatalogSchema::kHardDiskClass, u"Wastebasket\\D"_s),
         false, "&Explore..."}};
    for (const Row &row : rows) {
        const MenuState state = UpdateMenuState(row.facts);
        EXPECT_EQ(std::make_pair(state.explore.enabled, state.explore.caption),
                  std::make_pair(row.enabled, QString::fromLatin1(row.caption)))
            << row.name;
    }
}

TEST(MenuRulesTest, ClassRulesForFoldersAndFixedObjects)
{
    MenuState state =
        UpdateMenuState(TreeObject(CatalogSchema::kCatalogsFolderClass, u"Catalogs"_s));
    EXPECT_EQ(std::vector<bool>({state.newFolder.enabled, state.exportItem.enabled,
                                 state.deleteItem.enabled, state.rename.enabled,
                                 state.comments.enabled, state.find.enabled}),
              std::vector<bool>({true, true, false, false, false, true}));

    state = UpdateMenuState(TreeObject(CatalogSchema::kCatalogFolderClass, u"Catalogs\\Work"_s));
    EXPECT_TRUE(state.newFolder.enabled && state.deleteItem.enabled && state.rename.enabled &&
                state.comments.enabled);

    state = UpdateMenuState(TreeObject(CatalogSchema::kFileFolderClass, u"Catalogs\\D\\F"_s));
    EXPECT_FALSE(state.newFolder.visible || state.deleteItem.enabled || state.rename.enabled);
    // New Folder makes its folder in the tree's object, whatever the list has selected.
    state = UpdateMenuState(ListItem(CatalogSchema::kCatalogFolderClass, u"Catalogs\\Work"_s,
                                     CatalogSchema::kHardDiskClass, u"D"_s));
    EXPECT_TRUE(state.newFolder.enabled && state.newFolder.visible);
    state = UpdateMenuState(ListItem(CatalogSchema::kFullWastebasketClass, u"Wastebasket"_s,
                                     CatalogSchema::kCatalogFolderClass, u"Junk"_s));
    EXPECT_FALSE(state.newFolder.enabled);

    state = UpdateMenuState(TreeObject(CatalogSchema::kRemovableDiskClass, u"Catalogs\\Floppy"_s));
    EXPECT_TRUE(state.update.enabled);

    MenuFacts detail = TreeObject(CatalogSchema::kRemovableDiskClass, u"Catalogs\\Floppy"_s);
    detail.listDetailView = true;
    detail.listAutoArrange = false;
    state = UpdateMenuState(detail);
    EXPECT_FALSE(state.autoArrangeEnabled || state.autoArrangeChecked);

    const ToolbarState wastebasket =
        UpdateToolbarState(true, CatalogSchema::kEmptyWastebasketClass);
    EXPECT_TRUE(!wastebasket.find && wastebasket.moveUp);
    const ToolbarState root = UpdateToolbarState(true, CatalogSchema::kDatabaseClass);
    EXPECT_TRUE(!root.moveUp && root.find && !root.createFolder);
    EXPECT_TRUE(UpdateToolbarState(true, CatalogSchema::kArchiveFolderClass).createFolder);
}
