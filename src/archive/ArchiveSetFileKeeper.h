#pragma once

#include "store/ArchiveSetFiles.h"

class TDataShare;

// Keeps each archive set's ZIP file in step with its row: a renamed set's
// file is renamed on its volume, a set deleted for good loses its file once
// the deletion is committed. Installs itself in the data module for its
// lifetime, so that the object operations of the window and of the
// command-line tool reach the volumes.
class ArchiveSetFileKeeper final : public ArchiveSetFiles
{
public:
    explicit ArchiveSetFileKeeper(TDataShare &data);
    ~ArchiveSetFileKeeper() override;
    Q_DISABLE_COPY_MOVE(ArchiveSetFileKeeper)

    bool RenameSetFile(qint64 setId, const QString &oldName, const QString &newName) override;
    bool PrepareSetDeletion(qint64 setId) override;

private:
    TDataShare &m_data;
    ArchiveSetFiles *m_previous = nullptr;
};
