#include "media/CatalogMedia.h"

#include "media/DeviceCheck.h"
#include "media/FilePackages.h"
#include "media/MediaIdentification.h"
#include "media/MediaScan.h"
#include "platform/DayCount.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/ObjectDeletion.h"

namespace {

const QString kNewCatalogName = QStringLiteral("New Disk Catalog");

int ClassOf(TDataShare &data, qint64 id)
{
    TableCursor *lookup = data.Catalogs.LookupCursor();
    return data.Catalogs.Locate(lookup, id) ? data.Catalogs.ItemClass(lookup) : -1;
}

} // namespace

QString UniqueCatalogName(TDataShare &data, qint64 folderId)
{
    QString name = kNewCatalogName;
    for (int number = 2; data.Catalogs.FindChild(folderId, name) >= 0; ++number)
        name = QStringLiteral("%1 (%2)").arg(kNewCatalogName).arg(number);
    return name;
}

qint64 CatalogTargetFolder(TDataShare &data, qint64 selectedId)
{
    qint64 id = selectedId;
    TableCursor *lookup = data.Catalogs.LookupCursor();
    for (int steps = 0; steps <= TDBItemTree::kDepthLimit; ++steps) {
        if (!data.Catalogs.Locate(lookup, id))
            break;
        const int cls = data.Catalogs.ItemClass(lookup);
        if (cls == CatalogSchema::kCatalogFolderClass)
            return id;
        if (cls == CatalogSchema::kDatabaseClass || cls == CatalogSchema::kCatalogsFolderClass)
            break;
        id = data.Catalogs.ItemParent(lookup);
    }
    return CatalogSchema::kCatalogsId;
}

bool ApplyVolumeLabel(const QString &description, const QString &source,
                      const QString &currentLabel, const QString &newLabel, QString &labelToStore)
{
    if (!DeviceReady(description, source, currentLabel, false, true))
        return false;
    // A label that differs only in letter case is the medium's own: writing
    // it would move the medium's automount path for nothing.
    if (!LabelChanged(newLabel, currentLabel)) {
        labelToStore = currentLabel;
        return true;
    }
    labelToStore = newLabel;
    if (SetVolumeLabel(source, newLabel))
        return true;
    if (!UI().AskYesNo(QStringLiteral("Access Error"),
                       QStringLiteral("Unable to Write to the Media being cataloged, either the "
                                      "Disk is damaged or is write protected") +
                           kParagraphBreak +
                           QStringLiteral("Do you wish to ignore this error and continue with the "
                                          "Catalog ?")))
        return false;
    labelToStore = currentLabel;
    return true;
}

bool CatalogMedia(TDataShare &data, const CatalogOptions &options, const CatalogRequest &request,
                  qint64 *newId)
{
    const QString source = request.source.trimmed();
    QString label;
    if (!ApplyVolumeLabel(request.description, source, request.currentLabel, request.newLabel,
                          label))
        return false;

    TMediaScanner scanner(data, options);
    TPackageAnalyser packages(scanner, data);
    packages.AttachTo(source);
    UI().SetProgressStatus(QString());
    UI().ShowProgressParts(true, false, false);
    const qint64 maximum = CountSourceFiles(source, options.validateMedia);
    if (UI().Cancelled())
        return false;
    scanner.SetProgressMaximum(maximum);
    UI().ShowProgressParts(false, true, true);

    QString description;
    const int cls = GetDriveClass(source, description);
    quint64 totalBytes = 0;
    quint64 usedBytes = 0;
    if (!GetDiskSpace(source, totalBytes, usedBytes))
        totalBytes = 0;
    const double now = NowDayCount();
    const qint64 id =
        scanner.CreateCatalogObject(request.description, source, request.parentId, cls,
                                    request.comment, label, 0, qint64(totalBytes), now, now);
    if (newId)
        *newId = id;

    UI().SetCancelled(false);
    qint64 total = 0;
    scanner.ScanSource(source, id, total);
    if (UI().Cancelled())
        return false;
    SetCatalogSize(data, id, total);
    return true;
}

bool UpdateCatalog(TDataShare &data, const CatalogOptions &options, qint64 catalogId, qint64 *newId)
{
    // Comments of unchanged entries are carried over by re-use, whatever the
    // user's setting; the setting itself is left as it was.
    CatalogOptions updateOptions = options;
    updateOptions.reuseComments = true;
    const int cls = ClassOf(data, catalogId);
    if (!CatalogSchema::IsDiskCatalogClass(cls))
        return false;
    TableCursor *old = data.Catalogs.LookupCursor();
    data.Catalogs.Locate(old, catalogId);
    const QString source = old->FieldValue(QStringLiteral("Source")).toString();
    const QString name = old->FieldValue(QStringLiteral("Name")).toString();
    const QString comment = old->FieldValue(QStringLiteral("Comment")).toString();
    const QString label = old->FieldValue(QStringLiteral("SerialID")).toString();
    const qint64 parent = data.Catalogs.ItemParent(old);
    const QVariant created = old->FieldValue(QStringLiteral("Created"));

    // A removable medium may be mounted elsewhere than last time: the check
    // finds it by its label and tells where.
    QString foundSource;
    if (!DeviceReadyForLabel(name, label, source, false, &foundSource))
        return false;
    const QString scanSource = foundSource.isEmpty() ? source : foundSource;
    UI().ShowProgress(6);
    qint64 id = -1;
    const bool built =
        CatalogMedia(data, updateOptions, {scanSource, name, parent, label, label, comment}, &id);
    if (!built)
        return false;
    TableCursor *fresh = data.Catalogs.LookupCursor();
    if (data.Catalogs.Locate(fresh, id)) {
        fresh->Edit();
        fresh->SetFieldValue(QStringLiteral("Created"), created);
        fresh->Post();
    }
    DeleteSubtreePermanently(data, catalogId);
    if (newId)
        *newId = id;
    return true;
}
