#pragma once

#include "platform/ObjectClass.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

class TDataShare;

// What every cataloguing, update and archive request asks of a drive before
// it touches the medium. A "drive" argument is any path on the drive: the
// drive is the mount that holds it. Sources stored by other systems ("A:\")
// are not paths here and read as a drive that is not there. Nothing here
// keeps state between calls; drive queries never raise.

// The text a medium without a label is shown as. It is never stored: the
// stored label of such a medium is the empty text.
inline const QString kUnlabelled = QStringLiteral("<Unlabelled>");

// Object classes of disk catalogs, by the drive they were read from.
namespace DriveClass {
// No class: the drive cannot be cataloged.
constexpr int NotSupported = 0;
constexpr int Removable = CatalogSchema::kRemovableDiskClass;
constexpr int HardDisk = CatalogSchema::kHardDiskClass;
constexpr int CdRom = CatalogSchema::kCdRomClass;
} // namespace DriveClass

// The class a new disk catalog of the source gets (3, 4 or 5), or 0 when
// the drive cannot be cataloged; hands back the drive's description. In
// diagnostic mode it also shows what it found in the "Dirvanta Debug" box.
int GetDriveClass(const QString &source, QString &description);

// Whether diagnostic mode is on: the value "On" in the section "Debug Mode"
// of the program's settings holds a non-zero integer. Read at every call.
bool DiagnosticModeOn();

// Whether the medium a source names is in place: the path exists and does
// not lie in an empty mount point (a folder meant for a medium with nothing
// mounted on it, which shows the disk below instead).
bool SourceReady(const QString &source);

// Reads the label of the medium in the drive; false (and an empty label)
// when the drive is not there or cannot be read, or the source is not
// ready (SourceReady). The label is upper-cased
// when the argument's first character is below "a" (every absolute path),
// lower-cased otherwise: stored catalogs hold labels made by this rule.
bool GetVolumeLabel(const QString &drive, QString &label);

// The label of the medium under a source as the Catalog Disk dialog offers
// it: in the medium's own case, whole, and editable only where a new label
// can be written. Deciding writes nothing.
struct LabelEditState
{
    bool ready = false; // the source is ready (SourceReady) and its medium readable
    QString label;      // empty when the source is not ready
    bool writable = false;
    int maxLength = 0; // the file system's limit, never less than the label shown
};
LabelEditState LabelEditStateOf(const QString &source);

// Whether a typed label asks for a new label on the medium: labels that
// differ only in letter case name the same medium.
bool LabelChanged(const QString &typed, const QString &current);

// Writes a label onto the medium; false when it cannot be written
// (write-protected, read-only mount, no service to write labels).
bool SetVolumeLabel(const QString &drive, const QString &label);

// Whether the root of the drive's mount holds an entry. The file system's
// own lost+found folder does not count.
bool DriveHasEntries(const QString &drive);

// The size of the medium and the bytes in use (total less the bytes that
// can still be written); false and zeros when the drive cannot be read.
bool GetDiskSpace(const QString &drive, quint64 &total, quint64 &used);

// True when size bytes are strictly fewer than the drive's free bytes.
bool DiskHasRoom(const QString &drive, qint64 size);

// Whether an absolute path names a folder (links are followed).
bool FolderExists(const QString &path);

// The number of entries below the source, folders and files alike, for a
// progress bar with a true end; 100 without pre-validation. Every 15
// entries it shows the count in the progress window's status line, lets
// events run and stops when the shared cancel flag is set (the caller
// checks the flag). The rules are the scan's: links are counted but never
// followed, mount points below the source are counted but not entered, and
// nothing is automounted; a folder that cannot be read counts as empty and
// a source that is not ready (SourceReady) has no entries.
qint64 CountSourceFiles(const QString &source, bool prevalidate);

// The source check of the Catalog Disk dialog: a source is given, a medium
// is in its drive (the device check asks for one; giving up there fails
// without a box) and the folder exists. Hands back the medium's label.
bool ValidateCatalogSource(const QString &description, const QString &source, QString &label);

// The description check of the Catalog Disk dialog: no child of the folder
// has that name, letter case ignored.
bool ValidateCatalogDescription(TDataShare &data, const QString &description, qint64 folderId);

// Where a cataloged object lies: on which medium and at which place.
struct MediaLocation
{
    QString name;         // the disk catalog's, or the archive volume's, name
    QString label;        // the medium's label, or kUnlabelled
    QString packagePath;  // the package file on the medium, when the object lies in one
    QString source;       // the source, or the object's folder on the medium
    QString mediumSource; // the source of the catalog or volume, whatever withPath says
};

// Finds the disk catalog or archive set that holds an object (the object
// itself included). With withPath the source handed back is the object's
// folder on the medium, ending with a separator. False when the object lies
// in no disk catalog or archive set.
bool LocateOnMedia(TDataShare &data, qint64 id, bool withPath, MediaLocation &out);

// A path below a medium's source when the medium was found mounted at
// foundSource instead (the device check hands that back): the same place
// below the new mount point. Other paths, and an unmoved medium, are kept.
QString RelocatedMediaPath(const QString &path, const QString &source, const QString &foundSource);

// Joins a source and names below it. A source that is a path here is
// joined with "/"; a stored source of another system ("A:\") is kept as
// text and joined with "\". With trailingSeparator the result ends with a
// separator.
QString JoinMediaPath(const QString &source, const QStringList &names, bool trailingSeparator);

// Where a source lies now when its medium is mounted elsewhere: the mounted
// volume that carries the label, with the part of the source below its
// former mount point. Empty when no mounted volume carries the label.
QString RelocateSource(const QString &source, const QString &label);
