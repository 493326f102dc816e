#include "store/DatabaseFileLayout.h"

#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"
#include "store/SqliteConnection.h"

#include <QDir>

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>

namespace DatabaseRepair {

QString FileName(DatabaseFile file)
{
    return file == DatabaseFile::Catalogs ? CatalogSchema::kCatalogsFileName
                                          : CatalogSchema::kFilesFileName;
}

QString BackupName(DatabaseFile file)
{
    return QStringLiteral("Backup ") + FileName(file);
}

bool CheckDatabaseFolder(const QString &folder)
{
    if (TDataShare::DatabaseFilesExist(true, folder))
        return true;
    UI().ShowError(QStringLiteral("Invalid Database Folder"),
                   QStringLiteral("The Folder specified (") + folder +
                       QStringLiteral(") does not contain a Dirvanta Database") + kParagraphBreak +
                       QStringLiteral("Request failed."));
    return false;
}

QString BackupPattern(const QString &backupFolder)
{
    return QDir(backupFolder).filePath(QStringLiteral("Backup Dirvanta *.*"));
}

FileLayout LayoutOf(DatabaseFile file)
{
    if (file == DatabaseFile::Catalogs)
        return {FileName(file), CatalogSchema::kCatalogsTable, CatalogSchema::CatalogsFields(),
                CatalogSchema::CatalogsIndexes()};
    return {FileName(file), CatalogSchema::kFilesTable, CatalogSchema::FilesFields(),
            CatalogSchema::FilesIndexes()};
}

void OpenForSalvage(SqliteConnection &connection, const QString &path)
{
    connection.Open(path, false);
    // A writable schema lets SQLite open a file shorter than its header
    // says, taking the pages that are there; nothing here writes the schema.
    connection.ExecuteScript(
        QStringLiteral("PRAGMA cell_size_check=ON; PRAGMA writable_schema=ON"));
}

bool IsDamage(int engineCode)
{
    switch (engineCode & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_IOERR:
    case SQLITE_FORMAT:
    case SQLITE_RANGE:
    case SQLITE_ERROR: // a schema that no longer parses
        return true;
    default:
        return false;
    }
}

bool ReadRowsPastDamage(SqliteConnection &connection, const QString &select, qint64 first,
                        qint64 last,
                        const std::function<void(const SqliteStatement &row, qint64 rowId)> &sink)
{
    struct Range
    {
        qint64 first, last;
    };
    bool damaged = false;
    std::vector<Range> pending{{first, last}};
    // Halving a failing range finds the readable rows around damage, but a
    // table whose every page fails (its root among them) would be split row
    // by row across the whole key space. A budget that grows with the file
    // ends the search; what is left counts as lost.
    qint64 failuresLeft = 64;
    try {
        SqliteStatement &pages = connection.Prepare(QStringLiteral("PRAGMA page_count"));
        if (pages.Step())
            failuresLeft += 32 * pages.Int64(0);
        pages.Reset();
    } catch (const EDatabaseError &) {
    }
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        qint64 next = range.first;
        try {
            SqliteStatement &rows = connection.Prepare(select);
            rows.Bind(1, range.first).Bind(2, range.last);
            while (next <= range.last && rows.Step()) {
                const qint64 rowId = rows.Int64(0);
                if (rowId < next || rowId > range.last)
                    continue; // a damaged page that still parses
                sink(rows, rowId);
                if (rowId == range.last)
                    break;
                next = rowId + 1;
            }
            continue;
        } catch (const EDatabaseError &error) {
            if (!IsDamage(error.EngineCode()))
                throw;
        }
        damaged = true;
        if (next >= range.last || --failuresLeft < 0)
            continue;
        const qint64 middle = next + qint64((quint64(range.last) - quint64(next)) / 2);
        pending.push_back({middle + 1, range.last});
        pending.push_back({next, middle});
    }
    return damaged;
}

qint64 LastRowIdGiven(SqliteConnection &connection, const QString &table)
{
    // The sequence outlives deleted rows; the largest row ID is read where
    // the sequence cannot be.
    qint64 last = 0;
    for (const QString &sql :
         {QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = '%1'").arg(table),
          QStringLiteral("SELECT max(rowid) FROM %1").arg(QuoteIdentifier(table))}) {
        try {
            SqliteStatement &query = connection.Prepare(sql);
            if (query.Step())
                last = std::max(last, query.Int64(0));
            query.Reset();
        } catch (const EDatabaseError &error) {
            if (!IsDamage(error.EngineCode()))
                throw;
        }
    }
    return last;
}

bool FitsField(CatalogSchema::LogicalType type, int storageClass)
{
    using CatalogSchema::LogicalType;
    if (storageClass == SQLITE_NULL)
        return true;
    switch (type) {
    case LogicalType::Memo:
        return storageClass == SQLITE_TEXT;
    case LogicalType::DateTime:
        return storageClass == SQLITE_FLOAT || storageClass == SQLITE_INTEGER;
    default:
        return storageClass == SQLITE_INTEGER;
    }
}

TreeFaults FindTreeFaults(const std::vector<ObjectLink> &objects)
{
    TreeFaults faults;
    std::unordered_map<qint64, const ObjectLink *> byId;
    byId.reserve(objects.size());
    for (const ObjectLink &object : objects)
        byId.emplace(object.id, &object);

    for (const FixedObject &fixed : FixedObjects()) {
        const auto found = byId.find(fixed.id);
        const bool wastebasket = fixed.id == CatalogSchema::kWastebasketId;
        const bool classFits =
            found != byId.end() &&
            (found->second->cls == fixed.cls ||
             (wastebasket && found->second->cls == CatalogSchema::kFullWastebasketClass));
        if (!classFits || found->second->parent != fixed.parent)
            faults.badFixedObjects.push_back(fixed.id);
    }

    // Each object is followed up its parents until the root, an object known
    // to reach it, a missing parent or an object met before on this walk.
    enum class Mark : char
    {
        Unseen,
        OnWalk,
        Done
    };
    std::unordered_map<qint64, Mark> marks;
    marks.reserve(objects.size());
    for (const ObjectLink &start : objects) {
        if (marks[start.id] == Mark::Done)
            continue;
        std::vector<qint64> walk;
        qint64 id = start.id;
        while (id != CatalogSchema::kDatabaseObjectId) {
            Mark &mark = marks[id];
            if (mark == Mark::Done)
                break;
            if (mark == Mark::OnWalk) {
                // The walk came round to itself: the cycle is the part of the
                // walk from this object on.
                const auto from = std::find(walk.begin(), walk.end(), id);
                faults.cycles.push_back(*std::min_element(from, walk.end()));
                break;
            }
            mark = Mark::OnWalk;
            walk.push_back(id);
            const qint64 parent = byId.at(id)->parent;
            if (parent != CatalogSchema::kDatabaseObjectId && !byId.contains(parent)) {
                faults.orphans.push_back(id);
                break;
            }
            id = parent;
        }
        for (qint64 walked : walk)
            marks[walked] = Mark::Done;
    }
    return faults;
}

std::unordered_set<qint64> ReadableObjectIds(const QString &folder)
{
    std::unordered_set<qint64> ids;
    try {
        SqliteConnection connection;
        OpenForSalvage(connection, QDir(folder).filePath(CatalogSchema::kCatalogsFileName));
        SqliteStatement &query = connection.Prepare(QStringLiteral("SELECT ID FROM Catalogs"));
        while (query.Step())
            ids.insert(query.Int64(0));
    } catch (const EDatabaseError &) {
        // What was read before the damage stands.
    }
    return ids;
}

} // namespace DatabaseRepair
