#pragma once

#include <QString>

#include <functional>
#include <optional>

class TDataShare;

// One entry of what an object holds, as stored: a child object or a file.
struct ContentRow
{
    bool file = false;
    qint64 number = 0; // an object's ID, a file's Key
    int cls = -1;      // an object's class (-1 when blank), a file's attribute bits
    QString name;
    qint64 size = 0;
    std::optional<double> modified;
    QString comment;
};

// Visits what the main list shows for an object: its child objects (for an
// archive volume, the archive sets stored on it) in ID order, then its files
// in key order.
void ReadCatalogContents(TDataShare &data, qint64 id,
                         const std::function<void(const ContentRow &)> &visit);

// Folders and fixed objects, whose Size means nothing to the user.
bool ClassShowsNoSize(int cls);
// A comment on one line: line breaks become blanks.
QString OneLineComment(const QString &comment);
