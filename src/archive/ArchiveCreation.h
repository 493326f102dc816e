#pragma once

#include "archive/ArchiveRequest.h"

#include <QString>

class TDataShare;

// Archiving packs one folder (or a selection made elsewhere) into one ZIP
// file, an archive set, on a volume of the archive pool, catalogs the set
// under an archive folder and, when asked, sends the archived source files
// to the trash. Everything runs on the user-interface thread with the
// progress window and the shared cancel flag of UI().

// Archives, catalogs and (staging only) trashes the sources. Runs outside any
// transaction: the set is cataloged in a transaction of its own once its
// file is on the volume. False after a failure or cancel, which left no ZIP
// file, no catalog row and every source file in place; the box said why.
bool ArchiveFolder(TDataShare &data, const ArchiveRequest &request);

enum class ArchiveOutcome
{
    Archived,
    ListingCancelled, // the user stopped the listing of the folder
    Failed
};

// The dialog's OK after its checks: the progress window, the lists (from the
// folder unless the request has them already) and ArchiveFolder.
ArchiveOutcome RunArchiveRequest(TDataShare &data, ArchiveRequest &request);

// Archives a selection list without a dialog: the stored options, the
// system temporary folder, "Archives", no comment, the default name.
bool QuickArchive(TDataShare &data, const QString &selectionListPath);

// Whether the ZIP file reads through whole: every member's data with its
// size and CRC.
bool ZipFilePassesTest(const QString &path);
