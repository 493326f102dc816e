#include "support/DatabaseLockHolder.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

DatabaseLockHolder::DatabaseLockHolder(const QString &databaseFile)
{
    if (pipe(m_ready) != 0 || pipe(m_release) != 0)
        return;
    const QByteArray path = databaseFile.toUtf8();
    m_child = fork();
    if (m_child == 0) {
        // Only plain SQLite and system calls in the child.
        sqlite3 *db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        const int rc = sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;",
                                    nullptr, nullptr, nullptr);
        const char answer = rc == SQLITE_OK ? 'y' : 'n';
        (void)!write(m_ready[1], &answer, 1);
        char done;
        (void)!read(m_release[0], &done, 1);
        sqlite3_close(db);
        _exit(0);
    }
    char answer = 0;
    m_holding = m_child > 0 && read(m_ready[0], &answer, 1) == 1 && answer == 'y';
}

DatabaseLockHolder::~DatabaseLockHolder()
{
    Release();
    for (int fd : {m_ready[0], m_ready[1], m_release[0], m_release[1]}) {
        if (fd >= 0)
            close(fd);
    }
}

void DatabaseLockHolder::Release()
{
    if (m_child <= 0)
        return;
    (void)!write(m_release[1], "x", 1);
    int status = 0;
    waitpid(m_child, &status, 0);
    m_child = -1;
    m_holding = false;
}
