#include "platform/TemporaryFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

QString PrivateTemporaryFolder()
{
    // Made again when it went (a cleaner of the temporary root may remove it).
    static std::unique_ptr<QTemporaryDir> folder;
    if (!folder || !folder->isValid() || !QFileInfo(folder->path()).isDir())
        folder = std::make_unique<QTemporaryDir>(
            QDir(QDir::tempPath()).filePath(QStringLiteral("dirvanta-XXXXXX")));
    return folder->isValid() ? folder->path() : QString();
}

void TemporaryFileList::Add(const QString &path)
{
    if (!m_files.contains(path))
        m_files.append(path);
}

void TemporaryFileList::DeleteAll()
{
    for (const QString &path : std::as_const(m_files)) {
        QFile file(path);
        // An application may have made its copy read-only.
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
        file.remove();
    }
    m_files.clear();
}
