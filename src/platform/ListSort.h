#pragma once

#include "platform/ObjectClass.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Image indexes from this one up are files; below it are object class codes.
constexpr int kFirstFileImage = CatalogSchema::kFirstFileClass;

// One line of a list of objects and files: the main list, the Find list, the
// Properties lists.
struct ListEntry
{
    QString caption;      // the object's or file's name
    qint64 data = 0;      // an object's ID, or a file's Key
    int imageIndex = 0;   // the class code of an object, the file icon index of a file
    QStringList subItems; // the columns after the first, then the hidden sort keys

    bool IsFile() const { return imageIndex >= kFirstFileImage; }
};

// Which list a comparison is for; it decides how a column maps to the text
// that is compared.
enum ListSortMode
{
    kSortMainView = 0,        // Size sorts by column 5, Modified by column 6
    kSortWastebasketView = 1, // Date Deleted sorts by column 6, Size by column 7
    kSortFindList = 2,        // as the main view
    kSortPropertiesList = 3,  // column 4 sorts by column 5
    kSortDuplicateKey = 4     // always column 7, ascending
};

// The column whose text a mode compares when the list is sorted by a column.
int SortKeyColumn(int mode, int column);

// The text an entry is compared by for a key column: the caption for column 0,
// else sub-item column - 1 (empty when missing), upper-cased, behind a prefix
// that puts containers first: five blanks for the fixed folders (image 1, 8, 9,
// 10), three for folders on media and in packages (7, 24).
QString ListSortKey(const ListEntry &entry, int keyColumn);

// Compares two keys made by ListSortKey the way the locale's collation does
// (size and date keys by their characters); negative when a comes first in
// the given order.
int CompareListKeys(const QString &a, const QString &b, bool ascending);

// Whether entries with equal keys in a column are ordered by their names, in
// the same direction. The Find window's lists keep the order of the search.
bool TiesFallBackToName(int mode, int keyColumn);

// The one comparison of every list of the program: negative when a sorts
// before b in a list of the given mode sorted by column in the given order.
int CompareListItems(const ListEntry &a, const ListEntry &b, int mode, int column, bool ascending);

// The order of a list's rows after sorting: the row numbers of the entries
// from first to last. Entries that compare equal keep their order. The same
// result as sorting with CompareListItems, with every key made once.
QList<qsizetype> SortedListOrder(const QList<ListEntry> &entries, int mode, int column,
                                 bool ascending);
