#pragma once

#include "app/cli/CliApplication.h"

#include <QStringList>
#include <QTextStream>

// What one run of the command-line tool gave.
struct CliResult
{
    int exitCode;
    QString out;
    QString err;
};

// Runs the tool in-process with its streams swapped for buffers, as a
// program without a terminal.
inline CliResult RunCli(const QStringList &arguments, const QString &input = QString())
{
    QString out;
    QString err;
    QString in = input;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    QTextStream inStream(&in);
    CliApplication cli(outStream, errStream, inStream, false);
    const int code = cli.Run(arguments);
    return {code, out, err};
}
