// Times the object tree against plain SQL on the same data: appending rows
// through the cursor layer, looking up paths, and walking a subtree. Prints
// seconds and the ratio to the plain baseline.
#include "BenchConsole.h"
#include "platform/DayCount.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

double Seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

void Report(const char *what, double measured, double baseline)
{
    std::printf("%-34s %8.3f s   baseline %8.3f s   ratio %5.2f\n", what, measured, baseline,
                baseline > 0 ? measured / baseline : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchConsole console;
    const int folders = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    TDataShare data;
    if (!OpenNewDatabase(data, dir.path()))
        return 1;

    // Folders ten to a parent, so paths are five to six levels deep.
    const double now = NowDayCount();
    const double cursor = Seconds([&] {
        data.RunInTransaction([&] {
            for (int i = 0; i < folders; ++i) {
                const qint64 parent = i < 10 ? 3 : 6 + (i - 10) / 10;
                AppendCatalogRow(data.Catalogs, QStringLiteral("Folder %1").arg(i), QString(),
                                 parent, 7, false, now, now, QString(), QString(), 0, 0);
            }
        });
    });
    const double plain = Seconds([&] {
        data.RunInTransaction([&] {
            for (int i = 0; i < folders; ++i) {
                SqliteStatement &insert = data.CatalogDatabase.Prepare(QStringLiteral(
                    "INSERT INTO Catalogs (Parent, Class, Name, Source, NameHidden, Created, "
                    "Modified, Deleted, Comment, SerialID, Size, VolSize) VALUES (?1, 7, ?2, '', "
                    "0, "
                    "?3, ?3, 0, '', '', 0, 0)"));
                insert.Bind(1, qint64(1000000 + i))
                    .Bind(2, QStringLiteral("Folder %1").arg(i))
                    .Bind(3, now);
                insert.Execute();
            }
        });
    });
    Report("append rows (cursor vs INSERT)", cursor, plain);

    const int lookups = folders;
    qint64 length = 0;
    const double paths = Seconds([&] {
        for (int i = 0; i < lookups; ++i)
            length += data.Catalogs.PathByID(6 + i, false).size();
    });
    const double plainPaths = Seconds([&] {
        for (int i = 0; i < lookups; ++i) {
            SqliteStatement &query = data.CatalogDatabase.Prepare(QStringLiteral(
                "WITH RECURSIVE up(id, name, parent) AS (SELECT ID, Name, Parent FROM Catalogs "
                "WHERE ID = ?1 UNION ALL SELECT c.ID, c.Name, c.Parent FROM Catalogs c JOIN up ON "
                "c.ID = up.parent WHERE up.parent <> 1) SELECT name FROM up"));
            query.Bind(1, qint64(6 + i));
            QStringList parts;
            while (query.Step())
                parts.prepend(query.Text(0));
            length -= parts.join(QLatin1Char('\\')).size();
        }
    });
    Report("paths of every folder", paths, plainPaths);
    if (length != 0)
        std::printf("path lengths differ by %lld\n", static_cast<long long>(length));

    qint64 visited = 0;
    const double walk = Seconds([&] { visited = data.Catalogs.WalkSubtree(3, nullptr, nullptr); });
    qint64 counted = 0;
    const double plainWalk = Seconds([&] {
        SqliteStatement &query = data.CatalogDatabase.Prepare(QStringLiteral(
            "WITH RECURSIVE down(id) AS (SELECT 3 UNION ALL SELECT c.ID FROM Catalogs c JOIN down "
            "ON c.Parent = down.id) SELECT COUNT(*) FROM down"));
        query.Step();
        counted = query.Int64(0);
        query.Reset();
    });
    Report("walk the Catalogs subtree", walk, plainWalk);
    std::printf("%d folders; walk visited %lld, query counted %lld\n", folders,
                static_cast<long long>(visited), static_cast<long long>(counted));
    return visited == counted ? 0 : 1;
}
