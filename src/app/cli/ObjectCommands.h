#pragma once

#include <QString>
#include <QStringList>

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

bool IsObjectCommand(const QString &command);
// What is wrong with the arguments of an object command; empty when nothing.
QString ObjectCommandUsageProblem(const ObjectCommandRequest &request);
// Runs the command on an open database; returns the exit code.
int RunObjectCommand(TDataShare &data, const ObjectCommandRequest &request, QTextStream &out,
                     QTextStream &err);
