#include "app/cli/CliApplication.h"

#include "app/cli/CliArchive.h"
#include "app/cli/CliCommandLine.h"
#include "app/cli/CliDatabase.h"
#include "app/cli/CliDatabaseCheck.h"
#include "app/cli/CliExchange.h"
#include "app/cli/CliExtract.h"
#include "app/cli/CliFind.h"
#include "app/cli/CliPool.h"
#include "app/cli/ObjectCommands.h"
#include "app/cli/TerminalUserInterface.h"
#include "media/CatalogMedia.h"
#include "media/CatalogNameRules.h"
#include "media/MediaIdentification.h"
#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "platform/SettingsStore.h"
#include "store/CatalogContents.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QSet>
#include <QTextStream>

#include <optional>

namespace {

const QString kUsageText =
    QStringLiteral("Usage: dirvanta-cli [--db FOLDER] [--json] [--yes|--no] [--quiet] COMMAND\n"
                   "       dirvanta-cli --version\n"
                   "       dirvanta-cli [COMMAND] --help\n"
                   "\n"
                   "Commands:\n"
                   "  create [--replace]   create a catalog database in the folder\n"
                   "  info                 show the database version and what it holds\n"
                   "  compress             compact both tables of the database\n"
                   "  ls [PATH]            list the objects and files in a catalog object, as the\n"
                   "                       main list shows them; PATH names it from the top, as\n"
                   "                       in \"Catalogs\\Work\\Disk 1\" (default: the database)\n"
                   "  catalog SOURCE       catalog a medium or folder into a new disk catalog:\n"
                   "      [--name DESCRIPTION] [--into CATALOG-FOLDER-PATH] [--label NEWLABEL]\n"
                   "      [--comment TEXT] [--reuse-comments] [--validate] [--no-zip] [--no-exe]\n"
                   "  update PATH          rebuild a disk catalog from its medium\n"
                   "  mkdir PATH           make a catalog or archive folder\n"
                   "  mv PATH DEST-PATH    move an object into a folder (or the Wastebasket)\n"
                   "  rename PATH NAME     give an object a new name (an archive set's ZIP file\n"
                   "                       on its volume takes it too)\n"
                   "  rm PATH [--permanent]  send an object to the Wastebasket, or delete it\n"
                   "                       for good (objects in the Wastebasket always are)\n"
                   "  restore PATH         put an object of the Wastebasket back in its place\n"
                   "  empty-wastebasket    delete everything in the Wastebasket for good\n"
                   "  comment PATH TEXT    set the comment of an object or of a file\n"
                   "  properties PATH      show what the Properties dialog shows of an object\n"
                   "                       or a file: details and statistics\n") +
    QString::fromLatin1(kExchangeUsage) + QString::fromLatin1(kFindUsage) +
    QString::fromLatin1(kPoolUsage) + QString::fromLatin1(kArchiveUsage) +
    QString::fromLatin1(kExtractUsage) + QString::fromLatin1(kDatabaseCheckUsage) +
    QStringLiteral("\n"
                   "--wait waits for a medium that is not there instead of failing.\n"
                   "--quiet shows no progress line; without a terminal none is shown.\n"
                   "Ctrl+C cancels the work as the progress window's Cancel does (exit\n"
                   "code 130).\n"
                   "\n"
                   "Without --db the folder last used by the window is taken, else a catalog\n"
                   "in the user's data folder, made on first use.\n");

// The lines of the usage text that describe one command: those that start
// with its name and the lines indented below them. Empty for no command.
QString CommandUsage(const QString &command)
{
    if (command.isEmpty())
        return {};
    const QString start = QStringLiteral("  ") + command;
    QString lines;
    bool inCommand = false;
    for (const QString &line : kUsageText.split(u'\n')) {
        if (line.startsWith(QStringLiteral("  ")) && !line.startsWith(QStringLiteral("   ")))
            inCommand = line == start || line.startsWith(start + u' ');
        else if (!line.startsWith(QStringLiteral("   ")))
            inCommand = false;
        if (inCommand)
            lines += line + u'\n';
    }
    return lines;
}

QString DataFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

// A text as a JSON string, quotes included.
QString JsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace

CliApplication::CliApplication(QTextStream &out, QTextStream &err, QTextStream &in,
                               bool interactive)
    : m_out(out)
    , m_err(err)
    , m_in(in)
    , m_interactive(interactive)
    , m_progressTerminal(interactive)
{
}

QString CliApplication::DefaultDatabaseFolder(SettingsStore &settings)
{
    const QString remembered = LastDatabase::Read(settings).folder.trimmed();
    if (!remembered.isEmpty())
        return remembered;
    return DataFolder() + QStringLiteral("/Corvane/Dirvanta97/Catalog");
}

int CliApplication::Usage(const QString &problem, const QString &command)
{
    if (!problem.isEmpty())
        m_err << "dirvanta-cli: " << problem << "\n";
    m_err << UsageText(command);
    m_err.flush();
    return kUsage;
}

QString CliApplication::UsageText(const QString &command)
{
    const QString lines = CommandUsage(command);
    if (lines.isEmpty())
        return kUsageText;
    return QStringLiteral("Usage: dirvanta-cli [--db FOLDER] [--json] [--yes|--no] [--quiet] ") +
           command + QStringLiteral(" ...\n") + lines;
}

int CliApplication::Run(const QStringList &arguments)
{
    CliCommandLine line = ParseCliCommandLine(arguments);
    if (line.version)
        return Version();
    if (line.help) {
        m_out << UsageText(line.commandName);
        m_out.flush();
        return kSuccess;
    }
    if (line.problem.isEmpty())
        line.problem = ShapeProblem(line);
    if (!line.problem.isEmpty())
        return Usage(line.problem, line.command ? line.commandName : QString());

    TerminalUserInterface ui(m_out, m_err, m_in, m_interactive, line.policy);
    ui.SetWaitForMedium(line.wait);
    ui.SetQuiet(line.quiet);
    ui.SetProgressTerminal(m_progressTerminal);
    if (line.Has(QStringLiteral("--replace-all")))
        ui.SetDuplicateCatalogAnswer(DuplicateCatalogAnswer::YesToAll);
    else if (line.Has(QStringLiteral("--keep-all")))
        ui.SetDuplicateCatalogAnswer(DuplicateCatalogAnswer::No);
    const UserInterfaceInstallation installed(ui);
    SettingsStore settings(SettingsStore::kProgramKey);
    if (!line.databaseGiven)
        line.databaseFolder = DefaultDatabaseFolder(settings);
    line.databaseFolder = QDir::cleanPath(QDir().absoluteFilePath(line.databaseFolder));

    // The tool leaves the window's recent-database list alone.
    TDataShare data(nullptr);
    data.DatabaseFolder = line.databaseFolder;
    int result = kFailure;
    try {
        result = RunCommand(data, settings, line);
    } catch (const EDatabaseError &error) {
        m_err << "error: " << error.Message() << "\n";
        result = kFailure;
    } catch (const std::exception &error) {
        m_err << "error: " << QString::fromUtf8(error.what()) << "\n";
        result = kFailure;
    }
    data.CloseDatabase(QString());
    m_out.flush();
    m_err.flush();
    return result;
}

// The checks of arguments that go beyond their number: restore PATH DEST
// is an extraction, and pool's subcommands take their own.
QString CliApplication::ShapeProblem(const CliCommandLine &line)
{
    if (line.Is(CliCommandGroup::Object) &&
        IsExtractCommand(line.commandName, line.arguments, line.Has(QStringLiteral("--overwrite"))))
        return ExtractUsageProblem(line.commandName, line.arguments);
    if (line.Is(CliCommandGroup::Pool))
        return PoolUsageProblem(line.arguments);
    if (line.Has(QStringLiteral("--replace-all")) && line.Has(QStringLiteral("--keep-all")))
        return QStringLiteral("--replace-all and --keep-all exclude each other");
    return {};
}

int CliApplication::RunCommand(TDataShare &data, SettingsStore &settings,
                               const CliCommandLine &line)
{
    auto open = [&] { return OpenOrCreateDefault(data, line); };
    const bool overwrite = line.Has(QStringLiteral("--overwrite"));
    switch (line.command->group) {
    case CliCommandGroup::Create:
        return Create(data, line);
    case CliCommandGroup::Info:
        return Info(data, line);
    case CliCommandGroup::Compress:
        return Compress(data);
    case CliCommandGroup::List:
        return List(data, line);
    case CliCommandGroup::Catalog:
        return Catalog(data, line);
    case CliCommandGroup::Update:
        return Update(data, line);
    case CliCommandGroup::Export:
    case CliCommandGroup::Import:
    case CliCommandGroup::ImportVersionOne:
        return RunExchangeCommand(data, line, m_out, m_err);
    case CliCommandGroup::Find:
        return RunFindCommand(data, line, m_out, m_err, open);
    case CliCommandGroup::Archive:
        return RunArchiveCommand(
            data, settings, line,
            {open, [&](const QString &path) { return ResolveCatalogPath(data, path, m_err); }},
            m_out);
    case CliCommandGroup::DatabaseCheck:
        // The folder is checked as it is, never opened or created first.
        return RunDatabaseCheckCommand(
            line.commandName,
            line.arguments.isEmpty()
                ? line.databaseFolder
                : QDir::cleanPath(QDir().absoluteFilePath(line.arguments.first())),
            line.json, m_out, m_err);
    case CliCommandGroup::Pool:
        return open() ? RunPoolCommand(data, line.arguments, line.json, m_out, m_err) : kFailure;
    case CliCommandGroup::Extract:
        break;
    case CliCommandGroup::Object:
        if (!IsExtractCommand(line.commandName, line.arguments, overwrite))
            return open() ? RunObjectCommand(data,
                                             {line.commandName, line.arguments,
                                              line.Has(QStringLiteral("--permanent")), line.json},
                                             m_out, m_err)
                          : kFailure;
        break;
    }
    return open() ? RunExtractCommand(data, line.commandName, line.arguments, overwrite, line.json,
                                      m_out, m_err)
                  : kFailure;
}

int CliApplication::Version()
{
    m_out << "dirvanta-cli " << DIRVANTA_VERSION << "\n";
    m_out.flush();
    return kSuccess;
}

int CliApplication::Create(TDataShare &data, const CliCommandLine &options)
{
    const QString folder = data.DatabaseFolder;
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir()) {
        m_err << "error: " << folder << " is not a folder\n";
        return kFailure;
    }
    if (TDataShare::DatabaseFilesExist(false, folder) &&
        !options.Has(QStringLiteral("--replace")) &&
        !UI().AskYesNo(
            QStringLiteral("Database Replace"),
            QStringLiteral("The Folder specified already contains Dirvanta Databases. Do "
                           "you wish to replace these Database with a new Database ?") +
                kParagraphBreak +
                QStringLiteral("Caution: Replying YES, may result in the loss of Catalog "
                               "Data !"),
            MessageIcon::Warning)) {
        m_err << "error: the catalog database in " << folder
              << " was kept; give --replace to replace it\n";
        return kFailure;
    }
    if (!QDir().mkpath(folder)) {
        m_err << "error: the folder " << folder << " could not be created\n";
        return kFailure;
    }
    try {
        data.CreateDatabaseTables();
    } catch (const EDatabaseError &error) {
        if (!error.IsLocked())
            throw;
        m_err << "error: the catalog database in " << folder
              << " is in use by another program; it was not replaced\n";
        return kFailure;
    }
    m_out << "Created catalog database in " << folder << "\n";
    return kSuccess;
}

bool CliApplication::OpenOrCreateDefault(TDataShare &data, const CliCommandLine &options)
{
    return OpenCliDatabase(data, options.databaseGiven, true, m_err);
}

int CliApplication::Info(TDataShare &data, const CliCommandLine &options)
{
    if (!OpenOrCreateDefault(data, options))
        return kFailure;
    const DatabaseTotals totals = CountDatabaseTotals(data);
    if (options.json) {
        m_out << "{\"version\":" << data.DatabaseVersion << ",\"objects\":" << totals.objects
              << ",\"files\":" << totals.files << ",\"bytes\":" << totals.bytes << "}\n";
    } else {
        m_out << "Database: " << data.DatabaseFolder << "\n"
              << "Version:  " << data.DatabaseVersion << "\n"
              << "Objects:  " << totals.objects << "\n"
              << "Files:    " << totals.files << "\n"
              << "Bytes:    " << totals.bytes << "\n";
    }
    return kSuccess;
}

int CliApplication::Compress(TDataShare &data)
{
    if (!OpenCliDatabase(data, true, true, m_err))
        return kFailure;
    if (!data.CompressDatabase())
        return kFailure;
    m_out << "Compressed the catalog database in " << data.DatabaseFolder << "\n";
    return kSuccess;
}

int CliApplication::Catalog(TDataShare &data, const CliCommandLine &options)
{
    if (!OpenOrCreateDefault(data, options))
        return kFailure;
    const qint64 into = ResolveCatalogPath(
        data, options.Value(QStringLiteral("--into"), QStringLiteral("Catalogs")), m_err);
    if (into < 0)
        return kFailure;
    const qint64 folder = CatalogTargetFolder(data, into);
    const QString source =
        QDir::cleanPath(QDir().absoluteFilePath(options.arguments.value(0).trimmed()));
    const QString description =
        options.Value(QStringLiteral("--name"), UniqueCatalogName(data, folder));
    CatalogOptions catalogOptions;
    catalogOptions.source = source;
    catalogOptions.reuseComments = options.Has(QStringLiteral("--reuse-comments"));
    catalogOptions.validateMedia = options.Has(QStringLiteral("--validate"));
    catalogOptions.zipFiles = !options.Has(QStringLiteral("--no-zip"));
    catalogOptions.exeFiles = !options.Has(QStringLiteral("--no-exe"));

    // The checks of the Catalog Disk dialog, in its order.
    if (!CatalogNamesAcceptable(description, QString(), QString()))
        return kFailure;
    QString driveDescription;
    if (GetDriveClass(source, driveDescription) == DriveClass::NotSupported) {
        UI().ShowError(QStringLiteral("Unsupported Device"), UnsupportedDeviceText());
        return kFailure;
    }
    QString label;
    if (!ValidateCatalogSource(description, source, label) ||
        !ValidateCatalogDescription(data, description, folder))
        return kFailure;

    qint64 id = -1;
    QString failure;
    const bool built = data.RunInTransaction(
        [&] {
            UI().ShowProgress(0);
            const bool done =
                CatalogMedia(data, catalogOptions,
                             {source, description, folder, label,
                              options.Value(QStringLiteral("--label"), label).trimmed(),
                              options.Value(QStringLiteral("--comment"))},
                             &id);
            UI().CloseProgress();
            if (!done)
                throw EDirvantaFailed(QStringLiteral("Catalog Failed"));
        },
        &failure);
    if (!built) {
        UI().CloseProgress();
        UI().ShowError(QStringLiteral("Catalog Failed"),
                       QStringLiteral("The request to Catalog the selected media failed or was "
                                      "cancelled by the user."));
        return kFailure;
    }
    m_out << "Cataloged " << source << " as \"" << GetObjectPath(data, id) << "\" ("
          << SizeText(GetObjectSize(data, id), true) << ")\n";
    return kSuccess;
}

int CliApplication::Update(TDataShare &data, const CliCommandLine &options)
{
    if (!OpenOrCreateDefault(data, options))
        return kFailure;
    const qint64 id = ResolveCatalogPath(data, options.arguments.value(0), m_err);
    if (id < 0)
        return kFailure;
    qint64 fresh = -1;
    // A cancelled or failed update leaves the catalog as it was: the half-built
    // new catalog is rolled back rather than kept beside the old one.
    const bool updated = data.RunInTransaction([&] {
        const bool done = UpdateCatalog(data, CatalogOptions{}, id, &fresh);
        UI().CloseProgress();
        if (!done)
            throw EDirvantaFailed(QStringLiteral("Update Failed"));
    });
    if (!updated) {
        UI().CloseProgress();
        m_err << "error: \"" << options.arguments.value(0)
              << "\" was not updated: it is no disk catalog, its medium was not inserted, or the "
                 "update was cancelled\n";
        return kFailure;
    }
    m_out << "Updated \"" << GetObjectPath(data, fresh) << "\" ("
          << SizeText(GetObjectSize(data, fresh), true) << ")\n";
    return kSuccess;
}

int CliApplication::List(TDataShare &data, const CliCommandLine &options)
{
    if (!OpenOrCreateDefault(data, options))
        return kFailure;
    // Catalog paths start below the database object; names are matched
    // without regard to letter case, as the item tree finds children.
    const qint64 id = ResolveCatalogPath(data, options.arguments.value(0), m_err);
    if (id < 0)
        return kFailure;
    QList<ContentRow> entries;
    ReadCatalogContents(data, id, [&](const ContentRow &row) { entries.append(row); });
    if (options.json) {
        QStringList items;
        for (const ContentRow &entry : entries) {
            const QString modified =
                entry.modified ? JsonString(FromDayCount(*entry.modified).toString(Qt::ISODate))
                               : QStringLiteral("null");
            items << QStringLiteral("{\"name\":%1,\"kind\":\"%2\",\"%3\":%4,\"%5\":%6,"
                                    "\"size\":%7,\"modified\":%8,\"comment\":%9}")
                         .arg(JsonString(entry.name),
                              entry.file ? QStringLiteral("file") : QStringLiteral("object"),
                              entry.file ? QStringLiteral("key") : QStringLiteral("id"),
                              QString::number(entry.number),
                              entry.file ? QStringLiteral("attributes") : QStringLiteral("class"),
                              QString::number(entry.cls), QString::number(entry.size), modified,
                              JsonString(entry.comment));
        }
        m_out << "[" << items.join(QLatin1Char(',')) << "]\n";
        return kSuccess;
    }
    // The main list's columns: name, size, type, modified, comment.
    for (const ContentRow &entry : entries) {
        const bool noSize = !entry.file && ClassShowsNoSize(entry.cls);
        m_out << entry.name << '\t' << (noSize ? QString() : SizeText(entry.size, false)) << '\t'
              << (entry.file ? FileTypeName(entry.name) : GetClassName(entry.cls)) << '\t'
              << (entry.modified ? DateTimeText(*entry.modified) : QString()) << '\t'
              << OneLineComment(entry.comment) << '\n';
    }
    return kSuccess;
}
