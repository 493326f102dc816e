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

QStringList CatalogPathNames(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

qint64 FindCatalogObject(TDataShare &data, const QStringList &names)
{
    qint64 id = CatalogSchema::kDatabaseObjectId;
    for (const QString &name : names) {
        id = data.Catalogs.FindChild(id, name);
        if (id < 0)
            return -1;
    }
    return id;
}

void ReportNoSuchCatalogPath(const TDataShare &data, const QString &path, QTextStream &err)
{
    err << "error: there is no \"" << path << "\" in the catalog database in "
        << data.DatabaseFolder << "\n";
}

qint64 ResolveCatalogPath(TDataShare &data, const QString &path, QTextStream &err)
{
    const qint64 id = FindCatalogObject(data, CatalogPathNames(path));
    if (id < 0)
        ReportNoSuchCatalogPath(data, path, err);
    return id;
}
