#include "ArchiveTestFolder.h"
#include "archive/ZipEngine.h"
#include "support/ScriptedUserInterface.h"

#include <QFile>

#include <map>

namespace {

struct Member
{
    qint64 size = 0;
    QString dateTime;
    quint32 attributes = 0;
};

std::map<QString, Member> ListAll(TUnzipFile &unzip)
{
    std::map<QString, Member> members;
    for (qint64 i = 0; i < unzip.ItemCount; ++i) {
        EXPECT_TRUE(unzip.Execute(ZipFunction::NextMember)) << "member " << i;
        members[unzip.ItemName] = {unzip.ItemSize, unzip.ItemDateTime, unzip.ItemAttributes};
    }
    return members;
}

class ZipListingTest : public ::testing::Test
{
protected:
    ScriptedUserInterface m_ui;
    ArchiveTestFolder m_folder;
    TUnzipFile m_unzip;
};

// An archive made by the system's zip: explicit folder entries, nested
// mixed-case folders, UTF-8 names, a read-only file and a comment.
TEST_F(ZipListingTest, ReadsMembersAndCommentOfArchiveMadeByZip)
{
    const QDateTime when(QDate(2023, 3, 4), QTime(5, 6, 8));
    m_folder.Write(QStringLiteral("src/Top/Readme.TXT"), "hello", when);
    m_folder.Write(QStringLiteral("src/Top/Sub Dir/deep.bin"), QByteArray(100000, 'x'), when);
    const QString utf8 = QStringLiteral("src/Top/\u00c4rger \u65e5\u672c.txt");
    m_folder.Write(utf8, "umlaut", when);
    const QString readOnly = m_folder.Write(QStringLiteral("src/Top/locked.txt"), "ro", when);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup);

    ASSERT_EQ(m_folder.Run(QStringLiteral("sh"),
                           {QStringLiteral("-c"), QStringLiteral("cd src && zip -r -q ../made.zip "
                                                                 "Top && zip -q -z ../made.zip")},
                           "Catalogue disk 7\nsecond line\n.\n"),
              0)
        << m_folder.Output().toStdString();

    m_unzip.lpszZipFile = m_folder.Path(QStringLiteral("made.zip"));
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Count));
    EXPECT_EQ(m_unzip.ItemCount, 6);
    const auto members = ListAll(m_unzip);

    ASSERT_TRUE(members.count(QStringLiteral("Top/")));
    ASSERT_TRUE(members.count(QStringLiteral("Top/Sub Dir/")));
    EXPECT_EQ(members.at(QStringLiteral("Top/Sub Dir/")).attributes & 0x10, 0x10u);
    const Member &deep = members.at(QStringLiteral("Top/Sub Dir/deep.bin"));
    EXPECT_EQ(deep.size, 100000);
    EXPECT_EQ(deep.dateTime, QStringLiteral("03/04/23 05:06"));
    EXPECT_EQ(deep.attributes, 0x20u);
    EXPECT_EQ(members.at(QStringLiteral("Top/locked.txt")).attributes, 0x21u);
    EXPECT_TRUE(members.count(QStringLiteral("Top/\u00c4rger \u65e5\u672c.txt")));
    EXPECT_TRUE(members.count(QStringLiteral("Top/Readme.TXT")));

    EXPECT_FALSE(m_unzip.Execute(ZipFunction::NextMember));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::EndOfMembers);

    ASSERT_TRUE(m_unzip.Execute(ZipFunction::CommentSize));
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Comment));
    // zip stores the comment's line breaks as CR LF; it is reported as stored.
    EXPECT_EQ(m_unzip.CommentText, QStringLiteral("Catalogue disk 7\r\nsecond line"));
    EXPECT_EQ(m_unzip.CommentSize, m_unzip.CommentText.toUtf8().size());

    // A new count starts the listing again.
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Count));
    EXPECT_EQ(ListAll(m_unzip).size(), 6u);
}

TEST_F(ZipListingTest, ArchiveWithoutCommentHasEmptyComment)
{
    m_folder.Write(QStringLiteral("a.txt"), "a");
    ASSERT_EQ(
        m_folder.Run(QStringLiteral("zip"),
                     {QStringLiteral("-q"), QStringLiteral("plain.zip"), QStringLiteral("a.txt")}),
        0);
    m_unzip.lpszZipFile = m_folder.Path(QStringLiteral("plain.zip"));
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::CommentSize));
    EXPECT_EQ(m_unzip.CommentSize, 0);
}

TEST_F(ZipListingTest, CodesOutsideTheTableFailWithoutTouchingTheResult)
{
    m_unzip.lpszZipFile = m_folder.Path(QStringLiteral("missing.zip"));
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Count));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::BadArchive);
    EXPECT_FALSE(m_unzip.Execute(0));
    EXPECT_FALSE(m_unzip.Execute(10));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::BadArchive);
    EXPECT_FALSE(m_unzip.Execute(3));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::Unsupported);

    TZipFile zip;
    EXPECT_FALSE(zip.Execute(ZipFunction::Count));
    EXPECT_EQ(zip.ErrorCode(), ZipResult::Unsupported);
}

TEST_F(ZipListingTest, TruncatedArchiveFailsCleanly)
{
    m_folder.Write(QStringLiteral("data.bin"), QByteArray(50000, 'q'));
    ASSERT_EQ(
        m_folder.Run(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("whole.zip"),
                                             QStringLiteral("data.bin")}),
        0);
    QByteArray bytes = ArchiveTestFolder::Read(m_folder.Path(QStringLiteral("whole.zip")));
    bytes.truncate(bytes.size() - 30); // cut inside the central directory
    const QString cut = m_folder.Write(QStringLiteral("cut.zip"), bytes);

    m_unzip.lpszZipFile = cut;
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Count));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::BadArchive);
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::NextMember));
    m_unzip.lpszDestination = m_folder.Path(QStringLiteral("out"));
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Extract));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::BadArchive);
    EXPECT_FALSE(QFileInfo::exists(m_folder.Path(QStringLiteral("out/data.bin"))));
}

TEST(ZipAttributesTest, DosAttributesFromHostAttributes)
{
    struct Row
    {
        const char *what;
        quint8 opsys;
        quint32 external;
        bool folderName;
        quint32 expected;
    };
    const Row rows[] = {
        {"unix file", ZIP_OPSYS_UNIX, 0100644u << 16, false, 0x20},
        {"unix read-only file", ZIP_OPSYS_UNIX, 0100444u << 16, false, 0x21},
        {"unix folder", ZIP_OPSYS_UNIX, (040755u << 16) | 0x10, true, 0x10},
        {"dos read-only archive", ZIP_OPSYS_DOS, 0x21, false, 0x21},
        {"dos hidden system", ZIP_OPSYS_DOS, 0x06, false, 0x06},
        {"dos folder by name only", ZIP_OPSYS_DOS, 0, true, 0x10},
        {"dos file with a folder's name", ZIP_OPSYS_DOS, 0x20, true, 0x20},
    };
    for (const Row &row : rows)
        EXPECT_EQ(TUnzipFile::DosAttributes(row.opsys, row.external, row.folderName), row.expected)
            << row.what;
}

TEST(ZipMessageTest, MessageAnswers)
{
    ScriptedUserInterface ui;
    TUnzipFile unzip;
    QStringList asked;
    unzip.AskOverwrite = [&](const QString &path) {
        asked << path;
        return OverwriteAnswer::YesToAll;
    };
    for (int code : {2, 3, 4, 5, 6, 11, 12, 13})
        EXPECT_EQ(unzip.MessageCallback(code, {}), 1) << code;
    for (int code : {0, 1, 7, 9, 10, 14, 99})
        EXPECT_EQ(unzip.MessageCallback(code, {}), 2) << code;
    const QString tail(37, u'.');
    EXPECT_EQ(unzip.MessageCallback(8, QStringLiteral("/tmp/x y.txt") + tail),
              OverwriteAnswer::YesToAll);
    EXPECT_EQ(asked, QStringList{QStringLiteral("/tmp/x y.txt")});

    // Without a handler of its own the question goes to the user interface.
    unzip.AskOverwrite = nullptr;
    ui.QueueDuplicateAnswer(OverwriteAnswer::No);
    EXPECT_EQ(unzip.MessageCallback(8, QStringLiteral("/d/f.txt") + tail), OverwriteAnswer::No);
    EXPECT_EQ(ui.TakeDuplicateQuestions(), QStringList{QStringLiteral("/d/f.txt")});
}

} // namespace

// An archive made by 7-Zip, with DOS-style attributes where 7-Zip keeps them,
// lists and extracts like one made by zip.
TEST_F(ZipListingTest, ReadsAndExtractsArchiveMadeBy7Zip)
{
    const QDateTime when(QDate(2022, 11, 30), QTime(23, 58, 0));
    m_folder.Write(QStringLiteral("src/Docs/Guide.txt"), "guide", when);
    m_folder.Write(QStringLiteral("src/Docs/images/Logo \u00e9t\u00e9.png"), QByteArray(5000, 'p'),
                   when);
    ASSERT_EQ(m_folder.Run(QStringLiteral("sh"),
                           {QStringLiteral("-c"), QStringLiteral("cd src && 7z a -tzip -bd -bb0 "
                                                                 "../seven.zip Docs >/dev/null")}),
              0)
        << m_folder.Output().toStdString();

    m_unzip.lpszZipFile = m_folder.Path(QStringLiteral("seven.zip"));
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Count));
    const auto members = ListAll(m_unzip);
    ASSERT_EQ(members.size(), 4u);
    const Member &logo = members.at(QStringLiteral("Docs/images/Logo \u00e9t\u00e9.png"));
    EXPECT_EQ(logo.size, 5000);
    EXPECT_EQ(logo.dateTime, QStringLiteral("11/30/22 23:58"));
    EXPECT_EQ(logo.attributes & 0x10, 0u);
    EXPECT_EQ(members.at(QStringLiteral("Docs/images/")).attributes & 0x10, 0x10u);

    m_unzip.lpszDestination = m_folder.Path(QStringLiteral("out"));
    m_unzip.lpszFileSpec = QStringLiteral("\"Docs\\images\\*.*\"");
    m_unzip.Options = RecurseFlag;
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    EXPECT_EQ(
        QFileInfo(m_folder.Path(QStringLiteral("out/Docs/images/Logo \u00e9t\u00e9.png"))).size(),
        5000);
    EXPECT_FALSE(QFileInfo::exists(m_folder.Path(QStringLiteral("out/Docs/Guide.txt"))));
}

// A ZIP64 archive (forced by zip -fz) lists its members and sizes.
TEST_F(ZipListingTest, ReadsZip64Archive)
{
    m_folder.Write(QStringLiteral("big.bin"), QByteArray(70000, 'b'));
    m_folder.Write(QStringLiteral("small.txt"), "s");
    ASSERT_EQ(m_folder.Run(QStringLiteral("zip"),
                           {QStringLiteral("-q"), QStringLiteral("-fz"), QStringLiteral("z64.zip"),
                            QStringLiteral("big.bin"), QStringLiteral("small.txt")}),
              0)
        << m_folder.Output().toStdString();
    ASSERT_EQ(
        m_folder.Run(QStringLiteral("unzip"), {QStringLiteral("-Zv"), QStringLiteral("z64.zip")}),
        0);
    ASSERT_TRUE(m_folder.Output().contains("PKWARE 64-bit sizes"))
        << "zip -fz made no ZIP64 archive";

    m_unzip.lpszZipFile = m_folder.Path(QStringLiteral("z64.zip"));
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Count));
    const auto members = ListAll(m_unzip);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members.at(QStringLiteral("big.bin")).size, 70000);
    m_unzip.lpszDestination = m_folder.Path(QStringLiteral("out"));
    m_unzip.Options = 0;
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    EXPECT_EQ(ArchiveTestFolder::Read(m_folder.Path(QStringLiteral("out/big.bin"))),
              QByteArray(70000, 'b'));
}
