#include "support/TestEnvironment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    PrepareTestEnvironment();
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    WatchEnvironmentLeaks();
    const int failed = RUN_ALL_TESTS();
    return failed != 0 || EnvironmentLeaked() ? 1 : 0;
}
