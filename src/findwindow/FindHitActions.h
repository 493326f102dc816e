#pragma once

#include "platform/ListSort.h"

#include <QList>
#include <QString>

#include <optional>

class QWidget;

// The actions on hits whose work belongs to the main window's commands. The
// Find window is handed one; an action the implementation does not offer
// (Available false) stays disabled in the window's menus and toolbar. Every
// call gets the Find window (as the parent of its dialogs) and the selected
// hits: list entries whose image index tells objects (below 31, data = ID)
// from files (data = Key).
class FindHitActions
{
public:
    enum Action
    {
        Open,
        QuickView,
        Rename,
        Delete,
        Comments,
        Properties,
        Extract,
        Restore,
        SelectObject, // the node selection dialog of the "Look in" browse button
        Help,
        Explore // selects an object hit in the main window's tree
    };

    FindHitActions() = default;
    virtual ~FindHitActions() = default;
    FindHitActions(const FindHitActions &) = delete;
    FindHitActions &operator=(const FindHitActions &) = delete;

    virtual bool Available(Action action) const
    {
        Q_UNUSED(action);
        return false;
    }

    // Open and Quick View: each selected file as the main window opens it.
    virtual void OpenHits(QWidget *window, const QList<ListEntry> &hits)
    {
        Q_UNUSED(window);
        Q_UNUSED(hits);
    }
    virtual void QuickViewHits(QWidget *window, const QList<ListEntry> &hits)
    {
        Q_UNUSED(window);
        Q_UNUSED(hits);
    }
    // Renames an object after the in-place edit; true when the new name is
    // stored, and name then holds the stored name.
    virtual bool RenameHit(QWidget *window, const ListEntry &hit, QString &name)
    {
        Q_UNUSED(window);
        Q_UNUSED(hit);
        Q_UNUSED(name);
        return false;
    }
    // Deletes the hits inside one transaction, for good when forGood (Shift
    // held down); true when something changed.
    virtual bool DeleteHits(QWidget *window, const QList<ListEntry> &hits, bool forGood)
    {
        Q_UNUSED(window);
        Q_UNUSED(hits);
        Q_UNUSED(forGood);
        return false;
    }
    // The comments dialog inside one transaction; true when stored.
    virtual bool EditComments(QWidget *window, const QList<ListEntry> &hits)
    {
        Q_UNUSED(window);
        Q_UNUSED(hits);
        return false;
    }
    // The Properties dialog; true when something changed.
    virtual bool ShowProperties(QWidget *window, const QList<ListEntry> &hits)
    {
        Q_UNUSED(window);
        Q_UNUSED(hits);
        return false;
    }
    virtual void ExtractHits(QWidget *window, const QList<ListEntry> &hits)
    {
        Q_UNUSED(window);
        Q_UNUSED(hits);
    }
    virtual void RestoreHits(QWidget *window, const QList<ListEntry> &hits)
    {
        Q_UNUSED(window);
        Q_UNUSED(hits);
    }
    // The node selection dialog with a caption and prompt; the chosen
    // object's ID, or nothing when cancelled.
    virtual std::optional<qint64> ChooseObject(QWidget *window, const QString &caption,
                                               const QString &prompt, qint64 current)
    {
        Q_UNUSED(window);
        Q_UNUSED(caption);
        Q_UNUSED(prompt);
        Q_UNUSED(current);
        return std::nullopt;
    }
    // Explore: the main window selects the object in its tree.
    virtual void ExploreHit(QWidget *window, qint64 objectId)
    {
        Q_UNUSED(window);
        Q_UNUSED(objectId);
    }
    // After a rename or delete from the Find window, so the main window shows
    // the catalog as it now is.
    virtual void CatalogChanged() {}
    // Help for a context of the Find window (0 for its contents).
    virtual void ShowHelp(QWidget *window, int context)
    {
        Q_UNUSED(window);
        Q_UNUSED(context);
    }
};
