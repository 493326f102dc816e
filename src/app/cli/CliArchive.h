#pragma once

#include <QString>
#include <QStringList>

#include <functional>

struct CliCommandLine;
class QTextStream;
class SettingsStore;
class TDataShare;

// The usage lines of the archive command.
extern const char *const kArchiveUsage;

// How the tool reaches what the archive command needs: the open catalog
// (saying why it could not) and the object at a catalog path (-1 after
// saying it is not there).
struct ArchiveCommandContext
{
    std::function<bool()> openDatabase;
    std::function<qint64(const QString &path)> resolvePath;
};

// The archive command of the command-line tool: archives a folder as a set
// on a pool volume with the dialog's checks and messages. The stored work
// folder is used; every other option is the flags' (subfolders, compression
// and staging on, deletion off unless asked). Returns the exit code.
int RunArchiveCommand(TDataShare &data, SettingsStore &settings, const CliCommandLine &line,
                      const ArchiveCommandContext &context, QTextStream &out);
