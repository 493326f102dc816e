#include "SampleCatalog.h"

#include "archive/ArchivePool.h"
#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

#include <QDateTime>

namespace {

double Day(int year, int month, int day, int hour = 12, int minute = 0)
{
    return ToDayCount(QDateTime(QDate(year, month, day), QTime(hour, minute)));
}

struct SampleFile
{
    const char *name;
    qint64 size;
    double modified;
};

class SampleWriter
{
public:
    explicit SampleWriter(TDataShare &data)
        : m_data(data)
    {
    }

    qint64 Object(qint64 parent, const char *name, int cls, qint64 size = 0,
                  const char *comment = "", const char *label = "", qint64 volumeSize = 0,
                  double when = Day(2026, 11, 2))
    {
        return AppendCatalogRow(m_data.Catalogs, QString::fromUtf8(name), QString(), parent, cls,
                                false, when, when, QString::fromUtf8(comment),
                                QString::fromUtf8(label), size, volumeSize);
    }

    void Files(qint64 owner, std::initializer_list<SampleFile> files)
    {
        SqliteStatement &insert = m_data.CatalogDatabase.Prepare(QStringLiteral(
            "INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, Modified) "
            "VALUES (?1, 32, ?2, ?3, 0, '', ?4, ?4)"));
        for (const SampleFile &file : files) {
            insert.Bind(1, owner).Bind(2, file.size).Bind(3, QString::fromUtf8(file.name));
            insert.Bind(4, file.modified).Execute();
            insert.Reset();
        }
    }

private:
    TDataShare &m_data;
};

} // namespace

qint64 BuildSampleCatalog(TDataShare &data)
{
    SampleWriter w(data);
    qint64 shown = 0;
    data.RunInTransaction([&] {
        // The objects every database starts with carry the time it was
        // made: a fixed day instead, so that the pictures stay the same.
        for (const FixedObject &fixed : FixedObjects()) {
            data.CatalogDatabase.ExecuteScript(
                QStringLiteral("UPDATE Catalogs SET Created = %1, Modified = %1 WHERE ID = %2")
                    .arg(Day(2026, 11, 1, 9, 30), 0, 'f', 6)
                    .arg(fixed.id));
        }
        const qint64 work = w.Object(CatalogSchema::kCatalogsId, "Work",
                                     CatalogSchema::kCatalogFolderClass, 0, "Disks of the office");
        const qint64 holiday =
            w.Object(work, "Holiday Photos 2026", CatalogSchema::kHardDiskClass, 7'482'113'024,
                     "Summer in the mountains,\nsorted by day", "HOLIDAY26", 31'914'983'424);
        const qint64 dcim = w.Object(holiday, "DCIM", CatalogSchema::kFileFolderClass);
        w.Object(holiday, "Videos", CatalogSchema::kFileFolderClass);
        w.Object(holiday, "Documents", CatalogSchema::kFileFolderClass);
        const qint64 drivers = w.Object(holiday, "Drivers.zip", CatalogSchema::kPackageClass,
                                        5'242'880, "Printer and scanner drivers");
        w.Object(drivers, "x86", CatalogSchema::kPackagedFolderClass);
        w.Files(drivers, {{"Install.txt", 4'096, Day(2025, 11, 3, 14, 0)}});
        w.Files(holiday, {{"readme.txt", 2'310, Day(2026, 8, 1, 9, 15)},
                          {"setup.exe", 48'211'968, Day(2026, 7, 30, 17, 2)},
                          {"originals.zip", 1'288'490'188, Day(2026, 8, 3, 21, 40)},
                          {"camera.ini", 812, Day(2026, 7, 2, 8, 0)},
                          {"index.hlp", 63'104, Day(2025, 12, 24, 11, 11)},
                          {"trip-map.bmp", 3'145'782, Day(2026, 8, 2, 10, 5)},
                          {"driver.sys", 91'648, Day(2024, 3, 5, 7, 30)},
                          {"notes.odt", 24'576, Day(2026, 8, 5, 19, 45)}});
        w.Files(dcim, {{"IMG_0001.JPG", 4'512'880, Day(2026, 7, 14, 10, 1)},
                       {"IMG_0002.JPG", 4'730'112, Day(2026, 7, 14, 10, 3)},
                       {"MOV_0003.AVI", 912'336'000, Day(2026, 7, 15, 16, 20)}});
        w.Object(work, "Software CD", CatalogSchema::kCdRomClass, 642'318'336, "Install media",
                 "SOFTCD_01", 681'574'400);
        w.Object(CatalogSchema::kCatalogsId, "Floppy 3", CatalogSchema::kRemovableDiskClass,
                 1'180'672, "", "DISK3", 1'474'560);
        w.Object(CatalogSchema::kCatalogsId, "Music Library", CatalogSchema::kHardDiskClass,
                 182'536'192'000, "", "MUSIC", 500'107'862'016);

        // The pool: three volumes on the drive /media/archive, and the sets on
        // them (a set's VolSize is its volume's ID).
        const qint64 first = w.Object(CatalogSchema::kVolumePoolId, "Archive Volume 1",
                                      VolumeClassForUsage(1'000'000'000, 301'989'888), 301'989'888,
                                      "", "DVARC0001", 1'000'000'000, Day(2026, 9, 14, 18, 5));
        const qint64 second = w.Object(CatalogSchema::kVolumePoolId, "Archive Volume 2",
                                       VolumeClassForUsage(1'000'000'000, 650'117'120), 650'117'120,
                                       "", "DVARC0002", 1'000'000'000, Day(2026, 10, 2, 20, 40));
        w.Object(CatalogSchema::kVolumePoolId, "Archive Volume 3",
                 CatalogSchema::kEmptyArchiveVolumeClass, 0, "", "DVARC0003", 4'700'372'992,
                 Day(2026, 11, 18, 9, 12));
        const qint64 letters =
            w.Object(CatalogSchema::kArchivesId, "Letters 2019-2023",
                     CatalogSchema::kArchiveSetClass, 201'326'592, "", "", first);
        w.Files(letters, {{"bank.pdf", 1'204'224, Day(2023, 4, 2, 10, 0)},
                          {"insurance.pdf", 2'306'048, Day(2022, 9, 12, 16, 30)}});
        const qint64 scans = w.Object(CatalogSchema::kArchivesId, "Scanned Receipts",
                                      CatalogSchema::kArchiveSetClass, 100'663'296, "", "", first);
        w.Object(scans, "2024", CatalogSchema::kFileFolderClass);
        w.Files(scans, {{"receipt-0412.jpg", 811'008, Day(2024, 4, 12, 13, 2)}});
        w.Object(CatalogSchema::kArchivesId, "Old Projects", CatalogSchema::kArchiveSetClass,
                 650'117'120, "", "", second);
        ArchivePool(data).SetPoolDrive(QStringLiteral("/media/archive"));

        const qint64 old = w.Object(work, "Old Backup", CatalogSchema::kHardDiskClass,
                                    2'147'483'648, "Replaced in May", "OLDBACKUP", 4'000'000'000);
        data.Catalogs.MoveItem(old, data.Catalogs.MirrorPath(old, 3, 4));
        data.CatalogDatabase.ExecuteScript(
            QStringLiteral("UPDATE Catalogs SET Deleted = %1 WHERE ID = %2")
                .arg(Day(2026, 11, 20, 14, 30))
                .arg(old));
        data.CatalogDatabase.ExecuteScript(
            QStringLiteral("UPDATE Catalogs SET Class = %1 WHERE ID = %2")
                .arg(CatalogSchema::kFullWastebasketClass)
                .arg(CatalogSchema::kWastebasketId));
        shown = holiday;
    });
    return shown;
}

qint64 BuildLongNameCatalog(TDataShare &data)
{
    // Names made of package-like parts: short ones, hyphenated ones wider
    // than a large icon's line, and a few too long for any column.
    static const char *const first[] = {"libreoffice",  "python3", "gnome-shell", "x11",
                                        "google-cloud", "fonts",   "texlive",     "kde",
                                        "perl",         "openjdk", "gstreamer",   "qt6"};
    static const char *const second[] = {"common", "data", "extension-manager", "utils",
                                         "doc",    "l10n", "plugins-good",      "tools"};
    SampleWriter w(data);
    qint64 catalog = 0;
    data.RunInTransaction([&] {
        catalog = w.Object(CatalogSchema::kCatalogsId, "Documentation Disk",
                           CatalogSchema::kHardDiskClass, 116'815'148, "", "DOCS", 250'000'000'000);
        int n = 0;
        for (const char *a : first) {
            for (const char *b : second) {
                const QByteArray name = QByteArray(a) + '-' + b;
                const qint64 folder =
                    w.Object(catalog, name.constData(), CatalogSchema::kFileFolderClass);
                if (++n % 5 == 0) {
                    const QByteArray longer = name + "-compatibility-layer-for-older-releases";
                    w.Object(catalog, longer.constData(), CatalogSchema::kFileFolderClass);
                }
                const QByteArray changelog = "changelog." + name + ".gz";
                const QByteArray copyright = "copyright-" + name;
                w.Files(folder,
                        {{changelog.constData(), 2'048 + n * 37, Day(2026, 5, 1 + n % 28)},
                         {copyright.constData(), 1'024 + n * 11, Day(2025, 9, 1 + n % 28)}});
                const QByteArray readme = "README." + name + ".md";
                w.Files(catalog, {{readme.constData(), 4'096 + n * 53, Day(2026, 2, 1 + n % 28)}});
            }
        }
    });
    return catalog;
}
