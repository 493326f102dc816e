#include "media/CatalogMedia.h"

#include "../archive/ArchivePoolFixture.h"
#include "../archive/ArchiveTestFolder.h"
#include "media/ObjectProperties.h"
#include "platform/DisplayFormats.h"
#include "store/CatalogSchema.h"
#include "store/Wastebasket.h"
#include "support/FakeDriveSystem.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// A removable medium mounted in a temporary folder, with a small tree.
class CatalogMediaTest : public ArchivePoolFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_medium = m_folder.filePath(u"medium"_s);
        QDir().mkpath(m_medium + u"/Docs/Deep"_s);
        ArchiveTestFolder::WriteAt(m_medium + u"/README.TXT"_s, QByteArray(100, 'x'));
        ArchiveTestFolder::WriteAt(m_medium + u"/Docs/letter.odt"_s, QByteArray(2000, 'x'));
        ArchiveTestFolder::WriteAt(m_medium + u"/Docs/Deep/photo.jpg"_s, QByteArray(30000, 'x'));
        FakeDriveSystem::Drive &drive = m_drives.Mount(m_medium, DriveKind::Removable, u"STICK"_s);
        drive.totalBytes = 8'000'000'000ULL;
        drive.freeBytes = 1'000'000'000ULL;
    }

    FakeDriveSystem m_drives;
    QString m_medium;
    CatalogOptions m_options;
};

} // namespace

TEST_F(CatalogMediaTest, NewCatalogHoldsTheMediumAndItsSizeAndWritesANewLabel)
{
    qint64 id = -1;
    const CatalogRequest request{m_medium, u"My Stick"_s, 3, u"STICK"_s, u"STICK"_s, u"keep"_s};
    ASSERT_TRUE(m_data->RunInTransaction(
        [&] { ASSERT_TRUE(CatalogMedia(*m_data, m_options, request, &id)); }));
    EXPECT_EQ(GetObjectPath(*m_data, id), u"Catalogs\\My Stick"_s);
    EXPECT_EQ(GetObjectSize(*m_data, id), 32100);
    EXPECT_EQ(CountRows(u"SELECT Class FROM Catalogs WHERE ID = ?1"_s, id),
              CatalogSchema::kRemovableDiskClass);
    EXPECT_EQ(CountRows(u"SELECT VolSize FROM Catalogs WHERE ID = ?1"_s, id), 8'000'000'000LL);
    EXPECT_EQ(GetObjectComment(*m_data, id), u"keep"_s);
    EXPECT_TRUE(m_drives.LabelWrites().empty());

    // A new label is written; a refused write asks.
    ASSERT_TRUE(CatalogMedia(*m_data, m_options,
                             {m_medium, u"A"_s, 3, u"STICK"_s, u"holiday"_s, QString()}, &id));
    EXPECT_EQ(m_drives.At(m_medium).label, u"holiday"_s);
    EXPECT_EQ(m_data->Catalogs.LookupCursor()->FieldValue(u"SerialID"_s).toString(), u"HOLIDAY"_s);

    m_drives.At(m_medium).labelWritable = false;
    m_ui.QueueAnswer(MessageAnswer::No);
    EXPECT_FALSE(CatalogMedia(*m_data, m_options,
                              {m_medium, u"B"_s, 3, u"holiday"_s, u"OTHER"_s, QString()}));
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Access Error"_s);
    EXPECT_EQ(box.text, u"Unable to Write to the Media being cataloged, either the Disk "
                        "is damaged or is write protected\n\nDo you wish to ignore "
                        "this error and continue with the Catalog ?"_s);
    EXPECT_EQ(m_data->Catalogs.FindChild(3, u"B"_s), -1);

    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(CatalogMedia(*m_data, m_options,
                             {m_medium, u"C"_s, 3, u"holiday"_s, u"OTHER"_s, QString()}, &id));
    m_ui.TakeMessages();
    EXPECT_EQ(m_data->Catalogs.LookupCursor()->FieldValue(u"SerialID"_s).toString(), u"HOLIDAY"_s);
}

TEST_F(CatalogMediaTest, NamesAndTargetFolders)
{
    EXPECT_EQ(UniqueCatalogName(*m_data, 3), u"New Disk Catalog"_s);
    AddObject(CatalogSchema::kCatalogsId, u"new disk catalog"_s, CatalogSchema::kHardDiskClass);
    AddObject(CatalogSchema::kCatalogsId, u"New Disk Catalog (2)"_s, CatalogSchema::kHardDiskClass);
    EXPECT_EQ(UniqueCatalogName(*m_data, 3), u"New Disk Catalog (3)"_s);

    const qint64 work =
        AddObject(CatalogSchema::kCatalogsId, u"Work"_s, CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObject(work, u"Disk"_s, CatalogSchema::kHardDiskClass);
    const qint64 folder = AddObject(disk, u"Folder"_s, CatalogSchema::kFileFolderClass);
    EXPECT_EQ(CatalogTargetFolder(*m_data, folder), work);
    EXPECT_EQ(CatalogTargetFolder(*m_data, work), work);
    EXPECT_EQ(CatalogTargetFolder(*m_data, 5), 3);
}

TEST_F(CatalogMediaTest, UpdateRebuildsBesideTheOldOneAndKeepsCommentsAndDates)
{
    qint64 first = -1;
    ASSERT_TRUE(CatalogMedia(
        *m_data, m_options,
        {m_medium, u"Stick"_s, 3, u"STICK"_s, u"STICK"_s, u"the catalog's own"_s}, &first));
    // The letter's name as an earlier build stored it, capitalised: its
    // comment is taken over all the same.
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Files SET Comment = 'about the letter', Name = 'Letter.odt' "
        "WHERE Name = 'letter.odt';"
        "UPDATE Files SET Comment = 'old size' WHERE Name = 'README.TXT';"
        "UPDATE Catalogs SET Comment = 'deep folder' WHERE Name = 'Deep';"
        "UPDATE Catalogs SET Created = 40000 WHERE ID = %1;"_s.arg(first));
    ArchiveTestFolder::WriteAt(m_medium + u"/new.txt"_s, QByteArray(5, 'x'));
    ArchiveTestFolder::WriteAt(m_medium + u"/README.TXT"_s,
                               QByteArray(101, 'x')); // changed: loses nothing it had

    qint64 second = -1;
    ASSERT_TRUE(UpdateCatalog(*m_data, m_options, first, &second));
    EXPECT_NE(second, first);
    EXPECT_EQ(GetObjectName(*m_data, first), QString());
    EXPECT_EQ(GetObjectPath(*m_data, second), u"Catalogs\\Stick"_s);
    EXPECT_EQ(GetObjectComment(*m_data, second), u"the catalog's own"_s);
    EXPECT_EQ(CountRows(u"SELECT Created FROM Catalogs WHERE ID = ?1"_s, second), 40000);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files"_s), 4);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files WHERE Name = 'letter.odt' AND "
                        "Comment = 'about the letter'"_s),
              1);
    EXPECT_EQ(
        CountRows(
            u"SELECT COUNT(*) FROM Catalogs WHERE Name = 'Deep' AND Comment = 'deep folder'"_s),
        1);
    EXPECT_EQ(GetObjectSize(*m_data, second), 32106);
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    // Only an update carries comments over, whatever the options say.
    ASSERT_TRUE(CatalogMedia(*m_data, m_options,
                             {m_medium, u"Plain"_s, 3, u"STICK"_s, u"STICK"_s, QString()}));
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files WHERE Comment <> ''"_s), 1);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Catalogs WHERE Comment = 'deep folder'"_s), 1);

    // Another disk in the drive: asked for, given up, nothing changes.
    m_drives.Insert(m_medium, u"OTHER"_s);
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(UpdateCatalog(*m_data, m_options, second));
    m_ui.TakeDeviceChecks();
    EXPECT_EQ(GetObjectName(*m_data, second), u"Stick"_s);

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
        m_work = AddObject(kCatalogsId, u"Work"_s, kCatalogFolderClass);
        ASSERT_TRUE(CatalogMedia(*m_data, m_options,
                                 {m_medium, u"Stick"_s, m_work, u"STICK"_s, u"STICK"_s, QString()},
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
    EXPECT_EQ(folder.location, u"Catalogs"_s);
    const PropertiesStatistics counted = Statistics(folder);
    EXPECT_TRUE(counted.complete);
    EXPECT_EQ(counted.Value(u"Disk Catalogs:"_s), u"1"_s);
    EXPECT_EQ(counted.Value(u"Cataloged Folders:"_s), u"2"_s);
    EXPECT_EQ(counted.Value(u"Catalog Folders:"_s), u"0"_s);
    EXPECT_EQ(counted.Value(u"Cataloged Files:"_s), u"3"_s);
    EXPECT_EQ(counted.Value(u"Size of Cataloged Files:"_s), SizeText(32100, true));
    EXPECT_EQ(counted.lines.size(), 7); // no deleted date outside the Wastebasket

    const PropertiesDetails stick = Details(m_stick);
    EXPECT_EQ(std::tuple(stick.labelEditable, stick.sourceEditable, stick.catalogName, stick.label,
                         stick.source),
              std::tuple(true, true, u"Stick"_s, u"STICK"_s, m_medium));
    EXPECT_EQ(Statistics(stick).Value(u"Disk Catalogs:"_s), u"0"_s);

    const PropertiesDetails deep = Details(
        m_data->Catalogs.FindChild(m_data->Catalogs.FindChild(m_stick, u"Docs"_s), u"Deep"_s));
    EXPECT_EQ(deep.location, u"Catalogs\\Work\\Stick\\Docs"_s);
    EXPECT_EQ(deep.catalogName, u"Stick"_s);
    EXPECT_FALSE(deep.labelEditable || deep.sourceEditable);
    EXPECT_EQ(Statistics(deep).Value(u"Cataloged Files:"_s), u"1"_s);

    // In the Wastebasket the page shows when the folder went there.
    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(DeleteObjects(*m_data, {m_work}, false));
    m_ui.TakeMessages();
    const PropertiesDetails deleted = Details(m_work);
    EXPECT_TRUE(deleted.deletedShown);
    EXPECT_GT(deleted.deleted, 0);
    EXPECT_EQ(Statistics(deleted).Value(u"Catalog Entry Deleted:"_s),
              LongDateTimeText(deleted.deleted));
}

TEST_F(ObjectPropertiesTest, FilePageAndItsCommentTouchOnlyTheFileRow)
{
    const qint64 key = CountRows(u"SELECT Key FROM Files WHERE Name = 'letter.odt'"_s);
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Files SET Class = 33 WHERE Key = %1;"_s.arg(key));
    const PropertiesDetails file = Details(key, true);
    EXPECT_EQ((QStringList{file.name, file.location, file.catalogName}),
              (QStringList{u"letter.odt"_s, u"Catalogs\\Work\\Stick\\Docs"_s, u"Stick"_s}));
    EXPECT_FALSE(file.labelEditable || file.sourceEditable);
    EXPECT_FALSE(PropertiesLayoutOf(file.cls, true).viewOnly);
    const PropertiesStatistics page = Statistics(file);
    EXPECT_EQ(page.Value(u"Size:"_s), SizeText(2000, true));
    EXPECT_EQ(page.Value(u"Attributes:"_s), u"Read-only, Archive"_s);
    EXPECT_EQ(page.Value(u"Modified:"_s), LongDateTimeText(file.modified));

    const double stamped = GetObjectModified(*m_data, m_stick);
    PropertiesEdits edits{u"signed"_s, file.label, file.source};
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, file, edits), PropertiesOutcome::Saved);
    EXPECT_EQ(GetFileComment(*m_data, key), u"signed"_s);
    EXPECT_EQ(GetObjectModified(*m_data, m_stick), stamped);
}

TEST_F(ObjectPropertiesTest, DatabasePageListsTheTableFilesAndACancelStopsTheCount)
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
    EXPECT_EQ(page.Value(u"Space used by Database: "_s), SizeText(total, true));
    EXPECT_EQ(page.Value(u"Database Version:"_s), u"210"_s);

    // A cancel stops the counting walk.
    m_ui.SetTickSource([ticks = qint64(0)]() mutable { return ticks += 1000; });
    m_ui.SetOnProcessEvents([this] { m_ui.SetCancelled(true); });
    const PropertiesStatistics cancelled = Statistics(Details(m_work));
    EXPECT_FALSE(cancelled.complete);
    EXPECT_NE(cancelled.Value(u"Cataloged Files:"_s), u"3"_s);
    m_ui.SetCancelled(false);
}

TEST_F(ObjectPropertiesTest, LabelAndSourceChangesFollowTheDrive)
{
    PropertiesDetails stick = Details(m_stick);
    // Another letter case only is no change: nothing is written.
    PropertiesEdits edits{QString(), u"stick"_s, m_medium};
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::Saved);
    EXPECT_TRUE(m_drives.LabelWrites().empty());

    m_drives.At(m_medium).labelWritable = false;
    edits.label = u"travel"_s;
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::StayOpen);
    const RecordedMessage refused = m_ui.TakeSingleMessage();
    EXPECT_EQ(refused.caption, u"Unable to Label Disk"_s);
    EXPECT_EQ(refused.text, u"The Disk in Drive "_s + m_medium +
                                u" is Write-Protected. The request to change "
                                "the Disk Label has failed."_s);
    EXPECT_EQ(edits.label, u"STICK"_s);

    m_drives.At(m_medium).labelWritable = true;
    edits.label = u"travel"_s;
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::Saved);
    EXPECT_EQ(m_drives.At(m_medium).label, u"travel"_s);
    stick = Details(m_stick);
    EXPECT_EQ(stick.label, u"TRAVEL"_s);

    // A source on a fixed disk is refused; another removable disk is taken.
    const QString fixed = m_folder.filePath(u"fixed"_s);
    const QString other = m_folder.filePath(u"other"_s);
    QDir().mkpath(fixed);
    QDir().mkpath(other);
    m_drives.Mount(fixed, DriveKind::Fixed, u"DATA"_s);
    m_drives.Mount(other, DriveKind::Removable, u"OTHER"_s);
    edits = {QString(), stick.label, fixed};
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::StayOpen);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid Catalog Source"_s);
    edits = {u"moved"_s, stick.label, u" "_s + other};
    EXPECT_EQ(ApplyPropertiesEdits(*m_data, stick, edits), PropertiesOutcome::Saved);
    stick = Details(m_stick);
    EXPECT_EQ(stick.source, other);
    EXPECT_EQ(stick.comment, u"moved"_s);
}

TEST_F(ObjectPropertiesTest, ArchivePagesCountVolumesSetsAndTheirFiles)
{
    // A volume of 4,000 bytes with 1,000 in use, holding a set with a folder
    // and two files; the set's row points at the volume through VolSize.
    const qint64 volume = AddVolumeRow(QString(), 1, 4000, 1000);
    const qint64 set = AddSetRow(volume, u"Set"_s, 900);
    AddFile(AddObject(set, u"Inner"_s, kArchiveFolderClass), u"a"_s, 300);
    AddFile(set, u"b"_s, 200);

    const PropertiesStatistics onVolume = Statistics(Details(volume));
    EXPECT_EQ(onVolume.Value(u"Archive Sets:"_s), u"1"_s);
    EXPECT_EQ(onVolume.Value(u"Archived Folders:"_s), u"1"_s);
    EXPECT_EQ(onVolume.Value(u"Archived Files:"_s), u"2"_s);
    EXPECT_EQ(onVolume.Value(u"Size of Archived Files:"_s), SizeText(500, true));
    EXPECT_EQ(onVolume.Value(u"Space Free on Volume:"_s), SizeText(3000, true));
    EXPECT_EQ(onVolume.Value(u"Percentage Used:"_s), DisplayLocale().toString(25.0, 'f', 2) + u'%');

    const PropertiesStatistics ofSet = Statistics(Details(set));
    EXPECT_EQ(ofSet.Value(u"Folders in Archive Set::"_s), u"1"_s);
    EXPECT_EQ(ofSet.Value(u"Space Used on Volume:"_s), SizeText(900, true));

    const PropertiesDetails pool = Details(kVolumePoolId);
    EXPECT_TRUE(PropertiesLayoutOf(pool.cls, false).viewOnly);
    const PropertiesStatistics ofPool = Statistics(pool);
    EXPECT_EQ(ofPool.Value(u"Archive Volumes:"_s), u"1"_s);
    EXPECT_EQ(ofPool.Value(u"Size of Archived Sets:"_s), SizeText(900, true));

    // A volume whose capacity is unknown shows no space figures.
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET VolSize = 0 WHERE ID = %1;"_s.arg(volume));
    EXPECT_EQ(Statistics(Details(volume)).Value(u"Percentage Used:"_s), u"N/A"_s);
}
