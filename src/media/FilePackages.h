#pragma once

#include "archive/ZipEngine.h"

#include <QHash>
#include <QString>
#include <QtGlobal>

class TDataShare;
class TMediaScanner;
struct MediumEntry;

// A member's date-time as the ZIP engine reports it ("mm/dd/yy hh:mm") as a
// catalog date-time. ZIP dates run from 1980, so a two-digit year of 80 to 99
// is 19xx and one below 80 is 20xx. A text that does not read as a date and
// a time gives 1 January 1980, 00:00.
double MemberDateTime(const QString &text);

// Whether a program file carries a ZIP archive at its end: at least 1,000
// bytes long, with the end-of-archive signature "PK\5\6" starting in the
// first 2,045 bytes of the last 2,048 (of the whole file when shorter).
// Read errors count as no.
bool IsSelfExtractingZip(const QString &folderPath, const QString &fileName);

// Catalogs the contents of file packages: ZIP files and self-extracting
// files become a "Packaged Files" object (class 22) holding a "Packaged
// Folder" object (class 24) per folder named inside and a packaged Files
// row per member file. The same analysis records an archive set (class 23).
// Works inside the scan's transaction, through the scanner's rows and
// progress bar.
class TPackageAnalyser final
{
public:
    TPackageAnalyser(TMediaScanner &scanner, TDataShare &data);
    Q_DISABLE_COPY_MOVE(TPackageAnalyser)

    // Makes OfferPackage the scanner's package offer for a scan of source.
    void AttachTo(const QString &source);

    // Catalogs a file found by the scan as a package when its extension and
    // the options say so and the engine can list it; then adds its size to
    // total and returns true. Otherwise returns false and writes nothing.
    bool OfferPackage(const QString &folderPath, const QString &source, const MediumEntry &entry,
                      qint64 &total, qint64 parentId);

    // Catalogs one package (cls 22) or archive set (cls 23) below parentId.
    // False, with nothing written, when the engine cannot open the package
    // or it holds no member. A cancel ends the member loop; what was read
    // stays and the result is still true.
    bool AnalysePackage(const QString &folderPath, const QString &source, qint64 volumeValue,
                        const QString &comment, int cls, qint64 parentId, qint64 size,
                        double modified, double created, const QString &packageFileName);

    // The name an archive set gets: the file name without its extension, or
    // "Merged[n] name" with the first n that no archive set carries yet.
    QString ArchiveSetName(const QString &packageFileName);

private:
    // One member: its folders, then its file row.
    void AddPackageEntry(const QString &source, qint64 packageId, int memberNumber,
                         int memberCount);
    void AddPackagedFileRow(qint64 ownerId, const QString &fileName, double dateTime,
                            int memberNumber, int memberCount);

    TMediaScanner &m_scanner;
    TDataShare &m_data;
    TUnzipFile m_unzip;
    // Folders of the package in hand: upper-cased path from the package root
    // ("SRC/SUB") -> object ID.
    QHash<QString, qint64> m_folders;
    QString m_progressPath; // the path line shown while the package is read
};
