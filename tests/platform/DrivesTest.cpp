#include "platform/Drives.h"

#include "support/LoopMount.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The mount points live under a folder no machine has, so that resolving
// links on the real disk cannot move them.
const QByteArray kMountInfo =
    "22 1 254:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "23 22 254:3 / /nowhere/home rw,relatime shared:2 master:7 - ext4 /dev/sda3 rw\n"
    "24 22 8:17 / /nowhere/media/user/My\\040Disk rw,nosuid - vfat /dev/sdb1 rw,fmask=0022\n"
    "25 22 8:32 / /nowhere/stick rw - exfat /dev/sdc rw\n"
    "26 22 11:0 / /nowhere/cd ro - iso9660 /dev/sr0 ro\n"
    "27 22 8:48 / /nowhere/dvd ro - udf /dev/sdd ro\n"
    "28 22 11:1 / /nowhere/optical ro - vfat /dev/sr1 ro\n"
    "29 22 0:50 / /nowhere/nas rw - nfs4 server:/export rw,vers=4.2\n"
    "30 22 0:51 / /nowhere/share rw - cifs //host/share rw\n"
    "31 22 0:52 / /nowhere/ssh rw - fuse.sshfs user@host:/home rw\n"
    "32 22 0:53 / /nowhere/wsl rw - 9p drvfs rw\n"
    "33 22 0:54 / /nowhere/smb rw - smb3 //nas/data rw\n"
    "34 22 0:55 / /nowhere/run rw,nosuid - tmpfs tmpfs rw,size=1024k\n"
    "35 22 0:56 / /nowhere/ram rw - ramfs none rw\n"
    "36 22 0:57 / /nowhere/overlay rw - overlay overlay rw,lowerdir=/a\n"
    "37 22 0:58 / /nowhere/odd\\011tab\\134slash rw - ext4 /dev/sda3 rw\n"
    "38 22 0:59 / /nowhere/shm rw - tmpfs tmpfs rw\n"
    "39 38 0:60 / /nowhere/shm rw - ext4 /dev/sda3 rw\n"
    "this line is not a mount\n"
    "40 22 0:61 / /nowhere/broken rw no-separator-here\n";

TEST(MountTableTest, ParsesFieldsAndDecodesEscapes)
{
    const MountTable table = MountTable::Parse(kMountInfo);
    ASSERT_EQ(table.Entries().size(), 18u) << "the two malformed lines are skipped";

    const MountEntry &removable = table.Entries()[2];
    EXPECT_EQ(removable.mountPoint, QStringLiteral("/nowhere/media/user/My Disk"));
    EXPECT_EQ(removable.fileSystemType, QStringLiteral("vfat"));
    EXPECT_EQ(removable.source, QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(removable.root, QStringLiteral("/"));

    EXPECT_EQ(table.Entries()[1].fileSystemType, QStringLiteral("ext4"))
        << "optional fields before the separator are skipped";
    EXPECT_EQ(table.Entries()[15].mountPoint, QStringLiteral("/nowhere/odd\ttab\\slash"));
}

TEST(MountTableTest, NotesReadOnlyMountsAndFileSystems)
{
    const MountTable table = MountTable::Parse(
        "1 0 8:1 / /nowhere/a ro,relatime - ext4 /dev/sda1 rw\n"      // the mount is read-only
        "2 0 8:2 / /nowhere/b rw,relatime - ext4 /dev/sda2 ro,data\n" // the file system is
        "3 0 8:3 / /nowhere/c rw,rootcontext - ext4 /dev/sda3 rw\n"   // "ro" only as a prefix
        "4 0 8:4 / /nowhere/d rw - ext4 /dev/sda4\n");                // no super options
    ASSERT_EQ(table.Entries().size(), 4u);
    const bool expected[] = {true, true, false, false};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(table.Entries()[i].readOnly, expected[i])
            << table.Entries()[i].mountPoint.toStdString();
}

TEST(MountTableTest, DecodesNamesAsUtf8Bytes)
{
    const MountTable table =
        MountTable::Parse("1 0 8:1 / /nowhere/Gr\xc3\xbc\\303\\237e rw - ext4 /dev/sda1 rw\n");
    ASSERT_EQ(table.Entries().size(), 1u);
    EXPECT_EQ(table.Entries()[0].mountPoint, QStringLiteral("/nowhere/Gr\u00fc\u00dfe"))
        << "raw bytes and escaped bytes form one UTF-8 name";
}

TEST(MountTableTest, FindsTheLongestMountPointOnFolderBoundaries)
{
    const MountTable table = MountTable::Parse(kMountInfo);
    const auto mountOf = [&table](const char *path) {
        const MountEntry *entry = table.MountFor(QString::fromUtf8(path));
        return entry ? entry->mountPoint : QStringLiteral("<none>");
    };
    EXPECT_EQ(mountOf("/nowhere/home"), QStringLiteral("/nowhere/home"));
    EXPECT_EQ(mountOf("/nowhere/home/user/db"), QStringLiteral("/nowhere/home"));
    EXPECT_EQ(mountOf("/nowhere/homework"), QStringLiteral("/")) << "a name that only starts alike";
    EXPECT_EQ(mountOf("/nowhere/media/user/My Disk/db"),
              QStringLiteral("/nowhere/media/user/My Disk"));
    EXPECT_EQ(mountOf("/nowhere/cd/../nas//x/"), QStringLiteral("/nowhere/nas")) << "cleaned first";
    EXPECT_EQ(mountOf("/etc"), QStringLiteral("/"));
    EXPECT_EQ(mountOf("relative/path"), QStringLiteral("<none>"));
    EXPECT_EQ(mountOf(""), QStringLiteral("<none>"));

    const MountEntry *shm = table.MountFor(QStringLiteral("/nowhere/shm/x"));
    ASSERT_NE(shm, nullptr);
    EXPECT_EQ(shm->fileSystemType, QStringLiteral("ext4")) << "the mount on top wins";

    EXPECT_EQ(MountTable::Parse("1 0 8:1 / /nowhere rw - ext4 /dev/sda1 rw\n")
                  .MountFor(QStringLiteral("/etc")),
              nullptr);
}

// A machine described by files: the mount list above and a sysfs in which
// sdb (partition sdb1) and sdc are removable and sda is not.
class LinuxDriveSystemTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        WriteFile(QStringLiteral("mountinfo"), kMountInfo);
        WriteFile(QStringLiteral("block/sda/removable"), "0\n");
        QDir(m_folder.path()).mkpath(QStringLiteral("block/sda/sda2"));
        QDir(m_folder.path()).mkpath(QStringLiteral("block/sda/sda3"));
        WriteFile(QStringLiteral("block/sdb/removable"), "1\n");
        QDir(m_folder.path()).mkpath(QStringLiteral("block/sdb/sdb1"));
        WriteFile(QStringLiteral("block/sdc/removable"), "1\n");
        WriteFile(QStringLiteral("block/sdd/removable"), "1\n");
    }

    void WriteFile(const QString &relative, const QByteArray &contents)
    {
        const QString path = m_folder.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    LinuxDriveSystem Machine() const
    {
        return LinuxDriveSystem({m_folder.filePath(QStringLiteral("mountinfo")),
                                 m_folder.filePath(QStringLiteral("block"))});
    }

    QTemporaryDir m_folder;
};

TEST_F(LinuxDriveSystemTest, TellsTheKindOfEveryMount)
{
    struct Row
    {
        const char *path;
        DriveKind kind;
    };
    const Row rows[] = {
        {"/nowhere/home/user/Catalogs", DriveKind::Fixed},
        {"/nowhere/overlay/x", DriveKind::Fixed},
        {"/nowhere/odd\ttab\\slash", DriveKind::Fixed},
        {"/", DriveKind::Fixed},
        {"/nowhere/media/user/My Disk/db", DriveKind::Removable}, // partition of a removable disk
        {"/nowhere/stick", DriveKind::Removable}, // removable disk without partitions
        {"/nowhere/cd/docs", DriveKind::CdRom},
        {"/nowhere/dvd", DriveKind::CdRom}, // udf wins over the removable flag
        {"/nowhere/optical", DriveKind::CdRom},
        {"/nowhere/nas/db", DriveKind::Network},
        {"/nowhere/share", DriveKind::Network},
        {"/nowhere/ssh/x", DriveKind::Network},
        {"/nowhere/wsl", DriveKind::Network},
        {"/nowhere/smb", DriveKind::Network},
        {"/nowhere/run/user", DriveKind::RamDisk},
        {"/nowhere/ram", DriveKind::RamDisk},
        {"", DriveKind::NoRootDirectory},
        {"relative/db", DriveKind::NoRootDirectory},
        {"nowhere/home", DriveKind::NoRootDirectory},
    };
    const LinuxDriveSystem machine = Machine();
    for (const Row &row : rows) {
        const DriveInfo drive = machine.DriveOf(QString::fromUtf8(row.path));
        EXPECT_EQ(int(drive.kind), int(row.kind))
            << "path \"" << row.path << "\" on \"" << drive.mount.mountPoint.toStdString() << '"';
    }
}

TEST_F(LinuxDriveSystemTest, WithoutAMountAPathHasNoRoot)
{
    WriteFile(QStringLiteral("mountinfo"), "1 0 8:1 / /nowhere rw - ext4 /dev/sda1 rw\n");
    const DriveInfo drive = Machine().DriveOf(QStringLiteral("/etc"));
    EXPECT_EQ(drive.kind, DriveKind::NoRootDirectory);
    EXPECT_TRUE(drive.mount.mountPoint.isEmpty());

    WriteFile(QStringLiteral("mountinfo"), "");
    EXPECT_EQ(Machine().KindOf(QStringLiteral("/nowhere")), DriveKind::NoRootDirectory);
}

// A folder meant for a medium, with nothing mounted on it, is not the disk
// it was made on; mount points below a folder come from the mount list.
TEST_F(LinuxDriveSystemTest, EmptyMountPointsAndMountsBelowAFolder)
{
    WriteFile(QStringLiteral("mountinfo"),
              "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
              "2 1 8:17 / /nowhere/media/user/STICK rw - vfat /dev/sdb1 rw\n"
              "3 1 8:33 / /nowhere/mnt/backup/inner rw - ext4 /dev/sdc1 rw\n");
    WriteFile(QStringLiteral("fstab"), "# static mounts\n"
                                       "/dev/sda1 / ext4 defaults 0 1\n"
                                       "UUID=1234 none swap sw 0 0\n"
                                       "/dev/sr0 /nowhere/mnt/cd\\040rom iso9660 ro,noauto 0 0\n"
                                       "  /dev/sdd1\t/nowhere/mnt/backup ext4 noauto 0 2\n");
    LinuxDriveSystem::Sources sources;
    sources.mountInfoFile = m_folder.filePath(QStringLiteral("mountinfo"));
    sources.sysBlockFolder = m_folder.filePath(QStringLiteral("block"));
    sources.fstabFile = m_folder.filePath(QStringLiteral("fstab"));
    sources.mediaFolders = {QStringLiteral("/nowhere/media/user")};
    const LinuxDriveSystem machine(sources);
    const std::vector<std::pair<const char *, bool>> rows = {
        {"/nowhere/mnt/cd rom", true},
        {"/nowhere/mnt/cd rom/photos", true},
        {"/nowhere/mnt/backup", true},
        {"/nowhere/mnt/backup/inner/x", false}, // a medium is mounted below
        {"/nowhere/media/user/OLDSTICK", true},
        {"/nowhere/media/user/STICK/x", false},
        {"/nowhere/media/user", false},
        {"/nowhere/mnt", false},
        {"/", false},
    };
    for (const auto &[path, awaits] : rows)
        EXPECT_EQ(machine.AwaitsMedium(QString::fromLatin1(path)), awaits) << path;

    EXPECT_EQ(machine.MountPointsBelow(QStringLiteral("/nowhere/mnt")),
              QStringList{QStringLiteral("backup/inner")});
    EXPECT_EQ(
        machine.MountPointsBelow(QStringLiteral("/nowhere/")),
        (QStringList{QStringLiteral("media/user/STICK"), QStringLiteral("mnt/backup/inner")}));
    EXPECT_TRUE(machine.MountPointsBelow(QStringLiteral("/nowhere/mnt/backup/inner")).isEmpty());
}

TEST(LabelLinkNames, DecodeTheEscapesOfUdev)
{
    const struct
    {
        const char *link;
        QString label;
    } rows[] = {
        {"MY\\x20DISK", QStringLiteral("MY DISK")},
        {"caf\\xc3\\xa9", QStringLiteral("caf\u00e9")},
        {"A\\x2fB", QStringLiteral("A/B")},
        {"plain-label_1", QStringLiteral("plain-label_1")},
        {"cut\\x2", QStringLiteral("cut\\x2")},     // too short: kept as written
        {"odd\\xzz1", QStringLiteral("odd\\xzz1")}, // not hex: kept as written
    };
    for (const auto &row : rows) {
        EXPECT_EQ(LinuxDriveSystem::DecodeLabelLinkName(QString::fromUtf8(row.link)), row.label)
            << row.link;
    }
}

TEST(UDisksObjects, AreNamedAfterTheKernelDevice)
{
    const QString base = QStringLiteral("/org/freedesktop/UDisks2/block_devices/");
    EXPECT_EQ(LinuxDriveSystem::UDisksBlockObjectPath(QStringLiteral("sdb1")), base + u"sdb1"_s);
    EXPECT_EQ(LinuxDriveSystem::UDisksBlockObjectPath(QStringLiteral("nvme0n1p2")),
              base + u"nvme0n1p2"_s);
    EXPECT_EQ(LinuxDriveSystem::UDisksBlockObjectPath(QStringLiteral("dm-0")), base + u"dm_2d0"_s);
    EXPECT_EQ(LinuxDriveSystem::UDisksBlockObjectPath(QStringLiteral("a.b")), base + u"a_2eb"_s);
}

// A machine whose mounts lie on real folders, so that they answer statvfs:
// a removable stick and a fixed disk found through by-label links, a disk
// without a link, a network share, a read-only disk, a covered mount and a
// mount of a sub-folder. Device files that no machine has stand for the
// devices, so no label is ever written anywhere real.
class LabelledMachineTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_root = QFileInfo(m_folder.path()).canonicalFilePath();
        QDir(m_root).mkpath(QStringLiteral("links"));
        for (const char *point : {"stick", "fixed", "plain", "share", "ro", "covered", "sub"})
            QDir(m_root).mkpath(QStringLiteral("mnt/") + QLatin1String(point));
        Link("STICK\\x201", "/dev/dirvanta-none-sdx1");
        Link("Data", "/dev/dirvanta-none-sdy1");
        Link("Lower", "/dev/dirvanta-none-sdz1");
        Link("Upper", "/dev/dirvanta-none-sdz2");
        Link("Sub", "/dev/dirvanta-none-sdz3");
        Link("Shared", "/dev/dirvanta-none-sdz4");
        const QString info =
            QStringLiteral(
                "1 0 8:1 / / rw - ext4 /dev/dirvanta-none-sda1 rw\n"
                "2 1 8:2 / M/stick rw - vfat /dev/dirvanta-none-sdx1 rw\n"
                "3 1 8:3 / M/fixed rw - ext4 /dev/dirvanta-none-sdy1 rw\n"
                "4 1 8:4 / M/plain rw - ext4 /dev/dirvanta-none-sdw1 rw\n"
                "5 1 0:5 / M/share rw - cifs //dirvanta-none/share rw\n"
                "6 1 8:6 / M/ro ro - ext4 /dev/dirvanta-none-sdy1 ro\n"
                "7 1 8:7 / M/covered rw - ext4 /dev/dirvanta-none-sdz1 rw\n"
                "8 7 8:8 / M/covered rw - ext4 /dev/dirvanta-none-sdz2 rw\n"
                "9 1 8:9 /inner M/sub rw - ext4 /dev/dirvanta-none-sdz3 rw\n"
                "10 1 8:10 / /nowhere-dirvanta/gone rw - ext4 /dev/dirvanta-none-sdv1 rw\n")
                .replace(QStringLiteral(" M/"), u' ' + m_root + QStringLiteral("/mnt/"));
        QFile file(m_root + QStringLiteral("/mountinfo"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(info.toUtf8());
    }

    void Link(const char *name, const char *target)
    {
        ASSERT_TRUE(QFile::link(QString::fromUtf8(target),
                                m_root + QStringLiteral("/links/") + QString::fromUtf8(name)));
    }

    QString Mount(const char *point) const { return m_root + u"/mnt/"_s + QLatin1String(point); }

    LinuxDriveSystem Machine() const
    {
        LinuxDriveSystem::Sources sources;
        sources.mountInfoFile = m_root + QStringLiteral("/mountinfo");
        sources.sysBlockFolder = m_root + QStringLiteral("/no-sys-block");
        sources.byLabelFolder = m_root + QStringLiteral("/links");
        sources.probeDevices = false;
        return LinuxDriveSystem(sources);
    }

    QTemporaryDir m_folder;
    QString m_root;
};

TEST_F(LabelledMachineTest, ReadsTheLabelAndSizeOfTheMountUnderAPath)
{
    const struct
    {
        const char *point;
        const char *below;
        QString label;
    } rows[] = {
        {"stick", "/photos/2020", QStringLiteral("STICK 1")}, // a folder still to be made
        {"fixed", "", QStringLiteral("Data")},
        {"plain", "/x", QString()}, // no link names the device
        {"share", "", QString()},   // network shares have no label
        {"ro", "", QStringLiteral("Data")},
        {"covered", "", QStringLiteral("Upper")}, // the mount on top
    };
    const LinuxDriveSystem machine = Machine();
    for (const auto &row : rows) {
        const VolumeInfo volume = machine.VolumeOf(Mount(row.point) + QLatin1String(row.below));
        EXPECT_TRUE(volume.readable) << row.point;
        EXPECT_EQ(volume.label, row.label) << row.point;
        EXPECT_GT(volume.totalBytes, 0u) << row.point;
        EXPECT_LE(volume.freeBytes, volume.totalBytes) << row.point;
    }
}

TEST_F(LabelledMachineTest, APathNoMountHoldsIsNotReadable)
{
    const LinuxDriveSystem machine = Machine();
    for (const char *path : {"", "relative/x", "A:\\"}) {
        const VolumeInfo volume = machine.VolumeOf(QString::fromUtf8(path));
        EXPECT_FALSE(volume.readable) << path;
        EXPECT_TRUE(volume.label.isEmpty()) << path;
        EXPECT_EQ(volume.totalBytes, 0u) << path;
    }
    // A mount that does not answer: its point cannot be reached.
    EXPECT_FALSE(machine.VolumeOf(QStringLiteral("/nowhere-dirvanta/gone/x")).readable);
    EXPECT_EQ(machine.DriveOf(QStringLiteral("/nowhere-dirvanta/gone/x")).mount.mountPoint,
              QStringLiteral("/nowhere-dirvanta/gone"));
}

TEST_F(LabelledMachineTest, FindsTheMountOfALabelWhereverItIs)
{
    const LinuxDriveSystem machine = Machine();
    EXPECT_EQ(machine.MountPointOfLabel(QStringLiteral("stick 1")), Mount("stick"))
        << "letter case ignored";
    EXPECT_EQ(machine.MountPointOfLabel(QStringLiteral("DATA")), Mount("fixed"))
        << "the first mount of a device mounted twice";
    EXPECT_EQ(machine.MountPointOfLabel(QStringLiteral("Upper")), Mount("covered"));
    EXPECT_EQ(machine.MountPointOfLabel(QStringLiteral("Lower")), QString())
        << "a mount covered by another shows nothing";
    EXPECT_EQ(machine.MountPointOfLabel(QStringLiteral("Sub")), QString())
        << "a mount of a sub-folder is not the volume";
    EXPECT_EQ(machine.MountPointOfLabel(QStringLiteral("Shared")), QString())
        << "a link to a device nothing mounts";
    EXPECT_EQ(machine.MountPointOfLabel(QString()), QString());
}

TEST_F(LabelledMachineTest, LabelsCannotBeWrittenWithoutAWritableLocalDevice)
{
    LinuxDriveSystem machine = Machine();
    // The share, the read-only mount and a path without a mount are refused
    // before any service is asked; the devices of the others exist nowhere,
    // so udisks2, where it runs, refuses them too.
    for (const char *point : {"share", "ro", "stick", "fixed"}) {
        EXPECT_FALSE(machine.CanWriteLabel(Mount(point))) << point;
        EXPECT_FALSE(machine.WriteLabel(Mount(point), QStringLiteral("NEW"))) << point;
    }
    EXPECT_FALSE(machine.WriteLabel(QStringLiteral("relative"), QStringLiteral("NEW")));
    EXPECT_EQ(machine.VolumeOf(Mount("stick")).label, QStringLiteral("STICK 1"));
}

// Without udisks2 the file system's own tool writes the label, exactly as
// given; a read-only mount takes none, and asking never writes.
TEST(RealDrivesTest, ReadsAndWritesTheLabelOfALoopMountedImage)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "loop-mounting an image needs root";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString root = QFileInfo(folder.path()).canonicalFilePath();
    const QString image = root + QStringLiteral("/volume.img");
    const QString mountPoint = root + QStringLiteral("/Dv Label");
    ASSERT_TRUE(QDir(root).mkpath(mountPoint));
    QString output;
    if (!MakeExt4Image(image, QStringLiteral("Dv Label"), output))
        GTEST_SKIP() << "cannot make an ext4 image: " << output.toStdString();
    LoopMount mount;
    if (!mount.Mount(image, mountPoint, output))
        GTEST_SKIP() << "this machine does not loop-mount: " << output.toStdString();

    LinuxDriveSystem machine;
    const DriveInfo drive = machine.DriveOf(mountPoint + QStringLiteral("/new/folder"));
    EXPECT_EQ(drive.mount.mountPoint, mountPoint);
    EXPECT_EQ(drive.mount.fileSystemType, QStringLiteral("ext4"));
    const VolumeInfo volume = machine.VolumeOf(mountPoint);
    EXPECT_TRUE(volume.readable);
    EXPECT_EQ(volume.label, QStringLiteral("Dv Label"))
        << "read from " << drive.mount.source.toStdString();
    EXPECT_GT(volume.totalBytes, 4u * 1024 * 1024);
    EXPECT_LT(volume.totalBytes, 8u * 1024 * 1024 + 1);
    EXPECT_GT(volume.freeBytes, 0u);
    EXPECT_EQ(machine.MountPointOfLabel(QStringLiteral("DV LABEL")), mountPoint);

    EXPECT_TRUE(machine.CanWriteLabel(mountPoint));
    EXPECT_TRUE(machine.WriteLabel(mountPoint, QStringLiteral("Holiday 20")));
    EXPECT_EQ(machine.VolumeOf(mountPoint).label, QStringLiteral("Holiday 20"));
    ASSERT_TRUE(RunTool(QStringLiteral("mount"),
                        {QStringLiteral("-o"), QStringLiteral("remount,ro"), mountPoint}, output))
        << output.toStdString();
    EXPECT_FALSE(machine.CanWriteLabel(mountPoint));
    EXPECT_FALSE(machine.WriteLabel(mountPoint, QStringLiteral("Other")));
    EXPECT_EQ(machine.VolumeOf(mountPoint).label, QStringLiteral("Holiday 20"));
}

// The real machine: the temporary folder lies on a local disk. On a machine
// whose /tmp is a tmpfs (a RAM disk) the expectation says so.
TEST(RealDrivesTest, TheTemporaryFolderIsOnALocalDisk)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const DriveInfo drive = Drives().DriveOf(folder.path());
    ASSERT_FALSE(drive.mount.mountPoint.isEmpty());
    const bool ramDisk = drive.mount.fileSystemType == u"tmpfs";
    EXPECT_EQ(drive.kind, ramDisk ? DriveKind::RamDisk : DriveKind::Fixed)
        << "temporary folder on " << drive.mount.mountPoint.toStdString() << " ("
        << drive.mount.fileSystemType.toStdString() << ")"
        << (ramDisk ? ": this machine keeps /tmp in memory" : "");

    const DriveInfo missing = Drives().DriveOf(folder.filePath(QStringLiteral("not/yet/made")));
    EXPECT_EQ(missing.mount.mountPoint, drive.mount.mountPoint)
        << "a folder still to be created lies on its parent's mount";
    EXPECT_EQ(missing.kind, drive.kind);
}

TEST(RealDrivesTest, ResolvesLinksToTheMountTheyPointInto)
{
    const DriveInfo shm = Drives().DriveOf(QStringLiteral("/dev/shm"));
    if (shm.mount.mountPoint != u"/dev/shm" || shm.mount.fileSystemType != u"tmpfs")
        GTEST_SKIP() << "this machine has no tmpfs at /dev/shm";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString link = folder.filePath(QStringLiteral("memory"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/shm"), link));
    EXPECT_EQ(Drives().KindOf(link + QStringLiteral("/new/db")), DriveKind::RamDisk);
    EXPECT_EQ(Drives().KindOf(QStringLiteral("relative")), DriveKind::NoRootDirectory);
}

} // namespace
