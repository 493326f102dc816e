#include "FindFixture.h"
#include "platform/FileTypes.h"
#include "store/CatalogSchema.h"

namespace {

// Catalogs\Work\Disk A (label ALPHA) with a folder docs, Catalogs\Work\Disk B
// (label BETA), an archive set under Archives, and a disk in the Wastebasket.
class SearchEngineTest : public FindFixture
{
protected:
    void SetUp() override
    {
        FindFixture::SetUp();
        m_data.RunInTransaction([&] {
            m_work = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Work"),
                               CatalogSchema::kCatalogFolderClass, QString(), QString(),
                               QStringLiteral("team cat files"));
            m_diskA = AddObject(m_work, QStringLiteral("Disk A"), CatalogSchema::kHardDiskClass,
                                QStringLiteral("ALPHA"), QStringLiteral("/media/alpha"));
            m_docs = AddObject(m_diskA, QStringLiteral("docs"), CatalogSchema::kFileFolderClass);
            m_diskB =
                AddObject(m_work, QStringLiteral("Disk B"), CatalogSchema::kRemovableDiskClass,
                          QStringLiteral("BETA"), QStringLiteral("/mnt/beta"));
            m_set = AddObject(CatalogSchema::kArchivesId, QStringLiteral("Backup report"),
                              CatalogSchema::kArchiveSetClass);
            m_old = AddObject(CatalogSchema::kWastebasketId, QStringLiteral("Old report disk"),
                              CatalogSchema::kHardDiskClass);
            AddFile(m_docs, QStringLiteral("readme.txt"), 10, Day(2021, 3, 4),
                    QStringLiteral("the cat sat"));
            AddFile(m_docs, QStringLiteral("notes.txt"), 20, Day(2019, 1, 1));
            AddFile(m_diskA, QStringLiteral("report.txt"), 300, Day(2020, 5, 1));
            AddFile(m_diskB, QStringLiteral("report.txt"), 300, Day(2020, 5, 1));
            AddFile(m_diskB, QStringLiteral("b.doc"), 5000, Day(2020, 5, 1));
            AddFile(m_set, QStringLiteral("archived report.txt"), 1, Day(2020, 5, 1));
            AddFile(m_old, QStringLiteral("report.txt"), 300, Day(2020, 5, 1));
        });
    }

    SearchSettings Named(const QString &mask, int type = 0)
    {
        SearchSettings settings;
        settings.name = mask;
        settings.type = type;
        return settings;
    }

    qint64 m_work = 0, m_diskA = 0, m_docs = 0, m_diskB = 0, m_set = 0, m_old = 0;
};

TEST_F(SearchEngineTest, FromTheRootFindsObjectsAndFilesButNeverTheWastebasket)
{
    EXPECT_EQ(Sorted(Find(Named(QStringLiteral("report")))),
              (QStringList{QStringLiteral("Backup report"), QStringLiteral("archived report.txt"),
                           QStringLiteral("report.txt"), QStringLiteral("report.txt")}));
    // Nothing else reaches into the Wastebasket either: an empty mask lists everything else.
    const QStringList all = Find(SearchSettings{});
    EXPECT_FALSE(all.contains(QStringLiteral("Old report disk")));
    EXPECT_FALSE(all.contains(QStringLiteral("Wastebasket")));
    EXPECT_EQ(all.size(), 14) << all.join(u'|').toStdString();
}

TEST_F(SearchEngineTest, TheNameIndexFindsWhatAPlainScanFindsForEveryMask)
{
    const QStringList names{QStringLiteral("README.TXT"),      QStringLiteral("thread.doc"),
                            QStringLiteral("a.b.txt"),         QStringLiteral("ab"),
                            QStringLiteral("Ünterwäsche.txt"), QStringLiteral("ünterwäsche.TXT"),
                            QStringLiteral("ΑΡΧΕΙΟ.pdf"),      QStringLiteral("αρχειο.pdf"),
                            QStringLiteral("say \"hi\".txt"),  QStringLiteral("[draft] notes.txt"),
                            QStringLiteral("CAFÉ.JPG"),        QStringLiteral("café au lait.jpg")};
    m_data.RunInTransaction([&] {
        for (const QString &name : names)
            AddFile(m_diskB, name);
    });
    const QStringList masks{
        QStringLiteral("read"),          QStringLiteral("REA"),       QStringLiteral("re"),
        QStringLiteral("*read*"),        QStringLiteral("read*"),     QStringLiteral("*me.txt"),
        QStringLiteral("?hread.*"),      QStringLiteral("th?ead*"),   QStringLiteral("[rt]*ad*"),
        QStringLiteral("[!r]hread.doc"), QStringLiteral("*.b.*"),     QStringLiteral("ab"),
        QStringLiteral("*wäsche*"),      QStringLiteral("WÄSCHE"),    QStringLiteral("ünter"),
        QStringLiteral("ΑΡΧ"),           QStringLiteral("αρχ*"),      QStringLiteral("\"hi\""),
        QStringLiteral("[draft]"),       QStringLiteral("*[draft]*"), QStringLiteral("café"),
        QStringLiteral("*É au*"),        QStringLiteral("["),         QStringLiteral("*[a-"),
        QStringLiteral("rep?rt.txt"),    QStringLiteral("*port*"),    QStringLiteral("disk"),
        QStringLiteral("*ork"),          QStringLiteral("basket")};
    // Objects too, from every kind of start: the index names the objects and
    // their ancestors decide the scope, where the plain scan walks the tree.
    const std::pair<qint64, bool> starts[] = {{1, true},      {m_work, false},
                                              {m_work, true}, {m_old, true},
                                              {1, false},     {CatalogSchema::kWastebasketId, true},
                                              {9999, true}};
    for (const QString &mask : masks) {
        for (const auto &[start, subs] : starts) {
            SearchSettings settings = Named(mask);
            settings.includeSubs = subs;
            SearchRequest request;
            ValidateCriteria(settings, request.criteria);
            request.startId = start;
            request.useNameIndex = false;
            const QStringList scanned = Captions(RunSearch(m_data, request).hits);
            EXPECT_EQ(Find(settings, start), scanned) << mask.toStdString() << " from " << start;
        }
    }
    // Letters beyond ASCII match in their own case only; the index, which
    // lowers them, only narrows the rows the matcher then decides on.
    EXPECT_EQ(Find(Named(QStringLiteral("ünter"))), QStringList{QStringLiteral("ünterwäsche.TXT")});
    EXPECT_EQ(Find(Named(QStringLiteral("ΑΡΧ"))), QStringList{QStringLiteral("ΑΡΧΕΙΟ.pdf")});
    EXPECT_EQ(Sorted(Find(Named(QStringLiteral("wäsche")))),
              (QStringList{QStringLiteral("Ünterwäsche.txt"), QStringLiteral("ünterwäsche.TXT")}));
}

TEST_F(SearchEngineTest, TheStartObjectIsNotListedButItsFilesAreSearched)
{
    const QStringList hits = Find(Named(QStringLiteral("*")), m_docs);
    EXPECT_EQ(Sorted(hits),
              (QStringList{QStringLiteral("notes.txt"), QStringLiteral("readme.txt")}));
    // Started from the wastebasket disk itself, its own files are found.
    EXPECT_EQ(Find(Named(QStringLiteral("report")), m_old),
              QStringList{QStringLiteral("report.txt")});
}

TEST_F(SearchEngineTest, WithoutSubfoldersChildrenAreListedButTheirFilesAreNotSearched)
{
    SearchSettings settings = Named(QString());
    settings.includeSubs = false;
    EXPECT_EQ(Sorted(Find(settings, m_diskA)),
              (QStringList{QStringLiteral("docs"), QStringLiteral("report.txt")}));
    EXPECT_EQ(Sorted(Find(settings, 1)),
              (QStringList{QStringLiteral("Archives"), QStringLiteral("Catalogs")}));
}

TEST_F(SearchEngineTest, TheTypeChoosesTheClassesListedAndWhetherFilesAreSearched)
{
    EXPECT_EQ(Find(Named(QString(), 1)), QStringList{QStringLiteral("Work")});
    EXPECT_EQ(Sorted(Find(Named(QString(), 2))),
              (QStringList{QStringLiteral("Disk A"), QStringLiteral("Disk B")}));
    EXPECT_EQ(Find(Named(QString(), 4)), QStringList{QStringLiteral("docs")});
    EXPECT_EQ(Find(Named(QString(), 10)), QStringList{QStringLiteral("Backup report")});
    EXPECT_EQ(Find(Named(QStringLiteral("*.doc"), 6)), QStringList{QStringLiteral("b.doc")});
    EXPECT_EQ(Find(Named(QStringLiteral("Disk"), 7)), QStringList{});
}

TEST_F(SearchEngineTest, ALabelPatternExcludesObjectsAndTheirFilesWithTypeZero)
{
    SearchSettings settings = Named(QStringLiteral("report"));
    settings.labelId = QStringLiteral("  ALP ");
    // Disk A's own label matches; its folder docs has no label and is excluded
    // with its files, Disk B is excluded, and so are Work and the archive set.
    EXPECT_EQ(Find(settings), QStringList{QStringLiteral("report.txt")});
    EXPECT_EQ(m_last.hits.at(0).owner, m_diskA);
    settings.name.clear();
    settings.labelId = QStringLiteral("[ab]*");
    EXPECT_EQ(
        Sorted(Find(settings)),
        (QStringList{QStringLiteral("Disk A"), QStringLiteral("Disk B"), QStringLiteral("b.doc"),
                     QStringLiteral("report.txt"), QStringLiteral("report.txt")}));
    SearchSettings bySource = Named(QString());
    bySource.source = QStringLiteral("/mnt");
    EXPECT_EQ(Sorted(Find(bySource)),
              (QStringList{QStringLiteral("Disk B"), QStringLiteral("b.doc"),
                           QStringLiteral("report.txt")}));
}

TEST_F(SearchEngineTest, LabelAndSourcePatternsHaveNoEffectOnTheFileTypes)
{
    for (const int type : {6, 7, 11, 12, 13}) {
        SearchSettings settings = Named(QStringLiteral("report.txt"), type);
        settings.labelId = QStringLiteral("NO SUCH LABEL");
        settings.source = QStringLiteral("/nowhere");
        // "archived report.txt" has no namesake, so the duplicate types drop it.
        const qsizetype expected = type <= 7 ? 3 : 2;
        EXPECT_EQ(Find(settings).size(), expected) << "type " << type;
    }
}

TEST_F(SearchEngineTest, CommentsAreSearchedInObjectsAndFiles)
{
    SearchSettings settings;
    settings.comment = QStringLiteral(" cat ");
    settings.wholeWords = true;
    EXPECT_EQ(Sorted(Find(settings)),
              (QStringList{QStringLiteral("Work"), QStringLiteral("readme.txt")}));
    settings.comment = QStringLiteral("CAT");
    settings.matchCase = true;
    EXPECT_EQ(Find(settings), QStringList{});
}

TEST_F(SearchEngineTest, DatesTestFilesByTheirOwnDatesAndObjectsByTheirs)
{
    SearchSettings settings;
    settings.allEntries = false;
    settings.notAllEntries = true;
    settings.between = QStringLiteral("31/12/2021");
    settings.andDate = QStringLiteral("1/1/2021");
    // Only readme.txt lies in 2021; the folders that hold it do not.
    EXPECT_EQ(Find(settings), QStringList{QStringLiteral("readme.txt")});
    m_data.CatalogDatabase.ExecuteScript(
        QStringLiteral("UPDATE Catalogs SET Modified = 40000, Created = %1 WHERE ID = %2")
            .arg(Day(2021, 12, 31, 23), 0, 'f', 6)
            .arg(m_docs));
    EXPECT_EQ(Sorted(Find(settings)),
              (QStringList{QStringLiteral("docs"), QStringLiteral("readme.txt")}));
}

TEST_F(SearchEngineTest, HitsCarryTheirColumnsAndSortKeys)
{
    Find(Named(QStringLiteral("Disk A")));
    ASSERT_EQ(m_last.hits.size(), 1);
    const FindHit &disk = m_last.hits.at(0);
    EXPECT_EQ(disk.entry.data, m_diskA);
    EXPECT_EQ(disk.entry.imageIndex, CatalogSchema::kHardDiskClass);
    EXPECT_EQ(disk.entry.subItems, (QStringList{QStringLiteral("1KB"), QStringLiteral("Hard Disk"),
                                                DateTimeText(Day(2020, 5, 1)), QString(),
                                                SizeSortKey(1000), DateSortKey(Day(2020, 5, 1))}));
    EXPECT_EQ(HitPath(m_data, disk), QStringLiteral("Catalogs\\Work\\Disk A"));

    Find(Named(QStringLiteral("docs")));
    ASSERT_EQ(m_last.hits.size(), 1);
    EXPECT_EQ(m_last.hits.at(0).entry.subItems.at(0), QString()) << "folders show no size";
    EXPECT_EQ(m_last.hits.at(0).entry.subItems.at(4), SizeSortKey(0));

    Find(Named(QStringLiteral("readme")));
    ASSERT_EQ(m_last.hits.size(), 1);
    const FindHit &file = m_last.hits.at(0);
    EXPECT_TRUE(file.entry.IsFile());
    EXPECT_EQ(file.entry.imageIndex, 32);
    EXPECT_EQ(file.entry.subItems.size(), 6);
    EXPECT_EQ(file.entry.subItems.at(3), QStringLiteral("the cat sat"));
    EXPECT_EQ(HitPath(m_data, file), QStringLiteral("Catalogs\\Work\\Disk A\\docs\\readme.txt"));

    // The paths of a whole list, folders read once, are the same, hidden
    // names and all.
    m_data.CatalogDatabase.ExecuteScript(
        QStringLiteral("UPDATE Catalogs SET NameHidden = 1 WHERE ID IN (%1, %2)")
            .arg(m_work)
            .arg(m_set));
    Find(Named(QStringLiteral("*")));
    ASSERT_GT(m_last.hits.size(), 10);
    HitPaths paths(m_data);
    for (const FindHit &hit : m_last.hits)
        EXPECT_EQ(paths.Of(hit), HitPath(m_data, hit)) << hit.entry.caption.toStdString();
}

TEST_F(SearchEngineTest, ResultsSortByTheirSortStateStartingDescendingByName)
{
    EXPECT_EQ(Find(Named(QStringLiteral("Disk"), 2)),
              (QStringList{QStringLiteral("Disk B"), QStringLiteral("Disk A")}));
    SortBy(m_sort, 0);
    EXPECT_TRUE(m_sort.ascending);
    EXPECT_EQ(Find(Named(QStringLiteral("Disk"), 2)),
              (QStringList{QStringLiteral("Disk A"), QStringLiteral("Disk B")}));
    SortBy(m_sort, 1);
    EXPECT_EQ(m_sort.column, 1);
    EXPECT_TRUE(m_sort.ascending);
    EXPECT_EQ(Find(Named(QStringLiteral("*.*"), 6)).last(), QStringLiteral("b.doc"));
    SortBy(m_sort, 1);
    EXPECT_FALSE(m_sort.ascending);
    EXPECT_EQ(Find(Named(QStringLiteral("*.*"), 6)).first(), QStringLiteral("b.doc"));
}

TEST_F(SearchEngineTest, TheScopeNeverHoldsTheWastebasketAndSurvivesACycle)
{
    QList<qint64> scope = BuildScope(m_data, 1, true);
    EXPECT_FALSE(scope.contains(4));
    EXPECT_FALSE(scope.contains(m_old));
    EXPECT_TRUE(scope.contains(m_docs));
    EXPECT_TRUE(scope.contains(5)) << "the volume pool lies under Archives";
    scope = BuildScope(m_data, 1, false);
    std::sort(scope.begin(), scope.end());
    EXPECT_EQ(scope, (QList<qint64>{1, 2, 3}));
    // A parent chain that loops back does not hang the walk.
    m_data.CatalogDatabase.ExecuteScript(
        QStringLiteral("UPDATE Catalogs SET Parent = %1 WHERE ID = %2").arg(m_docs).arg(m_work));
    scope = BuildScope(m_data, m_diskA, true);
    std::sort(scope.begin(), scope.end());
    EXPECT_EQ(scope, (QList<qint64>{m_work, m_diskA, m_docs, m_diskB}));
    EXPECT_TRUE(BuildScope(m_data, 99999, true).isEmpty());
}

TEST_F(SearchEngineTest, StopEndsThePassesAfterTheCurrentRecord)
{
    m_data.RunInTransaction([&] {
        for (int i = 0; i < 2000; ++i)
            AddFile(m_docs, QStringLiteral("bulk%1.dat").arg(i));
    });
    // A first search reads the tables into memory; the stop is tested on
    // the search that follows, which scans that copy.
    EXPECT_EQ(Find(Named(QStringLiteral("bulk"))).size(), 2000);
    qint64 ticks = 0;
    m_ui.SetTickSource([&] { return ticks += 100; });
    int pumps = 0;
    m_ui.SetOnProcessEvents([&] {
        if (++pumps == 3)
            m_ui.SetCancelled(true);
    });
    SearchCriteria criteria;
    criteria.type = 7;
    SearchRequest request;
    request.criteria = criteria;
    const SearchResult result = RunSearch(m_data, request);
    EXPECT_TRUE(result.interrupted);
    EXPECT_GT(result.hits.size(), 0);
    EXPECT_LT(result.hits.size(), 2000);
    // What was found is sorted all the same (name, descending).
    for (qsizetype i = 1; i < result.hits.size(); ++i)
        EXPECT_GE(CompareListItems(result.hits[i - 1].entry, result.hits[i].entry, kSortFindList, 0,
                                   true),
                  0);
}

TEST_F(SearchEngineTest, MoreThan8000HitsStopAtTheNextReportWithTheLimitBox)
{
    m_data.RunInTransaction([&] {
        for (int i = 0; i < 9000; ++i)
            AddFile(m_diskB, QStringLiteral("f%1.dat").arg(i, 4, 10, QLatin1Char('0')));
    });
    qint64 ticks = 0;
    QStringList statuses;
    SearchHooks hooks;
    hooks.clock = [&] { return ticks += 400; };
    hooks.status = [&](const QString &first, const QString &second) {
        statuses << first + QLatin1Char('|') + second;
    };
    SearchRequest request;
    request.criteria.mask = QStringLiteral("*.dat");
    const SearchResult result = RunSearch(m_data, request, hooks);
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, QStringLiteral("Find Limit Exceeded"));
    EXPECT_EQ(box.text, QStringLiteral("The Find limit of 8,000 matched Objects has been "
                                       "exceeded.\nPlease amend the find criteria to return less "
                                       "objects\n\nOnly the objects matched so far will be "
                                       "displayed."));
    EXPECT_TRUE(result.limitReached);
    EXPECT_TRUE(result.interrupted);
    EXPECT_GT(result.hits.size(), 8000);
    EXPECT_LT(result.hits.size(), 8200) << "stopped at the next report";
    EXPECT_EQ(result.hits.first().entry.caption,
              QStringLiteral("f%1.dat").arg(result.hits.size() - 1));
    EXPECT_EQ(result.hits.last().entry.caption, QStringLiteral("f0000.dat"));
    ASSERT_FALSE(statuses.isEmpty());
    EXPECT_TRUE(statuses.first().startsWith(QStringLiteral("Please Wait...|Searching: Found ")));
}

TEST_F(SearchEngineTest, AnExactLimitKeepsThatManyHitsWithoutABox)
{
    SearchRequest request;
    request.criteria.type = 7;
    request.hitLimit = 2;
    request.exactLimit = true;
    const SearchResult result = RunSearch(m_data, request);
    EXPECT_EQ(result.hits.size(), 2);
    EXPECT_TRUE(result.limitReached);
    EXPECT_FALSE(result.interrupted);
}

} // namespace

namespace {

TEST_F(SearchEngineTest, EachSearchSeesTheCatalogAsItIsNow)
{
    EXPECT_EQ(Find(Named(QStringLiteral("fresh"))), QStringList{});
    const qint64 key = AddFile(m_docs, QStringLiteral("fresh.txt"));
    EXPECT_EQ(Find(Named(QStringLiteral("fresh"))), QStringList{QStringLiteral("fresh.txt")});
    m_data.RunInTransaction([&] {
        m_data.CatalogDatabase
            .Prepare(QStringLiteral("UPDATE Files SET Name = 'stale.txt' WHERE Key = ?1"))
            .Bind(1, key)
            .Execute();
    });
    EXPECT_EQ(Find(Named(QStringLiteral("fresh"))), QStringList{});
    // A change rolled back leaves the search where it was.
    m_data.StartTransaction();
    AddFile(m_docs, QStringLiteral("fresh again.txt"));
    m_data.Rollback();
    EXPECT_EQ(Find(Named(QStringLiteral("fresh"))), QStringList{});
}

} // namespace

namespace {

TEST(SortHitsTest, OrdersAsTheListComparisonDoes)
{
    // Names with case, accents, digits, blanks and punctuation, and objects
    // whose prefixes put them first, in every column and direction.
    const char *const names[] = {"b.txt",  "B.TXT",  "a b",      "ab",       "a-b", "Äpfel",
                                 "apfel",  "zebra",  "10.txt",   "9.txt",    "_x",  "x_",
                                 "Résumé", "resume", "report 2", "report10", "",    "  lead"};
    QList<FindHit> hits;
    int n = 0;
    for (const char *name : names) {
        for (const int image : {38, 7, 1, 4}) {
            FindHit hit;
            hit.entry.caption = QString::fromUtf8(name);
            hit.entry.imageIndex = image;
            hit.entry.data = n;
            const qint64 size = (n * 7919) % 5000;
            hit.entry.subItems = {SizeText(size, false),
                                  QStringLiteral("Type %1").arg(n % 3),
                                  QString(),
                                  QString(),
                                  SizeSortKey(size),
                                  QStringLiteral("2020%1").arg(n % 13, 6, 10, QLatin1Char('0')),
                                  QString::fromUtf8(name).toUpper()};
            hits.append(hit);
            ++n;
        }
    }
    QList<ListEntry> entries;
    for (const FindHit &hit : hits)
        entries.append(hit.entry);
    for (const int mode : {int(kSortFindList), int(kSortDuplicateKey)}) {
        for (const int column : {0, 1, 2, 3}) {
            for (const bool ascending : {true, false}) {
                QList<FindHit> sorted = hits;
                SortHits(sorted, mode, FindSortState{column, ascending});
                const QList<qsizetype> expected = SortedListOrder(entries, mode, column, ascending);
                QList<qsizetype> actual;
                for (const FindHit &hit : sorted)
                    actual.append(hit.entry.data);
                EXPECT_EQ(actual, expected) << "mode " << mode << " column " << column
                                            << (ascending ? " ascending" : " descending");
            }
        }
    }
}

} // namespace

namespace {

TEST_F(SearchEngineTest, FileHitsTakeTheTypeAndIconOfTheirOwnName)
{
    const QStringList names = {QStringLiteral("a.tar.gz"), QStringLiteral("b.gz"),
                               QStringLiteral(".profile"), QStringLiteral("name."),
                               QStringLiteral("README"),   QStringLiteral("x.TXT"),
                               QStringLiteral("y.txt"),    QStringLiteral("z.odd.txt")};
    for (const QString &name : names)
        AddFile(m_docs, name);
    SearchSettings settings;
    settings.type = 7;
    Find(settings, m_docs);
    int checked = 0;
    for (const FindHit &hit : m_last.hits) {
        if (!names.contains(hit.entry.caption))
            continue;
        EXPECT_EQ(hit.entry.subItems.at(1), FileTypeName(hit.entry.caption))
            << hit.entry.caption.toStdString();
        EXPECT_EQ(hit.entry.imageIndex, FileIconIndex(hit.entry.caption))
            << hit.entry.caption.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, names.size());
}

} // namespace

namespace {

TEST_F(SearchEngineTest, AStopWhileTheCatalogIsReadEndsTheSearchEmpty)
{
    m_data.RunInTransaction([&] {
        for (int i = 0; i < 1000; ++i)
            AddObject(m_docs, QStringLiteral("many%1").arg(i), CatalogSchema::kFileFolderClass);
    });
    qint64 ticks = 0;
    m_ui.SetTickSource([&] { return ticks += 100; });
    m_ui.SetOnProcessEvents([&] { m_ui.SetCancelled(true); });
    SearchRequest request;
    const SearchResult stopped = RunSearch(m_data, request);
    EXPECT_TRUE(stopped.interrupted);
    EXPECT_TRUE(stopped.hits.isEmpty());
    // The half-read copy is not kept: the next search reads it all.
    m_ui.SetOnProcessEvents({});
    EXPECT_EQ(Find(Named(QStringLiteral("many"))).size(), 1000);
}

} // namespace
