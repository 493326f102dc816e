#include "app/cli/CliApplication.h"

#include "app/cli/TerminalUserInterface.h"
#include "platform/SettingsStore.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

const QString kUsageText =
    QStringLiteral("Usage: dirvanta-cli [--db FOLDER] [--json] [--yes|--no] COMMAND\n"
                   "\n"
                   "Commands:\n"
                   "  create [--replace]   create a catalog database in the folder\n"
                   "  info                 show the database version and what it holds\n"
                   "  compress             compact both tables of the database\n"
                   "\n"
                   "Without --db the folder last used by the window is taken, else a catalog\n"
                   "in the user's data folder, made on first use.\n");

QString DataFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

} // namespace

struct CliApplication::Options
{
    QString command;
    QString databaseFolder;
    bool databaseGiven = false;
    bool json = false;
    bool replace = false;
    AnswerPolicy policy = AnswerPolicy::Ask;
};

CliApplication::CliApplication(QTextStream &out, QTextStream &err, QTextStream &in,
                               bool interactive)
    : m_out(out)
    , m_err(err)
    , m_in(in)
    , m_interactive(interactive)
{
}

QString CliApplication::DefaultDatabaseFolder(SettingsStore &settings)
{
    const QString remembered =
        settings.ReadText(QStringLiteral("Catalog Explorer"), QStringLiteral("Database Folder"))
            .trimmed();
    if (!remembered.isEmpty())
        return remembered;
    return DataFolder() + QStringLiteral("/Corvane/Dirvanta97/Catalog");
}

int CliApplication::Usage(const QString &problem)
{
    if (!problem.isEmpty())
        m_err << "dirvanta-cli: " << problem << "\n";
    m_err << kUsageText;
    m_err.flush();
    return kUsage;
}

int CliApplication::Run(const QStringList &arguments)
{
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--db")) {
            if (++i >= arguments.size())
                return Usage(QStringLiteral("--db needs a folder"));
            options.databaseFolder = arguments[i].trimmed();
            options.databaseGiven = true;
            if (options.databaseFolder.isEmpty())
                return Usage(QStringLiteral("--db needs a folder"));
        } else if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (argument == QLatin1String("--yes")) {
            options.policy = AnswerPolicy::Yes;
        } else if (argument == QLatin1String("--no")) {
            options.policy = AnswerPolicy::No;
        } else if (argument == QLatin1String("--replace")) {
            options.replace = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            m_out << kUsageText;
            m_out.flush();
            return kSuccess;
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return Usage(QStringLiteral("unknown option ") + argument);
        } else if (options.command.isEmpty()) {
            options.command = argument;
        } else {
            return Usage(QStringLiteral("unexpected argument ") + argument);
        }
    }
    if (options.command.isEmpty())
        return Usage(QStringLiteral("no command given"));
    if (options.replace && options.command != QLatin1String("create"))
        return Usage(QStringLiteral("--replace goes with create"));

    TerminalUserInterface ui(m_out, m_err, m_in, m_interactive, options.policy);
    SetUserInterface(&ui);
    SettingsStore settings(SettingsStore::kProgramKey);
    if (!options.databaseGiven)
        options.databaseFolder = DefaultDatabaseFolder(settings);
    options.databaseFolder = QDir::cleanPath(QDir().absoluteFilePath(options.databaseFolder));

    // The tool leaves the window's recent-database list alone.
    TDataShare data(nullptr);
    data.DatabaseFolder = options.databaseFolder;
    int result = kUsage;
    try {
        if (options.command == QLatin1String("create"))
            result = Create(data, options);
        else if (options.command == QLatin1String("info"))
            result = Info(data, options);
        else if (options.command == QLatin1String("compress"))
            result = Compress(data);
        else
            result = Usage(QStringLiteral("unknown command ") + options.command);
    } catch (const EDatabaseError &error) {
        m_err << "error: " << error.Message() << "\n";
        result = kFailure;
    } catch (const std::exception &error) {
        m_err << "error: " << QString::fromUtf8(error.what()) << "\n";
        result = kFailure;
    }
    data.CloseDatabase(QString());
    SetUserInterface(nullptr);
    m_out.flush();
    m_err.flush();
    return result;
}

int CliApplication::Create(TDataShare &data, const Options &options)
{
    const QString folder = data.DatabaseFolder;
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir()) {
        m_err << "error: " << folder << " is not a folder\n";
        return kFailure;
    }
    if (TDataShare::DatabaseFilesExist(false, folder) && !options.replace &&
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

bool CliApplication::OpenOrCreateDefault(TDataShare &data, const Options &options)
{
    const QString folder = data.DatabaseFolder;
    if (!options.databaseGiven && !TDataShare::DatabaseFilesExist(false, folder)) {
        // The default catalog is made the first time it is needed.
        QDir().mkpath(folder);
        data.CreateDatabaseTables();
    } else if (!TDataShare::DatabaseFilesExist(true, folder)) {
        m_err << "error: Unable to open the Catalog Database in Folder \"" << folder << "\"\n";
        return false;
    }
    return data.OpenDatabase();
}

int CliApplication::Info(TDataShare &data, const Options &options)
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
    Options options;
    options.databaseGiven = true;
    if (!OpenOrCreateDefault(data, options))
        return kFailure;
    if (!data.CompressDatabase())
        return kFailure;
    m_out << "Compressed the catalog database in " << data.DatabaseFolder << "\n";
    return kSuccess;
}
