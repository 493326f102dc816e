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

// Catalogs\Work\Disk 1 (label WORK1) holding a folder and files, and
// Catalogs\Disk 2 (label OTHER) holding a namesake of one of them.
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
            m_letterKey = AddCliFile(data, m_folderId, u"letter.txt"_s, 1234, when,
                                     u"to the cat\nsecond line"_s);
            AddCliFile(data, m_folderId, u"a.b.txt"_s, 10, when);
            AddCliFile(data, disk, u"setup.exe"_s, 5000, when);
            AddCliFile(data, other, u"setup.exe"_s, 5000, when);
        });
    }

    CliResult Find(const QStringList &arguments) { return Run(QStringList{u"find"_s} + arguments); }

    qint64 m_letterKey = 0;
    qint64 m_folderId = 0;
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
    struct Case
    {
        QStringList arguments;
        QStringList names;
    };
    const Case cases[] = {
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
    for (const Case &c : cases) {
        const CliResult result = Find(c.arguments);
        EXPECT_EQ(result.exitCode, 0) << c.arguments.join(u' ').toStdString() << "\n"
                                      << result.err.toStdString();
        EXPECT_EQ(FirstColumns(result.out), c.names) << c.arguments.join(u' ').toStdString();
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

} // namespace
