#include "platform/Drives.h"

#include "TestFiles.h"
#include "support/LoopMount.h"
#include "support/QtPrinters.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>

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

TEST(MountTableTest, ParsesFieldsDecodesEscapesAndNotesReadOnly)
{
    const MountTable table = MountTable::Parse(kMountInfo);
    ASSERT_EQ(table.Entries().size(), 18u) << "the two malformed lines are skipped";

    const MountEntry &removable = table.Entries()[2];
    EXPECT_EQ((QStringList{removable.mountPoint, removable.fileSystemType, removable.source,
                           removable.root}),
              (QStringList{u"/nowhere/media/user/My Disk"_s, u"vfat"_s, u"/dev/sdb1"_s, u"/"_s}));

    EXPECT_EQ(table.Entries()[1].fileSystemType, u"ext4"_s)
        << "optional fields before the separator are skipped";
    EXPECT_EQ(table.Entries()[15].mountPoint, u"/nowhere/odd\ttab\\slash"_s);

    // A read-only mount, a read-only file system, "ro" only as a prefix, and
    // no super options, in a name of raw and escaped bytes.
    const MountTable more =
        MountTable::Parse("1 0 8:1 / /nowhere/a ro,relatime - ext4 /dev/sda1 rw\n"
                          "2 0 8:2 / /nowhere/b rw,relatime - ext4 /dev/sda2 ro,data\n"
                          "3 0 8:3 / /nowhere/c rw,rootcontext - ext4 /dev/sda3 rw\n"
                          "4 0 8:4 / /nowhere/Gr\xc3\xbc\\303\\237e rw - ext4 /dev/sda4\n");
    QString readOnly;
    for (const MountEntry &entry : more.Entries())
        readOnly += entry.readOnly ? u'1' : u'0';
    ASSERT_EQ(readOnly, u"1100"_s);
    EXPECT_EQ(more.Entries().back().mountPoint, u"/nowhere/Gr\u00fc\u00dfe"_s)
        << "raw bytes and escaped bytes form one UTF-8 name";
}

TEST(MountTableTest, FindsTheLongestMountPointOnFolderBoundaries)
{
    const MountTable table = MountTable::Parse(kMountInfo);
    const auto mountOf = [&table](const char *path) {
        const MountEntry *entry = table.MountFor(QString::fromUtf8(path));
        return entry ? entry->mountPoint : u"<none>"_s;
    };
    // "homework" only starts alike; a path is cleaned first.
    EXPECT_EQ((QStringList{mountOf("/nowhere/home"), mountOf("/nowhere/home/user/db"),
                           mountOf("/nowhere/homework"), mountOf("/nowhere/media/user/My Disk/db"),
                           mountOf("/nowhere/cd/../nas//x/"), mountOf("/etc"),
                           mountOf("relative/path"), mountOf("")}),
              (QStringList{u"/nowhere/home"_s, u"/nowhere/home"_s, u"/"_s,
                           u"/nowhere/media/user/My Disk"_s, u"/nowhere/nas"_s, u"/"_s, u"<none>"_s,
                           u"<none>"_s}));

    const MountEntry *shm = table.MountFor(u"/nowhere/shm/x"_s);
    ASSERT_NE(shm, nullptr);
    EXPECT_EQ(shm->fileSystemType, u"ext4"_s) << "the mount on top wins";

    EXPECT_EQ(MountTable::Parse("1 0 8:1 / /nowhere rw - ext4 /dev/sda1 rw\n").MountFor(u"/etc"_s),
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
        WriteFile(m_folder.filePath(u"mountinfo"_s), kMountInfo);
        // A partition is a folder inside its disk's folder.
        const std::pair<const char *, const char *> sysfs[] = {
            {"sda/removable", "0\n"}, {"sda/sda2/dev", ""},     {"sdb/removable", "1\n"},
            {"sdb/sdb1/dev", ""},     {"sdc/removable", "1\n"}, {"sdd/removable", "1\n"}};
        for (const auto &[file, text] : sysfs)
            WriteFile(m_folder.filePath(u"block/"_s + QLatin1String(file)), text);
    }

    LinuxDriveSystem Machine() const
    {
        return LinuxDriveSystem({m_folder.filePath(u"mountinfo"_s), m_folder.filePath(u"block"_s)});
    }

    QTemporaryDir m_folder;
};

TEST_F(LinuxDriveSystemTest, TellsTheKindOfEveryMount)
{
    // A partition of a removable disk and a removable disk without partitions
    // are removable; udf wins over the removable flag.
    // An aggregate, so that the path lists live as long as the rows.
    const struct
    {
        DriveKind kind;
        std::initializer_list<const char *> paths;
    } rows[] = {
        {DriveKind::Fixed,
         {"/nowhere/home/user/Catalogs", "/nowhere/overlay/x", "/nowhere/odd\ttab\\slash", "/"}},
        {DriveKind::Removable, {"/nowhere/media/user/My Disk/db", "/nowhere/stick"}},
        {DriveKind::CdRom, {"/nowhere/cd/docs", "/nowhere/dvd", "/nowhere/optical"}},
        {DriveKind::Network,
         {"/nowhere/nas/db", "/nowhere/share", "/nowhere/ssh/x", "/nowhere/wsl", "/nowhere/smb"}},
        {DriveKind::RamDisk, {"/nowhere/run/user", "/nowhere/ram"}},
        {DriveKind::NoRootDirectory, {"", "relative/db", "nowhere/home"}}};
    const LinuxDriveSystem machine = Machine();
    for (const auto &[kind, paths] : rows)
        for (const char *path : paths) {
            const DriveInfo drive = machine.DriveOf(QString::fromUtf8(path));
            EXPECT_EQ(int(drive.kind), int(kind))
                << "path \"" << path << "\" on \"" << drive.mount.mountPoint.toStdString() << '"';
        }
}

TEST_F(LinuxDriveSystemTest, WithoutAMountAPathHasNoRoot)
{
    WriteFile(m_folder.filePath(u"mountinfo"_s), "1 0 8:1 / /nowhere rw - ext4 /dev/sda1 rw\n");
    EXPECT_EQ(Machine().KindOf(u"/etc"_s), DriveKind::NoRootDirectory);
}

// A folder meant for a medium, with nothing mounted on it, is not the disk
// it was made on; mount points below a folder come from the mount list.
TEST_F(LinuxDriveSystemTest, EmptyMountPointsAndMountsBelowAFolder)
{
    WriteFile(m_folder.filePath(u"mountinfo"_s),
              "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
              "2 1 8:17 / /nowhere/media/user/STICK rw - vfat /dev/sdb1 rw\n"
              "3 1 8:33 / /nowhere/mnt/backup/inner rw - ext4 /dev/sdc1 rw\n");
    WriteFile(m_folder.filePath(u"fstab"_s),
              "# static mounts\n"
              "/dev/sda1 / ext4 defaults 0 1\n"
              "UUID=1234 none swap sw 0 0\n"
              "/dev/sr0 /nowhere/mnt/cd\\040rom iso9660 ro,noauto 0 0\n"
              "  /dev/sdd1\t/nowhere/mnt/backup ext4 noauto 0 2\n");
    const LinuxDriveSystem machine({.mountInfoFile = m_folder.filePath(u"mountinfo"_s),
                                    .sysBlockFolder = m_folder.filePath(u"block"_s),
                                    .fstabFile = m_folder.filePath(u"fstab"_s),
                                    .mediaFolders = {u"/nowhere/media/user"_s}});
    // Below "backup/inner" a medium is mounted.
    for (const char *path : {"/nowhere/mnt/cd rom", "/nowhere/mnt/cd rom/photos",
                             "/nowhere/mnt/backup", "/nowhere/media/user/OLDSTICK"})
        EXPECT_TRUE(machine.AwaitsMedium(QString::fromLatin1(path))) << path;
    for (const char *path : {"/nowhere/mnt/backup/inner/x", "/nowhere/media/user/STICK/x",
                             "/nowhere/media/user", "/nowhere/mnt", "/"})
        EXPECT_FALSE(machine.AwaitsMedium(QString::fromLatin1(path))) << path;

    EXPECT_EQ(machine.MountPointsBelow(u"/nowhere/mnt"_s), QStringList{u"backup/inner"_s});
    EXPECT_EQ(machine.MountPointsBelow(u"/nowhere/"_s),
              (QStringList{u"media/user/STICK"_s, u"mnt/backup/inner"_s}));
    EXPECT_TRUE(machine.MountPointsBelow(u"/nowhere/mnt/backup/inner"_s).isEmpty());
}

TEST(LabelLinkNames, DecodeTheEscapesOfUdev)
{
    const std::pair<const char *, QString> rows[] = {
        {"MY\\x20DISK", u"MY DISK"_s}, {"caf\\xc3\\xa9", u"caf\u00e9"_s},
        {"A\\x2fB", u"A/B"_s},         {"plain-label_1", u"plain-label_1"_s},
        {"cut\\x2", u"cut\\x2"_s},     // too short: kept as written
        {"odd\\xzz1", u"odd\\xzz1"_s}, // not hex: kept as written
    };
    for (const auto &[link, label] : rows)
        EXPECT_EQ(LinuxDriveSystem::DecodeLabelLinkName(QString::fromUtf8(link)), label) << link;
}

TEST(UDisksObjects, AreNamedAfterTheKernelDevice)
{
    const QString base = u"/org/freedesktop/UDisks2/block_devices/"_s;
    QStringList paths;
    for (const char *device : {"sdb1", "nvme0n1p2", "dm-0", "a.b"})
        paths << LinuxDriveSystem::UDisksBlockObjectPath(QLatin1String(device));
    EXPECT_EQ(paths, (QStringList{base + u"sdb1"_s, base + u"nvme0n1p2"_s, base + u"dm_2d0"_s,
                                  base + u"a_2eb"_s}));
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
        QDir(m_root).mkpath(u"links"_s);
        for (const char *point : {"stick", "fixed", "plain", "share", "ro", "covered", "sub"})
            QDir(m_root).mkpath(u"mnt/"_s + QLatin1String(point));
        const std::pair<const char *, const char *> links[] = {
            {"STICK\\x201", "sdx1"}, {"Data", "sdy1"}, {"Lower", "sdz1"},
            {"Upper", "sdz2"},       {"Sub", "sdz3"},  {"Shared", "sdz4"}};
        for (const auto &[name, device] : links)
            ASSERT_TRUE(QFile::link(u"/dev/dirvanta-none-"_s + QLatin1String(device),
                                    m_root + u"/links/"_s + QString::fromUtf8(name)));
        const QString info =
            QString::fromLatin1(
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
                .replace(u" M/"_s, u' ' + m_root + u"/mnt/"_s);
        WriteFile(m_root + u"/mountinfo"_s, info.toUtf8());
    }

    QString Mount(const char *point) const { return m_root + u"/mnt/"_s + QLatin1String(point); }

    LinuxDriveSystem Machine() const
    {
        return LinuxDriveSystem({.mountInfoFile = m_root + u"/mountinfo"_s,
                                 .sysBlockFolder = m_root + u"/no-sys-block"_s,
                                 .byLabelFolder = m_root + u"/links"_s,
                                 .probeDevices = false});
    }

    QTemporaryDir m_folder;
    QString m_root;
};

// A path no mount holds, or on a mount that does not answer, is not readable.
TEST_F(LabelledMachineTest, ReadsTheLabelAndSizeOfTheMountUnderAPath)
{
    // The path, whether it is readable and the label read there.
    const std::tuple<QString, bool, QString> rows[] = {
        {Mount("stick") + u"/photos/2020"_s, true, u"STICK 1"_s}, // a folder still to be made
        {Mount("fixed"), true, u"Data"_s},
        {Mount("plain") + u"/x"_s, true, QString()}, // no link names the device
        {Mount("share"), true, QString()},           // network shares have no label
        {Mount("ro"), true, u"Data"_s},
        {Mount("covered"), true, u"Upper"_s}, // the mount on top
        {QString(), false, QString()},
        {u"relative/x"_s, false, QString()},
        {u"A:\\"_s, false, QString()},
        {u"/nowhere-dirvanta/gone/x"_s, false, QString()}};
    for (const auto &[path, readable, label] : rows) {
        SCOPED_TRACE(path.toStdString());
        const VolumeInfo volume = Machine().VolumeOf(path);
        EXPECT_EQ(volume.readable, readable);
        EXPECT_EQ(volume.label, label);
        EXPECT_EQ(volume.totalBytes > 0, readable);
        EXPECT_LE(volume.freeBytes, volume.totalBytes);
    }
}

TEST_F(LabelledMachineTest, FindsTheMountOfALabelWhereverItIs)
{
    const LinuxDriveSystem machine = Machine();
    // Letter case is ignored and a device mounted twice gives its first mount;
    // a mount covered by another, a mount of a sub-folder (not the volume) and
    // a link to a device nothing mounts give none.
    QStringList found;
    for (const char *label : {"stick 1", "DATA", "Upper", "Lower", "Sub", "Shared", ""})
        found << machine.MountPointOfLabel(QString::fromUtf8(label));
    EXPECT_EQ(found, (QStringList{Mount("stick"), Mount("fixed"), Mount("covered"), QString(),
                                  QString(), QString(), QString()}));
}

// The label tool of ext4 may be there, the device of the mount is not.
TEST_F(LabelledMachineTest, NoLabelIsWrittenToADeviceThatIsNotThere)
{
    LinuxDriveSystem machine = Machine();
    EXPECT_FALSE(machine.CanWriteLabel(Mount("fixed")));
    EXPECT_FALSE(machine.WriteLabel(Mount("fixed"), u"NEW"_s));
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
    const QString image = root + u"/volume.img"_s;
    const QString mountPoint = root + u"/Dv Label"_s;
    ASSERT_TRUE(QDir(root).mkpath(mountPoint));
    QString output;
    if (!MakeExt4Image(image, u"Dv Label"_s, output))
        GTEST_SKIP() << "cannot make an ext4 image: " << output.toStdString();
    LoopMount mount;
    if (!mount.Mount(image, mountPoint, output))
        GTEST_SKIP() << "this machine does not loop-mount: " << output.toStdString();

    // A folder still to be made lies on its parent's mount; a link leads
    // into the mount it points into.
    const QString link = root + u"/link"_s;
    ASSERT_TRUE(QFile::link(mountPoint, link));
    LinuxDriveSystem machine;
    const DriveInfo drive = machine.DriveOf(link + u"/new/folder"_s);
    EXPECT_EQ(drive.mount.mountPoint, mountPoint);
    EXPECT_EQ(drive.mount.fileSystemType, u"ext4"_s);
    EXPECT_EQ(drive.kind, DriveKind::Fixed);
    const VolumeInfo volume = machine.VolumeOf(mountPoint);
    EXPECT_TRUE(volume.readable);
    EXPECT_EQ(volume.label, u"Dv Label"_s) << "read from " << drive.mount.source.toStdString();
    EXPECT_GT(volume.totalBytes, 4u * 1024 * 1024);
    EXPECT_LT(volume.totalBytes, 8u * 1024 * 1024 + 1);
    EXPECT_GT(volume.freeBytes, 0u);
    EXPECT_EQ(machine.MountPointOfLabel(u"DV LABEL"_s), mountPoint);

    EXPECT_TRUE(machine.CanWriteLabel(mountPoint));
    EXPECT_TRUE(machine.WriteLabel(mountPoint, u"Holiday 20"_s));
    EXPECT_EQ(machine.VolumeOf(mountPoint).label, u"Holiday 20"_s);
    ASSERT_TRUE(RunTool(u"mount"_s, {u"-o"_s, u"remount,ro"_s, mountPoint}, output))
        << output.toStdString();
    EXPECT_FALSE(machine.CanWriteLabel(mountPoint));
    EXPECT_FALSE(machine.WriteLabel(mountPoint, u"Other"_s));
    EXPECT_EQ(machine.VolumeOf(mountPoint).label, u"Holiday 20"_s);
}

// The stand-in for udisks2: one block device with a file system, which takes
// every label unless told to refuse and says whether it is read-only.
class FakeBlockDevice final : public QDBusVirtualObject
{
public:
    QStringList Labels()
    {
        const QMutexLocker lock(&m_mutex);
        return m_labels;
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.member() == u"SetLabel"_s) {
            const QMutexLocker lock(&m_mutex);
            m_labels.append(message.arguments().value(0).toString());
            return connection.send(
                refuse ? message.createErrorReply(u"org.freedesktop.UDisks2.Error.Failed"_s,
                                                  u"write-protected"_s)
                       : message.createReply());
        }
        if (message.member() == u"GetAll"_s)
            return connection.send(message.createReply(QVariantMap()));
        return message.member() == u"Get"_s &&
               connection.send(
                   message.createReply(QVariant::fromValue(QDBusVariant(bool(readOnly)))));
    }

    std::atomic<bool> refuse = false;
    std::atomic<bool> readOnly = false;

private:
    QMutex m_mutex;
    QStringList m_labels;
};

// A private message bus with a stand-in for udisks2 that owns one block
// device. The stand-in answers from a thread of its own, since the drive
// layer waits for its answers on the calling thread.
class LabelWriteTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_s);
        if (daemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed: no bus to stand udisks2 on";
        ASSERT_TRUE(m_folder.isValid());
        m_daemon.start(daemon, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s,
                                u"--address=unix:path="_s + m_folder.filePath(u"bus"_s)});
        if (!m_daemon.waitForReadyRead(10000))
            GTEST_SKIP() << "dbus-daemon did not start: "
                         << m_daemon.readAllStandardError().toStdString();
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());

        QDBusConnection service = QDBusConnection::connectToBus(m_address, kServiceConnection);
        ASSERT_TRUE(service.isConnected()) << service.lastError().message().toStdString();
        ASSERT_TRUE(service.registerService(u"org.freedesktop.UDisks2"_s));
        m_device = new FakeBlockDevice;
        m_device->moveToThread(&m_thread);
        m_thread.start();
        ASSERT_TRUE(service.registerVirtualObject(
            u"/org/freedesktop/UDisks2/block_devices/dirvanta_2dtest_2dsdx1"_s, m_device));

        // The disk mounts on a real folder so that it answers statvfs.
        m_mount = QFileInfo(m_folder.path()).canonicalFilePath() + u"/mnt"_s;
        QDir().mkpath(m_mount);
        WriteFile(m_folder.filePath(u"mountinfo"_s),
                  u"1 0 8:1 / / rw - ext4 /dev/dirvanta-test-sda1 rw\n"
                  "2 1 8:2 / M rw - vfat /dev/dirvanta-test-sdx1 rw\n"
                  "3 1 8:3 / M/other rw - vfat /dev/dirvanta-test-sdy1 rw\n"_s
                      .replace(u" M"_s, u' ' + m_mount)
                      .toUtf8());
    }

    void TearDown() override
    {
        if (m_device) {
            QDBusConnection(kServiceConnection)
                .unregisterObject(
                    u"/org/freedesktop/UDisks2/block_devices/dirvanta_2dtest_2dsdx1"_s);
            // Deleted in its own thread, at the latest as the thread ends.
            m_device->deleteLater();
        }
        m_thread.quit();
        m_thread.wait();
        QDBusConnection::disconnectFromBus(kServiceConnection);
        QDBusConnection::disconnectFromBus(u"dirvanta-drives "_s + m_address);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    LinuxDriveSystem Machine() const
    {
        return LinuxDriveSystem({.mountInfoFile = m_folder.filePath(u"mountinfo"_s),
                                 .sysBlockFolder = m_folder.filePath(u"no-sys-block"_s),
                                 .byLabelFolder = m_folder.filePath(u"no-links"_s),
                                 .probeDevices = false,
                                 .systemBusAddress = m_address});
    }

    static inline const QString kServiceConnection = u"dirvanta-test-udisks"_s;
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QThread m_thread;
    FakeBlockDevice *m_device = nullptr;
    QString m_mount;
};

TEST_F(LabelWriteTest, AsksUdisksForTheLabelAndFailsOnARefusalOrAReadOnlyDevice)
{
    LinuxDriveSystem machine = Machine();
    EXPECT_TRUE(machine.CanWriteLabel(m_mount + u"/folder"_s));
    EXPECT_TRUE(machine.WriteLabel(m_mount + u"/folder"_s, u"Holiday 2020"_s));
    EXPECT_EQ(m_device->Labels(), QStringList{u"Holiday 2020"_s});

    EXPECT_FALSE(machine.CanWriteLabel(m_mount + u"/other"_s)) << "udisks2 has no such device";
    EXPECT_FALSE(machine.WriteLabel(m_mount + u"/other"_s, u"X"_s));
    EXPECT_EQ(m_device->Labels().size(), 1);

    m_device->refuse = true;
    EXPECT_TRUE(machine.CanWriteLabel(m_mount));
    EXPECT_FALSE(machine.WriteLabel(m_mount, u"Holiday"_s));
    EXPECT_EQ(m_device->Labels(), (QStringList{u"Holiday 2020"_s, u"Holiday"_s}))
        << "asked, and refused";
    m_device->readOnly = true;
    EXPECT_FALSE(machine.CanWriteLabel(m_mount));
    EXPECT_FALSE(machine.WriteLabel(m_mount, u"Holiday"_s));
    EXPECT_EQ(m_device->Labels().size(), 2) << "a read-only device is never asked to write";
}

} // namespace
