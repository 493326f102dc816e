#pragma once

#include <QByteArray>
#include <QString>
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

// The drives layer: everything the program asks about the device under a
// path goes through the installed instance (Drives()), so tests can stand in
// for devices this machine does not have.
class DriveSystem
{
public:
    DriveSystem() = default;
    virtual ~DriveSystem();
    Q_DISABLE_COPY_MOVE(DriveSystem)

    // The mount that holds the path and its kind. Paths that do not exist
    // yet are looked up through their nearest existing parent folder.
    virtual DriveInfo DriveOf(const QString &path) const = 0;

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
    };

    LinuxDriveSystem();
    explicit LinuxDriveSystem(Sources sources);

    // The mount list is read again on every call: media come and go.
    DriveInfo DriveOf(const QString &path) const override;

    // The kind of device behind one mount.
    DriveKind KindOfMount(const MountEntry &mount) const;

private:
    bool IsRemovableDevice(const QString &device) const;

    Sources m_sources;
};

// The drive system that logic uses: the one installed last, else the
// machine's own.
DriveSystem &Drives();
// Installs a drive system; nullptr goes back to the machine's own. The
// caller keeps ownership.
void SetDriveSystem(DriveSystem *drives);
