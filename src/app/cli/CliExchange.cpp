#include "app/cli/CliExchange.h"

#include "app/cli/CliApplication.h"
#include "app/cli/CliCommandLine.h"
#include "app/cli/CliDatabase.h"
#include "exchange/ExportImport.h"
#include "exchange/VersionOne.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"
#include "store/ObjectOperations.h"

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

class ExchangeRun final
{
public:
    ExchangeRun(QTextStream &out, QTextStream &err)
        : m_out(out)
        , m_err(err)
    {
    }

    bool Open(TDataShare &data, const CliCommandLine &options, bool createDefault)
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

    int Export(TDataShare &data, const CliCommandLine &options)
    {
        if (!Open(data, options, false))
            return CliApplication::kFailure;
        const QString &path = options.arguments[0];
        const qint64 id = ResolveCatalogPath(data, path, m_err);
        if (id < 0)
            return CliApplication::kFailure;
        const int cls = data.Catalogs.Locate(data.Catalogs.LookupCursor(), id)
                            ? data.Catalogs.ItemClass(data.Catalogs.LookupCursor())
                            : -1;
        if (!ObjectRules::MayBeExported(cls)) {
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

    int Import(TDataShare &data, const CliCommandLine &options, bool versionOne)
    {
        if (!Open(data, options, true))
            return CliApplication::kFailure;
        // The counts and the commit stay in the import's small caches too.
        const ExchangePageCaches caches(data);
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
};

} // namespace

int RunExchangeCommand(TDataShare &data, const CliCommandLine &line, QTextStream &out,
                       QTextStream &err)
{
    ExchangeRun run(out, err);
    try {
        if (line.Is(CliCommandGroup::Export))
            return run.Export(data, line);
        return run.Import(data, line, line.Is(CliCommandGroup::ImportVersionOne));
    } catch (const EExchangeFileError &error) {
        err << "error: " << error.Message() << "\n";
    }
    return CliApplication::kFailure;
}
