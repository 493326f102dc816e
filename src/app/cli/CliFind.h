#pragma once

#include <QStringList>

#include <functional>

struct CliCommandLine;
class QTextStream;
class TDataShare;

// The usage lines of the find command.
extern const char *const kFindUsage;

// The find command of the command-line tool: the Find window's search with
// its criteria from options (the arguments after "find"), results in the
// Find list's order, as text lines or JSON. openDatabase opens the catalog
// (saying why it could not). Returns the tool's exit code.
int RunFindCommand(TDataShare &data, const CliCommandLine &line, QTextStream &out, QTextStream &err,
                   const std::function<bool()> &openDatabase);
