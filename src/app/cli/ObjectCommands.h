#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;
class TDataShare;

// The commands of the command-line tool that organise the catalog: mkdir,
// mv, rm, restore, empty-wastebasket and comment. They run the operations of
// the window with its rules and messages, each in one transaction.
struct ObjectCommandRequest
{
    QString command;
    QStringList arguments;
    bool permanent = false; // rm --permanent
    bool json = false;
};

// Runs the command on an open database; returns the exit code.
int RunObjectCommand(TDataShare &data, const ObjectCommandRequest &request, QTextStream &out,
                     QTextStream &err);

// What a catalog path from the top ("Catalogs\Work\Disk 1") names: an
// object, else a file of the object before its last name. Names of objects
// are matched without regard to letter case, a file's name exactly first.
struct CatalogSubject
{
    bool file = false;
    qint64 number = -1; // the object's ID or the file's Key
    qint64 owner = -1;  // the object that holds the file
    QString fileName;   // the file's name as stored
};
std::optional<CatalogSubject> FindCatalogSubject(TDataShare &data, const QString &path);
