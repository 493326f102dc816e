#include "media/FilePackages.h"

#include "../archive/ArchiveTestFolder.h"
#include "../store/StoreFixture.h"
#include "media/MediaScan.h"
#include "store/CatalogSchema.h"

#include <zip.h>

#include <map>

using namespace Qt::StringLiterals;

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
        ASSERT_EQ(m_stage.Run(u"zip"_s, QStringList{u"-q"_s} + extra +
                                            QStringList{m_medium.Path(zipName)} + members),
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
                    u"Disk"_s, Medium(), CatalogSchema::kCatalogsId, CatalogSchema::kHardDiskClass,
                    QString(), QString(), 0, 0, NowDayCount(), NowDayCount());
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
                u"SELECT ID, Class, Name, Size, Comment, Modified, VolSize FROM "
                "Catalogs WHERE Parent = ?1 ORDER BY ID"_s);
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
                u"SELECT Class, Name, Size, Packaged, Comment, Modified FROM Files "
                "WHERE ID = ?1 ORDER BY Key"_s);
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

    qint64 FileCount() { return CountRows(u"SELECT count(*) FROM Files"_s); }
};

TEST_F(FilePackagesTest, ZipFilesBecomePackagesOnlyWithTheirOption)
{
    m_stage.Write(u"stage/readme.txt"_s, QByteArray(300, 'r'));
    m_stage.Write(u"stage/README.TXT"_s, QByteArray(30, 'R'));
    m_stage.Write(u"stage/docs/Guide.TXT"_s, QByteArray(1200, 'g'));
    ZipWithTool(u"DATA.ZIP"_s, {u"stage"_s}, {u"-r"_s});
    m_medium.Write(u"after.txt"_s, "after");
    ASSERT_TRUE(QFile::link(u"DATA.ZIP"_s, m_medium.Path(u"link.zip"_s)));
    const qint64 zipSize = QFileInfo(m_medium.Path(u"DATA.ZIP"_s)).size();

    CatalogOptions off;
    off.zipFiles = false;
    const auto plain = Scan(off);
    EXPECT_EQ(Paths(plain), (QStringList{u"DATA.ZIP"_s, u"after.txt"_s, u"link.zip"_s}));
    EXPECT_EQ(plain.at(u"DATA.ZIP"_s).size, zipSize);
    EXPECT_FALSE(plain.at(u"DATA.ZIP"_s).packaged);

    qint64 total = 0;
    const auto packaged = Scan(CatalogOptions{}, &total);
    // Folder entries of the archive are skipped; folders come from the paths.
    // Members keep their names, also two that differ only in letter case.
    EXPECT_EQ(Paths(packaged),
              (QStringList{u"DATA.ZIP"_s, u"DATA.ZIP/stage"_s, u"DATA.ZIP/stage/README.TXT"_s,
                           u"DATA.ZIP/stage/docs"_s, u"DATA.ZIP/stage/docs/Guide.TXT"_s,
                           u"DATA.ZIP/stage/readme.txt"_s, u"after.txt"_s, u"link.zip"_s}));
    // A link to a package is cataloged as the link it is.
    EXPECT_FALSE(packaged.at(u"link.zip"_s).folder);
    const Cataloged &package = packaged.at(u"DATA.ZIP"_s);
    EXPECT_EQ(package.cls, CatalogSchema::kPackageClass);
    EXPECT_EQ(package.size, zipSize);
    EXPECT_EQ(package.volumeSize, 0);
    EXPECT_EQ(packaged.at(u"DATA.ZIP/stage/docs"_s).cls, CatalogSchema::kPackagedFolderClass);
    const Cataloged &guide = packaged.at(u"DATA.ZIP/stage/docs/Guide.TXT"_s);
    EXPECT_TRUE(guide.packaged);
    EXPECT_EQ(guide.size, 1200);
    EXPECT_EQ(guide.cls & 0x10, 0);
    EXPECT_FALSE(packaged.at(u"after.txt"_s).packaged);
    // The package counts with its own size, not its members'.
    EXPECT_EQ(total, zipSize + 5 + QByteArray("DATA.ZIP").size());
}

TEST_F(FilePackagesTest, FoldersInsideAPackageMatchWithoutLetterCase)
{
    m_stage.Write(u"src/a.c"_s, "a");
    m_stage.Write(u"SRC/b.c"_s, "bb");
    m_stage.Write(u"src/sub/c.c"_s, "ccc");
    ZipWithTool(u"code.zip"_s, {u"src/a.c"_s, u"SRC/b.c"_s, u"src/sub/c.c"_s});

    const auto found = Scan();
    EXPECT_EQ(Paths(found), (QStringList{u"code.zip"_s, u"code.zip/src"_s, u"code.zip/src/a.c"_s,
                                         u"code.zip/src/b.c"_s, u"code.zip/src/sub"_s,
                                         u"code.zip/src/sub/c.c"_s}));
}

TEST_F(FilePackagesTest, ATrailingSlashMakesAFolderUnlessTheEntryIsFlaggedAsOne)
{
    ZipWithLibrary(
        u"set.zip"_s,
        {{"docs/", false}, {"flagged/", true}, {"flagged/inner/", true}, {"top.txt", false}});
    const auto found = Scan();
    EXPECT_EQ(Paths(found), (QStringList{u"set.zip"_s, u"set.zip/docs"_s, u"set.zip/top.txt"_s}));
}

TEST_F(FilePackagesTest, BackslashesSeparateFoldersAndEmptyNamesMakeNone)
{
    ZipWithLibrary(u"win.zip"_s, {{"Docs\\Deep\\a.txt", false},
                                  {"docs\\b.txt", false},
                                  {"x//y.txt", false},
                                  {"/top.txt", false}});
    const auto found = Scan();
    EXPECT_EQ(Paths(found),
              (QStringList{u"win.zip"_s, u"win.zip/Docs"_s, u"win.zip/Docs/Deep"_s,
                           u"win.zip/Docs/Deep/a.txt"_s, u"win.zip/Docs/b.txt"_s,
                           u"win.zip/top.txt"_s, u"win.zip/x"_s, u"win.zip/x/y.txt"_s}));
}

TEST_F(FilePackagesTest, PackagesTheEngineCannotListAreCatalogedAsPlainFiles)
{
    m_medium.Write(u"broken.zip"_s, QByteArrayLiteral("PK\x03\x04 this is no archive"));
    // An archive without members is its end record alone.
    m_medium.Write(u"empty.zip"_s, QByteArray("PK\x05\x06", 4) + QByteArray(18, 0));
    m_stage.Write(u"whole.txt"_s, "whole");
    ZipWithTool(u"whole.zip"_s, {u"whole.txt"_s});
    // A cut archive: its central directory is gone.
    const QByteArray whole = ArchiveTestFolder::Read(m_medium.Path(u"whole.zip"_s));
    m_medium.Write(u"cut.zip"_s, whole.left(whole.size() / 2));

    const auto found = Scan();
    EXPECT_EQ(Paths(found), (QStringList{u"broken.zip"_s, u"cut.zip"_s, u"empty.zip"_s,
                                         u"whole.zip"_s, u"whole.zip/whole.txt"_s}));
    for (const char *plain : {"broken.zip", "cut.zip", "empty.zip"})
        EXPECT_FALSE(found.at(QString::fromLatin1(plain)).folder) << plain;
}

TEST_F(FilePackagesTest, SelfExtractingFilesAreRecognisedByTheEndRecord)
{
    m_stage.Write(u"inside.txt"_s, "inside");
    // A stub followed by an archive, with the offsets adjusted by zip -A.
    ZipWithTool(u"part.zip"_s, {u"inside.txt"_s});
    const QByteArray archive = ArchiveTestFolder::Read(m_medium.Path(u"part.zip"_s));
    QFile::remove(m_medium.Path(u"part.zip"_s));
    m_medium.Write(u"setup.exe"_s, QByteArray(4000, '\x90') + archive);
    ASSERT_EQ(m_stage.Run(u"zip"_s, {u"-q"_s, u"-A"_s, m_medium.Path(u"setup.exe"_s)}), 0)
        << m_stage.Output().constData();
    // A program without an archive, one whose end record lies too far from
    // the end, and one too small to be looked at.
    m_medium.Write(u"tool.exe"_s, QByteArray(5000, 'x'));
    m_medium.Write(u"far.exe"_s, QByteArray(100, 'x') + "PK\x05\x06" + QByteArray(2045, 'y'));
    m_medium.Write(u"tiny.exe"_s, QByteArray(880, 'z') + "PK\x05\x06");

    EXPECT_TRUE(IsSelfExtractingZip(Medium(), u"setup.exe"_s));
    EXPECT_FALSE(IsSelfExtractingZip(Medium(), u"tool.exe"_s));
    EXPECT_FALSE(IsSelfExtractingZip(Medium(), u"far.exe"_s));
    EXPECT_FALSE(IsSelfExtractingZip(Medium(), u"tiny.exe"_s));
    EXPECT_FALSE(IsSelfExtractingZip(Medium(), u"missing.exe"_s));
    m_medium.Write(u"near.exe"_s, QByteArray(100, 'x') + "PK\x05\x06" + QByteArray(2044, 'y'));
    EXPECT_TRUE(IsSelfExtractingZip(Medium(), u"near.exe"_s));
    QFile::remove(m_medium.Path(u"near.exe"_s));

    const auto found = Scan();
    EXPECT_EQ(Paths(found), (QStringList{u"far.exe"_s, u"setup.exe"_s, u"setup.exe/inside.txt"_s,
                                         u"tiny.exe"_s, u"tool.exe"_s}));
    CatalogOptions noExe;
    noExe.exeFiles = false;
    EXPECT_EQ(Scan(noExe).count(u"setup.exe"_s), 1u);
}

TEST_F(FilePackagesTest, CommentsComeFromTheArchiveUnlessAnEarlierOneIsReused)
{
    m_stage.Write(u"a.txt"_s, "a");
    ZipWithTool(u"notes.zip"_s, {u"a.txt"_s});
    // zip -z reads the comment from its input.
    ASSERT_EQ(m_stage.Run(u"zip"_s, {u"-q"_s, u"-z"_s, m_medium.Path(u"notes.zip"_s)},
                          "Release notes\n.\n"),
              0);
    const auto first = Scan();
    EXPECT_EQ(first.at(u"notes.zip"_s).comment, u"Release notes"_s);

    // The user's own comment on the package and a member are carried to the
    // next catalog when comments are reused.
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET Comment = 'Mine' WHERE Class = %1"_s.arg(
            CatalogSchema::kPackageClass));
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Files SET Comment = 'Letter A' WHERE Name = 'a.txt'"_s);
    CatalogOptions reuse;
    reuse.reuseComments = true;
    const auto second = Scan(reuse);
    EXPECT_EQ(second.at(u"notes.zip"_s).comment, u"Mine"_s);
    EXPECT_EQ(second.at(u"notes.zip/a.txt"_s).comment, u"Letter A"_s);
}

TEST_F(FilePackagesTest, ACancelKeepsThePackageAndTheMembersReadSoFar)
{
    for (int i = 0; i < 5; ++i)
        m_stage.Write(u"m%1.txt"_s.arg(i), "m");
    ZipWithTool(u"five.zip"_s, {u"m0.txt"_s, u"m1.txt"_s, u"m2.txt"_s, u"m3.txt"_s, u"m4.txt"_s});
    qint64 packageId = 0;
    m_data->RunInTransaction([&] {
        TMediaScanner scanner(*m_data, CatalogOptions{});
        TPackageAnalyser packages(scanner, *m_data);
        scanner.SetProgressMaximum(100);
        UI().SetCancelled(true);
        EXPECT_TRUE(
            packages.AnalysePackage(Medium(), Medium(), 0, QString(), CatalogSchema::kPackageClass,
                                    CatalogSchema::kCatalogsId, 123, 45000, 45000, u"five.zip"_s));
        packageId = m_data->Catalogs.FindChild(CatalogSchema::kCatalogsId, u"five.zip"_s);
        // The bar the scan showed is back.
        EXPECT_EQ(scanner.CurrentProgressBar().maximum, 100);
        EXPECT_EQ(scanner.ProcessedCount(), 1);
        UI().SetCancelled(false);
    });
    EXPECT_EQ(Paths(Below(packageId)), QStringList{u"m0.txt"_s});
}

TEST_F(FilePackagesTest, ArchiveSetsTakeMergedNamesWhenTheirNameIsTaken)
{
    m_stage.Write(u"a.txt"_s, "a");
    ZipWithTool(u"BACKUP.ZIP"_s, {u"a.txt"_s});
    QStringList names;
    m_data->RunInTransaction([&] {
        TMediaScanner scanner(*m_data, CatalogOptions{});
        TPackageAnalyser packages(scanner, *m_data);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(packages.AnalysePackage(
                Medium(), u"/pool"_s, 77, u"set comment"_s, CatalogSchema::kArchiveSetClass,
                CatalogSchema::kArchivesId, 10, 45000, 45000, u"BACKUP.ZIP"_s));
        }
        // Letter case does not make a name free.
        EXPECT_EQ(packages.ArchiveSetName(u"backup.zip"_s), u"Merged[2] backup"_s);
    });
    const auto sets = Below(CatalogSchema::kArchivesId);
    EXPECT_EQ(sets.count(u"BACKUP"_s), 1u);
    EXPECT_EQ(sets.count(u"Merged[0] BACKUP"_s), 1u);
    EXPECT_EQ(sets.count(u"Merged[1] BACKUP/a.txt"_s), 1u);
    EXPECT_EQ(sets.at(u"BACKUP"_s).volumeSize, 77);
    EXPECT_EQ(sets.at(u"BACKUP"_s).comment, u"set comment"_s);
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
