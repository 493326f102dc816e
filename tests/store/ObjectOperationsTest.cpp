#include "store/ObjectOperations.h"

#include "StoreFixture.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "store/Wastebasket.h"

namespace {

class ObjectOperationsTest : public StoreFixture
{
protected:
    qint64 Objects() { return CountRows(QStringLiteral("SELECT COUNT(*) FROM Catalogs")); }
    qint64 Files() { return CountRows(QStringLiteral("SELECT COUNT(*) FROM Files")); }
    QString Path(qint64 id) { return m_data->Catalogs.PathByID(id, false); }
    double Field(qint64 id, const char *field)
    {
        SqliteStatement &query = m_data->CatalogDatabase.Prepare(
            QStringLiteral("SELECT %1 FROM Catalogs WHERE ID = ?1").arg(QLatin1String(field)));
        query.Bind(1, id);
        const double value = query.Step() ? query.Value(0).toDouble() : -1;
        query.Reset();
        return value;
    }
    void SetModified(qint64 id, double value)
    {
        m_data->CatalogDatabase
            .Prepare(QStringLiteral("UPDATE Catalogs SET Modified = ?1 WHERE ID = ?2"))
            .Bind(1, value)
            .Bind(2, id)
            .Execute();
    }
    int WastebasketClass() { return int(Field(4, "Class")); }
};

TEST_F(ObjectOperationsTest, NewNamesAreUniqueAmongTheChildrenInAnyLetterCase)
{
    EXPECT_EQ(NewObjectName(*m_data, kNewFolderName, 3), QStringLiteral("New Folder"));
    AddObject(CatalogSchema::kCatalogsId, QStringLiteral("new folder"),
              CatalogSchema::kCatalogFolderClass);
    AddObject(CatalogSchema::kCatalogsId, QStringLiteral("New Folder (2)"),
              CatalogSchema::kCatalogFolderClass);
    EXPECT_EQ(NewObjectName(*m_data, kNewFolderName, 3), QStringLiteral("New Folder (3)"));
    EXPECT_EQ(NewObjectName(*m_data, kNewDiskCatalogName, 3), QStringLiteral("New Disk Catalog"));
}

TEST_F(ObjectOperationsTest, NewFolderTakesItsClassFromTheSideOfItsParent)
{
    const qint64 catalogFolder = NewFolder(*m_data, 3);
    const qint64 archiveFolder = NewFolder(*m_data, 2);
    const qint64 nested = NewFolder(*m_data, archiveFolder);
    EXPECT_EQ(ObjectClass(*m_data, catalogFolder), CatalogSchema::kCatalogFolderClass);
    EXPECT_EQ(ObjectClass(*m_data, archiveFolder), CatalogSchema::kArchiveFolderClass);
    EXPECT_EQ(ObjectClass(*m_data, nested), CatalogSchema::kArchiveFolderClass);
    EXPECT_EQ(Path(nested), QStringLiteral("Archives\\New Folder\\New Folder"));

    // A disk catalog takes no folders; the name is checked like a rename.
    const qint64 disk = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Disk"),
                                  CatalogSchema::kHardDiskClass);
    const qint64 before = Objects();
    EXPECT_EQ(NewFolder(*m_data, disk, QStringLiteral("X")), -1);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Create Folder Failed"));
    EXPECT_EQ(NewFolder(*m_data, 3, QStringLiteral("new FOLDER")), -1);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Create Folder Failed"));
    EXPECT_EQ(Objects(), before);
    const qint64 cleaned = NewFolder(*m_data, 3, QStringLiteral("a/b"));
    EXPECT_EQ(m_data->Catalogs.GetNameByID(cleaned), QStringLiteral("a b"));
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Invalid Characters Found"));
}

TEST_F(ObjectOperationsTest, RenameCleansNamesChecksSiblingsAndStampsModified)
{
    const qint64 disk = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Disk"),
                                  CatalogSchema::kHardDiskClass);
    AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Other"),
              CatalogSchema::kCatalogFolderClass);
    SetModified(disk, 100.0);

    QString name = QStringLiteral("  a/b:c ");
    EXPECT_EQ(RenameObject(*m_data, disk, name), RenameOutcome::Renamed);
    EXPECT_EQ(name, QStringLiteral("a b c"));
    EXPECT_EQ(m_data->Catalogs.GetNameByID(disk), QStringLiteral("a b c"));
    EXPECT_GT(Field(disk, "Modified"), 100.0);
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, QStringLiteral("Invalid Characters Found"));
    EXPECT_EQ(box.text, QStringLiteral("The Catalog Name cannot contain any of the following "
                                       "characters:\n\n\t\t \\ / : ? \" < > | .\n\nAny occurance "
                                       "of these characters have been replaced by a Space"));

    SetModified(disk, 100.0);
    name = QStringLiteral("A B C");
    EXPECT_EQ(RenameObject(*m_data, disk, name), RenameOutcome::Unchanged);
    EXPECT_EQ(name, QStringLiteral("a b c"));
    name = QStringLiteral("   ");
    EXPECT_EQ(RenameObject(*m_data, disk, name), RenameOutcome::Unchanged);
    EXPECT_EQ(Field(disk, "Modified"), 100.0);

    name = QStringLiteral("other");
    EXPECT_EQ(RenameObject(*m_data, disk, name), RenameOutcome::Refused);
    EXPECT_EQ(name, QStringLiteral("a b c"));
    const RecordedMessage refusal = m_ui.TakeSingleMessage();
    EXPECT_EQ(refusal.caption, QStringLiteral("Error Renaming Object"));
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    EXPECT_EQ(refusal.text, QStringLiteral("Cannot Rename Object \"other\". An Object with the "
                                           "name you specified already exists. Please specify "
                                           "another name"));
}

TEST_F(ObjectOperationsTest, DateWritesFollowTheClassRule)
{
    const qint64 volume = AddObject(CatalogSchema::kVolumePoolId, QStringLiteral("DVARC0001"),
                                    CatalogSchema::kEmptyArchiveVolumeClass + 3);
    const qint64 disk = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Disk"),
                                  CatalogSchema::kRemovableDiskClass);
    SetModified(volume, 100.0);
    SetModified(2, 100.0);
    EXPECT_FALSE(WriteObjectDate(*m_data, volume, QStringLiteral("Modified"), 200.0));
    EXPECT_TRUE(WriteObjectDate(*m_data, 2, QStringLiteral("Modified"), 200.0));
    EXPECT_TRUE(WriteObjectDate(*m_data, disk, QStringLiteral("Modified"), 200.0));
    EXPECT_EQ(Field(volume, "Modified"), 100.0);
    EXPECT_EQ(Field(2, "Modified"), 200.0);

    // A volume's comment is stored, its Modified stays.
    EXPECT_TRUE(WriteObjectComment(*m_data, volume, QStringLiteral("shelf 2")));
    EXPECT_EQ(GetObjectComment(*m_data, volume), QStringLiteral("shelf 2"));
    EXPECT_EQ(Field(volume, "Modified"), 100.0);
    SetModified(disk, 100.0);
    EXPECT_FALSE(WriteObjectComment(*m_data, disk, QString()));
    EXPECT_EQ(Field(disk, "Modified"), 100.0);
    EXPECT_TRUE(WriteObjectComment(*m_data, disk, QStringLiteral("line 1\nline 2")));
    EXPECT_GT(Field(disk, "Modified"), 100.0);

    const qint64 key = AddFile(disk, QStringLiteral("a.txt"));
    EXPECT_TRUE(WriteFileComment(*m_data, key, QStringLiteral("note")));
    EXPECT_FALSE(WriteFileComment(*m_data, key, QStringLiteral("note")));
    EXPECT_FALSE(WriteFileComment(*m_data, key + 100, QStringLiteral("note")));
    EXPECT_EQ(GetFileComment(*m_data, key), QStringLiteral("note"));
}

struct QuestionCase
{
    const char *label;
    int firstClass;
    int count;
    bool shift;
    bool inWastebasket;
    const char *caption;
    const char *text;
    MessageIcon icon;
};

class DeleteQuestionTest : public ObjectOperationsTest,
                           public testing::WithParamInterface<QuestionCase>
{
};

TEST_P(DeleteQuestionTest, AsksByTheFirstObjectsClassAndPlace)
{
    const QuestionCase &c = GetParam();
    const bool archived = c.firstClass == CatalogSchema::kArchiveSetClass ||
                          c.firstClass == CatalogSchema::kArchiveFolderClass;
    const qint64 parent = c.inWastebasket ? CatalogSchema::kWastebasketId
                          : archived      ? CatalogSchema::kArchivesId
                                          : CatalogSchema::kCatalogsId;
    QList<qint64> ids{AddObject(parent, QStringLiteral("First"), c.firstClass)};
    // The other objects' classes do not change the question.
    for (int i = 1; i < c.count; ++i)
        ids << AddObject(parent, QStringLiteral("Other %1").arg(i), i % 2 ? 2 : 4);
    const DeleteQuestion question = BuildDeleteQuestion(*m_data, ids, c.shift);
    EXPECT_TRUE(question.ask) << c.label;
    EXPECT_EQ(question.caption, QString::fromUtf8(c.caption)) << c.label;
    EXPECT_EQ(question.text, QString::fromUtf8(c.text)) << c.label;
    EXPECT_EQ(question.icon, c.icon) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DeleteQuestionTest,
    testing::Values(
        QuestionCase{"folder sent", CatalogSchema::kCatalogFolderClass, 1, false, false,
                     "Confirm Object Delete",
                     "Are you sure you wish to send the Object \"First\" and any Objects it "
                     "contains to the Wastebasket ?",
                     MessageIcon::Question},
        QuestionCase{"folders sent", CatalogSchema::kArchiveFolderClass, 3, false, false,
                     "Confirm Multiple Object Deletions",
                     "Are you sure you wish to send these 3 Objects and any Objects they contain "
                     "to the Wastebasket ?",
                     MessageIcon::Question},
        QuestionCase{"set deleted with shift", CatalogSchema::kArchiveSetClass, 1, true, false,
                     "Confirm Object Delete",
                     "Are you sure you wish to delete the Object \"First\" and any Objects it "
                     "contains ?",
                     MessageIcon::Warning},
        QuestionCase{
            "disk sent", CatalogSchema::kHardDiskClass, 1, false, false,
            "Confirm Disk Catalog Delete",
            "Are you sure you wish to send the Disk Catalog \"First\" to the Wastebasket ?",
            MessageIcon::Question},
        QuestionCase{"disk in the wastebasket", CatalogSchema::kCdRomClass, 1, false, true,
                     "Confirm Disk Catalog Delete",
                     "Are you sure you wish to delete the Disk Catalog \"First\" ?",
                     MessageIcon::Warning},
        QuestionCase{"disks sent", CatalogSchema::kRemovableDiskClass, 2, false, false,
                     "Confirm Multiple Object Delete",
                     "Are you sure you wish to send these 2 Objects to the Wastebasket ?",
                     MessageIcon::Question},
        QuestionCase{"disks deleted", CatalogSchema::kRemovableDiskClass, 2, true, false,
                     "Confirm Multiple Object Delete",
                     "Are you sure you wish to delete these 2 Objects ?", MessageIcon::Warning}),
    [](const testing::TestParamInfo<QuestionCase> &info) {
        std::string name = info.param.label;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST_F(ObjectOperationsTest, OtherClassesAskNothingAndEmptyingAsksForTheFullWastebasket)
{
    for (qint64 id : {1, 2, 3, 4, 5})
        EXPECT_FALSE(BuildDeleteQuestion(*m_data, {id}, false).ask) << id;
    const qint64 disk = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Disk"),
                                  CatalogSchema::kHardDiskClass);
    EXPECT_FALSE(BuildDeleteQuestion(
                     *m_data,
                     {AddObject(disk, QStringLiteral("Sub"), CatalogSchema::kFileFolderClass)},
                     false)
                     .ask);
    EXPECT_FALSE(DeleteObjects(*m_data, {}, false));

    SendToWastebasket(*m_data, disk);
    TidyWastebasket(*m_data);
    const DeleteQuestion question = BuildDeleteQuestion(*m_data, {4}, false);
    EXPECT_TRUE(question.emptyWastebasket);
    EXPECT_EQ(question.caption, QStringLiteral("Confirm Multiple Object Deletions"));
    EXPECT_EQ(question.text,
              QStringLiteral("Are you sure you wish to delete the contents of the Wastebasket ?"));
}

TEST_F(ObjectOperationsTest, SendingKeepsTheFolderPathAndReusesWastebasketFolders)
{
    const qint64 a = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("A"),
                               CatalogSchema::kCatalogFolderClass);
    const qint64 b = AddObject(a, QStringLiteral("B"), CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObject(b, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass);
    const qint64 disk2 = AddObject(b, QStringLiteral("Disk 2"), CatalogSchema::kHardDiskClass);
    AddFile(disk, QStringLiteral("f.txt"));

    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(DeleteObjects(*m_data, {disk}, false));
    m_ui.TakeSingleMessage();
    EXPECT_EQ(m_ui.ProgressOperations().back(), kProgressToWastebasket);
    EXPECT_EQ(Path(disk), QStringLiteral("Wastebasket\\A\\B\\Disk"));
    EXPECT_GT(Field(disk, "Deleted"), 0.0);
    EXPECT_EQ(Field(a, "Deleted"), 0.0);
    const qint64 objects = Objects();

    // The second disk catalog finds the folders already made, in any letter case.
    m_data->CatalogDatabase.Prepare(QStringLiteral("UPDATE Catalogs SET Name = 'b' WHERE ID = ?1"))
        .Bind(1, b)
        .Execute();
    RunObjectJob(*m_data, ObjectJob::SendToWastebasket, {disk2});
    EXPECT_EQ(Objects(), objects);
    EXPECT_EQ(Path(disk2), QStringLiteral("Wastebasket\\A\\B\\Disk 2"));
    TidyWastebasket(*m_data);
    EXPECT_EQ(WastebasketClass(), CatalogSchema::kFullWastebasketClass);
    EXPECT_EQ(Files(), 1);
}

TEST_F(ObjectOperationsTest, RestoreRecreatesDeletedFoldersAndEmptyingKeepsTheWastebasket)
{
    const qint64 a = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("A"),
                               CatalogSchema::kCatalogFolderClass);
    const qint64 b = AddObject(a, QStringLiteral("B"), CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObject(b, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass);
    AddFile(disk, QStringLiteral("f.txt"));
    SendToWastebasket(*m_data, disk);
    // The folders go too, for good, while the disk catalog waits.
    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(DeleteObjects(*m_data, {a}, true));
    m_ui.TakeMessages();
    EXPECT_LT(ObjectClass(*m_data, b), 0);

    SetModified(disk, 100.0);
    EXPECT_TRUE(RestoreObjects(*m_data, {disk}));
    EXPECT_EQ(Path(disk), QStringLiteral("Catalogs\\A\\B\\Disk"));
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    EXPECT_EQ(Field(disk, "Deleted"), 0.0);
    EXPECT_GT(Field(disk, "Modified"), 100.0);
    const qint64 newA = m_data->Catalogs.FindChild(3, QStringLiteral("A"));
    EXPECT_EQ(ObjectClass(*m_data, newA), CatalogSchema::kCatalogFolderClass);
    EXPECT_EQ(Field(newA, "Deleted"), 0.0);
    TidyWastebasket(*m_data);
    EXPECT_EQ(WastebasketClass(), CatalogSchema::kEmptyWastebasketClass);
    EXPECT_FALSE(m_data->Catalogs.HasChildren(4));

    SendToWastebasket(*m_data, disk);
    TidyWastebasket(*m_data);
    EXPECT_EQ(WastebasketClass(), CatalogSchema::kFullWastebasketClass);
    m_ui.QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(DeleteObjects(*m_data, {4}, false));
    m_ui.TakeSingleMessage();
    EXPECT_EQ(m_ui.ProgressOperations().back(), kProgressEmptying);
    TidyWastebasket(*m_data);
    EXPECT_EQ(WastebasketClass(), CatalogSchema::kEmptyWastebasketClass);
    EXPECT_EQ(Objects(), 7); // the five fixed objects and the re-created A and B
    EXPECT_EQ(Files(), 0);
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
}

TEST_F(ObjectOperationsTest, TheTidyRemovesOnlyTheEmptyFoldersMadeForPaths)
{
    const qint64 junk = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Junk"),
                                  CatalogSchema::kCatalogFolderClass);
    ASSERT_TRUE(WriteObjectComment(*m_data, junk, QStringLiteral("keep me")));
    const qint64 a = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("A"),
                               CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObject(a, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass);
    SendToWastebasket(*m_data, junk);
    SendToWastebasket(*m_data, disk);
    TidyWastebasket(*m_data);
    EXPECT_EQ(Path(junk), QStringLiteral("Wastebasket\\Junk"));
    EXPECT_EQ(GetObjectComment(*m_data, junk), QStringLiteral("keep me"));

    // With the disk catalog back in place, the folder made for its path goes.
    ASSERT_TRUE(RestoreObjects(*m_data, {disk}));
    TidyWastebasket(*m_data);
    EXPECT_LT(m_data->Catalogs.FindChild(4, QStringLiteral("A")), 0);
    EXPECT_EQ(Path(junk), QStringLiteral("Wastebasket\\Junk"));
    EXPECT_EQ(WastebasketClass(), CatalogSchema::kFullWastebasketClass);

    // An archive folder sent after its set merges into the folder made for
    // the set's path, which then stays as the one the user sent.
    const qint64 folder = AddObject(CatalogSchema::kArchivesId, QStringLiteral("F"),
                                    CatalogSchema::kArchiveFolderClass);
    const qint64 set = AddObject(folder, QStringLiteral("Set"), CatalogSchema::kArchiveSetClass);
    SendToWastebasket(*m_data, set);
    SendToWastebasket(*m_data, folder);
    ASSERT_TRUE(RestoreObjects(*m_data, {set}));
    TidyWastebasket(*m_data);
    EXPECT_GE(m_data->Catalogs.FindChild(4, QStringLiteral("F")), 0);
}

TEST_F(ObjectOperationsTest, RestoreAsksBeforeReplacingANamesakeAndStopsWhenKept)
{
    const qint64 first = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Disk"),
                                   CatalogSchema::kHardDiskClass);
    const qint64 second = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Other"),
                                    CatalogSchema::kHardDiskClass);
    SendToWastebasket(*m_data, first);
    SendToWastebasket(*m_data, second);
    const qint64 newcomer = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("disk"),
                                      CatalogSchema::kRemovableDiskClass);

    m_ui.QueueReplaceAnswer(false);
    EXPECT_FALSE(RestoreObjects(*m_data, {first, second}));
    const auto asked = m_ui.TakeReplaceQuestions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first.name, QStringLiteral("disk"));
    EXPECT_EQ(asked[0].first.typeName, QStringLiteral("Floppy Disk"));
    EXPECT_EQ(asked[0].second.typeName, QStringLiteral("Hard Disk"));
    EXPECT_TRUE(IsWastebasketPath(Path(first)));
    EXPECT_TRUE(IsWastebasketPath(Path(second)));

    m_ui.QueueReplaceAnswer(true);
    EXPECT_TRUE(RestoreObjects(*m_data, {first, second}));
    m_ui.TakeReplaceQuestions();
    EXPECT_EQ(Path(first), QStringLiteral("Catalogs\\Disk"));
    EXPECT_EQ(Path(second), QStringLiteral("Catalogs\\Other"));
    EXPECT_EQ(Path(newcomer), QStringLiteral("Wastebasket\\disk"));
}

TEST_F(ObjectOperationsTest, ReplacedArchiveSetsKeepTheirOwnFiles)
{
    // Two sets of one name: the one replaced must not merge into the one
    // coming back, or its files would join the other's.
    const qint64 set = AddObject(CatalogSchema::kArchivesId, QStringLiteral("Set"),
                                 CatalogSchema::kArchiveSetClass);
    AddFile(set, QStringLiteral("old.txt"));
    SendToWastebasket(*m_data, set);
    const qint64 namesake = AddObject(CatalogSchema::kArchivesId, QStringLiteral("Set"),
                                      CatalogSchema::kArchiveSetClass);
    AddFile(namesake, QStringLiteral("new.txt"));

    m_ui.QueueReplaceAnswer(true);
    EXPECT_TRUE(RestoreObjects(*m_data, {set}));
    m_ui.TakeReplaceQuestions();
    EXPECT_EQ(Path(set), QStringLiteral("Archives\\Set"));
    EXPECT_EQ(Path(namesake), QStringLiteral("Wastebasket\\Set"));
    EXPECT_EQ(CountRows(QStringLiteral("SELECT COUNT(*) FROM Files WHERE ID = ?1"), set), 1);
    EXPECT_EQ(CountRows(QStringLiteral("SELECT COUNT(*) FROM Files WHERE ID = ?1"), namesake), 1);
}

TEST_F(ObjectOperationsTest, PermanentDeletesTakeEveryRowBelowAndStopOnCancel)
{
    const qint64 folder = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("F"),
                                    CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObject(folder, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass);
    const qint64 sub = AddObject(disk, QStringLiteral("Sub"), CatalogSchema::kFileFolderClass);
    AddFile(disk, QStringLiteral("a"));
    AddFile(sub, QStringLiteral("b"));
    const qint64 other = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Other"),
                                   CatalogSchema::kHardDiskClass);
    AddFile(other, QStringLiteral("c"));
    const qint64 third = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Third"),
                                   CatalogSchema::kHardDiskClass);

    // Cancel pressed while the first object goes: the rest stays.
    m_ui.SetOnProcessEvents([&] { m_ui.SetCancelled(true); });
    m_ui.SetTickSource([n = qint64(0)]() mutable { return n += 2000; });
    RunObjectJob(*m_data, ObjectJob::DeletePermanently, {folder, other, third});
    EXPECT_LT(ObjectClass(*m_data, sub), 0);
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
    const qint64 a = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("A"),
                               CatalogSchema::kCatalogFolderClass);
    const qint64 b = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("B"),
                               CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObject(a, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass);
    const qint64 set = AddObject(CatalogSchema::kArchivesId, QStringLiteral("Set"),
                                 CatalogSchema::kArchiveSetClass);
    const qint64 archiveFolder = AddObject(CatalogSchema::kArchivesId, QStringLiteral("Store"),
                                           CatalogSchema::kArchiveFolderClass);

    // A disk catalog onto the folder that holds it: nothing happens.
    EXPECT_EQ(DropObjects(*m_data, {disk}, a), disk);
    EXPECT_EQ(ParentOf(disk), a);

    // An archive set onto a catalog folder: refused for that object only.
    EXPECT_EQ(DropObjects(*m_data, {disk, set}, b), b);
    EXPECT_EQ(ParentOf(disk), b);
    EXPECT_EQ(ParentOf(set), 2);
    RecordedMessage refusal = m_ui.TakeSingleMessage();
    EXPECT_EQ(refusal.caption, QStringLiteral("Object Move Failed"));
    EXPECT_EQ(refusal.text, QStringLiteral("The Object \"Set\" may not be moved to the location "
                                           "specified\n\nThe move of this Object failed."));
    EXPECT_EQ(m_ui.ProgressOperations().back(), kProgressMoving);

    // A target that takes nothing.
    EXPECT_EQ(DropObjects(*m_data, {a}, disk), -1);
    EXPECT_EQ(m_ui.TakeSingleMessage().text,
              QStringLiteral("The selected Objects(s) may not be moved to the location specified"));

    // A folder into its own child is refused rather than failing the drop.
    const qint64 child = AddObject(a, QStringLiteral("Child"), CatalogSchema::kCatalogFolderClass);
    EXPECT_EQ(DropObjects(*m_data, {a}, child), child);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Object Move Failed"));
    EXPECT_EQ(ParentOf(a), 3);

    EXPECT_EQ(DropObjects(*m_data, {set}, archiveFolder), set);
    EXPECT_EQ(ParentOf(set), archiveFolder);
    // The Wastebasket takes anything, without a question.
    EXPECT_EQ(DropObjects(*m_data, {set}, 4), set);
    EXPECT_EQ(Path(set), QStringLiteral("Wastebasket\\Store\\Set"));
    EXPECT_EQ(m_ui.ProgressOperations().back(), kProgressToWastebasket);
}

TEST_F(ObjectOperationsTest, DroppingOnANamesakeAsksAndReplaces)
{
    const qint64 a = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("A"),
                               CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObject(a, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass);
    const qint64 namesake =
        AddObject(CatalogSchema::kCatalogsId, QStringLiteral("DISK"), CatalogSchema::kCdRomClass);

    m_ui.QueueReplaceAnswer(false);
    EXPECT_EQ(DropObjects(*m_data, {disk}, 3), disk);
    EXPECT_EQ(ParentOf(disk), a);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
    const auto asked = m_ui.TakeReplaceQuestions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first.imageIndex, CatalogSchema::kCdRomClass);
    EXPECT_EQ(asked[0].second.name, QStringLiteral("Disk"));

    m_ui.QueueReplaceAnswer(true);
    DropObjects(*m_data, {disk}, 3);
    m_ui.TakeReplaceQuestions();
    EXPECT_EQ(ParentOf(disk), 3);
    EXPECT_EQ(Path(namesake), QStringLiteral("Wastebasket\\DISK"));
}

TEST_F(ObjectOperationsTest, AFailedCommandLeavesTheCatalogAsItWas)
{
    const qint64 a = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("A"),
                               CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObject(a, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass);
    AddFile(disk, QStringLiteral("f"));
    const qint64 objects = Objects();
    const QString before = Path(disk);
    QString failure;
    const bool committed = m_data->RunInTransaction(
        [&] {
            SendToWastebasket(*m_data, a);
            TidyWastebasket(*m_data);
            DeleteObjectPermanently(*m_data, a);
            throw EDirvantaFailed(QStringLiteral("stop"));
        },
        &failure);
    EXPECT_FALSE(committed);
    EXPECT_EQ(failure, QStringLiteral("stop"));
    EXPECT_EQ(Objects(), objects);
    EXPECT_EQ(Files(), 1);
    EXPECT_EQ(Path(disk), before);
    EXPECT_EQ(WastebasketClass(), CatalogSchema::kEmptyWastebasketClass);
}

} // namespace
