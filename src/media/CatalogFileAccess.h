#pragma once

#include <QString>
#include <QtGlobal>

class TDataShare;
class TemporaryFileList;

// Reaches cataloged things on their media for the explorer's Open, Quick
// View and Explore: finds the disk catalog that holds them, asks for its
// medium, and hands the file or folder to the desktop, the quick viewer or
// the package extraction. Every refusal is reported to the user here.
class TCatalogFileAccess final
{
public:
    TCatalogFileAccess(TDataShare &data, TemporaryFileList &temporaryFiles);
    Q_DISABLE_COPY_MOVE(TCatalogFileAccess)

    // Opens a file (a Files row) with its default application, or shows it
    // in the quick viewer. False when it was not shown.
    bool OpenFile(qint64 fileKey, bool quickView);

    // Shows the folder of a disk catalog or of a scanned folder (class 7) in
    // the file manager. Objects of other classes are passed over (false).
    bool ExploreObject(qint64 id);

    // Opens or quick-views a file that exists on this machine; when no
    // application opens it, lets the user choose a program ("Open With").
    bool ShowDocument(const QString &path, bool quickView);

private:
    // The medium of the object, asked for when it is not there: the object's
    // folder on the medium (ending with a separator) and its catalog's name.
    bool ReachFolder(qint64 id, QString &folder, QString &catalogName, QString &packagePath);

    TDataShare &m_data;
    TemporaryFileList &m_temporaryFiles;
};
