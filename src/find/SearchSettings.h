#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

class SettingsStore;

// The criteria of a search, as the Find window holds them and as they are
// kept in the settings and in saved search files.
struct SearchSettings
{
    QString name;               // name mask; empty means "*.*"
    int type = 0;               // index into SearchTypeLabels()
    bool includeSubs = true;    // the whole subtree of the start object
    bool allEntries = true;     // no date restriction
    bool notAllEntries = false; // restrict to a date range (stored separately)
    QString between;            // first day, in the short date format
    QString andDate;            // last day
    QString comment;            // text the comment must contain; empty: no test
    bool wholeWords = false;
    bool matchCase = false;
    QString labelId; // pattern for the disk label of catalog objects
    QString source;  // pattern for the source of catalog objects

    bool operator==(const SearchSettings &) const = default;
};

// The section of the settings and of saved search files that holds them.
inline const QString kSearchSettingsSection = QStringLiteral("Search Settings");
// The keys, in the order a saved search file lists them.
QStringList SearchSettingsKeys();

// The fourteen search types of the Type list.
QStringList SearchTypeLabels();
constexpr int kSearchTypeCount = 14;

// Reads and writes the criteria in a section of the program's settings; a
// missing value takes its default.
SearchSettings ReadSearchSettings(const SettingsStore &settings);
void WriteSearchSettings(SettingsStore &settings, const SearchSettings &criteria);

// A saved search file (".dvs"): one "[Search Settings]" section with the
// twelve keys in order, texts as they stand, the type in decimal, booleans
// as "1" or "0". Reading gives the defaults for missing keys and takes any
// number other than 0 as true. The file is UTF-8; one that is not valid
// UTF-8 is read as Windows-1252. False when the file cannot be read or written.
bool SaveSearchFile(const QString &fileName, const SearchSettings &criteria);
std::optional<SearchSettings> LoadSearchFile(const QString &fileName);

// A date typed in a date field: the short date format's order of day, month
// and year (any separators; a two-digit year is in this century), or
// yyyy-mm-dd. Empty when it is not a date.
std::optional<QDate> ParseSearchDate(const QString &text);
