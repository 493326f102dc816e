#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Checking and rebuilding the two files of a catalog database that is not
// open. Both work file by file and report how far each phase has come.
namespace DatabaseRepair {

// The phases a check or a rebuild goes through, numbered as the progress
// bars of the dialog are.
enum class Phase
{
    Header = 0,
    Indexes = 1,
    Data = 2,
    Rebuild = 8
};
using ProgressSink = std::function<void(Phase phase, int percent)>;

enum class DatabaseFile
{
    Catalogs,
    Files
};

// Error levels, from sound to beyond a check.
constexpr int kSound = 0;
constexpr int kTidyOnly = 1;     // free pages: a rebuild tidies them, nothing is wrong
constexpr int kIndexFault = 2;   // an index is missing or disagrees with its table
constexpr int kContentFault = 3; // values of the wrong type, a broken tree, the version row
constexpr int kUnreadable = 4;   // unreadable pages or rows, a table or field not as ours
constexpr int kNotChecked = 5;   // the file is missing or not a database at all

struct VerifyResult
{
    int level = kSound;
    QStringList problems; // one line per kind of problem found
};

struct RepairResult
{
    bool repaired = false; // a rebuilt file took the place of the old one
    qint64 recovered = 0;  // rows of the table carried into the rebuilt file
    qint64 lost = 0;       // rows the old file's indexes know of that could not be read
    qint64 reattached = 0; // rows put under "Recovered Items" for want of an owner
    QString backupPath;
    QStringList problems;
};

// Both files, in the order they are checked and rebuilt.
inline constexpr DatabaseFile kDatabaseFiles[] = {DatabaseFile::Catalogs, DatabaseFile::Files};

QString FileName(DatabaseFile file);
// The name of a file's backup in the temporary folder.
QString BackupName(DatabaseFile file);
// Where the backups of both files are, as the user is told: "Backup Dirvanta *.*".
QString BackupPattern(const QString &backupFolder);
// The name of the catalog folder that takes rows whose owner is gone.
inline const QString kRecoveredItemsName = QStringLiteral("Recovered Items");

// Whether a folder holds both files of a database; when not, says so in the
// "Invalid Database Folder" box.
bool CheckDatabaseFolder(const QString &folder);

// Checks one file of the database in a folder: header and schema, indexes,
// then every row and the tree's rules.
VerifyResult VerifyFile(const QString &folder, DatabaseFile file, const ProgressSink &progress);
// The dialog's status text for an error level.
QString VerifyStatusText(int level);

// Rebuilds one file: a backup in backupFolder first, then every readable row
// into a fresh file that takes the old one's place in a single rename. The
// Files file is rebuilt after the Catalogs file, whose objects it checks its
// owners against. Raises EDatabaseError when another program holds the file.
RepairResult RepairFile(const QString &folder, DatabaseFile file, const QString &backupFolder,
                        const ProgressSink &progress);
// The status text of a rebuild, with the rows recovered and lost.
QString RepairStatusText(const RepairResult &result);

} // namespace DatabaseRepair
