#pragma once

#include <QString>

// The device check: makes sure a readable disk, and optionally the disk with
// a given label, is in the drive of a source before a command touches it.
// When the right disk is there nothing is shown; otherwise the "Insert
// Disk" window (UserInterface::ShowDeviceCheck) says what is wrong and asks
// again after every OK, until the disk is there or the user cancels.
//
// name: the catalog's (archive mode: the archive volume's) name to show.
// source: where the disk is expected; its drive is the mount that holds it.
// requiredLabel: compared without regard to letter case; the empty label
//   stands for an unlabelled disk.
// archiveMode: the texts ask for an archive volume instead of a disk.
// demandLabel: off, any readable disk will do.
// foundSource: when given and a label is demanded, a disk that carries the
//   label but is mounted elsewhere (its mount point moved) is accepted too,
//   and its place is handed back here; otherwise the source itself is.
//
// A source that does not exist counts as a drive without its disk: on this
// system the folder of a removable disk is there only while it is mounted.
bool DeviceReady(const QString &name, const QString &source, const QString &requiredLabel,
                 bool archiveMode, bool demandLabel, QString *foundSource = nullptr);

// DeviceReady with the label demanded, for a label as catalogs show it:
// "<Unlabelled>" asks for a disk without a label.
bool DeviceReadyForLabel(const QString &name, const QString &storedLabel, const QString &source,
                         bool archiveMode, QString *foundSource = nullptr);
