// Times cataloguing a tree against `find` walking the same tree. The catalog
// goes into a database that already holds a catalog of another tree (every
// index in place), as a real database would. Each cataloguing runs in a child
// process of its own so that its peak memory is its own; the two commands run
// alternately with a warm cache, and the median ratio is what counts.
// A breakdown follows: the walk alone (listing and examining, no rows) and
// the cataloguing with each index of the Files table dropped beforehand, so
// that what each part costs shows as a difference.
//
//   catalog_bench TREE [OTHER-TREE] [RUNS]
//
// The breakdown also catalogs without the name index (its triggers and its
// stamp dropped, so that nothing indexes the names): the difference is what
// the index costs.
//
// Without OTHER-TREE the database first holds a catalog of TREE itself.
#include "BenchConsole.h"
#include "media/MediaScan.h"
#include "media/MediumReadAhead.h"
#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/NameIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <fcntl.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

struct Cataloguing
{
    double seconds = -1;
    long peakKilobytes = 0;
    long long files = 0;
};

void PrintMeasurement(double seconds, long long files)
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.3f %ld %lld\n", seconds, usage.ru_maxrss, files);
}

// The walk alone in this process, as the scan consumes it: prints seconds,
// peak memory and files.
int WalkOnly(const QString &tree)
{
    const int root = open(QFile::encodeName(tree).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        return 1;
    QElapsedTimer timer;
    timer.start();
    TMediumReadAhead readAhead(root, {}, 1024, {});
    MediumEntry entry;
    long long files = 0;
    for (TMediumReadAhead::Event event = readAhead.Next(entry);
         event != TMediumReadAhead::Event::Finished; event = readAhead.Next(entry)) {
        if (event == TMediumReadAhead::Event::Entry && !entry.folder)
            ++files;
    }
    PrintMeasurement(timer.nsecsElapsed() / 1e9, files);
    return 0;
}

// The files a cataloguing added show as the growth of the last key: counting
// the rows would read the whole table into the cache and spoil the peak.
long long LastFileKey(TDataShare &data)
{
    SqliteStatement &query =
        data.CatalogDatabase.Prepare(QStringLiteral("SELECT coalesce(max(Key), 0) FROM Files"));
    const long long key = query.Step() ? query.Int64(0) : 0;
    query.Reset();
    return key;
}

// Stands for the name index among the Files indexes a cataloguing drops.
const QString kNameIndex = QStringLiteral("NameIndex");

// Leaves the name index out of step on purpose: no trigger notes a name and
// nothing indexes them, as the index counts as missing without its stamp.
void DropNameIndex(SqliteConnection &db)
{
    const std::pair<QString, QString> indexes[] = {
        {QStringLiteral("main"), NameIndex::kCatalogsIndexTable},
        {CatalogSchema::kFilesSchema, NameIndex::kFilesIndexTable}};
    for (const auto &[schema, index] : indexes) {
        for (const char *action : {"Add", "Remove", "Rename"})
            db.ExecuteScript(
                QStringLiteral("DROP TRIGGER %1.%2")
                    .arg(QuoteIdentifier(schema), QuoteIdentifier(index + QLatin1String(action))));
        db.ExecuteScript(
            QStringLiteral("DROP TABLE %1.NameIndexVersion").arg(QuoteIdentifier(schema)));
    }
}

// One cataloguing in this process: prints seconds, peak memory and files.
// The Files indexes named in dropped (comma-separated) are dropped first.
int CatalogInto(const QString &databaseFolder, const QString &tree, const QString &dropped)
{
    BenchConsole console;
    TDataShare data;
    data.DatabaseFolder = databaseFolder;
    if (!TDataShare::DatabaseFilesExist(true, databaseFolder)) {
        QDir().mkpath(databaseFolder);
        data.CreateDatabaseTables();
    }
    if (!data.OpenDatabase())
        return 1;
    const long long before = LastFileKey(data);
    for (const QString &index : dropped.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (index == kNameIndex)
            DropNameIndex(data.CatalogDatabase);
        else
            data.CatalogDatabase.ExecuteScript(
                QStringLiteral("DROP INDEX %1.%2")
                    .arg(QuoteIdentifier(CatalogSchema::kFilesSchema), QuoteIdentifier(index)));
    }
    QElapsedTimer timer;
    timer.start();
    bool finished = false;
    QString failure;
    const bool committed = data.RunInTransaction(
        [&] {
            TMediaScanner scanner(data, CatalogOptions());
            const qint64 id = scanner.CreateCatalogObject(
                QFileInfo(tree).fileName(), tree, CatalogSchema::kCatalogsId, 4, QString(),
                QString(), 0, 0, NowDayCount(), NowDayCount());
            qint64 total = 0;
            finished = scanner.ScanSource(tree, id, total);
            SetCatalogSize(data, id, total);
        },
        &failure);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!committed || !finished) {
        std::fprintf(stderr, "cataloguing failed: %s\n", qPrintable(failure));
        return 1;
    }
    PrintMeasurement(seconds, LastFileKey(data) - before);
    return 0;
}

Cataloguing RunChild(const QStringList &arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    Cataloguing result;
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return result;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() == 3) {
        result.seconds = fields[0].toDouble();
        result.peakKilobytes = fields[1].toLong();
        result.files = fields[2].toLongLong();
    }
    return result;
}

double TimeFind(const QString &tree)
{
    QProcess find;
    find.setStandardOutputFile(QStringLiteral("/dev/null"));
    QElapsedTimer timer;
    timer.start();
    find.start(QStringLiteral("find"),
               {tree, QStringLiteral("-printf"), QStringLiteral("%s %T@ %C@ %m %p\n")});
    find.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e9;
}

bool CopyDatabase(const QString &from, const QString &to)
{
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const QString &name : {CatalogSchema::kCatalogsFileName, CatalogSchema::kFilesFileName}) {
        if (!QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)))
            return false;
    }
    return true;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 4 && arguments[0] == QLatin1String("--catalog"))
        return CatalogInto(arguments[1], arguments[2], arguments[3]);
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--walk"))
        return WalkOnly(arguments[1]);
    if (arguments.isEmpty() || arguments.size() > 3) {
        std::fprintf(stderr, "usage: catalog_bench TREE [OTHER-TREE] [RUNS]\n");
        return 2;
    }
    const QString tree = QFileInfo(arguments[0]).absoluteFilePath();
    const QString other = arguments.size() > 1 ? QFileInfo(arguments[1]).absoluteFilePath() : tree;
    const int runs = arguments.size() > 2 ? std::max(1, arguments[2].toInt()) : 3;

    QTemporaryDir work;
    const QString prepared = work.filePath(QStringLiteral("prepared"));
    const QString measured = work.filePath(QStringLiteral("measured"));
    const auto catalog = [](const QString &database, const QString &from,
                            const QString &dropped = QString()) {
        return RunChild({QStringLiteral("--catalog"), database, from, dropped});
    };
    const Cataloguing first = catalog(prepared, other);
    if (first.seconds < 0)
        return 1;
    std::printf("database prepared with %lld files of %s (%.2f s)\n", first.files,
                qPrintable(other), first.seconds);
    TimeFind(tree); // warms the cache

    std::vector<double> ratios;
    long peak = 0;
    for (int run = 0; run < runs; ++run) {
        if (!CopyDatabase(prepared, measured))
            return 1;
        double find = 0;
        Cataloguing scan;
        if (run % 2 == 0) {
            find = TimeFind(tree);
            scan = catalog(measured, tree);
        } else {
            scan = catalog(measured, tree);
            find = TimeFind(tree);
        }
        if (scan.seconds < 0)
            return 1;
        ratios.push_back(scan.seconds / find);
        peak = std::max(peak, scan.peakKilobytes);
        std::printf(
            "run %d: catalog %lld files %8.3f s   find %8.3f s   ratio %5.2f   peak %ld MB\n",
            run + 1, scan.files, scan.seconds, find, scan.seconds / find,
            scan.peakKilobytes / 1024);
    }
    std::printf("median ratio %.2f (target at most 1.4), peak memory %ld MB (target at most 64)\n",
                Median(ratios), peak / 1024);

    // Where the time goes: each variant alternates with the full cataloguing.
    struct Variant
    {
        const char *what;
        QString dropped;
        bool walkOnly;
    };
    const Variant variants[] = {
        {"without the name index", kNameIndex, false},
        {"walk alone, no rows", QString(), true},
        {"without SizeIndex", QStringLiteral("SizeIndex"), false},
        {"without IDIndex", QStringLiteral("IDIndex"), false},
        {"without both indexes", QStringLiteral("SizeIndex,IDIndex"), false},
    };
    for (const Variant &variant : variants) {
        std::vector<double> full;
        std::vector<double> part;
        for (int run = 0; run < runs; ++run) {
            if (!CopyDatabase(prepared, measured))
                return 1;
            const Cataloguing whole = catalog(measured, tree);
            if (!CopyDatabase(prepared, measured))
                return 1;
            const Cataloguing reduced = variant.walkOnly
                                            ? RunChild({QStringLiteral("--walk"), tree})
                                            : catalog(measured, tree, variant.dropped);
            if (whole.seconds < 0 || reduced.seconds < 0)
                return 1;
            full.push_back(whole.seconds);
            part.push_back(reduced.seconds);
        }
        std::printf("%-22s %8.3f s against %8.3f s in full: %5.1f%% of the time\n", variant.what,
                    Median(part), Median(full), 100.0 * Median(part) / Median(full));
    }
    return 0;
}
