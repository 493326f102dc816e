#pragma once

#include <QList>
#include <QtGlobal>

class QMimeData;

// What a drag of catalog objects carries between the tree and the list: the
// IDs of the dragged objects, in order (the drag list).
extern const char *const kObjectDragFormat;

// New drag data for the objects; the caller (a QDrag) takes it.
QMimeData *ObjectDragData(const QList<qint64> &ids);
// The objects a drag carries; empty for anything else.
QList<qint64> DraggedObjects(const QMimeData *mime);
