#include "support/TestEnvironment.h"
#include "ui/GuardedApplication.h"

int main(int argc, char **argv)
{
    // ctest lists the cases by running this program without the test
    // environment, so the platform is set here as well.
    PrepareTestEnvironment();
    // As in the program: a failure that reaches the event loop is reported
    // (and fails the test as an unexpected box) rather than ending the run.
    GuardedApplication app(argc, argv);
    return RunAllTests(argc, argv);
}
