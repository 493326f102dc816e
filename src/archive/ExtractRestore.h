#pragma once

#include "platform/ListSort.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class SettingsStore;
class TDataShare;

// Takes items back out of ZIP files: an extraction reads a file package
// cataloged from a medium (a ZIP or self-extracting file), a restore reads an
// archive set from its pool volume. Both keep the items' folders below the
// destination.

// What one request takes from which package.
struct ExtractRequest
{
    bool extraction = true; // false: a restore from an archive set
    // The package file where it was cataloged; its medium may be mounted
    // elsewhere now.
    QString packagePath;
    // The object of the last entry that named a package: its medium is the
    // one made ready.
    qint64 objectId = -1;
    // One member pattern per entry, relative to the package: a folder-like
    // object gives its inner path and "*.*", a file its owner's inner path
    // and its name.
    QStringList itemSpecifications;
};

// The destination and the overwrite choice, kept in "Extract Options".
struct ExtractOptions
{
    QString folder;
    bool overwrite = false;
};

// The word the messages of a request are built from.
QString ExtractOperationWord(bool extraction);

// Builds the request from the selected list entries (objects and files).
// Entries outside any package give nothing; of entries in two packages the
// last one's package is taken. Nothing, after the "Invalid Format" box, when
// no entry lies in a package.
std::optional<ExtractRequest> BuildExtractRequest(TDataShare &data, const QList<ListEntry> &entries,
                                                  bool extraction);

// Extracts the items into the folder with their folders (function 8).
// Without overwrite each existing file brings up "Duplicate File". A cancel
// or an incomplete extraction is reported and counts as done; false only
// after an unknown engine error, which is reported too.
bool ExtractItems(const QString &packagePath, const QString &folder, bool overwrite,
                  const QString &operationWord, const QStringList &itemSpecifications);

// How the OK of the extract and restore dialog ended.
enum class ExtractOutcome
{
    Done,          // the dialog closes and the options are kept
    Cancelled,     // as done, after the user cancelled the engine
    Incomplete,    // as done, though not every item could be written
    Failed,        // the medium was not made ready or the engine failed: the dialog stays
    PackageMissing // "File Error" was shown: the request ends
};

// Whether the request counts as done: the dialog closes, the options are kept.
inline bool CountsAsDone(ExtractOutcome outcome)
{
    return outcome == ExtractOutcome::Done || outcome == ExtractOutcome::Cancelled ||
           outcome == ExtractOutcome::Incomplete;
}

// The OK of the extract and restore dialog: the progress window, the medium
// made ready (the disk catalog's disk for an extraction, the set's volume
// for a restore), the package looked for ("File Error" when it is gone),
// then ExtractItems. When done the options are kept in the settings, when
// given.
ExtractOutcome RunExtractRequest(TDataShare &data, const ExtractRequest &request,
                                 const ExtractOptions &options, SettingsStore *settings);

ExtractOptions ReadExtractOptions(SettingsStore &settings);
void WriteExtractOptions(SettingsStore &settings, const ExtractOptions &options);
