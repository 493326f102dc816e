#include "store/CatalogRows.h"

#include "platform/DayCount.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

namespace {

QVariant DateValue(double dayCount)
{
    return dayCount == kBlankDateTime ? QVariant() : QVariant(dayCount);
}

// One column of the Files row with the given key, or a null value.
QVariant FileField(TDataShare &data, const char *field, qint64 key)
{
    SqliteStatement &query = data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT %1 FROM Files WHERE Key = ?1").arg(QLatin1String(field)));
    query.Bind(1, key);
    const QVariant value = query.Step() ? query.Value(0) : QVariant();
    query.Reset();
    return value;
}

// Positions the item tree's lookup cursor, which no caller stands on.
TableCursor *LookupObject(TDataShare &data, qint64 id)
{
    TableCursor *lookup = data.Catalogs.LookupCursor();
    return lookup->Active() && lookup->Locate(id) ? lookup : nullptr;
}

} // namespace

qint64 AppendCatalogRow(TableCursor &table, const QString &name, const QString &source,
                        qint64 parent, int cls, bool nameHidden, double created, double modified,
                        const QString &comment, const QString &serialText, qint64 size,
                        qint64 volumeSize)
{
    table.Append();
    if (parent >= 0)
        table.SetFieldValue(QStringLiteral("Parent"), parent);
    if (cls >= 0)
        table.SetFieldValue(QStringLiteral("Class"), cls);
    if (!name.isEmpty())
        table.SetFieldValue(QStringLiteral("Name"), name);
    table.SetFieldValue(QStringLiteral("Source"), source);
    table.SetFieldValue(QStringLiteral("NameHidden"), nameHidden ? 1 : 0);
    table.SetFieldValue(QStringLiteral("Created"), DateValue(created));
    table.SetFieldValue(QStringLiteral("Modified"), DateValue(modified));
    table.SetFieldValue(QStringLiteral("Deleted"), 0.0);
    table.SetFieldValue(QStringLiteral("Comment"), comment);
    table.SetFieldValue(QStringLiteral("SerialID"), serialText.toUpper());
    table.SetFieldValue(QStringLiteral("Size"), size);
    table.SetFieldValue(QStringLiteral("VolSize"), volumeSize);
    table.Post();
    return table.FieldValue(QStringLiteral("ID")).toLongLong();
}

std::span<const FixedObject> FixedObjects()
{
    static constexpr FixedObject kFixed[] = {
        {CatalogSchema::kDatabaseObjectId, "Dirvanta Database", 0, CatalogSchema::kDatabaseClass,
         CatalogSchema::kDatabaseVersion},
        {CatalogSchema::kArchivesId, "Archives", CatalogSchema::kDatabaseObjectId,
         CatalogSchema::kArchivesClass, 0},
        {CatalogSchema::kCatalogsId, "Catalogs", CatalogSchema::kDatabaseObjectId,
         CatalogSchema::kCatalogsFolderClass, 0},
        {CatalogSchema::kWastebasketId, "Wastebasket", CatalogSchema::kDatabaseObjectId,
         CatalogSchema::kEmptyWastebasketClass, 0},
        {CatalogSchema::kVolumePoolId, "Volume Pool", CatalogSchema::kArchivesId,
         CatalogSchema::kVolumePoolClass, 0},
    };
    return kFixed;
}

void AppendFixedObjects(TableCursor &catalogs)
{
    const double now = NowDayCount();
    for (const FixedObject &fixed : FixedObjects()) {
        AppendCatalogRow(catalogs, QString::fromLatin1(fixed.name), QString(), fixed.parent,
                         fixed.cls, false, now, now, QString(), QString(), fixed.size, 0);
    }
}

QString GetObjectName(TDataShare &data, qint64 id)
{
    TableCursor *row = LookupObject(data, id);
    return row ? row->FieldValue(QStringLiteral("Name")).toString() : QString();
}

QString GetObjectComment(TDataShare &data, qint64 id)
{
    TableCursor *row = LookupObject(data, id);
    return row ? row->FieldValue(QStringLiteral("Comment")).toString() : QString();
}

QString GetFileComment(TDataShare &data, qint64 key)
{
    return FileField(data, "Comment", key).toString();
}

QString GetObjectPath(TDataShare &data, qint64 id)
{
    if (id < 0 || !data.Catalogs.Active())
        return {};
    return data.Catalogs.PathByID(id, true);
}

QString GetFileFolderPath(TDataShare &data, qint64 key)
{
    const qint64 owner = GetFileOwner(data, key);
    return owner < 0 ? QString() : GetObjectPath(data, owner);
}

double GetObjectModified(TDataShare &data, qint64 id)
{
    TableCursor *row = LookupObject(data, id);
    return row ? row->FieldValue(QStringLiteral("Modified")).toDouble() : 0.0;
}

void SetCatalogSize(TDataShare &data, qint64 id, qint64 size)
{
    TableCursor *row = LookupObject(data, id);
    if (!row)
        return;
    row->Edit();
    row->SetFieldValue(QStringLiteral("Size"), size);
    row->Post();
}

qint64 GetObjectSize(TDataShare &data, qint64 id)
{
    TableCursor *row = LookupObject(data, id);
    return row ? row->FieldValue(QStringLiteral("Size")).toLongLong() : 0;
}

bool GetFilePackaged(TDataShare &data, qint64 key)
{
    return FileField(data, "Packaged", key).toLongLong() != 0;
}

qint64 GetFileOwner(TDataShare &data, qint64 key)
{
    const QVariant owner = FileField(data, "ID", key);
    return owner.isNull() ? -1 : owner.toLongLong();
}

DatabaseTotals CountDatabaseTotals(TDataShare &data)
{
    DatabaseTotals totals;
    SqliteStatement &objects =
        data.CatalogDatabase.Prepare(QStringLiteral("SELECT COUNT(*) FROM Catalogs"));
    if (objects.Step())
        totals.objects = objects.Int64(0);
    objects.Reset();
    SqliteStatement &files = data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT COUNT(*), COALESCE(SUM(Size), 0) FROM Files"));
    if (files.Step()) {
        totals.files = files.Int64(0);
        totals.bytes = files.Int64(1);
    }
    files.Reset();
    return totals;
}

qint64 CountSubtreeEntries(TDataShare &data, qint64 id)
{
    // Depth stops a cycle of parent links, as in every walk of the tree.
    SqliteStatement &count = data.CatalogDatabase.Prepare(
        QStringLiteral("WITH RECURSIVE Below(ID, Depth) AS ("
                       " SELECT ID, 1 FROM Catalogs WHERE ID = ?1"
                       " UNION ALL"
                       " SELECT c.ID, b.Depth + 1 FROM Below b JOIN Catalogs c ON c.Parent = b.ID"
                       "  WHERE c.ID <> b.ID AND b.Depth < ?2)"
                       " SELECT (SELECT COUNT(*) FROM Below) +"
                       " (SELECT COUNT(*) FROM Files WHERE ID IN (SELECT ID FROM Below))"));
    count.Bind(1, id).Bind(2, TDBItemTree::kDepthLimit);
    const qint64 entries = count.Step() ? count.Int64(0) : 0;
    count.Reset();
    return entries;
}

QString GetClassName(int cls)
{
    using namespace CatalogSchema;
    switch (cls) {
    case kDatabaseClass:
        return QStringLiteral("Dirvanta Database");
    case kCatalogsFolderClass:
    case kCatalogFolderClass:
        return QStringLiteral("Catalog Folder");
    case kRemovableDiskClass:
        return QStringLiteral("Floppy Disk");
    case kHardDiskClass:
        return QStringLiteral("Hard Disk");
    case kCdRomClass:
        return QStringLiteral("CD-ROM");
    case kOldFileFolderClass:
    case kFileFolderClass:
        return QStringLiteral("File Folder");
    case kEmptyWastebasketClass:
    case kFullWastebasketClass:
        return QStringLiteral("Catalog Wastebasket");
    case kArchivesClass:
    case kArchiveFolderClass:
        return QStringLiteral("Archive Folder");
    case kPackageClass:
        return QStringLiteral("Packaged Files");
    case kArchiveSetClass:
        return QStringLiteral("Archive Set");
    case kPackagedFolderClass:
        return QStringLiteral("Packaged Folder");
    case kVolumePoolClass:
        return QStringLiteral("Volume Pool");
    default:
        return IsArchiveVolumeClass(cls) ? QStringLiteral("Archive Volume")
                                         : QStringLiteral("Unknown");
    }
}
