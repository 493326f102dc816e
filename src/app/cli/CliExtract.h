#pragma once

#include <QString>
#include <QStringList>

class QTextStream;
class TDataShare;

// The usage lines of extract and restore.
extern const char *const kExtractUsage;

// "extract PATH DEST" takes items of a cataloged file package into a folder,
// "restore PATH DEST" items of an archive set; a folder gives its subtree.
// They make the medium ready, ask about existing files (unless --overwrite)
// and report with the window's messages. "restore PATH" alone is the
// Wastebasket's restore.
bool IsExtractCommand(const QString &command, const QStringList &arguments, bool overwrite);
// What is wrong with the arguments; empty when nothing.
QString ExtractUsageProblem(const QString &command, const QStringList &arguments);
// Runs it on an open database; returns the exit code.
int RunExtractCommand(TDataShare &data, const QString &command, const QStringList &arguments,
                      bool overwrite, bool json, QTextStream &out, QTextStream &err);
