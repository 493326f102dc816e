#include "store/ObjectDeletion.h"

#include "store/DataShare.h"

#include <QList>

qint64 DeleteSubtreePermanently(TDataShare &data, qint64 id)
{
    if (!data.Catalogs.Locate(data.Catalogs.LookupCursor(), id))
        return 0;
    // Collected first, deleted afterwards: the walk must not lose its way.
    QList<qint64> ids;
    data.Catalogs.WalkSubtree(
        id,
        [&](TableCursor &cursor, qint64 &, bool &) { ids.append(data.Catalogs.ItemID(&cursor)); },
        nullptr);
    SqliteStatement &files =
        data.CatalogDatabase.Prepare(QStringLiteral("DELETE FROM Files WHERE ID = ?1"));
    SqliteStatement &objects =
        data.CatalogDatabase.Prepare(QStringLiteral("DELETE FROM Catalogs WHERE ID = ?1"));
    for (qsizetype i = ids.size() - 1; i >= 0; --i) {
        files.Bind(1, ids[i]).Execute();
        files.Reset();
        objects.Bind(1, ids[i]).Execute();
        objects.Reset();
    }
    return ids.size();
}
