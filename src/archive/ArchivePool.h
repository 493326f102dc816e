#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <set>
#include <vector>

class TDataShare;

// The archive pool: removable disks ("archive volumes") that archive sets
// are written to, each known by its label (DVARC0001 ...). The volumes are
// the children of the fixed Volume Pool object; the pool's drive is the
// mount point the user picked, and a volume counts as in the drive wherever
// a disk with its label is mounted (media often mount at a path made from
// their label). Everything here runs on the user-interface thread and
// reaches the user through UI().

// The label of every volume begins with this.
inline const QString kVolumeLabelPrefix = QStringLiteral("DVARC");
// The folder in the root of every volume that holds the sets' ZIP files.
inline const QString kArchivesFolderName = QStringLiteral("Archives");

// One volume as the catalog holds it.
struct PoolVolume
{
    qint64 id = 0;
    QString name;
    QString label;
    QString source;
    quint64 capacity = 0;
    quint64 used = 0;
    int cls = 0;
    double created = 0;
    double modified = 0;

    quint64 FreeBytes() const { return used < capacity ? capacity - used : 0; }
};

// A volume's number and label.
struct VolumeLabel
{
    int number = 1;
    QString label;
};

// The lowest number that none of the labels uses (characters 6 to 9 of each
// label) and its label.
VolumeLabel NextVolumeLabel(const QStringList &labelsInUse);
// "DVARC" and the number in four digits.
QString VolumeLabelOf(int number);
// "Archive Volume " and the number.
QString VolumeNameOf(int number);
// The percentage of the capacity in use, rounded to the nearest whole number
// with ties to even; 0 for no capacity, at most 100.
int VolumePercentUsed(quint64 capacity, quint64 used);
// The class of a volume filled to this level: 11 plus the percentage used
// (rounded to the nearest, ties to even) div 10; 11 for no capacity.
int VolumeClassForUsage(quint64 capacity, quint64 used);
// The pool's archive folder on a drive: its mount point and "/Archives/".
QString ArchiveFolderOf(const QString &drive);
// The ZIP file of a set in an archive folder: the set's name and ".ZIP".
QString ArchiveSetFileOf(const QString &archiveFolder, const QString &setName);

class ArchivePool final
{
public:
    explicit ArchivePool(TDataShare &data);

    // True when no volume has been added. The temporary file (a name in the
    // system temporary folder), when given, is deleted then; with the flag
    // the "Archive Pool Empty" box says so.
    bool IsPoolEmpty(const QString &temporaryFileName = {}, bool showMessage = true);

    // The volumes in the order of the pool's children.
    std::vector<PoolVolume> Volumes();
    std::optional<PoolVolume> Volume(qint64 id);
    // The number of archive sets on a volume.
    qint64 SetCount(qint64 volumeId);

    VolumeLabel NextVolumeLabel();

    // The pool's drive as the Volume Pool stores it; empty until one is set.
    QString PoolDrive();
    // Points the pool and every volume at the drive's archive folder.
    void SetPoolDrive(const QString &drive);
    // The pool page's drive change: while the pool holds volumes, a drive
    // other than the stored one is taken only after the "Archive Destination
    // Changing" question. False when the user kept the old drive.
    bool ChangePoolDrive(const QString &drive);

    // Adds the disk in the drive as a new volume: the "Adding Archive Volume"
    // dialog and its checks, the label and the archive folder written on the
    // disk, the row appended. The new volume's ID, or nothing when the user
    // cancelled.
    std::optional<qint64> AddVolume(const QString &drive);
    // Removes an empty volume from the catalog; refused with "Volume Not
    // Empty" while it holds a set. The disk is not touched.
    bool RemoveVolume(qint64 volumeId);

    // Moves every archive set of a volume onto other volumes through the
    // work folder, in as many passes as its free space needs, so that the
    // volume can be removed. A set's ZIP file leaves the freed volume only
    // after its row points to the new one, and every change is committed at
    // once (no enclosing transaction may hold it back). False when the user
    // cancelled or a set could not be moved (the box said why).
    bool FreeVolume(qint64 volumeId, const QString &workFolder = QDir::tempPath());

    // Takes a volume written by another catalog database into the pool: waits
    // for a disk with a pool label and an "Archives" folder in the drive,
    // relabels it (after asking) when its label is in the pool already, and
    // catalogs each ZIP file of its "Archives" folder as an archive set with
    // its members. Runs inside the caller's transaction: a cancel while the
    // sets are read raises EDirvantaFailed with no text, so that it rolls
    // back without a failure box. The new volume's ID, or nothing when the user gave up.
    std::optional<qint64> MergeVolume(const QString &drive);

    // The pool volume whose label the disk in the drive carries.
    std::optional<PoolVolume> IdentifyVolumeInDrive(const QString &drive);
    // Reads the bytes in use on the drive into the volume's row and
    // recomputes its class.
    void RefreshVolumeUsage(qint64 volumeId, const QString &drive);

    struct Selection
    {
        qint64 volumeId = 0;
        QString folder; // the archive folder where the volume is mounted now
    };
    // A volume with room for the file (needSpace) or with the most free
    // space, brought into the drive with the device check; nothing when none
    // has room or the user cancelled. excludedVolume: never chosen (0: none).
    std::optional<Selection> SelectArchiveVolume(const QString &filePath, bool needSpace,
                                                 bool showMessage, qint64 excludedVolume = 0);

    // Brings the volume that holds the archive set above an object into the
    // drive; the volume's archive folder where it is mounted, or nothing.
    std::optional<QString> MakeSetVolumeReady(qint64 objectId);

    // Catalogs the ZIP file in a volume's archive folder as an archive set
    // below parentId, with its members; false, with nothing written, when
    // it cannot be listed. Runs inside the caller's transaction.
    bool CatalogSet(const QString &archiveFolder, const QString &fileName, qint64 volumeId,
                    qint64 parentId, const QString &comment);

    // Sets the Volume Pool's modification time to now.
    void TouchPool();

private:
    qint64 AppendVolume(const QString &name, const QString &label, const QString &mounted);
    bool WaitForPoolDisk(const QString &drive, QString &label);
    void CatalogSets(const QString &archiveFolder, qint64 volumeId);
    bool RunAddChecks(const QString &drive, const QString &label, QString &mounted);
    struct SetToMove
    {
        qint64 id = 0;
        QString name;
        qint64 size = 0;
    };
    std::vector<SetToMove> SetsOf(qint64 volumeId);
    int CopySetsToWorkFolder(std::vector<SetToMove> &remaining, const QString &freedFolder,
                             const QString &workFolder, std::vector<SetToMove> &copied);
    int MoveSetsToNewVolumes(std::vector<SetToMove> &remaining, std::vector<SetToMove> &copied,
                             qint64 freedId, const QString &workFolder);
    std::optional<PoolVolume> CandidateVolume(bool needSpace, quint64 required,
                                              const std::set<qint64> &skipped);
    void SetModifiedNow(qint64 id);

    TDataShare &m_data;
    qint64 m_meter = 0; // the progress meter's position during a free
};
