#include "media/MediaScan.h"

#include "media/MediumReadAhead.h"
#include "platform/Drives.h"
#include "platform/MediumName.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/NameIndex.h"

#include <QFile>
#include <QSet>

#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
constexpr qint64 DaysFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const qint64 yearOfEra = year - era * 400;
    const qint64 dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr qint64 kCatalogEpochDays = DaysFromCivil(1899, 12, 30);
constexpr double kMillisecondsPerDay = 86400000.0;

// Folders found by the walk: the row AppendCatalogRow writes for them, through
// one prepared statement rather than the cursor layer, as there are many.
const QString kInsertFolder =
    QStringLiteral("INSERT INTO Catalogs (Parent, Class, Name, Source, NameHidden, Created, "
                   "Modified, Deleted, Comment, SerialID, Size, VolSize) VALUES (?1, ?2, ?3, ?4, "
                   "0, ?5, ?6, 0.0, ?7, '', 0, 0)");
// Files rows go in many to a statement: each statement costs a start, an end
// and a look at the table's sequence, a fifth of the time of a row of its
// own. OR FAIL spares a statement of many rows the journal it would keep to
// undo itself alone on a conflict; the scan's transaction is rolled back as
// a whole on any failure.
constexpr int kRowsPerInsert = 64;
constexpr int kFileRowValues = 9;

// The insert of `rows` Files rows; row r binds ?(9r+1) to ?(9r+9) in the
// order Key, ID, Class, Size, Name, Comment, Created, Modified, Packaged.
QString InsertFilesCommand(int rows)
{
    QString command =
        QStringLiteral("INSERT OR FAIL INTO Files (Key, ID, Class, Size, Name, Comment, "
                       "Created, Modified, Packaged) VALUES ");
    for (int row = 0; row < rows; ++row) {
        command += row == 0 ? QStringLiteral("(") : QStringLiteral(", (");
        for (int value = 1; value <= kFileRowValues; ++value) {
            command += QLatin1Char('?') + QString::number(row * kFileRowValues + value);
            command += value < kFileRowValues ? QStringLiteral(", ") : QStringLiteral(")");
        }
    }
    return command;
}

const QString kInsertFile = InsertFilesCommand(1);
const QString kInsertFiles = InsertFilesCommand(kRowsPerInsert);
// The key the Files table would give its next row: AUTOINCREMENT never reuses
// a key, not even that of a row deleted since.
const QString kNextFileKey =
    QStringLiteral("SELECT max((SELECT coalesce(max(seq), 0) FROM %1.sqlite_sequence WHERE name = "
                   "'Files'), (SELECT coalesce(max(Key), 0) FROM Files)) + 1")
        .arg(QuoteIdentifier(CatalogSchema::kFilesSchema));
// Equal (Size, Created) keys lie together in SizeIndex in Key order, and equal
// (Class, Created) keys in CreateIdx in ID order: the first match is the first
// in index order. A file's name matches exactly or, failing any exact match,
// ignoring the case of ASCII letters: catalogs of earlier builds keep file
// names capitalised ("Read.me" for "READ.ME"), and an update keeps their
// comments all the same.
const QString kFileCommentQuery =
    QStringLiteral("SELECT Comment FROM Files WHERE Size = ?1 AND Created = ?2 AND Name = ?3 "
                   "COLLATE NOCASE ORDER BY Name <> ?3, Key LIMIT 1");
const QString kObjectCommentQuery =
    QStringLiteral("SELECT Comment FROM Catalogs WHERE Class = ?1 AND Created = ?2 AND Name = ?3 "
                   "ORDER BY ID LIMIT 1");

bool Cancelled()
{
    return UI().Cancelled();
}

// Holds the Files file's page cache to a bound while a scan writes. Every new
// row adds an entry at a random place of SizeIndex, so the pages of that index
// stay dirty and in the cache until the commit; left to the connection's
// general setting the cache of a million-file scan would pass 100 MB. Beyond
// the bound SQLite writes pages out early, which costs little time; 32 MB
// keeps a million-file scan into a database of a million files near 60 MB
// in all, where 48 MB made it 78 MB and was not measurably faster.
class FilesCacheBound
{
public:
    static constexpr qint64 kKibibytes = 32 * 1024;

    explicit FilesCacheBound(SqliteConnection &database)
        : m_database(database)
        , m_pragma(QStringLiteral("PRAGMA %1.cache_size")
                       .arg(QuoteIdentifier(CatalogSchema::kFilesSchema)))
    {
        SqliteStatement &pageSize =
            m_database.Prepare(QStringLiteral("PRAGMA %1.page_size")
                                   .arg(QuoteIdentifier(CatalogSchema::kFilesSchema)));
        const qint64 pageBytes = pageSize.Step() ? pageSize.Int64(0) : 4096;
        pageSize.Reset();
        SqliteStatement &cache = m_database.Prepare(m_pragma);
        m_previous = cache.Step() ? cache.Int64(0) : 0;
        cache.Reset();
        // A positive size counts pages, a negative one kibibytes.
        const qint64 previousKibibytes =
            m_previous < 0 ? -m_previous : m_previous * pageBytes / 1024;
        if (previousKibibytes > kKibibytes) {
            m_database.ExecuteScript(m_pragma + QStringLiteral(" = -%1").arg(kKibibytes));
            m_changed = true;
        }
    }

    ~FilesCacheBound()
    {
        if (!m_changed)
            return;
        try {
            m_database.ExecuteScript(m_pragma + QStringLiteral(" = %1").arg(m_previous));
        } catch (...) {
            // Only the speed of later work depends on it.
        }
    }

    Q_DISABLE_COPY_MOVE(FilesCacheBound)

private:
    SqliteConnection &m_database;
    const QString m_pragma;
    qint64 m_previous = 0;
    bool m_changed = false;
};

} // namespace

double MediumTimeToDayCount(qint64 secondsSinceEpoch)
{
    const time_t seconds = time_t(secondsSinceEpoch);
    struct tm local;
    if (!localtime_r(&seconds, &local))
        return 0.0;
    // DOS date-times keep even seconds; a leap second counts as 59.
    const int second = (local.tm_sec > 59 ? 59 : local.tm_sec) & ~1;
    const qint64 days =
        DaysFromCivil(qint64(local.tm_year) + 1900, local.tm_mon + 1, local.tm_mday) -
        kCatalogEpochDays;
    const qint64 milliseconds = (qint64(local.tm_hour) * 3600 + local.tm_min * 60 + second) * 1000;
    // The same arithmetic as ToDayCount, so that both give the same value.
    const double fraction = double(milliseconds) / kMillisecondsPerDay;
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

// The depth-first walk of one source, in the order the read-ahead lists it:
// every row, progress step and cancel check happens here, on the scan's thread.
class TMediaScanner::Walk
{
public:
    Walk(TMediaScanner &scanner, const QString &source)
        : m_scanner(scanner)
        , m_source(source)
    {
    }

    // Returns false when a cancel ended the walk.
    bool Run(qint64 catalogId, qint64 &total)
    {
        m_path = m_source;
        if (!m_path.endsWith(QLatin1Char('/')))
            m_path += QLatin1Char('/');
        const QByteArray root = MediumNameBytes(m_source);
        const int rootFolder = open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (rootFolder < 0)
            return true; // nothing to list: the catalog stays empty
        QSet<QByteArray> mountPoints;
        for (const QString &point : Drives().MountPointsBelow(m_source))
            mountPoints.insert(QFile::encodeName(point));
        // While a slow medium keeps the scan waiting, the window stays
        // answerable and its Cancel is honoured.
        TMediumReadAhead readAhead(rootFolder, std::move(mountPoints), m_scanner.m_readAheadBatch,
                                   [] {
                                       UI().PumpMessages(0);
                                       return !Cancelled();
                                   });
        m_levels.push_back(Level{catalogId, m_path.size(), QString()});
        return WalkEntries(readAhead, total);
    }

private:
    struct Level
    {
        qint64 objectId;
        qsizetype pathLength; // of the parent's path, to cut back to after the walk
        QString name;
    };

    bool WalkEntries(TMediumReadAhead &readAhead, qint64 &total)
    {
        MediumEntry found;
        for (;;) {
            switch (readAhead.Next(found)) {
            case TMediumReadAhead::Event::Finished:
                return true;
            case TMediumReadAhead::Event::Abandoned:
                return false;
            case TMediumReadAhead::Event::FolderEnd:
                if (!LeaveFolder())
                    return false;
                continue;
            case TMediumReadAhead::Event::Entry:
                break;
            }
            if (found.folder) {
                EnterFolder(found);
                continue;
            }
            const qint64 parentId = m_levels.back().objectId;
            if (m_scanner.m_packageOffer &&
                m_scanner.m_packageOffer(m_path, found, parentId, total))
                continue;
            const bool carryOn = !Cancelled();
            m_scanner.WriteFileRow(m_path, found, parentId, total);
            if (!carryOn)
                return false;
        }
    }

    // Creates the folder's object and makes the folder the level walked next.
    void EnterFolder(const MediumEntry &found)
    {
        const QString name = MediumNameText(found.name);
        const QString comment =
            m_scanner.m_options.reuseComments
                ? m_scanner.ReuseObjectComment(CatalogSchema::kFileFolderClass, name, found.created)
                : QString();
        SqliteStatement &insert = m_scanner.m_data.CatalogDatabase.Prepare(kInsertFolder);
        insert.Bind(1, m_levels.back().objectId)
            .Bind(2, CatalogSchema::kFileFolderClass)
            .Bind(3, name)
            .Bind(4, m_source)
            .Bind(5, found.created)
            .Bind(6, found.modified)
            .Bind(7, comment);
        insert.Execute();
        const qint64 id = m_scanner.m_data.CatalogDatabase.LastInsertId();
        m_levels.push_back(Level{id, m_path.size(), name});
        m_path += name;
        m_path += QLatin1Char('/');
    }

    // The folder walked last is done: one progress step for it. False when
    // the cancel flag is set.
    bool LeaveFolder()
    {
        const QString name = std::move(m_levels.back().name);
        m_path.truncate(m_levels.back().pathLength);
        m_levels.pop_back();
        m_scanner.ReportScanProgress(name, m_path);
        return !Cancelled();
    }

    TMediaScanner &m_scanner;
    const QString m_source;
    QString m_path;
    std::vector<Level> m_levels;
};

TMediaScanner::TMediaScanner(TDataShare &data, const CatalogOptions &options)
    : m_data(data)
    , m_options(options)
{
}

TMediaScanner::~TMediaScanner() = default;

void TMediaScanner::SetProgressMaximum(qint64 maximum)
{
    RestoreProgressBar(ProgressBar{maximum, 0});
}

void TMediaScanner::RestoreProgressBar(const ProgressBar &bar)
{
    m_bar = bar;
    UI().SetProgressRange(m_bar.maximum);
    UI().SetProgressPosition(m_bar.position);
}

bool TMediaScanner::ScanSource(const QString &source, qint64 catalogId, qint64 &total)
{
    total = 0;
    m_processed = 0;
    FilesCacheBound cacheBound(m_data.CatalogDatabase);
    // Noting every new row for the name index would cost more than the row.
    NameIndex::BulkAppend newNames(m_data.CatalogDatabase);
    Walk walk(*this, source);
    m_scanning = true;
    try {
        walk.Run(catalogId, total);
    } catch (...) {
        // The caller rolls its transaction back; rows still waiting go with it.
        m_scanning = false;
        m_pendingRows.clear();
        m_pendingText.resize(0);
        throw;
    }
    m_scanning = false;
    // Also after a cancel: the rows of the files in hand are written.
    FlushFileRows();
    // The window stays answerable while the new names are indexed; a cancel
    // leaves them to the rollback that follows it.
    if (!Cancelled()) {
        newNames.Finish([] {
            UI().PumpMessages(0);
            return !Cancelled();
        });
    }
    return !Cancelled();
}

bool TMediaScanner::AddFileRow(const QString &folderPath, const MediumEntry &entry, qint64 parentId,
                               qint64 &total)
{
    WriteFileRow(folderPath, entry, parentId, total);
    if (!m_scanning)
        FlushFileRows();
    return !Cancelled();
}

void TMediaScanner::FlushFileRows()
{
    if (m_pendingRows.empty())
        return;
    // Keys go to the rows in the order they were found, as the table would
    // have given them; the rows are then inserted in SizeIndex order, so that
    // the index, whose keys come in random order, is filled in one sweep per
    // batch rather than at a random place per row.
    SqliteStatement &next = m_data.CatalogDatabase.Prepare(kNextFileKey);
    qint64 key = next.Step() ? next.Int64(0) : 1;
    next.Reset();
    for (PendingFileRow &row : m_pendingRows)
        row.key = key++;
    std::sort(m_pendingRows.begin(), m_pendingRows.end(),
              [](const PendingFileRow &a, const PendingFileRow &b) {
                  if (a.size != b.size)
                      return a.size < b.size;
                  if (a.created != b.created)
                      return a.created < b.created;
                  return a.key < b.key;
              });
    // Whole groups of rows go through the statement for many, the rest one
    // by one; both are reset after each use.
    const char *text = m_pendingText.constData();
    const auto bindRow = [text](SqliteStatement &insert, int first, const PendingFileRow &row) {
        const char *name = text + row.nameOffset;
        insert.Bind(first + 1, row.key)
            .Bind(first + 2, row.owner)
            .Bind(first + 3, row.attributes)
            .Bind(first + 4, row.size)
            .Bind(first + 5, QByteArray::fromRawData(name, row.nameLength))
            .Bind(first + 6, QByteArray::fromRawData(name + row.nameLength, row.commentLength))
            .Bind(first + 7, row.created)
            .Bind(first + 8, row.modified)
            .Bind(first + 9, row.packaged ? 1 : 0);
    };
    const std::size_t grouped = m_pendingRows.size() - m_pendingRows.size() % kRowsPerInsert;
    if (grouped > 0) {
        SqliteStatement &insert = m_data.CatalogDatabase.Prepare(kInsertFiles);
        for (std::size_t start = 0; start < grouped; start += kRowsPerInsert) {
            for (int row = 0; row < kRowsPerInsert; ++row)
                bindRow(insert, row * kFileRowValues, m_pendingRows[start + row]);
            insert.Execute();
            insert.Reset();
        }
    }
    if (grouped < m_pendingRows.size()) {
        SqliteStatement &insert = m_data.CatalogDatabase.Prepare(kInsertFile);
        for (std::size_t row = grouped; row < m_pendingRows.size(); ++row) {
            bindRow(insert, 0, m_pendingRows[row]);
            insert.Execute();
            insert.Reset();
        }
    }
    m_pendingRows.clear();
    m_pendingText.resize(0);
}

void TMediaScanner::QueueFileRow(PendingFileRow row, const QString &comment)
{
    row.nameLength = m_pendingText.size() - row.nameOffset;
    if (comment.isEmpty()) {
        row.commentLength = 0;
    } else {
        const QByteArray utf8 = comment.toUtf8();
        row.commentLength = utf8.size();
        m_pendingText.append(utf8);
    }
    m_pendingRows.push_back(row);
    if (m_pendingRows.size() >= m_fileRowBatch)
        FlushFileRows();
}

void TMediaScanner::WriteFileRow(const QString &folderPath, const MediumEntry &entry,
                                 qint64 parentId, qint64 &total)
{
    // The name is stored exactly as the medium has it, built as bytes: for
    // the usual name, valid UTF-8, no text conversion happens at all.
    const qsizetype nameOffset = m_pendingText.size();
    if (MediumNameIsPlainText(entry.name))
        m_pendingText.append(entry.name);
    else
        m_pendingText.append(MediumNameText(entry.name).toUtf8());
    // Rows still waiting are not seen by the look-up. That changes no answer:
    // a waiting row came after every row already written, so it matters only
    // when no written row matches, and then its own comment is empty too.
    const QString comment =
        m_options.reuseComments
            ? ReuseFileComment(entry.size,
                               QByteArray::fromRawData(m_pendingText.constData() + nameOffset,
                                                       m_pendingText.size() - nameOffset),
                               entry.created)
            : QString();
    QueueFileRow(PendingFileRow{parentId, entry.attributes, entry.size, entry.created,
                                entry.modified, 0, false, nameOffset, 0, 0},
                 comment);

    total += entry.size;
    if (StepProgress())
        ShowProgressLines(MediumNameText(entry.name), folderPath);
}

qint64 TMediaScanner::CreateCatalogObject(const QString &name, const QString &source,
                                          qint64 parentId, int cls, const QString &comment,
                                          const QString &label, qint64 size, qint64 volumeSize,
                                          double created, double modified)
{
    return AppendCatalogRow(m_data.Catalogs, name, source, parentId, cls, false, created, modified,
                            comment, label, size, volumeSize);
}

QString TMediaScanner::ReuseFileComment(qint64 size, const QString &storedName, double created)
{
    return ReuseFileComment(size, storedName.toUtf8(), created);
}

QString TMediaScanner::ReuseFileComment(qint64 size, const QByteArray &storedNameUtf8,
                                        double created)
{
    SqliteStatement &query = m_data.CatalogDatabase.Prepare(kFileCommentQuery);
    query.Bind(1, size).Bind(2, created).Bind(3, storedNameUtf8);
    const QString comment = query.Step() ? query.Text(0) : QString();
    query.Reset();
    return comment;
}

QString TMediaScanner::ReuseObjectComment(int cls, const QString &name, double created)
{
    SqliteStatement &query = m_data.CatalogDatabase.Prepare(kObjectCommentQuery);
    query.Bind(1, cls).Bind(2, created).Bind(3, name);
    const QString comment = query.Step() ? query.Text(0) : QString();
    query.Reset();
    return comment;
}

void TMediaScanner::ReportScanProgress(const QString &entryName, const QString &folderPath)
{
    if (StepProgress())
        ShowProgressLines(entryName, folderPath);
}

void TMediaScanner::AddPackagedFile(qint64 owner, quint32 attributes, qint64 size,
                                    const QString &storedName, const QString &comment,
                                    double dateTime)
{
    const qsizetype nameOffset = m_pendingText.size();
    m_pendingText.append(storedName.toUtf8());
    QueueFileRow(
        PendingFileRow{owner, int(attributes), size, dateTime, dateTime, 0, true, nameOffset, 0, 0},
        comment);
    if (!m_scanning)
        FlushFileRows();
}

void TMediaScanner::StepProgressBar()
{
    if (m_bar.position == m_bar.maximum)
        m_bar.position = 0;
    ++m_bar.position;
    UI().SetProgressPosition(m_bar.position);
}

bool TMediaScanner::StepProgress()
{
    StepProgressBar();
    ++m_processed;
    return m_bar.position % 10 == 0;
}

void TMediaScanner::ShowProgressLines(const QString &entryName, const QString &folderPath)
{
    UserInterface &ui = UI();
    ui.SetProgressFileName(entryName);
    // Many lines in a row show the same folder: it is lower-cased once.
    if (folderPath != m_shownPath) {
        m_shownPath = folderPath;
        m_shownPathLowered = folderPath.toLower();
    }
    ui.SetProgressPath(m_shownPathLowered);
    ui.SetProgressStatus(
        m_options.validateMedia
            ? QStringLiteral("%1 Files of %2 Processed").arg(m_processed).arg(m_bar.maximum)
            : QStringLiteral("%1 Files Processed").arg(m_processed));
    ui.PumpMessages(0);
}
