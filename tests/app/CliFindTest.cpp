#include "CliRunner.h"
#include "find/SearchEngine.h"
#include "platform/DayCount.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Catalogs\Work\Disk 1 (label WORK1) holding a folder and files, and
// Catalogs\Disk 2 (label OTHER) holding a namesake of one of them.
class CliFindTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_when = ToDayCount(QDateTime(QDate(2026, 7, 14), QTime(10, 1, 0)));
        MakeCliDatabase(Db(), [&](TDataShare &data) {
            auto add = [&](qint64 parent, const char *name, int cls, const char *label) {
                return AppendCatalogRow(data.Catalogs, QString::fromUtf8(name), QString(), parent,
                                        cls, false, m_when, m_when, QString(),
                                        QString::fromUtf8(label), 2048, 0);
            };
            const qint64 work =
                add(CatalogSchema::kCatalogsId, "Work", CatalogSchema::kCatalogFolderClass, "");
            m_disk = add(work, "Disk 1", CatalogSchema::kHardDiskClass, "WORK1");
            const qint64 folder = add(m_disk, "Letters", CatalogSchema::kFileFolderClass, "");
            const qint64 other =
                add(CatalogSchema::kCatalogsId, "Disk 2", CatalogSchema::kHardDiskClass, "OTHER");
            auto addFile = [&](qint64 owner, const char *name, qint64 size, const char *comment) {
                SqliteStatement &insert = data.CatalogDatabase.Prepare(QStringLiteral(
                    "INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, "
                    "Modified) VALUES (?1, 32, ?2, ?3, 0, ?4, ?5, ?5)"));
                insert.Bind(1, owner)
                    .Bind(2, size)
                    .Bind(3, QString::fromUtf8(name))
                    .Bind(4, QString::fromUtf8(comment))
                    .Bind(5, m_when)
                    .Execute();
                return data.CatalogDatabase.LastInsertId();
            };
            m_letterKey = addFile(folder, "letter.txt", 1234, "to the cat\nsecond line");
            addFile(folder, "a.b.txt", 10, "");
            addFile(m_disk, "setup.exe", 5000, "");
            addFile(other, "setup.exe", 5000, "");
        });
    }

    QString Db() const { return m_folder.filePath(QStringLiteral("db")); }

    CliResult Run(const QStringList &arguments)
    {
        return RunCli(QStringList{QStringLiteral("--db"), Db(), QStringLiteral("find")} +
                      arguments);
    }

    QStringList Names(const CliResult &result)
    {
        QStringList names;
        for (const QString &line : result.out.split(u'\n', Qt::SkipEmptyParts))
            names << line.section(u'\t', 0, 0);
        return names;
    }

    QTemporaryDir m_folder;
    double m_when = 0;
    qint64 m_disk = 0;
    qint64 m_letterKey = 0;
};

TEST_F(CliFindTest, JsonHitsCarryTheirPathTypeAndRawComment)
{
    const CliResult result =
        Run({QStringLiteral("--name"), QStringLiteral("letter"), QStringLiteral("--json")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith(QStringLiteral("[{\"name\":\"letter.txt\",\"kind\":\"file\","
                                                     "\"key\":")))
        << result.out.toStdString();
    const QJsonArray hits = QJsonDocument::fromJson(result.out.toUtf8()).array();
    ASSERT_EQ(hits.size(), 2) << result.out.toStdString();
    // Name order, descending, as the Find list starts: folders sort before
    // files, so in this order they come last.
    const QJsonObject folder = hits.at(1).toObject();
    EXPECT_EQ(folder.value(QStringLiteral("name")).toString(), QStringLiteral("Letters"));
    EXPECT_EQ(folder.value(QStringLiteral("kind")).toString(), QStringLiteral("object"));
    EXPECT_TRUE(folder.contains(QStringLiteral("id")));
    EXPECT_EQ(folder.value(QStringLiteral("type")).toString(), QStringLiteral("File Folder"));
    const QJsonObject file = hits.at(0).toObject();
    EXPECT_EQ(file.value(QStringLiteral("kind")).toString(), QStringLiteral("file"));
    EXPECT_EQ(file.value(QStringLiteral("key")).toInteger(), m_letterKey);
    EXPECT_EQ(file.value(QStringLiteral("path")).toString(),
              QStringLiteral("Catalogs\\Work\\Disk 1\\Letters\\letter.txt"));
    EXPECT_EQ(file.value(QStringLiteral("size")).toInteger(), 1234);
    EXPECT_EQ(file.value(QStringLiteral("modified")).toString(),
              QStringLiteral("2026-07-14T10:01:00"));
    EXPECT_EQ(file.value(QStringLiteral("comment")).toString(),
              QStringLiteral("to the cat\nsecond line"));
}

TEST_F(CliFindTest, OptionsNarrowTheSearchAsTheWindowsCriteriaDo)
{
    struct Case
    {
        QStringList arguments;
        QStringList names;
    };
    const Case cases[] = {
        {{QStringLiteral("--name"), QStringLiteral("*.txt"), QStringLiteral("--type"),
          QStringLiteral("7")},
         {QStringLiteral("letter.txt"), QStringLiteral("a.b.txt")}},
        {{QStringLiteral("--comment"), QStringLiteral("CAT"), QStringLiteral("--whole-words")},
         {QStringLiteral("letter.txt")}},
        {{QStringLiteral("--comment"), QStringLiteral("CAT"), QStringLiteral("--match-case")}, {}},
        {{QStringLiteral("--label"), QStringLiteral("oth"), QStringLiteral("--name"),
          QStringLiteral("setup")},
         {QStringLiteral("setup.exe")}},
        {{QStringLiteral("--in"), QStringLiteral("catalogs\\work\\disk 1"),
          QStringLiteral("--no-subfolders")},
         {QStringLiteral("setup.exe"), QStringLiteral("Letters")}},
        {{QStringLiteral("--type"), QStringLiteral("12")},
         {QStringLiteral("setup.exe"), QStringLiteral("setup.exe")}},
        // The Type list's name in any letter case stands for its number.
        {{QStringLiteral("--name"), QStringLiteral("*.txt"), QStringLiteral("--type"),
          QStringLiteral("files only")},
         {QStringLiteral("letter.txt"), QStringLiteral("a.b.txt")}},
        {{QStringLiteral("--type"), QStringLiteral("2"), QStringLiteral("--between"),
          QStringLiteral("2026-07-15"), QStringLiteral("--and"), QStringLiteral("2026-07-01")},
         {QStringLiteral("Disk 2"), QStringLiteral("Disk 1")}},
        {{QStringLiteral("--type"), QStringLiteral("2"), QStringLiteral("--between"),
          QStringLiteral("2026-07-15"), QStringLiteral("--and"), QStringLiteral("2026-07-20")},
         {}},
        // The limit keeps the first hits in stored order (objects before files).
        {{QStringLiteral("--name"), QStringLiteral("lett"), QStringLiteral("--limit"),
          QStringLiteral("1")},
         {QStringLiteral("Letters")}},
    };
    for (const Case &c : cases) {
        const CliResult result = Run(c.arguments);
        EXPECT_EQ(result.exitCode, 0) << c.arguments.join(u' ').toStdString() << "\n"
                                      << result.err.toStdString();
        EXPECT_EQ(Names(result), c.names) << c.arguments.join(u' ').toStdString();
    }
}

TEST_F(CliFindTest, TextLinesShowTheListColumnsAndThePath)
{
    const CliResult result = Run({QStringLiteral("--name"), QStringLiteral("letter.txt")});
    ASSERT_EQ(result.exitCode, 0);
    const QStringList columns = result.out.trimmed().split(u'\t');
    ASSERT_EQ(columns.size(), 6) << result.out.toStdString();
    EXPECT_EQ(columns.at(1), QStringLiteral("1KB"));
    EXPECT_EQ(columns.at(4), QStringLiteral("Catalogs\\Work\\Disk 1\\Letters\\letter.txt"));
    EXPECT_EQ(columns.at(5), QStringLiteral("to the cat second line"));
}

TEST_F(CliFindTest, TheLimitIsReportedAndBadInputIsRefused)
{
    const CliResult limited = Run({QStringLiteral("--limit"), QStringLiteral("1")});
    EXPECT_EQ(limited.exitCode, 0);
    EXPECT_EQ(Names(limited).size(), 1);
    EXPECT_TRUE(limited.err.contains(QStringLiteral("limit of 1 hits")))
        << limited.err.toStdString();
    // A duplicate search limits the duplicates it found, not the files it
    // looked at first (most of which have no twin).
    const CliResult twins = Run({QStringLiteral("--type"), QStringLiteral("11"),
                                 QStringLiteral("--limit"), QStringLiteral("1")});
    EXPECT_EQ(Names(twins), QStringList{QStringLiteral("setup.exe")});
    EXPECT_TRUE(twins.err.contains(QStringLiteral("limit of 1 hits"))) << twins.err.toStdString();

    const QList<QStringList> usages = {{QStringLiteral("--type"), QStringLiteral("14")},
                                       {QStringLiteral("--type"), QStringLiteral("Files")},
                                       {QStringLiteral("--between"), QStringLiteral("2026-01-01")},
                                       {QStringLiteral("--limit"), QStringLiteral("0")},
                                       {QStringLiteral("--name")},
                                       {QStringLiteral("--bogus")},
                                       {QStringLiteral("stray")}};
    for (const QStringList &arguments : usages)
        EXPECT_EQ(Run(arguments).exitCode, 2) << arguments.join(u' ').toStdString();

    const CliResult badDate = Run({QStringLiteral("--between"), QStringLiteral("32/13/2026"),
                                   QStringLiteral("--and"), QStringLiteral("2026-01-01")});
    EXPECT_EQ(badDate.exitCode, 1);
    EXPECT_TRUE(badDate.err.contains(QStringLiteral("The Date entered is invalid")))
        << badDate.err.toStdString();
    const CliResult missing = Run({QStringLiteral("--in"), QStringLiteral("Catalogs\\Nowhere")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("there is no"))) << missing.err.toStdString();
}

} // namespace
