#include "archive/ArchivePool.h"

#include "archive/ArchiveRequest.h"
#include "media/CatalogOptions.h"
#include "media/DeviceCheck.h"
#include "media/FilePackages.h"
#include "media/MediaIdentification.h"
#include "media/MediaScan.h"
#include "platform/DayCount.h"
#include "platform/Drives.h"
#include "platform/ProgressOperations.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <set>

using CatalogSchema::kArchiveSetClass;
using CatalogSchema::kArchivesId;
using CatalogSchema::kVolumePoolId;

namespace {

const QString kVolumeColumns = QStringLiteral(
    "SELECT ID, Name, SerialID, Source, VolSize, Size, Class, Created, Modified FROM Catalogs ");

PoolVolume ReadVolume(const SqliteStatement &row)
{
    PoolVolume volume;
    volume.id = row.Int64(0);
    volume.name = row.Text(1);
    volume.label = row.Text(2);
    volume.source = row.Text(3);
    volume.capacity = quint64(std::max<qint64>(row.Int64(4), 0));
    volume.used = quint64(std::max<qint64>(row.Int64(5), 0));
    volume.cls = int(row.Int64(6));
    volume.created = row.Double(7);
    volume.modified = row.Double(8);
    return volume;
}

// The number in a label's characters 6 to 9; 0 when they are no number.
int LabelNumber(const QString &label)
{
    bool ok = false;
    const int number = label.mid(kVolumeLabelPrefix.size(), 4).toInt(&ok);
    return ok ? number : 0;
}

void ShowUnableToWrite()
{
    UI().ShowError(QStringLiteral("Unable to Write to Media"),
                   QStringLiteral("The Disk being used is either Write Protected, a Network Drive "
                                  "or is being used in a Read-Only Drive") +
                       kParagraphBreak + QStringLiteral("Please check the Disk before continuing"));
}

// Why a free ended early; 0 when it did not.
enum FreeFailure
{
    kNoFailure = 0,
    kNoLocalRoom = 1,
    kSetRowMissing = 2,
    kMoveFailed = 3,
    kPoolFull = 4
};

const QString kFreeVolumeWords = QStringLiteral("\"Free Volume\"");

void ShowFreeFailure(int code)
{
    QString text;
    switch (code) {
    case kSetRowMissing:
        text = QStringLiteral("There was an unknown error while locating an Archive Set in the "
                              "Database");
        break;
    case kMoveFailed:
        text = QStringLiteral("There was an unknown error while moving an Archive Set to a new "
                              "volume");
        break;
    case kPoolFull:
        text = QStringLiteral("The Volume Pool is full. Some Archive Sets could not\nbe moved "
                              "from the volume to be freed.") +
               kParagraphBreak +
               QStringLiteral("Please free space in the Pool, or Add another volume to the "
                              "Pool,\nbefore trying again");
        break;
    default:
        text = QStringLiteral("There was an unknown error while freeing the Archive Volume");
        break;
    }
    UI().ShowError(QStringLiteral("Operation Failed"), text);
}

// Copies a file, replacing what is there; a failed copy leaves nothing.
bool CopyReplacing(const QString &from, const QString &to)
{
    QFile::remove(to);
    if (QFile::copy(from, to))
        return true;
    QFile::remove(to);
    return false;
}

} // namespace

QString VolumeLabelOf(int number)
{
    return kVolumeLabelPrefix + QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'));
}

QString VolumeNameOf(int number)
{
    return QStringLiteral("Archive Volume %1").arg(number);
}

VolumeLabel NextVolumeLabel(const QStringList &labelsInUse)
{
    std::vector<int> numbers;
    for (const QString &label : labelsInUse)
        numbers.push_back(LabelNumber(label));
    std::sort(numbers.begin(), numbers.end());
    // Numbers freed by a removed volume are used again: the lowest free one.
    int next = 1;
    for (const int number : numbers) {
        if (number == next)
            ++next;
    }
    return {next, VolumeLabelOf(next)};
}

int VolumePercentUsed(quint64 capacity, quint64 used)
{
    if (capacity == 0)
        return 0;
    // Ties go to even: the default rounding mode of nearbyint.
    const long double percent = std::nearbyint(100.0L * static_cast<long double>(used) /
                                               static_cast<long double>(capacity));
    return int(std::min<long double>(percent, 100.0L));
}

int VolumeClassForUsage(quint64 capacity, quint64 used)
{
    return CatalogSchema::kEmptyArchiveVolumeClass + VolumePercentUsed(capacity, used) / 10;
}

QString ArchiveFolderOf(const QString &drive)
{
    const QString root = QDir::cleanPath(drive);
    return (root == u'/' ? QString() : root) + u'/' + kArchivesFolderName + u'/';
}

QString ArchiveSetFileOf(const QString &archiveFolder, const QString &setName)
{
    return QDir::cleanPath(archiveFolder) + u'/' + setName + QStringLiteral(".ZIP");
}

ArchivePool::ArchivePool(TDataShare &data)
    : m_data(data)
{
}

bool ArchivePool::IsPoolEmpty(const QString &temporaryFileName, bool showMessage)
{
    if (m_data.Catalogs.HasChildren(kVolumePoolId))
        return false;
    if (!temporaryFileName.isEmpty())
        QDir::temp().remove(temporaryFileName);
    if (showMessage)
        UI().ShowError(QStringLiteral("Archive Pool Empty"),
                       QStringLiteral("The Archive Pool in Dirvanta has not yet been set-up.\n"
                                      "Create an Archive Pool before retrying request"));
    return true;
}

std::vector<PoolVolume> ArchivePool::Volumes()
{
    SqliteStatement &query = m_data.CatalogDatabase.Prepare(
        kVolumeColumns + QStringLiteral("WHERE Parent = ?1 ORDER BY Parent, ID"));
    query.Bind(1, qint64(kVolumePoolId));
    std::vector<PoolVolume> volumes;
    while (query.Step())
        volumes.push_back(ReadVolume(query));
    query.Reset();
    return volumes;
}

std::optional<PoolVolume> ArchivePool::Volume(qint64 id)
{
    SqliteStatement &query = m_data.CatalogDatabase.Prepare(
        kVolumeColumns + QStringLiteral("WHERE ID = ?1 AND Parent = ?2"));
    query.Bind(1, id).Bind(2, qint64(kVolumePoolId));
    std::optional<PoolVolume> volume;
    if (query.Step())
        volume = ReadVolume(query);
    query.Reset();
    return volume;
}

qint64 ArchivePool::SetCount(qint64 volumeId)
{
    SqliteStatement &query = m_data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT COUNT(*) FROM Catalogs WHERE VolSize = ?1 AND Class = ?2"));
    query.Bind(1, volumeId).Bind(2, kArchiveSetClass);
    query.Step();
    const qint64 count = query.Int64(0);
    query.Reset();
    return count;
}

VolumeLabel ArchivePool::NextVolumeLabel()
{
    QStringList labels;
    for (const PoolVolume &volume : Volumes())
        labels << volume.label;
    return ::NextVolumeLabel(labels);
}

QString ArchivePool::PoolDrive()
{
    SqliteStatement &query =
        m_data.CatalogDatabase.Prepare(QStringLiteral("SELECT Source FROM Catalogs WHERE ID = ?1"));
    query.Bind(1, qint64(kVolumePoolId));
    QString source = query.Step() ? query.Text(0) : QString();
    query.Reset();
    const QString suffix = u'/' + kArchivesFolderName + u'/';
    if (!source.endsWith(suffix))
        return {};
    source.chop(suffix.size());
    return source.isEmpty() ? QStringLiteral("/") : source;
}

void ArchivePool::SetPoolDrive(const QString &drive)
{
    SqliteStatement &update = m_data.CatalogDatabase.Prepare(
        QStringLiteral("UPDATE Catalogs SET Source = ?1 WHERE ID = ?2 OR Parent = ?2"));
    update.Bind(1, ArchiveFolderOf(drive)).Bind(2, qint64(kVolumePoolId)).Execute();
}

bool ArchivePool::ChangePoolDrive(const QString &drive)
{
    const QString stored = PoolDrive();
    const QString chosen = QDir::cleanPath(drive);
    bool taken = true;
    // Only volumes already in the pool can be lost to another drive.
    if (!stored.isEmpty() && stored != chosen && m_data.Catalogs.HasChildren(kVolumePoolId)) {
        taken = UI().AskYesNo(
            QStringLiteral("Archive Destination Changing"),
            QStringLiteral("Warning: Changing the Archive Destination Drive to a different type\n"
                           " of drive, may make your current Archive Volumes unusable") +
                kParagraphBreak + QStringLiteral("Are you sure you wish to continue ?"),
            MessageIcon::Warning);
        if (taken)
            TouchPool();
    }
    SetPoolDrive(taken ? chosen : stored);
    return taken;
}

void ArchivePool::SetModifiedNow(qint64 id)
{
    SqliteStatement &update = m_data.CatalogDatabase.Prepare(
        QStringLiteral("UPDATE Catalogs SET Modified = ?1 WHERE ID = ?2"));
    update.Bind(1, NowDayCount()).Bind(2, id).Execute();
}

void ArchivePool::TouchPool()
{
    SetModifiedNow(kVolumePoolId);
}

std::optional<qint64> ArchivePool::AddVolume(const QString &drive)
{
    SetPoolDrive(drive);
    const VolumeLabel next = NextVolumeLabel();
    const QString name = VolumeNameOf(next.number);

    AddingVolumeView view;
    view.caption = QStringLiteral("Adding Archive Volume ");
    view.drive = QDir::cleanPath(drive);
    view.heading = QStringLiteral("Insert Disk in Drive ") + view.drive;
    view.instructions = QStringLiteral("Please insert a formated disk. This disk will be used as "
                                       "the Archive Volume being added.");
    view.volumeName = name;
    view.diskLabel = next.label;
    QString mounted;
    for (;;) {
        if (!UI().ShowAddingVolume(view))
            return std::nullopt;
        if (RunAddChecks(view.drive, next.label, mounted))
            break;
        view.again = true;
    }

    const qint64 id = AppendVolume(name, next.label, mounted);
    TouchPool();
    return id;
}

// The row of a new volume with the sizes of the disk where it is mounted.
qint64 ArchivePool::AppendVolume(const QString &name, const QString &label, const QString &mounted)
{
    quint64 capacity = 0;
    quint64 used = 0;
    GetDiskSpace(mounted, capacity, used);
    const double now = NowDayCount();
    return AppendCatalogRow(*m_data.Catalogs.LookupCursor(), name, ArchiveFolderOf(PoolDrive()),
                            kVolumePoolId, VolumeClassForUsage(capacity, used), false, now, now,
                            QString(), label, qint64(used), qint64(capacity));
}

// Where a disk carrying a label is mounted: media mounted at a path made
// from their label move when relabelled.
static QString MountPointCarrying(const QString &label, const QString &drive)
{
    const QString mounted = Drives().MountPointOfLabel(label);
    return mounted.isEmpty() ? Drives().DriveOf(drive).mount.mountPoint : mounted;
}

std::optional<qint64> ArchivePool::MergeVolume(const QString &drive)
{
    QString label;
    if (!WaitForPoolDisk(drive, label))
        return std::nullopt;
    int number = LabelNumber(label);
    QString name = VolumeNameOf(number);
    if (IdentifyVolumeInDrive(drive)) {
        const VolumeLabel next = NextVolumeLabel();
        const QString newName = VolumeNameOf(next.number);
        if (!UI().AskOkCancel(
                QStringLiteral("Merge Archive Volume"),
                QStringLiteral("The Archive Pool already contains an Volume called\"") + name +
                    QStringLiteral("\".") + kParagraphBreak +
                    QStringLiteral("The Archive Volume being merged, will be "
                                   "renamed to \"") +
                    newName + u'"'))
            return std::nullopt;
        if (!SetVolumeLabel(drive, next.label)) {
            ShowUnableToWrite();
            return std::nullopt;
        }
        label = next.label;
        name = newName;
    }
    const QString mounted = MountPointCarrying(label, drive);

    UI().ShowProgress(ProgressOperation::ReadArchiveVolume);
    UI().SetProgressStatus(QStringLiteral("Merging \"") + name + QStringLiteral("\"..."));
    const qint64 id = AppendVolume(name, label, mounted);
    CatalogSets(ArchiveFolderOf(mounted), id);
    if (UI().Cancelled()) {
        UI().CloseProgress();
        // The user's own choice: rolled back without a failure box.
        throw EDirvantaFailed(QString());
    }
    RefreshVolumeUsage(id, mounted);
    UI().CloseProgress();
    TouchPool();
    return id;
}

// Waits for a disk with a pool label ("DVARC" and four digits) and an
// "Archives" folder in the drive; false when the user gave up. The box
// offers Retry rather than OK: agreeing to every question must not loop.
bool ArchivePool::WaitForPoolDisk(const QString &drive, QString &label)
{
    for (;;) {
        if (GetVolumeLabel(drive, label) && label.size() == kVolumeLabelPrefix.size() + 4 &&
            label.startsWith(kVolumeLabelPrefix, Qt::CaseInsensitive) &&
            FolderExists(ArchiveFolderOf(MountPointCarrying(label, drive))))
            return true;
        if (!UI().AskRetryCancel(
                QStringLiteral("Merge Archive Volume"),
                QStringLiteral("Please insert a Dirvanta 97 Archive Volume into Drive ") + drive +
                    kParagraphBreak +
                    QStringLiteral("The Disk Drive is not ready, or the Disk inserted is not a "
                                   "valid Dirvanta 97 Archive Volume")))
            return false;
    }
}

// Every ZIP file of the folder becomes an archive set of the volume, with
// its members; other files give no set.
void ArchivePool::CatalogSets(const QString &archiveFolder, qint64 volumeId)
{
    const QFileInfoList entries =
        QDir(archiveFolder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (UI().Cancelled())
            break;
        CatalogSet(archiveFolder, entry.fileName(), volumeId, kArchivesId, QString());
        UI().PumpMessages(0);
    }
}

bool ArchivePool::CatalogSet(const QString &archiveFolder, const QString &fileName, qint64 volumeId,
                             qint64 parentId, const QString &comment)
{
    const QFileInfo entry(QDir(archiveFolder).filePath(fileName));
    const double modified = MediumTimeToDayCount(entry.lastModified().toSecsSinceEpoch());
    const QDateTime birth = entry.birthTime();
    const double created = birth.isValid() && birth.toSecsSinceEpoch() > 0
                               ? MediumTimeToDayCount(birth.toSecsSinceEpoch())
                               : modified;
    TMediaScanner scanner(m_data, CatalogOptions());
    TPackageAnalyser analyser(scanner, m_data);
    return analyser.AnalysePackage(archiveFolder, archiveFolder, volumeId, comment,
                                   kArchiveSetClass, parentId, entry.size(), modified, created,
                                   entry.fileName());
}

// The checks of the dialog's OK; false leaves the dialog open. mounted:
// where the disk is mounted once it carries the new label.
bool ArchivePool::RunAddChecks(const QString &drive, const QString &label, QString &mounted)
{
    QString current;
    while (!GetVolumeLabel(drive, current)) {
        if (!UI().AskRetryCancel(QStringLiteral("Archive Drive - ") + drive,
                                 drive + QStringLiteral(" is not accessible") + kParagraphBreak +
                                     QStringLiteral("The device is not ready.")))
            return false;
    }
    if (DriveHasEntries(drive) &&
        !UI().AskOkCancel(
            QStringLiteral("Disk Not Empty"),
            QStringLiteral("This disk currently has files stored on it. To allow correct volume "
                           "selection\nwithin Dirvanta, it is recommended that Archive Volumes "
                           "are not shared with\nother applications") +
                kParagraphBreak +
                QStringLiteral("Are you sure you still wish to add this volume ?"),
            MessageIcon::Warning))
        return false;
    // The folder first: a disk that has one (a volume of a pool already)
    // keeps its label when the add fails.
    const QDir root(Drives().DriveOf(drive).mount.mountPoint);
    if (!root.mkdir(kArchivesFolderName)) {
        UI().ShowError(QStringLiteral("Unable to Create Folder"),
                       QStringLiteral("There was an unknown error creating the \"Archive\" folder "
                                      "on the disk being used") +
                           kParagraphBreak +
                           QStringLiteral("Please check the disk before continuing"));
        return false;
    }
    if (!SetVolumeLabel(drive, label)) {
        root.rmdir(kArchivesFolderName);
        ShowUnableToWrite();
        return false;
    }
    mounted = MountPointCarrying(label, drive);
    return true;
}

bool ArchivePool::RemoveVolume(qint64 volumeId)
{
    if (SetCount(volumeId) > 0) {
        UI().ShowError(
            QStringLiteral("Volume Not Empty"),
            QStringLiteral("The selected volume is not empty. Only empty volumes can be\n"
                           "removed from the Archive Pool") +
                kParagraphBreak +
                QStringLiteral("Please either \"Free\" the volume, or delete the Archive Sets "
                               "contained"));
        return false;
    }
    SqliteStatement &remove = m_data.CatalogDatabase.Prepare(
        QStringLiteral("DELETE FROM Catalogs WHERE ID = ?1 AND Parent = ?2"));
    remove.Bind(1, volumeId).Bind(2, qint64(kVolumePoolId)).Execute();
    TouchPool();
    return true;
}

std::vector<ArchivePool::SetToMove> ArchivePool::SetsOf(qint64 volumeId)
{
    SqliteStatement &query = m_data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT ID, Name, Size FROM Catalogs WHERE VolSize = ?1 AND Class = ?2 "
                       "ORDER BY VolSize, Class, ID"));
    query.Bind(1, volumeId).Bind(2, kArchiveSetClass);
    std::vector<SetToMove> sets;
    while (query.Step())
        sets.push_back({query.Int64(0), query.Text(1), query.Int64(2)});
    query.Reset();
    return sets;
}

bool ArchivePool::FreeVolume(qint64 volumeId, const QString &workFolder)
{
    UI().ShowProgress(ProgressOperation::FreeArchiveVolume);
    std::vector<SetToMove> remaining = SetsOf(volumeId);
    UI().SetProgressRange(qint64(remaining.size()) * 2);
    m_meter = 0;
    UI().SetCancelled(false);
    const std::optional<PoolVolume> freed = Volume(volumeId);
    if (remaining.empty() || !freed) {
        UI().CloseProgress();
        return true;
    }
    const auto bringFreedVolume = [&](QString &folder) {
        return DeviceReadyForLabel(freed->name, freed->label, freed->source, true, &folder);
    };
    QString freedFolder;
    bool cancelled = !bringFreedVolume(freedFolder);
    int failure = kNoFailure;
    while (!cancelled && failure == kNoFailure && !remaining.empty()) {
        std::vector<SetToMove> copied;
        failure = CopySetsToWorkFolder(remaining, freedFolder, workFolder, copied);
        if (failure == kNoFailure && !UI().Cancelled())
            failure = MoveSetsToNewVolumes(remaining, copied, volumeId, workFolder);
        cancelled = UI().Cancelled();

        // The freed volume again, for the sets that left it. Given up, the
        // moved sets keep a stale copy there; their rows point elsewhere.
        const bool freedBack = bringFreedVolume(freedFolder);
        cancelled = cancelled || !freedBack;
        UI().SetProgressStatus(QStringLiteral("Freeing Archive Volume..."));
        UI().SetProgressFileName(QStringLiteral("Please Wait..."));
        for (const SetToMove &set : copied) {
            const QString local = ArchiveSetFileOf(workFolder, set.name);
            if (QFile::exists(local))
                QFile::remove(local);
            else if (freedBack)
                QFile::remove(ArchiveSetFileOf(freedFolder, set.name));
        }
        if (freedBack)
            RefreshVolumeUsage(volumeId, Drives().DriveOf(freedFolder).mount.mountPoint);
    }

    if (cancelled)
        UI().ShowError(QStringLiteral("Operation Cancelled"),
                       QStringLiteral("The ") + kFreeVolumeWords +
                           QStringLiteral(" Operation was cancelled by the User"));
    else if ((failure != kNoFailure || !remaining.empty()) && failure != kNoLocalRoom)
        ShowFreeFailure(failure);
    UI().CloseProgress();
    TouchPool();
    return !cancelled && failure == kNoFailure && remaining.empty();
}

// Copies the sets that fit on the local disk, in list order, to the work
// folder; copied lists them.
int ArchivePool::CopySetsToWorkFolder(std::vector<SetToMove> &remaining, const QString &freedFolder,
                                      const QString &workFolder, std::vector<SetToMove> &copied)
{
    UI().SetProgressStatus(QStringLiteral("Moving Archive Sets to Local Disk..."));
    for (const SetToMove &set : remaining) {
        if (!DiskHasRoom(workFolder, set.size))
            continue;
        UI().SetProgressPosition(++m_meter);
        UI().SetProgressFileName(QStringLiteral("Processing: ") + set.name);
        if (CopyReplacing(ArchiveSetFileOf(freedFolder, set.name),
                          ArchiveSetFileOf(workFolder, set.name)))
            copied.push_back(set);
        UI().PumpMessages(0);
        if (UI().Cancelled())
            return kNoFailure;
    }
    if (!copied.empty())
        return kNoFailure;
    UI().ShowError(QStringLiteral("Operation Failed"),
                   QStringLiteral("The ") + kFreeVolumeWords +
                       QStringLiteral(" request has failed due to lack of\nfree disk space on "
                                      "drive \"") +
                       Drives().DriveOf(workFolder).mount.mountPoint + QStringLiteral("\"") +
                       kParagraphBreak +
                       QStringLiteral("Please free enough space for the largest Archive Set, "
                                      "on\nthe Volume to be freed, before retrying"));
    return kNoLocalRoom;
}

// Moves the local copies onto other volumes; a moved set's row points to
// its new volume before anything of it is deleted.
int ArchivePool::MoveSetsToNewVolumes(std::vector<SetToMove> &remaining,
                                      std::vector<SetToMove> &copied, qint64 freedId,
                                      const QString &workFolder)
{
    UI().SetProgressStatus(QStringLiteral("Moving Archive Sets to New Volume..."));
    int failure = kNoFailure;
    for (const SetToMove &set : copied) {
        UI().PumpMessages(0);
        if (UI().Cancelled())
            break;
        const QString local = ArchiveSetFileOf(workFolder, set.name);
        const std::optional<Selection> target = SelectArchiveVolume(local, true, false, freedId);
        if (!target) {
            failure = kPoolFull;
            continue;
        }
        UI().SetProgressPosition(++m_meter);
        UI().SetProgressFileName(QStringLiteral("Processing: ") + set.name);
        if (!CopyReplacing(local, ArchiveSetFileOf(target->folder, set.name))) {
            failure = kMoveFailed;
            continue;
        }
        SqliteStatement &find = m_data.CatalogDatabase.Prepare(
            QStringLiteral("SELECT COUNT(*) FROM Catalogs WHERE ID = ?1 AND Class = ?2"));
        find.Bind(1, set.id).Bind(2, kArchiveSetClass);
        const bool rowThere = find.Step() && find.Int64(0) > 0;
        find.Reset();
        if (!rowThere) {
            QFile::remove(ArchiveSetFileOf(target->folder, set.name));
            failure = kSetRowMissing;
            continue;
        }
        SqliteStatement &point = m_data.CatalogDatabase.Prepare(
            QStringLiteral("UPDATE Catalogs SET VolSize = ?1 WHERE ID = ?2"));
        point.Bind(1, target->volumeId).Bind(2, set.id).Execute();
        QFile::remove(local);
        std::erase_if(remaining, [&](const SetToMove &left) { return left.id == set.id; });
        RefreshVolumeUsage(target->volumeId, Drives().DriveOf(target->folder).mount.mountPoint);
    }
    return failure;
}

std::optional<PoolVolume> ArchivePool::IdentifyVolumeInDrive(const QString &drive)
{
    QString label;
    if (!GetVolumeLabel(drive, label) || label.isEmpty())
        return std::nullopt;
    for (const PoolVolume &volume : Volumes()) {
        if (volume.label.compare(label, Qt::CaseInsensitive) == 0)
            return volume;
    }
    return std::nullopt;
}

void ArchivePool::RefreshVolumeUsage(qint64 volumeId, const QString &drive)
{
    quint64 capacity = 0;
    quint64 used = 0;
    // A drive that cannot be read says nothing about the volume's use.
    if (!GetDiskSpace(drive, capacity, used))
        return;
    SqliteStatement &update = m_data.CatalogDatabase.Prepare(
        QStringLiteral("UPDATE Catalogs SET Size = ?1, Class = ?2, Modified = ?3 WHERE ID = ?4"));
    update.Bind(1, qint64(used))
        .Bind(2, VolumeClassForUsage(capacity, used))
        .Bind(3, NowDayCount())
        .Bind(4, volumeId)
        .Execute();
    SetModifiedNow(kArchivesId);
}

// From the catalog's figures: with a space need the first volume with more
// free bytes than required, else the one with the most free space.
std::optional<PoolVolume> ArchivePool::CandidateVolume(bool needSpace, quint64 required,
                                                       const std::set<qint64> &skipped)
{
    std::optional<PoolVolume> best;
    for (const PoolVolume &volume : Volumes()) {
        if (skipped.contains(volume.id))
            continue;
        if (needSpace) {
            if (volume.FreeBytes() > required)
                return volume;
        } else if (volume.FreeBytes() > 0 && (!best || volume.FreeBytes() > best->FreeBytes())) {
            best = volume;
        }
    }
    return best;
}

std::optional<ArchivePool::Selection> ArchivePool::SelectArchiveVolume(const QString &filePath,
                                                                       bool needSpace,
                                                                       bool showMessage,
                                                                       qint64 excludedVolume)
{
    const quint64 required = needSpace ? quint64(QFileInfo(filePath).size()) : 0;
    const QString drive = PoolDrive();
    // A volume whose disk turns out to be fuller than the catalog said is
    // not taken again, so a disk that keeps no room cannot loop forever.
    std::set<qint64> tried{excludedVolume};
    for (;;) {
        std::optional<PoolVolume> taken;
        if (needSpace) {
            const std::optional<PoolVolume> inDrive = IdentifyVolumeInDrive(drive);
            quint64 capacity = 0;
            quint64 used = 0;
            if (inDrive && !tried.contains(inDrive->id) && GetDiskSpace(drive, capacity, used) &&
                capacity - used > required)
                taken = inDrive;
        }
        if (!taken)
            taken = CandidateVolume(needSpace, required, tried);
        if (!taken)
            break;
        tried.insert(taken->id);

        QString found;
        if (!DeviceReady(taken->name, drive, taken->label, true, true, &found)) {
            ShowArchiveTerminated(QStringLiteral("The Archive request was been terminated by the "
                                                 "User"));
            return std::nullopt;
        }
        RefreshVolumeUsage(taken->id, found);
        if (DiskHasRoom(found, qint64(required)))
            return Selection{taken->id, ArchiveFolderOf(found)};
    }
    if (showMessage)
        ShowArchiveTerminated(
            QStringLiteral("Dirvanta was unable to locate an Archive Volume in the Archive Pool\n"
                           "that has enough free space to accomodate the files being archived.") +
            kParagraphBreak +
            QStringLiteral("Please free space in the Pool, or Add another volume to the Pool,\n"
                           "before trying again"));
    return std::nullopt;
}

std::optional<QString> ArchivePool::MakeSetVolumeReady(qint64 objectId)
{
    TDBItemTree &tree = m_data.Catalogs;
    qint64 volumeId = -1;
    tree.WalkUp(
        objectId,
        [&](TableCursor &cursor, bool &stop) {
            if (tree.ItemClass(&cursor) == kArchiveSetClass) {
                volumeId = cursor.FieldValue(QStringLiteral("VolSize")).toLongLong();
                stop = true;
            }
        },
        true);
    const std::optional<PoolVolume> volume = volumeId < 0 ? std::nullopt : Volume(volumeId);
    if (!volume)
        return std::nullopt;
    QString found;
    if (!DeviceReadyForLabel(volume->name, volume->label, volume->source, true, &found))
        return std::nullopt;
    return QDir::cleanPath(found) + u'/';
}
