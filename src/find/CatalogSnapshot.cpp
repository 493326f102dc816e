#include "find/CatalogSnapshot.h"

#include "find/RawRows.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int kPumpIntervalMs = 50;
constexpr int kRowsPerPump = 256;

// Reads the objects; false when the cancel flag ended the reading.
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
    RawRows objects(
        db,
        (QByteArray(CatalogSnapshot::kObjectColumns) + "FROM Catalogs ORDER BY ID").constData());
    while (objects.Step()) {
        snapshot.objects.push_back(CatalogSnapshot::ObjectOf(objects));
        if (!pump())
            return false;
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
    RawRows max(data.CatalogDatabase.Handle(),
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

const char CatalogSnapshot::kObjectColumns[] =
    "SELECT Catalogs.ID, Catalogs.Parent, Catalogs.Class, Catalogs.Size, Catalogs.Created, "
    "Catalogs.Modified, Catalogs.Name, Catalogs.Source, Catalogs.SerialID, Catalogs.Comment ";

CatalogSnapshot::Object CatalogSnapshot::ObjectOf(const RawRows &row)
{
    Object object;
    object.id = row.Int(0);
    object.hasParent = !row.IsNull(1);
    object.parent = row.Int(1);
    object.cls = row.IsNull(2) ? -1 : int(row.Int(2));
    object.size = row.Int(3);
    object.created = row.Date(4);
    object.modified = row.Date(5);
    object.name = std::string(row.Bytes(6));
    object.source = std::string(row.Bytes(7));
    object.serial = std::string(row.Bytes(8));
    const std::string_view comment = row.Bytes(9);
    object.comment = QString::fromUtf8(comment.data(), qsizetype(comment.size()));
    return object;
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
