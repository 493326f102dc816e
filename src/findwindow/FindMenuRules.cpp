#include "findwindow/FindMenuRules.h"

#include "platform/ListSort.h"
#include "store/CatalogSchema.h"
#include "store/ObjectOperations.h"
#include "ui/MenuRules.h"

using namespace CatalogSchema;

namespace {

// The Find list lets the Volume Pool keep comments, unlike the main window.
bool HitTakesComments(int cls)
{
    return !ObjectRules::IsFixedObject(cls) || cls == kVolumePoolClass;
}

// Archived objects that restore nothing: the Archives folder, an empty
// archive volume and the Volume Pool.
bool RestoresNothing(int cls)
{
    return cls == kArchivesClass || cls == kEmptyArchiveVolumeClass || cls == kVolumePoolClass;
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
    const bool file = IsFileImage(c);
    if (!PathIsInWastebasket(facts.path) && !PathIsArchived(facts.path)) {
        const bool packaged = file ? facts.packaged : IsPackagedObjectClass(c);
        if (packaged) {
            state.explore.caption = QStringLiteral("&Extract...");
            state.explore.hint =
                QStringLiteral("Extract the selected file package item to a specified location");
            state.explore.enabled = true;
        } else {
            state.explore.enabled = !file && ObjectRules::MayBeExplored(c);
        }
    } else if (PathIsArchived(facts.path)) {
        if (!RestoresNothing(c)) {
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
    state.rename = !file && ObjectRules::IsUserFolderOrDiskCatalog(c);
    state.deleteItem = state.rename;
    state.properties = true;
    state.comments = file || HitTakesComments(c);
    return state;
}

bool FindHitMayBeEdited(int imageIndex)
{
    return ObjectRules::MayBeRenamedInList(imageIndex);
}
