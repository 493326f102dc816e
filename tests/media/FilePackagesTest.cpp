#include "media/FilePackages.h"

#include "../archive/ArchiveTestFolder.h"
#include "../store/StoreFixture.h"
#include "media/MediaScan.h"
#include "store/CatalogSchema.h"

#include <zip.h>

#include <map>

namespace {

// One cataloged object or file below a catalog, read back from the tables.
struct Cataloged
{
    bool folder = false;
    int cls = 0; // class of an object, attributes of a file
    qint64 size = 0;
    bool packaged = false;
    QString comment;
    double modified = 0;
    qint64 volumeSize = 0;
};

} // namespace

class FilePackagesTest : public StoreFixture
{
protected:
    // The medium, and a folder where the archives' contents are staged.
    ArchiveTestFolder m_medium;
    ArchiveTestFolder m_stage;

    QString Medium() const { return m_medium.Path(QString()); }

    // Packs staged files into a ZIP on the medium with Debian's zip.
    void ZipWithTool(const QString &zipName, const QStringList &members,
                     const QStringList &extra = {})
    {
        ASSERT_EQ(m_stage.Run(QStringLiteral("zip"), QStringList{QStringLiteral("-q")} + extra +
                                                         QStringList{m_medium.Path(zipName)} +
                                                         members),
                  0)
            << m_stage.Output().constData();
    }

    // Writes a ZIP on the medium with libzip: each member a name and whether
    // its external attributes mark a folder (DOS attribute 16).
    void ZipWithLibrary(const QString &zipName,
                        const std::vector<std::pair<QByteArray, bool>> &members)
    {
        int error = 0;
        zip_t *archive = zip_open(QFile::encodeName(m_medium.Path(zipName)).constData(),
                                  ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(archive, nullptr);
        for (const auto &[name, folder] : members) {
            zip_source_t *source = zip_source_buffer(archive, "data", 4, 0);
            const zip_int64_t index = zip_file_add(archive, name.constData(), source, 0);
            ASSERT_GE(index, 0) << name.constData();
            zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_DOS,
                                             folder ? 0x10 : 0x20);
        }
        ASSERT_EQ(zip_close(archive), 0);
    }

    // Catalogs the medium under Catalogs and returns everything below the
    // catalog by path of stored names ("DATA.ZIP/src/a.c").
    std::map<QString, Cataloged> Scan(const CatalogOptions &options = {}, qint64 *total = nullptr)
    {
        qint64 catalogId = 0;
        qint64 sum = 0;
        QString failure;
        const bool committed = m_data->RunInTransaction(
            [&] {
                TMediaScanner scanner(*m_data, options);
                scanner.SetFileRowBatch(2);
                TPackageAnalyser packages(scanner, *m_data);
                packages.AttachTo(Medium());
                catalogId = scanner.CreateCatalogObject(
                    QStringLiteral("Disk"), Medium(), CatalogSchema::kCatalogsId,
                    CatalogSchema::kHardDiskClass, QString(), QString(), 0, 0, NowDayCount(),
                    NowDayCount());
                scanner.ScanSource(Medium(), catalogId, sum);
            },
            &failure);
        EXPECT_TRUE(committed) << failure.toStdString();
        if (total)
            *total = sum;
        return Below(catalogId);
    }

    std::map<QString, Cataloged> Below(qint64 rootId)
    {
        std::map<QString, Cataloged> found;
        std::vector<std::pair<qint64, QString>> pending{{rootId, QString()}};
        while (!pending.empty()) {
            const auto [id, prefix] = pending.back();
            pending.pop_back();
            SqliteStatement &objects = m_data->CatalogDatabase.Prepare(
                QStringLiteral("SELECT ID, Class, Name, Size, Comment, Modified, VolSize FROM "
                               "Catalogs WHERE Parent = ?1 ORDER BY ID"));
            objects.Bind(1, id);
            std::vector<std::pair<qint64, QString>> children;
            while (objects.Step()) {
                const QString path = prefix + objects.Text(2);
                found[path] = Cataloged{true,
                                        int(objects.Int64(1)),
                                        objects.Int64(3),
                                        false,
                                        objects.Text(4),
                                        objects.Double(5),
                                        objects.Int64(6)};
                children.emplace_back(objects.Int64(0), path + u'/');
            }
            objects.Reset();
            SqliteStatement &files = m_data->CatalogDatabase.Prepare(
                QStringLiteral("SELECT Class, Name, Size, Packaged, Comment, Modified FROM Files "
                               "WHERE ID = ?1 ORDER BY Key"));
            files.Bind(1, id);
            while (files.Step())
                found[prefix + files.Text(1)] = Cataloged{false,          int(files.Int64(0)),
                                                          files.Int64(2), files.Int64(3) != 0,
                                                          files.Text(4),  files.Double(5)};
            files.Reset();
            pending.insert(pending.end(), children.begin(), children.end());
        }
        return found;
    }

    static QStringList Paths(const std::map<QString, Cataloged> &entries)
    {
        QStringList paths;
        for (const auto &entry : entries)
            paths << entry.first;
        return paths;
    }

    qint64 FileCount() { return CountRows(QStringLiteral("SELECT count(*) FROM Files")); }
};

TEST_F(FilePackagesTest, ZipFilesBecomePackagesOnlyWithTheirOption)
{
    m_stage.Write(QStringLiteral("stage/readme.txt"), QByteArray(300, 'r'));
    m_stage.Write(QStringLiteral("stage/README.TXT"), QByteArray(30, 'R'));
    m_stage.Write(QStringLiteral("stage/docs/Guide.TXT"), QByteArray(1200, 'g'));
    ZipWithTool(QStringLiteral("DATA.ZIP"), {QStringLiteral("stage")}, {QStringLiteral("-r")});
    m_medium.Write(QStringLiteral("after.txt"), "after");
    ASSERT_TRUE(QFile::link(QStringLiteral("DATA.ZIP"), m_medium.Path(QStringLiteral("link.zip"))));
    const qint64 zipSize = QFileInfo(m_medium.Path(QStringLiteral("DATA.ZIP"))).size();

    CatalogOptions off;
    off.zipFiles = false;
    const auto plain = Scan(off);
    EXPECT_EQ(Paths(plain), (QStringList{QStringLiteral("DATA.ZIP"), QStringLiteral("after.txt"),
                                         QStringLiteral("link.zip")}));
    EXPECT_EQ(plain.at(QStringLiteral("DATA.ZIP")).size, zipSize);
    EXPECT_FALSE(plain.at(QStringLiteral("DATA.ZIP")).packaged);

    qint64 total = 0;
    const auto packaged = Scan(CatalogOptions{}, &total);
    // Folder entries of the archive are skipped; folders come from the paths.
    // Members keep their names, also two that differ only in letter case.
    EXPECT_EQ(Paths(packaged),
              (QStringList{QStringLiteral("DATA.ZIP"), QStringLiteral("DATA.ZIP/stage"),
                           QStringLiteral("DATA.ZIP/stage/README.TXT"),
                           QStringLiteral("DATA.ZIP/stage/docs"),
                           QStringLiteral("DATA.ZIP/stage/docs/Guide.TXT"),
                           QStringLiteral("DATA.ZIP/stage/readme.txt"), QStringLiteral("after.txt"),
                           QStringLiteral("link.zip")}));
    // A link to a package is cataloged as the link it is.
    EXPECT_FALSE(packaged.at(QStringLiteral("link.zip")).folder);
    const Cataloged &package = packaged.at(QStringLiteral("DATA.ZIP"));
    EXPECT_EQ(package.cls, CatalogSchema::kPackageClass);
    EXPECT_EQ(package.size, zipSize);
    EXPECT_EQ(package.volumeSize, 0);
    EXPECT_EQ(packaged.at(QStringLiteral("DATA.ZIP/stage/docs")).cls,
              CatalogSchema::kPackagedFolderClass);
    const Cataloged &guide = packaged.at(QStringLiteral("DATA.ZIP/stage/docs/Guide.TXT"));
    EXPECT_TRUE(guide.packaged);
    EXPECT_EQ(guide.size, 1200);
    EXPECT_EQ(guide.cls & 0x10, 0);
    EXPECT_FALSE(packaged.at(QStringLiteral("after.txt")).packaged);
    // The package counts with its own size, not its members'.
    EXPECT_EQ(total, zipSize + 5 + QByteArray("DATA.ZIP").size());
}

TEST_F(FilePackagesTest, FoldersInsideAPackageMatchWithoutLetterCase)
{
    m_stage.Write(QStringLiteral("src/a.c"), "a");
    m_stage.Write(QStringLiteral("SRC/b.c"), "bb");
    m_stage.Write(QStringLiteral("src/sub/c.c"), "ccc");
    ZipWithTool(QStringLiteral("code.zip"), {QStringLiteral("src/a.c"), QStringLiteral("SRC/b.c"),
                                             QStringLiteral("src/sub/c.c")});

    const auto found = Scan();
    EXPECT_EQ(
        Paths(found),
        (QStringList{QStringLiteral("code.zip"), QStringLiteral("code.zip/src"),
                     QStringLiteral("code.zip/src/a.c"), QStringLiteral("code.zip/src/b.c"),
                     QStringLiteral("code.zip/src/sub"), QStringLiteral("code.zip/src/sub/c.c")}));
}

TEST_F(FilePackagesTest, ATrailingSlashMakesAFolderUnlessTheEntryIsFlaggedAsOne)
{
    ZipWithLibrary(
        QStringLiteral("set.zip"),
        {{"docs/", false}, {"flagged/", true}, {"flagged/inner/", true}, {"top.txt", false}});
    const auto found = Scan();
    EXPECT_EQ(Paths(found), (QStringList{QStringLiteral("set.zip"), QStringLiteral("set.zip/docs"),
                                         QStringLiteral("set.zip/top.txt")}));
}

TEST_F(FilePackagesTest, BackslashesSeparateFoldersAndEmptyNamesMakeNone)
{
    ZipWithLibrary(QStringLiteral("win.zip"), {{"Docs\\Deep\\a.txt", false},
                                               {"docs\\b.txt", false},
                                               {"x//y.txt", false},
                                               {"/top.txt", false}});
    const auto found = Scan();
    EXPECT_EQ(
        Paths(found),
        (QStringList{QStringLiteral("win.zip"), QStringLiteral("win.zip/Docs"),
                     QStringLiteral("win.zip/Docs/Deep"), QStringLiteral("win.zip/Docs/Deep/a.txt"),
                     QStringLiteral("win.zip/Docs/b.txt"), QStringLiteral("win.zip/top.txt"),
                     QStringLiteral("win.zip/x"), QStringLiteral("win.zip/x/y.txt")}));
}

TEST_F(FilePackagesTest, PackagesTheEngineCannotListAreCatalogedAsPlainFiles)
{
    m_medium.Write(QStringLiteral("broken.zip"),
                   QByteArrayLiteral("PK\x03\x04 this is no archive"));
    // An archive without members is its end record alone.
    m_medium.Write(QStringLiteral("empty.zip"), QByteArray("PK\x05\x06", 4) + QByteArray(18, 0));
    m_stage.Write(QStringLiteral("whole.txt"), "whole");
    ZipWithTool(QStringLiteral("whole.zip"), {QStringLiteral("whole.txt")});
    // A cut archive: its central directory is gone.
    const QByteArray whole = ArchiveTestFolder::Read(m_medium.Path(QStringLiteral("whole.zip")));
    m_medium.Write(QStringLiteral("cut.zip"), whole.left(whole.size() / 2));

    const auto found = Scan();
    EXPECT_EQ(Paths(found), (QStringList{QStringLiteral("broken.zip"), QStringLiteral("cut.zip"),
                                         QStringLiteral("empty.zip"), QStringLiteral("whole.zip"),
                                         QStringLiteral("whole.zip/whole.txt")}));
    for (const char *plain : {"broken.zip", "cut.zip", "empty.zip"})
        EXPECT_FALSE(found.at(QString::fromLatin1(plain)).folder) << plain;
}

TEST_F(FilePackagesTest, SelfExtractingFilesAreRecognisedByTheEndRecord)
{
    m_stage.Write(QStringLiteral("inside.txt"), "inside");
    // A stub followed by an archive, with the offsets adjusted by zip -A.
    ZipWithTool(QStringLiteral("part.zip"), {QStringLiteral("inside.txt")});
    const QByteArray archive = ArchiveTestFolder::Read(m_medium.Path(QStringLiteral("part.zip")));
    QFile::remove(m_medium.Path(QStringLiteral("part.zip")));
    m_medium.Write(QStringLiteral("setup.exe"), QByteArray(4000, '\x90') + archive);
    ASSERT_EQ(m_stage.Run(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-A"),
                                                  m_medium.Path(QStringLiteral("setup.exe"))}),
              0)
        << m_stage.Output().constData();
    // A program without an archive, one whose end record lies too far from
    // the end, and one too small to be looked at.
    m_medium.Write(QStringLiteral("tool.exe"), QByteArray(5000, 'x'));
    m_medium.Write(QStringLiteral("far.exe"),
                   QByteArray(100, 'x') + "PK\x05\x06" + QByteArray(2045, 'y'));
    m_medium.Write(QStringLiteral("tiny.exe"), QByteArray(880, 'z') + "PK\x05\x06");

    EXPECT_TRUE(IsSelfExtractingZip(Medium(), QStringLiteral("setup.exe")));
    EXPECT_FALSE(IsSelfExtractingZip(Medium(), QStringLiteral("tool.exe")));
    EXPECT_FALSE(IsSelfExtractingZip(Medium(), QStringLiteral("far.exe")));
    EXPECT_FALSE(IsSelfExtractingZip(Medium(), QStringLiteral("tiny.exe")));
    EXPECT_FALSE(IsSelfExtractingZip(Medium(), QStringLiteral("missing.exe")));
    m_medium.Write(QStringLiteral("near.exe"),
                   QByteArray(100, 'x') + "PK\x05\x06" + QByteArray(2044, 'y'));
    EXPECT_TRUE(IsSelfExtractingZip(Medium(), QStringLiteral("near.exe")));
    QFile::remove(m_medium.Path(QStringLiteral("near.exe")));

    const auto found = Scan();
    EXPECT_EQ(Paths(found), (QStringList{QStringLiteral("far.exe"), QStringLiteral("setup.exe"),
                                         QStringLiteral("setup.exe/inside.txt"),
                                         QStringLiteral("tiny.exe"), QStringLiteral("tool.exe")}));
    CatalogOptions noExe;
    noExe.exeFiles = false;
    EXPECT_EQ(Scan(noExe).count(QStringLiteral("setup.exe")), 1u);
}

TEST_F(FilePackagesTest, CommentsComeFromTheArchiveUnlessAnEarlierOneIsReused)
{
    m_stage.Write(QStringLiteral("a.txt"), "a");
    ZipWithTool(QStringLiteral("notes.zip"), {QStringLiteral("a.txt")});
    // zip -z reads the comment from its input.
    ASSERT_EQ(m_stage.Run(QStringLiteral("zip"),
                          {QStringLiteral("-q"), QStringLiteral("-z"),
                           m_medium.Path(QStringLiteral("notes.zip"))},
                          "Release notes\n.\n"),
              0);
    const auto first = Scan();
    EXPECT_EQ(first.at(QStringLiteral("notes.zip")).comment, QStringLiteral("Release notes"));

    // The user's own comment on the package and a member are carried to the
    // next catalog when comments are reused.
    m_data->CatalogDatabase.ExecuteScript(
        QStringLiteral("UPDATE Catalogs SET Comment = 'Mine' WHERE Class = %1")
            .arg(CatalogSchema::kPackageClass));
    m_data->CatalogDatabase.ExecuteScript(
        QStringLiteral("UPDATE Files SET Comment = 'Letter A' WHERE Name = 'a.txt'"));
    CatalogOptions reuse;
    reuse.reuseComments = true;
    const auto second = Scan(reuse);
    EXPECT_EQ(second.at(QStringLiteral("notes.zip")).comment, QStringLiteral("Mine"));
    EXPECT_EQ(second.at(QStringLiteral("notes.zip/a.txt")).comment, QStringLiteral("Letter A"));
}

TEST_F(FilePackagesTest, ACancelKeepsThePackageAndTheMembersReadSoFar)
{
    for (int i = 0; i < 5; ++i)
        m_stage.Write(QStringLiteral("m%1.txt").arg(i), "m");
    ZipWithTool(QStringLiteral("five.zip"),
                {QStringLiteral("m0.txt"), QStringLiteral("m1.txt"), QStringLiteral("m2.txt"),
                 QStringLiteral("m3.txt"), QStringLiteral("m4.txt")});
    qint64 packageId = 0;
    m_data->RunInTransaction([&] {
        TMediaScanner scanner(*m_data, CatalogOptions{});
        TPackageAnalyser packages(scanner, *m_data);
        scanner.SetProgressMaximum(100);
        UI().SetCancelled(true);
        EXPECT_TRUE(packages.AnalysePackage(
            Medium(), Medium(), 0, QString(), CatalogSchema::kPackageClass,
            CatalogSchema::kCatalogsId, 123, 45000, 45000, QStringLiteral("five.zip")));
        packageId =
            m_data->Catalogs.FindChild(CatalogSchema::kCatalogsId, QStringLiteral("five.zip"));
        // The bar the scan showed is back.
        EXPECT_EQ(scanner.CurrentProgressBar().maximum, 100);
        EXPECT_EQ(scanner.ProcessedCount(), 1);
        UI().SetCancelled(false);
    });
    EXPECT_EQ(Paths(Below(packageId)), QStringList{QStringLiteral("m0.txt")});
}

TEST_F(FilePackagesTest, ArchiveSetsTakeMergedNamesWhenTheirNameIsTaken)
{
    m_stage.Write(QStringLiteral("a.txt"), "a");
    ZipWithTool(QStringLiteral("BACKUP.ZIP"), {QStringLiteral("a.txt")});
    QStringList names;
    m_data->RunInTransaction([&] {
        TMediaScanner scanner(*m_data, CatalogOptions{});
        TPackageAnalyser packages(scanner, *m_data);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(packages.AnalysePackage(
                Medium(), QStringLiteral("/pool"), 77, QStringLiteral("set comment"),
                CatalogSchema::kArchiveSetClass, CatalogSchema::kArchivesId, 10, 45000, 45000,
                QStringLiteral("BACKUP.ZIP")));
        }
        // Letter case does not make a name free.
        EXPECT_EQ(packages.ArchiveSetName(QStringLiteral("backup.zip")),
                  QStringLiteral("Merged[2] backup"));
    });
    const auto sets = Below(CatalogSchema::kArchivesId);
    EXPECT_EQ(sets.count(QStringLiteral("BACKUP")), 1u);
    EXPECT_EQ(sets.count(QStringLiteral("Merged[0] BACKUP")), 1u);
    EXPECT_EQ(sets.count(QStringLiteral("Merged[1] BACKUP/a.txt")), 1u);
    EXPECT_EQ(sets.at(QStringLiteral("BACKUP")).volumeSize, 77);
    EXPECT_EQ(sets.at(QStringLiteral("BACKUP")).comment, QStringLiteral("set comment"));
}

TEST(MemberDateTimeTest, ReadsTheEngineTextWithADosCentury)
{
    struct Case
    {
        const char *text;
        QDateTime expected;
    };
    const QDateTime fallback(QDate(1980, 1, 1), QTime(0, 0));
    const Case cases[] = {
        {"03/04/21 05:06", QDateTime(QDate(2021, 3, 4), QTime(5, 6))},
        {"12/31/99 23:59", QDateTime(QDate(1999, 12, 31), QTime(23, 59))},
        {"01/01/80 00:00", fallback},
        {"02/29/24 12:00", QDateTime(QDate(2024, 2, 29), QTime(12, 0))},
        {"02/30/24 12:00", fallback},
        {"13/01/24 12:00", fallback},
        {"01/01/24 24:00", fallback},
        {"01/01/24", fallback},
        {"", fallback},
        {"aa/bb/cc dd:ee", fallback},
    };
    for (const Case &row : cases)
        EXPECT_DOUBLE_EQ(MemberDateTime(QString::fromLatin1(row.text)), ToDayCount(row.expected))
            << row.text;
}
