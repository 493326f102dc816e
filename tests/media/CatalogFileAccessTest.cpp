#include "media/CatalogFileAccess.h"

#include "../archive/ArchiveTestFolder.h"
#include "../store/StoreFixture.h"
#include "archive/ExtractRestore.h"
#include "archive/ZipEngine.h"
#include "media/CatalogMedia.h"
#include "platform/FileTypes.h"
#include "platform/MediumName.h"
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

#include <fstream>

using namespace Qt::StringLiterals;

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
        QMimeDatabase().mimeTypeForName(u"text/plain"_s);
        m_folder.Write(u"opener.sh"_s,
                       "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"" +
                           Log().toUtf8() + "\"; done\n");
        QFile::setPermissions(Script(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_folder.Write(u"share/applications/opener.desktop"_s,
                       "[Desktop Entry]\nType=Application\nName=Opener\nExec=\"" +
                           Script().toUtf8() + "\" --file %f\n");
        m_folder.Write(u"config/mimeapps.list"_s,
                       "[Default Applications]\ntext/plain=opener.desktop\n"
                       "inode/directory=opener.desktop\n");
        m_folders.emplace(QDir::cleanPath(m_folder.Path(u"."_s)));
    }

    QString Script() const { return m_folder.Path(u"opener.sh"_s); }
    QString Log() const { return m_folder.Path(u"opened.log"_s); }

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
        m_access.emplace(*m_data, m_temporaryFiles);
        m_temporaryFolder.emplace("TMPDIR", m_temp.path());
        m_drives.Mount(Medium(), DriveKind::Removable, u"DISK7"_s);
        m_medium.Write(u"docs/notes.txt"_s, "notes");
        m_medium.Write(u"docs/NOTES.TXT"_s, "NOTES");
        m_medium.Write(u"odd.qqq"_s, QByteArray("\x00\x01\x02", 3));
        // A name that is not UTF-8, written by its bytes.
        std::ofstream(QFile::encodeName(Medium()).toStdString() + "/caf\xe9.txt") << "latin";
        m_stage.Write(u"inner/Read Me.TXT"_s, "packed");
        m_stage.Write(u"inner/read me.txt"_s, "lower");
        // Cataloged in the folder "inner": folders of a package merge
        // without regard to letter case.
        m_stage.Write(u"INNER/upper.txt"_s, "upper");
        m_stage.Zip({u"-r"_s, m_medium.Path(u"docs/pack.zip"_s), u"inner"_s, u"INNER"_s});
        m_stage.Write(u"setup/install.txt"_s, "install");
        m_stage.ZipSelfExtracting(m_medium.Path(u"setup.exe"_s), {u"setup"_s});
        ASSERT_TRUE(CatalogMedia(
            *m_data, CatalogOptions{},
            {Medium(), u"Stick"_s, CatalogSchema::kCatalogsId, u"DISK7"_s, u"DISK7"_s, QString()},
            &m_catalogId));
    }
    QString Medium() const { return QDir::cleanPath(m_medium.Path(u"."_s)); }

    // The number of the row that a name is given in: a file's Key, an object's ID.
    qint64 FileKey(const QString &name)
    {
        return CountRows(u"SELECT Key FROM Files WHERE Name = '%1'"_s.arg(name));
    }
    qint64 ObjectId(const QString &name)
    {
        return CountRows(u"SELECT ID FROM Catalogs WHERE Name = '%1'"_s.arg(name));
    }

    QTemporaryDir m_temp;
    std::optional<ScopedEnvironment> m_temporaryFolder;
    ArchiveTestFolder m_medium;
    ArchiveTestFolder m_stage;
    FakeDriveSystem m_drives;
    TestDesktop m_desktop;
    TemporaryFileList m_temporaryFiles;
    std::optional<TCatalogFileAccess> m_access;
    qint64 m_catalogId = 0;
};

TEST_F(CatalogFileAccessTest, FilesOpenAndFoldersAreExploredUnlessMissingOrNotInTheDrive)
{
    // Two files whose names differ only in letter case: each opens itself.
    const QString notes = Medium() + u"/docs/notes.txt"_s;
    EXPECT_TRUE(m_access->OpenFile(FileKey(u"notes.txt"_s), false));
    EXPECT_EQ(m_desktop.Opened(2), (QStringList{u"--file"_s, notes}));

    EXPECT_TRUE(m_access->OpenFile(FileKey(u"NOTES.TXT"_s), true));
    EXPECT_EQ(m_ui.TakeQuickViews(), QStringList{Medium() + u"/docs/NOTES.TXT"_s});
    m_ui.SetQuickViewWorks(false);
    EXPECT_FALSE(m_access->OpenFile(FileKey(u"notes.txt"_s), true));
    const RecordedMessage refused = m_ui.TakeSingleMessage();
    EXPECT_EQ(refused.caption, u"Quick View"_s);
    EXPECT_EQ(refused.text, u"Unable to locate the Quick View Application. Function terminated."_s);
    m_ui.TakeQuickViews();

    // No application for the type: the user picks a program.
    const QString odd = Medium() + u"/odd.qqq"_s;
    m_ui.QueueFileName(m_desktop.Script());
    EXPECT_TRUE(m_access->OpenFile(FileKey(u"odd.qqq"_s), false));
    EXPECT_EQ(m_desktop.Opened(1), QStringList{odd});

    // A name that is not UTF-8 reaches the application through a link with
    // a text name in the private temporary folder.
    EXPECT_TRUE(m_access->OpenFile(FileKey(MediumNameText("caf\xe9.txt")), false));
    const QStringList link = m_desktop.Opened(2);
    ASSERT_EQ(link.size(), 2);
    EXPECT_TRUE(link[1].startsWith(PrivateTemporaryFolder())) << link[1].toStdString();
    EXPECT_EQ(ArchiveTestFolder::Read(link[1]), "latin");

    // Folders of catalogs and scanned folders are explored; a package is no
    // folder on the medium.
    EXPECT_TRUE(m_access->ExploreObject(m_catalogId));
    EXPECT_EQ(m_desktop.Opened(2), (QStringList{u"--file"_s, Medium()}));
    EXPECT_TRUE(m_access->ExploreObject(ObjectId(u"docs"_s)));
    EXPECT_EQ(m_desktop.Opened(2), (QStringList{u"--file"_s, Medium() + u"/docs"_s}));
    EXPECT_FALSE(m_access->ExploreObject(ObjectId(u"pack.zip"_s)));
    EXPECT_EQ(m_desktop.Opened(0), QStringList{});

    // A file gone from the medium is reported.
    QFile::remove(m_medium.Path(u"docs/notes.txt"_s));
    EXPECT_FALSE(m_access->OpenFile(FileKey(u"notes.txt"_s), false));
    const RecordedMessage missing = m_ui.TakeSingleMessage();
    EXPECT_EQ(missing.caption, u"File Not Found"_s);
    EXPECT_EQ(missing.text, u"Dirvanta was unable to locate \""_s + Medium() +
                                u"/docs/notes.txt\" on Catalog \"Stick\"\n\n"
                                "The file may have been deleted from the Cataloged "
                                "Media. It is recommended that you perform a "
                                "Catalog Update to re-synchronize the Catalog"_s);

    // Another disk in the drive: the device check asks, the user gives up.
    m_drives.At(Medium()).label = u"OTHER"_s;
    m_ui.QueueDeviceCheck(false);
    EXPECT_FALSE(m_access->OpenFile(FileKey(u"notes.txt"_s), false));
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
    const qint64 key = FileKey(u"Read Me.TXT"_s);
    ASSERT_GT(key, 0);
    const QString copy = QDir(folder).filePath(u"Read Me.TXT"_s);
    EXPECT_TRUE(m_access->OpenFile(key, false));
    EXPECT_EQ(m_desktop.Opened(2), (QStringList{u"--file"_s, copy}));
    EXPECT_EQ(ArchiveTestFolder::Read(copy), QByteArray("packed"));
    // A member whose name differs only in letter case is its own file.
    EXPECT_TRUE(m_access->OpenFile(FileKey(u"read me.txt"_s), true));
    EXPECT_EQ(ArchiveTestFolder::Read(QDir(folder).filePath(u"read me.txt"_s)),
              QByteArray("lower"));
    EXPECT_TRUE(m_access->OpenFile(FileKey(u"upper.txt"_s), true));
    EXPECT_EQ(ArchiveTestFolder::Read(QDir(folder).filePath(u"upper.txt"_s)), QByteArray("upper"));
    m_ui.TakeQuickViews();
    EXPECT_EQ(m_temporaryFiles.Files().first(), copy);

    // A second time the earlier copy is there: the user keeps it.
    m_ui.QueueAnswer(MessageAnswer::No);
    EXPECT_FALSE(m_access->OpenFile(key, true));
    const RecordedMessage question = m_ui.TakeSingleMessage();
    EXPECT_EQ(question.caption, u"File Already Exists"_s);
    EXPECT_EQ(question.text, u'"' + copy +
                                 u"\" is already present.\n\nDo you wish to replace "
                                 "it with the Extracted version ?"_s);
    EXPECT_TRUE(m_ui.TakeQuickViews().isEmpty());

    m_temporaryFiles.DeleteAll();
    EXPECT_FALSE(QFileInfo::exists(copy));

    // The package is gone from the medium.
    QFile::remove(m_medium.Path(u"docs/pack.zip"_s));
    EXPECT_FALSE(m_access->OpenFile(key, false));
    const RecordedMessage failed = m_ui.TakeSingleMessage();
    EXPECT_EQ(failed.caption, u"Error Extracting File"_s);
    EXPECT_EQ(failed.text, u"An Unknown Error occurred when extracting \"Read Me.TXT\"."
                           "\n\nThe request has been terminated"_s);
}

namespace {

ListEntry ObjectEntry(qint64 id, int cls)
{
    return ListEntry{QString(), id, cls, {}};
}

} // namespace

TEST_F(CatalogFileAccessTest, PackagedItemsAreExtractedWithTheirFoldersOrTheMissingPackageNamed)
{
    const qint64 readMe = FileKey(u"read me.txt"_s);
    const QList<ListEntry> folderAndFile = {
        ObjectEntry(ObjectId(u"inner"_s), CatalogSchema::kPackagedFolderClass),
        ListEntry{u"read me.txt"_s, readMe, kFirstFileImage, {}}};
    const std::optional<ExtractRequest> request = BuildExtractRequest(*m_data, folderAndFile, true);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->packagePath, Medium() + u"/docs/pack.zip"_s);
    EXPECT_EQ(request->itemSpecifications, (QStringList{u"inner/*.*"_s, u"inner/read me.txt"_s}));

    // The folders the catalog merged come out as the package has them.
    const QString into = m_temp.filePath(u"out"_s);
    EXPECT_EQ(RunExtractRequest(*m_data, *request, {u" "_s + into, false}, m_settings.get()),
              ExtractOutcome::Done);
    EXPECT_EQ(ArchiveTestFolder::Read(into + u"/inner/Read Me.TXT"_s), "packed");
    EXPECT_EQ(ArchiveTestFolder::Read(into + u"/INNER/upper.txt"_s), "upper");
    EXPECT_EQ(ReadExtractOptions(*m_settings).folder, into);
    EXPECT_EQ(m_ui.ProgressOperations().back(), ProgressOperation::ExtractFiles);

    // "Duplicate File": Yes to All asks once, Abort ends the request as done.
    ArchiveTestFolder::WriteAt(into + u"/inner/read me.txt"_s, "changed");
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::YesToAll);
    EXPECT_EQ(RunExtractRequest(*m_data, *request, {into, false}, nullptr), ExtractOutcome::Done);
    EXPECT_EQ(m_ui.TakeDuplicateQuestions().size(), 1);
    EXPECT_EQ(ArchiveTestFolder::Read(into + u"/inner/read me.txt"_s), "lower");
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::Abort);
    EXPECT_EQ(RunExtractRequest(*m_data, *request, {into, false}, nullptr),
              ExtractOutcome::Cancelled);
    EXPECT_EQ(m_ui.TakeDuplicateQuestions().size(), 1);
    const RecordedMessage cancelled = m_ui.TakeSingleMessage();
    EXPECT_EQ(cancelled.caption, u"Extact Cancelled"_s);
    EXPECT_EQ(cancelled.text, u"The Extact was cancelled by the User"_s);

    // Of two packages the last one's is taken; a file outside any gives nothing.
    const QList<ListEntry> twoPackages = {
        ObjectEntry(ObjectId(u"pack.zip"_s), CatalogSchema::kPackageClass),
        ListEntry{u"notes.txt"_s, FileKey(u"notes.txt"_s), kFirstFileImage, {}},
        ObjectEntry(ObjectId(u"setup.exe"_s), CatalogSchema::kPackageClass)};
    const std::optional<ExtractRequest> last = BuildExtractRequest(*m_data, twoPackages, true);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->itemSpecifications, (QStringList{u"*.*"_s, u"*.*"_s}));
    const QString other = m_temp.filePath(u"other"_s);
    EXPECT_EQ(RunExtractRequest(*m_data, *last, {other, true}, nullptr), ExtractOutcome::Done);
    EXPECT_EQ(QDir(other).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{u"setup"_s});
    EXPECT_EQ(ArchiveTestFolder::Read(other + u"/setup/install.txt"_s), "install");

    EXPECT_FALSE(BuildExtractRequest(*m_data, {twoPackages[1]}, true));
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid Format"_s);

    // A package deleted since the catalog is reported; nothing is extracted
    // and the folder is not remembered.
    QFile::remove(m_medium.Path(u"docs/pack.zip"_s));
    const QString gone = m_temp.filePath(u"gone"_s);
    EXPECT_EQ(RunExtractRequest(*m_data, *request, {gone, false}, m_settings.get()),
              ExtractOutcome::PackageMissing);
    const RecordedMessage missing = m_ui.TakeSingleMessage();
    EXPECT_EQ(missing.caption, u"File Error"_s);
    EXPECT_EQ(missing.text, u"Dirvanta was unable to locate the original File "
                            "Package \""_s +
                                Medium() +
                                u"/docs/pack.zip\"\n\nPlease check that this file "
                                "has not been deleted since the Catalog was "
                                "perfromed"_s);
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_EQ(ReadExtractOptions(*m_settings).folder, into);
}

TEST(DesktopExecTest, ExecLinesBecomeArguments)
{
    const QString file = u"/m/a b.txt"_s;
    const std::pair<const char *, std::vector<const char *>> cases[] = {
        {"editor %f", {"editor", "/m/a b.txt"}},
        {"editor %U --new", {"editor", "file:///m/a%20b.txt", "--new"}},
        {"\"/opt/My App/run\" --open=%f %i %c", {"/opt/My App/run", "--open=/m/a b.txt"}},
        {"viewer", {"viewer", "/m/a b.txt"}},
        {"say \"a \\\"quoted\\\" word\" 100%% %F",
         {"say", "a \"quoted\" word", "100%", "/m/a b.txt"}},
        {"broken \"quote", {}},
        {"", {}},
    };
    for (const auto &[exec, arguments] : cases) {
        QStringList expected;
        for (const char *argument : arguments)
            expected << QString::fromUtf8(argument);
        EXPECT_EQ(DesktopExecArguments(QString::fromUtf8(exec), file), expected) << exec;
    }
}
