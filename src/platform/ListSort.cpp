#include "platform/ListSort.h"

#include <algorithm>
#include <numeric>

int SortKeyColumn(int mode, int column)
{
    switch (mode) {
    case kSortMainView:
    case kSortFindList:
        if (column == 1)
            return 5;
        if (column == 3)
            return 6;
        return column;
    case kSortWastebasketView:
        if (column == 2)
            return 6;
        if (column == 4)
            return 7;
        return column;
    case kSortPropertiesList:
        return column == 4 ? 5 : column;
    case kSortDuplicateKey:
        return 7;
    default:
        return column;
    }
}

QString ListSortKey(const ListEntry &entry, int keyColumn)
{
    QString text;
    if (keyColumn == 0)
        text = entry.caption;
    else if (keyColumn > 0 && keyColumn - 1 < entry.subItems.size())
        text = entry.subItems.at(keyColumn - 1);
    using namespace CatalogSchema;
    switch (entry.imageIndex) {
    case kCatalogsFolderClass:
    case kEmptyWastebasketClass:
    case kFullWastebasketClass:
    case kArchivesClass:
        return QStringLiteral("     ") + text.toUpper();
    case kFileFolderClass:
    case kPackagedFolderClass:
        return QStringLiteral("   ") + text.toUpper();
    default:
        return text.toUpper();
    }
}

namespace {

// Whether a key holds only blanks, points and digits: the size and date keys
// with their prefixes. These order by their code points in the locale's
// collation too (blank before point before digits), so they are compared
// directly: many times faster, and right even under a collation that would
// skip blanks and points and so lose the fixed width that makes text order
// numeric order.
bool IsNumericKey(const QString &key)
{
    for (const QChar c : key) {
        if (c != u' ' && c != u'.' && (c < u'0' || c > u'9'))
            return false;
    }
    return true;
}

int CompareKeys(const QString &a, bool aNumeric, const QString &b, bool bNumeric, bool ascending)
{
    const int result = aNumeric && bNumeric ? a.compare(b) : QString::localeAwareCompare(a, b);
    return ascending ? result : -result;
}

} // namespace

int CompareListKeys(const QString &a, const QString &b, bool ascending)
{
    return CompareKeys(a, IsNumericKey(a), b, IsNumericKey(b), ascending);
}

bool TiesFallBackToName(int mode, int keyColumn)
{
    return keyColumn != 0 && mode != kSortFindList && mode != kSortDuplicateKey;
}

int CompareListItems(const ListEntry &a, const ListEntry &b, int mode, int column, bool ascending)
{
    if (mode == kSortDuplicateKey)
        ascending = true;
    const int keyColumn = SortKeyColumn(mode, column);
    const int result =
        CompareListKeys(ListSortKey(a, keyColumn), ListSortKey(b, keyColumn), ascending);
    if (result != 0 || !TiesFallBackToName(mode, keyColumn))
        return result;
    return CompareListKeys(ListSortKey(a, 0), ListSortKey(b, 0), ascending);
}

QList<qsizetype> SortedListOrder(const QList<ListEntry> &entries, int mode, int column,
                                 bool ascending)
{
    if (mode == kSortDuplicateKey)
        ascending = true;
    const int keyColumn = SortKeyColumn(mode, column);
    const bool byName = TiesFallBackToName(mode, keyColumn);
    QStringList keys;
    QStringList names;
    QList<bool> numeric;
    keys.reserve(entries.size());
    numeric.reserve(entries.size());
    for (const ListEntry &entry : entries) {
        keys.append(ListSortKey(entry, keyColumn));
        numeric.append(IsNumericKey(keys.last()));
        if (byName)
            names.append(ListSortKey(entry, 0));
    }
    QList<qsizetype> order(entries.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        int result = CompareKeys(keys.at(a), numeric.at(a), keys.at(b), numeric.at(b), ascending);
        if (result == 0 && byName)
            result = CompareListKeys(names.at(a), names.at(b), ascending);
        return result < 0;
    });
    return order;
}
