#include "ui/ObjectDrag.h"

#include <QByteArrayList>
#include <QMimeData>
#include <QRandomGenerator>

const char *const kObjectDragFormat = "application/x-dirvanta-objects";

namespace {

// A random mark, new for each database, that another process cannot know.
QByteArray NewOrigin()
{
    return QByteArray::number(QRandomGenerator::system()->generate64(), 16);
}

QByteArray &Origin()
{
    static QByteArray origin = NewOrigin();
    return origin;
}

} // namespace

QMimeData *ObjectDragData(const QList<qint64> &ids)
{
    QByteArrayList words{Origin()};
    for (qint64 id : ids)
        words << QByteArray::number(id);
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(kObjectDragFormat), words.join(' '));
    return mime;
}

QList<qint64> DraggedObjects(const QMimeData *mime)
{
    QList<qint64> ids;
    if (!mime || !mime->hasFormat(QString::fromLatin1(kObjectDragFormat)))
        return ids;
    const QByteArrayList words = mime->data(QString::fromLatin1(kObjectDragFormat)).split(' ');
    if (words.constFirst() != Origin())
        return ids;
    for (qsizetype i = 1; i < words.size(); ++i) {
        bool ok = false;
        const qint64 id = words[i].toLongLong(&ok);
        if (ok)
            ids << id;
    }
    return ids;
}

void EndObjectDrags()
{
    Origin() = NewOrigin();
}
