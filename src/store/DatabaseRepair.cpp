#include "store/DatabaseRepair.h"

#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/DatabaseError.h"
#include "store/DatabaseFileLayout.h"
#include "store/NameIndex.h"
#include "store/SqliteConnection.h"
#include "store/TableCursor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <limits>
#include <unordered_map>
#include <vector>

namespace DatabaseRepair {

namespace {

// The rebuilt file is written beside the old one, so that the rename that
// swaps them stays on one file system.
const QString kRebuiltSuffix = QStringLiteral("-rebuilt");
constexpr qint64 kRowsPerProgressStep = 4096;

void SyncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        throw EDatabaseError(QStringLiteral("Unable to open ") + path);
    const int synced = ::fsync(fd);
    ::close(fd);
    if (synced != 0)
        throw EDatabaseError(QStringLiteral("Unable to write ") + path +
                             QStringLiteral(" to disk"));
}

void RemoveFile(const QString &path)
{
    if (QFile::exists(path) && !QFile::remove(path))
        throw EDatabaseError(QStringLiteral("Unable to remove ") + path);
}

// Puts the rebuilt file in the old one's place: on disk first, then one
// rename, then the folder's entry on disk. At every moment the name holds
// either the old file or the rebuilt one. The old file's journal goes
// before the rename: beside the rebuilt file it would be played back into it.
void SwapIn(const QString &rebuilt, const QString &path)
{
    SyncPath(rebuilt, O_RDONLY);
    RemoveFile(path + QStringLiteral("-journal"));
    if (std::rename(QFile::encodeName(rebuilt).constData(), QFile::encodeName(path).constData()) !=
        0)
        throw EDatabaseError(QStringLiteral("Unable to replace ") + path);
    SyncPath(QFileInfo(path).absolutePath(), O_RDONLY | O_DIRECTORY);
}

// A value read from the old file, made to fit its field: numbers kept in
// text become numbers, numbers in a text field become text; what cannot be
// made to fit is left blank.
QVariant FittedValue(const SqliteStatement &row, int column, CatalogSchema::LogicalType type,
                     bool *changed)
{
    const int storage = row.ColumnType(column);
    *changed = !FitsField(type, storage);
    if (!*changed)
        return row.Value(column);
    using CatalogSchema::LogicalType;
    bool ok = false;
    if (type == LogicalType::Memo)
        return row.Text(column);
    if (type == LogicalType::DateTime) {
        const double number = row.Text(column).toDouble(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    if (storage == SQLITE_FLOAT)
        return QVariant(qint64(row.Double(column)));
    const qint64 number = row.Text(column).toLongLong(&ok);
    return ok ? QVariant(number) : QVariant();
}

class FileRepairer final
{
public:
    FileRepairer(const QString &folder, DatabaseFile file, const QString &backupFolder,
                 const ProgressSink &progress)
        : m_folder(folder)
        , m_file(file)
        , m_layout(LayoutOf(file))
        , m_path(QDir(folder).filePath(m_layout.fileName))
        , m_rebuilt(m_path + kRebuiltSuffix)
        , m_progress(progress)
    {
        m_result.backupPath = QDir(backupFolder).filePath(BackupName(file));
    }

    RepairResult Run()
    {
        Report(0);
        OpenOld();
        BackUp();
        if (!m_oldReadable) {
            m_result.problems << QStringLiteral("Nothing in the file can be read; it was left "
                                                "as it was");
            return m_result;
        }
        RemoveFile(m_rebuilt);
        try {
            Rebuild();
        } catch (...) {
            // A half-made file is never left to be taken for a database.
            m_new.Close();
            QFile::remove(m_rebuilt);
            throw;
        }
        m_old.Close();
        m_result.repaired = true;
        Report(100);
        return m_result;
    }

private:
    void Rebuild()
    {
        m_new.Open(m_rebuilt, true);
        // The rebuilt file is made on the side and synced once before it is
        // swapped in: a journal would only slow it down.
        m_new.ExecuteScript(QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
                                           "PRAGMA cache_size=-262144; BEGIN"));
        const QStringList commands = CatalogSchema::CreateTableCommands(
            QStringLiteral("main"), m_layout.table, m_layout.fields, m_layout.indexes);
        m_new.ExecuteScript(commands.first());
        SalvageOwnTable();
        SalvageOtherTables();
        Report(80);
        if (m_file == DatabaseFile::Catalogs)
            MendTree();
        else
            ReattachFiles();
        Report(85);
        // Indexes are built once the rows are in place: far quicker than
        // keeping them up to date row by row, and no page is left half used.
        for (qsizetype i = 1; i < commands.size(); ++i)
            m_new.ExecuteScript(commands[i]);
        RecreateOtherIndexes();
        m_new.ExecuteScript(QStringLiteral("COMMIT"));
        m_new.Close();
        SwapIn(m_rebuilt, m_path);
    }

    void Report(int percent)
    {
        if (m_progress)
            m_progress(Phase::Rebuild, percent);
    }

    QString Table() const { return QuoteIdentifier(m_layout.table); }

    // Opens the old file and holds it for the whole rebuild, so that no
    // other program writes to it meanwhile; one that holds it already stops
    // the rebuild.
    void OpenOld()
    {
        try {
            OpenForSalvage(m_old, m_path);
            m_old.ExecuteScript(
                QStringLiteral("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT"));
            SqliteStatement &schema =
                m_old.Prepare(QStringLiteral("SELECT count(*) FROM sqlite_schema"));
            schema.Step();
            schema.Reset();
            m_oldReadable = true;
        } catch (const EDatabaseError &error) {
            if (error.IsLocked())
                throw;
        }
    }

    // The backup goes through SQLite where the file opens, page by page as
    // it is, damage included; else it is a copy of the bytes.
    void BackUp()
    {
        const QString backup = m_result.backupPath;
        RemoveFile(backup);
        RemoveFile(backup + QStringLiteral("-journal"));
        if (m_oldReadable) {
            try {
                SqliteConnection target;
                target.Open(backup, true);
                sqlite3_backup *copy =
                    sqlite3_backup_init(target.Handle(), "main", m_old.Handle(), "main");
                const int rc = copy ? sqlite3_backup_step(copy, -1) : SQLITE_ERROR;
                sqlite3_backup_finish(copy);
                if (rc == SQLITE_DONE)
                    return;
            } catch (const EDatabaseError &) {
            }
            RemoveFile(backup);
        }
        if (!QFile::copy(m_path, backup))
            throw EDatabaseError(QStringLiteral("Unable to back up ") + m_path +
                                 QStringLiteral(" to ") + backup);
    }

    qint64 ReadNumber(const QString &sql, qint64 fallback)
    {
        try {
            SqliteStatement &query = m_old.Prepare(sql);
            const qint64 number = query.Step() && !query.IsNull(0) ? query.Int64(0) : fallback;
            query.Reset();
            return number;
        } catch (const EDatabaseError &error) {
            if (!IsDamage(error.EngineCode()))
                throw;
            return fallback;
        }
    }

    // The row IDs the old file's indexes hold, as far as they can be read:
    // the rows the table held, even where its own pages are damaged.
    std::vector<qint64> IndexedRowIds()
    {
        std::vector<qint64> rowIds;
        for (const CatalogSchema::IndexDefinition &index : m_layout.indexes) {
            if (index.primary)
                continue;
            try {
                SqliteStatement &entries =
                    m_old.Prepare(QStringLiteral("SELECT rowid FROM %1 INDEXED BY %2")
                                      .arg(Table(), QuoteIdentifier(QLatin1String(index.name))));
                while (entries.Step())
                    rowIds.push_back(entries.Int64(0));
            } catch (const EDatabaseError &error) {
                if (!IsDamage(error.EngineCode()))
                    throw;
            }
        }
        std::sort(rowIds.begin(), rowIds.end());
        rowIds.erase(std::unique(rowIds.begin(), rowIds.end()), rowIds.end());
        return rowIds;
    }

    void SalvageOwnTable()
    {
        std::unordered_map<QString, bool> oldColumns;
        SqliteStatement &columns =
            m_old.Prepare(QStringLiteral("SELECT name FROM pragma_table_info(?1)"));
        columns.Bind(1, m_layout.table);
        while (columns.Step())
            oldColumns.emplace(columns.Text(0), true);
        if (oldColumns.empty()) {
            m_result.problems << QStringLiteral("The table %1 was missing").arg(m_layout.table);
        }
        // The AutoInc field is the row ID; the others are read by name, and
        // a field the old table lacks is left blank.
        QStringList selected;
        QStringList inserted;
        QStringList places;
        for (const CatalogSchema::FieldDefinition &field : m_layout.fields) {
            const QString name = QString::fromLatin1(field.name);
            inserted << QuoteIdentifier(name);
            places << QStringLiteral("?%1").arg(places.size() + 1);
            if (field.type == CatalogSchema::LogicalType::AutoInc)
                selected << QStringLiteral("rowid");
            else
                selected << (oldColumns.contains(name) ? QuoteIdentifier(name)
                                                       : QStringLiteral("NULL"));
        }
        const QString select =
            QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid BETWEEN ?1 AND ?2")
                .arg(selected.join(QLatin1Char(',')), Table());
        const QString insert =
            QStringLiteral("INSERT OR IGNORE INTO %1 (%2) VALUES (%3)")
                .arg(Table(), inserted.join(QLatin1Char(',')), places.join(QLatin1Char(',')));

        const std::vector<qint64> indexed = IndexedRowIds();
        const qint64 lastRowId =
            std::max(LastRowIdGiven(m_old, m_layout.table), indexed.empty() ? 0 : indexed.back());
        std::vector<qint64> salvaged;
        qint64 refitted = 0;
        if (!oldColumns.empty()) {
            ReadRowsPastDamage(
                m_old, select, 1, lastRowId, [&](const SqliteStatement &row, qint64 rowId) {
                    SqliteStatement &add = m_new.Prepare(insert);
                    for (size_t i = 0; i < m_layout.fields.size(); ++i) {
                        bool changed = false;
                        add.Bind(int(i) + 1,
                                 FittedValue(row, int(i) + 1, m_layout.fields[i].type, &changed));
                        refitted += changed ? 1 : 0;
                    }
                    add.Execute();
                    salvaged.push_back(rowId);
                    if (salvaged.size() % kRowsPerProgressStep == 0)
                        Report(
                            int(std::min<qint64>(79, rowId * 80 / std::max<qint64>(1, lastRowId))));
                });
        }
        // IDs of rows that were lost are never given out again: the other
        // file, or a user's notes, may still refer to them.
        m_new.ExecuteScript(QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, %1) WHERE "
                                           "name = '%2'")
                                .arg(lastRowId)
                                .arg(m_layout.table));
        m_result.recovered = qint64(salvaged.size());
        std::vector<qint64> missing;
        std::set_difference(indexed.begin(), indexed.end(), salvaged.begin(), salvaged.end(),
                            std::back_inserter(missing));
        m_result.lost = qint64(missing.size());
        if (refitted > 0)
            m_result.problems
                << QStringLiteral("%1 values were given their field's type").arg(refitted);
    }

    struct OtherObject
    {
        QString type, name, sql;
    };

    // Tables, indexes, views and triggers that other parts of the program
    // keep in the file beside the catalog's own table.
    std::vector<OtherObject> OtherObjects()
    {
        std::vector<OtherObject> objects;
        try {
            SqliteStatement &schema = m_old.Prepare(
                QStringLiteral("SELECT type, name, sql FROM sqlite_schema WHERE tbl_name <> ?1 "
                               "AND name NOT LIKE 'sqlite_%' AND sql IS NOT NULL ORDER BY rowid"));
            schema.Bind(1, m_layout.table);
            while (schema.Step()) {
                // The name index is made again from the rows at the next open.
                if (!NameIndex::IsIndexObject(schema.Text(1)))
                    objects.push_back({schema.Text(0), schema.Text(1), schema.Text(2)});
            }
        } catch (const EDatabaseError &error) {
            if (!IsDamage(error.EngineCode()))
                throw;
        }
        return objects;
    }

    void SalvageOtherTables()
    {
        m_otherObjects = OtherObjects();
        QStringList virtualTables;
        for (const OtherObject &object : m_otherObjects) {
            if (object.type != QLatin1String("table"))
                continue;
            // A virtual table makes its own shadow tables; their rows are
            // its own business, rebuilt from the catalog.
            const bool shadow =
                std::any_of(virtualTables.begin(), virtualTables.end(), [&](const QString &owner) {
                    return object.name.startsWith(owner + QLatin1Char('_'));
                });
            if (shadow)
                continue;
            if (!TryExecute(object.sql))
                continue;
            if (object.sql.startsWith(QLatin1String("CREATE VIRTUAL"), Qt::CaseInsensitive))
                virtualTables << object.name;
            else
                SalvageOtherTable(object.name);
        }
    }

    void SalvageOtherTable(const QString &name)
    {
        const QString table = QuoteIdentifier(name);
        const qint64 first = ReadNumber(QStringLiteral("SELECT min(rowid) FROM %1").arg(table), 1);
        const qint64 last = ReadNumber(QStringLiteral("SELECT max(rowid) FROM %1").arg(table),
                                       std::numeric_limits<int>::max());
        QStringList columns;
        SqliteStatement &info =
            m_old.Prepare(QStringLiteral("SELECT name FROM pragma_table_info(?1)"));
        info.Bind(1, name);
        while (info.Step())
            columns << QuoteIdentifier(info.Text(0));
        QStringList places;
        for (qsizetype i = 0; i <= columns.size(); ++i)
            places << QStringLiteral("?%1").arg(i + 1);
        const QString insert =
            QStringLiteral("INSERT OR IGNORE INTO %1 (rowid,%2) VALUES (%3)")
                .arg(table, columns.join(QLatin1Char(',')), places.join(QLatin1Char(',')));
        try {
            ReadRowsPastDamage(
                m_old,
                QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid BETWEEN ?1 AND ?2")
                    .arg(columns.join(QLatin1Char(',')), table),
                first, last, [&](const SqliteStatement &row, qint64) {
                    SqliteStatement &add = m_new.Prepare(insert);
                    for (int i = 0; i <= int(columns.size()); ++i)
                        add.Bind(i + 1, row.Value(i));
                    add.Execute();
                });
        } catch (const EDatabaseError &error) {
            // A table without row IDs cannot be walked this way.
            m_result.problems << QStringLiteral("The rows of %1 could not be carried over: %2")
                                     .arg(name, error.Message());
        }
    }

    void RecreateOtherIndexes()
    {
        for (const OtherObject &object : m_otherObjects) {
            if (object.type != QLatin1String("table"))
                TryExecute(object.sql);
        }
    }

    bool TryExecute(const QString &sql)
    {
        try {
            m_new.ExecuteScript(sql);
            return true;
        } catch (const EDatabaseError &error) {
            m_result.problems << error.Message();
            return false;
        }
    }

    // The fixed objects are put back in their places, and objects cut off
    // from the root (a lost parent, a cycle of parents) go under "Recovered
    // Items" where the user can find them.
    void MendTree()
    {
        for (const FixedObject &fixed : FixedObjects()) {
            SqliteStatement &mend = m_new.Prepare(QStringLiteral(
                "INSERT INTO Catalogs (ID, Parent, Class, Name, Size, Source, VolSize, SerialID, "
                "Comment, NameHidden, Created, Modified, Deleted) "
                "VALUES (?1, ?2, ?3, ?4, ?5, '', 0, '', '', 0, ?6, ?6, 0) "
                "ON CONFLICT (ID) DO UPDATE SET Parent = ?2, Class = CASE WHEN ?1 = ?7 AND "
                "Class = ?8 THEN Class ELSE ?3 END, Size = CASE WHEN ?1 = ?9 THEN ?5 ELSE Size "
                "END"));
            mend.Bind(1, fixed.id)
                .Bind(2, fixed.parent)
                .Bind(3, fixed.cls)
                .Bind(4, QString::fromLatin1(fixed.name))
                .Bind(5, fixed.size)
                .Bind(6, NowDayCount())
                .Bind(7, CatalogSchema::kWastebasketId)
                .Bind(8, CatalogSchema::kFullWastebasketClass)
                .Bind(9, CatalogSchema::kDatabaseObjectId)
                .Execute();
        }
        std::vector<ObjectLink> objects;
        SqliteStatement &links =
            m_new.Prepare(QStringLiteral("SELECT ID, Parent, Class FROM Catalogs"));
        while (links.Step())
            objects.push_back({links.Int64(0), links.Int64(1), int(links.Int64(2))});
        const TreeFaults faults = FindTreeFaults(objects);
        std::vector<qint64> cutOff = faults.orphans;
        cutOff.insert(cutOff.end(), faults.cycles.begin(), faults.cycles.end());
        if (cutOff.empty())
            return;
        const qint64 recovered = RecoveredItemsFolder(m_new);
        for (qint64 id : cutOff) {
            SqliteStatement &move =
                m_new.Prepare(QStringLiteral("UPDATE Catalogs SET Parent = ?1 WHERE ID = ?2"));
            move.Bind(1, recovered).Bind(2, id).Execute();
        }
        m_result.reattached = qint64(cutOff.size());
    }

    // Files whose owner is gone go to "Recovered Items" in the Catalogs
    // file, which has been rebuilt first. The folder is made there before the
    // rebuilt Files file is swapped in, so that no file is ever left without
    // an owner.
    void ReattachFiles()
    {
        const std::unordered_set<qint64> objects = ReadableObjectIds(m_folder);
        if (objects.empty())
            return;
        std::vector<qint64> lostOwners;
        SqliteStatement &owners = m_new.Prepare(QStringLiteral("SELECT DISTINCT ID FROM Files"));
        while (owners.Step()) {
            if (!objects.contains(owners.Int64(0)))
                lostOwners.push_back(owners.Int64(0));
        }
        if (lostOwners.empty())
            return;
        SqliteConnection catalogs;
        catalogs.Open(QDir(m_folder).filePath(CatalogSchema::kCatalogsFileName), false);
        const qint64 recovered = RecoveredItemsFolder(catalogs);
        catalogs.Close();
        // One pass over the files moves them all: the table has no index yet.
        m_new.ExecuteScript(
            QStringLiteral("CREATE TEMP TABLE LostOwners (ID INTEGER PRIMARY KEY)"));
        for (qint64 owner : lostOwners) {
            SqliteStatement &note =
                m_new.Prepare(QStringLiteral("INSERT INTO temp.LostOwners VALUES (?1)"));
            note.Bind(1, owner).Execute();
        }
        SqliteStatement &move = m_new.Prepare(QStringLiteral(
            "UPDATE Files SET ID = ?1 WHERE ID IN (SELECT ID FROM temp.LostOwners)"));
        move.Bind(1, recovered).Execute();
        m_result.reattached = sqlite3_changes(m_new.Handle());
        m_new.ExecuteScript(QStringLiteral("DROP TABLE temp.LostOwners"));
    }

    // The "Recovered Items" catalog folder under Catalogs, made when missing.
    static qint64 RecoveredItemsFolder(SqliteConnection &connection)
    {
        SqliteStatement &find = connection.Prepare(QStringLiteral(
            "SELECT ID FROM Catalogs WHERE Parent = ?1 AND Name = ?2 AND Class = ?3"));
        find.Bind(1, CatalogSchema::kCatalogsId)
            .Bind(2, kRecoveredItemsName)
            .Bind(3, CatalogSchema::kCatalogFolderClass);
        if (find.Step()) {
            const qint64 id = find.Int64(0);
            find.Reset();
            return id;
        }
        TableCursor catalogs(&connection, CatalogSchema::kCatalogsTable);
        catalogs.Open();
        const double now = NowDayCount();
        const qint64 id = AppendCatalogRow(
            catalogs, kRecoveredItemsName, QString(), CatalogSchema::kCatalogsId,
            CatalogSchema::kCatalogFolderClass, false, now, now, QString(), QString(), 0, 0);
        catalogs.Close();
        return id;
    }

    QString m_folder;
    DatabaseFile m_file;
    FileLayout m_layout;
    QString m_path;
    QString m_rebuilt;
    const ProgressSink &m_progress;
    SqliteConnection m_old;
    SqliteConnection m_new;
    bool m_oldReadable = false;
    std::vector<OtherObject> m_otherObjects;
    RepairResult m_result;
};

} // namespace

RepairResult RepairFile(const QString &folder, DatabaseFile file, const QString &backupFolder,
                        const ProgressSink &progress)
{
    return FileRepairer(folder, file, backupFolder, progress).Run();
}

QString RepairStatusText(const RepairResult &result)
{
    const QLocale locale;
    QString text = result.repaired ? QStringLiteral("Repair was successful.")
                                   : QStringLiteral("Repair was not successful.");
    if (result.repaired) {
        text += QStringLiteral(" %1 rows recovered, %2 lost")
                    .arg(locale.toString(result.recovered), locale.toString(result.lost));
        if (result.reattached > 0)
            text += QStringLiteral(", %1 moved to \"%2\"")
                        .arg(locale.toString(result.reattached), kRecoveredItemsName);
        text += QLatin1Char('.');
    }
    return text;
}

} // namespace DatabaseRepair
