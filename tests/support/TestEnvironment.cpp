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
    g_home =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/dirvanta-test-XXXXXX"));
    const QString home = g_home->path();
    QDir(home).mkpath(QStringLiteral("config"));
    QDir(home).mkpath(QStringLiteral("data"));
    qputenv("XDG_CONFIG_HOME", QString(home + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", QString(home + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.toUtf8());
}

void WatchEnvironmentLeaks()
{
    testing::UnitTest::GetInstance()->listeners().Append(new EnvironmentLeakWatcher);
}

bool EnvironmentLeaked()
{
    return g_environmentLeaked;
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
        {"XDG_CONFIG_HOME", folder.filePath(QStringLiteral("config"))},
        {"XDG_CONFIG_DIRS", folder.filePath(QStringLiteral("etc"))},
        {"XDG_DATA_HOME", folder.filePath(QStringLiteral("local"))},
        {"XDG_DATA_DIRS", folder.filePath(QStringLiteral("share"))}});
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
        QLatin1String schema, table, row, index;
    };
    const Indexed tables[] = {{QLatin1String("main"), QLatin1String("Catalogs"),
                               QLatin1String("ID"), QLatin1String("CatalogsNameIndex")},
                              {QLatin1String("FilesDb"), QLatin1String("Files"),
                               QLatin1String("Key"), QLatin1String("FilesNameIndex")}};
    NameIndex::Flush(db);
    for (const Indexed &t : tables) {
        std::set<std::pair<QString, qint64>> expected;
        SqliteStatement &rows =
            db.Prepare(QStringLiteral("SELECT %1, Name FROM %2.%3").arg(t.row, t.schema, t.table));
        while (rows.Step()) {
            const QList<uint> name = rows.Text(1).toLower().toUcs4();
            for (qsizetype i = 0; i + 3 <= name.size(); ++i)
                expected.emplace(QString::fromUcs4(reinterpret_cast<const char32_t *>(&name[i]), 3),
                                 rows.Int64(0));
        }
        rows.Reset();
        const QString vocabulary = QStringLiteral("%1Vocabulary").arg(t.index);
        db.ExecuteScript(QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS temp.%1 USING "
                                        "fts5vocab(%2, %3, 'instance')")
                             .arg(vocabulary, t.schema, t.index));
        std::set<std::pair<QString, qint64>> actual;
        SqliteStatement &terms =
            db.Prepare(QStringLiteral("SELECT term, doc FROM temp.%1").arg(vocabulary));
        while (terms.Step())
            actual.emplace(terms.Text(0), terms.Int64(1));
        terms.Reset();
        for (const auto &[trigram, row] : expected) {
            if (!actual.count({trigram, row}))
                return QStringLiteral("%1 row %2 is missing \"%3\"")
                    .arg(t.table)
                    .arg(row)
                    .arg(trigram);
        }
        for (const auto &[trigram, row] : actual) {
            if (!expected.count({trigram, row}))
                return QStringLiteral("%1 row %2 wrongly has \"%3\"")
                    .arg(t.table)
                    .arg(row)
                    .arg(trigram);
        }
    }
    return {};
}
