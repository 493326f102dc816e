#include "app/cli/ObjectCommands.h"

#include "app/cli/CliApplication.h"
#include "app/cli/CliDatabase.h"
#include "archive/ArchiveSetFileKeeper.h"
#include "media/ObjectProperties.h"
#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"
#include "store/ObjectOperations.h"
#include "store/Wastebasket.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

constexpr qint64 kWastebasketId = CatalogSchema::kWastebasketId;

// A file of an object by name: the exact name first, else in any letter case.
qint64 FindFile(TDataShare &data, qint64 owner, const QString &name)
{
    SqliteStatement &query = data.CatalogDatabase.Prepare(
        QStringLiteral("SELECT Key FROM Files WHERE ID = ?1 AND Name = ?2 ORDER BY Key LIMIT 1"));
    query.Bind(1, owner).Bind(2, name);
    qint64 key = query.Step() ? query.Int64(0) : -1;
    query.Reset();
    if (key >= 0)
        return key;
    SqliteStatement &loose = data.CatalogDatabase.Prepare(QStringLiteral(
        "SELECT Key FROM Files WHERE ID = ?1 AND Name = ?2 COLLATE NOCASE ORDER BY Key LIMIT 1"));
    loose.Bind(1, owner).Bind(2, name);
    key = loose.Step() ? loose.Int64(0) : -1;
    loose.Reset();
    return key;
}

// A file's name as the catalog stores it.
QString StoredFileName(TDataShare &data, qint64 key)
{
    SqliteStatement &query =
        data.CatalogDatabase.Prepare(QStringLiteral("SELECT Name FROM Files WHERE Key = ?1"));
    query.Bind(1, key);
    const QString name = query.Step() ? query.Value(0).toString() : QString();
    query.Reset();
    return name;
}

class ObjectCommand
{
public:
    ObjectCommand(TDataShare &data, const ObjectCommandRequest &request, QTextStream &out,
                  QTextStream &err)
        : m_data(data)
        , m_request(request)
        , m_out(out)
        , m_err(err)
    {
    }

    int Run()
    {
        const QString &command = m_request.command;
        int result = CliApplication::kFailure;
        QString failure;
        // Every command is one transaction; the Wastebasket is tidied at its
        // end, as the window does when it selects a node again.
        const bool committed = m_data.RunInTransaction(
            [&] {
                if (command == QLatin1String("mkdir"))
                    result = MakeFolder();
                else if (command == QLatin1String("mv"))
                    result = Move();
                else if (command == QLatin1String("rename"))
                    result = Rename();
                else if (command == QLatin1String("rm"))
                    result = Remove();
                else if (command == QLatin1String("restore"))
                    result = Restore();
                else if (command == QLatin1String("empty-wastebasket"))
                    result = Empty();
                else if (command == QLatin1String("comment"))
                    result = Comment();
                else if (command == QLatin1String("properties"))
                    result = Properties();
                // A command that failed keeps nothing it may have begun.
                if (result != CliApplication::kSuccess)
                    throw EDirvantaFailed(QString());
                TidyWastebasket(m_data);
                UI().CloseProgress();
            },
            &failure);
        UI().CloseProgress();
        if (!committed && result != CliApplication::kSuccess)
            return result;
        if (!committed) {
            m_err << "error: " << failure << "; the catalog was left as it was\n";
            return CliApplication::kFailure;
        }
        m_out << m_report;
        return result;
    }

private:
    qint64 Resolve(const QString &path) { return ResolveCatalogPath(m_data, path, m_err); }

    QString PathOf(qint64 id) { return m_data.Catalogs.PathByID(id, true); }

    void Report(const QString &text, qint64 id)
    {
        if (m_request.json)
            m_report += QStringLiteral("{\"id\":%1,\"path\":\"%2\"}\n")
                            .arg(id)
                            .arg(PathOf(id)
                                     .replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                                     .replace(QLatin1Char('"'), QStringLiteral("\\\"")));
        else
            m_report += text + QLatin1Char('\n');
    }

    int MakeFolder()
    {
        QStringList names = CatalogPathNames(m_request.arguments.value(0));
        if (names.isEmpty()) {
            m_err << "error: mkdir needs the path of the new folder\n";
            return CliApplication::kFailure;
        }
        const QString name = names.takeLast();
        const qint64 parent = ResolveCatalogPath(m_data, names.join(QLatin1Char('\\')), m_err);
        if (parent < 0)
            return CliApplication::kFailure;
        const qint64 id = NewFolder(m_data, parent, name);
        if (id < 0)
            return CliApplication::kFailure;
        Report(QStringLiteral("Created folder \"") + PathOf(id) + QStringLiteral("\""), id);
        return CliApplication::kSuccess;
    }

    int Move()
    {
        const qint64 id = Resolve(m_request.arguments.value(0));
        const qint64 target = id < 0 ? -1 : Resolve(m_request.arguments.value(1));
        if (target < 0)
            return CliApplication::kFailure;
        const qint64 parentBefore = ParentOf(id);
        DropObjects(m_data, {id}, target);
        const bool moved = target == kWastebasketId
                               ? IsWastebasketPath(m_data.Catalogs.PathByID(id, false))
                               : ParentOf(id) == target;
        if (!moved || (parentBefore == target && target != kWastebasketId)) {
            m_err << "error: \"" << m_request.arguments.value(0) << "\" was not moved\n";
            return CliApplication::kFailure;
        }
        Report(QStringLiteral("Moved to \"") + PathOf(id) + QStringLiteral("\""), id);
        return CliApplication::kSuccess;
    }

    int Rename()
    {
        const qint64 id = Resolve(m_request.arguments.value(0));
        if (id < 0)
            return CliApplication::kFailure;
        if (!ObjectRules::MayBeRenamedInTree(ObjectClass(m_data, id)) ||
            IsWastebasketPath(m_data.Catalogs.PathByID(id, false))) {
            m_err << "error: \"" << m_request.arguments.value(0) << "\" may not be renamed\n";
            return CliApplication::kFailure;
        }
        QString name = m_request.arguments.value(1);
        if (RenameObject(m_data, id, name) == RenameOutcome::Refused)
            return CliApplication::kFailure;
        Report(QStringLiteral("Renamed to \"") + PathOf(id) + QStringLiteral("\""), id);
        return CliApplication::kSuccess;
    }

    int Remove()
    {
        const qint64 id = Resolve(m_request.arguments.value(0));
        if (id < 0)
            return CliApplication::kFailure;
        const DeleteQuestion question = BuildDeleteQuestion(m_data, {id}, m_request.permanent);
        if (!question.ask) {
            m_err << "error: \"" << m_request.arguments.value(0) << "\" may not be deleted\n";
            return CliApplication::kFailure;
        }
        const QString path = PathOf(id);
        if (!DeleteObjects(m_data, {id}, m_request.permanent)) {
            m_err << "error: nothing was deleted\n";
            return CliApplication::kFailure;
        }
        if (question.emptyWastebasket)
            Report(QStringLiteral("Emptied the Wastebasket"), kWastebasketId);
        else if (question.permanent)
            m_report += QStringLiteral("Deleted \"") + path + QStringLiteral("\"\n");
        else
            Report(QStringLiteral("Sent to \"") + PathOf(id) + QStringLiteral("\""), id);
        return CliApplication::kSuccess;
    }

    int Restore()
    {
        const qint64 id = Resolve(m_request.arguments.value(0));
        if (id < 0)
            return CliApplication::kFailure;
        if (id <= kWastebasketId || !IsWastebasketPath(m_data.Catalogs.PathByID(id, false))) {
            m_err << "error: \"" << m_request.arguments.value(0)
                  << "\" is not in the Wastebasket\n";
            return CliApplication::kFailure;
        }
        if (!RestoreObjects(m_data, {id})) {
            m_err << "error: \"" << m_request.arguments.value(0) << "\" was not restored\n";
            return CliApplication::kFailure;
        }
        Report(QStringLiteral("Restored \"") + PathOf(id) + QStringLiteral("\""), id);
        return CliApplication::kSuccess;
    }

    int Empty()
    {
        TidyWastebasket(m_data);
        if (!m_data.Catalogs.HasChildren(kWastebasketId)) {
            Report(QStringLiteral("The Wastebasket is empty"), kWastebasketId);
            return CliApplication::kSuccess;
        }
        if (!DeleteObjects(m_data, {kWastebasketId}, false)) {
            m_err << "error: the Wastebasket was not emptied\n";
            return CliApplication::kFailure;
        }
        Report(QStringLiteral("Emptied the Wastebasket"), kWastebasketId);
        return CliApplication::kSuccess;
    }

    // What a path names: an object, else a file of the object before its
    // last name. False, with the error reported, when it names neither.
    bool ResolveSubject(const QString &path, bool &file, qint64 &number, qint64 &owner)
    {
        const std::optional<CatalogSubject> subject = FindCatalogSubject(m_data, path);
        if (!subject) {
            Resolve(path);
            return false;
        }
        file = subject->file;
        number = subject->number;
        owner = subject->owner;
        return true;
    }

    int Comment()
    {
        const QString &path = m_request.arguments.value(0);
        const QString &text = m_request.arguments.value(1);
        bool file = false;
        qint64 number = -1;
        qint64 owner = -1;
        if (!ResolveSubject(path, file, number, owner))
            return CliApplication::kFailure;
        if (!file) {
            WriteObjectComment(m_data, number, text);
            Report(QStringLiteral("Comment of \"") + PathOf(number) + QStringLiteral("\" stored"),
                   number);
            return CliApplication::kSuccess;
        }
        const qint64 key = number;
        WriteFileComment(m_data, key, text);
        if (m_request.json)
            m_report += QStringLiteral("{\"key\":%1}\n").arg(key);
        else
            m_report += QStringLiteral("Comment of the file \"") + PathOf(owner) +
                        QLatin1Char('\\') + GetFileName(key) + QStringLiteral("\" stored\n");
        return CliApplication::kSuccess;
    }

    // What the Properties dialog shows of an object or file, its statistics
    // counted to the end.
    int Properties()
    {
        bool file = false;
        qint64 number = -1;
        qint64 owner = -1;
        PropertiesDetails details;
        if (!ResolveSubject(m_request.arguments.value(0), file, number, owner) ||
            !ReadPropertiesDetails(m_data, file, number, details))
            return CliApplication::kFailure;
        PropertiesStatistics statistics = InitialStatistics(details);
        ComputeStatistics(m_data, details, statistics);
        QList<StatisticsLine> lines = {{QStringLiteral("Name:"), details.name},
                                       {QStringLiteral("Type:"), details.typeName},
                                       {QStringLiteral("Location:"), details.location}};
        if (details.inCatalog) {
            lines.append({{QStringLiteral("Stored in Catalog:"), details.catalogName},
                          {QStringLiteral("Disk Label:"), details.label},
                          {QStringLiteral("Source:"), details.source}});
        }
        lines.append(statistics.lines);
        lines.append({QStringLiteral("Comments:"), details.comment});
        m_report += m_request.json ? PropertiesJson(lines, statistics.databaseFiles)
                                   : PropertiesText(lines, statistics.databaseFiles);
        return CliApplication::kSuccess;
    }

    static QString PropertiesText(const QList<StatisticsLine> &lines,
                                  const QList<DatabaseFileEntry> &files)
    {
        QString text;
        for (const StatisticsLine &line : lines)
            text += line.caption.trimmed() + QLatin1Char(' ') + line.value + QLatin1Char('\n');
        for (const DatabaseFileEntry &file : files)
            text += file.name + QLatin1Char('\t') + SizeText(file.size, false) + QLatin1Char('\t') +
                    DateTimeText(file.modified) + QLatin1Char('\n');
        return text;
    }

    // One JSON object: each caption without its colons as a key.
    static QString PropertiesJson(const QList<StatisticsLine> &lines,
                                  const QList<DatabaseFileEntry> &files)
    {
        QJsonObject object;
        for (const StatisticsLine &line : lines) {
            QString key = line.caption.trimmed();
            while (key.endsWith(QLatin1Char(':')))
                key.chop(1);
            object.insert(key, line.value);
        }
        if (!files.isEmpty()) {
            QJsonArray list;
            for (const DatabaseFileEntry &file : files)
                list.append(QJsonObject{{QStringLiteral("name"), file.name},
                                        {QStringLiteral("size"), file.size},
                                        {QStringLiteral("modified"),
                                         FromDayCount(file.modified).toString(Qt::ISODate)}});
            object.insert(QStringLiteral("Database Files"), list);
        }
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
               QLatin1Char('\n');
    }

    qint64 ParentOf(qint64 id)
    {
        TableCursor *row = m_data.Catalogs.LookupCursor();
        return row->Locate(id) ? m_data.Catalogs.ItemParent(row) : -1;
    }

    QString GetFileName(qint64 key) { return StoredFileName(m_data, key); }

    TDataShare &m_data;
    const ObjectCommandRequest &m_request;
    QTextStream &m_out;
    QTextStream &m_err;
    // Printed once the transaction has committed.
    QString m_report;
};

} // namespace

std::optional<CatalogSubject> FindCatalogSubject(TDataShare &data, const QString &path)
{
    QStringList names = CatalogPathNames(path);
    const qint64 id = FindCatalogObject(data, names);
    if (id >= 0)
        return CatalogSubject{false, id, -1, QString()};
    const QString fileName = names.isEmpty() ? QString() : names.takeLast();
    const qint64 owner = names.isEmpty() ? -1 : FindCatalogObject(data, names);
    const qint64 key = owner < 0 ? -1 : FindFile(data, owner, fileName);
    if (key < 0)
        return std::nullopt;
    return CatalogSubject{true, key, owner, StoredFileName(data, key)};
}

int RunObjectCommand(TDataShare &data, const ObjectCommandRequest &request, QTextStream &out,
                     QTextStream &err)
{
    // Renames and deletes of archive sets reach their ZIP files.
    ArchiveSetFileKeeper setFiles(data);
    return ObjectCommand(data, request, out, err).Run();
}
