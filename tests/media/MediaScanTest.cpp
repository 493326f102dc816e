#include "media/MediaScan.h"

#include "../store/StoreFixture.h"
#include "MediumTree.h"
#include "media/MediaIdentification.h"
#include "media/MediumReadAhead.h"
#include "platform/MediumName.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "support/FakeDriveSystem.h"
#include "support/LoopMount.h"

#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <map>
#include <vector>

namespace {

// A catalog date-time as the scan stores it: local time, seconds rounded down
// to an even number.
double DosDayCount(const QDateTime &time)
{
    const QDateTime local = time.toLocalTime();
    const QTime clock = local.time();
    return ToDayCount(
        QDateTime(local.date(), QTime(clock.hour(), clock.minute(), clock.second() & ~1)));
}

// Creation time where the file system keeps one, else the modification time.
double ExpectedCreated(const QByteArray &path)
{
    const QFileInfo info(QString::fromUtf8(path));
    const QDateTime birth = info.birthTime();
    return DosDayCount(birth.isValid() ? birth : info.lastModified());
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
        QString name;
        qint64 size = 0;
        double created = 0;
        double modified = 0;
        QString source;
        QString comment;
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
                    QStringLiteral("Disk"), from, CatalogSchema::kCatalogsId,
                    CatalogSchema::kHardDiskClass, QString(), QString(), 0, 0, NowDayCount(),
                    NowDayCount());
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
        std::map<QString, Entry> entries;
        std::vector<std::pair<qint64, QString>> pending{{rootId, QString()}};
        while (!pending.empty()) {
            const auto [id, prefix] = pending.back();
            pending.pop_back();
            // Collected before recursing: the cached statements are shared.
            std::vector<Entry> found;
            SqliteStatement &objects = m_data->CatalogDatabase.Prepare(
                QStringLiteral("SELECT ID, Parent, Class, Name, Size, Created, Modified, Source, "
                               "Comment FROM Catalogs WHERE Parent = ?1 ORDER BY ID"));
            objects.Bind(1, id);
            while (objects.Step())
                found.push_back(Read(objects, true));
            objects.Reset();
            SqliteStatement &files = m_data->CatalogDatabase.Prepare(
                QStringLiteral("SELECT Key, ID, Class, Name, Size, Created, Modified, '', Comment "
                               "FROM Files WHERE ID = ?1 ORDER BY Key"));
            files.Bind(1, id);
            while (files.Step())
                found.push_back(Read(files, false));
            files.Reset();
            for (const Entry &entry : found) {
                const QString path = prefix + entry.name;
                EXPECT_EQ(entries.count(path), 0u) << path.toStdString();
                entries[path] = entry;
                if (entry.folder)
                    pending.emplace_back(entry.number, path + QLatin1Char('/'));
            }
        }
        return entries;
    }

    static Entry Read(const SqliteStatement &row, bool folder)
    {
        Entry entry;
        entry.folder = folder;
        entry.number = row.Int64(0);
        entry.owner = row.Int64(1);
        entry.cls = int(row.Int64(2));
        entry.name = row.Text(3);
        entry.size = row.Int64(4);
        entry.created = row.Double(5);
        entry.modified = row.Double(6);
        entry.source = row.Text(7);
        entry.comment = row.Text(8);
        return entry;
    }

    MediumTree m_tree;
};

TEST_F(MediaScanTest, TreeIsCatalogedRowByRow)
{
    const QDateTime oddSecond(QDate(2021, 3, 4), QTime(5, 6, 7));
    const QDateTime folderTime(QDate(2019, 12, 31), QTime(23, 59, 59));
    m_tree.File("AUTOEXEC.BAT", 1234);
    m_tree.Modified("AUTOEXEC.BAT", oddSecond);
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
    m_tree.Modified("My Docs", folderTime);

    const Outcome outcome = Scan();
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.total, 1234 + 7 + 8 + 10 + 0 + 5'000'000'000LL + 300 + 1);

    const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
    struct Expected
    {
        const char *path; // names as stored, exactly those on the medium
        bool folder;
        int attributes;
        qint64 size;
    };
    const Expected expected[] = {
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
    for (const Expected &row : expected) {
        SCOPED_TRACE(row.path);
        const auto found = entries.find(QString::fromUtf8(row.path));
        ASSERT_NE(found, entries.end());
        const Entry &entry = found->second;
        EXPECT_EQ(entry.folder, row.folder);
        EXPECT_EQ(entry.cls, row.attributes);
        EXPECT_EQ(entry.size, row.size);
        EXPECT_TRUE(entry.comment.isEmpty());
        const QByteArray onDisk = m_tree.Path(row.path);
        EXPECT_DOUBLE_EQ(entry.modified,
                         DosDayCount(QFileInfo(QString::fromUtf8(onDisk)).lastModified()));
        EXPECT_DOUBLE_EQ(entry.created, ExpectedCreated(onDisk));
        // The parent is the object of the folder that holds the entry.
        const QString path = QString::fromUtf8(row.path);
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const qint64 parent = slash < 0 ? outcome.catalogId : entries.at(path.left(slash)).number;
        EXPECT_EQ(entry.owner, parent);
        if (row.folder) {
            EXPECT_EQ(entry.source, Source());
        }
    }
    // Times at DOS resolution: 05:06:07 is stored as 05:06:06.
    EXPECT_DOUBLE_EQ(entries.at(QStringLiteral("AUTOEXEC.BAT")).modified,
                     ToDayCount(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 6))));
    EXPECT_DOUBLE_EQ(entries.at(QStringLiteral("My Docs")).modified,
                     ToDayCount(QDateTime(QDate(2019, 12, 31), QTime(23, 59, 58))));
}

TEST_F(MediaScanTest, FolderRowsAreThoseCreateCatalogObjectWrites)
{
    m_tree.Folder("Photos");
    const Outcome outcome = Scan();
    const Entry folder = Cataloged(outcome.catalogId).at(QStringLiteral("Photos"));
    qint64 made = -1;
    m_data->RunInTransaction([&] {
        TMediaScanner scanner(*m_data, CatalogOptions());
        made = scanner.CreateCatalogObject(QStringLiteral("Photos"), Source(), outcome.catalogId,
                                           CatalogSchema::kFileFolderClass, QString(), QString(), 0,
                                           0, folder.created, folder.modified);
    });
    // Every column, with its stored type, except the ID.
    const QString columns = QStringLiteral(
        "quote(Parent) || quote(Class) || quote(Name) || quote(Size) || quote(Source) || "
        "quote(VolSize) || quote(SerialID) || quote(Comment) || quote(NameHidden) || "
        "quote(Created) || quote(Modified) || quote(Deleted) || quote(Spare1)");
    auto rowText = [&](qint64 id) {
        SqliteStatement &query = m_data->CatalogDatabase.Prepare(
            QStringLiteral("SELECT %1 FROM Catalogs WHERE ID = ?1").arg(columns));
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
        {QStringLiteral("target.txt"), 100},
        {QStringLiteral("sub/inner.txt"), 7},
        {QStringLiteral("link-to-file"), qint64(qstrlen("target.txt"))},
        {QStringLiteral("link-to-folder"), qint64(qstrlen("sub"))},
        {QStringLiteral("up"), 2},
        {QStringLiteral("self"), 4},
        {QStringLiteral("dangling"), qint64(qstrlen("nowhere/at/all"))},
        {QStringLiteral("pipe"), 0},
    };
    ASSERT_EQ(entries.size(), files.size() + 1);
    EXPECT_TRUE(entries.at(QStringLiteral("sub")).folder);
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
    const Outcome outcome = Scan(
        {},
        [&](TMediaScanner &) {
            if (!root)
                return;
            m_data->CatalogDatabase.ExecuteScript(QStringLiteral(
                "INSERT INTO Files (ID) VALUES (-1); DELETE FROM Files WHERE ID = -1"));
            dropped = seteuid(65534) == 0;
        },
        QString(),
        [&] {
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
    EXPECT_TRUE(entries.at(QStringLiteral("locked")).folder);
    EXPECT_EQ(entries.count(QStringLiteral("locked/secret.txt")), 0u);
    EXPECT_EQ(entries.at(QStringLiteral("open/ok.txt")).size, 3);
    // Listed but not examinable: kept by name, with nothing else known.
    const Entry &listed = entries.at(QStringLiteral("listed/a.txt"));
    EXPECT_EQ(listed.size, 0);
    EXPECT_EQ(listed.modified, 0.0);
    EXPECT_TRUE(entries.at(QStringLiteral("listed/inner")).folder);
    EXPECT_EQ(entries.size(), 6u);
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
    drives.Mount(Source() + QStringLiteral("/stick"), DriveKind::Removable);

    const Outcome outcome = Scan();
    EXPECT_TRUE(outcome.finished);
    const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
    EXPECT_TRUE(entries.at(QStringLiteral("stick")).folder);
    EXPECT_EQ(entries.count(QStringLiteral("stick/photo.jpg")), 0u);
    EXPECT_EQ(entries.count(QStringLiteral("plain/a.txt")), 1u);
    EXPECT_EQ(CountSourceFiles(Source(), true), qint64(entries.size()));
}

// A folder with a device number of its own that nothing mounts (a btrfs
// subvolume) is part of the medium. A real mount stands in for it, with the
// mount list told without it.
TEST_F(MediaScanTest, AFolderOfAnotherDeviceIsEnteredUnlessMounted)
{
    const QString volume = Source() + QStringLiteral("/volume");
    m_tree.Folder("volume");
    QTemporaryDir images;
    QString reason;
    LoopMount mount;
    if (!MakeExt4Image(images.filePath(QStringLiteral("v.img")), QStringLiteral("V"), reason) ||
        !mount.Mount(images.filePath(QStringLiteral("v.img")), volume, reason))
        GTEST_SKIP() << reason.toStdString();
    m_tree.File("volume/inside.txt", 5);

    // The machine's own mount list: a mount point.
    const auto cataloged = [this] { return Cataloged(Scan().catalogId); };
    EXPECT_EQ(cataloged().count(QStringLiteral("volume/inside.txt")), 0u);
    EXPECT_EQ(CountSourceFiles(Source(), true), 1);

    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    ASSERT_TRUE(mounts.open(QIODevice::ReadOnly));
    QByteArray withoutVolume;
    for (const QByteArray &line : mounts.readAll().split('\n')) {
        if (!line.contains(' ' + QFile::encodeName(volume) + ' '))
            withoutVolume += line + '\n';
    }
    QFile list(images.filePath(QStringLiteral("mountinfo")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(withoutVolume);
    list.close();
    LinuxDriveSystem::Sources sources;
    sources.mountInfoFile = list.fileName();
    LinuxDriveSystem unmounted(sources);
    SetDriveSystem(&unmounted);
    const auto restore = qScopeGuard([] { SetDriveSystem(nullptr); });
    const std::map<QString, Entry> entries = cataloged();
    ASSERT_EQ(entries.count(QStringLiteral("volume/inside.txt")), 1u);
    EXPECT_EQ(entries.at(QStringLiteral("volume/inside.txt")).size, 5);
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
    const Entry file = Cataloged(Scan().catalogId).at(QStringLiteral("epoch"));
    EXPECT_EQ(file.created, file.modified) << epochFile.constData();
    EXPECT_NE(file.created, MediumTimeToDayCount(0));
}

TEST_F(MediaScanTest, NamesThatAreNotUtf8AreStoredLosslesslyAndOpenAgain)
{
    const QByteArray folder("d\xff\xfe");
    const QByteArray file("Caf\xe9.txt");
    const QByteArray sibling("Caf\xe8.txt");
    m_tree.Folder(folder);
    m_tree.File(folder + "/" + file, 11);
    m_tree.File(sibling, 12);

    const Outcome outcome = Scan();
    EXPECT_TRUE(outcome.finished);
    const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
    ASSERT_EQ(entries.size(), 3u);
    std::map<QByteArray, QString> storedNames;
    for (const auto &[path, entry] : entries)
        storedNames[MediumNameBytes(entry.name)] = path;
    ASSERT_EQ(storedNames.count(folder), 1u);
    ASSERT_EQ(storedNames.count(file), 1u);
    ASSERT_EQ(storedNames.count(sibling), 1u);
    // The two names that differ only in an invalid byte stay apart.
    EXPECT_NE(storedNames[file], storedNames[sibling]);
    // The stored names give the bytes that open the file on the medium.
    const QString stored = storedNames[file];
    const QByteArray path = m_tree.Root() + '/' +
                            MediumNameBytes(stored.section(QLatin1Char('/'), 0, 0)) + '/' +
                            MediumNameBytes(stored.section(QLatin1Char('/'), 1));
    struct stat status;
    ASSERT_EQ(stat(path.constData(), &status), 0);
    EXPECT_EQ(status.st_size, 11);
}

TEST_F(MediaScanTest, ProgressLinesAtEveryTenthStepAndTheBarWraps)
{
    struct Case
    {
        int files;
        bool validate;
        qint64 maximum;
        qint64 finalPosition;
        QStringList statusLines;
    };
    const Case cases[] = {
        {9, false, 100, 9, {}},
        {10, false, 100, 10, {QStringLiteral("10 Files Processed")}},
        {10, true, 10, 10, {QStringLiteral("10 Files of 10 Processed")}},
        // 25 steps on a bar of 10: 10, wrap, 20, wrap, 5.
        {25,
         true,
         10,
         5,
         {QStringLiteral("10 Files of 10 Processed"), QStringLiteral("20 Files of 10 Processed")}},
        // The value never reaches 10 on a bar of 4.
        {25, false, 4, 1, {}},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(testing::Message() << row.files << " files, bar " << row.maximum);
        MediumTree tree;
        const QByteArray top = "Source MIXED";
        tree.Folder(top);
        for (int i = 0; i < row.files; ++i)
            tree.File(top + "/f" + QByteArray::number(i));
        const QString source = QString::fromUtf8(tree.Path(top));
        ScriptedUserInterface ui;
        qint64 tick = 0;
        ui.SetTickSource([&tick] { return tick += 5; });
        CatalogOptions options;
        options.validateMedia = row.validate;
        qint64 processed = -1;
        const Outcome outcome = Scan(
            options,
            [&](TMediaScanner &scanner) {
                scanner.SetProgressMaximum(row.maximum);
                ui.SetOnProcessEvents([&] { processed = scanner.ProcessedCount(); });
            },
            source);
        EXPECT_TRUE(outcome.finished);
        EXPECT_EQ(ui.ProgressMaximum(), row.maximum);
        EXPECT_EQ(ui.ProgressPosition(), row.finalPosition);
        // Each showing is the file name, the lower-cased folder path, the status.
        const QStringList texts = ui.ProgressTexts();
        ASSERT_EQ(texts.size(), row.statusLines.size() * 3);
        for (qsizetype i = 0; i < row.statusLines.size(); ++i) {
            EXPECT_TRUE(texts[3 * i].startsWith(QLatin1Char('f')));
            EXPECT_EQ(texts[3 * i + 1], source.toLower() + QLatin1Char('/'));
            EXPECT_EQ(texts[3 * i + 2], row.statusLines[i]);
        }
        EXPECT_EQ(ui.ProcessEventsCount(), row.statusLines.size());
        if (!row.statusLines.isEmpty()) {
            EXPECT_EQ(processed, 10 * row.statusLines.size());
        }
    }
}

TEST_F(MediaScanTest, CancelEndsEveryWalkAfterTheFileInHandAndKeepsTheRows)
{
    struct Case
    {
        const char *what;
        std::function<void(MediumTree &)> build;
        qint64 files;
        qint64 folders;
    };
    const Case cases[] = {
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
    for (const Case &row : cases) {
        SCOPED_TRACE(row.what);
        MediumTree tree;
        row.build(tree);
        ScriptedUserInterface ui;
        qint64 tick = 0;
        ui.SetTickSource([&tick] { return tick += 5; });
        ui.SetOnProcessEvents([&ui] { ui.SetCancelled(true); });
        const Outcome outcome = Scan({}, {}, QString::fromUtf8(tree.Root()));
        EXPECT_FALSE(outcome.finished);
        EXPECT_EQ(outcome.total, row.files);
        const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
        qint64 files = 0;
        qint64 folders = 0;
        for (const auto &[path, entry] : entries)
            ++(entry.folder ? folders : files);
        EXPECT_EQ(files, row.files);
        EXPECT_EQ(folders, row.folders);
        // The catalog keeps the size it was made with: the caller sets it.
        EXPECT_EQ(GetObjectSize(*m_data, outcome.catalogId), 0);
        // The commit indexes the names the cancel left unindexed.
        EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    }
}

// The read-ahead runs on a thread of its own. A cancel or a failure while it
// waits on a full queue stops and joins it, and the caller's rollback takes
// every row back as it always did.
TEST_F(MediaScanTest, ACancelOrAFailureStopsTheReadAheadAndTheRowsRollBack)
{
    const auto threads = [] { return QDir(QStringLiteral("/proc/self/task")).count(); };
    // More entries than the read-ahead holds, so that the worker is still busy.
    m_tree.Folder("big");
    constexpr std::size_t kBatch = 4;
    for (std::size_t i = 0; i < kBatch * TMediumReadAhead::kQueuedBatches + 40; ++i)
        m_tree.File("big/f" + QByteArray::number(qulonglong(i)));
    const qint64 filesBefore = CountRows(QStringLiteral("SELECT COUNT(*) FROM Files"));
    const qint64 objectsBefore = CountRows(QStringLiteral("SELECT COUNT(*) FROM Catalogs"));
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
                throw EDatabaseError(QStringLiteral("disk full"));
        });
        QString failure;
        const bool committed = m_data->RunInTransaction(
            [&] {
                TMediaScanner scanner(*m_data, CatalogOptions());
                scanner.SetReadAheadBatch(kBatch);
                const qint64 id = scanner.CreateCatalogObject(
                    QStringLiteral("Disk"), Source(), CatalogSchema::kCatalogsId,
                    CatalogSchema::kHardDiskClass, QString(), QString(), 0, 0, NowDayCount(),
                    NowDayCount());
                qint64 total = 0;
                if (!scanner.ScanSource(Source(), id, total))
                    throw EDatabaseError(QStringLiteral("cancelled"));
            },
            &failure);
        EXPECT_FALSE(committed);
        EXPECT_EQ(failure, cancel ? QStringLiteral("cancelled") : QStringLiteral("disk full"));
        EXPECT_EQ(threadsDuring, threadsBefore + 1);
        EXPECT_EQ(threads(), threadsBefore);
        EXPECT_EQ(CountRows(QStringLiteral("SELECT COUNT(*) FROM Files")), filesBefore);
        EXPECT_EQ(CountRows(QStringLiteral("SELECT COUNT(*) FROM Catalogs")), objectsBefore);
        EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
    }
    m_ui.SetCancelled(false);

    // Left alone, the scan indexes its names in one batch at its end rather
    // than noting each row for the commit.
    m_ui.SetOnProcessEvents({});
    Scan(
        {}, [](TMediaScanner &scanner) { scanner.SetReadAheadBatch(kBatch); }, {},
        [this] {
            EXPECT_EQ(
                CountRows(QStringLiteral("SELECT COUNT(*) FROM FilesDb.FilesNameIndexPending")), 0);
        });
    EXPECT_EQ(CountRows(QStringLiteral("SELECT COUNT(*) FROM Files")),
              filesBefore + qint64(kBatch * TMediumReadAhead::kQueuedBatches + 40));
    EXPECT_EQ(NameIndexDisagreement(m_data->CatalogDatabase), QString());
}

TEST_F(MediaScanTest, AnEmptySourceGivesAnEmptyCatalog)
{
    const Outcome outcome = Scan();
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.total, 0);
    EXPECT_TRUE(Cataloged(outcome.catalogId).empty());
    EXPECT_TRUE(m_ui.ProgressTexts().isEmpty());
    EXPECT_EQ(m_ui.ProgressPosition(), 0);
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
        const Entry &entry = entries.at(QStringLiteral("many/") + QString::fromUtf8(name));
        EXPECT_GT(entry.number, previous) << name.constData();
        EXPECT_EQ(entry.size, sizeOf(name.mid(1).toInt())) << name.constData();
        previous = entry.number;
    }
    // The table's own numbering carries on after the last key.
    const qint64 next = AddFile(3, QStringLiteral("after"));
    EXPECT_EQ(next, previous + 1);
    EXPECT_EQ(CountRows(QStringLiteral("SELECT COUNT(*) FROM pragma_integrity_check WHERE "
                                       "integrity_check <> 'ok'")),
              0);
    EXPECT_EQ(CountRows(QStringLiteral("SELECT COUNT(*) FROM Files INDEXED BY SizeIndex WHERE "
                                       "Size >= 0")),
              158);
}

TEST_F(MediaScanTest, PackageOfferTakesFilesBeforeTheyAreWritten)
{
    m_tree.Folder("sub");
    m_tree.File("sub/DATA.ZIP", 500);
    m_tree.File("sub/plain.txt", 20);
    QStringList offered;
    const Outcome outcome = Scan({}, [&](TMediaScanner &scanner) {
        scanner.SetPackageOffer([&](const QString &folderPath, const MediumEntry &entry,
                                    qint64 parentId, qint64 &total) {
            offered << folderPath + MediumNameText(entry.name);
            EXPECT_GT(parentId, 0);
            if (!entry.name.endsWith("ZIP"))
                return false;
            total += entry.size;
            return true;
        });
    });
    offered.sort();
    EXPECT_EQ(offered, QStringList({Source() + QStringLiteral("/sub/DATA.ZIP"),
                                    Source() + QStringLiteral("/sub/plain.txt")}));
    const std::map<QString, Entry> entries = Cataloged(outcome.catalogId);
    EXPECT_EQ(entries.count(QStringLiteral("sub/DATA.ZIP")), 0u);
    EXPECT_EQ(entries.count(QStringLiteral("sub/plain.txt")), 1u);
    EXPECT_EQ(outcome.total, 520);
}

TEST_F(MediaScanTest, CommentLookupsMatchNameSizeAndCreationExactly)
{
    const double when = 45000.5;
    const double nextSecondPair = when + 2.0 / 86400;
    auto addFile = [&](qint64 size, const char *name, double created, const char *comment) {
        SqliteStatement &insert = m_data->CatalogDatabase.Prepare(QStringLiteral(
            "INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, Modified) "
            "VALUES (3, 0, ?1, ?2, 0, ?3, ?4, ?4)"));
        insert.Bind(1, size)
            .Bind(2, QString::fromUtf8(name))
            .Bind(3, QString::fromUtf8(comment))
            .Bind(4, created)
            .Execute();
    };
    addFile(1000, "Report.txt", when, "first");
    addFile(1000, "Report.txt", when, "second");
    addFile(1000, "Other.txt", when, "");
    addFile(1000, "REPORT.TXT", when, "upper");
    AppendCatalogRow(m_data->Catalogs, QStringLiteral("Docs"), QString(),
                     CatalogSchema::kWastebasketId, CatalogSchema::kFileFolderClass, false, when,
                     when, QStringLiteral("in the wastebasket"), QString(), 0, 0);

    TMediaScanner scanner(*m_data, CatalogOptions());
    struct FileCase
    {
        qint64 size;
        const char *name;
        double created;
        const char *comment;
    };
    const FileCase files[] = {
        {1000, "Report.txt", when, "first"}, // the first in index order
        {1001, "Report.txt", when, ""},
        {1000, "Report.txt", nextSecondPair, ""},
        // The exact name first; else a name that differs in the case of
        // ASCII letters only, as an earlier build stored names capitalised.
        {1000, "REPORT.TXT", when, "upper"},
        {1000, "report.txt", when, "first"},
        {1000, "Other.txt", when, ""}, // a match with an empty comment
    };
    for (const FileCase &row : files) {
        EXPECT_EQ(scanner.ReuseFileComment(row.size, QString::fromUtf8(row.name), row.created),
                  QString::fromUtf8(row.comment))
            << row.size << " " << row.name;
    }
    struct ObjectCase
    {
        int cls;
        const char *name;
        double created;
        const char *comment;
    };
    const ObjectCase objects[] = {
        {CatalogSchema::kFileFolderClass, "Docs", when, "in the wastebasket"},
        {24, "Docs", when, ""},
        {CatalogSchema::kFileFolderClass, "docs", when, ""},
        {CatalogSchema::kFileFolderClass, "Docs", nextSecondPair, ""},
    };
    for (const ObjectCase &row : objects) {
        EXPECT_EQ(scanner.ReuseObjectComment(row.cls, QString::fromUtf8(row.name), row.created),
                  QString::fromUtf8(row.comment))
            << row.cls << " " << row.name;
    }
}

TEST_F(MediaScanTest, ASecondScanTakesOverTheCommentsOfUnchangedEntries)
{
    m_tree.Folder("Docs");
    m_tree.File("Docs/kept.txt", 10);
    m_tree.File("Docs/grown.txt", 20);
    // At the top, so that renaming it leaves the times of Docs alone.
    m_tree.File("renamed.txt", 30);
    const Outcome first = Scan();
    std::map<QString, Entry> old = Cataloged(first.catalogId);
    auto comment = [&](const char *table, const char *key, qint64 number, const char *text) {
        m_data->CatalogDatabase.ExecuteScript(
            QStringLiteral("UPDATE %1 SET Comment = '%2' WHERE %3 = %4")
                .arg(QLatin1String(table), QLatin1String(text), QLatin1String(key))
                .arg(number));
    };
    comment("Catalogs", "ID", old.at(QStringLiteral("Docs")).number, "folder note");
    comment("Files", "Key", old.at(QStringLiteral("Docs/kept.txt")).number, "keep me");
    comment("Files", "Key", old.at(QStringLiteral("Docs/grown.txt")).number, "size changed");
    comment("Files", "Key", old.at(QStringLiteral("renamed.txt")).number, "name changed");
    // The files change on the medium after the first catalog.
    ASSERT_EQ(truncate(m_tree.Path("Docs/grown.txt").constData(), 21), 0);
    ASSERT_EQ(rename(m_tree.Path("renamed.txt").constData(), m_tree.Path("moved.txt").constData()),
              0);

    CatalogOptions reuse;
    reuse.reuseComments = true;
    const std::map<QString, Entry> again = Cataloged(Scan(reuse).catalogId);
    EXPECT_EQ(again.at(QStringLiteral("Docs")).comment, QStringLiteral("folder note"));
    EXPECT_EQ(again.at(QStringLiteral("Docs/kept.txt")).comment, QStringLiteral("keep me"));
    EXPECT_EQ(again.at(QStringLiteral("Docs/grown.txt")).comment, QString());
    EXPECT_EQ(again.at(QStringLiteral("moved.txt")).comment, QString());

    // Without the option nothing is taken over.
    const std::map<QString, Entry> plain = Cataloged(Scan().catalogId);
    EXPECT_EQ(plain.at(QStringLiteral("Docs/kept.txt")).comment, QString());
    EXPECT_EQ(plain.at(QStringLiteral("Docs")).comment, QString());
}

// A witness from outside: find's counts and sizes of a system folder.
TEST_F(MediaScanTest, AgreesWithFindOnASystemFolder)
{
    QString folder;
    for (const char *candidate : {"/usr/include", "/usr/share/doc"}) {
        if (QFileInfo(QString::fromLatin1(candidate)).isDir()) {
            folder = QString::fromLatin1(candidate);
            break;
        }
    }
    if (folder.isEmpty())
        GTEST_SKIP() << "no system folder to compare with";
    auto find = [&](const QStringList &arguments) {
        QProcess process;
        process.start(QStringLiteral("find"),
                      QStringList{folder, QStringLiteral("-xdev"), QStringLiteral("-mindepth"),
                                  QStringLiteral("1")} +
                          arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return process.readAllStandardOutput().split('\n');
    };
    const QList<QByteArray> folders = find({QStringLiteral("-type"), QStringLiteral("d")});
    const QList<QByteArray> sizes =
        find({QStringLiteral("!"), QStringLiteral("-type"), QStringLiteral("d"),
              QStringLiteral("-printf"), QStringLiteral("%s\\n")});
    qint64 bytes = 0;
    qint64 others = 0;
    for (const QByteArray &size : sizes) {
        if (!size.isEmpty()) {
            bytes += size.toLongLong();
            ++others;
        }
    }

    const Outcome outcome = Scan({}, {}, folder);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.total, bytes);
    EXPECT_EQ(CountRows(QStringLiteral("SELECT COUNT(*) FROM Files")), others);
    EXPECT_EQ(CountRows(QStringLiteral("SELECT COALESCE(SUM(Size), 0) FROM Files")), bytes);
    EXPECT_EQ(CountRows(QStringLiteral("SELECT COUNT(*) FROM Catalogs WHERE Class = %1")
                            .arg(CatalogSchema::kFileFolderClass)),
              qint64(folders.size() - 1)); // the output ends with a line break
}
