#include "support/TestEnvironment.h"

#include "platform/FileTypes.h"
#include "store/DataShare.h"
#include "store/NameIndex.h"
#include "store/SqliteConnection.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>

using namespace Qt::StringLiterals;

namespace {
std::unique_ptr<QTemporaryDir> g_home;
bool g_environmentLeaked = false;

class EnvironmentLeakWatcher : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo &) override
    {
        m_before = QProcessEnvironment::systemEnvironment();
    }
    void OnTestEnd(const testing::TestInfo &test) override
    {
        const QProcessEnvironment after = QProcessEnvironment::systemEnvironment();
        QStringList names = m_before.keys() + after.keys();
        names.removeDuplicates();
        names.sort();
        for (const QString &name : names) {
            if (m_before.contains(name) != after.contains(name) ||
                m_before.value(name) != after.value(name)) {
                std::fprintf(stderr, "%s.%s left %s changed\n", test.test_suite_name(), test.name(),
                             qPrintable(name));
                g_environmentLeaked = true;
            }
        }
    }
    QProcessEnvironment m_before;
};
} // namespace

void PrepareTestEnvironment()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/dirvanta-test-XXXXXX"_s);
    const QString home = g_home->path();
    QDir(home).mkpath(u"config"_s);
    QDir(home).mkpath(u"data"_s);
    qputenv("XDG_CONFIG_HOME", QString(home + u"/config"_s).toUtf8());
    qputenv("XDG_DATA_HOME", QString(home + u"/data"_s).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.toUtf8());
}

int RunAllTests(int &argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new EnvironmentLeakWatcher);
    const int failed = RUN_ALL_TESTS();
    return failed != 0 || g_environmentLeaked ? 1 : 0;
}

QString TestHome()
{
    return g_home ? g_home->path() : QString();
}

ScopedEnvironment::ScopedEnvironment(const char *name, const Value &value)
    : ScopedEnvironment({{name, value}})
{
}

ScopedEnvironment::ScopedEnvironment(std::initializer_list<std::pair<const char *, Value>> values)
{
    for (const auto &[name, value] : values) {
        m_saved.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        if (value)
            qputenv(name, value->toUtf8());
        else
            qunsetenv(name);
    }
}

ScopedEnvironment::~ScopedEnvironment()
{
    // Backwards, so a variable named twice ends as it was before the first.
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->wasSet)
            qputenv(it->name, it->old);
        else
            qunsetenv(it->name);
    }
}

ScopedDesktopFolders::ScopedDesktopFolders(const QString &root)
{
    const QDir folder(root);
    m_environment.emplace(std::initializer_list<std::pair<const char *, ScopedEnvironment::Value>>{
        {"XDG_CONFIG_HOME", folder.filePath(u"config"_s)},
        {"XDG_CONFIG_DIRS", folder.filePath(u"etc"_s)},
        {"XDG_DATA_HOME", folder.filePath(u"local"_s)},
        {"XDG_DATA_DIRS", folder.filePath(u"share"_s)}});
    ResetFileTypeCaches();
}

ScopedDesktopFolders::~ScopedDesktopFolders()
{
    m_environment.reset();
    ResetFileTypeCaches();
}

bool OpenFreshDatabase(TDataShare &data, const QString &folder)
{
    QDir().mkpath(folder);
    data.DatabaseFolder = folder;
    data.CreateDatabaseTables();
    return data.OpenDatabase();
}

QString NameIndexDisagreement(SqliteConnection &db)
{
    struct Indexed
    {
        QString schema, table, row, index;
    };
    const Indexed tables[] = {{u"main"_s, u"Catalogs"_s, u"ID"_s, u"CatalogsNameIndex"_s},
                              {u"FilesDb"_s, u"Files"_s, u"Key"_s, u"FilesNameIndex"_s}};
    using Trigrams = std::set<std::pair<QString, qint64>>;
    // The first trigram of one set the other lacks, as a sentence; empty when none.
    const auto lacking = [](const Trigrams &from, const Trigrams &in, const QString &how) {
        for (const auto &[trigram, row] : from) {
            if (!in.count({trigram, row}))
                return how.arg(row).arg(trigram);
        }
        return QString();
    };
    NameIndex::Flush(db);
    for (const Indexed &t : tables) {
        Trigrams expected;
        SqliteStatement &rows =
            db.Prepare(u"SELECT %1, Name FROM %2.%3"_s.arg(t.row, t.schema, t.table));
        while (rows.Step()) {
            const QList<uint> name = rows.Text(1).toLower().toUcs4();
            for (qsizetype i = 0; i + 3 <= name.size(); ++i)
                expected.emplace(QString::fromUcs4(reinterpret_cast<const char32_t *>(&name[i]), 3),
                                 rows.Int64(0));
        }
        rows.Reset();
        const QString vocabulary = u"%1Vocabulary"_s.arg(t.index);
        db.ExecuteScript(u"CREATE VIRTUAL TABLE IF NOT EXISTS temp.%1 USING "
                         "fts5vocab(%2, %3, 'instance')"_s.arg(vocabulary, t.schema, t.index));
        Trigrams actual;
        SqliteStatement &terms = db.Prepare(u"SELECT term, doc FROM temp.%1"_s.arg(vocabulary));
        while (terms.Step())
            actual.emplace(terms.Text(0), terms.Int64(1));
        terms.Reset();
        const QString missing = lacking(expected, actual, t.table + u" row %1 is missing \"%2\""_s);
        const QString wrong = lacking(actual, expected, t.table + u" row %1 wrongly has \"%2\""_s);
        if (!missing.isEmpty() || !wrong.isEmpty())
            return missing.isEmpty() ? wrong : missing;
    }
    return {};
}
