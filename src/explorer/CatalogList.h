#pragma once

#include "platform/ListSort.h"
#include "ui/ListViewStack.h"

#include <QIcon>
#include <QList>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <optional>

class CatalogListModel;
class QAbstractItemView;
class QItemSelection;
class QItemSelectionModel;
class QListView;
class QModelIndex;
class QStackedWidget;
class QTreeView;
class SettingsStore;
class TDataShare;

// The Arrange Icons commands.
enum class ArrangeKind
{
    Name,
    Type,
    Size,
    Date
};

// The right-hand pane of the main window ("ListView1"): the contents of the
// node selected in the tree. An ordinary node shows its child objects and its
// files (the main view, five columns); the wastebasket shows every disk
// catalog and archive set deleted into it (the wastebasket view, six columns).
// One model is shown as large icons, small icons, a list or details.
//
// The list keeps the sort column and order of each view; the main window
// loads and saves them with the other explorer settings. Column widths live
// in the settings sections "Main View" and "Wastebasket View".
class TCatalogList final : public ListViewStack
{
    Q_OBJECT

public:
    static inline const QString kMainViewSection = QStringLiteral("Main View");
    static inline const QString kWastebasketViewSection = QStringLiteral("Wastebasket View");

    explicit TCatalogList(TDataShare &data, QWidget *parent = nullptr);
    ~TCatalogList() override;
    Q_DISABLE_COPY_MOVE(TCatalogList)

    // Where column widths are kept; without one, the program's settings key
    // is opened for each read or write.
    void SetSettings(SettingsStore *settings);
    // The pictures by image index (class code, or file icon 31 and up).
    void SetIconProvider(std::function<QIcon(int)> provider);

    // Fills the list for a node and returns the sum of the listed sizes, or
    // -1 in the wastebasket view. Database failures are raised; the list is
    // then empty.
    qint64 Fill(qint64 nodeId);
    void Clear();
    int SelectedCount() const;
    // False while the list shows the wastebasket view.
    bool MainView() const { return m_mainView; }
    // The first selected entry.
    std::optional<ListEntry> CurrentEntry() const;
    // Selects only the entry that carries the data (an object's ID), makes it
    // current and scrolls to it. False when no entry carries it.
    bool SelectEntryByData(qint64 data);

    // Selects only the entry that carries the data and opens its caption for
    // editing. False when no entry carries it or it may not be renamed.
    bool EditEntry(qint64 data);

    // 0 large icons, 1 small icons, 2 list, 3 detail. Leaving the detail view
    // saves the column widths first.
    void SetIconView(int view) override;

    // Sorting by a column of the current view: the sort column again reverses
    // the order, another column sorts by it ascending.
    void ColumnClick(int column);
    // The Arrange Icons commands: a column click on the kind's column.
    void ArrangeBy(ArrangeKind kind);
    // The column an arrangement sorts by in a view.
    static int ArrangeColumn(ArrangeKind kind, bool mainView);

    int CatalogSort() const { return m_catalogSort; }
    bool CatalogOrder() const { return m_catalogOrder; }
    int WastebasketSort() const { return m_wastebasketSort; }
    bool WastebasketOrder() const { return m_wastebasketOrder; }
    // Setting the sort of the view on show sorts it again.
    void SetCatalogSort(int column);
    void SetCatalogOrder(bool ascending);
    void SetWastebasketSort(int column);
    void SetWastebasketOrder(bool ascending);

    // Writes the widths of the current columns under the current view's section.
    void SaveColumnWidths();
    // Sorts the entries again by the current view's sort, after one changed.
    void Resort();

signals:
    void SelectionChanged();
    // Double-click on an entry, or Enter while not editing.
    void EntryActivated();
    // The Delete key while not editing.
    void DeleteRequested();
    void FocusLeft();
    void ContextMenuRequested(QPoint globalPos);
    // The user finished editing the caption of the entry carrying the data;
    // reported once the editor has closed.
    void EntryRenamed(qint64 data, const QString &text);
    // Objects were dropped on the list: on the object entry carrying the
    // target's ID, or on no object (-1).
    void ObjectsDropped(qint64 targetId, const QList<qint64> &ids);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void ConfigureIconView() override;

private:
    enum class Columns
    {
        None,
        Main,
        Wastebasket
    };

    void InstallColumns(Columns columns);
    void SaveColumnWidthsOf(Columns columns);
    void ReadColumnWidths(Columns columns);
    void WithSettings(const std::function<void(SettingsStore &)> &use);
    void ShowSortIndicator();
    bool ViewportEvent(QAbstractItemView *view, QEvent *event);

    void ViewDoubleClicked(const QModelIndex &index);
    void ViewSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void HeaderClicked(int section);
    void IconViewContextMenu(const QPoint &position);
    void DetailViewContextMenu(const QPoint &position);

    TDataShare &m_data;
    SettingsStore *m_settings = nullptr;

    Columns m_columns = Columns::None;
    bool m_mainView = true;
    int m_catalogSort = 0;
    bool m_catalogOrder = true;
    int m_wastebasketSort = 0;
    bool m_wastebasketOrder = true;
};
