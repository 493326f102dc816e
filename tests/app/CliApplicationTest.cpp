#include "app/cli/CliApplication.h"

#include "CliRunner.h"
#include "platform/SettingsStore.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"
#include "support/DatabaseLockHolder.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

class CliApplicationTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString Db(const QString &name = QStringLiteral("db")) const { return m_folder.filePath(name); }

    // Adds files to a database through the store, as a scan would.
    void AddFiles(const QString &folder, const QList<qint64> &sizes)
    {
        ScriptedUserInterface ui;
        TDataShare data;
        data.DatabaseFolder = folder;
        ASSERT_TRUE(data.OpenDatabase());
        data.RunInTransaction([&] {
            for (qint64 size : sizes) {
                SqliteStatement &insert = data.CatalogDatabase.Prepare(
                    QStringLiteral("INSERT INTO Files (ID, Size, Name) VALUES (3, ?1, 'f')"));
                insert.Bind(1, size).Execute();
            }
        });
    }

    QTemporaryDir m_folder;
};

} // namespace

TEST_F(CliApplicationTest, CreateThenInfoReportsTheDatabaseAsJson)
{
    CliResult created = RunCli({QStringLiteral("--db"), Db(), QStringLiteral("create")});
    EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_TRUE(TDataShare::DatabaseFilesExist(true, Db()));

    AddFiles(Db(), {5'000'000'000LL, 12});
    const CliResult info =
        RunCli({QStringLiteral("--db"), Db(), QStringLiteral("info"), QStringLiteral("--json")});
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_EQ(info.out,
              QStringLiteral("{\"version\":210,\"objects\":5,\"files\":2,\"bytes\":5000000012}\n"));

    const CliResult text = RunCli({QStringLiteral("--db"), Db(), QStringLiteral("info")});
    EXPECT_TRUE(text.out.contains(QStringLiteral("Version:  210"))) << text.out.toStdString();
}

TEST_F(CliApplicationTest, CreateKeepsAnExistingDatabaseUnlessToldToReplaceIt)
{
    ASSERT_EQ(RunCli({QStringLiteral("--db"), Db(), QStringLiteral("create")}).exitCode, 0);
    AddFiles(Db(), {1});
    const QStringList info = {QStringLiteral("--db"), Db(), QStringLiteral("--json"),
                              QStringLiteral("info")};

    CliResult refused = RunCli({QStringLiteral("--db"), Db(), QStringLiteral("create")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Database Replace")));
    EXPECT_TRUE(refused.err.contains(QStringLiteral("--replace")));
    EXPECT_TRUE(RunCli(info).out.contains(QStringLiteral("\"files\":1")));

    refused =
        RunCli({QStringLiteral("--no"), QStringLiteral("--db"), Db(), QStringLiteral("create")});
    EXPECT_EQ(refused.exitCode, 1);

    EXPECT_EQ(RunCli({QStringLiteral("--db"), Db(), QStringLiteral("create"),
                      QStringLiteral("--replace")})
                  .exitCode,
              0);
    EXPECT_TRUE(RunCli(info).out.contains(QStringLiteral("\"files\":0")));
    AddFiles(Db(), {1});
    EXPECT_EQ(
        RunCli({QStringLiteral("--yes"), QStringLiteral("--db"), Db(), QStringLiteral("create")})
            .exitCode,
        0);
    EXPECT_TRUE(RunCli(info).out.contains(QStringLiteral("\"files\":0")));
}

TEST_F(CliApplicationTest, BadArgumentsAreUsageErrors)
{
    const QList<QStringList> cases = {
        {},
        {QStringLiteral("--db")},
        {QStringLiteral("--frobnicate"), QStringLiteral("info")},
        {QStringLiteral("info"), QStringLiteral("extra")},
        {QStringLiteral("--replace"), QStringLiteral("info")},
        {QStringLiteral("--db"), Db(), QStringLiteral("launch")},
    };
    for (const QStringList &arguments : cases) {
        const CliResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("Usage: dirvanta-cli")));
    }
    EXPECT_FALSE(QDir(Db()).exists());
}

TEST_F(CliApplicationTest, MissingDatabaseFailsAndCreatesNothing)
{
    for (const char *command : {"info", "compress"}) {
        const CliResult result = RunCli({QStringLiteral("--db"), Db(), QLatin1String(command)});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(
            result.err.contains(QStringLiteral("Unable to open the Catalog Database in Folder")));
    }
    EXPECT_FALSE(QDir(Db()).exists());
}

TEST_F(CliApplicationTest, WithoutDbTheRememberedFolderOrTheDefaultCatalogIsUsed)
{
    qputenv("XDG_DATA_HOME", m_folder.filePath(QStringLiteral("data")).toUtf8());
    {
        SettingsStore settings(SettingsStore::kProgramKey);
        settings.EraseSection(QStringLiteral("Catalog Explorer"));
    }
    CliResult result = RunCli({QStringLiteral("info")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString defaultFolder =
        m_folder.filePath(QStringLiteral("data/Corvane/Dirvanta97/Catalog"));
    EXPECT_TRUE(TDataShare::DatabaseFilesExist(true, defaultFolder));
    EXPECT_TRUE(result.out.contains(defaultFolder));

    ASSERT_EQ(
        RunCli({QStringLiteral("--db"), Db(QStringLiteral("remembered")), QStringLiteral("create")})
            .exitCode,
        0);
    {
        SettingsStore settings(SettingsStore::kProgramKey);
        settings.WriteText(QStringLiteral("Catalog Explorer"), QStringLiteral("Database Folder"),
                           Db(QStringLiteral("remembered")));
    }
    result = RunCli({QStringLiteral("info")});
    EXPECT_TRUE(result.out.contains(Db(QStringLiteral("remembered")))) << result.out.toStdString();
    {
        SettingsStore settings(SettingsStore::kProgramKey);
        settings.EraseSection(QStringLiteral("Catalog Explorer"));
    }
}

TEST_F(CliApplicationTest, DatabaseHeldByAnotherProcessIsLockedAndNotReplaced)
{
    ASSERT_EQ(RunCli({QStringLiteral("--db"), Db(), QStringLiteral("create")}).exitCode, 0);
    AddFiles(Db(), {42});
    DatabaseLockHolder other(TDataShare::CatalogsFilePath(Db()));
    ASSERT_TRUE(other.Holding());

    const CliResult info = RunCli({QStringLiteral("--db"), Db(), QStringLiteral("info")});
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_TRUE(info.err.contains(QStringLiteral("Catalog Locked")));
    EXPECT_TRUE(info.err.contains(
        QStringLiteral("is currently being accessed by another application or User")));

    const CliResult replace = RunCli(
        {QStringLiteral("--db"), Db(), QStringLiteral("create"), QStringLiteral("--replace")});
    EXPECT_EQ(replace.exitCode, 1);
    EXPECT_TRUE(replace.err.contains(QStringLiteral("in use by another program")));

    other.Release();
    // Nothing was lost while it was held.
    EXPECT_TRUE(
        RunCli({QStringLiteral("--db"), Db(), QStringLiteral("--json"), QStringLiteral("info")})
            .out.contains(QStringLiteral("\"bytes\":42")));
}

TEST_F(CliApplicationTest, RealExecutableRunsEndToEnd)
{
    QProcess process;
    process.start(QStringLiteral(DIRVANTA_CLI_PATH),
                  {QStringLiteral("--db"), Db(), QStringLiteral("create")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    process.start(QStringLiteral(DIRVANTA_CLI_PATH),
                  {QStringLiteral("--db"), Db(), QStringLiteral("--json"), QStringLiteral("info")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(process.readAllStandardOutput(),
              QByteArray("{\"version\":210,\"objects\":5,\"files\":0,\"bytes\":0}\n"));
}
