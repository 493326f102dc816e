#include "media/DeviceCheck.h"

#include "media/MediaIdentification.h"
#include "platform/Drives.h"
#include "platform/UserInterface.h"

namespace {

// The parts of the window that do not change from one pass to the next.
DeviceCheckView FixedView(const QString &name, const QString &source, bool archiveMode,
                          bool demandLabel, const QString &requiredLabel)
{
    DeviceCheckView view;
    QString description;
    view.driveClass = GetDriveClass(source, description);
    view.caption = QStringLiteral("Insert Disk -- ") + source;
    view.requiredDrive = source;
    if (demandLabel)
        view.requiredLabel = requiredLabel.isEmpty() ? kUnlabelled : requiredLabel;
    view.name = name;
    if (archiveMode) {
        view.heading = QStringLiteral("Insert Archive Volume in Drive");
        view.nameCaption = QStringLiteral("Archive Name");
    } else {
        view.heading = QStringLiteral("Insert Cataloged Disk in Drive.");
        view.nameCaption = QStringLiteral("Catalog Name:");
    }
    return view;
}

} // namespace

bool DeviceReady(const QString &name, const QString &source, const QString &requiredLabel,
                 bool archiveMode, bool demandLabel, QString *foundSource)
{
    DeviceCheckView view = FixedView(name, source, archiveMode, demandLabel, requiredLabel);
    for (;;) {
        QString label;
        // The folder of a removable disk is there only while it is mounted:
        // without it, or in its empty mount point, the drive's path lies on
        // another disk, and reading says so.
        const bool readable = GetVolumeLabel(source, label);
        const QString required = demandLabel ? requiredLabel : label;
        if (readable && label.compare(required, Qt::CaseInsensitive) == 0) {
            if (foundSource)
                *foundSource = source;
            return true;
        }
        // An empty label is carried by every unlabelled disk: it cannot
        // tell where a disk went.
        if (foundSource && demandLabel && !requiredLabel.isEmpty()) {
            const QString moved = RelocateSource(source, requiredLabel);
            if (!moved.isEmpty()) {
                *foundSource = moved;
                return true;
            }
        }

        if (readable) {
            // The wrong disk: show where it is mounted.
            view.currentDrive = Drives().DriveOf(source).mount.mountPoint;
            view.currentDiskCaption = QStringLiteral("Current Disk in Drive:");
            view.currentLabelShown = true;
            view.currentLabel = label.isEmpty() ? kUnlabelled : label;
            view.message = QStringLiteral("The Disk in the drive, is not the expected disk or the "
                                          "disks Label has been changed.");
        } else {
            view.currentDrive = source;
            view.currentDiskCaption = QStringLiteral("Drive Not Ready:");
            view.currentLabelShown = false;
            view.currentLabel.clear();
            view.message =
                QStringLiteral("The Drive is not ready. Please insert the indicated disk.");
        }
        if (archiveMode)
            view.message = QStringLiteral("Please insert the indicated Archive Volume in the Drive "
                                          "specified");
        UI().Beep();
        if (!UI().ShowDeviceCheck(view))
            return false;
    }
}

bool DeviceReadyForLabel(const QString &name, const QString &storedLabel, const QString &source,
                         bool archiveMode, QString *foundSource)
{
    const QString label = storedLabel == kUnlabelled ? QString() : storedLabel;
    return DeviceReady(name, source, label, archiveMode, true, foundSource);
}
