#include "CliRunner.h"
#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "support/FakeDriveSystem.h"
#include "support/QtPrinters.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

// A database with Catalogs\Work\Disk 1 holding a file.
class CliObjectCommandsTest : public CliFixture
{
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        const double now = NowDayCount();
        MakeDatabase([&](TDataShare &data) {
            const qint64 work =
                AddCliObject(data, kCatalogsId, u"Work"_s, kCatalogFolderClass, now);
            const qint64 disk = AddCliObject(data, work, u"Disk 1"_s, kHardDiskClass, now, 10);
            AddCliFile(data, disk, u"Read Me.txt"_s, 10);
        });
    }

    FakeDriveSystem m_drives;
};

TEST_F(CliObjectCommandsTest, FoldersAreMadeMovedAndRefusedAsInTheWindow)
{
    EXPECT_EQ(OutputOf(Run({u"mkdir"_s, u"Catalogs\\Old/Disks"_s})),
              u"Created folder \"Catalogs\\Old Disks\"\n"_s);

    EXPECT_TRUE(FailedWith(Run({u"mkdir"_s, u"Catalogs\\work"_s}), u"already exists"_s));

    EXPECT_EQ(OutputOf(Run({u"mv"_s, u"Catalogs\\Work\\Disk 1"_s, u"Catalogs\\Old Disks"_s})),
              u"Moved to \"Catalogs\\Old Disks\\Disk 1\"\n"_s);

    EXPECT_TRUE(
        FailedWith(Run({u"mv"_s, u"Catalogs\\Old Disks"_s, u"Archives"_s}),
                   u"The Object \"Old Disks\" may not be moved to the location specified"_s));

    EXPECT_TRUE(
        FailedWith(Run({u"rename"_s, u"Catalogs\\Old Disks"_s, u"Work"_s}), u"already exists"_s));
    EXPECT_EQ(OutputOf(Run({u"rename"_s, u"Catalogs\\Old Disks\\Disk 1"_s, u"Disk One"_s})),
              u"Renamed to \"Catalogs\\Old Disks\\Disk One\"\n"_s);
    EXPECT_EQ(Run({u"rename"_s, u"Catalogs"_s, u"Other"_s}).exitCode, 1);
}

TEST_F(CliObjectCommandsTest, RemoveRestoreAndEmptyKeepEveryRowAccounted)
{
    // Without a terminal and without --yes the question is answered No.
    EXPECT_TRUE(FailedWith(
        Run({u"rm"_s, u"Catalogs\\Work\\Disk 1"_s}),
        u"Are you sure you wish to send the Disk Catalog \"Disk 1\" to the Wastebasket ?"_s));

    EXPECT_EQ(OutputOf(Run({u"--yes"_s, u"rm"_s, u"Catalogs\\Work\\Disk 1"_s})),
              u"Sent to \"Wastebasket\\Work\\Disk 1\"\n"_s);

    // A folder of the same name meanwhile: restoring asks before replacing.
    Run({u"mkdir"_s, u"Catalogs\\Work\\Disk 1"_s});
    EXPECT_TRUE(FailedWith(Run({u"restore"_s, u"Wastebasket\\Work\\Disk 1"_s}),
                           u"Existing: \"Disk 1\", Catalog Folder"_s));
    EXPECT_EQ(OutputOf(Run({u"--yes"_s, u"restore"_s, u"Wastebasket\\Work\\Disk 1"_s})),
              u"Restored \"Catalogs\\Work\\Disk 1\"\n"_s);

    EXPECT_TRUE(
        FailedWith(Run({u"restore"_s, u"Catalogs\\Work"_s}), u"is not in the Wastebasket"_s));

    EXPECT_TRUE(Succeeded(Run({u"--yes"_s, u"empty-wastebasket"_s})));
    EXPECT_TRUE(Names(u"Wastebasket"_s).isEmpty());
    EXPECT_EQ(Run({u"empty-wastebasket"_s}).out, u"The Wastebasket is empty\n"_s);

    const CliResult deleted = Run({u"--yes"_s, u"rm"_s, u"--permanent"_s, u"Catalogs\\Work"_s});
    EXPECT_TRUE(Succeeded(deleted));
    EXPECT_TRUE(deleted.err.contains(
        u"Are you sure you wish to delete the Object \"Work\" and any Objects it contains ?"_s));
    EXPECT_EQ(Info(), u"{\"version\":210,\"objects\":5,\"files\":0,\"bytes\":0}\n"_s);

    EXPECT_TRUE(FailedWith(Run({u"--yes"_s, u"rm"_s, u"Catalogs"_s}), u"may not be deleted"_s));
}

TEST_F(CliObjectCommandsTest, PropertiesAndCommentsReachObjectsAndFiles)
{
    CliResult result = Run({u"properties"_s, u"Catalogs\\Work"_s});
    EXPECT_TRUE(result.out.contains(u"Type: Catalog Folder\n"_s));
    EXPECT_TRUE(result.out.contains(u"Cataloged Files: 1\n"_s));

    result = Run({u"--json"_s, u"properties"_s, u"Catalogs\\Work\\Disk 1\\read me.txt"_s});
    EXPECT_TRUE(result.out.contains(u"\"Name\":\"Read Me.txt\""_s));
    EXPECT_TRUE(result.out.contains(u"\"Stored in Catalog\":\"Disk 1\""_s));

    result = Run({u"--json"_s, u"properties"_s, QString()});
    EXPECT_TRUE(result.out.contains(u"\"Database Version\":\"210\""_s));
    EXPECT_TRUE(result.out.contains(u"\"name\":\"Dirvanta Files.db\""_s));
    EXPECT_EQ(Run({u"properties"_s, u"Catalogs\\Nothing"_s}).exitCode, 1);

    // Comments reach objects and files.
    EXPECT_TRUE(Succeeded(Run({u"comment"_s, u"Catalogs\\Work\\Disk 1"_s, u"the blue one"_s})));
    EXPECT_EQ(
        OutputOf(Run({u"comment"_s, u"Catalogs\\Work\\Disk 1\\read me.txt"_s, u"start here"_s})),
        u"Comment of the file \"Catalogs\\Work\\Disk 1\\Read Me.txt\" stored\n"_s);
    const QString listing = Run({u"ls"_s, u"Catalogs\\Work"_s}).out;
    EXPECT_TRUE(listing.contains(u"the blue one"_s));
    EXPECT_TRUE(Run({u"ls"_s, u"Catalogs\\Work\\Disk 1"_s}).out.contains(u"start here"_s));

    EXPECT_TRUE(FailedWith(Run({u"comment"_s, u"Catalogs\\Nothing"_s, u"x"_s}),
                           u"there is no \"Catalogs\\Nothing\""_s));
}

// The pool and the archive through the tool alone, on a blank removable disk
// of 10 MB, 7.5 MB free: a volume added on it and listed with its figures, a
// second add refused by the disk's "Archives" folder, a folder archived onto
// it (a name taken in another case refused), and the volume removed.
TEST_F(CliObjectCommandsTest, ThePoolIsBuiltAndAFolderArchivedFromTheCommandLine)
{
    const QString mount = m_folder.filePath(u"media/blank"_s);
    QDir().mkpath(mount);
    FakeDriveSystem::Drive &drive = m_drives.Mount(mount, DriveKind::Removable, u"blank"_s);
    drive.totalBytes = 10'000'000;
    drive.freeBytes = 7'500'000;
    const QString source = m_folder.filePath(u"source"_s);
    QDir().mkpath(source + u"/sub"_s);
    QFile file(source + u"/sub/a.txt"_s);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("archived");
    file.close();

    EXPECT_EQ(Run({u"pool"_s, u"add"_s}).exitCode, 1);  // no drive yet
    EXPECT_EQ(Run({u"archive"_s, source}).exitCode, 1); // the pool is empty
    EXPECT_EQ(Run({u"pool"_s, u"drive"_s, mount}).exitCode, 0);
    EXPECT_EQ(OutputOf(Run({u"--yes"_s, u"pool"_s, u"add"_s})),
              u"Added Archive Volume 1 (DVARC0001)\n"_s);

    const QJsonObject pool =
        QJsonDocument::fromJson(Run({u"--json"_s, u"pool"_s}).out.toUtf8()).object();
    EXPECT_EQ(pool[u"drive"_s].toString(), mount);
    EXPECT_EQ(pool[u"volumes"_s].toArray().at(0).toObject(),
              (QJsonObject{{u"label"_s, u"DVARC0001"_s},
                           {u"name"_s, u"Archive Volume 1"_s},
                           {u"capacity"_s, 10'000'000},
                           {u"used"_s, 2'500'000},
                           {u"free"_s, 7'500'000},
                           {u"percent"_s, 25},
                           {u"class"_s, kEmptyArchiveVolumeClass + 2},
                           {u"sets"_s, 0}}));

    // Shown again after the failed check, the dialog is given up.
    EXPECT_TRUE(FailedWith(Run({u"--yes"_s, u"pool"_s, u"add"_s}), u"Unable to Create Folder"_s));
    // Another drive is refused unless the warning is agreed to.
    EXPECT_EQ(Run({u"pool"_s, u"drive"_s, m_folder.path()}).exitCode, 1);

    const CliResult result = Run({u"--json"_s, u"archive"_s, source, u"--name"_s, u"Old Work"_s,
                                  u"--comment"_s, u"done"_s, u"--store"_s});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject set = QJsonDocument::fromJson(result.out.toUtf8()).object();
    EXPECT_EQ(set[u"volume"_s].toString(), u"DVARC0001"_s);
    EXPECT_EQ(set[u"file"_s].toString(), mount + u"/Archives/Old Work.ZIP"_s);
    EXPECT_TRUE(QFileInfo::exists(mount + u"/Archives/Old Work.ZIP"_s));
    EXPECT_EQ(Names(u"Archives\\Old Work"_s), QStringList{u"sub"_s});
    EXPECT_TRUE(QFileInfo::exists(source + u"/sub/a.txt"_s));
    EXPECT_TRUE(
        FailedWith(Run({u"archive"_s, source, u"--name"_s, u"OLD WORK"_s}), u"Duplicate Name"_s));
    EXPECT_EQ(Run({u"archive"_s}).exitCode, 2);

    EXPECT_EQ(Run({u"pool"_s, u"remove"_s, u"dvarc0009"_s}).exitCode, 1);
    EXPECT_EQ(Run({u"pool"_s, u"remove"_s, u"dvarc0001"_s}).exitCode, 1) << "it holds a set";
    ASSERT_EQ(Run({u"--yes"_s, u"rm"_s, u"--permanent"_s, u"Archives\\Old Work"_s}).exitCode, 0);
    EXPECT_EQ(Run({u"pool"_s, u"remove"_s, u"dvarc0001"_s}).exitCode, 0);
    EXPECT_EQ(Run({u"pool"_s}).out, u"Drive: "_s + mount + u"\n"_s);
    EXPECT_EQ(Run({u"pool"_s, u"free"_s}).exitCode, 2);
    EXPECT_EQ(Run({u"pool"_s, u"merge"_s, u"x"_s}).exitCode, 2);
    EXPECT_EQ(Run({u"pool"_s, u"remove"_s}).exitCode, 2);
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
