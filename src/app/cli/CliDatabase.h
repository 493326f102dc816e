#pragma once

#include <QtGlobal>

class QString;
class QTextStream;
class TDataShare;

// Opens the catalog database in data.DatabaseFolder for a command of the
// tool. The default database (no --db given) is made the first time it is
// needed when createDefault is set; a folder without a database is reported
// on err. False when the database is not open.
bool OpenCliDatabase(TDataShare &data, bool databaseGiven, bool createDefault, QTextStream &err);

// The object a "\"-separated catalog path names, or -1 after saying on err
// that there is none.
qint64 ResolveCatalogPath(TDataShare &data, const QString &path, QTextStream &err);
