#pragma once

#include "findwindow/FindHitActions.h"

#include <functional>

class TCatalogFileAccess;
class TDataShare;
class TItemTree;

// The actions on hits that the catalog's own operations already provide:
// the node selection dialog for "Look in", rename, delete (to the
// Wastebasket, or for good inside it), comments and the Properties dialog,
// each command in one transaction that a failure rolls back with a
// "Database Error" box; and, given the main window's file access, Open and
// Quick View of files on their media; Extract and Restore of packaged and
// archived hits; the help window and the user guide; given the main
// window's tree, Explore selects a hit in it and changes refresh it.
class CatalogHitActions : public FindHitActions
{
public:
    explicit CatalogHitActions(TDataShare &data, TCatalogFileAccess *fileAccess = nullptr,
                               TItemTree *tree = nullptr);

    bool Available(Action action) const override;
    void OpenHits(QWidget *window, const QList<ListEntry> &hits) override;
    void QuickViewHits(QWidget *window, const QList<ListEntry> &hits) override;
    bool RenameHit(QWidget *window, const ListEntry &hit, QString &name) override;
    bool DeleteHits(QWidget *window, const QList<ListEntry> &hits, bool forGood) override;
    bool EditComments(QWidget *window, const QList<ListEntry> &hits) override;
    bool ShowProperties(QWidget *window, const QList<ListEntry> &hits) override;
    void ExtractHits(QWidget *window, const QList<ListEntry> &hits) override;
    void RestoreHits(QWidget *window, const QList<ListEntry> &hits) override;
    std::optional<qint64> ChooseObject(QWidget *window, const QString &caption,
                                       const QString &prompt, qint64 current) override;
    void ExploreHit(QWidget *window, qint64 objectId) override;
    void CatalogChanged() override;
    void ShowHelp(QWidget *window, int context) override;

protected:
    TDataShare &m_data;
    TCatalogFileAccess *m_fileAccess;
    TItemTree *m_tree;

private:
    bool RunCommand(const std::function<void()> &command);
};
