#pragma once

#include "exchange/ObjectPathIndex.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <stdexcept>
#include <vector>

class SqliteConnection;
class TDataShare;
class TableCursor;

// Export files: a part of the catalog tree written as text records (one per
// object and one per file, objects by their full path), and read back into
// any catalog database, where objects are found or made again by path.

// A file that could not be created, written or opened; the text says which.
class EExchangeFileError : public std::runtime_error
{
public:
    explicit EExchangeFileError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString &Message() const { return m_message; }

private:
    QString m_message;
};

// Holds the page caches of both database files small while it lives and
// gives them their sizes back after. An export or an import passes over
// every row once, so the large caches of browsing would only make the
// program grow with the catalog. Export and import hold it themselves; a
// caller that reads the database around them (counts, the commit) may hold
// it longer.
class ExchangePageCaches final
{
public:
    explicit ExchangePageCaches(TDataShare &data);
    ~ExchangePageCaches();
    Q_DISABLE_COPY_MOVE(ExchangePageCaches)

private:
    // The setting as PRAGMA cache_size gives it: pages, or KiB when negative.
    qint64 CacheSize(const QString &schema);
    void SetCacheSize(const QString &schema, qint64 size);

    SqliteConnection &m_db;
    qint64 m_catalogs;
    qint64 m_files;
};

// Which objects a CollectObjectIDs walk takes, by the walk's data value.
namespace CollectMode {
enum : qint64
{
    AboveFixed = 1,       // IDs above 4: no fixed object except the volume pool
    Everything = 2,       // every object
    ExceptWastebasket = 3 // every object except the wastebasket (ID 4)
};
} // namespace CollectMode

// A subtree walk procedure for TDBItemTree::WalkSubtree: appends the visited
// object's ID to ids when the mode (the walk's data value) takes it, lets
// events run once a second and stops the walk when the cancel flag is set.
void CollectObjectIDs(TDataShare &data, QList<qint64> &ids, TableCursor &cursor, qint64 &mode,
                      bool &stop);

// Writes the object and everything below it to an export file: each object's
// record followed by its files' records, objects in depth-first order. Shows
// progress operation 14. Returns false when the user cancelled; the file is
// then not written (an existing file of that name is left as it was). Raises
// EExchangeFileError when the file cannot be written.
bool ExportObjects(TDataShare &data, qint64 objectId, const QString &fileName);

// Reads an export file into the database, inside the caller's transaction.
// A file whose first line is not a ten-field record is refused with the
// "Invalid Format" box before anything is written (false). Otherwise shows
// progress operation 15 and imports; a failed record, an abort or a cancel
// shows its boxes and raises EDirvantaFailed so that the caller rolls back.
// Raises EExchangeFileError when the file cannot be opened.
bool ImportFile(TDataShare &data, const QString &fileName);

// The reading of one export file into the database: the path index of the
// objects already there, records read across quoted line breaks, and the
// "Yes to All" answer of this one import.
class TDvxImport final
{
public:
    explicit TDvxImport(TDataShare &data);
    Q_DISABLE_COPY_MOVE(TDvxImport)

    // Imports every record; raises EDirvantaFailed after a failure, an abort
    // or a cancel (the boxes were shown). The progress window is open.
    void ImportDVX(const QString &fileName);

    // One record: false with the failure's text when the import must end.
    bool ImportRecord(const QString &record, QString &failure);
    // Finds or makes the object of an object record: its ID; 0 when the
    // record is passed over; -1 when its parent path is unknown.
    qint64 ImportObject(const QString &path, int cls, const QString &source, const QString &serial,
                        qint64 size, qint64 volumeSize, std::optional<double> created,
                        std::optional<double> modified, const QString &comment);

    // Files rows written at a time; tests make batches small.
    void SetFileRowBatch(std::size_t rows) { m_fileRowBatch = rows; }

    // What the next record is read as, for tests that feed records by hand.
    void SetFileName(const QString &fileName) { m_fileName = fileName; }
    qint64 CurrentObject() const { return m_currentObject; }

private:
    void BuildPathIndex();
    // Forgets the paths of an object and of everything below it.
    void ForgetSubtreePaths(qint64 id);
    void AppendFileRow(const QString &name, int attributes, bool packaged, qint64 size,
                       const QString &comment, std::optional<double> created,
                       std::optional<double> modified);
    // Writes the Files rows that wait (see PendingFile).
    void FlushFileRows();

    // A Files row read and not yet written. Rows are written in batches: keys
    // in file order, inserted in (Size, Created) order so that SizeIndex, whose
    // keys come in random order, is filled in one sweep per batch.
    struct PendingFile
    {
        qint64 owner;
        int attributes;
        bool packaged;
        qint64 size;
        QByteArray name;    // UTF-8
        QByteArray comment; // UTF-8
        std::optional<double> created;
        std::optional<double> modified;
        qint64 key;
    };
    std::vector<PendingFile> m_pendingFiles;
    std::size_t m_fileRowBatch;

    TDataShare &m_data;
    // Folders found on a medium are matched by the path as written, as a
    // medium may hold "Pod" and "pod" side by side; other objects in any case.
    ObjectPathIndex m_paths;
    QString m_fileName;
    qint64 m_currentObject = 1;
    qint64 m_recordNumber = 0;
    bool m_yesToAll = false;
    bool m_debugMode = false;
};

// The texts of the import's boxes.
QString InvalidFormatText();
QString SequenceErrorText(qint64 recordNumber);
QString FormatErrorText(const QString &fileName, qint64 recordNumber, int field);
