#include "media/ObjectProperties.h"

#include "media/DeviceCheck.h"
#include "media/MediaIdentification.h"
#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "platform/UserInterface.h"
#include "store/CatalogContents.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/ObjectOperations.h"
#include "store/Wastebasket.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace CatalogSchema;

namespace {

// How often a running walk lets events run and shows its values.
constexpr int kRefreshIntervalMs = 500;

bool IsPoolClass(int cls)
{
    return cls == kArchivesClass || cls == kVolumePoolClass;
}

bool IsViewOnlyClass(int cls)
{
    return cls == kDatabaseClass || cls == kCatalogsFolderClass || cls == kEmptyWastebasketClass ||
           cls == kFullWastebasketClass || IsPoolClass(cls);
}

QString CountText(qint64 count)
{
    return DisplayLocale().toString(count);
}

// The location of a path: everything before its last separator.
QString ParentPath(const QString &path)
{
    const qsizetype cut = path.lastIndexOf(u'\\');
    return cut < 0 ? QString() : path.left(cut);
}

// What the counting walk of a catalog subtree adds up.
struct SubtreeCounts
{
    qint64 catalogFolders = 0;
    qint64 catalogedFolders = 0;
    qint64 diskCatalogs = 0;
    qint64 files = 0;
    qint64 bytes = 0;
};

// Walks an object's subtree and counts what it holds: every file row, the
// bytes of those not in a package plus the package files themselves, and
// below the root the disk catalogs and the folders of both kinds. Returns
// false when the cancel flag stopped it.
bool CountSubtree(TDataShare &data, qint64 rootId, SubtreeCounts &counts,
                  const std::function<void()> &refresh)
{
    SqliteStatement &filesOf = data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT COUNT(*), TOTAL(CASE WHEN Packaged THEN 0 ELSE Size END) "
                       "FROM Files WHERE ID = ?1"));
    bool cancelled = false;
    data.Catalogs.WalkSubtree(
        rootId,
        [&](TableCursor &cursor, qint64 &, bool &stop) {
            if (UI().Cancelled()) {
                cancelled = stop = true;
                return;
            }
            const qint64 id = data.Catalogs.ItemID(&cursor);
            const int cls = data.Catalogs.ItemClass(&cursor);
            filesOf.Bind(1, id);
            if (filesOf.Step()) {
                counts.files += filesOf.Int64(0);
                counts.bytes += qint64(filesOf.Double(1));
            }
            filesOf.Reset();
            if (cls == kPackageClass)
                counts.bytes += cursor.FieldValue(QStringLiteral("Size")).toLongLong();
            if (id != rootId) {
                if (IsDiskCatalogClass(cls))
                    ++counts.diskCatalogs;
                else if (cls == kFileFolderClass || cls == kPackagedFolderClass)
                    ++counts.catalogedFolders;
                else if (cls == kCatalogFolderClass || cls == kArchiveSetClass ||
                         cls == kArchiveFolderClass)
                    ++counts.catalogFolders;
            }
            if (UI().PumpMessages(kRefreshIntervalMs) && refresh)
                refresh();
        },
        nullptr);
    return !cancelled && !UI().Cancelled();
}

void SetValue(PropertiesStatistics &statistics, const QString &caption, const QString &value)
{
    for (StatisticsLine &line : statistics.lines) {
        if (line.caption == caption)
            line.value = value;
    }
}

QList<StatisticsLine> Captions(const QStringList &captions)
{
    QList<StatisticsLine> lines;
    for (const QString &caption : captions)
        lines.append({caption, kSearchingText});
    return lines;
}

// The values of one row of the Catalogs table.
struct ObjectRow
{
    bool found = false;
    int cls = -1;
    qint64 size = 0;
    qint64 volumeSize = 0;
    double created = 0;
    double modified = 0;
};

ObjectRow ReadObjectRow(TDataShare &data, qint64 id)
{
    SqliteStatement &query = data.CatalogDatabase.Prepare(QStringLiteral(
        "SELECT Class, Size, VolSize, Created, Modified FROM Catalogs WHERE ID = ?1"));
    query.Bind(1, id);
    ObjectRow row;
    if (query.Step())
        row = {true,           int(query.Int64(0)), query.Int64(1),
               query.Int64(2), query.Double(3),     query.Double(4)};
    query.Reset();
    return row;
}

QList<qint64> ArchiveSetsOn(TDataShare &data, qint64 volumeId)
{
    SqliteStatement &query = data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT ID FROM Catalogs WHERE VolSize = ?1 AND Class = ?2 ORDER BY ID"));
    query.Bind(1, volumeId).Bind(2, kArchiveSetClass);
    QList<qint64> ids;
    while (query.Step())
        ids.append(query.Int64(0));
    query.Reset();
    return ids;
}

void FillCatalogPage(TDataShare &data, const PropertiesDetails &details,
                     PropertiesStatistics &statistics, const std::function<void()> &refresh)
{
    SubtreeCounts counts;
    const auto show = [&] {
        SetValue(statistics, QStringLiteral("Catalog Folders:"), CountText(counts.catalogFolders));
        SetValue(statistics, QStringLiteral("Cataloged Folders:"),
                 CountText(counts.catalogedFolders));
        SetValue(statistics, QStringLiteral("Disk Catalogs:"), CountText(counts.diskCatalogs));
        SetValue(statistics, QStringLiteral("Cataloged Files:"), CountText(counts.files));
        SetValue(statistics, QStringLiteral("Size of Cataloged Files:"),
                 SizeText(counts.bytes, true));
    };
    SetValue(statistics, QStringLiteral("Catalog Entry Created:"),
             LongDateTimeText(details.created));
    SetValue(statistics, QStringLiteral("Catalog Entry Modified:"),
             LongDateTimeText(details.modified));
    // Folders made only to hold an object's path in the wastebasket carry no
    // time of their own: their line stays blank rather than show day 0.
    SetValue(statistics, QStringLiteral("Catalog Entry Deleted:"),
             details.deleted > 0 ? LongDateTimeText(details.deleted) : QString());
    statistics.complete = CountSubtree(data, details.number, counts, [&] {
        show();
        if (refresh)
            refresh();
    });
    show();
}

void FillArchiveVolumePage(TDataShare &data, const PropertiesDetails &details,
                           PropertiesStatistics &statistics, const std::function<void()> &refresh)
{
    const ObjectRow volume = ReadObjectRow(data, details.number);
    const QString usedCaption = details.cls == kArchiveFolderClass
                                    ? QStringLiteral("Space Used in Archive:")
                                    : QStringLiteral("Space Used on Volume:");
    if (volume.found && volume.volumeSize > 0) {
        SetValue(statistics, usedCaption, SizeText(volume.size, true));
        SetValue(statistics, QStringLiteral("Space Free on Volume:"),
                 SizeText(volume.volumeSize - volume.size, true));
        SetValue(statistics, QStringLiteral("Percentage Used:"),
                 DisplayLocale().toString(double(volume.size) * 100.0 / double(volume.volumeSize),
                                          'f', 2) +
                     u'%');
    } else if (details.cls == kArchiveFolderClass && volume.found) {
        SetValue(statistics, usedCaption, SizeText(volume.size, true));
    } else {
        for (const QString &caption : {usedCaption, QStringLiteral("Space Free on Volume:"),
                                       QStringLiteral("Percentage Used:")})
            SetValue(statistics, caption, QStringLiteral("N/A"));
    }
    SetValue(statistics, QStringLiteral("Volume Created:"), LongDateTimeText(details.created));
    SetValue(statistics, QStringLiteral("Volume Modified:"), LongDateTimeText(details.modified));

    // An archive folder is counted like a catalog; a volume through its sets.
    const QList<qint64> roots = details.cls == kArchiveFolderClass
                                    ? QList<qint64>{details.number}
                                    : ArchiveSetsOn(data, details.number);
    SubtreeCounts counts;
    const auto show = [&] {
        SetValue(statistics, QStringLiteral("Archive Sets:"), CountText(roots.size()));
        SetValue(statistics, QStringLiteral("Archived Folders:"),
                 CountText(counts.catalogFolders + counts.catalogedFolders));
        SetValue(statistics, QStringLiteral("Archived Files:"), CountText(counts.files));
        SetValue(statistics, QStringLiteral("Size of Archived Files:"),
                 SizeText(counts.bytes, true));
    };
    statistics.complete = true;
    for (qint64 root : roots) {
        if (!CountSubtree(data, root, counts, [&] {
                show();
                if (refresh)
                    refresh();
            })) {
            statistics.complete = false;
            break;
        }
    }
    show();
}

void FillArchiveSetPage(TDataShare &data, const PropertiesDetails &details,
                        PropertiesStatistics &statistics, const std::function<void()> &refresh)
{
    SubtreeCounts counts;
    const auto show = [&] {
        SetValue(statistics, QStringLiteral("Folders in Archive Set::"),
                 CountText(counts.catalogFolders + counts.catalogedFolders));
        SetValue(statistics, QStringLiteral("Files in Archive Set:"), CountText(counts.files));
        SetValue(statistics, QStringLiteral("Size of Files in Set:"), SizeText(counts.bytes, true));
    };
    SetValue(statistics, QStringLiteral("Space Used on Volume:"), SizeText(details.size, true));
    SetValue(statistics, QStringLiteral("Set Created:"), LongDateTimeText(details.created));
    SetValue(statistics, QStringLiteral("Set Modified:"), LongDateTimeText(details.modified));
    statistics.complete = CountSubtree(data, details.number, counts, [&] {
        show();
        if (refresh)
            refresh();
    });
    show();
}

void FillArchivePoolPage(TDataShare &data, const PropertiesDetails &details,
                         PropertiesStatistics &statistics)
{
    SqliteStatement &query = data.CatalogDatabase.Prepare(QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM Catalogs WHERE Parent = ?1 AND Class BETWEEN ?2 AND ?3), "
        "(SELECT COUNT(*) FROM Catalogs WHERE Class = ?4), "
        "(SELECT TOTAL(Size) FROM Catalogs WHERE Class = ?4)"));
    query.Bind(1, qint64(kVolumePoolId))
        .Bind(2, kEmptyArchiveVolumeClass)
        .Bind(3, kFullArchiveVolumeClass)
        .Bind(4, kArchiveSetClass);
    query.Step();
    SetValue(statistics, QStringLiteral("Archive Volumes:"), CountText(query.Int64(0)));
    SetValue(statistics, QStringLiteral("Archive Sets:"), CountText(query.Int64(1)));
    SetValue(statistics, QStringLiteral("Size of Archived Sets:"),
             SizeText(qint64(query.Double(2)), true));
    query.Reset();
    SetValue(statistics, QStringLiteral("Archive Pool Created:"),
             LongDateTimeText(details.created));
    SetValue(statistics, QStringLiteral("Archive Pool Modified:"),
             LongDateTimeText(details.modified));
    statistics.complete = true;
}

void FillDatabasePage(TDataShare &data, PropertiesStatistics &statistics)
{
    statistics.databaseFiles = DatabaseFilesOf(data.DatabaseFolder);
    qint64 total = 0;
    for (const DatabaseFileEntry &file : statistics.databaseFiles)
        total += file.size;
    SetValue(statistics, QStringLiteral("Database Version:"),
             QString::number(data.DatabaseVersion ? data.DatabaseVersion : kDatabaseVersion));
    SetValue(statistics, QStringLiteral("Space used by Database: "), SizeText(total, true));
    statistics.complete = true;
}

void FillFilePage(const PropertiesDetails &details, PropertiesStatistics &statistics)
{
    SetValue(statistics, QStringLiteral("Size:"), SizeText(details.size, true));
    SetValue(statistics, QStringLiteral("Created:"), LongDateTimeText(details.created));
    SetValue(statistics, QStringLiteral("Modified:"), LongDateTimeText(details.modified));
    QStringList attributes;
    const std::pair<int, const char *> kNames[] = {{FileAttribute::ReadOnly, "Read-only"},
                                                   {FileAttribute::Hidden, "Hidden"},
                                                   {FileAttribute::System, "System"},
                                                   {FileAttribute::Archive, "Archive"}};
    for (const auto &[bit, name] : kNames) {
        if (details.cls & bit)
            attributes.append(QString::fromLatin1(name));
    }
    SetValue(statistics, QStringLiteral("Attributes:"), attributes.join(QStringLiteral(", ")));
    statistics.complete = true;
}

bool ReadFileDetails(TDataShare &data, qint64 key, PropertiesDetails &out)
{
    SqliteStatement &query = data.CatalogDatabase.Prepare(QStringLiteral(
        "SELECT ID, Class, Size, Name, Comment, Created, Modified FROM Files WHERE Key = ?1"));
    query.Bind(1, key);
    const bool found = query.Step();
    qint64 owner = -1;
    if (found) {
        owner = query.Int64(0);
        out.cls = int(query.Int64(1));
        out.size = query.Int64(2);
        out.name = query.Text(3);
        out.comment = query.Text(4);
        out.created = query.Double(5);
        out.modified = query.Double(6);
    }
    query.Reset();
    if (!found)
        return false;
    out.typeName = FileTypeName(out.name);
    out.location = GetObjectPath(data, owner);
    out.number = owner; // for the catalog look-up below; put back by the caller
    return true;
}

bool ReadObjectDetails(TDataShare &data, qint64 id, PropertiesDetails &out)
{
    SqliteStatement &query = data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT Class, Size, Name, Comment, Created, Modified, Deleted, SerialID "
                       "FROM Catalogs WHERE ID = ?1"));
    query.Bind(1, id);
    const bool found = query.Step();
    if (found) {
        out.cls = int(query.Int64(0));
        out.size = query.Int64(1);
        out.name = query.Text(2);
        out.comment = query.Text(3);
        out.created = query.Double(4);
        out.modified = query.Double(5);
        out.deleted = query.Double(6);
        out.storedLabel = query.Text(7);
    }
    query.Reset();
    if (!found)
        return false;
    const QString path = GetObjectPath(data, id);
    out.typeName = GetClassName(out.cls);
    out.location = ParentPath(path);
    out.deletedShown = IsWastebasketPath(path);
    out.labelEditable = out.cls == kRemovableDiskClass || out.cls == kHardDiskClass;
    out.sourceEditable = IsDiskCatalogClass(out.cls);
    return true;
}

QString DriveText(const QString &source)
{
    static const QRegularExpression letter(QStringLiteral("^[A-Za-z]:"));
    return letter.match(source).hasMatch() ? source.left(1) + QStringLiteral(":\\") : source;
}

// Reads the label of the disk in the source's drive and runs the device
// check unless the disk there carries the stored or the new label; then
// writes the new label when the disk does not carry it already.
PropertiesOutcome WriteNewLabel(const PropertiesDetails &details, PropertiesEdits &edits)
{
    QString current;
    bool readable = GetVolumeLabel(details.source, current);
    if (!readable ||
        (LabelChanged(current, details.storedLabel) && LabelChanged(current, edits.label))) {
        if (!DeviceReadyForLabel(details.catalogName, details.label, details.source, false))
            return PropertiesOutcome::StayOpen;
        readable = GetVolumeLabel(details.source, current);
    }
    if (LabelChanged(edits.label, current) && !SetVolumeLabel(details.source, edits.label)) {
        edits.label = details.label;
        UI().ShowError(QStringLiteral("Unable to Label Disk"),
                       QStringLiteral("The Disk in Drive ") + DriveText(details.source) +
                           QStringLiteral(" is Write-Protected. ") +
                           QStringLiteral("The request to change the Disk Label has failed."));
        return PropertiesOutcome::StayOpen;
    }
    return PropertiesOutcome::Saved;
}

bool SourceKeepsDriveType(const QString &stored, const QString &typed)
{
    QString storedDescription;
    QString typedDescription;
    const int storedClass = GetDriveClass(stored, storedDescription);
    const int typedClass = GetDriveClass(typed, typedDescription);
    if (storedClass == DriveClass::NotSupported || storedClass == typedClass)
        return true;
    UI().ShowError(QStringLiteral("Invalid Catalog Source"),
                   QStringLiteral("Original Catalog Type:\t") + storedDescription +
                       QStringLiteral("\nNew Catalog Type:\t\t") + typedDescription +
                       kParagraphBreak +
                       QStringLiteral("You are not allowed to change the Catalog Source to \n"
                                      "reference a different type of Disk Drive ") +
                       kParagraphBreak +
                       QStringLiteral("Please respecify the catalog Source before continuing."));
    return false;
}

} // namespace

PropertiesLayout PropertiesLayoutOf(int cls, bool file)
{
    PropertiesLayout layout;
    if (file) {
        layout.page = StatisticsPageKind::File;
        return layout;
    }
    layout.viewOnly = IsViewOnlyClass(cls);
    layout.detailsTab = !layout.viewOnly;
    layout.poolTabs = IsPoolClass(cls);
    if (cls == kDatabaseClass) {
        layout.page = StatisticsPageKind::Database;
    } else if (IsPoolClass(cls)) {
        layout.page = StatisticsPageKind::ArchivePool;
        layout.pageTitle = QStringLiteral("Archive Pool Statistics");
    } else if (CatalogSchema::IsArchiveVolumeClass(cls)) {
        layout.page = StatisticsPageKind::ArchiveVolume;
        layout.pageTitle = QStringLiteral("Archive Volume Statistics");
    } else if (cls == kArchiveFolderClass) {
        layout.page = StatisticsPageKind::ArchiveFolder;
        layout.pageTitle = QStringLiteral("Archive Folder Statistics");
    } else if (cls == kArchiveSetClass) {
        layout.page = StatisticsPageKind::ArchiveSet;
        layout.pageTitle = QStringLiteral("Archive Set Statistics");
    } else {
        layout.pageTitle = QStringLiteral("Catalog Statistics");
    }
    return layout;
}

bool ReadPropertiesDetails(TDataShare &data, bool file, qint64 number, PropertiesDetails &out)
{
    out = PropertiesDetails();
    out.file = file;
    out.number = number;
    if (!(file ? ReadFileDetails(data, number, out) : ReadObjectDetails(data, number, out)))
        return false;
    MediaLocation location;
    out.inCatalog = LocateOnMedia(data, out.number, false, location);
    if (out.inCatalog) {
        out.catalogName = location.name;
        out.label = location.label;
        out.source = location.mediumSource;
    }
    if (!out.inCatalog || file)
        out.labelEditable = out.sourceEditable = false;
    out.number = number;
    return true;
}

QString PropertiesStatistics::Value(const QString &caption) const
{
    for (const StatisticsLine &line : lines) {
        if (line.caption == caption)
            return line.value;
    }
    return QString();
}

PropertiesStatistics InitialStatistics(const PropertiesDetails &details)
{
    PropertiesStatistics statistics;
    QStringList captions;
    switch (PropertiesLayoutOf(details.cls, details.file).page) {
    case StatisticsPageKind::File:
        captions = {QStringLiteral("Size:"), QStringLiteral("Created:"),
                    QStringLiteral("Modified:"), QStringLiteral("Attributes:")};
        break;
    case StatisticsPageKind::Catalog:
        captions = {
            QStringLiteral("Catalog Folders:"),         QStringLiteral("Cataloged Folders:"),
            QStringLiteral("Disk Catalogs:"),           QStringLiteral("Cataloged Files:"),
            QStringLiteral("Size of Cataloged Files:"), QStringLiteral("Catalog Entry Created:"),
            QStringLiteral("Catalog Entry Modified:")};
        if (details.deletedShown)
            captions.append(QStringLiteral("Catalog Entry Deleted:"));
        break;
    case StatisticsPageKind::ArchivePool:
        captions = {QStringLiteral("Archive Volumes:"), QStringLiteral("Archive Sets:"),
                    QStringLiteral("Size of Archived Sets:"),
                    QStringLiteral("Archive Pool Created:"),
                    QStringLiteral("Archive Pool Modified:")};
        break;
    case StatisticsPageKind::ArchiveVolume:
        captions = {
            QStringLiteral("Archive Sets:"),          QStringLiteral("Space Used on Volume:"),
            QStringLiteral("Space Free on Volume:"),  QStringLiteral("Percentage Used:"),
            QStringLiteral("Volume Created:"),        QStringLiteral("Volume Modified:"),
            QStringLiteral("Archived Folders:"),      QStringLiteral("Archived Files:"),
            QStringLiteral("Size of Archived Files:")};
        break;
    case StatisticsPageKind::ArchiveFolder:
        captions = {
            QStringLiteral("Archive Sets:"),          QStringLiteral("Space Used in Archive:"),
            QStringLiteral("Volume Created:"),        QStringLiteral("Volume Modified:"),
            QStringLiteral("Archived Folders:"),      QStringLiteral("Archived Files:"),
            QStringLiteral("Size of Archived Files:")};
        break;
    case StatisticsPageKind::ArchiveSet:
        captions = {QStringLiteral("Folders in Archive Set::"),
                    QStringLiteral("Files in Archive Set:"),
                    QStringLiteral("Size of Files in Set:"),
                    QStringLiteral("Space Used on Volume:"),
                    QStringLiteral("Set Created:"),
                    QStringLiteral("Set Modified:")};
        break;
    case StatisticsPageKind::Database:
        captions = {QStringLiteral("Database Version:"),
                    QStringLiteral("Space used by Database: ")};
        break;
    }
    statistics.lines = Captions(captions);
    return statistics;
}

void ComputeStatistics(TDataShare &data, const PropertiesDetails &details,
                       PropertiesStatistics &statistics, const std::function<void()> &refresh)
{
    switch (PropertiesLayoutOf(details.cls, details.file).page) {
    case StatisticsPageKind::File:
        FillFilePage(details, statistics);
        break;
    case StatisticsPageKind::Catalog:
        FillCatalogPage(data, details, statistics, refresh);
        break;
    case StatisticsPageKind::ArchivePool:
        FillArchivePoolPage(data, details, statistics);
        break;
    case StatisticsPageKind::ArchiveVolume:
    case StatisticsPageKind::ArchiveFolder:
        FillArchiveVolumePage(data, details, statistics, refresh);
        break;
    case StatisticsPageKind::ArchiveSet:
        FillArchiveSetPage(data, details, statistics, refresh);
        break;
    case StatisticsPageKind::Database:
        FillDatabasePage(data, statistics);
        break;
    }
    if (refresh)
        refresh();
}

QList<DatabaseFileEntry> DatabaseFilesOf(const QString &folder)
{
    QList<DatabaseFileEntry> files;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        {kCatalogsFileName + u'*', kFilesFileName + u'*'}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &entry : entries)
        files.append({entry.fileName(), entry.size(), ToDayCount(entry.lastModified())});
    return files;
}

PropertiesOutcome ApplyPropertiesEdits(TDataShare &data, const PropertiesDetails &details,
                                       PropertiesEdits &edits)
{
    if (edits.label == kUnlabelled)
        edits.label.clear();
    const QString storedLabel = details.label == kUnlabelled ? QString() : details.label;
    const bool labelChanged = details.labelEditable && LabelChanged(edits.label, storedLabel);
    if (labelChanged && WriteNewLabel(details, edits) == PropertiesOutcome::StayOpen)
        return PropertiesOutcome::StayOpen;

    // Paths on this system tell letter case apart, so a source in other
    // letter case is another folder.
    edits.source = edits.source.trimmed();
    const bool sourceChanged = details.sourceEditable && edits.source != details.source;
    if (sourceChanged && !SourceKeepsDriveType(details.source, edits.source))
        return PropertiesOutcome::StayOpen;

    const bool commentChanged = edits.comment != details.comment;
    if (!commentChanged && !sourceChanged && !labelChanged)
        return PropertiesOutcome::Saved;
    const bool written = data.RunUserCommand([&] {
        if (details.file) {
            WriteFileComment(data, details.number, edits.comment);
            return;
        }
        TableCursor *row = data.Catalogs.LookupCursor();
        if (!row->Locate(details.number))
            return;
        row->Edit();
        if (commentChanged)
            row->SetFieldValue(QStringLiteral("Comment"), edits.comment);
        if (sourceChanged)
            row->SetFieldValue(QStringLiteral("Source"), edits.source);
        if (labelChanged)
            row->SetFieldValue(QStringLiteral("SerialID"), edits.label.toUpper());
        row->SetFieldValue(QStringLiteral("Modified"), NowDayCount());
        row->Post();
    });
    return written ? PropertiesOutcome::Saved : PropertiesOutcome::StayOpen;
}
