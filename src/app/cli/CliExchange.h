#pragma once

#include <QStringList>

#include <optional>

class QTextStream;

// The export and import commands of the command-line tool:
//   export CATALOG-PATH FILE
//   import FILE [--replace-all|--keep-all]
//   import-v1 VOLUMES-FILE FILES-FILE
// Runs them when the arguments name one (with the tool's --db, --json, --yes
// and --no) and returns the exit code; nullopt for any other command.
std::optional<int> RunExchangeCommand(const QStringList &arguments, QTextStream &out,
                                      QTextStream &err, QTextStream &in, bool interactive);

// The usage lines of the three commands.
extern const char *const kExchangeUsage;
