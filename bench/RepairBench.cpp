// Times verify and repair on a catalog of many files, sound and with a share
// of the Files table's pages overwritten with noise, and counts the rows the
// repair brings back against the rows the sound pages held.
#include "BenchConsole.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "store/DatabaseRepair.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <set>

namespace {

using namespace DatabaseRepair;

double Seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

void Fill(TDataShare &data, int folders, int files)
{
    std::mt19937 random(7);
    data.RunInTransaction([&] {
        SqliteConnection &db = data.CatalogDatabase;
        for (int f = 0; f < folders; ++f) {
            SqliteStatement &folder = db.Prepare(QStringLiteral(
                "INSERT INTO Catalogs (Parent, Class, Name, Size, Source, VolSize, SerialID, "
                "Comment, NameHidden, Created, Modified, Deleted) VALUES (?1, 7, ?2, 0, '', 0, "
                "'', '', 0, 45000, 45000, 0)"));
            folder.Bind(1, f < 50 ? 3 : 6 + (f - 50) / 50)
                .Bind(2, QStringLiteral("folder %1").arg(f))
                .Execute();
        }
        for (int i = 0; i < files; ++i) {
            SqliteStatement &file = db.Prepare(QStringLiteral(
                "INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, Modified) "
                "VALUES (?1, 32, ?2, ?3, 0, '', ?4, ?4)"));
            file.Bind(1, 6 + i / (files / folders))
                .Bind(2, qint64(random() % 10000000))
                .Bind(3, QStringLiteral("document %1 of the sample.txt").arg(i))
                .Bind(4, 40000.0 + random() % 9000)
                .Execute();
        }
    });
}

// Overwrites a share of the Files table's pages with noise; returns the rows
// the leaf pages left sound still hold.
qint64 Damage(const QString &path, double share)
{
    std::vector<std::pair<qint64, qint64>> pages; // page number, rows on it
    {
        SqliteConnection db;
        db.Open(path, false);
        SqliteStatement &query = db.Prepare(QStringLiteral(
            "SELECT pageno, CASE pagetype WHEN 'leaf' THEN ncell ELSE 0 END FROM dbstat "
            "WHERE name = 'Files'"));
        while (query.Step())
            pages.push_back({query.Int64(0), query.Int64(1)});
    }
    std::mt19937 random(11);
    std::shuffle(pages.begin(), pages.end(), random);
    const size_t damaged = size_t(pages.size() * share);
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    QByteArray noise(4096, Qt::Uninitialized);
    qint64 soundRows = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i >= damaged) {
            soundRows += pages[i].second;
            continue;
        }
        for (char &byte : noise)
            byte = char(random());
        file.seek((pages[i].first - 1) * 4096);
        file.write(noise);
    }
    std::printf("damaged %zu of %zu Files table pages\n", damaged, pages.size());
    return soundRows;
}

void VerifyAndRepair(const QString &folder, const char *label)
{
    for (DatabaseFile file : kDatabaseFiles) {
        VerifyResult verified;
        const double verify = Seconds([&] { verified = VerifyFile(folder, file, {}); });
        std::printf("%-8s %-22s verify %7.2f s  level %d\n", label, qPrintable(FileName(file)),
                    verify, verified.level);
        for (const QString &problem : verified.problems)
            std::printf("    %s\n", qPrintable(problem.left(160)));
    }
    for (DatabaseFile file : kDatabaseFiles) {
        RepairResult repaired;
        const double repair = Seconds(
            [&] { repaired = RepairFile(folder, file, folder + QStringLiteral("/backup"), {}); });
        std::printf("%-8s %-22s repair %7.2f s  recovered %lld lost %lld reattached %lld\n", label,
                    qPrintable(FileName(file)), repair, repaired.recovered, repaired.lost,
                    repaired.reattached);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchConsole console;
    const int files = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    TDataShare data;
    if (!OpenNewDatabase(data, dir.path()))
        return 1;
    const double fill = Seconds([&] { Fill(data, files / 20, files); });
    data.CloseDatabase(dir.path());
    std::printf("filled %d files in %.2f s\n", files, fill);
    QDir().mkpath(dir.filePath(QStringLiteral("backup")));

    VerifyAndRepair(dir.path(), "sound");
    const qint64 soundRows = Damage(TDataShare::FilesFilePath(dir.path()), 0.01);
    std::printf("rows on the sound leaf pages: %lld of %d\n", soundRows, files);
    VerifyAndRepair(dir.path(), "damaged");
    return 0;
}
