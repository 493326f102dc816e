#include "CliRunner.h"
#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

// A database with Catalogs\Work\Disk 1 holding a folder and two files, and
// an archive volume with one archive set.
class CliListTest : public CliFixture
{
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        const double when = ToDayCount(QDateTime(QDate(2026, 7, 14), QTime(10, 1, 0)));
        MakeDatabase([&](TDataShare &data) {
            const qint64 work =
                AddCliObject(data, kCatalogsId, u"Work"_s, kCatalogFolderClass, when);
            const qint64 disk =
                AddCliObject(data, work, u"Disk 1"_s, kHardDiskClass, when, 5'000'000'100LL);
            m_folderId =
                AddCliObject(data, disk, u"My Docs"_s, kFileFolderClass, when, 0, u"two\nlines"_s);
            const qint64 volume =
                AddCliObject(data, kVolumePoolId, u"DVARC0001"_s, kEmptyArchiveVolumeClass, when);
            const qint64 set =
                AddCliObject(data, kArchivesId, u"Backup"_s, kArchiveSetClass, when, 77);
            data.CatalogDatabase.ExecuteScript(
                u"UPDATE Catalogs SET VolSize = %1 WHERE ID = %2"_s.arg(volume).arg(set));
            m_firstKey =
                AddCliFile(data, disk, u"Big.iso"_s, 5'000'000'000LL, when, u"say \"hi\""_s, 33);
            AddCliFile(data, disk, u"Read.me"_s, 100, when, {}, 0);
        });
    }

    qint64 m_folderId = 0;
    qint64 m_firstKey = 0;
};

} // namespace

TEST_F(CliListTest, ListsTheChildObjectsThenTheFilesAsJson)
{
    const CliResult listing = Run({u"ls"_s, u"catalogs\\WORK\\disk 1"_s, u"--json"_s});
    ASSERT_EQ(listing.exitCode, 0) << listing.err.toStdString();
    const QString expected =
        u"[{\"name\":\"My Docs\",\"kind\":\"object\",\"id\":%1,\"class\":7,"
        "\"size\":0,\"modified\":\"2026-07-14T10:01:00\",\"comment\":\"two\\nlines\"},"
        "{\"name\":\"Big.iso\",\"kind\":\"file\",\"key\":%2,\"attributes\":33,"
        "\"size\":5000000000,\"modified\":\"2026-07-14T10:01:00\","
        "\"comment\":\"say \\\"hi\\\"\"},"
        "{\"name\":\"Read.me\",\"kind\":\"file\",\"key\":%3,\"attributes\":0,"
        "\"size\":100,\"modified\":\"2026-07-14T10:01:00\",\"comment\":\"\"}]\n"_s.arg(m_folderId)
            .arg(m_firstKey)
            .arg(m_firstKey + 1);
    EXPECT_EQ(listing.out, expected);
}

TEST_F(CliListTest, TextListsOneLinePerEntryInTheMainListColumns)
{
    struct Case
    {
        QStringList arguments;
        QStringList firstColumns;
    };
    const Case cases[] = {
        {{u"ls"_s}, {u"Archives"_s, u"Catalogs"_s, u"Wastebasket"_s}},
        {{u"ls"_s, u"Catalogs\\Work\\"_s}, {u"Disk 1"_s}},
        {{u"ls"_s, u"Catalogs\\Work\\Disk 1"_s}, {u"My Docs"_s, u"Big.iso"_s, u"Read.me"_s}},
        // An archive volume lists the archive sets stored on it.
        {{u"ls"_s, u"Archives\\Volume Pool\\DVARC0001"_s}, {u"Backup"_s}},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.arguments.join(u' ').toStdString());
        const CliResult listing = Run(row.arguments);
        ASSERT_EQ(listing.exitCode, 0) << listing.err.toStdString();
        QStringList lines = listing.out.split(u'\n');
        ASSERT_EQ(lines.takeLast(), QString());
        QStringList names;
        for (const QString &line : lines) {
            EXPECT_EQ(line.count(u'\t'), 4) << line.toStdString();
            names << line.section(u'\t', 0, 0);
        }
        EXPECT_EQ(names, row.firstColumns);
    }
    const QStringList disk = Run({u"ls"_s, u"Catalogs\\Work\\Disk 1"_s}).out.split(u'\n');
    // A folder shows no size, a comment stays on its line.
    EXPECT_TRUE(disk[0].startsWith(u"My Docs\t\tFile Folder\t"_s));
    EXPECT_TRUE(disk[0].endsWith(u"\ttwo lines"_s));
    EXPECT_TRUE(disk[2].startsWith(u"Read.me\t1KB\t"_s));
}

TEST_F(CliListTest, APathThatDoesNotExistFails)
{
    // Paths start at the top: "Work" alone names nothing.
    const CliResult listing = Run({u"ls"_s, u"Work"_s});
    EXPECT_TRUE(FailedWith(listing, u"there is no \"Work\""_s));
    EXPECT_TRUE(listing.out.isEmpty());
    EXPECT_EQ(Run({u"ls"_s, u"a"_s, u"b"_s}).exitCode, 2);
}
