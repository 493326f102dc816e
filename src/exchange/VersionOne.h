#pragma once

#include <QString>
#include <QStringList>

class TDataShare;

// Taking over the data of the earlier version: its "Volumes" file (one line
// per cataloged disk, eight fields) and "Files" file (one line per file, nine
// fields), comma-separated without quotes, are turned into an export file
// whose import puts every old disk below "Catalogs\Dirvanta Version 1".

// The folder that receives the old disks.
inline const QString kVersionOneFolder = QStringLiteral("Catalogs\\Dirvanta Version 1");

// A version-1 line as an export record: every field in double quotes, the
// first fieldCount - 1 commas separating fields and later ones kept as text.
QString QuoteV1Line(const QString &line, int fieldCount);

// Copies a version-1 file into a new temporary file, each line passed
// through QuoteV1Line; returns the temporary file's name. Raises
// EExchangeFileError when a file cannot be read or written.
QString NormaliseV1File(const QString &sourceFile, int fieldCount);

// Builds the export file from the two normalised files into a new temporary
// file (exportFile). False when a "Volumes" line could not be converted (each
// such line showed the "Invalid File Format" box); bad "Files" lines are
// dropped.
bool ConvertV1Files(const QString &volumesFile, const QString &filesFile, QString &exportFile);

// The two normalised copies made while checking the dialog's input.
struct V1TempFiles
{
    QString volumes;
    QString files;
    // Deletes the files whose names are set and clears the names.
    void Remove();
};

// What the checks of the version-1 dialog found: all well, or the input
// that needs the user's attention (its box was shown).
enum class V1Check
{
    Ok,
    VolumesFile,
    FilesFile
};

// The checks of the dialog's OK button, in order: both names trimmed (and
// written back), both files there, both normalised into temps, and the first
// line of each giving 8 and 9 fields.
V1Check CheckV1Files(QString &volumesFile, QString &filesFile, V1TempFiles &temps);

// Converts the checked files (progress operation 16), deletes the normalised
// copies and, when the conversion succeeded, imports the result (progress
// operation 15) inside the caller's transaction and deletes it. False when
// the conversion failed (nothing imported); raises as ImportFile does.
bool ConvertAndImportV1(TDataShare &data, V1TempFiles &temps);

// The boxes' texts; which is "Volumes" or "Files".
QString V1FileNotFoundText();
QString V1InvalidFileText(const QString &which);
QString V1InvalidFormatText(const QString &which);
