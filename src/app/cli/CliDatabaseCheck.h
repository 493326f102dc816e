#pragma once

#include <QString>

class QTextStream;

// The usage lines of the verify and repair commands.
extern const char *const kDatabaseCheckUsage;

// "verify" and "repair" work on a database folder that is not open: they
// check both files, or rebuild them with a backup in the temporary folder.
// Runs one on a folder; returns the exit code: success when the database is
// sound (verify) or was rebuilt (repair).
int RunDatabaseCheckCommand(const QString &command, const QString &folder, bool json,
                            QTextStream &out, QTextStream &err);
