#include "platform/ListSort.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// An entry of the main view: sub-items Size, Type, Modified, Comment, size
// key, date key.
ListEntry Entry(const char *caption, int image, const char *sizeKey = "", const char *type = "")
{
    return ListEntry{QString::fromUtf8(caption), 0, image,
                     QStringList{QString(), QString::fromUtf8(type), QString(), QString(),
                                 QString::fromUtf8(sizeKey), QString()}};
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

TEST(ListSortTest, ColumnsMapToTheirSortKeysPerMode)
{
    // mode, column, the column of its sort key
    const std::tuple<int, int, int> rows[] = {
        {kSortMainView, 0, 0},        {kSortMainView, 1, 5},        {kSortMainView, 2, 2},
        {kSortMainView, 3, 6},        {kSortMainView, 4, 4},        {kSortWastebasketView, 1, 1},
        {kSortWastebasketView, 2, 6}, {kSortWastebasketView, 3, 3}, {kSortWastebasketView, 4, 7},
        {kSortFindList, 1, 5},        {kSortFindList, 3, 6},        {kSortFindList, 4, 4},
        {kSortPropertiesList, 1, 1},  {kSortPropertiesList, 4, 5},  {kSortDuplicateKey, 0, 7},
        {kSortDuplicateKey, 3, 7}};
    for (const auto &[mode, column, keyColumn] : rows)
        EXPECT_EQ(SortKeyColumn(mode, column), keyColumn)
            << "mode " << mode << " column " << column;
}

TEST(ListSortTest, ContainersComeFirstAndCaseIsIgnored)
{
    // Two entries and the sign of their comparison in ascending order.
    const std::tuple<ListEntry, ListEntry, int> rows[] = {
        // Fixed folders before everything, even with later names.
        {Entry("Wastebasket", 8), Entry("Alpha", 7), -1},
        {Entry("Catalogs", 1), Entry("archives", 10), 1},
        {Entry("Wastebasket", 9), Entry("0.txt", 32), -1},
        // Folders on media and in packages before files and disk catalogs.
        {Entry("zeta", 7), Entry("alpha.txt", 32), -1},
        {Entry("zeta", 24), Entry("Alpha", 4), -1},
        {Entry("zeta", 7), Entry("ALPHA", 24), 1},
        // User folders and disk catalogs have no prefix.
        {Entry("Beta", 2), Entry("alpha", 4), 1},
        {Entry("readme.TXT", 32), Entry("README.txt", 32), 0}};
    for (const auto &[a, b, ascending] : rows) {
        SCOPED_TRACE(a.caption.toStdString() + " vs " + b.caption.toStdString());
        EXPECT_EQ(Sign(CompareListItems(a, b, kSortMainView, 0, true)), ascending);
        EXPECT_EQ(Sign(CompareListItems(a, b, kSortMainView, 0, false)), -ascending);
    }
}

TEST(ListSortTest, SizeColumnComparesTheHiddenKilobyteKey)
{
    const ListEntry small = Entry("b", 32, "        0.000000");
    const ListEntry alsoSmall = Entry("a", 32, "        0.000000");
    const ListEntry larger = Entry("a", 32, "       10.000000");
    const ListEntry medium = Entry("z", 32, "        9.000000");
    // Equal keys fall back to the names, except in the Find window's lists.
    EXPECT_GT(CompareListItems(small, alsoSmall, kSortMainView, 1, true), 0);
    EXPECT_LT(CompareListItems(small, alsoSmall, kSortMainView, 1, false), 0);
    EXPECT_EQ(CompareListItems(small, alsoSmall, kSortFindList, 1, true), 0);
    EXPECT_LT(CompareListItems(medium, larger, kSortMainView, 1, true), 0);
    EXPECT_GT(CompareListItems(medium, larger, kSortMainView, 1, false), 0);
    // The duplicate-key mode always sorts ascending by column 7.
    ListEntry keyed = small;
    keyed.subItems << u"B"_s;
    ListEntry earlier = larger;
    earlier.subItems << u"A"_s;
    EXPECT_GT(CompareListItems(keyed, earlier, kSortDuplicateKey, 0, false), 0);
}

TEST(ListSortTest, SortedOrderBreaksTiesByNameInBothDirections)
{
    const QList<ListEntry> entries = {
        Entry("b.txt", 32, "        0.000000"),   Entry("Docs", 7, "        0.000000"),
        Entry("a.txt", 32, "        0.000000"),   Entry("c.txt", 32, "        5.000000"),
        Entry("Catalogs", 1, "        0.000000"),
    };
    EXPECT_EQ(SortedListOrder(entries, kSortMainView, 0, true), (QList<qsizetype>{4, 1, 2, 0, 3}));
    EXPECT_EQ(SortedListOrder(entries, kSortMainView, 0, false), (QList<qsizetype>{3, 0, 2, 1, 4}));
    // Equal sizes order by name; descending reverses the whole list.
    EXPECT_EQ(SortedListOrder(entries, kSortMainView, 1, true), (QList<qsizetype>{4, 1, 2, 0, 3}));
    EXPECT_EQ(SortedListOrder(entries, kSortMainView, 1, false), (QList<qsizetype>{3, 0, 2, 1, 4}));
    // The Find window's list keeps the order in which equal entries came.
    EXPECT_EQ(SortedListOrder(entries, kSortFindList, 1, true), (QList<qsizetype>{4, 1, 0, 2, 3}));
    // A column past the sub-items compares empty keys: only the prefixes
    // count, and a bare empty key sorts before a prefix of blanks.
    EXPECT_EQ(SortedListOrder(entries, kSortMainView, 9, true), (QList<qsizetype>{2, 0, 3, 1, 4}));
}

} // namespace
