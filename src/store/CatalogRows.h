#pragma once

#include <QString>

#include <span>

class TDataShare;
class TableCursor;

// A blank date-time: the field is left empty (NULL).
constexpr double kBlankDateTime = -1.0e300;

// Appends one row to a cursor on the Catalogs table and posts it. A negative
// parent or class leaves that field blank, an empty name leaves Name blank,
// the serial text is stored upper-cased and Deleted is 0. Returns the new ID.
qint64 AppendCatalogRow(TableCursor &table, const QString &name, const QString &source,
                        qint64 parent, int cls, bool nameHidden, double created, double modified,
                        const QString &comment, const QString &serialText, qint64 size,
                        qint64 volumeSize);

// The five fixed objects every database holds, IDs 1 to 5 in this order.
struct FixedObject
{
    qint64 id;
    const char *name;
    qint64 parent;
    int cls;
    qint64 size;
};
std::span<const FixedObject> FixedObjects();

// Appends the fixed objects to a new database.
void AppendFixedObjects(TableCursor &catalogs);

// Row accessors. Look-ups that find nothing return the empty value and raise
// nothing; none of them moves a cursor that a caller stands on.
QString GetObjectName(TDataShare &data, qint64 id);
QString GetObjectComment(TDataShare &data, qint64 id);
QString GetFileComment(TDataShare &data, qint64 key);
QString GetObjectPath(TDataShare &data, qint64 id);
QString GetFileFolderPath(TDataShare &data, qint64 key);
double GetObjectModified(TDataShare &data, qint64 id);
void SetCatalogSize(TDataShare &data, qint64 id, qint64 size);
qint64 GetObjectSize(TDataShare &data, qint64 id);
bool GetFilePackaged(TDataShare &data, qint64 key);
qint64 GetFileOwner(TDataShare &data, qint64 key);
// What a database holds: its objects, its files and the bytes of those files.
struct DatabaseTotals
{
    qint64 objects = 0;
    qint64 files = 0;
    qint64 bytes = 0;
};
DatabaseTotals CountDatabaseTotals(TDataShare &data);
// The object and every object and file below it: the records an export of it holds.
qint64 CountSubtreeEntries(TDataShare &data, qint64 id);

// The display name of an object class code.
QString GetClassName(int cls);
