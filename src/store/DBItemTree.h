#pragma once

#include "store/TableCursor.h"

#include <QList>

#include <functional>
#include <memory>

// A tree stored in a flat table: every row has an ID, the ID of its parent, a
// class code, a name and a name-hidden flag. The component offers the tree
// operations on top of the table. It is general: the field names are
// properties. Look-ups and walks run on auxiliary cursors so that the
// component's own current row, which the tree view relies on, never moves.
// Every failure is raised as EDatabaseError with the texts below.
class TDBItemTree : public TableCursor
{
public:
    // A subtree walk procedure: the cursor stands on the visited row; data
    // flows downward (each child starts from what its parent's pre procedure
    // left); setting stop ends the walk of the current level.
    using WalkProc = std::function<void(TableCursor &cursor, qint64 &data, bool &stop)>;
    // An upward walk procedure; setting stop ends the walk.
    using UpProc = std::function<void(TableCursor &cursor, bool &stop)>;
    // Called during a merging move before the source row is deleted, so that
    // the owner can carry over what refers to the source (its file rows).
    using MergeHook = std::function<void(qint64 sourceId, qint64 targetId)>;

    // No upward walk takes more steps than this.
    static constexpr int kDepthLimit = 1024;

    TDBItemTree();
    ~TDBItemTree() override;

    // Properties.
    qint64 RootID = 1;
    QString NameDelim;
    QString ItemIDFieldName;
    QString ItemParentFieldName;
    QString ItemClassFieldName;
    QString ItemNameFieldName;
    QString ItemNameHiddenFieldName;
    bool ItemFieldUseDefault = false;

    void SetMergeHook(MergeHook hook) { m_mergeHook = std::move(hook); }

    // Takes over the settings into the auxiliary cursors and orders the
    // component itself by ID; the child cursor keeps the index set before
    // (the parent order). Called once the properties are set.
    void Loaded();

    void Open() override;
    void Close() override;

    // Whether the last look-up by ID of GetNameByID or PathByID found the row.
    bool LastFound() const { return m_lastFound; }
    // The class noted by the last path build.
    int LastClass() const { return m_lastClass; }

    TableCursor *ChildCursor() { return m_childCursor.get(); }
    TableCursor *LookupCursor() { return m_lookupCursor.get(); }
    TableCursor *WalkCursor() { return m_walkCursor.get(); }
    TableCursor *GetChildCursor() { return ChildCursor(); }
    TableCursor *GetLookupCursor() { return LookupCursor(); }

    // Field access on the current row of a cursor; a null cursor gives 0,
    // empty or false.
    qint64 ItemID(const TableCursor *cursor);
    qint64 ItemParent(const TableCursor *cursor);
    int ItemClass(const TableCursor *cursor);
    QString ItemName(const TableCursor *cursor);
    bool ItemNameHidden(const TableCursor *cursor);
    void SetItemParent(TableCursor *cursor, qint64 id);
    void SetItemName(TableCursor *cursor, const QString &name);
    virtual QString ItemText(const TableCursor *cursor);
    virtual QString ItemPath(const TableCursor *cursor);

    // The component's own row.
    qint64 CurrentID() { return ItemID(this); }
    qint64 CurrentParent() { return ItemParent(this); }
    int CurrentClass() { return ItemClass(this); }
    QString CurrentName() { return ItemName(this); }
    void SetCurrentName(const QString &name) { SetItemName(this, name); }
    QString CurrentPath() { return ItemPath(this); }
    QString CurrentText() { return ItemText(this); }

    // The child cursor's row.
    qint64 ChildID() { return ItemID(m_childCursor.get()); }
    int ChildClass() { return ItemClass(m_childCursor.get()); }
    QString ChildName() { return ItemName(m_childCursor.get()); }
    QString ChildText() { return ItemText(m_childCursor.get()); }
    void EditChild() { m_childCursor->Edit(); }
    void PostChild() { m_childCursor->Post(); }
    QVariant ChildFieldValue(const QString &fieldName);
    void SetChildFieldValue(const QString &fieldName, const QVariant &value);

    // Tree operations.
    bool Locate(TableCursor *cursor, qint64 id);
    void SetChildRange(qint64 parentId);
    bool FirstChild();
    bool NextChild();
    void CancelChildRange();
    bool HasChildren(qint64 id);
    qint64 FindChild(qint64 parentId, const QString &name);
    QString GetNameByID(qint64 id);
    QString PathByID(qint64 id, bool useNameIfEmpty);
    qint64 WalkUp(qint64 id, const UpProc &procedure, bool withCalls);
    qint64 WalkSubtree(qint64 id, const WalkProc &pre, const WalkProc &post, qint64 data = 0);
    bool IsAncestor(qint64 ancestorId, qint64 id);
    int OwnerClass(qint64 id);
    void SetParentByID(qint64 id, qint64 newParentId);
    void MoveItem(qint64 sourceId, qint64 destinationId);
    qint64 CopyItem(qint64 id, qint64 newParentId);
    qint64 MirrorPath(qint64 id, qint64 oldRootId, qint64 newRootId);

private:
    struct ResolvedFields
    {
        int id = -1;
        int parent = -1;
        int cls = -1;
        int name = -1;
        int nameHidden = -1;
    };

    void ResolveFields();
    int IdField();
    int ParentField();
    // Position of an optional field; -1 when absent and defaults are allowed.
    int OptionalField(int field, const char *what);
    int ResolveOne(const QString &fieldName);
    void NoteStep(int &steps, qint64 currentId);
    bool SkipRootChildren();
    QList<qint64> ChildSnapshot(qint64 parentId);
    qint64 WalkNode(qint64 id, const WalkProc &pre, const WalkProc &post, qint64 &data,
                    bool includeSelf, int depth);
    [[noreturn]] void FailNotFound(qint64 id);

    std::unique_ptr<TableCursor> m_childCursor;
    std::unique_ptr<TableCursor> m_lookupCursor;
    std::unique_ptr<TableCursor> m_walkCursor;
    ResolvedFields m_fields;
    bool m_loaded = false;
    bool m_resolved = false;
    bool m_lastFound = false;
    int m_lastClass = 0;
    MergeHook m_mergeHook;
    QString m_sqlHasChildren;
    QString m_sqlFindChild;
};
