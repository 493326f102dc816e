#include "media/MediaScan.h"

#include "platform/Drives.h"
#include "platform/MediumName.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

#include <QFile>
#include <QSet>
#include <QtEndian>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
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
const QString kInsertFile =
    QStringLiteral("INSERT INTO Files (Key, ID, Class, Size, Name, Packaged, Comment, Created, "
                   "Modified) VALUES (?1, ?2, ?3, ?4, ?5, ?9, ?6, ?7, ?8)");
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

// File systems whose own attribute bits can be read. NTFS has two kernel
// drivers with different magics; ntfs-3g runs under FUSE.
constexpr unsigned long kNtfsMagic = 0x5346544e;
constexpr unsigned long kNtfs3Magic = 0x7366746e;

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// What the walk needs to know of an entry, from one statx (or fstatat) call
// relative to the folder's descriptor. Links are never followed.
struct EntryStatus
{
    mode_t mode = 0;
    qint64 size = 0;
    qint64 modified = 0;
    qint64 created = 0;
    bool hasCreated = false;
};

bool ReadEntryStatus(int folder, const char *name, EntryStatus &status)
{
    // Some sandboxes refuse statx; then fstatat, which has no creation time.
    static bool statxRefused = false;
    if (!statxRefused) {
        struct statx buffer;
        if (statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                  STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME, &buffer) == 0) {
            status.mode = buffer.stx_mode;
            status.size = qint64(buffer.stx_size);
            status.modified = buffer.stx_mtime.tv_sec;
            // File systems that keep no birth time may still report one, as
            // the epoch itself: that is no time at all.
            status.hasCreated = (buffer.stx_mask & STATX_BTIME) != 0 &&
                                (buffer.stx_btime.tv_sec != 0 || buffer.stx_btime.tv_nsec != 0);
            status.created = status.hasCreated ? buffer.stx_btime.tv_sec : 0;
            return true;
        }
        if (errno != ENOSYS && errno != EPERM)
            return false;
        statxRefused = true;
    }
    struct stat buffer;
    if (fstatat(folder, name, &buffer, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0)
        return false;
    status.mode = buffer.st_mode;
    status.size = qint64(buffer.st_size);
    status.modified = buffer.st_mtim.tv_sec;
    status.hasCreated = false;
    return true;
}

// Where a file's attribute bits come from. FAT keeps them and tells them
// through an ioctl on an open file; the NTFS drivers and the SMB client
// offer them as extended attributes; everywhere else they are derived: read-only
// when the owner may not write, hidden when the name starts with a dot.
class AttributeReader
{
public:
    void Setup(int root)
    {
        m_source = Source::Derived;
        struct statfs fileSystem;
        if (fstatfs(root, &fileSystem) != 0)
            return;
        const auto type = static_cast<unsigned long>(fileSystem.f_type);
        if (type == MSDOS_SUPER_MAGIC || type == EXFAT_SUPER_MAGIC) {
            quint32 value = 0;
            if (ioctl(root, FAT_IOCTL_GET_ATTRIBUTES, &value) == 0)
                m_source = Source::FatIoctl;
            return;
        }
        if (type != kNtfsMagic && type != kNtfs3Magic && type != FUSE_SUPER_MAGIC &&
            type != CIFS_SUPER_MAGIC && type != SMB2_SUPER_MAGIC)
            return;
        struct Candidate
        {
            const char *name;
            bool bigEndian;
        };
        static constexpr Candidate kCandidates[] = {
            {"system.ntfs_attrib_be", true},
            {"user.cifs.dosattrib", false},
        };
        for (const Candidate &candidate : kCandidates) {
            unsigned char value[4];
            if (fgetxattr(root, candidate.name, value, sizeof value) == sizeof value) {
                m_source = Source::ExtendedAttribute;
                m_attributeName = candidate.name;
                m_bigEndian = candidate.bigEndian;
                return;
            }
        }
    }

    int Read(int folder, const char *name, mode_t mode)
    {
        switch (m_source) {
        case Source::FatIoctl: {
            const int file =
                openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            if (file >= 0) {
                quint32 value = 0;
                const bool read = ioctl(file, FAT_IOCTL_GET_ATTRIBUTES, &value) == 0;
                close(file);
                if (read)
                    return int(value & 0xff);
            }
            break;
        }
        case Source::ExtendedAttribute: {
            // There is no getxattr relative to a descriptor: the folder's
            // descriptor is named through /proc. lgetxattr leaves links alone.
            const QByteArray path = "/proc/self/fd/" + QByteArray::number(folder) + '/' + name;
            unsigned char value[4];
            if (lgetxattr(path.constData(), m_attributeName, value, sizeof value) == sizeof value)
                return int(m_bigEndian ? qFromBigEndian<quint32>(value)
                                       : qFromLittleEndian<quint32>(value));
            break;
        }
        case Source::Derived:
            break;
        }
        return Derived(name, mode);
    }

private:
    enum class Source
    {
        Derived,
        FatIoctl,
        ExtendedAttribute
    };

    static int Derived(const char *name, mode_t mode)
    {
        int attributes = 0;
        if (!S_ISLNK(mode) && (mode & S_IWUSR) == 0)
            attributes |= 1;
        if (name[0] == '.')
            attributes |= 2;
        return attributes;
    }

    Source m_source = Source::Derived;
    const char *m_attributeName = nullptr;
    bool m_bigEndian = false;
};

bool Cancelled()
{
    return UI().Cancelled();
}

// Holds the Files file's page cache to a bound while a scan writes. Every new
// row adds an entry at a random place of SizeIndex, so the pages of that index
// stay dirty and in the cache until the commit; left to the connection's
// general setting the cache of a million-file scan would pass 100 MB. Beyond
// the bound SQLite writes pages out early, which costs little time.
class FilesCacheBound
{
public:
    static constexpr qint64 kKibibytes = 48 * 1024;

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

// The depth-first walk of one source. Each open folder keeps its listing open
// while its subfolders are walked; the levels live on a heap stack so that a
// deep tree cannot exhaust the thread's stack.
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
        m_rootLength = m_path.size();
        for (const QString &point : Drives().MountPointsBelow(m_source))
            m_mountPoints.insert(QFile::encodeName(point));
        m_attributes.Setup(rootFolder);
        DirHandle listing(fdopendir(rootFolder));
        if (!listing) {
            close(rootFolder);
            return true;
        }
        m_levels.push_back(Level{std::move(listing), catalogId, m_path.size(), QString()});
        return WalkLevels(total);
    }

private:
    struct Level
    {
        DirHandle listing; // null for a folder that could not be opened: it is cataloged empty
        qint64 objectId;
        qsizetype pathLength; // of the parent's path, to cut back to after the walk
        QString name;
    };

    bool WalkLevels(qint64 &total)
    {
        while (!m_levels.empty()) {
            Level &level = m_levels.back();
            errno = 0;
            const dirent *entry = level.listing ? readdir(level.listing.get()) : nullptr;
            if (!entry) {
                // The listing is exhausted (or failed, which ends it the
                // same way) and the walk of this folder carried on to its end.
                const QString name = std::move(level.name);
                const qsizetype pathLength = level.pathLength;
                m_levels.pop_back();
                if (m_levels.empty())
                    return true;
                m_path.truncate(pathLength);
                m_scanner.ReportScanProgress(name, m_path);
                if (Cancelled())
                    return false;
                continue;
            }
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            const int folder = dirfd(level.listing.get());
            EntryStatus status;
            MediumEntry found;
            found.name = QByteArrayView(name, qsizetype(std::strlen(name)));
            if (ReadEntryStatus(folder, name, status)) {
                found.folder = S_ISDIR(status.mode);
                found.link = S_ISLNK(status.mode);
                found.size = found.folder ? 0 : status.size;
                found.modified = MediumTimeToDayCount(status.modified);
                found.created =
                    status.hasCreated ? MediumTimeToDayCount(status.created) : found.modified;
                if (found.created == 0.0)
                    found.created = found.modified;
                if (!found.folder)
                    found.attributes = m_attributes.Read(folder, name, status.mode);
            } else if (errno == ENOENT) {
                continue; // gone since it was listed
            } else {
                // Listed but not examinable (a folder that may be read but not
                // searched): cataloged by name, with what the listing tells.
                found.folder = entry->d_type == DT_DIR;
            }

            if (found.folder) {
                EnterFolder(level, folder, name, found, !IsMountPoint(name));
                continue;
            }
            if (m_scanner.m_packageOffer &&
                m_scanner.m_packageOffer(m_path, found, level.objectId, total))
                continue;
            const bool carryOn = !Cancelled();
            m_scanner.WriteFileRow(m_path, found, level.objectId, total);
            if (!carryOn)
                return false;
        }
        return true;
    }

    // Whether a folder of the folder being walked is a mount point, as the
    // mount list tells: a catalog describes one medium. A folder with a
    // device number of its own that nothing mounts (a btrfs subvolume) is
    // part of the medium.
    bool IsMountPoint(const char *listedName) const
    {
        return !m_mountPoints.isEmpty() &&
               m_mountPoints.contains(MediumNameBytes(m_path.mid(m_rootLength)) + listedName);
    }

    // Creates the folder's object and makes the folder the level walked next.
    // A mount point is cataloged but not entered.
    void EnterFolder(Level &level, int parentFolder, const char *listedName,
                     const MediumEntry &found, bool sameMedium)
    {
        const QString name = MediumNameText(found.name);
        const QString comment =
            m_scanner.m_options.reuseComments
                ? m_scanner.ReuseObjectComment(CatalogSchema::kFileFolderClass, name, found.created)
                : QString();
        SqliteStatement &insert = m_scanner.m_data.CatalogDatabase.Prepare(kInsertFolder);
        insert.Bind(1, level.objectId)
            .Bind(2, CatalogSchema::kFileFolderClass)
            .Bind(3, name)
            .Bind(4, m_source)
            .Bind(5, found.created)
            .Bind(6, found.modified)
            .Bind(7, comment);
        insert.Execute();
        const qint64 id = m_scanner.m_data.CatalogDatabase.LastInsertId();
        DirHandle listing;
        if (sameMedium) {
            const int folder = openat(parentFolder, listedName,
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
            if (folder >= 0) {
                listing.reset(fdopendir(folder));
                if (!listing)
                    close(folder);
            }
        }
        const qsizetype pathLength = m_path.size();
        m_path += name;
        m_path += QLatin1Char('/');
        // level is not used after this: the push may move it.
        m_levels.push_back(Level{std::move(listing), id, pathLength, name});
    }

    TMediaScanner &m_scanner;
    const QString m_source;
    QString m_path;
    qsizetype m_rootLength = 0;
    // The mount points below the source, relative to it.
    QSet<QByteArray> m_mountPoints;
    AttributeReader m_attributes;
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
    Walk walk(*this, source);
    m_scanning = true;
    try {
        walk.Run(catalogId, total);
    } catch (...) {
        // The caller rolls its transaction back; rows still waiting go with it.
        m_scanning = false;
        m_pendingRows.clear();
        throw;
    }
    m_scanning = false;
    // Also after a cancel: the rows of the files in hand are written.
    FlushFileRows();
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
    for (const PendingFileRow &row : m_pendingRows) {
        SqliteStatement &insert = m_data.CatalogDatabase.Prepare(kInsertFile);
        insert.Bind(1, row.key)
            .Bind(2, row.owner)
            .Bind(3, row.attributes)
            .Bind(4, row.size)
            .Bind(5, row.name)
            .Bind(6, row.comment)
            .Bind(7, row.created)
            .Bind(8, row.modified)
            .Bind(9, row.packaged ? 1 : 0);
        insert.Execute();
    }
    m_pendingRows.clear();
}

void TMediaScanner::WriteFileRow(const QString &folderPath, const MediumEntry &entry,
                                 qint64 parentId, qint64 &total)
{
    // The name is stored exactly as the medium has it, built as bytes: for
    // the usual name, valid UTF-8, no text conversion happens at all.
    if (MediumNameIsPlainText(entry.name)) {
        m_storedName.resize(entry.name.size());
        std::memcpy(m_storedName.data(), entry.name.data(), size_t(entry.name.size()));
    } else {
        m_storedName = MediumNameText(entry.name).toUtf8();
    }
    // Rows still waiting are not seen by the look-up. That changes no answer:
    // a waiting row came after every row already written, so it matters only
    // when no written row matches, and then its own comment is empty too.
    const QString comment = m_options.reuseComments
                                ? ReuseFileComment(entry.size, m_storedName, entry.created)
                                : QString();

    m_pendingRows.push_back(PendingFileRow{parentId, entry.attributes, entry.size, m_storedName,
                                           comment.toUtf8(), entry.created, entry.modified, 0,
                                           false});
    if (m_pendingRows.size() >= m_fileRowBatch)
        FlushFileRows();

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
    m_pendingRows.push_back(PendingFileRow{owner, int(attributes), size, storedName.toUtf8(),
                                           comment.toUtf8(), dateTime, dateTime, 0, true});
    if (m_pendingRows.size() >= m_fileRowBatch || !m_scanning)
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
