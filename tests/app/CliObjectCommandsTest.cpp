#include "CliRunner.h"
#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "support/FakeDriveSystem.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A database with Catalogs\Work\Disk 1 holding a file.
class CliObjectCommandsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        const double now = NowDayCount();
        MakeCliDatabase(Db(), [&](TDataShare &data) {
            const qint64 work = AppendCatalogRow(
                data.Catalogs, QStringLiteral("Work"), QString(), CatalogSchema::kCatalogsId,
                CatalogSchema::kCatalogFolderClass, false, now, now, {}, {}, 0, 0);
            const qint64 disk =
                AppendCatalogRow(data.Catalogs, QStringLiteral("Disk 1"), QString(), work,
                                 CatalogSchema::kHardDiskClass, false, now, now, {}, {}, 10, 0);
            data.CatalogDatabase
                .Prepare(
                    QStringLiteral("INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment) "
                                   "VALUES (?1, 32, 10, 'Read Me.txt', 0, '')"))
                .Bind(1, disk)
                .Execute();
        });
    }

    QString Db() const { return m_folder.filePath(QStringLiteral("db")); }

    CliResult Run(QStringList arguments)
    {
        arguments.prepend(Db());
        arguments.prepend(QStringLiteral("--db"));
        return RunCli(arguments);
    }

    // The listing of an object: one name per line.
    QStringList Names(const QString &path)
    {
        const CliResult result = Run({QStringLiteral("ls"), path});
        QStringList names;
        for (const QString &line : result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            names << line.section(QLatin1Char('\t'), 0, 0);
        return names;
    }

    QTemporaryDir m_folder;
};

TEST_F(CliObjectCommandsTest, FoldersAreMadeMovedAndRefusedAsInTheWindow)
{
    CliResult result = Run({QStringLiteral("mkdir"), QStringLiteral("Catalogs\\Old/Disks")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, QStringLiteral("Created folder \"Catalogs\\Old Disks\"\n"));
    EXPECT_TRUE(result.err.contains(QLatin1String("Invalid Characters Found")));

    result = Run({QStringLiteral("mkdir"), QStringLiteral("Catalogs\\work")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QLatin1String("already exists"))) << result.err.toStdString();

    result = Run({QStringLiteral("mv"), QStringLiteral("Catalogs\\Work\\Disk 1"),
                  QStringLiteral("Catalogs\\Old Disks")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(Names(QStringLiteral("Catalogs\\Old Disks")), QStringList{QStringLiteral("Disk 1")});

    result = Run(
        {QStringLiteral("mv"), QStringLiteral("Catalogs\\Old Disks"), QStringLiteral("Archives")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(
        QLatin1String("The Object \"Old Disks\" may not be moved to the location specified")));

    result = Run({QStringLiteral("mv"), QStringLiteral("Catalogs\\Old Disks"),
                  QStringLiteral("Catalogs\\Old Disks\\Disk 1")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QLatin1String("Object Move Failed")));

    result = Run(
        {QStringLiteral("rename"), QStringLiteral("Catalogs\\Old Disks"), QStringLiteral("Work")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QLatin1String("already exists"))) << result.err.toStdString();
    result = Run({QStringLiteral("rename"), QStringLiteral("Catalogs\\Old Disks\\Disk 1"),
                  QStringLiteral("Disk One")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, QStringLiteral("Renamed to \"Catalogs\\Old Disks\\Disk One\"\n"));
    result = Run({QStringLiteral("rename"), QStringLiteral("Catalogs"), QStringLiteral("Other")});
    EXPECT_EQ(result.exitCode, 1);
}

TEST_F(CliObjectCommandsTest, RemoveRestoreAndEmptyKeepEveryRowAccounted)
{
    // Without a terminal and without --yes the question is answered No.
    CliResult result = Run({QStringLiteral("rm"), QStringLiteral("Catalogs\\Work\\Disk 1")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QLatin1String(
        "Are you sure you wish to send the Disk Catalog \"Disk 1\" to the Wastebasket ?")));

    result = Run(
        {QStringLiteral("--yes"), QStringLiteral("rm"), QStringLiteral("Catalogs\\Work\\Disk 1")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, QStringLiteral("Sent to \"Wastebasket\\Work\\Disk 1\"\n"));
    EXPECT_EQ(Names(QStringLiteral("Wastebasket\\Work")), QStringList{QStringLiteral("Disk 1")});

    // A folder of the same name meanwhile: restoring asks before replacing.
    Run({QStringLiteral("mkdir"), QStringLiteral("Catalogs\\Work\\Disk 1")});
    result = Run({QStringLiteral("restore"), QStringLiteral("Wastebasket\\Work\\Disk 1")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QLatin1String("Existing: \"Disk 1\", Catalog Folder")))
        << result.err.toStdString();
    result = Run({QStringLiteral("--yes"), QStringLiteral("restore"),
                  QStringLiteral("Wastebasket\\Work\\Disk 1")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(Names(QStringLiteral("Catalogs\\Work\\Disk 1")),
              QStringList{QStringLiteral("Read Me.txt")});
    // The replaced folder waits in the Wastebasket, empty as it was.
    EXPECT_EQ(Names(QStringLiteral("Wastebasket\\Work")), QStringList{QStringLiteral("Disk 1")});
    Run({QStringLiteral("--yes"), QStringLiteral("rm"), QStringLiteral("Catalogs\\Work\\Disk 1")});

    result = Run({QStringLiteral("restore"), QStringLiteral("Catalogs\\Work")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QLatin1String("is not in the Wastebasket")));

    result = Run({QStringLiteral("--yes"), QStringLiteral("empty-wastebasket")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(Names(QStringLiteral("Wastebasket")).isEmpty());
    result = Run({QStringLiteral("info"), QStringLiteral("--json")});
    EXPECT_EQ(result.out,
              QStringLiteral("{\"version\":210,\"objects\":6,\"files\":0,\"bytes\":0}\n"));
    result = Run({QStringLiteral("empty-wastebasket")});
    EXPECT_EQ(result.out, QStringLiteral("The Wastebasket is empty\n"));

    result = Run({QStringLiteral("--yes"), QStringLiteral("rm"), QStringLiteral("--permanent"),
                  QStringLiteral("Catalogs\\Work")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QLatin1String(
        "Are you sure you wish to delete the Object \"Work\" and any Objects it contains ?")));
    result = Run({QStringLiteral("info"), QStringLiteral("--json")});
    EXPECT_EQ(result.out,
              QStringLiteral("{\"version\":210,\"objects\":5,\"files\":0,\"bytes\":0}\n"));

    result = Run({QStringLiteral("--yes"), QStringLiteral("rm"), QStringLiteral("Catalogs")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QLatin1String("may not be deleted")));
}

TEST_F(CliObjectCommandsTest, PropertiesShowDetailsAndStatisticsOfObjectsAndFiles)
{
    CliResult result = Run({QStringLiteral("properties"), QStringLiteral("Catalogs\\Work")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QLatin1String("Type: Catalog Folder\n")));
    EXPECT_TRUE(result.out.contains(QLatin1String("Disk Catalogs: 1\n")));
    EXPECT_TRUE(result.out.contains(QLatin1String("Cataloged Files: 1\n")));

    result = Run({QStringLiteral("--json"), QStringLiteral("properties"),
                  QStringLiteral("Catalogs\\Work\\Disk 1\\read me.txt")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QLatin1String("\"Name\":\"Read Me.txt\"")));
    EXPECT_TRUE(result.out.contains(QLatin1String("\"Stored in Catalog\":\"Disk 1\"")));
    EXPECT_TRUE(result.out.contains(QLatin1String("\"Attributes\":\"Archive\"")));

    result = Run({QStringLiteral("--json"), QStringLiteral("properties"), QString()});
    EXPECT_TRUE(result.out.contains(QLatin1String("\"Database Version\":\"210\"")));
    EXPECT_TRUE(result.out.contains(QLatin1String("\"name\":\"Dirvanta Files.db\"")));
    EXPECT_EQ(Run({QStringLiteral("properties"), QStringLiteral("Catalogs\\Nothing")}).exitCode, 1);
}

TEST_F(CliObjectCommandsTest, CommentsReachObjectsAndFiles)
{
    CliResult result = Run({QStringLiteral("comment"), QStringLiteral("Catalogs\\Work\\Disk 1"),
                            QStringLiteral("the blue one")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    result = Run({QStringLiteral("comment"), QStringLiteral("Catalogs\\Work\\Disk 1\\read me.txt"),
                  QStringLiteral("start here")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(
        result.out,
        QStringLiteral("Comment of the file \"Catalogs\\Work\\Disk 1\\Read Me.txt\" stored\n"));
    const QString listing = Run({QStringLiteral("ls"), QStringLiteral("Catalogs\\Work")}).out;
    EXPECT_TRUE(listing.contains(QLatin1String("the blue one")));
    EXPECT_TRUE(Run({QStringLiteral("ls"), QStringLiteral("Catalogs\\Work\\Disk 1")})
                    .out.contains(QLatin1String("start here")));

    result =
        Run({QStringLiteral("comment"), QStringLiteral("Catalogs\\Nothing"), QStringLiteral("x")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QLatin1String("there is no \"Catalogs\\Nothing\"")));
}

TEST_F(CliObjectCommandsTest, UsageMistakesAreRefusedBeforeAnythingRuns)
{
    EXPECT_EQ(Run({QStringLiteral("mv"), QStringLiteral("Catalogs\\Work")}).exitCode, 2);
    EXPECT_EQ(Run({QStringLiteral("mkdir")}).exitCode, 2);
    EXPECT_EQ(Run({QStringLiteral("empty-wastebasket"), QStringLiteral("x")}).exitCode, 2);
    const CliResult result = Run(
        {QStringLiteral("--permanent"), QStringLiteral("mkdir"), QStringLiteral("Catalogs\\X")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(QLatin1String("--permanent goes with rm")));
    EXPECT_EQ(Run({QStringLiteral("--permanent"), QStringLiteral("ls")}).exitCode, 2);
}

// The pool through the tool alone: a drive, a volume added on it, listed
// with its figures, a second add refused by the disk's "Archives" folder,
// and the volume removed.
TEST_F(CliObjectCommandsTest, ThePoolIsBuiltAndListedFromTheCommandLine)
{
    using namespace Qt::StringLiterals;
    const QString mount = m_folder.filePath(u"media/blank"_s);
    QDir().mkpath(mount);
    FakeDriveSystem drives;
    FakeDriveSystem::Drive &drive = drives.Mount(mount, DriveKind::Removable, u"blank"_s);
    drive.totalBytes = 10'000'000;
    drive.freeBytes = 7'500'000;

    EXPECT_EQ(Run({u"pool"_s, u"add"_s}).exitCode, 1); // no drive yet
    EXPECT_EQ(Run({u"pool"_s, u"drive"_s, mount}).exitCode, 0);
    CliResult result = Run({u"--yes"_s, u"pool"_s, u"add"_s});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, u"Added Archive Volume 1 (DVARC0001)\n"_s);
    EXPECT_EQ(drive.label, u"DVARC0001"_s);
    EXPECT_TRUE(QFileInfo(mount + u"/Archives"_s).isDir());

    result = Run({u"--json"_s, u"pool"_s});
    const QJsonObject pool = QJsonDocument::fromJson(result.out.toUtf8()).object();
    EXPECT_EQ(pool[u"drive"_s].toString(), mount);
    const QJsonObject volume = pool[u"volumes"_s].toArray().at(0).toObject();
    EXPECT_EQ(volume[u"label"_s].toString(), u"DVARC0001"_s);
    EXPECT_EQ(volume[u"capacity"_s].toInteger(), 10'000'000);
    EXPECT_EQ(volume[u"used"_s].toInteger(), 2'500'000);
    EXPECT_EQ(volume[u"free"_s].toInteger(), 7'500'000);
    EXPECT_EQ(volume[u"percent"_s].toInt(), 25);
    EXPECT_EQ(volume[u"class"_s].toInt(), CatalogSchema::kEmptyArchiveVolumeClass + 2);
    EXPECT_EQ(volume[u"sets"_s].toInt(), 0);

    // Shown again after the failed check, the dialog is given up.
    result = Run({u"--yes"_s, u"pool"_s, u"add"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(u"Unable to Create Folder"_s)) << result.err.toStdString();
    // Another drive is refused unless the warning is agreed to.
    EXPECT_EQ(Run({u"pool"_s, u"drive"_s, m_folder.path()}).exitCode, 1);

    EXPECT_EQ(Run({u"pool"_s, u"remove"_s, u"dvarc0009"_s}).exitCode, 1);
    EXPECT_EQ(Run({u"pool"_s, u"remove"_s, u"dvarc0001"_s}).exitCode, 0);
    EXPECT_EQ(Run({u"pool"_s}).out, u"Drive: "_s + mount + u"\n"_s);
    EXPECT_EQ(Run({u"pool"_s, u"free"_s}).exitCode, 2);
    EXPECT_EQ(Run({u"pool"_s, u"merge"_s, u"x"_s}).exitCode, 2);
    EXPECT_EQ(Run({u"pool"_s, u"remove"_s}).exitCode, 2);
}

// A folder archived from the command line lands on the volume and in the
// catalog; the dialog's checks refuse a name taken in another case.
TEST_F(CliObjectCommandsTest, AFolderIsArchivedFromTheCommandLine)
{
    using namespace Qt::StringLiterals;
    const QString mount = m_folder.filePath(u"media/blank"_s);
    QDir().mkpath(mount);
    FakeDriveSystem drives;
    FakeDriveSystem::Drive &drive = drives.Mount(mount, DriveKind::Removable, u"blank"_s);
    drive.totalBytes = 10'000'000;
    drive.freeBytes = 7'500'000;
    const QString source = m_folder.filePath(u"source"_s);
    QDir().mkpath(source + u"/sub"_s);
    QFile file(source + u"/sub/a.txt"_s);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("archived");
    file.close();

    EXPECT_EQ(Run({u"archive"_s, source}).exitCode, 1); // the pool is empty
    ASSERT_EQ(Run({u"pool"_s, u"drive"_s, mount}).exitCode, 0);
    ASSERT_EQ(Run({u"--yes"_s, u"pool"_s, u"add"_s}).exitCode, 0);
    CliResult result = Run({u"--json"_s, u"archive"_s, source, u"--name"_s, u"Old Work"_s,
                            u"--comment"_s, u"done"_s, u"--store"_s});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject set = QJsonDocument::fromJson(result.out.toUtf8()).object();
    EXPECT_EQ(set[u"volume"_s].toString(), u"DVARC0001"_s);
    EXPECT_EQ(set[u"file"_s].toString(), mount + u"/Archives/Old Work.ZIP"_s);
    EXPECT_TRUE(QFileInfo::exists(mount + u"/Archives/Old Work.ZIP"_s));
    EXPECT_EQ(Names(u"Archives\\Old Work"_s), QStringList{u"sub"_s});
    EXPECT_TRUE(QFileInfo::exists(source + u"/sub/a.txt"_s));

    result = Run({u"archive"_s, source, u"--name"_s, u"OLD WORK"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(u"Duplicate Name"_s)) << result.err.toStdString();
    EXPECT_EQ(Run({u"archive"_s}).exitCode, 2);
    EXPECT_EQ(Run({u"archive"_s, source, u"--zip"_s}).exitCode, 2);
}

} // namespace

// The tool runs inside other programs' tests: it must not take their
// interface away when it ends.
TEST_F(CliObjectCommandsTest, ARunPutsBackTheInterfaceInstalledBeforeIt)
{
    ScriptedUserInterface outer;
    EXPECT_EQ(Run({QStringLiteral("ls"), QStringLiteral("Catalogs")}).exitCode, 0);
    EXPECT_EQ(&UI(), &outer);
}
