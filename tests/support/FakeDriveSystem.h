#pragma once

#include "platform/Drives.h"

#include <QDir>

#include <vector>

// Drives the test chooses: a path lies on the longest mount point given
// with Mount(); an absolute path under no mount point has no root
// directory. Installs itself for its lifetime.
class FakeDriveSystem final : public DriveSystem
{
public:
    FakeDriveSystem() { SetDriveSystem(this); }
    ~FakeDriveSystem() override { SetDriveSystem(nullptr); }

    void Mount(const QString &mountPoint, DriveKind kind)
    {
        MountEntry entry;
        entry.mountPoint = QDir::cleanPath(mountPoint);
        m_mounts.push_back({kind, entry});
    }

    DriveInfo DriveOf(const QString &path) const override
    {
        if (!path.startsWith(u'/'))
            return {};
        const QString clean = QDir::cleanPath(path);
        const DriveInfo *best = nullptr;
        for (const DriveInfo &drive : m_mounts) {
            const QString &point = drive.mount.mountPoint;
            const bool holds = point == u'/' || clean == point || clean.startsWith(point + u'/');
            if (holds && (!best || point.size() > best->mount.mountPoint.size()))
                best = &drive;
        }
        return best ? *best : DriveInfo{};
    }

private:
    std::vector<DriveInfo> m_mounts;
};
