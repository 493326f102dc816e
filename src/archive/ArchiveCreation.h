#pragma once

#include "store/CatalogSchema.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class SettingsStore;
class TDataShare;

// Archiving packs one folder (or a selection made elsewhere) into one ZIP
// file, an archive set, on a volume of the archive pool, catalogs the set
// under an archive folder and, when asked, sends the archived source files
// to the trash. Everything runs on the user-interface thread with the
// progress window and the shared cancel flag of UI().

// The "Archive Options" settings.
struct ArchiveOptions
{
    QString workFolder; // the system temporary folder unless chosen
    bool includeSubfolders = true;
    bool compressFiles = true;
    bool useHardDisk = true;
    bool deleteFiles = false;
    QString folder;                                // the last folder archived
    qint64 groupNode = CatalogSchema::kArchivesId; // the last destination

    // Every value, with its default where the store has none. A settings
    // store of nullptr gives the defaults.
    static ArchiveOptions Load(const SettingsStore *settings);
    // The five options "&Make Options Default" keeps.
    void SaveDefaults(SettingsStore &settings) const;
    // The folder and the destination, kept when the dialog closes.
    void SaveLastChoice(SettingsStore &settings) const;
};

// One request to archive.
struct ArchiveRequest
{
    QString name;
    QString workFolder;
    // Entry 0: the folder being archived (full path, no trailing "/"); then
    // each file directly in it as its full path in double quotes.
    QStringList files;
    // Each direct subfolder (only with include-subfolders) as its full path
    // followed by "/*.*", in double quotes.
    QStringList folders;
    qint64 destination = CatalogSchema::kArchivesId;
    bool deleteFiles = false;
    bool includeSubfolders = true;
    bool compress = true;
    bool useHardDisk = true;
    QString comment;

    // A request with the options' flags and work folder.
    static ArchiveRequest WithOptions(const ArchiveOptions &options);
};

// "Archive" and the date-time as " [ddMMMyyyy hhmmss]".
QString DefaultArchiveName(const QDateTime &now = QDateTime::currentDateTime());

// The nine characters an archive name cannot hold.
bool IsRefusedNameCharacter(QChar character);
// The first refused character of a name, or a null character.
QChar RefusedNameCharacterIn(const QString &name);
// The "Invalid Character" box.
void ShowInvalidNameCharacter();

// Fills the two lists from the folder: every entry of any attribute except
// links, the subfolders only with include-subfolders. False when the user
// cancelled meanwhile.
bool ListFolderForArchive(const QString &folder, bool includeSubfolders, QStringList &files,
                          QStringList &folders);

// Reads a selection list file (INI: the keys of "Files" and of "Folders").
// False, after the "Archive Terminated" box, when it names nothing to archive.
bool ReadSelectionList(const QString &path, QStringList &files, QStringList &folders);

// Which check of a request failed, so that a dialog can show the page and
// field it belongs to.
enum class ArchiveRequestProblem
{
    None,
    WorkFolder,
    Folder,
    Name,
    DuplicateName
};

// The checks made before archiving, in their order, each failure told in
// its box. Trims the work folder, the folder and the name in place and
// replaces a destination that is no archive folder by "Archives". folder:
// the folder to archive, or nullptr for a selection list.
ArchiveRequestProblem CheckArchiveRequest(TDataShare &data, ArchiveRequest &request,
                                          QString *folder);

// Whether an archive set already carries the name, ignoring case.
bool ArchiveSetNameTaken(TDataShare &data, const QString &name);

// Whether a folder lies on the disk the pool's archive folder is on: its
// archive is then built on the local disk, never directly.
bool FolderIsOnPoolDrive(const QString &folder, const QString &poolArchiveFolder);

// Archives, catalogs and (staging only) trashes the sources. Runs outside any
// transaction: the set is cataloged in a transaction of its own once its
// file is on the volume. False after a failure or cancel, which left no ZIP
// file, no catalog row and every source file in place; the box said why.
bool ArchiveFolder(TDataShare &data, const ArchiveRequest &request);

// The destination when it is the Archives folder or an archive folder,
// else "Archives".
qint64 ArchiveDestinationOrDefault(TDataShare &data, qint64 id);

enum class ArchiveOutcome
{
    Archived,
    ListingCancelled, // the user stopped the listing of the folder
    Failed
};

// The dialog's OK after its checks: the progress window, the lists (from the
// folder unless the request has them already) and ArchiveFolder.
ArchiveOutcome RunArchiveRequest(TDataShare &data, ArchiveRequest &request);

// Archives a selection list without a dialog: the stored options, the
// system temporary folder, "Archives", no comment, the default name.
bool QuickArchive(TDataShare &data, const QString &selectionListPath);

// Whether the ZIP file reads through whole: every member's data with its
// size and CRC.
bool ZipFilePassesTest(const QString &path);
