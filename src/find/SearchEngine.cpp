#include "find/SearchEngine.h"

#include "find/NamePattern.h"
#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "platform/UserInterface.h"
#include "store/CatalogContents.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"

#include <QElapsedTimer>
#include <QHash>

#include <sqlite3.h>

#include <cmath>
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

// A statement on the raw connection, for the passes: they read columns
// straight from SQLite's buffers instead of through the cursor layer.
class RawStatement final
{
public:
    RawStatement(sqlite3 *db, const char *sql)
    {
        const int rc = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
        if (rc != SQLITE_OK)
            throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~RawStatement() { sqlite3_finalize(m_statement); }
    RawStatement(const RawStatement &) = delete;
    RawStatement &operator=(const RawStatement &) = delete;

    // A read that fails ends the pass as if the table were exhausted.
    bool Step() { return sqlite3_step(m_statement) == SQLITE_ROW; }
    qint64 Int(int column) const { return sqlite3_column_int64(m_statement, column); }
    bool IsNull(int column) const
    {
        return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
    }
    double Double(int column) const { return sqlite3_column_double(m_statement, column); }
    std::optional<double> Date(int column) const
    {
        if (IsNull(column))
            return std::nullopt;
        return Double(column);
    }
    const char *Bytes(int column, std::size_t &length) const
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        length = std::size_t(sqlite3_column_bytes(m_statement, column));
        return text ? text : "";
    }
    QString Text(int column) const
    {
        std::size_t length = 0;
        const char *text = Bytes(column, length);
        return QString::fromUtf8(text, qsizetype(length));
    }

private:
    sqlite3_stmt *m_statement = nullptr;
};

bool DayInRange(const std::optional<double> &dayCount, qint64 from, qint64 to)
{
    if (!dayCount)
        return false;
    const qint64 day = qint64(std::trunc(*dayCount));
    return day >= from && day <= to;
}

QString DateText(const std::optional<double> &dayCount)
{
    return dayCount ? DateTimeText(*dayCount) : QString();
}

QString DateKey(const std::optional<double> &dayCount)
{
    return dayCount ? DateSortKey(*dayCount) : QString();
}

// The exact byte count in a fixed width, so that equal keys mean equal sizes.
QString ExactSizeKey(qint64 size)
{
    return QStringLiteral("%1").arg(size, 20, 10, QLatin1Char('0'));
}

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
    void CatalogPass(const IdSet &scope, IdSet &owners);
    void FilePass(const IdSet &owners);
    bool DateAccepted(const std::optional<double> &modified,
                      const std::optional<double> &created) const
    {
        return !m_c.dateRestricted || DayInRange(modified, m_c.fromDay, m_c.toDay) ||
               DayInRange(created, m_c.fromDay, m_c.toDay);
    }
    // The gated pump and the once-a-second report, after a record.
    void AfterRecord();
    void ReportProgress();
    void AddHit(FindHit hit);
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
    qint64 m_lastReport = 0;
    int m_sinceClock = 0;
    bool m_halted = false;
};

SearchResult Search::Run()
{
    const QList<qint64> scopeIds = BuildScope(m_data, m_request.startId, m_c.includeSubs);
    if (scopeIds.isEmpty() || UI().Cancelled()) {
        m_result.interrupted = UI().Cancelled();
        return m_result;
    }
    qint64 maxId = 0;
    for (const qint64 id : scopeIds)
        maxId = qMax(maxId, id);
    IdSet scope(maxId);
    for (const qint64 id : scopeIds)
        scope.Insert(id);
    IdSet owners(maxId);
    CatalogPass(scope, owners);
    if (!owners.Empty() && !Ended())
        FilePass(owners);
    m_result.interrupted = UI().Cancelled();

    if (SearchTypeFindsDuplicates(m_c.type)) {
        SortHits(m_result.hits, kSortDuplicateKey, FindSort());
        RemoveNonDuplicates(m_result.hits, m_hooks);
    } else {
        SortHits(m_result.hits, kSortFindList, FindSort());
    }
    return m_result;
}

void Search::CatalogPass(const IdSet &scope, IdSet &owners)
{
    RawStatement rows(m_data.CatalogDatabase.Handle(),
                      "SELECT ID, Parent, Class, Name, Size, Source, SerialID, Comment, Created, "
                      "Modified FROM Catalogs ORDER BY rowid");
    const bool listsObjects = SearchTypeListsObjects(m_c.type);
    const bool searchesFiles = SearchTypeSearchesFiles(m_c.type);
    while (!Ended() && rows.Step()) {
        const qint64 id = rows.Int(0);
        const int cls = rows.IsNull(2) ? -1 : int(rows.Int(2));
        const std::optional<double> modified = rows.Date(9);
        bool accepted = scope.Contains(id) && SearchTypeAcceptsClass(m_c.type, cls) &&
                        DateAccepted(modified, rows.Date(8));
        if (!accepted) {
            AfterRecord();
            continue;
        }
        bool excluded = false;
        bool listed = false;
        std::size_t length = 0;
        if (id != m_request.startId && listsObjects) {
            if (!m_c.sourcePattern.isEmpty()) {
                const char *source = rows.Bytes(5, length);
                excluded = !m_source.Matches(source, length);
            }
            if (!excluded && !m_c.labelPattern.isEmpty()) {
                const char *label = rows.Bytes(6, length);
                excluded = !m_label.Matches(label, length);
            }
            listed = !excluded;
            if (listed && m_testName) {
                const char *name = rows.Bytes(3, length);
                listed = m_mask.Matches(name, length);
            }
            if (listed && !m_c.comment.isEmpty())
                listed = m_comment.Matches(rows.Text(7));
        }
        if (listed) {
            FindHit hit;
            hit.size = rows.Int(4);
            hit.modified = modified;
            hit.comment = rows.Text(7);
            hit.cls = cls;
            hit.owner = rows.Int(1);
            const bool noSize = ClassShowsNoSize(cls);
            hit.entry = ListEntry{
                rows.Text(3), id, cls,
                QStringList{noSize ? QString() : SizeText(hit.size, false), GetClassName(cls),
                            DateText(modified), OneLineComment(hit.comment),
                            SizeSortKey(noSize ? 0 : hit.size), DateKey(modified)}};
            AddHit(std::move(hit));
        }
        if (!excluded && searchesFiles && (m_c.includeSubs || id == m_request.startId))
            owners.Insert(id);
        AfterRecord();
    }
}

void Search::FilePass(const IdSet &owners)
{
    RawStatement rows(m_data.CatalogDatabase.Handle(),
                      "SELECT ID, Name, Modified, Created, Comment, Key, Class, Size, Packaged "
                      "FROM Files ORDER BY rowid");
    const bool duplicates = SearchTypeFindsDuplicates(m_c.type);
    while (!Ended() && rows.Step()) {
        if (!owners.Contains(rows.Int(0))) {
            AfterRecord();
            continue;
        }
        const std::optional<double> modified = rows.Date(2);
        if (m_c.dateRestricted && !DateAccepted(modified, rows.Date(3))) {
            AfterRecord();
            continue;
        }
        std::size_t length = 0;
        const char *nameBytes = rows.Bytes(1, length);
        bool hit = !m_testName || m_mask.Matches(nameBytes, length);
        QString comment;
        if (hit && !m_c.comment.isEmpty()) {
            comment = rows.Text(4);
            hit = m_comment.Matches(comment);
        }
        if (hit) {
            if (m_c.comment.isEmpty())
                comment = rows.Text(4);
            FindHit file;
            file.size = rows.Int(7);
            file.modified = modified;
            file.comment = comment;
            file.cls = int(rows.Int(6));
            file.owner = rows.Int(0);
            file.packaged = rows.Int(8) != 0;
            const QString name = QString::fromUtf8(nameBytes, qsizetype(length));
            const QString sizeKey = SizeSortKey(file.size);
            const QString dateKey = DateKey(modified);
            QStringList subItems{SizeText(file.size, false),
                                 FileTypeName(name),
                                 DateText(modified),
                                 OneLineComment(comment),
                                 sizeKey,
                                 dateKey};
            if (duplicates) {
                // Sizes compare exactly here: the list's size key is rounded
                // to kilobytes, which would pair files of different sizes.
                QString key = name;
                if (m_c.type != 13)
                    key += ExactSizeKey(file.size);
                if (m_c.type == 11)
                    key += dateKey;
                subItems.append(key);
            }
            file.entry = ListEntry{name, rows.Int(5), FileIconIndex(name), subItems};
            AddHit(std::move(file));
        }
        AfterRecord();
    }
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
    switch (type) {
    case 1:
        return cls == 2;
    case 2:
        return cls >= 3 && cls <= 5;
    case 3:
        return cls == 7 || cls == 24;
    case 4:
        return cls == 7;
    case 5:
        return cls == 24;
    case 8:
        return cls == 22;
    case 9:
        return cls >= 11 && cls <= 21;
    case 10:
        return cls == 23;
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

FindSortState &FindSort()
{
    static FindSortState state;
    return state;
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
    constexpr qint64 kWastebasket = CatalogSchema::kWastebasketId;
    QList<qint64> ids;
    RawStatement rows(data.CatalogDatabase.Handle(),
                      "SELECT ID, Parent FROM Catalogs ORDER BY Parent, ID");
    std::unordered_map<qint64, std::vector<qint64>> children;
    bool startExists = false;
    while (rows.Step()) {
        const qint64 id = rows.Int(0);
        startExists = startExists || id == startId;
        if (!rows.IsNull(1) && rows.Int(1) != id)
            children[rows.Int(1)].push_back(id);
    }
    if (!startExists)
        return ids;
    if (!includeSubs) {
        if (startId != kWastebasket)
            ids.append(startId);
        for (const qint64 child : children[startId]) {
            UI().PumpMessages(kReportIntervalMs);
            if (UI().Cancelled())
                return {};
            if (child != kWastebasket)
                ids.append(child);
        }
        return ids;
    }
    // A depth-first walk; the visited set stops a cycle of parent links.
    std::vector<qint64> pending;
    if (startId == CatalogSchema::kDatabaseObjectId) {
        pending = {CatalogSchema::kCatalogsId, CatalogSchema::kArchivesId};
    } else {
        pending = {startId};
    }
    std::unordered_set<qint64> visited;
    while (!pending.empty()) {
        const qint64 id = pending.back();
        pending.pop_back();
        if (!visited.insert(id).second)
            continue;
        UI().PumpMessages(kReportIntervalMs);
        if (UI().Cancelled())
            return {};
        if (id != kWastebasket)
            ids.append(id);
        const auto found = children.find(id);
        if (found == children.end())
            continue;
        for (auto child = found->second.rbegin(); child != found->second.rend(); ++child)
            pending.push_back(*child);
    }
    return ids;
}

void SortHits(QList<FindHit> &hits, int mode, const FindSortState &state)
{
    QList<ListEntry> entries;
    entries.reserve(hits.size());
    for (const FindHit &hit : std::as_const(hits))
        entries.append(hit.entry);
    const QList<qsizetype> order = SortedListOrder(entries, mode, state.column, state.ascending);
    QList<FindHit> sorted;
    sorted.reserve(hits.size());
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

QString HitPath(TDataShare &data, const FindHit &hit)
{
    if (!hit.entry.IsFile())
        return GetObjectPath(data, hit.entry.data);
    const QString folder = GetObjectPath(data, hit.owner);
    return folder.isEmpty() ? hit.entry.caption : folder + QLatin1Char('\\') + hit.entry.caption;
}
