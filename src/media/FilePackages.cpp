#include "media/FilePackages.h"

#include "media/MediaScan.h"
#include "platform/DayCount.h"
#include "platform/MediumName.h"
#include "platform/UserInterface.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"

#include <QScopeGuard>
#include <QStringView>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

namespace {

constexpr quint32 kFolderAttribute = 0x10;
constexpr qint64 kSelfExtractingMinimum = 1000;
constexpr qint64 kSignatureWindow = 2048;

const QString kArchiveSetNames = QStringLiteral("SELECT Name FROM Catalogs WHERE Class = %1")
                                     .arg(CatalogSchema::kArchiveSetClass);

// Reads "n/n/n" or "n:n" into up to three numbers; false on anything else.
bool ReadNumbers(QStringView text, QChar separator, int count, int *numbers)
{
    int found = 0;
    for (QStringView part : text.split(separator)) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0 || found == count)
            return false;
        numbers[found++] = value;
    }
    return found == count;
}

std::optional<double> ParseDosDateTime(QStringView text)
{
    const qsizetype blank = text.indexOf(u' ');
    if (blank < 0)
        return std::nullopt;
    int date[3];
    int time[2];
    if (!ReadNumbers(text.left(blank), u'/', 3, date) ||
        !ReadNumbers(text.mid(blank + 1).trimmed(), u':', 2, time))
        return std::nullopt;
    int year = date[2];
    if (year < 100)
        year += year >= 80 ? 1900 : 2000;
    const QDate day(year, date[0], date[1]);
    const QTime clock(time[0], time[1]);
    if (!day.isValid() || !clock.isValid())
        return std::nullopt;
    return DayCountOf(day, clock);
}

QString ExtensionUpper(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? QString() : fileName.mid(dot).toUpper();
}

QString JoinFolder(const QString &folderPath, const QString &fileName)
{
    return folderPath.endsWith(u'/') ? folderPath + fileName : folderPath + u'/' + fileName;
}

} // namespace

double MemberDateTime(const QString &text)
{
    if (const std::optional<double> value = ParseDosDateTime(text))
        return *value;
    return *ParseDosDateTime(u"01/01/80 00:00");
}

bool IsSelfExtractingZip(const QString &folderPath, const QString &fileName)
{
    // Opened by the name's bytes: a name that is not UTF-8 is still found.
    const int file =
        ::open(MediumNameBytes(JoinFolder(folderPath, fileName)).constData(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    const auto closeFile = qScopeGuard([file] { ::close(file); });
    struct stat status;
    if (::fstat(file, &status) != 0 || status.st_size < kSelfExtractingMinimum)
        return false;
    // The last 2,048 bytes, or the whole of a shorter file; a signature
    // found there starts at position 2,044 at the latest.
    char window[kSignatureWindow];
    const off_t from = qMax<off_t>(0, status.st_size - kSignatureWindow);
    const ssize_t read = ::pread(file, window, sizeof window, from);
    if (read < 4)
        return false;
    return QByteArrayView(window, read).indexOf("PK\x05\x06") >= 0;
}

TPackageAnalyser::TPackageAnalyser(TMediaScanner &scanner, TDataShare &data)
    : m_scanner(scanner)
    , m_data(data)
{
}

void TPackageAnalyser::AttachTo(const QString &source)
{
    m_scanner.SetPackageOffer([this, source](const QString &folderPath, const MediumEntry &entry,
                                             qint64 parentId, qint64 &total) {
        return OfferPackage(folderPath, source, entry, total, parentId);
    });
}

bool TPackageAnalyser::OfferPackage(const QString &folderPath, const QString &source,
                                    const MediumEntry &entry, qint64 &total, qint64 parentId)
{
    const CatalogOptions &options = m_scanner.Options();
    // A link's target is cataloged where it lies, if it lies on the medium.
    if (entry.link || (!options.exeFiles && !options.zipFiles))
        return false;
    const QString name = MediumNameText(entry.name);
    const QString extension = ExtensionUpper(name);
    const bool package = (extension == QLatin1String(".EXE") && options.exeFiles &&
                          IsSelfExtractingZip(folderPath, name)) ||
                         (extension == QLatin1String(".ZIP") && options.zipFiles);
    if (!package)
        return false;
    if (!AnalysePackage(folderPath, source, 0, QString(), CatalogSchema::kPackageClass, parentId,
                        entry.size, entry.modified, entry.created, name))
        return false;
    total += entry.size;
    return true;
}

QString TPackageAnalyser::ArchiveSetName(const QString &packageFileName)
{
    const qsizetype dot = packageFileName.lastIndexOf(u'.');
    const QString base = dot < 0 ? packageFileName : packageFileName.left(dot);
    QStringList taken;
    SqliteStatement &names = m_data.CatalogDatabase.Prepare(kArchiveSetNames);
    while (names.Step())
        taken << names.Text(0);
    names.Reset();
    const auto isTaken = [&taken](const QString &name) {
        return taken.contains(name, Qt::CaseInsensitive);
    };
    if (!isTaken(base))
        return base;
    for (int number = 0;; ++number) {
        const QString merged = QStringLiteral("Merged[%1] %2").arg(number).arg(base);
        if (!isTaken(merged))
            return merged;
    }
}

bool TPackageAnalyser::AnalysePackage(const QString &folderPath, const QString &source,
                                      qint64 volumeValue, const QString &comment, int cls,
                                      qint64 parentId, qint64 size, double modified, double created,
                                      const QString &packageFileName)
{
    m_unzip.lpszZipFile = JoinFolder(folderPath, packageFileName);
    if (!m_unzip.Execute(ZipFunction::Count) || m_unzip.ItemCount <= 0)
        return false;
    const qint64 memberCount = m_unzip.ItemCount;
    QString archiveComment;
    if (m_unzip.Execute(ZipFunction::CommentSize) && m_unzip.CommentSize > 0 &&
        m_unzip.Execute(ZipFunction::Comment))
        archiveComment = m_unzip.CommentText;

    const bool archiveSet = cls == CatalogSchema::kArchiveSetClass;
    const QString name = archiveSet ? ArchiveSetName(packageFileName) : packageFileName;
    QString objectComment = archiveSet ? comment : QString();
    if (m_scanner.Options().reuseComments)
        objectComment = m_scanner.ReuseObjectComment(cls, name, created);
    if (objectComment.isEmpty())
        objectComment = archiveComment;
    const qint64 packageId =
        m_scanner.CreateCatalogObject(name, source, parentId, cls, objectComment, QString(), size,
                                      archiveSet ? volumeValue : 0, created, modified);

    const TMediaScanner::ProgressBar savedBar = m_scanner.CurrentProgressBar();
    m_scanner.SetProgressMaximum(memberCount);
    m_folders.clear();
    // The path line names the package for every member it shows.
    m_progressPath = QStringLiteral("Analysing File Package: ") + packageFileName.toLower();
    for (qint64 number = 1; number <= memberCount; ++number) {
        m_scanner.StepProgressBar();
        if (!m_unzip.Execute(ZipFunction::NextMember))
            continue;
        AddPackageEntry(source, packageId, int(number), int(memberCount));
        if (UI().Cancelled())
            break;
    }
    m_folders.clear();
    m_scanner.RestoreProgressBar(savedBar);
    m_scanner.CountProcessed();
    return true;
}

void TPackageAnalyser::AddPackageEntry(const QString &source, qint64 packageId, int memberNumber,
                                       int memberCount)
{
    if (m_unzip.ItemAttributes & kFolderAttribute)
        return;
    const double dateTime = MemberDateTime(m_unzip.ItemDateTime);
    const bool reuse = m_scanner.Options().reuseComments;
    // Empty names ("a//b", a leading "/") make no folders; a name ending in
    // "/" makes its folders and no file.
    QStringList names = m_unzip.ItemName.split(u'/', Qt::SkipEmptyParts);
    const QString fileName =
        m_unzip.ItemName.endsWith(u'/') || names.isEmpty() ? QString() : names.takeLast();
    qint64 parent = packageId;
    QString key;
    for (const QString &segment : std::as_const(names)) {
        key += segment.toUpper() + u'/';
        const auto known = m_folders.constFind(key);
        if (known != m_folders.cend()) {
            parent = *known;
            continue;
        }
        const QString comment = reuse ? m_scanner.ReuseObjectComment(
                                            CatalogSchema::kPackagedFolderClass, segment, dateTime)
                                      : QString();
        parent = m_scanner.CreateCatalogObject(segment, source, parent,
                                               CatalogSchema::kPackagedFolderClass, comment,
                                               QString(), 0, 0, dateTime, dateTime);
        m_folders.insert(key, parent);
    }
    if (!fileName.isEmpty())
        AddPackagedFileRow(parent, fileName, dateTime, memberNumber, memberCount);
}

void TPackageAnalyser::AddPackagedFileRow(qint64 ownerId, const QString &fileName, double dateTime,
                                          int memberNumber, int memberCount)
{
    const qint64 size = m_unzip.ItemSize;
    const QString comment = m_scanner.Options().reuseComments
                                ? m_scanner.ReuseFileComment(size, fileName, dateTime)
                                : QString();
    m_scanner.AddPackagedFile(ownerId, m_unzip.ItemAttributes, size, fileName, comment, dateTime);

    UserInterface &ui = UI();
    ui.SetProgressFileName(fileName);
    ui.SetProgressPath(m_progressPath);
    ui.SetProgressStatus(
        QStringLiteral("%1 of %2 Packaged Files Processed").arg(memberNumber).arg(memberCount));
    ui.PumpMessages(0);
}
