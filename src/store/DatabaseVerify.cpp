#include "store/DatabaseError.h"
#include "store/DatabaseFileLayout.h"
#include "store/DatabaseRepair.h"
#include "store/NameIndex.h"
#include "store/SqliteConnection.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>

namespace DatabaseRepair {

namespace {

const QByteArray kHeaderMagic("SQLite format 3\0", 16);
constexpr int kHeaderSize = 100;
constexpr qint64 kRowsPerProgressStep = 4096;
// Virtual machine steps the integrity check takes per page, measured on
// catalogs of every size; it only paces the progress bar.
constexpr qint64 kCheckStepsPerPage = 900;
constexpr int kCheckStepsPerCallback = 10000;

// The index messages of SQLite's integrity check; anything else it says is
// damage to the pages themselves.
bool IsIndexMessage(const QString &message)
{
    return message.contains(QLatin1String("missing from index")) ||
           message.contains(QLatin1String("entries in index")) ||
           message.contains(QLatin1String("non-unique entry in index"));
}

// The type SQLite reports for a column of a field: the declared type
// without the key clause.
QString DeclaredColumnType(const CatalogSchema::FieldDefinition &field)
{
    return field.type == CatalogSchema::LogicalType::AutoInc ? QStringLiteral("INTEGER")
                                                             : CatalogSchema::DeclaredType(field);
}

class FileVerifier final
{
public:
    FileVerifier(const QString &folder, DatabaseFile file, const ProgressSink &progress)
        : m_folder(folder)
        , m_file(file)
        , m_layout(LayoutOf(file))
        , m_progress(progress)
    {
    }

    VerifyResult Run()
    {
        for (Phase phase : {Phase::Header, Phase::Indexes, Phase::Data})
            Report(phase, 0);
        if (CheckHeader()) {
            CheckIndexes();
            if (m_rowsReadable)
                CheckData();
        }
        return m_result;
    }

private:
    void Report(Phase phase, int percent)
    {
        if (m_progress)
            m_progress(phase, percent);
    }

    void Note(int level, const QString &problem)
    {
        m_result.level = std::max(m_result.level, level);
        m_result.problems << problem;
    }

    QString TableName() const { return QuoteIdentifier(m_layout.table); }

    bool CheckHeader()
    {
        const QString path = QDir(m_folder).filePath(m_layout.fileName);
        QFile raw(path);
        if (!raw.open(QIODevice::ReadOnly)) {
            Note(kNotChecked, QStringLiteral("The file cannot be read"));
            return false;
        }
        const QByteArray header = raw.read(kHeaderSize);
        if (!header.startsWith(kHeaderMagic) || header.size() < kHeaderSize) {
            Note(kNotChecked, QStringLiteral("The file is not a database file"));
            return false;
        }
        CheckLength(header, raw.size());
        raw.close();
        Report(Phase::Header, 25);
        try {
            OpenForSalvage(m_db, path);
            CheckSchema();
        } catch (const EDatabaseError &error) {
            if (!IsDamage(error.EngineCode()))
                throw;
            Note(kNotChecked,
                 QStringLiteral("The file's schema cannot be read: ") + error.Message());
            return false;
        }
        Report(Phase::Header, 75);
        if (m_file == DatabaseFile::Catalogs && m_rowsReadable)
            CheckVersionRow();
        Report(Phase::Header, 100);
        return true;
    }

    // The header gives the page size (bytes 16-17, 1 for 65536) and the
    // number of pages (bytes 28-31), both big-endian.
    void CheckLength(const QByteArray &header, qint64 fileSize)
    {
        const auto byte = [&header](int at) { return qint64(quint8(header[at])); };
        const qint64 pageSize = byte(16) << 8 | byte(17);
        const qint64 pages = byte(28) << 24 | byte(29) << 16 | byte(30) << 8 | byte(31);
        const qint64 bytes = (pageSize == 1 ? 65536 : pageSize) * pages;
        if (fileSize < bytes)
            Note(kUnreadable,
                 QStringLiteral("The file is cut short: %1 of %2 bytes").arg(fileSize).arg(bytes));
    }

    void CheckSchema()
    {
        SqliteStatement &columns =
            m_db.Prepare(QStringLiteral("SELECT name, type FROM pragma_table_info(?1)"));
        columns.Bind(1, m_layout.table);
        std::unordered_map<QString, QString> declared;
        while (columns.Step())
            declared.emplace(columns.Text(0), columns.Text(1));
        if (declared.empty()) {
            Note(kUnreadable, QStringLiteral("The table %1 is missing").arg(m_layout.table));
            m_rowsReadable = false;
            return;
        }
        for (const CatalogSchema::FieldDefinition &field : m_layout.fields) {
            const auto found = declared.find(QString::fromLatin1(field.name));
            if (found == declared.end()) {
                Note(kUnreadable,
                     QStringLiteral("The field %1 is missing").arg(QLatin1String(field.name)));
                m_rowsReadable = false;
            } else if (found->second.compare(DeclaredColumnType(field), Qt::CaseInsensitive) != 0) {
                Note(kUnreadable, QStringLiteral("The field %1 is declared %2")
                                      .arg(QLatin1String(field.name), found->second));
            }
        }
        for (const CatalogSchema::IndexDefinition &index : m_layout.indexes) {
            if (!index.primary)
                CheckIndexDefinition(index);
        }
    }

    void CheckIndexDefinition(const CatalogSchema::IndexDefinition &index)
    {
        SqliteStatement &owner = m_db.Prepare(QStringLiteral(
            "SELECT tbl_name FROM sqlite_schema WHERE type = 'index' AND name = ?1"));
        owner.Bind(1, QString::fromLatin1(index.name));
        const bool exists = owner.Step() && owner.Text(0) == m_layout.table;
        owner.Reset();
        if (!exists) {
            Note(kIndexFault,
                 QStringLiteral("The index %1 is missing").arg(QLatin1String(index.name)));
            return;
        }
        SqliteStatement &fields =
            m_db.Prepare(QStringLiteral("SELECT name FROM pragma_index_info(?1) ORDER BY seqno"));
        fields.Bind(1, QString::fromLatin1(index.name));
        QStringList names;
        while (fields.Step())
            names << fields.Text(0);
        if (names.join(QLatin1Char(';')) != QLatin1String(index.fields))
            Note(
                kIndexFault,
                QStringLiteral("The index %1 is not on its fields").arg(QLatin1String(index.name)));
    }

    void CheckVersionRow()
    {
        try {
            SqliteStatement &version =
                m_db.Prepare(QStringLiteral("SELECT Size FROM %1 WHERE ID = ?1").arg(TableName()));
            version.Bind(1, CatalogSchema::kDatabaseObjectId);
            const bool found = version.Step();
            const qint64 number = found ? version.Int64(0) : 0;
            version.Reset();
            if (number != CatalogSchema::kDatabaseVersion)
                Note(kContentFault, found ? QStringLiteral("The database version is %1, not %2")
                                                .arg(number)
                                                .arg(CatalogSchema::kDatabaseVersion)
                                          : QStringLiteral("The database object is missing"));
        } catch (const EDatabaseError &error) {
            if (!IsDamage(error.EngineCode()))
                throw;
            Note(kUnreadable, QStringLiteral("The database object cannot be read"));
        }
    }

    // SQLite's own check of every page, tree and index entry; its messages
    // decide the level.
    void CheckIndexes()
    {
        qint64 pages = 1;
        try {
            SqliteStatement &count = m_db.Prepare(QStringLiteral("PRAGMA page_count"));
            if (count.Step())
                pages = std::max<qint64>(1, count.Int64(0));
            count.Reset();
        } catch (const EDatabaseError &) {
        }
        m_expectedSteps = pages * kCheckStepsPerPage;
        m_steps = 0;
        sqlite3_progress_handler(m_db.Handle(), kCheckStepsPerCallback, &FileVerifier::CheckStep,
                                 this);
        int indexMessages = 0;
        QStringList damage;
        try {
            SqliteStatement &check = m_db.Prepare(QStringLiteral("PRAGMA integrity_check"));
            // A row may carry several messages, one a line, after a line
            // naming the schema.
            while (check.Step()) {
                for (const QString &message : check.Text(0).split(QLatin1Char('\n'))) {
                    if (message == QLatin1String("ok") || message.startsWith(QLatin1String("***")))
                        continue;
                    if (IsIndexMessage(message))
                        ++indexMessages;
                    else
                        damage << message;
                }
            }
        } catch (const EDatabaseError &error) {
            if (!IsDamage(error.EngineCode()))
                throw;
            damage << error.Message();
        }
        sqlite3_progress_handler(m_db.Handle(), 0, nullptr, nullptr);
        if (indexMessages > 0)
            Note(kIndexFault,
                 QStringLiteral("%1 index entries disagree with the table").arg(indexMessages));
        // SQLite's check leaves out the name index; a repair rebuilds it.
        if (damage.isEmpty() && NameIndexOutOfStep())
            Note(kIndexFault, QStringLiteral("The name index is out of step with the names"));
        if (!damage.isEmpty())
            Note(kUnreadable, QStringLiteral("%1 damaged pages or cells (first: %2)")
                                  .arg(damage.size())
                                  .arg(damage.first()));
        Report(Phase::Indexes, 100);
    }

    bool NameIndexOutOfStep()
    {
        try {
            return NameIndex::FileIndexOutOfStep(m_db);
        } catch (const EDatabaseError &error) {
            if (!IsDamage(error.EngineCode()))
                throw;
            return true;
        }
    }

    static int CheckStep(void *context)
    {
        auto *self = static_cast<FileVerifier *>(context);
        self->m_steps += kCheckStepsPerCallback;
        self->Report(Phase::Indexes,
                     int(std::min<qint64>(99, self->m_steps * 100 / self->m_expectedSteps)));
        return 0;
    }

    // Reads every row, past any that cannot be read: each value must have
    // its field's type, and the rows must make a tree whose files all have an
    // owner.
    void CheckData()
    {
        QStringList fieldNames;
        for (const CatalogSchema::FieldDefinition &field : m_layout.fields)
            fieldNames << QuoteIdentifier(QString::fromLatin1(field.name));
        const qint64 lastRowId = std::max<qint64>(1, LastRowIdGiven(m_db, m_layout.table));
        const QString select =
            QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid BETWEEN ?1 AND ?2")
                .arg(fieldNames.join(QLatin1Char(',')), TableName());
        qint64 count = 0;
        qint64 wrongTypes = 0;
        QString firstWrong;
        const bool damaged = ReadRowsPastDamage(
            m_db, select, 1, lastRowId, [&](const SqliteStatement &row, qint64 rowId) {
                for (size_t i = 0; i < m_layout.fields.size(); ++i) {
                    if (!FitsField(m_layout.fields[i].type, row.ColumnType(int(i) + 1)) &&
                        wrongTypes++ == 0)
                        firstWrong = QStringLiteral("row %1, field %2")
                                         .arg(rowId)
                                         .arg(QLatin1String(m_layout.fields[i].name));
                }
                NoteLinks(row);
                if (++count % kRowsPerProgressStep == 0)
                    Report(Phase::Data, int(std::min<qint64>(99, rowId * 100 / lastRowId)));
            });
        if (damaged)
            Note(kUnreadable,
                 QStringLiteral("Some rows cannot be read; %1 rows were read").arg(count));
        if (wrongTypes > 0)
            Note(kContentFault, QStringLiteral("%1 values do not have their field's type "
                                               "(first: %2)")
                                    .arg(wrongTypes)
                                    .arg(firstWrong));
        if (m_file == DatabaseFile::Catalogs)
            CheckTree();
        else
            CheckOwners();
        CheckFreePages();
        Report(Phase::Data, 100);
    }

    // Column 1 is the first field: ID, Parent, Class for objects; Key, ID
    // (the owner) for files.
    void NoteLinks(const SqliteStatement &row)
    {
        if (m_file == DatabaseFile::Catalogs)
            m_objects.push_back({row.Int64(1), row.Int64(2), int(row.Int64(3))});
        else
            ++m_filesPerOwner[row.Int64(2)];
    }

    void CheckTree()
    {
        const TreeFaults faults = FindTreeFaults(m_objects);
        if (!faults.badFixedObjects.empty())
            Note(kContentFault, QStringLiteral("%1 of the fixed objects are missing or out of "
                                               "place")
                                    .arg(faults.badFixedObjects.size()));
        if (!faults.orphans.empty())
            Note(kContentFault, QStringLiteral("%1 objects have no parent (first: ID %2)")
                                    .arg(faults.orphans.size())
                                    .arg(faults.orphans.front()));
        if (!faults.cycles.empty())
            Note(kContentFault, QStringLiteral("%1 cycles of parents (first through ID %2)")
                                    .arg(faults.cycles.size())
                                    .arg(faults.cycles.front()));
    }

    void CheckOwners()
    {
        const std::unordered_set<qint64> objects = ReadableObjectIds(m_folder);
        if (objects.empty()) {
            Note(kContentFault, QStringLiteral("The owners of the files cannot be checked: no "
                                               "object can be read"));
            return;
        }
        qint64 orphans = 0;
        for (const auto &[owner, files] : m_filesPerOwner) {
            if (!objects.contains(owner))
                orphans += files;
        }
        if (orphans > 0)
            Note(kContentFault, QStringLiteral("%1 files have no owner").arg(orphans));
    }

    void CheckFreePages()
    {
        try {
            SqliteStatement &free = m_db.Prepare(QStringLiteral("PRAGMA freelist_count"));
            const qint64 pages = free.Step() ? free.Int64(0) : 0;
            free.Reset();
            if (pages > 0)
                Note(kTidyOnly, QStringLiteral("%1 free pages").arg(pages));
        } catch (const EDatabaseError &) {
        }
    }

    QString m_folder;
    DatabaseFile m_file;
    FileLayout m_layout;
    const ProgressSink &m_progress;
    SqliteConnection m_db;
    VerifyResult m_result;
    bool m_rowsReadable = true;
    qint64 m_expectedSteps = 1;
    qint64 m_steps = 0;
    std::vector<ObjectLink> m_objects;
    std::unordered_map<qint64, qint64> m_filesPerOwner;
};

} // namespace

VerifyResult VerifyFile(const QString &folder, DatabaseFile file, const ProgressSink &progress)
{
    return FileVerifier(folder, file, progress).Run();
}

QString VerifyStatusText(int level)
{
    switch (level) {
    case kSound:
        return QStringLiteral("Verification Successful.");
    case kTidyOnly:
        return QStringLiteral("Verification Successful");
    case kIndexFault:
    case kContentFault:
    case kUnreadable:
        return QStringLiteral("Verification Failed - Try a Repair");
    default:
        return QStringLiteral("Verification unsuccessful.");
    }
}

} // namespace DatabaseRepair
