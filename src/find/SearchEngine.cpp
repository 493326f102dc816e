#include "find/SearchEngine.h"

#include "find/CatalogSnapshot.h"
#include "find/NamePattern.h"
#include "find/RawRows.h"
#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "platform/UserInterface.h"
#include "store/CatalogContents.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"
#include "store/NameIndex.h"

#include <QCollator>
#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// Events are handled during the passes at most this often; the clock is
// read only every kRecordsPerClockRead records, so a pass over a million
// records spends no measurable time on it.
constexpr int kPumpIntervalMs = 50;
constexpr int kRecordsPerClockRead = 64;
constexpr int kReportIntervalMs = 1000;

const QDate kFirstSearchDate(1900, 1, 1);
const QDate kLastSearchDate(2100, 12, 31);

qint64 DayNumber(const QDate &date)
{
    return QDate(1899, 12, 30).daysTo(date);
}

qint64 DefaultClock()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

// A set of object IDs: a bitmap while the IDs are small, as they are in any
// catalog this program makes; a hash set beyond.
class IdSet final
{
public:
    explicit IdSet(qint64 maxId)
    {
        if (maxId >= 0 && maxId <= kMaxBitmapId)
            m_bits.assign(std::size_t(maxId) + 1, false);
        else
            m_useHash = true;
    }
    void Insert(qint64 id)
    {
        if (!m_useHash) {
            if (id >= 0 && std::size_t(id) < m_bits.size()) {
                m_bits[std::size_t(id)] = true;
                m_empty = false;
            }
            return;
        }
        m_hash.insert(id);
        m_empty = false;
    }
    bool Contains(qint64 id) const
    {
        if (!m_useHash)
            return id >= 0 && std::size_t(id) < m_bits.size() && m_bits[std::size_t(id)];
        return m_hash.count(id) != 0;
    }
    bool Empty() const { return m_empty; }

private:
    static constexpr qint64 kMaxBitmapId = qint64(1) << 28;
    std::vector<bool> m_bits;
    std::unordered_set<qint64> m_hash;
    bool m_useHash = false;
    bool m_empty = true;
};

// A blank date (NaN) lies in no range.
bool DayInRange(double dayCount, qint64 from, qint64 to)
{
    if (std::isnan(dayCount))
        return false;
    const double day = std::trunc(dayCount);
    return day >= double(from) && day <= double(to);
}

std::optional<double> OptionalDate(double dayCount)
{
    if (std::isnan(dayCount))
        return std::nullopt;
    return dayCount;
}

QString FromUtf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString DateText(const std::optional<double> &dayCount)
{
    return dayCount ? DateTimeText(*dayCount) : QString();
}

QString DateKey(const std::optional<double> &dayCount)
{
    return dayCount ? DateSortKey(*dayCount) : QString();
}

// Whether a sort key holds only blanks, points and digits (the size and date
// keys): those compare by their characters.
bool IsNumericSortKey(const QString &key)
{
    for (const QChar c : key) {
        if (c != u' ' && c != u'.' && (c < u'0' || c > u'9'))
            return false;
    }
    return true;
}

// The exact byte count in a fixed width, so that equal keys mean equal sizes.
QString ExactSizeKey(qint64 size)
{
    return QStringLiteral("%1").arg(size, 20, 10, QLatin1Char('0'));
}

// The objects in scope (see BuildScope), from the objects of a snapshot. The
// children of each object are found through arrays indexed by position in
// the snapshot (objects are in ID order), which keeps the walk over tens of
// thousands of folders to a few milliseconds.
QList<qint64> WalkScope(const CatalogSnapshot &snapshot, qint64 startId, bool includeSubs)
{
    constexpr qint64 kWastebasket = CatalogSchema::kWastebasketId;
    const std::vector<CatalogSnapshot::Object> &objects = snapshot.objects;
    const std::size_t n = objects.size();
    auto indexOf = [&](qint64 id) -> std::size_t {
        const auto found = std::lower_bound(
            objects.begin(), objects.end(), id,
            [](const CatalogSnapshot::Object &object, qint64 value) { return object.id < value; });
        return found != objects.end() && found->id == id ? std::size_t(found - objects.begin()) : n;
    };
    // Children in ID order, as compressed rows: the children of object i are
    // childList[childStart[i]] up to childList[childStart[i + 1]].
    std::vector<std::size_t> parentIndex(n, n);
    std::vector<std::size_t> childStart(n + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (!objects[i].hasParent || objects[i].parent == objects[i].id)
            continue;
        parentIndex[i] = indexOf(objects[i].parent);
        if (parentIndex[i] < n)
            ++childStart[parentIndex[i] + 1];
    }
    for (std::size_t i = 0; i < n; ++i)
        childStart[i + 1] += childStart[i];
    std::vector<std::size_t> childList(childStart[n]);
    std::vector<std::size_t> filled(childStart.begin(), childStart.end() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        if (parentIndex[i] < n)
            childList[filled[parentIndex[i]]++] = i;
    }

    QList<qint64> ids;
    const std::size_t start = indexOf(startId);
    if (start == n)
        return ids;
    if (!includeSubs) {
        if (startId != kWastebasket)
            ids.append(startId);
        for (std::size_t c = childStart[start]; c < childStart[start + 1]; ++c) {
            UI().PumpMessages(kReportIntervalMs);
            if (UI().Cancelled())
                return {};
            if (objects[childList[c]].id != kWastebasket)
                ids.append(objects[childList[c]].id);
        }
        return ids;
    }
    // A depth-first walk; the visited marks stop a cycle of parent links.
    std::vector<std::size_t> pending;
    if (startId == CatalogSchema::kDatabaseObjectId) {
        for (const qint64 root : {CatalogSchema::kCatalogsId, CatalogSchema::kArchivesId}) {
            const std::size_t index = indexOf(root);
            if (index < n)
                pending.push_back(index);
        }
    } else {
        pending.push_back(start);
    }
    std::vector<bool> visited(n, false);
    while (!pending.empty()) {
        const std::size_t i = pending.back();
        pending.pop_back();
        if (visited[i])
            continue;
        visited[i] = true;
        UI().PumpMessages(kReportIntervalMs);
        if (UI().Cancelled())
            return {};
        if (objects[i].id != kWastebasket)
            ids.append(objects[i].id);
        for (std::size_t c = childStart[i + 1]; c-- > childStart[i];)
            pending.push_back(childList[c]);
    }
    return ids;
}

QList<qint64> ScopeOf(const CatalogSnapshot &snapshot, qint64 startId, bool includeSubs)
{
    if (const QList<qint64> *kept = snapshot.CachedScope(startId, includeSubs))
        return *kept;
    QList<qint64> ids = WalkScope(snapshot, startId, includeSubs);
    if (!UI().Cancelled())
        snapshot.KeepScope(startId, includeSubs, ids);
    return ids;
}

// Whether the files of an object are searched: the object must lie in the
// scope (see BuildScope), its class must suit the search type, and its own
// label and source must match the patterns where the type lists objects.
// Worked out from the object's row and its ancestors when a file of it is
// met, and kept, so that a search which meets few files reads few objects.
class OwnerFilter final
{
public:
    OwnerFilter(TDataShare &data, const SearchRequest &request, const NamePattern &label,
                const NamePattern &source)
        : m_rows(data.CatalogDatabase.Handle(),
                 "SELECT Parent, Class, SerialID, Source FROM Catalogs WHERE ID = ?1")
        , m_request(request)
        , m_label(label)
        , m_source(source)
    {
    }

    // Whether the start object exists: without it nothing is in scope.
    bool StartExists() { return Read(m_request.startId).found; }

    // Whether an object lies in the scope of the search (see BuildScope):
    // the start object and its children, or with the subfolders every object
    // the start object (from the database object, "Catalogs" or "Archives")
    // is an ancestor of; never the Wastebasket itself.
    bool ObjectInScope(qint64 id)
    {
        const Row row = Read(id);
        if (!row.found || id == CatalogSchema::kWastebasketId)
            return false;
        if (m_request.criteria.includeSubs)
            return InScope(id, row);
        return id == m_request.startId ||
               (row.hasParent && row.parent == m_request.startId && row.parent != id);
    }

    bool Accepts(qint64 owner)
    {
        const auto known = m_accepted.find(owner);
        if (known != m_accepted.end())
            return known->second;
        const bool accepted = Decide(owner);
        m_accepted.emplace(owner, accepted);
        return accepted;
    }

private:
    struct Row
    {
        bool found = false;
        bool hasParent = false;
        qint64 parent = 0;
        int cls = -1;
        std::string serial;
        std::string source;
    };

    Row Read(qint64 id)
    {
        m_rows.Reset();
        m_rows.Bind(1, id);
        Row row;
        if (m_rows.Step()) {
            row.found = true;
            row.hasParent = !m_rows.IsNull(0);
            row.parent = m_rows.Int(0);
            row.cls = m_rows.IsNull(1) ? -1 : int(m_rows.Int(1));
            row.serial = m_rows.Bytes(2);
            row.source = m_rows.Bytes(3);
        }
        return row;
    }

    bool Decide(qint64 owner)
    {
        const SearchCriteria &c = m_request.criteria;
        const Row row = Read(owner);
        if (!row.found || !SearchTypeAcceptsClass(c.type, row.cls))
            return false;
        if (!c.includeSubs)
            return owner == m_request.startId && owner != CatalogSchema::kWastebasketId;
        if (!InScope(owner, row))
            return false;
        if (owner == m_request.startId || !SearchTypeListsObjects(c.type))
            return true;
        if (!c.sourcePattern.isEmpty() && !m_source.Matches(row.source.data(), row.source.size()))
            return false;
        return c.labelPattern.isEmpty() || m_label.Matches(row.serial.data(), row.serial.size());
    }

    // Whether the start object is the object or one of its ancestors; from
    // the database object, whether "Catalogs" or "Archives" is.
    bool InScope(qint64 id, Row row)
    {
        if (id == CatalogSchema::kWastebasketId)
            return false;
        const qint64 start = m_request.startId;
        std::vector<qint64> chain;
        bool inScope = false;
        for (;;) {
            const auto known = m_inScope.find(id);
            if (known != m_inScope.end()) {
                inScope = known->second;
                break;
            }
            chain.push_back(id);
            if (start == CatalogSchema::kDatabaseObjectId
                    ? id == CatalogSchema::kCatalogsId || id == CatalogSchema::kArchivesId
                    : id == start) {
                inScope = true;
                break;
            }
            // A broken chain or a cycle of parent links ends outside.
            if (!row.found || !row.hasParent || row.parent == id ||
                std::find(chain.begin(), chain.end(), row.parent) != chain.end())
                break;
            id = row.parent;
            row = Read(id);
        }
        for (const qint64 link : chain)
            m_inScope.emplace(link, inScope);
        return inScope;
    }

    RawRows m_rows;
    const SearchRequest &m_request;
    const NamePattern &m_label;
    const NamePattern &m_source;
    std::unordered_map<qint64, bool> m_accepted;
    std::unordered_map<qint64, bool> m_inScope;
};

class Search final
{
public:
    Search(TDataShare &data, const SearchRequest &request, const SearchHooks &hooks)
        : m_data(data)
        , m_request(request)
        , m_c(request.criteria)
        , m_hooks(hooks)
        , m_mask(m_c.mask)
        , m_label(m_c.labelPattern)
        , m_source(m_c.sourcePattern)
        , m_comment(m_c.comment, m_c.matchCase, m_c.wholeWords)
        , m_testName(m_c.mask != QLatin1String("*.*") && m_c.mask != QLatin1String("*"))
    {
        if (!m_hooks.clock)
            m_hooks.clock = &DefaultClock;
        m_lastReport = m_hooks.clock();
    }

    SearchResult Run();

private:
    bool CatalogPass();
    bool IndexedCatalogPass(const QString &expression, OwnerFilter &owners);
    void ListObject(const CatalogSnapshot::Object &object, bool inScope);
    void FilePass(OwnerFilter &owners, const QString &expression);
    QString IndexExpression();
    void TestFile(const RawRows &row, OwnerFilter &owners);
    bool DateAccepted(double modified, double created) const
    {
        return !m_c.dateRestricted || DayInRange(modified, m_c.fromDay, m_c.toDay) ||
               DayInRange(created, m_c.fromDay, m_c.toDay);
    }
    // The gated pump and the once-a-second report, after a record.
    void AfterRecord();
    void ReportProgress();
    void AddHit(FindHit hit);
    const std::pair<QString, int> &TypeOf(std::string_view nameBytes, const QString &name);
    bool Ended() const { return m_halted || UI().Cancelled(); }
    void Stop()
    {
        if (m_hooks.stop)
            m_hooks.stop();
        else
            UI().SetCancelled(true);
    }
    void Status(const QString &first, const QString &second)
    {
        if (m_hooks.status)
            m_hooks.status(first, second);
    }

    TDataShare &m_data;
    const SearchRequest &m_request;
    const SearchCriteria &m_c;
    SearchHooks m_hooks;
    NamePattern m_mask;
    NamePattern m_label;
    NamePattern m_source;
    CommentPattern m_comment;
    bool m_testName;
    SearchResult m_result;
    // The type name and icon of file names by their ending: both depend on
    // nothing else, and a search meets the same endings again and again.
    std::unordered_map<std::string, std::pair<QString, int>> m_types;
    qint64 m_lastReport = 0;
    int m_sinceClock = 0;
    bool m_halted = false;
};

SearchResult Search::Run()
{
    UI().SetCancelled(false);
    // The files find their owners one by one; so do the objects the name
    // index names. Only a search that lists objects without the index reads
    // them all.
    OwnerFilter owners(m_data, m_request, m_label, m_source);
    const QString expression = IndexExpression();
    if (SearchTypeListsObjects(m_c.type)) {
        const bool searched =
            expression.isEmpty() ? CatalogPass() : IndexedCatalogPass(expression, owners);
        if (!searched) {
            m_result.interrupted = UI().Cancelled();
            return m_result;
        }
    }
    if (SearchTypeSearchesFiles(m_c.type) && !Ended())
        FilePass(owners, expression);
    m_result.interrupted = UI().Cancelled();

    if (SearchTypeFindsDuplicates(m_c.type)) {
        SortHits(m_result.hits, kSortDuplicateKey, m_request.sort);
        RemoveNonDuplicates(m_result.hits, m_hooks);
    } else {
        SortHits(m_result.hits, kSortFindList, m_request.sort);
    }
    return m_result;
}

// False when there is nothing in scope or the search was cancelled.
bool Search::CatalogPass()
{
    const std::shared_ptr<const CatalogSnapshot> snapshot = CatalogSnapshot::Of(m_data);
    const QList<qint64> scopeIds =
        snapshot ? ScopeOf(*snapshot, m_request.startId, m_c.includeSubs) : QList<qint64>();
    if (scopeIds.isEmpty() || UI().Cancelled())
        return false;
    IdSet scope(snapshot->MaxObjectId());
    for (const qint64 id : scopeIds)
        scope.Insert(id);
    for (const CatalogSnapshot::Object &object : snapshot->objects) {
        if (Ended())
            break;
        ListObject(object, scope.Contains(object.id));
    }
    return true;
}

// Reads only the objects whose names may match, in ID order as the full pass
// meets them. False when there is nothing in scope.
bool Search::IndexedCatalogPass(const QString &expression, OwnerFilter &owners)
{
    if (!owners.StartExists())
        return false;
    RawRows rows(m_data.CatalogDatabase.Handle(),
                 (QByteArray(CatalogSnapshot::kObjectColumns) +
                  "FROM CatalogsNameIndex CROSS JOIN Catalogs ON Catalogs.ID = "
                  "CatalogsNameIndex.rowid WHERE CatalogsNameIndex MATCH ?1 ORDER BY "
                  "CatalogsNameIndex.rowid")
                     .constData());
    rows.Bind(1, expression);
    while (!Ended() && rows.Step()) {
        const CatalogSnapshot::Object object = CatalogSnapshot::ObjectOf(rows);
        ListObject(object, owners.ObjectInScope(object.id));
    }
    return true;
}

void Search::ListObject(const CatalogSnapshot::Object &object, bool inScope)
{
    const bool listsObjects = SearchTypeListsObjects(m_c.type);
    // The dates decide only whether the object itself is listed: its
    // files are tested by their own dates.
    const bool accepted = inScope && SearchTypeAcceptsClass(m_c.type, object.cls);
    if (!accepted) {
        AfterRecord();
        return;
    }
    // The start object is never listed; the file types list no objects
    // and ignore the label and source patterns. A label or source that
    // does not match excludes the object and its files.
    bool excluded = false;
    bool listed = false;
    if (object.id != m_request.startId && listsObjects) {
        if (!m_c.sourcePattern.isEmpty())
            excluded = !m_source.Matches(object.source.data(), object.source.size());
        if (!excluded && !m_c.labelPattern.isEmpty())
            excluded = !m_label.Matches(object.serial.data(), object.serial.size());
        listed = !excluded;
        if (listed && m_testName)
            listed = m_mask.Matches(object.name.data(), object.name.size());
        if (listed && !m_c.comment.isEmpty())
            listed = m_comment.Matches(object.comment);
        listed = listed && DateAccepted(object.modified, object.created);
    }
    if (listed) {
        FindHit hit;
        hit.size = object.size;
        hit.modified = OptionalDate(object.modified);
        hit.comment = object.comment;
        hit.cls = object.cls;
        hit.owner = object.parent;
        const bool noSize = ClassShowsNoSize(object.cls);
        hit.entry = ListEntry{
            FromUtf8(object.name), object.id, object.cls,
            QStringList{noSize ? QString() : SizeText(hit.size, false), GetClassName(object.cls),
                        DateText(hit.modified), OneLineComment(hit.comment),
                        SizeSortKey(noSize ? 0 : hit.size), DateKey(hit.modified)}};
        AddHit(std::move(hit));
    }
    AfterRecord();
}

// The columns TestFile reads, in its order.
constexpr char kFileColumns[] = "SELECT Files.Key, Files.ID, Files.Class, Files.Size, "
                                "Files.Packaged, Files.Created, Files.Modified, Files.Name, "
                                "Files.Comment ";
enum FileColumn
{
    kKeyColumn,
    kOwnerColumn,
    kClassColumn,
    kSizeColumn,
    kPackagedColumn,
    kCreatedColumn,
    kModifiedColumn,
    kNameColumn,
    kCommentColumn
};

void Search::FilePass(OwnerFilter &owners, const QString &expression)
{
    // Every pass reads the files in stored order, so the hits come in the
    // same order whichever way they were found.
    sqlite3 *db = m_data.CatalogDatabase.Handle();
    QByteArray sql(kFileColumns);
    if (!expression.isEmpty())
        sql += "FROM FilesNameIndex CROSS JOIN Files ON Files.Key = FilesNameIndex.rowid "
               "WHERE FilesNameIndex MATCH ?1 ORDER BY FilesNameIndex.rowid";
    else if (!m_testName && !m_c.comment.isEmpty())
        sql += "FROM Files WHERE Comment <> '' ORDER BY rowid"; // only these can match
    else
        sql += "FROM Files ORDER BY rowid";
    RawRows rows(db, sql.constData());
    if (!expression.isEmpty())
        rows.Bind(1, expression);
    while (!Ended() && rows.Step())
        TestFile(rows, owners);
}

QString Search::IndexExpression()
{
    // The index narrows a name mask to the rows that hold its literal texts;
    // the mask itself then decides on each of them.
    if (!m_testName || !m_request.useNameIndex || !NameIndex::IsCurrent(m_data.CatalogDatabase))
        return {};
    const QString expression = NameIndex::MatchExpression(m_mask.LiteralRuns());
    if (!expression.isEmpty())
        NameIndex::Flush(m_data.CatalogDatabase); // changes made outside a command
    return expression;
}

void Search::TestFile(const RawRows &row, OwnerFilter &owners)
{
    // The row's own fields first: the owner's scope reads the catalog's rows
    // at random places.
    const double created = row.Date(kCreatedColumn);
    const double modified = row.Date(kModifiedColumn);
    const std::string_view nameBytes = row.Bytes(kNameColumn);
    if (!DateAccepted(modified, created) ||
        (m_testName && !m_mask.Matches(nameBytes.data(), nameBytes.size()))) {
        AfterRecord();
        return;
    }
    const std::string_view commentBytes = row.Bytes(kCommentColumn);
    const QString comment =
        commentBytes.empty()
            ? QString()
            : QString::fromUtf8(commentBytes.data(), qsizetype(commentBytes.size()));
    const bool hit =
        (m_c.comment.isEmpty() || (!comment.isEmpty() && m_comment.Matches(comment))) &&
        owners.Accepts(row.Int(kOwnerColumn));
    if (hit) {
        FindHit file;
        file.size = row.Int(kSizeColumn);
        file.modified = OptionalDate(modified);
        file.comment = comment;
        file.cls = int(row.Int(kClassColumn));
        file.owner = row.Int(kOwnerColumn);
        file.packaged = row.Int(kPackagedColumn) != 0;
        const QString name = QString::fromUtf8(nameBytes.data(), qsizetype(nameBytes.size()));
        const std::pair<QString, int> &type = TypeOf(nameBytes, name);
        const QString dateKey = DateKey(file.modified);
        QStringList subItems{SizeText(file.size, false),
                             type.first,
                             DateText(file.modified),
                             file.comment.isEmpty() ? QString() : OneLineComment(file.comment),
                             SizeSortKey(file.size),
                             dateKey};
        if (SearchTypeFindsDuplicates(m_c.type)) {
            // Sizes compare exactly here: the list's size key is rounded
            // to kilobytes, which would pair files of different sizes.
            QString key = name;
            if (m_c.type != 13)
                key += ExactSizeKey(file.size);
            if (m_c.type == 11)
                key += dateKey;
            subItems.append(key);
        }
        file.entry = ListEntry{name, row.Int(kKeyColumn), type.second, subItems};
        AddHit(std::move(file));
    }
    AfterRecord();
}

const std::pair<QString, int> &Search::TypeOf(std::string_view nameBytes, const QString &name)
{
    // The ending that the file type look-up keys its cache by: from the
    // second-last dot, or the last; a name whose last dot is its first or
    // last character has no extension at all.
    const std::size_t last = nameBytes.rfind('.');
    std::string key;
    if (last == std::string_view::npos || last == 0 || last + 1 == nameBytes.size()) {
        key = std::string(1, '\0');
    } else {
        const std::size_t previous = nameBytes.rfind('.', last - 1);
        key = std::string(nameBytes.substr(
            previous != std::string_view::npos && previous > 0 ? previous + 1 : last + 1));
    }
    auto found = m_types.find(key);
    if (found == m_types.end())
        found = m_types.emplace(key, std::make_pair(FileTypeName(name), FileIconIndex(name))).first;
    return found->second;
}

void Search::AddHit(FindHit hit)
{
    m_result.hits.append(std::move(hit));
    if (m_request.exactLimit && m_request.hitLimit > 0 &&
        m_result.hits.size() > m_request.hitLimit) {
        m_result.hits.removeLast();
        m_result.limitReached = true;
        m_halted = true;
    }
}

void Search::AfterRecord()
{
    if (++m_sinceClock < kRecordsPerClockRead)
        return;
    m_sinceClock = 0;
    UI().PumpMessages(kPumpIntervalMs);
    ReportProgress();
}

void Search::ReportProgress()
{
    const qint64 now = m_hooks.clock();
    if (now - m_lastReport < kReportIntervalMs)
        return;
    Status(QStringLiteral("Please Wait..."),
           QStringLiteral("Searching: Found %1 Items....").arg(m_result.hits.size()));
    if (!m_request.exactLimit && m_request.hitLimit > 0 &&
        m_result.hits.size() > m_request.hitLimit) {
        m_result.limitReached = true;
        UI().ShowError(QStringLiteral("Find Limit Exceeded"),
                       QStringLiteral("The Find limit of 8,000 matched Objects has been exceeded.\n"
                                      "Please amend the find criteria to return less objects") +
                           kParagraphBreak +
                           QStringLiteral("Only the objects matched so far will be displayed."));
        Stop();
    }
    UI().PumpMessages(0);
    m_lastReport = m_hooks.clock();
}

} // namespace

bool SearchTypeListsObjects(int type)
{
    return !(type == 6 || type == 7 || SearchTypeFindsDuplicates(type));
}

bool SearchTypeSearchesFiles(int type)
{
    return type == 0 || type == 6 || type == 7 || SearchTypeFindsDuplicates(type);
}

bool SearchTypeFindsDuplicates(int type)
{
    return type >= 11 && type <= 13;
}

bool SearchTypeAcceptsClass(int type, int cls)
{
    using namespace CatalogSchema;
    switch (type) {
    case 1:
        return cls == kCatalogFolderClass;
    case 2:
        return IsDiskCatalogClass(cls);
    case 3:
        return cls == kFileFolderClass || cls == kPackagedFolderClass;
    case 4:
        return cls == kFileFolderClass;
    case 5:
        return cls == kPackagedFolderClass;
    case 8:
        return cls == kPackageClass;
    case 9:
        return IsArchiveVolumeClass(cls);
    case 10:
        return cls == kArchiveSetClass;
    default:
        return true;
    }
}

DateField ValidateCriteria(SearchSettings &settings, SearchCriteria &criteria,
                           const std::function<void(DateField)> &showDateField)
{
    settings.name = settings.name.trimmed();
    settings.labelId = settings.labelId.trimmed();
    settings.source = settings.source.trimmed();
    settings.comment = settings.comment.trimmed();

    SearchCriteria c;
    c.mask = settings.name.isEmpty() ? QStringLiteral("*.*") : settings.name;
    c.type = settings.type >= 0 && settings.type < kSearchTypeCount ? settings.type : 0;
    c.includeSubs = settings.includeSubs;
    c.dateRestricted = settings.notAllEntries;
    c.comment = settings.comment;
    c.wholeWords = settings.wholeWords;
    c.matchCase = settings.matchCase;
    c.labelPattern = settings.labelId;
    c.sourcePattern = settings.source;

    if (c.dateRestricted) {
        const std::pair<DateField, const QString *> fields[] = {
            {DateField::From, &settings.between}, {DateField::To, &settings.andDate}};
        qint64 days[2] = {0, 0};
        for (int i = 0; i < 2; ++i) {
            const std::optional<QDate> date = ParseSearchDate(*fields[i].second);
            if (!date || *date < kFirstSearchDate || *date > kLastSearchDate) {
                if (showDateField)
                    showDateField(fields[i].first);
                UI().ShowError(QStringLiteral("Invalid Date"),
                               QStringLiteral("The Date entered is invalid or the format is "
                                              "incorrect.") +
                                   kParagraphBreak +
                                   QStringLiteral("Please respecify in the format \"") +
                                   ShortDateFormat().toUpper() + QLatin1Char('"'));
                return fields[i].first;
            }
            days[i] = DayNumber(*date);
        }
        if (days[0] > days[1]) {
            std::swap(days[0], days[1]);
            std::swap(settings.between, settings.andDate);
        }
        c.fromDay = days[0];
        c.toDay = days[1];
    }
    criteria = c;
    return DateField::None;
}

void SortBy(FindSortState &state, int column)
{
    if (state.column == column) {
        state.ascending = !state.ascending;
    } else {
        state.column = column;
        state.ascending = true;
    }
}

QList<qint64> BuildScope(TDataShare &data, qint64 startId, bool includeSubs)
{
    UI().SetCancelled(false);
    const std::shared_ptr<const CatalogSnapshot> snapshot = CatalogSnapshot::Of(data);
    if (!snapshot)
        return {};
    return ScopeOf(*snapshot, startId, includeSubs);
}

void SortHits(QList<FindHit> &hits, int mode, const FindSortState &state)
{
    // The order of CompareListItems, with each key made once: the size and
    // date keys compare by their characters, everything else by collation
    // keys, which compare as the locale-aware comparison does but without
    // collating the two texts again for every comparison.
    const bool ascending = mode == kSortDuplicateKey || state.ascending;
    const int keyColumn = SortKeyColumn(mode, state.column);
    const qsizetype n = hits.size();
    QStringList keys;
    keys.reserve(n);
    bool allNumeric = true;
    std::vector<char> numeric(std::size_t(n), 0);
    for (qsizetype i = 0; i < n; ++i) {
        keys.append(ListSortKey(hits[i].entry, keyColumn));
        numeric[std::size_t(i)] = IsNumericSortKey(keys.last()) ? 1 : 0;
        allNumeric = allNumeric && numeric[std::size_t(i)];
    }
    std::vector<std::optional<QCollatorSortKey>> collated(static_cast<std::size_t>(n));
    if (!allNumeric) {
        // Opening a collator costs milliseconds; one is kept per locale.
        static QCollator collator;
        if (collator.locale() != QLocale())
            collator = QCollator();
        for (qsizetype i = 0; i < n; ++i)
            collated[std::size_t(i)].emplace(collator.sortKey(keys[i]));
    }
    std::vector<qsizetype> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const std::size_t ia = std::size_t(a);
        const std::size_t ib = std::size_t(b);
        const int result = numeric[ia] && numeric[ib] ? keys[a].compare(keys[b])
                                                      : collated[ia]->compare(*collated[ib]);
        return (ascending ? result : -result) < 0;
    });
    QList<FindHit> sorted;
    sorted.reserve(n);
    for (const qsizetype row : order)
        sorted.append(std::move(hits[row]));
    hits = std::move(sorted);
}

void RemoveNonDuplicates(QList<FindHit> &hits, const SearchHooks &hooks)
{
    if (hooks.status)
        hooks.status(QStringLiteral("Please Wait..."),
                     QStringLiteral("Removing non-duplicated files...."));
    try {
        // Keys compare as the sort compares them, in upper case. Counting
        // them keeps each group whole even where the sort's collation calls
        // two different keys equal and lets them interleave.
        const int keyColumn = SortKeyColumn(kSortDuplicateKey, 0);
        QHash<QString, int> counts;
        QStringList keys;
        keys.reserve(hits.size());
        for (const FindHit &hit : std::as_const(hits)) {
            keys.append(hit.entry.subItems.value(keyColumn - 1).toUpper());
            ++counts[keys.last()];
        }
        QList<FindHit> kept;
        for (qsizetype i = 0; i < hits.size(); ++i) {
            if (counts.value(keys[i]) > 1)
                kept.append(std::move(hits[i]));
        }
        hits = std::move(kept);
    } catch (const std::exception &) {
        UI().ShowError(QStringLiteral("Unknown Error"),
                       QStringLiteral("An unknown error was encoutered whilst removing "
                                      "non-duplicated files.") +
                           kParagraphBreak +
                           QStringLiteral("the Search request has been terminated"));
    }
}

SearchResult RunSearch(TDataShare &data, const SearchRequest &request, const SearchHooks &hooks)
{
    Search search(data, request, hooks);
    return search.Run();
}

std::optional<FindHit> ReadHit(TDataShare &data, bool file, qint64 number)
{
    SqliteStatement &row = data.CatalogDatabase.Prepare(
        file
            ? QStringLiteral("SELECT Class, Name, Size, Modified, Comment, ID, Packaged FROM Files "
                             "WHERE Key = ?1")
            : QStringLiteral("SELECT Class, Name, Size, Modified, Comment, Parent, 0 FROM "
                             "Catalogs WHERE ID = ?1"));
    row.Bind(1, number);
    if (!row.Step()) {
        row.Reset();
        return std::nullopt;
    }
    FindHit hit;
    hit.cls = row.IsNull(0) ? -1 : int(row.Int64(0));
    const QString name = row.Text(1);
    hit.size = row.Int64(2);
    if (!row.IsNull(3))
        hit.modified = row.Double(3);
    hit.comment = row.Text(4);
    hit.owner = row.Int64(5);
    hit.packaged = row.Int64(6) != 0;
    row.Reset();
    const bool noSize = !file && ClassShowsNoSize(hit.cls);
    hit.entry = ListEntry{name, number, file ? FileIconIndex(name) : hit.cls,
                          QStringList{noSize ? QString() : SizeText(hit.size, false),
                                      file ? FileTypeName(name) : GetClassName(hit.cls),
                                      DateText(hit.modified), OneLineComment(hit.comment),
                                      SizeSortKey(noSize ? 0 : hit.size), DateKey(hit.modified)}};
    return hit;
}

QString HitPath(TDataShare &data, const FindHit &hit)
{
    if (!hit.entry.IsFile())
        return GetObjectPath(data, hit.entry.data);
    const QString folder = GetObjectPath(data, hit.owner);
    return folder.isEmpty() ? hit.entry.caption : folder + QLatin1Char('\\') + hit.entry.caption;
}

HitPaths::HitPaths(TDataShare &data)
    : m_data(data)
{
}

QString HitPaths::Of(const FindHit &hit)
{
    if (!hit.entry.IsFile())
        return ObjectPath(hit.entry.data);
    const QString folder = ObjectPath(hit.owner);
    return folder.isEmpty() ? hit.entry.caption : folder + QLatin1Char('\\') + hit.entry.caption;
}

HitPaths::Object HitPaths::Read(qint64 id)
{
    SqliteStatement &row = m_data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT Parent, Name, NameHidden FROM Catalogs WHERE ID = ?1"));
    row.Bind(1, id);
    Object object;
    if (row.Step())
        object = Object{true, row.Int64(0), row.Text(1), row.Int64(2) != 0};
    row.Reset();
    return object;
}

// The path GetObjectPath gives: the names from the top down, hidden ones
// left out, the object's own name when nothing else is left.
QString HitPaths::ObjectPath(qint64 id)
{
    if (id < 0 || !m_data.Catalogs.Active())
        return {};
    const Object object = Read(id);
    if (!object.found)
        return {};
    QString path = object.nameHidden ? QString() : object.name;
    if (object.parent != m_data.Catalogs.RootID)
        path.prepend(Prefix(object.parent, 1));
    return path.trimmed().isEmpty() ? object.name : path;
}

const QString &HitPaths::Prefix(qint64 id, int depth)
{
    const auto known = m_prefixes.constFind(id);
    if (known != m_prefixes.constEnd())
        return *known;
    // A cycle of parents: the tree's own walk reports it.
    if (depth > TDBItemTree::kDepthLimit)
        m_data.Catalogs.PathByID(id, false);
    const Object object = Read(id);
    QString prefix;
    if (object.found) {
        if (object.parent != m_data.Catalogs.RootID)
            prefix = Prefix(object.parent, depth + 1);
        if (!object.nameHidden)
            prefix += object.name + m_data.Catalogs.NameDelim;
    }
    return *m_prefixes.insert(id, prefix);
}
