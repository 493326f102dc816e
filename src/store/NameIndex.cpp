#include "store/NameIndex.h"

#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "store/SqliteConnection.h"

#include <QSet>

#include <algorithm>
#include <optional>

namespace NameIndex {

namespace {

// One indexed table: where it lives, its row number column and its index.
struct IndexedTable
{
    QString schema;
    QString table;
    QString rowColumn;
    QString indexTable;

    QString Qualified(const QString &name) const
    {
        return QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(name);
    }
    QString Trigger(const char *action) const
    {
        return Qualified(indexTable + QLatin1String(action));
    }
    QString Pending() const { return indexTable + QStringLiteral("Pending"); }
    // Present only inside a bulk append: the highest row number the triggers
    // still note.
    QString BulkMark() const { return indexTable + QStringLiteral("Bulk"); }
};

const QString kStampTable = QStringLiteral("NameIndexVersion");

const IndexedTable &FilesIndex()
{
    static const IndexedTable files{CatalogSchema::kFilesSchema, CatalogSchema::kFilesTable,
                                    QStringLiteral("Key"), kFilesIndexTable};
    return files;
}

const IndexedTable &CatalogsIndex()
{
    static const IndexedTable catalogs{QStringLiteral("main"), CatalogSchema::kCatalogsTable,
                                       QStringLiteral("ID"), kCatalogsIndexTable};
    return catalogs;
}

// Rows indexed per statement of a rebuild, between two progress reports.
constexpr qint64 kRebuildStep = 50000;

QStringList DropTriggerCommands(const IndexedTable &t)
{
    return {QStringLiteral("DROP TRIGGER IF EXISTS ") + t.Trigger("Add"),
            QStringLiteral("DROP TRIGGER IF EXISTS ") + t.Trigger("Remove"),
            QStringLiteral("DROP TRIGGER IF EXISTS ") + t.Trigger("Rename")};
}

QStringList DropCommands(const IndexedTable &t)
{
    return DropTriggerCommands(t) +
           QStringList{QStringLiteral("DROP TABLE IF EXISTS ") + t.Qualified(t.indexTable),
                       QStringLiteral("DROP TABLE IF EXISTS ") + t.Qualified(t.Pending()),
                       QStringLiteral("DROP TABLE IF EXISTS ") + t.Qualified(t.BulkMark()),
                       QStringLiteral("DROP TABLE IF EXISTS ") + t.Qualified(kStampTable)};
}

// The triggers that note each change of a name in the pending table. With a
// bulk limit they note only the rows numbered up to it: the rows above it are
// new, and a bulk append hands them to the index from the table as they are
// at its end, whatever happened to them in between. Inserts then have no
// trigger at all: any trigger makes SQLite keep a statement journal for
// every insert, a copy of each page it touches, which cost more than the
// row itself.
QStringList TriggerCommands(const IndexedTable &t, std::optional<qint64> bulkLimit = {})
{
    const QString pending = QuoteIdentifier(t.Pending());
    const QString row = QuoteIdentifier(t.rowColumn);
    const auto note = [&](const char *op, const char *side) {
        const QString values =
            QStringLiteral("%1, %2.%3, %2.Name").arg(QLatin1String(op), QLatin1String(side), row);
        if (!bulkLimit)
            return QStringLiteral("INSERT INTO %1(Op, Row, Name) VALUES (%2);")
                .arg(pending, values);
        return QStringLiteral("INSERT INTO %1(Op, Row, Name) SELECT %2 WHERE %3.%4 <= %5;")
            .arg(pending, values, QLatin1String(side), row)
            .arg(*bulkLimit);
    };
    const QString add = note("NULL", "new");
    const QString remove = note("'delete'", "old");
    const QString table = QuoteIdentifier(t.table);
    QStringList commands{
        QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN %3 END")
            .arg(t.Trigger("Remove"), table, remove),
        QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF Name, %2 ON %3 BEGIN %4 %5 END")
            .arg(t.Trigger("Rename"), row, table, remove, add),
    };
    if (!bulkLimit)
        commands.prepend(QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN %3 END")
                             .arg(t.Trigger("Add"), table, add));
    return commands;
}

// The index reads the names from the table itself when it needs them
// (external content), so it holds only the trigrams and the row numbers
// (detail=none: no positions, which a confirmed hit does not need; and
// columnsize=0: no name lengths, which only ranking uses, and whose table
// cost a fresh batch of names a third of its time).
//
// The triggers note each change in a pending table, and Flush hands the
// changes to the index in one statement: the index writes a segment of its
// own for every statement that reaches it, which row by row would cost
// many times the row itself.
QStringList CreateCommands(const IndexedTable &t)
{
    const QString row = QuoteIdentifier(t.rowColumn);
    const QString table = QuoteIdentifier(t.table);
    return QStringList{QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(Name, content=%2, "
                                      "content_rowid=%3, tokenize='trigram case_sensitive 0', "
                                      "detail=none, columnsize=0)")
                           .arg(t.Qualified(t.indexTable), table, row),
                       QStringLiteral("CREATE TABLE %1 (Seq INTEGER PRIMARY KEY, Op TEXT, Row "
                                      "INTEGER, Name)")
                           .arg(t.Qualified(t.Pending()))} +
           TriggerCommands(t) +
           QStringList{
               QStringLiteral("CREATE TABLE %1 (Version INTEGER)").arg(t.Qualified(kStampTable)),
               QStringLiteral("INSERT INTO %1 (Version) VALUES (%2)")
                   .arg(t.Qualified(kStampTable))
                   .arg(kVersion)};
}

void FlushTable(SqliteConnection &db, const IndexedTable &t)
{
    SqliteStatement &waiting = db.Prepare(
        QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1)").arg(t.Qualified(t.Pending())));
    const bool any = waiting.Step() && waiting.Int64(0) != 0;
    waiting.Reset();
    if (!any)
        return;
    // Only the net change of each row reaches the index: the name it had
    // before the batch goes (when its first change removed one) and the name
    // it has now comes (when its last change added one); the changes between
    // cancel out. Both go in row order, as the index appends fastest: a row
    // number below the last one makes it write out what it holds.
    const QString pending = t.Qualified(t.Pending());
    const QString index = t.Qualified(t.indexTable);
    db.Prepare(QStringLiteral("INSERT INTO %1(%2, rowid, Name) SELECT 'delete', Row, Name FROM "
                              "(SELECT Row, Op, Name, MIN(Seq) FROM %3 GROUP BY Row) WHERE Op = "
                              "'delete' ORDER BY Row")
                   .arg(index, QuoteIdentifier(t.indexTable), pending))
        .Execute();
    db.Prepare(QStringLiteral("INSERT INTO %1(rowid, Name) SELECT Row, Name FROM (SELECT Row, Op, "
                              "Name, MAX(Seq) FROM %2 GROUP BY Row) WHERE Op IS NULL ORDER BY Row")
                   .arg(index, pending))
        .Execute();
    db.Prepare(QStringLiteral("DELETE FROM %1").arg(t.Qualified(t.Pending()))).Execute();
}

bool Stamped(SqliteConnection &db, const IndexedTable &t)
{
    SqliteStatement &tables = db.Prepare(
        QStringLiteral("SELECT COUNT(*) FROM %1.sqlite_master WHERE type = 'table' AND name IN "
                       "(?1, ?2)")
            .arg(QuoteIdentifier(t.schema)));
    tables.Bind(1, t.indexTable).Bind(2, kStampTable);
    const bool present = tables.Step() && tables.Int64(0) == 2;
    tables.Reset();
    if (!present)
        return false;
    SqliteStatement &stamp = db.Prepare(
        QStringLiteral("SELECT MIN(Version) = MAX(Version) AND MIN(Version) = %1 FROM %2")
            .arg(kVersion)
            .arg(t.Qualified(kStampTable)));
    const bool current = stamp.Step() && stamp.Int64(0) == 1;
    stamp.Reset();
    return current;
}

qint64 HighestRow(SqliteConnection &db, const IndexedTable &t)
{
    SqliteStatement &highest = db.Prepare(QStringLiteral("SELECT coalesce(MAX(%1), 0) FROM %2")
                                              .arg(t.rowColumn, t.Qualified(t.table)));
    const qint64 row = highest.Step() ? highest.Int64(0) : 0;
    highest.Reset();
    return row;
}

// Indexes the rows numbered above `after`, in row order and in steps, with
// the highest row number so far at each step. Returns the last row number
// indexed: below the highest when progress asked to stop.
qint64 Fill(SqliteConnection &db, const IndexedTable &t, qint64 after,
            const std::function<bool(qint64 done, qint64 total)> &progress)
{
    const qint64 total = HighestRow(db, t);
    const QString fill =
        QStringLiteral("INSERT INTO %1(rowid, Name) SELECT %2, Name FROM %3 WHERE %2 > ?1 AND "
                       "%2 <= ?2")
            .arg(t.Qualified(t.indexTable), QuoteIdentifier(t.rowColumn), t.Qualified(t.table));
    qint64 from = after;
    while (from < total) {
        const qint64 to = std::min(total, from + kRebuildStep);
        db.Prepare(fill).Bind(1, from).Bind(2, to).Execute();
        from = to;
        if (progress && !progress(to, total))
            break;
    }
    return from;
}

// The row number up to which the triggers note changes during a bulk
// append; nothing outside one.
std::optional<qint64> BulkLimit(SqliteConnection &db, const IndexedTable &t)
{
    SqliteStatement &marked = db.Prepare(
        QStringLiteral("SELECT COUNT(*) FROM %1.sqlite_master WHERE type = 'table' AND name = ?1")
            .arg(QuoteIdentifier(t.schema)));
    marked.Bind(1, t.BulkMark());
    const bool present = marked.Step() && marked.Int64(0) == 1;
    marked.Reset();
    if (!present)
        return std::nullopt;
    SqliteStatement &limit =
        db.Prepare(QStringLiteral("SELECT LastNoted FROM %1").arg(t.Qualified(t.BulkMark())));
    const std::optional<qint64> row = limit.Step() ? std::optional(limit.Int64(0)) : std::nullopt;
    limit.Reset();
    return row;
}

// Leaves the rows numbered above `limit` to a bulk append: the triggers stop
// noting them and the mark remembers where they begin. The change is part of
// the transaction, so a rollback (or a crash) restores the usual triggers.
void SuspendNotingAbove(SqliteConnection &db, const IndexedTable &t, qint64 limit)
{
    QStringList commands = DropTriggerCommands(t) + TriggerCommands(t, limit);
    commands << QStringLiteral("DROP TABLE IF EXISTS ") + t.Qualified(t.BulkMark())
             << QStringLiteral("CREATE TABLE %1 (LastNoted INTEGER)").arg(t.Qualified(t.BulkMark()))
             << QStringLiteral("INSERT INTO %1 (LastNoted) VALUES (%2)")
                    .arg(t.Qualified(t.BulkMark()))
                    .arg(limit);
    for (const QString &command : commands)
        db.ExecuteScript(command);
}

// Indexes the rows a bulk append added and puts the usual triggers back.
// False when progress asked to stop; the rows not yet indexed stay left to
// the bulk append, so that a later flush finishes them.
bool FinishBulk(SqliteConnection &db, const IndexedTable &t,
                const std::function<bool(qint64, qint64)> &progress)
{
    const std::optional<qint64> limit = BulkLimit(db, t);
    if (!limit)
        return true;
    const qint64 indexed = Fill(db, t, *limit, progress);
    if (indexed < HighestRow(db, t)) {
        SuspendNotingAbove(db, t, indexed);
        return false;
    }
    for (const QString &command :
         DropTriggerCommands(t) + TriggerCommands(t) +
             QStringList{QStringLiteral("DROP TABLE ") + t.Qualified(t.BulkMark())})
        db.ExecuteScript(command);
    return true;
}

// The index of a table in a file opened on its own, where every table is in
// the main schema.
IndexedTable InFileAlone(const IndexedTable &t)
{
    IndexedTable alone = t;
    alone.schema = QStringLiteral("main");
    return alone;
}

} // namespace

QStringList CreateCommands()
{
    return CreateCommands(CatalogsIndex()) + CreateCommands(FilesIndex());
}

bool IsCurrent(SqliteConnection &db)
{
    return Stamped(db, CatalogsIndex()) && Stamped(db, FilesIndex());
}

void Rebuild(SqliteConnection &db, const std::function<void(qint64, qint64)> &progress)
{
    if (!db.InTransaction())
        throw EDatabaseError(QStringLiteral("The name index is rebuilt inside a transaction"));
    for (const IndexedTable *t : {&CatalogsIndex(), &FilesIndex()}) {
        for (const QString &command : DropCommands(*t) + CreateCommands(*t))
            db.ExecuteScript(command);
    }
    Fill(db, CatalogsIndex(), 0, {});
    Fill(db, FilesIndex(), 0, [&progress](qint64 done, qint64 total) {
        if (progress)
            progress(done, total);
        return true;
    });
}

void Flush(SqliteConnection &db)
{
    if (!IsCurrent(db))
        return;
    for (const IndexedTable *t : {&CatalogsIndex(), &FilesIndex()}) {
        FinishBulk(db, *t, {});
        FlushTable(db, *t);
    }
}

BulkAppend::BulkAppend(SqliteConnection &db)
    : m_db(db)
{
    // Nested in another bulk append, the outer one indexes the rows.
    if (!db.InTransaction() || !IsCurrent(db) || BulkLimit(db, FilesIndex()) ||
        BulkLimit(db, CatalogsIndex()))
        return;
    for (const IndexedTable *t : {&CatalogsIndex(), &FilesIndex()})
        SuspendNotingAbove(db, *t, HighestRow(db, *t));
    m_active = true;
}

bool BulkAppend::Finish(const std::function<bool()> &carryOn)
{
    if (!m_active)
        return true;
    m_active = false;
    // Asked only while rows remain, so a small append never waits on it.
    const auto step = [&carryOn](qint64 done, qint64 total) {
        return done >= total || !carryOn || carryOn();
    };
    for (const IndexedTable *t : {&CatalogsIndex(), &FilesIndex()}) {
        if (!FinishBulk(m_db, *t, step))
            return false;
    }
    return true;
}

bool FileIndexOutOfStep(SqliteConnection &file)
{
    for (const IndexedTable *t : {&CatalogsIndex(), &FilesIndex()}) {
        const IndexedTable alone = InFileAlone(*t);
        if (!Stamped(file, alone))
            continue;
        // The changes still noted go in first, and everything is undone
        // after: the index's own check compares it with the rows.
        file.ExecuteScript(QStringLiteral("SAVEPOINT NameIndexCheck"));
        bool inStep = true;
        try {
            FlushTable(file, alone);
            file.Prepare(
                    QStringLiteral("INSERT INTO %1(%2, rank) VALUES ('integrity-check', 1)")
                        .arg(alone.Qualified(alone.indexTable), QuoteIdentifier(alone.indexTable)))
                .Execute();
        } catch (const EDatabaseError &) {
            inStep = false;
        }
        file.ExecuteScript(QStringLiteral("ROLLBACK TO NameIndexCheck; RELEASE NameIndexCheck"));
        if (!inStep)
            return true;
    }
    return false;
}

bool IsIndexObject(const QString &name)
{
    // Every table and trigger of the index carries its table's name as a
    // prefix (the index's own shadow tables included), beside the stamp.
    return name == kStampTable || name.startsWith(kFilesIndexTable) ||
           name.startsWith(kCatalogsIndexTable);
}

void Merge(SqliteConnection &db)
{
    Flush(db);
    for (const IndexedTable *t : {&CatalogsIndex(), &FilesIndex()}) {
        db.ExecuteScript(QStringLiteral("INSERT INTO %1(%2) VALUES ('optimize')")
                             .arg(t->Qualified(t->indexTable), QuoteIdentifier(t->indexTable)));
    }
}

QString MatchExpression(const QStringList &texts)
{
    // Trigrams that cover every character of a text are enough to narrow the
    // rows: one every three characters and the last one.
    QStringList terms;
    QSet<QString> seen;
    for (const QString &text : texts) {
        const QList<uint> points = text.toUcs4();
        const qsizetype n = points.size();
        if (n < kMinimumRun)
            continue;
        for (qsizetype start = 0; start < n; start += kMinimumRun) {
            const qsizetype at = std::min(start, n - kMinimumRun);
            const QString trigram = QString::fromUcs4(
                reinterpret_cast<const char32_t *>(points.constData() + at), kMinimumRun);
            if (seen.contains(trigram.toLower()))
                continue;
            seen.insert(trigram.toLower());
            QString quoted = trigram;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            terms << QLatin1Char('"') + quoted + QLatin1Char('"');
        }
    }
    return terms.join(QStringLiteral(" AND "));
}

} // namespace NameIndex
