#pragma once

#include "find/SearchSettings.h"
#include "platform/ListSort.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class TDataShare;

// The search types that list no catalog objects and reduce the hits to
// duplicate files.
bool SearchTypeListsObjects(int type);
bool SearchTypeSearchesFiles(int type);
bool SearchTypeFindsDuplicates(int type);
// Whether the catalog filter lets an object of a class through for a type.
bool SearchTypeAcceptsClass(int type, int cls);

// The criteria made ready for a search by ValidateCriteria.
struct SearchCriteria
{
    QString mask = QStringLiteral("*.*");
    int type = 0;
    bool includeSubs = true;
    bool dateRestricted = false;
    qint64 fromDay = 0; // whole days since 30 December 1899, inclusive
    qint64 toDay = 0;
    QString comment;
    bool wholeWords = false;
    bool matchCase = false;
    QString labelPattern;
    QString sourcePattern;
};

// Which date field a failed check points at.
enum class DateField
{
    None,
    From,
    To
};

// Trims the name mask, label and source patterns and comment text and writes
// them back; with the date restriction checks the From and To dates (a date
// must read in the short date format and lie from 1 January 1900 to 31
// December 2100) and swaps them when From is later. On the first bad date
// showDateField is called (the window turns to its date page), the "Invalid
// Date" box is shown, and the field is returned; None when a search may run.
DateField ValidateCriteria(SearchSettings &settings, SearchCriteria &criteria,
                           const std::function<void(DateField)> &showDateField = {});

// The Find window's sort of its results: column and direction. It starts at
// column 0, descending.
struct FindSortState
{
    int column = 0;
    bool ascending = false;
};
// Choosing a column: the current one again flips the direction, another one
// becomes current in ascending order.
void SortBy(FindSortState &state, int column);

// One hit: the list entry the Find window shows, and the raw values behind it.
struct FindHit
{
    ListEntry
        entry; // sub-items: size, type, modified, comment, size key, date key[, duplicate key]
    qint64 size = 0;
    std::optional<double> modified;
    QString comment;  // as stored, line breaks kept
    int cls = 0;      // an object's class, a file's attribute bits
    qint64 owner = 0; // a file's owner object; an object's parent
    bool packaged = false;
};

constexpr qsizetype kFindHitLimit = 8000;

// Where a search reports to and how it is stopped.
struct SearchHooks
{
    // The two status panels ("Please Wait...", "Searching: Found 12 Items....").
    std::function<void(const QString &first, const QString &second)> status;
    // What the Stop button does; the limit check calls it after its box.
    // Without one the shared cancel flag is set.
    std::function<void()> stop;
    // Milliseconds of a monotonic clock; tests replace it.
    std::function<qint64()> clock;
};

struct SearchRequest
{
    SearchCriteria criteria;
    qint64 startId = 1;
    // More hits than this stop the search with the "Find Limit Exceeded" box,
    // tested once a second; 0 for no limit.
    qsizetype hitLimit = kFindHitLimit;
    // A limit that is tested after every hit, stops silently and keeps
    // exactly hitLimit hits (the command-line tool's --limit).
    bool exactLimit = false;
    // Whether a name mask may narrow the files through the name index; off,
    // every file row is tested (the plain scan the index must agree with).
    bool useNameIndex = true;
    // The order of the hits; the duplicate types sort by their key instead.
    FindSortState sort;
};

struct SearchResult
{
    QList<FindHit> hits;
    bool interrupted = false; // the cancel flag was set when the passes ended
    bool limitReached = false;
};

// The search: the scope walk, the pass over the catalog objects and the pass
// over the files, then the sort (and, for the duplicate types, the removal of
// files without a namesake). Pending events are handled during the passes
// through the gated pump; the shared cancel flag ends them after the current
// record. The flag is left as the search found it at its end, so the caller
// can tell an interrupted search.
SearchResult RunSearch(TDataShare &data, const SearchRequest &request,
                       const SearchHooks &hooks = {});

// The objects in scope: without subfolders the start object and its direct
// children; with them its whole subtree, and from the database object the
// subtrees of "Archives" and "Catalogs". The Wastebasket (ID 4) is never
// taken. Clears the cancel flag first; empty when cancelled.
QList<qint64> BuildScope(TDataShare &data, qint64 startId, bool includeSubs);

// Sorts hits with the list comparison of a mode (kSortFindList with the sort
// state, kSortDuplicateKey ascending by the duplicate key).
void SortHits(QList<FindHit> &hits, int mode, const FindSortState &state);

// Keeps, in a list sorted by the duplicate key, every hit whose key equals
// its neighbour's. Shows the "Unknown Error" box and leaves the list as it
// is on a failure.
void RemoveNonDuplicates(QList<FindHit> &hits, const SearchHooks &hooks = {});

// A hit read again from its stored row, as the search fills it (without a
// duplicate key): an object by ID, a file by Key. Empty when the row is gone.
std::optional<FindHit> ReadHit(TDataShare &data, bool file, qint64 number);

// The catalog path of a hit: an object's path, or a file's folder path, "\"
// and its name.
QString HitPath(TDataShare &data, const FindHit &hit);

// The same paths for many hits, each folder's path read once: the hits of a
// search share their folders, and folders their parents, so a list of hits
// costs one row read per folder rather than one per level of every hit.
class HitPaths
{
public:
    explicit HitPaths(TDataShare &data);

    QString Of(const FindHit &hit);

private:
    struct Object
    {
        bool found = false;
        qint64 parent = 0;
        QString name;
        bool nameHidden = false;
    };
    Object Read(qint64 id);
    QString ObjectPath(qint64 id);
    const QString &Prefix(qint64 id, int depth);

    TDataShare &m_data;
    // An object's path as its children start theirs: with the delimiter
    // after it, nothing for a hidden name.
    QHash<qint64, QString> m_prefixes;
};
