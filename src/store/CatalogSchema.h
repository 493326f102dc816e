#pragma once

#include "platform/ObjectClass.h"

#include <QString>
#include <QStringList>

#include <span>

// The two tables of a catalog database and the names every other part uses.
namespace CatalogSchema {

inline const QString kCatalogsFileName = QStringLiteral("Dirvanta Catalogs.db");
inline const QString kFilesFileName = QStringLiteral("Dirvanta Files.db");
inline const QString kCatalogsTable = QStringLiteral("Catalogs");
inline const QString kFilesTable = QStringLiteral("Files");
// The schema name under which the Files database is attached.
inline const QString kFilesSchema = QStringLiteral("FilesDb");
// The base names whose files make up a database, whatever their extension.
inline const QString kCatalogsBaseName = QStringLiteral("Dirvanta Catalogs");
inline const QString kFilesBaseName = QStringLiteral("Dirvanta Files");

// The format version stored in the Size of the database object.
constexpr int kDatabaseVersion = 210;

// Fixed objects every database holds.
constexpr int kDatabaseObjectId = 1;
constexpr int kArchivesId = 2;
constexpr int kCatalogsId = 3;
constexpr int kWastebasketId = 4;
constexpr int kVolumePoolId = 5;

// The attribute bit of a file (Class of a Files row) that marks a symbolic
// link, as file systems that keep attribute bits mark links.
constexpr int kLinkAttribute = 0x400;

enum class LogicalType
{
    AutoInc,
    Integer,  // 32-bit
    SmallInt, // 16-bit
    LargeInt, // 64-bit: sizes of files and media
    Memo,     // text of any length
    Boolean,
    DateTime // day count since 30 December 1899, local time
};

struct FieldDefinition
{
    const char *name;
    LogicalType type;
    int inlineSize; // memo fields only: the characters the original kept in the record
};

struct IndexDefinition
{
    const char *name;
    const char *fields; // ";"-separated
    bool primary;
};

std::span<const FieldDefinition> CatalogsFields();
std::span<const FieldDefinition> FilesFields();
std::span<const IndexDefinition> CatalogsIndexes();
std::span<const IndexDefinition> FilesIndexes();

// The declared SQLite column type of a logical type, e.g. "MEMO TEXT(12)".
QString DeclaredType(const FieldDefinition &field);

// CREATE TABLE and CREATE INDEX commands for a table in the given schema.
QStringList CreateTableCommands(const QString &schema, const QString &table,
                                std::span<const FieldDefinition> fields,
                                std::span<const IndexDefinition> indexes);

} // namespace CatalogSchema
