#pragma once

#include <QStringList>

class QString;
class QTextStream;
class TDataShare;

// Opens the catalog database in data.DatabaseFolder for a command of the
// tool. The default database (no --db given) is made the first time it is
// needed when createDefault is set; a folder without a database is reported
// on err. False when the database is not open.
bool OpenCliDatabase(TDataShare &data, bool databaseGiven, bool createDefault, QTextStream &err);

// The names of a "\"-separated catalog path, from the top.
QStringList CatalogPathNames(const QString &path);

// The object the names lead to from the database object, each matched
// without regard to letter case as the item tree finds children; -1 when
// there is none.
qint64 FindCatalogObject(TDataShare &data, const QStringList &names);

// Says on err that the catalog path names nothing in the open database.
void ReportNoSuchCatalogPath(const TDataShare &data, const QString &path, QTextStream &err);

// The object a "\"-separated catalog path names, or -1 after saying on err
// that there is none.
qint64 ResolveCatalogPath(TDataShare &data, const QString &path, QTextStream &err);
