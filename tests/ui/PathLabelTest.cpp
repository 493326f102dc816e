#include "ui/PathLabel.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

TEST(ElidePathTest, KeepsTheFirstSegmentAndAsMuchOfTheEndAsFits)
{
    const QString path = QStringLiteral("Catalogs\\Work\\2026\\Disk 1\\Photos");
    const auto within = [](int width) {
        return [width](const QString &text) { return text.size() <= width; };
    };
    EXPECT_EQ(ElidePath(path, within(100)), path);
    EXPECT_EQ(ElidePath(path, within(31)), QStringLiteral("Catalogs\\...\\2026\\Disk 1\\Photos"));
    EXPECT_EQ(ElidePath(path, within(26)), QStringLiteral("Catalogs\\...\\Disk 1\\Photos"));
    EXPECT_EQ(ElidePath(path, within(19)), QStringLiteral("Catalogs\\...\\Photos"));
    EXPECT_EQ(ElidePath(path, within(10)), QStringLiteral("Photos"));
    EXPECT_EQ(ElidePath(QStringLiteral("Catalogs\\Photos"), within(5)), QStringLiteral("Photos"));
}
