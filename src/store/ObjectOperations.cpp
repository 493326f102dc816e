#include "store/ObjectOperations.h"

#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "platform/UserInterface.h"
#include "store/ArchiveSetFiles.h"
#include "store/CatalogContents.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"
#include "store/Wastebasket.h"

namespace {

constexpr qint64 kWastebasketId = CatalogSchema::kWastebasketId;

const QString kMoveFailedCaption = QStringLiteral("Object Move Failed");
const QString kRenameCaption = QStringLiteral("Error Renaming Object");
// The rename box shows a shorter caption than the message routine allows.
constexpr int kRenameCaptionLength = 30;

// The characters a catalog name may not hold: "\" separates path names.
bool IsInvalidNameCharacter(QChar c)
{
    switch (c.unicode()) {
    case u'"':
    case u'.':
    case u'/':
    case u':':
    case u'<':
    case u'>':
    case u'?':
    case u'\\':
    case u'|':
        return true;
    default:
        return false;
    }
}

TableCursor *Lookup(TDataShare &data, qint64 id)
{
    TableCursor *lookup = data.Catalogs.LookupCursor();
    return lookup->Active() && lookup->Locate(id) ? lookup : nullptr;
}

void RefuseObjectMove(const QString &name)
{
    UI().ShowError(kMoveFailedCaption,
                   QStringLiteral("The Object \"") + name +
                       QStringLiteral("\" may not be moved to the location specified") +
                       kParagraphBreak + QStringLiteral("The move of this Object failed."));
}

} // namespace

namespace ObjectRules {

using namespace CatalogSchema;

bool IsDiskCatalog(int cls)
{
    return IsDiskCatalogClass(cls);
}

bool IsFixedObject(int cls)
{
    switch (cls) {
    case kDatabaseClass:
    case kCatalogsFolderClass:
    case kEmptyWastebasketClass:
    case kFullWastebasketClass:
    case kArchivesClass:
    case kVolumePoolClass:
        return true;
    default:
        return false;
    }
}

bool IsUserFolderOrDiskCatalog(int cls)
{
    return IsDiskCatalog(cls) || cls == kCatalogFolderClass || cls == kArchiveFolderClass;
}

bool MayStartDrag(int cls)
{
    return IsUserFolderOrDiskCatalog(cls) || cls == kArchiveSetClass;
}

bool IsDropTarget(int cls)
{
    return TakesNewFolder(cls) || IsWastebasketClass(cls);
}

bool MayMoveInto(int cls, int targetClass)
{
    if (IsWastebasketClass(targetClass))
        return true;
    if (GoesToArchives(cls))
        return targetClass == kArchivesClass || targetClass == kArchiveFolderClass;
    return targetClass == kCatalogsFolderClass || targetClass == kCatalogFolderClass;
}

// Objects the scan, the package analysis and the archive pool make, which
// follow their medium and so are never edited by hand.
static bool IsMediumObject(int cls)
{
    return cls == kFileFolderClass || IsArchiveVolumeClass(cls) || cls == kPackageClass ||
           cls == kPackagedFolderClass;
}

bool MayBeRenamedInTree(int cls)
{
    return cls >= 0 && !IsFixedObject(cls) && !IsMediumObject(cls);
}

bool MayBeRenamedInList(int cls)
{
    return MayStartDrag(cls);
}

bool MayBeDeleted(int cls)
{
    return cls >= 0 && !IsMediumObject(cls) && (!IsFixedObject(cls) || IsWastebasketClass(cls));
}

bool MayBeExplored(int cls)
{
    return IsDiskCatalog(cls) || cls == kFileFolderClass;
}

bool TakesComments(int cls)
{
    return cls >= 0 && !IsFixedObject(cls);
}

bool MayBeExported(int cls)
{
    return cls == kCatalogsFolderClass || cls == kCatalogFolderClass || IsDiskCatalog(cls);
}

bool GoesToArchives(int cls)
{
    return cls == kArchiveSetClass || cls == kArchiveFolderClass;
}

bool TakesNewFolder(int cls)
{
    return cls == kCatalogsFolderClass || cls == kCatalogFolderClass || cls == kArchivesClass ||
           cls == kArchiveFolderClass;
}

qint64 RootOfClass(int cls)
{
    return GoesToArchives(cls) ? kArchivesId : kCatalogsId;
}

} // namespace ObjectRules

ReplaceObjectView DescribeObject(TDataShare &data, qint64 id)
{
    ReplaceObjectView view;
    TableCursor *row = Lookup(data, id);
    if (!row)
        return view;
    view.imageIndex = row->FieldValue(QStringLiteral("Class")).toInt();
    view.name = row->FieldValue(QStringLiteral("Name")).toString();
    view.typeName = GetClassName(view.imageIndex);
    if (!ClassShowsNoSize(view.imageIndex))
        view.sizeText = SizeText(row->FieldValue(QStringLiteral("Size")).toLongLong(), false);
    const QVariant modified = row->FieldValue(QStringLiteral("Modified"));
    if (!modified.isNull())
        view.modifiedText = DateTimeText(modified.toDouble());
    return view;
}

int ObjectClass(TDataShare &data, qint64 id)
{
    TableCursor *row = Lookup(data, id);
    return row ? row->FieldValue(QStringLiteral("Class")).toInt() : -1;
}

QString NewObjectName(TDataShare &data, const QString &base, qint64 parentId)
{
    QString name = base;
    for (int counter = 2; data.Catalogs.FindChild(parentId, name) >= 0; ++counter)
        name = QStringLiteral("%1 (%2)").arg(base).arg(counter);
    return name;
}

QString CleanObjectName(const QString &name, bool *replaced)
{
    QString cleaned = name;
    bool any = false;
    for (QChar &c : cleaned) {
        if (IsInvalidNameCharacter(c)) {
            c = QLatin1Char(' ');
            any = true;
        }
    }
    if (replaced)
        *replaced = any;
    return cleaned;
}

void ShowRenameRefusal(const QString &name)
{
    UI().Message(MessageKind::Error, kRenameCaption.left(kRenameCaptionLength),
                 QStringLiteral("Cannot Rename Object \"") + name +
                     QStringLiteral("\". An Object with the name you specified already exists. "
                                    "Please specify another name"),
                 MessageIcon::Stop);
}

void ShowInvalidCharacters()
{
    UI().ShowError(QStringLiteral("Invalid Characters Found"),
                   QStringLiteral("The Catalog Name cannot contain any of the following "
                                  "characters:") +
                       kParagraphBreak + QStringLiteral("\t\t \\ / : ? \" < > | .") +
                       kParagraphBreak +
                       QStringLiteral("Any occurance of these characters have been replaced by "
                                      "a Space"));
}

qint64 NewFolder(TDataShare &data, qint64 parentId, const QString &name)
{
    const int parentClass = ObjectClass(data, parentId);
    const QString parentPath = data.Catalogs.PathByID(parentId, true);
    if (!ObjectRules::TakesNewFolder(parentClass)) {
        UI().ShowError(QStringLiteral("Create Folder Failed"),
                       QStringLiteral("A Folder may not be created in \"") + parentPath +
                           QStringLiteral("\".") + kParagraphBreak +
                           QStringLiteral("Folders are made in the Catalogs and Archives folders "
                                          "and in the folders below them."));
        return -1;
    }
    QString folderName = name.trimmed();
    if (folderName.isEmpty()) {
        folderName = NewObjectName(data, kNewFolderName, parentId);
    } else {
        bool replaced = false;
        folderName = CleanObjectName(folderName, &replaced);
        if (replaced)
            ShowInvalidCharacters();
        if (folderName.trimmed().isEmpty()) {
            UI().ShowError(QStringLiteral("Create Folder Failed"),
                           QStringLiteral("The Folder needs a name.") + kParagraphBreak +
                               QStringLiteral("Please specify another name"));
            return -1;
        }
        if (data.Catalogs.FindChild(parentId, folderName) >= 0) {
            UI().ShowError(QStringLiteral("Create Folder Failed"),
                           QStringLiteral("An Object named \"") + folderName +
                               QStringLiteral("\" already exists in \"") + parentPath +
                               QStringLiteral("\".") + kParagraphBreak +
                               QStringLiteral("Please specify another name"));
            return -1;
        }
    }
    const int cls = parentClass == CatalogSchema::kArchivesClass ||
                            parentClass == CatalogSchema::kArchiveFolderClass
                        ? CatalogSchema::kArchiveFolderClass
                        : CatalogSchema::kCatalogFolderClass;
    const double now = NowDayCount();
    return AppendCatalogRow(*data.Catalogs.LookupCursor(), folderName, QString(), parentId, cls,
                            false, now, now, QString(), QString(), 0, 0);
}

bool WriteObjectDate(TDataShare &data, qint64 id, const QString &field, double value)
{
    TableCursor *row = Lookup(data, id);
    if (!row)
        return false;
    const int cls = row->FieldValue(QStringLiteral("Class")).toInt();
    if (!ObjectRules::MayBeRenamedInTree(cls) && cls != CatalogSchema::kArchivesClass &&
        cls != CatalogSchema::kVolumePoolClass)
        return false;
    row->Edit();
    row->SetFieldValue(field, value);
    row->Post();
    return true;
}

RenameOutcome RenameObject(TDataShare &data, qint64 id, QString &name)
{
    TableCursor *row = Lookup(data, id);
    if (!row)
        return RenameOutcome::Unchanged;
    const QString oldName = row->FieldValue(QStringLiteral("Name")).toString();
    const qint64 parent = row->FieldValue(QStringLiteral("Parent")).toLongLong();
    QString text = name.trimmed();
    if (text.isEmpty())
        text = oldName;
    bool replaced = false;
    text = CleanObjectName(text, &replaced);
    if (replaced)
        ShowInvalidCharacters();
    // A name of invalid characters alone would be blanks: the old name stays.
    if (text.trimmed().isEmpty() || text.compare(oldName, Qt::CaseInsensitive) == 0) {
        name = oldName;
        return RenameOutcome::Unchanged;
    }
    if (data.Catalogs.FindChild(parent, text) >= 0) {
        ShowRenameRefusal(text);
        name = oldName;
        return RenameOutcome::Refused;
    }
    row = Lookup(data, id);
    const int cls = data.Catalogs.ItemClass(row);
    row->Edit();
    row->SetFieldValue(QStringLiteral("Name"), text);
    row->Post();
    // A set's ZIP file is named after the set. Renamed only once the row
    // is, and a file that keeps its name undoes the whole command.
    if (cls == CatalogSchema::kArchiveSetClass && data.SetFiles() &&
        !data.SetFiles()->RenameSetFile(id, oldName, text))
        throw EDirvantaFailed(QString());
    WriteObjectDate(data, id, QStringLiteral("Modified"), NowDayCount());
    name = text;
    return RenameOutcome::Renamed;
}

qint64 DropObjects(TDataShare &data, const QList<qint64> &ids, qint64 targetId)
{
    if (ids.isEmpty())
        return -1;
    const int targetClass = ObjectClass(data, targetId);
    if (!ObjectRules::IsDropTarget(targetClass)) {
        UI().ShowError(kMoveFailedCaption,
                       QStringLiteral("The selected Objects(s) may not be moved to the location "
                                      "specified"));
        return -1;
    }
    const int progress = targetId == kWastebasketId ? kProgressToWastebasket : kProgressMoving;
    UI().ShowProgress(progress);
    qint64 last = -1;
    for (qint64 id : ids) {
        if (!UI().ProgressVisible())
            UI().ShowProgress(progress);
        UI().PumpMessages(1000);
        const int cls = ObjectClass(data, id);
        if (cls < 0)
            continue;
        const QString name = data.Catalogs.GetNameByID(id);
        // An object dropped into itself or below itself would leave the tree.
        if (!ObjectRules::MayStartDrag(cls) || !ObjectRules::MayMoveInto(cls, targetClass) ||
            id == targetId || data.Catalogs.IsAncestor(id, targetId)) {
            RefuseObjectMove(name);
            last = targetId;
            continue;
        }
        last = id;
        if (targetId == kWastebasketId) {
            SendToWastebasket(data, id);
            continue;
        }
        const qint64 namesake = data.Catalogs.FindChild(targetId, name);
        if (namesake == id)
            continue;
        if (namesake >= 0) {
            if (!UI().AskReplaceObject(DescribeObject(data, namesake), DescribeObject(data, id))) {
                UI().CloseProgress();
                continue;
            }
            // The object moves before its namesake leaves: the namesake may
            // hold it, and must not merge into it on its way to the Wastebasket.
            data.Catalogs.SetParentByID(id, targetId);
            SendToWastebasket(data, namesake);
            continue;
        }
        data.Catalogs.MoveItem(id, targetId);
    }
    return last;
}

bool WriteObjectComment(TDataShare &data, qint64 id, const QString &comment)
{
    TableCursor *row = Lookup(data, id);
    if (!row || row->FieldValue(QStringLiteral("Comment")).toString() == comment)
        return false;
    row->Edit();
    row->SetFieldValue(QStringLiteral("Comment"), comment);
    row->Post();
    WriteObjectDate(data, id, QStringLiteral("Modified"), NowDayCount());
    return true;
}

bool WriteFileComment(TDataShare &data, qint64 key, const QString &comment)
{
    if (GetFileOwner(data, key) < 0 || GetFileComment(data, key) == comment)
        return false;
    SqliteStatement &update = data.CatalogDatabase.Prepare(
        QStringLiteral("UPDATE Files SET Comment = ?1 WHERE Key = ?2"));
    update.Bind(1, comment).Bind(2, key).Execute();
    update.Reset();
    return true;
}
