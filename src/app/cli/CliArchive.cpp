#include "app/cli/CliArchive.h"

#include "app/cli/CliCommandLine.h"
#include "archive/ArchiveCreation.h"
#include "archive/ArchivePool.h"
#include "platform/Drives.h"
#include "platform/SettingsStore.h"
#include "store/DataShare.h"

#include <QDir>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTextStream>

const char *const kArchiveUsage =
    "  archive FOLDER       move a folder onto a volume of the archive pool as a ZIP set\n"
    "      [--name NAME] [--into ARCHIVE-FOLDER-PATH] [--comment TEXT]\n"
    "      [--no-subfolders] [--store] [--direct] [--delete-files]\n"
    "                       --direct writes the ZIP straight to the volume with the most\n"
    "                       free space; --delete-files sends the archived files to the\n"
    "                       trash (only when the ZIP was built on the local disk)\n";

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

struct SetOnVolume
{
    QString label;
    QString file;
    qint64 size = 0;
};

// Where the set of this name ended.
SetOnVolume FindSet(TDataShare &data, const QString &name)
{
    SqliteStatement &query = data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT VolSize, Size FROM Catalogs WHERE Class = ?1 AND Name = ?2"));
    query.Bind(1, CatalogSchema::kArchiveSetClass).Bind(2, name);
    const qint64 volumeId = query.Step() ? query.Int64(0) : 0;
    SetOnVolume set;
    set.size = volumeId ? query.Int64(1) : 0;
    query.Reset();
    const std::optional<PoolVolume> volume = ArchivePool(data).Volume(volumeId);
    if (volume) {
        set.label = volume->label;
        set.file = ArchiveFolderOf(Drives().MountPointOfLabel(volume->label)) + name +
                   QStringLiteral(".ZIP");
    }
    return set;
}

} // namespace

int RunArchiveCommand(TDataShare &data, SettingsStore &settings, const CliCommandLine &line,
                      const ArchiveCommandContext &context, QTextStream &out)
{
    const QHash<QString, QString> &values = line.values;
    const QSet<QString> &flags = line.flags;
    const QStringList &folders = line.arguments;
    const bool json = line.json;
    if (!context.openDatabase())
        return kFailure;
    ArchivePool pool(data);
    if (pool.IsPoolEmpty())
        return kFailure;

    ArchiveRequest request;
    request.workFolder = ArchiveOptions::Load(&settings).workFolder;
    request.includeSubfolders = !flags.contains(QStringLiteral("--no-subfolders"));
    request.compress = !flags.contains(QStringLiteral("--store"));
    request.deleteFiles = flags.contains(QStringLiteral("--delete-files"));
    QString folder = QDir::cleanPath(QDir().absoluteFilePath(folders.front()));
    // A folder on the pool's own disk is always staged, as in the dialog.
    request.useHardDisk = !flags.contains(QStringLiteral("--direct")) ||
                          FolderIsOnPoolDrive(folder, ArchiveFolderOf(pool.PoolDrive()));
    request.name = values.value(QStringLiteral("--name"), DefaultArchiveName());
    request.comment = values.value(QStringLiteral("--comment"));
    request.destination =
        context.resolvePath(values.value(QStringLiteral("--into"), QStringLiteral("Archives")));
    if (request.destination < 0)
        return kFailure;
    if (CheckArchiveRequest(data, request, &folder) != ArchiveRequestProblem::None)
        return kFailure;
    request.files = {folder};
    if (RunArchiveRequest(data, request) != ArchiveOutcome::Archived)
        return kFailure;

    const SetOnVolume set = FindSet(data, request.name);
    if (json) {
        const QJsonObject document{{QStringLiteral("name"), request.name},
                                   {QStringLiteral("volume"), set.label},
                                   {QStringLiteral("file"), set.file},
                                   {QStringLiteral("size"), set.size}};
        out << QJsonDocument(document).toJson(QJsonDocument::Compact) << "\n";
    } else {
        out << "Archived " << folder << " as \"" << request.name << "\" on " << set.label << " ("
            << set.file << ", " << set.size << " bytes)\n";
    }
    return kSuccess;
}
