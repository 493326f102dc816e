#include "ui/MenuRules.h"

#include "store/CatalogSchema.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

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

    MenuState state =
        UpdateMenuState(ListItem(CatalogSchema::kHardDiskClass, QStringLiteral("Catalogs\\Disk"),
                                 32, QStringLiteral("notes.txt")));
    EXPECT_FALSE(state.update.enabled);
    EXPECT_TRUE(state.open.enabled && state.open.visible);
    EXPECT_EQ(state.open.caption, QStringLiteral("&Open"));
    EXPECT_TRUE(state.comments.enabled);
    EXPECT_FALSE(state.exportItem.enabled || state.find.enabled || state.find.visible);
    EXPECT_FALSE(state.listPopupShowsNoSelectionItems);
    EXPECT_TRUE(state.listPopupShowsSelectionItems);

    state =
        UpdateMenuState(ListItem(CatalogSchema::kHardDiskClass, QStringLiteral("Catalogs\\Disk"),
                                 38, QStringLiteral("data.xyz")));
    EXPECT_EQ(state.open.hint,
              QStringLiteral("Opens the Selected Item using the supplied Application"));
}

TEST(MenuRulesTest, WastebasketCommandsReadEmptyAndRestore)
{
    MenuState state = UpdateMenuState(OpenDatabase(MenuFocus::ListWithoutSelection,
                                                   CatalogSchema::kFullWastebasketClass,
                                                   QStringLiteral("Wastebasket")));
    EXPECT_EQ(state.deleteItem.hint, QStringLiteral("Empty the Contents of the Wastebasket"));
    EXPECT_TRUE(state.deleteItem.enabled);
    EXPECT_FALSE(state.comments.enabled);
    EXPECT_FALSE(state.exportItem.enabled);
    EXPECT_FALSE(state.open.visible);
    EXPECT_FALSE(state.find.enabled);
    EXPECT_TRUE(state.listPopupShowsNoSelectionItems);
    EXPECT_FALSE(state.listPopupShowsSelectionItems);

    // An item of the wastebasket view.
    state = UpdateMenuState(ListItem(CatalogSchema::kFullWastebasketClass,
                                     QStringLiteral("Wastebasket"), CatalogSchema::kHardDiskClass,
                                     QStringLiteral("Old disk")));
    EXPECT_EQ(state.rename.caption, QStringLiteral("&Restore"));
    EXPECT_EQ(state.rename.hint,
              QStringLiteral("Restore the Selected Object from the Wastebasket"));
    EXPECT_TRUE(state.rename.enabled);
    EXPECT_EQ(state.deleteItem.caption, QStringLiteral("&Delete"));
    EXPECT_TRUE(state.deleteItem.enabled);
    EXPECT_FALSE(state.update.enabled); // not from the wastebasket
    EXPECT_FALSE(state.explore.enabled);
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
        {"disk catalog in the tree",
         OpenDatabase(MenuFocus::Tree, CatalogSchema::kHardDiskClass,
                      QStringLiteral("Catalogs\\D")),
         true, "&Explore..."},
        {"file folder in the list",
         ListItem(CatalogSchema::kHardDiskClass, QStringLiteral("Catalogs\\D"),
                  CatalogSchema::kFileFolderClass, QStringLiteral("F")),
         true, "&Explore..."},
        {"catalog folder",
         OpenDatabase(MenuFocus::Tree, CatalogSchema::kCatalogFolderClass,
                      QStringLiteral("Catalogs\\Work")),
         false, "&Explore..."},
        {"packaged file",
         ListItem(CatalogSchema::kPackageClass, QStringLiteral("Catalogs\\D\\a.zip"), 32,
                  QStringLiteral("r.txt"), true),
         true, "&Extract..."},
        {"package in the tree",
         OpenDatabase(MenuFocus::Tree, CatalogSchema::kPackageClass,
                      QStringLiteral("Catalogs\\D\\a.zip")),
         true, "&Extract..."},
        {"archive set",
         OpenDatabase(MenuFocus::Tree, CatalogSchema::kArchiveSetClass,
                      QStringLiteral("Archives\\Set")),
         true, "R&estore..."},
        {"archived file",
         ListItem(CatalogSchema::kArchiveSetClass, QStringLiteral("Archives\\Set"), 38,
                  QStringLiteral("x.doc")),
         true, "R&estore..."},
        {"disk in the wastebasket",
         OpenDatabase(MenuFocus::Tree, CatalogSchema::kHardDiskClass,
                      QStringLiteral("Wastebasket\\D")),
         false, "&Explore..."},
    };
    for (const Row &row : rows) {
        const MenuState state = UpdateMenuState(row.facts);
        EXPECT_EQ(state.explore.enabled, row.enabled) << row.name;
        EXPECT_EQ(state.explore.caption, QLatin1String(row.caption)) << row.name;
    }
}

TEST(MenuRulesTest, ClassRulesForFoldersAndFixedObjects)
{
    MenuState state = UpdateMenuState(OpenDatabase(
        MenuFocus::Tree, CatalogSchema::kCatalogsFolderClass, QStringLiteral("Catalogs")));
    EXPECT_TRUE(state.newFolder.enabled);
    EXPECT_TRUE(state.exportItem.enabled);
    EXPECT_FALSE(state.deleteItem.enabled);
    EXPECT_FALSE(state.rename.enabled);
    EXPECT_FALSE(state.comments.enabled);
    EXPECT_TRUE(state.find.enabled);

    state = UpdateMenuState(OpenDatabase(MenuFocus::Tree, CatalogSchema::kCatalogFolderClass,
                                         QStringLiteral("Catalogs\\Work")));
    EXPECT_TRUE(state.newFolder.enabled && state.deleteItem.enabled && state.rename.enabled &&
                state.comments.enabled);

    state = UpdateMenuState(OpenDatabase(MenuFocus::Tree, CatalogSchema::kFileFolderClass,
                                         QStringLiteral("Catalogs\\D\\F")));
    EXPECT_FALSE(state.newFolder.visible);
    EXPECT_FALSE(state.deleteItem.enabled);
    EXPECT_FALSE(state.rename.enabled);
    // New Folder makes its folder in the tree's object, whatever the list has selected.
    state = UpdateMenuState(ListItem(CatalogSchema::kCatalogFolderClass,
                                     QStringLiteral("Catalogs\\Work"),
                                     CatalogSchema::kHardDiskClass, QStringLiteral("D")));
    EXPECT_TRUE(state.newFolder.enabled && state.newFolder.visible);
    state = UpdateMenuState(ListItem(CatalogSchema::kFullWastebasketClass,
                                     QStringLiteral("Wastebasket"),
                                     CatalogSchema::kCatalogFolderClass, QStringLiteral("Junk")));
    EXPECT_FALSE(state.newFolder.enabled);

    state = UpdateMenuState(OpenDatabase(MenuFocus::Tree, CatalogSchema::kRemovableDiskClass,
                                         QStringLiteral("Catalogs\\Floppy")));
    EXPECT_TRUE(state.update.enabled);

    MenuFacts detail = OpenDatabase(MenuFocus::Tree, CatalogSchema::kRemovableDiskClass,
                                    QStringLiteral("Catalogs\\Floppy"));
    detail.listDetailView = true;
    detail.listAutoArrange = false;
    state = UpdateMenuState(detail);
    EXPECT_FALSE(state.autoArrangeEnabled);
    EXPECT_FALSE(state.autoArrangeChecked);

    const ToolbarState wastebasket =
        UpdateToolbarState(true, CatalogSchema::kEmptyWastebasketClass);
    EXPECT_FALSE(wastebasket.find);
    EXPECT_TRUE(wastebasket.moveUp);
    const ToolbarState root = UpdateToolbarState(true, CatalogSchema::kDatabaseClass);
    EXPECT_FALSE(root.moveUp);
    EXPECT_TRUE(root.find);
    EXPECT_FALSE(root.createFolder);
    EXPECT_TRUE(UpdateToolbarState(true, CatalogSchema::kArchiveFolderClass).createFolder);
}
