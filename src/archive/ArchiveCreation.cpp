#include "archive/ArchiveCreation.h"

#include "archive/ArchivePool.h"
#include "archive/ZipEngine.h"
#include "media/MediaIdentification.h"
#include "platform/Drives.h"
#include "platform/ProgressOperations.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <system_error>

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
constexpr qint64 kCopyChunk = 1 << 20;

QString Quoted(const QString &text)
{
    return u'"' + text + u'"';
}

QString Unquoted(QString text)
{
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        text = text.mid(1, text.size() - 2);
    return text;
}

void ShowArchiveTerminated(const QString &text)
{
    UI().CloseProgress();
    UI().ShowError(QStringLiteral("Archive Terminated"), text);
}

void ShowCancelledByUser()
{
    ShowArchiveTerminated(QStringLiteral("The Archive request was cancelled by the User"));
}

// The disk a path lies on, as the messages name it.
QString DriveTextOf(const QString &path)
{
    const QString mountPoint = Drives().DriveOf(path).mount.mountPoint;
    return mountPoint.isEmpty() ? path : mountPoint;
}

// The "Archive Error" text for an engine result.
QString ArchiveErrorText(int result, bool staging)
{
    switch (result) {
    case ZipResult::Cancelled:
        return QStringLiteral("The Archive was terminated by the User");
    case ZipResult::NoTempRoom:
        return QStringLiteral("Dirvanta was unable to write a Temporary File to the local Hard "
                              "Disk due to \nthere not being enough free disk space on Drive ") +
               DriveTextOf(QDir::tempPath()) + kParagraphBreak +
               QStringLiteral("Please free space on this Drive before trying again.");
    case ZipResult::NoArchiveRoom:
    case ZipResult::ArchiveWriteFail:
        if (staging)
            return QStringLiteral("Dirvanta was unable to write to the local Hard Disk due to \n"
                                  "there not being enough free disk space on Drive ") +
                   DriveTextOf(QDir::tempPath()) + kParagraphBreak +
                   QStringLiteral("Either de-select the \"Use Hard Disk Option\" in Dirvanta, or "
                                  "free \nsome disk space on your disk");
        return QStringLiteral("The Archive selection is too large to fit on any Archive Volume.") +
               kParagraphBreak +
               QStringLiteral("Please free space in the Archive Pool, or add another volume to \n"
                              "the Pool, before trying again");
    case ZipResult::FileInUse:
        return QStringLiteral("The Archive failed as a file(s) to be archived is currently in\n"
                              "use by another application");
    default:
        return QStringLiteral("An unknown error was encountered when creating the \nArchive File "
                              "on the Archive Media") +
               kParagraphBreak + QStringLiteral("Archive Termintated");
    }
}

// Moves a file, across file systems by a copy in chunks that stops when the
// user cancels. On failure or cancel nothing is left at the target and the
// source stays.
bool MoveFileCancellable(const QString &from, const QString &to)
{
    if (QFile::exists(to))
        return false;
    // QFile::rename would copy across file systems without a way to cancel.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(),
                            QFile::encodeName(to).toStdString(), error);
    if (!error)
        return true;
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::NewOnly))
        return false;
    bool copied = true;
    while (copied && !in.atEnd()) {
        const QByteArray chunk = in.read(kCopyChunk);
        copied = !chunk.isEmpty() && out.write(chunk) == chunk.size();
        UI().PumpMessages(0);
        copied = copied && !UI().Cancelled();
    }
    copied = copied && out.flush();
    out.close();
    if (!copied) {
        QFile::remove(to);
        return false;
    }
    QFile::remove(from);
    return true;
}

// A source file or folder to the trash; deleted where no trash takes it.
void TrashOrDelete(const QString &path)
{
    if (QFile::moveToTrash(path))
        return;
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

// Where the set's ZIP is built and where it ends.
struct SetPlacement
{
    bool staging = true;
    QString zipPath;
    std::optional<QTemporaryDir> stagingFolder; // a fresh one: no other file is touched
    ArchivePool::Selection volume;
};

class ArchiveRun
{
public:
    ArchiveRun(TDataShare &data, const ArchiveRequest &request)
        : m_data(data)
        , m_pool(data)
        , m_request(request)
    {
    }

    bool Run();

private:
    bool CreateArchiveSet();
    int RunEngine();
    bool Fail(int result);
    bool CatalogSet();
    void DeleteSources();

    TDataShare &m_data;
    ArchivePool m_pool;
    const ArchiveRequest &m_request;
    SetPlacement m_place;
};

bool ArchiveRun::Run()
{
    if (m_request.files.size() <= 1 && m_request.folders.isEmpty()) {
        ShowArchiveTerminated(QStringLiteral("There were no folders or files eligable for "
                                             "Archiving") +
                              kParagraphBreak + QStringLiteral("Archive request terminate"));
        return false;
    }
    if (!CreateArchiveSet() || !CatalogSet())
        return false;
    // Sources leave only once the set is in the catalog and its file on the
    // volume reads back whole.
    if (m_place.staging && m_request.deleteFiles) {
        if (ZipFilePassesTest(m_place.zipPath)) {
            DeleteSources();
        } else {
            UI().CloseProgress();
            UI().ShowError(QStringLiteral("Archive Error"),
                           ArchiveErrorText(ZipResult::Error, true));
        }
    }
    return true;
}

bool ArchiveRun::CreateArchiveSet()
{
    m_place.staging = m_request.useHardDisk;
    const QString fileName = m_request.name + QStringLiteral(".ZIP");
    if (m_place.staging) {
        m_place.stagingFolder.emplace(QDir::tempPath() +
                                      QStringLiteral("/dirvanta-archive-XXXXXX"));
        if (!m_place.stagingFolder->isValid())
            return Fail(ZipResult::NoTempRoom);
        m_place.zipPath = m_place.stagingFolder->filePath(fileName);
    } else {
        const std::optional<ArchivePool::Selection> volume =
            m_pool.SelectArchiveVolume(QString(), false, true);
        if (!volume)
            return Fail(ZipResult::Error);
        m_place.volume = *volume;
        m_place.zipPath = QDir(volume->folder).filePath(fileName);
        // A file already there is no set of this catalog's: it is neither
        // added to nor removed.
        if (QFileInfo::exists(m_place.zipPath)) {
            m_place.zipPath.clear();
            return Fail(ZipResult::Error);
        }
    }

    const int result = RunEngine();
    if (result != ZipResult::Success)
        return Fail(result);
    if (!m_place.staging)
        return true;

    UI().ShowProgress(ProgressOperation::MoveTemporaryArchive);
    const std::optional<ArchivePool::Selection> volume =
        m_pool.SelectArchiveVolume(m_place.zipPath, true, true);
    if (!volume) {
        // The selection has told the user already.
        QFile::remove(m_place.zipPath);
        UI().CloseProgress();
        return false;
    }
    m_place.volume = *volume;
    const QString target = QDir(volume->folder).filePath(fileName);
    if (!MoveFileCancellable(m_place.zipPath, target))
        return Fail(UI().Cancelled() ? ZipResult::Cancelled : ZipResult::Error);
    m_place.zipPath = target;
    UI().PumpMessages(0);
    if (UI().Cancelled())
        return Fail(ZipResult::Cancelled);
    return QFileInfo::exists(target) || Fail(ZipResult::Error);
}

// The folder's own files and its subfolders in one engine call: each call
// rewrites the whole archive, so a call per subfolder would copy a large
// set over and over. Any failure fails it all, so that no file left out can
// be deleted later.
int ArchiveRun::RunEngine()
{
    if (m_request.files.isEmpty())
        return ZipResult::NothingToDo;
    TZipFile zip;
    zip.lpszZipFile = m_place.zipPath;
    zip.lpszTempPath = m_request.workFolder;
    zip.CompFactor = m_request.compress ? 9 : 0;
    zip.lpszRootPath = m_request.files.front();
    if (m_request.includeSubfolders)
        zip.Options |= RecurseFlag;
    zip.lpszItemList = (m_request.files.mid(1) + m_request.folders).join(u' ');
    UI().SetProgressPath(QStringLiteral("Reading Folder: ") + m_request.files.front());
    zip.Execute(ZipFunction::Add);
    return zip.ErrorCode();
}

bool ArchiveRun::Fail(int result)
{
    UI().CloseProgress();
    if (!m_place.zipPath.isEmpty())
        QFile::remove(m_place.zipPath);
    UI().ShowError(QStringLiteral("Archive Error"), ArchiveErrorText(result, m_place.staging));
    return false;
}

// The set and its members in one transaction; a failure or cancel rolls it
// back and takes the file off the volume again, so that no set is left that
// the catalog does not know.
bool ArchiveRun::CatalogSet()
{
    const QFileInfo file(m_place.zipPath);
    const QString mountPoint = Drives().DriveOf(m_place.volume.folder).mount.mountPoint;
    const bool committed = m_data.RunUserCommand([&] {
        if (!m_pool.CatalogSet(file.absolutePath(), file.fileName(), m_place.volume.volumeId,
                               m_request.destination, m_request.comment) ||
            UI().Cancelled())
            throw EDirvantaFailed(QStringLiteral("Catalog Failed"));
        m_pool.RefreshVolumeUsage(m_place.volume.volumeId, mountPoint);
    });
    if (!committed) {
        QFile::remove(m_place.zipPath);
        UI().CloseProgress();
    }
    return committed;
}

// The archived files and subfolders to the trash, then the folder itself
// when nothing else is left in it. A cancel while the paths are collected
// deletes nothing.
void ArchiveRun::DeleteSources()
{
    UI().ShowProgress(ProgressOperation::RecycleArchivedFiles);
    QStringList paths;
    // Without subfolders a listed folder went in with its own files only: it
    // is not deleted, so that nothing unarchived below it goes too.
    const qsizetype folders = m_request.includeSubfolders ? m_request.folders.size() : 0;
    for (qsizetype i = folders - 1; i >= 0; --i) {
        paths << Unquoted(m_request.folders[i]).chopped(kAllEntries.size());
        UI().PumpMessages(0);
        if (UI().Cancelled())
            return UI().CloseProgress();
    }
    for (qsizetype i = m_request.files.size() - 1; i >= 1; --i) {
        paths << Unquoted(m_request.files[i]);
        UI().PumpMessages(0);
        if (UI().Cancelled())
            return UI().CloseProgress();
    }
    for (const QString &path : paths)
        TrashOrDelete(path);
    const QString folder = m_request.files.front();
    QDir().rmdir(folder);
    UI().CloseProgress();
}

} // namespace

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
        // A link is neither archived nor deleted: its target may lie anywhere.
        if (!entry.isSymLink()) {
            if (entry.isDir()) {
                if (includeSubfolders)
                    folders << Quoted(entry.absoluteFilePath() + kAllEntries);
            } else {
                files << Quoted(entry.absoluteFilePath());
            }
        }
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
    ShowCancelledByUser();
    return false;
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

ArchiveRequestProblem CheckArchiveRequest(TDataShare &data, ArchiveRequest &request,
                                          QString *folder)
{
    request.workFolder = request.workFolder.trimmed();
    if (!FolderExists(request.workFolder)) {
        UI().ShowError(QStringLiteral("Invalid Folder"),
                       QStringLiteral("The folder specified for storage of temporary work files\n"
                                      "could not be located.") +
                           kParagraphBreak + QStringLiteral("Please respecify before continuing."));
        return ArchiveRequestProblem::WorkFolder;
    }
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

bool ArchiveFolder(TDataShare &data, const ArchiveRequest &request)
{
    return ArchiveRun(data, request).Run();
}

ArchiveOutcome RunArchiveRequest(TDataShare &data, ArchiveRequest &request)
{
    UI().ShowProgress(request.useHardDisk ? ProgressOperation::CreateTemporaryArchive
                                          : ProgressOperation::CreateArchiveDirect);
    if (request.files.size() <= 1 && request.folders.isEmpty() &&
        !ListFolderForArchive(request.files.value(0), request.includeSubfolders, request.files,
                              request.folders)) {
        ShowCancelledByUser();
        return ArchiveOutcome::ListingCancelled;
    }
    const bool archived = ArchiveFolder(data, request);
    UI().CloseProgress();
    return archived ? ArchiveOutcome::Archived : ArchiveOutcome::Failed;
}

bool QuickArchive(TDataShare &data, const QString &selectionListPath)
{
    ArchiveRequest request = ArchiveRequest::WithOptions(ArchiveOptions::Load(data.Settings()));
    request.workFolder = QDir::tempPath();
    request.destination = kArchivesId;
    request.name = DefaultArchiveName();
    if (CheckArchiveRequest(data, request, nullptr) != ArchiveRequestProblem::None ||
        !ReadSelectionList(QDir(QDir::tempPath()).filePath(selectionListPath), request.files,
                           request.folders))
        return false;
    return RunArchiveRequest(data, request) == ArchiveOutcome::Archived;
}

bool ZipFilePassesTest(const QString &path)
{
    int error = 0;
    ZipArchive archive(
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive)
        return false;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    QByteArray buffer(kCopyChunk, Qt::Uninitialized);
    for (zip_int64_t index = 0; index < count; ++index) {
        zip_stat_t stat;
        if (zip_stat_index(archive.get(), zip_uint64_t(index), 0, &stat) != 0)
            return false;
        ZipMember member(zip_fopen_index(archive.get(), zip_uint64_t(index), 0));
        if (!member)
            return false;
        // libzip compares the CRC when a member has been read to its end.
        zip_uint64_t total = 0;
        for (;;) {
            const zip_int64_t read =
                zip_fread(member.get(), buffer.data(), zip_uint64_t(kCopyChunk));
            if (read < 0)
                return false;
            if (read == 0)
                break;
            total += zip_uint64_t(read);
        }
        if ((stat.valid & ZIP_STAT_SIZE) && total != stat.size)
            return false;
    }
    return true;
}
