#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The file-manager integration: "Catalog with Dirvanta 97" on folders and
// "Archive with Dirvanta 97" / "Archive with Dirvanta 97..." on files and
// folders, offered through a desktop entry with actions, Dolphin service
// menus, Nautilus scripts and file-manager-actions entries. Each starts the
// program with a request switch: "/C" and the folder, or "/A" / "/AO" with
// "--selection" and the selected paths (the program writes the request file).

struct IntegrationFile
{
    QString path; // relative to the user's data folder
    QByteArray content;
    bool executable = false;
};

// The files for the program's path, in the order they are written.
std::vector<IntegrationFile> ShellIntegrationFiles(const QString &program);

// The user's data folder: $XDG_DATA_HOME, else ~/.local/share.
QString UserDataFolder();

// Writes every integration file under the data folder whose content or
// mode is not already right; quiet, a failure only skips that file.
// Returns how many files were written.
int RegisterShellExtension(const QString &program, const QString &dataFolder = UserDataFolder());
