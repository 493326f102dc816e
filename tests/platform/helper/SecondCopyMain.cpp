#include "platform/SingleInstance.h"

#include <QCoreApplication>

// Runs the single-copy check of the program's start with this process's
// command line. The server name suffix of the test that started it comes
// from the environment, as do the settings folders.
// Exit codes: 0 another copy took the request, 3 this copy became the first.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SingleInstance::SetServerNameSuffix(qEnvironmentVariable("DIRVANTA_TEST_INSTANCE_SUFFIX"));
    SingleInstance instance;
    return instance.ForwardRequest(QCoreApplication::arguments().mid(1)) ? 0 : 3;
}
