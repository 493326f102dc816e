#include "ui/MenuRules.h"

#include "store/CatalogSchema.h"
#include "store/ObjectOperations.h"

using namespace CatalogSchema;

namespace {

constexpr int kNoObject = -1;

MenuItemState ExploreState(int cls, bool packaged, const QString &path)
{
    MenuItemState state{false, true, QStringLiteral("&Explore..."),
                        QStringLiteral("Explore the Current Disk Catalog or Folder")};
    if (!PathIsInWastebasket(path) && !PathIsArchived(path)) {
        if (packaged) {
            state.enabled = true;
            state.caption = QStringLiteral("&Extract...");
            state.hint = QStringLiteral("Extract the selected file package item to a specified "
                                        "location");
        } else {
            state.enabled = ObjectRules::MayBeExplored(cls);
        }
    } else if ((cls == kArchiveSetClass || cls == kPackagedFolderClass || IsFileImage(cls)) &&
               !PathIsInWastebasket(path)) {
        state.enabled = true;
        state.caption = QStringLiteral("R&estore...");
        state.hint = QStringLiteral("Restore the Selected Archived Items");
    }
    return state;
}

MenuItemState OpenState(int cls, const QString &caption, const MenuFacts &facts)
{
    MenuItemState state;
    state.enabled = IsFileImage(cls);
    state.visible = state.enabled;
    const bool direct = !state.enabled || (facts.hasOpenCommand && facts.hasOpenCommand(caption));
    state.caption = direct ? QStringLiteral("&Open") : QStringLiteral("&Open With...");
    state.hint = direct ? QStringLiteral("Opens the Selected Item using its associated Application")
                        : QStringLiteral("Opens the Selected Item using the supplied Application");
    return state;
}

MenuItemState FindState(int cls, int treeClass)
{
    MenuItemState state;
    state.enabled = cls >= kDatabaseClass && cls <= kLastObjectClass && !IsWastebasketClass(cls) &&
                    !IsWastebasketClass(treeClass);
    state.visible = state.enabled;
    return state;
}

} // namespace

bool PathIsInWastebasket(const QString &path)
{
    return path.left(11) == QLatin1String("Wastebasket");
}

bool PathIsArchived(const QString &path)
{
    return path.left(8) == QLatin1String("Archives");
}

MenuState UpdateMenuState(const MenuFacts &facts)
{
    MenuState state;
    state.reopenEnabled = facts.historyHasEntry;
    state.databaseItemsEnabled = facts.databaseOpen;
    if (!facts.databaseOpen)
        return state;
    state.selectionRulesApplied = true;

    int cls = facts.treeClass;
    bool selection = true;
    switch (facts.focus) {
    case MenuFocus::ListWithoutSelection:
        selection = false;
        state.comments.enabled = false;
        state.exportItem.enabled = false;
        state.explore = ExploreState(cls, false, facts.selectedPath);
        state.open = OpenState(kNoObject, QString(), facts);
        state.find = FindState(cls, facts.treeClass);
        break;
    case MenuFocus::ListWithSelection:
        cls = facts.itemIndex;
        if (IsFileImage(cls)) {
            state.explore = ExploreState(cls, facts.itemPackaged, facts.selectedPath);
            state.exportItem.enabled = false;
        } else {
            state.explore = ExploreState(cls, IsPackagedObjectClass(cls), facts.selectedPath);
            state.exportItem.enabled = ObjectRules::MayBeExported(cls);
        }
        state.open = OpenState(cls, facts.itemCaption, facts);
        state.comments.enabled = ObjectRules::TakesComments(cls);
        state.find = FindState(cls, facts.treeClass);
        if (IsFileImage(cls))
            cls = kNoObject;
        break;
    case MenuFocus::Tree:
        state.explore = ExploreState(cls, IsPackagedObjectClass(cls), facts.selectedPath);
        state.exportItem.enabled = ObjectRules::MayBeExported(cls);
        state.open = OpenState(kNoObject, QString(), facts);
        state.find = FindState(cls, facts.treeClass);
        state.comments.enabled = ObjectRules::TakesComments(cls);
        break;
    }
    state.listPopupShowsNoSelectionItems = !(facts.focus == MenuFocus::ListWithSelection);
    state.listPopupShowsSelectionItems = selection;
    state.archiveEnabled = true;

    const bool wastebasket = IsWastebasketClass(cls);
    state.deleteItem.enabled = ObjectRules::MayBeDeleted(cls);
    state.deleteItem.caption =
        wastebasket ? QStringLiteral("&Empty Wastebasket") : QStringLiteral("&Delete");
    state.deleteItem.hint = wastebasket ? QStringLiteral("Empty the Contents of the Wastebasket")
                                        : QStringLiteral("Delete the Currently Selected Object");

    const bool inWastebasket = PathIsInWastebasket(facts.selectedPath);
    state.update.enabled = IsDiskCatalogClass(cls) && !inWastebasket;

    state.rename.enabled = ObjectRules::MayBeRenamedInTree(cls);
    state.rename.caption = inWastebasket ? QStringLiteral("&Restore") : QStringLiteral("&Rename");
    state.rename.hint = inWastebasket
                            ? QStringLiteral("Restore the Selected Object from the Wastebasket")
                            : QStringLiteral("Rename the Currently Selected Object");

    // The command makes its folder in the tree's object, whatever the list
    // has selected.
    state.newFolder.enabled = ObjectRules::TakesNewFolder(facts.treeClass);
    state.newFolder.visible = state.newFolder.enabled;

    state.autoArrangeChecked = facts.listAutoArrange;
    state.autoArrangeEnabled = !facts.listDetailView;
    return state;
}

ToolbarState UpdateToolbarState(bool databaseOpen, int selectedClass)
{
    ToolbarState state;
    if (!databaseOpen)
        return state;
    state.catalogDisk = true;
    state.properties = true;
    state.find = !IsFileImage(selectedClass) && !IsWastebasketClass(selectedClass);
    state.moveUp = selectedClass > kDatabaseClass;
    state.createFolder = ObjectRules::TakesNewFolder(selectedClass);
    return state;
}

QString WindowTitle(bool databaseOpen, const QString &databaseFolder)
{
    if (!databaseOpen)
        return QStringLiteral("Dirvanta 97 -- [Database Closed]");
    return QStringLiteral("Dirvanta 97 --  ") + databaseFolder;
}
