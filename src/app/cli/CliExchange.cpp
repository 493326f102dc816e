#include "app/cli/CliExchange.h"

#include "app/cli/CliApplication.h"
#include "app/cli/CliDatabase.h"
#include "app/cli/TerminalUserInterface.h"
#include "exchange/ExportImport.h"
#include "exchange/VersionOne.h"
#include "platform/SettingsStore.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

const char *const kExchangeUsage =
    "  export CATALOG-PATH FILE\n"
    "                       write the Catalogs folder, a catalog folder or a disk\n"
    "                       catalog with everything in it to an export file\n"
    "  import FILE [--replace-all|--keep-all]\n"
    "                       read an export file; a disk catalog already there is\n"
    "                       replaced (--replace-all) or kept (--keep-all, the\n"
    "                       answer without a terminal)\n"
    "  import-v1 VOLUMES-FILE FILES-FILE\n"
    "                       take over the export files of version 1 into the\n"
    "                       folder \"Catalogs\\Dirvanta Version 1\"\n";

namespace {

const QStringList kCommands = {QStringLiteral("export"), QStringLiteral("import"),
                               QStringLiteral("import-v1")};
// Options of other commands that take a value, so that the value is not
// taken for the command.
const QStringList kOtherValueOptions = {QStringLiteral("--name"), QStringLiteral("--into"),
                                        QStringLiteral("--label"), QStringLiteral("--comment")};

struct ExchangeOptions
{
    QString command;
    QString databaseFolder;
    bool databaseGiven = false;
    bool json = false;
    bool quiet = false;
    AnswerPolicy policy = AnswerPolicy::Ask;
    std::optional<DuplicateCatalogAnswer> duplicates;
    QStringList arguments;
};

class ExchangeRun final
{
public:
    ExchangeRun(QTextStream &out, QTextStream &err)
        : m_out(out)
        , m_err(err)
    {
    }

    void SetCommand(const QString &command) { m_command = command; }

    int Usage(const QString &problem)
    {
        m_err << "dirvanta-cli: " << problem << "\n" << CliApplication::UsageText(m_command);
        m_err.flush();
        return CliApplication::kUsage;
    }

    bool Open(TDataShare &data, const ExchangeOptions &options, bool createDefault)
    {
        return OpenCliDatabase(data, options.databaseGiven, createDefault, m_err);
    }

    void Report(const QString &what, const DatabaseTotals &before, const DatabaseTotals &after,
                bool json)
    {
        const qint64 objects = after.objects - before.objects;
        const qint64 files = after.files - before.files;
        if (json)
            m_out << "{\"objects\":" << objects << ",\"files\":" << files << "}\n";
        else
            m_out << what << " (" << objects << " objects, " << files << " files added)\n";
    }

    int Export(TDataShare &data, const ExchangeOptions &options)
    {
        if (!Open(data, options, false))
            return CliApplication::kFailure;
        const QString &path = options.arguments[0];
        qint64 id = CatalogSchema::kDatabaseObjectId;
        for (const QString &name : path.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
            id = data.Catalogs.FindChild(id, name);
            if (id < 0) {
                m_err << "error: there is no \"" << path << "\" in the catalog database in "
                      << data.DatabaseFolder << "\n";
                return CliApplication::kFailure;
            }
        }
        const int cls = data.Catalogs.Locate(data.Catalogs.LookupCursor(), id)
                            ? data.Catalogs.ItemClass(data.Catalogs.LookupCursor())
                            : -1;
        if (cls < 1 || cls > 5) {
            m_err << "error: \"" << path
                  << "\" cannot be exported: only the Catalogs folder, catalog folders and disk "
                     "catalogs can\n";
            return CliApplication::kFailure;
        }
        const QString file = QDir().absoluteFilePath(options.arguments[1]);
        if (!ExportObjects(data, id, file)) {
            m_err << "error: the export was cancelled; no file was written\n";
            return CliApplication::kFailure;
        }
        if (options.json)
            m_out << "{\"file\":\"" << QFileInfo(file).fileName() << "\"}\n";
        else
            m_out << "Exported \"" << data.Catalogs.PathByID(id, false) << "\" to " << file << "\n";
        return CliApplication::kSuccess;
    }

    int Import(TDataShare &data, const ExchangeOptions &options, bool versionOne)
    {
        if (!Open(data, options, true))
            return CliApplication::kFailure;
        const DatabaseTotals before = CountDatabaseTotals(data);
        V1TempFiles temps;
        if (versionOne) {
            QString volumes = options.arguments[0];
            QString files = options.arguments[1];
            if (CheckV1Files(volumes, files, temps) != V1Check::Ok) {
                temps.Remove();
                return CliApplication::kFailure;
            }
        }
        bool done = false;
        QString failure;
        const bool committed = data.RunInTransaction(
            [&] {
                done = versionOne ? ConvertAndImportV1(data, temps)
                                  : ImportFile(data, QDir().absoluteFilePath(options.arguments[0]));
            },
            &failure);
        temps.Remove();
        if (!committed || !done) {
            if (!committed && !failure.isEmpty() && failure != QLatin1String("Catalog Failed"))
                m_err << "error: " << failure << "\n";
            m_err << "error: nothing was imported\n";
            return CliApplication::kFailure;
        }
        Report(versionOne ? QStringLiteral("Converted and imported the version-1 files")
                          : QStringLiteral("Imported ") + options.arguments[0],
               before, CountDatabaseTotals(data), options.json);
        return CliApplication::kSuccess;
    }

private:
    QTextStream &m_out;
    QTextStream &m_err;
    QString m_command;
};

} // namespace

std::optional<int> RunExchangeCommand(const QStringList &arguments, QTextStream &out,
                                      QTextStream &err, QTextStream &in, bool interactive)
{
    ExchangeOptions options;
    ExchangeRun run(out, err);
    QStringList unknown;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--db")) {
            if (++i >= arguments.size())
                return std::nullopt;
            options.databaseFolder = arguments[i].trimmed();
            options.databaseGiven = true;
        } else if (kOtherValueOptions.contains(argument)) {
            ++i;
            unknown << argument;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return std::nullopt;
        } else if (argument == QLatin1String("--wait")) {
            // No medium is needed here.
        } else if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (argument == QLatin1String("--quiet")) {
            options.quiet = true;
        } else if (argument == QLatin1String("--yes")) {
            options.policy = AnswerPolicy::Yes;
        } else if (argument == QLatin1String("--no")) {
            options.policy = AnswerPolicy::No;
        } else if (argument == QLatin1String("--replace-all")) {
            options.duplicates = DuplicateCatalogAnswer::YesToAll;
        } else if (argument == QLatin1String("--keep-all")) {
            options.duplicates = DuplicateCatalogAnswer::No;
        } else if (argument.startsWith(QLatin1Char('-'))) {
            unknown << argument;
        } else if (options.command.isEmpty()) {
            options.command = argument;
        } else {
            options.arguments << argument;
        }
    }
    if (!kCommands.contains(options.command))
        return std::nullopt;
    run.SetCommand(options.command);
    if (!unknown.isEmpty())
        return run.Usage(QStringLiteral("unknown option ") + unknown.front() +
                         QStringLiteral(" for ") + options.command);
    if (options.databaseGiven && options.databaseFolder.isEmpty())
        return run.Usage(QStringLiteral("--db needs a folder"));
    const qsizetype needed = options.command == QLatin1String("import") ? 1 : 2;
    if (options.arguments.size() != needed)
        return run.Usage(options.command + QStringLiteral(" needs ") +
                         (options.command == QLatin1String("export")
                              ? QStringLiteral("a catalog path and a file")
                          : options.command == QLatin1String("import")
                              ? QStringLiteral("one file")
                              : QStringLiteral("a volumes file and a files file")));
    if (options.duplicates && options.command != QLatin1String("import"))
        return run.Usage(QStringLiteral("--replace-all and --keep-all go with import"));

    TerminalUserInterface ui(out, err, in, interactive, options.policy);
    ui.SetDuplicateCatalogAnswer(options.duplicates);
    ui.SetQuiet(options.quiet);
    SetUserInterface(&ui);
    SettingsStore settings(SettingsStore::kProgramKey);
    if (!options.databaseGiven)
        options.databaseFolder = CliApplication::DefaultDatabaseFolder(settings);
    TDataShare data(nullptr);
    data.DatabaseFolder = QDir::cleanPath(QDir().absoluteFilePath(options.databaseFolder));
    int result = CliApplication::kFailure;
    try {
        if (options.command == QLatin1String("export"))
            result = run.Export(data, options);
        else
            result = run.Import(data, options, options.command == QLatin1String("import-v1"));
    } catch (const EExchangeFileError &error) {
        err << "error: " << error.Message() << "\n";
    } catch (const EDatabaseError &error) {
        err << "error: " << error.Message() << "\n";
    } catch (const std::exception &error) {
        err << "error: " << QString::fromUtf8(error.what()) << "\n";
    }
    data.CloseDatabase(QString());
    SetUserInterface(nullptr);
    out.flush();
    err.flush();
    return result;
}
