#include "archive/ArchiveRequest.h"

#include "media/MediaIdentification.h"
#include "platform/Drives.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>

using CatalogSchema::kArchiveFolderClass;
using CatalogSchema::kArchivesClass;
using CatalogSchema::kArchiveSetClass;
using CatalogSchema::kArchivesId;

namespace {

const QString kOptionsSection = QStringLiteral("Archive Options");
const QString kWorkFolder = QStringLiteral("Work Folder");
const QString kIncludeSubfolders = QStringLiteral("Include Subfolders");
const QString kCompressFiles = QStringLiteral("Compress Files");
const QString kUseHardDisk = QStringLiteral("Use Hard Disk");
const QString kDeleteFiles = QStringLiteral("Delete Files");
const QString kFolder = QStringLiteral("Folder");
const QString kGroupNode = QStringLiteral("Group Node");

// In the order the "Invalid Character" box lists them.
const QString kRefusedNameCharacters = QStringLiteral("\\/:?\"<>|.");
const QString kAllEntries = QStringLiteral("/*.*");

QString Quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace

QString ListEntryPath(const QString &entry)
{
    QString path = entry;
    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"'))
        path = path.mid(1, path.size() - 2);
    if (path.endsWith(kAllEntries))
        path.chop(kAllEntries.size());
    return path;
}

void ShowArchiveTerminated(const QString &text)
{
    if (UI().ProgressVisible())
        UI().CloseProgress();
    UI().ShowError(QStringLiteral("Archive Terminated"), text);
}

void ShowArchiveRequestCancelled()
{
    ShowArchiveTerminated(QStringLiteral("The Archive request was cancelled by the User"));
}

ArchiveOptions ArchiveOptions::Load(const SettingsStore *settings)
{
    ArchiveOptions options;
    options.workFolder = QDir::tempPath();
    if (!settings)
        return options;
    options.workFolder = settings->ReadText(kOptionsSection, kWorkFolder, options.workFolder);
    options.includeSubfolders = settings->ReadBool(kOptionsSection, kIncludeSubfolders, true);
    options.compressFiles = settings->ReadBool(kOptionsSection, kCompressFiles, true);
    options.useHardDisk = settings->ReadBool(kOptionsSection, kUseHardDisk, true);
    options.deleteFiles = settings->ReadBool(kOptionsSection, kDeleteFiles, false);
    options.folder = settings->ReadText(kOptionsSection, kFolder, QString());
    options.groupNode = settings->ReadInteger(kOptionsSection, kGroupNode, kArchivesId);
    return options;
}

void ArchiveOptions::SaveDefaults(SettingsStore &settings) const
{
    settings.WriteText(kOptionsSection, kWorkFolder, workFolder);
    settings.WriteBool(kOptionsSection, kIncludeSubfolders, includeSubfolders);
    settings.WriteBool(kOptionsSection, kCompressFiles, compressFiles);
    settings.WriteBool(kOptionsSection, kUseHardDisk, useHardDisk);
    settings.WriteBool(kOptionsSection, kDeleteFiles, deleteFiles);
}

void ArchiveOptions::SaveLastChoice(SettingsStore &settings) const
{
    settings.WriteText(kOptionsSection, kFolder, folder);
    settings.WriteInteger(kOptionsSection, kGroupNode, groupNode);
}

ArchiveRequest ArchiveRequest::WithOptions(const ArchiveOptions &options)
{
    ArchiveRequest request;
    request.workFolder = options.workFolder;
    request.includeSubfolders = options.includeSubfolders;
    request.compress = options.compressFiles;
    request.useHardDisk = options.useHardDisk;
    request.deleteFiles = options.deleteFiles;
    request.destination = options.groupNode;
    return request;
}

QString DefaultArchiveName(const QDateTime &now)
{
    return QStringLiteral("Archive") +
           QLocale::c().toString(now, QStringLiteral(" [ddMMMyyyy HHmmss]"));
}

bool IsRefusedNameCharacter(QChar character)
{
    return kRefusedNameCharacters.contains(character);
}

QChar RefusedNameCharacterIn(const QString &name)
{
    for (const QChar character : name) {
        if (IsRefusedNameCharacter(character))
            return character;
    }
    return {};
}

void ShowInvalidNameCharacter()
{
    QString list;
    for (const QChar character : kRefusedNameCharacters)
        list += u' ' + QString(character);
    UI().ShowError(QStringLiteral("Invalid Character"),
                   QStringLiteral("The Archive Name cannot contain any of the following "
                                  "characters:") +
                       kParagraphBreak + QStringLiteral("\t\t") + list);
}

bool ListFolderForArchive(const QString &folder, bool includeSubfolders, QStringList &files,
                          QStringList &folders)
{
    const QString root = QDir::cleanPath(folder);
    files = QStringList{root};
    folders.clear();
    UI().SetProgressPath(QStringLiteral("Reading Folder: ") + root);
    const QFileInfoList entries = QDir(root).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        // A link is archived as the link itself, never its target; a pipe,
        // socket or device has nothing to archive and stays where it is.
        if (entry.isSymLink() || entry.isFile())
            files << Quoted(entry.absoluteFilePath());
        else if (entry.isDir() && includeSubfolders)
            folders << Quoted(entry.absoluteFilePath() + kAllEntries);
        UI().PumpMessages(0);
        if (UI().Cancelled())
            return false;
    }
    return true;
}

bool ReadSelectionList(const QString &path, QStringList &files, QStringList &folders)
{
    // Read by hand: the keys are paths, whose "/" a settings reader would
    // take for nested groups.
    files.clear();
    folders.clear();
    QFile list(path);
    QStringList *section = nullptr;
    if (list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (const QString &raw : QString::fromUtf8(list.readAll()).split(u'\n')) {
            const QString line = raw.trimmed();
            if (line.startsWith(u'[') && line.endsWith(u']')) {
                const QString name = line.mid(1, line.size() - 2).trimmed();
                section = name.compare(QStringLiteral("Files"), Qt::CaseInsensitive) == 0 ? &files
                          : name.compare(QStringLiteral("Folders"), Qt::CaseInsensitive) == 0
                              ? &folders
                              : nullptr;
            } else if (section && !line.isEmpty() && !line.startsWith(u';')) {
                const QString key = line.section(u'=', 0, 0).trimmed();
                if (!key.isEmpty())
                    *section << key;
            }
        }
    }
    if (files.size() > 1 || !folders.isEmpty())
        return true;
    ShowArchiveRequestCancelled();
    return false;
}

QString WriteSelectionList(const QStringList &paths, const QString &folder)
{
    QString files;
    QString folders;
    for (const QString &given : paths) {
        const QFileInfo info(QDir::current().absoluteFilePath(given));
        const QString path = QDir::cleanPath(info.absoluteFilePath());
        if (files.isEmpty())
            files = info.absolutePath() + QStringLiteral("=\n");
        if (info.isDir() && !info.isSymLink())
            folders += QStringLiteral("\"%1/*.*\"=\n").arg(path);
        else
            files += QStringLiteral("\"%1\"=\n").arg(path);
    }
    QTemporaryFile list(QDir(folder).filePath(QStringLiteral("dirvanta-request-XXXXXX.ini")));
    list.setAutoRemove(false);
    const QByteArray content =
        (QStringLiteral("[Files]\n") + files + QStringLiteral("[Folders]\n") + folders).toUtf8();
    if (!list.open() || list.write(content) != content.size() || !list.flush()) {
        list.remove();
        return QString();
    }
    return list.fileName();
}

QStringList SelectionRequestCommandLine(const QStringList &parameters)
{
    if (parameters.size() < 2 || parameters[1] != u"--selection")
        return parameters;
    return {parameters[0], WriteSelectionList(parameters.mid(2), QDir::tempPath())};
}

bool ArchiveSetNameTaken(TDataShare &data, const QString &name)
{
    SqliteStatement &query =
        data.CatalogDatabase.Prepare(QStringLiteral("SELECT Name FROM Catalogs WHERE Class = ?1"));
    query.Bind(1, kArchiveSetClass);
    bool taken = false;
    while (!taken && query.Step())
        taken = query.Text(0).compare(name, Qt::CaseInsensitive) == 0;
    query.Reset();
    return taken;
}

qint64 ArchiveDestinationOrDefault(TDataShare &data, qint64 id)
{
    SqliteStatement &query =
        data.CatalogDatabase.Prepare(QStringLiteral("SELECT Class FROM Catalogs WHERE ID = ?1"));
    query.Bind(1, id);
    const int cls = query.Step() ? int(query.Int64(0)) : -1;
    query.Reset();
    return cls == kArchivesClass || cls == kArchiveFolderClass ? id : kArchivesId;
}

bool CheckWorkFolder(QString &workFolder)
{
    workFolder = workFolder.trimmed();
    if (FolderExists(workFolder))
        return true;
    UI().ShowError(QStringLiteral("Invalid Folder"),
                   QStringLiteral("The folder specified for storage of temporary work files\n"
                                  "could not be located.") +
                       kParagraphBreak + QStringLiteral("Please respecify before continuing."));
    return false;
}

ArchiveRequestProblem CheckArchiveRequest(TDataShare &data, ArchiveRequest &request,
                                          QString *folder)
{
    if (!CheckWorkFolder(request.workFolder))
        return ArchiveRequestProblem::WorkFolder;
    request.destination = ArchiveDestinationOrDefault(data, request.destination);
    if (folder) {
        *folder = folder->trimmed();
        if (!FolderExists(*folder)) {
            UI().ShowError(QStringLiteral("Invalid Folder"),
                           QStringLiteral("The folder specified to be archived could not be "
                                          "located.") +
                               kParagraphBreak +
                               QStringLiteral("Please respecify before continuing."));
            return ArchiveRequestProblem::Folder;
        }
    }
    request.name = request.name.trimmed();
    if (request.name.isEmpty()) {
        UI().ShowError(QStringLiteral("Invalid Name"),
                       QStringLiteral("The Name specified for this Archive is invalid.") +
                           kParagraphBreak + QStringLiteral("Please respecify before continuing."));
        return ArchiveRequestProblem::Name;
    }
    // A pasted name is checked here too: it never passed the key filter.
    if (!RefusedNameCharacterIn(request.name).isNull()) {
        ShowInvalidNameCharacter();
        return ArchiveRequestProblem::Name;
    }
    if (ArchiveSetNameTaken(data, request.name)) {
        UI().ShowError(QStringLiteral("Duplicate Name"),
                       QStringLiteral("An Archive named \"") + request.name +
                           QStringLiteral("\" is already present in the Archive Pool.") +
                           kParagraphBreak + QStringLiteral("Please respecify before continuing."));
        return ArchiveRequestProblem::DuplicateName;
    }
    return ArchiveRequestProblem::None;
}

bool FolderIsOnPoolDrive(const QString &folder, const QString &poolArchiveFolder)
{
    if (folder.isEmpty() || poolArchiveFolder.isEmpty())
        return false;
    const QString folderDisk = Drives().DriveOf(folder).mount.mountPoint;
    return !folderDisk.isEmpty() &&
           folderDisk == Drives().DriveOf(poolArchiveFolder).mount.mountPoint;
}
