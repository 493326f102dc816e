#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>

class TDataShare;

// What the Properties dialog and the command line show of one catalog
// object or one file, and the few changes they may make: the comment of
// anything, and for a disk catalog its label (written onto the medium too)
// and its source. No widgets here: the dialog lays these values out.

// The page of statistics a subject gets.
enum class StatisticsPageKind
{
    File,
    Catalog,
    ArchivePool,
    ArchiveVolume,
    ArchiveFolder,
    ArchiveSet,
    Database
};

// Which tabs and buttons a subject gets.
struct PropertiesLayout
{
    StatisticsPageKind page = StatisticsPageKind::Catalog;
    QString pageTitle;
    bool detailsTab = true; // off for the view-only classes
    bool poolTabs = false;  // "Archive Pool" and "Default Settings"
    bool viewOnly = false;  // OK hidden, Cancel reads "OK"
};
PropertiesLayout PropertiesLayoutOf(int cls, bool file);

// Everything the "Properties" and "Details" tabs show, read when the dialog
// is filled.
struct PropertiesDetails
{
    bool file = false;
    qint64 number = 0; // an object's ID or a file's Key
    int cls = -1;      // the object's class; for a file its attribute bits
    QString typeName;
    QString name;
    QString location; // the path of what holds the subject
    QString comment;
    qint64 size = 0;
    double created = 0;
    double modified = 0;
    double deleted = 0;
    bool deletedShown = false; // the subject lies in the Wastebasket

    // The disk catalog or archive set that holds the subject, when one does.
    bool inCatalog = false;
    QString catalogName;
    QString label;       // as shown: "<Unlabelled>" for none
    QString storedLabel; // the subject's own SerialID (disk catalogs)
    QString source;
    bool labelEditable = false;  // removable and fixed disk catalogs
    bool sourceEditable = false; // every disk catalog
};
// False when neither the object nor the file exists.
bool ReadPropertiesDetails(TDataShare &data, bool file, qint64 number, PropertiesDetails &out);

// The file attribute bits the "Attributes:" boxes show.
namespace FileAttribute {
enum : int
{
    ReadOnly = 1,
    Hidden = 2,
    System = 4,
    Archive = 32
};
} // namespace FileAttribute

inline const QString kSearchingText = QStringLiteral("Searching...");

struct StatisticsLine
{
    QString caption;
    QString value;
};

// One file of the database and what the database page says of it.
struct DatabaseFileEntry
{
    QString name;
    qint64 size = 0;
    double modified = 0;
};

struct PropertiesStatistics
{
    QList<StatisticsLine> lines;
    QList<DatabaseFileEntry> databaseFiles; // the database page only
    bool complete = false;                  // false while running or when cancelled

    // The value of the line with this caption; empty when there is none.
    QString Value(const QString &caption) const;
};

// The page's lines with every value "Searching...".
PropertiesStatistics InitialStatistics(const PropertiesDetails &details);

// Computes the page's values. Long walks let events run about twice a
// second, calling refresh with the values so far, and stop when the shared
// cancel flag is set; the result is then not complete.
void ComputeStatistics(TDataShare &data, const PropertiesDetails &details,
                       PropertiesStatistics &statistics, const std::function<void()> &refresh = {});

// The database files of a folder: both tables and every file SQLite keeps
// beside them, in name order.
QList<DatabaseFileEntry> DatabaseFilesOf(const QString &folder);

// What the user typed on the pages that can be edited.
struct PropertiesEdits
{
    QString comment;
    QString label;
    QString source;
};

enum class PropertiesOutcome
{
    Saved,   // the dialog closes and the caller refreshes its views
    StayOpen // a rule refused the change; nothing was written
};

// The OK button: the label written onto the medium after the device check,
// the source kept on the same kind of drive, then comment, source and label
// stored in one transaction. A refused label write puts the stored label
// back into edits.label.
PropertiesOutcome ApplyPropertiesEdits(TDataShare &data, const PropertiesDetails &details,
                                       PropertiesEdits &edits);
