#include "ui/CatalogListModel.h"

#include "store/ObjectOperations.h"
#include "ui/ObjectDrag.h"

#include <QMimeData>

#include <algorithm>

CatalogListModel::CatalogListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    setObjectName(QStringLiteral("CatalogListModel"));
}

CatalogListModel::~CatalogListModel() = default;

void CatalogListModel::SetColumns(const QStringList &headers, int rightAlignedColumn)
{
    SetColumns(headers, rightAlignedColumn < 0 ? QList<int>() : QList<int>{rightAlignedColumn});
}

void CatalogListModel::SetColumns(const QStringList &headers, const QList<int> &rightAlignedColumns)
{
    beginResetModel();
    m_headers = headers;
    m_rightAligned = rightAlignedColumns;
    m_entries.clear();
    endResetModel();
}

void CatalogListModel::SetEntries(QList<ListEntry> entries)
{
    Clear();
    if (entries.isEmpty())
        return;
    beginInsertRows(QModelIndex(), 0, int(entries.size()) - 1);
    m_entries = std::move(entries);
    endInsertRows();
}

void CatalogListModel::Clear()
{
    if (m_entries.isEmpty())
        return;
    beginRemoveRows(QModelIndex(), 0, int(m_entries.size()) - 1);
    m_entries.clear();
    endRemoveRows();
}

int CatalogListModel::RowOfData(qint64 data) const
{
    int fileRow = -1;
    for (int row = 0; row < m_entries.size(); ++row) {
        const ListEntry &entry = m_entries.at(row);
        if (entry.data != data)
            continue;
        if (!entry.IsFile())
            return row;
        if (fileRow < 0)
            fileRow = row;
    }
    return fileRow;
}

void CatalogListModel::Sort(int mode, int column, bool ascending)
{
    if (m_entries.size() < 2)
        return;
    const QList<qsizetype> order = SortedListOrder(m_entries, mode, column, ascending);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> newRowOf(m_entries.size());
    QList<ListEntry> sorted;
    sorted.reserve(m_entries.size());
    for (qsizetype position = 0; position < order.size(); ++position) {
        newRowOf[order.at(position)] = int(position);
        sorted.append(std::move(m_entries[order.at(position)]));
    }
    m_entries = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(this->index(newRowOf.at(index.row()), index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CatalogListModel::SetIconProvider(std::function<QIcon(int)> provider)
{
    m_iconProvider = std::move(provider);
    m_icons.clear();
    if (!m_entries.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_entries.size()) - 1, 0), {Qt::DecorationRole});
}

QIcon CatalogListModel::IconFor(int imageIndex) const
{
    if (!m_iconProvider)
        return {};
    auto found = m_icons.constFind(imageIndex);
    if (found == m_icons.constEnd())
        found = m_icons.insert(imageIndex, m_iconProvider(imageIndex));
    return found.value();
}

int CatalogListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int CatalogListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant CatalogListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ListEntry &entry = m_entries.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column == 0)
            return entry.caption;
        return column - 1 < entry.subItems.size() ? entry.subItems.at(column - 1) : QString();
    case Qt::DecorationRole:
        return column == 0 ? QVariant(IconFor(entry.imageIndex)) : QVariant();
    case Qt::TextAlignmentRole:
        if (m_rightAligned.contains(column))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case ImageIndexRole:
        return entry.imageIndex;
    case EntryDataRole:
        return entry.data;
    default:
        return {};
    }
}

QVariant CatalogListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return m_headers.at(section);
    if (role == Qt::TextAlignmentRole && m_rightAligned.contains(section))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags CatalogListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid())
        result |= Qt::ItemNeverHasChildren;
    if (!index.isValid())
        return result;
    const ListEntry &entry = m_entries.at(index.row());
    if (entry.IsFile())
        return result;
    if (index.column() == 0 && m_editable && ObjectRules::MayBeRenamedInList(entry.imageIndex))
        result |= Qt::ItemIsEditable;
    if (ObjectRules::MayStartDrag(entry.imageIndex))
        result |= Qt::ItemIsDragEnabled;
    return result;
}

bool CatalogListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != 0 ||
        !(flags(index) & Qt::ItemIsEditable))
        return false;
    emit CaptionEdited(m_entries.at(index.row()).data, value.toString());
    return false;
}

void CatalogListModel::SetEntry(int row, ListEntry entry)
{
    if (row < 0 || row >= m_entries.size())
        return;
    m_entries[row] = std::move(entry);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

QStringList CatalogListModel::mimeTypes() const
{
    return {QString::fromLatin1(kObjectDragFormat)};
}

QMimeData *CatalogListModel::mimeData(const QModelIndexList &indexes) const
{
    // One ID a row, in list order.
    QList<int> rows;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && (flags(index) & Qt::ItemIsDragEnabled) &&
            !rows.contains(index.row()))
            rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    QList<qint64> ids;
    for (int row : rows)
        ids << m_entries.at(row).data;
    return ids.isEmpty() ? nullptr : ObjectDragData(ids);
}

Qt::DropActions CatalogListModel::supportedDragActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}
