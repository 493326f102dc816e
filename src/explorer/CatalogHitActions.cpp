#include "explorer/CatalogHitActions.h"

#include "explorer/ExtractForm.h"
#include "explorer/PropertiesForm.h"
#include "media/CatalogFileAccess.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "store/ObjectOperations.h"
#include "store/Wastebasket.h"
#include "ui/CommentsForm.h"
#include "ui/HelpBook.h"
#include "ui/HelpForm.h"
#include "ui/HelpViewer.h"
#include "ui/ItemTree.h"
#include "ui/NodeSelectionForm.h"

CatalogHitActions::CatalogHitActions(TDataShare &data, TCatalogFileAccess *fileAccess,
                                     TItemTree *tree)
    : m_data(data)
    , m_fileAccess(fileAccess)
    , m_tree(tree)
{
}

bool CatalogHitActions::Available(Action action) const
{
    switch (action) {
    case Rename:
    case Delete:
    case Comments:
    case Properties:
    case SelectObject:
    case Extract:
    case Restore:
    case Help:
        return true;
    case Open:
    case QuickView:
        return m_fileAccess != nullptr;
    case Explore:
        return m_tree != nullptr;
    default:
        return false;
    }
}

bool CatalogHitActions::RunCommand(const std::function<void()> &command)
{
    return m_data.RunUserCommand(command);
}

void CatalogHitActions::OpenHits(QWidget *, const QList<ListEntry> &hits)
{
    for (const ListEntry &hit : hits) {
        if (hit.IsFile() && m_fileAccess)
            m_fileAccess->OpenFile(hit.data, false);
    }
}

void CatalogHitActions::QuickViewHits(QWidget *, const QList<ListEntry> &hits)
{
    for (const ListEntry &hit : hits) {
        if (hit.IsFile() && m_fileAccess)
            m_fileAccess->OpenFile(hit.data, true);
    }
}

bool CatalogHitActions::RenameHit(QWidget *, const ListEntry &hit, QString &name)
{
    if (hit.IsFile())
        return false;
    RenameOutcome outcome = RenameOutcome::Unchanged;
    if (!RunCommand([&] { outcome = RenameObject(m_data, hit.data, name); }))
        return false;
    return outcome == RenameOutcome::Renamed;
}

bool CatalogHitActions::DeleteHits(QWidget *, const QList<ListEntry> &hits, bool forGood)
{
    QList<qint64> ids;
    for (const ListEntry &hit : hits) {
        if (!hit.IsFile())
            ids << hit.data;
    }
    if (ids.isEmpty())
        return false;
    bool confirmed = false;
    const bool committed = RunCommand([&] {
        confirmed = DeleteObjects(m_data, ids, forGood);
        // As after a delete in the main window: the Wastebasket's class
        // follows what it holds, so that emptying it finds its contents.
        TidyWastebasket(m_data);
    });
    UI().CloseProgress();
    return committed && confirmed;
}

bool CatalogHitActions::EditComments(QWidget *window, const QList<ListEntry> &hits)
{
    if (hits.isEmpty())
        return false;
    TComments_Form dialog(m_data, window);
    if (!dialog.SetEntry(hits.first().imageIndex, hits.first().data))
        return false;
    if (dialog.exec() != QDialog::Accepted)
        return false;
    bool wrote = false;
    return RunCommand([&] { wrote = dialog.WriteComment(); }) && wrote;
}

bool CatalogHitActions::ShowProperties(QWidget *window, const QList<ListEntry> &hits)
{
    if (hits.isEmpty())
        return false;
    return ::ShowProperties(m_data, hits.first().IsFile(), hits.first().data, window);
}

std::optional<qint64> CatalogHitActions::ChooseObject(QWidget *window, const QString &caption,
                                                      const QString &prompt, qint64)
{
    const qint64 chosen =
        SelectNode(m_data, TNodeSelectionForm::kSearchStart, caption, prompt, window);
    if (chosen < 0)
        return std::nullopt;
    return chosen;
}

void CatalogHitActions::ExtractHits(QWidget *window, const QList<ListEntry> &hits)
{
    m_data.RunGuarded([&] { ExtractOrRestore(m_data, hits, true, window); });
}

void CatalogHitActions::RestoreHits(QWidget *window, const QList<ListEntry> &hits)
{
    m_data.RunGuarded([&] { ExtractOrRestore(m_data, hits, false, window); });
}

void CatalogHitActions::ExploreHit(QWidget *, qint64 objectId)
{
    if (m_tree)
        m_tree->SelectByID(objectId);
}

void CatalogHitActions::CatalogChanged()
{
    if (m_tree)
        m_tree->RefreshNodes();
}

void CatalogHitActions::ShowHelp(QWidget *, int context)
{
    if (context == 0)
        ShowHelpWindow();
    else
        OpenHelp(context, HelpBook::kGuide);
}
