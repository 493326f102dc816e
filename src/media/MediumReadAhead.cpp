#include "media/MediumReadAhead.h"

#include "store/CatalogSchema.h"

#include <QtEndian>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

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
    static std::atomic<bool> statxRefused{false};
    if (!statxRefused.load(std::memory_order_relaxed)) {
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
        statxRefused.store(true, std::memory_order_relaxed);
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
        if (S_ISLNK(mode))
            attributes |= CatalogSchema::kLinkAttribute;
        else if ((mode & S_IWUSR) == 0)
            attributes |= 1;
        if (name[0] == '.')
            attributes |= 2;
        return attributes;
    }

    Source m_source = Source::Derived;
    const char *m_attributeName = nullptr;
    bool m_bigEndian = false;
};

} // namespace

// The walk itself, on the worker thread. Each open folder keeps its listing
// open while its subfolders are walked; the levels live on a heap stack so
// that a deep tree cannot exhaust the thread's stack.
class TMediumReadAhead::Worker
{
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kEagerEntries = 128;
    static constexpr Clock::duration kEagerDelay = std::chrono::milliseconds(20);

public:
    Worker(TMediumReadAhead &owner, int rootFolder, QSet<QByteArray> mountPoints)
        : m_owner(owner)
        , m_rootFolder(rootFolder)
        , m_mountPoints(std::move(mountPoints))
    {
    }

    void Run()
    {
        try {
            m_batch = m_owner.HandOver(nullptr);
            if (m_batch && Walk())
                m_owner.Finish(std::move(m_batch), nullptr);
        } catch (...) {
            m_owner.Finish(nullptr, std::current_exception());
        }
    }

private:
    struct Level
    {
        DirHandle listing;    // null for a folder that could not be opened: it is listed empty
        qsizetype pathLength; // of the parent's path, to cut back to after the walk
    };

    // Returns false when the owner stopped the walk.
    bool Walk()
    {
        m_attributes.Setup(m_rootFolder);
        DirHandle root(fdopendir(m_rootFolder));
        if (!root) {
            close(m_rootFolder);
            return true;
        }
        m_levels.push_back(Level{std::move(root), 0});
        while (!m_levels.empty()) {
            if (m_owner.StopRequested())
                return false;
            Level &level = m_levels.back();
            errno = 0;
            const dirent *entry = level.listing ? readdir(level.listing.get()) : nullptr;
            if (!entry) {
                // The listing is exhausted (or failed, which ends it the same way).
                m_path.truncate(level.pathLength);
                m_levels.pop_back();
                if (m_levels.empty())
                    return true;
                Add(Event::FolderEnd, MediumEntry());
            } else if (!Examine(level, entry)) {
                continue;
            }
            if (BatchIsDue()) {
                m_batch = m_owner.HandOver(std::move(m_batch));
                if (!m_batch)
                    return false;
            }
        }
        return true;
    }

    // A full batch goes at once. A partial one goes only while the scan waits
    // for it, and then once it holds a fair number of entries or has been
    // filling for a while (a slow medium): handing over each entry as it
    // comes would cost two thread switches per entry.
    bool BatchIsDue() const
    {
        const std::size_t size = m_batch->records.size();
        if (size >= m_owner.m_batchEntries)
            return true;
        if (size == 0 || !m_owner.ScanIsWaiting())
            return false;
        return size >= kEagerEntries || Clock::now() - m_batchStarted >= kEagerDelay;
    }

    // Records one listed entry and, for a folder, enters it. False for an
    // entry that is not recorded.
    bool Examine(Level &level, const dirent *entry)
    {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            return false;
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
            return false; // gone since it was listed
        } else {
            // Listed but not examinable (a folder that may be read but not
            // searched): cataloged by name, with what the listing tells.
            found.folder = entry->d_type == DT_DIR;
        }
        Add(Event::Entry, found);
        if (found.folder)
            EnterFolder(folder, found.name);
        return true;
    }

    // Makes the folder the level listed next. A mount point is not entered.
    void EnterFolder(int parentFolder, QByteArrayView name)
    {
        DirHandle listing;
        if (!IsMountPoint(name)) {
            const int folder = openat(parentFolder, name.data(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
            if (folder >= 0) {
                listing.reset(fdopendir(folder));
                if (!listing)
                    close(folder);
            }
        }
        const qsizetype pathLength = m_path.size();
        if (!m_mountPoints.isEmpty()) {
            m_path.append(name).append('/');
        }
        // Any Level reference held by the caller is not used after this: the push may move it.
        m_levels.push_back(Level{std::move(listing), pathLength});
    }

    // Whether a folder of the folder being listed is a mount point, as the
    // mount list tells: a catalog describes one medium. A folder with a
    // device number of its own that nothing mounts (a btrfs subvolume) is
    // part of the medium.
    bool IsMountPoint(QByteArrayView name) const
    {
        return !m_mountPoints.isEmpty() && m_mountPoints.contains(QByteArray(m_path).append(name));
    }

    void Add(Event event, const MediumEntry &found)
    {
        Batch &batch = *m_batch;
        if (batch.records.empty())
            m_batchStarted = Clock::now();
        batch.records.push_back(Record{event, found.folder, found.link, found.attributes,
                                       found.size, found.created, found.modified,
                                       quint32(batch.names.size()), quint32(found.name.size())});
        batch.names.append(found.name);
    }

    TMediumReadAhead &m_owner;
    const int m_rootFolder;
    const QSet<QByteArray> m_mountPoints;
    AttributeReader m_attributes;
    std::vector<Level> m_levels;
    // The path of the folder being listed, relative to the source, ending
    // with "/" below it; kept only when there are mount points to compare.
    QByteArray m_path;
    BatchPointer m_batch;
    Clock::time_point m_batchStarted;
};

TMediumReadAhead::TMediumReadAhead(int rootFolder, QSet<QByteArray> mountPoints,
                                   std::size_t batchEntries, WaitHook waitHook)
    : m_batchEntries(std::max<std::size_t>(batchEntries, 1))
    , m_waitHook(std::move(waitHook))
{
    auto worker = std::make_shared<Worker>(*this, rootFolder, std::move(mountPoints));
    m_thread = std::thread([worker] {
        // Named so that it can be told apart in a debugger or a profile.
        pthread_setname_np(pthread_self(), "readahead");
        worker->Run();
    });
}

TMediumReadAhead::~TMediumReadAhead()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop.store(true, std::memory_order_relaxed);
    }
    m_emptied.notify_all();
    m_thread.join();
}

TMediumReadAhead::Event TMediumReadAhead::Next(MediumEntry &entry)
{
    while (!m_current || m_position == m_current->records.size()) {
        if (!TakeBatch())
            return Event::Abandoned;
        if (!m_current) {
            if (m_failure)
                std::rethrow_exception(m_failure);
            return Event::Finished;
        }
    }
    const Record &record = m_current->records[m_position++];
    if (record.event == Event::Entry) {
        entry.name = QByteArrayView(m_current->names.constData() + record.nameOffset,
                                    qsizetype(record.nameLength));
        entry.folder = record.folder;
        entry.link = record.link;
        entry.attributes = record.attributes;
        entry.size = record.size;
        entry.created = record.created;
        entry.modified = record.modified;
    }
    return record.event;
}

bool TMediumReadAhead::TakeBatch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_current) {
        m_current->Clear();
        m_spare.push_back(std::move(m_current));
    }
    while (m_queue.empty() && !m_workerDone) {
        m_scanWaiting.store(true, std::memory_order_relaxed);
        if (m_filled.wait_for(lock, std::chrono::milliseconds(kWaitSliceMs),
                              [this] { return !m_queue.empty() || m_workerDone; }))
            break;
        lock.unlock();
        const bool keepWaiting = !m_waitHook || m_waitHook();
        lock.lock();
        if (!keepWaiting) {
            m_scanWaiting.store(false, std::memory_order_relaxed);
            return false;
        }
    }
    m_scanWaiting.store(false, std::memory_order_relaxed);
    if (m_queue.empty())
        return true; // the worker ended: no batch
    m_current = std::move(m_queue.front());
    m_queue.pop_front();
    m_position = 0;
    lock.unlock();
    m_emptied.notify_one();
    return true;
}

TMediumReadAhead::BatchPointer TMediumReadAhead::HandOver(BatchPointer batch)
{
    BatchPointer next;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (batch) {
            m_emptied.wait(lock,
                           [this] { return m_queue.size() < kQueuedBatches || StopRequested(); });
            if (StopRequested())
                return nullptr;
            m_queue.push_back(std::move(batch));
            m_scanWaiting.store(false, std::memory_order_relaxed);
        }
        if (!m_spare.empty()) {
            next = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    m_filled.notify_one();
    if (!next) {
        next = std::make_unique<Batch>();
        next->records.reserve(m_batchEntries);
    }
    return next;
}

void TMediumReadAhead::Finish(BatchPointer batch, std::exception_ptr failure)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (batch && !batch->records.empty())
            m_queue.push_back(std::move(batch));
        m_failure = std::move(failure);
        m_workerDone = true;
    }
    m_filled.notify_one();
}
