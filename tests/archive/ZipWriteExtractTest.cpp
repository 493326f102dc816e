#include "ArchiveTestFolder.h"
#include "archive/ZipEngine.h"
#include "support/ScriptedUserInterface.h"

#include <QFile>
#include <QRandomGenerator>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

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
        m_folder.Write(QStringLiteral("src/One.txt"), "one");
        m_folder.Write(QStringLiteral("src/two words.txt"), QByteArray(20000, 'z'));
        m_folder.Write(QStringLiteral("src/Sub/Inner/deep.txt"), "deep");
        m_folder.Write(QStringLiteral("src/.hidden"), "h");
        QDir().mkpath(m_folder.Path(QStringLiteral("src/Empty")));
    }

    QStringList ListWithUnzip(const QString &archive)
    {
        EXPECT_EQ(m_folder.Run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive}), 0);
        QStringList names = QString::fromUtf8(m_folder.Output()).split(u'\n', Qt::SkipEmptyParts);
        names.sort();
        return names;
    }

    // The member names 7-Zip reads, folders without their trailing "/".
    QStringList ListWith7z(const QString &archive)
    {
        EXPECT_EQ(m_folder.Run(QStringLiteral("7z"), {QStringLiteral("l"), QStringLiteral("-slt"),
                                                      QStringLiteral("-ba"), archive}),
                  0)
            << m_folder.Output().constData();
        QStringList names;
        for (const QString &line : QString::fromUtf8(m_folder.Output()).split(u'\n'))
            if (line.startsWith(QLatin1String("Path = ")))
                names << line.mid(7);
        names.sort();
        return names;
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

// The two calls the archive creation makes: the top-level files without
// recursion, then a subfolder with it, into one archive.
TEST_F(ZipWriteExtractTest, WrittenArchivePassesUnzipTestWithRelativeNames)
{
    MakeSourceTree();
    const QString archive = m_folder.Path(QStringLiteral("set.zip"));
    for (int factor : {9, 0}) {
        SCOPED_TRACE(factor);
        QFile::remove(archive);
        m_zip.lpszZipFile = archive;
        m_zip.lpszRootPath = m_folder.Path(QStringLiteral("src"));
        m_zip.CompFactor = factor;
        m_zip.lpszItemList = m_folder.Path(QStringLiteral("src/One.txt")) + QStringLiteral(" \"") +
                             m_folder.Path(QStringLiteral("src/two words.txt")) +
                             QStringLiteral("\" ") + m_folder.Path(QStringLiteral("src/.hidden"));
        m_zip.Options = QuietFlag | IncludeSysHiddenFlag;
        ASSERT_TRUE(m_zip.Execute(ZipFunction::Add)) << m_zip.ErrorCode();
        m_zip.lpszItemList = m_folder.Path(QStringLiteral("src/Sub/*.*"));
        m_zip.Options = QuietFlag | IncludeSysHiddenFlag | RecurseFlag;
        ASSERT_TRUE(m_zip.Execute(ZipFunction::Add)) << m_zip.ErrorCode();

        ASSERT_EQ(m_folder.Run(QStringLiteral("unzip"), {QStringLiteral("-t"), archive}), 0)
            << m_folder.Output().toStdString();
        EXPECT_EQ(
            ListWithUnzip(archive),
            (QStringList{QStringLiteral(".hidden"), QStringLiteral("One.txt"),
                         QStringLiteral("Sub/"), QStringLiteral("Sub/Inner/"),
                         QStringLiteral("Sub/Inner/deep.txt"), QStringLiteral("two words.txt")}));
        EXPECT_EQ(
            ListWith7z(archive),
            (QStringList{QStringLiteral(".hidden"), QStringLiteral("One.txt"),
                         QStringLiteral("Sub"), QStringLiteral("Sub/Inner"),
                         QStringLiteral("Sub/Inner/deep.txt"), QStringLiteral("two words.txt")}));
        ASSERT_EQ(m_folder.Run(QStringLiteral("unzip"), {QStringLiteral("-v"), archive}), 0);
        QByteArray line;
        for (const QByteArray &candidate : m_folder.Output().split('\n'))
            if (candidate.endsWith("two words.txt"))
                line = candidate;
        EXPECT_TRUE(line.contains(factor == 0 ? "Stored" : "Defl:X")) << line.toStdString();
    }
}

TEST_F(ZipWriteExtractTest, FolderItemWithoutRootKeepsItsNameAndTempBuildLeavesNothing)
{
    MakeSourceTree();
    const QString archive = m_folder.Path(QStringLiteral("whole.zip"));
    QDir().mkpath(m_folder.Path(QStringLiteral("work")));
    m_zip.lpszZipFile = archive;
    m_zip.lpszTempPath = m_folder.Path(QStringLiteral("work"));
    m_zip.CompFactor = 9;
    m_zip.lpszItemList = m_folder.Path(QStringLiteral("src/Sub"));
    m_zip.Options = QuietFlag | IncludeSysHiddenFlag | RecurseFlag | PathForTempFlag;
    ASSERT_TRUE(m_zip.Execute(ZipFunction::Add)) << m_zip.ErrorCode();
    EXPECT_EQ(ListWithUnzip(archive),
              (QStringList{QStringLiteral("Sub/"), QStringLiteral("Sub/Inner/"),
                           QStringLiteral("Sub/Inner/deep.txt")}));
    EXPECT_TRUE(QDir(m_folder.Path(QStringLiteral("work"))).isEmpty());
}

TEST_F(ZipWriteExtractTest, AddingFailsWithNamedResults)
{
    m_zip.lpszZipFile = m_folder.Path(QStringLiteral("none.zip"));
    m_zip.lpszItemList.clear();
    EXPECT_FALSE(m_zip.Execute(ZipFunction::Add));
    EXPECT_EQ(m_zip.ErrorCode(), ZipResult::NothingToDo);

    const QString locked = m_folder.Write(QStringLiteral("locked.txt"), "x");
    QFile::setPermissions(locked, {});
    if (!QFile(locked).open(QIODevice::ReadOnly)) { // root reads anything
        m_zip.lpszItemList = locked;
        EXPECT_FALSE(m_zip.Execute(ZipFunction::Add));
        EXPECT_EQ(m_zip.ErrorCode(), ZipResult::FileInUse);
    }

    // A cancel leaves an existing archive as it was.
    m_folder.Write(QStringLiteral("a.txt"), "a");
    const QString archive = m_folder.Path(QStringLiteral("keep.zip"));
    m_zip.lpszZipFile = archive;
    m_zip.lpszItemList = m_folder.Path(QStringLiteral("a.txt"));
    ASSERT_TRUE(m_zip.Execute(ZipFunction::Add));
    const QByteArray before = ArchiveTestFolder::Read(archive);
    m_folder.Write(QStringLiteral("b.txt"), "b");
    m_zip.lpszItemList = m_folder.Path(QStringLiteral("b.txt"));
    m_ui.SetCancelled(true);
    EXPECT_FALSE(m_zip.Execute(ZipFunction::Add));
    EXPECT_EQ(m_zip.ErrorCode(), ZipResult::Cancelled);
    EXPECT_EQ(ArchiveTestFolder::Read(archive), before);
}

// A folder with links (one pointing back up, which would loop if followed,
// one dangling), a pipe and a script comes back as it was: links as links,
// the script executable, the pipe left out rather than read forever.
TEST_F(ZipWriteExtractTest, LinksRoundTripAsLinksAndPipesAreLeftOut)
{
    m_folder.Write(QStringLiteral("src/data.txt"), "data");
    const QString script = m_folder.Write(QStringLiteral("src/run.sh"), "#!/bin/sh\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner | QFile::ExeUser);
    ASSERT_TRUE(
        QFile::link(QStringLiteral("data.txt"), m_folder.Path(QStringLiteral("src/to-data"))));
    ASSERT_TRUE(QFile::link(QStringLiteral(".."), m_folder.Path(QStringLiteral("src/up"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("gone"), m_folder.Path(QStringLiteral("src/dangling"))));
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(m_folder.Path(QStringLiteral("src/pipe"))).constData(), 0600),
        0);

    const QString archive = m_folder.Path(QStringLiteral("links.zip"));
    m_zip.lpszZipFile = archive;
    m_zip.lpszRootPath = m_folder.Path(QStringLiteral("src"));
    m_zip.lpszItemList = m_folder.Path(QStringLiteral("src/*.*"));
    m_zip.Options = QuietFlag | IncludeSysHiddenFlag | RecurseFlag;
    ASSERT_TRUE(m_zip.Execute(ZipFunction::Add)) << m_zip.ErrorCode();
    ASSERT_EQ(m_folder.Run(QStringLiteral("unzip"), {QStringLiteral("-t"), archive}), 0)
        << m_folder.Output().toStdString();
    EXPECT_EQ(
        ListWithUnzip(archive),
        (QStringList{QStringLiteral("dangling"), QStringLiteral("data.txt"),
                     QStringLiteral("run.sh"), QStringLiteral("to-data"), QStringLiteral("up")}));

    const QString out = ExtractTo(archive, QStringLiteral("out"), RecurseFlag);
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    for (const auto &[name, target] :
         {std::pair{"to-data", "data.txt"}, std::pair{"up", ".."}, std::pair{"dangling", "gone"}}) {
        char text[64] = {};
        const QByteArray link = QFile::encodeName(out + u'/' + QLatin1String(name));
        ASSERT_GT(::readlink(link.constData(), text, sizeof text - 1), 0) << name;
        EXPECT_STREQ(text, target);
    }
    EXPECT_TRUE(QFileInfo(out + QStringLiteral("/run.sh")).isExecutable());
    EXPECT_FALSE(QFileInfo(out + QStringLiteral("/data.txt")).isExecutable());
}

class ExtractTest : public ZipWriteExtractTest
{
protected:
    void SetUp() override
    {
        MakeSourceTree();
        m_archive = m_folder.Path(QStringLiteral("src.zip"));
        ASSERT_EQ(m_folder.Run(
                      QStringLiteral("sh"),
                      {QStringLiteral("-c"), QStringLiteral("cd src && zip -r -q ../src.zip .")}),
                  0);
    }

    QString m_archive;
};

TEST_F(ExtractTest, ExtractsSelectedMembersWithFolders)
{
    const QString out = ExtractTo(m_archive, QStringLiteral("out"), RecurseFlag);
    m_unzip.lpszFileSpec = QStringLiteral("\"sub\\*.*\" \"one.txt\"");
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    EXPECT_EQ(ArchiveTestFolder::Read(out + QStringLiteral("/Sub/Inner/deep.txt")), "deep");
    EXPECT_EQ(ArchiveTestFolder::Read(out + QStringLiteral("/One.txt")), "one");
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/two words.txt")));
}

TEST_F(ExtractTest, OneFileWithoutFolderNames)
{
    const QString out = ExtractTo(m_archive, QStringLiteral("tmp"),
                                  OverWriteFlag | QuietFlag | NoDirectoryNamesFlag);
    m_folder.Write(QStringLiteral("tmp/deep.txt"), "old");
    m_unzip.lpszFileSpec = QStringLiteral("\"Sub\\Inner\\deep.txt\"");
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    EXPECT_EQ(ArchiveTestFolder::Read(out + QStringLiteral("/deep.txt")), "deep");
    EXPECT_TRUE(m_ui.TakeDuplicateQuestions().isEmpty());
}

TEST_F(ExtractTest, OverwriteAnswersDecidePerFile)
{
    const QString out = ExtractTo(m_archive, QStringLiteral("out"), RecurseFlag);
    m_folder.Write(QStringLiteral("out/One.txt"), "old one");
    m_folder.Write(QStringLiteral("out/two words.txt"), "old two");
    const QString readOnly = m_folder.Write(QStringLiteral("out/Sub/Inner/deep.txt"), "old deep");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    m_unzip.lpszFileSpec = QStringLiteral("\"*.*\"");

    // No for the first file met, then Yes to all: the read-only one is replaced too.
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::No);
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::YesToAll);
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    const QStringList asked = m_ui.TakeDuplicateQuestions();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked.first().startsWith(out + u'/')) << asked.first().toStdString();
    const QString kept = asked.first();
    QStringList contents;
    for (const char *name : {"/One.txt", "/two words.txt", "/Sub/Inner/deep.txt"})
        contents << QString::fromUtf8(ArchiveTestFolder::Read(out + QString::fromUtf8(name)));
    EXPECT_EQ(contents.count(QStringLiteral("old one")) +
                  contents.count(QStringLiteral("old two")) +
                  contents.count(QStringLiteral("old deep")),
              1)
        << contents.join(u'|').toStdString() << " kept " << kept.toStdString();

    // Abort stops the extraction as a cancel.
    m_ui.QueueDuplicateAnswer(OverwriteAnswer::Abort);
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Extract));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::ExtractCancelled);
    EXPECT_EQ(m_ui.TakeDuplicateQuestions().size(), 1);
}

TEST_F(ExtractTest, CancelBetweenChunksRemovesThePartialFile)
{
    QByteArray big(1 << 20, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32 *>(big.data()), big.size() / 4);
    m_folder.Write(QStringLiteral("bigsrc/big.bin"), big);
    const QString archive = m_folder.Path(QStringLiteral("big.zip"));
    ASSERT_EQ(m_folder.Run(QStringLiteral("sh"),
                           {QStringLiteral("-c"),
                            QStringLiteral("cd bigsrc && zip -q -0 ../big.zip big.bin")}),
              0);
    const QString out = ExtractTo(archive, QStringLiteral("out"), RecurseFlag);
    // The first pump is the member's start; the third comes after two chunks.
    int pumps = 0;
    m_ui.SetOnProcessEvents([&] {
        if (++pumps == 3)
            m_ui.SetCancelled(true);
    });
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Extract));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::ExtractCancelled);
    EXPECT_EQ(pumps, 3);
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/big.bin")));
}

// Members that climb out of the destination or are absolute are refused;
// the others are still extracted.
TEST_F(ZipWriteExtractTest, HostileNamesAreRefusedOthersExtracted)
{
    const QString archive = m_folder.Path(QStringLiteral("hostile.zip"));
    {
        int error = 0;
        ZipArchive zip(zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE, &error));
        ASSERT_TRUE(zip);
        static const char payload[] = "payload";
        // An absolute name into this test's own folder shows an escape without
        // touching the rest of the system.
        const QByteArray absoluteHere = QFile::encodeName(m_folder.Path(QStringLiteral("abs.txt")));
        for (const char *name :
             {"../pwned.txt", "/abs.txt", "good.txt", "a/../../up.txt", absoluteHere.constData()}) {
            ZipSource source(zip_source_buffer(zip.get(), payload, sizeof payload - 1, 0));
            ASSERT_TRUE(source);
            ASSERT_GE(zip_file_add(zip.get(), name, source.get(), 0), 0) << name;
            source.release();
        }
        ASSERT_EQ(CloseZipArchive(zip), ZIP_ER_OK);
    }
    const QString out = ExtractTo(archive, QStringLiteral("nest/out"), RecurseFlag | OverWriteFlag);
    // Existing folders, so a climbing path would resolve if it were written.
    QDir().mkpath(out + QStringLiteral("/a"));
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Extract));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::NotAllProcessed);
    EXPECT_EQ(ArchiveTestFolder::Read(out + QStringLiteral("/good.txt")), "payload");
    EXPECT_FALSE(QFileInfo::exists(m_folder.Path(QStringLiteral("nest/pwned.txt"))));
    EXPECT_FALSE(QFileInfo::exists(m_folder.Path(QStringLiteral("nest/up.txt"))));
    EXPECT_FALSE(QFileInfo::exists(m_folder.Path(QStringLiteral("abs.txt"))));
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/abs.txt")));
    EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("a"), QStringLiteral("good.txt")}));
}

// A link planted at a target or at a folder on the way is never followed:
// the file at the link's place is replaced, the folder refused. Names
// written with "\" make folders; a name without wildcards picks its exact
// member.
TEST_F(ZipWriteExtractTest, LinksAreNeverFollowedAndExactNamesPickOneMember)
{
    const QString archive = m_folder.Path(QStringLiteral("links.zip"));
    {
        int error = 0;
        ZipArchive zip(zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE, &error));
        ASSERT_TRUE(zip);
        for (const char *name :
             {"plain.txt", "sub/inner.txt", "Back\\slash.txt", "README", "readme"}) {
            ZipSource source(zip_source_buffer(zip.get(), name, std::strlen(name), 0));
            ASSERT_TRUE(source);
            ASSERT_GE(zip_file_add(zip.get(), name, source.get(), 0), 0) << name;
            source.release();
        }
        ASSERT_EQ(CloseZipArchive(zip), ZIP_ER_OK);
    }
    const QString secret = m_folder.Write(QStringLiteral("outside/secret.txt"), "secret");
    const QString out = ExtractTo(archive, QStringLiteral("out"), RecurseFlag | OverWriteFlag);
    QDir().mkpath(out);
    ASSERT_TRUE(QFile::link(secret, out + QStringLiteral("/plain.txt")));
    ASSERT_TRUE(
        QFile::link(m_folder.Path(QStringLiteral("outside")), out + QStringLiteral("/sub")));
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Extract));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::NotAllProcessed);
    EXPECT_EQ(ArchiveTestFolder::Read(secret), "secret");
    EXPECT_FALSE(QFileInfo::exists(m_folder.Path(QStringLiteral("outside/inner.txt"))));
    EXPECT_FALSE(QFileInfo(out + QStringLiteral("/plain.txt")).isSymLink());
    EXPECT_EQ(ArchiveTestFolder::Read(out + QStringLiteral("/plain.txt")), "plain.txt");
    EXPECT_EQ(ArchiveTestFolder::Read(out + QStringLiteral("/Back/slash.txt")), "Back\\slash.txt");

    const QString flat =
        ExtractTo(archive, QStringLiteral("flat"), OverWriteFlag | NoDirectoryNamesFlag);
    m_unzip.lpszFileSpec = QStringLiteral("\"readme\"");
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    EXPECT_EQ(QDir(flat).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("readme")});
}

} // namespace
