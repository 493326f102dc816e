#include "support/TestEnvironment.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // ctest lists the cases by running this program without the test
    // environment, so the platform is set here as well.
    PrepareTestEnvironment();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
