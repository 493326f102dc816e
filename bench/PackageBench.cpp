// Times cataloguing ZIP members against cataloguing plain files: a tree of
// plain files, and a tree holding one large ZIP with as many members. Both
// go into fresh databases through the same scan; the ZIP engine's listing
// alone is timed too, to show whether the engine or the database bounds the
// members' rate.
//
//   package_bench [MEMBERS]      (default 100000)
#include "BenchConsole.h"
#include "archive/ZipEngine.h"
#include "media/FilePackages.h"
#include "media/MediaScan.h"
#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <zip.h>

#include <cstdio>

namespace {

constexpr int kFilesPerFolder = 100;

QString MemberName(int number)
{
    return QStringLiteral("folder%1/file%2.txt").arg(number / kFilesPerFolder).arg(number);
}

bool MakePlainTree(const QString &root, int files)
{
    for (int i = 0; i < files; ++i) {
        const QString path = QDir(root).filePath(MemberName(i));
        if (i % kFilesPerFolder == 0)
            QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

bool MakeBigZip(const QString &path, int members)
{
    int error = 0;
    zip_t *archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    for (int i = 0; i < members; ++i) {
        zip_source_t *source = zip_source_buffer(archive, "x", 1, 0);
        const zip_int64_t index =
            zip_file_add(archive, MemberName(i).toUtf8().constData(), source, 0);
        if (index < 0)
            return false;
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    return zip_close(archive) == 0;
}

// Catalogs a tree into a fresh database; the seconds it took, or -1.
double Catalog(const QString &databaseFolder, const QString &tree, long long &files)
{
    TDataShare data;
    QDir().mkpath(databaseFolder);
    if (!OpenNewDatabase(data, databaseFolder))
        return -1;
    QElapsedTimer timer;
    timer.start();
    const bool committed = data.RunInTransaction([&] {
        TMediaScanner scanner(data, CatalogOptions());
        TPackageAnalyser packages(scanner, data);
        packages.AttachTo(tree);
        const qint64 id = scanner.CreateCatalogObject(
            QStringLiteral("Bench"), tree, CatalogSchema::kCatalogsId, 4, QString(), QString(), 0,
            0, NowDayCount(), NowDayCount());
        qint64 total = 0;
        scanner.ScanSource(tree, id, total);
    });
    const double seconds = timer.nsecsElapsed() / 1e9;
    files = CountDatabaseTotals(data).files;
    data.CloseDatabase(QString());
    return committed ? seconds : -1;
}

double ListWithEngine(const QString &zipPath, long long &members)
{
    QElapsedTimer timer;
    timer.start();
    TUnzipFile unzip;
    unzip.lpszZipFile = zipPath;
    members = 0;
    if (!unzip.Execute(ZipFunction::Count))
        return -1;
    std::printf("(opening and counting: %.3f s)\n", timer.nsecsElapsed() / 1e9);
    while (unzip.Execute(ZipFunction::NextMember)) {
        MemberDateTime(unzip.ItemDateTime);
        ++members;
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 100000;
    BenchConsole console;

    QTemporaryDir work;
    const QString plain = work.filePath(QStringLiteral("plain"));
    const QString packaged = work.filePath(QStringLiteral("packaged"));
    QDir().mkpath(packaged);
    const QString zipPath = QDir(packaged).filePath(QStringLiteral("BIG.ZIP"));
    if (!MakePlainTree(plain, count) || !MakeBigZip(zipPath, count)) {
        std::fprintf(stderr, "could not make the trees\n");
        return 1;
    }

    long long plainFiles = 0;
    long long packagedFiles = 0;
    long long listed = 0;
    const double plainSeconds = Catalog(work.filePath(QStringLiteral("db1")), plain, plainFiles);
    const double packageSeconds =
        Catalog(work.filePath(QStringLiteral("db2")), packaged, packagedFiles);
    const double engineSeconds = ListWithEngine(zipPath, listed);
    if (plainSeconds < 0 || packageSeconds < 0 || engineSeconds < 0)
        return 1;
    std::printf("plain files:   %lld in %.3f s, %.0f files/s\n", plainFiles, plainSeconds,
                plainFiles / plainSeconds);
    std::printf("ZIP members:   %lld in %.3f s, %.0f members/s (%.2fx the plain rate)\n",
                packagedFiles, packageSeconds, packagedFiles / packageSeconds,
                (packagedFiles / packageSeconds) / (plainFiles / plainSeconds));
    std::printf("engine alone:  %lld members listed in %.3f s (%.0f%% of the package time)\n",
                listed, engineSeconds, 100.0 * engineSeconds / packageSeconds);
    return 0;
}
