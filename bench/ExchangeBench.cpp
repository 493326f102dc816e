// Times the export and the import of a large catalog against a plain line
// loop writing and reading the same file. The catalog is made directly in
// the tables: one disk catalog with FILES files in folders of 20, two folder
// levels deep, names, sizes and dates of a usual disk, a few comments.
// Export and import run alternately with their baselines; the median ratio
// is what counts.
//
//   exchange_bench [FILES] [RUNS]        (default 1000000 files, 3 runs)
#include "app/cli/TerminalUserInterface.h"
#include "exchange/ExportImport.h"
#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

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

// The plain baselines: the same lines written out one at a time, and read
// back one at a time.
double PlainWrite(const QList<QByteArray> &lines, const QString &fileName)
{
    QElapsedTimer timer;
    timer.start();
    std::FILE *out = std::fopen(qPrintable(fileName), "wb");
    for (const QByteArray &line : lines) {
        std::fwrite(line.constData(), 1, size_t(line.size()), out);
        std::fwrite("\r\n", 1, 2, out);
    }
    std::fclose(out);
    return timer.nsecsElapsed() / 1e9;
}

double PlainRead(const QString &fileName, qint64 &lines)
{
    QElapsedTimer timer;
    timer.start();
    std::FILE *in = std::fopen(qPrintable(fileName), "rb");
    char *line = nullptr;
    size_t capacity = 0;
    lines = 0;
    while (getline(&line, &capacity, in) >= 0)
        ++lines;
    std::free(line);
    std::fclose(in);
    return timer.nsecsElapsed() / 1e9;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 files = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1'000'000;
    const int runs = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 3;
    SetDisplayLocale(QLocale(QStringLiteral("en_US")));
    QString outText;
    QString errText;
    QString inText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    QTextStream in(&inText);
    TerminalUserInterface ui(out, err, in, false, AnswerPolicy::No);
    SetUserInterface(&ui);

    QTemporaryDir work;
    TDataShare source;
    source.DatabaseFolder = work.filePath(QStringLiteral("source"));
    QDir().mkpath(source.DatabaseFolder);
    source.CreateDatabaseTables();
    if (!source.OpenDatabase())
        return 1;
    QElapsedTimer timer;
    timer.start();
    Fill(source, files);
    std::printf("catalog of %lld files made in %.1f s\n", files, timer.nsecsElapsed() / 1e9);

    const QString exportFile = work.filePath(QStringLiteral("big.dvx"));
    const QString plainFile = work.filePath(QStringLiteral("plain.dvx"));
    std::vector<double> exportRatios, importRatios, exportSeconds, importSeconds;
    qint64 records = 0;
    for (int run = 0; run < runs; ++run) {
        timer.restart();
        if (!ExportObjects(source, CatalogSchema::kCatalogsId, exportFile))
            return 1;
        const double exported = timer.nsecsElapsed() / 1e9;
        QFile file(exportFile);
        file.open(QIODevice::ReadOnly);
        QList<QByteArray> lines = file.readAll().split('\n');
        file.close();
        lines.removeLast();
        for (QByteArray &line : lines)
            line.chop(1);
        const double written = PlainWrite(lines, plainFile);
        lines.clear();

        TDataShare target;
        target.DatabaseFolder = work.filePath(QStringLiteral("target%1").arg(run));
        QDir().mkpath(target.DatabaseFolder);
        target.CreateDatabaseTables();
        if (!target.OpenDatabase())
            return 1;
        timer.restart();
        bool imported = false;
        target.RunInTransaction([&] { imported = ImportFile(target, exportFile); });
        const double importTime = timer.nsecsElapsed() / 1e9;
        if (!imported || CountDatabaseTotals(target).files != files) {
            std::fprintf(stderr, "import incomplete\n");
            return 1;
        }
        target.CloseDatabase(QString());
        const double read = PlainRead(plainFile, records);

        exportSeconds.push_back(exported);
        importSeconds.push_back(importTime);
        exportRatios.push_back(exported / written);
        importRatios.push_back(importTime / read);
        std::printf("run %d: export %.2f s (plain write %.3f s), import %.2f s (plain read %.3f "
                    "s)\n",
                    run + 1, exported, written, importTime, read);
        std::fflush(stdout);
    }
    std::printf("%lld records; export %.0f rows/s, %.0fx the plain write; import %.0f rows/s, "
                "%.0fx the plain read (medians of %d runs)\n",
                records, records / Median(exportSeconds), Median(exportRatios),
                records / Median(importSeconds), Median(importRatios), runs);
    SetUserInterface(nullptr);
    return 0;
}
