#pragma once

#include "store/CatalogSchema.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class SettingsStore;
class TDataShare;

// What an archive request holds and the checks it passes before anything is
// written: the stored options, the name rules, the two lists of what to
// archive (from a folder or from a selection list file) and the checks of
// OK that the dialog, the command line and the shell's requests share.

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

// Fills the two lists from the folder: every file and link of any attribute
// (a link as itself), the subfolders only with include-subfolders. False
// when the user cancelled meanwhile.
bool ListFolderForArchive(const QString &folder, bool includeSubfolders, QStringList &files,
                          QStringList &folders);

// Reads a selection list file (INI: the keys of "Files" and of "Folders").
// False, after the "Archive Terminated" box, when it names nothing to archive.
bool ReadSelectionList(const QString &path, QStringList &files, QStringList &folders);

// Writes a selection list of paths (made absolute from the current folder)
// into a new file in the folder: the first path's folder, each file and
// link, each folder as its path with "/*.*". Returns the file's path, or
// empty when it cannot be written.
QString WriteSelectionList(const QStringList &paths, const QString &folder);

// The file manager's archive actions start the program as
// "/A --selection PATH..." (or "/AO"): the selection goes into a request
// file in the temporary folder and the command line becomes "/A FILE". Any
// other command line comes back as it is.
QStringList SelectionRequestCommandLine(const QStringList &parameters);

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
// Trims the work folder; false, after the "Invalid Folder" box, when it does
// not exist.
bool CheckWorkFolder(QString &workFolder);

ArchiveRequestProblem CheckArchiveRequest(TDataShare &data, ArchiveRequest &request,
                                          QString *folder);

// Whether an archive set already carries the name, ignoring case.
bool ArchiveSetNameTaken(TDataShare &data, const QString &name);

// Whether a folder lies on the disk the pool's archive folder is on: its
// archive is then built on the local disk, never directly.
bool FolderIsOnPoolDrive(const QString &folder, const QString &poolArchiveFolder);

// The destination when it is the Archives folder or an archive folder,
// else "Archives".
qint64 ArchiveDestinationOrDefault(TDataShare &data, qint64 id);

// The path of a list entry: without its double quotes and a trailing "/*.*".
QString ListEntryPath(const QString &entry);

// The "Archive Terminated" box, after the progress window closed.
void ShowArchiveTerminated(const QString &text);
// The same box for a request the user cancelled.
void ShowArchiveRequestCancelled();
