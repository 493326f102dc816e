#include "findwindow/FindMenuRules.h"

#include "platform/ListSort.h"
#include "store/CatalogSchema.h"
#include "ui/MenuRules.h"

using CatalogSchema::IsDiskCatalogClass;

namespace {

bool IsPackagedObjectClass(int cls)
{
    return cls == 22 || cls == 24;
}

bool RenameOrDeleteClass(int cls)
{
    return cls == 2 || (cls >= 3 && cls <= 5) || cls == 26;
}

} // namespace

FindMenuState FindMenuStateFor(const FindMenuFacts &facts)
{
    FindMenuState state;
    state.explore.caption = QStringLiteral("&Explore...");
    state.explore.hint = QStringLiteral("Explore the Current Disk Catalog or Folder");
    state.open.caption = QStringLiteral("&Open");
    state.open.hint = QStringLiteral("Opens the Selected Item using its associated Application");
    state.open.visible = false;
    if (!facts.selection)
        return state;

    const int c = facts.imageIndex;
    const bool file = c >= kFirstFileImage;
    if (!PathIsInWastebasket(facts.path) && !PathIsArchived(facts.path)) {
        const bool packaged = file ? facts.packaged : IsPackagedObjectClass(c);
        if (packaged) {
            state.explore.caption = QStringLiteral("&Extract...");
            state.explore.hint =
                QStringLiteral("Extract the selected file package item to a specified location");
            state.explore.enabled = true;
        } else {
            state.explore.enabled = !file && (IsDiskCatalogClass(c) || c == 7);
        }
    } else if (PathIsArchived(facts.path)) {
        if (c != 10 && c != 11 && c != 25) {
            state.explore.caption = QStringLiteral("R&estore...");
            state.explore.hint = QStringLiteral("Restore the Selected Archived Items");
            state.explore.enabled = true;
        }
    }

    if (file) {
        state.open.enabled = true;
        state.open.visible = true;
        if (!(facts.hasOpenCommand && facts.hasOpenCommand(facts.caption))) {
            state.open.caption = QStringLiteral("&Open With...");
            state.open.hint =
                QStringLiteral("Opens the Selected Item using the supplied Application");
        }
    }
    state.rename = !file && RenameOrDeleteClass(c);
    state.deleteItem = state.rename;
    state.properties = true;
    state.comments = file || !(c == 0 || c == 1 || c == 8 || c == 9 || c == 10);
    return state;
}

bool FindHitMayBeEdited(int imageIndex)
{
    return RenameOrDeleteClass(imageIndex) || imageIndex == 23;
}
