#include "CliRunner.h"
#include "find/SearchEngine.h"
#include "platform/DayCount.h"
#include "platform/FileTypes.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

// Catalogs\Work\Disk 1 (label WORK1) holding a folder of a folder and files,
// Catalogs\Disk 2 (label OTHER) holding a namesake of one of them, and an
// archive volume with one archive set.
class CliFindTest : public CliFixture
{
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        const double when = ToDayCount(QDateTime(QDate(2026, 7, 14), QTime(10, 1, 0)));
        MakeDatabase([&](TDataShare &data) {
            auto add = [&](qint64 parent, const QString &name, int cls, const QString &label) {
                return AddCliObject(data, parent, name, cls, when, 2048, {}, label);
            };
            const qint64 work = add(kCatalogsId, u"Work"_s, kCatalogFolderClass, {});
            const qint64 disk = add(work, u"Disk 1"_s, kHardDiskClass, u"WORK1"_s);
            m_folderId = add(disk, u"Letters"_s, kFileFolderClass, {});
            const qint64 other = add(kCatalogsId, u"Disk 2"_s, kHardDiskClass, u"OTHER"_s);
            m_draftsId = AddCliObject(data, m_folderId, u"Drafts"_s, kFileFolderClass, when, 0,
                                      u"two\nlines"_s);
            const qint64 volume =
                AddCliObject(data, kVolumePoolId, u"DVARC0001"_s, kEmptyArchiveVolumeClass, when);
            const qint64 set =
                AddCliObject(data, kArchivesId, u"Backup"_s, kArchiveSetClass, when, 77);
            data.CatalogDatabase.ExecuteScript(
                u"UPDATE Catalogs SET VolSize = %1 WHERE ID = %2"_s.arg(volume).arg(set));
            m_letterKey = AddCliFile(data, m_folderId, u"letter.txt"_s, 1234, when,
                                     u"to the cat\nsecond line"_s, 0);
            AddCliFile(data, m_folderId, u"a.b.txt"_s, 5'000'000'000LL, when, u"say \"hi\""_s, 33);
            AddCliFile(data, disk, u"setup.exe"_s, 5000, when);
            AddCliFile(data, other, u"setup.exe"_s, 5000, when);
        });
    }

    CliResult Find(const QStringList &arguments) { return Run(QStringList{u"find"_s} + arguments); }

    qint64 m_letterKey = 0;
    qint64 m_folderId = 0;
    qint64 m_draftsId = 0;
};

// Name order, descending, as the Find list starts: folders sort before files,
// so in this order they come last. A text line shows the list's columns, the
// path and the comment on one line.
TEST_F(CliFindTest, HitsAsJsonWithTheRawCommentOrAsLinesOfTheListColumns)
{
    EXPECT_EQ(OutputOf(Find({u"--name"_s, u"letter"_s, u"--json"_s})),
              u"[{\"name\":\"letter.txt\",\"kind\":\"file\",\"key\":%1,\"path\":\"Catalogs\\\\Work"
              "\\\\Disk 1\\\\Letters\\\\letter.txt\",\"size\":1234,\"type\":\"%3\",\"modified\":"
              "\"2026-07-14T10:01:00\",\"comment\":\"to the cat\\nsecond line\"},{\"name\":"
              "\"Letters\",\"kind\":\"object\",\"id\":%2,\"path\":\"Catalogs\\\\Work\\\\Disk 1"
              "\\\\Letters\",\"size\":2048,\"type\":\"File Folder\",\"modified\":"
              "\"2026-07-14T10:01:00\",\"comment\":\"\"}]\n"_s.arg(m_letterKey)
                  .arg(m_folderId)
                  .arg(FileTypeName(u"letter.txt"_s)));

    const QStringList columns = Find({u"--name"_s, u"letter.txt"_s}).out.trimmed().split(u'\t');
    EXPECT_EQ(columns.mid(0, 2), (QStringList{u"letter.txt"_s, u"1KB"_s}));
    EXPECT_EQ(columns.mid(4), (QStringList{u"Catalogs\\Work\\Disk 1\\Letters\\letter.txt"_s,
                                           u"to the cat second line"_s}));
}

TEST_F(CliFindTest, OptionsNarrowTheSearchAsTheWindowsCriteriaDo)
{
    // The options and the names found.
    const std::pair<QStringList, QStringList> cases[] = {
        {{u"--name"_s, u"*.txt"_s, u"--type"_s, u"7"_s}, {u"letter.txt"_s, u"a.b.txt"_s}},
        {{u"--comment"_s, u"CAT"_s, u"--whole-words"_s}, {u"letter.txt"_s}},
        {{u"--comment"_s, u"CAT"_s, u"--match-case"_s}, {}},
        {{u"--label"_s, u"oth"_s, u"--name"_s, u"setup"_s}, {u"setup.exe"_s}},
        {{u"--in"_s, u"catalogs\\work\\disk 1"_s, u"--no-subfolders"_s},
         {u"setup.exe"_s, u"Letters"_s}},
        {{u"--type"_s, u"12"_s}, {u"setup.exe"_s, u"setup.exe"_s}},
        // The Type list's name in any letter case stands for its number.
        {{u"--name"_s, u"*.txt"_s, u"--type"_s, u"files only"_s}, {u"letter.txt"_s, u"a.b.txt"_s}},
        {{u"--type"_s, u"2"_s, u"--between"_s, u"2026-07-15"_s, u"--and"_s, u"2026-07-01"_s},
         {u"Disk 2"_s, u"Disk 1"_s}},
        {{u"--type"_s, u"2"_s, u"--between"_s, u"2026-07-15"_s, u"--and"_s, u"2026-07-20"_s}, {}},
        // The limit keeps the first hits in stored order (objects before files).
        {{u"--name"_s, u"lett"_s, u"--limit"_s, u"1"_s}, {u"Letters"_s}},
    };
    for (const auto &[arguments, names] : cases) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliResult result = Find(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_EQ(FirstColumns(result.out), names);
    }
}

TEST_F(CliFindTest, TheLimitIsReportedAndBadInputIsRefused)
{
    const CliResult limited = Find({u"--limit"_s, u"1"_s});
    EXPECT_EQ(limited.exitCode, 0);
    EXPECT_EQ(FirstColumns(limited.out).size(), 1);
    EXPECT_TRUE(limited.err.contains(u"limit of 1 hits"_s)) << limited.err.toStdString();
    // A duplicate search limits the duplicates it found, not the files it
    // looked at first (most of which have no twin).
    const CliResult twins = Find({u"--type"_s, u"11"_s, u"--limit"_s, u"1"_s});
    EXPECT_EQ(FirstColumns(twins.out), QStringList{u"setup.exe"_s});
    EXPECT_TRUE(twins.err.contains(u"limit of 1 hits"_s)) << twins.err.toStdString();

    const QList<QStringList> usages = {{u"--type"_s, u"14"_s},
                                       {u"--type"_s, u"Files"_s},
                                       {u"--between"_s, u"2026-01-01"_s},
                                       {u"--limit"_s, u"0"_s}};
    for (const QStringList &arguments : usages)
        EXPECT_EQ(Find(arguments).exitCode, 2) << arguments.join(u' ').toStdString();

    EXPECT_TRUE(FailedWith(Find({u"--between"_s, u"32/13/2026"_s, u"--and"_s, u"2026-01-01"_s}),
                           u"The Date entered is invalid"_s));
    EXPECT_TRUE(FailedWith(Find({u"--in"_s, u"Catalogs\\Nowhere"_s}), u"there is no"_s));
}

TEST_F(CliFindTest, ListsTheChildObjectsThenTheFilesAsJson)
{
    EXPECT_EQ(OutputOf(Run({u"ls"_s, u"catalogs\\WORK\\disk 1\\letters"_s, u"--json"_s})),
              u"[{\"name\":\"Drafts\",\"kind\":\"object\",\"id\":%1,\"class\":7,\"size\":0,"
              "\"modified\":\"2026-07-14T10:01:00\",\"comment\":\"two\\nlines\"},{\"name\":"
              "\"letter.txt\",\"kind\":\"file\",\"key\":%2,\"attributes\":0,\"size\":1234,"
              "\"modified\":\"2026-07-14T10:01:00\",\"comment\":\"to the cat\\nsecond line\"},"
              "{\"name\":\"a.b.txt\",\"kind\":\"file\",\"key\":%3,\"attributes\":33,"
              "\"size\":5000000000,\"modified\":\"2026-07-14T10:01:00\",\"comment\":"
              "\"say \\\"hi\\\"\"}]\n"_s.arg(m_draftsId)
                  .arg(m_letterKey)
                  .arg(m_letterKey + 1));
}

TEST_F(CliFindTest, TextListsOneLinePerEntryInTheMainListColumns)
{
    // The arguments and the first column of each line.
    const std::pair<QStringList, QStringList> cases[] = {
        {{u"ls"_s}, {u"Archives"_s, u"Catalogs"_s, u"Wastebasket"_s}},
        {{u"ls"_s, u"Catalogs\\Work\\"_s}, {u"Disk 1"_s}},
        {{u"ls"_s, u"Catalogs\\Work\\Disk 1\\Letters"_s},
         {u"Drafts"_s, u"letter.txt"_s, u"a.b.txt"_s}},
        // An archive volume lists the archive sets stored on it.
        {{u"ls"_s, u"Archives\\Volume Pool\\DVARC0001"_s}, {u"Backup"_s}},
    };
    for (const auto &[arguments, firstColumns] : cases) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliResult listing = Run(arguments);
        ASSERT_EQ(listing.exitCode, 0) << listing.err.toStdString();
        QStringList lines = listing.out.split(u'\n');
        ASSERT_EQ(lines.takeLast(), QString());
        QStringList names;
        for (const QString &line : lines) {
            EXPECT_EQ(line.count(u'\t'), 4) << line.toStdString();
            names << line.section(u'\t', 0, 0);
        }
        EXPECT_EQ(names, firstColumns);
    }
    const QStringList folder =
        Run({u"ls"_s, u"Catalogs\\Work\\Disk 1\\Letters"_s}).out.split(u'\n');
    // A folder shows no size, a comment stays on its line.
    EXPECT_TRUE(folder[0].startsWith(u"Drafts\t\tFile Folder\t"_s));
    EXPECT_TRUE(folder[0].endsWith(u"\ttwo lines"_s));
    EXPECT_TRUE(folder[1].startsWith(u"letter.txt\t1KB\t"_s));
}

TEST_F(CliFindTest, APathThatDoesNotExistFails)
{
    // Paths start at the top: "Work" alone names nothing.
    const CliResult listing = Run({u"ls"_s, u"Work"_s});
    EXPECT_TRUE(FailedWith(listing, u"there is no \"Work\""_s));
    EXPECT_TRUE(listing.out.isEmpty());
    EXPECT_EQ(Run({u"ls"_s, u"a"_s, u"b"_s}).exitCode, 2);
}

} // namespace
