#include "ui/ItemTree.h"

#include "platform/UserInterface.h"
#include "store/CatalogSchema.h"
#include "store/DBItemTree.h"
#include "store/DatabaseError.h"
#include "store/ObjectOperations.h"
#include "ui/BusyCursor.h"
#include "ui/ObjectDrag.h"
#include "ui/ObjectIcons.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMetaProperty>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <exception>

namespace {

constexpr qint64 kWastebasketId = CatalogSchema::kWastebasketId;

QString ErrorText(const std::exception &error)
{
    return QString::fromUtf8(error.what());
}

bool NameLess(const QTreeWidgetItem *a, const QTreeWidgetItem *b)
{
    return QString::localeAwareCompare(a->text(0), b->text(0)) < 0;
}

} // namespace

// A change of many nodes: repaint is suspended, and the selection signal is
// held back and sent once at the end when the selected node is not the one
// selected at the start. Nests; only the outermost one acts.
class TItemTree::Batch final
{
    Q_DISABLE_COPY_MOVE(Batch)

public:
    explicit Batch(TItemTree &tree, bool loading = false)
        : m_tree(tree)
        , m_loading(loading)
        , m_uncaught(std::uncaught_exceptions())
    {
        if (m_tree.m_batchDepth++ == 0) {
            m_tree.m_updatesWereEnabled = m_tree.updatesEnabled();
            m_tree.setUpdatesEnabled(false);
            m_tree.m_batchCurrent = QPersistentModelIndex(m_tree.currentIndex());
            m_tree.m_batchHadCurrent = m_tree.m_batchCurrent.isValid();
        }
        if (m_loading)
            ++m_tree.m_loading;
    }

    // May run the owner's selection handler, which may raise; never while an
    // exception is already on its way.
    ~Batch() noexcept(false)
    {
        if (m_loading)
            --m_tree.m_loading;
        if (--m_tree.m_batchDepth > 0)
            return;
        m_tree.setUpdatesEnabled(m_tree.m_updatesWereEnabled);
        const bool lost = m_tree.m_batchHadCurrent && !m_tree.m_batchCurrent.isValid();
        const bool changed = lost || QModelIndex(m_tree.m_batchCurrent) != m_tree.currentIndex();
        m_tree.m_batchCurrent = QPersistentModelIndex();
        if (changed && std::uncaught_exceptions() == m_uncaught)
            emit m_tree.SelectionChanged();
    }

private:
    TItemTree &m_tree;
    bool m_loading;
    int m_uncaught;
};

// Hands the text of a finished in-place edit to the tree instead of writing
// it into the node: the tree decides what the node shows.
class TItemTree::LabelEditDelegate final : public QStyledItemDelegate
{
    Q_DISABLE_COPY_MOVE(LabelEditDelegate)

public:
    explicit LabelEditDelegate(TItemTree *tree)
        : QStyledItemDelegate(tree)
        , m_tree(tree)
    {
    }

    void setModelData(QWidget *editor, QAbstractItemModel *,
                      const QModelIndex &index) const override
    {
        const QByteArray property = editor->metaObject()->userProperty().name();
        m_tree->m_pendingRename = QPersistentModelIndex(index);
        m_tree->m_pendingText = editor->property(property.constData()).toString();
    }

private:
    TItemTree *m_tree;
};

TItemTree::TItemTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setItemDelegate(new LabelEditDelegate(this));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(true);

    connect(this, &QTreeWidget::itemExpanded, this, &TItemTree::NodeExpanded);
    connect(this, &QTreeWidget::currentItemChanged, this, &TItemTree::CurrentNodeChanged);
    connect(this, &QWidget::customContextMenuRequested, this, &TItemTree::ContextMenuAt);
}

TItemTree::~TItemTree()
{
    // The items go with the base class; nothing may reach this half-destroyed
    // object's handlers meanwhile.
    m_rowEvents.Reset();
    m_table = nullptr;
    blockSignals(true);
}

void TItemTree::SetDBITree(TDBItemTree *table)
{
    m_rowEvents.Reset();
    m_editNode = QPersistentModelIndex();
    m_table = table;
    if (m_table) {
        m_rowEvents = m_table->WatchRows(
            [this](TableCursor &, TableCursor::RowEvent event) { TableRowEvent(event); });
    }
}

qint64 TItemTree::NodeID(const QTreeWidgetItem *node)
{
    if (!node)
        return -1;
    const QVariant id = node->data(0, IdRole);
    return id.isValid() ? id.toLongLong() : -1;
}

int TItemTree::NodeClass(const QTreeWidgetItem *node)
{
    if (!node)
        return -1;
    const QVariant cls = node->data(0, ClassRole);
    return cls.isValid() ? cls.toInt() : -1;
}

bool TItemTree::CanWrite() const
{
    return m_table && m_table->Active();
}

qint64 TItemTree::ParentIdOf(QTreeWidgetItem *node) const
{
    return node ? NodeID(node) : m_table->RootID;
}

QTreeWidgetItem *TItemTree::MakeNode(qint64 id, const QString &text)
{
    auto *node = new QTreeWidgetItem;
    node->setText(0, text);
    node->setData(0, IdRole, id);
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    return node;
}

void TItemTree::ApplyIcon(QTreeWidgetItem *node, qint64 id)
{
    // An object of class 0 below another shows the class of its nearest owner.
    const int cls = m_table->OwnerClass(id);
    node->setData(0, ClassRole, cls);
    if (m_useClassAsImage && cls >= 0 && cls < kObjectIconCount)
        node->setIcon(0, ObjectIcon(cls));
}

void TItemTree::UpdateMark(QTreeWidgetItem *node)
{
    const bool expandable = NodeID(node) != kWastebasketId && node->childCount() > 0;
    node->setChildIndicatorPolicy(expandable ? QTreeWidgetItem::ShowIndicator
                                             : QTreeWidgetItem::DontShowIndicator);
}

int TItemTree::LoadChildren(QTreeWidgetItem *node)
{
    if (node ? node->childCount() > 0 : topLevelItemCount() > 0)
        return 0;
    const qint64 parentId = ParentIdOf(node);
    if (node && parentId == kWastebasketId) {
        UpdateMark(node);
        return 0;
    }
    // The expand mark of each child costs one look-up, not a load of the grandchildren.
    QList<QTreeWidgetItem *> children;
    m_table->SetChildRange(parentId);
    for (bool more = m_table->FirstChild(); more; more = m_table->NextChild()) {
        const qint64 id = m_table->ChildID();
        QTreeWidgetItem *child = MakeNode(id, m_table->ChildText());
        const bool expandable = id != kWastebasketId && m_table->HasChildren(id);
        child->setChildIndicatorPolicy(expandable ? QTreeWidgetItem::ShowIndicator
                                                  : QTreeWidgetItem::DontShowIndicator);
        children << child;
    }
    std::stable_sort(children.begin(), children.end(), NameLess);
    if (node)
        node->addChildren(children);
    else
        addTopLevelItems(children);
    for (QTreeWidgetItem *child : std::as_const(children)) {
        emit NodeLoaded(child);
        ApplyIcon(child, NodeID(child));
    }
    return int(children.size());
}

void TItemTree::ExpandNode(QTreeWidgetItem *node)
{
    // Loaded here rather than by the expansion handler, so that table errors
    // reach the caller.
    LoadChildren(node);
    UpdateMark(node);
    if (node->childCount() > 0)
        node->setExpanded(true);
}

void TItemTree::NodeExpanded(QTreeWidgetItem *node)
{
    if (!m_table || !node || node->childCount() > 0)
        return;
    BusyCursor busy;
    try {
        Batch batch(*this, true);
        LoadChildren(node);
        UpdateMark(node);
    } catch (const std::exception &error) {
        // The user's click started this: there is no command to hand the error to.
        UI().ShowError(kDatabaseErrorCaption, ErrorText(error));
    }
}

void TItemTree::LoadTree(qint64 rootId)
{
    if (!m_table)
        return;
    BusyCursor busy;
    Batch batch(*this, true);
    if (!m_table->Active())
        m_table->Open();
    m_rootId = rootId < 0 ? -1 : rootId;
    if (m_rootId < 0) {
        LoadChildren(nullptr);
        return;
    }
    const QString text = m_table->GetNameByID(m_rootId);
    if (!m_table->LastFound())
        return;
    QTreeWidgetItem *top = MakeNode(m_rootId, text);
    addTopLevelItem(top);
    emit NodeLoaded(top);
    ApplyIcon(top, m_rootId);
    ExpandNode(top);
}

void TItemTree::ClearTree()
{
    // The tree empties when a database opens or closes: drags of the objects
    // it showed end with it.
    EndObjectDrags();
    Batch batch(*this);
    m_editNode = QPersistentModelIndex();
    clear();
}

void TItemTree::DeleteNode(QTreeWidgetItem *node)
{
    // A selected node below the one going is moved up to it first, so that
    // the view passes the selection on to a neighbour as it does for a
    // selected node that is deleted.
    for (QTreeWidgetItem *at = currentItem(); at; at = at->parent()) {
        if (at->parent() == node) {
            setCurrentItem(node);
            break;
        }
    }
    delete node;
}

void TItemTree::InsertSorted(QTreeWidgetItem *parent, QTreeWidgetItem *node)
{
    const int count = parent ? parent->childCount() : topLevelItemCount();
    int at = 0;
    while (at < count && !NameLess(node, parent ? parent->child(at) : topLevelItem(at)))
        ++at;
    if (parent)
        parent->insertChild(at, node);
    else
        insertTopLevelItem(at, node);
}

void TItemTree::MoveToSortedPlace(QTreeWidgetItem *parent, QTreeWidgetItem *node)
{
    // Taking a node out forgets which of its nodes were open and which one
    // was current: both are put back.
    QTreeWidgetItem *current = currentItem();
    QList<QTreeWidgetItem *> open;
    QList<QTreeWidgetItem *> pending{node};
    while (!pending.isEmpty()) {
        QTreeWidgetItem *at = pending.takeLast();
        if (at->isExpanded())
            open << at;
        for (int child = 0; child < at->childCount(); ++child)
            pending << at->child(child);
    }
    if (parent)
        parent->removeChild(node);
    else
        takeTopLevelItem(indexOfTopLevelItem(node));
    InsertSorted(parent, node);
    for (QTreeWidgetItem *at : std::as_const(open))
        at->setExpanded(true);
    if (current)
        setCurrentItem(current);
}

void TItemTree::RefreshLevel(QTreeWidgetItem *parent)
{
    // What the table holds at this level now.
    QList<qint64> wanted;
    QHash<qint64, QString> texts;
    if (!parent && m_rootId >= 0) {
        const QString text = m_table->GetNameByID(m_rootId);
        if (m_table->LastFound()) {
            wanted << m_rootId;
            texts.insert(m_rootId, text);
        }
    } else {
        m_table->SetChildRange(ParentIdOf(parent));
        for (bool more = m_table->FirstChild(); more; more = m_table->NextChild()) {
            wanted << m_table->ChildID();
            texts.insert(wanted.last(), m_table->ChildText());
        }
    }

    QSet<qint64> present;
    QList<QTreeWidgetItem *> renamed;
    for (int i = 0; i < (parent ? parent->childCount() : topLevelItemCount());) {
        QTreeWidgetItem *node = parent ? parent->child(i) : topLevelItem(i);
        const qint64 id = NodeID(node);
        const auto text = texts.constFind(id);
        if (text == texts.cend() || present.contains(id)) {
            DeleteNode(node);
            continue;
        }
        present.insert(id);
        if (node->text(0) != *text)
            renamed << node;
        node->setText(0, *text);
        emit NodeLoaded(node);
        ApplyIcon(node, id);
        ++i;
    }
    for (QTreeWidgetItem *node : std::as_const(renamed))
        MoveToSortedPlace(parent, node);
    for (qint64 id : std::as_const(wanted)) {
        if (present.contains(id))
            continue;
        QTreeWidgetItem *node = MakeNode(id, texts.value(id));
        InsertSorted(parent, node);
        emit NodeLoaded(node);
        ApplyIcon(node, id);
    }

    for (int i = 0; i < (parent ? parent->childCount() : topLevelItemCount()); ++i) {
        QTreeWidgetItem *node = parent ? parent->child(i) : topLevelItem(i);
        // A node left open when its last child went shows the children it
        // has again: the view sends no new expansion for it.
        if (node->childCount() == 0 && node->isExpanded())
            LoadChildren(node);
        if (node->childCount() > 0) {
            RefreshLevel(node);
            UpdateMark(node);
        } else {
            const qint64 id = NodeID(node);
            const bool expandable = id != kWastebasketId && m_table->HasChildren(id);
            node->setChildIndicatorPolicy(expandable ? QTreeWidgetItem::ShowIndicator
                                                     : QTreeWidgetItem::DontShowIndicator);
        }
    }
}

void TItemTree::RefreshNodes()
{
    if (!CanWrite())
        return;
    Batch batch(*this);
    RefreshLevel(nullptr);
}

void TItemTree::SyncSelection()
{
    if (!CanWrite())
        return;
    Batch batch(*this);
    while (QTreeWidgetItem *node = currentItem()) {
        if (m_table->Locate(m_table, NodeID(node)))
            return;
        DeleteNode(node);
    }
}

QTreeWidgetItem *TItemTree::FindNodeByID(QTreeWidgetItem *start, qint64 id)
{
    QTreeWidgetItemIterator it =
        start ? QTreeWidgetItemIterator(start) : QTreeWidgetItemIterator(this);
    for (; *it; ++it) {
        if (NodeID(*it) == id)
            return *it;
    }
    return nullptr;
}

void TItemTree::SelectByID(qint64 id)
{
    if (!m_table || topLevelItemCount() == 0)
        return;
    BusyCursor busy;
    Batch batch(*this, true);
    // The object and its ancestors below the root, from the object upward.
    QList<qint64> way;
    m_table->WalkUp(
        id,
        [&](TableCursor &cursor, bool &) {
            const qint64 step = m_table->ItemID(&cursor);
            if (step != m_table->RootID)
                way << step;
        },
        true);

    QTreeWidgetItem *reached = topLevelItem(0);
    for (auto step = way.crbegin(); step != way.crend(); ++step) {
        ExpandNode(reached);
        QTreeWidgetItem *next = FindNodeByID(reached, *step);
        if (!next)
            break;
        reached = next;
    }
    QTreeWidgetItem *target = FindNodeByID(reached, id);
    setCurrentItem(target ? target : reached);
    scrollToItem(currentItem());
}

void TItemTree::DeleteNodeByID(qint64 id)
{
    if (QTreeWidgetItem *node = FindNodeByID(nullptr, id)) {
        Batch batch(*this);
        DeleteNode(node);
    }
}

bool TItemTree::HasSiblingNamed(QTreeWidgetItem *node, const QString &name)
{
    if (!node || !CanWrite())
        return false;
    TableCursor *lookup = m_table->LookupCursor();
    if (!m_table->Locate(lookup, NodeID(node)))
        return false;
    return m_table->FindChild(m_table->ItemParent(lookup), name) >= 0;
}

void TItemTree::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTreeWidget::closeEditor(editor, hint);
    // Handled once the editor is gone, so that a message box cannot end the
    // same edit a second time by taking the focus from it.
    if (!m_pendingRename.isValid())
        return;
    const QModelIndex index = m_pendingRename;
    const QString text = m_pendingText;
    m_pendingRename = QPersistentModelIndex();
    m_pendingText.clear();
    LabelEdited(index, text);
}

void TItemTree::LabelEdited(const QModelIndex &index, const QString &text)
{
    QTreeWidgetItem *node = itemFromIndex(index);
    if (!node || text.compare(node->text(0), Qt::CaseInsensitive) == 0)
        return;
    if (m_loading > 0 || !CanWrite())
        return;
    if (m_renameHandler) {
        m_renameHandler(node, text);
        return;
    }
    try {
        if (HasSiblingNamed(node, text)) {
            ShowRenameRefusal(text);
            return;
        }
        // The node is normally the selected one, whose object the table's
        // own row stands on; for any other node the row goes back afterwards.
        const bool selected = node == currentItem();
        const bool hadRow = m_table->HasRow();
        const qint64 bookmark = m_table->RowKey();
        if (!m_table->Locate(m_table, NodeID(node)))
            return;
        m_table->Edit();
        m_table->SetCurrentName(text);
        m_table->Post();
        const QString stored = m_table->CurrentName();
        if (!selected && hadRow)
            m_table->GotoKey(bookmark);
        node->setText(0, stored);
        emit NodeRenamed(node, stored);
    } catch (const std::exception &error) {
        m_table->Cancel();
        UI().ShowError(kDatabaseErrorCaption, ErrorText(error));
    }
}

bool TItemTree::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    const bool wouldStart = trigger == AllEditTriggers || (editTriggers() & trigger);
    if (wouldStart && index.isValid() && state() != EditingState) {
        if (m_loading > 0 || !CanWrite())
            return false;
        if (m_editPermission && !m_editPermission(itemFromIndex(index)))
            return false;
    }
    return QTreeWidget::edit(index, trigger, event);
}

void TItemTree::startDrag(Qt::DropActions)
{
    QTreeWidgetItem *node = currentItem();
    if (!node || !ObjectRules::MayStartDrag(NodeClass(node)))
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(ObjectDragData({NodeID(node)}));
    drag->setPixmap(node->icon(0).pixmap(16));
    // The window moves the rows itself: the drop reports a copy.
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

void TItemTree::dragEnterEvent(QDragEnterEvent *event)
{
    if (DraggedObjects(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void TItemTree::dragMoveEvent(QDragMoveEvent *event)
{
    if (DraggedObjects(event->mimeData()).isEmpty() || !itemAt(event->position().toPoint())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void TItemTree::dropEvent(QDropEvent *event)
{
    const QList<qint64> ids = DraggedObjects(event->mimeData());
    if (ids.isEmpty()) {
        event->ignore();
        return;
    }
    const qint64 target = NodeID(itemAt(event->position().toPoint()));
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit ObjectsDropped(target, ids);
}

void TItemTree::TableRowEvent(TableCursor::RowEvent event)
{
    switch (event) {
    case TableCursor::RowEvent::EditStarted:
        m_editNode = QPersistentModelIndex(currentIndex());
        break;
    case TableCursor::RowEvent::Posted: {
        QTreeWidgetItem *node = m_editNode.isValid() ? itemFromIndex(m_editNode) : nullptr;
        m_editNode = QPersistentModelIndex();
        if (!node)
            break;
        // Only the node of the posted object follows; a node without an ID
        // takes the row's.
        const qint64 rowId = m_table->CurrentID();
        if (node->data(0, IdRole).isValid() && NodeID(node) != rowId)
            break;
        node->setData(0, IdRole, rowId);
        node->setText(0, m_table->CurrentText());
        emit NodeLoaded(node);
        ApplyIcon(node, rowId);
        break;
    }
    case TableCursor::RowEvent::Cancelled:
        m_editNode = QPersistentModelIndex();
        break;
    }
}

void TItemTree::CurrentNodeChanged(QTreeWidgetItem *, QTreeWidgetItem *)
{
    // Inside a batch the change is reported once, at its end.
    if (m_batchDepth == 0)
        emit SelectionChanged();
}

void TItemTree::ContextMenuAt(const QPoint &position)
{
    if (QTreeWidgetItem *node = itemAt(position))
        setCurrentItem(node);
    emit ContextMenuRequested(viewport()->mapToGlobal(position));
}

void TItemTree::keyPressEvent(QKeyEvent *event)
{
    if (state() != EditingState) {
        switch (event->key()) {
        case Qt::Key_Delete:
            emit DeletePressed();
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (QTreeWidgetItem *node = currentItem())
                node->setExpanded(!node->isExpanded());
            emit EnterPressed();
            event->accept();
            return;
        default:
            break;
        }
    }
    QTreeWidget::keyPressEvent(event);
}
