#include "app/cli/CliCommandLine.h"

#include <vector>

namespace {

using Group = CliCommandGroup;

const QString kCatalogPath = QStringLiteral("a catalog path");

const std::vector<CliCommand> &Commands()
{
    static const std::vector<CliCommand> commands = {
        {QStringLiteral("create"), Group::Create, {}, {QStringLiteral("--replace")}, 0, 0, {}},
        {QStringLiteral("info"), Group::Info, {}, {}, 0, 0, {}},
        {QStringLiteral("compress"), Group::Compress, {}, {}, 0, 0, {}},
        {QStringLiteral("ls"), Group::List, {}, {}, 0, 1, {}},
        {QStringLiteral("catalog"),
         Group::Catalog,
         {QStringLiteral("--name"), QStringLiteral("--into"), QStringLiteral("--label"),
          QStringLiteral("--comment")},
         {QStringLiteral("--reuse-comments"), QStringLiteral("--validate"),
          QStringLiteral("--no-zip"), QStringLiteral("--no-exe")},
         1,
         1,
         QStringLiteral("a source")},
        {QStringLiteral("update"), Group::Update, {}, {}, 1, 1, kCatalogPath},
        {QStringLiteral("mkdir"), Group::Object, {}, {}, 1, 1, kCatalogPath},
        {QStringLiteral("mv"),
         Group::Object,
         {},
         {},
         2,
         2,
         QStringLiteral("a catalog path and a destination path")},
        {QStringLiteral("rename"),
         Group::Object,
         {},
         {},
         2,
         2,
         QStringLiteral("a catalog path and a new name")},
        {QStringLiteral("rm"),
         Group::Object,
         {},
         {QStringLiteral("--permanent")},
         1,
         1,
         kCatalogPath},
        // "restore PATH DEST" takes items of an archive set back instead.
        {QStringLiteral("restore"),
         Group::Object,
         {},
         {QStringLiteral("--overwrite")},
         1,
         2,
         QStringLiteral("a path in the Wastebasket")},
        {QStringLiteral("empty-wastebasket"), Group::Object, {}, {}, 0, 0, {}},
        {QStringLiteral("comment"),
         Group::Object,
         {},
         {},
         2,
         2,
         QStringLiteral("a path and a text")},
        {QStringLiteral("properties"), Group::Object, {}, {}, 1, 1, kCatalogPath},
        {QStringLiteral("export"),
         Group::Export,
         {},
         {},
         2,
         2,
         QStringLiteral("a catalog path and a file")},
        {QStringLiteral("import"),
         Group::Import,
         {},
         {QStringLiteral("--replace-all"), QStringLiteral("--keep-all")},
         1,
         1,
         QStringLiteral("one file")},
        {QStringLiteral("import-v1"),
         Group::ImportVersionOne,
         {},
         {},
         2,
         2,
         QStringLiteral("a volumes file and a files file")},
        {QStringLiteral("find"),
         Group::Find,
         {QStringLiteral("--name"), QStringLiteral("--type"), QStringLiteral("--in"),
          QStringLiteral("--between"), QStringLiteral("--and"), QStringLiteral("--comment"),
          QStringLiteral("--label"), QStringLiteral("--source"), QStringLiteral("--limit")},
         {QStringLiteral("--no-subfolders"), QStringLiteral("--whole-words"),
          QStringLiteral("--match-case")},
         0,
         0,
         {}},
        // The subcommands check their own arguments.
        {QStringLiteral("pool"), Group::Pool, {}, {}, 0, -1, {}},
        {QStringLiteral("archive"),
         Group::Archive,
         {QStringLiteral("--name"), QStringLiteral("--into"), QStringLiteral("--comment")},
         {QStringLiteral("--no-subfolders"), QStringLiteral("--store"), QStringLiteral("--direct"),
          QStringLiteral("--delete-files")},
         1,
         1,
         QStringLiteral("a folder")},
        {QStringLiteral("extract"),
         Group::Extract,
         {},
         {QStringLiteral("--overwrite")},
         2,
         2,
         QStringLiteral("a catalog path and a destination folder")},
        {QStringLiteral("verify"), Group::DatabaseCheck, {}, {}, 0, 1, {}},
        {QStringLiteral("repair"), Group::DatabaseCheck, {}, {}, 0, 1, {}},
    };
    return commands;
}

bool TakesValueAnywhere(const QString &option)
{
    if (option == QLatin1String("--db"))
        return true;
    for (const CliCommand &command : Commands()) {
        if (command.valueOptions.contains(option))
            return true;
    }
    return false;
}

// The command word: the first argument that is neither an option nor the
// value of one.
qsizetype CommandIndex(const QStringList &arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(u'-'))
            return i;
        if (TakesValueAnywhere(arguments[i]))
            ++i;
    }
    return -1;
}

// Why an option is refused: the commands it goes with, if any takes it.
QString RefusedOption(const QString &option, const QString &commandName)
{
    QStringList takers;
    for (const CliCommand &command : Commands()) {
        if (command.valueOptions.contains(option) || command.flags.contains(option))
            takers << command.name;
    }
    if (!takers.isEmpty())
        return option + QStringLiteral(" goes with ") + takers.join(QStringLiteral(", "));
    return QStringLiteral("unknown option ") + option +
           (commandName.isEmpty() ? QString() : QStringLiteral(" for ") + commandName);
}

// Reads one tool option; false when the argument is none.
bool ReadToolOption(const QString &argument, CliCommandLine &line)
{
    if (argument == QLatin1String("--json"))
        line.json = true;
    else if (argument == QLatin1String("--yes"))
        line.policy = AnswerPolicy::Yes;
    else if (argument == QLatin1String("--no"))
        line.policy = AnswerPolicy::No;
    else if (argument == QLatin1String("--wait"))
        line.wait = true;
    else if (argument == QLatin1String("--quiet"))
        line.quiet = true;
    else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
        line.help = true;
    else
        return false;
    return true;
}

QString CountProblem(const CliCommandLine &line)
{
    const CliCommand &command = *line.command;
    if (line.arguments.size() < command.minArguments)
        return command.name + QStringLiteral(" needs ") + command.needs;
    if (command.maxArguments >= 0 && line.arguments.size() > command.maxArguments)
        return QStringLiteral("unexpected argument ") + line.arguments[command.maxArguments];
    return {};
}

} // namespace

const CliCommand *FindCliCommand(const QString &name)
{
    for (const CliCommand &command : Commands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

CliCommandLine ParseCliCommandLine(const QStringList &arguments)
{
    CliCommandLine line;
    const qsizetype commandIndex = CommandIndex(arguments);
    if (commandIndex >= 0) {
        line.commandName = arguments[commandIndex];
        line.command = FindCliCommand(line.commandName);
    }
    auto refuse = [&](const QString &problem) {
        if (line.problem.isEmpty())
            line.problem = problem;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (i == commandIndex || ReadToolOption(argument, line))
            continue;
        const bool valueOption = argument == QLatin1String("--db") ||
                                 (line.command && line.command->valueOptions.contains(argument));
        if (valueOption) {
            if (++i >= arguments.size()) {
                refuse(argument + QStringLiteral(" needs a value"));
                break;
            }
            if (argument == QLatin1String("--db")) {
                line.databaseFolder = arguments[i].trimmed();
                line.databaseGiven = true;
                if (line.databaseFolder.isEmpty())
                    refuse(QStringLiteral("--db needs a folder"));
            } else if (line.values.contains(argument)) {
                refuse(argument + QStringLiteral(" is given twice"));
            } else {
                line.values.insert(argument, arguments[i]);
            }
        } else if (argument == QLatin1String("--version") && commandIndex < 0) {
            line.version = true;
        } else if (line.command && line.command->flags.contains(argument)) {
            line.flags.insert(argument);
        } else if (argument.startsWith(u'-')) {
            refuse(RefusedOption(argument, line.commandName));
            if (TakesValueAnywhere(argument))
                ++i;
        } else {
            line.arguments << argument;
        }
    }
    if (line.commandName.isEmpty())
        refuse(QStringLiteral("no command given"));
    else if (!line.command)
        refuse(QStringLiteral("unknown command ") + line.commandName);
    else
        refuse(CountProblem(line));
    return line;
}
