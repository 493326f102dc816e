// The package analysis and extraction: the input is a ZIP (or a program
// with a ZIP at its end) on a medium. A scan of the medium catalogs it as a
// package into a fresh database (listing, folders from member names with
// "\" and empty segments); then every member is extracted into a fresh
// folder, which nothing may leave.
#include "FuzzSupport.h"
#include "archive/ZipEngine.h"
#include "media/FilePackages.h"
#include "media/MediaScan.h"
#include "platform/DayCount.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

#include <QDir>

namespace {

constexpr int kHardDiskClass = 4;

void Catalog(const QString &medium)
{
    FuzzDatabase database;
    TDataShare &share = database.Data();
    share.RunInTransaction([&] {
        TMediaScanner scanner(share, CatalogOptions{});
        TPackageAnalyser packages(scanner, share);
        packages.AttachTo(medium);
        const qint64 catalogId = scanner.CreateCatalogObject(
            QStringLiteral("Disk"), medium, CatalogSchema::kCatalogsId, kHardDiskClass, QString(),
            QString(), 0, 0, NowDayCount(), NowDayCount());
        qint64 total = 0;
        scanner.ScanSource(medium, catalogId, total);
    });
}

// Extracts every member into out/a/b; whatever the names say ("../x"),
// nothing may appear beside the destination or its parents.
void Extract(const QString &archive)
{
    const QDir scratch(FuzzFolder());
    const QString destination = scratch.filePath(QStringLiteral("out/a/b"));
    QDir().mkpath(destination);
    TUnzipFile unzip;
    unzip.lpszZipFile = archive;
    unzip.lpszDestination = destination;
    unzip.Options = OverWriteFlag | QuietFlag;
    unzip.Execute(ZipFunction::Extract);
    const auto entries = [](const QString &folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System |
                                      QDir::Hidden);
    };
    FuzzCheck(entries(scratch.filePath(QStringLiteral("out"))) == QStringList{QStringLiteral("a")},
              "extraction wrote beside its folder");
    FuzzCheck(entries(scratch.filePath(QStringLiteral("out/a"))) ==
                  QStringList{QStringLiteral("b")},
              "extraction wrote beside its folder");
    QDir(scratch.filePath(QStringLiteral("out"))).removeRecursively();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    PrepareFuzzProcess();
    const QString medium = QDir(FuzzFolder()).filePath(QStringLiteral("medium"));
    QDir(medium).removeRecursively();
    QDir().mkpath(medium);
    const QByteArray input = FuzzBytes(data, size);
    const QString zip = WriteFuzzFile(QStringLiteral("medium/DATA.ZIP"), input);
    WriteFuzzFile(QStringLiteral("medium/SETUP.EXE"), input);
    Catalog(medium);
    Extract(zip);
    return 0;
}
