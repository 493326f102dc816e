#include "store/CatalogSchema.h"

#include "store/SqliteConnection.h"

namespace CatalogSchema {

namespace {

constexpr FieldDefinition kCatalogsFields[] = {
    {"ID", LogicalType::AutoInc, 0},       {"Parent", LogicalType::Integer, 0},
    {"Class", LogicalType::SmallInt, 0},   {"Name", LogicalType::Memo, 12},
    {"Size", LogicalType::LargeInt, 0},    {"Source", LogicalType::Memo, 0},
    {"VolSize", LogicalType::LargeInt, 0}, {"SerialID", LogicalType::Memo, 0},
    {"Comment", LogicalType::Memo, 0},     {"NameHidden", LogicalType::Boolean, 0},
    {"Created", LogicalType::DateTime, 0}, {"Modified", LogicalType::DateTime, 0},
    {"Deleted", LogicalType::DateTime, 0}, {"Spare1", LogicalType::Integer, 0},
};

constexpr FieldDefinition kFilesFields[] = {
    {"Key", LogicalType::AutoInc, 0},       {"ID", LogicalType::Integer, 0},
    {"Class", LogicalType::Integer, 0},     {"Size", LogicalType::LargeInt, 0},
    {"Name", LogicalType::Memo, 12},        {"Packaged", LogicalType::Boolean, 0},
    {"Comment", LogicalType::Memo, 0},      {"Created", LogicalType::DateTime, 0},
    {"Modified", LogicalType::DateTime, 0}, {"Spare1", LogicalType::Integer, 0},
};

// The primary index of each table is its AutoInc field, which SQLite keeps as
// the row id; the secondary indexes are real indexes of the same names.
constexpr IndexDefinition kCatalogsIndexes[] = {
    {"IDIndex", "ID", true},
    {"ParentIdx", "Parent", false},
    {"CreateIdx", "Class;Created", false},
    {"ArchiveIdx", "VolSize;Class", false},
    {"ClassIdx", "Class", false},
};

constexpr IndexDefinition kFilesIndexes[] = {
    {"KeyID", "Key", true},
    {"IDIndex", "ID", false},
    {"SizeIndex", "Size;Created", false},
};

} // namespace

std::span<const FieldDefinition> CatalogsFields()
{
    return kCatalogsFields;
}

std::span<const FieldDefinition> FilesFields()
{
    return kFilesFields;
}

std::span<const IndexDefinition> CatalogsIndexes()
{
    return kCatalogsIndexes;
}

std::span<const IndexDefinition> FilesIndexes()
{
    return kFilesIndexes;
}

QString DeclaredType(const FieldDefinition &field)
{
    // Memo columns say TEXT so that SQLite gives them text affinity: a name
    // such as "007" must stay text and never turn into the number 7.
    switch (field.type) {
    case LogicalType::AutoInc:
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case LogicalType::Integer:
        return QStringLiteral("INTEGER");
    case LogicalType::SmallInt:
        return QStringLiteral("SMALLINT");
    case LogicalType::LargeInt:
        return QStringLiteral("LARGEINT");
    case LogicalType::Memo:
        return QStringLiteral("MEMO TEXT(%1)").arg(field.inlineSize);
    case LogicalType::Boolean:
        return QStringLiteral("BOOLEAN");
    case LogicalType::DateTime:
        return QStringLiteral("DATETIME");
    }
    return {};
}

QStringList CreateTableCommands(const QString &schema, const QString &table,
                                std::span<const FieldDefinition> fields,
                                std::span<const IndexDefinition> indexes)
{
    QStringList columns;
    for (const FieldDefinition &field : fields)
        columns << QuoteIdentifier(QString::fromLatin1(field.name)) + QLatin1Char(' ') +
                       DeclaredType(field);
    QStringList commands;
    commands << QStringLiteral("CREATE TABLE %1.%2 (%3)")
                    .arg(QuoteIdentifier(schema), QuoteIdentifier(table),
                         columns.join(QStringLiteral(", ")));
    for (const IndexDefinition &index : indexes) {
        if (index.primary)
            continue;
        QStringList indexFields;
        for (const QString &field : QString::fromLatin1(index.fields).split(QLatin1Char(';')))
            indexFields << QuoteIdentifier(field);
        commands << QStringLiteral("CREATE INDEX %1.%2 ON %3 (%4)")
                        .arg(QuoteIdentifier(schema),
                             QuoteIdentifier(QString::fromLatin1(index.name)),
                             QuoteIdentifier(table), indexFields.join(QStringLiteral(", ")));
    }
    return commands;
}

} // namespace CatalogSchema
