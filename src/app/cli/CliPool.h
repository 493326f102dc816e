#pragma once

#include <QString>
#include <QStringList>

class QTextStream;
class TDataShare;

// The usage lines of the pool command.
extern const char *const kPoolUsage;

// The pool command of the command-line tool: lists the archive pool's
// volumes ("pool"), sets its drive ("pool drive MOUNTPOINT"), adds the disk
// in the drive ("pool add") and removes an empty volume ("pool remove
// LABEL") and moves a volume's sets onto the others ("pool free LABEL"),
// with the pool page's rules and messages.
// What is wrong with the arguments after "pool"; empty when nothing.
QString PoolUsageProblem(const QStringList &arguments);
// Runs it on an open database; returns the exit code.
int RunPoolCommand(TDataShare &data, const QStringList &arguments, bool json, QTextStream &out,
                   QTextStream &err);
