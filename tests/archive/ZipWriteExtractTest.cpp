#include "ArchiveTestFolder.h"
#include "archive/ZipEngine.h"
#include "support/ScriptedUserInterface.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class ZipWriteExtractTest : public ::testing::Test
{
protected:
    ZipWriteExtractTest()
    {
        // Every time gate opens, so the callbacks run on each chunk.
        m_ui.SetTickSource([this] { return m_ticks += 10; });
        m_unzip.SetTickSource([this] { return m_ticks += 10; });
        m_zip.SetTickSource([this] { return m_ticks += 10; });
    }

    // The archived folder: two files at the top, a nested folder, an empty folder.
    void MakeSourceTree()
    {
        m_folder.Write(u"src/One.txt"_s, "one");
        m_folder.Write(u"src/two words.txt"_s, QByteArray(20000, 'z'));
        m_folder.Write(u"src/Sub/Inner/deep.txt"_s, "deep");
        m_folder.Write(u"src/.hidden"_s, "h");
        QDir().mkpath(m_folder.Path(u"src/Empty"_s));
    }

    // Adds items to an archive as the archive creation does.
    bool Add(const QString &archive, const QString &items, unsigned options,
             const QString &root = {})
    {
        m_zip.lpszZipFile = archive;
        m_zip.lpszRootPath = root;
        m_zip.lpszItemList = items;
        m_zip.Options = options;
        return m_zip.Execute(ZipFunction::Add);
    }

    QString ExtractTo(const QString &archive, const QString &destination, unsigned options)
    {
        m_unzip.lpszZipFile = archive;
        m_unzip.lpszDestination = m_folder.Path(destination);
        m_unzip.Options = options;
        return m_unzip.lpszDestination;
    }

    qint64 m_ticks = 0;
    ScriptedUserInterface m_ui;
    ArchiveTestFolder m_folder;
    TZipFile m_zip;
    TUnzipFile m_unzip;
};

// The call the archive creation makes: the folder as the root, its files
// and a subfolder's entries as items, recursing.
TEST_F(ZipWriteExtractTest, WrittenArchivesPassUnzipTestWithRelativeNames)
{
    MakeSourceTree();
    const QString archive = m_folder.Path(u"set.zip"_s);
    const QString src = m_folder.Path(u"src"_s);
    for (int factor : {9, 0}) {
        SCOPED_TRACE(factor);
        QFile::remove(archive);
        m_zip.CompFactor = factor;
        ASSERT_TRUE(Add(archive,
                        src + u"/One.txt \""_s + src + u"/two words.txt\" "_s + src +
                            u"/.hidden "_s + src + u"/Sub/*.*"_s,
                        RecurseFlag, src))
            << m_zip.ErrorCode();

        ASSERT_EQ(m_folder.Run(u"unzip"_s, {u"-t"_s, archive}), 0)
            << m_folder.Output().toStdString();
        EXPECT_EQ(m_folder.ListWithUnzip(archive),
                  (QStringList{u".hidden"_s, u"One.txt"_s, u"Sub/"_s, u"Sub/Inner/"_s,
                               u"Sub/Inner/deep.txt"_s, u"two words.txt"_s}));
        ASSERT_EQ(m_folder.Run(u"unzip"_s, {u"-v"_s, archive}), 0);
        QByteArray line;
        for (const QByteArray &candidate : m_folder.Output().split('\n'))
            if (candidate.endsWith("two words.txt"))
                line = candidate;
        EXPECT_TRUE(line.contains(factor == 0 ? "Stored" : "Defl:X")) << line.toStdString();
    }

    // Into an existing archive, a folder item without a root keeps its name;
    // a build in a temporary folder leaves nothing there.
    m_zip.lpszTempPath = m_folder.Path(u"work"_s);
    QDir().mkpath(m_zip.lpszTempPath);
    ASSERT_TRUE(Add(archive, src + u"/Sub/Inner"_s, RecurseFlag | PathForTempFlag))
        << m_zip.ErrorCode();
    EXPECT_EQ(m_folder.ListWithUnzip(archive),
              (QStringList{u".hidden"_s, u"Inner/"_s, u"Inner/deep.txt"_s, u"One.txt"_s, u"Sub/"_s,
                           u"Sub/Inner/"_s, u"Sub/Inner/deep.txt"_s, u"two words.txt"_s}));
    EXPECT_TRUE(QDir(m_zip.lpszTempPath).isEmpty());
}

TEST_F(ZipWriteExtractTest, AddingFailsWithNamedResults)
{
    EXPECT_FALSE(Add(m_folder.Path(u"none.zip"_s), QString(), 0));
    EXPECT_EQ(m_zip.ErrorCode(), ZipResult::NothingToDo);

    const QString locked = m_folder.Write(u"locked.txt"_s, "x");
    QFile::setPermissions(locked, {});
    if (!QFile(locked).open(QIODevice::ReadOnly)) { // root reads anything
        EXPECT_FALSE(Add(m_folder.Path(u"none.zip"_s), locked, 0));
        EXPECT_EQ(m_zip.ErrorCode(), ZipResult::FileInUse);
    }

    // A cancel leaves an existing archive as it was.
    m_folder.Write(u"a.txt"_s, "a");
    const QString archive = m_folder.Path(u"keep.zip"_s);
    ASSERT_TRUE(Add(archive, m_folder.Path(u"a.txt"_s), 0));
    const QByteArray before = ArchiveTestFolder::Read(archive);
    m_folder.Write(u"b.txt"_s, "b");
    m_ui.SetCancelled(true);
    EXPECT_FALSE(Add(archive, m_folder.Path(u"b.txt"_s), 0));
    EXPECT_EQ(m_zip.ErrorCode(), ZipResult::Cancelled);
    EXPECT_EQ(ArchiveTestFolder::Read(archive), before);
}

// A folder with links (one pointing back up, which would loop if followed,
// one dangling), a pipe and a script comes back as it was: links as links,
// the script executable, the pipe left out rather than read forever.
TEST_F(ZipWriteExtractTest, LinksRoundTripAsLinksAndPipesAreLeftOut)
{
    m_folder.Write(u"src/data.txt"_s, "data");
    const QString script = m_folder.Write(u"src/run.sh"_s, "#!/bin/sh\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner | QFile::ExeUser);
    ASSERT_TRUE(QFile::link(u"data.txt"_s, m_folder.Path(u"src/to-data"_s)));
    ASSERT_TRUE(QFile::link(u".."_s, m_folder.Path(u"src/up"_s)));
    ASSERT_TRUE(QFile::link(u"gone"_s, m_folder.Path(u"src/dangling"_s)));
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_folder.Path(u"src/pipe"_s)).constData(), 0600), 0);

    const QString archive = m_folder.Path(u"links.zip"_s);
    ASSERT_TRUE(Add(archive, m_folder.Path(u"src/*.*"_s),
                    QuietFlag | IncludeSysHiddenFlag | RecurseFlag, m_folder.Path(u"src"_s)))
        << m_zip.ErrorCode();
    ASSERT_EQ(m_folder.Run(u"unzip"_s, {u"-t"_s, archive}), 0) << m_folder.Output().toStdString();
    EXPECT_EQ(m_folder.ListWithUnzip(archive),
              (QStringList{u"dangling"_s, u"data.txt"_s, u"run.sh"_s, u"to-data"_s, u"up"_s}));

    const QString out = ExtractTo(archive, u"out"_s, RecurseFlag);
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    for (const auto &[name, target] :
         {std::pair{"to-data", "data.txt"}, std::pair{"up", ".."}, std::pair{"dangling", "gone"}}) {
        char text[64] = {};
        const QByteArray link = QFile::encodeName(out + u'/' + QLatin1String(name));
        ASSERT_GT(::readlink(link.constData(), text, sizeof text - 1), 0) << name;
        EXPECT_STREQ(text, target);
    }
    EXPECT_TRUE(QFileInfo(out + u"/run.sh"_s).isExecutable());
    EXPECT_FALSE(QFileInfo(out + u"/data.txt"_s).isExecutable());
}

class ExtractTest : public ZipWriteExtractTest
{
protected:
    void SetUp() override
    {
        MakeSourceTree();
        m_archive = m_folder.Path(u"src.zip"_s);
        ASSERT_EQ(m_folder.Run(u"sh"_s, {u"-c"_s, u"cd src && zip -r -q ../src.zip ."_s}), 0);
    }

    QString m_archive;
};

TEST_F(ExtractTest, ExtractsSelectedMembersWithTheirFolders)
{
    const QString out = ExtractTo(m_archive, u"out"_s, RecurseFlag);
    m_unzip.lpszFileSpec = u"\"sub\\*.*\" \"one.txt\""_s;
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    EXPECT_EQ(ArchiveTestFolder::Read(out + u"/Sub/Inner/deep.txt"_s), "deep");
    EXPECT_EQ(ArchiveTestFolder::Read(out + u"/One.txt"_s), "one");
    EXPECT_FALSE(QFileInfo::exists(out + u"/two words.txt"_s));
}

TEST_F(ExtractTest, OverwriteAnswersDecidePerFile)
{
    const QString out = ExtractTo(m_archive, u"out"_s, RecurseFlag);
    m_folder.Write(u"out/One.txt"_s, "old one");
    m_folder.Write(u"out/two words.txt"_s, "old two");
    const QString readOnly = m_folder.Write(u"out/Sub/Inner/deep.txt"_s, "old deep");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    m_unzip.lpszFileSpec = u"\"*.*\""_s;

    // No for the first file met, then Yes to all: the read-only one is replaced too.
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::No);
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::YesToAll);
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    const QStringList asked = m_ui.TakeDuplicateQuestions();
    ASSERT_EQ(asked.size(), 2);
    // The question names the file as it lies in the destination: the one
    // answered No is the one left old.
    QStringList old;
    for (const QString &name : {u"/One.txt"_s, u"/two words.txt"_s, u"/Sub/Inner/deep.txt"_s})
        if (ArchiveTestFolder::Read(out + name).startsWith("old"))
            old << out + name;
    EXPECT_EQ(old, QStringList{asked.first()});

    // Abort stops the extraction as a cancel.
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::Abort);
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Extract));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::ExtractCancelled);
    EXPECT_EQ(m_ui.TakeDuplicateQuestions().size(), 1);
}

TEST_F(ExtractTest, CancelBetweenChunksRemovesThePartialFile)
{
    m_folder.Write(u"big.bin"_s, ArchiveTestFolder::RandomBytes(1 << 20));
    const QString archive = m_folder.Path(u"big.zip"_s);
    m_folder.Zip({u"-0"_s, archive, u"big.bin"_s});
    const QString out = ExtractTo(archive, u"out"_s, RecurseFlag);
    // The first pump is the member's start; the third comes after two chunks.
    int pumps = 0;
    m_ui.SetOnProcessEvents([&] {
        if (++pumps == 3)
            m_ui.SetCancelled(true);
    });
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Extract));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::ExtractCancelled);
    EXPECT_EQ(pumps, 3);
    EXPECT_FALSE(QFileInfo::exists(out + u"/big.bin"_s));
}

// Members that climb out of the destination or are absolute are refused,
// and a link planted at a target or at a folder on the way is never
// followed: the file at the link's place is replaced, the folder refused.
// The others are still extracted; names written with "\\" make folders.
TEST_F(ZipWriteExtractTest, HostileNamesAndPlantedLinksNeverReachOutside)
{
    // An absolute name into this test's own folder shows an escape without
    // touching the rest of the system.
    const QString archive = m_folder.ZipWithLibrary(
        u"hostile.zip"_s, {"../pwned.txt", "/abs.txt", "good.txt", "a/../../up.txt",
                           QFile::encodeName(m_folder.Path(u"abs.txt"_s)), "plain.txt",
                           "sub/inner.txt", "Back\\slash.txt", "README", "readme"});
    const QString secret = m_folder.Write(u"outside/secret.txt"_s, "secret");
    const QString out = ExtractTo(archive, u"nest/out"_s, RecurseFlag | OverWriteFlag);
    // Existing folders, so a climbing path would resolve if it were written.
    QDir().mkpath(out + u"/a"_s);
    ASSERT_TRUE(QFile::link(secret, out + u"/plain.txt"_s));
    ASSERT_TRUE(QFile::link(m_folder.Path(u"outside"_s), out + u"/sub"_s));
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Extract));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::NotAllProcessed);
    for (const QString &escaped :
         {m_folder.Path(u"nest/pwned.txt"_s), m_folder.Path(u"nest/up.txt"_s),
          m_folder.Path(u"abs.txt"_s), out + u"/abs.txt"_s, m_folder.Path(u"outside/inner.txt"_s)})
        EXPECT_FALSE(QFileInfo::exists(escaped)) << escaped.toStdString();
    EXPECT_EQ(ArchiveTestFolder::Read(secret), "secret");
    EXPECT_FALSE(QFileInfo(out + u"/plain.txt"_s).isSymLink());
    EXPECT_EQ(ArchiveTestFolder::Read(out + u"/plain.txt"_s), "plain.txt");
    EXPECT_EQ(ArchiveTestFolder::Read(out + u"/good.txt"_s), "good.txt");
    EXPECT_EQ(ArchiveTestFolder::Read(out + u"/Back/slash.txt"_s), "Back\\slash.txt");
    EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{u"Back"_s, u"README"_s, u"a"_s, u"good.txt"_s, u"plain.txt"_s,
                           u"readme"_s, u"sub"_s}));

    // The way a packaged file is opened: one member, without its folders,
    // over an older copy without asking.
    const QString flat =
        ExtractTo(archive, u"flat"_s, OverWriteFlag | QuietFlag | NoDirectoryNamesFlag);
    m_folder.Write(u"flat/inner.txt"_s, "old");
    m_unzip.lpszFileSpec = u"\"sub/inner.txt\""_s;
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    m_unzip.lpszFileSpec = u"\"readme\""_s;
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    EXPECT_EQ(QDir(flat).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{u"inner.txt"_s, u"readme"_s}));
    EXPECT_EQ(ArchiveTestFolder::Read(flat + u"/inner.txt"_s), "sub/inner.txt");
    EXPECT_TRUE(m_ui.TakeDuplicateQuestions().isEmpty());
}

} // namespace
