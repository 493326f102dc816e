#pragma once

#include <QString>
#include <QStringList>

// What the desktop shell does for the program: open a document with its
// default application, run a chosen program on a file, show a folder in the
// file manager. Applications are found through the desktop's MIME
// associations and started detached, from their desktop files' Exec lines.

// Starts the default application of the file's type on it; false when the
// type has none or the program cannot be started.
bool ShellOpenDocument(const QString &path);

// Starts a program with one parameter; false when it cannot be started.
bool ShellRunProgram(const QString &program, const QString &parameter);

// Shows a folder in the desktop's file manager; false when there is none.
bool ShellExploreFolder(const QString &folder);

// The command line of a desktop file's Exec value for one file: the value
// split into arguments by its quoting rules, the file put in place of the
// field codes %f, %F, %u and %U (as a file URL for the last two), "%%" made
// "%", other field codes dropped. The file is appended when no code names
// it. Empty when the value cannot be parsed.
QStringList DesktopExecArguments(const QString &exec, const QString &path);

// The Exec value of a desktop file's "Desktop Entry" group; empty when the
// file has none or cannot be read.
QString DesktopFileExec(const QString &desktopFile);
