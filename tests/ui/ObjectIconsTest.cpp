#include "ui/ObjectIcons.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

namespace {

QImage Picture(int index, int size)
{
    return ObjectPixmap(index, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The indexes that have a picture of their own: classes 0..26, files 31..41.
std::vector<int> DrawnIndexes()
{
    std::vector<int> indexes;
    for (int index = 0; index < kObjectIconCount; ++index) {
        if (index < 27 || index > 30)
            indexes.push_back(index);
    }
    return indexes;
}

} // namespace

TEST(ObjectIconsTest, EveryClassAndFileIndexHasBothSizes)
{
    for (int index : DrawnIndexes()) {
        for (int size : {16, 32}) {
            const QImage image = Picture(index, size);
            ASSERT_EQ(image.size(), QSize(size, size)) << "index " << index << " at " << size;
            bool drawn = false;
            for (int y = 0; y < size && !drawn; ++y)
                for (int x = 0; x < size && !drawn; ++x)
                    drawn = qAlpha(image.pixel(x, y)) > 0;
            EXPECT_TRUE(drawn) << "index " << index << " at " << size << " is blank";
        }
    }
}

TEST(ObjectIconsTest, NoTwoIndexesShareAPictureEvenAtSixteenPixels)
{
    // Covers the eleven fill levels of the archive volumes and the empty and
    // full wastebasket, which must be told apart in a small tree.
    const std::vector<int> indexes = DrawnIndexes();
    for (size_t a = 0; a < indexes.size(); ++a) {
        for (size_t b = a + 1; b < indexes.size(); ++b) {
            EXPECT_NE(Picture(indexes[a], 16), Picture(indexes[b], 16))
                << "indexes " << indexes[a] << " and " << indexes[b];
        }
    }
}

TEST(ObjectIconsTest, UnknownIndexesShowTheGenericFile)
{
    const QImage generic = Picture(kGenericFileIcon, 32);
    for (int index : {-1, 27, 30, 42, 1000})
        EXPECT_EQ(Picture(index, 32), generic) << "index " << index;
}
