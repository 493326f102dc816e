#include "media/MediaIdentification.h"

#include "../archive/ArchiveTestFolder.h"
#include "platform/SettingsStore.h"
#include "store/CatalogSchema.h"
#include "store/StoreFixture.h"
#include "support/FakeDriveSystem.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

TEST(DriveClassTest, MapsEveryKindToAClassAndDescription)
{
    ScriptedUserInterface ui;
    FakeDriveSystem drives;
    drives.Mount(u"/"_s, DriveKind::Fixed);
    drives.Mount(u"/media/stick"_s, DriveKind::Removable);
    drives.Mount(u"/media/empty"_s, DriveKind::Removable).ready = false;
    drives.Mount(u"/media/cdrom"_s, DriveKind::CdRom);
    drives.Mount(u"/net/share"_s, DriveKind::Network);
    drives.Mount(u"/dev/shm"_s, DriveKind::RamDisk);
    drives.Mount(u"/odd"_s, DriveKind::Unknown);
    // Each row: source, class, description.
    const std::tuple<QString, int, QString> rows[] = {
        {u"/media/stick/photos"_s, 3, u"Floppy or Removable Disk"_s},
        {u"/home/user"_s, 4, u"Local Fixed Disk"_s},
        {u"/net/share/docs"_s, 4, u"Network Disk"_s},
        {u"/media/cdrom"_s, 5, u"CD-ROM"_s},
        {u"/dev/shm/x"_s, 0, u"RAM Disk"_s},
        {u"/odd/x"_s, 0, u"Unknown Media Type"_s},
        {u"A:\\"_s, 0, u"Error Accessing Device"_s}, // a source stored by another system
    };
    for (const auto &[source, driveClass, expected] : rows) {
        QString description = u"stale"_s;
        EXPECT_EQ(GetDriveClass(source, description), driveClass) << source.toStdString();
        EXPECT_EQ(description, expected) << source.toStdString();
    }
}

TEST(DriveClassTest, DiagnosticModeShowsWhatWasFound)
{
    ScriptedUserInterface ui;
    FakeDriveSystem drives;
    drives.Mount(u"/net/share"_s, DriveKind::Network);
    const QString network = u"Drive String: \t/net/share/docs\n\nDrive Identifier: \t/net/share\n\n"
                            u"Drive Type: \t4\n\nDrive Description: \tNetwork Disk"_s;
    // Each row: setting (none when empty), source, the box's text (no box when empty).
    const std::tuple<QString, QString, QString> rows[] = {
        {QString(), u"/net/share/docs"_s, QString()},
        {u"1"_s, u"/net/share/docs"_s, network},
        {u"0"_s, u"/net/share/docs"_s, QString()},
    };
    for (const auto &[setting, source, text] : rows) {
        SCOPED_TRACE(setting.toStdString() + ' ' + source.toStdString());
        SettingsStore program(SettingsStore::kProgramKey);
        program.EraseSection(u"Debug Mode"_s);
        if (!setting.isEmpty())
            program.WriteText(u"Debug Mode"_s, u"On"_s, setting);
        QString description;
        GetDriveClass(source, description);
        program.EraseSection(u"Debug Mode"_s);
        QStringList boxes;
        for (const RecordedMessage &box : ui.TakeMessages()) {
            EXPECT_EQ(box.kind, MessageKind::Information);
            boxes << box.caption + u'|' + box.text;
        }
        EXPECT_EQ(boxes, text.isEmpty() ? QStringList() : QStringList{u"Dirvanta Debug|"_s + text});
    }
}

// A label is read from a medium in place: the folder exists and is not an
// empty mount point, which would show the disk below it.
TEST(VolumeLabelTest, ReadsLabelsUpperCasedForPathsOfMediaInPlace)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const auto folder = [&root](const QString &relative) {
        QDir().mkpath(root.filePath(relative));
        return root.filePath(relative);
    };
    FakeDriveSystem drives;
    drives.Mount(folder(u"stick"_s), DriveKind::Removable, u"Photos 2020"_s);
    drives.Mount(folder(u"caf\u00e9"_s), DriveKind::Removable, u"caf\u00e9"_s);
    drives.Mount(folder(u"none"_s), DriveKind::Removable);
    drives.Mount(folder(u"empty"_s), DriveKind::Removable, u"GONE"_s).ready = false;
    drives.Mount(root.path(), DriveKind::Fixed, u"SYSTEM"_s);
    drives.emptyMountPoints = {folder(u"unplugged"_s)};
    folder(u"stick/some/folder"_s);
    // Each row: drive, readable, label read.
    const std::tuple<QString, bool, QString> rows[] = {
        {root.filePath(u"stick/some/folder"_s), true, u"PHOTOS 2020"_s},
        {root.filePath(u"caf\u00e9"_s), true, u"CAF\u00c9"_s},
        {root.filePath(u"none"_s), true, QString()},
        {root.filePath(u"empty"_s), false, QString()},      // a drive without its disk
        {root.filePath(u"stick/gone"_s), false, QString()}, // a folder that is not there
        {root.filePath(u"unplugged"_s), false, QString()},  // not the disk below
    };
    for (const auto &[drive, readable, expected] : rows) {
        QString label = u"stale"_s;
        EXPECT_EQ(GetVolumeLabel(drive, label), readable) << drive.toStdString();
        EXPECT_EQ(label, expected) << drive.toStdString();
    }
    EXPECT_EQ(CountSourceFiles(root.filePath(u"unplugged"_s), true), 0);
}

TEST(DiskSpaceTest, SizesBeyondFourGigabytesKeepEveryByte)
{
    constexpr quint64 kTebibyte = quint64(1) << 40;
    FakeDriveSystem drives;
    FakeDriveSystem::Drive &disk = drives.Mount(u"/data"_s, DriveKind::Fixed);
    disk.totalBytes = 8 * kTebibyte;
    disk.freeBytes = 3 * kTebibyte + 5;
    FakeDriveSystem::Drive &stick = drives.Mount(u"/media/stick"_s, DriveKind::Removable);
    stick.totalBytes = 6 * (quint64(1) << 30);
    stick.freeBytes =
        5 * (quint64(1) << 30) + 1; // 4 GiB + 1 GiB + 1: wraps to 1 GiB + 1 in 32 bits
    drives.Mount(u"/media/empty"_s, DriveKind::Removable).ready = false;

    quint64 total = 1;
    quint64 used = 1;
    EXPECT_TRUE(GetDiskSpace(u"/data/x"_s, total, used));
    EXPECT_EQ(std::pair(total, used), std::pair(8 * kTebibyte, 5 * kTebibyte - 5));
    EXPECT_FALSE(GetDiskSpace(u"/media/empty"_s, total, used));
    EXPECT_EQ(std::pair(total, used), std::pair(quint64(0), quint64(0)));

    // Each row: drive, size, room.
    const std::tuple<QString, qint64, bool> rows[] = {
        {u"/media/stick"_s, qint64(5) << 30, true}, // strictly less than the free bytes
        {u"/media/stick"_s, (qint64(5) << 30) + 1, false},
        {u"/media/stick"_s, 0, true},
        {u"/data"_s, qint64(3) << 40, true},
        {u"/media/empty"_s, 1, false},
    };
    for (const auto &[drive, size, room] : rows)
        EXPECT_EQ(DiskHasRoom(drive, size), room) << drive.toStdString() << ' ' << size;
}

// Mount points of the fake drives are real folders: what lies on a medium
// is what lies in its folder.
class MediumFolderTest : public testing::Test
{
protected:
    QString Path(const QString &relative) const { return m_folder.Path(relative); }

    QString MakeFolder(const QString &relative) const
    {
        QDir().mkpath(Path(relative));
        return Path(relative);
    }

    ArchiveTestFolder m_folder;
    FakeDriveSystem m_drives;
    ScriptedUserInterface m_ui;
};

TEST_F(MediumFolderTest, ADiskHoldsEntriesWhenItsRootListsOne)
{
    const QString empty = MakeFolder(u"empty"_s);
    const QString fresh = MakeFolder(u"fresh/lost+found"_s).chopped(11);
    const QString hidden = MakeFolder(u"hidden"_s);
    m_folder.Write(u"hidden/.settings"_s, {});
    const QString folderOnly = MakeFolder(u"folder/Archives"_s).chopped(9);
    const QString ejected = MakeFolder(u"ejected"_s);
    m_folder.Write(u"ejected/file"_s, {});
    for (const QString &point : {empty, fresh, hidden, folderOnly})
        m_drives.Mount(point, DriveKind::Removable);
    m_drives.Mount(ejected, DriveKind::Removable).ready = false;

    EXPECT_FALSE(DriveHasEntries(empty));
    EXPECT_FALSE(DriveHasEntries(fresh)) << "the file system's own lost+found";
    EXPECT_TRUE(DriveHasEntries(hidden + u"/sub/folder"_s)) << "the root of the drive counts";
    EXPECT_TRUE(DriveHasEntries(folderOnly));
    EXPECT_FALSE(DriveHasEntries(ejected)) << "no disk, no entries";
}

TEST_F(MediumFolderTest, FoldersExistOnlyAsAbsoluteFolderPaths)
{
    const QString folder = MakeFolder(u"a folder"_s);
    m_folder.Write(u"a file"_s, {});
    ASSERT_TRUE(QFile::link(folder, Path(u"link"_s)));
    // Each row: path, exists.
    const std::tuple<QString, bool> rows[] = {
        {folder, true},
        {Path(u"link"_s), true},
        {Path(u"a file"_s), false},
        {u"."_s, false}, // relative paths are never sources
    };
    for (const auto &[path, exists] : rows)
        EXPECT_EQ(FolderExists(path), exists) << path.toStdString();
}

TEST_F(MediumFolderTest, CountingShowsTheCountEveryFifteenEntriesOrIsAHundredUntouched)
{
    for (const QString &source : {MakeFolder(u"empty"_s), Path(u"missing"_s), u"A:\\"_s})
        EXPECT_EQ(CountSourceFiles(source, false), 100) << source.toStdString();
    EXPECT_TRUE(m_ui.ProgressTexts().isEmpty());
    EXPECT_EQ(m_ui.ProcessEventsCount(), 0);
    EXPECT_EQ(CountSourceFiles(Path(u"missing"_s), true), 0);
    // Each row: entries, shownCounts.
    const std::tuple<int, QList<int>> rows[] = {{0, {}},   {1, {0}},      {14, {0}},
                                                {15, {0}}, {16, {0, 15}}, {31, {0, 15, 30}}};
    for (const auto &[entries, shownCounts] : rows) {
        const QString source = MakeFolder(QString::number(entries));
        for (int i = 0; i < entries; ++i)
            ArchiveTestFolder::WriteAt(source + u"/file "_s + QString::number(i), {});
        const qsizetype before = m_ui.ProgressTexts().size();
        EXPECT_EQ(CountSourceFiles(source, true), entries);
        QStringList texts;
        for (int count : shownCounts)
            texts << u"Processing: %1 Files Found"_s.arg(count);
        EXPECT_EQ(m_ui.ProgressTexts().mid(before), texts) << entries << " entries";
    }
}

TEST_F(MediumFolderTest, CountingCountsFoldersAndLinksButNeverFollowsLinks)
{
    const QString source = MakeFolder(u"source"_s);
    MakeFolder(u"source/a/b/c"_s);                                            // 3 folders
    m_folder.Write(u"source/a/b/c/deep.txt"_s, {});                           // 1
    m_folder.Write(u"source/.hidden"_s, {});                                  // 1
    MakeFolder(u"source/empty"_s);                                            // 1
    ASSERT_TRUE(QFile::link(Path(u"elsewhere"_s), Path(u"source/broken"_s))); // 1
    const QString big = MakeFolder(u"big"_s);
    for (int i = 0; i < 20; ++i)
        ArchiveTestFolder::WriteAt(big + u"/f"_s + QString::number(i), {});
    ASSERT_TRUE(QFile::link(big, Path(u"source/to big"_s)));    // 1, not its 20
    ASSERT_TRUE(QFile::link(source, Path(u"source/a/loop"_s))); // 1, not a cycle

    EXPECT_EQ(CountSourceFiles(source, true), 9);
    EXPECT_EQ(CountSourceFiles(source + u'/', true), 9);
}

TEST_F(MediumFolderTest, CountingStopsWhenTheUserCancels)
{
    const QString source = MakeFolder(u"source"_s);
    for (int i = 0; i < 3; ++i) {
        MakeFolder(u"source/sub"_s + QString::number(i));
        for (int j = 0; j < 20; ++j)
            ArchiveTestFolder::WriteAt(
                source + u"/sub"_s + QString::number(i) + u"/f"_s + QString::number(j), {});
    }
    // Every pump lets events run; the second one brings the click on Cancel.
    qint64 tick = 0;
    m_ui.SetTickSource([&tick] { return ++tick; });
    int pumps = 0;
    m_ui.SetOnProcessEvents([&] {
        if (++pumps == 2)
            m_ui.SetCancelled(true);
    });

    EXPECT_EQ(CountSourceFiles(source, true), 16) << "stops at the entry the cancel was seen on";
    EXPECT_TRUE(m_ui.Cancelled()) << "the caller sees the cancel";
}

TEST_F(MediumFolderTest, TheSourceCheckAsksForADiskAndForAFolder)
{
    const QString stick = MakeFolder(u"stick"_s);
    MakeFolder(u"stick/photos"_s);
    m_drives.Mount(stick, DriveKind::Removable, u"Holiday"_s);
    QString label = u"stale"_s;

    EXPECT_TRUE(ValidateCatalogSource(u"Photos"_s, u"  "_s + stick + u"/photos  "_s, label));
    EXPECT_EQ(label, u"HOLIDAY"_s);
    EXPECT_TRUE(m_ui.TakeMessages().empty());

    EXPECT_FALSE(ValidateCatalogSource(u"Photos"_s, u"   "_s, label));
    const RecordedMessage required = m_ui.TakeSingleMessage();
    EXPECT_EQ(required.kind, MessageKind::Error);
    EXPECT_EQ(required.caption, u"Catalog Source Required"_s);
    EXPECT_EQ(required.text, u"Please specify a valid Catalog Source before continuing"_s);

    m_folder.Write(u"stick/notes.txt"_s, {});
    EXPECT_FALSE(ValidateCatalogSource(u"Photos"_s, stick + u"/notes.txt"_s, label));
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Invalid Catalog Source"_s);
    EXPECT_EQ(box.text, u"The device or folder specified for the Catalog Source could not be "
                        u"located.\n\nPlease respecify before continuing."_s);
    EXPECT_TRUE(m_ui.TakeDeviceChecks().empty()) << "the disk was there";

    // A folder that is not there is a medium that is not in: the disk is
    // asked for, never read from the folder's parent.
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(ValidateCatalogSource(u"Photos"_s, stick + u"/music"_s, label));
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    EXPECT_EQ(m_ui.TakeDeviceChecks().size(), 1u);

    // An empty drive waits for any disk; giving up shows no box.
    m_drives.At(stick).ready = false;
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(ValidateCatalogSource(u"Photos"_s, stick, label));
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    const std::vector<DeviceCheckView> checks = m_ui.TakeDeviceChecks();
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(std::pair(checks[0].name, checks[0].requiredLabel),
              std::pair(u"Photos"_s, QString()));
    m_ui.QueueDeviceCheck(true, [&] { m_drives.Insert(stick, u"New Disk"_s); });
    EXPECT_TRUE(ValidateCatalogSource(u"Photos"_s, stick, label));
    EXPECT_EQ(label, u"NEW DISK"_s);
    EXPECT_EQ(m_ui.TakeDeviceChecks().size(), 1u);
}

// What the Catalog Disk dialog offers for a label: the medium's own text,
// whole, within the file system's limit, editable only where it can be
// written; deciding writes nothing.
TEST_F(MediumFolderTest, TheLabelEditFollowsTheFileSystem)
{
    // Each row: type, label, writable, maxLength.
    const std::tuple<const char *, QString, bool, int> rows[] = {
        {"exfat", u"Photos"_s, true, 15},
        {"ext4", u"Family Pictures"_s, true, 16},
        {"iso9660", u"HOLIDAY_PHOTOS_2019_DISC_ONE_X"_s, false, 32},
        {"vfat", u"OVERLONG LABEL"_s, true, 14}, // kept whole, never cut
    };
    for (const auto &[type, label, writable, maxLength] : rows) {
        SCOPED_TRACE(type);
        const QString point =
            MakeFolder(QString::fromLatin1(type) + u"-"_s + QString::number(qHash(label)));
        m_drives.Mount(point, DriveKind::Removable, label).fileSystemType =
            QString::fromLatin1(type);
        const LabelEditState state = LabelEditStateOf(point);
        EXPECT_EQ(std::tuple(state.label, state.writable, state.maxLength),
                  std::tuple(label, writable, maxLength));
    }
    const QString locked = MakeFolder(u"locked"_s);
    m_drives.Mount(locked, DriveKind::Removable, u"Locked"_s).labelWritable = false;
    EXPECT_EQ(std::pair(LabelEditStateOf(locked).label, LabelEditStateOf(locked).writable),
              std::pair(u"Locked"_s, false));
    const LabelEditState gone = LabelEditStateOf(locked + u"/gone"_s);
    EXPECT_EQ(std::pair(gone.label, gone.writable), std::pair(QString(), false)) << "not ready";
    EXPECT_TRUE(m_drives.LabelWrites().empty());
}

class DescriptionCheckTest : public StoreFixture
{
};

// Names are compared as the item tree's FindChild compares them.
TEST_F(DescriptionCheckTest, RefusesANameTheFolderHoldsAlready)
{
    const qint64 folder =
        AddObject(CatalogSchema::kCatalogsId, u"Work"_s, CatalogSchema::kCatalogFolderClass);
    AddObject(folder, u"Holiday Photos"_s, CatalogSchema::kRemovableDiskClass);
    EXPECT_TRUE(ValidateCatalogDescription(*m_data, u"Holiday Photos"_s, 3));
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    EXPECT_FALSE(ValidateCatalogDescription(*m_data, u"Holiday Photos"_s, folder));
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.kind, MessageKind::Error);
    EXPECT_EQ(box.caption, u"Duplicate Description"_s);
    EXPECT_EQ(box.text, u"The Catalog Description specified already exists within the "
                        u"Catalog Folder\n\nPlease specify another Description before "
                        u"continuining"_s);
}

// A catalog tree with disk catalogs of a stored source from another system
// ("A:\") and of a path of this one, a package, and an archive set on a
// volume of the pool.
class LocateOnMediaTest : public StoreFixture
{
protected:
    qint64 AddRow(qint64 parent, const QString &name, int cls, const QString &source = {},
                  const QString &label = {}, qint64 volumeSize = 0)
    {
        const double now = NowDayCount();
        return AppendCatalogRow(m_data->Catalogs, name, source, parent, cls, false, now, now,
                                QString(), label, 0, volumeSize);
    }

    MediaLocation Locate(qint64 id, bool withPath, bool expectFound = true)
    {
        MediaLocation location;
        EXPECT_EQ(LocateOnMedia(*m_data, id, withPath, location), expectFound) << "object " << id;
        return location;
    }

    static QStringList Fields(const MediaLocation &l)
    {
        return {l.name, l.label, l.packagePath, l.source, l.mediumSource};
    }
};

TEST_F(LocateOnMediaTest, FoldersAndPackagesOfADiskCatalog)
{
    const qint64 floppy = AddRow(3, u"Floppy"_s, 3, u"A:\\"_s, u"disk1"_s);
    const qint64 one = AddRow(floppy, u"One"_s, 7);
    const qint64 two = AddRow(one, u"Two"_s, 7);
    const qint64 x = AddRow(floppy, u"X"_s, 7);
    const qint64 package = AddRow(x, u"D.ZIP"_s, 22);
    const qint64 inner = AddRow(package, u"inner"_s, 24);
    const qint64 stick = AddRow(3, u"Stick"_s, 3, u"/media/user/STICK"_s);
    const qint64 docs = AddRow(stick, u"Docs"_s, 7);
    const qint64 outer = AddRow(docs, u"outer.zip"_s, 22);
    const qint64 nested = AddRow(outer, u"nested.zip"_s, 22);

    const auto onFloppy = [](const QString &packagePath, const QString &source) {
        return MediaLocation{u"Floppy"_s, u"DISK1"_s, packagePath, source, u"A:\\"_s};
    };
    const QString stickRoot = u"/media/user/STICK"_s;
    const auto onStick = [&](const QString &packagePath, const QString &source) {
        return MediaLocation{u"Stick"_s, u"<Unlabelled>"_s, packagePath, source, stickRoot};
    };
    // Each row: id, withPath, expected.
    const std::tuple<qint64, bool, MediaLocation> rows[] = {
        {two, true, onFloppy({}, u"A:\\One\\Two\\"_s)},
        {two, false, onFloppy({}, u"A:\\"_s)},
        {floppy, true, onFloppy({}, u"A:\\"_s)},
        {package, true, onFloppy(u"A:\\X\\D.ZIP"_s, u"A:\\X\\D.ZIP\\"_s)},
        {inner, true, onFloppy(u"A:\\X\\D.ZIP"_s, u"A:\\X\\D.ZIP\\inner\\"_s)},
        {docs, true, onStick({}, stickRoot + u"/Docs/"_s)},
        {docs, false, onStick({}, stickRoot)},
        // The outermost package is the file that lies on the medium.
        {nested, true,
         onStick(stickRoot + u"/Docs/outer.zip"_s, stickRoot + u"/Docs/outer.zip/nested.zip/"_s)},
    };
    for (const auto &[id, withPath, expected] : rows)
        EXPECT_EQ(Fields(Locate(id, withPath)), Fields(expected)) << "object " << id;
}

TEST_F(LocateOnMediaTest, ArchiveSetsLieOnTheirVolumeAndOtherObjectsOnNone)
{
    const qint64 volume =
        AddRow(5, u"Archive Volume 1"_s, 11, u"/media/user/DVARC0001/Archives/"_s, u"DVARC0001"_s);
    const qint64 set = AddRow(2, u"Set 1"_s, 23, {}, {}, volume);
    const qint64 docs = AddRow(set, u"docs"_s, 24);
    const qint64 lost = AddRow(2, u"Lost"_s, 23, {}, {}, 9999);

    const QString folder = u"/media/user/DVARC0001/Archives/"_s;
    EXPECT_EQ(Fields(Locate(docs, true)),
              (QStringList{u"Archive Volume 1"_s, u"DVARC0001"_s, folder + u"Set 1.ZIP"_s,
                           folder + u"Set 1.ZIP/docs/"_s, folder}));
    EXPECT_EQ(Locate(set, false).source, folder);

    // A set whose volume is gone and objects outside any disk catalog lie on
    // no medium.
    const qint64 work = AddRow(3, u"Work"_s, 2);
    const qint64 old = AddRow(2, u"Old"_s, 26);
    for (const qint64 id :
         {lost, work, old, qint64(1), qint64(2), qint64(3), qint64(5), qint64(12345)}) {
        MediaLocation location{u"kept"_s, {}, {}, {}, {}};
        EXPECT_FALSE(LocateOnMedia(*m_data, id, true, location)) << "object " << id;
        EXPECT_EQ(location.name, u"kept"_s) << "nothing handed back";
    }
}

TEST(MediaPathTest, JoinsWithTheSeparatorOfTheSource)
{
    // Each row: source, names, trailing, path.
    const std::tuple<QString, QStringList, bool, QString> rows[] = {
        {u"A:\\Data"_s, {u"X"_s}, true, u"A:\\Data\\X\\"_s},
        {u"/media/disk/"_s, {u"X"_s}, true, u"/media/disk/X/"_s},
        {u"/"_s, {u"etc"_s}, false, u"/etc"_s},
        {u"/media/disk"_s, {}, true, u"/media/disk/"_s},
        {u"/media/disk"_s, {u"back\\slash"_s}, false, u"/media/disk/back\\slash"_s},
    };
    for (const auto &[source, names, trailing, path] : rows)
        EXPECT_EQ(JoinMediaPath(source, names, trailing), path) << source.toStdString();
}

TEST_F(MediumFolderTest, ASourceFollowsItsLabelToANewMountPoint)
{
    const QString moved = MakeFolder(u"media/DISK1_"_s);
    MakeFolder(u"media/DISK1_/Photos/2020"_s);
    m_drives.Mount(moved, DriveKind::Removable, u"Disk1"_s);
    const QString old = Path(u"media/DISK1"_s);
    // Each row: source, label, found.
    const std::tuple<QString, QString, QString> rows[] = {
        // The part after the folder named like the label.
        {old + u"/Music"_s, u"DISK1"_s, moved + u"/Music"_s},
        {old, u"disk1"_s, moved},
        // No folder named like the label: the longest end that exists.
        {u"/run/media/old-name/Photos/2020"_s, u"disk1"_s, moved + u"/Photos/2020"_s},
        {u"/run/media/old-name/Other"_s, u"disk1"_s, moved},
        // Already in place.
        {moved + u"/Photos/"_s, u"disk1"_s, moved + u"/Photos"_s},
        {old, u"OTHER"_s, QString()},
        {old, QString(), QString()},
        {u"A:\\Music"_s, u"disk1"_s, QString()},
    };
    for (const auto &[source, label, found] : rows)
        EXPECT_EQ(RelocateSource(source, label), found) << source.toStdString();
}

} // namespace
