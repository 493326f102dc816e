#pragma once

#include "platform/ListSort.h"

#include <QList>
#include <QWidget>

class CatalogListModel;
class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QStackedWidget;
class QTreeView;

// One list model shown in the four views of an explorer list: large icons,
// small icons and a list (styles of one list view) and details (a tree view
// with columns). Both views share one selection, so switching the style
// keeps it. The main window's list and the Find window's list build on it.
class ListViewStack : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListViewStack)

public:
    static constexpr int kLargeIcons = 0;
    static constexpr int kSmallIcons = 1;
    static constexpr int kListView = 2;
    static constexpr int kDetailView = 3;

    explicit ListViewStack(QWidget *parent = nullptr);
    ~ListViewStack() override;

    CatalogListModel *Model() const { return m_model; }
    int Count() const;

    // 0 large icons, 1 small icons, 2 list, 3 detail; others are ignored.
    virtual void SetIconView(int view);
    int IconView() const { return m_iconViewIndex; }
    // Auto-arranged icons keep their grid places; otherwise they can be
    // dragged to other cells of the grid.
    void SetAutoArrange(bool on);
    bool AutoArrange() const { return m_autoArrange; }

    QAbstractItemView *CurrentView() const;
    bool ViewHasFocus() const;
    // The selected rows in ascending order, each once.
    QList<int> SelectedRows() const;
    QList<ListEntry> SelectedEntries() const;
    // Makes the row the current and only selected one and shows it.
    void SelectRow(int row);
    // The width of a detail column that shows a whole date and time of the
    // display locale, margins included.
    int WholeDateWidth() const;

protected:
    // Sets the list view up for the icon style in hand.
    virtual void ConfigureIconView();
    // Both views, for set-up that applies to each.
    QList<QAbstractItemView *> Views() const;
    // The width of a column of the small icon and list views: the longest
    // label up to a limit, with the icon and margins.
    int LabelColumnWidth() const;
    void FitLabelColumns();

    CatalogListModel *m_model;
    QItemSelectionModel *m_selection;
    QStackedWidget *m_stack;
    QListView *m_iconView;
    QTreeView *m_detailView;
    int m_iconViewIndex = kLargeIcons;
    bool m_autoArrange = true;
};
