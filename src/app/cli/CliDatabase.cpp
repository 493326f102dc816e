#include "app/cli/CliDatabase.h"

#include "store/DataShare.h"

#include <QDir>
#include <QTextStream>

bool OpenCliDatabase(TDataShare &data, bool databaseGiven, bool createDefault, QTextStream &err)
{
    const QString folder = data.DatabaseFolder;
    if (createDefault && !databaseGiven && !TDataShare::DatabaseFilesExist(false, folder)) {
        QDir().mkpath(folder);
        data.CreateDatabaseTables();
    } else if (!TDataShare::DatabaseFilesExist(true, folder)) {
        err << "error: Unable to open the Catalog Database in Folder \"" << folder << "\"\n";
        return false;
    }
    return data.OpenDatabase();
}
