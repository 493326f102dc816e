#include "app/cli/CliDatabaseCheck.h"

#include "app/cli/CliApplication.h"
#include "store/DatabaseError.h"
#include "store/DatabaseRepair.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>

const char *const kDatabaseCheckUsage =
    "  verify [FOLDER]      check both files of a database that is not open; with --json\n"
    "                       the level, text and problems of each file\n"
    "  repair [FOLDER]      rebuild both files from every row that can still be read,\n"
    "                       keeping a backup of each in the temporary folder\n";

namespace {

using namespace DatabaseRepair;

void PrintProblems(const QStringList &problems, QTextStream &out)
{
    for (const QString &problem : problems)
        out << "  " << problem << "\n";
}

int Verify(const QString &folder, bool json, QTextStream &out)
{
    int worst = kSound;
    QJsonArray files;
    for (DatabaseFile file : kDatabaseFiles) {
        const VerifyResult result = VerifyFile(folder, file, {});
        worst = std::max(worst, result.level);
        if (json) {
            files.append(QJsonObject{
                {QStringLiteral("file"), FileName(file)},
                {QStringLiteral("level"), result.level},
                {QStringLiteral("text"), VerifyStatusText(result.level)},
                {QStringLiteral("problems"), QJsonArray::fromStringList(result.problems)}});
        } else {
            out << FileName(file) << ": " << VerifyStatusText(result.level) << " (level "
                << result.level << ")\n";
            PrintProblems(result.problems, out);
        }
    }
    if (json) {
        const QJsonObject document{{QStringLiteral("folder"), folder},
                                   {QStringLiteral("level"), worst},
                                   {QStringLiteral("text"), VerifyStatusText(worst)},
                                   {QStringLiteral("files"), files}};
        out << QJsonDocument(document).toJson(QJsonDocument::Compact) << "\n";
    }
    return worst <= kTidyOnly ? CliApplication::kSuccess : CliApplication::kFailure;
}

int Repair(const QString &folder, QTextStream &out)
{
    bool repaired = true;
    for (DatabaseFile file : kDatabaseFiles) {
        const RepairResult result = RepairFile(folder, file, QDir::tempPath(), {});
        repaired = repaired && result.repaired;
        out << FileName(file) << ": " << RepairStatusText(result) << "\n";
        PrintProblems(result.problems, out);
    }
    out << "Database Backed-up to: " << BackupPattern(QDir::tempPath()) << "\n";
    return repaired ? CliApplication::kSuccess : CliApplication::kFailure;
}

} // namespace

int RunDatabaseCheckCommand(const QString &command, const QString &folder, bool json,
                            QTextStream &out, QTextStream &err)
{
    if (!CheckDatabaseFolder(folder))
        return CliApplication::kFailure;
    try {
        return command == QLatin1String("verify") ? Verify(folder, json, out) : Repair(folder, out);
    } catch (const EDatabaseError &error) {
        if (!error.IsLocked())
            throw;
        err << "error: the catalog database in " << folder
            << " is in use by another program; close it there first\n";
        return CliApplication::kFailure;
    }
}
