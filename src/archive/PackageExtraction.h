#pragma once

#include <QString>

#include <functional>

class TemporaryFileList;

// Extracts one member of a file package into the program's private temporary
// folder (PrivateTemporaryFolder) and shows it there, so that a file
// cataloged inside a ZIP or self-extracting file can be opened or
// quick-viewed. The member is found by its exact name.
//
// packagePath: the package file on its medium; memberPath: the member's full
// path on the medium, the package path followed by "/" and the path inside.
// show opens or quick-views the extracted copy and says whether that worked:
// then the copy joins the temporary files, else it is deleted at once.
// Asks before it replaces an earlier copy; reports a failed extraction.
bool ExtractAndOpen(const QString &packagePath, const QString &memberPath,
                    const QString &displayName, TemporaryFileList &temporaryFiles,
                    const std::function<bool(const QString &path)> &show);
