#pragma once

#include "platform/UserInterface.h"

#include <QList>
#include <QString>
#include <QtGlobal>

class TDataShare;

// The progress window operations of the object jobs.
enum ObjectProgress
{
    kProgressDeleting = 1,      // "Deleting Object..."
    kProgressEmptying = 2,      // "Emptying Wastebasket..."
    kProgressToWastebasket = 3, // "Moving Object to Wastebasket..."
    kProgressMoving = 4,        // "Moving Object..."
    kProgressRestoring = 5      // "Restoring Object..."
};

// The kinds of RunObjectJob.
enum class ObjectJob
{
    DeletePermanently = 1,
    EmptyWastebasket = 2,
    SendToWastebasket = 3
};

// The question a delete command asks for its list of objects.
struct DeleteQuestion
{
    bool ask = false;              // false: no question and no action
    bool emptyWastebasket = false; // the Wastebasket holding objects is to be emptied
    bool permanent = false;        // deleted for good rather than sent to the Wastebasket
    QString caption;
    QString text;
    MessageIcon icon = MessageIcon::Question;
};

// Whether a catalog path lies in the Wastebasket (its first 11 characters,
// exact case).
bool IsWastebasketPath(const QString &path);

// The question for deleting these objects: decided by the first object's
// path (inside the Wastebasket everything goes for good) and class, with
// Shift held down deleting for good.
DeleteQuestion BuildDeleteQuestion(TDataShare &data, const QList<qint64> &ids, bool shift);

// The delete command: asks the question and runs the job with its progress
// window (closed by the caller). Returns whether the user confirmed.
bool DeleteObjects(TDataShare &data, const QList<qint64> &ids, bool shift);

// Runs a job on objects in order; the loop stops when the cancel flag is set
// after an object. Kind 2 empties the Wastebasket and takes no IDs.
void RunObjectJob(TDataShare &data, ObjectJob kind, const QList<qint64> &ids);

// Sends one object to the Wastebasket: the folders between its root and it
// are repeated below the Wastebasket, Deleted is stamped and it moves there.
void SendToWastebasket(TDataShare &data, qint64 id);

// Deletes an object, every object below it and all their files for good;
// the five fixed objects are never deleted (for the Wastebasket only its
// contents go). An archive set's ZIP file goes too, once the deletion is
// committed; a set whose volume is not brought in stops the deletion there
// and sets the cancel flag. Returns the number of objects deleted.
qint64 DeleteObjectPermanently(TDataShare &data, qint64 id);

// Restores objects of the Wastebasket in order to the place they were
// deleted from, re-creating missing folders. A namesake there asks the
// Replace question; keeping it stops the restore (what was restored
// stays). Returns whether every object was restored.
bool RestoreObjects(TDataShare &data, const QList<qint64> &ids);

// Removes empty catalog and archive folders below the Wastebasket and sets
// its class: 9 while it holds objects, else 8.
void TidyWastebasket(TDataShare &data);
