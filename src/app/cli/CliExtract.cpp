#include "app/cli/CliExtract.h"

#include "app/cli/CliApplication.h"
#include "app/cli/CliDatabase.h"
#include "app/cli/ObjectCommands.h"
#include "archive/ExtractRestore.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

const char *const kExtractUsage =
    "  extract PATH DEST [--overwrite]  extract an item of a cataloged ZIP or\n"
    "                       self-extracting file (a folder with everything in it) into\n"
    "                       the folder DEST, asking for the medium when needed\n"
    "  restore PATH DEST [--overwrite]  the same for an item of an archive set, from\n"
    "                       its pool volume; --overwrite replaces existing files\n"
    "                       without asking\n";

namespace {

// Where an object lies: below an archive set, in the Wastebasket.
struct Surroundings
{
    bool archived = false;
    bool wastebasket = false;
};

Surroundings SurroundingsOf(TDataShare &data, qint64 objectId)
{
    Surroundings found;
    data.Catalogs.WalkUp(
        objectId,
        [&](TableCursor &cursor, bool &) {
            if (data.Catalogs.ItemClass(&cursor) == CatalogSchema::kArchiveSetClass)
                found.archived = true;
            if (data.Catalogs.ItemID(&cursor) == CatalogSchema::kWastebasketId)
                found.wastebasket = true;
        },
        true);
    return found;
}

const char *OutcomeWord(ExtractOutcome outcome)
{
    switch (outcome) {
    case ExtractOutcome::Done:
        return "done";
    case ExtractOutcome::Cancelled:
        return "cancelled";
    case ExtractOutcome::Incomplete:
        return "incomplete";
    case ExtractOutcome::Failed:
        return "failed";
    case ExtractOutcome::PackageMissing:
        return "package missing";
    }
    return "failed";
}

} // namespace

bool IsExtractCommand(const QString &command, const QStringList &arguments, bool overwrite)
{
    return command == QLatin1String("extract") ||
           (command == QLatin1String("restore") && (arguments.size() > 1 || overwrite));
}

QString ExtractUsageProblem(const QString &command, const QStringList &arguments)
{
    if (arguments.size() < 2)
        return command + QStringLiteral(" needs a catalog path and a destination folder");
    if (arguments.size() > 2)
        return QStringLiteral("unexpected argument ") + arguments[2];
    return {};
}

int RunExtractCommand(TDataShare &data, const QString &command, const QStringList &arguments,
                      bool overwrite, bool json, QTextStream &out, QTextStream &err)
{
    const bool extraction = command == QLatin1String("extract");
    const QString &path = arguments[0];
    const std::optional<CatalogSubject> subject = FindCatalogSubject(data, path);
    if (!subject) {
        ReportNoSuchCatalogPath(data, path, err);
        return CliApplication::kFailure;
    }
    const Surroundings around =
        SurroundingsOf(data, subject->file ? subject->owner : subject->number);
    if (around.wastebasket || around.archived == extraction) {
        err << "error: \"" << path << "\" "
            << (around.wastebasket ? "is in the Wastebasket"
                : extraction       ? "lies in an archive set; restore takes it back"
                                   : "lies in no archive set; extract takes items of packages")
            << "\n";
        return CliApplication::kFailure;
    }
    ListEntry entry;
    entry.data = subject->number;
    if (subject->file) {
        entry.imageIndex = kFirstFileImage;
        entry.caption = subject->fileName;
    } else {
        TableCursor *row = data.Catalogs.LookupCursor();
        if (data.Catalogs.Locate(row, subject->number))
            entry.imageIndex = data.Catalogs.ItemClass(row);
    }
    const std::optional<ExtractRequest> request = BuildExtractRequest(data, {entry}, extraction);
    if (!request)
        return CliApplication::kFailure;
    const QString folder = QDir::cleanPath(QDir().absoluteFilePath(arguments[1]));
    const ExtractOutcome outcome = RunExtractRequest(data, *request, {folder, overwrite}, nullptr);
    if (json) {
        const QJsonObject result{
            {QStringLiteral("package"), request->packagePath},
            {QStringLiteral("items"), QJsonArray::fromStringList(request->itemSpecifications)},
            {QStringLiteral("destination"), folder},
            {QStringLiteral("result"), QString::fromLatin1(OutcomeWord(outcome))}};
        out << QJsonDocument(result).toJson(QJsonDocument::Compact) << "\n";
    } else if (outcome == ExtractOutcome::Done) {
        out << (extraction ? "Extracted \"" : "Restored \"") << path << "\" into " << folder
            << "\n";
    }
    return outcome == ExtractOutcome::Done ? CliApplication::kSuccess : CliApplication::kFailure;
}
