#include "findwindow/FindList.h"

#include "find/SearchEngine.h"
#include "findwindow/FindMenuRules.h"
#include "platform/SettingsStore.h"
#include "ui/CatalogListFill.h"
#include "ui/CatalogListModel.h"
#include "ui/ObjectIcons.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The widths of the columns at the first start: "Name" 100, "Size" 30,
// "Type" 100, "Modified" 75, "Comment" 200 at 120 dots per inch, widened to
// room for a typical entry (in average characters) where that is more, since
// fonts here run wider than the design's.
constexpr int kDefaultWidths[] = {100, 30, 100, 75, 200};
constexpr int kTypicalCharacters[] = {28, 12, 18, 18, 30};
// The "Modified" column of the main view's columns the list shows.
constexpr int kDateColumn = 3;

} // namespace

// Hands a finished label edit to the window instead of the model, which
// stores nothing: the rename decides whether the new name stands.
class TFindList::LabelDelegate final : public QStyledItemDelegate
{
public:
    explicit LabelDelegate(TFindList *list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    void setModelData(QWidget *editor, QAbstractItemModel *,
                      const QModelIndex &index) const override
    {
        if (auto *edit = qobject_cast<QLineEdit *>(editor))
            emit m_list->LabelEdited(index.row(), edit->text());
    }

private:
    TFindList *m_list;
};

TFindList::TFindList(QWidget *parent)
    : ListViewStack(parent)
{
    m_model->SetColumns(MainViewColumns(), kMainViewSizeColumn);
    m_model->SetIconProvider([](int index) { return ObjectIcon(index); });
    m_model->SetEditable(true);

    auto *delegate = new LabelDelegate(this);
    for (QAbstractItemView *view : Views()) {
        view->setItemDelegateForColumn(0, delegate);
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
            if (index.isValid())
                emit EntryActivated();
        });
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &at) {
            emit ContextMenuRequested(view->viewport()->mapToGlobal(at));
        });
    }
    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            &TFindList::SelectionChanged);
    connect(m_selection, &QItemSelectionModel::currentChanged, this, &TFindList::SelectionChanged);
    connect(m_detailView->header(), &QHeaderView::sectionClicked, this, &TFindList::SortBy);
    ConfigureIconView();
    ShowSortIndicator();
}

TFindList::~TFindList() = default;

void TFindList::SetEntries(QList<ListEntry> entries)
{
    const QList<qsizetype> order =
        SortedListOrder(entries, kSortFindList, m_sort.column, m_sort.ascending);
    QList<ListEntry> sorted;
    sorted.reserve(entries.size());
    for (const qsizetype row : order)
        sorted.append(std::move(entries[row]));
    m_model->SetEntries(std::move(sorted));
    ShowSortIndicator();
}

void TFindList::Clear()
{
    m_model->Clear();
}

int TFindList::CurrentRow() const
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return -1;
    const QModelIndex current = m_selection->currentIndex();
    return current.isValid() && rows.contains(current.row()) ? current.row() : rows.first();
}

std::optional<ListEntry> TFindList::CurrentEntry() const
{
    const int row = CurrentRow();
    if (row < 0)
        return std::nullopt;
    return m_model->Entry(row);
}

void TFindList::ReplaceEntry(int row, const ListEntry &entry)
{
    if (row < 0 || row >= Count())
        return;
    QList<ListEntry> entries = m_model->Entries();
    entries[row] = entry;
    const QList<int> selected = SelectedRows();
    m_model->SetEntries(std::move(entries));
    for (const int r : selected)
        m_selection->select(m_model->index(r, 0),
                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_selection->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
}

void TFindList::RemoveRow(int row)
{
    if (row < 0 || row >= Count())
        return;
    QList<ListEntry> entries = m_model->Entries();
    entries.removeAt(row);
    m_model->SetEntries(std::move(entries));
}

bool TFindList::SelectEntryByData(qint64 data, bool file)
{
    for (int row = 0; row < Count(); ++row) {
        const ListEntry &entry = m_model->Entry(row);
        if (entry.data == data && entry.IsFile() == file) {
            SelectRow(row);
            return true;
        }
    }
    return false;
}

void TFindList::SortBy(int column)
{
    ::SortBy(m_sort, column);
    Resort();
}

void TFindList::SetSort(const FindSortState &sort)
{
    m_sort = sort;
    Resort();
}

void TFindList::Resort()
{
    m_model->Sort(kSortFindList, m_sort.column, m_sort.ascending);
    ShowSortIndicator();
}

void TFindList::ShowSortIndicator()
{
    m_detailView->header()->setSortIndicator(m_sort.column, m_sort.ascending ? Qt::AscendingOrder
                                                                             : Qt::DescendingOrder);
}

void TFindList::EditCurrent()
{
    const int row = CurrentRow();
    if (row < 0 || !FindHitMayBeEdited(m_model->Entry(row).imageIndex))
        return;
    const QModelIndex index = m_model->index(row, 0);
    CurrentView()->setCurrentIndex(index);
    CurrentView()->edit(index);
}

void TFindList::LoadColumnWidths(SettingsStore &settings)
{
    QHeaderView *header = m_detailView->header();
    const double scale = logicalDpiX() / 120.0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const qint64 width = settings.ReadInteger(kColumnSection, QString::number(column), -1);
        const int slot = qMin(column, 4);
        int typical = kTypicalCharacters[slot] * m_detailView->fontMetrics().averageCharWidth();
        if (column == kDateColumn)
            typical = qMax(typical, WholeDateWidth());
        const int fallback =
            std::max({header->sectionSizeHint(column), int(kDefaultWidths[slot] * scale), typical});
        header->resizeSection(column, width < 0 ? fallback : int(qMin<qint64>(width, 0xFFFF)));
    }
}

void TFindList::SaveColumnWidths(SettingsStore &settings) const
{
    const QHeaderView *header = m_detailView->header();
    for (int column = 0; column < header->count(); ++column)
        settings.WriteInteger(kColumnSection, QString::number(column), header->sectionSize(column));
}

bool TFindList::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_iconView || watched == m_detailView)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Shift+Delete deletes for good; the window reads the Shift key itself.
        if (key->key() == Qt::Key_Delete &&
            !(key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))) {
            emit DeleteRequested();
            return true;
        }
        if (!(key->modifiers() & ~Qt::KeypadModifier)) {
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (!SelectedRows().isEmpty())
                    emit EntryActivated();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
