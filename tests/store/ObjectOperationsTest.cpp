#include "store/ObjectOperations.h"

#include "StoreFixture.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "store/Wastebasket.h"

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

class ObjectOperationsTest : public StoreFixture
{
protected:
    qint64 Objects() { return CountRows(u"SELECT COUNT(*) FROM Catalogs"_s); }
    qint64 Files() { return CountRows(u"SELECT COUNT(*) FROM Files"_s); }
    QString Path(qint64 id) { return m_data->Catalogs.PathByID(id, false); }
    double Field(qint64 id, const char *field)
    {
        const QVariant value = QueryValue(
            *m_data, u"SELECT %1 FROM Catalogs WHERE ID = ?1"_s.arg(QLatin1String(field)), id);
        return value.isValid() ? value.toDouble() : -1;
    }
    void SetModified(qint64 id, double value)
    {
        m_data->CatalogDatabase.ExecuteScript(
            u"UPDATE Catalogs SET Modified = %1 WHERE ID = %2"_s.arg(value).arg(id));
    }
    int ClassOf(qint64 id) { return ::ObjectClass(*m_data, id); }
    int WastebasketClass() { return ClassOf(kWastebasketId); }
};

TEST_F(ObjectOperationsTest, NewFoldersTakeAUniqueNameAndTheClassOfTheSideOfTheirParent)
{
    EXPECT_EQ(NewObjectName(*m_data, kNewDiskCatalogName, 3), u"New Disk Catalog"_s);
    // Names are unique among the children in any letter case.
    AddFolder(u"new folder"_s);
    const qint64 catalogFolder = NewFolder(*m_data, 3);
    EXPECT_EQ(Path(catalogFolder), u"Catalogs\\New Folder (2)"_s);
    const qint64 archiveFolder = NewFolder(*m_data, 2);
    const qint64 nested = NewFolder(*m_data, archiveFolder);
    EXPECT_EQ(ClassOf(catalogFolder), kCatalogFolderClass);
    EXPECT_EQ(ClassOf(archiveFolder), kArchiveFolderClass);
    EXPECT_EQ(ClassOf(nested), kArchiveFolderClass);
    EXPECT_EQ(Path(nested), u"Archives\\New Folder\\New Folder"_s);

    // A disk catalog takes no folders; the name is checked like a rename.
    const qint64 disk = AddDisk(u"Disk"_s);
    const qint64 before = Objects();
    EXPECT_EQ(NewFolder(*m_data, disk, u"X"_s), -1);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Create Folder Failed"_s);
    EXPECT_EQ(NewFolder(*m_data, 3, u"new FOLDER"_s), -1);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Create Folder Failed"_s);
    EXPECT_EQ(Objects(), before);
    EXPECT_EQ(NewObjectName(*m_data, kNewFolderName, 3), u"New Folder (3)"_s);
    const qint64 cleaned = NewFolder(*m_data, 3, u"a/b"_s);
    EXPECT_EQ(m_data->Catalogs.GetNameByID(cleaned), u"a b"_s);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid Characters Found"_s);
}

TEST_F(ObjectOperationsTest, RenameCleansNamesChecksSiblingsAndStampsModified)
{
    const qint64 disk = AddDisk(u"Disk"_s);
    AddFolder(u"Other"_s);
    SetModified(disk, 100.0);

    QString name = u"  a/b:c "_s;
    EXPECT_EQ(RenameObject(*m_data, disk, name), RenameOutcome::Renamed);
    EXPECT_EQ(name, u"a b c"_s);
    EXPECT_EQ(m_data->Catalogs.GetNameByID(disk), u"a b c"_s);
    EXPECT_GT(Field(disk, "Modified"), 100.0);
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Invalid Characters Found"_s);
    EXPECT_EQ(box.text, u"The Catalog Name cannot contain any of the following "
                        "characters:\n\n\t\t \\ / : ? \" < > | .\n\nAny occurance "
                        "of these characters have been replaced by a Space"_s);

    SetModified(disk, 100.0);
    name = u"A B C"_s;
    EXPECT_EQ(RenameObject(*m_data, disk, name), RenameOutcome::Unchanged);
    EXPECT_EQ(name, u"a b c"_s);
    name = u"   "_s;
    EXPECT_EQ(RenameObject(*m_data, disk, name), RenameOutcome::Unchanged);
    EXPECT_EQ(Field(disk, "Modified"), 100.0);

    name = u"other"_s;
    EXPECT_EQ(RenameObject(*m_data, disk, name), RenameOutcome::Refused);
    EXPECT_EQ(name, u"a b c"_s);
    const RecordedMessage refusal = m_ui.TakeSingleMessage();
    EXPECT_EQ(refusal.caption, u"Error Renaming Object"_s);
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    EXPECT_EQ(refusal.text, u"Cannot Rename Object \"other\". An Object with the "
                            "name you specified already exists. Please specify "
                            "another name"_s);
}

TEST_F(ObjectOperationsTest, DateWritesFollowTheClassRule)
{
    const qint64 volume = AddObject(kVolumePoolId, u"DVARC0001"_s, kEmptyArchiveVolumeClass + 3);
    const qint64 disk = AddObject(kCatalogsId, u"Disk"_s, kRemovableDiskClass);
    SetModified(volume, 100.0);
    SetModified(2, 100.0);
    EXPECT_FALSE(WriteObjectDate(*m_data, volume, u"Modified"_s, 200.0));
    EXPECT_TRUE(WriteObjectDate(*m_data, 2, u"Modified"_s, 200.0));
    EXPECT_TRUE(WriteObjectDate(*m_data, disk, u"Modified"_s, 200.0));
    EXPECT_EQ(Field(volume, "Modified"), 100.0);
    EXPECT_EQ(Field(2, "Modified"), 200.0);

    // A volume's comment is stored, its Modified stays.
    EXPECT_TRUE(WriteObjectComment(*m_data, volume, u"shelf 2"_s));
    EXPECT_EQ(GetObjectComment(*m_data, volume), u"shelf 2"_s);
    EXPECT_EQ(Field(volume, "Modified"), 100.0);
    SetModified(disk, 100.0);
    EXPECT_FALSE(WriteObjectComment(*m_data, disk, QString()));
    EXPECT_EQ(Field(disk, "Modified"), 100.0);
    EXPECT_TRUE(WriteObjectComment(*m_data, disk, u"line 1\nline 2"_s));
    EXPECT_GT(Field(disk, "Modified"), 100.0);

    const qint64 key = AddFile(disk, u"a.txt"_s);
    EXPECT_TRUE(WriteFileComment(*m_data, key, u"note"_s));
    EXPECT_FALSE(WriteFileComment(*m_data, key, u"note"_s));
    EXPECT_FALSE(WriteFileComment(*m_data, key + 100, u"note"_s));
    EXPECT_EQ(GetFileComment(*m_data, key), u"note"_s);
}

TEST_F(ObjectOperationsTest, DeleteQuestionsAskByTheFirstObjectsClassAndPlace)
{
    const struct
    {
        const char *label;
        int firstClass;
        int count;
        bool shift;
        bool inWastebasket;
        const char *caption;
        const char *text;
        MessageIcon icon;
    } cases[] = {
        {"folder sent", kCatalogFolderClass, 1, false, false, "Confirm Object Delete",
         "Are you sure you wish to send the Object \"First\" and any Objects it "
         "contains to the Wastebasket ?",
         MessageIcon::Question},
        {"folders sent", kArchiveFolderClass, 3, false, false, "Confirm Multiple Object Deletions",
         "Are you sure you wish to send these 3 Objects and any Objects they contain "
         "to the Wastebasket ?",
         MessageIcon::Question},
        {"set deleted with shift", kArchiveSetClass, 1, true, false, "Confirm Object Delete",
         "Are you sure you wish to delete the Object \"First\" and any Objects it "
         "contains ?",
         MessageIcon::Warning},
        {"disk sent", kHardDiskClass, 1, false, false, "Confirm Disk Catalog Delete",
         "Are you sure you wish to send the Disk Catalog \"First\" to the Wastebasket ?",
         MessageIcon::Question},
        {"disk in the wastebasket", kCdRomClass, 1, false, true, "Confirm Disk Catalog Delete",
         "Are you sure you wish to delete the Disk Catalog \"First\" ?", MessageIcon::Warning},
        {"disks sent", kRemovableDiskClass, 2, false, false, "Confirm Multiple Object Delete",
         "Are you sure you wish to send these 2 Objects to the Wastebasket ?",
         MessageIcon::Question},
        {"disks deleted", kRemovableDiskClass, 2, true, false, "Confirm Multiple Object Delete",
         "Are you sure you wish to delete these 2 Objects ?", MessageIcon::Warning}};
    for (const auto &c : cases) {
        const bool archived =
            c.firstClass == kArchiveSetClass || c.firstClass == kArchiveFolderClass;
        const qint64 parent = c.inWastebasket ? kWastebasketId
                              : archived      ? kArchivesId
                                              : kCatalogsId;
        QList<qint64> ids{AddObject(parent, u"First"_s, c.firstClass)};
        // The other objects' classes do not change the question.
        for (int i = 1; i < c.count; ++i)
            ids << AddObject(parent, u"Other %1"_s.arg(i), i % 2 ? 2 : 4);
        const DeleteQuestion question = BuildDeleteQuestion(*m_data, ids, c.shift);
        SCOPED_TRACE(c.label);
        EXPECT_TRUE(question.ask);
        EXPECT_EQ(question.caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(question.text, QString::fromUtf8(c.text));
        EXPECT_EQ(question.icon, c.icon);
    }
}

TEST_F(ObjectOperationsTest, OtherClassesAskNothingAndEmptyingAsksForTheFullWastebasket)
{
    for (qint64 id : {1, 2, 3, 4, 5})
        EXPECT_FALSE(BuildDeleteQuestion(*m_data, {id}, false).ask) << id;
    const qint64 disk = AddDisk(u"Disk"_s);
    EXPECT_FALSE(
        BuildDeleteQuestion(*m_data, {AddObject(disk, u"Sub"_s, kFileFolderClass)}, false).ask);
    EXPECT_FALSE(DeleteObjects(*m_data, {}, false));

    SendToWastebasket(*m_data, disk);
    TidyWastebasket(*m_data);
    const DeleteQuestion question = BuildDeleteQuestion(*m_data, {4}, false);
    EXPECT_TRUE(question.emptyWastebasket);
    EXPECT_EQ(question.caption, u"Confirm Multiple Object Deletions"_s);
    EXPECT_EQ(question.text,
              u"Are you sure you wish to delete the contents of the Wastebasket ?"_s);
}

TEST_F(ObjectOperationsTest, SendingKeepsTheFolderPathAndReusesWastebasketFolders)
{
    const qint64 a = AddFolder(u"A"_s);
    const qint64 b = AddFolder(u"B"_s, a);
    const qint64 disk = AddDisk(u"Disk"_s, b);
    const qint64 disk2 = AddDisk(u"Disk 2"_s, b);
    AddFile(disk, u"f.txt"_s);

    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(DeleteObjects(*m_data, {disk}, false));
    m_ui.TakeSingleMessage();
    EXPECT_EQ(m_ui.ProgressOperations().back(), kProgressToWastebasket);
    EXPECT_EQ(Path(disk), u"Wastebasket\\A\\B\\Disk"_s);
    EXPECT_GT(Field(disk, "Deleted"), 0.0);
    EXPECT_EQ(Field(a, "Deleted"), 0.0);
    const qint64 objects = Objects();

    // The second disk catalog finds the folders already made, in any letter case.
    m_data->CatalogDatabase.Prepare(u"UPDATE Catalogs SET Name = 'b' WHERE ID = ?1"_s)
        .Bind(1, b)
        .Execute();
    RunObjectJob(*m_data, ObjectJob::SendToWastebasket, {disk2});
    EXPECT_EQ(Objects(), objects);
    EXPECT_EQ(Path(disk2), u"Wastebasket\\A\\B\\Disk 2"_s);
    TidyWastebasket(*m_data);
    EXPECT_EQ(WastebasketClass(), kFullWastebasketClass);
    EXPECT_EQ(Files(), 1);
}

TEST_F(ObjectOperationsTest, RestoreRecreatesDeletedFoldersAndEmptyingKeepsTheWastebasket)
{
    const qint64 a = AddFolder(u"A"_s);
    const qint64 b = AddFolder(u"B"_s, a);
    const qint64 disk = AddDisk(u"Disk"_s, b);
    AddFile(disk, u"f.txt"_s);
    SendToWastebasket(*m_data, disk);
    // The folders go too, for good, while the disk catalog waits.
    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(DeleteObjects(*m_data, {a}, true));
    m_ui.TakeMessages();
    EXPECT_LT(ClassOf(b), 0);

    SetModified(disk, 100.0);
    EXPECT_TRUE(RestoreObjects(*m_data, {disk}));
    EXPECT_EQ(Path(disk), u"Catalogs\\A\\B\\Disk"_s);
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    EXPECT_EQ(Field(disk, "Deleted"), 0.0);
    EXPECT_GT(Field(disk, "Modified"), 100.0);
    const qint64 newA = m_data->Catalogs.FindChild(3, u"A"_s);
    EXPECT_EQ(ClassOf(newA), kCatalogFolderClass);
    EXPECT_EQ(Field(newA, "Deleted"), 0.0);
    TidyWastebasket(*m_data);
    EXPECT_EQ(WastebasketClass(), kEmptyWastebasketClass);
    EXPECT_FALSE(m_data->Catalogs.HasChildren(4));

    SendToWastebasket(*m_data, disk);
    TidyWastebasket(*m_data);
    EXPECT_EQ(WastebasketClass(), kFullWastebasketClass);
    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(DeleteObjects(*m_data, {4}, false));
    m_ui.TakeSingleMessage();
    EXPECT_EQ(m_ui.ProgressOperations().back(), kProgressEmptying);
    TidyWastebasket(*m_data);
    EXPECT_EQ(WastebasketClass(), kEmptyWastebasketClass);
    EXPECT_EQ(Objects(), 7); // the five fixed objects and the re-created A and B
    EXPECT_EQ(Files(), 0);
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
}

TEST_F(ObjectOperationsTest, TheTidyRemovesOnlyTheEmptyFoldersMadeForPaths)
{
    const qint64 junk = AddFolder(u"Junk"_s);
    ASSERT_TRUE(WriteObjectComment(*m_data, junk, u"keep me"_s));
    const qint64 a = AddFolder(u"A"_s);
    const qint64 disk = AddDisk(u"Disk"_s, a);
    SendToWastebasket(*m_data, junk);
    SendToWastebasket(*m_data, disk);
    TidyWastebasket(*m_data);
    EXPECT_EQ(Path(junk), u"Wastebasket\\Junk"_s);
    EXPECT_EQ(GetObjectComment(*m_data, junk), u"keep me"_s);

    // With the disk catalog back in place, the folder made for its path goes.
    ASSERT_TRUE(RestoreObjects(*m_data, {disk}));
    TidyWastebasket(*m_data);
    EXPECT_LT(m_data->Catalogs.FindChild(4, u"A"_s), 0);
    EXPECT_EQ(Path(junk), u"Wastebasket\\Junk"_s);
    EXPECT_EQ(WastebasketClass(), kFullWastebasketClass);

    // An archive folder sent after its set merges into the folder made for
    // the set's path, which then stays as the one the user sent.
    const qint64 folder = AddObject(kArchivesId, u"F"_s, kArchiveFolderClass);
    const qint64 set = AddObject(folder, u"Set"_s, kArchiveSetClass);
    SendToWastebasket(*m_data, set);
    SendToWastebasket(*m_data, folder);
    ASSERT_TRUE(RestoreObjects(*m_data, {set}));
    TidyWastebasket(*m_data);
    EXPECT_GE(m_data->Catalogs.FindChild(4, u"F"_s), 0);
}

TEST_F(ObjectOperationsTest, RestoreAsksBeforeReplacingANamesakeWhichKeepsItsOwnFiles)
{
    const qint64 first = AddDisk(u"Disk"_s);
    const qint64 second = AddDisk(u"Other"_s);
    SendToWastebasket(*m_data, first);
    SendToWastebasket(*m_data, second);
    const qint64 newcomer = AddObject(kCatalogsId, u"disk"_s, kRemovableDiskClass);

    m_ui.QueueReplaceAnswer(false);
    EXPECT_FALSE(RestoreObjects(*m_data, {first, second}));
    const auto asked = m_ui.TakeReplaceQuestions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first.name, u"disk"_s);
    EXPECT_EQ(asked[0].first.typeName, u"Floppy Disk"_s);
    EXPECT_EQ(asked[0].second.typeName, u"Hard Disk"_s);
    EXPECT_TRUE(IsWastebasketPath(Path(first)));
    EXPECT_TRUE(IsWastebasketPath(Path(second)));

    m_ui.QueueReplaceAnswer(true);
    EXPECT_TRUE(RestoreObjects(*m_data, {first, second}));
    m_ui.TakeReplaceQuestions();
    EXPECT_EQ(Path(first), u"Catalogs\\Disk"_s);
    EXPECT_EQ(Path(second), u"Catalogs\\Other"_s);
    EXPECT_EQ(Path(newcomer), u"Wastebasket\\disk"_s);

    // Two sets of one name: the one replaced must not merge into the one
    // coming back, or its files would join the other's.
    const qint64 set = AddObject(kArchivesId, u"Set"_s, kArchiveSetClass);
    AddFile(set, u"old.txt"_s);
    SendToWastebasket(*m_data, set);
    const qint64 namesake = AddObject(kArchivesId, u"Set"_s, kArchiveSetClass);
    AddFile(namesake, u"new.txt"_s);

    m_ui.QueueReplaceAnswer(true);
    EXPECT_TRUE(RestoreObjects(*m_data, {set}));
    m_ui.TakeReplaceQuestions();
    EXPECT_EQ(Path(set), u"Archives\\Set"_s);
    EXPECT_EQ(Path(namesake), u"Wastebasket\\Set"_s);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files WHERE ID = ?1"_s, set), 1);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files WHERE ID = ?1"_s, namesake), 1);
}

TEST_F(ObjectOperationsTest, PermanentDeletesTakeEveryRowBelowAndStopOnCancel)
{
    const qint64 folder = AddFolder(u"F"_s);
    const qint64 disk = AddDisk(u"Disk"_s, folder);
    const qint64 sub = AddObject(disk, u"Sub"_s, kFileFolderClass);
    AddFile(disk, u"a"_s);
    AddFile(sub, u"b"_s);
    const qint64 other = AddDisk(u"Other"_s);
    AddFile(other, u"c"_s);
    const qint64 third = AddDisk(u"Third"_s);

    // Cancel pressed while the first object goes: the rest stays.
    m_ui.SetOnProcessEvents([&] { m_ui.SetCancelled(true); });
    m_ui.SetTickSource([n = qint64(0)]() mutable { return n += 2000; });
    RunObjectJob(*m_data, ObjectJob::DeletePermanently, {folder, other, third});
    EXPECT_LT(ClassOf(sub), 0);
    EXPECT_EQ(Objects(), 7);
    EXPECT_EQ(Files(), 1);
    m_ui.SetOnProcessEvents({});

    // Fixed objects are never taken, whatever the list holds.
    RunObjectJob(*m_data, ObjectJob::DeletePermanently, {3, 1, other});
    EXPECT_EQ(Objects(), 6);
    EXPECT_EQ(Files(), 0);
}

TEST_F(ObjectOperationsTest, DropsFollowTheClassRules)
{
    const qint64 a = AddFolder(u"A"_s);
    const qint64 b = AddFolder(u"B"_s);
    const qint64 disk = AddDisk(u"Disk"_s, a);
    const qint64 set = AddObject(kArchivesId, u"Set"_s, kArchiveSetClass);
    const qint64 archiveFolder = AddObject(kArchivesId, u"Store"_s, kArchiveFolderClass);

    // A disk catalog onto the folder that holds it: nothing happens.
    EXPECT_EQ(DropObjects(*m_data, {disk}, a), disk);
    EXPECT_EQ(ParentOf(disk), a);

    // An archive set onto a catalog folder: refused for that object only.
    EXPECT_EQ(DropObjects(*m_data, {disk, set}, b), b);
    EXPECT_EQ(ParentOf(disk), b);
    EXPECT_EQ(ParentOf(set), 2);
    RecordedMessage refusal = m_ui.TakeSingleMessage();
    EXPECT_EQ(refusal.caption, u"Object Move Failed"_s);
    EXPECT_EQ(refusal.text, u"The Object \"Set\" may not be moved to the location "
                            "specified\n\nThe move of this Object failed."_s);
    EXPECT_EQ(m_ui.ProgressOperations().back(), kProgressMoving);

    // A target that takes nothing.
    EXPECT_EQ(DropObjects(*m_data, {a}, disk), -1);
    EXPECT_EQ(m_ui.TakeSingleMessage().text,
              u"The selected Objects(s) may not be moved to the location specified"_s);

    // A folder into its own child is refused rather than failing the drop.
    const qint64 child = AddFolder(u"Child"_s, a);
    EXPECT_EQ(DropObjects(*m_data, {a}, child), child);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Object Move Failed"_s);
    EXPECT_EQ(ParentOf(a), 3);

    EXPECT_EQ(DropObjects(*m_data, {set}, archiveFolder), set);
    EXPECT_EQ(ParentOf(set), archiveFolder);
    // The Wastebasket takes anything, without a question.
    EXPECT_EQ(DropObjects(*m_data, {set}, 4), set);
    EXPECT_EQ(Path(set), u"Wastebasket\\Store\\Set"_s);
    EXPECT_EQ(m_ui.ProgressOperations().back(), kProgressToWastebasket);
}

TEST_F(ObjectOperationsTest, DroppingOnANamesakeAsksAndReplaces)
{
    const qint64 a = AddFolder(u"A"_s);
    const qint64 disk = AddDisk(u"Disk"_s, a);
    const qint64 namesake = AddObject(kCatalogsId, u"DISK"_s, kCdRomClass);

    m_ui.QueueReplaceAnswer(false);
    EXPECT_EQ(DropObjects(*m_data, {disk}, 3), disk);
    EXPECT_EQ(ParentOf(disk), a);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
    const auto asked = m_ui.TakeReplaceQuestions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first.imageIndex, kCdRomClass);
    EXPECT_EQ(asked[0].second.name, u"Disk"_s);

    m_ui.QueueReplaceAnswer(true);
    DropObjects(*m_data, {disk}, 3);
    m_ui.TakeReplaceQuestions();
    EXPECT_EQ(ParentOf(disk), 3);
    EXPECT_EQ(Path(namesake), u"Wastebasket\\DISK"_s);
}

TEST_F(ObjectOperationsTest, AFailedCommandLeavesTheCatalogAsItWas)
{
    const qint64 a = AddFolder(u"A"_s);
    const qint64 disk = AddDisk(u"Disk"_s, a);
    AddFile(disk, u"f"_s);
    const qint64 objects = Objects();
    const QString before = Path(disk);
    QString failure;
    const bool committed = m_data->RunInTransaction(
        [&] {
            SendToWastebasket(*m_data, a);
            TidyWastebasket(*m_data);
            DeleteObjectPermanently(*m_data, a);
            throw EDirvantaFailed(u"stop"_s);
        },
        &failure);
    EXPECT_FALSE(committed);
    EXPECT_EQ(failure, u"stop"_s);
    EXPECT_EQ(Objects(), objects);
    EXPECT_EQ(Files(), 1);
    EXPECT_EQ(Path(disk), before);
    EXPECT_EQ(WastebasketClass(), kEmptyWastebasketClass);
}

} // namespace
