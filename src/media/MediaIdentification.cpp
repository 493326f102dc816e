#include "media/MediaIdentification.h"

#include "media/DeviceCheck.h"
#include "platform/Drives.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace {

using CatalogSchema::kArchiveSetClass;
using CatalogSchema::kPackageClass;
// The counting text shows every this many entries.
constexpr qint64 kCountStep = 15;
// The bar's length when the entries are not counted first.
constexpr qint64 kUncountedEntries = 100;

struct DriveClassRow
{
    int driveClass;
    const char *description;
};

DriveClassRow ClassOf(DriveKind kind)
{
    switch (kind) {
    case DriveKind::Removable:
        return {DriveClass::Removable, "Floppy or Removable Disk"};
    case DriveKind::Fixed:
        return {DriveClass::HardDisk, "Local Fixed Disk"};
    case DriveKind::Network:
        return {DriveClass::HardDisk, "Network Disk"};
    case DriveKind::CdRom:
        return {DriveClass::CdRom, "CD-ROM"};
    case DriveKind::RamDisk:
        return {DriveClass::NotSupported, "RAM Disk"};
    case DriveKind::NoRootDirectory:
        return {DriveClass::NotSupported, "Error Accessing Device"};
    case DriveKind::Unknown:
        break;
    }
    return {DriveClass::NotSupported, "Unknown Media Type"};
}

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

// Counts entries depth-first in the order the file system lists them,
// entering folders as the scan does: by descriptor, never through a link,
// never into a mount point below the source.
class EntryCounter
{
public:
    explicit EntryCounter(const QStringList &mountPointsBelow)
    {
        for (const QString &point : mountPointsBelow)
            m_mountPoints.insert(QFile::encodeName(point));
    }

    qint64 Count() const { return m_count; }

    // folder is an open descriptor, which the walk takes over; relative is
    // the folder's path below the source ("" for the source, else "a/b/").
    void Walk(int folder, const QByteArray &relative)
    {
        const std::unique_ptr<DIR, DirCloser> dir(fdopendir(folder));
        if (!dir) {
            close(folder);
            return;
        }
        while (m_carryOn) {
            const dirent *entry = readdir(dir.get());
            if (!entry)
                break;
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            if (m_count % kCountStep == 0) {
                UI().SetProgressStatus(QStringLiteral("Processing: %1 Files Found").arg(m_count));
                UI().PumpMessages(0);
                m_carryOn = !UI().Cancelled();
            }
            ++m_count;
            const QByteArray path = relative + name;
            if (!m_carryOn || !IsFolder(dirfd(dir.get()), *entry) || m_mountPoints.contains(path))
                continue;
            const int child = openat(dirfd(dir.get()), entry->d_name,
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
            if (child >= 0)
                Walk(child, path + '/');
        }
    }

private:
    // A link to a folder is not a folder here: the walk stays on the source.
    static bool IsFolder(int parent, const dirent &entry)
    {
        if (entry.d_type != DT_UNKNOWN)
            return entry.d_type == DT_DIR;
        struct stat status
        {
        };
        return fstatat(parent, entry.d_name, &status, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) == 0 &&
               S_ISDIR(status.st_mode);
    }

    QSet<QByteArray> m_mountPoints;
    qint64 m_count = 0;
    bool m_carryOn = true;
};

// The names of a path on this system, without empty ones.
QStringList PathNames(const QString &path)
{
    return QDir::cleanPath(path).split(u'/', Qt::SkipEmptyParts);
}

} // namespace

bool DiagnosticModeOn()
{
    const SettingsStore settings(SettingsStore::kProgramKey);
    return settings.ReadBool(QStringLiteral("Debug Mode"), QStringLiteral("On"), false);
}

int GetDriveClass(const QString &source, QString &description)
{
    const DriveInfo drive = Drives().DriveOf(source);
    const DriveClassRow row = ClassOf(drive.kind);
    description = QString::fromLatin1(row.description);
    if (DiagnosticModeOn()) {
        UI().ShowInformation(QStringLiteral("Dirvanta Debug"),
                             QStringLiteral("Drive String: \t") + source + kParagraphBreak +
                                 QStringLiteral("Drive Identifier: \t") + drive.mount.mountPoint +
                                 kParagraphBreak + QStringLiteral("Drive Type: \t") +
                                 QString::number(int(drive.kind)) + kParagraphBreak +
                                 QStringLiteral("Drive Description: \t") + description);
    }
    return row.driveClass;
}

bool SourceReady(const QString &source)
{
    return source.startsWith(u'/') && QFileInfo::exists(source) && !Drives().AwaitsMedium(source);
}

bool GetVolumeLabel(const QString &drive, QString &label)
{
    const VolumeInfo volume = Drives().VolumeOf(drive);
    if (!volume.readable || !SourceReady(drive)) {
        label.clear();
        return false;
    }
    const bool lowerCase = !drive.isEmpty() && drive.front() >= u'a';
    label = lowerCase ? volume.label.toLower() : volume.label.toUpper();
    return true;
}

LabelEditState LabelEditStateOf(const QString &source)
{
    LabelEditState state;
    const VolumeInfo volume = Drives().VolumeOf(source);
    state.ready = volume.readable && SourceReady(source);
    if (state.ready)
        state.label = volume.label;
    const LabelRules rules = LabelRulesOf(Drives().DriveOf(source).mount.fileSystemType);
    state.writable = state.ready && rules.writable && Drives().CanWriteLabel(source);
    state.maxLength = std::max(rules.maxLength, int(state.label.size()));
    return state;
}

bool LabelChanged(const QString &typed, const QString &current)
{
    return typed.compare(current, Qt::CaseInsensitive) != 0;
}

bool SetVolumeLabel(const QString &drive, const QString &label)
{
    return Drives().WriteLabel(drive, label);
}

bool DriveHasEntries(const QString &drive)
{
    if (!Drives().VolumeOf(drive).readable)
        return false;
    const QDir root(Drives().DriveOf(drive).mount.mountPoint);
    const QStringList entries =
        root.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    // mkfs makes lost+found on every ext file system: an empty disk has it.
    for (const QString &entry : entries) {
        if (entry != u"lost+found")
            return true;
    }
    return false;
}

bool GetDiskSpace(const QString &drive, quint64 &total, quint64 &used)
{
    const VolumeInfo volume = Drives().VolumeOf(drive);
    total = volume.totalBytes;
    used = volume.totalBytes - volume.freeBytes;
    return volume.readable;
}

bool DiskHasRoom(const QString &drive, qint64 size)
{
    const VolumeInfo volume = Drives().VolumeOf(drive);
    if (!volume.readable)
        return false;
    return size < 0 || quint64(size) < volume.freeBytes;
}

bool FolderExists(const QString &path)
{
    return path.startsWith(u'/') && QFileInfo(path).isDir();
}

qint64 CountSourceFiles(const QString &source, bool prevalidate)
{
    if (!prevalidate)
        return kUncountedEntries;
    if (!SourceReady(source))
        return 0;
    const int folder = open(QFile::encodeName(QDir::cleanPath(source)).constData(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return 0;
    EntryCounter counter(Drives().MountPointsBelow(source));
    counter.Walk(folder, QByteArray());
    return counter.Count();
}

bool ValidateCatalogSource(const QString &description, const QString &source, QString &label)
{
    const QString trimmed = source.trimmed();
    if (trimmed.isEmpty()) {
        UI().ShowError(QStringLiteral("Catalog Source Required"),
                       QStringLiteral("Please specify a valid Catalog Source before continuing"));
        return false;
    }
    if (!GetVolumeLabel(trimmed, label)) {
        if (!DeviceReady(description, trimmed, QString(), false, false))
            return false;
        // The disk that was inserted is the one to label the catalog with.
        GetVolumeLabel(trimmed, label);
    }
    if (!FolderExists(trimmed)) {
        UI().ShowError(QStringLiteral("Invalid Catalog Source"),
                       QStringLiteral("The device or folder specified for the Catalog Source "
                                      "could not be located.") +
                           kParagraphBreak + QStringLiteral("Please respecify before continuing."));
        return false;
    }
    return true;
}

bool ValidateCatalogDescription(TDataShare &data, const QString &description, qint64 folderId)
{
    if (data.Catalogs.FindChild(folderId, description) < 0)
        return true;
    UI().ShowError(QStringLiteral("Duplicate Description"),
                   QStringLiteral("The Catalog Description specified already exists within the "
                                  "Catalog Folder") +
                       kParagraphBreak +
                       QStringLiteral("Please specify another Description before continuining"));
    return false;
}

QString RelocatedMediaPath(const QString &path, const QString &source, const QString &foundSource)
{
    if (foundSource.isEmpty() || foundSource == source || !path.startsWith(source))
        return path;
    return foundSource + path.mid(source.size());
}

QString JoinMediaPath(const QString &source, const QStringList &names, bool trailingSeparator)
{
    const QChar separator = source.startsWith(u'/') ? u'/' : u'\\';
    QString path = source;
    for (const QString &name : names) {
        if (!path.endsWith(separator))
            path += separator;
        path += name;
    }
    if (trailingSeparator && !path.endsWith(separator))
        path += separator;
    return path;
}

bool LocateOnMedia(TDataShare &data, qint64 id, bool withPath, MediaLocation &out)
{
    TDBItemTree &tree = data.Catalogs;
    // The names from the holder down to the object, and how many of them
    // lead down to the outermost package: that one is a file on the medium.
    QStringList names;
    qsizetype namesBelowPackage = -1;
    qint64 holder = -1;
    int holderClass = 0;
    QString holderName;
    QString holderSource;
    QString holderLabel;
    qint64 holderVolume = 0;
    tree.WalkUp(
        id,
        [&](TableCursor &cursor, bool &stop) {
            const int cls = tree.ItemClass(&cursor);
            if (CatalogSchema::IsDiskCatalogClass(cls) || cls == kArchiveSetClass) {
                holder = tree.ItemID(&cursor);
                holderClass = cls;
                holderName = tree.ItemName(&cursor);
                holderSource = cursor.FieldValue(QStringLiteral("Source")).toString();
                holderLabel = cursor.FieldValue(QStringLiteral("SerialID")).toString();
                holderVolume = cursor.FieldValue(QStringLiteral("VolSize")).toLongLong();
                stop = true;
                return;
            }
            if (cls == kPackageClass)
                namesBelowPackage = names.size();
            names.prepend(tree.ItemName(&cursor));
        },
        true);
    if (holder < 0)
        return false;

    MediaLocation found;
    if (CatalogSchema::IsDiskCatalogClass(holderClass)) {
        found.name = holderName;
        found.source = holderSource;
        if (namesBelowPackage >= 0)
            found.packagePath =
                JoinMediaPath(holderSource, names.mid(0, names.size() - namesBelowPackage), false);
    } else {
        // An archive set is a ZIP file in its volume's archive folder.
        const QString setFile = holderName + QStringLiteral(".ZIP");
        names.prepend(setFile);
        TableCursor *volume = tree.LookupCursor();
        if (!volume->Locate(holderVolume))
            return false;
        found.name = tree.ItemName(volume);
        found.source = volume->FieldValue(QStringLiteral("Source")).toString();
        holderLabel = volume->FieldValue(QStringLiteral("SerialID")).toString();
        found.packagePath = JoinMediaPath(found.source, {setFile}, false);
    }
    found.label = holderLabel.isEmpty() ? kUnlabelled : holderLabel;
    found.mediumSource = found.source;
    if (withPath)
        found.source = JoinMediaPath(found.source, names, true);
    out = found;
    return true;
}

QString RelocateSource(const QString &source, const QString &label)
{
    const QString mountPoint = Drives().MountPointOfLabel(label);
    if (mountPoint.isEmpty() || !source.startsWith(u'/'))
        return {};
    if (Drives().DriveOf(source).mount.mountPoint == mountPoint)
        return QDir::cleanPath(source);

    // Which part of the source lay below the old mount point is not
    // stored. Media mount at a folder named after their label: the part
    // after the last such name. Otherwise the longest end of the source
    // that exists on the volume, down to its root.
    const QStringList names = PathNames(source);
    qsizetype below = -1;
    for (qsizetype i = names.size() - 1; i >= 0 && below < 0; --i) {
        if (names[i].compare(label, Qt::CaseInsensitive) == 0)
            below = i + 1;
    }
    if (below < 0) {
        below = names.size();
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (QFileInfo::exists(JoinMediaPath(mountPoint, names.mid(i), false))) {
                below = i;
                break;
            }
        }
    }
    return JoinMediaPath(mountPoint, names.mid(below), false);
}
