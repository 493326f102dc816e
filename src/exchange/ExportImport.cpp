#include "exchange/ExportImport.h"

#include "exchange/ExportFormat.h"
#include "media/MediaIdentification.h"
#include "platform/ProgressOperations.h"
#include "platform/UserInterface.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"
#include "store/NameIndex.h"
#include "store/ObjectDeletion.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

// How often the export and the import refresh their progress lines.
constexpr int kProgressPumpMs = 75;
// The collection walk lets events run this often.
constexpr int kCollectPumpMs = 1000;
// Bytes gathered before they are written out, and read at a time.
constexpr qsizetype kFileChunk = 1 << 20;

const QString kObjectQuery =
    QStringLiteral("SELECT Class, Source, SerialID, Size, VolSize, Created, Modified, Comment "
                   "FROM Catalogs WHERE ID = ?1");
const QString kFilesQuery =
    QStringLiteral("SELECT Name, Class, Packaged, Size, Created, Modified, Comment FROM Files "
                   "WHERE ID = ?1 ORDER BY Key");
const QString kInsertObject =
    QStringLiteral("INSERT INTO Catalogs (Parent, Class, Name, Source, NameHidden, Created, "
                   "Modified, Deleted, Comment, SerialID, Size, VolSize) VALUES (?1, ?2, ?3, ?4, "
                   "0, ?5, ?6, 0.0, ?7, ?8, ?9, ?10)");
const QString kInsertFile =
    QStringLiteral("INSERT INTO Files (Key, ID, Class, Size, Name, Packaged, Comment, Created, "
                   "Modified) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
// The key the Files table would give its next row: AUTOINCREMENT never reuses
// a key, not even that of a row deleted since.
const QString kNextFileKey =
    QStringLiteral("SELECT max((SELECT coalesce(max(seq), 0) FROM %1.sqlite_sequence WHERE name = "
                   "'Files'), (SELECT coalesce(max(Key), 0) FROM Files)) + 1")
        .arg(QuoteIdentifier(CatalogSchema::kFilesSchema));
// Files rows gathered before they are written.
constexpr std::size_t kFileRowBatch = 16384;

std::optional<double> OptionalDate(const SqliteStatement &query, int column)
{
    if (query.IsNull(column))
        return std::nullopt;
    return query.Double(column);
}

void BindDate(SqliteStatement &statement, int index, std::optional<double> value)
{
    if (value)
        statement.Bind(index, *value);
    else
        statement.BindNull(index);
}

// A record that cannot be read: the number of the field being decoded.
struct FormatError
{
    int field;
};

// Folders, packages and folders inside packages: named as found on a medium.
bool IsMediumObjectClass(int cls)
{
    return cls == CatalogSchema::kFileFolderClass || CatalogSchema::IsPackagedObjectClass(cls);
}

// Writes records to a file that replaces the target only when all went well.
class ExportWriter final
{
public:
    explicit ExportWriter(const QString &fileName)
        : m_file(fileName)
    {
        if (!m_file.open(QIODevice::WriteOnly))
            Fail();
        m_buffer.reserve(kFileChunk + 8192);
    }

    // Where records are built; RecordDone writes them out now and then.
    QByteArray &Buffer() { return m_buffer; }
    void RecordDone()
    {
        if (m_buffer.size() >= kFileChunk)
            Flush();
    }

    void Commit()
    {
        Flush();
        if (!m_file.commit())
            Fail();
    }

private:
    void Flush()
    {
        if (m_file.write(m_buffer) != m_buffer.size())
            Fail();
        m_buffer.clear();
    }

    [[noreturn]] void Fail()
    {
        const QString reason = m_file.errorString();
        m_file.cancelWriting();
        throw EExchangeFileError(QStringLiteral("The export file \"") + m_file.fileName() +
                                 QStringLiteral("\" could not be written: ") + reason);
    }

    QSaveFile m_file;
    QByteArray m_buffer;
};

// What one read of a file takes: a chunk, or less when less is left, so that
// a small file does not cost a chunk's memory.
qint64 NextReadSize(const QFile &file)
{
    return qBound<qint64>(1, file.size() - file.pos(), kFileChunk);
}

// Reads an export file as records: everything up to and including a line
// feed outside double quotes, so quoted fields may span lines.
class RecordReader final
{
public:
    RecordReader(const QString &fileName, ExternalEncoding encoding)
        : m_file(fileName)
        , m_encoding(encoding)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw EExchangeFileError(QStringLiteral("The file \"") + fileName +
                                     QStringLiteral("\" could not be opened: ") +
                                     m_file.errorString());
    }

    // The next record; false at the end. A last record without a line feed
    // is read as well, unless it ends inside quotes (a cut file).
    bool Next(QString &record)
    {
        QByteArray bytes;
        while (true) {
            if (m_at >= m_chunk.size()) {
                m_chunk = m_file.read(NextReadSize(m_file));
                m_at = 0;
                if (m_chunk.isEmpty()) {
                    if (bytes.isEmpty() || m_inside ||
                        TrimControls(QString::fromLatin1(bytes)).isEmpty())
                        return false;
                    record = DecodeExternalText(bytes, m_encoding);
                    return true;
                }
            }
            const char *data = m_chunk.constData();
            const qsizetype size = m_chunk.size();
            qsizetype i = m_at;
            for (; i < size; ++i) {
                if (data[i] == '"')
                    m_inside = !m_inside;
                else if (data[i] == '\n' && !m_inside)
                    break;
            }
            if (i < size) {
                bytes.append(data + m_at, i + 1 - m_at);
                m_at = i + 1;
                record = DecodeExternalText(bytes, m_encoding);
                return true;
            }
            bytes.append(data + m_at, size - m_at);
            m_at = size;
        }
    }

private:
    QFile m_file;
    ExternalEncoding m_encoding;
    QByteArray m_chunk;
    qsizetype m_at = 0;
    bool m_inside = false;
};

// One pass over a file: its line count and whether it is valid UTF-8.
void SurveyFile(const QString &fileName, qint64 &lines, ExternalEncoding &encoding)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EExchangeFileError(QStringLiteral("The file \"") + fileName +
                                 QStringLiteral("\" could not be opened: ") + file.errorString());
    QStringDecoder decoder(QStringDecoder::Utf8);
    lines = 0;
    char last = '\n';
    while (true) {
        const QByteArray chunk = file.read(NextReadSize(file));
        if (chunk.isEmpty())
            break;
        lines += chunk.count('\n');
        last = chunk.back();
        if (!decoder.hasError()) {
            const QString ignored = decoder.decode(chunk);
            Q_UNUSED(ignored);
        }
    }
    if (last != '\n')
        ++lines;
    encoding = decoder.hasError() ? ExternalEncoding::Windows1252 : ExternalEncoding::Utf8;
}

qint64 ToInteger(const QString &text, int field)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok)
        throw FormatError{field};
    return value;
}

std::optional<double> ToDateTime(const QString &text, int field)
{
    const std::optional<std::optional<double>> value = ParseExportDateTime(text);
    if (!value)
        throw FormatError{field};
    return *value;
}

// The page caches of both database files while an export or import runs, in
// KiB. The import's sorted batches sweep the size index in order, so its
// pages come back from the system's file cache rather than this one.
constexpr qint64 kExchangeCatalogsCacheKiB = 1024;
constexpr qint64 kExchangeFilesCacheKiB = 2048;

QString FilesSchemaName()
{
    return QuoteIdentifier(CatalogSchema::kFilesSchema);
}

} // namespace

ExchangePageCaches::ExchangePageCaches(TDataShare &data)
    : m_db(data.CatalogDatabase)
    , m_catalogs(CacheSize(QStringLiteral("main")))
    , m_files(CacheSize(FilesSchemaName()))
{
    SetCacheSize(QStringLiteral("main"), -kExchangeCatalogsCacheKiB);
    SetCacheSize(FilesSchemaName(), -kExchangeFilesCacheKiB);
}

ExchangePageCaches::~ExchangePageCaches()
{
    try {
        SetCacheSize(QStringLiteral("main"), m_catalogs);
        SetCacheSize(FilesSchemaName(), m_files);
    } catch (const std::exception &) {
        // A cache left small costs speed only.
    }
}

qint64 ExchangePageCaches::CacheSize(const QString &schema)
{
    SqliteStatement &query = m_db.Prepare(QStringLiteral("PRAGMA %1.cache_size").arg(schema));
    const qint64 size = query.Step() ? query.Int64(0) : -2000;
    query.Reset();
    return size;
}

void ExchangePageCaches::SetCacheSize(const QString &schema, qint64 size)
{
    m_db.ExecuteScript(QStringLiteral("PRAGMA %1.cache_size=%2").arg(schema).arg(size));
}

void CollectObjectIDs(TDataShare &data, QList<qint64> &ids, TableCursor &cursor, qint64 &mode,
                      bool &stop)
{
    const qint64 id = data.Catalogs.ItemID(&cursor);
    if ((mode == CollectMode::AboveFixed && id > CatalogSchema::kWastebasketId) ||
        mode == CollectMode::Everything ||
        (mode == CollectMode::ExceptWastebasket && id != CatalogSchema::kWastebasketId))
        ids.append(id);
    UI().PumpMessages(kCollectPumpMs);
    if (UI().Cancelled())
        stop = true;
}

bool ExportObjects(TDataShare &data, qint64 objectId, const QString &fileName)
{
    UserInterface &ui = UI();
    ui.SetCancelled(false);
    ui.ShowProgress(ProgressOperation::ExportData);
    struct CloseProgress
    {
        ~CloseProgress() { UI().CloseProgress(); }
    } closeProgress;

    ExportWriter writer(fileName);
    const ExchangePageCaches caches(data);
    QList<qint64> ids;
    data.Catalogs.WalkSubtree(
        objectId,
        [&](TableCursor &cursor, qint64 &mode, bool &stop) {
            CollectObjectIDs(data, ids, cursor, mode, stop);
        },
        nullptr, CollectMode::Everything);
    const qint64 total = ids.size();
    ui.SetProgressRange(total);
    qint64 position = 0;
    ExportRecordBuilder record(writer.Buffer());
    SqliteStatement &objects = data.CatalogDatabase.Prepare(kObjectQuery);
    for (const qint64 id : std::as_const(ids)) {
        if (ui.Cancelled())
            break;
        objects.Bind(1, id);
        if (!objects.Step()) {
            objects.Reset();
            continue;
        }
        const QString path = data.Catalogs.PathByID(id, false);
        record.Text(path)
            .Number(objects.Int64(0))
            .Utf8("-1")
            .Utf8(objects.Utf8(1))
            .Utf8(objects.Utf8(2))
            .Number(objects.Int64(3))
            .Number(objects.Int64(4))
            .DateTime(OptionalDate(objects, 5))
            .DateTime(OptionalDate(objects, 6))
            .Utf8(objects.Utf8(7))
            .EndRecord();
        objects.Reset();
        writer.RecordDone();
        position = position >= total ? 1 : position + 1;
        ui.SetProgressPosition(position);
        if (ui.PumpMessages(kProgressPumpMs)) {
            ui.SetProgressPath(path.mid(path.lastIndexOf(u'\\') + 1));
            ui.SetProgressStatus(
                QStringLiteral("%1 Objects of %2 Exported").arg(position).arg(total));
        }
        SqliteStatement &files = data.CatalogDatabase.Prepare(kFilesQuery);
        files.Bind(1, id);
        while (files.Step()) {
            record.Utf8(files.Utf8(0))
                .Utf8("-1")
                .Number(files.Int64(1))
                .Utf8(files.Int64(2) != 0 ? "True" : "False")
                .Utf8({})
                .Number(files.Int64(3))
                .Utf8("0")
                .DateTime(OptionalDate(files, 4))
                .DateTime(OptionalDate(files, 5))
                .Utf8(files.Utf8(6))
                .EndRecord();
            writer.RecordDone();
            if (ui.PumpMessages(kProgressPumpMs))
                ui.SetProgressFileName(files.Text(0));
        }
        files.Reset();
    }
    if (ui.Cancelled())
        return false;
    writer.Commit();
    return true;
}

QString InvalidFormatText()
{
    return QStringLiteral("The file specified is not a valid Dirvanta Export File.") +
           kParagraphBreak + QStringLiteral("Please specify a valid file, before continuing.");
}

QString SequenceErrorText(qint64 recordNumber)
{
    return QStringLiteral("Import failed due to a record sequence error in the Import File") +
           kParagraphBreak +
           QStringLiteral("The Import File contains a reference to a catalog (Record #%1),")
               .arg(recordNumber) +
           QStringLiteral("\n before its parent catalog was referenced");
}

QString FormatErrorText(const QString &fileName, qint64 recordNumber, int field)
{
    return QStringLiteral("Import failed due to a format error in the Import File") +
           kParagraphBreak + QStringLiteral("File:\t") + QFileInfo(fileName).fileName() +
           QStringLiteral("\nRecord:\t%1\nField:\t%2").arg(recordNumber).arg(field);
}

bool ImportFile(TDataShare &data, const QString &fileName)
{
    // The first record, however long, must hold the ten fields.
    QString firstRecord;
    RecordReader(fileName, ExternalEncoding::Utf8).Next(firstRecord);
    if (DecodeExportRecord(firstRecord).size() != 10) {
        UI().ShowError(QStringLiteral("Invalid Format"), InvalidFormatText());
        return false;
    }
    UI().ShowProgress(ProgressOperation::ImportData);
    struct CloseProgress
    {
        ~CloseProgress() { UI().CloseProgress(); }
    } closeProgress;
    TDvxImport import(data);
    import.ImportDVX(fileName);
    return true;
}

TDvxImport::TDvxImport(TDataShare &data)
    : m_fileRowBatch(kFileRowBatch)
    , m_data(data)
{
}

void TDvxImport::BuildPathIndex()
{
    m_paths.Clear();
    TDBItemTree &tree = m_data.Catalogs;
    // The paths of the objects from the root down to the one visited: the
    // walk goes depth first, so a parent is on this chain when its child comes.
    std::vector<std::pair<qint64, QString>> chain;
    const qint64 root = CatalogSchema::kDatabaseObjectId;
    tree.WalkSubtree(
        root,
        [&](TableCursor &cursor, qint64 &, bool &) {
            const qint64 id = tree.ItemID(&cursor);
            const qint64 parent = tree.ItemParent(&cursor);
            while (!chain.empty() && chain.back().first != parent)
                chain.pop_back();
            QString path;
            if (id == root) {
                path = tree.ItemPath(&cursor);
            } else {
                const QString own =
                    tree.ItemNameHidden(&cursor) ? QString() : tree.ItemName(&cursor);
                if (parent == tree.RootID) {
                    path = own;
                } else {
                    const QString parentPath =
                        chain.empty() ? tree.PathByID(parent, false) : chain.back().second;
                    path = parentPath.trimmed().isEmpty() ? tree.ItemName(&cursor)
                                                          : parentPath + tree.NameDelim + own;
                }
            }
            // The first object of a path is the one found, as in walk order.
            m_paths.Insert(path, id, true);
            chain.emplace_back(id, std::move(path));
        },
        nullptr);
}

void TDvxImport::ForgetSubtreePaths(qint64 id)
{
    // The objects below a replaced catalog are deleted with it: their paths
    // must not lead later records to rows that are gone.
    QSet<qint64> ids;
    m_data.Catalogs.WalkSubtree(
        id,
        [&](TableCursor &cursor, qint64 &, bool &) { ids.insert(m_data.Catalogs.ItemID(&cursor)); },
        nullptr);
    m_paths.Forget(ids);
}

void TDvxImport::ImportDVX(const QString &fileName)
{
    UserInterface &ui = UI();
    m_fileName = fileName;
    m_debugMode = DiagnosticModeOn();
    m_yesToAll = false;
    const ExchangePageCaches caches(m_data);
    BuildPathIndex();
    // Noting every imported name for the name index would cost more than the
    // row; the new rows are indexed in one ordered pass at the end.
    NameIndex::BulkAppend newNames(m_data.CatalogDatabase);
    qint64 lines = 0;
    ExternalEncoding encoding = ExternalEncoding::Utf8;
    SurveyFile(fileName, lines, encoding);
    ui.SetProgressRange(lines);
    m_currentObject = CatalogSchema::kDatabaseObjectId;
    m_recordNumber = 0;
    RecordReader reader(fileName, encoding);
    bool cancelled = false;
    qint64 position = 0;
    QString record;
    while (reader.Next(record)) {
        QString failure;
        if (!ImportRecord(record, failure)) {
            ui.CloseProgress();
            ui.ShowError(QStringLiteral("Import Error!"), failure);
            cancelled = true;
            break;
        }
        if (ui.Cancelled()) {
            cancelled = true;
            break;
        }
        position = position >= lines ? 1 : position + 1;
        ui.SetProgressPosition(position);
        if (ui.PumpMessages(kProgressPumpMs)) {
            ui.SetProgressStatus(
                QStringLiteral("%1 Records of %2 Processed").arg(position).arg(lines));
        }
        ++m_recordNumber;
    }
    if (!cancelled && !ui.Cancelled()) {
        FlushFileRows();
        newNames.Finish([&ui] {
            ui.PumpMessages(0);
            return !ui.Cancelled();
        });
    }
    m_pendingFiles.clear();
    if (cancelled || ui.Cancelled()) {
        ui.CloseProgress();
        ui.ShowError(QStringLiteral("Import Cancelled"),
                     QStringLiteral("The Import request was cancelled by the User."));
        throw EDirvantaFailed(QStringLiteral("Catalog Failed"));
    }
}

bool TDvxImport::ImportRecord(const QString &record, QString &failure)
{
    int field = 1;
    try {
        const QStringList fields = DecodeExportRecord(record);
        auto take = [&](int number) -> const QString & {
            field = number;
            if (fields.size() < number)
                throw FormatError{number};
            return fields[number - 1];
        };
        const QString name = TrimControls(take(1));
        const int f1 = int(ToInteger(take(2), 2));
        const qint64 f2 = ToInteger(take(3), 3);
        const QString &source = take(4);
        const QString &serial = take(5);
        const qint64 size = ToInteger(take(6), 6);
        const qint64 volumeSize = ToInteger(take(7), 7);
        const std::optional<double> created = ToDateTime(take(8), 8);
        const std::optional<double> modified = ToDateTime(take(9), 9);
        const QString &comment = take(10);
        if (f2 < 0) {
            if (UI().PumpMessages(kProgressPumpMs))
                UI().SetProgressPath(name);
            if (m_currentObject != 0 || CatalogSchema::IsDiskCatalogClass(f1)) {
                m_currentObject = ImportObject(name, f1, source, serial, size, volumeSize, created,
                                               modified, comment);
            }
            if (m_currentObject < 0) {
                failure = SequenceErrorText(m_recordNumber + 1);
                return false;
            }
        } else if (m_currentObject > 0) {
            AppendFileRow(name, int(f2),
                          take(4).compare(QLatin1String("True"), Qt::CaseInsensitive) == 0, size,
                          comment, created, modified);
        }
    } catch (const FormatError &error) {
        m_currentObject = 0;
        if (m_debugMode) {
            failure = FormatErrorText(m_fileName, m_recordNumber + 1, error.field);
            return false;
        }
    }
    return true;
}

qint64 TDvxImport::ImportObject(const QString &path, int cls, const QString &source,
                                const QString &serial, qint64 size, qint64 volumeSize,
                                std::optional<double> created, std::optional<double> modified,
                                const QString &comment)
{
    const qsizetype cut = path.lastIndexOf(u'\\');
    const auto found = m_paths.Find(path, !IsMediumObjectClass(cls));
    // Only a disk catalog stands in for another: a folder of that path is
    // never deleted for one, the imported catalog is made beside it.
    TableCursor *lookup = m_data.Catalogs.LookupCursor();
    if (found && (!CatalogSchema::IsDiskCatalogClass(cls) ||
                  (m_data.Catalogs.Locate(lookup, *found) &&
                   CatalogSchema::IsDiskCatalogClass(m_data.Catalogs.ItemClass(lookup))))) {
        if (!CatalogSchema::IsDiskCatalogClass(cls))
            return *found;
        DuplicateCatalogAnswer answer = DuplicateCatalogAnswer::Yes;
        if (!m_yesToAll) {
            UI().Beep();
            answer = UI().AskDuplicateCatalog(path.mid(cut + 1),
                                              cut < 0 ? QString() : path.left(cut + 1));
        }
        switch (answer) {
        case DuplicateCatalogAnswer::No:
            return 0;
        case DuplicateCatalogAnswer::Abort:
            UI().SetCancelled(true);
            return 0;
        case DuplicateCatalogAnswer::YesToAll:
            m_yesToAll = true;
            [[fallthrough]];
        case DuplicateCatalogAnswer::Yes: {
            const qint64 existing = *found;
            // Rows still waiting may belong to the catalog being replaced.
            FlushFileRows();
            ForgetSubtreePaths(existing);
            DeleteSubtreePermanently(m_data, existing);
            break;
        }
        }
    }
    // The parent is the path up to the last "\". Names of folders and
    // packages found on a medium may hold a "\" themselves; for those, when
    // that parent is unknown, the longest shorter path that is known is the
    // parent. Catalog folders and disk catalogs never have one in their name.
    qsizetype at = cut;
    std::optional<qint64> parent;
    do {
        parent = m_paths.Find(TrimControls(at < 0 ? path : path.left(at)), true);
        if (parent || at <= 0 || !IsMediumObjectClass(cls))
            break;
        at = path.lastIndexOf(u'\\', at - 1);
    } while (at >= 0);
    if (!parent)
        return -1;
    const QString name = at < 0 ? path : path.mid(at + 1);
    SqliteStatement &insert = m_data.CatalogDatabase.Prepare(kInsertObject);
    insert.Bind(1, *parent).Bind(2, cls);
    if (name.isEmpty())
        insert.BindNull(3);
    else
        insert.Bind(3, name);
    insert.Bind(4, source);
    BindDate(insert, 5, created);
    BindDate(insert, 6, modified);
    insert.Bind(7, comment).Bind(8, serial.toUpper()).Bind(9, size).Bind(10, volumeSize);
    insert.Execute();
    const qint64 id = m_data.CatalogDatabase.LastInsertId();
    m_paths.Insert(path, id, false);
    return id;
}

void TDvxImport::AppendFileRow(const QString &name, int attributes, bool packaged, qint64 size,
                               const QString &comment, std::optional<double> created,
                               std::optional<double> modified)
{
    m_pendingFiles.push_back({m_currentObject, attributes, packaged, size, name.toUtf8(),
                              comment.toUtf8(), created, modified, 0});
    if (m_pendingFiles.size() >= m_fileRowBatch)
        FlushFileRows();
    if (UI().PumpMessages(kProgressPumpMs))
        UI().SetProgressFileName(name);
}

void TDvxImport::FlushFileRows()
{
    if (m_pendingFiles.empty())
        return;
    SqliteStatement &next = m_data.CatalogDatabase.Prepare(kNextFileKey);
    qint64 key = next.Step() ? next.Int64(0) : 1;
    next.Reset();
    for (PendingFile &row : m_pendingFiles)
        row.key = key++;
    std::sort(m_pendingFiles.begin(), m_pendingFiles.end(),
              [](const PendingFile &a, const PendingFile &b) {
                  if (a.size != b.size)
                      return a.size < b.size;
                  const double left = a.created.value_or(-1e300);
                  const double right = b.created.value_or(-1e300);
                  if (left != right)
                      return left < right;
                  return a.key < b.key;
              });
    SqliteStatement &insert = m_data.CatalogDatabase.Prepare(kInsertFile);
    for (const PendingFile &row : m_pendingFiles) {
        insert.Bind(1, row.key)
            .Bind(2, row.owner)
            .Bind(3, row.attributes)
            .Bind(4, row.size)
            .Bind(5, row.name)
            .Bind(6, row.packaged ? 1 : 0)
            .Bind(7, row.comment);
        BindDate(insert, 8, row.created);
        BindDate(insert, 9, row.modified);
        insert.Execute();
        insert.Reset();
    }
    m_pendingFiles.clear();
}
