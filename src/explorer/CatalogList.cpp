#include "explorer/CatalogList.h"

#include "platform/SettingsStore.h"
#include "store/DataShare.h"
#include "ui/CatalogListFill.h"
#include "ui/CatalogListModel.h"
#include "ui/ObjectDrag.h"

#include <QApplication>
#include <QDropEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QTreeView>

#include <span>

TCatalogList::TCatalogList(TDataShare &data, QWidget *parent)
    : ListViewStack(parent)
    , m_data(data)
{
    for (QAbstractItemView *view : Views()) {
        view->setTextElideMode(Qt::ElideRight);
        view->viewport()->installEventFilter(this);
        view->setDragEnabled(true);
        view->setAcceptDrops(true);
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->setDefaultDropAction(Qt::MoveAction);
        connect(view, &QAbstractItemView::doubleClicked, this, &TCatalogList::ViewDoubleClicked);
    }
    connect(m_iconView, &QWidget::customContextMenuRequested, this,
            &TCatalogList::IconViewContextMenu);
    connect(m_detailView, &QWidget::customContextMenuRequested, this,
            &TCatalogList::DetailViewContextMenu);
    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            &TCatalogList::ViewSelectionChanged);
    // Handled once the editor has closed, so that a message box cannot end
    // the same edit a second time by taking the focus from it.
    connect(m_model, &CatalogListModel::CaptionEdited, this, &TCatalogList::EntryRenamed,
            Qt::QueuedConnection);
    connect(m_detailView->header(), &QHeaderView::sectionClicked, this,
            &TCatalogList::HeaderClicked);

    m_iconView->setSelectionRectVisible(true);
    ConfigureIconView();
}

TCatalogList::~TCatalogList() = default;

void TCatalogList::SetSettings(SettingsStore *settings)
{
    m_settings = settings;
}

void TCatalogList::SetIconProvider(std::function<QIcon(int)> provider)
{
    m_model->SetIconProvider(std::move(provider));
}

void TCatalogList::WithSettings(const std::function<void(SettingsStore &)> &use)
{
    if (m_settings) {
        use(*m_settings);
        return;
    }
    SettingsStore settings(SettingsStore::kProgramKey);
    use(settings);
}

qint64 TCatalogList::Fill(qint64 nodeId)
{
    Clear();
    const QString path = m_data.Catalogs.PathByID(nodeId, false);
    m_mainView = path.left(11) != QLatin1String("Wastebasket");
    InstallColumns(m_mainView ? Columns::Main : Columns::Wastebasket);

    QList<ListEntry> entries;
    qint64 total = -1;
    if (m_mainView)
        total = ReadMainViewEntries(m_data, nodeId, entries);
    else
        ReadWastebasketEntries(m_data, entries);

    // Sorted before the rows reach the views, which then lay them out once.
    const QList<qsizetype> order =
        SortedListOrder(entries, m_mainView ? kSortMainView : kSortWastebasketView,
                        m_mainView ? m_catalogSort : m_wastebasketSort,
                        m_mainView ? m_catalogOrder : m_wastebasketOrder);
    QList<ListEntry> sorted;
    sorted.reserve(entries.size());
    for (const qsizetype row : order)
        sorted.append(std::move(entries[row]));

    m_model->SetEditable(m_mainView);
    const auto triggers =
        m_mainView ? QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked
                   : QAbstractItemView::NoEditTriggers;
    m_iconView->setEditTriggers(triggers);
    m_detailView->setEditTriggers(triggers);
    m_model->SetEntries(std::move(sorted));
    ShowSortIndicator();
    return total;
}

void TCatalogList::Clear()
{
    m_model->Clear();
}

int TCatalogList::SelectedCount() const
{
    return int(SelectedRows().size());
}

std::optional<ListEntry> TCatalogList::CurrentEntry() const
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return m_model->Entry(rows.first());
}

bool TCatalogList::SelectEntryByData(qint64 data)
{
    const int row = m_model->RowOfData(data);
    if (row < 0)
        return false;
    const QModelIndex index = m_model->index(row, 0);
    m_selection->setCurrentIndex(index,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    CurrentView()->scrollTo(index);
    return true;
}

bool TCatalogList::EditEntry(qint64 data)
{
    if (!SelectEntryByData(data))
        return false;
    const QModelIndex index = m_model->index(m_model->RowOfData(data), 0);
    if (!(m_model->flags(index) & Qt::ItemIsEditable))
        return false;
    CurrentView()->setFocus();
    CurrentView()->edit(index);
    return true;
}

void TCatalogList::SetIconView(int view)
{
    if (view < kLargeIcons || view > kDetailView)
        return;
    if (m_iconViewIndex == kDetailView)
        SaveColumnWidths();
    ListViewStack::SetIconView(view);
}

void TCatalogList::ConfigureIconView()
{
    ListViewStack::ConfigureIconView();
    // A static list view stops taking drops on its viewport; objects are
    // still dropped onto its entries.
    m_iconView->viewport()->setAcceptDrops(true);
}

int TCatalogList::ArrangeColumn(ArrangeKind kind, bool mainView)
{
    switch (kind) {
    case ArrangeKind::Name:
        return 0;
    case ArrangeKind::Type:
        return mainView ? 2 : 3;
    case ArrangeKind::Size:
        return mainView ? 1 : 4;
    case ArrangeKind::Date:
        return mainView ? 3 : 2;
    }
    return 0;
}

void TCatalogList::ColumnClick(int column)
{
    int &sort = m_mainView ? m_catalogSort : m_wastebasketSort;
    bool &ascending = m_mainView ? m_catalogOrder : m_wastebasketOrder;
    if (column == sort) {
        ascending = !ascending;
    } else {
        sort = column;
        ascending = true;
    }
    Resort();
}

void TCatalogList::ArrangeBy(ArrangeKind kind)
{
    ColumnClick(ArrangeColumn(kind, m_mainView));
}

void TCatalogList::SetCatalogSort(int column)
{
    m_catalogSort = column;
    if (m_mainView)
        Resort();
}

void TCatalogList::SetCatalogOrder(bool ascending)
{
    m_catalogOrder = ascending;
    if (m_mainView)
        Resort();
}

void TCatalogList::SetWastebasketSort(int column)
{
    m_wastebasketSort = column;
    if (!m_mainView)
        Resort();
}

void TCatalogList::SetWastebasketOrder(bool ascending)
{
    m_wastebasketOrder = ascending;
    if (!m_mainView)
        Resort();
}

void TCatalogList::Resort()
{
    if (m_mainView)
        m_model->Sort(kSortMainView, m_catalogSort, m_catalogOrder);
    else
        m_model->Sort(kSortWastebasketView, m_wastebasketSort, m_wastebasketOrder);
    ShowSortIndicator();
}

void TCatalogList::ShowSortIndicator()
{
    const int column = m_mainView ? m_catalogSort : m_wastebasketSort;
    const bool ascending = m_mainView ? m_catalogOrder : m_wastebasketOrder;
    m_detailView->header()->setSortIndicator(column,
                                             ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TCatalogList::InstallColumns(Columns columns)
{
    if (columns == m_columns)
        return;
    SaveColumnWidthsOf(m_columns);
    if (columns == Columns::Main)
        m_model->SetColumns(MainViewColumns(), kMainViewSizeColumn);
    else
        m_model->SetColumns(WastebasketViewColumns(), kWastebasketViewSizeColumn);
    m_columns = columns;
    ReadColumnWidths(columns);
}

void TCatalogList::ReadColumnWidths(Columns columns)
{
    const QString section = columns == Columns::Main ? kMainViewSection : kWastebasketViewSection;
    QHeaderView *header = m_detailView->header();
    // Without a stored width a column takes room for its header and a
    // typical entry (in average characters): a column just as wide as its
    // header would cut almost every name.
    static constexpr int kMainChars[] = {28, 12, 18, 18, 30};
    static constexpr int kWastebasketChars[] = {24, 24, 18, 14, 12, 30};
    const int characterWidth = m_detailView->fontMetrics().averageCharWidth();
    const int dateColumn = ArrangeColumn(ArrangeKind::Date, columns == Columns::Main);
    WithSettings([&](SettingsStore &settings) {
        for (int column = 0; column < m_model->columnCount(); ++column) {
            const qint64 width = settings.ReadInteger(section, QString::number(column), -1);
            const std::span<const int> chars = columns == Columns::Main
                                                   ? std::span<const int>(kMainChars)
                                                   : std::span<const int>(kWastebasketChars);
            int typical = chars[size_t(qMin<qsizetype>(column, chars.size() - 1))] * characterWidth;
            if (column == dateColumn)
                typical = qMax(typical, WholeDateWidth());
            header->resizeSection(column, width < 0 ? qMax(header->sectionSizeHint(column), typical)
                                                    : int(qMin<qint64>(width, 0xFFFF)));
        }
    });
}

void TCatalogList::SaveColumnWidths()
{
    SaveColumnWidthsOf(m_columns);
}

void TCatalogList::SaveColumnWidthsOf(Columns columns)
{
    if (columns == Columns::None)
        return;
    const QString section = columns == Columns::Main ? kMainViewSection : kWastebasketViewSection;
    const QHeaderView *header = m_detailView->header();
    WithSettings([&](SettingsStore &settings) {
        for (int column = 0; column < header->count(); ++column)
            settings.WriteInteger(section, QString::number(column), header->sectionSize(column));
    });
}

bool TCatalogList::ViewportEvent(QAbstractItemView *view, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (DraggedObjects(drag->mimeData()).isEmpty())
            return false;
        drag->setDropAction(Qt::MoveAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QList<qint64> ids = DraggedObjects(drop->mimeData());
        if (ids.isEmpty())
            return false;
        const QModelIndex index = view->indexAt(drop->position().toPoint());
        qint64 target = -1;
        if (index.isValid() && !m_model->Entry(index.row()).IsFile())
            target = m_model->Entry(index.row()).data;
        // The window moves the rows itself: the dragging view must not remove any.
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        emit ObjectsDropped(target, ids);
        return true;
    }
    default:
        return false;
    }
}

bool TCatalogList::eventFilter(QObject *watched, QEvent *event)
{
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_iconView),
                                    static_cast<QAbstractItemView *>(m_detailView)}) {
        if (watched == view->viewport() && ViewportEvent(view, event))
            return true;
    }
    auto *view = qobject_cast<QAbstractItemView *>(watched);
    if (!view || (view != m_iconView && view != m_detailView))
        return QWidget::eventFilter(watched, event);
    // Keys reach the view itself only while no editor is open: an open
    // editor has the focus and takes them.
    // The Enter that ends an edit comes here too: the editor passes it on.
    const bool editing = view->indexWidget(view->currentIndex()) != nullptr;
    if (event->type() == QEvent::KeyPress && !editing) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Shift+Delete deletes for good; the window reads the Shift key itself.
        if (key->key() == Qt::Key_Delete &&
            !(key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))) {
            emit DeleteRequested();
            return true;
        }
        if (key->modifiers() & ~Qt::KeypadModifier)
            return QWidget::eventFilter(watched, event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (SelectedCount() > 0)
                emit EntryActivated();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            emit DeleteRequested();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        const auto *focus = static_cast<QFocusEvent *>(event);
        // The focus moving into an editor of the view, or to a popup menu
        // over it, does not leave the list.
        const QWidget *now = QApplication::focusWidget();
        const bool staysInside = now && view->isAncestorOf(now);
        if (!staysInside && focus->reason() != Qt::PopupFocusReason) {
            if (m_mainView)
                SaveColumnWidths();
            emit FocusLeft();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TCatalogList::ViewDoubleClicked(const QModelIndex &index)
{
    if (index.isValid())
        emit EntryActivated();
}

void TCatalogList::ViewSelectionChanged(const QItemSelection &, const QItemSelection &)
{
    emit SelectionChanged();
}

void TCatalogList::HeaderClicked(int section)
{
    ColumnClick(section);
}

void TCatalogList::IconViewContextMenu(const QPoint &position)
{
    emit ContextMenuRequested(m_iconView->viewport()->mapToGlobal(position));
}

void TCatalogList::DetailViewContextMenu(const QPoint &position)
{
    emit ContextMenuRequested(m_detailView->viewport()->mapToGlobal(position));
}
