#pragma once

#include "../store/StoreFixture.h"
#include "archive/ArchivePool.h"
#include "support/LoopMount.h"

#include <QFileInfo>

#include <unistd.h>

// A catalog whose pool rows are written as Add and Archive leave them, with
// volumes that may be loop-mounted ext4 images.
class ArchivePoolFixture : public StoreFixture
{
protected:
    qint64 AddVolumeRow(const QString &drive, int number, quint64 capacity, quint64 used = 0)
    {
        const double now = NowDayCount();
        return AppendCatalogRow(m_data->Catalogs, VolumeNameOf(number), ArchiveFolderOf(drive),
                                CatalogSchema::kVolumePoolId, VolumeClassForUsage(capacity, used),
                                false, now, now, QString(), VolumeLabelOf(number), qint64(used),
                                qint64(capacity));
    }

    qint64 AddSetRow(qint64 volumeId, const QString &name = u"Set"_s, qint64 size = 10)
    {
        const double now = NowDayCount();
        return AppendCatalogRow(m_data->Catalogs, name, QString(), CatalogSchema::kArchivesId,
                                CatalogSchema::kArchiveSetClass, false, now, now, QString(),
                                QString(), size, volumeId);
    }

    // The test's folder as the mount list names it: without links on the way.
    QString Root() const { return QFileInfo(m_folder.path()).canonicalFilePath(); }

    // Mounts a fresh image labelled as volume `number` on Root()/folder and
    // makes its Archives folder; empty, with the reason, where that fails.
    QString MountVolume(LoopMount &mount, const QString &folder, int number, int megabytes,
                        QString &reason)
    {
        const QString drive = Root() + u'/' + folder;
        if (geteuid() != 0)
            reason = u"loop-mounting an image needs root"_s;
        else if (MountImage(mount, drive, VolumeLabelOf(number), megabytes, reason))
            return QDir(drive).mkdir(u"Archives"_s) ? drive : QString();
        return QString();
    }
};
