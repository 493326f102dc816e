#include "archive/ArchiveCreation.h"

#include "ArchivePoolFixture.h"
#include "ArchiveTestFolder.h"
#include "archive/ExtractRestore.h"
#include "platform/Drives.h"
#include "platform/ProgressOperations.h"
#include "platform/ShellIntegration.h"
#include "store/CatalogSchema.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;
using CatalogSchema::kArchiveSetClass;
using CatalogSchema::kArchivesId;
using CatalogSchema::kVolumePoolId;

namespace {

const QString kSetRows = u"SELECT COUNT(*) FROM Catalogs WHERE Class = %1"_s.arg(kArchiveSetClass);

// The checks of OK, in their order; none needs a volume.
using ArchiveRequestCheckTest = ArchivePoolFixture;

TEST_F(ArchiveRequestCheckTest, ChecksComeInTheirOrderAndRefuseADuplicateInAnyCase)
{
    const QString folder = m_folder.path();
    AddSetRow(0, u"Photos 2026"_s);
    ArchiveRequest request;
    ArchiveRequest checked;
    // Each check runs on a copy of the request as the dialog holds it.
    const auto check = [&](QString folder) {
        checked = request;
        return CheckArchiveRequest(*m_data, checked, &folder);
    };
    request.workFolder = u"  "_s + folder + u"  "_s;
    request.name = u"  "_s;
    request.destination = kVolumePoolId;

    EXPECT_EQ(check(folder + u"/missing"_s), ArchiveRequestProblem::Folder);
    EXPECT_EQ(checked.destination, kArchivesId);
    EXPECT_EQ(checked.workFolder, folder);
    EXPECT_EQ(check(folder), ArchiveRequestProblem::Name);
    request.name = u"a.b"_s; // pasted past the key filter
    EXPECT_EQ(check(folder), ArchiveRequestProblem::Name);
    request.name = u" PHOTOS 2026"_s;
    EXPECT_EQ(check(folder), ArchiveRequestProblem::DuplicateName);
    request.workFolder = folder + u"/missing"_s;
    EXPECT_EQ(check(folder), ArchiveRequestProblem::WorkFolder);

    QStringList captions;
    for (const RecordedMessage &message : m_ui.TakeMessages())
        captions << message.caption;
    EXPECT_EQ(captions, (QStringList{u"Invalid Folder"_s, u"Invalid Name"_s, u"Invalid Character"_s,
                                     u"Duplicate Name"_s, u"Invalid Folder"_s}));
    request.name = u"Photos 2027"_s;
    request.workFolder = folder;
    EXPECT_EQ(check(folder), ArchiveRequestProblem::None);
}

TEST_F(ArchiveRequestCheckTest, AnEmptyFolderIsRefusedBeforeAnythingIsWritten)
{
    ArchiveRequest request;
    request.name = u"Empty"_s;
    request.workFolder = m_folder.path();
    QDir().mkpath(m_folder.filePath(u"empty"_s));
    request.files = {m_folder.filePath(u"empty"_s)};

    EXPECT_NE(RunArchiveRequest(*m_data, request), ArchiveOutcome::Archived);

    EXPECT_TRUE(m_ui.TakeSingleMessage().text.startsWith(
        u"There were no folders or files eligable for Archiving"_s));
    EXPECT_EQ(CountRows(kSetRows), 0);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
}

// Sources are deleted only after the set reads back: a member whose data no
// longer matches its CRC fails the test.
TEST(ZipFileTest, AMemberWithDamagedDataFailsTheTest)
{
    ArchiveTestFolder folder;
    folder.Write(u"a.txt"_s, QByteArray(4096, 'a'));
    folder.Zip({u"-0"_s, u"set.zip"_s, u"a.txt"_s});
    const QString zip = folder.Path(u"set.zip"_s);
    EXPECT_TRUE(ZipFilePassesTest(zip));

    QByteArray bytes = ArchiveTestFolder::Read(zip);
    bytes[bytes.indexOf(QByteArray(16, 'a'))] = 'b';
    ArchiveTestFolder::WriteAt(zip, bytes);
    EXPECT_FALSE(ZipFilePassesTest(zip));
    EXPECT_FALSE(ZipFilePassesTest(folder.Path(u"missing.zip"_s)));
}

// A pool of one real ext4 volume and a folder to archive with subfolders,
// hidden files and a file of several megabytes.
class ArchiveCreationMediaTest : public ArchivePoolFixture
{
protected:
    void SetUp() override
    {
        ArchivePoolFixture::SetUp();
        QString reason;
        m_drive = MountVolume(m_mount, u"volume"_s, 1, 16, reason);
        if (m_drive.isEmpty())
            GTEST_SKIP() << "cannot loop-mount: " << reason.toStdString();
        ArchivePool pool(*m_data);
        pool.SetPoolDrive(m_drive);
        m_volume = AddVolumeRow(m_drive, 1, Drives().VolumeOf(m_drive).totalBytes);
        pool.RefreshVolumeUsage(m_volume, m_drive);

        m_source = Root() + u"/source"_s;
        m_large = ArchiveTestFolder::RandomBytes(3'000'000);
        m_files = {{u"top.txt"_s, "top"},
                   {u".hidden"_s, "hidden"},
                   {u"large.bin"_s, m_large},
                   {u"sub/inner.txt"_s, "inner"},
                   {u"sub/deeper/.deep"_s, "deep"}};
        for (const auto &[name, content] : m_files)
            ArchiveTestFolder::WriteAt(m_source + u'/' + name, content);
        QDir().mkpath(m_source + u"/sub/empty"_s);
    }

    ArchiveRequest Request(const QString &name, bool staging)
    {
        ArchiveRequest request;
        request.name = name;
        request.workFolder = QDir::tempPath();
        request.files = {m_source};
        request.useHardDisk = staging;
        return request;
    }

    QString SetFile(const QString &name) const
    {
        return m_drive + u"/Archives/"_s + name + u".ZIP"_s;
    }

    // Every source file is still where it was, unchanged.
    void ExpectSourcesInPlace()
    {
        for (const auto &[name, content] : m_files)
            EXPECT_EQ(ArchiveTestFolder::Read(m_source + u'/' + name), content)
                << name.toStdString();
    }

    // No set row, no ZIP on the volume, no staging folder left behind.
    void ExpectNothingLeft()
    {
        EXPECT_EQ(CountRows(kSetRows), 0);
        EXPECT_TRUE(QDir(m_drive + u"/Archives"_s).isEmpty());
        EXPECT_TRUE(QDir::temp().entryList({u"dirvanta-archive-*"_s}, QDir::Dirs).isEmpty());
        EXPECT_FALSE(m_ui.ProgressWindowOpen());
        ExpectSourcesInPlace();
    }

    QStringList Members(const QString &zip) { return ArchiveTestFolder().ListWithUnzip(zip); }

    // The name of the one archive set in the catalog.
    QString SetName()
    {
        return m_data->Catalogs.GetNameByID(
            CountRows(u"SELECT ID FROM Catalogs WHERE Class = %1"_s.arg(kArchiveSetClass)));
    }

    LoopMount m_mount;
    QString m_drive;
    QString m_source;
    qint64 m_volume = 0;
    QByteArray m_large;
    std::vector<std::pair<QString, QByteArray>> m_files;
};

TEST_F(ArchiveCreationMediaTest, StagedAndDirectSetsHoldTheFolderAndAreCataloged)
{
    for (const bool staging : {true, false}) {
        const QString name = staging ? u"Staged"_s : u"Direct"_s;
        ArchiveRequest request = Request(name, staging);
        request.comment = u"kept"_s;
        ASSERT_EQ(RunArchiveRequest(*m_data, request), ArchiveOutcome::Archived)
            << m_ui.TakeSingleMessage().text.toStdString();

        EXPECT_EQ(CountRows(u"SELECT VolSize FROM Catalogs WHERE Class = "_s +
                            QString::number(kArchiveSetClass) + u" AND Name = '"_s + name +
                            u"' AND Parent = 2 AND Comment = 'kept'"_s),
                  m_volume);
        EXPECT_EQ(ParentOf(m_volume), kVolumePoolId);
        EXPECT_EQ(CountRows(u"SELECT COUNT(*) FROM Files f JOIN Catalogs c ON f.ID = c.ID "
                            "WHERE f.Name = '.deep' AND c.Name = 'deeper'"_s),
                  staging ? 1 : 2);
        EXPECT_FALSE(m_ui.ProgressWindowOpen());
    }
    EXPECT_GT(CountRows(u"SELECT Size FROM Catalogs WHERE ID = ?1"_s, m_volume),
              qint64(m_large.size()) * 2);
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    ExpectSourcesInPlace();
    EXPECT_EQ(m_ui.ProgressOperations().front(), ProgressOperation::CreateTemporaryArchive);

    // Restored whole, a set is the folder as it was archived, empty and
    // hidden entries too.
    const qint64 set = m_data->Catalogs.FindChild(kArchivesId, u"Staged"_s);
    const std::optional<ExtractRequest> restore =
        BuildExtractRequest(*m_data, {ListEntry{QString(), set, kArchiveSetClass, {}}}, false);
    ASSERT_TRUE(restore);
    const QString whole = Root() + u"/whole"_s;
    EXPECT_EQ(RunExtractRequest(*m_data, *restore, {whole, false}, nullptr), ExtractOutcome::Done);
    QString output;
    EXPECT_TRUE(RunTool(u"diff"_s, {u"-r"_s, m_source, whole}, output)) << output.toStdString();
    EXPECT_EQ(m_ui.ProgressOperations().back(), ProgressOperation::RestoreFiles);
}

// Without subfolders only the folder's own files are archived and trashed;
// the folder stays for its subfolders. A direct archive never deletes. A
// link goes into the set as the link itself and leaves with the files.
TEST_F(ArchiveCreationMediaTest, DeletingSendsOnlyTheArchivedFilesToTheTrash)
{
    ASSERT_TRUE(QFile::link(u"top.txt"_s, m_source + u"/top-link"_s));
    ArchiveRequest direct = Request(u"Direct"_s, false);
    direct.deleteFiles = true;
    ASSERT_EQ(RunArchiveRequest(*m_data, direct), ArchiveOutcome::Archived);
    ExpectSourcesInPlace();

    ArchiveRequest request = Request(u"Own Files"_s, true);
    request.deleteFiles = true;
    request.includeSubfolders = false;
    ASSERT_EQ(RunArchiveRequest(*m_data, request), ArchiveOutcome::Archived);

    EXPECT_EQ(Members(SetFile(u"Own Files"_s)),
              (QStringList{u".hidden"_s, u"large.bin"_s, u"top-link"_s, u"top.txt"_s}));
    EXPECT_EQ(QDir(m_source).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{u"sub"_s});
    EXPECT_EQ(ArchiveTestFolder::Read(m_source + u"/sub/deeper/.deep"_s), "deep");
    EXPECT_EQ(ArchiveTestFolder::Read(TestHome() + u"/data/Trash/files/large.bin"_s), m_large);

    // With subfolders the folder itself goes once it is empty.
    ArchiveRequest rest = Request(u"Rest"_s, true);
    rest.deleteFiles = true;
    ASSERT_EQ(RunArchiveRequest(*m_data, rest), ArchiveOutcome::Archived);
    EXPECT_FALSE(QFileInfo::exists(m_source));
    EXPECT_TRUE(m_ui.TakeMessages().empty());
}

TEST_F(ArchiveCreationMediaTest, ASetLargerThanEveryVolumeChangesNothing)
{
    ArchiveTestFolder::WriteAt(
        m_source + u"/huge.bin"_s,
        ArchiveTestFolder::RandomBytes(qint64(Drives().VolumeOf(m_drive).freeBytes) + 1));
    m_files.emplace_back(u"huge.bin"_s, ArchiveTestFolder::Read(m_source + u"/huge.bin"_s));
    ArchiveRequest request = Request(u"Huge"_s, true);
    request.deleteFiles = true;
    request.compress = false;

    EXPECT_NE(RunArchiveRequest(*m_data, request), ArchiveOutcome::Archived);

    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Archive Terminated"_s);
    ExpectNothingLeft();
}

// A cancel while the folder is listed, while the ZIP is written, while it
// is copied to the volume, and once it is there leaves nothing behind.
TEST_F(ArchiveCreationMediaTest, ACancelInAnyPhaseLeavesNoFileNoRowAndEverySource)
{
    m_ui.SetTickSource([ticks = qint64(0)]() mutable { return ticks += 1000; });
    const auto staged = [] {
        return !QDir::temp().entryList({u"dirvanta-archive-*"_s}, QDir::Dirs).isEmpty();
    };
    const qint64 large = m_large.size();
    const QString terminated = u"The Archive was terminated by the User"_s;
    // Each row: now, caption, text.
    const std::tuple<std::function<bool(qint64)>, QString, QString> phases[] = {
        {[&](qint64) { return !staged(); }, u"Archive Terminated"_s,
         u"The Archive request was cancelled by the User"_s},
        {[&](qint64) { return staged(); }, u"Archive Error"_s, terminated},
        {[&](qint64 onVolume) { return onVolume > 0 && onVolume < large; }, u"Archive Error"_s,
         terminated},
        {[&](qint64 onVolume) { return onVolume > large; }, u"Archive Error"_s, terminated},
    };
    for (const auto &[now, caption, text] : phases) {
        m_ui.SetOnProcessEvents([&] {
            if (m_ui.ProgressWindowOpen() && now(QFileInfo(SetFile(u"Cancelled"_s)).size()))
                m_ui.SetCancelled(true);
        });
        ArchiveRequest request = Request(u"Cancelled"_s, true);
        request.deleteFiles = true;

        EXPECT_NE(RunArchiveRequest(*m_data, request), ArchiveOutcome::Archived);

        const RecordedMessage message = m_ui.TakeSingleMessage();
        EXPECT_EQ(std::pair(message.caption, message.text), std::pair(caption, text));
        ExpectNothingLeft();
    }
}

// The file manager's archive action, run as its service menu says, leaves a
// request file in the temporary folder, archived without a dialog under the
// default name with the stored options; a list naming nothing ends the
// request. Without subfolders a listed folder gives only its own files and
// is not deleted. A folder on the pool's own disk is always staged.
TEST_F(ArchiveCreationMediaTest, QuickArchiveTakesTheSelectionOfTheArchiveAction)
{
    const QString empty = m_folder.filePath(u"selection.ini"_s);
    ArchiveTestFolder::WriteAt(empty, "[Files]\n");
    EXPECT_FALSE(QuickArchive(*m_data, empty));
    EXPECT_EQ(m_ui.TakeSingleMessage().text, u"The Archive request was cancelled by the User"_s);

    QString exec;
    for (const IntegrationFile &file : ShellIntegrationFiles(u"/usr/bin/dirvanta"_s)) {
        if (file.path.endsWith(u"Archive.desktop"_s))
            exec = QString::fromUtf8(file.content).section(u"Exec="_s, 1, 1).section(u'\n', 0, 0);
    }
    QStringList words = exec.split(u' ');
    ASSERT_EQ(words.takeFirst(), u"/usr/bin/dirvanta"_s);
    ASSERT_EQ(words.takeLast(), u"%F"_s);
    words << m_source + u"/top.txt"_s << m_source + u"/sub"_s;
    const ScopedEnvironment temporary("TMPDIR", m_folder.path());
    const QStringList request = SelectionRequestCommandLine(words);
    ASSERT_EQ(request.size(), 2);
    EXPECT_EQ(request[0], u"/A"_s);
    EXPECT_EQ(QFileInfo(request[1]).path(), m_folder.path());

    m_settings->WriteBool(u"Archive Options"_s, u"Include Subfolders"_s, false);
    m_settings->WriteBool(u"Archive Options"_s, u"Delete Files"_s, true);
    ASSERT_TRUE(QuickArchive(*m_data, request[1])) << m_ui.TakeSingleMessage().text.toStdString();
    const QString setName = SetName();
    EXPECT_TRUE(setName.startsWith(u"Archive ["_s));
    EXPECT_EQ(Members(SetFile(setName)), (QStringList{u"sub/inner.txt"_s, u"top.txt"_s}));
    EXPECT_FALSE(QFileInfo::exists(m_source + u"/top.txt"_s));
    EXPECT_TRUE(QFileInfo::exists(m_source + u"/sub/inner.txt"_s));
    EXPECT_TRUE(QFileInfo::exists(m_source + u"/sub/deeper/.deep"_s));
    EXPECT_TRUE(FolderIsOnPoolDrive(m_drive + u"/Archives"_s, ArchiveFolderOf(m_drive)));
    EXPECT_FALSE(FolderIsOnPoolDrive(m_source, ArchiveFolderOf(m_drive)));
}

} // namespace
