#include "app/cli/CliPool.h"

#include "app/cli/CliApplication.h"
#include "archive/ArchivePool.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

const char *const kPoolUsage =
    "  pool                 list the archive pool's volumes and the pool's drive\n"
    "  pool drive MOUNTPOINT  make the medium mounted there the pool's drive\n"
    "  pool add             add the disk in the pool's drive as a new volume (it is\n"
    "                       labelled and gets an \"Archives\" folder)\n"
    "  pool merge           take the archive volume in the pool's drive, written by\n"
    "                       another catalog database, into the pool\n"
    "  pool free LABEL      move every archive set of a volume onto the other volumes\n"
    "  pool remove LABEL    remove an empty volume from the pool\n";

namespace {

// The number of arguments after each subcommand.
qsizetype ArgumentCount(const QString &subcommand)
{
    return subcommand == QLatin1String("add") || subcommand == QLatin1String("merge") ? 0 : 1;
}

bool Known(const QString &subcommand)
{
    return subcommand == QLatin1String("drive") || subcommand == QLatin1String("add") ||
           subcommand == QLatin1String("merge") || subcommand == QLatin1String("free") ||
           subcommand == QLatin1String("remove");
}

QJsonObject VolumeJson(const PoolVolume &volume, qint64 sets)
{
    return {{QStringLiteral("label"), volume.label},
            {QStringLiteral("name"), volume.name},
            {QStringLiteral("capacity"), qint64(volume.capacity)},
            {QStringLiteral("used"), qint64(volume.used)},
            {QStringLiteral("free"), qint64(volume.FreeBytes())},
            {QStringLiteral("percent"), VolumePercentUsed(volume.capacity, volume.used)},
            {QStringLiteral("class"), volume.cls},
            {QStringLiteral("sets"), sets}};
}

int List(ArchivePool &pool, bool json, QTextStream &out)
{
    const std::vector<PoolVolume> volumes = pool.Volumes();
    if (json) {
        QJsonArray list;
        for (const PoolVolume &volume : volumes)
            list.append(VolumeJson(volume, pool.SetCount(volume.id)));
        const QJsonObject document{{QStringLiteral("drive"), pool.PoolDrive()},
                                   {QStringLiteral("volumes"), list}};
        out << QJsonDocument(document).toJson(QJsonDocument::Compact) << "\n";
        return CliApplication::kSuccess;
    }
    out << "Drive: " << (pool.PoolDrive().isEmpty() ? QStringLiteral("(none)") : pool.PoolDrive())
        << "\n";
    for (const PoolVolume &volume : volumes) {
        out << volume.label << "  " << volume.name << "  capacity " << volume.capacity << "  used "
            << volume.used << "  free " << volume.FreeBytes() << "  "
            << VolumePercentUsed(volume.capacity, volume.used) << "%  class " << volume.cls
            << "  sets " << pool.SetCount(volume.id) << "\n";
    }
    return CliApplication::kSuccess;
}

std::optional<PoolVolume> VolumeLabelled(ArchivePool &pool, const QString &label)
{
    for (const PoolVolume &volume : pool.Volumes()) {
        if (volume.label.compare(label, Qt::CaseInsensitive) == 0)
            return volume;
    }
    return std::nullopt;
}

// Free commits each set as it moves (a set's file leaves the freed volume
// only once its row points elsewhere), so it runs outside a transaction.
int Free(ArchivePool &pool, const QString &label, QTextStream &out, QTextStream &err)
{
    const std::optional<PoolVolume> volume = VolumeLabelled(pool, label);
    if (!volume) {
        err << "error: the pool has no volume labelled " << label << "\n";
        return CliApplication::kFailure;
    }
    if (!pool.FreeVolume(volume->id))
        return CliApplication::kFailure;
    out << "Freed " << volume->name << "\n";
    return CliApplication::kSuccess;
}

} // namespace

QString PoolUsageProblem(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return {};
    const QString &subcommand = arguments.front();
    if (!Known(subcommand))
        return QStringLiteral("unknown pool command ") + subcommand;
    const qsizetype expected = ArgumentCount(subcommand) + 1;
    if (arguments.size() < expected)
        return QStringLiteral("pool ") + subcommand +
               (subcommand == QLatin1String("drive") ? QStringLiteral(" needs a mount point")
                                                     : QStringLiteral(" needs a volume label"));
    if (arguments.size() > expected)
        return QStringLiteral("unexpected argument ") + arguments[expected];
    return {};
}

int RunPoolCommand(TDataShare &data, const QStringList &arguments, bool json, QTextStream &out,
                   QTextStream &err)
{
    ArchivePool pool(data);
    if (arguments.isEmpty())
        return List(pool, json, out);
    const QString &subcommand = arguments.front();
    if (subcommand == QLatin1String("free"))
        return Free(pool, arguments[1], out, err);
    bool done = false;
    QString message;
    QString failure;
    const bool committed = data.RunInTransaction(
        [&] {
            if (subcommand == QLatin1String("drive")) {
                const QString drive = QDir::cleanPath(QDir().absoluteFilePath(arguments[1]));
                done = pool.ChangePoolDrive(drive);
                message = done ? QStringLiteral("The pool's drive is ") + drive
                               : QStringLiteral("The pool's drive was kept: ") + pool.PoolDrive();
            } else if (subcommand == QLatin1String("add") || subcommand == QLatin1String("merge")) {
                const QString drive = pool.PoolDrive();
                if (drive.isEmpty()) {
                    message = QStringLiteral("the pool has no drive; set one with pool drive "
                                             "MOUNTPOINT");
                    return;
                }
                const bool add = subcommand == QLatin1String("add");
                const std::optional<qint64> id =
                    add ? pool.AddVolume(drive) : pool.MergeVolume(drive);
                done = id.has_value();
                if (done) {
                    const std::optional<PoolVolume> volume = pool.Volume(*id);
                    message = (add ? QStringLiteral("Added ") : QStringLiteral("Merged ")) +
                              volume->name + QStringLiteral(" (") + volume->label + u')';
                } else {
                    message = add ? QStringLiteral("no volume was added")
                                  : QStringLiteral("no volume was merged");
                }
            } else {
                const std::optional<PoolVolume> volume = VolumeLabelled(pool, arguments[1]);
                if (!volume) {
                    message = QStringLiteral("the pool has no volume labelled ") + arguments[1];
                    return;
                }
                done = pool.RemoveVolume(volume->id);
                message = done ? QStringLiteral("Removed ") + volume->name
                               : QStringLiteral("the volume was kept");
            }
        },
        &failure);
    if (!committed) {
        if (!failure.isEmpty())
            err << "error: " << failure << "\n";
        else if (UI().Cancelled())
            err << "error: cancelled; the catalog is as it was\n";
        return CliApplication::kFailure;
    }
    if (!done) {
        err << "error: " << message << "\n";
        return CliApplication::kFailure;
    }
    out << message << "\n";
    return CliApplication::kSuccess;
}
