#include "archive/ArchiveSetFileKeeper.h"

#include "archive/ArchivePool.h"
#include "platform/Drives.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"

#include <QFile>

namespace {

const QString kRenameCaption = QStringLiteral("Error Renaming Object");
const QString kDeleteCaption = QStringLiteral("Error Deleting Object");

QString Quoted(const QString &text)
{
    return u'"' + text + u'"';
}

// The volume that holds a set (its VolSize); -1 when the set is unknown.
qint64 VolumeOfSet(TDataShare &data, qint64 setId)
{
    TableCursor *row = data.Catalogs.LookupCursor();
    if (!data.Catalogs.Locate(row, setId))
        return -1;
    return row->FieldValue(QStringLiteral("VolSize")).toLongLong();
}

QString VolumeName(ArchivePool &pool, qint64 volumeId)
{
    const std::optional<PoolVolume> volume = pool.Volume(volumeId);
    return volume ? volume->name : QStringLiteral("its Archive Volume");
}

} // namespace

ArchiveSetFileKeeper::ArchiveSetFileKeeper(TDataShare &data)
    : m_data(data)
    , m_previous(data.SetFiles())
{
    m_data.SetArchiveSetFiles(this);
}

ArchiveSetFileKeeper::~ArchiveSetFileKeeper()
{
    m_data.SetArchiveSetFiles(m_previous);
}

bool ArchiveSetFileKeeper::RenameSetFile(qint64 setId, const QString &oldName,
                                         const QString &newName)
{
    ArchivePool pool(m_data);
    const std::optional<QString> folder = pool.MakeSetVolumeReady(setId);
    if (!folder) {
        UI().ShowError(kRenameCaption, QStringLiteral("The Archive Set ") + Quoted(oldName) +
                                           QStringLiteral(" keeps its name: its Archive Volume "
                                                          "was not brought in."));
        return false;
    }
    const QString from = ArchiveSetFileOf(*folder, oldName);
    const QString to = ArchiveSetFileOf(*folder, newName);
    QFile file(from);
    // QFile::rename never replaces a file that is there already.
    if (!file.rename(to)) {
        UI().ShowError(kRenameCaption,
                       QStringLiteral("The Archive Set ") + Quoted(oldName) +
                           QStringLiteral(" keeps its name: its file ") + Quoted(from) +
                           QStringLiteral(" on ") + VolumeName(pool, VolumeOfSet(m_data, setId)) +
                           QStringLiteral(" could not be renamed to ") + Quoted(to) +
                           QStringLiteral(".") + kParagraphBreak + file.errorString());
        return false;
    }
    // A command that fails later must find the file under the name its row
    // keeps.
    m_data.OnRollback([from, to] { QFile::rename(to, from); });
    return true;
}

bool ArchiveSetFileKeeper::PrepareSetDeletion(qint64 setId)
{
    ArchivePool pool(m_data);
    const std::optional<QString> folder = pool.MakeSetVolumeReady(setId);
    if (!folder)
        return false;
    const qint64 volumeId = VolumeOfSet(m_data, setId);
    const QString setName = m_data.Catalogs.GetNameByID(setId);
    const QString path = ArchiveSetFileOf(*folder, setName);
    // The file goes only when no row points at it any more.
    TDataShare &data = m_data;
    m_data.AfterCommit([&data, volumeId, setName, path, folder = *folder] {
        ArchivePool pool(data);
        QFile file(path);
        if (file.exists() && !file.remove()) {
            UI().ShowError(kDeleteCaption, QStringLiteral("The Archive Set ") + Quoted(setName) +
                                               QStringLiteral(" has been deleted, but its file ") +
                                               Quoted(path) + QStringLiteral(" stays on ") +
                                               VolumeName(pool, volumeId) + QStringLiteral(".") +
                                               kParagraphBreak + file.errorString());
            return;
        }
        data.RunInTransaction(
            [&] { pool.RefreshVolumeUsage(volumeId, Drives().DriveOf(folder).mount.mountPoint); });
    });
    return true;
}
