#include "app/cli/CliDatabase.h"

#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
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

qint64 ResolveCatalogPath(TDataShare &data, const QString &path, QTextStream &err)
{
    // Catalog paths start below the database object; names are matched
    // without regard to letter case, as the item tree finds children.
    qint64 id = CatalogSchema::kDatabaseObjectId;
    for (const QString &name : path.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        id = data.Catalogs.FindChild(id, name);
        if (id < 0) {
            err << "error: there is no \"" << path << "\" in the catalog database in "
                << data.DatabaseFolder << "\n";
            return -1;
        }
    }
    return id;
}
