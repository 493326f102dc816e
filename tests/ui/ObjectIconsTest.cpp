#include "ui/ObjectIcons.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

namespace {

QImage Picture(int index, int size)
{
    return ObjectPixmap(index, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

// No two indexes share a picture even at sixteen pixels: the eleven fill
// levels of the archive volumes and the empty and full wastebasket must be
// told apart in a small tree.
TEST(ObjectIconsTest, EveryClassAndFileIndexHasItsOwnPictureInBothSizes)
{
    // The indexes that have a picture of their own: classes 0..26, files 31..41.
    std::vector<int> indexes;
    std::vector<QImage> small;
    for (int index = 0; index < kObjectIconCount; ++index) {
        if (index > 26 && index < 31)
            continue;
        indexes.push_back(index);
        for (int size : {16, 32}) {
            const QImage image = Picture(index, size);
            ASSERT_EQ(image.size(), QSize(size, size)) << "index " << index << " at " << size;
            bool drawn = false;
            for (int y = 0; y < size && !drawn; ++y)
                for (int x = 0; x < size && !drawn; ++x)
                    drawn = qAlpha(image.pixel(x, y)) > 0;
            EXPECT_TRUE(drawn) << "index " << index << " at " << size << " is blank";
        }
        small.push_back(Picture(index, 16));
    }
    for (size_t a = 0; a < small.size(); ++a)
        for (size_t b = a + 1; b < small.size(); ++b)
            EXPECT_NE(small[a], small[b]) << "indexes " << indexes[a] << " and " << indexes[b];
}

TEST(ObjectIconsTest, UnknownIndexesShowTheGenericFile)
{
    const QImage generic = Picture(kGenericFileIcon, 32);
    for (int index : {-1, 27, 30, 42, 1000})
        EXPECT_EQ(Picture(index, 32), generic) << "index " << index;
}
