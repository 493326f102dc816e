#include "store/DataShare.h"

#include "platform/ProgressOperations.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "store/NameIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace {

QString Quote(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Whether a file is one SQLite keeps beside a database file: the rollback
// journal, the write-ahead log and its index, or the super-journal of a
// commit across attached files ("-mj" and nine hexadecimal digits).
bool IsJournalOf(const QString &fileName, const QString &databaseName)
{
    if (!fileName.startsWith(databaseName))
        return false;
    const QStringView tail = QStringView(fileName).sliced(databaseName.size());
    if (tail == u"-journal" || tail == u"-wal" || tail == u"-shm")
        return true;
    static const QRegularExpression superJournal(QStringLiteral("^-mj[0-9A-F]{9}$"));
    return superJournal.match(tail).hasMatch();
}

const QString kCompressFailure =
    QStringLiteral(
        "Dirvanta was unable to compress the current \n Catalog Database due to an unknown "
        "database error.") +
    kParagraphBreak + QStringLiteral("Please close Dirvanta and restart, before retrying");

} // namespace

TDataShare::TDataShare(SettingsStore *settings)
    : m_settings(settings)
    , m_observer(&m_noObserver)
{
    ConfigureTables();
}

TDataShare::~TDataShare()
{
    Catalogs.Close();
    Files.Close();
    CatalogDatabase.Close();
}

void TDataShare::ConfigureTables()
{
    Catalogs.SetConnection(&CatalogDatabase);
    Catalogs.SetTableName(CatalogSchema::kCatalogsTable);
    Catalogs.SetIndexFieldName(QStringLiteral("Parent")); // the index "ParentIdx"
    Catalogs.RootID = CatalogSchema::kDatabaseObjectId;
    Catalogs.NameDelim = QStringLiteral("\\");
    Catalogs.ItemIDFieldName = QStringLiteral("ID");
    Catalogs.ItemParentFieldName = QStringLiteral("Parent");
    Catalogs.ItemClassFieldName = QStringLiteral("Class");
    Catalogs.ItemNameFieldName = QStringLiteral("Name");
    Catalogs.ItemNameHiddenFieldName = QStringLiteral("NameHidden");
    Catalogs.ItemFieldUseDefault = false;
    Catalogs.Loaded();
    // A merging move deletes the source folder; its files go to the folder
    // it merged into rather than being left without an owner.
    Catalogs.SetMergeHook([this](qint64 sourceId, qint64 targetId) {
        SqliteStatement &move =
            CatalogDatabase.Prepare(QStringLiteral("UPDATE Files SET ID = ?1 WHERE ID = ?2"));
        move.Bind(1, targetId).Bind(2, sourceId).Execute();
    });

    Files.SetConnection(&CatalogDatabase);
    Files.SetTableName(CatalogSchema::kFilesTable);
    Files.SetIndexFieldName(QStringLiteral("ID")); // the index "IDIndex"
}

QString TDataShare::CatalogsFilePath(const QString &folder)
{
    return QDir(folder).filePath(CatalogSchema::kCatalogsFileName);
}

QString TDataShare::FilesFilePath(const QString &folder)
{
    return QDir(folder).filePath(CatalogSchema::kFilesFileName);
}

bool TDataShare::DatabaseFilesExist(bool both, const QString &folder)
{
    const bool catalogs = QFileInfo::exists(CatalogsFilePath(folder));
    const bool files = QFileInfo::exists(FilesFilePath(folder));
    return both ? catalogs && files : catalogs || files;
}

void TDataShare::SetDatabasePath()
{
    Catalogs.Close();
    Files.Close();
    CatalogDatabase.Close();
}

void TDataShare::OpenConnection(bool create)
{
    const QString catalogsPath = CatalogsFilePath(DatabaseFolder);
    const QString filesPath = FilesFilePath(DatabaseFolder);
    CatalogDatabase.Open(catalogsPath, create);
    if (!create && !QFileInfo::exists(filesPath))
        throw EDatabaseError(QStringLiteral("unable to open database file: ") + filesPath, 14);
    // Exclusive locking is set before the Files file is attached so that it
    // covers both; the empty write transaction takes the lock now, so that a
    // second program is refused at once rather than at its first change.
    // The rollback journal (not WAL) makes one commit atomic across both files.
    CatalogDatabase.ExecuteScript(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
    SqliteStatement &attach = CatalogDatabase.Prepare(QStringLiteral("ATTACH DATABASE ?1 AS ") +
                                                      QuoteIdentifier(CatalogSchema::kFilesSchema));
    attach.Bind(1, filesPath).Execute();
    const QString files = QuoteIdentifier(CatalogSchema::kFilesSchema);
    CatalogDatabase.ExecuteScript(
        QStringLiteral("PRAGMA main.journal_mode=DELETE; PRAGMA %1.journal_mode=DELETE;"
                       "PRAGMA main.cache_size=-65536; PRAGMA %1.cache_size=-131072;")
            .arg(files));
    // A write transaction on two files commits through a super-journal, which
    // costs three disk syncs even when nothing changed. The empty one that
    // takes the locks runs with the Files file's syncing off, so SQLite
    // commits it as one file's and syncs nothing; the setting comes back after.
    SqliteStatement &syncing =
        CatalogDatabase.Prepare(QStringLiteral("PRAGMA %1.synchronous").arg(files));
    syncing.Step();
    const qint64 level = syncing.Int64(0);
    syncing.Reset();
    CatalogDatabase.ExecuteScript(
        QStringLiteral(
            "PRAGMA %1.synchronous=OFF; BEGIN EXCLUSIVE; COMMIT; PRAGMA %1.synchronous=%2;")
            .arg(files)
            .arg(level));
}

void TDataShare::CreateDatabaseTables()
{
    SetDatabasePath();
    RemoveDatabaseFiles(DatabaseFolder);
    try {
        OpenConnection(true);
        StartTransaction();
        QStringList commands = CatalogSchema::CreateTableCommands(
            QStringLiteral("main"), CatalogSchema::kCatalogsTable, CatalogSchema::CatalogsFields(),
            CatalogSchema::CatalogsIndexes());
        commands << CatalogSchema::CreateTableCommands(
            CatalogSchema::kFilesSchema, CatalogSchema::kFilesTable, CatalogSchema::FilesFields(),
            CatalogSchema::FilesIndexes());
        commands << NameIndex::CreateCommands();
        for (const QString &command : commands)
            CatalogDatabase.ExecuteScript(command);
        TableCursor catalogs(&CatalogDatabase, CatalogSchema::kCatalogsTable);
        catalogs.Open();
        AppendFixedObjects(catalogs);
        catalogs.Close();
        Commit();
    } catch (...) {
        // A half-made database must not pass for one later.
        CatalogDatabase.Close();
        QFile::remove(CatalogsFilePath(DatabaseFolder));
        QFile::remove(FilesFilePath(DatabaseFolder));
        throw;
    }
    CatalogDatabase.Close();
}

bool TDataShare::CreateDatabase()
{
    QString failure;
    try {
        CreateDatabaseTables();
        return true;
    } catch (const EDatabaseError &error) {
        // Another program holds the database being replaced.
        if (error.IsLocked()) {
            ReportLocked(DatabaseFolder);
            return false;
        }
        failure = error.Message();
    } catch (...) {
        failure = FailureText(std::current_exception());
    }
    UI().ShowError(QStringLiteral("Catalog Error"),
                   QStringLiteral("Unable to create the Catalog Database in Folder ") +
                       Quote(DatabaseFolder) + kParagraphBreak + failure);
    return false;
}

void TDataShare::RemoveDatabaseFiles(const QString &folder)
{
    // Removing the files of a database that another program holds would let
    // that program write on into files nobody can reach again: its catalog
    // would be lost. The lock is taken first and kept until the files are
    // gone, so that no program can take the database in between.
    std::vector<std::unique_ptr<SqliteConnection>> locks;
    const QString tableFiles[] = {CatalogSchema::kCatalogsFileName, CatalogSchema::kFilesFileName};
    for (const QString &name : tableFiles) {
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path))
            continue;
        auto lock = std::make_unique<SqliteConnection>();
        try {
            lock->Open(path, false);
            lock->ExecuteScript(
                QStringLiteral("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;"));
            locks.push_back(std::move(lock));
        } catch (const EDatabaseError &error) {
            // A damaged file may be replaced; a held one may not.
            if (error.IsLocked())
                throw;
        }
    }
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        const bool own = std::any_of(
            std::begin(tableFiles), std::end(tableFiles),
            [&entry](const QString &name) { return entry == name || IsJournalOf(entry, name); });
        const QString path = QDir(folder).filePath(entry);
        if (own && !QFile::remove(path))
            throw EDatabaseError(QStringLiteral("Unable to replace ") + path);
    }
}

void TDataShare::ReportLocked(const QString &folder)
{
    UI().ShowError(QStringLiteral("Catalog Locked"),
                   QStringLiteral("The Catalog ") + Quote(folder) +
                       QStringLiteral(" is currently being accessed by another application or "
                                      "User") +
                       kParagraphBreak +
                       QStringLiteral("Please try again when the other Application or User has "
                                      "finished"));
}

bool TDataShare::OpenDatabase()
{
    try {
        SetDatabasePath();
        OpenConnection(false);
        Catalogs.Open();
        m_observer->LoadViews();
        Files.Open();
        Files.SetIndexFieldName(QStringLiteral("ID"));
        DatabaseVersion = int(GetObjectSize(*this, CatalogSchema::kDatabaseObjectId));
        EnsureNameIndex();
        UpdateHistory(false, DatabaseFolder);
        DatabaseOpen = true;
        m_observer->DatabaseOpened();
        return true;
    } catch (const std::exception &failure) {
        ReportOpenFailure(failure);
    }
    // Nothing half-open stays behind: the tables and the lock are released.
    SetDatabasePath();
    DatabaseOpen = false;
    return false;
}

void TDataShare::EnsureNameIndex()
{
    if (NameIndex::IsCurrent(CatalogDatabase))
        return;
    // A database from before the index, or from an older layout of it: the
    // index is made again from the rows in one transaction, so that an
    // interrupted rebuild leaves the old state and runs again next time.
    UI().ShowProgress(ProgressOperation::BuildFindIndex);
    try {
        StartTransaction();
        NameIndex::Rebuild(CatalogDatabase, [](qint64 done, qint64 total) {
            UI().SetProgressRange(total);
            UI().SetProgressPosition(done);
            UI().PumpMessages(0);
        });
        Commit();
    } catch (...) {
        RollbackAfterFailure();
        UI().CloseProgress();
        throw;
    }
    UI().CloseProgress();
}

void TDataShare::ReportOpenFailure(const std::exception &failure)
{
    const auto *engine = dynamic_cast<const EDatabaseError *>(&failure);
    if (engine && engine->IsLocked()) {
        ReportLocked(DatabaseFolder);
    } else if (engine && engine->EngineCode() != 0) {
        UI().ShowError(QStringLiteral("Catalog Error"),
                       QStringLiteral("Unable to Open Catalog due to the following Access Error:") +
                           kParagraphBreak +
                           QStringLiteral("Error Code: %1").arg(engine->EngineCode()) +
                           QStringLiteral("\nError Type: ") + engine->Message());
    } else {
        UI().ShowError(QStringLiteral("Catalog Error"),
                       QStringLiteral("An unknown error occured whilst opening the Dirvanta "
                                      "Databases.") +
                           kParagraphBreak + QStringLiteral("This request will be terminated"));
    }
}

void TDataShare::CloseDatabase(const QString &folder)
{
    if (!folder.isEmpty()) {
        UpdateHistory(true, folder);
        m_observer->ClearViews();
        Catalogs.Close();
        Files.Close();
        CatalogDatabase.Close();
    }
    DatabaseOpen = false;
    m_observer->DatabaseClosed();
}

bool TDataShare::LocateDatabase(const LocationDialog &showDatabaseLocation)
{
    const bool folderExists = QFileInfo(DatabaseFolder).isDir();
    if (folderExists && DatabaseFilesExist(true, DatabaseFolder))
        return true;
    if (folderExists) {
        UI().ShowInformation(QStringLiteral("Database Access Failed"),
                             QStringLiteral("Unable to open the Catalog Database in Folder ") +
                                 Quote(DatabaseFolder) + kParagraphBreak +
                                 QStringLiteral("Please specifiy the correct location or create a "
                                                "new Catalog Database"));
    } else {
        UI().ShowInformation(QStringLiteral("Database Access Failed"),
                             QStringLiteral("The Database Folder ") + Quote(DatabaseFolder) +
                                 QStringLiteral(" could not be located.") + kParagraphBreak +
                                 QStringLiteral("Please specifiy the Folder required"));
    }
    m_observer->ForgetSelectedNode();
    const int result = showDatabaseLocation(1, QString());
    if (result == LocationCreate)
        return CreateDatabase();
    return result != LocationCancelled;
}

void TDataShare::UseSmallPageCache()
{
    CatalogDatabase.ExecuteScript(
        QStringLiteral("PRAGMA main.cache_size=-8192; PRAGMA %1.cache_size=-2048")
            .arg(QuoteIdentifier(CatalogSchema::kFilesSchema)));
}

bool TDataShare::CompressDatabase()
{
    UI().ShowProgress(13);
    bool packed = false;
    try {
        NameIndex::Merge(CatalogDatabase);
        packed = PackTable(Files) && PackTable(Catalogs);
    } catch (const std::exception &) {
        packed = false;
    }
    if (!packed)
        UI().ShowError(kDatabaseErrorCaption, kCompressFailure);
    m_observer->SelectDatabaseObject();
    UI().CloseProgress();
    return packed;
}

bool TDataShare::PackTable(TableCursor &table)
{
    if (InTransaction())
        throw EDatabaseError(QStringLiteral("A table cannot be packed inside a transaction"));
    const QString schema = table.TableName() == CatalogSchema::kFilesTable
                               ? CatalogSchema::kFilesSchema
                               : QStringLiteral("main");
    const bool wasActive = table.Active();
    table.Close();
    try {
        CatalogDatabase.ExecuteScript(QStringLiteral("VACUUM ") + QuoteIdentifier(schema));
    } catch (...) {
        if (wasActive)
            table.Open();
        throw;
    }
    if (wasActive)
        table.Open();
    return true;
}

void TDataShare::StartTransaction()
{
    if (InTransaction())
        throw EDatabaseError(QStringLiteral("A transaction is already active"));
    CatalogDatabase.ExecuteScript(QStringLiteral("BEGIN"));
}

void TDataShare::Commit()
{
    NameIndex::Flush(CatalogDatabase);
    CatalogDatabase.ExecuteScript(QStringLiteral("COMMIT"));
    m_onRollback.clear();
    for (const std::function<void()> &action : std::exchange(m_afterCommit, {}))
        action();
}

void TDataShare::Rollback()
{
    m_afterCommit.clear();
    // Undone before the rows, so that a rollback that fails undoes them too.
    for (const std::function<void()> &action : std::exchange(m_onRollback, {}))
        action();
    // SQLite rolls back by itself after some failures (a full disk, an I/O
    // error); then there is nothing left to roll back.
    if (InTransaction())
        CatalogDatabase.ExecuteScript(QStringLiteral("ROLLBACK"));
    CatalogDatabase.NoteRollback();
}

void TDataShare::RollbackAfterFailure()
{
    try {
        Rollback();
    } catch (...) {
        // The failure already reported stands for this one: a connection
        // that cannot roll back fails again at the next command.
    }
}

void TDataShare::AfterCommit(std::function<void()> action)
{
    m_afterCommit.push_back(std::move(action));
}

void TDataShare::OnRollback(std::function<void()> action)
{
    m_onRollback.push_back(std::move(action));
}

bool TDataShare::RunInTransaction(const std::function<void()> &command, QString *failure)
{
    try {
        StartTransaction();
    } catch (...) {
        // Nothing began: a transaction already open belongs to another command.
        if (failure)
            *failure = FailureText(std::current_exception());
        return false;
    }
    m_commandRunning = true;
    m_commandSpoilt = false;
    QString text;
    try {
        command();
        if (!m_commandSpoilt) {
            Commit();
            m_commandRunning = false;
            return true;
        }
    } catch (...) {
        text = FailureText(std::current_exception());
    }
    m_commandRunning = false;
    // A handler's failure was reported where it happened.
    if (m_commandSpoilt)
        text.clear();
    m_commandSpoilt = false;
    if (failure)
        *failure = text;
    RollbackAfterFailure();
    return false;
}

bool TDataShare::RunUserCommand(const std::function<void()> &command)
{
    QString failure;
    if (RunInTransaction(command, &failure))
        return true;
    UI().CloseProgress();
    if (!failure.isEmpty())
        UI().ShowError(
            kDatabaseErrorCaption,
            failure + kParagraphBreak +
                QStringLiteral("The catalog has been left as it was before the command."));
    return false;
}

bool TDataShare::RunGuarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (...) {
        ReportFailure(std::current_exception());
    }
    return false;
}

void TDataShare::ReportFailure(const std::exception_ptr &failure)
{
    // Rolling back under a running command would leave the rest of it
    // writing outside a transaction: it rolls back as it ends instead.
    if (m_commandRunning)
        m_commandSpoilt = true;
    else if (InTransaction())
        RollbackAfterFailure();
    UI().CloseProgress();
    UI().ShowError(kDatabaseErrorCaption, FailureText(failure));
}

void TDataShare::UpdateHistory(bool add, const QString &folder)
{
    if (m_settings)
        m_settings->UpdateHistory(add, folder);
}
