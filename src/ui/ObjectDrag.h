#pragma once

#include <QList>
#include <QtGlobal>

class QMimeData;

// What a drag of catalog objects carries between the tree and the list: a
// mark of the program and database it began in, then the IDs of the dragged
// objects, in order (the drag list).
extern const char *const kObjectDragFormat;

// New drag data for the objects; the caller (a QDrag) takes it.
QMimeData *ObjectDragData(const QList<qint64> &ids);
// The objects a drag carries when it began in this program on the database
// now open; empty for anything else, also data of the same format from
// another process.
QList<qint64> DraggedObjects(const QMimeData *mime);
// Ends every drag made so far: called when the database changes, so that a
// drop never moves objects by the IDs of another database.
void EndObjectDrags();
