#pragma once

#include "store/TableCursor.h"

#include <QPersistentModelIndex>
#include <QPoint>
#include <QTreeWidget>

#include <functional>

class TDBItemTree;

// The object tree of the catalog explorer, bound to the item tree table: one
// node per object, with the object's ID and class on the node, its name as
// text and its class picture as icon. Children are loaded when a node is
// first expanded, one level at a time; the Wastebasket never shows children
// (its contents belong to the list). The control keeps node texts in step
// with the table, selects nodes by object ID, and stores in-place renames
// after checking the sibling names.
//
// Table errors raised by the calls below pass to the caller; errors during an
// expansion or an in-place rename the user started are shown in an error box.
class TItemTree final : public QTreeWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TItemTree)

public:
    // Node data: the object ID (qint64) and the class shown as the node's
    // icon, which is also the image index the rest of the window tests.
    static constexpr int IdRole = Qt::UserRole;
    static constexpr int ClassRole = Qt::UserRole + 1;

    // Decides whether the user may start editing a node's text.
    using EditPermission = std::function<bool(QTreeWidgetItem *node)>;

    explicit TItemTree(QWidget *parent = nullptr);
    ~TItemTree() override;

    // The table the tree shows; it must outlive the binding (bind nullptr
    // before it goes). Edits posted on the table's own row update the node
    // that was selected when the edit started.
    void SetDBITree(TDBItemTree *table);
    TDBItemTree *DBITree() const { return m_table; }
    // Icon of a node = picture of its object's class (on by default).
    void SetUseClassAsImage(bool on) { m_useClassAsImage = on; }
    bool UseClassAsImage() const { return m_useClassAsImage; }
    // Without a permission every node may be edited.
    void SetEditPermission(EditPermission permission) { m_editPermission = std::move(permission); }
    // Takes over storing in-place renames: with a handler, a changed text is
    // handed to it (which checks, stores and refreshes the nodes) instead of
    // the control storing it.
    using RenameHandler = std::function<void(QTreeWidgetItem *node, const QString &text)>;
    void SetRenameHandler(RenameHandler handler) { m_renameHandler = std::move(handler); }

    // Opens the table; with a root ID that object becomes the single top
    // node, expanded; with -1 the children of the table's root are the top nodes.
    void LoadTree(qint64 rootId);
    void ClearTree();
    // Brings every loaded level in step with the table: texts and icons are
    // read again, nodes of objects that are gone or moved elsewhere are
    // deleted, new children of loaded nodes are added in order, and expand
    // marks of unloaded nodes follow whether their object has children.
    void RefreshNodes();
    // Puts the table's own row on the selected node's object; a selected node
    // whose object is gone is deleted and the next selection tried.
    void SyncSelection();
    // Selects the object's node, loading and expanding its ancestors. When the
    // way breaks off (an unknown ID, or an object inside the Wastebasket) the
    // nearest node reached is selected, at least the first top node.
    void SelectByID(qint64 id);
    // The first node in tree order from start (or from the first node) whose ID is id.
    QTreeWidgetItem *FindNodeByID(QTreeWidgetItem *start, qint64 id);
    void DeleteNodeByID(qint64 id);
    // Whether the parent of the node's object has a child of that name
    // (letter case ignored).
    bool HasSiblingNamed(QTreeWidgetItem *node, const QString &name);

    // -1 for no node or a node without data.
    static qint64 NodeID(const QTreeWidgetItem *node);
    static int NodeClass(const QTreeWidgetItem *node);
    qint64 SelectedID() const { return NodeID(currentItem()); }
    int SelectedClass() const { return NodeClass(currentItem()); }

signals:
    // The selected node changed (after multi-node changes, once at their end).
    void SelectionChanged();
    // Delete was pressed while no text is being edited.
    void DeletePressed();
    // Enter was pressed while no text is being edited; the selected node has
    // already been expanded or collapsed.
    void EnterPressed();
    // The popup is due: the node under the mouse has been selected first.
    void ContextMenuRequested(QPoint globalPos);
    // The user renamed a node in place and the name is stored.
    void NodeRenamed(QTreeWidgetItem *node, const QString &name);
    // A node's text has just been set from the table.
    void NodeLoaded(QTreeWidgetItem *node);
    // Objects were dropped on the node of the target ID (-1: on no node).
    void ObjectsDropped(qint64 targetId, const QList<qint64> &ids);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    // A drag carries the selected node's object when its class may be dragged.
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    class Batch;
    class LabelEditDelegate;

    void NodeExpanded(QTreeWidgetItem *node);
    void CurrentNodeChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    void ContextMenuAt(const QPoint &position);
    void LabelEdited(const QModelIndex &index, const QString &text);
    void TableRowEvent(TableCursor::RowEvent event);

    bool CanWrite() const;
    qint64 ParentIdOf(QTreeWidgetItem *node) const;
    QTreeWidgetItem *MakeNode(qint64 id, const QString &text);
    // Moves a node whose text changed among its siblings to where it sorts.
    void MoveToSortedPlace(QTreeWidgetItem *parent, QTreeWidgetItem *node);
    void ApplyIcon(QTreeWidgetItem *node, qint64 id);
    void UpdateMark(QTreeWidgetItem *node);
    int LoadChildren(QTreeWidgetItem *node);
    void ExpandNode(QTreeWidgetItem *node);
    void RefreshLevel(QTreeWidgetItem *parent);
    void InsertSorted(QTreeWidgetItem *parent, QTreeWidgetItem *node);
    void DeleteNode(QTreeWidgetItem *node);

    TDBItemTree *m_table = nullptr;
    TableCursor::RowSubscription m_rowEvents;
    bool m_useClassAsImage = true;
    EditPermission m_editPermission;
    RenameHandler m_renameHandler;
    qint64 m_rootId = -1;
    // The node that was selected when the table's row entered edit state.
    QPersistentModelIndex m_editNode;
    int m_batchDepth = 0;
    int m_loading = 0;
    bool m_updatesWereEnabled = true;
    QPersistentModelIndex m_batchCurrent;
    bool m_batchHadCurrent = false;
    // The text of an in-place edit, handled when its editor has closed.
    QPersistentModelIndex m_pendingRename;
    QString m_pendingText;
};
