#include "media/CatalogFileAccess.h"

#include "archive/PackageExtraction.h"
#include "media/DeviceCheck.h"
#include "media/MediaIdentification.h"
#include "platform/MediumName.h"
#include "platform/ShellServices.h"
#include "platform/TemporaryFiles.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

const QString kFileQuery = QStringLiteral("SELECT ID, Name, Packaged FROM Files WHERE Key = ?1");

struct FileRow
{
    qint64 owner = -1;
    QString name;
    bool packaged = false;
};

FileRow ReadFileRow(TDataShare &data, qint64 key)
{
    FileRow row;
    SqliteStatement &query = data.CatalogDatabase.Prepare(kFileQuery);
    query.Bind(1, key);
    if (query.Step())
        row = FileRow{query.Int64(0), query.Text(1), query.Int64(2) != 0};
    query.Reset();
    return row;
}

// A path that applications can be given. A name that is not UTF-8 cannot
// travel on a command line as text: a link with a text name in the
// program's private temporary folder stands in for it.
QString OpenablePath(const QString &path, TemporaryFileList &temporaryFiles)
{
    const QByteArray bytes = MediumNameBytes(path);
    if (MediumNameIsPlainText(bytes))
        return path;
    const QString folder = PrivateTemporaryFolder();
    if (folder.isEmpty())
        return path;
    const QString link = QDir(folder).filePath(path.section(u'/', -1));
    QFile::remove(link);
    if (::symlink(bytes.constData(), QFile::encodeName(link).constData()) != 0)
        return path;
    temporaryFiles.Add(link);
    return link;
}

void ReportNotFound(const QString &path, const QString &catalogName)
{
    UI().ShowError(QStringLiteral("File Not Found"),
                   QStringLiteral("Dirvanta was unable to locate \"") +
                       QDir::toNativeSeparators(path) + QStringLiteral("\" on Catalog \"") +
                       catalogName + u'"' + kParagraphBreak +
                       QStringLiteral("The file may have been deleted from the Cataloged Media. "
                                      "It is recommended that you perform a Catalog Update to "
                                      "re-synchronize the Catalog"));
}

} // namespace

TCatalogFileAccess::TCatalogFileAccess(TDataShare &data, TemporaryFileList &temporaryFiles)
    : m_data(data)
    , m_temporaryFiles(temporaryFiles)
{
}

bool TCatalogFileAccess::ReachFolder(qint64 id, QString &folder, QString &catalogName,
                                     QString &packagePath)
{
    MediaLocation place;
    if (!LocateOnMedia(m_data, id, true, place))
        return false;
    const QString &source = place.mediumSource;
    QString foundSource;
    if (!DeviceReadyForLabel(place.name, place.label, source, false, &foundSource))
        return false;
    folder = RelocatedMediaPath(place.source, source, foundSource);
    packagePath = place.packagePath.isEmpty()
                      ? QString()
                      : RelocatedMediaPath(place.packagePath, source, foundSource);
    catalogName = place.name;
    return true;
}

bool TCatalogFileAccess::OpenFile(qint64 fileKey, bool quickView)
{
    const FileRow row = ReadFileRow(m_data, fileKey);
    if (row.owner < 0)
        return false;
    QString folder;
    QString catalogName;
    QString packagePath;
    if (!ReachFolder(row.owner, folder, catalogName, packagePath))
        return false;
    if (row.packaged && !packagePath.isEmpty()) {
        const QString path = folder + row.name;
        return ExtractAndOpen(packagePath, path, row.name, m_temporaryFiles,
                              [&](const QString &copy) { return ShowDocument(copy, quickView); });
    }
    const QString path = folder + row.name;
    if (!MediumFileExists(path)) {
        ReportNotFound(path, catalogName);
        return false;
    }
    return ShowDocument(OpenablePath(path, m_temporaryFiles), quickView);
}

bool TCatalogFileAccess::ShowDocument(const QString &path, bool quickView)
{
    if (quickView) {
        if (UI().ShowQuickView(path))
            return true;
        UI().ShowError(QStringLiteral("Quick View"),
                       QStringLiteral("Unable to locate the Quick View Application. Function "
                                      "terminated."));
        return false;
    }
    if (ShellOpenDocument(path))
        return true;
    const QString program = UI().ChooseOpenFile(
        QFileInfo(path).fileName() + QStringLiteral(" -- Open With..."), QStringLiteral("/usr/bin"),
        QStringLiteral("Programs (*);;All files (*)"));
    return !program.isEmpty() && ShellRunProgram(program, path);
}

bool TCatalogFileAccess::ExploreObject(qint64 id)
{
    TableCursor *row = m_data.Catalogs.LookupCursor();
    if (!m_data.Catalogs.Locate(row, id))
        return false;
    const int cls = m_data.Catalogs.ItemClass(row);
    if (!CatalogSchema::IsDiskCatalogClass(cls) && cls != CatalogSchema::kFileFolderClass)
        return false;
    QString folder;
    QString catalogName;
    QString packagePath;
    if (!ReachFolder(id, folder, catalogName, packagePath))
        return false;
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        folder.chop(1);
    if (ShellExploreFolder(OpenablePath(folder, m_temporaryFiles)))
        return true;
    UI().ShowError(QStringLiteral("Explore"),
                   QStringLiteral("No file manager could be started to show \"") + folder +
                       QStringLiteral("\"."));
    return false;
}
