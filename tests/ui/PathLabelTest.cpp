#include "ui/PathLabel.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ElidePathTest, KeepsTheFirstSegmentAndAsMuchOfTheEndAsFits)
{
    const QString path = u"Catalogs\\Work\\2026\\Disk 1\\Photos"_s;
    const auto within = [](int width) {
        return [width](const QString &text) { return text.size() <= width; };
    };
    EXPECT_EQ(ElidePath(path, within(100)), path);
    EXPECT_EQ(ElidePath(path, within(31)), u"Catalogs\\...\\2026\\Disk 1\\Photos"_s);
    EXPECT_EQ(ElidePath(path, within(26)), u"Catalogs\\...\\Disk 1\\Photos"_s);
    EXPECT_EQ(ElidePath(path, within(19)), u"Catalogs\\...\\Photos"_s);
    EXPECT_EQ(ElidePath(path, within(10)), u"Photos"_s);
    EXPECT_EQ(ElidePath(u"Catalogs\\Photos"_s, within(5)), u"Photos"_s);
}
