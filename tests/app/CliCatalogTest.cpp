#include "CliRunner.h"
#include "app/cli/CliApplication.h"
#include "support/FakeDriveSystem.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

class CliCatalogTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_medium = m_folder.filePath(QStringLiteral("medium"));
        QDir().mkpath(m_medium + QStringLiteral("/Sub"));
        for (const char *name : {"A.TXT", "Sub/b.dat"}) {
            QFile file(m_medium + QLatin1Char('/') + QLatin1String(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("12345");
        }
        m_drives.Mount(m_medium, DriveKind::Fixed, QStringLiteral("DATA"));
        ASSERT_EQ(Run({QStringLiteral("create")}).exitCode, 0);
    }

    CliResult Run(const QStringList &arguments)
    {
        return RunCli(QStringList{QStringLiteral("--db"), m_folder.filePath(QStringLiteral("db"))} +
                      arguments);
    }

    QTemporaryDir m_folder;
    FakeDriveSystem m_drives;
    QString m_medium;
};

} // namespace

TEST_F(CliCatalogTest, CatalogsUnderAUniqueNameAndListsTheResult)
{
    CliResult result = Run({QStringLiteral("catalog"), m_medium});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("\"Catalogs\\New Disk Catalog\"")));
    result = Run({QStringLiteral("catalog"), m_medium});
    EXPECT_TRUE(result.out.contains(QStringLiteral("\"Catalogs\\New Disk Catalog (2)\"")));

    result = Run({QStringLiteral("ls"), QStringLiteral("Catalogs\\New Disk Catalog"),
                  QStringLiteral("--json")});
    EXPECT_TRUE(result.out.contains(QStringLiteral("\"name\":\"Sub\"")));
    EXPECT_TRUE(result.out.contains(QStringLiteral("\"name\":\"A.TXT\"")));
    result = Run({QStringLiteral("--json"), QStringLiteral("info")});
    EXPECT_TRUE(result.out.contains(QStringLiteral("\"files\":4,\"bytes\":20")))
        << result.out.toStdString();
}

TEST_F(CliCatalogTest, TheDialogsChecksRefuseBadRequestsAndLeaveNothing)
{
    ASSERT_EQ(
        Run({QStringLiteral("catalog"), m_medium, QStringLiteral("--name"), QStringLiteral("Disk")})
            .exitCode,
        0);
    CliResult result = Run(
        {QStringLiteral("catalog"), m_medium, QStringLiteral("--name"), QStringLiteral("DISK")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("Duplicate Description")));

    result =
        Run({QStringLiteral("catalog"), m_medium, QStringLiteral("--name"), QStringLiteral("a.b")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("Invalid Character")));
    result =
        Run({QStringLiteral("catalog"), m_medium, QStringLiteral("--name"), QStringLiteral(" ")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("Catalog Description Required")));

    // A folder that is not there is a disk that is not in.
    result = Run({QStringLiteral("catalog"), m_medium + QStringLiteral("/nowhere")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("The Drive is not ready")))
        << result.err.toStdString();

    const QString ram = m_folder.filePath(QStringLiteral("ram"));
    QDir().mkpath(ram);
    m_drives.Mount(ram, DriveKind::RamDisk);
    result = Run({QStringLiteral("catalog"), ram});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("Unsupported Device")));

    result = Run({QStringLiteral("catalog"), m_medium, QStringLiteral("--into"),
                  QStringLiteral("Catalogs\\Nope")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(Run({QStringLiteral("catalog")}).exitCode, 2);
    EXPECT_EQ(Run({QStringLiteral("info"), QStringLiteral("--no-zip")}).exitCode, 2);
    EXPECT_TRUE(Run({QStringLiteral("--json"), QStringLiteral("info")})
                    .out.contains(QStringLiteral("\"objects\":7")));
}

TEST_F(CliCatalogTest, UpdateRebuildsAndRefusesWhatIsNoDiskCatalog)
{
    ASSERT_EQ(
        Run({QStringLiteral("catalog"), m_medium, QStringLiteral("--name"), QStringLiteral("Disk")})
            .exitCode,
        0);
    QFile extra(m_medium + QStringLiteral("/new.txt"));
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.write("1");
    extra.close();
    CliResult result = Run({QStringLiteral("update"), QStringLiteral("Catalogs\\Disk")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(Run({QStringLiteral("--json"), QStringLiteral("info")})
                    .out.contains(QStringLiteral("\"files\":3,\"bytes\":11")));

    result = Run({QStringLiteral("update"), QStringLiteral("Catalogs")});
    EXPECT_EQ(result.exitCode, 1);

    // The medium is gone: without a terminal the check gives up at once.
    m_drives.Eject(m_medium);
    result = Run({QStringLiteral("update"), QStringLiteral("Catalogs\\Disk")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(Run({QStringLiteral("--json"), QStringLiteral("info")})
                    .out.contains(QStringLiteral("\"files\":3,\"bytes\":11")));
}

TEST_F(CliCatalogTest, ExtractTakesAPackagedFolderWithItsSubtree)
{
    QProcess zip;
    zip.setWorkingDirectory(m_medium);
    zip.start(QStringLiteral("zip"),
              {QStringLiteral("-qr"), QStringLiteral("pack.zip"), QStringLiteral("Sub")});
    ASSERT_TRUE(zip.waitForFinished() && zip.exitCode() == 0);
    ASSERT_EQ(
        Run({QStringLiteral("catalog"), m_medium, QStringLiteral("--name"), QStringLiteral("Disk")})
            .exitCode,
        0);
    const QString folder = QStringLiteral("Catalogs\\Disk\\pack.zip\\Sub");
    const QString into = m_folder.filePath(QStringLiteral("out"));
    CliResult result = Run({QStringLiteral("extract"), folder, into});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out,
              QStringLiteral("Extracted \"") + folder + QStringLiteral("\" into ") + into + u'\n');
    QFile copy(into + QStringLiteral("/Sub/b.dat"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "12345");

    // Without a terminal an existing file is kept; --overwrite replaces it.
    result = Run({QStringLiteral("extract"), folder, into});
    EXPECT_TRUE(result.err.contains(QStringLiteral("Duplicate File: \"b.dat\" already exists in ") +
                                    into + QStringLiteral("/Sub.")))
        << result.err.toStdString();
    result = Run({QStringLiteral("--json"), QStringLiteral("extract"), folder, into,
                  QStringLiteral("--overwrite")});
    EXPECT_EQ(result.out, QStringLiteral("{\"destination\":\"") + into +
                              QStringLiteral("\",\"items\":[\"Sub/*.*\"],\"package\":\"") +
                              m_medium + QStringLiteral("/pack.zip\",\"result\":\"done\"}\n"));

    result = Run({QStringLiteral("restore"), folder, into});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("lies in no archive set")));
    EXPECT_EQ(Run({QStringLiteral("extract"), folder}).exitCode, 2);
}
