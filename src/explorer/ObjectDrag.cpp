#include "explorer/ObjectDrag.h"

#include <QByteArrayList>
#include <QMimeData>

const char *const kObjectDragFormat = "application/x-dirvanta-objects";

QMimeData *ObjectDragData(const QList<qint64> &ids)
{
    QByteArrayList numbers;
    for (qint64 id : ids)
        numbers << QByteArray::number(id);
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(kObjectDragFormat), numbers.join(' '));
    return mime;
}

QList<qint64> DraggedObjects(const QMimeData *mime)
{
    QList<qint64> ids;
    if (!mime || !mime->hasFormat(QString::fromLatin1(kObjectDragFormat)))
        return ids;
    for (const QByteArray &number : mime->data(QString::fromLatin1(kObjectDragFormat)).split(' ')) {
        bool ok = false;
        const qint64 id = number.toLongLong(&ok);
        if (ok)
            ids << id;
    }
    return ids;
}
