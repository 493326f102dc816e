#pragma once

#include "platform/ListSort.h"
#include "store/CatalogContents.h"

#include <QList>
#include <QStringList>

class TDataShare;

// What the catalog list shows, read from the database: the entries of a node
// in the main view and of the wastebasket in the wastebasket view, with the
// texts of their columns and the hidden sort keys after them.

// The main view's headers; the sub-items of an entry are "Size", "Type",
// "Modified", "Comment", then the size key (column 5) and the date key (6).
QStringList MainViewColumns();
// The wastebasket view's headers; the sub-items are "Original Location",
// "Date Deleted", "Type", "Size", "Comment", then the date-deleted key
// (column 6) and the size key (7).
QStringList WastebasketViewColumns();
// The column whose texts are right-aligned, in each view.
constexpr int kMainViewSizeColumn = 1;
constexpr int kWastebasketViewSizeColumn = 4;

// Appends the child objects of a node (for an archive volume: the archive sets
// stored on it) and then the node's files, in stored order. Returns the sum of
// their sizes.
qint64 ReadMainViewEntries(TDataShare &data, qint64 nodeId, QList<ListEntry> &entries);

// Appends every disk catalog and archive set at any depth below the
// wastebasket, with the place each was deleted from.
void ReadWastebasketEntries(TDataShare &data, QList<ListEntry> &entries);
