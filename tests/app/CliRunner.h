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

using namespace Qt::StringLiterals;

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

// Runs the tool on the database in the folder.
inline CliResult RunCliOn(const QString &folder, const QStringList &arguments)
{
    return RunCli(QStringList{u"--db"_s, folder} + arguments);
}

// A run that succeeded (exit code 0).
inline testing::AssertionResult Succeeded(const CliResult &result)
{
    if (result.exitCode == 0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "exit code " << result.exitCode << ", errors:\n"
                                       << result.err.toStdString();
}

// A run that failed (exit code 1) and said why on the error stream.
inline testing::AssertionResult FailedWith(const CliResult &result, const QString &reason)
{
    if (result.exitCode == 1 && result.err.contains(reason))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "exit code " << result.exitCode << ", errors:\n"
                                       << result.err.toStdString();
}

// What a run wrote, or why it failed.
inline QString OutputOf(const CliResult &result)
{
    return result.exitCode == 0 ? result.out
                                : u"exit code %1: %2"_s.arg(result.exitCode).arg(result.err);
}

// The first column of each line of a text listing.
inline QStringList FirstColumns(const QString &listing)
{
    QStringList names;
    for (const QString &line : listing.split(u'\n', Qt::SkipEmptyParts))
        names << line.section(u'\t', 0, 0);
    return names;
}

// Adds a Files row as a scan would and returns its key.
inline qint64 AddCliFile(TDataShare &data, qint64 owner, const QString &name, qint64 size,
                         double modified = 0, const QString &comment = {}, int attributes = 32)
{
    data.CatalogDatabase
        .Prepare(u"INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, "
                 "Created, Modified) VALUES (?1, ?2, ?3, ?4, 0, ?5, ?6, ?6)"_s)
        .Bind(1, owner)
        .Bind(2, attributes)
        .Bind(3, size)
        .Bind(4, name)
        .Bind(5, comment)
        .Bind(6, modified)
        .Execute();
    return data.CatalogDatabase.LastInsertId();
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
