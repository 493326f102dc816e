#include "app/cli/CliApplication.h"

#include "CliRunner.h"
#include "app/cli/CliCommandLine.h"
#include "platform/SettingsStore.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseRepair.h"
#include "support/DatabaseLockHolder.h"
#include "support/QtPrinters.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

class CliApplicationTest : public CliFixture
{
protected:
    // A fresh database holding files of these sizes, as a scan would add them.
    void MakeDatabaseWithFiles(const QList<qint64> &sizes)
    {
        MakeDatabase([&](TDataShare &data) {
            for (qint64 size : sizes)
                AddCliFile(data, CatalogSchema::kCatalogsId, u"f"_s, size);
        });
    }

    // Runs the real executable, interrupts it once the file appears (the sign
    // that it reached the step to interrupt) and waits for it to end.
    void InterruptWhen(QProcess &process, const QStringList &arguments, const QString &sign)
    {
        process.start(QStringLiteral(DIRVANTA_CLI_PATH), arguments);
        ASSERT_TRUE(process.waitForStarted());
        QElapsedTimer timer;
        timer.start();
        while (!QFileInfo::exists(sign) && timer.elapsed() < 20000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(process.state(), QProcess::Running);
        ::kill(pid_t(process.processId()), SIGINT);
        ASSERT_TRUE(process.waitForFinished(30000));
    }
};

} // namespace

TEST_F(CliApplicationTest, CreateKeepsAnExistingDatabaseUnlessToldToReplaceIt)
{
    MakeDatabaseWithFiles({5'000'000'000LL, 12});
    EXPECT_EQ(Info(), u"{\"version\":210,\"objects\":5,\"files\":2,\"bytes\":5000000012}\n"_s);
    EXPECT_TRUE(Run({u"info"_s}).out.contains(u"Version:  210"_s));

    const CliResult refused = Run({u"create"_s});
    EXPECT_TRUE(FailedWith(refused, u"Database Replace"_s));
    EXPECT_TRUE(refused.err.contains(u"--replace"_s));
    EXPECT_EQ(Run({u"--no"_s, u"create"_s}).exitCode, 1);
    EXPECT_TRUE(Info().contains(u"\"files\":2"_s));

    EXPECT_EQ(Run({u"create"_s, u"--replace"_s}).exitCode, 0);
    EXPECT_TRUE(Info().contains(u"\"files\":0"_s));
    EXPECT_EQ(Run({u"--yes"_s, u"create"_s}).exitCode, 0);
}

TEST_F(CliApplicationTest, BadArgumentsAreUsageErrorsAndNothingIsCreated)
{
    // Which mistakes the parser finds is its own test below.
    const QList<QStringList> cases = {{}, {u"--db"_s}, {u"--frobnicate"_s, u"info"_s}};
    for (const QStringList &arguments : cases) {
        const CliResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(result.err.contains(u"Usage: dirvanta-cli"_s));
    }
    // A database that is not there is no usage error, and is not made.
    for (const char *command : {"info", "compress"}) {
        EXPECT_TRUE(FailedWith(Run({QLatin1String(command)}),
                               u"Unable to open the Catalog Database in Folder"_s));
    }
    EXPECT_FALSE(QDir(Db()).exists());
}

TEST(CliCommandLineTest, OneParserReadsEveryCommandAgainstItsTable)
{
    const struct
    {
        QStringList arguments;
        QString problem; // the start of it; empty for none
        QStringList commandArguments;
        QString nameValue;
    } cases[] = {
        // Options may stand before the command, a value option's value is
        // never the command.
        {{u"--name"_s, u"Disk"_s, u"--db"_s, u"x"_s, u"catalog"_s, u"/media"_s, u"--no-zip"_s},
         {},
         {u"/media"_s},
         u"Disk"_s},
        {{u"find"_s, u"--name"_s, u"a"_s, u"--match-case"_s}, {}, {}, u"a"_s},
        {{u"restore"_s, u"Archives\\A"_s, u"/tmp/d"_s, u"--overwrite"_s},
         {},
         {u"Archives\\A"_s, u"/tmp/d"_s},
         {}},
        {{u"find"_s, u"--name"_s, u"a"_s, u"--name"_s, u"b"_s}, u"--name is given twice"_s, {}, {}},
        {{u"find"_s, u"--name"_s}, u"--name needs a value"_s, {}, {}},
        {{u"find"_s, u"--store"_s}, u"--store goes with archive"_s, {}, {}},
        {{u"info"_s, u"--frobnicate"_s}, u"unknown option --frobnicate for info"_s, {}, {}},
        {{u"mv"_s, u"A"_s}, u"mv needs a catalog path and a destination path"_s, {}, {}},
        {{u"archive"_s, u"a"_s, u"b"_s}, u"unexpected argument b"_s, {}, {}},
        {{u"--json"_s}, u"no command given"_s, {}, {}},
        {{u"launch"_s}, u"unknown command launch"_s, {}, {}},
        {{u"mkdir"_s}, u"mkdir needs "_s, {}, {}},
        {{u"empty-wastebasket"_s, u"x"_s}, u"unexpected argument x"_s, {}, {}},
        {{u"--permanent"_s, u"mkdir"_s, u"X"_s}, u"--permanent goes with rm"_s, {}, {}},
    };
    for (const auto &c : cases) {
        const CliCommandLine line = ParseCliCommandLine(c.arguments);
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        EXPECT_TRUE(c.problem.isEmpty() ? line.problem.isEmpty()
                                        : line.problem.startsWith(c.problem))
            << line.problem.toStdString();
        if (c.problem.isEmpty()) {
            EXPECT_EQ(line.arguments, c.commandArguments);
            EXPECT_EQ(line.Value(u"--name"_s), c.nameValue);
        }
    }
}

TEST_F(CliApplicationTest, EachCommandHasItsOwnHelpAndUsage)
{
    EXPECT_EQ(OutputOf(RunCli({u"--version"_s})),
              QStringLiteral("dirvanta-cli " DIRVANTA_VERSION "\n"));

    for (const char *command :
         {"create",  "info",       "compress", "ls",     "catalog",   "update",
          "mkdir",   "mv",         "rename",   "rm",     "restore",   "empty-wastebasket",
          "comment", "properties", "export",   "import", "import-v1", "find",
          "pool",    "archive",    "extract",  "verify", "repair"}) {
        const CliResult help = RunCli({QLatin1String(command), u"--help"_s});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_TRUE(help.out.contains(u"\n  "_s + QLatin1String(command) + u' '))
            << command << "\n"
            << help.out.toStdString();
        EXPECT_FALSE(help.out.contains(u"Commands:"_s)) << command;
    }

    // A mistake shows the usage of the command it was made in, and only that.
    const struct
    {
        QStringList arguments;
        const char *shown;
        const char *notShown;
    } mistakes[] = {
        {{u"info"_s, u"extra"_s}, "  info ", "  create "},
        {{u"export"_s, u"Catalogs"_s}, "  export ", "  import "},
        {{u"extract"_s, u"Catalogs"_s}, "  extract ", "  ls "},
    };
    for (const auto &mistake : mistakes) {
        const CliResult result = RunCli(mistake.arguments);
        EXPECT_EQ(result.exitCode, 2) << mistake.shown;
        EXPECT_TRUE(result.err.contains(QLatin1String(mistake.shown))) << result.err.toStdString();
        EXPECT_FALSE(result.err.contains(QLatin1String(mistake.notShown)))
            << result.err.toStdString();
    }
}

TEST_F(CliApplicationTest, WithoutDbTheRememberedFolderOrTheDefaultCatalogIsUsed)
{
    const ScopedEnvironment folders{{"XDG_DATA_HOME", m_folder.filePath(u"data"_s)},
                                    {"XDG_CONFIG_HOME", m_folder.filePath(u"config"_s)}};
    CliResult result = RunCli({u"info"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString defaultFolder = m_folder.filePath(u"data/Corvane/Dirvanta97/Catalog"_s);
    EXPECT_TRUE(TDataShare::DatabaseFilesExist(true, defaultFolder));
    EXPECT_TRUE(result.out.contains(defaultFolder));

    ASSERT_EQ(RunCli({u"--db"_s, Db(u"remembered"_s), u"create"_s}).exitCode, 0);
    {
        SettingsStore settings(SettingsStore::kProgramKey);
        LastDatabase{Db(u"remembered"_s)}.Write(settings);
    }
    result = RunCli({u"info"_s});
    EXPECT_TRUE(result.out.contains(Db(u"remembered"_s))) << result.out.toStdString();
}

TEST_F(CliApplicationTest, DatabaseHeldByAnotherProcessIsLockedAndNotReplaced)
{
    MakeDatabaseWithFiles({42});
    DatabaseLockHolder other(TDataShare::CatalogsFilePath(Db()));
    ASSERT_TRUE(other.Holding());

    EXPECT_TRUE(FailedWith(Run({u"create"_s, u"--replace"_s}), u"in use by another program"_s));

    other.Release();
    // Nothing was lost while it was held.
    EXPECT_TRUE(Info().contains(u"\"bytes\":42"_s));
}

TEST_F(CliApplicationTest, CtrlCCancelsACatalogWhichLeavesTheDatabaseAsItWas)
{
    const QString tree = m_folder.filePath(u"tree"_s);
    for (int folder = 0; folder < 60; ++folder) {
        const QString path = tree + u"/d%1"_s.arg(folder);
        ASSERT_TRUE(QDir().mkpath(path));
        for (int file = 0; file < 100; ++file)
            ::close(::creat(QFile::encodeName(path + u"/f%1"_s.arg(file)), 0644));
    }
    ASSERT_EQ(Run({u"create"_s}).exitCode, 0);
    const QString before = Info();
    QProcess process;
    // A journal shows the catalog's transaction has begun: interrupt it then.
    InterruptWhen(process, {u"--db"_s, Db(), u"catalog"_s, tree},
                  Db() + u"/Dirvanta Catalogs.db-journal"_s);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130) << process.readAllStandardError().toStdString();
    EXPECT_EQ(Info(), before);
}

TEST_F(CliApplicationTest, VerifyAndRepairReportEachFileAndExitByTheOutcome)
{
    const ScopedEnvironment temporary("TMPDIR", m_folder.path());
    MakeDatabaseWithFiles({1, 2, 3});
    const CliResult sound = RunCli({u"--json"_s, u"verify"_s, Db()});
    EXPECT_EQ(sound.exitCode, 0);
    EXPECT_TRUE(sound.out.contains(u"\"level\":0,\"problems\":[],\"text\":"
                                   "\"Verification Successful.\""_s))
        << sound.out.toStdString();

    EXPECT_TRUE(FailedWith(RunCli({u"verify"_s, Db(u"none"_s)}), u"Invalid Database Folder"_s));

    {
        SqliteConnection files;
        files.Open(TDataShare::FilesFilePath(Db()), false);
        files.ExecuteScript(u"UPDATE Files SET ID = 4242"_s);
    }
    const CliResult orphans = Run({u"verify"_s});
    EXPECT_EQ(orphans.exitCode, 1);
    EXPECT_TRUE(orphans.out.contains(u"Dirvanta Files.db: Verification Failed - Try a Repair "
                                     "(level 3)\n  3 files have no owner"_s));

    {
        DatabaseLockHolder other(TDataShare::FilesFilePath(Db()));
        EXPECT_TRUE(FailedWith(RunCli({u"repair"_s, Db()}), u"in use by another program"_s));
    }
    const CliResult repair = RunCli({u"repair"_s, Db()});
    EXPECT_EQ(repair.exitCode, 0);
    EXPECT_TRUE(repair.out.contains(u"Dirvanta Files.db: Repair was successful. 3 rows "
                                    "recovered, 0 lost, 3 moved to \"Recovered "
                                    "Items\"."_s));
    EXPECT_TRUE(repair.out.contains(u"Database Backed-up to: "_s +
                                    m_folder.filePath(u"Backup Dirvanta *.*"_s)));
    EXPECT_EQ(RunCli({u"verify"_s, Db()}).exitCode, 0);
}

TEST_F(CliApplicationTest, RepairInterruptedOrKilledLeavesTheOldFileOrTheRepairedOne)
{
    using namespace DatabaseRepair;
    const ScopedEnvironment temporary("TMPDIR", m_folder.path());
    MakeDatabaseWithFiles(QList<qint64>(40000, 7));
    const QString filesPath = TDataShare::FilesFilePath(Db());
    const QString catalogsPath = TDataShare::CatalogsFilePath(Db());
    // Ctrl+C while the Files file is rebuilt, after the Catalogs file was:
    // both stay as they were, past the header, whose change counters a copy
    // through SQLite moves on.
    const auto pages = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().mid(100) : QByteArray();
    };
    const QByteArray filesBefore = pages(filesPath);
    const QByteArray catalogsBefore = pages(catalogsPath);
    const QString rebuilt = filesPath + u"-rebuilt"_s;
    {
        QProcess process;
        InterruptWhen(process, {u"repair"_s, Db()}, rebuilt);
        EXPECT_EQ(process.exitCode(), 130) << process.readAllStandardError().toStdString();
    }
    EXPECT_TRUE(pages(filesPath) == filesBefore) << "the Files file was replaced";
    EXPECT_TRUE(pages(catalogsPath) == catalogsBefore) << "the Catalogs file stayed rebuilt";
    EXPECT_FALSE(QFileInfo::exists(rebuilt));

    // Killed at any moment, the old file or the repaired one is left.
    QByteArray damaged;
    {
        QFile file(filesPath);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(file.size() / 2 / 4096 * 4096);
        file.write(QByteArray(4096, '\x5a'));
        file.seek(0);
        damaged = file.readAll();
    }
    const auto restoreDamaged = [&] {
        QFile file(filesPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damaged);
    };
    const auto repairFor = [&](qint64 killAfterMs) {
        QProcess process;
        process.start(QStringLiteral(DIRVANTA_CLI_PATH), {u"repair"_s, Db()});
        EXPECT_TRUE(process.waitForStarted());
        if (killAfterMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
            process.kill(); // SIGKILL: no handler runs, nothing is tidied
        }
        EXPECT_TRUE(process.waitForFinished(60000));
    };

    QElapsedTimer timer;
    timer.start();
    repairFor(-1);
    const qint64 fullRun = timer.elapsed();
    int keptOld = 0;
    // Points through the run, closer together towards its end, where the
    // rebuilt files are synced and swapped in.
    for (int permille : {100, 300, 500, 700, 850, 930, 970, 990}) {
        restoreDamaged();
        repairFor(fullRun * permille / 1000);
        QFile file(filesPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "killed after " << permille << " permille";
        if (file.readAll() == damaged)
            ++keptOld;
        else
            EXPECT_EQ(VerifyFile(Db(), DatabaseFile::Files, {}).level, kSound);
        EXPECT_EQ(VerifyFile(Db(), DatabaseFile::Catalogs, {}).level, kSound);
    }
    EXPECT_GT(keptOld, 0);
    // A repair after one that was killed still finishes the work.
    repairFor(-1);
    EXPECT_EQ(VerifyFile(Db(), DatabaseFile::Files, {}).level, kSound);
}
