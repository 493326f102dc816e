#pragma once

#include <QString>
#include <QtGlobal>

// An archive set is a row of the catalog and a ZIP file on its archive
// volume. The catalog's object operations decide when the file must follow
// a rename or a delete; the archive layer, which knows the volumes, does it.
class ArchiveSetFiles
{
public:
    virtual ~ArchiveSetFiles() = default;

    // Called inside the command's transaction once the set's row carries its
    // new name: brings its volume in and renames its file. False, after
    // telling the user why, when the file keeps its old name; the rename of
    // the row must then be undone.
    virtual bool RenameSetFile(qint64 setId, const QString &oldName, const QString &newName) = 0;

    // Called before the rows of a set deleted for good go: brings its volume
    // in, and deletes its file once the deletion is committed. False when the
    // volume was not brought in; the set then keeps its row and its file.
    virtual bool PrepareSetDeletion(qint64 setId) = 0;
};
