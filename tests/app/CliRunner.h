#pragma once

#include "app/cli/CliApplication.h"
#include "store/DataShare.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QStringList>
#include <QTextStream>

#include <gtest/gtest.h>

#include <functional>

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

// Makes a catalog database in the folder and fills it in one transaction;
// it is closed again before the tool opens it.
inline void MakeCliDatabase(const QString &folder, const std::function<void(TDataShare &)> &fill)
{
    ScriptedUserInterface ui;
    TDataShare data;
    ASSERT_TRUE(OpenFreshDatabase(data, folder));
    QString failure;
    ASSERT_TRUE(data.RunInTransaction([&] { fill(data); }, &failure)) << failure.toStdString();
}
