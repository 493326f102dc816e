#pragma once

#include "find/SearchEngine.h"
#include "platform/ListSort.h"
#include "ui/ListViewStack.h"

#include <QList>
#include <QPoint>
#include <QWidget>

#include <optional>

class CatalogListModel;
class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QModelIndex;
class QStackedWidget;
class QTreeView;
class SettingsStore;

// The Find window's result list ("ListView1"): the hits of a search, or the
// contents of an object while the window browses, in the main list's five
// columns. One model shown as large icons, small icons, a list or details;
// sorted by the list's own sort state (column and direction).
class TFindList final : public ListViewStack
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFindList)

public:
    static inline const QString kColumnSection = QStringLiteral("Find View");

    explicit TFindList(QWidget *parent = nullptr);
    ~TFindList() override;

    // Replaces the entries, sorted as the sort state says.
    void SetEntries(QList<ListEntry> entries);
    void Clear();
    std::optional<ListEntry> CurrentEntry() const;
    int CurrentRow() const;
    // Puts an entry back in its row after it was read again.
    void ReplaceEntry(int row, const ListEntry &entry);
    void RemoveRow(int row);
    bool SelectEntryByData(qint64 data, bool file);

    // Chooses a sort column (the current one again flips the direction) and
    // sorts at once.
    void SortBy(int column);
    // Sorts again by the sort state.
    void Resort();
    const FindSortState &Sort() const { return m_sort; }
    // Takes another sort state and sorts by it at once.
    void SetSort(const FindSortState &sort);

    // Starts the in-place edit of the current entry's label.
    void EditCurrent();

    // Column widths under "Find View": a missing width fits the header.
    void LoadColumnWidths(SettingsStore &settings);
    void SaveColumnWidths(SettingsStore &settings) const;

signals:
    void SelectionChanged();
    void EntryActivated();
    void DeleteRequested();
    void ContextMenuRequested(QPoint globalPos);
    // The user finished editing the label of the entry in row to text.
    void LabelEdited(int row, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class LabelDelegate;

    void ShowSortIndicator();

    FindSortState m_sort;
};
