#include "platform/TemporaryFiles.h"

#include <QFile>

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
