#pragma once

#include <QByteArray>
#include <QString>

// Points the settings and data folders of the whole test process at a fresh
// temporary home, so no test reads or writes the user's real settings.
void PrepareTestEnvironment();

// The temporary home made by PrepareTestEnvironment.
QString TestHome();

// Sets an environment variable for one scope.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QString &value)
        : m_name(name)
        , m_wasSet(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        qputenv(name, value.toUtf8());
    }
    ~ScopedEnvironment()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_wasSet;
    QByteArray m_old;
};

class SqliteConnection;

// Where the name index of an open database and its rows disagree: a row's
// trigram the index misses, or one it holds for a row that no longer has it.
// Empty when they agree. Names are lowered with QString::toLower, which
// agrees with the index for the letters tests use.
QString NameIndexDisagreement(SqliteConnection &db);
