#include "platform/Drives.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QVariantMap>

#include <blkid.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <optional>

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

// "rw,relatime" and "ro,nosuid" alike: whether "ro" is one of the options.
bool HasReadOnlyOption(const QByteArray &options)
{
    const QList<QByteArray> list = options.split(',');
    return std::find(list.begin(), list.end(), QByteArray("ro")) != list.end();
}

// A device file by its real name, so that a link (/dev/disk/by-label/X,
// /dev/cdrom) and the name it points at compare equal. Names that do not
// exist on this machine are compared as written.
QString CanonicalDevice(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

bool IsDeviceSource(const QString &source)
{
    return source.startsWith(QStringLiteral("/dev/"));
}

// The label in the superblock of a block device. Opening the device needs
// read access to it (root, or the disk group); without it the label stays
// unknown.
QString ProbeLabel(const QString &device)
{
    const QByteArray name = QFile::encodeName(device);
    struct stat status
    {
    };
    if (stat(name.constData(), &status) != 0 || !S_ISBLK(status.st_mode))
        return {};
    blkid_probe probe = blkid_new_probe_from_filename(name.constData());
    if (!probe)
        return {};
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL);
    QString label;
    const char *value = nullptr;
    size_t length = 0;
    if (blkid_do_safeprobe(probe) == 0 &&
        blkid_probe_lookup_value(probe, "LABEL", &value, &length) == 0 && value)
        label = QString::fromUtf8(value);
    blkid_free_probe(probe);
    return label;
}

bool QueryFileSystem(const QString &mountPoint, struct statvfs &status)
{
    return statvfs(QFile::encodeName(mountPoint).constData(), &status) == 0;
}

const QString kUDisksService = QStringLiteral("org.freedesktop.UDisks2");
const QString kUDisksBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kUDisksFileSystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// A question to udisks2 answers at once; a label write may wait for the
// file system's own tool.
constexpr int kQueryTimeoutMs = 3000;
constexpr int kWriteTimeoutMs = 30000;

// The system bus (or the bus at an address), or nothing: containers and
// minimal systems run without one.
std::optional<QDBusConnection> ConnectBus(const QString &address)
{
    QDBusConnection bus =
        address.isEmpty()
            ? QDBusConnection::systemBus()
            : QDBusConnection::connectToBus(address, QStringLiteral("dirvanta-drives ") + address);
    if (!bus.isConnected())
        return std::nullopt;
    return bus;
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

// The udisks2 object of the block device behind a writable local mount;
// empty when the mount cannot carry a new label.
QString WritableBlockObject(const DriveInfo &drive)
{
    switch (drive.kind) {
    case DriveKind::Removable:
    case DriveKind::Fixed:
        break;
    default:
        return {};
    }
    const QString device = DeviceName(drive.mount.source);
    if (drive.mount.readOnly || device.isEmpty())
        return {};
    return LinuxDriveSystem::UDisksBlockObjectPath(device);
}

// The program that writes the label of a file system type, found in PATH
// or the system folders; empty when the type has none or it is not installed.
QString LabelTool(const QString &type)
{
    static const QHash<QString, QString> kTools = {
        {QStringLiteral("ext2"), QStringLiteral("e2label")},
        {QStringLiteral("ext3"), QStringLiteral("e2label")},
        {QStringLiteral("ext4"), QStringLiteral("e2label")},
        {QStringLiteral("vfat"), QStringLiteral("fatlabel")},
        {QStringLiteral("msdos"), QStringLiteral("fatlabel")},
        {QStringLiteral("exfat"), QStringLiteral("exfatlabel")},
        {QStringLiteral("ntfs"), QStringLiteral("ntfslabel")},
        {QStringLiteral("ntfs3"), QStringLiteral("ntfslabel")}};
    const QString tool = kTools.value(type);
    if (tool.isEmpty())
        return {};
    const QString inPath = QStandardPaths::findExecutable(tool);
    return inPath.isEmpty() ? QStandardPaths::findExecutable(
                                  tool, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                            : inPath;
}

// A block device this user may write: root, or a device the user owns or
// whose group the user is in.
bool MayWriteDevice(const QString &device)
{
    const QByteArray name = QFile::encodeName(device);
    struct stat status
    {
    };
    return stat(name.constData(), &status) == 0 && S_ISBLK(status.st_mode) &&
           access(name.constData(), W_OK) == 0;
}

// How udisks2 sees the block device of a mount.
enum class UDisksAnswer
{
    NotThere, // no bus, no service, or it does not know the device
    ReadOnly,
    Writable
};

UDisksAnswer AskUDisks(const QString &object, const QString &busAddress)
{
    const std::optional<QDBusConnection> bus = ConnectBus(busAddress);
    if (!bus)
        return UDisksAnswer::NotThere;
    // The object must carry a file system.
    QDBusMessage hasFileSystem = QDBusMessage::createMethodCall(kUDisksService, object, kProperties,
                                                                QStringLiteral("GetAll"));
    hasFileSystem << kUDisksFileSystem;
    if (bus->call(hasFileSystem, QDBus::Block, kQueryTimeoutMs).type() !=
        QDBusMessage::ReplyMessage)
        return UDisksAnswer::NotThere;
    QDBusMessage readOnly =
        QDBusMessage::createMethodCall(kUDisksService, object, kProperties, QStringLiteral("Get"));
    readOnly << kUDisksBlock << QStringLiteral("ReadOnly");
    const QDBusMessage reply = bus->call(readOnly, QDBus::Block, kQueryTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        reply.arguments().constFirst().value<QDBusVariant>().variant().toBool())
        return UDisksAnswer::ReadOnly;
    return UDisksAnswer::Writable;
}

// How a new label would reach the medium of a mount.
enum class LabelRoute
{
    None,
    UDisks,
    Tool
};

LabelRoute RouteOfLabel(const DriveInfo &drive, const QString &object, const QString &busAddress)
{
    if (object.isEmpty() || !LabelRulesOf(drive.mount.fileSystemType).writable)
        return LabelRoute::None;
    switch (AskUDisks(object, busAddress)) {
    case UDisksAnswer::Writable:
        return LabelRoute::UDisks;
    case UDisksAnswer::ReadOnly:
        return LabelRoute::None;
    case UDisksAnswer::NotThere:
        break;
    }
    return MayWriteDevice(drive.mount.source) && !LabelTool(drive.mount.fileSystemType).isEmpty()
               ? LabelRoute::Tool
               : LabelRoute::None;
}

// The mount points of the static mount list; swap and pseudo entries name
// no folder and are left out, and so is the root, which is always mounted.
QStringList FstabMountPoints(const QString &fstabFile)
{
    QFile file(fstabFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList points;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2 || fields[0].startsWith('#'))
            continue;
        const QString point = QDir::cleanPath(DecodeField(fields[1]));
        if (point.startsWith(u'/') && point != u'/')
            points.append(point);
    }
    return points;
}

// path is the folder or lies below it.
bool LiesIn(const QString &path, const QString &folder)
{
    return path == folder || (path.startsWith(folder) && path.size() > folder.size() &&
                              (folder.endsWith(u'/') || path[folder.size()] == u'/'));
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
        entry.readOnly = HasReadOnlyOption(fields[5]) || (separator + 3 < fields.size() &&
                                                          HasReadOnlyOption(fields[separator + 3]));
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

LabelRules LabelRulesOf(const QString &fileSystemType)
{
    static const QHash<QString, LabelRules> kRules = {
        {QStringLiteral("vfat"), {true, 11}},      {QStringLiteral("msdos"), {true, 11}},
        {QStringLiteral("exfat"), {true, 15}},     {QStringLiteral("ext2"), {true, 16}},
        {QStringLiteral("ext3"), {true, 16}},      {QStringLiteral("ext4"), {true, 16}},
        {QStringLiteral("ntfs"), {true, 32}},      {QStringLiteral("ntfs3"), {true, 32}},
        {QStringLiteral("xfs"), {true, 12}},       {QStringLiteral("btrfs"), {true, 255}},
        {QStringLiteral("iso9660"), {false, 32}},  {QStringLiteral("udf"), {false, 126}},
        {QStringLiteral("squashfs"), {false, 32}}, {QStringLiteral("erofs"), {false, 32}}};
    return kRules.value(fileSystemType, LabelRules{});
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

VolumeInfo LinuxDriveSystem::VolumeOf(const QString &path) const
{
    const DriveInfo drive = DriveOf(path);
    struct statvfs status
    {
    };
    if (drive.kind == DriveKind::NoRootDirectory ||
        !QueryFileSystem(drive.mount.mountPoint, status))
        return {};
    VolumeInfo volume;
    volume.readable = true;
    const quint64 unit = status.f_frsize ? status.f_frsize : status.f_bsize;
    volume.totalBytes = quint64(status.f_blocks) * unit;
    volume.freeBytes = std::min<quint64>(quint64(status.f_bavail) * unit, volume.totalBytes);
    volume.label = LabelOfMount(drive.mount);
    return volume;
}

QString LinuxDriveSystem::LabelOfMount(const MountEntry &mount) const
{
    if (!IsDeviceSource(mount.source))
        return {};
    const QString fromLinks = LabelFromLinks(CanonicalDevice(mount.source));
    if (!fromLinks.isEmpty() || !m_sources.probeDevices)
        return fromLinks;
    return ProbeLabel(mount.source);
}

// udev names each link after the label, with bytes that are unsafe in a
// file name written as \xNN, and points it at the device.
QString LinuxDriveSystem::LabelFromLinks(const QString &device) const
{
    const QDir links(m_sources.byLabelFolder);
    const QStringList names =
        links.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QFileInfo link(links.filePath(name));
        if (link.isSymLink() && CanonicalDevice(link.symLinkTarget()) == device)
            return DecodeLabelLinkName(name);
    }
    return {};
}

QString LinuxDriveSystem::DecodeLabelLinkName(const QString &name)
{
    const QByteArray encoded = QFile::encodeName(name);
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        bool ok = false;
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
            const int value = encoded.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                bytes.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        bytes.append(encoded[i]);
    }
    return QString::fromUtf8(bytes);
}

QString LinuxDriveSystem::MountPointOfLabel(const QString &label) const
{
    if (label.isEmpty())
        return {};
    const MountTable table = MountTable::Read(m_sources.mountInfoFile);
    for (const MountEntry &entry : table.Entries()) {
        // A mount of a sub-folder shows only part of the volume, and a mount
        // point with another mount on top shows the other one.
        if (entry.root != u'/' || table.MountFor(entry.mountPoint) != &entry)
            continue;
        if (LabelOfMount(entry).compare(label, Qt::CaseInsensitive) != 0)
            continue;
        struct statvfs status
        {
        };
        if (QueryFileSystem(entry.mountPoint, status))
            return entry.mountPoint;
    }
    return {};
}

QString LinuxDriveSystem::UDisksBlockObjectPath(const QString &deviceName)
{
    QString path = QStringLiteral("/org/freedesktop/UDisks2/block_devices/");
    for (const char c : deviceName.toUtf8()) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain)
            path.append(QLatin1Char(c));
        else
            path.append(QStringLiteral("_%1").arg(uint(uchar(c)), 2, 16, QLatin1Char('0')));
    }
    return path;
}

bool LinuxDriveSystem::CanWriteLabel(const QString &path) const
{
    const DriveInfo drive = DriveOf(path);
    return RouteOfLabel(drive, WritableBlockObject(drive), m_sources.systemBusAddress) !=
           LabelRoute::None;
}

bool LinuxDriveSystem::WriteLabel(const QString &path, const QString &label)
{
    const DriveInfo drive = DriveOf(path);
    const QString object = WritableBlockObject(drive);
    switch (RouteOfLabel(drive, object, m_sources.systemBusAddress)) {
    case LabelRoute::None:
        return false;
    case LabelRoute::UDisks: {
        const std::optional<QDBusConnection> bus = ConnectBus(m_sources.systemBusAddress);
        QDBusMessage call = QDBusMessage::createMethodCall(
            kUDisksService, object, kUDisksFileSystem, QStringLiteral("SetLabel"));
        call << label << QVariantMap();
        return bus &&
               bus->call(call, QDBus::Block, kWriteTimeoutMs).type() == QDBusMessage::ReplyMessage;
    }
    case LabelRoute::Tool:
        break;
    }
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(LabelTool(drive.mount.fileSystemType), {drive.mount.source, label});
    return tool.waitForFinished(kWriteTimeoutMs) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

QStringList LinuxDriveSystem::MediumFolders() const
{
    if (!m_sources.mediaFolders.isEmpty())
        return m_sources.mediaFolders;
    const passwd *user = getpwuid(geteuid());
    if (!user || !user->pw_name)
        return {};
    const QString name = QFile::decodeName(user->pw_name);
    return {QStringLiteral("/media/") + name, QStringLiteral("/run/media/") + name};
}

bool LinuxDriveSystem::AwaitsMedium(const QString &path) const
{
    if (!path.startsWith(u'/'))
        return false;
    const QString resolved = ResolveExistingPart(QDir::cleanPath(path));
    const MountTable table = MountTable::Read(m_sources.mountInfoFile);
    const MountEntry *mount = table.MountFor(resolved);
    const qsizetype mounted = mount ? mount->mountPoint.size() : 0;
    // The folders meant for media that hold the path: fstab's mount points,
    // and the first folder below each desktop media folder.
    QStringList meant = FstabMountPoints(m_sources.fstabFile);
    for (const QString &media : MediumFolders()) {
        const QString folder = QDir::cleanPath(media);
        if (resolved.startsWith(folder + u'/'))
            meant.append(folder + u'/' + resolved.mid(folder.size() + 1).section(u'/', 0, 0));
    }
    // A mount on the meant folder or below it is the medium; one above it
    // is the disk the folder was made on.
    return std::any_of(meant.begin(), meant.end(), [&](const QString &folder) {
        return LiesIn(resolved, folder) && folder.size() > mounted;
    });
}

QStringList LinuxDriveSystem::MountPointsBelow(const QString &folder) const
{
    if (!folder.startsWith(u'/'))
        return {};
    const QString resolved = ResolveExistingPart(QDir::cleanPath(folder));
    const QString prefix = resolved.endsWith(u'/') ? resolved : resolved + u'/';
    const MountTable table = MountTable::Read(m_sources.mountInfoFile);
    QStringList below;
    for (const MountEntry &entry : table.Entries()) {
        if (entry.mountPoint.startsWith(prefix) && entry.mountPoint.size() > prefix.size())
            below.append(entry.mountPoint.mid(prefix.size()));
    }
    below.removeDuplicates();
    return below;
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
