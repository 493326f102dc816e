#include "platform/Drives.h"

#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
