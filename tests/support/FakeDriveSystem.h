#pragma once

#include "platform/Drives.h"

#include <QDir>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

// Drives the test chooses: a path lies on the longest mount point given
// with Mount(); an absolute path under no mount point has no root
// directory. Each drive carries a scripted medium (label, sizes, whether it
// is in the drive, whether its label can be written) that a test may change
// at any time, as a user would swap disks. Mount points may be real folders:
// what lies on the medium is then the folder's content. Installs itself for
// its lifetime.
class FakeDriveSystem final : public DriveSystem
{
public:
    struct Drive
    {
        QString mountPoint;
        DriveKind kind = DriveKind::Fixed;
        QString label;
        // False: the drive has no medium (or it cannot be read).
        bool ready = true;
        bool labelWritable = true;
        quint64 totalBytes = 0;
        quint64 freeBytes = 0;
        QString fileSystemType;
        QString source;
    };

    FakeDriveSystem() { SetDriveSystem(this); }
    ~FakeDriveSystem() override { SetDriveSystem(nullptr); }

    // Adds a drive. The reference stays valid until the drive is unmounted.
    Drive &Mount(const QString &mountPoint, DriveKind kind, const QString &label = {})
    {
        Drive drive;
        drive.mountPoint = QDir::cleanPath(mountPoint);
        drive.kind = kind;
        drive.label = label;
        return m_drives.emplace_back(std::move(drive));
    }

    void Unmount(const QString &mountPoint)
    {
        std::erase_if(m_drives, [&](const Drive &drive) {
            return drive.mountPoint == QDir::cleanPath(mountPoint);
        });
    }

    // The drive mounted at a point; fails the test when there is none.
    Drive &At(const QString &mountPoint)
    {
        for (Drive &drive : m_drives) {
            if (drive.mountPoint == QDir::cleanPath(mountPoint))
                return drive;
        }
        ADD_FAILURE() << "no fake drive at " << mountPoint.toStdString();
        return m_drives.emplace_back();
    }

    // Puts a medium with a label into the drive, or takes it out.
    void Insert(const QString &mountPoint, const QString &label)
    {
        Drive &drive = At(mountPoint);
        drive.ready = true;
        drive.label = label;
    }
    void Eject(const QString &mountPoint)
    {
        Drive &drive = At(mountPoint);
        drive.ready = false;
        drive.label.clear();
    }

    // Folders meant for a medium that is not mounted there (see AwaitsMedium).
    QStringList emptyMountPoints;

    // Every label write asked for, successful or not: (mount point, label).
    const std::vector<std::pair<QString, QString>> &LabelWrites() const { return m_labelWrites; }

    DriveInfo DriveOf(const QString &path) const override
    {
        const Drive *drive = Find(path);
        if (!drive)
            return {};
        DriveInfo info;
        info.kind = drive->kind;
        info.mount.mountPoint = drive->mountPoint;
        info.mount.root = QStringLiteral("/");
        info.mount.fileSystemType = drive->fileSystemType;
        info.mount.source = drive->source;
        return info;
    }

    VolumeInfo VolumeOf(const QString &path) const override
    {
        const Drive *drive = Find(path);
        if (!drive || !drive->ready)
            return {};
        return {true, drive->label, drive->totalBytes, drive->freeBytes};
    }

    bool CanWriteLabel(const QString &path) const override
    {
        const Drive *drive = Find(path);
        return drive && drive->ready && drive->labelWritable;
    }

    bool WriteLabel(const QString &path, const QString &label) override
    {
        auto *drive = const_cast<Drive *>(Find(path));
        m_labelWrites.emplace_back(drive ? drive->mountPoint : QString(), label);
        if (!drive || !drive->ready || !drive->labelWritable)
            return false;
        drive->label = label;
        return true;
    }

    QString MountPointOfLabel(const QString &label) const override
    {
        if (label.isEmpty())
            return {};
        for (const Drive &drive : m_drives) {
            if (drive.ready && drive.label.compare(label, Qt::CaseInsensitive) == 0)
                return drive.mountPoint;
        }
        return {};
    }

    bool AwaitsMedium(const QString &path) const override
    {
        const QString clean = QDir::cleanPath(path);
        return std::any_of(
            emptyMountPoints.begin(), emptyMountPoints.end(),
            [&](const QString &point) { return clean == point || clean.startsWith(point + u'/'); });
    }

    QStringList MountPointsBelow(const QString &folder) const override
    {
        const QString prefix = QDir::cleanPath(folder) + u'/';
        QStringList below;
        for (const Drive &drive : m_drives) {
            if (drive.mountPoint.startsWith(prefix))
                below.append(drive.mountPoint.mid(prefix.size()));
        }
        return below;
    }

private:
    // The drive with the longest mount point that holds the path, or none.
    const Drive *Find(const QString &path) const
    {
        if (!path.startsWith(u'/'))
            return nullptr;
        const QString clean = QDir::cleanPath(path);
        const Drive *best = nullptr;
        for (const Drive &drive : m_drives) {
            const QString &point = drive.mountPoint;
            const bool holds = point == u'/' || clean == point || clean.startsWith(point + u'/');
            if (holds && (!best || point.size() > best->mountPoint.size()))
                best = &drive;
        }
        return best;
    }

    std::deque<Drive> m_drives;
    std::vector<std::pair<QString, QString>> m_labelWrites;
};
