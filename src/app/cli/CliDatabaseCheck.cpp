#include "app/cli/CliDatabaseCheck.h"

#include "app/cli/CliApplication.h"
#include "platform/ProgressOperations.h"
#include "platform/UserInterface.h"
#include "store/DatabaseError.h"
#include "store/DatabaseRepair.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

const char *const kDatabaseCheckUsage =
    "  verify [FOLDER]      check both files of a database that is not open; with --json\n"
    "                       the level, text and problems of each file\n"
    "  repair [FOLDER]      rebuild both files from every row that can still be read,\n"
    "                       keeping a backup of each in the temporary folder\n";

namespace {

using namespace DatabaseRepair;

// Ctrl+C noticed between two steps of a check or a rebuild.
struct CheckCancelled
{
};

constexpr int kPumpIntervalMs = 100;

QString PhaseName(Phase phase)
{
    switch (phase) {
    case Phase::Header:
        return QStringLiteral("header");
    case Phase::Indexes:
        return QStringLiteral("indexes");
    case Phase::Data:
        return QStringLiteral("data");
    case Phase::Rebuild:
        break;
    }
    return QStringLiteral("rebuild");
}

// The progress line of one file, and the way out on Ctrl+C. The index check
// reports from inside SQLite, where no exception may pass: the stop waits
// for the next report outside it. A rebuild that reached 100 % is in place
// and is no longer stopped.
ProgressSink ProgressLine(DatabaseFile file)
{
    return [file](Phase phase, int percent) {
        UI().SetProgressStatus(FileName(file) + QStringLiteral(": ") + PhaseName(phase));
        UI().SetProgressRange(100);
        UI().SetProgressPosition(percent);
        UI().PumpMessages(kPumpIntervalMs);
        const bool insideSqlite = phase == Phase::Indexes && percent < 100;
        const bool done = phase == Phase::Rebuild && percent == 100;
        if (UI().Cancelled() && !insideSqlite && !done)
            throw CheckCancelled{};
    };
}

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
        const VerifyResult result = VerifyFile(folder, file, ProgressLine(file));
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

// A file rebuilt before Ctrl+C stopped the next one goes back to its backup
// (the same pages), so that a cancelled repair leaves the database as it was.
void PutBackupBack(const QString &folder, const RepairResult &result, DatabaseFile file)
{
    const QString path = QDir(folder).filePath(FileName(file));
    const QString copy = path + QStringLiteral("-restoring");
    QFile::remove(copy);
    if (QFile::copy(result.backupPath, copy))
        std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData());
}

int Repair(const QString &folder, QTextStream &out)
{
    bool repaired = true;
    std::vector<std::pair<DatabaseFile, RepairResult>> rebuilt;
    try {
        for (DatabaseFile file : kDatabaseFiles) {
            const RepairResult result =
                RepairFile(folder, file, QDir::tempPath(), ProgressLine(file));
            if (result.repaired)
                rebuilt.emplace_back(file, result);
            repaired = repaired && result.repaired;
            out << FileName(file) << ": " << RepairStatusText(result) << "\n";
            PrintProblems(result.problems, out);
        }
    } catch (const CheckCancelled &) {
        for (const auto &[file, result] : rebuilt)
            PutBackupBack(folder, result, file);
        throw;
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
    const bool verify = command == QLatin1String("verify");
    UI().ShowProgress(verify ? ProgressOperation::VerifyDatabase
                             : ProgressOperation::RepairDatabase);
    const auto closeProgress = qScopeGuard([] { UI().CloseProgress(); });
    try {
        return verify ? Verify(folder, json, out) : Repair(folder, out);
    } catch (const CheckCancelled &) {
        err << (verify ? "cancelled\n" : "cancelled: the database was left as it was\n");
        return CliApplication::kFailure;
    } catch (const EDatabaseError &error) {
        if (!error.IsLocked())
            throw;
        err << "error: the catalog database in " << folder
            << " is in use by another program; close it there first\n";
        return CliApplication::kFailure;
    }
}
