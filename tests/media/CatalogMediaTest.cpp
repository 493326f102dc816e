#include "media/CatalogMedia.h"

#include "../store/StoreFixture.h"
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
    EXPECT_EQ(Count(QStringLiteral("SELECT Class FROM Catalogs WHERE ID = %1").arg(id)), 3);
    EXPECT_EQ(Count(QStringLiteral("SELECT VolSize FROM Catalogs WHERE ID = %1").arg(id)),
              8'000'000'000LL);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM Catalogs WHERE Class = 7")), 2);
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
    AddObject(3, QStringLiteral("new disk catalog"), 4);
    AddObject(3, QStringLiteral("New Disk Catalog (2)"), 4);
    EXPECT_EQ(UniqueCatalogName(*m_data, 3), QStringLiteral("New Disk Catalog (3)"));

    const qint64 work = AddObject(3, QStringLiteral("Work"), 2);
    const qint64 disk = AddObject(work, QStringLiteral("Disk"), 4);
    const qint64 folder = AddObject(disk, QStringLiteral("Folder"), 7);
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

    // Another disk in the drive: asked for, given up, nothing changes.
    m_drives.Insert(m_medium, QStringLiteral("OTHER"));
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(UpdateCatalog(*m_data, m_options, second));
    m_ui.TakeDeviceChecks();
    EXPECT_EQ(GetObjectName(*m_data, second), QStringLiteral("Stick"));

    // Not a disk catalog: nothing happens.
    EXPECT_FALSE(UpdateCatalog(*m_data, m_options, 3));
}
