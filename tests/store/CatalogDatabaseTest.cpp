#include "StoreFixture.h"
#include "platform/ProgressOperations.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "store/DatabaseRepair.h"
#include "store/NameIndex.h"
#include "support/DatabaseLockHolder.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <optional>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

using CatalogDatabaseTest = StoreFixture;

TEST_F(CatalogDatabaseTest, FreshDatabaseHoldsTheFixedObjectsAndNoFiles)
{
    EXPECT_TRUE(TDataShare::DatabaseFilesExist(true, DatabasePath()));
    EXPECT_EQ(m_data->DatabaseVersion, 210);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files"_s), 0);
    // Every other field blank, Deleted 0 rather than blank, both dates now.
    EXPECT_NEAR(QueryValue(*m_data, u"SELECT Created FROM Catalogs WHERE ID = 1"_s).toDouble(),
                NowDayCount(), 1.0 / 24);
    EXPECT_EQ(QueryText(u"SELECT group_concat(ID || ':' || Name || ':' || Parent || ':' || Class "
                        "|| ':' || Size, ' ') FROM Catalogs WHERE ifnull(Source, '') || "
                        "ifnull(SerialID, '') || ifnull(Comment, '') = '' AND ifnull(VolSize, 0) "
                        "= 0 AND ifnull(NameHidden, 0) = 0 AND Deleted = 0 AND Spare1 IS NULL AND "
                        "Modified = Created AND Created = (SELECT Created FROM Catalogs WHERE ID "
                        "= 1)"_s),
              u"1:Dirvanta Database:0:0:210 2:Archives:1:10:0 3:Catalogs:1:1:0 "
              "4:Wastebasket:1:8:0 5:Volume Pool:2:25:0"_s);
}

TEST_F(CatalogDatabaseTest, TablesHaveTheFieldsAndIndexesInOrder)
{
    const auto columns = [&](const QString &table) {
        return QueryText(
            u"SELECT group_concat(name || ':' || type, ' ') FROM pragma_table_info('%1', '%2')"_s
                .arg(table, table == u"Files"_s ? kFilesSchema : u"main"_s));
    };
    EXPECT_EQ(columns(u"Catalogs"_s),
              u"ID:INTEGER Parent:INTEGER Class:SMALLINT Name:MEMO TEXT(12) "
              "Size:LARGEINT Source:MEMO TEXT(0) VolSize:LARGEINT SerialID:MEMO "
              "TEXT(0) Comment:MEMO TEXT(0) NameHidden:BOOLEAN Created:DATETIME "
              "Modified:DATETIME Deleted:DATETIME Spare1:INTEGER"_s);
    EXPECT_EQ(columns(u"Files"_s),
              u"Key:INTEGER ID:INTEGER Class:INTEGER Size:LARGEINT Name:MEMO "
              "TEXT(12) Packaged:BOOLEAN Comment:MEMO TEXT(0) Created:DATETIME "
              "Modified:DATETIME Spare1:INTEGER"_s);
    // "name(field;field)" for every secondary index, sorted.
    const auto indexes = [&](const QString &schema, const QString &table) {
        return QueryText(u"SELECT group_concat(entry, ' ') FROM (SELECT l.name || '(' || (SELECT "
                         "group_concat(name, ';') FROM pragma_index_info(l.name, '%1')) || ')' "
                         "AS entry FROM pragma_index_list('%2', '%1') AS l ORDER BY entry)"_s.arg(
                             schema, table));
    };
    EXPECT_EQ(indexes(u"main"_s, u"Catalogs"_s), u"ArchiveIdx(VolSize;Class) ClassIdx(Class) "
                                                 "CreateIdx(Class;Created) ParentIdx(Parent)"_s);
    EXPECT_EQ(indexes(kFilesSchema, u"Files"_s), u"IDIndex(ID) SizeIndex(Size;Created)"_s);
    // The Files table lives in its own file.
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM main.sqlite_master WHERE name = 'Files'"_s), 0);
}

TEST_F(CatalogDatabaseTest, AppendCatalogRowFollowsItsFieldRules)
{
    const QString longName = u"A disk catalog name far longer than twelve characters"_s;
    const qint64 id = AppendCatalogRow(m_data->Catalogs, longName, u"/media/x"_s, -1, -1, false,
                                       45000.5, kBlankDateTime, u"note"_s, u"backup ß 7"_s,
                                       6'000'000'000LL, 9'000'000'000LL);
    EXPECT_EQ(id, 6);
    EXPECT_EQ(GetObjectName(*m_data, id), longName);
    EXPECT_EQ(CountRows(u"SELECT Parent IS NULL AND Class IS NULL FROM Catalogs WHERE "
                        "ID = ?1"_s,
                        id),
              1);
    EXPECT_EQ(CountRows(u"SELECT Modified IS NULL AND Deleted = 0 FROM Catalogs WHERE "
                        "ID = ?1"_s,
                        id),
              1);
    EXPECT_EQ(m_data->Catalogs.LookupCursor()->FieldValue(u"SerialID"_s).toString(),
              u"BACKUP SS 7"_s);
    // Sizes beyond 32 bits are kept whole.
    EXPECT_EQ(GetObjectSize(*m_data, id), 6'000'000'000LL);
    EXPECT_EQ(CountRows(u"SELECT VolSize FROM Catalogs WHERE ID = ?1"_s, id), 9'000'000'000LL);

    // A parent and class of 0 are written, not left blank; a name that looks
    // like a number stays text.
    const qint64 second = AppendCatalogRow(m_data->Catalogs, u"007"_s, QString(), 0, 0, false, 0, 0,
                                           QString(), QString(), 0, 0);
    EXPECT_EQ(CountRows(u"SELECT Parent = 0 AND Class = 0 AND typeof(Name) = 'text' "
                        "FROM Catalogs WHERE ID = ?1"_s,
                        second),
              1);
    const qint64 unnamed =
        AppendCatalogRow(m_data->Catalogs, QString(), QString(), kCatalogsId, kCatalogFolderClass,
                         false, 0, 0, QString(), QString(), 0, 0);
    EXPECT_EQ(CountRows(u"SELECT Name IS NULL FROM Catalogs WHERE ID = ?1"_s, unnamed), 1);
}

TEST_F(CatalogDatabaseTest, AccessorsGiveTheirEmptyValueWhenNothingIsFound)
{
    EXPECT_EQ(GetObjectName(*m_data, 999), QString());
    EXPECT_EQ(GetObjectComment(*m_data, 999), QString());
    EXPECT_EQ(GetObjectPath(*m_data, 999), QString());
    EXPECT_EQ(GetObjectPath(*m_data, -3), QString());
    EXPECT_EQ(GetObjectModified(*m_data, 999), 0.0);
    EXPECT_EQ(GetObjectSize(*m_data, 999), 0);
    EXPECT_EQ(GetFileComment(*m_data, 999), QString());
    EXPECT_EQ(GetFileFolderPath(*m_data, 999), QString());
    EXPECT_FALSE(GetFilePackaged(*m_data, 999));
    EXPECT_EQ(GetFileOwner(*m_data, 999), -1);
    SetCatalogSize(*m_data, 999, 5); // nothing to edit, nothing raised
}

TEST_F(CatalogDatabaseTest, FileAccessorsReadThroughTheKeyAndLeaveTheFilesCursorAlone)
{
    const qint64 disk = AddDisk(u"Disk"_s);
    const qint64 folder = AddObject(disk, u"Docs"_s);
    const qint64 key = AddFile(folder, u"a.txt"_s, 7'000'000'000LL);
    m_data->CatalogDatabase.ExecuteScript(u"UPDATE Files SET Comment = 'seen', Packaged = 1"_s);
    m_data->Files.First();
    const qint64 before = m_data->Files.RowKey();
    EXPECT_EQ(GetFileComment(*m_data, key), u"seen"_s);
    EXPECT_TRUE(GetFilePackaged(*m_data, key));
    EXPECT_EQ(GetFileOwner(*m_data, key), folder);
    EXPECT_EQ(GetFileFolderPath(*m_data, key), u"Catalogs\\Disk\\Docs"_s);
    EXPECT_EQ(m_data->Files.IndexFieldName(), u"ID"_s);
    EXPECT_EQ(m_data->Files.RowKey(), before);
    EXPECT_EQ(m_data->Files.FieldValue(u"Size"_s).toLongLong(), 7'000'000'000LL);
}

TEST_F(CatalogDatabaseTest, ClassNamesCoverEveryCode)
{
    const std::pair<int, const char *> names[] = {{kDatabaseClass, "Dirvanta Database"},
                                                  {kCatalogFolderClass, "Catalog Folder"},
                                                  {kCdRomClass, "CD-ROM"},
                                                  {kFileFolderClass, "File Folder"},
                                                  {kFullWastebasketClass, "Catalog Wastebasket"},
                                                  {kEmptyArchiveVolumeClass, "Archive Volume"},
                                                  {kFullArchiveVolumeClass, "Archive Volume"},
                                                  {kPackageClass, "Packaged Files"},
                                                  {kArchiveFolderClass, "Archive Folder"},
                                                  {kArchiveFolderClass + 1, "Unknown"},
                                                  {-1, "Unknown"}};
    for (const auto &[cls, name] : names)
        EXPECT_EQ(GetClassName(cls), QLatin1String(name)) << "class " << cls;
}

TEST_F(CatalogDatabaseTest, FailingCommandLeavesBothFilesAsTheyWereAndCannotNest)
{
    const qint64 disk = AddDisk(u"Disk"_s);
    AddFile(disk, u"kept.txt"_s);
    QString failure;
    const bool committed = m_data->RunInTransaction(
        [&] {
            const qint64 folder = AddObject(disk, u"New"_s);
            AddFile(folder, u"new.txt"_s);
            m_data->CatalogDatabase.ExecuteScript(u"DELETE FROM Files WHERE ID = %1"_s.arg(disk));
            SetCatalogSize(*m_data, disk, 12345);
            EXPECT_THROW(m_data->StartTransaction(), EDatabaseError);
            throw EDirvantaFailed(u"Catalog Failed"_s);
        },
        &failure);
    EXPECT_FALSE(committed);
    EXPECT_EQ(failure, u"Catalog Failed"_s);
    EXPECT_FALSE(m_data->InTransaction());
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Catalogs"_s), 6);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files WHERE Name = 'kept.txt'"_s), 1);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files"_s), 1);
    // Cursors show the rolled-back state, not what they read inside.
    EXPECT_EQ(GetObjectSize(*m_data, disk), 0);
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());

    // The same work committed survives closing and opening again.
    ASSERT_TRUE(m_data->RunInTransaction([&] { SetCatalogSize(*m_data, disk, 777); }));
    m_data->CloseDatabase(m_data->DatabaseFolder);
    ASSERT_TRUE(m_data->OpenDatabase());
    EXPECT_EQ(GetObjectSize(*m_data, disk), 777);
}

TEST_F(CatalogDatabaseTest, TheNameIndexFollowsEveryInsertRenameMoveAndDelete)
{
    SqliteConnection &db = m_data->CatalogDatabase;
    const qint64 disk = AddDisk(u"Übersee Disk"_s);
    const qint64 folder = AddObject(disk, u"ΑΡΧΕΙΑ"_s);
    const qint64 first = AddFile(folder, u"Straße.TXT"_s);
    AddFile(disk, u"ab"_s);
    AddFile(disk, u"Ärger.doc"_s);
    EXPECT_EQ(NameIndexDisagreement(db), QString());

    db.Prepare(u"UPDATE Files SET Name = 'renamed.txt' WHERE Key = ?1"_s).Bind(1, first).Execute();
    db.ExecuteScript(u"UPDATE Catalogs SET Name = 'Αρχεία' WHERE ID = %1"_s.arg(folder));
    EXPECT_EQ(NameIndexDisagreement(db), QString());
    // A merging move hands the files on and deletes the folder.
    const qint64 namesake = AddObject(AddDisk(u"Other"_s), u"Αρχεία"_s);
    AddFile(namesake, u"moved along.txt"_s);
    ASSERT_TRUE(m_data->RunInTransaction([&] { m_data->Catalogs.MoveItem(namesake, disk); }));
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files WHERE ID = ?1"_s, folder), 2);
    EXPECT_EQ(NameIndexDisagreement(db), QString());
    // Changes of one row within one batch reach the index as their net effect.
    ASSERT_TRUE(m_data->RunInTransaction([&] {
        const qint64 brief = AddFile(disk, u"brief visit.tmp"_s);
        db.ExecuteScript(u"UPDATE Files SET Name = 'second name' WHERE Key = %1; "
                         "DELETE FROM Files WHERE Key = %1; UPDATE Files SET Name "
                         "= 'once more.txt' WHERE Key = %2; UPDATE Files SET Name "
                         "= 'final name.txt' WHERE Key = %2"_s.arg(brief)
                             .arg(first));
    }));
    EXPECT_EQ(NameIndexDisagreement(db), QString());
    // A bulk append indexes its new rows in one batch; renames and deletes
    // meanwhile, of rows old and new, still reach the index. Left unfinished,
    // the commit finishes it; rolled back, the triggers note rows as before.
    const auto bulkAppend = [&](bool finish) {
        NameIndex::BulkAppend bulk(db);
        const qint64 renamed = AddFile(AddObject(disk, u"Bulk Folder"_s), u"bulk one.txt"_s);
        const qint64 gone = AddFile(disk, u"bulk gone.txt"_s);
        AddFile(disk, u"bulk two.txt"_s);
        db.ExecuteScript(u"UPDATE Files SET Name = 'bulk renamed' WHERE Key = %1; "
                         "DELETE FROM Files WHERE Key = %2; UPDATE Files SET Name "
                         "= 'old renamed.txt' WHERE Key = %3"_s.arg(renamed)
                             .arg(gone)
                             .arg(first));
        EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM FilesDb.FilesNameIndexPending"_s), 2);
        if (finish) {
            EXPECT_TRUE(bulk.Finish());
        }
    };
    ASSERT_TRUE(m_data->RunInTransaction([&] { bulkAppend(true); }));
    EXPECT_EQ(NameIndexDisagreement(db), QString());
    ASSERT_TRUE(m_data->RunInTransaction([&] { bulkAppend(false); }));
    EXPECT_EQ(NameIndexDisagreement(db), QString());
    EXPECT_FALSE(m_data->RunInTransaction([&] {
        bulkAppend(false);
        throw EDirvantaFailed(u"Catalog Failed"_s);
    }));
    AddFile(disk, u"after the rollback.txt"_s);
    EXPECT_EQ(NameIndexDisagreement(db), QString());

    db.ExecuteScript(u"DELETE FROM Files WHERE Name = 'ab'"_s);
    db.ExecuteScript(u"DELETE FROM Catalogs WHERE ID = %1"_s.arg(disk));
    EXPECT_EQ(NameIndexDisagreement(db), QString());
}

TEST_F(CatalogDatabaseTest, AMissingOrStaleNameIndexIsRebuiltWithProgressOnOpen)
{
    const qint64 disk = AddDisk(u"Disk"_s);
    AddFile(disk, u"report.txt"_s);
    const auto reopenAfter = [&](const QString &change) {
        m_data->CatalogDatabase.ExecuteScript(change);
        m_data->CloseDatabase(m_data->DatabaseFolder);
        m_ui.ClearProgressLog();
        ASSERT_TRUE(m_data->OpenDatabase());
        EXPECT_EQ(m_ui.ProgressOperations(), std::vector<int>{ProgressOperation::BuildFindIndex});
        EXPECT_TRUE(NameIndex::IsCurrent(m_data->CatalogDatabase));
        EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    };
    // A database from before the index: no index tables, no triggers.
    reopenAfter(
        u"DROP TRIGGER FilesDb.FilesNameIndexAdd; DROP TRIGGER FilesDb.FilesNameIndexRemove;"
        "DROP TRIGGER FilesDb.FilesNameIndexRename; DROP TABLE FilesDb.FilesNameIndex;"
        "DROP TABLE FilesDb.NameIndexVersion; INSERT INTO Files (ID, Name) VALUES (5, "
        "'unindexed.doc')"_s);
    // An index of another layout version.
    reopenAfter(u"UPDATE main.NameIndexVersion SET Version = 0"_s);
    // A current index is left alone.
    m_data->CloseDatabase(m_data->DatabaseFolder);
    m_ui.ClearProgressLog();
    ASSERT_TRUE(m_data->OpenDatabase());
    EXPECT_TRUE(m_ui.ProgressOperations().empty());
}

TEST_F(CatalogDatabaseTest, AWriterKilledMidTransactionLeavesTheIndexInStepWithTheRows)
{
    const qint64 disk = AddDisk(u"Disk"_s);
    AddFile(disk, u"kept.txt"_s);
    m_data->CloseDatabase(m_data->DatabaseFolder);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A small cache makes SQLite write pages into the files before the
        // commit, as a long scan does; the journal must take them back.
        TDataShare writer;
        writer.DatabaseFolder = DatabasePath();
        if (writer.OpenDatabase()) {
            writer.CatalogDatabase.ExecuteScript(
                u"PRAGMA FilesDb.cache_size = 10; PRAGMA main.cache_size = 10"_s);
            writer.StartTransaction();
            // Half the rows noted one by one, half left to a bulk append.
            std::optional<NameIndex::BulkAppend> bulk;
            for (int i = 0; i < 3000; ++i) {
                if (i == 1500)
                    bulk.emplace(writer.CatalogDatabase);
                writer.CatalogDatabase.ExecuteScript(
                    u"INSERT INTO Files (ID, Name) VALUES (%1, 'lost %2.txt')"_s.arg(disk).arg(i));
            }
        }
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(m_data->OpenDatabase());
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files"_s), 1);
    AddFile(disk, u"noted again.txt"_s);
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
}

TEST_F(CatalogDatabaseTest, CompressReclaimsSpaceAndKeepsEveryRow)
{
    const qint64 disk = AddDisk(u"Disk"_s);
    m_data->RunInTransaction([&] {
        for (int i = 0; i < 3000; ++i)
            AddFile(disk, u"file number %1 with a long name to fill pages"_s.arg(i));
    });
    m_data->CatalogDatabase.ExecuteScript(u"DELETE FROM Files WHERE Key > 10"_s);
    const qint64 before = QFileInfo(TDataShare::FilesFilePath(DatabasePath())).size();
    m_data->Catalogs.Locate(m_data->Catalogs.LookupCursor(), 3);
    EXPECT_TRUE(m_data->CompressDatabase());
    EXPECT_LT(QFileInfo(TDataShare::FilesFilePath(DatabasePath())).size(), before / 2);
    EXPECT_EQ(m_ui.ProgressOperations(), std::vector<int>{13});
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
    EXPECT_TRUE(m_data->Catalogs.Active());
    EXPECT_TRUE(m_data->Files.Active());
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files"_s), 10);
    EXPECT_EQ(GetObjectPath(*m_data, disk), u"Catalogs\\Disk"_s);
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());

    // Inside a transaction it cannot pack, and says so.
    m_data->StartTransaction();
    EXPECT_FALSE(m_data->CompressDatabase());
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Database Error"_s);
    EXPECT_EQ(box.text, u"Dirvanta was unable to compress the current \n Catalog "
                        "Database due to an unknown database error.\n\nPlease close "
                        "Dirvanta and restart, before retrying"_s);
    m_data->Rollback();
}

TEST_F(CatalogDatabaseTest, OpenFailuresAreReportedWithTheirBoxes)
{
    m_data->CloseDatabase(m_data->DatabaseFolder);

    // A folder without a database.
    m_data->DatabaseFolder = m_folder.filePath(u"empty"_s);
    QDir().mkpath(m_data->DatabaseFolder);
    EXPECT_FALSE(m_data->OpenDatabase());
    EXPECT_FALSE(m_data->DatabaseOpen);
    RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.kind, MessageKind::Error);
    EXPECT_EQ(box.caption, u"Catalog Error"_s);
    EXPECT_TRUE(box.text.startsWith(u"Unable to Open Catalog due to the following Access "
                                    "Error:\n\nError Code: 14\nError Type: "_s))
        << box.text.toStdString();

    // Files that are not databases.
    m_data->DatabaseFolder = m_folder.filePath(u"junk"_s);
    QDir().mkpath(m_data->DatabaseFolder);
    for (const QString &path : {TDataShare::CatalogsFilePath(m_data->DatabaseFolder),
                                TDataShare::FilesFilePath(m_data->DatabaseFolder)}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    EXPECT_FALSE(m_data->OpenDatabase());
    box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Catalog Error"_s);
    EXPECT_TRUE(box.text.contains(u"Error Code: 26"_s)) << box.text.toStdString();

    // Databases, but without the catalog tables.
    m_data->DatabaseFolder = m_folder.filePath(u"foreign"_s);
    QDir().mkpath(m_data->DatabaseFolder);
    for (const QString &path : {TDataShare::CatalogsFilePath(m_data->DatabaseFolder),
                                TDataShare::FilesFilePath(m_data->DatabaseFolder)}) {
        SqliteConnection other;
        other.Open(path, true);
        other.ExecuteScript(u"CREATE TABLE Other (x)"_s);
    }
    EXPECT_FALSE(m_data->OpenDatabase());
    box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Catalog Error"_s);
    EXPECT_EQ(box.text, u"An unknown error occured whilst opening the Dirvanta "
                        "Databases.\n\nThis request will be terminated"_s);

    // The real database opens again afterwards.
    m_data->DatabaseFolder = DatabasePath();
    EXPECT_TRUE(m_data->OpenDatabase());
}

TEST_F(CatalogDatabaseTest, DatabaseHeldByAnotherProcessIsReportedAsLocked)
{
    m_data->CloseDatabase(m_data->DatabaseFolder);
    DatabaseLockHolder other(TDataShare::CatalogsFilePath(DatabasePath()));
    ASSERT_TRUE(other.Holding());

    EXPECT_FALSE(m_data->OpenDatabase());
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Catalog Locked"_s);
    EXPECT_EQ(box.text, u"The Catalog \""_s + DatabasePath() +
                            u"\" is currently being accessed by another application "
                            "or User\n\nPlease try again when the other "
                            "Application or User has finished"_s);

    other.Release();
    EXPECT_TRUE(m_data->OpenDatabase());

    // The lock covers the attached Files file as well.
    m_data->CloseDatabase(m_data->DatabaseFolder);
    DatabaseLockHolder filesHolder(TDataShare::FilesFilePath(DatabasePath()));
    ASSERT_TRUE(filesHolder.Holding());
    EXPECT_FALSE(m_data->OpenDatabase());
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Catalog Locked"_s);
}

TEST_F(CatalogDatabaseTest, AnOpenDatabaseHoldsBothFilesAndMadeNoFileToDoSo)
{
    m_data->CloseDatabase(m_data->DatabaseFolder);
    // Locking through a two-file commit would make (and sync) a super-journal.
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    inotify_add_watch(watch, QFile::encodeName(DatabasePath()).constData(), IN_CREATE);
    ASSERT_TRUE(m_data->OpenDatabase());
    QStringList created;
    alignas(inotify_event) char events[4096];
    for (ssize_t size; (size = read(watch, events, sizeof events)) > 0;) {
        for (const char *at = events; at < events + size;) {
            const auto *event = reinterpret_cast<const inotify_event *>(at);
            created << QString::fromUtf8(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    EXPECT_EQ(created, QStringList());

    for (const QString &file : {TDataShare::CatalogsFilePath(DatabasePath()),
                                TDataShare::FilesFilePath(DatabasePath())}) {
        // Another program cannot even read either file.
        SqliteConnection other;
        other.Open(file, false);
        EXPECT_THROW(other.ExecuteScript(u"SELECT count(*) FROM sqlite_master"_s), EDatabaseError)
            << file.toStdString();
    }
    const auto syncing = [this](const QString &schema) {
        SqliteStatement &pragma =
            m_data->CatalogDatabase.Prepare(u"PRAGMA %1.synchronous"_s.arg(schema));
        const qint64 level = pragma.Step() ? pragma.Int64(0) : -1;
        pragma.Reset();
        return level;
    };
    EXPECT_EQ(syncing(QuoteIdentifier(kFilesSchema)), syncing(u"main"_s));
}

TEST_F(CatalogDatabaseTest, OpenAndCloseKeepTheHistoryList)
{
    m_settings->WriteText(u"History List"_s, u"1"_s, DatabasePath());
    m_data->CloseDatabase(m_data->DatabaseFolder);
    EXPECT_EQ(m_settings->History(), QStringList{DatabasePath()});
    ASSERT_TRUE(m_data->OpenDatabase());
    EXPECT_TRUE(m_settings->History().isEmpty());
    // Closing with no folder only sets the closed state.
    m_data->CloseDatabase(QString());
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_TRUE(m_settings->History().isEmpty());
}

TEST_F(CatalogDatabaseTest, LocateDatabaseExplainsAMissingDatabaseAndRunsTheDialog)
{
    m_data->CloseDatabase(m_data->DatabaseFolder);
    EXPECT_TRUE(m_data->LocateDatabase([](int, const QString &) -> int {
        ADD_FAILURE() << "no dialog for a folder that holds a database";
        return -1;
    }));

    const QString missing = m_folder.filePath(u"gone"_s);
    EXPECT_FALSE(TDataShare::DatabaseFilesExist(false, missing));
    m_data->DatabaseFolder = missing;
    int askedMode = 0;
    EXPECT_FALSE(m_data->LocateDatabase([&](int mode, const QString &) {
        askedMode = mode;
        return int(TDataShare::LocationCancelled);
    }));
    EXPECT_EQ(askedMode, 1);
    RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.kind, MessageKind::Information);
    EXPECT_EQ(box.caption, u"Database Access Failed"_s);
    EXPECT_EQ(box.text, u"The Database Folder \""_s + missing +
                            u"\" could not be located.\n\nPlease specifiy the Folder "
                            "required"_s);

    // A folder without tables; the dialog chooses to create one elsewhere.
    const QString bare = m_folder.filePath(u"bare"_s);
    const QString fresh = m_folder.filePath(u"fresh"_s);
    QDir().mkpath(bare);
    QDir().mkpath(fresh);
    QFile(TDataShare::FilesFilePath(bare)).open(QIODevice::WriteOnly);
    EXPECT_TRUE(TDataShare::DatabaseFilesExist(false, bare)) << "either file";
    EXPECT_FALSE(TDataShare::DatabaseFilesExist(true, bare)) << "both files";
    m_data->DatabaseFolder = bare;
    EXPECT_TRUE(m_data->LocateDatabase([&](int, const QString &) {
        m_data->DatabaseFolder = fresh;
        return int(TDataShare::LocationCreate);
    }));
    box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.text, u"Unable to open the Catalog Database in Folder \""_s + bare +
                            u"\"\n\nPlease specifiy the correct location or create "
                            "a new Catalog Database"_s);
    EXPECT_TRUE(TDataShare::DatabaseFilesExist(true, fresh));
    EXPECT_TRUE(m_data->OpenDatabase());
}

// A filled database, closed, with ways to damage its files as a crash, a bad
// sector or a cut copy would.
class DatabaseRepairTest : public StoreFixture
{
protected:
    static constexpr int kFolders = 60;
    static constexpr int kFilesPerFolder = 50;

    void SetUp() override
    {
        StoreFixture::SetUp();
        QDir().mkpath(m_folder.filePath(u"tmp"_s));
        ASSERT_TRUE(m_data->RunInTransaction([&] {
            for (int f = 0; f < kFolders; ++f) {
                const qint64 folder = AddObject(kCatalogsId, u"folder %1 of the sample"_s.arg(f));
                for (int i = 0; i < kFilesPerFolder; ++i)
                    AddFile(folder, u"file %1 in folder %2 with a long name"_s.arg(i).arg(f));
            }
        }));
        m_data->CloseDatabase(m_data->DatabaseFolder);
        // The name index leaves the pages of its emptied change list free:
        // the sound sample is a tidy file.
        for (const auto file :
             {DatabaseRepair::DatabaseFile::Catalogs, DatabaseRepair::DatabaseFile::Files})
            OnFile(file, u"VACUUM"_s);
    }

    QString FilePath(DatabaseRepair::DatabaseFile file) const
    {
        return QDir(DatabasePath()).filePath(DatabaseRepair::FileName(file));
    }

    // Runs SQL on one file through a connection of its own.
    qint64 OnFile(DatabaseRepair::DatabaseFile file, const QString &sql)
    {
        SqliteConnection db;
        db.Open(FilePath(file), false);
        SqliteStatement &query = db.Prepare(sql);
        return query.Step() ? query.Int64(0) : 0;
    }

    // A leaf page of the table in the middle of the file, and its rows.
    std::pair<qint64, qint64> MiddleLeaf(DatabaseRepair::DatabaseFile file, const QString &table)
    {
        const QString leaves = u"FROM dbstat WHERE name = '%1' AND pagetype = 'leaf'"_s.arg(table);
        const qint64 count = OnFile(file, u"SELECT count(*) "_s + leaves);
        const QString middle = leaves + u" ORDER BY pageno LIMIT 1 OFFSET %1"_s.arg(count / 2);
        return {OnFile(file, u"SELECT pageno "_s + middle),
                OnFile(file, u"SELECT ncell "_s + middle)};
    }

    void WriteNoise(DatabaseRepair::DatabaseFile file, qint64 page)
    {
        QFile raw(FilePath(file));
        ASSERT_TRUE(raw.open(QIODevice::ReadWrite));
        raw.seek((page - 1) * 4096);
        QByteArray noise(4096, Qt::Uninitialized);
        for (char &byte : noise)
            byte = char(std::rand());
        raw.write(noise);
    }

    // The index of a table is declared on another field while rows change,
    // so that its entries no longer agree with the rows.
    void SpoilIndex()
    {
        const auto declare = [&](const char *sql) {
            SqliteConnection db;
            db.Open(FilePath(DatabaseRepair::DatabaseFile::Files), false);
            db.ExecuteScript(u"PRAGMA writable_schema=ON; UPDATE sqlite_schema SET "
                             "sql = '%1' WHERE name = 'SizeIndex'"_s.arg(QLatin1String(sql)));
        };
        declare("CREATE INDEX SizeIndex ON Files (Spare1)");
        OnFile(DatabaseRepair::DatabaseFile::Files,
               u"UPDATE Files SET Size = Size + 1 WHERE Key < 20"_s);
        declare("CREATE INDEX \"SizeIndex\" ON \"Files\" (\"Size\", \"Created\")");
    }

    DatabaseRepair::VerifyResult Verify(DatabaseRepair::DatabaseFile file)
    {
        return DatabaseRepair::VerifyFile(DatabasePath(), file, {});
    }
};

TEST_F(DatabaseRepairTest, EachKindOfDamageIsReportedAtItsLevel)
{
    using namespace DatabaseRepair;
    EXPECT_EQ(Verify(DatabaseFile::Catalogs).level, kSound);
    EXPECT_EQ(Verify(DatabaseFile::Files).level, kSound);
    EXPECT_EQ(VerifyStatusText(kSound), u"Verification Successful."_s);

    OnFile(DatabaseFile::Files, u"DELETE FROM Files WHERE Key > 1000"_s);
    EXPECT_EQ(Verify(DatabaseFile::Files).level, kTidyOnly);
    EXPECT_EQ(VerifyStatusText(kTidyOnly), u"Verification Successful"_s);

    // A name changed behind the name index's back.
    OnFile(DatabaseFile::Files, u"DROP TRIGGER FilesNameIndexRename"_s);
    OnFile(DatabaseFile::Files, u"UPDATE Files SET Name = 'renamed' WHERE Key = 5"_s);
    const VerifyResult names = Verify(DatabaseFile::Files);
    EXPECT_EQ(names.level, kIndexFault);
    EXPECT_TRUE(names.problems.contains(u"The name index is out of step with the names"_s));

    SpoilIndex();
    EXPECT_EQ(Verify(DatabaseFile::Files).level, kIndexFault);

    OnFile(DatabaseFile::Catalogs, u"UPDATE Catalogs SET Parent = 7 WHERE ID = 6"_s);
    OnFile(DatabaseFile::Catalogs, u"UPDATE Catalogs SET Parent = 6 WHERE ID = 7"_s);
    const VerifyResult cycle = Verify(DatabaseFile::Catalogs);
    EXPECT_EQ(cycle.level, kContentFault);
    EXPECT_EQ(VerifyStatusText(cycle.level), u"Verification Failed - Try a Repair"_s);
    // The files of the objects in the cycle still have their owners.
    EXPECT_EQ(Verify(DatabaseFile::Files).level, kIndexFault);
    OnFile(DatabaseFile::Files, u"UPDATE Files SET ID = 99999 WHERE Key = 500"_s);
    EXPECT_TRUE(Verify(DatabaseFile::Files).problems.contains(u"1 files have no owner"_s));

    WriteNoise(DatabaseFile::Catalogs, MiddleLeaf(DatabaseFile::Catalogs, u"Catalogs"_s).first);
    EXPECT_EQ(Verify(DatabaseFile::Catalogs).level, kUnreadable);
    QFile::resize(FilePath(DatabaseFile::Files),
                  QFileInfo(FilePath(DatabaseFile::Files)).size() / 2);
    EXPECT_EQ(Verify(DatabaseFile::Files).level, kUnreadable);

    QFile::resize(FilePath(DatabaseFile::Files), 0);
    EXPECT_EQ(VerifyStatusText(Verify(DatabaseFile::Files).level), u"Verification unsuccessful."_s);
}

TEST_F(DatabaseRepairTest, RepairRecoversEveryReadableRowAndKeepsTheBackup)
{
    using namespace DatabaseRepair;
    const auto [catalogsPage, catalogsRows] = MiddleLeaf(DatabaseFile::Catalogs, u"Catalogs"_s);
    const auto [filesPage, filesRows] = MiddleLeaf(DatabaseFile::Files, u"Files"_s);
    ASSERT_GT(catalogsRows, 0);
    ASSERT_GT(filesRows, 0);
    const QByteArray original = [&] {
        QFile file(FilePath(DatabaseFile::Files));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    WriteNoise(DatabaseFile::Catalogs, catalogsPage);
    WriteNoise(DatabaseFile::Files, filesPage);
    QFile damaged(FilePath(DatabaseFile::Files));
    ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
    const QByteArray damagedBytes = damaged.readAll();

    const QString backups = m_folder.filePath(u"tmp"_s);
    std::vector<int> phases;
    const RepairResult catalogs =
        RepairFile(DatabasePath(), DatabaseFile::Catalogs, backups, [&](Phase phase, int percent) {
            phases.push_back(int(phase) * 1000 + percent);
        });
    const RepairResult files = RepairFile(DatabasePath(), DatabaseFile::Files, backups, {});
    EXPECT_TRUE(catalogs.repaired && files.repaired);
    EXPECT_EQ(catalogs.recovered, 5 + kFolders - catalogsRows);
    EXPECT_EQ(catalogs.lost, catalogsRows);
    EXPECT_EQ(files.recovered, kFolders * kFilesPerFolder - filesRows);
    EXPECT_EQ(files.lost, filesRows);
    EXPECT_EQ(phases.back(), 8100);
    // The files of the lost folders were moved, not dropped.
    EXPECT_GT(files.reattached, 0);
    const qint64 recoveredItems =
        OnFile(DatabaseFile::Catalogs,
               u"SELECT ID FROM Catalogs WHERE Name = '%1'"_s.arg(kRecoveredItemsName));
    EXPECT_EQ(OnFile(DatabaseFile::Files,
                     u"SELECT count(*) FROM Files WHERE ID = %1"_s.arg(recoveredItems)),
              files.reattached);
    EXPECT_EQ(
        RepairStatusText(files),
        QStringLiteral(
            "Repair was successful. %1 rows recovered, %2 lost, %3 moved to \"Recovered Items\".")
            .arg(QLocale().toString(files.recovered), QLocale().toString(files.lost),
                 QLocale().toString(files.reattached)));

    QFile backup(QDir(backups).filePath(u"Backup Dirvanta Files.db"_s));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    // The header's change counter moves; every page is copied as it was.
    EXPECT_EQ(backup.readAll().mid(100), damagedBytes.mid(100));
    EXPECT_TRUE(QFile::exists(QDir(backups).filePath(u"Backup Dirvanta Catalogs.db"_s)));
    EXPECT_EQ(Verify(DatabaseFile::Catalogs).level, kSound);
    EXPECT_EQ(Verify(DatabaseFile::Files).level, kSound);
    // Every row that was recovered is the row it was.
    SqliteConnection db;
    db.Open(FilePath(DatabaseFile::Files), false);
    QFile originalCopy(m_folder.filePath(u"original.db"_s));
    originalCopy.open(QIODevice::WriteOnly);
    originalCopy.write(original);
    originalCopy.close();
    db.ExecuteScript(u"ATTACH '%1' AS original"_s.arg(originalCopy.fileName()));
    SqliteStatement &differing = db.Prepare(
        u"SELECT count(*) FROM Files r JOIN original.Files o ON o.Key = r.Key WHERE r.Name <> "
        "o.Name OR r.Size <> o.Size OR r.Created <> o.Created"_s);
    differing.Step();
    EXPECT_EQ(differing.Int64(0), 0);
    db.Close();

    // The name index is made again from the recovered rows as the database opens.
    m_ui.ClearProgressLog();
    ASSERT_TRUE(m_data->OpenDatabase());
    EXPECT_EQ(m_ui.ProgressOperations(), std::vector<int>{ProgressOperation::BuildFindIndex});
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
}

TEST_F(DatabaseRepairTest, RepairPutsCutOffObjectsAndFilesUnderRecoveredItems)
{
    using namespace DatabaseRepair;
    OnFile(DatabaseFile::Catalogs, u"UPDATE Catalogs SET Parent = 7 WHERE ID = 6"_s);
    OnFile(DatabaseFile::Catalogs, u"UPDATE Catalogs SET Parent = 6 WHERE ID = 7"_s);
    OnFile(DatabaseFile::Catalogs, u"DELETE FROM Catalogs WHERE ID = 4"_s);
    OnFile(DatabaseFile::Files, u"UPDATE Files SET ID = 99999 WHERE Key <= 3"_s);
    const QString backups = m_folder.filePath(u"tmp"_s);
    EXPECT_EQ(RepairFile(DatabasePath(), DatabaseFile::Catalogs, backups, {}).reattached, 1);
    EXPECT_EQ(RepairFile(DatabasePath(), DatabaseFile::Files, backups, {}).reattached, 3);
    EXPECT_EQ(Verify(DatabaseFile::Catalogs).level, kSound);
    EXPECT_EQ(Verify(DatabaseFile::Files).level, kSound);

    ASSERT_TRUE(m_data->OpenDatabase());
    const qint64 recovered =
        m_data->Catalogs.FindChild(kCatalogsId, DatabaseRepair::kRecoveredItemsName);
    EXPECT_EQ(GetObjectName(*m_data, kWastebasketId), u"Wastebasket"_s);
    EXPECT_EQ(CountRows(u"SELECT count(*) FROM Catalogs WHERE Parent = ?1"_s, recovered), 1);
    EXPECT_EQ(CountRows(u"SELECT count(*) FROM Files WHERE ID = ?1"_s, recovered), 3);
}

TEST_F(DatabaseRepairTest, TablesOfOtherPartsAreCheckedAndCarriedOver)
{
    using namespace DatabaseRepair;
    {
        SqliteConnection db;
        db.Open(FilePath(DatabaseFile::Files), false);
        db.ExecuteScript(
            u"CREATE TABLE NameSegments (Segment INTEGER PRIMARY KEY, Names BLOB, Owner INTEGER);"
            "CREATE INDEX SegmentOwner ON NameSegments (Owner);"
            "INSERT INTO NameSegments VALUES (1, x'0102', 6), (2, x'0304', 7);"_s);
    }
    EXPECT_EQ(Verify(DatabaseFile::Files).level, kSound);
    ASSERT_TRUE(RepairFile(DatabasePath(), DatabaseFile::Files, m_folder.path(), {}).repaired);
    EXPECT_EQ(Verify(DatabaseFile::Files).level, kSound);
    EXPECT_EQ(OnFile(DatabaseFile::Files, u"SELECT sum(length(Names) * Owner) FROM NameSegments "
                                          "INDEXED BY SegmentOwner WHERE Owner > 0"_s),
              2 * 6 + 2 * 7);
}
