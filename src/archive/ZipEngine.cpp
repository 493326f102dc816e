#include "archive/ZipEngine.h"

#include "platform/MediumName.h"
#include "platform/ProgressOperations.h"
#include "platform/UserInterface.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

// The message the extraction engine sends when the file to be written exists.
constexpr int kMessageFileExists = 8;
// Appended to the path of an existing file in that message.
const QString kExistsTail = QStringLiteral(" already exists - replace it (y/n/a)?");

constexpr zip_uint64_t kChunkSize = 64 * 1024;

// Splits a blank-separated list; double quotes keep blanks inside one item.
QStringList SplitItems(const QString &list)
{
    QStringList items;
    QString current;
    bool quoted = false;
    bool any = false;
    for (const QChar c : list) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (c == u' ' && !quoted) {
            if (any)
                items << current;
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        items << current;
    return items;
}

// A member name that would land outside the destination.
bool EscapesDestination(const QString &name)
{
    if (name.startsWith(u'/') || name.startsWith(u'\\') || (name.size() >= 2 && name.at(1) == u':'))
        return true;
    const QStringList parts = QString(name).replace(u'\\', u'/').split(u'/');
    return parts.contains(QStringLiteral(".."));
}

// A member's name as the catalog and the extraction read it: some Windows
// tools write a backslash between folders instead of "/".
QString MemberName(const char *stored)
{
    QString name = QString::fromUtf8(stored);
    name.replace(u'\\', u'/');
    return name;
}

// A name a file may be written under inside a folder.
bool IsPlainName(const QString &name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/');
}

// An open file descriptor, closed when it goes.
class Descriptor final
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(Descriptor &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        if (this != &other) {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    explicit operator bool() const { return m_fd >= 0; }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The folder reached from a folder through the named folders, each made when
// missing. A link on the way is never followed: the extraction cannot be led
// out of its destination by a link planted there. Invalid when a name on the
// way is a link or no folder.
Descriptor FolderBelow(int from, const QStringList &folders)
{
    Descriptor current(::fcntl(from, F_DUPFD_CLOEXEC, 0));
    for (const QString &folder : folders) {
        if (!current)
            break;
        const QByteArray name = QFile::encodeName(folder);
        ::mkdirat(current.get(), name.constData(), 0777);
        current = Descriptor(::openat(current.get(), name.constData(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return current;
}

bool WriteAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// A member pattern as an anchored, case-insensitive expression. "*.*"
// matches any name; with recursion "*" also crosses folder separators.
QRegularExpression WildcardPattern(QString wildcard, bool recurse)
{
    wildcard.replace(u'\\', u'/');
    if (wildcard.endsWith(QStringLiteral("*.*")))
        wildcard = wildcard.chopped(3) + u'*';
    QString pattern = QStringLiteral("^");
    for (const QChar c : std::as_const(wildcard)) {
        if (c == u'*')
            pattern += recurse ? QStringLiteral(".*") : QStringLiteral("[^/]*");
        else if (c == u'?')
            pattern += QStringLiteral("[^/]");
        else
            pattern += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(pattern + u'$', QRegularExpression::CaseInsensitiveOption);
}

// Whether a member is one the file specification names.
using MemberMatcher = std::function<bool(const QString &name)>;

// One matcher per item of the file specification. An item without wildcards
// that is a member's name letter for letter picks that member alone: two
// members may differ only in letter case. Any other item is a wildcard
// pattern matched without regard to case.
std::vector<MemberMatcher> MemberMatchers(const QStringList &items, const QStringList &names,
                                          bool recurse)
{
    std::vector<MemberMatcher> matchers;
    for (QString item : items) {
        item.replace(u'\\', u'/');
        if (!item.contains(u'*') && !item.contains(u'?') && names.contains(item)) {
            matchers.emplace_back([item](const QString &name) { return name == item; });
            continue;
        }
        matchers.emplace_back([pattern = WildcardPattern(item, recurse)](const QString &name) {
            return pattern.match(name).hasMatch();
        });
    }
    return matchers;
}

// A member's time as "mm/dd/yy hh:mm" in local time. Listing a package
// formats one per member: the C library's conversion is many times quicker
// than a QDateTime's.
QString MemberDateTimeText(time_t time)
{
    struct tm local;
    if (!localtime_r(&time, &local))
        return QStringLiteral("01/01/80 00:00");
    char16_t text[14];
    const auto put = [&text](int at, int value) {
        text[at] = char16_t(u'0' + value / 10 % 10);
        text[at + 1] = char16_t(u'0' + value % 10);
    };
    put(0, local.tm_mon + 1);
    text[2] = u'/';
    put(3, local.tm_mday);
    text[5] = u'/';
    put(6, local.tm_year % 100);
    text[8] = u' ';
    put(9, local.tm_hour);
    text[11] = u':';
    put(12, local.tm_min);
    return QString(reinterpret_cast<const QChar *>(text), 14);
}

} // namespace

TZipEngine::~TZipEngine() = default;

void TZipEngine::SetTickSource(std::function<qint64()> tickSource)
{
    m_tickSource = std::move(tickSource);
}

bool TZipEngine::Execute(int function)
{
    if (function < 1 || function > 9)
        return false;
    m_errorCode = Run(function);
    return m_errorCode == ZipResult::Success;
}

bool TZipEngine::PumpGate(int intervalMs)
{
    if (!m_tickSource) {
        m_tickSource = [timer = std::make_shared<QElapsedTimer>()] {
            if (!timer->isValid())
                timer->start();
            return timer->elapsed();
        };
    }
    const qint64 now = m_tickSource();
    if (m_lastPump >= 0 && now - m_lastPump < intervalMs)
        return false;
    m_lastPump = now;
    UI().PumpMessages(0);
    return true;
}

// ---------------------------------------------------------------- TZipFile

TZipFile::TZipFile()
{
    CompFactor = 0;
    Options = QuietFlag | IncludeSysHiddenFlag;
}

void TZipFile::MajorCallback(const QString &itemName, int percent)
{
    m_currentItem = itemName;
    UI().SetProgressStatus(itemName);
    UI().SetProgressPosition(percent);
    UI().PumpMessages(0);
}

void TZipFile::MinorCallback(int percent)
{
    if (PumpGate(250))
        UI().SetProgressStatus(m_currentItem + QString::asprintf(" (%d%s Complete)", percent, "%"));
}

int TZipFile::Run(int function)
{
    if (function != ZipFunction::Add)
        return ZipResult::Unsupported;
    return Add();
}

int TZipFile::Add()
{
    if (!(Options & PathForTempFlag))
        return AddTo(lpszZipFile);

    // Build in the temporary folder, then move the result into place.
    const QString temp =
        QDir(lpszTempPath).filePath(QFileInfo(lpszZipFile).fileName() + QStringLiteral(".tmp"));
    QFile::remove(temp);
    if (QFileInfo::exists(lpszZipFile) && !QFile::copy(lpszZipFile, temp))
        return ZipResult::NoTempRoom;
    const int result = AddTo(temp);
    if (result != ZipResult::Success) {
        QFile::remove(temp);
        return result == ZipResult::NoArchiveRoom ? ZipResult::NoTempRoom : result;
    }
    // A rename replaces the old archive in one step; across file systems the
    // copy overwrites it.
    const std::filesystem::path from(QFile::encodeName(temp).toStdString());
    const std::filesystem::path to(QFile::encodeName(lpszZipFile).toStdString());
    std::error_code error;
    std::filesystem::rename(from, to, error);
    if (error) {
        error.clear();
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                   error);
        QFile::remove(temp);
        if (error)
            return ZipResult::ArchiveWriteFail;
    }
    return ZipResult::Success;
}

namespace {

// What an entry on the disk is, read without following a link.
enum class EntryKind
{
    Folder,
    File,
    Link,
    Other, // a pipe, socket or device: no content to archive
    Missing,
};

struct PendingItem
{
    QString path;
    QString member;
    EntryKind kind = EntryKind::File;
};

EntryKind KindOf(const QString &path, struct stat &st)
{
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return EntryKind::Missing;
    if (S_ISDIR(st.st_mode))
        return EntryKind::Folder;
    if (S_ISREG(st.st_mode))
        return EntryKind::File;
    if (S_ISLNK(st.st_mode))
        return EntryKind::Link;
    return EntryKind::Other;
}

// A link is archived as a link: a member holding the target's text, marked
// as a link in its host attributes, so that archiving never leaves the
// folder through it, never loops, and a restore gives the link back.
zip_int64_t AddLinkMember(zip_t *archive, const QString &path, const QByteArray &member)
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
    if (length < 0 || size_t(length) >= sizeof target)
        return -1;
    // The archive frees the copy once it has written it.
    void *copy = std::malloc(size_t(length) + 1);
    if (!copy)
        return -1;
    std::memcpy(copy, target, size_t(length));
    ZipSource source(zip_source_buffer(archive, copy, zip_uint64_t(length), 1));
    if (!source) {
        std::free(copy);
        return -1;
    }
    const zip_int64_t index = zip_file_add(archive, member.constData(), source.get(),
                                           ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index >= 0)
        source.release(); // the archive owns it now
    return index;
}

QString MemberName(const QString &root, const QString &path)
{
    QString name = QDir(root).relativeFilePath(path);
    while (name.startsWith(u'/'))
        name.remove(0, 1);
    return name;
}

} // namespace

int TZipFile::AddTo(const QString &archivePath)
{
    const QStringList items = SplitItems(lpszItemList);
    if (items.isEmpty())
        return ZipResult::NothingToDo;

    std::vector<PendingItem> pending;
    const bool hidden = Options & IncludeSysHiddenFlag;
    // Links are listed as entries of their own and never followed.
    QDir::Filters filters = QDir::AllEntries | QDir::NoDotAndDotDot;
    if (hidden)
        filters |= QDir::Hidden | QDir::System;

    struct stat st;
    for (QString item : items) {
        if (item.endsWith(QStringLiteral("*.*")))
            item.chop(3);
        const QString path = QFileInfo(item).absoluteFilePath();
        const EntryKind kind = KindOf(path, st);
        if (kind != EntryKind::Folder) {
            if (kind == EntryKind::Missing)
                return ZipResult::FileInUse;
            if (kind != EntryKind::Other) {
                const QString root =
                    lpszRootPath.isEmpty() ? QFileInfo(path).absolutePath() : lpszRootPath;
                pending.push_back({path, MemberName(root, path), kind});
            }
            continue;
        }
        const QString root = lpszRootPath.isEmpty() ? QFileInfo(path).absolutePath() : lpszRootPath;
        const QString folderMember = MemberName(root, path);
        if ((Options & RecurseFlag) && folderMember != QStringLiteral("."))
            pending.push_back({path, folderMember + u'/', EntryKind::Folder});
        QDirIterator it(path, filters,
                        (Options & RecurseFlag) ? QDirIterator::Subdirectories
                                                : QDirIterator::NoIteratorFlags);
        while (it.hasNext()) {
            const QString entry = it.next();
            const EntryKind entryKind = KindOf(entry, st);
            if (entryKind == EntryKind::Folder) {
                if (Options & RecurseFlag)
                    pending.push_back({entry, MemberName(root, entry) + u'/', entryKind});
            } else if (entryKind == EntryKind::File || entryKind == EntryKind::Link) {
                pending.push_back({entry, MemberName(root, entry), entryKind});
            }
        }
    }
    if (pending.empty())
        return ZipResult::NothingToDo;

    int error = 0;
    ZipArchive archive(zip_open(QFile::encodeName(archivePath).constData(), ZIP_CREATE, &error));
    if (!archive)
        return (error == ZIP_ER_NOZIP || error == ZIP_ER_INCONS) ? ZipResult::BadArchive
                                                                 : ZipResult::NoArchiveRoom;

    const zip_int32_t method = CompFactor == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    const zip_uint32_t level = CompFactor == 0 ? 0 : zip_uint32_t(qBound(1, CompFactor, 9));
    for (size_t i = 0; i < pending.size(); ++i) {
        const PendingItem &item = pending[i];
        MajorCallback(item.path, int(i * 100 / pending.size()));
        if (UI().Cancelled())
            return ZipResult::Cancelled;
        const QByteArray member = item.member.toUtf8();
        zip_int64_t index;
        if (item.kind == EntryKind::Folder) {
            index = zip_name_locate(archive.get(), member.constData(), 0);
            if (index < 0)
                index = zip_dir_add(archive.get(), member.constData(), ZIP_FL_ENC_UTF_8);
            if (index < 0)
                return ZipResult::Error;
        } else if (item.kind == EntryKind::Link) {
            index = AddLinkMember(archive.get(), item.path, member);
            if (index < 0)
                return ZipResult::FileInUse;
        } else {
            QFile probe(item.path);
            if (!probe.open(QIODevice::ReadOnly))
                return ZipResult::FileInUse;
            probe.close();
            ZipSource source(
                zip_source_file(archive.get(), QFile::encodeName(item.path).constData(), 0, -1));
            if (!source)
                return ZipResult::FileInUse;
            index = zip_file_add(archive.get(), member.constData(), source.get(),
                                 ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
            if (index < 0)
                return ZipResult::Error;
            source.release(); // the archive owns it now
            zip_set_file_compression(archive.get(), zip_uint64_t(index), method, level);
        }
        if (::lstat(QFile::encodeName(item.path).constData(), &st) == 0) {
            zip_file_set_external_attributes(archive.get(), zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                             zip_uint32_t(st.st_mode) << 16);
            zip_file_set_mtime(archive.get(), zip_uint64_t(index), st.st_mtim.tv_sec, 0);
        }
    }

    // libzip only reports progress and asks about cancelling while it writes.
    zip_register_progress_callback_with_state(
        archive.get(), 0.01,
        [](zip_t *, double progress, void *self) {
            static_cast<TZipFile *>(self)->MinorCallback(int(progress * 100));
        },
        nullptr, this);
    zip_register_cancel_callback_with_state(
        archive.get(), [](zip_t *, void *) { return UI().Cancelled() ? 1 : 0; }, nullptr, nullptr);

    switch (CloseZipArchive(archive)) {
    case ZIP_ER_OK:
        return ZipResult::Success;
    case ZIP_ER_CANCELLED:
        return ZipResult::Cancelled;
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
        return ZipResult::FileInUse;
    case ZIP_ER_TMPOPEN:
        return ZipResult::NoArchiveRoom;
    case ZIP_ER_WRITE:
    case ZIP_ER_RENAME:
        return ZipResult::ArchiveWriteFail;
    default:
        return ZipResult::Error;
    }
}

// -------------------------------------------------------------- TUnzipFile

TUnzipFile::TUnzipFile()
{
    IndexofItem = 0;
    Options = QuietFlag;
}

void TUnzipFile::MajorCallback(const QString &itemName, int percent)
{
    if (!PumpGate(5))
        return;
    const int operation = UI().ProgressOperation();
    if (operation == ProgressOperation::ExtractFiles ||
        operation == ProgressOperation::RestoreFiles) {
        UI().SetProgressFileName(itemName);
        UI().SetProgressPosition(percent);
    }
}

void TUnzipFile::MinorCallback()
{
    PumpGate(5);
}

int TUnzipFile::MessageCallback(int code, const QString &text)
{
    if ((code >= 2 && code <= 6) || (code >= 11 && code <= 13))
        return 1;
    if (code == kMessageFileExists) {
        const QString path = text.left(qMax<qsizetype>(0, text.size() - 37));
        return AskOverwrite ? AskOverwrite(path) : UI().AskDuplicateFile(path);
    }
    return 2;
}

quint32 TUnzipFile::DosAttributes(quint8 opsys, quint32 external, bool isFolder)
{
    constexpr quint32 kReadOnly = 0x01, kHidden = 0x02, kSystem = 0x04, kFolder = 0x10,
                      kArchive = 0x20;
    quint32 attributes = 0;
    if (opsys == ZIP_OPSYS_UNIX) {
        const quint32 mode = external >> 16;
        if (mode != 0) {
            if (S_ISDIR(mode))
                attributes |= kFolder;
            if (!(mode & S_IWUSR))
                attributes |= kReadOnly;
        } else {
            attributes = external & (kReadOnly | kHidden | kSystem | kFolder | kArchive);
        }
    } else {
        attributes = external & (kReadOnly | kHidden | kSystem | kFolder | kArchive);
    }
    // A name ending in "/" marks a folder only when the host attributes tell
    // nothing; attributes that do are believed, as the catalog's rules expect.
    if (isFolder && external == 0)
        attributes |= kFolder;
    if (!(attributes & kFolder) && opsys == ZIP_OPSYS_UNIX)
        attributes |= kArchive;
    return attributes;
}

int TUnzipFile::Run(int function)
{
    switch (function) {
    case ZipFunction::Count: {
        m_openPath.clear(); // a count starts a fresh listing
        if (const int result = OpenForReading())
            return result;
        ItemCount = zip_get_num_entries(m_archive.get(), 0);
        return ZipResult::Success;
    }
    case ZipFunction::NextMember:
        return NextMember();
    case ZipFunction::CommentSize:
    case ZipFunction::Comment: {
        if (const int result = OpenForReading())
            return result;
        int length = 0;
        const char *comment = zip_get_archive_comment(m_archive.get(), &length, ZIP_FL_ENC_GUESS);
        const QByteArray bytes(comment ? comment : "", comment ? length : 0);
        CommentSize = bytes.size();
        CommentText = QString::fromUtf8(bytes);
        return ZipResult::Success;
    }
    case ZipFunction::Extract:
        return Extract();
    default:
        return ZipResult::Unsupported;
    }
}

int TUnzipFile::OpenForReading()
{
    if (m_archive && m_openPath == lpszZipFile)
        return ZipResult::Success;
    m_archive.reset();
    m_nextIndex = IndexofItem;
    int error = 0;
    m_archive.reset(zip_open(MediumNameBytes(lpszZipFile).constData(), ZIP_RDONLY, &error));
    if (!m_archive) {
        m_openPath.clear();
        return ZipResult::BadArchive;
    }
    m_openPath = lpszZipFile;
    return ZipResult::Success;
}

int TUnzipFile::NextMember()
{
    if (const int result = OpenForReading())
        return result;
    if (m_nextIndex >= zip_get_num_entries(m_archive.get(), 0))
        return ZipResult::EndOfMembers;
    const zip_uint64_t index = zip_uint64_t(m_nextIndex++);
    zip_stat_t st;
    if (zip_stat_index(m_archive.get(), index, ZIP_FL_ENC_GUESS, &st) != 0)
        return ZipResult::BadArchive;
    ItemName = MemberName(st.name);
    ItemSize = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
    ItemDateTime = MemberDateTimeText(st.mtime);
    zip_uint8_t opsys = ZIP_OPSYS_DOS;
    zip_uint32_t external = 0;
    zip_file_get_external_attributes(m_archive.get(), index, 0, &opsys, &external);
    ItemAttributes = DosAttributes(opsys, external, ItemName.endsWith(u'/'));
    return ZipResult::Success;
}

int TUnzipFile::Extract()
{
    m_archive.reset();
    m_openPath.clear();
    if (const int result = OpenForReading())
        return result;
    zip_t *archive = m_archive.get();

    const zip_int64_t count = zip_get_num_entries(archive, 0);
    QStringList names;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        names << (zip_stat_index(archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS, &st) == 0
                      ? MemberName(st.name)
                      : QString());
    }
    const std::vector<MemberMatcher> matchers =
        MemberMatchers(SplitItems(lpszFileSpec), names, Options & RecurseFlag);

    const QDir destinationPath(lpszDestination);
    QDir().mkpath(lpszDestination);
    const Descriptor destination(
        ::open(QFile::encodeName(lpszDestination).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!destination)
        return ZipResult::Error;
    const bool flat = Options & NoDirectoryNamesFlag;
    bool overwriteAll = Options & OverWriteFlag;
    bool allProcessed = true;
    for (zip_int64_t i = 0; i < count; ++i) {
        const QString &name = names[i];
        if (name.isEmpty()) {
            allProcessed = false;
            continue;
        }
        if (!matchers.empty() &&
            std::none_of(matchers.cbegin(), matchers.cend(),
                         [&](const MemberMatcher &matcher) { return matcher(name); }))
            continue;
        const bool folder = name.endsWith(u'/');
        if (folder && flat)
            continue;
        // Where the member lands: its folders below the destination (none
        // when folder names are dropped) and its own name.
        QStringList folders = name.split(u'/', Qt::SkipEmptyParts);
        const QString leaf = folder || folders.isEmpty() ? QString() : folders.takeLast();
        if (flat)
            folders.clear();
        if ((!flat && EscapesDestination(name)) || (!folder && !IsPlainName(leaf))) {
            allProcessed = false;
            continue;
        }
        MajorCallback(name, int(i * 100 / count));
        if (UI().Cancelled())
            return ZipResult::ExtractCancelled;

        const Descriptor into = FolderBelow(destination.get(), folders);
        if (!into) {
            allProcessed = false;
            continue;
        }
        if (folder)
            continue;
        const int written = ExtractFile(i, into.get(), leaf,
                                        destinationPath.filePath(flat ? leaf : name), overwriteAll);
        if (written == ZipResult::ExtractCancelled)
            return written;
        if (written != ZipResult::Success)
            allProcessed = false;
    }
    return allProcessed ? ZipResult::Success : ZipResult::NotAllProcessed;
}

int TUnzipFile::ExtractFile(zip_int64_t index, int folder, const QString &name,
                            const QString &shownPath, bool &overwriteAll)
{
    const QByteArray bytes = QFile::encodeName(name);
    struct stat existing;
    if (::fstatat(folder, bytes.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!overwriteAll) {
            const int answer = MessageCallback(kMessageFileExists,
                                               QDir::toNativeSeparators(shownPath) + kExistsTail);
            if (answer == OverwriteAnswer::Abort)
                return ZipResult::ExtractCancelled;
            if (answer == OverwriteAnswer::No)
                return ZipResult::Success;
            if (answer == OverwriteAnswer::YesToAll)
                overwriteAll = true;
        }
        // The entry is replaced, never written through: a link keeps its
        // target, a hard link its other names, and a read-only file goes as
        // any other.
        if (::unlinkat(folder, bytes.constData(), 0) != 0)
            return ZipResult::Error;
    }
    ZipMember member(zip_fopen_index(m_archive.get(), zip_uint64_t(index), 0));
    if (!member)
        return ZipResult::Error;
    zip_uint8_t opsys = ZIP_OPSYS_DOS;
    zip_uint32_t external = 0;
    zip_file_get_external_attributes(m_archive.get(), zip_uint64_t(index), 0, &opsys, &external);
    const mode_t mode = opsys == ZIP_OPSYS_UNIX ? mode_t(external >> 16) : 0;
    if (S_ISLNK(mode))
        return MakeLink(member.get(), folder, bytes);
    const Descriptor out(::openat(folder, bytes.constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out)
        return ZipResult::Error;
    const int copied = CopyMember(member.get(), out.get());
    if (copied != ZipResult::Success) {
        ::unlinkat(folder, bytes.constData(), 0);
        return copied;
    }
    // Permission bits come back (an archived script stays executable); the
    // set-user and set-group bits never do.
    if (S_ISREG(mode))
        ::fchmod(out.get(), mode & 0777);
    zip_stat_t st;
    if (zip_stat_index(m_archive.get(), zip_uint64_t(index), 0, &st) == 0 &&
        (st.valid & ZIP_STAT_MTIME)) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {st.mtime, 0}};
        ::futimens(out.get(), times);
    }
    return ZipResult::Success;
}

int TUnzipFile::MakeLink(zip_file_t *member, int folder, const QByteArray &name)
{
    char target[PATH_MAX];
    const zip_int64_t length = zip_fread(member, target, sizeof target - 1);
    if (length <= 0)
        return ZipResult::Error;
    target[length] = '\0';
    // The link is made, never followed: later members are written through
    // folders opened without following links, so it cannot lead them out.
    return ::symlinkat(target, folder, name.constData()) == 0 ? ZipResult::Success
                                                              : ZipResult::Error;
}

int TUnzipFile::CopyMember(zip_file_t *member, int out)
{
    QByteArray buffer(kChunkSize, Qt::Uninitialized);
    for (;;) {
        const zip_int64_t read = zip_fread(member, buffer.data(), kChunkSize);
        if (read < 0 || !WriteAll(out, buffer.constData(), read))
            return ZipResult::Error;
        if (read == 0)
            return ZipResult::Success;
        MinorCallback();
        if (UI().Cancelled())
            return ZipResult::ExtractCancelled;
    }
}
