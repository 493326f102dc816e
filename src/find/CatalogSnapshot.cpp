#include "find/CatalogSnapshot.h"

#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"

#include <QDateTime>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>

namespace {

constexpr int kPumpIntervalMs = 50;
constexpr int kRowsPerPump = 256;

class Rows final
{
public:
    Rows(sqlite3 *db, const char *sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~Rows() { sqlite3_finalize(m_statement); }
    Rows(const Rows &) = delete;
    Rows &operator=(const Rows &) = delete;

    // A read that fails ends the table as if it were exhausted.
    bool Step() { return sqlite3_step(m_statement) == SQLITE_ROW; }
    bool IsNull(int column) const
    {
        return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
    }
    qint64 Int(int column) const { return sqlite3_column_int64(m_statement, column); }
    double Date(int column) const
    {
        return IsNull(column) ? NAN : sqlite3_column_double(m_statement, column);
    }
    std::string_view Bytes(int column) const
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        const int length = sqlite3_column_bytes(m_statement, column);
        return text ? std::string_view(text, std::size_t(length)) : std::string_view();
    }

private:
    sqlite3_stmt *m_statement = nullptr;
};

// Reads both tables; false when the cancel flag ended the reading.
bool Read(TDataShare &data, CatalogSnapshot &snapshot)
{
    sqlite3 *db = data.CatalogDatabase.Handle();
    int sincePump = 0;
    auto pump = [&] {
        if (++sincePump < kRowsPerPump)
            return true;
        sincePump = 0;
        UI().PumpMessages(kPumpIntervalMs);
        return !UI().Cancelled();
    };
    Rows objects(db, "SELECT ID, Parent, Class, Size, Created, Modified, Name, Source, SerialID, "
                     "Comment FROM Catalogs ORDER BY ID");
    while (objects.Step()) {
        CatalogSnapshot::Object object;
        object.id = objects.Int(0);
        object.hasParent = !objects.IsNull(1);
        object.parent = objects.Int(1);
        object.cls = objects.IsNull(2) ? -1 : int(objects.Int(2));
        object.size = objects.Int(3);
        object.created = objects.Date(4);
        object.modified = objects.Date(5);
        object.name = std::string(objects.Bytes(6));
        object.source = std::string(objects.Bytes(7));
        object.serial = std::string(objects.Bytes(8));
        const std::string_view comment = objects.Bytes(9);
        object.comment = QString::fromUtf8(comment.data(), qsizetype(comment.size()));
        snapshot.objects.push_back(std::move(object));
        if (!pump())
            return false;
    }

    // Room for the rows at once (the highest row number is the row count
    // unless rows were deleted), so that the arrays do not grow by copying.
    Rows highest(db, "SELECT MAX(rowid) FROM Files");
    const std::size_t expected =
        highest.Step() ? std::size_t(std::clamp<qint64>(highest.Int(0), 0, qint64(1) << 28)) : 0;
    snapshot.fileKey.reserve(expected);
    snapshot.fileOwner.reserve(expected);
    snapshot.fileAttributes.reserve(expected);
    snapshot.fileSize.reserve(expected);
    snapshot.filePackaged.reserve(expected);
    snapshot.fileCreated.reserve(expected);
    snapshot.fileModified.reserve(expected);
    snapshot.fileComment.reserve(expected);
    snapshot.nameStart.reserve(expected + 1);

    Rows files(db, "SELECT Key, ID, Class, Size, Packaged, Created, Modified, Name, Comment "
                   "FROM Files ORDER BY rowid");
    snapshot.nameStart.push_back(0);
    while (files.Step()) {
        snapshot.fileKey.push_back(files.Int(0));
        snapshot.fileOwner.push_back(files.Int(1));
        snapshot.fileAttributes.push_back(int(files.Int(2)));
        snapshot.fileSize.push_back(files.Int(3));
        snapshot.filePackaged.push_back(files.Int(4) != 0 ? 1 : 0);
        snapshot.fileCreated.push_back(files.Date(5));
        snapshot.fileModified.push_back(files.Date(6));
        const std::string_view name = files.Bytes(7);
        snapshot.names.append(name);
        snapshot.names.push_back('\0');
        snapshot.nameStart.push_back(snapshot.names.size());
        const std::string_view comment = files.Bytes(8);
        if (comment.empty()) {
            snapshot.fileComment.push_back(-1);
        } else {
            snapshot.fileComment.push_back(int(snapshot.comments.size()));
            snapshot.comments.push_back(
                QString::fromUtf8(comment.data(), qsizetype(comment.size())));
        }
        if (!pump())
            return false;
    }
    snapshot.names.shrink_to_fit();
    snapshot.comments.shrink_to_fit();
    snapshot.upperNames = snapshot.names;
    for (char &c : snapshot.upperNames) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    }
    return true;
}

// What tells one state of a database from another: the connection, the
// folder, the connection's change count and the highest row numbers (another
// connection cannot write while this one holds its lock).
struct SnapshotKey
{
    const void *connection = nullptr;
    QString folder;
    qint64 changes = -1;
    qint64 maxId = -1;
    qint64 maxKey = -1;
    QString files; // sizes and times of the two table files
    bool operator==(const SnapshotKey &) const = default;
};

SnapshotKey KeyOf(TDataShare &data)
{
    SnapshotKey key;
    key.connection = data.CatalogDatabase.Handle();
    key.folder = data.DatabaseFolder;
    key.changes = data.CatalogDatabase.ChangeStamp();
    for (const QString &file : {TDataShare::CatalogsFilePath(data.DatabaseFolder),
                                TDataShare::FilesFilePath(data.DatabaseFolder)}) {
        const QFileInfo info(file);
        key.files += QString::number(info.size()) + QLatin1Char('@') +
                     QString::number(info.lastModified().toMSecsSinceEpoch()) + QLatin1Char(';');
    }
    Rows max(data.CatalogDatabase.Handle(),
             "SELECT (SELECT MAX(ID) FROM Catalogs), (SELECT MAX(rowid) FROM Files)");
    if (max.Step()) {
        key.maxId = max.Int(0);
        key.maxKey = max.Int(1);
    }
    return key;
}

struct Kept
{
    SnapshotKey key;
    std::shared_ptr<const CatalogSnapshot> snapshot;
};

Kept &KeptSnapshot()
{
    static Kept kept;
    return kept;
}

} // namespace

std::size_t CatalogSnapshot::FileAtOffset(std::size_t offset) const
{
    const auto next = std::upper_bound(nameStart.begin(), nameStart.end(), offset);
    return std::size_t(next - nameStart.begin()) - 1;
}

const QList<qint64> *CatalogSnapshot::CachedScope(qint64 startId, bool includeSubs) const
{
    for (const Scope &scope : m_scopes) {
        if (scope.startId == startId && scope.includeSubs == includeSubs)
            return &scope.ids;
    }
    return nullptr;
}

void CatalogSnapshot::KeepScope(qint64 startId, bool includeSubs, const QList<qint64> &ids) const
{
    // A few start objects are enough: a user searches from one or two places.
    constexpr std::size_t kKeptScopes = 4;
    if (m_scopes.size() >= kKeptScopes)
        m_scopes.erase(m_scopes.begin());
    m_scopes.push_back(Scope{startId, includeSubs, ids});
}

qint64 CatalogSnapshot::MaxObjectId() const
{
    qint64 maximum = 0;
    for (const Object &object : objects)
        maximum = std::max(maximum, object.id);
    return maximum;
}

std::shared_ptr<const CatalogSnapshot> CatalogSnapshot::Of(TDataShare &data)
{
    const SnapshotKey key = KeyOf(data);
    Kept &kept = KeptSnapshot();
    if (kept.snapshot && kept.key == key)
        return kept.snapshot;
    kept.snapshot.reset();
    auto snapshot = std::make_shared<CatalogSnapshot>();
    if (!Read(data, *snapshot))
        return nullptr;
    kept.key = key;
    kept.snapshot = snapshot;
    return snapshot;
}

void CatalogSnapshot::Forget()
{
    KeptSnapshot() = Kept{};
}
