#include "support/TestEnvironment.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    PrepareTestEnvironment();
    QCoreApplication app(argc, argv);
    return RunAllTests(argc, argv);
}
