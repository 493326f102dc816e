// Times `dirvanta-cli export` and `dirvanta-cli import` of a large catalog
// against SQLite's own CSV tools on the same Files rows: `sqlite3 -csv`
// selecting the Files columns the export writes, and `sqlite3 .import` of
// those rows into a table with the Files table's indexes. Every command runs
// as a fresh process, timed with its own peak memory; the import also runs
// into a database without the name index's triggers, to show what they cost.
// The catalog is made directly in the tables: one disk catalog with FILES
// files in folders of 20, two folder levels deep, names, sizes and dates of
// a usual disk, a few comments. The commands run alternately; the median
// ratio is what counts.
//
//   exchange_bench [FILES] [RUNS]        (default 1000000 files, 3 runs)
#include "BenchConsole.h"
#include "BenchProgram.h"
#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/NameIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 kFilesPerFolder = 20;
constexpr qint64 kFoldersPerTop = 200;

const char *const kExtensions[] = {".txt", ".jpg", ".doc", ".mp3", ".c", ".h", ".pdf", ".zip"};

void Fill(TDataShare &data, qint64 files)
{
    data.RunInTransaction([&] {
        const double base = ToDayCount(QDateTime(QDate(2019, 3, 1), QTime(8, 0)));
        const qint64 disk =
            AppendCatalogRow(data.Catalogs, QStringLiteral("Big Disk"), QStringLiteral("/mnt/big"),
                             CatalogSchema::kCatalogsId, 4, false, base, base,
                             QStringLiteral("the big one"), QStringLiteral("BIG"), 0, 0);
        SqliteStatement &folder = data.CatalogDatabase.Prepare(QStringLiteral(
            "INSERT INTO Catalogs (Parent, Class, Name, Source, NameHidden, Created, Modified, "
            "Deleted, Comment, SerialID, Size, VolSize) VALUES (?1, 7, ?2, '/mnt/big', 0, ?3, "
            "?3, 0.0, '', '', 0, 0)"));
        SqliteStatement &file = data.CatalogDatabase.Prepare(QStringLiteral(
            "INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, Modified) "
            "VALUES (?1, 32, ?2, ?3, 0, ?4, ?5, ?6)"));
        qint64 top = 0;
        qint64 current = 0;
        for (qint64 i = 0; i < files; ++i) {
            if (i % (kFilesPerFolder * kFoldersPerTop) == 0) {
                folder.Bind(1, disk)
                    .Bind(2, QStringLiteral("Projects %1").arg(i / kFilesPerFolder))
                    .Bind(3, base + double(i % 997));
                folder.Execute();
                folder.Reset();
                top = data.CatalogDatabase.LastInsertId();
            }
            if (i % kFilesPerFolder == 0) {
                folder.Bind(1, top).Bind(2, QStringLiteral("Folder_%1").arg(i)).Bind(3, base);
                folder.Execute();
                folder.Reset();
                current = data.CatalogDatabase.LastInsertId();
            }
            const double stamp = base + double(i % 3000) + double(i % 43200) / 43200.0;
            file.Bind(1, current)
                .Bind(2, (i * 7919) % 5'000'000)
                .Bind(3, QStringLiteral("File %1%2").arg(i).arg(QLatin1String(kExtensions[i % 8])))
                .Bind(4, i % 50 == 0 ? QStringLiteral("note, with \"quotes\"") : QString())
                .Bind(5, stamp)
                .Bind(6, stamp + 0.5);
            file.Execute();
            file.Reset();
        }
    });
}

// The columns the export writes of each Files row, and the owner, which
// the import needs for its index on it.
const QString kBaselineColumns =
    QStringLiteral("ID, Name, Class, Packaged, Size, Created, Modified, Comment");

// The baseline's target: the same columns with the Files table's indexes.
const QString kBaselineSchema = QStringLiteral(
    "CREATE TABLE Files (ID INTEGER, Name TEXT, Class INTEGER, Packaged INTEGER, Size INTEGER, "
    "Created REAL, Modified REAL, Comment TEXT);"
    "CREATE INDEX IDIndex ON Files (ID);"
    "CREATE INDEX SizeIndex ON Files (Size, Created);");

// An empty catalog database, with or without the name index's triggers.
void MakeTarget(const QString &folder, bool nameIndexTriggers)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    TDataShare target;
    if (!OpenNewDatabase(target, folder))
        std::exit(1);
    if (!nameIndexTriggers) {
        target.CatalogDatabase.ExecuteScript(
            QStringLiteral("DROP TRIGGER %1.\"%2Add\"; DROP TRIGGER main.\"%3Add\";")
                .arg(QuoteIdentifier(CatalogSchema::kFilesSchema), NameIndex::kFilesIndexTable,
                     NameIndex::kCatalogsIndexTable));
    }
    target.CloseDatabase(QString());
}

void MakeBaselineTarget(const QString &fileName)
{
    QFile::remove(fileName);
    SqliteConnection baseline;
    baseline.Open(fileName, true);
    baseline.ExecuteScript(kBaselineSchema);
    baseline.Close();
}

// The files an import run added, from the command's JSON report.
qint64 FilesAdded(const ProgramRun &run)
{
    const QByteArray marker("\"files\":");
    const qsizetype at = run.output.indexOf(marker);
    if (at < 0)
        return -1;
    const QByteArray rest = run.output.mid(at + marker.size());
    qsizetype digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
        ++digits;
    return rest.left(digits).toLongLong();
}

struct Measure
{
    std::vector<double> seconds;
    double peak = 0;

    void Add(const ProgramRun &run)
    {
        seconds.push_back(run.seconds);
        peak = std::max(peak, run.peakMegabytes);
    }
};

void Require(const ProgramRun &run, const char *what)
{
    if (!run.succeeded) {
        std::fprintf(stderr, "exchange_bench: %s failed\n", what);
        std::exit(1);
    }
}

// The five commands of one run, on one catalog.
struct RunResult
{
    ProgramRun exported;
    ProgramRun selected;
    ProgramRun imported;
    ProgramRun importedBare;
    ProgramRun loaded;
};

// The files of one benchmark in a work folder.
class ExchangeSession
{
public:
    explicit ExchangeSession(const QTemporaryDir &work)
        : m_work(work)
    {
    }

    // A source catalog of that many files; the runs read it.
    void MakeSource(qint64 files)
    {
        m_files = files;
        QDir(SourceFolder()).removeRecursively();
        QDir().mkpath(SourceFolder());
        TDataShare source;
        if (!OpenNewDatabase(source, SourceFolder()))
            std::exit(1);
        QElapsedTimer timer;
        timer.start();
        Fill(source, files);
        std::printf("catalog of %lld files made in %.1f s\n", files, timer.nsecsElapsed() / 1e9);
        source.CloseDatabase(QString());
    }

    RunResult Run()
    {
        RunResult run;
        run.exported =
            RunProgram(m_cli, {QStringLiteral("--db"), SourceFolder(), QStringLiteral("export"),
                               QStringLiteral("Catalogs"), Path("big.dvx")});
        Require(run.exported, "the export");
        run.selected =
            RunProgram(m_sqlite, {QStringLiteral("-csv"),
                                  QDir(SourceFolder()).filePath(CatalogSchema::kFilesFileName),
                                  QStringLiteral(".output ") + Path("plain.csv"),
                                  QStringLiteral("SELECT %1 FROM Files").arg(kBaselineColumns)});
        Require(run.selected, "sqlite3 -csv");
        run.imported = Import(true);
        run.importedBare = Import(false);
        MakeBaselineTarget(Path("baseline.db"));
        run.loaded =
            RunProgram(m_sqlite, {Path("baseline.db"),
                                  QStringLiteral(".import --csv %1 Files").arg(Path("plain.csv"))});
        Require(run.loaded, "sqlite3 .import");
        return run;
    }

private:
    QString Path(const char *name) const { return m_work.filePath(QLatin1String(name)); }
    QString SourceFolder() const { return Path("source"); }

    ProgramRun Import(bool nameIndexTriggers)
    {
        MakeTarget(Path("target"), nameIndexTriggers);
        const ProgramRun run =
            RunProgram(m_cli, {QStringLiteral("--db"), Path("target"), QStringLiteral("--json"),
                               QStringLiteral("import"), Path("big.dvx")});
        Require(run, "the import");
        if (FilesAdded(run) != m_files) {
            std::fprintf(stderr, "exchange_bench: import incomplete\n");
            std::exit(1);
        }
        return run;
    }

    const QTemporaryDir &m_work;
    const QString m_cli =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../src/app/cli/dirvanta-cli");
    const QString m_sqlite = QStringLiteral("/usr/bin/sqlite3");
    qint64 m_files = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 files = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1'000'000;
    const int runs = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 3;
    BenchConsole console;
    QTemporaryDir work;
    if (qEnvironmentVariableIsSet("EXCHANGE_BENCH_KEEP")) {
        work.setAutoRemove(false);
        std::printf("keeping %s\n", qPrintable(work.path()));
    }
    // The command-line runs keep their settings to themselves.
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    ExchangeSession session(work);
    session.MakeSource(files);

    Measure exporting, csvExport, importing, importNoTriggers, csvImport;
    std::vector<double> exportRatios, importRatios, importNoTriggerRatios;
    for (int run = 0; run < runs; ++run) {
        const RunResult result = session.Run();
        exporting.Add(result.exported);
        csvExport.Add(result.selected);
        importing.Add(result.imported);
        importNoTriggers.Add(result.importedBare);
        csvImport.Add(result.loaded);
        exportRatios.push_back(result.exported.seconds / result.selected.seconds);
        importRatios.push_back(result.imported.seconds / result.loaded.seconds);
        importNoTriggerRatios.push_back(result.importedBare.seconds / result.loaded.seconds);
        std::printf("run %d: export %.2f s (sqlite3 -csv %.2f s), import %.2f s, without name "
                    "index triggers %.2f s (sqlite3 .import %.2f s)\n",
                    run + 1, result.exported.seconds, result.selected.seconds,
                    result.imported.seconds, result.importedBare.seconds, result.loaded.seconds);
        std::fflush(stdout);
    }
    // Memory must not grow with the catalog: the peaks of one run on a
    // catalog a tenth the size.
    session.MakeSource(files / 10);
    const RunResult small = session.Run();

    std::printf("\n%lld files, medians of %d runs, peak memory the highest of them and that of "
                "one run on %lld files:\n",
                files, runs, files / 10);
    std::printf("  %-32s %8s %8s %8s %7s  %s\n", "", "seconds", "peak MB", "at 1/10", "ratio",
                "target");
    auto row = [](const char *what, const Measure &measure, const ProgramRun &tenth,
                  const std::vector<double> *ratios, const char *target) {
        std::printf("  %-32s %8.2f %8.1f %8.1f ", what, Median(measure.seconds), measure.peak,
                    tenth.peakMegabytes);
        if (ratios)
            std::printf("%7.2f  %s\n", Median(*ratios), target);
        else
            std::printf("\n");
    };
    const char *target = "<= 1.5; <= 64 MB, the same at 1/10";
    row("dirvanta-cli export", exporting, small.exported, &exportRatios, target);
    row("sqlite3 -csv (baseline)", csvExport, small.selected, nullptr, "");
    row("dirvanta-cli import", importing, small.imported, &importRatios, target);
    row("  without name index triggers", importNoTriggers, small.importedBare,
        &importNoTriggerRatios, "");
    row("sqlite3 .import (baseline)", csvImport, small.loaded, nullptr, "");
    return 0;
}
