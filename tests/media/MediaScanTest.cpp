#include "media/MediaScan.h"

#include "../archive/ArchiveTestFolder.h"
#include "../store/StoreFixture.h"
#include "MediumTree.h"
#include "media/FilePackages.h"
#include "media/MediaIdentification.h"
#include "media/MediumReadAhead.h"
#include "platform/MediumName.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "support/FakeDriveSystem.h"
#include "support/LoopMount.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <map>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The catalog date-time of a file's modification, and of its creation where
// the file system keeps one.
double ExpectedTime(const QByteArray &path, bool created)
{
    const QFileInfo info(QString::fromUtf8(path));
    const QDateTime birth = created ? info.birthTime() : QDateTime();
    return MediumTimeToDayCount((birth.isValid() ? birth : info.lastModified()).toSecsSinceEpoch());
}

// The names in a folder in the order the file system lists them.
std::vector<QByteArray> ListingOrder(const QByteArray &folder)
{
    std::vector<QByteArray> names;
    DIR *listing = opendir(folder.constData());
    while (const dirent *entry = listing ? readdir(listing) : nullptr) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    if (listing)
        closedir(listing);
    return names;
}

} // namespace

class MediaScanTest : public StoreFixture
{
protected:
    struct Outcome
    {
        bool finished = false;
        qint64 total = -1;
        qint64 catalogId = -1;
    };

    // One cataloged entry, read back from the tables.
    struct Entry
    {
        bool folder = false;
        qint64 number = 0; // ID or Key
        qint64 owner = 0;
        int cls = 0; // class of an object, attributes of a file
        qint64 size = 0;
        double created = 0;
        double modified = 0;
        QString source;
        QString comment;
        qint64 volumeSize = 0;
        bool packaged = false;
    };

    QString Source() const { return QString::fromUtf8(m_tree.Root()); }

    // Catalogs the source into a new catalog under Catalogs, in one committed
    // transaction; prepare runs on the scanner before the walk.
    Outcome Scan(const CatalogOptions &options = {},
                 const std::function<void(TMediaScanner &)> &prepare = {},
                 const QString &source = QString(), const std::function<void()> &scanned = {})
    {
        Outcome outcome;
        const QString from = source.isEmpty() ? Source() : source;
        QString failure;
        const bool committed = m_data->RunInTransaction(
            [&] {
                TMediaScanner scanner(*m_data, options);
                outcome.catalogId = scanner.CreateCatalogObject(
                    u"Disk"_s, from, CatalogSchema::kCatalogsId, CatalogSchema::kHardDiskClass,
                    QString(), QString(), 0, 0, NowDayCount(), NowDayCount());
                if (prepare)
                    prepare(scanner);
                outcome.finished = scanner.ScanSource(from, outcome.catalogId, outcome.total);
                if (scanned)
                    scanned();
            },
            &failure);
        EXPECT_TRUE(committed) << failure.toStdString();
        return outcome;
    }

    // Everything cataloged below an object, by path of stored names ("My Docs/Letter.doc").
    std::map<QString, Entry> Cataloged(qint64 rootId)
    {
        SqliteStatement &rows = m_data->CatalogDatabase.Prepare(
            u"WITH RECURSIVE Tree(ID, Path) AS (SELECT ?1, '' UNION ALL SELECT C.ID, "
            "Tree.Path || C.Name || '/' FROM Catalogs C JOIN Tree ON C.Parent = Tree.ID) "
            "SELECT 1, C.ID, C.Parent, C.Class, T.Path || C.Name, C.Size, C.Created, C.Modified, "
            "C.Source, C.Comment, C.VolSize, 0 FROM Catalogs C JOIN Tree T ON C.Parent = T.ID "
            "UNION ALL "
            "SELECT 0, F.Key, F.ID, F.Class, T.Path || F.Name, F.Size, F.Created, F.Modified, '', "
            "F.Comment, 0, F.Packaged FROM Files F JOIN Tree T ON F.ID = T.ID"_s);
        rows.Bind(1, rootId);
        std::map<QString, Entry> entries;
        while (rows.Step()) {
            const Entry entry{rows.Int64(0) != 0, rows.Int64(1),      rows.Int64(2),
                              int(rows.Int64(3)), rows.Int64(5),      rows.Double(6),
                              rows.Double(7),     rows.Text(8),       rows.Text(9),
                              rows.Int64(10),     rows.Int64(11) != 0};
            EXPECT_TRUE(entries.emplace(rows.Text(4), entry).second) << rows.Text(4).toStdString();
        }
        rows.Reset();
        return entries;
    }

    MediumTree m_tree;
};

TEST_F(MediaScanTest, TreeIsCatalogedRowByRow)
{
    // Odd seconds, which the catalog keeps rounded down.
    m_tree.File("AUTOEXEC.BAT", 1234);
    m_tree.Modified("AUTOEXEC.BAT", QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)));
    // Names that differ only in letter case are two files, each kept by
    // its own name.
    m_tree.File("README", 7);
    m_tree.File("readme", 8);
    m_tree.File(".profile", 10);
    m_tree.File("readonly.txt", 0, 0444);
    m_tree.File("big.iso", 5'000'000'000LL);
    m_tree.Folder("My Docs");
    m_tree.File("My Docs/Letter.DOC", 300);
    m_tree.Folder("My Docs/.cache");
    m_tree.File("My Docs/.cache/x.tmp", 1);
    m_tree.Folder("empty");
    m_tree.Modified("My Docs", QDateTime(QDate(2019, 12, 31), QTime(23, 59, 59)));

    const Outcome outcome = Scan();
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.total, 1234 + 7 + 8 + 10 + 0 + 5'000'000'000LL + 300 + 1);

    const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
    // Names as stored, exactly those on the medium: folder, attributes, size.
    const std::tuple<const char *, bool, int, qint64> expected[] = {
        {"AUTOEXEC.BAT", false, 0, 1234},
        {"README", false, 0, 7},
        {"readme", false, 0, 8},
        {".profile", false, 2, 10},
        {"readonly.txt", false, 1, 0},
        {"big.iso", false, 0, 5'000'000'000LL},
        {"My Docs", true, CatalogSchema::kFileFolderClass, 0},
        {"My Docs/Letter.DOC", false, 0, 300},
        {"My Docs/.cache", true, CatalogSchema::kFileFolderClass, 0},
        {"My Docs/.cache/x.tmp", false, 0, 1},
        {"empty", true, CatalogSchema::kFileFolderClass, 0},
    };
    ASSERT_EQ(entries.size(), std::size(expected));
    for (const auto &[name, folder, attributes, size] : expected) {
        SCOPED_TRACE(name);
        const QString path = QString::fromUtf8(name);
        ASSERT_EQ(entries.count(path), 1u);
        const Entry &entry = entries.at(path);
        EXPECT_EQ(std::tuple(entry.folder, entry.cls, entry.size, entry.comment),
                  std::tuple(folder, attributes, size, QString()));
        const QByteArray onDisk = m_tree.Path(name);
        EXPECT_DOUBLE_EQ(entry.modified, ExpectedTime(onDisk, false));
        EXPECT_DOUBLE_EQ(entry.created, ExpectedTime(onDisk, true));
        // The parent is the object of the folder that holds the entry.
        const qsizetype slash = path.lastIndexOf(u'/');
        const qint64 parent = slash < 0 ? outcome.catalogId : entries.at(path.left(slash)).number;
        EXPECT_EQ(entry.owner, parent);
    }
    // A folder's row is, column by column, the one CreateCatalogObject writes.
    const Entry &folder = entries.at(u"My Docs"_s);
    qint64 made = -1;
    m_data->RunInTransaction([&] {
        TMediaScanner scanner(*m_data, CatalogOptions());
        made = scanner.CreateCatalogObject(u"My Docs"_s, Source(), outcome.catalogId,
                                           CatalogSchema::kFileFolderClass, QString(), QString(), 0,
                                           0, folder.created, folder.modified);
    });
    // Every column, with its stored type, except the ID.
    const QString columns =
        u"quote(Parent) || quote(Class) || quote(Name) || quote(Size) || quote(Source) || "
        "quote(VolSize) || quote(SerialID) || quote(Comment) || quote(NameHidden) || "
        "quote(Created) || quote(Modified) || quote(Deleted) || quote(Spare1)"_s;
    auto rowText = [&](qint64 id) {
        SqliteStatement &query = m_data->CatalogDatabase.Prepare(
            u"SELECT %1 FROM Catalogs WHERE ID = ?1"_s.arg(columns));
        query.Bind(1, id);
        const QString text = query.Step() ? query.Text(0) : QString();
        query.Reset();
        return text;
    };
    EXPECT_FALSE(rowText(folder.number).isEmpty());
    EXPECT_EQ(rowText(folder.number), rowText(made));
}

TEST_F(MediaScanTest, LinksAreNeverFollowedAndSpecialFilesAreFiles)
{
    m_tree.File("target.txt", 100);
    m_tree.Folder("sub");
    m_tree.File("sub/inner.txt", 7);
    m_tree.Link("link-to-file", "target.txt");
    m_tree.Link("link-to-folder", "sub");
    m_tree.Link("up", "..");
    m_tree.Link("self", "self");
    m_tree.Link("dangling", "nowhere/at/all");
    ASSERT_EQ(mkfifo(m_tree.Path("pipe").constData(), 0644), 0);

    const Outcome outcome = Scan();
    EXPECT_TRUE(outcome.finished);
    const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
    const std::map<QString, qint64> files = {
        {u"target.txt"_s, 100},
        {u"sub/inner.txt"_s, 7},
        {u"link-to-file"_s, qint64(qstrlen("target.txt"))},
        {u"link-to-folder"_s, qint64(qstrlen("sub"))},
        {u"up"_s, 2},
        {u"self"_s, 4},
        {u"dangling"_s, qint64(qstrlen("nowhere/at/all"))},
        {u"pipe"_s, 0},
    };
    ASSERT_EQ(entries.size(), files.size() + 1);
    EXPECT_TRUE(entries.at(u"sub"_s).folder);
    for (const auto &[path, size] : files) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_EQ(entries.count(path), 1u);
        EXPECT_FALSE(entries.at(path).folder);
        EXPECT_EQ(entries.at(path).size, size);
        // Links carry the link attribute, other files never.
        const bool link = path != u"target.txt" && path != u"sub/inner.txt" && path != u"pipe";
        EXPECT_EQ((entries.at(path).cls & CatalogSchema::kLinkAttribute) != 0, link);
    }
}

TEST_F(MediaScanTest, AnUnreadableFolderIsCatalogedEmptyAndTheScanGoesOn)
{
    m_tree.Folder("locked");
    m_tree.File("locked/secret.txt", 5);
    m_tree.Folder("listed");
    m_tree.File("listed/a.txt", 5);
    m_tree.Folder("listed/inner");
    m_tree.Folder("open");
    m_tree.File("open/ok.txt", 3);
    chmod(m_tree.Path("locked").constData(), 0);
    // Its names can be read, but the entries cannot be examined.
    chmod(m_tree.Path("listed").constData(), 0444);

    // Root reads any folder. As root, the walk runs as nobody (the effective
    // user only), with the database's journals already open and root again
    // before the commit, which removes them.
    const bool root = geteuid() == 0;
    bool dropped = false;
    qint64 counted = 0;
    const Outcome outcome = Scan(
        {},
        [&](TMediaScanner &) {
            if (!root)
                return;
            m_data->CatalogDatabase.ExecuteScript(
                u"INSERT INTO Files (ID) VALUES (-1); DELETE FROM Files WHERE ID = -1"_s);
            dropped = seteuid(65534) == 0;
        },
        QString(),
        [&] {
            counted = CountSourceFiles(Source(), true);
            if (dropped) {
                EXPECT_EQ(seteuid(0), 0);
            }
        });
    chmod(m_tree.Path("locked").constData(), 0755);
    chmod(m_tree.Path("listed").constData(), 0755);
    if (root && !dropped)
        GTEST_SKIP() << "running as root and unable to scan as another user";

    EXPECT_TRUE(outcome.finished);
    const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
    EXPECT_TRUE(entries.at(u"locked"_s).folder);
    EXPECT_EQ(entries.count(u"locked/secret.txt"_s), 0u);
    EXPECT_EQ(entries.at(u"open/ok.txt"_s).size, 3);
    // Listed but not examinable: kept by name, with nothing else known.
    const Entry &listed = entries.at(u"listed/a.txt"_s);
    EXPECT_EQ(listed.size, 0);
    EXPECT_EQ(listed.modified, 0.0);
    EXPECT_TRUE(entries.at(u"listed/inner"_s).folder);
    EXPECT_EQ(entries.size(), 6u);
    EXPECT_EQ(counted, 6) << "the count before a scan sees the same";
}

// Mount points below the source are those of the mount list: cataloged, not
// entered, by the scan and by the count before it alike.
TEST_F(MediaScanTest, MountPointsBelowTheSourceAreCatalogedButNotEntered)
{
    m_tree.Folder("stick");
    m_tree.File("stick/photo.jpg", 10);
    m_tree.Folder("plain");
    m_tree.File("plain/a.txt", 3);
    FakeDriveSystem drives;
    drives.Mount(Source(), DriveKind::Fixed);
    drives.Mount(Source() + u"/stick"_s, DriveKind::Removable);

    const Outcome outcome = Scan();
    EXPECT_TRUE(outcome.finished);
    const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
    EXPECT_TRUE(entries.at(u"stick"_s).folder);
    EXPECT_EQ(entries.count(u"stick/photo.jpg"_s), 0u);
    EXPECT_EQ(entries.count(u"plain/a.txt"_s), 1u);
    EXPECT_EQ(CountSourceFiles(Source(), true), qint64(entries.size()));
}

// A folder with a device number of its own that nothing mounts (a btrfs
// subvolume) is part of the medium. A real mount stands in for it, with the
// mount list told without it.
TEST_F(MediaScanTest, AFolderOfAnotherDeviceIsEnteredWhenNothingMountsIt)
{
    const QString volume = Source() + u"/volume"_s;
    m_tree.Folder("volume");
    QTemporaryDir images;
    QString reason;
    LoopMount mount;
    if (!MakeExt4Image(images.filePath(u"v.img"_s), u"V"_s, reason) ||
        !mount.Mount(images.filePath(u"v.img"_s), volume, reason))
        GTEST_SKIP() << reason.toStdString();
    m_tree.File("volume/inside.txt", 5);

    QFile mounts(u"/proc/self/mountinfo"_s);
    ASSERT_TRUE(mounts.open(QIODevice::ReadOnly));
    QByteArray withoutVolume;
    for (const QByteArray &line : mounts.readAll().split('\n')) {
        if (!line.contains(' ' + QFile::encodeName(volume) + ' '))
            withoutVolume += line + '\n';
    }
    QFile list(images.filePath(u"mountinfo"_s));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(withoutVolume);
    list.close();
    LinuxDriveSystem::Sources sources;
    sources.mountInfoFile = list.fileName();
    LinuxDriveSystem unmounted(sources);
    SetDriveSystem(&unmounted);
    const auto restore = qScopeGuard([] { SetDriveSystem(nullptr); });
    const std::map<QString, Entry> entries = Cataloged(Scan().catalogId);
    ASSERT_EQ(entries.count(u"volume/inside.txt"_s), 1u);
    EXPECT_EQ(entries.at(u"volume/inside.txt"_s).size, 5);
    EXPECT_EQ(CountSourceFiles(Source(), true), qint64(entries.size()));
}

// Some file systems report the epoch as the birth time they do not keep:
// such a file is created when it was modified. A file of this machine that
// reports so is linked into the medium.
TEST_F(MediaScanTest, ABirthTimeOfTheEpochIsNoBirthTime)
{
    QByteArray epochFile;
    for (const char *candidate : {"/etc/hostname", "/etc/passwd", "/usr/bin/env", "/bin/sh"}) {
        struct statx status;
        if (statx(AT_FDCWD, candidate, 0, STATX_BTIME, &status) == 0 &&
            (status.stx_mask & STATX_BTIME) && status.stx_btime.tv_sec == 0 &&
            link(candidate, m_tree.Path("epoch").constData()) == 0) {
            epochFile = candidate;
            break;
        }
    }
    if (epochFile.isEmpty())
        GTEST_SKIP() << "no file here reports the epoch as its birth time";
    const Entry file = Cataloged(Scan().catalogId).at(u"epoch"_s);
    EXPECT_EQ(file.created, file.modified) << epochFile.constData();
    EXPECT_NE(file.created, MediumTimeToDayCount(0));
}

TEST_F(MediaScanTest, NamesThatAreNotUtf8AreStoredLosslesslyAndOpenAgain)
{
    // Two names that differ only in a byte that is not UTF-8.
    m_tree.Folder("d\xff\xfe");
    m_tree.File("d\xff\xfe/Caf\xe9.txt", 11);
    m_tree.File("Caf\xe8.txt", 12);

    const std::map<QString, Entry> entries = Cataloged(Scan().catalogId);
    ASSERT_EQ(entries.size(), 3u);
    // Each stored path gives the bytes that open its entry on the medium.
    for (const auto &[path, entry] : entries) {
        struct stat status;
        ASSERT_EQ(stat(m_tree.Path(MediumNameBytes(path)).constData(), &status), 0)
            << path.toStdString();
        EXPECT_EQ(entry.folder ? 0 : status.st_size, entry.size) << path.toStdString();
    }
}

TEST_F(MediaScanTest, ProgressLinesAtEveryTenthStepAndTheBarWraps)
{
    // Each row: files, validate, maximum, finalPosition, statusLines.
    const std::tuple<int, bool, qint64, qint64, QStringList> cases[] = {
        {9, false, 100, 9, {}},
        {10, false, 100, 10, {u"10 Files Processed"_s}},
        {10, true, 10, 10, {u"10 Files of 10 Processed"_s}},
        // 25 steps on a bar of 10: 10, wrap, 20, wrap, 5.
        {25, true, 10, 5, {u"10 Files of 10 Processed"_s, u"20 Files of 10 Processed"_s}},
        // The value never reaches 10 on a bar of 4.
        {25, false, 4, 1, {}},
    };
    for (const auto &[files, validate, maximum, finalPosition, statusLines] : cases) {
        SCOPED_TRACE(testing::Message() << files << " files, bar " << maximum);
        MediumTree tree;
        const QByteArray top = "Source MIXED";
        tree.Folder(top);
        for (int i = 0; i < files; ++i)
            tree.File(top + "/f" + QByteArray::number(i));
        const QString source = QString::fromUtf8(tree.Path(top));
        ScriptedUserInterface ui;
        qint64 tick = 0;
        ui.SetTickSource([&tick] { return tick += 5; });
        CatalogOptions options;
        options.validateMedia = validate;
        qint64 processed = -1;
        const Outcome outcome = Scan(
            options,
            [&](TMediaScanner &scanner) {
                scanner.SetProgressMaximum(maximum);
                ui.SetOnProcessEvents([&] { processed = scanner.ProcessedCount(); });
            },
            source);
        EXPECT_TRUE(outcome.finished);
        EXPECT_EQ(ui.ProgressMaximum(), maximum);
        EXPECT_EQ(ui.ProgressPosition(), finalPosition);
        // Each showing is the file name, the lower-cased folder path, the status.
        const QStringList texts = ui.ProgressTexts();
        ASSERT_EQ(texts.size(), statusLines.size() * 3);
        for (qsizetype i = 0; i < statusLines.size(); ++i) {
            EXPECT_TRUE(texts[3 * i].startsWith(u'f'));
            EXPECT_EQ(texts[3 * i + 1], source.toLower() + u'/');
            EXPECT_EQ(texts[3 * i + 2], statusLines[i]);
        }
        EXPECT_EQ(ui.ProcessEventsCount(), statusLines.size());
        if (!statusLines.isEmpty()) {
            EXPECT_EQ(processed, 10 * statusLines.size());
        }
    }
}

TEST_F(MediaScanTest, CancelEndsEveryWalkAfterTheFileInHandAndKeepsTheRows)
{
    // Each row: what, build, the files and the folders cataloged.
    const std::tuple<const char *, std::function<void(MediumTree &)>, qint64, qint64> cases[] = {
        {"files two folders down",
         [](MediumTree &tree) {
             tree.Folder("a");
             tree.Folder("a/b");
             for (int i = 0; i < 25; ++i)
                 tree.File("a/b/f" + QByteArray::number(i), 1);
         },
         // The tenth file lets the cancel in; the eleventh is in hand and written.
         11, 2},
        {"two folders of files side by side",
         [](MediumTree &tree) {
             for (const char *folder : {"x", "y"}) {
                 tree.Folder(folder);
                 for (int i = 0; i < 12; ++i)
                     tree.File(QByteArray(folder) + "/f" + QByteArray::number(i), 1);
             }
         },
         11, 1},
        {"empty folders",
         [](MediumTree &tree) {
             for (int i = 0; i < 15; ++i)
                 tree.Folder("d" + QByteArray::number(i));
         },
         0, 10},
    };
    for (const auto &[what, build, expectedFiles, expectedFolders] : cases) {
        SCOPED_TRACE(what);
        MediumTree tree;
        build(tree);
        ScriptedUserInterface ui;
        qint64 tick = 0;
        ui.SetTickSource([&tick] { return tick += 5; });
        ui.SetOnProcessEvents([&ui] { ui.SetCancelled(true); });
        const Outcome outcome = Scan({}, {}, QString::fromUtf8(tree.Root()));
        EXPECT_FALSE(outcome.finished);
        EXPECT_EQ(outcome.total, expectedFiles);
        const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
        qint64 files = 0;
        qint64 folders = 0;
        for (const auto &[path, entry] : entries)
            ++(entry.folder ? folders : files);
        EXPECT_EQ(files, expectedFiles);
        EXPECT_EQ(folders, expectedFolders);
        // The commit indexes the names the cancel left unindexed.
        EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    }
}

// The read-ahead runs on a thread of its own. A cancel or a failure while it
// waits on a full queue stops and joins it, and the caller's rollback takes
// every row back as it always did.
TEST_F(MediaScanTest, ACancelOrAFailureStopsTheReadAheadAndTheRowsRollBack)
{
    const auto threads = [] { return QDir(u"/proc/self/task"_s).count(); };
    // More entries than the read-ahead holds, so that the worker is still busy.
    m_tree.Folder("big");
    constexpr std::size_t kBatch = 4;
    for (std::size_t i = 0; i < kBatch * TMediumReadAhead::kQueuedBatches + 40; ++i)
        m_tree.File("big/f" + QByteArray::number(qulonglong(i)));
    const qint64 filesBefore = CountRows(u"SELECT COUNT(*) FROM Files"_s);
    const qint64 objectsBefore = CountRows(u"SELECT COUNT(*) FROM Catalogs"_s);
    const uint threadsBefore = threads();

    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancel" : "failure");
        uint threadsDuring = 0;
        m_ui.SetCancelled(false);
        m_ui.SetTickSource([tick = qint64(0)]() mutable { return tick += 5; });
        m_ui.SetOnProcessEvents([&] {
            threadsDuring = threads();
            if (cancel)
                m_ui.SetCancelled(true);
            else
                throw EDatabaseError(u"disk full"_s);
        });
        QString failure;
        const bool committed = m_data->RunInTransaction(
            [&] {
                TMediaScanner scanner(*m_data, CatalogOptions());
                scanner.SetReadAheadBatch(kBatch);
                const qint64 id = scanner.CreateCatalogObject(
                    u"Disk"_s, Source(), CatalogSchema::kCatalogsId, CatalogSchema::kHardDiskClass,
                    QString(), QString(), 0, 0, NowDayCount(), NowDayCount());
                qint64 total = 0;
                if (!scanner.ScanSource(Source(), id, total))
                    throw EDatabaseError(u"cancelled"_s);
            },
            &failure);
        EXPECT_FALSE(committed);
        EXPECT_EQ(failure, cancel ? u"cancelled"_s : u"disk full"_s);
        EXPECT_EQ(threadsDuring, threadsBefore + 1);
        EXPECT_EQ(threads(), threadsBefore);
        EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files"_s), filesBefore);
        EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Catalogs"_s), objectsBefore);
        EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    }
    m_ui.SetCancelled(false);

    // Left alone, the scan indexes its names in one batch at its end rather
    // than noting each row for the commit.
    m_ui.SetOnProcessEvents({});
    Scan(
        {}, [](TMediaScanner &scanner) { scanner.SetReadAheadBatch(kBatch); }, {},
        [this] {
            EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM FilesDb.FilesNameIndexPending"_s), 0);
        });
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
}

TEST_F(MediaScanTest, KeysFollowTheListingOrderAcrossBatches)
{
    m_tree.Folder("many");
    // Sizes that run against the listing order, so that the batches are
    // inserted in another order than they were found. A batch of 150 writes
    // rows many to a statement and the rest one by one.
    const auto sizeOf = [](int i) { return 1000 - i * 7 % 90; };
    for (int i = 0; i < 157; ++i)
        m_tree.File("many/n" + QByteArray::number(i), sizeOf(i));
    const Outcome outcome = Scan({}, [](TMediaScanner &scanner) { scanner.SetFileRowBatch(150); });
    const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);

    qint64 previous = 0;
    for (const QByteArray &name : ListingOrder(m_tree.Path("many"))) {
        const Entry &entry = entries.at(u"many/"_s + QString::fromUtf8(name));
        EXPECT_GT(entry.number, previous) << name.constData();
        EXPECT_EQ(entry.size, sizeOf(name.mid(1).toInt())) << name.constData();
        previous = entry.number;
    }
    // The table's own numbering carries on after the last key.
    const qint64 next = AddFile(3, u"after"_s);
    EXPECT_EQ(next, previous + 1);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM pragma_integrity_check WHERE "
                        "integrity_check <> 'ok'"_s),
              0);
    EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files INDEXED BY SizeIndex WHERE "
                        "Size >= 0"_s),
              158);
}

TEST_F(MediaScanTest, CommentLookupsMatchNameSizeAndCreationExactly)
{
    const double when = 45000.5;
    const double nextSecondPair = when + 2.0 / 86400;
    for (const auto &[name, comment] : {std::pair(u"Report.txt"_s, u"first"_s),
                                        {u"Report.txt"_s, u"second"_s},
                                        {u"Other.txt"_s, QString()},
                                        {u"REPORT.TXT"_s, u"upper"_s}})
        InsertFileRow(*m_data, 3, name, 1000, comment, false, 0, when, when);
    AppendCatalogRow(m_data->Catalogs, u"Docs"_s, QString(), CatalogSchema::kWastebasketId,
                     CatalogSchema::kFileFolderClass, false, when, when, u"in the wastebasket"_s,
                     QString(), 0, 0);

    TMediaScanner scanner(*m_data, CatalogOptions());
    // Size, name, creation and the comment found.
    const std::tuple<qint64, const char *, double, const char *> files[] = {
        {1000, "Report.txt", when, "first"}, // the first in index order
        {1001, "Report.txt", when, ""},
        {1000, "Report.txt", nextSecondPair, ""},
        // The exact name first; else a name that differs in the case of
        // ASCII letters only, as an earlier build stored names capitalised.
        {1000, "REPORT.TXT", when, "upper"},
        {1000, "report.txt", when, "first"},
        {1000, "Other.txt", when, ""}, // a match with an empty comment
    };
    for (const auto &[size, name, created, comment] : files) {
        EXPECT_EQ(scanner.ReuseFileComment(size, QString::fromUtf8(name), created),
                  QString::fromUtf8(comment))
            << size << " " << name;
    }
    const std::tuple<int, const char *, double, const char *> objects[] = {
        {CatalogSchema::kFileFolderClass, "Docs", when, "in the wastebasket"},
        {24, "Docs", when, ""},
        {CatalogSchema::kFileFolderClass, "docs", when, ""},
        {CatalogSchema::kFileFolderClass, "Docs", nextSecondPair, ""},
    };
    for (const auto &[cls, name, created, comment] : objects) {
        EXPECT_EQ(scanner.ReuseObjectComment(cls, QString::fromUtf8(name), created),
                  QString::fromUtf8(comment))
            << cls << " " << name;
    }
}

// A medium with ZIP files, cataloged with the package analyser attached.
class FilePackagesTest : public MediaScanTest
{
protected:
    ArchiveTestFolder m_medium;
    ArchiveTestFolder m_stage; // what goes into the archives

    QString Medium() const { return m_medium.Path(QString()); }

    // Everything cataloged from the medium by path of stored names
    // ("DATA.ZIP/src/a.c"); rows are written two at a time.
    std::map<QString, Entry> ScanPackages(const CatalogOptions &options = {},
                                          qint64 *total = nullptr)
    {
        std::optional<TPackageAnalyser> packages;
        const Outcome outcome = Scan(
            options,
            [&](TMediaScanner &scanner) {
                scanner.SetFileRowBatch(2);
                packages.emplace(scanner, *m_data);
                packages->AttachTo(Medium());
            },
            Medium());
        if (total)
            *total = outcome.total;
        return Cataloged(outcome.catalogId);
    }

    static QStringList Paths(const std::map<QString, Entry> &entries)
    {
        QStringList paths;
        for (const auto &entry : entries)
            paths << entry.first;
        return paths;
    }
};

TEST_F(FilePackagesTest, ZipFilesBecomePackagesOnlyWithTheirOption)
{
    m_stage.Write(u"stage/readme.txt"_s, QByteArray(300, 'r'));
    m_stage.Write(u"stage/README.TXT"_s, QByteArray(30, 'R'));
    m_stage.Write(u"stage/docs/Guide.TXT"_s, QByteArray(1200, 'g'));
    m_stage.Zip({u"-r"_s, m_medium.Path(u"DATA.ZIP"_s), u"stage"_s});
    m_medium.Write(u"after.txt"_s, "after");
    ASSERT_TRUE(QFile::link(u"DATA.ZIP"_s, m_medium.Path(u"link.zip"_s)));
    const qint64 zipSize = QFileInfo(m_medium.Path(u"DATA.ZIP"_s)).size();

    CatalogOptions off;
    off.zipFiles = false;
    const auto plain = ScanPackages(off);
    EXPECT_EQ(Paths(plain), (QStringList{u"DATA.ZIP"_s, u"after.txt"_s, u"link.zip"_s}));
    EXPECT_EQ(plain.at(u"DATA.ZIP"_s).size, zipSize);
    EXPECT_FALSE(plain.at(u"DATA.ZIP"_s).packaged);

    qint64 total = 0;
    const auto packaged = ScanPackages(CatalogOptions{}, &total);
    // Folder entries of the archive are skipped; folders come from the paths.
    // Members keep their names, also two that differ only in letter case.
    EXPECT_EQ(Paths(packaged),
              (QStringList{u"DATA.ZIP"_s, u"DATA.ZIP/stage"_s, u"DATA.ZIP/stage/README.TXT"_s,
                           u"DATA.ZIP/stage/docs"_s, u"DATA.ZIP/stage/docs/Guide.TXT"_s,
                           u"DATA.ZIP/stage/readme.txt"_s, u"after.txt"_s, u"link.zip"_s}));
    // A link to a package is cataloged as the link it is.
    EXPECT_FALSE(packaged.at(u"link.zip"_s).folder);
    const Entry &package = packaged.at(u"DATA.ZIP"_s);
    EXPECT_EQ(std::tuple(package.cls, package.size, package.volumeSize),
              std::tuple(CatalogSchema::kPackageClass, zipSize, qint64(0)));
    EXPECT_EQ(packaged.at(u"DATA.ZIP/stage/docs"_s).cls, CatalogSchema::kPackagedFolderClass);
    const Entry &guide = packaged.at(u"DATA.ZIP/stage/docs/Guide.TXT"_s);
    EXPECT_EQ(std::tuple(guide.packaged, guide.size, guide.cls & 0x10), std::tuple(true, 1200, 0));
    EXPECT_FALSE(packaged.at(u"after.txt"_s).packaged);
    // The package counts with its own size, not its members'.
    EXPECT_EQ(total, zipSize + 5 + QByteArray("DATA.ZIP").size());
}

// Names as other systems write them: a trailing slash makes a folder unless
// the entry is flagged as one; backslashes separate folders, which merge
// without regard to letter case; empty names make none.
TEST_F(FilePackagesTest, HandWrittenNamesMakeTheirFoldersAndUnlistablePackagesArePlainFiles)
{
    m_medium.ZipWithLibrary(u"set.zip"_s, {"docs/", "flagged/", "flagged/inner/", "top.txt"},
                            {"flagged/", "flagged/inner/"});
    m_medium.ZipWithLibrary(u"win.zip"_s,
                            {"Docs\\Deep\\a.txt", "docs\\b.txt", "x//y.txt", "/top.txt"});
    // Packages the engine cannot list are cataloged as plain files.
    m_medium.Write(u"broken.zip"_s, QByteArrayLiteral("PK\x03\x04 this is no archive"));
    // An archive without members is its end record alone.
    m_medium.Write(u"empty.zip"_s, QByteArray("PK\x05\x06", 4) + QByteArray(18, 0));

    const auto found = ScanPackages();
    EXPECT_EQ(
        Paths(found),
        (QStringList{u"broken.zip"_s, u"empty.zip"_s, u"set.zip"_s, u"set.zip/docs"_s,
                     u"set.zip/top.txt"_s, u"win.zip"_s, u"win.zip/Docs"_s, u"win.zip/Docs/Deep"_s,
                     u"win.zip/Docs/Deep/a.txt"_s, u"win.zip/Docs/b.txt"_s, u"win.zip/top.txt"_s,
                     u"win.zip/x"_s, u"win.zip/x/y.txt"_s}));
    for (const char *plain : {"broken.zip", "empty.zip"})
        EXPECT_FALSE(found.at(QString::fromLatin1(plain)).folder) << plain;
}

TEST_F(FilePackagesTest, SelfExtractingFilesAreRecognisedByTheEndRecord)
{
    m_stage.Write(u"inside.txt"_s, "inside");
    m_stage.ZipSelfExtracting(m_medium.Path(u"setup.exe"_s), {u"inside.txt"_s});
    // A program without an archive, one whose end record lies too far from
    // the end, and one too small to be looked at.
    m_medium.Write(u"tool.exe"_s, QByteArray(5000, 'x'));
    m_medium.Write(u"far.exe"_s, QByteArray(100, 'x') + "PK\x05\x06" + QByteArray(2045, 'y'));
    m_medium.Write(u"tiny.exe"_s, QByteArray(880, 'z') + "PK\x05\x06");

    EXPECT_TRUE(IsSelfExtractingZip(Medium(), u"setup.exe"_s));
    for (const QString &name : {u"tool.exe"_s, u"far.exe"_s, u"tiny.exe"_s, u"missing.exe"_s})
        EXPECT_FALSE(IsSelfExtractingZip(Medium(), name)) << name.toStdString();
    m_medium.Write(u"near.exe"_s, QByteArray(100, 'x') + "PK\x05\x06" + QByteArray(2044, 'y'));
    EXPECT_TRUE(IsSelfExtractingZip(Medium(), u"near.exe"_s));
    QFile::remove(m_medium.Path(u"near.exe"_s));

    const auto found = ScanPackages();
    EXPECT_EQ(Paths(found), (QStringList{u"far.exe"_s, u"setup.exe"_s, u"setup.exe/inside.txt"_s,
                                         u"tiny.exe"_s, u"tool.exe"_s}));
    CatalogOptions noExe;
    noExe.exeFiles = false;
    EXPECT_EQ(ScanPackages(noExe).count(u"setup.exe"_s), 1u);
}

TEST_F(FilePackagesTest, CommentsComeFromTheArchiveUnlessAnEarlierOneIsReused)
{
    m_stage.Write(u"a.txt"_s, "a");
    m_stage.Zip({m_medium.Path(u"notes.zip"_s), u"a.txt"_s});
    // zip -z reads the comment from its input.
    m_stage.Zip({u"-z"_s, m_medium.Path(u"notes.zip"_s)}, "Release notes\n.\n");
    const auto first = ScanPackages();
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
    const auto second = ScanPackages(reuse);
    EXPECT_EQ(second.at(u"notes.zip"_s).comment, u"Mine"_s);
    EXPECT_EQ(second.at(u"notes.zip/a.txt"_s).comment, u"Letter A"_s);
}

TEST_F(FilePackagesTest, ACancelKeepsThePackageAndTheMembersReadSoFar)
{
    for (int i = 0; i < 5; ++i)
        m_stage.Write(u"m%1.txt"_s.arg(i), "m");
    m_stage.Zip({m_medium.Path(u"five.zip"_s), u"m0.txt"_s, u"m1.txt"_s, u"m2.txt"_s, u"m3.txt"_s,
                 u"m4.txt"_s});
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
    EXPECT_EQ(Paths(Cataloged(packageId)), QStringList{u"m0.txt"_s});
}

TEST_F(FilePackagesTest, ArchiveSetsTakeMergedNamesWhenTheirNameIsTaken)
{
    m_stage.Write(u"a.txt"_s, "a");
    m_stage.Zip({m_medium.Path(u"BACKUP.ZIP"_s), u"a.txt"_s});
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
    const auto sets = Cataloged(CatalogSchema::kArchivesId);
    for (const QString &path : {u"BACKUP"_s, u"Merged[0] BACKUP"_s, u"Merged[1] BACKUP/a.txt"_s})
        EXPECT_EQ(sets.count(path), 1u) << path.toStdString();
    EXPECT_EQ(sets.at(u"BACKUP"_s).volumeSize, 77);
    EXPECT_EQ(sets.at(u"BACKUP"_s).comment, u"set comment"_s);
}

TEST(MemberDateTimeTest, ReadsTheEngineTextWithADosCentury)
{
    const QDateTime fallback(QDate(1980, 1, 1), QTime(0, 0));
    const std::pair<const char *, QDateTime> cases[] = {
        {"03/04/21 05:06", QDateTime(QDate(2021, 3, 4), QTime(5, 6))},
        {"12/31/99 23:59", QDateTime(QDate(1999, 12, 31), QTime(23, 59))},
        {"01/01/80 00:00", fallback},
        {"02/29/24 12:00", QDateTime(QDate(2024, 2, 29), QTime(12, 0))},
        {"02/30/24 12:00", fallback},
        {"01/01/24 24:00", fallback},
        {"01/01/24", fallback},
        {"", fallback},
        {"aa/bb/cc dd:ee", fallback},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_DOUBLE_EQ(MemberDateTime(QString::fromLatin1(text)), ToDayCount(expected)) << text;
}
