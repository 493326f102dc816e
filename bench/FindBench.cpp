// Times the search of the Find window over a catalog of N files against
// plocate on databases built over the same names and comments, and against
// grep -c over flat lists of them. Prints the median of alternating runs and
// the ratios.
//
//   find_bench [FILES] [FOLDERS]
#include "app/cli/TerminalUserInterface.h"
#include "find/SearchEngine.h"
#include "platform/DayCount.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// splitmix64, as the tree generator uses.
class Random
{
public:
    explicit Random(quint64 seed)
        : m_state(seed)
    {
    }
    quint64 Next()
    {
        quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    quint64 Below(quint64 bound) { return Next() % bound; }

private:
    quint64 m_state;
};

const char *const kFolderWords[] = {"src",    "docs",    "Photos",  "Music", "My Documents",
                                    "build",  "assets",  "include", "old",   "Projects",
                                    "backup", "Reports", "data",    "Work",  "Holiday 2019"};
const char *const kFileWords[] = {"readme", "index",   "main",  "report", "IMG",     "DSC",
                                  "letter", "invoice", "notes", "config", "setup",   "track",
                                  "Budget", "summary", "photo", "draft",  "chapter", "schedule",
                                  "backup", "data",    "util",  "test",   "module",  "Thumbs"};
const char *const kExtensions[] = {".jpg", ".jpg", ".jpg", ".txt", ".txt",  ".c",   ".h",
                                   ".mp3", ".pdf", ".doc", ".png", ".html", ".TXT", ".py",
                                   ".dat", ".log", "",     ".DOC", ".xml",  ".jpg"};
const char *const kCommentWords[] = {"holiday", "scan",   "invoice",  "paid",    "draft",
                                     "final",   "review", "client",   "archive", "keep",
                                     "family",  "tax",    "contract", "old",     "copy"};

template<std::size_t N>
const char *Pick(Random &random, const char *const (&words)[N])
{
    return words[random.Below(N)];
}

double Seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs a program and returns its output's first line as a number (a count).
qint64 RunCount(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return process.readAllStandardOutput().trimmed().toLongLong();
}

// Runs a program that lists its hits one a line and returns their number.
qint64 RunListing(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return process.readAllStandardOutput().count('\n');
}

void Build(TDataShare &data, long long files, long long folders, const QString &names,
           const QString &comments)
{
    Random random(20261206);
    QFile nameList(names);
    QFile commentList(comments);
    if (!nameList.open(QIODevice::WriteOnly) || !commentList.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "find_bench: cannot write the flat lists\n");
        std::exit(1);
    }
    data.RunInTransaction([&] {
        const double now = NowDayCount();
        const qint64 disk =
            AppendCatalogRow(data.Catalogs, QStringLiteral("Bench Disk"), QStringLiteral("/bench"),
                             3, 4, false, now, now, QString(), QStringLiteral("BENCH"), 0, 0);
        std::vector<qint64> ids{disk};
        for (long long i = 1; i <= folders; ++i) {
            const qint64 parent = ids[random.Below(ids.size())];
            ids.push_back(AppendCatalogRow(data.Catalogs,
                                           QString::fromLatin1(Pick(random, kFolderWords)) +
                                               QLatin1Char(' ') + QString::number(i),
                                           QString(), parent, 7, false, now, now, QString(),
                                           QString(), 0, 0));
        }
        const QString insertFile = QStringLiteral(
            "INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, Modified) "
            "VALUES (?1, 32, ?2, ?3, 0, ?4, ?5, ?5)");
        const double newest = ToDayCount(QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
        for (long long i = 0; i < files; ++i) {
            QByteArray name = Pick(random, kFileWords);
            if (random.Below(4) == 0)
                name += ' ';
            name += QByteArray::number(i);
            name += Pick(random, kExtensions);
            if (random.Below(20) == 0)
                name = name.toUpper();
            QByteArray comment;
            if (random.Below(20) == 0) {
                comment = QByteArray(Pick(random, kCommentWords)) + ' ' +
                          Pick(random, kCommentWords) + ' ' + QByteArray::number(i % 97);
            }
            // Prepare hands the cached statement out reset, ready for new values.
            data.CatalogDatabase.Prepare(insertFile)
                .Bind(1, ids[random.Below(ids.size())])
                .Bind(2, qint64(random.Below(1 << 24)))
                .Bind(3, name)
                .Bind(4, comment)
                .Bind(5, newest - double(random.Below(3650)))
                .Execute();
            nameList.write(name + '\n');
            if (!comment.isEmpty())
                commentList.write(comment + '\n');
        }
    });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    TerminalUserInterface ui(out, err, in, false, AnswerPolicy::No);
    SetUserInterface(&ui);
    const long long files = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const long long folders = argc > 2 ? std::atoll(argv[2]) : files / 20;
    const QString plocate = QStandardPaths::findExecutable(QStringLiteral("plocate"));
    QString plocateBuild = QStandardPaths::findExecutable(QStringLiteral("plocate-build"));
    if (plocateBuild.isEmpty())
        plocateBuild = QStandardPaths::findExecutable(QStringLiteral("plocate-build"),
                                                      {QStringLiteral("/usr/sbin")});
    if (plocate.isEmpty() || plocateBuild.isEmpty()) {
        std::fprintf(stderr, "find_bench: plocate is not installed (Debian package plocate)\n");
        return 1;
    }

    QTemporaryDir dir;
    // FIND_BENCH_KEEP=1 keeps the catalog and the lists for a look afterwards.
    if (qEnvironmentVariableIsSet("FIND_BENCH_KEEP")) {
        dir.setAutoRemove(false);
        std::printf("keeping %s\n", qPrintable(dir.path()));
    }
    TDataShare data;
    data.DatabaseFolder = dir.path();
    data.CreateDatabaseTables();
    if (!data.OpenDatabase())
        return 1;
    const QString names = dir.filePath(QStringLiteral("names.txt"));
    const QString comments = dir.filePath(QStringLiteral("comments.txt"));
    const double buildTime = Seconds([&] { Build(data, files, folders, names, comments); });
    std::printf("catalog of %lld files in %lld folders built in %.1f s\n", files, folders,
                buildTime);
    const QString namesDb = dir.filePath(QStringLiteral("names.plocate"));
    const QString commentsDb = dir.filePath(QStringLiteral("comments.plocate"));
    QProcess::execute(plocateBuild, {QStringLiteral("-p"), names, namesDb});
    QProcess::execute(plocateBuild, {QStringLiteral("-p"), comments, commentsDb});

    struct Query
    {
        const char *what;
        QString mask;
        QString comment;
        QString plocatePattern;
        QString plocateDb;
        QStringList grepArguments;
    };
    const Query queries[] = {
        {"name substring \"budget 1\"",
         QStringLiteral("budget 1"),
         QString(),
         QStringLiteral("budget 1"),
         namesDb,
         {QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("-F"),
          QStringLiteral("budget 1"), names}},
        {"wildcard mask \"*.t?t\"",
         QStringLiteral("*.t?t"),
         QString(),
         QStringLiteral("*.t?t"),
         namesDb,
         {QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("-E"),
          QStringLiteral("^.*\\.t.t$"), names}},
        {"comment word \"contract\"",
         QString(),
         QStringLiteral("contract"),
         QStringLiteral("contract"),
         commentsDb,
         {QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("-F"),
          QStringLiteral("contract"), comments}},
    };
    // FIND_BENCH_ROUNDS sets the number of alternating runs (5).
    const int kRounds = qMax(1, qEnvironmentVariableIntValue("FIND_BENCH_ROUNDS") > 0
                                    ? qEnvironmentVariableIntValue("FIND_BENCH_ROUNDS")
                                    : 5);
    int failures = 0;
    for (const Query &query : queries) {
        std::vector<double> ours, theirs, listing, grep;
        qsizetype hits = 0;
        qint64 plocateCount = 0;
        qint64 listed = 0;
        qint64 grepCount = 0;
        for (int round = 0; round < kRounds; ++round) {
            // The hits are freed after the clock stops: plocate's time holds
            // no freeing either (its memory goes back when it ends).
            SearchResult result;
            ours.push_back(Seconds([&] {
                SearchSettings settings;
                settings.name = query.mask;
                settings.type = 7;
                settings.comment = query.comment;
                SearchRequest request;
                ValidateCriteria(settings, request.criteria);
                request.hitLimit = 0;
                result = RunSearch(data, request);
            }));
            hits = result.hits.size();
            result = SearchResult();
            theirs.push_back(Seconds([&] {
                plocateCount =
                    RunCount(plocate, {QStringLiteral("-d"), query.plocateDb, QStringLiteral("-i"),
                                       QStringLiteral("-c"), query.plocatePattern});
            }));
            listing.push_back(Seconds([&] {
                listed = RunListing(plocate, {QStringLiteral("-d"), query.plocateDb,
                                              QStringLiteral("-i"), query.plocatePattern});
            }));
            grep.push_back(Seconds(
                [&] { grepCount = RunCount(QStringLiteral("grep"), query.grepArguments); }));
        }
        // The search lists its hits, so plocate listing them is the like
        // for like; plocate -c (counting only) is shown beside it.
        const double ratio = Median(ours) / Median(listing);
        std::printf("%-28s  find %7.3f s (%lld hits, first run %.3f s)\n"
                    "%-28s  plocate listing %7.3f s (%lld), plocate -c %7.3f s (%lld), "
                    "grep -c %7.3f s (%lld)\n"
                    "%-28s  ratio to plocate listing %5.2f, to plocate -c %5.2f, to grep %5.2f%s\n",
                    query.what, Median(ours), (long long)hits, ours.front(), "", Median(listing),
                    (long long)listed, Median(theirs), (long long)plocateCount, Median(grep),
                    (long long)grepCount, "", ratio, Median(ours) / Median(theirs),
                    Median(ours) / Median(grep), ratio > 2.0 ? "  ABOVE TARGET (2.0)" : "");
        if (hits != grepCount || listed != grepCount || plocateCount != grepCount) {
            std::printf("  hit counts differ from grep\n");
            ++failures;
        }
    }
    data.CloseDatabase(QString());
    SetUserInterface(nullptr);
    return failures == 0 ? 0 : 1;
}
