#include "explorer/PoolVolumeList.h"

#include "archive/ArchivePool.h"
#include "platform/DisplayFormats.h"
#include "ui/CatalogListModel.h"
#include "ui/ObjectIcons.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QTreeView>

namespace {

// The percentage and the free space sort by hidden keys of fixed width,
// which the shared list sort compares as numbers. They lie after column 4,
// which that sort reads from column 5 in this list's mode.
constexpr int kFreeKeyColumn = 5;
constexpr int kPercentKeyColumn = 6;

int KeyColumnOf(int column)
{
    switch (column) {
    case PoolVolumeList::kPercentColumn:
        return kPercentKeyColumn;
    case PoolVolumeList::kFreeColumn:
        return kFreeKeyColumn;
    default:
        return column;
    }
}

ListEntry EntryOf(const PoolVolume &volume)
{
    const double percent =
        volume.capacity > 0 ? double(volume.used) * 100.0 / double(volume.capacity) : 0.0;
    const quint64 freeKb = volume.FreeBytes() / 1024;
    ListEntry entry;
    entry.caption = kVolumeLabelPrefix + volume.label.mid(5, 4);
    entry.data = volume.id;
    entry.imageIndex = volume.cls; // the picture shows how full it is
    entry.subItems = {volume.name,
                      DisplayLocale().toString(percent, 'f', 2),
                      DisplayLocale().toString(qulonglong(freeKb)),
                      QString(),
                      QString::asprintf("%020llu", qulonglong(freeKb)),
                      QString::asprintf("%07.2f", percent)};
    return entry;
}

} // namespace

PoolVolumeList::PoolVolumeList(QWidget *parent)
    : ListViewStack(parent)
{
    setObjectName(QStringLiteral("VolumeList"));
    m_iconView->setObjectName(QStringLiteral("VolumeListIcons"));
    m_detailView->setObjectName(QStringLiteral("VolumeListDetails"));
    m_model->SetColumns({QStringLiteral("Volume ID"), QStringLiteral("Description"),
                         QStringLiteral("% Used"), QStringLiteral("Kb Free")},
                        QList<int>{kPercentColumn, kFreeColumn});
    m_model->SetIconProvider(&ObjectIcon);
    for (QAbstractItemView *view : Views()) {
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &at) {
            emit PopupRequested(view->viewport()->mapToGlobal(at));
        });
    }
    m_detailView->header()->setSortIndicator(kVolumeColumn, Qt::AscendingOrder);
    connect(m_detailView->header(), &QHeaderView::sectionClicked, this,
            &PoolVolumeList::SortByColumn);
    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            &PoolVolumeList::SelectionChanged);
    SetIconView(kLargeIcons);
}

PoolVolumeList::~PoolVolumeList() = default;

void PoolVolumeList::SetIconView(int view)
{
    ListViewStack::SetIconView(view);
    setFocusProxy(CurrentView());
}

void PoolVolumeList::SetVolumes(const std::vector<PoolVolume> &volumes)
{
    const qint64 selected = SelectedVolumeId();
    QList<ListEntry> entries;
    for (const PoolVolume &volume : volumes)
        entries.append(EntryOf(volume));
    m_model->SetEntries(std::move(entries));
    m_model->Sort(kSortPropertiesList, KeyColumnOf(m_sortColumn), true);
    for (int column = 0; column < m_model->columnCount(); ++column)
        m_detailView->resizeColumnToContents(column);
    if (const int row = m_model->RowOfData(selected); selected != 0 && row >= 0)
        SelectRow(row);
    emit SelectionChanged();
}

void PoolVolumeList::SortByColumn(int column)
{
    m_sortColumn = column;
    m_detailView->header()->setSortIndicator(column, Qt::AscendingOrder);
    m_model->Sort(kSortPropertiesList, KeyColumnOf(column), true);
}

void PoolVolumeList::ConfigureIconView()
{
    ListViewStack::ConfigureIconView();
    if (m_iconViewIndex != kLargeIcons)
        return;
    const int labelWidth = m_iconView->fontMetrics().horizontalAdvance(VolumeLabelOf(8888)) + 16;
    const QSize grid = m_iconView->gridSize();
    m_iconView->setGridSize(QSize(qMax(grid.width(), labelWidth), grid.height()));
}

qint64 PoolVolumeList::SelectedVolumeId() const
{
    const QList<int> rows = SelectedRows();
    return rows.isEmpty() ? 0 : m_model->Entry(rows.front()).data;
}

QString PoolVolumeList::Text(int row, int column) const
{
    return m_model->index(row, column).data().toString();
}
