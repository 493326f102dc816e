#include "app/cli/CliApplication.h"
#include "app/cli/TerminalUserInterface.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dirvanta-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    CliApplication cli(out, err, in, TerminalUserInterface::StandardStreamsAreTerminal());
    return cli.Run(QCoreApplication::arguments().mid(1));
}
