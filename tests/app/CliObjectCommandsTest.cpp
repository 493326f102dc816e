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

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

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
            const qint64 work =
                AppendCatalogRow(data.Catalogs, u"Work"_s, QString(), kCatalogsId,
                                 kCatalogFolderClass, false, now, now, {}, {}, 0, 0);
            const qint64 disk = AppendCatalogRow(data.Catalogs, u"Disk 1"_s, QString(), work,
                                                 kHardDiskClass, false, now, now, {}, {}, 10, 0);
            data.CatalogDatabase
                .Prepare(
                    QStringLiteral("INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment) "
                                   "VALUES (?1, 32, 10, 'Read Me.txt', 0, '')"))
                .Bind(1, disk)
                .Execute();
        });
    }

    QString Db() const { return m_folder.filePath(u"db"_s); }

    CliResult Run(QStringList arguments)
    {
        arguments.prepend(Db());
        arguments.prepend(u"--db"_s);
        return RunCli(arguments);
    }

    // The listing of an object: one name per line.
    QStringList Names(const QString &path)
    {
        const CliResult result = Run({u"ls"_s, path});
        QStringList names;
        for (const QString &line : result.out.split(u'\n', Qt::SkipEmptyParts))
            names << line.section(u'\t', 0, 0);
        return names;
    }

    QTemporaryDir m_folder;
};

TEST_F(CliObjectCommandsTest, FoldersAreMadeMovedAndRefusedAsInTheWindow)
{
    CliResult result = Run({u"mkdir"_s, u"Catalogs\\Old/Disks"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, u"Created folder \"Catalogs\\Old Disks\"\n"_s);
    EXPECT_TRUE(result.err.contains(u"Invalid Characters Found"_s));

    result = Run({u"mkdir"_s, u"Catalogs\\work"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(u"already exists"_s)) << result.err.toStdString();

    result = Run({u"mv"_s, u"Catalogs\\Work\\Disk 1"_s, u"Catalogs\\Old Disks"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(Names(u"Catalogs\\Old Disks"_s), QStringList{u"Disk 1"_s});

    result = Run({u"mv"_s, u"Catalogs\\Old Disks"_s, u"Archives"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(
        u"The Object \"Old Disks\" may not be moved to the location specified"_s));

    result = Run({u"mv"_s, u"Catalogs\\Old Disks"_s, u"Catalogs\\Old Disks\\Disk 1"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(u"Object Move Failed"_s));

    result = Run({u"rename"_s, u"Catalogs\\Old Disks"_s, u"Work"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(u"already exists"_s)) << result.err.toStdString();
    result = Run({u"rename"_s, u"Catalogs\\Old Disks\\Disk 1"_s, u"Disk One"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, u"Renamed to \"Catalogs\\Old Disks\\Disk One\"\n"_s);
    result = Run({u"rename"_s, u"Catalogs"_s, u"Other"_s});
    EXPECT_EQ(result.exitCode, 1);
}

TEST_F(CliObjectCommandsTest, RemoveRestoreAndEmptyKeepEveryRowAccounted)
{
    // Without a terminal and without --yes the question is answered No.
    CliResult result = Run({u"rm"_s, u"Catalogs\\Work\\Disk 1"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QLatin1String(
        "Are you sure you wish to send the Disk Catalog \"Disk 1\" to the Wastebasket ?")));

    result = Run({u"--yes"_s, u"rm"_s, u"Catalogs\\Work\\Disk 1"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, u"Sent to \"Wastebasket\\Work\\Disk 1\"\n"_s);
    EXPECT_EQ(Names(u"Wastebasket\\Work"_s), QStringList{u"Disk 1"_s});

    // A folder of the same name meanwhile: restoring asks before replacing.
    Run({u"mkdir"_s, u"Catalogs\\Work\\Disk 1"_s});
    result = Run({u"restore"_s, u"Wastebasket\\Work\\Disk 1"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(u"Existing: \"Disk 1\", Catalog Folder"_s))
        << result.err.toStdString();
    result = Run({u"--yes"_s, u"restore"_s, u"Wastebasket\\Work\\Disk 1"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(Names(u"Catalogs\\Work\\Disk 1"_s), QStringList{u"Read Me.txt"_s});
    // The replaced folder waits in the Wastebasket, empty as it was.
    EXPECT_EQ(Names(u"Wastebasket\\Work"_s), QStringList{u"Disk 1"_s});
    Run({u"--yes"_s, u"rm"_s, u"Catalogs\\Work\\Disk 1"_s});

    result = Run({u"restore"_s, u"Catalogs\\Work"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(u"is not in the Wastebasket"_s));

    result = Run({u"--yes"_s, u"empty-wastebasket"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(Names(u"Wastebasket"_s).isEmpty());
    result = Run({u"info"_s, u"--json"_s});
    EXPECT_EQ(result.out, u"{\"version\":210,\"objects\":6,\"files\":0,\"bytes\":0}\n"_s);
    result = Run({u"empty-wastebasket"_s});
    EXPECT_EQ(result.out, u"The Wastebasket is empty\n"_s);

    result = Run({u"--yes"_s, u"rm"_s, u"--permanent"_s, u"Catalogs\\Work"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QLatin1String(
        "Are you sure you wish to delete the Object \"Work\" and any Objects it contains ?")));
    result = Run({u"info"_s, u"--json"_s});
    EXPECT_EQ(result.out, u"{\"version\":210,\"objects\":5,\"files\":0,\"bytes\":0}\n"_s);

    result = Run({u"--yes"_s, u"rm"_s, u"Catalogs"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(u"may not be deleted"_s));
}

TEST_F(CliObjectCommandsTest, PropertiesShowDetailsAndStatisticsOfObjectsAndFiles)
{
    CliResult result = Run({u"properties"_s, u"Catalogs\\Work"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(u"Type: Catalog Folder\n"_s));
    EXPECT_TRUE(result.out.contains(u"Disk Catalogs: 1\n"_s));
    EXPECT_TRUE(result.out.contains(u"Cataloged Files: 1\n"_s));

    result = Run({u"--json"_s, u"properties"_s, u"Catalogs\\Work\\Disk 1\\read me.txt"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(u"\"Name\":\"Read Me.txt\""_s));
    EXPECT_TRUE(result.out.contains(u"\"Stored in Catalog\":\"Disk 1\""_s));
    EXPECT_TRUE(result.out.contains(u"\"Attributes\":\"Archive\""_s));

    result = Run({u"--json"_s, u"properties"_s, QString()});
    EXPECT_TRUE(result.out.contains(u"\"Database Version\":\"210\""_s));
    EXPECT_TRUE(result.out.contains(u"\"name\":\"Dirvanta Files.db\""_s));
    EXPECT_EQ(Run({u"properties"_s, u"Catalogs\\Nothing"_s}).exitCode, 1);
}

TEST_F(CliObjectCommandsTest, CommentsReachObjectsAndFiles)
{
    CliResult result = Run({u"comment"_s, u"Catalogs\\Work\\Disk 1"_s, u"the blue one"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    result = Run({u"comment"_s, u"Catalogs\\Work\\Disk 1\\read me.txt"_s, u"start here"_s});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out,
              u"Comment of the file \"Catalogs\\Work\\Disk 1\\Read Me.txt\" stored\n"_s);
    const QString listing = Run({u"ls"_s, u"Catalogs\\Work"_s}).out;
    EXPECT_TRUE(listing.contains(u"the blue one"_s));
    EXPECT_TRUE(Run({u"ls"_s, u"Catalogs\\Work\\Disk 1"_s}).out.contains(u"start here"_s));

    result = Run({u"comment"_s, u"Catalogs\\Nothing"_s, u"x"_s});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(u"there is no \"Catalogs\\Nothing\""_s));
}

TEST_F(CliObjectCommandsTest, UsageMistakesAreRefusedBeforeAnythingRuns)
{
    EXPECT_EQ(Run({u"mv"_s, u"Catalogs\\Work"_s}).exitCode, 2);
    EXPECT_EQ(Run({u"mkdir"_s}).exitCode, 2);
    EXPECT_EQ(Run({u"empty-wastebasket"_s, u"x"_s}).exitCode, 2);
    const CliResult result = Run({u"--permanent"_s, u"mkdir"_s, u"Catalogs\\X"_s});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(u"--permanent goes with rm"_s));
    EXPECT_EQ(Run({u"--permanent"_s, u"ls"_s}).exitCode, 2);
}

// The pool through the tool alone: a drive, a volume added on it, listed
// with its figures, a second add refused by the disk's "Archives" folder,
// and the volume removed.
TEST_F(CliObjectCommandsTest, ThePoolIsBuiltAndListedFromTheCommandLine)
{
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
    EXPECT_EQ(volume[u"class"_s].toInt(), kEmptyArchiveVolumeClass + 2);
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
    EXPECT_EQ(Run({u"ls"_s, u"Catalogs"_s}).exitCode, 0);
    EXPECT_EQ(&UI(), &outer);
}
