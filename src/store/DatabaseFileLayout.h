#pragma once

#include "store/CatalogSchema.h"
#include "store/DatabaseRepair.h"

#include <QString>

#include <functional>
#include <span>
#include <unordered_set>
#include <vector>

class SqliteConnection;
class SqliteStatement;

// What the check and the rebuild of a database file share: which table a
// file holds and the rules of the object tree.
namespace DatabaseRepair {

struct FileLayout
{
    QString fileName;
    QString table;
    std::span<const CatalogSchema::FieldDefinition> fields;
    std::span<const CatalogSchema::IndexDefinition> indexes;
};

FileLayout LayoutOf(DatabaseFile file);

// Opens a database file of a folder for checking or salvage: SQLite checks
// each cell's size as it reads a page, so a damaged page fails rather than
// yielding rubbish.
void OpenForSalvage(SqliteConnection &connection, const QString &path);

// Whether a failure is SQLite reporting damage rather than, say, a lock.
bool IsDamage(int engineCode);

// Reads the rows with IDs from first to last in order, handing each with its
// row ID to the sink; select takes the bounds as ?1 and ?2 and gives the row
// ID first. Where SQLite reports damage the rest of the range is halved until
// the IDs it cannot read are found one by one and passed over. True when
// damage was met.
bool ReadRowsPastDamage(SqliteConnection &connection, const QString &select, qint64 first,
                        qint64 last,
                        const std::function<void(const SqliteStatement &row, qint64 rowId)> &sink);

// The highest row ID a table of ours has given out, as far as it can be read.
qint64 LastRowIdGiven(SqliteConnection &connection, const QString &table);

// Whether a value of a SQLite storage class fits a field.
bool FitsField(CatalogSchema::LogicalType type, int storageClass);

// One object of the tree: enough to check its place.
struct ObjectLink
{
    qint64 id = 0;
    qint64 parent = 0;
    int cls = 0;
};

struct TreeFaults
{
    std::vector<qint64> orphans;         // objects whose parent is not there
    std::vector<qint64> cycles;          // one object of each cycle of parents
    std::vector<qint64> badFixedObjects; // fixed objects missing or out of place
};

TreeFaults FindTreeFaults(const std::vector<ObjectLink> &objects);

// The IDs of the objects in the Catalogs file of a folder, as far as they
// can be read; empty when none can.
std::unordered_set<qint64> ReadableObjectIds(const QString &folder);

} // namespace DatabaseRepair
