#pragma once

#include <QString>

// The checks behind the OK button of the Database Location dialog, run in
// order against the user-interface seam: the first that fails tells the user
// and keeps the dialog open.
//  1. the text is trimmed;
//  2. it must not name the folder of the open database;
//  3. it must lie on a local fixed disk;
//  4. a missing folder for a new database is created when the user agrees;
//  5. a new database may replace the database files in the folder when the
//     user agrees and no other program holds them; an existing one must
//     have both files there;
//  6. the folder must exist.
class DatabaseLocationCheck final
{
public:
    enum class Choice
    {
        Create,
        Open
    };

    // folder: the text of the folder edit, trimmed in place (the dialog shows
    // the trimmed text). inUseFolder: the folder of the open database, empty
    // when none is open. True when the dialog may close with this folder.
    static bool Run(QString &folder, const QString &inUseFolder, Choice choice);

    // Whether the edit's text names the folder in use: trailing slashes,
    // "." and doubled separators are ignored, and two names that lead to the
    // same existing folder are the same. Letter case counts, as in every
    // file name.
    static bool IsSameFolder(const QString &folder, const QString &inUseFolder);
};
