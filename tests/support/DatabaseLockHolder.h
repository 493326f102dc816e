#pragma once

#include <QString>

#include <sys/types.h>

// Another program holding a catalog database file: a child process that
// opens the file with plain SQLite, takes the exclusive lock and keeps it
// until Release() or destruction.
class DatabaseLockHolder final
{
public:
    explicit DatabaseLockHolder(const QString &databaseFile);
    ~DatabaseLockHolder();
    DatabaseLockHolder(const DatabaseLockHolder &) = delete;
    DatabaseLockHolder &operator=(const DatabaseLockHolder &) = delete;

    // True once the child holds the lock.
    bool Holding() const { return m_holding; }
    // Lets the child close the file and waits for it to end.
    void Release();

private:
    pid_t m_child = -1;
    int m_ready[2] = {-1, -1};
    int m_release[2] = {-1, -1};
    bool m_holding = false;
};
