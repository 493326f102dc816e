#include "ui/CatalogListFill.h"

#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "store/CatalogContents.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

namespace {

using CatalogSchema::kArchiveSetClass;

QString DateText(const std::optional<double> &dayCount)
{
    return dayCount ? DateTimeText(*dayCount) : QString();
}

QString DateKey(const std::optional<double> &dayCount)
{
    return dayCount ? DateSortKey(*dayCount) : QString();
}

QString DateText(const SqliteStatement &row, int column)
{
    return row.IsNull(column) ? QString() : DateTimeText(row.Double(column));
}

QString DateKey(const SqliteStatement &row, int column)
{
    return row.IsNull(column) ? QString() : DateSortKey(row.Double(column));
}

int ClassOf(const SqliteStatement &row, int column)
{
    return row.IsNull(column) ? -1 : int(row.Int64(column));
}

} // namespace

QStringList MainViewColumns()
{
    return {QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type"),
            QStringLiteral("Modified"), QStringLiteral("Comment")};
}

QStringList WastebasketViewColumns()
{
    return {QStringLiteral("Name"),         QStringLiteral("Original Location"),
            QStringLiteral("Date Deleted"), QStringLiteral("Type"),
            QStringLiteral("Size"),         QStringLiteral("Comment")};
}

qint64 ReadMainViewEntries(TDataShare &data, qint64 nodeId, QList<ListEntry> &entries)
{
    qint64 total = 0;
    const QString noSizeKey = SizeSortKey(0);
    ReadCatalogContents(data, nodeId, [&](const ContentRow &row) {
        total += row.size;
        if (row.file) {
            // A link is a few bytes of path: "1KB" would say nothing of it.
            const bool link = row.cls > 0 && (row.cls & CatalogSchema::kLinkAttribute) != 0;
            entries.append(
                ListEntry{row.name, row.number, FileIconIndex(row.name),
                          QStringList{link ? ByteCountText(row.size) : SizeText(row.size, false),
                                      link ? LinkTypeName() : FileTypeName(row.name),
                                      DateText(row.modified), OneLineComment(row.comment),
                                      SizeSortKey(row.size), DateKey(row.modified)}});
            return;
        }
        const bool noSize = ClassShowsNoSize(row.cls);
        entries.append(ListEntry{
            row.name, row.number, row.cls,
            QStringList{noSize ? QString() : SizeText(row.size, false), GetClassName(row.cls),
                        DateText(row.modified), OneLineComment(row.comment),
                        noSize ? noSizeKey : SizeSortKey(row.size), DateKey(row.modified)}});
    });
    return total;
}

void ReadWastebasketEntries(TDataShare &data, QList<ListEntry> &entries)
{
    // One walk of the whole subtree in the database. Folder is the path between
    // "Wastebasket" and the row's own name ("\" directly below it, "\Work\" one
    // folder down; a hidden name adds nothing, as in object paths). Trail
    // orders the rows parent before children, children by ID: the order of a
    // depth-first walk. Depth stops a cycle of parent links.
    SqliteStatement &walk = data.CatalogDatabase.Prepare(QStringLiteral(
        "WITH RECURSIVE Below(ID, Name, NameHidden, Folder, Trail, Depth) AS ("
        " SELECT ID, Name, NameHidden, '\\', printf('%020d', ID), 1"
        "  FROM Catalogs WHERE Parent = ?1 AND ID <> ?1"
        " UNION ALL"
        " SELECT c.ID, c.Name, c.NameHidden,"
        "  b.Folder || CASE WHEN b.NameHidden THEN '' ELSE COALESCE(b.Name, '') || '\\' END,"
        "  b.Trail || printf('%020d', c.ID), b.Depth + 1"
        "  FROM Below b JOIN Catalogs c ON c.Parent = b.ID WHERE b.Depth < ?2)"
        " SELECT c.ID, c.Class, c.Name, c.Size, c.Deleted, c.Comment, b.Folder"
        " FROM Below b JOIN Catalogs c ON c.ID = b.ID"
        " WHERE c.Class IN (?3, ?4, ?5, ?6) ORDER BY b.Trail"));
    walk.Bind(1, qint64(CatalogSchema::kWastebasketId))
        .Bind(2, TDBItemTree::kDepthLimit)
        .Bind(3, CatalogSchema::kRemovableDiskClass)
        .Bind(4, CatalogSchema::kHardDiskClass)
        .Bind(5, CatalogSchema::kCdRomClass)
        .Bind(6, kArchiveSetClass);
    while (walk.Step()) {
        const int cls = ClassOf(walk, 1);
        const qint64 size = walk.Int64(3);
        const QString root =
            cls == kArchiveSetClass ? QStringLiteral("Archives") : QStringLiteral("Catalogs");
        entries.append(
            ListEntry{walk.Text(2), walk.Int64(0), cls,
                      QStringList{root + walk.Text(6), DateText(walk, 4), GetClassName(cls),
                                  SizeText(size, false), OneLineComment(walk.Text(5)),
                                  DateKey(walk, 4), SizeSortKey(size)}});
    }
}
