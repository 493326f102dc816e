#include "store/NameIndex.h"

#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "store/SqliteConnection.h"

#include <QSet>

#include <algorithm>

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

QStringList DropCommands(const IndexedTable &t)
{
    return {QStringLiteral("DROP TRIGGER IF EXISTS ") + t.Trigger("Add"),
            QStringLiteral("DROP TRIGGER IF EXISTS ") + t.Trigger("Remove"),
            QStringLiteral("DROP TRIGGER IF EXISTS ") + t.Trigger("Rename"),
            QStringLiteral("DROP TABLE IF EXISTS ") + t.Qualified(t.indexTable),
            QStringLiteral("DROP TABLE IF EXISTS ") + t.Qualified(t.Pending()),
            QStringLiteral("DROP TABLE IF EXISTS ") + t.Qualified(kStampTable)};
}

// The index reads the names from the table itself when it needs them
// (external content), so it holds only the trigrams and the row numbers
// (detail=none: no positions, which a confirmed hit does not need).
//
// The triggers note each change in a pending table, and Flush hands the
// changes to the index in one statement: the index writes a segment of its
// own for every statement that reaches it, which row by row would cost
// many times the row itself.
QStringList CreateCommands(const IndexedTable &t)
{
    const QString pending = QuoteIdentifier(t.Pending());
    const QString row = QuoteIdentifier(t.rowColumn);
    const QString add = QStringLiteral("INSERT INTO %1(Op, Row, Name) VALUES (NULL, new.%2, "
                                       "new.Name);")
                            .arg(pending, row);
    const QString remove = QStringLiteral("INSERT INTO %1(Op, Row, Name) VALUES ('delete', "
                                          "old.%2, old.Name);")
                               .arg(pending, row);
    const QString table = QuoteIdentifier(t.table);
    return {
        QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(Name, content=%2, content_rowid=%3, "
                       "tokenize='trigram case_sensitive 0', detail=none)")
            .arg(t.Qualified(t.indexTable), table, row),
        QStringLiteral("CREATE TABLE %1 (Seq INTEGER PRIMARY KEY, Op TEXT, Row INTEGER, Name)")
            .arg(t.Qualified(t.Pending())),
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN %3 END")
            .arg(t.Trigger("Add"), table, add),
        QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN %3 END")
            .arg(t.Trigger("Remove"), table, remove),
        QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF Name, %2 ON %3 BEGIN %4 %5 END")
            .arg(t.Trigger("Rename"), row, table, remove, add),
        QStringLiteral("CREATE TABLE %1 (Version INTEGER)").arg(t.Qualified(kStampTable)),
        QStringLiteral("INSERT INTO %1 (Version) VALUES (%2)")
            .arg(t.Qualified(kStampTable))
            .arg(kVersion),
    };
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

void Fill(SqliteConnection &db, const IndexedTable &t,
          const std::function<void(qint64, qint64)> &progress)
{
    SqliteStatement &highest =
        db.Prepare(QStringLiteral("SELECT MAX(%1) FROM %2").arg(t.rowColumn, t.Qualified(t.table)));
    const qint64 total = highest.Step() ? highest.Int64(0) : 0;
    highest.Reset();
    const QString fill =
        QStringLiteral("INSERT INTO %1(rowid, Name) SELECT %2, Name FROM %3 WHERE %2 > ?1 AND "
                       "%2 <= ?2")
            .arg(t.Qualified(t.indexTable), QuoteIdentifier(t.rowColumn), t.Qualified(t.table));
    for (qint64 from = 0; from < total; from += kRebuildStep) {
        const qint64 to = std::min(total, from + kRebuildStep);
        db.Prepare(fill).Bind(1, from).Bind(2, to).Execute();
        if (progress)
            progress(to, total);
    }
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
    Fill(db, CatalogsIndex(), {});
    Fill(db, FilesIndex(), progress);
}

void Flush(SqliteConnection &db)
{
    if (!IsCurrent(db))
        return;
    FlushTable(db, CatalogsIndex());
    FlushTable(db, FilesIndex());
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
