#pragma once

#include "app/cli/TerminalUserInterface.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"

#include <QTextStream>

#include <cstdio>

// The user interface of a benchmark: the terminal's, answering No to every
// question so that no run waits for a person. It is the program's interface
// for as long as it lives.
struct BenchConsole
{
    QTextStream out{stdout};
    QTextStream err{stderr};
    QTextStream in{stdin};
    TerminalUserInterface ui{out, err, in, false, AnswerPolicy::No};

    UserInterfaceInstallation installed{ui};
};

// Creates an empty catalog database in the folder and opens it; false when
// it does not open.
inline bool OpenNewDatabase(TDataShare &data, const QString &folder)
{
    data.DatabaseFolder = folder;
    data.CreateDatabaseTables();
    return data.OpenDatabase();
}
