#pragma once

struct CliCommandLine;
class QTextStream;
class TDataShare;

// The export and import commands of the command-line tool:
//   export CATALOG-PATH FILE
//   import FILE [--replace-all|--keep-all]
//   import-v1 VOLUMES-FILE FILES-FILE
// Runs one (the tool's --db, --json, --yes and --no apply) and returns the
// exit code.
int RunExchangeCommand(TDataShare &data, const CliCommandLine &line, QTextStream &out,
                       QTextStream &err);

// The usage lines of the three commands.
extern const char *const kExchangeUsage;
