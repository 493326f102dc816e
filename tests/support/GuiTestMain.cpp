#include "support/TestEnvironment.h"
#include "ui/GuardedApplication.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // ctest lists the cases by running this program without the test
    // environment, so the platform is set here as well.
    PrepareTestEnvironment();
    // As in the program: a failure that reaches the event loop is reported
    // (and fails the test as an unexpected box) rather than ending the run.
    GuardedApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    WatchEnvironmentLeaks();
    const int failed = RUN_ALL_TESTS();
    return failed != 0 || EnvironmentLeaked() ? 1 : 0;
}
