#pragma once

#include "app/cli/CliApplication.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"
#include "store/StoreFixture.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
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
    return InsertFileRow(data, owner, name, size, comment, false, attributes, modified, modified);
}

// Adds a Catalogs row as a scan would and returns its ID.
inline qint64 AddCliObject(TDataShare &data, qint64 parent, const QString &name, int cls,
                           double when, qint64 size = 0, const QString &comment = {},
                           const QString &label = {})
{
    return AppendCatalogRow(data.Catalogs, name, {}, parent, cls, false, when, when, comment, label,
                            size, 0);
}

// A temporary folder with the catalog database the tool runs on.
class CliFixture : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString Db(const QString &name = u"db"_s) const { return m_folder.filePath(name); }
    CliResult Run(const QStringList &arguments) { return RunCliOn(Db(), arguments); }
    QString Info() { return Run({u"--json"_s, u"info"_s}).out; }
    QStringList Names(const QString &path) { return FirstColumns(Run({u"ls"_s, path}).out); }

    // Makes the database and fills it in one transaction; it is closed
    // again before the tool opens it.
    void MakeDatabase(const std::function<void(TDataShare &)> &fill)
    {
        ScriptedUserInterface ui;
        TDataShare data;
        ASSERT_TRUE(OpenFreshDatabase(data, Db()));
        QString failure;
        ASSERT_TRUE(data.RunInTransaction([&] { fill(data); }, &failure)) << failure.toStdString();
    }

    QTemporaryDir m_folder;
};
