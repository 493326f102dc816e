#include "archive/ArchiveCreation.h"

#include "archive/ArchivePool.h"
#include "archive/ZipEngine.h"
#include "platform/Drives.h"
#include "platform/ProgressOperations.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <system_error>

using CatalogSchema::kArchivesId;

namespace {

constexpr qint64 kCopyChunk = 1 << 20;

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
        paths << ListEntryPath(m_request.folders[i]);
        UI().PumpMessages(0);
        if (UI().Cancelled())
            return UI().CloseProgress();
    }
    for (qsizetype i = m_request.files.size() - 1; i >= 1; --i) {
        paths << ListEntryPath(m_request.files[i]);
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
        ShowArchiveRequestCancelled();
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
