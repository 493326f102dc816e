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
    TerminalUserInterface::CatchInterrupt();
    CliApplication cli(out, err, in, TerminalUserInterface::StandardStreamsAreTerminal());
    cli.SetProgressTerminal(TerminalUserInterface::ErrorStreamIsTerminal());
    const int result = cli.Run(QCoreApplication::arguments().mid(1));
    return TerminalUserInterface::Interrupted() ? CliApplication::kInterrupted : result;
}
