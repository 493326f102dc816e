#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

// What kind of device a path lies on. The numbers are those of the classic
// drive-type query, which stored data and the drive-class table rely on.
enum class DriveKind
{
    Unknown = 0,
    NoRootDirectory = 1, // empty or relative path, or no mount holds it
    Removable = 2,
    Fixed = 3,
    Network = 4,
    CdRom = 5,
    RamDisk = 6
};

// One line of /proc/self/mountinfo, with the octal escapes of its fields
// (\040 for a space, \011, \012, \134) decoded.
struct MountEntry
{
    QString mountPoint;
    QString root;           // the folder of the file system seen at the mount point
    QString fileSystemType; // "ext4", "nfs4", "fuse.sshfs", ...
    QString source;         // "/dev/sdb1", "server:/export", "//host/share", ...
    bool readOnly = false;  // mounted read-only, or the file system itself is
};

// The mounts of the system as the kernel lists them for this process.
class MountTable final
{
public:
    MountTable() = default;

    // Parses the text of a mountinfo file; malformed lines are skipped.
    static MountTable Parse(const QByteArray &mountInfo);
    // Reads and parses a mountinfo file; an unreadable file gives an empty table.
    static MountTable Read(const QString &mountInfoFile);

    // The mount that holds an absolute, clean path: the longest mount point
    // that is the path or one of its parent folders. When one point is
    // mounted over another, the later line (the one on top) wins. Null when
    // no mount holds the path.
    const MountEntry *MountFor(const QString &absolutePath) const;

    const std::vector<MountEntry> &Entries() const { return m_entries; }

private:
    std::vector<MountEntry> m_entries;
};

// The mount that holds a path, and the kind of device behind it.
struct DriveInfo
{
    DriveKind kind = DriveKind::NoRootDirectory;
    MountEntry mount; // empty when the kind is NoRootDirectory
};

// The medium in a drive: its label and size. Sizes are 64-bit.
struct VolumeInfo
{
    // The mount that holds the path is there and answers. False for a path
    // no mount holds and for a mount that cannot be queried (a mount point
    // that cannot be reached, a server that does not answer). A path whose
    // own mount went away lies on the mount of its parent folder.
    bool readable = false;
    // Empty when the medium has no label, when it cannot be read, and for
    // file systems that have none (network shares, RAM disks).
    QString label;
    quint64 totalBytes = 0;
    // The bytes an ordinary user may still write; never more than totalBytes.
    quint64 freeBytes = 0;
};

// What a file system allows for its volume label.
struct LabelRules
{
    // False for formats that are read-only by nature (ISO 9660, UDF,
    // squashfs, erofs).
    bool writable = true;
    // The longest label it keeps, in characters.
    int maxLength = 32;
};

// The label rules of a file system type as mountinfo names it ("vfat",
// "exfat", "ext4", "ntfs3", ...). A type this table does not know may be
// written (udisks2 decides) and gets the longest common length.
LabelRules LabelRulesOf(const QString &fileSystemType);

// The drives layer: everything the program asks about the device under a
// path goes through the installed instance (Drives()), so tests can stand in
// for devices this machine does not have. "The drive" of a path is the mount
// that holds it. No query raises; failures read as "not there".
class DriveSystem
{
public:
    DriveSystem() = default;
    virtual ~DriveSystem();
    Q_DISABLE_COPY_MOVE(DriveSystem)

    // The mount that holds the path and its kind. Paths that do not exist
    // yet are looked up through their nearest existing parent folder.
    virtual DriveInfo DriveOf(const QString &path) const = 0;

    // The medium mounted where the path lies.
    virtual VolumeInfo VolumeOf(const QString &path) const = 0;

    // Whether a new label could be written onto the medium under the path.
    virtual bool CanWriteLabel(const QString &path) const = 0;
    // Writes a label onto the medium under the path; false when it could not.
    virtual bool WriteLabel(const QString &path, const QString &label) = 0;

    // Where the mounted volume whose label equals the given one (letter case
    // ignored) is mounted: removable media often mount at a path made from
    // their label, so a stored path can move. Empty when no mounted volume
    // carries the label; an empty label finds nothing.
    virtual QString MountPointOfLabel(const QString &label) const = 0;

    // Whether the path lies in a folder that is meant to hold a medium (a
    // mount point listed in fstab, or a folder where the desktop mounts
    // removable media) while nothing is mounted there: the medium is out,
    // and what the path shows is the disk below, not the medium.
    virtual bool AwaitsMedium(const QString &path) const = 0;

    // The mount points below a folder, as paths relative to it ("sub",
    // "a/b"): a walk of the folder stops at each of them.
    virtual QStringList MountPointsBelow(const QString &folder) const = 0;

    DriveKind KindOf(const QString &path) const { return DriveOf(path).kind; }
};

// The drives of this machine, read from the kernel's mount list and from
// sysfs. Both places can be pointed elsewhere for tests.
class LinuxDriveSystem final : public DriveSystem
{
public:
    struct Sources
    {
        QString mountInfoFile = QStringLiteral("/proc/self/mountinfo");
        QString sysBlockFolder = QStringLiteral("/sys/block");
        // Links named after labels that point at their devices; machines
        // without udev have none, and labels are then read from the device.
        QString byLabelFolder = QStringLiteral("/dev/disk/by-label");
        // Set false to never open a device to read its label.
        bool probeDevices = true;
        // The bus on which udisks2 is asked to write labels; empty for the
        // system bus.
        QString systemBusAddress = {};
        // The static mount list, whose mount points wait for their media.
        QString fstabFile = QStringLiteral("/etc/fstab");
        // Folders in which the desktop mounts removable media, one folder
        // per medium; empty for /media/USER and /run/media/USER.
        QStringList mediaFolders = {};
    };

    LinuxDriveSystem();
    explicit LinuxDriveSystem(Sources sources);

    // The mount list is read again on every call: media come and go.
    DriveInfo DriveOf(const QString &path) const override;
    // Label from the by-label links, else from the device's superblock
    // (libblkid, needs read access to the device), else empty. Sizes from
    // statvfs of the mount point.
    VolumeInfo VolumeOf(const QString &path) const override;
    // Labels are written by udisks2 over the system bus; where the bus or
    // the service is missing, by the file system's own label tool on a block
    // device this user may write. A read-only mount or device, a read-only
    // format or a medium that is not a local block device takes no label.
    // Deciding writes nothing.
    bool CanWriteLabel(const QString &path) const override;
    bool WriteLabel(const QString &path, const QString &label) override;
    QString MountPointOfLabel(const QString &label) const override;
    bool AwaitsMedium(const QString &path) const override;
    QStringList MountPointsBelow(const QString &folder) const override;

    // The kind of device behind one mount.
    DriveKind KindOfMount(const MountEntry &mount) const;
    // The label of the file system a mount shows; empty when unknown.
    QString LabelOfMount(const MountEntry &mount) const;

    // The udisks2 object of a kernel block device name ("sdb1" ->
    // /org/freedesktop/UDisks2/block_devices/sdb1); characters other than
    // letters and digits are written as "_" and two hex digits.
    static QString UDisksBlockObjectPath(const QString &deviceName);
    // Decodes the "\xNN" escapes in the names of by-label links.
    static QString DecodeLabelLinkName(const QString &name);

private:
    bool IsRemovableDevice(const QString &device) const;
    QStringList MediumFolders() const;
    QString LabelFromLinks(const QString &device) const;

    Sources m_sources;
};

// The drive system that logic uses: the one installed last, else the
// machine's own.
DriveSystem &Drives();
// Installs a drive system; nullptr goes back to the machine's own. The
// caller keeps ownership.
void SetDriveSystem(DriveSystem *drives);
