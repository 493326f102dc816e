#include "media/CatalogMedia.h"

#include "../store/StoreFixture.h"
#include "media/ObjectProperties.h"
#include "platform/DisplayFormats.h"
#include "store/CatalogSchema.h"
#include "store/Wastebasket.h"
#include "support/FakeDriveSystem.h"

#include <QFile>

namespace {

void WriteFile(const QString &path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(int(size), 'x'));
}

// A removable medium mounted in a temporary folder, with a small tree.
class CatalogMediaTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_medium = m_folder.filePath(QStringLiteral("medium"));
        QDir().mkpath(m_medium + QStringLiteral("/Docs/Deep"));
        WriteFile(m_medium + QStringLiteral("/README.TXT"), 100);
        WriteFile(m_medium + QStringLiteral("/Docs/letter.odt"), 2000);
        WriteFile(m_medium + QStringLiteral("/Docs/Deep/photo.jpg"), 30000);
        FakeDriveSystem::Drive &drive =
            m_drives.Mount(m_medium, DriveKind::Removable, QStringLiteral("STICK"));
        drive.totalBytes = 8'000'000'000ULL;
        drive.freeBytes = 1'000'000'000ULL;
    }

    qint64 Count(const QString &sql) { return CountRows(sql); }

    FakeDriveSystem m_drives;
    QString m_medium;
    CatalogOptions m_options;
};

} // namespace

TEST_F(CatalogMediaTest, NewCatalogHoldsTheMediumAndItsSize)
{
    qint64 id = -1;
    const CatalogRequest request{m_medium,
                                 QStringLiteral("My Stick"),
                                 3,
                                 QStringLiteral("STICK"),
                                 QStringLiteral("STICK"),
                                 QStringLiteral("keep")};
    ASSERT_TRUE(m_data->RunInTransaction(
        [&] { ASSERT_TRUE(CatalogMedia(*m_data, m_options, request, &id)); }));
    EXPECT_EQ(GetObjectPath(*m_data, id), QStringLiteral("Catalogs\\My Stick"));
    EXPECT_EQ(GetObjectSize(*m_data, id), 32100);
    EXPECT_EQ(Count(QStringLiteral("SELECT Class FROM Catalogs WHERE ID = %1").arg(id)),
              CatalogSchema::kRemovableDiskClass);
    EXPECT_EQ(Count(QStringLiteral("SELECT VolSize FROM Catalogs WHERE ID = %1").arg(id)),
              8'000'000'000LL);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM Catalogs WHERE Class = %1")
                        .arg(CatalogSchema::kFileFolderClass)),
              2);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM Files")), 3);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM Files WHERE Name = 'README.TXT'")), 1);
    EXPECT_EQ(GetObjectComment(*m_data, id), QStringLiteral("keep"));
    EXPECT_TRUE(m_drives.LabelWrites().empty());
}

TEST_F(CatalogMediaTest, ANewLabelIsWrittenAndARefusedWriteAsks)
{
    qint64 id = -1;
    ASSERT_TRUE(CatalogMedia(*m_data, m_options,
                             {m_medium, QStringLiteral("A"), 3, QStringLiteral("STICK"),
                              QStringLiteral("holiday"), QString()},
                             &id));
    EXPECT_EQ(m_drives.At(m_medium).label, QStringLiteral("holiday"));
    EXPECT_EQ(m_data->Catalogs.LookupCursor()->FieldValue(QStringLiteral("SerialID")).toString(),
              QStringLiteral("HOLIDAY"));

    m_drives.At(m_medium).labelWritable = false;
    m_ui.QueueAnswer(MessageAnswer::No);
    EXPECT_FALSE(CatalogMedia(*m_data, m_options,
                              {m_medium, QStringLiteral("B"), 3, QStringLiteral("holiday"),
                               QStringLiteral("OTHER"), QString()}));
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, QStringLiteral("Access Error"));
    EXPECT_EQ(box.text,
              QStringLiteral("Unable to Write to the Media being cataloged, either the Disk "
                             "is damaged or is write protected\n\nDo you wish to ignore "
                             "this error and continue with the Catalog ?"));
    EXPECT_EQ(m_data->Catalogs.FindChild(3, QStringLiteral("B")), -1);

    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(CatalogMedia(*m_data, m_options,
                             {m_medium, QStringLiteral("C"), 3, QStringLiteral("holiday"),
                              QStringLiteral("OTHER"), QString()},
                             &id));
    m_ui.TakeMessages();
    EXPECT_EQ(m_data->Catalogs.LookupCursor()->FieldValue(QStringLiteral("SerialID")).toString(),
              QStringLiteral("HOLIDAY"));
}

TEST_F(CatalogMediaTest, NamesAndTargetFolders)
{
    EXPECT_EQ(UniqueCatalogName(*m_data, 3), QStringLiteral("New Disk Catalog"));
    AddObject(CatalogSchema::kCatalogsId, QStringLiteral("new disk catalog"),
              CatalogSchema::kHardDiskClass);
    AddObject(CatalogSchema::kCatalogsId, QStringLiteral("New Disk Catalog (2)"),
              CatalogSchema::kHardDiskClass);
    EXPECT_EQ(UniqueCatalogName(*m_data, 3), QStringLiteral("New Disk Catalog (3)"));

    const qint64 work = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Work"),
                                  CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObject(work, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass);
    const qint64 folder =
        AddObject(disk, QStringLiteral("Folder"), CatalogSchema::kFileFolderClass);
    EXPECT_EQ(CatalogTargetFolder(*m_data, folder), work);
    EXPECT_EQ(CatalogTargetFolder(*m_data, work), work);
    EXPECT_EQ(CatalogTargetFolder(*m_data, 5), 3);
    EXPECT_EQ(CatalogTargetFolder(*m_data, 1), 3);
}

TEST_F(CatalogMediaTest, UpdateRebuildsBesideTheOldOneAndKeepsCommentsAndDates)
{
    qint64 first = -1;
    ASSERT_TRUE(CatalogMedia(*m_data, m_options,
                             {m_medium, QStringLiteral("Stick"), 3, QStringLiteral("STICK"),
                              QStringLiteral("STICK"), QStringLiteral("the catalog's own")},
                             &first));
    // The letter's name as an earlier build stored it, capitalised: its
    // comment is taken over all the same.
    m_data->CatalogDatabase.ExecuteScript(
        QStringLiteral("UPDATE Files SET Comment = 'about the letter', Name = 'Letter.odt' "
                       "WHERE Name = 'letter.odt';"
                       "UPDATE Catalogs SET Comment = 'deep folder' WHERE Name = 'Deep';"
                       "UPDATE Catalogs SET Created = 40000 WHERE ID = %1;")
            .arg(first));
    WriteFile(m_medium + QStringLiteral("/new.txt"), 5);
    WriteFile(m_medium + QStringLiteral("/README.TXT"), 101); // changed: loses nothing it had

    qint64 second = -1;
    ASSERT_TRUE(UpdateCatalog(*m_data, m_options, first, &second));
    EXPECT_NE(second, first);
    EXPECT_EQ(GetObjectName(*m_data, first), QString());
    EXPECT_EQ(GetObjectPath(*m_data, second), QStringLiteral("Catalogs\\Stick"));
    EXPECT_EQ(GetObjectComment(*m_data, second), QStringLiteral("the catalog's own"));
    EXPECT_EQ(Count(QStringLiteral("SELECT Created FROM Catalogs WHERE ID = %1").arg(second)),
              40000);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM Files")), 4);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM Files WHERE Name = 'letter.odt' AND "
                                   "Comment = 'about the letter'")),
              1);
    EXPECT_EQ(Count(QStringLiteral(
                  "SELECT COUNT(*) FROM Catalogs WHERE Name = 'Deep' AND Comment = 'deep folder'")),
              1);
    EXPECT_EQ(GetObjectSize(*m_data, second), 32106);
    EXPECT_FALSE(m_options.reuseComments);
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());

    // Another disk in the drive: asked for, given up, nothing changes.
    m_drives.Insert(m_medium, QStringLiteral("OTHER"));
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(UpdateCatalog(*m_data, m_options, second));
    m_ui.TakeDeviceChecks();
    EXPECT_EQ(GetObjectName(*m_data, second), QStringLiteral("Stick"));

    // Not a disk catalog: nothing happens.
    EXPECT_FALSE(UpdateCatalog(*m_data, m_options, 3));
}

namespace {

using namespace CatalogSchema;

// The stick cataloged by a real scan into a catalog folder "Work".
class ObjectPropertiesTest : public CatalogMediaTest
{
protected:
    void SetUp() override
    {
        CatalogMediaTest::SetUp();
        m_work = AddObject(kCatalogsId, QStringLiteral("Work"), kCatalogFolderClass);
        ASSERT_TRUE(CatalogMedia(*m_data, m_options,
                                 {m_medium, QStringLiteral("Stick"), m_work,
                                  QStringLiteral("STICK"), QStringLiteral("STICK"), QString()},
                                 &m_stick));
    }

    PropertiesDetails Details(qint64 number, bool file = false)
    {
        PropertiesDetails details;
        EXPECT_TRUE(ReadPropertiesDetails(*m_data, file, number, details));
        return details;
    }

    PropertiesStatistics Statistics(const PropertiesDetails &details)
    {
        PropertiesStatistics statistics = InitialStatistics(details);
        ComputeStatistics(*m_data, details, statistics);
        return statistics;
    }

    qint64 m_work = -1;
    qint64 m_stick = -1;
};

} // namespace

TEST_F(ObjectPropertiesTest, CatalogPagesCountWhatTheScanFound)
{
    const PropertiesDetails folder = Details(m_work);
    EXPECT_FALSE(folder.inCatalog);
    EXPECT_EQ(folder.location, QStringLiteral("Catalogs"));
    const PropertiesStatistics counted = Statistics(folder);
    EXPECT_TRUE(counted.complete);
    EXPECT_EQ(counted.Value(QStringLiteral("Disk Catalogs:")), QStringLiteral("1"));
    EXPECT_EQ(counted.Value(QStringLiteral("Cataloged Folders:")), QStringLiteral("2"));
    EXPECT_EQ(counted.Value(QStringLiteral("Catalog Folders:")), QStringLiteral("0"));
    EXPECT_EQ(counted.Value(QStringLiteral("Cataloged Files:")), QStringLiteral("3"));
    EXPECT_EQ(counted.Value(QStringLiteral("Size of Cataloged Files:")), SizeText(32100, true));
    EXPECT_EQ(counted.lines.size(), 7); // no deleted date outside the Wastebasket

    const PropertiesDetails stick = Details(m_stick);
    EXPECT_TRUE(stick.labelEditable);
    EXPECT_TRUE(stick.sourceEditable);
    EXPECT_EQ(stick.catalogName, QStringLiteral("Stick"));
    EXPECT_EQ(stick.label, QStringLiteral("STICK"));
    EXPECT_EQ(stick.source, m_medium);
    EXPECT_EQ(Statistics(stick).Value(QStringLiteral("Disk Catalogs:")), QStringLiteral("0"));

    const PropertiesDetails deep = Details(m_data->Catalogs.FindChild(
        m_data->Catalogs.FindChild(m_stick, QStringLiteral("Docs")), QStringLiteral("Deep")));
    EXPECT_EQ(deep.location, QStringLiteral("Catalogs\\Work\\Stick\\Docs"));
    EXPECT_EQ(deep.catalogName, QStringLiteral("Stick"));
    EXPECT_FALSE(deep.labelEditable || deep.sourceEditable);
    EXPECT_EQ(Statistics(deep).Value(QStringLiteral("Cataloged Files:")), QStringLiteral("1"));

    // In the Wastebasket the page shows when the folder went there.
    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(DeleteObjects(*m_data, {m_work}, false));
    m_ui.TakeMessages();
    const PropertiesDetails deleted = Details(m_work);
    EXPECT_TRUE(deleted.deletedShown);
    EXPECT_GT(deleted.deleted, 0);
    EXPECT_EQ(Statistics(deleted).Value(QStringLiteral("Catalog Entry Deleted:")),
              LongDateTimeText(deleted.deleted));
}

TEST_F(ObjectPropertiesTest, FilePageAndItsCommentTouchOnlyTheFileRow)
{
    const qint64 key = Count(QStringLiteral("SELECT Key FROM Files WHERE Name = 'letter.odt'"));
    m_data->CatalogDatabase.ExecuteScript(
        QStringLiteral("UPDATE Files SET Class = 33 WHERE Key = %1;").arg(key));
    const PropertiesDetails file = Details(key, true);
    EXPECT_EQ(file.name, QStringLiteral("letter.odt"));
    EXPECT_EQ(file.location, QStringLiteral("Catalogs\\Work\\Stick\\Docs"));
    EXPECT_EQ(file.catalogName, QStringLiteral("Stick"));
    EXPECT_FALSE(file.labelEditable || file.sourceEditable);
    EXPECT_FALSE(PropertiesLayoutOf(file.cls, true).viewOnly);
    const PropertiesStatistics page = Statistics(file);
    EXPECT_EQ(page.Value(QStringLiteral("Size:")), SizeText(2000, true));
    EXPECT_EQ(page.Value(QStringLiteral("Attributes:")), QStringLiteral("Read-only, Archive"));
    EXPECT_EQ(page.Value(QStringLiteral("Modified:")), LongDateTimeText(file.modified));

    const double stamped = GetObjectModified(*m_data, m_stick);
    PropertiesEdits edits{QStringLiteral("signed"), file.label, file.source};
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, file, edits), PropertiesOutcome::Saved);
    EXPECT_EQ(GetFileComment(*m_data, key), QStringLiteral("signed"));
    EXPECT_EQ(GetObjectModified(*m_data, m_stick), stamped);
}

TEST_F(ObjectPropertiesTest, DatabasePageListsTheTableFilesAndTheirTotal)
{
    const PropertiesDetails database = Details(kDatabaseObjectId);
    const PropertiesLayout layout = PropertiesLayoutOf(database.cls, false);
    EXPECT_EQ(layout.page, StatisticsPageKind::Database);
    EXPECT_TRUE(layout.viewOnly);
    EXPECT_FALSE(layout.detailsTab || layout.poolTabs);
    const PropertiesStatistics page = Statistics(database);
    QStringList names;
    qint64 total = 0;
    for (const DatabaseFileEntry &file : page.databaseFiles) {
        names << file.name;
        total += file.size;
    }
    EXPECT_TRUE(names.contains(kCatalogsFileName));
    EXPECT_TRUE(names.contains(kFilesFileName));
    EXPECT_EQ(page.Value(QStringLiteral("Space used by Database: ")), SizeText(total, true));
    EXPECT_EQ(page.Value(QStringLiteral("Database Version:")), QStringLiteral("210"));
    EXPECT_TRUE(PropertiesLayoutOf(kVolumePoolClass, false).poolTabs);
}

TEST_F(ObjectPropertiesTest, CancelStopsTheCountingWalk)
{
    m_ui.SetTickSource([ticks = qint64(0)]() mutable { return ticks += 1000; });
    m_ui.SetOnProcessEvents([this] { m_ui.SetCancelled(true); });
    const PropertiesStatistics page = Statistics(Details(m_work));
    EXPECT_FALSE(page.complete);
    EXPECT_NE(page.Value(QStringLiteral("Cataloged Files:")), QStringLiteral("3"));
    m_ui.SetCancelled(false);
}

TEST_F(ObjectPropertiesTest, LabelAndSourceChangesFollowTheDrive)
{
    PropertiesDetails stick = Details(m_stick);
    // Another letter case only is no change: nothing is written.
    PropertiesEdits edits{QString(), QStringLiteral("stick"), m_medium};
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::Saved);
    EXPECT_TRUE(m_drives.LabelWrites().empty());

    m_drives.At(m_medium).labelWritable = false;
    edits.label = QStringLiteral("travel");
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::StayOpen);
    const RecordedMessage refused = m_ui.TakeSingleMessage();
    EXPECT_EQ(refused.caption, QStringLiteral("Unable to Label Disk"));
    EXPECT_EQ(refused.text, QStringLiteral("The Disk in Drive ") + m_medium +
                                QStringLiteral(" is Write-Protected. The request to change "
                                               "the Disk Label has failed."));
    EXPECT_EQ(edits.label, QStringLiteral("STICK"));

    m_drives.At(m_medium).labelWritable = true;
    edits.label = QStringLiteral("travel");
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::Saved);
    EXPECT_EQ(m_drives.At(m_medium).label, QStringLiteral("travel"));
    stick = Details(m_stick);
    EXPECT_EQ(stick.label, QStringLiteral("TRAVEL"));

    // A source on a fixed disk is refused; another removable disk is taken.
    const QString fixed = m_folder.filePath(QStringLiteral("fixed"));
    const QString other = m_folder.filePath(QStringLiteral("other"));
    QDir().mkpath(fixed);
    QDir().mkpath(other);
    m_drives.Mount(fixed, DriveKind::Fixed, QStringLiteral("DATA"));
    m_drives.Mount(other, DriveKind::Removable, QStringLiteral("OTHER"));
    edits = {QString(), stick.label, fixed};
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::StayOpen);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Invalid Catalog Source"));
    edits = {QStringLiteral("moved"), stick.label, QStringLiteral(" ") + other};
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::Saved);
    stick = Details(m_stick);
    EXPECT_EQ(stick.source, other);
    EXPECT_EQ(stick.comment, QStringLiteral("moved"));
}

TEST_F(ObjectPropertiesTest, ArchivePagesCountVolumesSetsAndTheirFiles)
{
    // A volume of 4,000 bytes with 1,000 in use, holding a set with a folder
    // and two files; the set's row points at the volume through VolSize.
    const double now = NowDayCount();
    const qint64 volume =
        AppendCatalogRow(m_data->Catalogs, QStringLiteral("Archive Volume 1"), QString(),
                         kVolumePoolId, kEmptyArchiveVolumeClass, false, now, now, QString(),
                         QStringLiteral("DVARC0001"), 1000, 4000);
    const qint64 set =
        AppendCatalogRow(m_data->Catalogs, QStringLiteral("Set"), QString(), kArchivesId,
                         kArchiveSetClass, false, now, now, QString(), QString(), 900, volume);
    AddFile(AddObject(set, QStringLiteral("Inner"), kArchiveFolderClass), QStringLiteral("a"), 300);
    AddFile(set, QStringLiteral("b"), 200);

    const PropertiesStatistics onVolume = Statistics(Details(volume));
    EXPECT_EQ(onVolume.Value(QStringLiteral("Archive Sets:")), QStringLiteral("1"));
    EXPECT_EQ(onVolume.Value(QStringLiteral("Archived Folders:")), QStringLiteral("1"));
    EXPECT_EQ(onVolume.Value(QStringLiteral("Archived Files:")), QStringLiteral("2"));
    EXPECT_EQ(onVolume.Value(QStringLiteral("Size of Archived Files:")), SizeText(500, true));
    EXPECT_EQ(onVolume.Value(QStringLiteral("Space Free on Volume:")), SizeText(3000, true));
    EXPECT_EQ(onVolume.Value(QStringLiteral("Percentage Used:")),
              DisplayLocale().toString(25.0, 'f', 2) + u'%');

    const PropertiesStatistics ofSet = Statistics(Details(set));
    EXPECT_EQ(ofSet.Value(QStringLiteral("Folders in Archive Set::")), QStringLiteral("1"));
    EXPECT_EQ(ofSet.Value(QStringLiteral("Space Used on Volume:")), SizeText(900, true));

    const PropertiesDetails pool = Details(kVolumePoolId);
    EXPECT_TRUE(PropertiesLayoutOf(pool.cls, false).viewOnly);
    const PropertiesStatistics ofPool = Statistics(pool);
    EXPECT_EQ(ofPool.Value(QStringLiteral("Archive Volumes:")), QStringLiteral("1"));
    EXPECT_EQ(ofPool.Value(QStringLiteral("Size of Archived Sets:")), SizeText(900, true));

    // A volume whose capacity is unknown shows no space figures.
    m_data->CatalogDatabase.ExecuteScript(
        QStringLiteral("UPDATE Catalogs SET VolSize = 0 WHERE ID = %1;").arg(volume));
    EXPECT_EQ(Statistics(Details(volume)).Value(QStringLiteral("Percentage Used:")),
              QStringLiteral("N/A"));
}
