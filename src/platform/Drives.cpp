#include "platform/Drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <array>

namespace {

DriveSystem *g_installed = nullptr;

// File systems whose data lie on another machine. FUSE mounts report
// "fuse.<subtype>" and are matched by their subtype.
bool IsNetworkFileSystem(const QString &type)
{
    static const std::array<QString, 21> kNetworkTypes = {
        QStringLiteral("nfs"),       QStringLiteral("nfs4"),      QStringLiteral("cifs"),
        QStringLiteral("smb3"),      QStringLiteral("smbfs"),     QStringLiteral("ncpfs"),
        QStringLiteral("sshfs"),     QStringLiteral("9p"),        QStringLiteral("ceph"),
        QStringLiteral("ceph-fuse"), QStringLiteral("glusterfs"), QStringLiteral("davfs"),
        QStringLiteral("davfs2"),    QStringLiteral("afs"),       QStringLiteral("lustre"),
        QStringLiteral("beegfs"),    QStringLiteral("rclone"),    QStringLiteral("s3fs"),
        QStringLiteral("gcsfuse"),   QStringLiteral("curlftpfs"), QStringLiteral("gvfsd-fuse")};
    static const QString kFusePrefix = QStringLiteral("fuse.");
    const QString base = type.startsWith(kFusePrefix) ? type.mid(kFusePrefix.size()) : type;
    return std::find(kNetworkTypes.begin(), kNetworkTypes.end(), base) != kNetworkTypes.end();
}

bool IsOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

// The kernel writes space, tab, newline and backslash in mountinfo fields as
// a backslash and three octal digits. File names are bytes: they are decoded
// the way the file system layer decodes names.
QString DecodeField(const QByteArray &field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctalDigit(field[i + 1]) &&
            IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            bytes.append(static_cast<char>(value));
            i += 3;
        } else {
            bytes.append(field[i]);
        }
    }
    return QFile::decodeName(bytes);
}

// The part of the path that exists, with its symbolic links resolved, and
// the rest appended: a folder that is still to be created lies on the mount
// of its nearest existing parent.
QString ResolveExistingPart(const QString &cleanPath)
{
    QString existing = cleanPath;
    QString rest;
    while (existing != u'/' && !QFileInfo::exists(existing)) {
        const qsizetype slash = existing.lastIndexOf(u'/');
        rest.prepend(existing.mid(slash));
        existing = slash == 0 ? QStringLiteral("/") : existing.left(slash);
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + rest);
}

// The kernel's name of the device a mount source names ("/dev/sdb1" ->
// "sdb1"), following links such as /dev/cdrom; empty for sources that are
// not device files.
QString DeviceName(const QString &source)
{
    if (!source.startsWith(QStringLiteral("/dev/")))
        return {};
    const QString canonical = QFileInfo(source).canonicalFilePath();
    return QFileInfo(canonical.isEmpty() ? source : canonical).fileName();
}

bool IsOpticalDeviceName(const QString &name)
{
    const auto digitsFrom = [&name](qsizetype start) {
        return name.size() > start &&
               std::all_of(name.begin() + start, name.end(), [](QChar c) { return c.isDigit(); });
    };
    return (name.startsWith(QStringLiteral("sr")) && digitsFrom(2)) ||
           (name.startsWith(QStringLiteral("scd")) && digitsFrom(3));
}

} // namespace

MountTable MountTable::Parse(const QByteArray &mountInfo)
{
    MountTable table;
    const QList<QByteArray> lines = mountInfo.split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        // id parent major:minor root mount-point options [optional...] - type source super-options
        constexpr qsizetype kFirstOptional = 6;
        qsizetype separator = -1;
        for (qsizetype i = kFirstOptional; i < fields.size(); ++i) {
            if (fields[i] == "-") {
                separator = i;
                break;
            }
        }
        if (separator < 0 || separator + 2 >= fields.size())
            continue;
        MountEntry entry;
        entry.root = DecodeField(fields[3]);
        entry.mountPoint = DecodeField(fields[4]);
        entry.fileSystemType = DecodeField(fields[separator + 1]);
        entry.source = DecodeField(fields[separator + 2]);
        if (!entry.mountPoint.startsWith(u'/'))
            continue;
        table.m_entries.push_back(std::move(entry));
    }
    return table;
}

MountTable MountTable::Read(const QString &mountInfoFile)
{
    QFile file(mountInfoFile);
    // Files under /proc report a size of 0: read until the end instead.
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Parse(file.readAll());
}

const MountEntry *MountTable::MountFor(const QString &absolutePath) const
{
    if (!absolutePath.startsWith(u'/'))
        return nullptr;
    const QString path = QDir::cleanPath(absolutePath);
    const MountEntry *best = nullptr;
    for (const MountEntry &entry : m_entries) {
        const QString &point = entry.mountPoint;
        const bool holds = point == u'/' || path == point ||
                           (path.startsWith(point) && path[point.size()] == u'/');
        if (holds && (!best || point.size() >= best->mountPoint.size()))
            best = &entry;
    }
    return best;
}

DriveSystem::~DriveSystem() = default;

LinuxDriveSystem::LinuxDriveSystem()
    : LinuxDriveSystem(Sources{})
{
}

LinuxDriveSystem::LinuxDriveSystem(Sources sources)
    : m_sources(std::move(sources))
{
}

DriveInfo LinuxDriveSystem::DriveOf(const QString &path) const
{
    if (!path.startsWith(u'/'))
        return {};
    const MountTable table = MountTable::Read(m_sources.mountInfoFile);
    const MountEntry *mount = table.MountFor(ResolveExistingPart(QDir::cleanPath(path)));
    if (!mount)
        return {};
    return {KindOfMount(*mount), *mount};
}

DriveKind LinuxDriveSystem::KindOfMount(const MountEntry &mount) const
{
    const QString &type = mount.fileSystemType;
    if (IsNetworkFileSystem(type))
        return DriveKind::Network;
    const QString device = DeviceName(mount.source);
    if (type == u"iso9660" || type == u"udf" || IsOpticalDeviceName(device))
        return DriveKind::CdRom;
    if (type == u"tmpfs" || type == u"ramfs")
        return DriveKind::RamDisk;
    if (!device.isEmpty() && IsRemovableDevice(device))
        return DriveKind::Removable;
    return DriveKind::Fixed;
}

// The removable flag belongs to the whole disk: a partition (sdb1) is found
// as a subfolder of its disk's folder (/sys/block/sdb/sdb1).
bool LinuxDriveSystem::IsRemovableDevice(const QString &device) const
{
    const QDir blocks(m_sources.sysBlockFolder);
    QString disk;
    if (QFileInfo(blocks.filePath(device)).isDir()) {
        disk = device;
    } else {
        const QStringList disks = blocks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &candidate : disks) {
            if (QFileInfo(blocks.filePath(candidate + u'/' + device)).isDir()) {
                disk = candidate;
                break;
            }
        }
    }
    if (disk.isEmpty())
        return false;
    QFile flag(blocks.filePath(disk + QStringLiteral("/removable")));
    return flag.open(QIODevice::ReadOnly) && flag.readAll().trimmed() == "1";
}

DriveSystem &Drives()
{
    static LinuxDriveSystem machine;
    return g_installed ? *g_installed : machine;
}

void SetDriveSystem(DriveSystem *drives)
{
    g_installed = drives;
}
