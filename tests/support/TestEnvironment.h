#pragma once

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

// Points the settings and data folders of the whole test process at a fresh
// temporary home, so no test reads or writes the user's real settings.
void PrepareTestEnvironment();

// Runs the tests of the command line, watching each for environment
// variables it leaves changed (named with the test); a run with a failure
// or such a leak returns 1.
int RunAllTests(int &argc, char **argv);

// The temporary home made by PrepareTestEnvironment.
QString TestHome();

// Sets environment variables for one scope and puts back what was there
// before (set or unset) when it ends, so no test changes them for the next.
// std::nullopt unsets a variable for the scope.
class ScopedEnvironment
{
public:
    using Value = std::optional<QString>;

    ScopedEnvironment(const char *name, const Value &value);
    ScopedEnvironment(std::initializer_list<std::pair<const char *, Value>> values);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    struct Saved
    {
        const char *name;
        bool wasSet;
        QByteArray old;
    };
    std::vector<Saved> m_saved;
};

// Points the desktop's configuration and data folders (XDG_CONFIG_HOME, _DIRS,
// XDG_DATA_HOME, _DIRS) at "config", "etc", "local" and "share" below root for
// one scope, dropping the cached file types on both ends so they are read anew.
class ScopedDesktopFolders
{
public:
    explicit ScopedDesktopFolders(const QString &root);
    ~ScopedDesktopFolders();

private:
    std::optional<ScopedEnvironment> m_environment;
};

class SqliteConnection;
class TDataShare;

// Makes the folder, creates an empty catalog database in it and opens it
// through the data module. False when the database does not open.
[[nodiscard]] bool OpenFreshDatabase(TDataShare &data, const QString &folder);

// Where the name index of an open database and its rows disagree: a row's
// trigram the index misses, or one it holds for a row that no longer has it.
// Empty when they agree. Names are lowered with QString::toLower, which
// agrees with the index for the letters tests use.
QString NameIndexDisagreement(SqliteConnection &db);
