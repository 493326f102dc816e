#pragma once

#include "media/CatalogOptions.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <functional>
#include <vector>

class TDataShare;

// One entry of a folder listing on a medium, as the walk found it.
struct MediumEntry
{
    // The name exactly as the file system lists it: bytes, valid until the
    // walk reads the next entry. MediumNameText turns it into text.
    QByteArrayView name;
    bool folder = false;
    // A symbolic link, cataloged as itself: never followed, never a package.
    bool link = false;
    // Read-only 1, hidden 2, system 4, archive 32 and whatever else the file
    // system reports; not kept for folders.
    int attributes = 0;
    // Bytes; a symbolic link counts with its own size, never its target's.
    qint64 size = 0;
    // Catalog date-times (DayCount.h) at two-second resolution. A creation time
    // the file system does not keep is the modification time.
    double created = 0.0;
    double modified = 0.0;
};

// A file time (seconds since 1970 UTC) as a catalog date-time: local time,
// seconds rounded down to an even number as DOS date-times keep them, then
// the day count. 0 when the time cannot be converted.
double MediumTimeToDayCount(qint64 secondsSinceEpoch);

// Turns a folder on a medium into rows of a disk catalog: one "File Folder"
// object (class 7) per folder and one Files row per file, depth-first in the
// order the file system lists the entries. Runs inside the caller's
// transaction and removes nothing it wrote: after a cancel or a failure the
// caller decides what becomes of the rows. The folders are listed and
// examined ahead on a worker thread (TMediumReadAhead); everything else, the
// rows, the progress and the cancel check, happens on the caller's thread.
class TMediaScanner final
{
public:
    // The progress bar as the scan steps it; the value wraps to 0 at the maximum.
    struct ProgressBar
    {
        qint64 maximum = 100;
        qint64 position = 0;
    };

    // Offered every plain file before it is written. Returns true when it
    // cataloged the file itself (a ZIP or self-extracting file whose members
    // became objects and rows); the scan then writes nothing more for it. It
    // adds what it cataloged to the running total itself.
    using PackageOffer = std::function<bool(const QString &folderPath, const MediumEntry &entry,
                                            qint64 parentId, qint64 &total)>;

    TMediaScanner(TDataShare &data, const CatalogOptions &options);
    ~TMediaScanner();
    Q_DISABLE_COPY_MOVE(TMediaScanner)

    const CatalogOptions &Options() const { return m_options; }
    void SetPackageOffer(PackageOffer offer) { m_packageOffer = std::move(offer); }

    // Sets the bar's maximum (the pre-counted entries, or 100 to cycle) and
    // its value to 0, and shows both.
    void SetProgressMaximum(qint64 maximum);
    ProgressBar CurrentProgressBar() const { return m_bar; }
    // Puts back a bar saved with CurrentProgressBar and shows it.
    void RestoreProgressBar(const ProgressBar &bar);
    // Entries processed in this scan: files, folders and analysed packages.
    qint64 ProcessedCount() const { return m_processed; }
    void CountProcessed() { ++m_processed; }

    // Walks the source into the catalog object catalogId. Sets total to the
    // sum of the sizes of the files cataloged. Returns false when the walk
    // was cancelled; the rows written until then stay.
    bool ScanSource(const QString &source, qint64 catalogId, qint64 &total);

    // Writes one Files row for a plain file found in a folder of the medium
    // (folderPath ends with "/"), adds its size to total and steps the
    // progress. Returns false when the cancel flag is set. During ScanSource
    // the row joins the batch being written (see FlushFileRows).
    bool AddFileRow(const QString &folderPath, const MediumEntry &entry, qint64 parentId,
                    qint64 &total);

    // Appends one Catalogs row through the shared item tree (name-hidden
    // false, Deleted 0, the label upper-cased) and returns its ID.
    qint64 CreateCatalogObject(const QString &name, const QString &source, qint64 parentId, int cls,
                               const QString &comment, const QString &label, qint64 size,
                               qint64 volumeSize, double created, double modified);

    // The comment of the first earlier entry (in index order) with the same
    // size, creation date-time and name, an entry whose name differs in ASCII
    // letter case only counting when none has the exact name; empty when none.
    QString ReuseFileComment(qint64 size, const QString &storedName, double created);
    // The same for objects, by class, creation date-time and name.
    QString ReuseObjectComment(int cls, const QString &name, double created);

    // Steps the bar alone: wraps to 0 at the maximum, then adds one.
    void StepProgressBar();

    // Queues one Files row of a file inside a package, marked packaged, under
    // the member's own name. It joins the batch of plain
    // rows, so keys keep following the order in which files were found.
    void AddPackagedFile(qint64 owner, quint32 attributes, qint64 size, const QString &storedName,
                         const QString &comment, double dateTime);

    // One progress step: the bar, the processed counter and, at every tenth
    // value of the bar, the file-name, path and status lines and the pump.
    void ReportScanProgress(const QString &entryName, const QString &folderPath);

    // Writes the Files rows that wait. A scan writes them in batches, which
    // ScanSource flushes before it returns; code that writes Files rows of its
    // own in the middle of a scan flushes first, so that keys keep following
    // the order in which files were found.
    void FlushFileRows();
    // How many Files rows wait before they are written. 16,384 measured best
    // at a million files (a few MB); tests use small batches.
    void SetFileRowBatch(std::size_t rows) { m_fileRowBatch = rows > 0 ? rows : 1; }
    // How many entries the walk hands over at a time from the thread that
    // lists the medium ahead of the scan; sixteen such batches at most are
    // read ahead. Tests use small batches.
    void SetReadAheadBatch(std::size_t entries) { m_readAheadBatch = entries; }

private:
    class Walk;
    friend class Walk;

    // A Files row found and not yet written. Its name and comment (UTF-8)
    // lie in m_pendingText, so that queueing a row allocates nothing.
    struct PendingFileRow
    {
        qint64 owner;
        int attributes;
        qint64 size;
        double created;
        double modified;
        qint64 key;
        bool packaged;
        qsizetype nameOffset;
        qsizetype nameLength;
        qsizetype commentLength; // the comment follows the name
    };

    // Steps the bar and the counter; true when the lines are due.
    bool StepProgress();
    void ShowProgressLines(const QString &entryName, const QString &folderPath);
    void WriteFileRow(const QString &folderPath, const MediumEntry &entry, qint64 parentId,
                      qint64 &total);
    QString ReuseFileComment(qint64 size, const QByteArray &storedNameUtf8, double created);
    // Queues a row whose name was just appended to m_pendingText at its
    // nameOffset; writes the batch when it is full.
    void QueueFileRow(PendingFileRow row, const QString &comment);

    TDataShare &m_data;
    CatalogOptions m_options;
    PackageOffer m_packageOffer;
    ProgressBar m_bar;
    qint64 m_processed = 0;
    bool m_scanning = false;
    std::vector<PendingFileRow> m_pendingRows;
    QByteArray m_pendingText;
    std::size_t m_fileRowBatch = 16384;
    std::size_t m_readAheadBatch = 1024;
    QString m_shownPath;
    QString m_shownPathLowered;
};
