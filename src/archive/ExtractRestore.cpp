#include "archive/ExtractRestore.h"

#include "archive/ArchivePool.h"
#include "archive/ZipEngine.h"
#include "media/DeviceCheck.h"
#include "media/MediaIdentification.h"
#include "platform/MediumName.h"
#include "platform/ProgressOperations.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"

#include <QFileInfo>

namespace {

const QString kOptionsSection = QStringLiteral("Extract Options");
const QString kOverwriteValue = QStringLiteral("Overwrite");
const QString kFolderValue = QStringLiteral("Folder");

// A path without the separators at its ends.
QString WithoutOuterSeparators(QString path)
{
    while (path.startsWith(u'/') || path.startsWith(u'\\'))
        path.remove(0, 1);
    while (path.endsWith(u'/') || path.endsWith(u'\\'))
        path.chop(1);
    return path;
}

// The package an object lies in and the object's path inside it ("" for the
// package itself); false when the object lies in no package or set.
bool PlaceInPackage(TDataShare &data, qint64 objectId, QString &packagePath, QString &innerPath)
{
    MediaLocation place;
    if (!LocateOnMedia(data, objectId, true, place) || place.packagePath.isEmpty() ||
        !place.source.startsWith(place.packagePath))
        return false;
    packagePath = place.packagePath;
    innerPath = WithoutOuterSeparators(place.source.mid(place.packagePath.size()));
    return true;
}

// Brings the request's medium into its drive and gives the package's path
// where it is mounted now; nothing when the user gave up.
std::optional<QString> ReadyPackagePath(TDataShare &data, const ExtractRequest &request)
{
    if (!request.extraction) {
        const std::optional<QString> folder =
            ArchivePool(data).MakeSetVolumeReady(request.objectId);
        if (!folder)
            return std::nullopt;
        return *folder + QFileInfo(request.packagePath).fileName();
    }
    MediaLocation place;
    if (!LocateOnMedia(data, request.objectId, false, place))
        return std::nullopt;
    QString foundSource;
    if (!DeviceReadyForLabel(place.name, place.label, place.mediumSource, false, &foundSource))
        return std::nullopt;
    return RelocatedMediaPath(request.packagePath, place.mediumSource, foundSource);
}

void ReportPackageMissing(const ExtractRequest &request, const QString &packagePath)
{
    UI().ShowError(
        QStringLiteral("File Error"),
        QStringLiteral("Dirvanta was unable to locate the original File Package \"") + packagePath +
            u'"' + kParagraphBreak +
            QStringLiteral("Please check that this file has not been deleted since the ") +
            (request.extraction ? QStringLiteral("Catalog") : QStringLiteral("Archive")) +
            QStringLiteral(" was perfromed"));
}

} // namespace

QString ExtractOperationWord(bool extraction)
{
    return extraction ? QStringLiteral("Extact") : QStringLiteral("Restore");
}

std::optional<ExtractRequest> BuildExtractRequest(TDataShare &data, const QList<ListEntry> &entries,
                                                  bool extraction)
{
    ExtractRequest request;
    request.extraction = extraction;
    for (const ListEntry &entry : entries) {
        const qint64 objectId = entry.IsFile() ? GetFileOwner(data, entry.data) : entry.data;
        QString packagePath;
        QString innerPath;
        if (objectId < 0 || !PlaceInPackage(data, objectId, packagePath, innerPath))
            continue;
        const QString folder = innerPath.isEmpty() ? QString() : innerPath + u'/';
        request.itemSpecifications
            << folder + (entry.IsFile() ? entry.caption : QStringLiteral("*.*"));
        request.packagePath = packagePath;
        request.objectId = objectId;
    }
    if (request.packagePath.isEmpty()) {
        UI().ShowError(QStringLiteral("Invalid Format"),
                       QStringLiteral("The format of the file package selected is not supported "
                                      "by Dirvanta") +
                           kParagraphBreak + QStringLiteral("Request failed"));
        return std::nullopt;
    }
    return request;
}

namespace {

// ExtractItems with the engine's result: 0, the cancel and the incomplete
// result each after their box, any other after the error box.
int ExtractAndReport(const QString &packagePath, const QString &folder, bool overwrite,
                     const QString &operationWord, const QStringList &itemSpecifications)
{
    // A component of this request alone: its options need no putting back.
    TUnzipFile unzip;
    unzip.lpszZipFile = packagePath;
    QStringList quoted;
    for (const QString &item : itemSpecifications)
        quoted << u'"' + item + u'"';
    unzip.lpszFileSpec = quoted.join(u' ');
    unzip.lpszDestination = folder;
    unzip.Options = RecurseFlag | (overwrite ? OverWriteFlag : 0u);
    if (unzip.Execute(ZipFunction::Extract))
        return ZipResult::Success;

    UI().CloseProgress();
    const int result = unzip.ErrorCode();
    if (result == ZipResult::ExtractCancelled) {
        UI().ShowInformation(operationWord + QStringLiteral(" Cancelled"),
                             QStringLiteral("The ") + operationWord +
                                 QStringLiteral(" was cancelled by the User"));
    } else if (result == ZipResult::NotAllProcessed) {
        UI().ShowInformation(QStringLiteral("Function Imcomplete"),
                             QStringLiteral("Not all files were successfully ") + operationWord +
                                 QStringLiteral("ed"));
    } else {
        UI().ShowError(
            operationWord + QStringLiteral(" Error"),
            QStringLiteral("An Unknown Error (") + QString::number(result) +
                QStringLiteral(") occurred while extracting selected files to Folder \"") + folder +
                QStringLiteral("\".") + kParagraphBreak + QStringLiteral("The ") + operationWord +
                QStringLiteral(" has been terminated"));
    }
    return result;
}

} // namespace

bool ExtractItems(const QString &packagePath, const QString &folder, bool overwrite,
                  const QString &operationWord, const QStringList &itemSpecifications)
{
    const int result =
        ExtractAndReport(packagePath, folder, overwrite, operationWord, itemSpecifications);
    return result == ZipResult::Success || result == ZipResult::ExtractCancelled ||
           result == ZipResult::NotAllProcessed;
}

ExtractOutcome RunExtractRequest(TDataShare &data, const ExtractRequest &request,
                                 const ExtractOptions &options, SettingsStore *settings)
{
    const QString folder = options.folder.trimmed();
    UI().ShowProgress(request.extraction ? ProgressOperation::ExtractFiles
                                         : ProgressOperation::RestoreFiles);
    const std::optional<QString> packagePath = ReadyPackagePath(data, request);
    if (packagePath && !MediumFileExists(*packagePath)) {
        UI().CloseProgress();
        ReportPackageMissing(request, *packagePath);
        return ExtractOutcome::PackageMissing;
    }
    const int result = packagePath ? ExtractAndReport(*packagePath, folder, options.overwrite,
                                                      ExtractOperationWord(request.extraction),
                                                      request.itemSpecifications)
                                   : ZipResult::Error;
    UI().CloseProgress();
    const ExtractOutcome outcome =
        result == ZipResult::Success            ? ExtractOutcome::Done
        : result == ZipResult::ExtractCancelled ? ExtractOutcome::Cancelled
        : result == ZipResult::NotAllProcessed  ? ExtractOutcome::Incomplete
                                                : ExtractOutcome::Failed;
    if (CountsAsDone(outcome) && settings)
        WriteExtractOptions(*settings, {folder, options.overwrite});
    return outcome;
}

ExtractOptions ReadExtractOptions(SettingsStore &settings)
{
    return {settings.ReadText(kOptionsSection, kFolderValue, QString()),
            settings.ReadBool(kOptionsSection, kOverwriteValue, false)};
}

void WriteExtractOptions(SettingsStore &settings, const ExtractOptions &options)
{
    settings.WriteText(kOptionsSection, kFolderValue, options.folder);
    settings.WriteBool(kOptionsSection, kOverwriteValue, options.overwrite);
}
