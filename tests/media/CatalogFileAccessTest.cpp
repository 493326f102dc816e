#include "media/CatalogFileAccess.h"

#include "../archive/ArchiveTestFolder.h"
#include "../store/StoreFixture.h"
#include "archive/ExtractRestore.h"
#include "archive/ZipEngine.h"
#include "media/FilePackages.h"
#include "media/MediaScan.h"
#include "platform/FileTypes.h"
#include "platform/ProgressOperations.h"
#include "platform/ShellServices.h"
#include "platform/TemporaryFiles.h"
#include "store/CatalogSchema.h"
#include "support/FakeDriveSystem.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QMimeDatabase>
#include <QThread>

#include <sys/stat.h>

namespace {

// A desktop of the test's own: one application, a script that writes the
// arguments it was started with into a log, opens plain text and folders.
// The XDG variables point at it while it lives.
class TestDesktop
{
public:
    TestDesktop()
    {
        // The MIME database reads its folders once, before they move.
        QMimeDatabase().mimeTypeForName(QStringLiteral("text/plain"));
        m_folder.Write(QStringLiteral("opener.sh"),
                       "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"" +
                           Log().toUtf8() + "\"; done\n");
        QFile::setPermissions(Script(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_folder.Write(QStringLiteral("share/applications/opener.desktop"),
                       "[Desktop Entry]\nType=Application\nName=Opener\nExec=\"" +
                           Script().toUtf8() + "\" --file %f\n");
        m_folder.Write(QStringLiteral("config/mimeapps.list"),
                       "[Default Applications]\ntext/plain=opener.desktop\n"
                       "inode/directory=opener.desktop\n");
        m_folders.emplace(QDir::cleanPath(m_folder.Path(QStringLiteral("."))));
    }

    QString Script() const { return m_folder.Path(QStringLiteral("opener.sh")); }
    QString Log() const { return m_folder.Path(QStringLiteral("opened.log")); }

    // The arguments the application was started with, waiting for them a
    // while: it runs detached.
    QStringList Opened(int expectedLines)
    {
        QElapsedTimer timer;
        timer.start();
        QStringList lines;
        do {
            lines =
                QString::fromUtf8(ArchiveTestFolder::Read(Log())).split(u'\n', Qt::SkipEmptyParts);
            if (lines.size() >= expectedLines)
                break;
            QThread::msleep(20);
        } while (timer.elapsed() < 5000);
        QFile::remove(Log());
        return lines;
    }

private:
    ArchiveTestFolder m_folder;
    std::optional<ScopedDesktopFolders> m_folders;
};

} // namespace

class CatalogFileAccessTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_accessOwner = std::make_unique<TCatalogFileAccess>(*m_data, m_temporaryFiles);
        m_temporaryFolder.emplace("TMPDIR", m_temp.path());
        m_drives.Mount(Medium(), DriveKind::Removable, QStringLiteral("DISK7"));
        m_medium.Write(QStringLiteral("docs/notes.txt"), "notes");
        m_medium.Write(QStringLiteral("docs/NOTES.TXT"), "NOTES");
        m_medium.Write(QStringLiteral("odd.qqq"), QByteArray("\x00\x01\x02", 3));
        m_stage.Write(QStringLiteral("inner/Read Me.TXT"), "packed");
        m_stage.Write(QStringLiteral("inner/read me.txt"), "lower");
        // Cataloged in the folder "inner": folders of a package merge
        // without regard to letter case.
        m_stage.Write(QStringLiteral("INNER/upper.txt"), "upper");
        ASSERT_EQ(
            m_stage.Run(QStringLiteral("zip"),
                        {QStringLiteral("-qr"), m_medium.Path(QStringLiteral("docs/pack.zip")),
                         QStringLiteral("inner"), QStringLiteral("INNER")}),
            0);
        // A self-extracting program: a stub, then an archive with its offsets
        // adjusted by zip -A.
        m_stage.Write(QStringLiteral("setup/install.txt"), "install");
        ASSERT_EQ(m_stage.Run(QStringLiteral("zip"),
                              {QStringLiteral("-q"), QStringLiteral("-r"),
                               m_stage.Path(QStringLiteral("part.zip")), QStringLiteral("setup")}),
                  0);
        m_medium.Write(QStringLiteral("setup.exe"),
                       QByteArray(4000, '\x90') +
                           ArchiveTestFolder::Read(m_stage.Path(QStringLiteral("part.zip"))));
        ASSERT_EQ(m_stage.Run(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-A"),
                                                      m_medium.Path(QStringLiteral("setup.exe"))}),
                  0);
        m_data->RunInTransaction([&] {
            TMediaScanner scanner(*m_data, CatalogOptions{});
            TPackageAnalyser packages(scanner, *m_data);
            packages.AttachTo(Medium());
            m_catalogId = scanner.CreateCatalogObject(
                QStringLiteral("Stick"), Medium(), CatalogSchema::kCatalogsId,
                CatalogSchema::kRemovableDiskClass, QString(), QStringLiteral("DISK7"), 0, 0,
                NowDayCount(), NowDayCount());
            qint64 total = 0;
            scanner.ScanSource(Medium(), m_catalogId, total);
        });
    }
    void TearDown() override
    {
        m_temporaryFolder.reset();
        StoreFixture::TearDown();
    }

    QString Medium() const { return QDir::cleanPath(m_medium.Path(QStringLiteral("."))); }

    // The number of the row that a name is given in: a file's Key, an object's ID.
    qint64 NumberOf(const QString &sql, const QString &name)
    {
        SqliteStatement &query = m_data->CatalogDatabase.Prepare(sql);
        query.Bind(1, name);
        const qint64 number = query.Step() ? query.Int64(0) : -1;
        query.Reset();
        return number;
    }
    qint64 FileKey(const QString &name)
    {
        return NumberOf(QStringLiteral("SELECT Key FROM Files WHERE Name = ?1"), name);
    }
    qint64 ObjectId(const QString &name)
    {
        return NumberOf(QStringLiteral("SELECT ID FROM Catalogs WHERE Name = ?1"), name);
    }

    QTemporaryDir m_temp;
    std::optional<ScopedEnvironment> m_temporaryFolder;
    ArchiveTestFolder m_medium;
    ArchiveTestFolder m_stage;
    FakeDriveSystem m_drives;
    TestDesktop m_desktop;
    TemporaryFileList m_temporaryFiles;
    std::unique_ptr<TCatalogFileAccess> m_accessOwner;
    TCatalogFileAccess &Access() { return *m_accessOwner; }
    qint64 m_catalogId = 0;
};

TEST_F(CatalogFileAccessTest, FilesOpenWithTheDefaultApplicationOrTheQuickViewer)
{
    // Two files whose names differ only in letter case: each opens itself.
    const QString notes = Medium() + QStringLiteral("/docs/notes.txt");
    EXPECT_TRUE(Access().OpenFile(FileKey(QStringLiteral("notes.txt")), false));
    EXPECT_EQ(m_desktop.Opened(2), (QStringList{QStringLiteral("--file"), notes}));

    EXPECT_TRUE(Access().OpenFile(FileKey(QStringLiteral("NOTES.TXT")), true));
    EXPECT_EQ(m_ui.TakeQuickViews(), QStringList{Medium() + QStringLiteral("/docs/NOTES.TXT")});
    m_ui.SetQuickViewWorks(false);
    EXPECT_FALSE(Access().OpenFile(FileKey(QStringLiteral("notes.txt")), true));
    const RecordedMessage refused = m_ui.TakeSingleMessage();
    EXPECT_EQ(refused.caption, QStringLiteral("Quick View"));
    EXPECT_EQ(refused.text,
              QStringLiteral("Unable to locate the Quick View Application. Function terminated."));
    m_ui.TakeQuickViews();

    // No application for the type: the user picks a program.
    const QString odd = Medium() + QStringLiteral("/odd.qqq");
    m_ui.QueueFileName(m_desktop.Script());
    EXPECT_TRUE(Access().OpenFile(FileKey(QStringLiteral("odd.qqq")), false));
    EXPECT_EQ(m_desktop.Opened(1), QStringList{odd});
}

TEST_F(CatalogFileAccessTest, AMissingFileOrMediumIsReported)
{
    QFile::remove(m_medium.Path(QStringLiteral("docs/notes.txt")));
    EXPECT_FALSE(Access().OpenFile(FileKey(QStringLiteral("notes.txt")), false));
    const RecordedMessage missing = m_ui.TakeSingleMessage();
    EXPECT_EQ(missing.caption, QStringLiteral("File Not Found"));
    EXPECT_EQ(missing.text, QStringLiteral("Dirvanta was unable to locate \"") + Medium() +
                                QStringLiteral("/docs/notes.txt\" on Catalog \"Stick\"\n\n"
                                               "The file may have been deleted from the Cataloged "
                                               "Media. It is recommended that you perform a "
                                               "Catalog Update to re-synchronize the Catalog"));

    // Another disk in the drive: the device check asks, the user gives up.
    m_drives.At(Medium()).label = QStringLiteral("OTHER");
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(Access().OpenFile(FileKey(QStringLiteral("notes.txt")), false));
    EXPECT_EQ(m_desktop.Opened(0), QStringList{});
}

TEST_F(CatalogFileAccessTest, PackagedFilesAreExtractedToTemporaryCopies)
{
    // The copies go to a folder of the program's own, open to its user alone.
    const QString folder = PrivateTemporaryFolder();
    EXPECT_NE(QDir(folder), QDir(QDir::tempPath()));
    struct stat status;
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    const qint64 key = FileKey(QStringLiteral("Read Me.TXT"));
    ASSERT_GT(key, 0);
    const QString copy = QDir(folder).filePath(QStringLiteral("Read Me.TXT"));
    EXPECT_TRUE(Access().OpenFile(key, false));
    EXPECT_EQ(m_desktop.Opened(2), (QStringList{QStringLiteral("--file"), copy}));
    EXPECT_EQ(ArchiveTestFolder::Read(copy), QByteArray("packed"));
    // A member whose name differs only in letter case is its own file.
    EXPECT_TRUE(Access().OpenFile(FileKey(QStringLiteral("read me.txt")), true));
    EXPECT_EQ(ArchiveTestFolder::Read(QDir(folder).filePath(QStringLiteral("read me.txt"))),
              QByteArray("lower"));
    EXPECT_TRUE(Access().OpenFile(FileKey(QStringLiteral("upper.txt")), true));
    EXPECT_EQ(ArchiveTestFolder::Read(QDir(folder).filePath(QStringLiteral("upper.txt"))),
              QByteArray("upper"));
    m_ui.TakeQuickViews();
    EXPECT_EQ(m_temporaryFiles.Files().first(), copy);

    // A second time the earlier copy is there: the user keeps it.
    m_ui.QueueAnswer(MessageAnswer::No);
    EXPECT_FALSE(Access().OpenFile(key, true));
    const RecordedMessage question = m_ui.TakeSingleMessage();
    EXPECT_EQ(question.caption, QStringLiteral("File Already Exists"));
    EXPECT_EQ(question.text, u'"' + copy +
                                 QStringLiteral("\" is already present.\n\nDo you wish to replace "
                                                "it with the Extracted version ?"));
    EXPECT_TRUE(m_ui.TakeQuickViews().isEmpty());

    m_temporaryFiles.DeleteAll();
    EXPECT_FALSE(QFileInfo::exists(copy));

    // The package is gone from the medium.
    QFile::remove(m_medium.Path(QStringLiteral("docs/pack.zip")));
    EXPECT_FALSE(Access().OpenFile(key, false));
    const RecordedMessage failed = m_ui.TakeSingleMessage();
    EXPECT_EQ(failed.caption, QStringLiteral("Error Extracting File"));
    EXPECT_EQ(failed.text,
              QStringLiteral("An Unknown Error occurred when extracting \"Read Me.TXT\"."
                             "\n\nThe request has been terminated"));
}

namespace {

ListEntry ObjectEntry(qint64 id, int cls)
{
    return ListEntry{QString(), id, cls, {}};
}

} // namespace

TEST_F(CatalogFileAccessTest, ItemsOfCatalogedPackagesAreExtractedWithTheirFolders)
{
    const qint64 readMe = FileKey(QStringLiteral("read me.txt"));
    const QList<ListEntry> folderAndFile = {
        ObjectEntry(ObjectId(QStringLiteral("inner")), CatalogSchema::kPackagedFolderClass),
        ListEntry{QStringLiteral("read me.txt"), readMe, kFirstFileImage, {}}};
    const std::optional<ExtractRequest> request = BuildExtractRequest(*m_data, folderAndFile, true);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->packagePath, Medium() + QStringLiteral("/docs/pack.zip"));
    EXPECT_EQ(request->itemSpecifications,
              (QStringList{QStringLiteral("inner/*.*"), QStringLiteral("inner/read me.txt")}));

    // The folders the catalog merged come out as the package has them.
    const QString into = m_temp.filePath(QStringLiteral("out"));
    EXPECT_EQ(
        RunExtractRequest(*m_data, *request, {QStringLiteral(" ") + into, false}, m_settings.get()),
        ExtractOutcome::Done);
    EXPECT_EQ(ArchiveTestFolder::Read(into + QStringLiteral("/inner/Read Me.TXT")), "packed");
    EXPECT_EQ(ArchiveTestFolder::Read(into + QStringLiteral("/INNER/upper.txt")), "upper");
    EXPECT_EQ(ReadExtractOptions(*m_settings).folder, into);
    EXPECT_EQ(m_ui.ProgressOperations().back(), ProgressOperation::ExtractFiles);

    // "Duplicate File": Yes to All asks once, Abort ends the request as done.
    QFile changed(into + QStringLiteral("/inner/read me.txt"));
    ASSERT_TRUE(changed.open(QIODevice::WriteOnly) && changed.write("changed") == 7);
    changed.close();
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::YesToAll);
    EXPECT_EQ(RunExtractRequest(*m_data, *request, {into, false}, nullptr), ExtractOutcome::Done);
    EXPECT_EQ(m_ui.TakeDuplicateQuestions().size(), 1);
    EXPECT_EQ(ArchiveTestFolder::Read(into + QStringLiteral("/inner/read me.txt")), "lower");
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::Abort);
    EXPECT_EQ(RunExtractRequest(*m_data, *request, {into, false}, nullptr),
              ExtractOutcome::Cancelled);
    EXPECT_EQ(m_ui.TakeDuplicateQuestions().size(), 1);
    const RecordedMessage cancelled = m_ui.TakeSingleMessage();
    EXPECT_EQ(cancelled.caption, QStringLiteral("Extact Cancelled"));
    EXPECT_EQ(cancelled.text, QStringLiteral("The Extact was cancelled by the User"));

    // Of two packages the last one's is taken; a file outside any gives nothing.
    const QList<ListEntry> twoPackages = {
        ObjectEntry(ObjectId(QStringLiteral("pack.zip")), CatalogSchema::kPackageClass),
        ListEntry{
            QStringLiteral("notes.txt"), FileKey(QStringLiteral("notes.txt")), kFirstFileImage, {}},
        ObjectEntry(ObjectId(QStringLiteral("setup.exe")), CatalogSchema::kPackageClass)};
    const std::optional<ExtractRequest> last = BuildExtractRequest(*m_data, twoPackages, true);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->itemSpecifications,
              (QStringList{QStringLiteral("*.*"), QStringLiteral("*.*")}));
    const QString other = m_temp.filePath(QStringLiteral("other"));
    EXPECT_EQ(RunExtractRequest(*m_data, *last, {other, true}, nullptr), ExtractOutcome::Done);
    EXPECT_EQ(QDir(other).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("setup")});
    EXPECT_EQ(ArchiveTestFolder::Read(other + QStringLiteral("/setup/install.txt")), "install");

    EXPECT_FALSE(BuildExtractRequest(*m_data, {twoPackages[1]}, true));
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Invalid Format"));
}

TEST_F(CatalogFileAccessTest, APackageDeletedSinceCataloguingIsReportedAndNothingExtracted)
{
    const std::optional<ExtractRequest> request = BuildExtractRequest(
        *m_data, {ObjectEntry(ObjectId(QStringLiteral("pack.zip")), CatalogSchema::kPackageClass)},
        true);
    ASSERT_TRUE(request);
    QFile::remove(m_medium.Path(QStringLiteral("docs/pack.zip")));
    const QString into = m_temp.filePath(QStringLiteral("out"));
    EXPECT_EQ(RunExtractRequest(*m_data, *request, {into, false}, m_settings.get()),
              ExtractOutcome::PackageMissing);
    const RecordedMessage missing = m_ui.TakeSingleMessage();
    EXPECT_EQ(missing.caption, QStringLiteral("File Error"));
    EXPECT_EQ(missing.text, QStringLiteral("Dirvanta was unable to locate the original File "
                                           "Package \"") +
                                Medium() +
                                QStringLiteral("/docs/pack.zip\"\n\nPlease check that this file "
                                               "has not been deleted since the Catalog was "
                                               "perfromed"));
    EXPECT_FALSE(QFileInfo::exists(into));
    EXPECT_TRUE(ReadExtractOptions(*m_settings).folder.isEmpty());
}

TEST_F(CatalogFileAccessTest, ExploreShowsFoldersOfCatalogsAndScannedFolders)
{
    EXPECT_TRUE(Access().ExploreObject(m_catalogId));
    EXPECT_EQ(m_desktop.Opened(2), (QStringList{QStringLiteral("--file"), Medium()}));
    EXPECT_TRUE(Access().ExploreObject(ObjectId(QStringLiteral("docs"))));
    EXPECT_EQ(m_desktop.Opened(2),
              (QStringList{QStringLiteral("--file"), Medium() + QStringLiteral("/docs")}));
    // A package is no folder on the medium.
    EXPECT_FALSE(Access().ExploreObject(ObjectId(QStringLiteral("pack.zip"))));
    EXPECT_EQ(m_desktop.Opened(0), QStringList{});
}

TEST(DesktopExecTest, ExecLinesBecomeArguments)
{
    const QString file = QStringLiteral("/m/a b.txt");
    struct Case
    {
        const char *exec;
        std::vector<const char *> expected;
    };
    const Case cases[] = {
        {"editor %f", {"editor", "/m/a b.txt"}},
        {"editor %U --new", {"editor", "file:///m/a%20b.txt", "--new"}},
        {"\"/opt/My App/run\" --open=%f %i %c", {"/opt/My App/run", "--open=/m/a b.txt"}},
        {"viewer", {"viewer", "/m/a b.txt"}},
        {"say \"a \\\"quoted\\\" word\" 100%% %F",
         {"say", "a \"quoted\" word", "100%", "/m/a b.txt"}},
        {"broken \"quote", {}},
        {"", {}},
    };
    for (const Case &row : cases) {
        QStringList expected;
        for (const char *argument : row.expected)
            expected << QString::fromUtf8(argument);
        EXPECT_EQ(DesktopExecArguments(QString::fromUtf8(row.exec), file), expected) << row.exec;
    }
}
