#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

// A folder tree made for a scan, with chosen sizes and times. Paths are bytes
// relative to the root, so that names need not be valid UTF-8. Sizes cost no
// disk space: files are sparse.
class MediumTree
{
public:
    MediumTree()
    {
        EXPECT_TRUE(m_root.isValid());
        // Other users may enter it (a test scans as nobody).
        chmod(Root().constData(), 0755);
    }

    // Names that are not UTF-8 are beyond QTemporaryDir: the tree goes by bytes.
    ~MediumTree()
    {
        nftw(
            Root().constData(),
            [](const char *path, const struct stat *, int, struct FTW *level) {
                return level->level > 0 ? std::remove(path) : 0;
            },
            16, FTW_DEPTH | FTW_PHYS);
    }
    MediumTree(const MediumTree &) = delete;
    MediumTree &operator=(const MediumTree &) = delete;

    QByteArray Root() const { return m_root.path().toUtf8(); }
    QByteArray Path(const QByteArray &relative) const { return Root() + '/' + relative; }

    void Folder(const QByteArray &relative, mode_t mode = 0755)
    {
        ASSERT_EQ(mkdir(Path(relative).constData(), mode), 0) << relative.constData();
    }

    void File(const QByteArray &relative, qint64 size = 0, mode_t mode = 0644)
    {
        const int file = open(Path(relative).constData(), O_WRONLY | O_CREAT | O_EXCL, mode);
        ASSERT_GE(file, 0) << relative.constData();
        EXPECT_EQ(ftruncate(file, off_t(size)), 0);
        close(file);
        chmod(Path(relative).constData(), mode);
    }

    void Link(const QByteArray &relative, const QByteArray &target)
    {
        ASSERT_EQ(symlink(target.constData(), Path(relative).constData()), 0);
    }

    // Sets the modification time of an entry (links themselves are not touched).
    void Modified(const QByteArray &relative, const QDateTime &when)
    {
        const struct timespec times[2] = {{time_t(when.toSecsSinceEpoch()), 0},
                                          {time_t(when.toSecsSinceEpoch()), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, Path(relative).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
    }

private:
    QTemporaryDir m_root;
};
