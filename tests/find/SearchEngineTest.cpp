#include "FindFixture.h"
#include "platform/FileTypes.h"
#include "store/CatalogSchema.h"

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

// Catalogs\Work\Disk A (label ALPHA) with a folder docs, Catalogs\Work\Disk B
// (label BETA), an archive set under Archives, and a disk in the Wastebasket.
class SearchEngineTest : public FindFixture
{
protected:
    void SetUp() override
    {
        FindFixture::SetUp();
        m_data->RunInTransaction([&] {
            m_work = AddObject(kCatalogsId, u"Work"_s, kCatalogFolderClass, QString(), QString(),
                               u"team cat files"_s);
            m_diskA = AddObject(m_work, u"Disk A"_s, kHardDiskClass, u"ALPHA"_s, u"/media/alpha"_s);
            m_docs = AddObject(m_diskA, u"docs"_s, kFileFolderClass);
            m_diskB =
                AddObject(m_work, u"Disk B"_s, kRemovableDiskClass, u"BETA"_s, u"/mnt/beta"_s);
            m_set = AddObject(kArchivesId, u"Backup report"_s, kArchiveSetClass);
            m_old = AddObject(kWastebasketId, u"Old report disk"_s, kHardDiskClass);
            AddFile(m_docs, u"readme.txt"_s, 10, Day(2021, 3, 4), u"the cat sat"_s);
            AddFile(m_docs, u"notes.txt"_s, 20, Day(2019, 1, 1));
            AddFile(m_diskA, u"report.txt"_s, 300, Day(2020, 5, 1));
            AddFile(m_diskB, u"report.txt"_s, 300, Day(2020, 5, 1));
            AddFile(m_diskB, u"b.doc"_s, 5000, Day(2020, 5, 1));
            AddFile(m_set, u"archived report.txt"_s, 1, Day(2020, 5, 1));
            AddFile(m_old, u"report.txt"_s, 300, Day(2020, 5, 1));
        });
    }

    // The criteria a row of a table sets; the rest keep their defaults.
    struct Criteria
    {
        QString name = {};
        int type = 0;
        bool includeSubs = true;
        QString labelId = {}, source = {}, comment = {};
        bool wholeWords = false, matchCase = false;

        operator SearchSettings() const
        {
            SearchSettings settings;
            settings.name = name;
            settings.type = type;
            settings.includeSubs = includeSubs;
            settings.labelId = labelId;
            settings.source = source;
            settings.comment = comment;
            settings.wholeWords = wholeWords;
            settings.matchCase = matchCase;
            return settings;
        }
    };

    qint64 m_work = 0, m_diskA = 0, m_docs = 0, m_diskB = 0, m_set = 0, m_old = 0;
};

TEST_F(SearchEngineTest, AnEmptyMaskListsEverythingOutsideTheWastebasket)
{
    const QStringList all = Find(SearchSettings{});
    EXPECT_FALSE(all.contains(u"Old report disk"_s));
    EXPECT_FALSE(all.contains(u"Wastebasket"_s));
    EXPECT_EQ(all.size(), 14) << all.join(u'|').toStdString();
}

TEST_F(SearchEngineTest, EachCriterionSelectsTheObjectsAndFilesItNames)
{
    const QStringList reports{u"report.txt"_s, u"report.txt"_s};
    const QStringList allReports = QStringList{u"archived report.txt"_s} + reports;
    const struct
    {
        Criteria criteria;
        qint64 start;
        QStringList found;
    } rows[] = {
        {{.name = u"report"_s}, 1, QStringList{u"Backup report"_s} + allReports},
        // The start object is not listed, but its own files are searched.
        {{.name = u"*"_s}, m_docs, {u"notes.txt"_s, u"readme.txt"_s}},
        {{.name = u"report"_s}, m_old, {u"report.txt"_s}},
        // Without subfolders children are listed, their files not searched.
        {{.includeSubs = false}, m_diskA, {u"docs"_s, u"report.txt"_s}},
        {{.includeSubs = false}, 1, {u"Archives"_s, u"Catalogs"_s}},
        // The type chooses the classes listed and whether files are searched.
        {{.type = 1}, 1, {u"Work"_s}},
        {{.type = 2}, 1, {u"Disk A"_s, u"Disk B"_s}},
        {{.type = 4}, 1, {u"docs"_s}},
        {{.type = 10}, 1, {u"Backup report"_s}},
        {{.name = u"*.doc"_s, .type = 6}, 1, {u"b.doc"_s}},
        {{.name = u"Disk"_s, .type = 7}, 1, {}},
        // A label or source pattern leaves out the objects that fail it with
        // their files: docs has no label, Work and the archive set neither.
        {{.name = u"report"_s, .labelId = u"  ALP "_s}, 1, {u"report.txt"_s}},
        {{.labelId = u"[ab]*"_s}, 1, QStringList{u"Disk A"_s, u"Disk B"_s, u"b.doc"_s} + reports},
        {{.source = u"/mnt"_s}, 1, {u"Disk B"_s, u"b.doc"_s, u"report.txt"_s}},
        {{.comment = u" cat "_s, .wholeWords = true}, 1, {u"Work"_s, u"readme.txt"_s}},
        {{.comment = u"CAT"_s, .wholeWords = true, .matchCase = true}, 1, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.found.join(u'|').toStdString());
        EXPECT_EQ(Sorted(Find(row.criteria, row.start)), row.found);
    }
    Find(Criteria{.name = u"report"_s, .labelId = u"ALPHA"_s});
    ASSERT_EQ(m_last.hits.size(), 1);
    EXPECT_EQ(m_last.hits.at(0).owner, m_diskA);
    // Label and source patterns have no effect on the file types; "archived
    // report.txt" has no namesake, so the duplicate types drop it.
    for (const int type : {6, 7, 11, 12, 13}) {
        const Criteria settings{.name = u"report.txt"_s,
                                .type = type,
                                .labelId = u"NO SUCH LABEL"_s,
                                .source = u"/nowhere"_s};
        EXPECT_EQ(Sorted(Find(settings)), type <= 7 ? allReports : reports) << "type " << type;
    }
}

TEST_F(SearchEngineTest, TheNameIndexFindsWhatAPlainScanFindsForEveryMask)
{
    const QStringList names{
        u"README.TXT"_s,      u"thread.doc"_s,        u"a.b.txt"_s,    u"ab"_s,
        u"Ünterwäsche.txt"_s, u"ünterwäsche.TXT"_s,   u"ΑΡΧΕΙΟ.pdf"_s, u"αρχειο.pdf"_s,
        u"say \"hi\".txt"_s,  u"[draft] notes.txt"_s, u"CAFÉ.JPG"_s,   u"café au lait.jpg"_s};
    m_data->RunInTransaction([&] {
        for (const QString &name : names)
            AddFile(m_diskB, name);
    });
    const QStringList masks{
        u"read"_s,    u"REA"_s,      u"re"_s,       u"*read*"_s,   u"read*"_s,
        u"*me.txt"_s, u"?hread.*"_s, u"th?ead*"_s,  u"[rt]*ad*"_s, u"[!r]hread.doc"_s,
        u"*.b.*"_s,   u"ab"_s,       u"*wäsche*"_s, u"WÄSCHE"_s,   u"ünter"_s,
        u"ΑΡΧ"_s,     u"αρχ*"_s,     u"\"hi\""_s,   u"[draft]"_s,  u"*[draft]*"_s,
        u"café"_s,    u"*É au*"_s,   u"["_s,        u"*[a-"_s,     u"rep?rt.txt"_s,
        u"*port*"_s,  u"disk"_s,     u"*ork"_s,     u"basket"_s};
    // Objects too, from every kind of start: the index names the objects and
    // their ancestors decide the scope, where the plain scan walks the tree.
    const std::pair<qint64, bool> starts[] = {{1, true},      {m_work, false},
                                              {m_work, true}, {m_old, true},
                                              {1, false},     {CatalogSchema::kWastebasketId, true},
                                              {9999, true}};
    for (const QString &mask : masks) {
        for (const auto &[start, subs] : starts) {
            SearchSettings settings = Criteria{.name = mask};
            settings.includeSubs = subs;
            SearchRequest request;
            ValidateCriteria(settings, request.criteria);
            request.startId = start;
            request.useNameIndex = false;
            const QStringList scanned = Captions(RunSearch(*m_data, request).hits);
            EXPECT_EQ(Find(settings, start), scanned) << mask.toStdString() << " from " << start;
        }
    }
    // Letters beyond ASCII match in their own case only; the index, which
    // lowers them, only narrows the rows the matcher then decides on.
    EXPECT_EQ(Find(Criteria{.name = u"ünter"_s}), QStringList{u"ünterwäsche.TXT"_s});
    EXPECT_EQ(Find(Criteria{.name = u"ΑΡΧ"_s}), QStringList{u"ΑΡΧΕΙΟ.pdf"_s});
    EXPECT_EQ(Sorted(Find(Criteria{.name = u"wäsche"_s})),
              (QStringList{u"Ünterwäsche.txt"_s, u"ünterwäsche.TXT"_s}));
}

TEST_F(SearchEngineTest, DatesTestFilesByTheirOwnDatesAndObjectsByTheirs)
{
    const SearchSettings settings = Dated(u"31/12/2021"_s, u"1/1/2021"_s);
    // Only readme.txt lies in 2021; the folders that hold it do not.
    EXPECT_EQ(Find(settings), QStringList{u"readme.txt"_s});
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET Modified = 40000, Created = %1 WHERE ID = %2"_s
            .arg(Day(2021, 12, 31, 23), 0, 'f', 6)
            .arg(m_docs));
    EXPECT_EQ(Sorted(Find(settings)), (QStringList{u"docs"_s, u"readme.txt"_s}));
}

TEST_F(SearchEngineTest, HitsCarryTheirColumnsAndSortKeys)
{
    Find(Criteria{.name = u"Disk A"_s});
    ASSERT_EQ(m_last.hits.size(), 1);
    const FindHit &disk = m_last.hits.at(0);
    EXPECT_EQ(disk.entry.data, m_diskA);
    EXPECT_EQ(disk.entry.imageIndex, kHardDiskClass);
    EXPECT_EQ(disk.entry.subItems,
              (QStringList{u"1KB"_s, u"Hard Disk"_s, DateTimeText(Day(2020, 5, 1)), QString(),
                           SizeSortKey(1000), DateSortKey(Day(2020, 5, 1))}));
    EXPECT_EQ(HitPath(*m_data, disk), u"Catalogs\\Work\\Disk A"_s);

    Find(Criteria{.name = u"docs"_s});
    ASSERT_EQ(m_last.hits.size(), 1);
    EXPECT_EQ(m_last.hits.at(0).entry.subItems.at(0), QString()) << "folders show no size";
    EXPECT_EQ(m_last.hits.at(0).entry.subItems.at(4), SizeSortKey(0));

    Find(Criteria{.name = u"readme"_s});
    ASSERT_EQ(m_last.hits.size(), 1);
    const FindHit &file = m_last.hits.at(0);
    EXPECT_TRUE(file.entry.IsFile());
    EXPECT_EQ(file.entry.imageIndex, 32);
    EXPECT_EQ(file.entry.subItems.size(), 6);
    EXPECT_EQ(file.entry.subItems.at(3), u"the cat sat"_s);
    EXPECT_EQ(HitPath(*m_data, file), u"Catalogs\\Work\\Disk A\\docs\\readme.txt"_s);

    // The paths of a whole list, folders read once, are the same, hidden
    // names and all.
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET NameHidden = 1 WHERE ID IN (%1, %2)"_s.arg(m_work).arg(m_set));
    Find(Criteria{.name = u"*"_s});
    ASSERT_GT(m_last.hits.size(), 10);
    HitPaths paths(*m_data);
    for (const FindHit &hit : m_last.hits)
        EXPECT_EQ(paths.Of(hit), HitPath(*m_data, hit)) << hit.entry.caption.toStdString();
}

TEST_F(SearchEngineTest, ResultsSortByTheirSortStateStartingDescendingByName)
{
    EXPECT_EQ(Find(Criteria{.name = u"Disk"_s, .type = 2}),
              (QStringList{u"Disk B"_s, u"Disk A"_s}));
    SortBy(m_sort, 0);
    EXPECT_TRUE(m_sort.ascending);
    EXPECT_EQ(Find(Criteria{.name = u"Disk"_s, .type = 2}),
              (QStringList{u"Disk A"_s, u"Disk B"_s}));
    SortBy(m_sort, 1);
    EXPECT_EQ(m_sort.column, 1);
    EXPECT_TRUE(m_sort.ascending);
    EXPECT_EQ(Find(Criteria{.name = u"*.*"_s, .type = 6}).last(), u"b.doc"_s);
    SortBy(m_sort, 1);
    EXPECT_FALSE(m_sort.ascending);
    EXPECT_EQ(Find(Criteria{.name = u"*.*"_s, .type = 6}).first(), u"b.doc"_s);
}

TEST_F(SearchEngineTest, TheScopeNeverHoldsTheWastebasketAndSurvivesACycle)
{
    QList<qint64> scope = BuildScope(*m_data, 1, true);
    EXPECT_FALSE(scope.contains(4));
    EXPECT_FALSE(scope.contains(m_old));
    EXPECT_TRUE(scope.contains(m_docs));
    EXPECT_TRUE(scope.contains(5)) << "the volume pool lies under Archives";
    scope = BuildScope(*m_data, 1, false);
    std::sort(scope.begin(), scope.end());
    EXPECT_EQ(scope, (QList<qint64>{1, 2, 3}));
    // A parent chain that loops back does not hang the walk.
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Catalogs SET Parent = %1 WHERE ID = %2"_s.arg(m_docs).arg(m_work));
    scope = BuildScope(*m_data, m_diskA, true);
    std::sort(scope.begin(), scope.end());
    EXPECT_EQ(scope, (QList<qint64>{m_work, m_diskA, m_docs, m_diskB}));
    EXPECT_TRUE(BuildScope(*m_data, 99999, true).isEmpty());
}

TEST_F(SearchEngineTest, StopEndsThePassesAfterTheCurrentRecord)
{
    m_data->RunInTransaction([&] {
        for (int i = 0; i < 2000; ++i)
            AddFile(m_docs, u"bulk%1.dat"_s.arg(i));
    });
    // A first search reads the tables into memory; the stop is tested on
    // the search that follows, which scans that copy.
    EXPECT_EQ(Find(Criteria{.name = u"bulk"_s}).size(), 2000);
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
    const SearchResult result = RunSearch(*m_data, request);
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
    m_data->RunInTransaction([&] {
        for (int i = 0; i < 9000; ++i)
            AddFile(m_diskB, u"f%1.dat"_s.arg(i, 4, 10, QChar(u'0')));
    });
    qint64 ticks = 0;
    QStringList statuses;
    SearchHooks hooks;
    hooks.clock = [&] { return ticks += 400; };
    hooks.status = [&](const QString &first, const QString &second) {
        statuses << first + u'|' + second;
    };
    SearchRequest request;
    request.criteria.mask = u"*.dat"_s;
    const SearchResult result = RunSearch(*m_data, request, hooks);
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Find Limit Exceeded"_s);
    EXPECT_EQ(box.text, u"The Find limit of 8,000 matched Objects has been "
                        "exceeded.\nPlease amend the find criteria to return less "
                        "objects\n\nOnly the objects matched so far will be "
                        "displayed."_s);
    EXPECT_TRUE(result.limitReached);
    EXPECT_TRUE(result.interrupted);
    EXPECT_GT(result.hits.size(), 8000);
    EXPECT_LT(result.hits.size(), 8200) << "stopped at the next report";
    EXPECT_EQ(result.hits.first().entry.caption, u"f%1.dat"_s.arg(result.hits.size() - 1));
    EXPECT_EQ(result.hits.last().entry.caption, u"f0000.dat"_s);
    ASSERT_FALSE(statuses.isEmpty());
    EXPECT_TRUE(statuses.first().startsWith(u"Please Wait...|Searching: Found "_s));
}

TEST_F(SearchEngineTest, EachSearchSeesTheCatalogAsItIsNow)
{
    EXPECT_EQ(Find(Criteria{.name = u"fresh"_s}), QStringList{});
    const qint64 key = AddFile(m_docs, u"fresh.txt"_s);
    EXPECT_EQ(Find(Criteria{.name = u"fresh"_s}), QStringList{u"fresh.txt"_s});
    m_data->RunInTransaction([&] {
        m_data->CatalogDatabase.Prepare(u"UPDATE Files SET Name = 'stale.txt' WHERE Key = ?1"_s)
            .Bind(1, key)
            .Execute();
    });
    EXPECT_EQ(Find(Criteria{.name = u"fresh"_s}), QStringList{});
    // A change rolled back leaves the search where it was.
    m_data->StartTransaction();
    AddFile(m_docs, u"fresh again.txt"_s);
    m_data->Rollback();
    EXPECT_EQ(Find(Criteria{.name = u"fresh"_s}), QStringList{});
}

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
                                  u"Type %1"_s.arg(n % 3),
                                  QString(),
                                  QString(),
                                  SizeSortKey(size),
                                  u"2020%1"_s.arg(n % 13, 6, 10, QChar(u'0')),
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

TEST_F(SearchEngineTest, FileHitsTakeTheTypeAndIconOfTheirOwnName)
{
    const QStringList names = {u"a.tar.gz"_s, u"b.gz"_s,  u".profile"_s, u"name."_s,
                               u"README"_s,   u"x.TXT"_s, u"y.txt"_s,    u"z.odd.txt"_s};
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

TEST_F(SearchEngineTest, AStopWhileTheCatalogIsReadEndsTheSearchEmpty)
{
    m_data->RunInTransaction([&] {
        for (int i = 0; i < 1000; ++i)
            AddObject(m_docs, u"many%1"_s.arg(i), kFileFolderClass);
    });
    qint64 ticks = 0;
    m_ui.SetTickSource([&] { return ticks += 100; });
    m_ui.SetOnProcessEvents([&] { m_ui.SetCancelled(true); });
    SearchRequest request;
    const SearchResult stopped = RunSearch(*m_data, request);
    EXPECT_TRUE(stopped.interrupted);
    EXPECT_TRUE(stopped.hits.isEmpty());
    // The half-read copy is not kept: the next search reads it all.
    m_ui.SetOnProcessEvents({});
    EXPECT_EQ(Find(Criteria{.name = u"many"_s}).size(), 1000);
}

} // namespace
