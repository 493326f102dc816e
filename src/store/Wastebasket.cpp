#include "store/Wastebasket.h"

#include "platform/DayCount.h"
#include "store/ArchiveSetFiles.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/ObjectOperations.h"

#include <QSet>

namespace {

constexpr qint64 kWastebasketId = CatalogSchema::kWastebasketId;
// Objects with IDs up to this one are the fixed objects.
constexpr qint64 kLastFixedId = CatalogSchema::kWastebasketId;

const QString kDeletedField = QStringLiteral("Deleted");
const QString kModifiedField = QStringLiteral("Modified");

QString Quoted(const QString &text)
{
    return QStringLiteral("\"") + text + QStringLiteral("\"");
}

void DeleteRows(TDataShare &data, const QList<qint64> &ids)
{
    SqliteStatement &objects =
        data.CatalogDatabase.Prepare(QStringLiteral("DELETE FROM Catalogs WHERE ID = ?1"));
    for (qint64 id : ids) {
        objects.Bind(1, id).Execute();
        objects.Reset();
    }
    SqliteStatement &files =
        data.CatalogDatabase.Prepare(QStringLiteral("DELETE FROM Files WHERE ID = ?1"));
    for (qint64 id : ids) {
        UI().PumpMessages(1000);
        files.Bind(1, id).Execute();
        files.Reset();
    }
}

// Folders re-created by a restore are copies of folders in the Wastebasket,
// which may carry the time they were sent there; back in place they are not
// deleted.
void ClearDeletedUpTo(TDataShare &data, qint64 id, qint64 rootId)
{
    QList<qint64> chain;
    data.Catalogs.WalkUp(
        id, [&](TableCursor &cursor, bool &) { chain.append(data.Catalogs.ItemID(&cursor)); },
        true);
    for (qint64 step : chain) {
        if (step == rootId)
            break;
        TableCursor *row = data.Catalogs.LookupCursor();
        if (row->Locate(step) && row->FieldValue(kDeletedField).toDouble() != 0.0)
            WriteObjectDate(data, step, kDeletedField, 0.0);
    }
}

// The object that stands for an object's parent under another root, when
// the whole chain of folders exists there; -1 when a folder is missing.
qint64 ExistingMirrorParent(TDataShare &data, qint64 id, qint64 oldRootId, qint64 newRootId)
{
    QList<qint64> chain;
    data.Catalogs.WalkUp(
        id, [&](TableCursor &cursor, bool &) { chain.append(data.Catalogs.ItemID(&cursor)); },
        true);
    if (chain.isEmpty())
        return -1;
    qint64 current = chain.last() == oldRootId ? newRootId : chain.last();
    for (qsizetype i = chain.size() - 2; i >= 1 && current >= 0; --i) {
        current = chain[i] == oldRootId
                      ? newRootId
                      : data.Catalogs.FindChild(current, data.Catalogs.GetNameByID(chain[i]));
    }
    return current;
}

} // namespace

bool IsWastebasketPath(const QString &path)
{
    return path.left(11) == QLatin1String("Wastebasket");
}

DeleteQuestion BuildDeleteQuestion(TDataShare &data, const QList<qint64> &ids, bool shift)
{
    DeleteQuestion question;
    if (ids.isEmpty())
        return question;
    const qint64 first = ids.first();
    const int cls = ObjectClass(data, first);
    if (cls < 0)
        return question;
    const bool single = ids.size() == 1;
    const QString name = single ? data.Catalogs.GetNameByID(first) : QString::number(ids.size());
    question.permanent = IsWastebasketPath(data.Catalogs.PathByID(first, false)) || shift;
    const QString verb = question.permanent ? QStringLiteral("delete") : QStringLiteral("send");
    const QString suffix = question.permanent ? QString() : QStringLiteral("to the Wastebasket ");
    question.icon = question.permanent ? MessageIcon::Warning : MessageIcon::Question;
    const QString opening = QStringLiteral("Are you sure you wish to ") + verb;

    if (cls == CatalogSchema::kFullWastebasketClass) {
        question.ask = true;
        question.emptyWastebasket = true;
        question.permanent = true;
        question.icon = MessageIcon::Warning;
        question.caption = QStringLiteral("Confirm Multiple Object Deletions");
        question.text =
            QStringLiteral("Are you sure you wish to delete the contents of the Wastebasket ?");
    } else if (cls == CatalogSchema::kCatalogFolderClass || ObjectRules::GoesToArchives(cls)) {
        question.ask = true;
        if (single) {
            question.caption = QStringLiteral("Confirm Object Delete");
            question.text = opening + QStringLiteral(" the Object ") + Quoted(name) +
                            QStringLiteral(" and any Objects it contains ") + suffix +
                            QStringLiteral("?");
        } else {
            question.caption = QStringLiteral("Confirm Multiple Object Deletions");
            question.text =
                opening + QStringLiteral(" these ") + name + QStringLiteral(" Objects") +
                QStringLiteral(" and any Objects they contain ") + suffix + QStringLiteral("?");
        }
    } else if (ObjectRules::IsDiskCatalog(cls)) {
        question.ask = true;
        if (single) {
            question.caption = QStringLiteral("Confirm Disk Catalog Delete");
            question.text = opening + QStringLiteral(" the Disk Catalog ") + Quoted(name) +
                            QStringLiteral(" ") + suffix + QStringLiteral("?");
        } else {
            question.caption = QStringLiteral("Confirm Multiple Object Delete");
            question.text = opening + QStringLiteral(" these ") + name +
                            QStringLiteral(" Objects ") + suffix + QStringLiteral("?");
        }
    }
    return question;
}

bool DeleteObjects(TDataShare &data, const QList<qint64> &ids, bool shift)
{
    const DeleteQuestion question = BuildDeleteQuestion(data, ids, shift);
    if (!question.ask || !UI().AskYesNo(question.caption, question.text, question.icon))
        return false;
    if (question.emptyWastebasket) {
        UI().ShowProgress(kProgressEmptying);
        RunObjectJob(data, ObjectJob::EmptyWastebasket, {});
    } else if (question.permanent) {
        UI().ShowProgress(kProgressDeleting);
        RunObjectJob(data, ObjectJob::DeletePermanently, ids);
    } else {
        UI().ShowProgress(kProgressToWastebasket);
        RunObjectJob(data, ObjectJob::SendToWastebasket, ids);
    }
    return true;
}

void RunObjectJob(TDataShare &data, ObjectJob kind, const QList<qint64> &ids)
{
    UI().SetCancelled(false);
    if (kind == ObjectJob::EmptyWastebasket) {
        DeleteObjectPermanently(data, kWastebasketId);
        return;
    }
    for (qint64 id : ids) {
        // The fixed folders, volumes and folders of media are never deleted
        // on their own, whatever a caller collected.
        if (id > kLastFixedId && ObjectRules::MayBeDeleted(ObjectClass(data, id))) {
            if (kind == ObjectJob::SendToWastebasket)
                SendToWastebasket(data, id);
            else
                DeleteObjectPermanently(data, id);
        }
        if (UI().Cancelled())
            break;
    }
}

void SendToWastebasket(TDataShare &data, qint64 id)
{
    UI().PumpMessages(1000);
    const int cls = ObjectClass(data, id);
    if (cls < 0 || id <= kLastFixedId)
        return;
    const qint64 mirror =
        data.Catalogs.MirrorPath(id, ObjectRules::RootOfClass(cls), kWastebasketId);
    WriteObjectDate(data, id, kDeletedField, NowDayCount());
    // Two archive sets are two ZIP files: one never merges into another.
    const qint64 namesake = data.Catalogs.FindChild(mirror, data.Catalogs.GetNameByID(id));
    if (cls == CatalogSchema::kArchiveSetClass && namesake >= 0 && namesake != id)
        data.Catalogs.SetParentByID(id, mirror);
    else
        data.Catalogs.MoveItem(id, mirror);
    // Merged into a namesake already there: that folder now stands for the
    // one sent and keeps its mark.
    if (namesake >= 0 && namesake != id && ObjectClass(data, id) < 0)
        WriteObjectDate(data, namesake, kDeletedField, NowDayCount());
}

qint64 DeleteObjectPermanently(TDataShare &data, qint64 id)
{
    if (ObjectClass(data, id) < 0)
        return 0;
    // Collected first, parents before children, and deleted afterwards from
    // the last: the walk must not lose its way.
    QList<qint64> collected;
    data.Catalogs.WalkSubtree(
        id,
        [&](TableCursor &cursor, qint64 &, bool &) {
            const qint64 visited = data.Catalogs.ItemID(&cursor);
            if (visited > kLastFixedId)
                collected.append(visited);
            UI().PumpMessages(1000);
        },
        nullptr);
    // Children before parents. A set goes with its file; one whose volume is
    // not brought in stops the walk and the job, keeping its row and file,
    // the rows of its members (reached just before it) and those of every
    // object not yet reached.
    QList<qint64> children;
    for (auto it = collected.crbegin(); it != collected.crend(); ++it) {
        if (ObjectClass(data, *it) == CatalogSchema::kArchiveSetClass && data.SetFiles() &&
            !data.SetFiles()->PrepareSetDeletion(*it)) {
            while (!children.isEmpty() && data.Catalogs.IsAncestor(*it, children.last()))
                children.removeLast();
            UI().SetCancelled(true);
            break;
        }
        children.append(*it);
    }
    DeleteRows(data, children);
    return children.size();
}

bool RestoreObjects(TDataShare &data, const QList<qint64> &ids)
{
    for (qint64 id : ids) {
        if (!UI().ProgressVisible())
            UI().ShowProgress(kProgressRestoring);
        UI().PumpMessages(1000);
        const int cls = ObjectClass(data, id);
        if (cls < 0 || id <= kLastFixedId || !IsWastebasketPath(data.Catalogs.PathByID(id, false)))
            continue;
        const qint64 root = ObjectRules::RootOfClass(cls);
        // Asked before any folder is re-created, so that keeping the namesake
        // leaves no empty folders behind.
        const qint64 existing = ExistingMirrorParent(data, id, kWastebasketId, root);
        const qint64 namesake =
            existing < 0 ? -1 : data.Catalogs.FindChild(existing, data.Catalogs.GetNameByID(id));
        const bool replace = namesake >= 0 && namesake != id;
        if (replace &&
            !UI().AskReplaceObject(DescribeObject(data, namesake), DescribeObject(data, id)))
            return false;
        const qint64 parent = data.Catalogs.MirrorPath(id, kWastebasketId, root);
        ClearDeletedUpTo(data, parent, root);
        WriteObjectDate(data, id, kDeletedField, 0.0);
        WriteObjectDate(data, id, kModifiedField, NowDayCount());
        if (replace) {
            // Back in place before the namesake leaves, so that the namesake
            // cannot merge into it in the Wastebasket.
            data.Catalogs.SetParentByID(id, parent);
            SendToWastebasket(data, namesake);
        } else {
            data.Catalogs.MoveItem(id, parent);
        }
    }
    return true;
}

void TidyWastebasket(TDataShare &data)
{
    // A folder the user sent carries the time it was sent (Deleted) and waits
    // for the emptying; the folders made to repeat a path carry none.
    QList<qint64> folders;
    data.Catalogs.WalkSubtree(
        kWastebasketId,
        [&](TableCursor &cursor, qint64 &, bool &) {
            const int cls = data.Catalogs.ItemClass(&cursor);
            if ((cls == CatalogSchema::kCatalogFolderClass ||
                 cls == CatalogSchema::kArchiveFolderClass) &&
                cursor.FieldValue(kDeletedField).toDouble() == 0.0)
                folders.append(data.Catalogs.ItemID(&cursor));
        },
        nullptr);
    SqliteStatement &remove =
        data.CatalogDatabase.Prepare(QStringLiteral("DELETE FROM Catalogs WHERE ID = ?1"));
    for (qsizetype i = folders.size() - 1; i >= 0; --i) {
        if (data.Catalogs.HasChildren(folders[i]))
            continue;
        remove.Bind(1, folders[i]).Execute();
        remove.Reset();
    }
    const qint64 visited = data.Catalogs.WalkSubtree(kWastebasketId, nullptr, nullptr);
    SqliteStatement &setClass = data.CatalogDatabase.Prepare(
        QStringLiteral("UPDATE Catalogs SET Class = ?1 WHERE ID = ?2"));
    setClass
        .Bind(1, visited > 1 ? CatalogSchema::kFullWastebasketClass
                             : CatalogSchema::kEmptyWastebasketClass)
        .Bind(2, kWastebasketId)
        .Execute();
    setClass.Reset();
}
