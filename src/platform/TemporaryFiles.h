#pragma once

#include <QStringList>
#include <QtGlobal>

// The program's own temporary folder for this run: made on first use, open
// to its user alone (mode 0700) so that nobody else can plant files or links
// in it, and removed with everything in it when the program ends. Empty when
// it cannot be made.
QString PrivateTemporaryFolder();

// Files the program made for a while (copies extracted from packages so
// that an application can open them); every one is deleted when the list
// goes, or when asked.
class TemporaryFileList final
{
public:
    TemporaryFileList() = default;
    ~TemporaryFileList() { DeleteAll(); }
    Q_DISABLE_COPY_MOVE(TemporaryFileList)

    void Add(const QString &path);
    const QStringList &Files() const { return m_files; }
    // Deletes the files that are still there and empties the list.
    void DeleteAll();

private:
    QStringList m_files;
};
