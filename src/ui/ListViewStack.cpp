#include "ui/ListViewStack.h"

#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "ui/CatalogListModel.h"
#include "ui/ListItemDelegate.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kLargeIconSize = 32;
constexpr int kSmallIconSize = 16;
// The label column of the small icon and list views follows the longest
// label, within these bounds (in average characters).
constexpr int kShortestLabelColumn = 8;
constexpr int kLongestLabelColumn = 36;
// The width of a large icon's cell, so that a usual word ("Wastebasket")
// fits on one line of its label.
constexpr int kLargeIconLabel = 15;

} // namespace

ListViewStack::ListViewStack(QWidget *parent)
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

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    m_stack->addWidget(m_iconView);
    m_stack->addWidget(m_detailView);

    for (QAbstractItemView *view : Views()) {
        // A delegate for each view: a shared one would report one view's editor to both.
        view->setItemDelegate(new ListItemDelegate(view));
        view->setModel(m_model);
        view->setSelectionModel(m_selection);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        // Edits start from the Rename command only, which checks the class.
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
    }

    // The detail view sorts by the list's own rules, never by Qt's.
    m_detailView->setRootIsDecorated(false);
    m_detailView->setItemsExpandable(false);
    m_detailView->setUniformRowHeights(true);
    m_detailView->setAllColumnsShowFocus(true);
    m_detailView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_detailView->setSortingEnabled(false);
    m_detailView->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
    QHeaderView *header = m_detailView->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);

    m_iconView->setUniformItemSizes(true);
    // New or renamed entries may need wider columns.
    connect(m_model, &QAbstractItemModel::modelReset, this, &ListViewStack::FitLabelColumns);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &ListViewStack::FitLabelColumns);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &ListViewStack::FitLabelColumns);
}

ListViewStack::~ListViewStack() = default;

QList<QAbstractItemView *> ListViewStack::Views() const
{
    return {m_iconView, m_detailView};
}

int ListViewStack::Count() const
{
    return m_model->rowCount();
}

QAbstractItemView *ListViewStack::CurrentView() const
{
    if (m_iconViewIndex == kDetailView)
        return m_detailView;
    return m_iconView;
}

bool ListViewStack::ViewHasFocus() const
{
    return CurrentView()->hasFocus();
}

QList<int> ListViewStack::SelectedRows() const
{
    QList<int> rows;
    const QItemSelection selection = m_selection->selection();
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QList<ListEntry> ListViewStack::SelectedEntries() const
{
    QList<ListEntry> entries;
    for (const int row : SelectedRows())
        entries.append(m_model->Entry(row));
    return entries;
}

void ListViewStack::SelectRow(int row)
{
    if (row < 0 || row >= Count())
        return;
    const QModelIndex index = m_model->index(row, 0);
    m_selection->setCurrentIndex(index,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    CurrentView()->scrollTo(index);
}

void ListViewStack::SetIconView(int view)
{
    if (view < kLargeIcons || view > kDetailView)
        return;
    const bool hadFocus = ViewHasFocus();
    m_iconViewIndex = view;
    if (view == kDetailView) {
        // A selection made in an icon view covers the first column only. The
        // selected rows stay the same, so nobody needs to hear of it.
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

void ListViewStack::SetAutoArrange(bool on)
{
    m_autoArrange = on;
    ConfigureIconView();
}

void ListViewStack::ConfigureIconView()
{
    // setViewMode resets flow, wrapping and movement, so it comes first.
    const QFontMetrics metrics = m_iconView->fontMetrics();
    const int lineHeight = metrics.height();
    const int charWidth = metrics.averageCharWidth();
    const bool arranged = m_autoArrange || m_iconViewIndex == kListView;
    if (m_iconViewIndex == kLargeIcons) {
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setIconSize(QSize(kLargeIconSize, kLargeIconSize));
        m_iconView->setGridSize(
            QSize(qMax(80, charWidth * kLargeIconLabel), kLargeIconSize + 2 * lineHeight + 10));
        m_iconView->setWordWrap(true);
        m_iconView->setFlow(QListView::LeftToRight);
    } else {
        const bool small = m_iconViewIndex == kSmallIcons;
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
        m_iconView->setGridSize(QSize(LabelColumnWidth(), qMax(kSmallIconSize, lineHeight) + 4));
        m_iconView->setWordWrap(false);
        m_iconView->setFlow(small ? QListView::LeftToRight : QListView::TopToBottom);
    }
    m_iconView->setWrapping(true);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setMovement(arranged ? QListView::Static : QListView::Snap);
}

int ListViewStack::LabelColumnWidth() const
{
    const QFontMetrics metrics = m_iconView->fontMetrics();
    const int limit = metrics.averageCharWidth() * kLongestLabelColumn;
    int widest = metrics.averageCharWidth() * kShortestLabelColumn;
    for (int row = 0; row < m_model->rowCount() && widest < limit; ++row)
        widest = qMax(widest, metrics.horizontalAdvance(m_model->Entry(row).caption));
    // The icon, the gap after it, the item's margins and a gap to the next column.
    const int margin =
        m_iconView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_iconView) + 1;
    return kSmallIconSize + qMin(widest, limit) + 4 * margin + metrics.averageCharWidth();
}

void ListViewStack::FitLabelColumns()
{
    if (m_iconViewIndex != kSmallIcons && m_iconViewIndex != kListView)
        return;
    const QSize grid = m_iconView->gridSize();
    const int width = LabelColumnWidth();
    if (width != grid.width())
        m_iconView->setGridSize(QSize(width, grid.height()));
}

int ListViewStack::WholeDateWidth() const
{
    // The widest text of a late day of every month (every weekday among
    // them) at a time with two-digit hours.
    const QFontMetrics metrics = m_detailView->fontMetrics();
    int widest = 0;
    for (int month = 1; month <= 12; ++month) {
        const QDate day(2026, month, 22 + month % 7);
        const QString text = DateTimeText(DayCountOf(day, QTime(23, 59, 59)));
        widest = qMax(widest, metrics.horizontalAdvance(text));
    }
    const int margin =
        m_detailView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_detailView) + 1;
    return widest + 2 * margin + metrics.averageCharWidth();
}
