#pragma once

#include "platform/UserInterface.h"

#include <QList>
#include <QString>
#include <QtGlobal>

class TDataShare;

// The class rules of the object operations and the menus (cls is an object's
// class code, CatalogSchema::ObjectClass; -1 stands for no object).
namespace ObjectRules {

bool IsDiskCatalog(int cls);
// The five fixed objects every database holds (the Wastebasket in either state).
bool IsFixedObject(int cls);
// Catalog folders, disk catalogs and archive folders: what the user makes.
bool IsUserFolderOrDiskCatalog(int cls);
// What the user makes, and archive sets.
bool MayStartDrag(int cls);
// The Catalogs folder, catalog folders, the Wastebasket, the Archives folder
// and archive folders.
bool IsDropTarget(int cls);
// Whether an object of the class may be moved into a target of a class.
bool MayMoveInto(int cls, int targetClass);
// Neither a fixed object nor one made from a medium (file folders, archive
// volumes, packages and their folders); file images count as renameable.
bool MayBeRenamedInTree(int cls);
// What the user makes, and archive sets.
bool MayBeRenamedInList(int cls);
// As renaming, and the Wastebasket, which deleting empties.
bool MayBeDeleted(int cls);
// Disk catalogs and file folders, which the file manager can open.
bool MayBeExplored(int cls);
// Every object but the fixed ones; file images too.
bool TakesComments(int cls);
// The Catalogs folder, catalog folders and disk catalogs.
bool MayBeExported(int cls);
// Archive sets and archive folders belong to the Archives side.
bool GoesToArchives(int cls);
// Folders may be made under the Catalogs folder, catalog folders, the
// Archives folder and archive folders.
bool TakesNewFolder(int cls);
// The root an object of the class is deleted from and restored to.
qint64 RootOfClass(int cls);

} // namespace ObjectRules

// The base names of new objects.
inline const QString kNewFolderName = QStringLiteral("New Folder");
inline const QString kNewDiskCatalogName = QStringLiteral("New Disk Catalog");

// The base name made unique among the parent's children (letter case
// ignored): "New Folder", then "New Folder (2)", "New Folder (3)" and so on.
QString NewObjectName(TDataShare &data, const QString &base, qint64 parentId);

// Makes a folder under a parent that takes folders: an archive folder (26)
// below the Archives side, else a catalog folder (2). Without a name the
// unique "New Folder" name is taken. Returns the new ID, or -1 after a
// message when the parent takes no folders or the name is refused.
qint64 NewFolder(TDataShare &data, qint64 parentId, const QString &name = QString());

// Replaces every character a catalog name may not hold by a blank. replaced
// tells whether there was one.
QString CleanObjectName(const QString &name, bool *replaced = nullptr);
// The "Invalid Characters Found" box.
void ShowInvalidCharacters();

// The box that refuses a name a sibling of the object already has.
void ShowRenameRefusal(const QString &name);

// What a rename did.
enum class RenameOutcome
{
    Unchanged, // the same name (letter case ignored), or an unknown object
    Refused,   // a sibling holds the name; the box has been shown
    Renamed
};

// Renames an object: the text is trimmed (empty keeps the old name), invalid
// characters are replaced after the "Invalid Characters Found" box, the
// sibling check shows "Error Renaming Object". A rename stamps Modified.
// name receives the name stored afterwards. An archive set's ZIP file takes
// the new name too; when it cannot, the command is undone: EDirvantaFailed
// with no text is raised (the user has been told why).
RenameOutcome RenameObject(TDataShare &data, qint64 id, QString &name);

// The one routine that writes Deleted or Modified: written only for classes
// that may be renamed in the tree, and for the Archives folder and the
// Volume Pool. Returns whether it wrote.
bool WriteObjectDate(TDataShare &data, qint64 id, const QString &field, double value);

// Moves the objects of a drag list onto a target, one by one, with the class
// rules, the "Object Move Failed" boxes and the Replace question for
// namesakes; objects dropped on the Wastebasket are sent there. Shows the
// progress window (3 onto the Wastebasket, else 4) and leaves it to the
// caller to close. Returns the ID to select afterwards: the last object
// handled, or the target when the last one was refused; -1 when nothing
// was tried.
qint64 DropObjects(TDataShare &data, const QList<qint64> &ids, qint64 targetId);

// Comments. An object's comment stamps its Modified through WriteObjectDate;
// a file's does not touch the file's dates. Nothing is written when the
// text is the stored one. Return whether they wrote.
bool WriteObjectComment(TDataShare &data, qint64 id, const QString &comment);
bool WriteFileComment(TDataShare &data, qint64 key, const QString &comment);

// What the Replace question shows of an object.
ReplaceObjectView DescribeObject(TDataShare &data, qint64 id);

// The class of an object, -1 when it does not exist.
int ObjectClass(TDataShare &data, qint64 id);
