#include "ui/MenuRules.h"

#include "store/CatalogSchema.h"

using CatalogSchema::IsDiskCatalogClass;

namespace {

constexpr int kNoObject = -1;
constexpr int kFirstFileIndex = 31;

bool IsFile(int index)
{
    return index >= kFirstFileIndex;
}

bool CommentsAllowed(int cls)
{
    return cls > 1 && cls != 8 && cls != 9 && cls != 10 && cls != 25;
}

bool ExportAllowed(int cls)
{
    return cls == 1 || cls == 2 || IsDiskCatalogClass(cls);
}

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
            state.enabled = IsDiskCatalogClass(cls) || cls == 7;
        }
    } else if ((cls == 23 || cls == 24 || IsFile(cls)) && !PathIsInWastebasket(path)) {
        state.enabled = true;
        state.caption = QStringLiteral("R&estore...");
        state.hint = QStringLiteral("Restore the Selected Archived Items");
    }
    return state;
}

MenuItemState OpenState(int cls, const QString &caption, const MenuFacts &facts)
{
    MenuItemState state;
    state.enabled = IsFile(cls);
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
    state.enabled =
        cls >= 0 && cls <= 30 && cls != 8 && cls != 9 && treeClass != 8 && treeClass != 9;
    state.visible = state.enabled;
    return state;
}

} // namespace

bool ClassMayBeDeleted(int cls)
{
    return !(cls == kNoObject || cls == 0 || cls == 1 || cls == 7 || (cls >= 10 && cls <= 22) ||
             cls == 24 || cls == 25);
}

bool ClassMayBeRenamed(int cls)
{
    return !(cls == kNoObject || cls == 0 || cls == 1 || (cls >= 7 && cls <= 22) || cls == 24 ||
             cls == 25);
}

bool ClassTakesNewFolder(int cls)
{
    return cls == 1 || cls == 2 || cls == 10 || cls == 26;
}

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
        if (IsFile(cls)) {
            state.explore = ExploreState(cls, facts.itemPackaged, facts.selectedPath);
            state.exportItem.enabled = false;
        } else {
            state.explore = ExploreState(cls, cls == 22 || cls == 24, facts.selectedPath);
            state.exportItem.enabled = ExportAllowed(cls);
        }
        state.open = OpenState(cls, facts.itemCaption, facts);
        state.comments.enabled = CommentsAllowed(cls);
        state.find = FindState(cls, facts.treeClass);
        if (IsFile(cls))
            cls = kNoObject;
        break;
    case MenuFocus::Tree:
        state.explore = ExploreState(cls, cls == 22 || cls == 24, facts.selectedPath);
        state.exportItem.enabled = ExportAllowed(cls);
        state.open = OpenState(kNoObject, QString(), facts);
        state.find = FindState(cls, facts.treeClass);
        state.comments.enabled = CommentsAllowed(cls);
        break;
    }
    state.listPopupShowsNoSelectionItems = !(facts.focus == MenuFocus::ListWithSelection);
    state.listPopupShowsSelectionItems = selection;
    state.archiveEnabled = true;

    const bool wastebasket = cls == 8 || cls == 9;
    state.deleteItem.enabled = ClassMayBeDeleted(cls);
    state.deleteItem.caption =
        wastebasket ? QStringLiteral("&Empty Wastebasket") : QStringLiteral("&Delete");
    state.deleteItem.hint = wastebasket ? QStringLiteral("Empty the Contents of the Wastebasket")
                                        : QStringLiteral("Delete the Currently Selected Object");

    const bool inWastebasket = PathIsInWastebasket(facts.selectedPath);
    state.update.enabled = IsDiskCatalogClass(cls) && !inWastebasket;

    state.rename.enabled = ClassMayBeRenamed(cls);
    state.rename.caption = inWastebasket ? QStringLiteral("&Restore") : QStringLiteral("&Rename");
    state.rename.hint = inWastebasket
                            ? QStringLiteral("Restore the Selected Object from the Wastebasket")
                            : QStringLiteral("Rename the Currently Selected Object");

    // The command makes its folder in the tree's object, whatever the list
    // has selected.
    state.newFolder.enabled = ClassTakesNewFolder(facts.treeClass);
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
    state.find = selectedClass < 31 && selectedClass != 8 && selectedClass != 9;
    state.moveUp = selectedClass > 0;
    state.createFolder = ClassTakesNewFolder(selectedClass);
    return state;
}

QString WindowTitle(bool databaseOpen, const QString &databaseFolder)
{
    if (!databaseOpen)
        return QStringLiteral("Dirvanta 97 -- [Database Closed]");
    return QStringLiteral("Dirvanta 97 --  ") + databaseFolder;
}
