#include "CliRunner.h"
#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "support/FakeDriveSystem.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

// A database with Catalogs\Work\Disk 1 holding a file, and a medium, a
// fixed disk labelled DATA, holding a file and a folder with a file.
class CliObjectCommandsTest : public CliFixture
{
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        m_medium = m_folder.filePath(u"medium"_s);
        QDir().mkpath(m_medium + u"/Sub"_s);
        for (const char *name : {"A.TXT", "Sub/b.dat"}) {
            QFile file(m_medium + u'/' + QLatin1String(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("12345");
        }
        m_drives.Mount(m_medium, DriveKind::Fixed, u"DATA"_s);
        const double now = NowDayCount();
        MakeDatabase([&](TDataShare &data) {
            const qint64 work =
                AddCliObject(data, kCatalogsId, u"Work"_s, kCatalogFolderClass, now);
            const qint64 disk = AddCliObject(data, work, u"Disk 1"_s, kHardDiskClass, now, 10);
            AddCliFile(data, disk, u"Read Me.txt"_s, 10);
        });
    }

    FakeDriveSystem m_drives;
    QString m_medium;
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

TEST_F(CliObjectCommandsTest, CatalogsUnderAUniqueNameAndRefusesWhatTheDialogRefuses)
{
    CliResult result = Run({u"catalog"_s, m_medium});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(u"\"Catalogs\\New Disk Catalog\""_s));
    result = Run({u"catalog"_s, m_medium});
    EXPECT_TRUE(result.out.contains(u"\"Catalogs\\New Disk Catalog (2)\""_s));

    const QString ram = m_folder.filePath(u"ram"_s);
    QDir().mkpath(ram);
    m_drives.Mount(ram, DriveKind::RamDisk);
    const std::pair<QStringList, QString> refused[] = {
        {{m_medium, u"--name"_s, u"new disk catalog"_s}, u"Duplicate Description"_s},
        {{m_medium, u"--name"_s, u"a.b"_s}, u"Invalid Character"_s},
        {{m_medium, u"--name"_s, u" "_s}, u"Catalog Description Required"_s},
        {{m_medium, u"--into"_s, u"Catalogs\\Nope"_s}, u"Catalogs\\Nope"_s},
        // A folder that is not there is a disk that is not in.
        {{m_medium + u"/nowhere"_s}, u"The Drive is not ready"_s},
        {{ram}, u"Unsupported Device"_s},
    };
    for (const auto &[arguments, reason] : refused)
        EXPECT_TRUE(FailedWith(Run(QStringList{u"catalog"_s} + arguments), reason))
            << reason.toStdString();
    EXPECT_EQ(Run({u"catalog"_s}).exitCode, 2);
    EXPECT_EQ(Run({u"info"_s, u"--no-zip"_s}).exitCode, 2);
    EXPECT_TRUE(Info().contains(u"\"objects\":11,"_s)) << "the refused runs left nothing";
}

TEST_F(CliObjectCommandsTest, UpdateRebuildsAndRefusesWhatIsNoDiskCatalog)
{
    ASSERT_EQ(Run({u"catalog"_s, m_medium, u"--name"_s, u"Disk"_s}).exitCode, 0);
    QFile extra(m_medium + u"/new.txt"_s);
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.write("1");
    extra.close();
    EXPECT_TRUE(Succeeded(Run({u"update"_s, u"Catalogs\\Disk"_s})));
    EXPECT_TRUE(Info().contains(u"\"files\":4,\"bytes\":21"_s));
    EXPECT_EQ(Run({u"update"_s, u"Catalogs"_s}).exitCode, 1);

    // The medium is gone: without a terminal the check gives up at once.
    m_drives.Eject(m_medium);
    EXPECT_EQ(Run({u"update"_s, u"Catalogs\\Disk"_s}).exitCode, 1);
    EXPECT_TRUE(Info().contains(u"\"files\":4,\"bytes\":21"_s));
}

TEST_F(CliObjectCommandsTest, ExtractTakesAPackagedFolderWithItsSubtree)
{
    QProcess zip;
    zip.setWorkingDirectory(m_medium);
    zip.start(u"zip"_s, {u"-qr"_s, u"pack.zip"_s, u"Sub"_s});
    ASSERT_TRUE(zip.waitForFinished() && zip.exitCode() == 0);
    ASSERT_EQ(Run({u"catalog"_s, m_medium, u"--name"_s, u"Disk"_s}).exitCode, 0);
    const QString folder = u"Catalogs\\Disk\\pack.zip\\Sub"_s;
    const QString into = m_folder.filePath(u"out"_s);
    EXPECT_EQ(OutputOf(Run({u"extract"_s, folder, into})),
              u"Extracted \""_s + folder + u"\" into "_s + into + u'\n');
    QFile copy(into + u"/Sub/b.dat"_s);
    ASSERT_TRUE(copy.open(QIODevice::ReadWrite));
    EXPECT_EQ(copy.readAll(), "12345");
    copy.resize(0);
    copy.close();

    // The file is there now: --overwrite replaces it without asking.
    const CliResult result = Run({u"--json"_s, u"extract"_s, folder, into, u"--overwrite"_s});
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "12345");
    EXPECT_EQ(result.out, u"{\"destination\":\""_s + into +
                              u"\",\"items\":[\"Sub/*.*\"],\"package\":\""_s + m_medium +
                              u"/pack.zip\",\"result\":\"done\"}\n"_s);

    EXPECT_TRUE(FailedWith(Run({u"restore"_s, folder, into}), u"lies in no archive set"_s));
    EXPECT_EQ(Run({u"extract"_s, folder}).exitCode, 2);
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
