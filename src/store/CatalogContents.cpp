#include "store/CatalogContents.h"

#include "store/CatalogSchema.h"
#include "store/DataShare.h"

namespace {

using CatalogSchema::kArchiveSetClass;

// Columns: number, class, name, size, modified, comment.
ContentRow ReadRow(const SqliteStatement &row, bool file)
{
    ContentRow entry;
    entry.file = file;
    entry.number = row.Int64(0);
    entry.cls = row.IsNull(1) ? -1 : int(row.Int64(1));
    entry.name = row.Text(2);
    entry.size = row.Int64(3);
    if (!row.IsNull(4))
        entry.modified = row.Double(4);
    entry.comment = row.Text(5);
    return entry;
}

} // namespace

bool ClassShowsNoSize(int cls)
{
    using namespace CatalogSchema;
    switch (cls) {
    case kCatalogsFolderClass:
    case kCatalogFolderClass:
    case kFileFolderClass:
    case kEmptyWastebasketClass:
    case kFullWastebasketClass:
    case kArchivesClass:
    case kPackagedFolderClass:
    case kVolumePoolClass:
    case kArchiveFolderClass:
        return true;
    default:
        return false;
    }
}

QString OneLineComment(const QString &comment)
{
    QString line = comment;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    return line;
}

void ReadCatalogContents(TDataShare &data, qint64 id,
                         const std::function<void(const ContentRow &)> &visit)
{
    SqliteConnection &db = data.CatalogDatabase;
    SqliteStatement &classQuery =
        db.Prepare(QStringLiteral("SELECT Class FROM Catalogs WHERE ID = ?1"));
    classQuery.Bind(1, id);
    const int cls = classQuery.Step() && !classQuery.IsNull(0) ? int(classQuery.Int64(0)) : -1;
    classQuery.Reset();

    // An archive volume holds no children of its own in the tree: what lies
    // on it are the archive sets that name it in VolSize.
    const bool volume = CatalogSchema::IsArchiveVolumeClass(cls);
    SqliteStatement &objects =
        volume
            ? db.Prepare(QStringLiteral("SELECT ID, Class, Name, Size, Modified, Comment FROM "
                                        "Catalogs WHERE VolSize = ?1 AND Class = ?2 ORDER BY ID"))
            : db.Prepare(QStringLiteral("SELECT ID, Class, Name, Size, Modified, Comment FROM "
                                        "Catalogs WHERE Parent = ?1 ORDER BY ID"));
    objects.Bind(1, id);
    if (volume)
        objects.Bind(2, kArchiveSetClass);
    while (objects.Step())
        visit(ReadRow(objects, false));
    objects.Reset();

    SqliteStatement &files = db.Prepare(QStringLiteral(
        "SELECT Key, Class, Name, Size, Modified, Comment FROM Files WHERE ID = ?1 ORDER BY Key"));
    files.Bind(1, id);
    while (files.Step())
        visit(ReadRow(files, true));
    files.Reset();
}
