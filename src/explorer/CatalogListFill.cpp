#include "explorer/CatalogListFill.h"

#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

namespace {

constexpr int kArchiveSetClass = 23;

bool IsArchiveVolume(int cls)
{
    return cls >= 11 && cls <= 21;
}

// Folders and fixed objects, whose Size means nothing to the user.
bool ShowsNoSize(int cls)
{
    switch (cls) {
    case 1:
    case 2:
    case 7:
    case 8:
    case 9:
    case 10:
    case 24:
    case 25:
    case 26:
        return true;
    default:
        return false;
    }
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

// Columns: ID, Class, Name, Size, Modified, Comment.
qint64 AppendObjects(SqliteStatement &query, QList<ListEntry> &entries)
{
    qint64 total = 0;
    const QString noSizeKey = SizeSortKey(0);
    while (query.Step()) {
        const int cls = ClassOf(query, 1);
        const qint64 size = query.Int64(3);
        total += size;
        const bool noSize = ShowsNoSize(cls);
        entries.append(
            ListEntry{query.Text(2), query.Int64(0), cls,
                      QStringList{noSize ? QString() : SizeText(size, false), GetClassName(cls),
                                  DateText(query, 4), OneLineComment(query.Text(5)),
                                  noSize ? noSizeKey : SizeSortKey(size), DateKey(query, 4)}});
    }
    return total;
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

QString OneLineComment(const QString &comment)
{
    QString line = comment;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    return line;
}

qint64 ReadMainViewEntries(TDataShare &data, qint64 nodeId, QList<ListEntry> &entries)
{
    SqliteConnection &db = data.CatalogDatabase;
    SqliteStatement &classQuery =
        db.Prepare(QStringLiteral("SELECT Class FROM Catalogs WHERE ID = ?1"));
    classQuery.Bind(1, nodeId);
    const int nodeClass = classQuery.Step() ? ClassOf(classQuery, 0) : -1;
    classQuery.Reset();

    // An archive volume holds no children of its own in the tree: what lies
    // on it are the archive sets that name it in VolSize.
    SqliteStatement &objects =
        IsArchiveVolume(nodeClass)
            ? db.Prepare(
                  QStringLiteral("SELECT ID, Class, Name, Size, Modified, Comment FROM Catalogs "
                                 "WHERE VolSize = ?1 AND Class = ?2 ORDER BY ID"))
            : db.Prepare(
                  QStringLiteral("SELECT ID, Class, Name, Size, Modified, Comment FROM Catalogs "
                                 "WHERE Parent = ?1 ORDER BY ID"));
    objects.Bind(1, nodeId);
    if (IsArchiveVolume(nodeClass))
        objects.Bind(2, kArchiveSetClass);
    qint64 total = AppendObjects(objects, entries);

    SqliteStatement &files = db.Prepare(QStringLiteral(
        "SELECT Key, Size, Name, Modified, Comment FROM Files WHERE ID = ?1 ORDER BY Key"));
    files.Bind(1, nodeId);
    while (files.Step()) {
        const QString name = files.Text(2);
        const qint64 size = files.Int64(1);
        total += size;
        entries.append(ListEntry{name, files.Int64(0), FileIconIndex(name),
                                 QStringList{SizeText(size, false), FileTypeName(name),
                                             DateText(files, 3), OneLineComment(files.Text(4)),
                                             SizeSortKey(size), DateKey(files, 3)}});
    }
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
        " WHERE c.Class IN (3, 4, 5, 23) ORDER BY b.Trail"));
    walk.Bind(1, qint64(CatalogSchema::kWastebasketId)).Bind(2, TDBItemTree::kDepthLimit);
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
