#include "archive/ArchivePool.h"

#include "ArchivePoolFixture.h"
#include "ArchiveTestFolder.h"
#include "archive/ArchiveSetFileKeeper.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "store/ObjectOperations.h"
#include "store/Wastebasket.h"
#include "support/FakeDriveSystem.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;
using CatalogSchema::kArchiveSetClass;

namespace {

constexpr quint64 kMegabyte = 1'000'000;

TEST(VolumeNumbersTest, NextLabelIsTheLowestFreeNumber)
{
    // Each row: labels, next.
    const std::tuple<QStringList, QString> rows[] = {
        {QStringList(), u"DVARC0001"_s},
        {{u"DVARC0001"_s, u"DVARC0002"_s, u"DVARC0004"_s}, u"DVARC0003"_s},
        {{u"DVARC0003"_s, u"DVARC0001"_s, u"dvarc0002"_s}, u"DVARC0004"_s},
        {{u"DVARC0002"_s}, u"DVARC0001"_s},
    };
    for (const auto &[labels, next] : rows)
        EXPECT_EQ(NextVolumeLabel(labels).label, next) << labels.join(u',').toStdString();
}

TEST(VolumeNumbersTest, ClassFollowsTheRoundedPercentageUsed)
{
    constexpr int kEmpty = CatalogSchema::kEmptyArchiveVolumeClass;
    constexpr int kFull = CatalogSchema::kFullArchiveVolumeClass;
    // Each row: capacity, used, cls.
    const std::tuple<quint64, quint64, int> rows[] = {
        {1'000'000, 455'000, kEmpty + 4}, // 45.5 % rounds to 46
        {1'000, 95, kEmpty + 1},          // 9.5 % rounds to the even 10
        {1'000, 85, kEmpty},              // 8.5 % rounds to the even 8
        {0, 0, kEmpty},
        {100, 100, kFull},
        {100, 150, kFull},
        {8ull << 40, 4ull << 40, kEmpty + 5}, // 8 TiB: sizes beyond 32 bits
    };
    for (const auto &[capacity, used, cls] : rows)
        EXPECT_EQ(VolumeClassForUsage(capacity, used), cls) << used << " of " << capacity;
}

// A catalog with a pool whose drive is a real folder on a scripted removable
// drive.
class ArchivePoolTest : public ArchivePoolFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_drive = m_folder.filePath(u"DRIVE"_s);
        QDir().mkpath(m_drive);
        FakeDriveSystem::Drive &drive = m_drives.Mount(m_drive, DriveKind::Removable, u"BLANK"_s);
        drive.totalBytes = 10 * kMegabyte;
        drive.freeBytes = 8 * kMegabyte;
        m_pool.emplace(*m_data);
    }

    FakeDriveSystem::Drive &Drive() { return m_drives.At(m_drive); }
    QString WriteSetFile()
    {
        return ArchiveTestFolder::WriteAt(m_folder.filePath(u"set.zip"_s), QByteArray(1000, 'x'));
    }
    qint64 AddVolumeRow(int number, quint64 capacity, quint64 used)
    {
        return ArchivePoolFixture::AddVolumeRow(m_drive, number, capacity, used);
    }

    QString m_drive;
    FakeDriveSystem m_drives;
    std::optional<ArchivePool> m_pool;
};

TEST_F(ArchivePoolTest, AddWritesTheLabelAndFolderAndRecordsTheSizesThenTheDriveIsKept)
{
    EXPECT_TRUE(m_pool->IsPoolEmpty());
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Archive Pool Empty"_s);
    AddVolumeRow(1, kMegabyte, 0);
    m_ui.QueueAddingVolume(true);

    const std::optional<qint64> id = m_pool->AddVolume(m_drive);

    ASSERT_TRUE(id);
    const std::vector<AddingVolumeView> views = m_ui.TakeAddingVolumeViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(
        (QStringList{views[0].heading, views[0].volumeName, views[0].diskLabel}),
        (QStringList{u"Insert Disk in Drive "_s + m_drive, u"Archive Volume 2"_s, u"DVARC0002"_s}));
    EXPECT_EQ(Drive().label, u"DVARC0002"_s);
    EXPECT_TRUE(QFileInfo(m_drive + u"/Archives"_s).isDir());
    const std::optional<PoolVolume> volume = m_pool->Volume(*id);
    ASSERT_TRUE(volume);
    EXPECT_EQ(std::tuple(volume->name, volume->source, volume->capacity, volume->used, volume->cls),
              std::tuple(u"Archive Volume 2"_s, m_drive + u"/Archives/"_s, 10 * kMegabyte,
                         2 * kMegabyte, CatalogSchema::kEmptyArchiveVolumeClass + 2));
    EXPECT_EQ(m_pool->PoolDrive(), m_drive);
    EXPECT_FALSE(m_pool->IsPoolEmpty());

    // Mounted elsewhere, the volume is still found by its label.
    const qint64 set = AddSetRow(*id);
    m_drives.Insert(m_drive, u"OTHER"_s);
    const QString moved = m_folder.filePath(u"MOVED"_s);
    QDir().mkpath(moved + u"/Archives"_s);
    m_drives.Mount(moved, DriveKind::Removable, u"DVARC0002"_s);
    EXPECT_EQ(m_pool->MakeSetVolumeReady(set), moved + u"/Archives/"_s);

    // A pool that holds volumes asks before it moves to another drive.
    m_ui.QueueAnswer(MessageAnswer::No);
    EXPECT_FALSE(m_pool->ChangePoolDrive(m_folder.filePath(u"OTHER"_s)));
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Archive Destination Changing"_s);
    EXPECT_EQ(m_pool->PoolDrive(), m_drive);
}

// Each failed check keeps the dialog open: it is shown again and cancelled.
TEST_F(ArchivePoolTest, AddChecksKeepTheDialogOpenAndTheEmptyPoolMovesFreely)
{
    // Each row: what, prepare, answers, the captions shown.
    const std::tuple<const char *, std::function<void(FakeDriveSystem::Drive &)>,
                     std::vector<MessageAnswer>, QStringList>
        rows[] = {
            {"not ready",
             [](FakeDriveSystem::Drive &d) { d.ready = false; },
             {MessageAnswer::Cancel},
             {u"Archive Drive - "_s + m_drive}},
            {"files on the disk",
             [this](FakeDriveSystem::Drive &) {
                 QFile(m_drive + u"/note.txt"_s).open(QFile::WriteOnly);
             },
             {MessageAnswer::Cancel},
             {u"Disk Not Empty"_s}},
            {"write-protected",
             [](FakeDriveSystem::Drive &d) { d.labelWritable = false; },
             {},
             {u"Unable to Write to Media"_s}},
            {"Archives there",
             [this](FakeDriveSystem::Drive &) { QDir(m_drive).mkdir(u"Archives"_s); },
             {MessageAnswer::Ok},
             {u"Disk Not Empty"_s, u"Unable to Create Folder"_s}},
        };
    for (const auto &[what, prepare, answers, expected] : rows) {
        SCOPED_TRACE(what);
        QDir(m_drive).removeRecursively();
        QDir().mkpath(m_drive);
        m_drives.Insert(m_drive, u"BLANK"_s);
        Drive().labelWritable = true;
        prepare(Drive());
        for (MessageAnswer answer : answers)
            m_ui.QueueAnswer(answer);
        m_ui.QueueAddingVolume(true);
        m_ui.QueueAddingVolume(false);

        EXPECT_FALSE(m_pool->AddVolume(m_drive));
        const std::vector<AddingVolumeView> views = m_ui.TakeAddingVolumeViews();
        ASSERT_EQ(views.size(), 2u);
        EXPECT_TRUE(views[1].again);
        QStringList captions;
        for (const RecordedMessage &message : m_ui.TakeMessages())
            captions << message.caption;
        EXPECT_EQ(captions, expected);
        EXPECT_TRUE(m_pool->IsPoolEmpty({}, false));
        // Only a folder that was there stays; the disk keeps its label.
        EXPECT_EQ(QDir(m_drive).exists(u"Archives"_s), expected.size() == 2);
        EXPECT_EQ(Drive().label, u"BLANK"_s);
    }
    // An empty pool moves to another drive without asking.
    EXPECT_TRUE(m_pool->ChangePoolDrive(m_folder.filePath(u"OTHER"_s)));
    EXPECT_EQ(m_pool->PoolDrive(), m_folder.filePath(u"OTHER"_s));
}

TEST_F(ArchivePoolTest, OnlyAnEmptyVolumeIsRemoved)
{
    const qint64 full = AddVolumeRow(1, kMegabyte, 0);
    const qint64 empty = AddVolumeRow(2, kMegabyte, 0);
    AddSetRow(full);

    EXPECT_FALSE(m_pool->RemoveVolume(full));
    const RecordedMessage refusal = m_ui.TakeSingleMessage();
    EXPECT_EQ(refusal.caption, u"Volume Not Empty"_s);
    EXPECT_EQ(refusal.text, u"The selected volume is not empty. Only empty volumes can be\n"
                            "removed from the Archive Pool\n\nPlease either \"Free\" the volume, "
                            "or delete the Archive Sets contained"_s);
    EXPECT_TRUE(m_pool->RemoveVolume(empty));
    ASSERT_EQ(m_pool->Volumes().size(), 1u);
    EXPECT_EQ(m_pool->Volumes()[0].id, full);
}

TEST_F(ArchivePoolTest, SelectionPrefersTheDiskInTheDriveOnlyWhenSpaceIsNeeded)
{
    m_pool->SetPoolDrive(m_drive);
    const qint64 roomy = AddVolumeRow(1, 10 * kMegabyte, 1 * kMegabyte);
    const qint64 inDrive = AddVolumeRow(2, 10 * kMegabyte, 5 * kMegabyte);
    Drive().label = VolumeLabelOf(2);
    Drive().freeBytes = 5 * kMegabyte;
    const QString file = WriteSetFile();

    std::optional<ArchivePool::Selection> chosen = m_pool->SelectArchiveVolume(file, true, true);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->volumeId, inDrive);
    EXPECT_EQ(chosen->folder, m_drive + u"/Archives/"_s);

    // Without a space need the most free space wins: its disk is asked for.
    m_ui.QueueDeviceCheck(true, [&] { m_drives.Insert(m_drive, VolumeLabelOf(1)); });
    Drive().freeBytes = 9 * kMegabyte;
    chosen = m_pool->SelectArchiveVolume(file, false, true);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->volumeId, roomy);
    EXPECT_EQ(m_ui.TakeDeviceChecks().size(), 1u);

    // The excluded volume is never taken; a cancelled insert ends the request.
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(m_pool->SelectArchiveVolume(file, true, true, roomy));
    EXPECT_EQ(m_ui.TakeSingleMessage().text,
              u"The Archive request was been terminated by the User"_s);
    m_ui.TakeDeviceChecks();
}

TEST_F(ArchivePoolTest, ADiskFullerThanRecordedSendsTheSelectionElsewhere)
{
    m_pool->SetPoolDrive(m_drive);
    const qint64 first = AddVolumeRow(1, 10 * kMegabyte, 0);
    AddVolumeRow(2, 10 * kMegabyte, 9'999'999);
    Drive().label = VolumeLabelOf(1);
    Drive().freeBytes = 0; // filled since the catalog last looked

    EXPECT_FALSE(m_pool->SelectArchiveVolume(WriteSetFile(), true, true));
    EXPECT_EQ(m_pool->Volume(first)->cls, CatalogSchema::kFullArchiveVolumeClass);
    const RecordedMessage message = m_ui.TakeSingleMessage();
    EXPECT_EQ(message.caption, u"Archive Terminated"_s);
    EXPECT_TRUE(message.text.startsWith(u"Dirvanta was unable to locate an Archive Volume"_s));
}

// A free that cannot finish leaves each set on the freed volume, its row
// pointing there, and nothing in the work folder.
TEST_F(ArchivePoolTest, AFreeThatCannotFinishLeavesEverySetInPlace)
{
    // Each row: what, workFree, freedIn, caption, textStart.
    const std::tuple<const char *, quint64, bool, QString, QString> rows[] = {
        {"no local room", 0, true, u"Operation Failed"_s,
         u"The \"Free Volume\" request has failed due to lack of\nfree disk space on drive \""_s},
        {"pool full", 100 * kMegabyte, true, u"Operation Failed"_s,
         u"The Volume Pool is full. Some Archive Sets could not\n"_s},
        {"freed volume not brought", 100 * kMegabyte, false, u"Operation Cancelled"_s,
         u"The \"Free Volume\" Operation was cancelled by the User"_s},
    };
    const QString work = m_folder.filePath(u"work"_s);
    QDir().mkpath(work);
    FakeDriveSystem::Drive &local = m_drives.Mount(work, DriveKind::Fixed);
    local.totalBytes = 100 * kMegabyte;
    m_pool->SetPoolDrive(m_drive);
    const qint64 freed = AddVolumeRow(1, 10 * kMegabyte, kMegabyte);
    const qint64 set = AddSetRow(freed);
    const QString zip = ArchiveTestFolder::WriteAt(m_drive + u"/Archives/Set.ZIP"_s, {});
    for (const auto &[what, workFree, freedIn, caption, textStart] : rows) {
        SCOPED_TRACE(what);
        m_drives.At(work).freeBytes = workFree;
        m_drives.Insert(m_drive, freedIn ? VolumeLabelOf(1) : u"OTHER"_s);
        if (!freedIn)
            m_ui.QueueDeviceCheck(false);

        EXPECT_FALSE(m_pool->FreeVolume(freed, work));
        const RecordedMessage message = m_ui.TakeSingleMessage();
        EXPECT_EQ(message.caption, caption);
        EXPECT_TRUE(message.text.startsWith(textStart)) << message.text.toStdString();
        EXPECT_EQ(m_pool->SetCount(freed), 1);
        EXPECT_EQ(CountRows(u"SELECT VolSize FROM Catalogs WHERE ID = ?1"_s, set), freed);
        EXPECT_TRUE(QFile::exists(zip));
        EXPECT_TRUE(QDir(work).isEmpty());
        EXPECT_FALSE(m_ui.ProgressWindowOpen());
        m_ui.TakeDeviceChecks();
    }
}

// A disk written by another database: its label, already in the pool, is
// renamed after asking, and each ZIP file becomes an archive set with its
// members; other files give no set.
TEST_F(ArchivePoolTest, MergeTakesOverAVolumeOfAnotherDatabase)
{
    m_pool->SetPoolDrive(m_drive);
    AddVolumeRow(1, kMegabyte, 0);
    Drive().label = VolumeLabelOf(1);
    m_ui.QueueAnswer(MessageAnswer::Cancel); // no "Archives" folder: not a volume
    EXPECT_FALSE(m_pool->MergeVolume(m_drive));
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Merge Archive Volume"_s);

    ArchiveTestFolder members;
    members.Write(u"docs/a.txt"_s, "alpha");
    members.Write(u"b.txt"_s, "beta");
    QDir(m_drive).mkdir(u"Archives"_s);
    members.Zip({u"-r"_s, m_drive + u"/Archives/Backup 1.ZIP"_s, u"docs"_s, u"b.txt"_s});
    ArchiveTestFolder::WriteAt(m_drive + u"/Archives/notes.txt"_s, "not a zip");

    m_ui.QueueAnswer(MessageAnswer::Cancel);
    EXPECT_FALSE(m_pool->MergeVolume(m_drive));
    m_ui.TakeMessages();
    EXPECT_EQ(Drive().label, VolumeLabelOf(1));

    m_ui.QueueAnswer(MessageAnswer::Ok);
    std::optional<qint64> id;
    ASSERT_TRUE(m_data->RunInTransaction([&] { id = m_pool->MergeVolume(m_drive); }));
    ASSERT_TRUE(id);
    const RecordedMessage rename = m_ui.TakeSingleMessage();
    EXPECT_EQ(rename.text, u"The Archive Pool already contains an Volume called\"Archive Volume "
                           "1\".\n\nThe Archive Volume being merged, will be renamed to \"Archive "
                           "Volume 2\""_s);
    EXPECT_EQ(Drive().label, VolumeLabelOf(2));
    EXPECT_EQ(m_pool->Volume(*id)->name, u"Archive Volume 2"_s);
    EXPECT_EQ(m_pool->SetCount(*id), 1);
    const qint64 set = m_data->Catalogs.FindChild(CatalogSchema::kArchivesId, u"Backup 1"_s);
    EXPECT_EQ(CountRows(u"SELECT VolSize FROM Catalogs WHERE ID = ?1"_s, set), *id);
}

// A cancel while the sets are read rolls the whole merge back.
TEST_F(ArchivePoolTest, ACancelledMergeLeavesThePoolAsItWas)
{
    m_pool->SetPoolDrive(m_drive);
    Drive().label = VolumeLabelOf(3);
    ArchiveTestFolder members;
    members.Write(u"b.txt"_s, "beta");
    QDir(m_drive).mkdir(u"Archives"_s);
    for (const QString &name : {u"One.ZIP"_s, u"Two.ZIP"_s})
        members.Zip({m_drive + u"/Archives/"_s + name, u"b.txt"_s});
    qint64 tick = 0;
    m_ui.SetTickSource([&] { return tick += 10; });
    m_ui.SetOnProcessEvents([&] { m_ui.SetCancelled(true); });

    QString failure;
    EXPECT_FALSE(m_data->RunInTransaction([&] { m_pool->MergeVolume(m_drive); }, &failure));
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    EXPECT_TRUE(m_pool->IsPoolEmpty({}, false));
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Catalogs WHERE Class = "_s +
                        QString::number(kArchiveSetClass)),
              0);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
}

// Volumes on loop-mounted ext4 images.
using ArchivePoolMediaTest = ArchivePoolFixture;

// Two sets that fit on the local disk one at a time and on the other
// volumes one per volume: two passes, each set on its own new volume.
TEST_F(ArchivePoolMediaTest, FreeMovesTheSetsInAsManyPassesAsTheLocalDiskNeeds)
{
    const QString work = Root() + u"/work"_s;
    LoopMount mounts[4];
    QString reason;
    if (!MountImage(mounts[0], work, u"work"_s, 8, reason))
        GTEST_SKIP() << "cannot loop-mount: " << reason.toStdString();
    QStringList drives;
    for (int i = 1; i <= 3; ++i) {
        drives << MountVolume(mounts[i], u"v%1"_s.arg(i), i, i == 1 ? 16 : 8, reason);
        ASSERT_FALSE(drives.back().isEmpty()) << reason.toStdString();
    }

    ArchivePool pool(*m_data);
    pool.SetPoolDrive(drives[0]);
    const qint64 setSize = qint64(Drives().VolumeOf(work).freeBytes) * 6 / 10;
    std::vector<qint64> volumes;
    for (int i = 0; i < 3; ++i) {
        volumes.push_back(AddVolumeRow(drives[0], i + 1, Drives().VolumeOf(drives[i]).totalBytes));
        pool.RefreshVolumeUsage(volumes.back(), drives[i]);
    }
    std::vector<qint64> sets;
    for (const QString &name : {u"Set A"_s, u"Set B"_s}) {
        ArchiveTestFolder::WriteAt(drives[0] + u"/Archives/"_s + name + u".ZIP"_s,
                                   QByteArray(setSize, 'z'));
        sets.push_back(AddSetRow(volumes[0], name, setSize));
    }

    EXPECT_TRUE(pool.FreeVolume(volumes[0], work));

    EXPECT_EQ(m_ui.ProgressTexts().count(u"Moving Archive Sets to Local Disk..."_s), 2);
    EXPECT_EQ(pool.SetCount(volumes[0]), 0);
    EXPECT_EQ(CountRows(u"SELECT VolSize FROM Catalogs WHERE ID = ?1"_s, sets[0]), volumes[1]);
    EXPECT_EQ(CountRows(u"SELECT VolSize FROM Catalogs WHERE ID = ?1"_s, sets[1]), volumes[2]);
    EXPECT_EQ(QFileInfo(drives[1] + u"/Archives/Set A.ZIP"_s).size(), setSize);
    EXPECT_EQ(QFileInfo(drives[2] + u"/Archives/Set B.ZIP"_s).size(), setSize);
    EXPECT_TRUE(QDir(drives[0] + u"/Archives"_s).isEmpty());
    EXPECT_EQ(QDir(work).entryList({u"*.ZIP"_s}, QDir::Files), QStringList());
    EXPECT_TRUE(m_ui.TakeDeviceChecks().empty());
    EXPECT_TRUE(pool.RemoveVolume(volumes[0]));
}

// A real volume holding one set, with the keeper that makes renames and
// deletes reach the set's file.
class ArchiveSetFileTest : public ArchivePoolFixture
{
protected:
    void SetUp() override
    {
        ArchivePoolFixture::SetUp();
        QString reason;
        m_drive = MountVolume(m_mount, u"v1"_s, 1, 8, reason);
        if (m_drive.isEmpty())
            GTEST_SKIP() << "cannot loop-mount: " << reason.toStdString();
        m_keeper.emplace(*m_data);
        m_volume = AddVolumeRow(m_drive, 1, 8 * 1024 * 1024);
        m_set = AddSetRow(m_volume, u"Set A"_s, 3);
        ArchiveTestFolder::WriteAt(SetFile(u"Set A.ZIP"_s), "zip");
    }

    void TearDown() override
    {
        m_keeper.reset();
        ArchivePoolFixture::TearDown();
    }

    QString SetFile(const QString &name) const { return m_drive + u"/Archives/"_s + name; }

    LoopMount m_mount;
    QString m_drive;
    qint64 m_volume = 0;
    qint64 m_set = 0;
    std::optional<ArchiveSetFileKeeper> m_keeper;
};

TEST_F(ArchiveSetFileTest, ARenamedSetRenamesItsFileOrKeepsItsName)
{
    QString name = u"Set B"_s;
    EXPECT_TRUE(m_data->RunInTransaction([&] { RenameObject(*m_data, m_set, name); }));
    EXPECT_TRUE(QFile::exists(SetFile(u"Set B.ZIP"_s)));
    EXPECT_FALSE(QFile::exists(SetFile(u"Set A.ZIP"_s)));

    // A command that fails after the rename finds the file under its old name.
    name = u"Set C"_s;
    EXPECT_FALSE(m_data->RunInTransaction([&] {
        RenameObject(*m_data, m_set, name);
        throw EDirvantaFailed(QString());
    }));
    EXPECT_TRUE(QFile::exists(SetFile(u"Set B.ZIP"_s)));
    EXPECT_FALSE(QFile::exists(SetFile(u"Set C.ZIP"_s)));

    // A file of the new name on the volume is never replaced: the row keeps
    // its name and the user hears why.
    ArchiveTestFolder::WriteAt(SetFile(u"Set C.ZIP"_s), "other");
    EXPECT_FALSE(m_data->RunInTransaction([&] { RenameObject(*m_data, m_set, name); }));
    EXPECT_EQ(m_data->Catalogs.GetNameByID(m_set), u"Set B"_s);
    EXPECT_TRUE(QFile::exists(SetFile(u"Set B.ZIP"_s)));
    EXPECT_EQ(QFileInfo(SetFile(u"Set C.ZIP"_s)).size(), 5);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Error Renaming Object"_s);
}

TEST_F(ArchiveSetFileTest, ASetLosesItsFileOnlyWhenDeletedForGoodAndCommitted)
{
    // A set whose volume is not brought in keeps its row, its members and
    // its file.
    const qint64 elsewhere = AddSetRow(AddVolumeRow(m_drive, 2, 8 * 1024 * 1024), u"Set Z"_s, 3);
    const qint64 member = AddObject(elsewhere, u"Folder"_s);
    m_ui.QueueDeviceCheck(false);
    EXPECT_TRUE(m_data->RunInTransaction([&] {
        RunObjectJob(*m_data, ObjectJob::DeletePermanently, {elsewhere, m_set});
    }));
    EXPECT_EQ(ObjectClass(*m_data, elsewhere), kArchiveSetClass);
    EXPECT_GE(ObjectClass(*m_data, member), 0);
    EXPECT_EQ(ObjectClass(*m_data, m_set), kArchiveSetClass);
    EXPECT_EQ(m_ui.TakeDeviceChecks().size(), 1u);

    EXPECT_TRUE(m_data->RunInTransaction(
        [&] { RunObjectJob(*m_data, ObjectJob::SendToWastebasket, {m_set}); }));
    EXPECT_TRUE(QFile::exists(SetFile(u"Set A.ZIP"_s)));

    // Emptying the Wastebasket deletes the set for good; a command that
    // fails afterwards keeps the row and so the file.
    EXPECT_FALSE(m_data->RunInTransaction([&] {
        RunObjectJob(*m_data, ObjectJob::EmptyWastebasket, {});
        throw EDirvantaFailed(QString());
    }));
    EXPECT_EQ(ObjectClass(*m_data, m_set), kArchiveSetClass);
    EXPECT_TRUE(QFile::exists(SetFile(u"Set A.ZIP"_s)));

    EXPECT_TRUE(
        m_data->RunInTransaction([&] { RunObjectJob(*m_data, ObjectJob::EmptyWastebasket, {}); }));
    EXPECT_EQ(ObjectClass(*m_data, m_set), -1);
    EXPECT_FALSE(QFile::exists(SetFile(u"Set A.ZIP"_s)));
    EXPECT_GT(ArchivePool(*m_data).Volume(m_volume)->used, 0u);
}

} // namespace
