#pragma once

#include "store/DBItemTree.h"
#include "store/SqliteConnection.h"
#include "store/TableCursor.h"

#include <QString>

#include <exception>
#include <functional>
#include <vector>

class ArchiveSetFiles;
class SettingsStore;

// What the window does when the database opens or closes: loading the tree,
// title, toolbar, status bar. The explorer implements it; the command-line
// tool and tests need none.
class DatabaseObserver
{
public:
    virtual ~DatabaseObserver() = default;
    // Called while opening, once the Catalogs table is open; may raise.
    virtual void LoadViews() {}
    virtual void DatabaseOpened() {}
    // Called before the tables of an open database close.
    virtual void ClearViews() {}
    // Called in every case at the end of CloseDatabase.
    virtual void DatabaseClosed() {}
    // Called after compressing, to select the database object again.
    virtual void SelectDatabaseObject() {}
    // Called when the remembered folder held no database: the object
    // remembered for selection after opening is forgotten.
    virtual void ForgetSelectedNode() {}
};

// The data module: the one connection to the catalog database (the Catalogs
// file, with the Files file attached), the Catalogs item tree and the Files
// table, the shared state of which database is current, and the operations
// that create, open, close and compress a database and run commands in
// transactions.
class TDataShare final
{
public:
    // The answers of the Database Location dialog.
    enum LocationResult
    {
        LocationCancelled = -1,
        LocationCreate = 1,
        LocationOpen = 2
    };
    // Runs the Database Location dialog in a mode (1 select, 2 create, 3
    // open) with the folder in use; on OK it has set DatabaseFolder.
    using LocationDialog = std::function<int(int mode, const QString &inUseFolder)>;

    explicit TDataShare(SettingsStore *settings = nullptr);
    ~TDataShare();
    TDataShare(const TDataShare &) = delete;
    TDataShare &operator=(const TDataShare &) = delete;

    SqliteConnection CatalogDatabase;
    TDBItemTree Catalogs;
    TableCursor Files;

    QString DatabaseFolder;
    bool DatabaseOpen = false;
    int DatabaseVersion = 0;

    void SetObserver(DatabaseObserver *observer)
    {
        m_observer = observer ? observer : &m_noObserver;
    }
    // Forgets the observer when it is this one (a window that goes away).
    void RemoveObserver(DatabaseObserver *observer)
    {
        if (m_observer == observer)
            m_observer = &m_noObserver;
    }
    void SetSettings(SettingsStore *settings) { m_settings = settings; }
    SettingsStore *Settings() const { return m_settings; }

    // Closes the connection and points it at DatabaseFolder.
    void SetDatabasePath();
    // Creates both tables in DatabaseFolder, replacing existing ones, and
    // seeds the five fixed objects. Leaves the database closed. Raises a
    // locked EDatabaseError when another program holds the existing tables.
    void CreateDatabaseTables();
    // The same, reporting a failure itself ("Catalog Error"); true when made.
    bool CreateDatabase();
    // Opens the database in DatabaseFolder; reports failures itself.
    bool OpenDatabase();
    // Closes the current database; an empty folder only sets the closed state.
    void CloseDatabase(const QString &folder);
    // The check made before opening the remembered folder at start-up;
    // false when the user cancelled or the database could not be created.
    bool LocateDatabase(const LocationDialog &showDatabaseLocation);
    // With both set: true when both table files exist; otherwise when either does.
    static bool DatabaseFilesExist(bool both, const QString &folder);
    static QString CatalogsFilePath(const QString &folder);
    static QString FilesFilePath(const QString &folder);
    // Removes the database of a folder: both table files and the journals
    // SQLite keeps beside them, nothing else. The lock of both files is taken
    // first and held while they go. Raises a locked EDatabaseError, having
    // deleted nothing, when another program holds either; raises when a file
    // stays behind.
    static void RemoveDatabaseFiles(const QString &folder);
    // Tells the user that another program holds the database of the folder.
    static void ReportLocked(const QString &folder);

    // Shrinks the page cache of the open connection for a process that reads
    // few pages (a search from the command line): the large cache that speeds
    // up cataloguing would only grow it. The objects, which a search walks up
    // from every file's owner, keep room enough for tens of thousands of them.
    void UseSmallPageCache();

    // Compacts both tables; reports a failure itself.
    bool CompressDatabase();
    bool PackTable(TableCursor &table);

    void StartTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const { return CatalogDatabase.InTransaction(); }
    // Runs a command inside one transaction: commits when it returns, rolls
    // back and swallows the exception when it raises, or when a handler
    // failed while it ran; never raises. True when committed. The failure's
    // text goes to failure when given; it is empty when the failure was
    // shown already.
    bool RunInTransaction(const std::function<void()> &command, QString *failure = nullptr);
    // The same for a command the user gave: a failure closes the progress
    // window and is shown in the "Database Error" box.
    bool RunUserCommand(const std::function<void()> &command);
    // Runs a handler of a window (a selection change, a menu opening, a
    // button) so that no failure passes on to the event loop: a failure is
    // reported as ReportFailure does. True when the handler returned.
    bool RunGuarded(const std::function<void()> &handler);
    // Work outside the database that waits for the running transaction:
    // done once it has committed (a file deleted when no row points at it any
    // more), or undone when it rolls back (a file renamed back). Both lists
    // are dropped when the transaction ends either way. Actions never raise.
    void AfterCommit(std::function<void()> action);
    void OnRollback(std::function<void()> action);

    // What follows an archive set's ZIP file when the set is renamed or
    // deleted for good; nothing when no archive layer is installed.
    void SetArchiveSetFiles(ArchiveSetFiles *files) { m_setFiles = files; }
    ArchiveSetFiles *SetFiles() const { return m_setFiles; }

    // Reports a failure that a handler let through: the progress window
    // closes and the "Database Error" box shows the failure's text. A
    // command running meanwhile (the handler ran inside it) is rolled back
    // when it ends rather than committed; a transaction no command holds is
    // rolled back at once.
    void ReportFailure(const std::exception_ptr &failure);

private:
    void OpenConnection(bool create);
    void ConfigureTables();
    // Rebuilds the name index, with progress, when it is missing or stale.
    void EnsureNameIndex();
    void ReportOpenFailure(const std::exception &failure);
    void RollbackAfterFailure();
    void UpdateHistory(bool add, const QString &folder);

    SettingsStore *m_settings = nullptr;
    DatabaseObserver *m_observer = nullptr;
    // Whether RunInTransaction is running a command, and whether a handler
    // failed meanwhile.
    bool m_commandRunning = false;
    bool m_commandSpoilt = false;
    DatabaseObserver m_noObserver;
    ArchiveSetFiles *m_setFiles = nullptr;
    std::vector<std::function<void()>> m_afterCommit;
    std::vector<std::function<void()>> m_onRollback;
};
