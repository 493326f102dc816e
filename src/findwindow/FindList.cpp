#include "findwindow/FindList.h"

#include "explorer/CatalogListFill.h"
#include "explorer/CatalogListModel.h"
#include "find/SearchEngine.h"
#include "findwindow/FindMenuRules.h"
#include "platform/SettingsStore.h"
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

constexpr int kLargeIconSize = 32;
constexpr int kSmallIconSize = 16;
// The widths of the columns at the first start: "Name" 100, "Size" 30,
// "Type" 100, "Modified" 75, "Comment" 200 at 120 dots per inch, widened to
// room for a typical entry (in average characters) where that is more, since
// fonts here run wider than the design's.
constexpr int kDefaultWidths[] = {100, 30, 100, 75, 200};
constexpr int kTypicalCharacters[] = {28, 12, 18, 18, 30};

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
    : QWidget(parent)
    , m_model(new CatalogListModel(this))
    , m_selection(new QItemSelectionModel(m_model, this))
    , m_stack(new QStackedWidget(this))
    , m_iconView(new QListView(m_stack))
    , m_detailView(new QTreeView(m_stack))
{
    setObjectName(QStringLiteral("ListView1"));
    m_iconView->setObjectName(QStringLiteral("ListView1Icons"));
    m_detailView->setObjectName(QStringLiteral("ListView1Details"));
    m_model->SetColumns(MainViewColumns(), kMainViewSizeColumn);
    m_model->SetIconProvider([](int index) { return ObjectIcon(index); });
    m_model->SetEditable(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    m_stack->addWidget(m_iconView);
    m_stack->addWidget(m_detailView);
    auto *delegate = new LabelDelegate(this);
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_iconView),
                                    static_cast<QAbstractItemView *>(m_detailView)}) {
        view->setModel(m_model);
        view->setSelectionModel(m_selection);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        // Edits start from the Rename command only, which checks the class.
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setItemDelegateForColumn(0, delegate);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
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

    m_detailView->setRootIsDecorated(false);
    m_detailView->setItemsExpandable(false);
    m_detailView->setUniformRowHeights(true);
    m_detailView->setAllColumnsShowFocus(true);
    m_detailView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_detailView->setSortingEnabled(false);
    m_detailView->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
    QHeaderView *header = m_detailView->header();
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    connect(header, &QHeaderView::sectionClicked, this, &TFindList::SortBy);
    m_iconView->setUniformItemSizes(true);
    ConfigureIconView();
    ShowSortIndicator();
}

TFindList::~TFindList() = default;

void TFindList::SetEntries(QList<ListEntry> entries)
{
    const QList<qsizetype> order =
        SortedListOrder(entries, kSortFindList, FindSort().column, FindSort().ascending);
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

int TFindList::Count() const
{
    return m_model->rowCount();
}

QList<int> TFindList::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_selection->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QList<ListEntry> TFindList::SelectedEntries() const
{
    QList<ListEntry> entries;
    for (const int row : SelectedRows())
        entries.append(m_model->Entry(row));
    return entries;
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

void TFindList::SelectRow(int row)
{
    if (row < 0 || row >= Count())
        return;
    const QModelIndex index = m_model->index(row, 0);
    m_selection->setCurrentIndex(index,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    CurrentView()->scrollTo(index);
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

QAbstractItemView *TFindList::CurrentView() const
{
    if (m_iconViewIndex == 3)
        return m_detailView;
    return m_iconView;
}

bool TFindList::ViewHasFocus() const
{
    return CurrentView()->hasFocus();
}

void TFindList::SetIconView(int view)
{
    if (view < 0 || view > 3)
        return;
    const bool hadFocus = ViewHasFocus();
    m_iconViewIndex = view;
    if (view == 3) {
        const QSignalBlocker quiet(m_selection);
        m_selection->select(m_selection->selection(),
                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_stack->setCurrentWidget(m_detailView);
    } else {
        ConfigureIconView();
        m_stack->setCurrentWidget(m_iconView);
    }
    if (hadFocus)
        CurrentView()->setFocus();
}

void TFindList::SetAutoArrange(bool on)
{
    m_autoArrange = on;
    ConfigureIconView();
}

void TFindList::ConfigureIconView()
{
    const QFontMetrics metrics = m_iconView->fontMetrics();
    const int lineHeight = metrics.height();
    const int charWidth = metrics.averageCharWidth();
    if (m_iconViewIndex == 0) {
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setIconSize(QSize(kLargeIconSize, kLargeIconSize));
        m_iconView->setGridSize(
            QSize(qMax(76, charWidth * 12), kLargeIconSize + 2 * lineHeight + 10));
        m_iconView->setWordWrap(true);
        m_iconView->setFlow(QListView::LeftToRight);
    } else {
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
        m_iconView->setGridSize(QSize(kSmallIconSize + charWidth * (m_iconViewIndex == 1 ? 20 : 28),
                                      qMax(kSmallIconSize, lineHeight) + 4));
        m_iconView->setWordWrap(false);
        m_iconView->setFlow(m_iconViewIndex == 1 ? QListView::LeftToRight : QListView::TopToBottom);
    }
    m_iconView->setWrapping(true);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setMovement(m_autoArrange || m_iconViewIndex == 2 ? QListView::Static
                                                                  : QListView::Snap);
}

void TFindList::SortBy(int column)
{
    ::SortBy(FindSort(), column);
    Resort();
}

void TFindList::Resort()
{
    m_model->Sort(kSortFindList, FindSort().column, FindSort().ascending);
    ShowSortIndicator();
}

void TFindList::ShowSortIndicator()
{
    m_detailView->header()->setSortIndicator(
        FindSort().column, FindSort().ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
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
        const int typical =
            kTypicalCharacters[slot] * m_detailView->fontMetrics().averageCharWidth();
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
        if (!(key->modifiers() & ~Qt::KeypadModifier)) {
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (!SelectedRows().isEmpty())
                    emit EntryActivated();
                return true;
            }
            if (key->key() == Qt::Key_Delete) {
                emit DeleteRequested();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
