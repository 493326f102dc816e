#include "ArchiveTestFolder.h"
#include "archive/ZipEngine.h"
#include "support/ScriptedUserInterface.h"

#include <QFile>

#include <map>

using namespace Qt::StringLiterals;

namespace {

struct Member
{
    qint64 size = 0;
    QString dateTime;
    quint32 attributes = 0;
};

class ZipListingTest : public ::testing::Test
{
protected:
    // Counts the members of a ZIP file, then lists every one.
    std::map<QString, Member> List(const QString &zip)
    {
        m_unzip.lpszZipFile = zip;
        EXPECT_TRUE(m_unzip.Execute(ZipFunction::Count));
        std::map<QString, Member> members;
        for (qint64 i = 0; i < m_unzip.ItemCount; ++i) {
            EXPECT_TRUE(m_unzip.Execute(ZipFunction::NextMember)) << "member " << i;
            members[m_unzip.ItemName] = {m_unzip.ItemSize, m_unzip.ItemDateTime,
                                         m_unzip.ItemAttributes};
        }
        return members;
    }

    ScriptedUserInterface m_ui;
    ArchiveTestFolder m_folder;
    TUnzipFile m_unzip;
};

// An archive made by the system's zip: explicit folder entries, nested
// mixed-case folders, UTF-8 names, a read-only file and a comment.
TEST_F(ZipListingTest, ReadsMembersAndCommentOfArchiveMadeByZip)
{
    const QDateTime when(QDate(2023, 3, 4), QTime(5, 6, 8));
    m_folder.Write(u"src/Top/Readme.TXT"_s, "hello", when);
    m_folder.Write(u"src/Top/Sub Dir/deep.bin"_s, QByteArray(100000, 'x'), when);
    const QString utf8 = u"src/Top/\u00c4rger \u65e5\u672c.txt"_s;
    m_folder.Write(utf8, "umlaut", when);
    const QString readOnly = m_folder.Write(u"src/Top/locked.txt"_s, "ro", when);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup);

    ASSERT_EQ(m_folder.Run(u"sh"_s,
                           {u"-c"_s, u"cd src && zip -r -q ../made.zip "
                                     "Top && zip -q -z ../made.zip"_s},
                           "Catalogue disk 7\nsecond line\n.\n"),
              0)
        << m_folder.Output().toStdString();

    const auto members = List(m_folder.Path(u"made.zip"_s));
    EXPECT_EQ(m_unzip.ItemCount, 6);

    ASSERT_TRUE(members.count(u"Top/"_s));
    ASSERT_TRUE(members.count(u"Top/Sub Dir/"_s));
    EXPECT_EQ(members.at(u"Top/Sub Dir/"_s).attributes & 0x10, 0x10u);
    const Member &deep = members.at(u"Top/Sub Dir/deep.bin"_s);
    EXPECT_EQ(deep.size, 100000);
    EXPECT_EQ(deep.dateTime, u"03/04/23 05:06"_s);
    EXPECT_EQ(deep.attributes, 0x20u);
    EXPECT_EQ(members.at(u"Top/locked.txt"_s).attributes, 0x21u);
    EXPECT_TRUE(members.count(u"Top/\u00c4rger \u65e5\u672c.txt"_s));
    EXPECT_TRUE(members.count(u"Top/Readme.TXT"_s));

    EXPECT_FALSE(m_unzip.Execute(ZipFunction::NextMember));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::EndOfMembers);

    ASSERT_TRUE(m_unzip.Execute(ZipFunction::CommentSize));
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Comment));
    // zip stores the comment's line breaks as CR LF; it is reported as stored.
    EXPECT_EQ(m_unzip.CommentText, u"Catalogue disk 7\r\nsecond line"_s);
    EXPECT_EQ(m_unzip.CommentSize, m_unzip.CommentText.toUtf8().size());

    // A new count starts the listing again.
    EXPECT_EQ(List(m_unzip.lpszZipFile).size(), 6u);
}

TEST_F(ZipListingTest, MissingOrTruncatedArchivesAndUnknownCodesFailCleanly)
{
    m_folder.Write(u"data.bin"_s, QByteArray(50000, 'q'));
    m_folder.Zip({u"whole.zip"_s, u"data.bin"_s});
    QByteArray bytes = ArchiveTestFolder::Read(m_folder.Path(u"whole.zip"_s));
    bytes.truncate(bytes.size() - 30); // cut inside the central directory
    const QString cut = m_folder.Write(u"cut.zip"_s, bytes);

    m_unzip.lpszZipFile = cut;
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Count));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::BadArchive);
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::NextMember));
    m_unzip.lpszDestination = m_folder.Path(u"out"_s);
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Extract));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::BadArchive);
    EXPECT_FALSE(QFileInfo::exists(m_folder.Path(u"out/data.bin"_s)));

    m_unzip.lpszZipFile = m_folder.Path(u"missing.zip"_s);
    EXPECT_FALSE(m_unzip.Execute(ZipFunction::Count));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::BadArchive);
    // Codes outside the table fail without touching the result.
    EXPECT_FALSE(m_unzip.Execute(0));
    EXPECT_FALSE(m_unzip.Execute(10));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::BadArchive);
    EXPECT_FALSE(m_unzip.Execute(3));
    EXPECT_EQ(m_unzip.ErrorCode(), ZipResult::Unsupported);
    TZipFile zip;
    EXPECT_FALSE(zip.Execute(ZipFunction::Count));
    EXPECT_EQ(zip.ErrorCode(), ZipResult::Unsupported);
}

TEST(ZipAttributesTest, DosAttributesFromHostAttributes)
{
    // Each row: what, opsys, external, folderName, expected.
    const std::tuple<const char *, quint8, quint32, bool, quint32> rows[] = {
        {"unix file", ZIP_OPSYS_UNIX, 0100644u << 16, false, 0x20},
        {"unix read-only file", ZIP_OPSYS_UNIX, 0100444u << 16, false, 0x21},
        {"unix folder", ZIP_OPSYS_UNIX, (040755u << 16) | 0x10, true, 0x10},
        {"dos read-only archive", ZIP_OPSYS_DOS, 0x21, false, 0x21},
        {"dos hidden system", ZIP_OPSYS_DOS, 0x06, false, 0x06},
        {"dos folder by name only", ZIP_OPSYS_DOS, 0, true, 0x10},
        {"dos file with a folder's name", ZIP_OPSYS_DOS, 0x20, true, 0x20},
    };
    for (const auto &[what, opsys, external, folderName, expected] : rows)
        EXPECT_EQ(TUnzipFile::DosAttributes(opsys, external, folderName), expected) << what;
}

} // namespace

// An archive made by 7-Zip, with DOS-style attributes where 7-Zip keeps them,
// lists like one made by zip.
TEST_F(ZipListingTest, ReadsArchiveMadeBy7Zip)
{
    const QDateTime when(QDate(2022, 11, 30), QTime(23, 58, 0));
    m_folder.Write(u"src/Docs/Guide.txt"_s, "guide", when);
    m_folder.Write(u"src/Docs/images/Logo \u00e9t\u00e9.png"_s, QByteArray(5000, 'p'), when);
    ASSERT_EQ(m_folder.Run(u"sh"_s, {u"-c"_s, u"cd src && 7z a -tzip -bd -bb0 "
                                              "../seven.zip Docs >/dev/null"_s}),
              0)
        << m_folder.Output().toStdString();

    const auto members = List(m_folder.Path(u"seven.zip"_s));
    ASSERT_EQ(members.size(), 4u);
    const Member &logo = members.at(u"Docs/images/Logo \u00e9t\u00e9.png"_s);
    EXPECT_EQ(logo.size, 5000);
    EXPECT_EQ(logo.dateTime, u"11/30/22 23:58"_s);
    EXPECT_EQ(logo.attributes & 0x10, 0u);
    EXPECT_EQ(members.at(u"Docs/images/"_s).attributes & 0x10, 0x10u);
}

// A ZIP64 archive (forced by zip -fz) lists its members and sizes.
TEST_F(ZipListingTest, ReadsZip64Archive)
{
    m_folder.Write(u"big.bin"_s, QByteArray(70000, 'b'));
    m_folder.Write(u"small.txt"_s, "s");
    m_folder.Zip({u"-fz"_s, u"z64.zip"_s, u"big.bin"_s, u"small.txt"_s});
    ASSERT_EQ(m_folder.Run(u"unzip"_s, {u"-Zv"_s, u"z64.zip"_s}), 0);
    ASSERT_TRUE(m_folder.Output().contains("PKWARE 64-bit sizes"))
        << "zip -fz made no ZIP64 archive";

    const auto members = List(m_folder.Path(u"z64.zip"_s));
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members.at(u"big.bin"_s).size, 70000);
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::CommentSize));
    EXPECT_EQ(m_unzip.CommentSize, 0) << "an archive without a comment";
    m_unzip.lpszDestination = m_folder.Path(u"out"_s);
    m_unzip.Options = 0;
    ASSERT_TRUE(m_unzip.Execute(ZipFunction::Extract)) << m_unzip.ErrorCode();
    EXPECT_EQ(ArchiveTestFolder::Read(m_folder.Path(u"out/big.bin"_s)), QByteArray(70000, 'b'));
}
