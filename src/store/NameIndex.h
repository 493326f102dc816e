#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class SqliteConnection;

// The name index: the trigrams of the names of the Catalogs and Files rows,
// lower-cased, kept by the database itself. Triggers on both tables note
// every change of a name in the same statement as the row, so every writer
// keeps it in step and a rollback (or a crash, through the journal) undoes
// it with the row. The noted changes reach the index in batches (Flush), as
// a transaction commits and before the index is searched; each batch appends
// a segment, and compressing merges them.
//
// The index only narrows a search: a row it names may still fail the real
// matcher, so every hit is confirmed on the row itself.
namespace NameIndex {

// The virtual tables the search queries, in the Files and the main schema.
inline const QString kFilesIndexTable = QStringLiteral("FilesNameIndex");
inline const QString kCatalogsIndexTable = QStringLiteral("CatalogsNameIndex");

// The version of the index layout; a database stamped otherwise is rebuilt.
constexpr int kVersion = 3;

// The shortest literal text the index can look up.
constexpr int kMinimumRun = 3;

// The commands that make an empty index in a new database, stamped current.
QStringList CreateCommands();

// Whether both index tables exist with the current stamp.
bool IsCurrent(SqliteConnection &db);

// Makes the index again from the rows, inside the running transaction.
// progress is called with the rows indexed so far and the total; the total
// is an estimate (the highest row number).
void Rebuild(SqliteConnection &db,
             const std::function<void(qint64 done, qint64 total)> &progress = {});

// Hands the changes noted since the last flush to the index; nothing when
// the index is missing or stale (it is rebuilt from the rows instead).
void Flush(SqliteConnection &db);

// Made inside a transaction, it stops the rows its connection adds to the
// Files and Catalogs tables from being noted one by one: Finish, or else the
// next flush (at the commit at the latest), indexes them in one ordered
// batch, which costs a fraction of noting each. Renames and deletes of the
// rows that were there before are noted as usual; a rollback undoes it all.
// Rows added meanwhile must take numbers above the highest at its start, as
// the tables' own numbering and the scan's do. Outside a transaction, or
// within another bulk append, it changes nothing.
class BulkAppend
{
public:
    explicit BulkAppend(SqliteConnection &db);

    Q_DISABLE_COPY_MOVE(BulkAppend)

    // Indexes the rows added so far and ends the bulk append. carryOn is
    // asked between steps; false from it stops with rows left unindexed (and
    // still left to the next flush), and Finish returns false.
    bool Finish(const std::function<bool()> &carryOn = {});

private:
    SqliteConnection &m_db;
    bool m_active = false;
};

// For one file of the database opened on its own, as Verify and Repair open
// them: whether it holds a current index whose trigrams disagree with its
// rows (once the changes noted are counted). Nothing in the file changes.
bool FileIndexOutOfStep(SqliteConnection &file);

// Whether a table or trigger of a database file belongs to the index. A
// repair leaves them out of the file it rebuilds, so that the next open
// makes the index again from the rows, with progress.
bool IsIndexObject(const QString &name);

// Merges the segments of both index tables into one each.
void Merge(SqliteConnection &db);

// The match expression that finds the rows whose names may hold every one of
// the texts; empty when no text is long enough for the index.
QString MatchExpression(const QStringList &texts);

} // namespace NameIndex
