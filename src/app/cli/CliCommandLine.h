#pragma once

#include "app/cli/TerminalUserInterface.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// Which part of the tool runs a command.
enum class CliCommandGroup
{
    Create,
    Info,
    Compress,
    List,
    Catalog,
    Update,
    Object, // mkdir, mv, rename, rm, restore PATH, empty-wastebasket, ...
    Export,
    Import,
    ImportVersionOne,
    Find,
    Pool,
    Archive,
    Extract, // extract, and restore PATH DEST
    DatabaseCheck
};

// One command of the tool: the options it takes besides the tool's own and
// how many arguments follow it.
struct CliCommand
{
    QString name;
    CliCommandGroup group;
    QStringList valueOptions; // each takes the next argument as its value
    QStringList flags;
    int minArguments = 0;
    int maxArguments = 0; // -1: any number
    QString needs;        // what the missing arguments are, for the message
};

// The table of every command; nullptr for a name that is none.
const CliCommand *FindCliCommand(const QString &name);

// A command line read against the table. Options of the tool (--db, --json,
// --yes, --no, --wait, --quiet) and of the command may stand anywhere,
// before the command too.
struct CliCommandLine
{
    const CliCommand *command = nullptr;
    QString commandName; // as given, also when it is no command
    QString databaseFolder;
    bool databaseGiven = false;
    bool json = false;
    bool wait = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    AnswerPolicy policy = AnswerPolicy::Ask;
    QHash<QString, QString> values;
    QSet<QString> flags;
    QStringList arguments; // after the command
    QString problem;       // a usage mistake; empty when there is none

    bool Is(CliCommandGroup group) const { return command && command->group == group; }
    bool Has(const QString &flag) const { return flags.contains(flag); }
    QString Value(const QString &option, const QString &otherwise = QString()) const
    {
        return values.value(option, otherwise);
    }
};

CliCommandLine ParseCliCommandLine(const QStringList &arguments);
