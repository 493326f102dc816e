#include "store/DBItemTree.h"

#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "store/SqliteConnection.h"

namespace {

QString TooManyLevels(qint64 id)
{
    return QStringLiteral("To many Tree Levels. Tree could be corrupted. ID=%1").arg(id);
}

} // namespace

TDBItemTree::TDBItemTree()
    : m_childCursor(std::make_unique<TableCursor>())
    , m_lookupCursor(std::make_unique<TableCursor>())
{
}

TDBItemTree::~TDBItemTree() = default;

void TDBItemTree::Loaded()
{
    m_loaded = true;
    m_childCursor->CopySettingsFrom(*this);
    m_lookupCursor->CopySettingsFrom(*this);
    m_lookupCursor->SetIndexFieldName(ItemIDFieldName);
    SetIndexFieldName(ItemIDFieldName);
}

void TDBItemTree::Open()
{
    if (!m_loaded)
        Loaded();
    TableCursor::Open();
    m_lookupCursor->Open();
    m_childCursor->Open();
    m_resolved = false;
    ResolveFields();
    m_walkCursor.reset();
}

void TDBItemTree::Close()
{
    m_resolved = false;
    m_walkCursor.reset();
    m_lookupCursor->Close();
    m_childCursor->Close();
    TableCursor::Close();
}

int TDBItemTree::ResolveOne(const QString &fieldName)
{
    if (fieldName.isEmpty())
        return -1;
    // The auxiliary cursors stand on the same table, so their field list is
    // the component's own; the component is asked when they are not open.
    int field = m_lookupCursor->Active() ? m_lookupCursor->FieldIndex(fieldName) : -1;
    if (field < 0)
        field = FieldIndex(fieldName);
    if (field < 0)
        throw EDatabaseError(QStringLiteral("Unknown field ") + fieldName);
    return field;
}

void TDBItemTree::ResolveFields()
{
    if (m_resolved)
        return;
    if (ItemIDFieldName.isEmpty())
        throw EDatabaseError(QStringLiteral("ID is required field for DBItemTree component"));
    if (ItemParentFieldName.isEmpty())
        throw EDatabaseError(QStringLiteral("Parent is required field for DBItemTree component"));
    ResolvedFields fields;
    fields.id = ResolveOne(ItemIDFieldName);
    fields.parent = ResolveOne(ItemParentFieldName);
    fields.cls = ResolveOne(ItemClassFieldName);
    fields.name = ResolveOne(ItemNameFieldName);
    fields.nameHidden = ResolveOne(ItemNameHiddenFieldName);
    m_fields = fields;
    m_resolved = true;

    const QString table = QuoteIdentifier(TableName());
    const QString id = QuoteIdentifier(ItemIDFieldName);
    const QString parent = QuoteIdentifier(ItemParentFieldName);
    m_sqlHasChildren = QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?1 LIMIT 1").arg(table, parent);
    // NOCASE folds ASCII letters only, which is the comparison names get.
    // Folders of a medium keep their names as they are there, so siblings
    // may differ in case alone ("Pod" and "pod"): the exact name comes first.
    if (!ItemNameFieldName.isEmpty()) {
        m_sqlFindChild =
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?1 AND %4 = ?2 COLLATE NOCASE "
                           "AND %1 <> ?3 ORDER BY %4 <> ?2, %1 LIMIT 1")
                .arg(id, table, parent, QuoteIdentifier(ItemNameFieldName));
    }
}

int TDBItemTree::IdField()
{
    ResolveFields();
    if (m_fields.id < 0)
        throw EDatabaseError(QStringLiteral("DBItemTree field ID is not defined."));
    return m_fields.id;
}

int TDBItemTree::ParentField()
{
    ResolveFields();
    if (m_fields.parent < 0)
        throw EDatabaseError(QStringLiteral("DBItemTree field Parent is not defined."));
    return m_fields.parent;
}

int TDBItemTree::OptionalField(int field, const char *what)
{
    if (field >= 0 || ItemFieldUseDefault)
        return field;
    throw EDatabaseError(
        QStringLiteral("DBItemTree field %1 is not defined.").arg(QLatin1String(what)));
}

qint64 TDBItemTree::ItemID(const TableCursor *cursor)
{
    if (!cursor)
        return 0;
    return cursor->Value(IdField()).toLongLong();
}

qint64 TDBItemTree::ItemParent(const TableCursor *cursor)
{
    if (!cursor)
        return 0;
    return cursor->Value(ParentField()).toLongLong();
}

int TDBItemTree::ItemClass(const TableCursor *cursor)
{
    if (!cursor)
        return 0;
    ResolveFields();
    const int field = OptionalField(m_fields.cls, "Class");
    return field < 0 ? 0 : cursor->Value(field).toInt();
}

QString TDBItemTree::ItemName(const TableCursor *cursor)
{
    if (!cursor)
        return {};
    ResolveFields();
    const int field = OptionalField(m_fields.name, "Name");
    return field < 0 ? QString() : cursor->Value(field).toString();
}

bool TDBItemTree::ItemNameHidden(const TableCursor *cursor)
{
    if (!cursor)
        return false;
    ResolveFields();
    const int field = OptionalField(m_fields.nameHidden, "NameHidden");
    return field < 0 ? false : cursor->Value(field).toLongLong() != 0;
}

void TDBItemTree::SetItemParent(TableCursor *cursor, qint64 id)
{
    if (!cursor)
        throw EDatabaseError(QStringLiteral("TDBItemTree error. Table = nil"));
    cursor->SetValue(ParentField(), QVariant(id));
}

void TDBItemTree::SetItemName(TableCursor *cursor, const QString &name)
{
    if (!cursor)
        throw EDatabaseError(QStringLiteral("TDBItemTree error. Table = nil"));
    ResolveFields();
    if (m_fields.name < 0)
        throw EDatabaseError(QStringLiteral("DBItemTree field Name is not defined."));
    cursor->SetValue(m_fields.name, QVariant(name));
}

QString TDBItemTree::ItemText(const TableCursor *cursor)
{
    return ItemName(cursor);
}

QString TDBItemTree::ItemPath(const TableCursor *cursor)
{
    if (!cursor || !cursor->HasRow() || ItemID(cursor) <= 0) {
        m_lastClass = 0;
        return {};
    }
    const QString name = ItemName(cursor);
    const int noted = m_fields.cls >= 0 ? ItemClass(cursor) : 0;
    const QString own = ItemNameHidden(cursor) ? QString() : name;
    const qint64 parent = ItemParent(cursor);
    QString path;
    if (parent == RootID) {
        path = own;
    } else {
        const QString parentPath = PathByID(parent, false);
        path = parentPath.trimmed().isEmpty() ? name : parentPath + NameDelim + own;
    }
    m_lastClass = noted;
    return path;
}

QString TDBItemTree::PathByID(qint64 id, bool useNameIfEmpty)
{
    m_lastFound = false;
    TableCursor *lookup = m_lookupCursor.get();
    if (!lookup->Locate(id)) {
        m_lastClass = 0;
        return {};
    }
    m_lastFound = true;
    const QString name = ItemName(lookup);
    int noted = ItemClass(lookup);
    QString path = ItemNameHidden(lookup) ? QString() : name;
    int steps = 0;
    while (ItemParent(lookup) != RootID && lookup->Locate(ItemParent(lookup))) {
        NoteStep(steps, ItemID(lookup));
        if (!ItemNameHidden(lookup))
            path = ItemName(lookup) + NameDelim + path;
        if (noted == 0)
            noted = ItemClass(lookup);
    }
    m_lastClass = noted;
    if (path.trimmed().isEmpty() && useNameIfEmpty)
        return name;
    return path;
}

void TDBItemTree::NoteStep(int &steps, qint64 currentId)
{
    if (++steps > kDepthLimit)
        throw EDatabaseError(TooManyLevels(currentId));
}

void TDBItemTree::FailNotFound(qint64 id)
{
    throw EDatabaseError(QStringLiteral("TDBItemTree.GotoItem error: Item %1 Not Found.").arg(id));
}

QVariant TDBItemTree::ChildFieldValue(const QString &fieldName)
{
    return m_childCursor->FieldValue(fieldName);
}

void TDBItemTree::SetChildFieldValue(const QString &fieldName, const QVariant &value)
{
    m_childCursor->SetFieldValue(fieldName, value);
}

bool TDBItemTree::Locate(TableCursor *cursor, qint64 id)
{
    return cursor && cursor->Locate(id);
}

void TDBItemTree::SetChildRange(qint64 parentId)
{
    ResolveFields();
    m_childCursor->SetRange(parentId, parentId + 1);
}

bool TDBItemTree::SkipRootChildren()
{
    while (m_childCursor->HasRow() && ItemID(m_childCursor.get()) == RootID)
        m_childCursor->Next();
    return m_childCursor->HasRow();
}

bool TDBItemTree::FirstChild()
{
    m_childCursor->First();
    return SkipRootChildren();
}

bool TDBItemTree::NextChild()
{
    m_childCursor->Next();
    return SkipRootChildren();
}

void TDBItemTree::CancelChildRange()
{
    m_childCursor->CancelRange();
}

bool TDBItemTree::HasChildren(qint64 id)
{
    ResolveFields();
    SqliteStatement &query = Connection()->Prepare(m_sqlHasChildren);
    query.Bind(1, id);
    const bool found = query.Step();
    query.Reset();
    return found;
}

qint64 TDBItemTree::FindChild(qint64 parentId, const QString &name)
{
    ResolveFields();
    if (m_fields.name < 0)
        throw EDatabaseError(QStringLiteral("DBItemTree field Name is not defined."));
    SetChildRange(parentId);
    SqliteStatement &query = Connection()->Prepare(m_sqlFindChild);
    query.Bind(1, parentId).Bind(2, name).Bind(3, RootID);
    const qint64 found = query.Step() ? query.Int64(0) : -1;
    query.Reset();
    if (found >= 0)
        m_childCursor->GotoKey(found);
    return found;
}

QString TDBItemTree::GetNameByID(qint64 id)
{
    m_lastFound = m_lookupCursor->Locate(id);
    return m_lastFound ? ItemName(m_lookupCursor.get()) : QString();
}

qint64 TDBItemTree::WalkUp(qint64 id, const UpProc &procedure, bool withCalls)
{
    TableCursor *lookup = m_lookupCursor.get();
    if (!lookup->Locate(id))
        return -1;
    qint64 parent = ItemParent(lookup);
    qint64 current = ItemID(lookup);
    qint64 count = 0;
    bool stop = false;
    if (withCalls) {
        count = 1;
        if (procedure)
            procedure(*lookup, stop);
    }
    while (!stop && current != RootID) {
        if (count > kDepthLimit)
            throw EDatabaseError(TooManyLevels(current));
        if (!lookup->Locate(parent))
            FailNotFound(parent);
        current = ItemID(lookup);
        parent = ItemParent(lookup);
        ++count;
        stop = false;
        if (withCalls && procedure)
            procedure(*lookup, stop);
    }
    return count;
}

bool TDBItemTree::IsAncestor(qint64 ancestorId, qint64 id)
{
    TableCursor *lookup = m_lookupCursor.get();
    if (!lookup->Locate(id))
        FailNotFound(id);
    int steps = 0;
    for (;;) {
        const qint64 parent = ItemParent(lookup);
        if (parent == ancestorId)
            return true;
        if (parent == RootID)
            return false;
        NoteStep(steps, ItemID(lookup));
        if (!lookup->Locate(parent))
            FailNotFound(parent);
    }
}

int TDBItemTree::OwnerClass(qint64 id)
{
    TableCursor *lookup = m_lookupCursor.get();
    if (!lookup->Locate(id))
        return 0;
    int steps = 0;
    for (;;) {
        const int cls = ItemClass(lookup);
        if (cls != 0 || ItemID(lookup) == RootID)
            return cls;
        NoteStep(steps, ItemID(lookup));
        if (!lookup->Locate(ItemParent(lookup)))
            return 0;
    }
}

QList<qint64> TDBItemTree::ChildSnapshot(qint64 parentId)
{
    SetChildRange(parentId);
    QList<qint64> children = m_childCursor->RangeKeys();
    children.removeAll(RootID);
    return children;
}

qint64 TDBItemTree::WalkSubtree(qint64 id, const WalkProc &pre, const WalkProc &post, qint64 data)
{
    ResolveFields();
    if (!m_walkCursor) {
        m_walkCursor = std::make_unique<TableCursor>();
        m_walkCursor->CopySettingsFrom(*this);
        m_walkCursor->SetIndexFieldName(ItemIDFieldName);
        m_walkCursor->Open();
    }
    return WalkNode(id, pre, post, data, true, 0);
}

qint64 TDBItemTree::WalkNode(qint64 id, const WalkProc &pre, const WalkProc &post, qint64 &data,
                             bool includeSelf, int depth)
{
    // A cycle in the parent links would otherwise recurse without end.
    if (depth > kDepthLimit)
        throw EDatabaseError(TooManyLevels(id));
    TableCursor &walk = *m_walkCursor;
    qint64 count = 0;
    bool stop = false;
    const qint64 incoming = data;
    qint64 base = data;
    bool postDue = false;
    if (includeSelf) {
        if (!walk.Locate(id))
            throw EDatabaseError(QStringLiteral("Node ID = %1 not found.").arg(id));
        if (pre)
            pre(walk, data, stop);
        base = data;
        if (stop)
            return count;
        count = 1;
        postDue = true;
    }
    const QList<qint64> children = ChildSnapshot(id);
    for (qint64 child : children) {
        if (stop)
            break;
        if (!walk.Locate(child))
            continue;
        data = base;
        if (pre)
            pre(walk, data, stop);
        if (stop)
            break;
        count += WalkNode(ItemID(&walk), pre, post, data, false, depth + 1) + 1;
        if (post) {
            data = base;
            if (walk.HasRow() && ItemID(&walk) == child)
                post(walk, data, stop);
            else if (walk.Locate(child))
                post(walk, data, stop);
        }
    }
    if (postDue && post) {
        data = incoming;
        if ((walk.HasRow() && ItemID(&walk) == id) || walk.Locate(id))
            post(walk, data, stop);
    }
    return count;
}

void TDBItemTree::SetParentByID(qint64 id, qint64 newParentId)
{
    TableCursor *lookup = m_lookupCursor.get();
    if (!lookup->Locate(id))
        throw EDatabaseError(QStringLiteral("Could not locate Item ID = %1").arg(id));
    lookup->Edit();
    SetItemParent(lookup, newParentId);
    lookup->Post();
}

void TDBItemTree::MoveItem(qint64 sourceId, qint64 destinationId)
{
    if (sourceId == destinationId)
        return;
    if (IsAncestor(sourceId, destinationId))
        throw EDatabaseError(
            QStringLiteral("Destination Node can not be a child Node of the Source"));
    TableCursor *lookup = m_lookupCursor.get();
    if (!lookup->Locate(sourceId))
        return;
    const QString name = ItemName(lookup);
    const int cls = ItemClass(lookup);
    const qint64 namesake = FindChild(destinationId, name);
    // The source is its own namesake when it already lies under the
    // destination: there is nothing to move, and merging it into itself
    // would delete it.
    if (namesake == sourceId)
        return;
    if (namesake < 0 || cls == CatalogSchema::kCatalogFolderClass ||
        CatalogSchema::IsDiskCatalogClass(cls)) {
        SetParentByID(sourceId, destinationId);
        return;
    }
    const QList<qint64> children = ChildSnapshot(sourceId);
    CancelChildRange();
    for (qint64 child : children)
        MoveItem(child, namesake);
    if (m_mergeHook)
        m_mergeHook(sourceId, namesake);
    // Deleted through the lookup cursor so the component's own row stays put.
    if (lookup->Locate(sourceId))
        lookup->Delete();
}

qint64 TDBItemTree::CopyItem(qint64 id, qint64 newParentId)
{
    TableCursor source;
    source.CopySettingsFrom(*this);
    source.SetIndexFieldName(ItemIDFieldName);
    source.Open();
    if (!source.Locate(id))
        return -1;
    TableCursor *lookup = m_lookupCursor.get();
    const int idField = IdField();
    const int parentField = ParentField();
    lookup->Append();
    for (int field = 0; field < source.FieldNames().size(); ++field) {
        if (field != idField && field != parentField)
            lookup->SetValue(field, source.Value(field));
    }
    SetItemParent(lookup, newParentId);
    lookup->Post();
    return ItemID(lookup);
}

qint64 TDBItemTree::MirrorPath(qint64 id, qint64 oldRootId, qint64 newRootId)
{
    QList<qint64> chain;
    WalkUp(
        id, [&](TableCursor &cursor, bool &) { chain.append(ItemID(&cursor)); }, true);
    if (chain.isEmpty())
        return -1;
    for (qint64 &entry : chain) {
        if (entry == oldRootId)
            entry = newRootId;
    }
    qint64 current = chain.last();
    for (qsizetype i = chain.size() - 2; i >= 1; --i) {
        const QString name = GetNameByID(chain[i]);
        qint64 found = FindChild(current, name);
        if (found < 0)
            found = CopyItem(chain[i], current);
        current = found;
    }
    return current;
}
