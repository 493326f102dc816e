#pragma once

#include <QHash>
#include <QProcessEnvironment>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// What the desktop knows about kinds of files: their type names, whether a
// default application opens them, and the list icon chosen by extension.

// The extension of a file name without its dot: the text after the last dot,
// when that dot is neither the first nor the last character ("a.tar.gz" ->
// "gz"; "readme", ".profile" and "name." have none).
QString FileExtension(const QString &fileName);

// The type name of a file for the Type columns: the MIME database's
// description of the name's type ("PDF document"). When the database knows
// nothing better than generic binary data, or the name has no extension:
// the extension upper-cased + " File" ("report.xyz" -> "XYZ File"), or
// "File" without one. Look-ups are cached by extension.
QString FileTypeName(const QString &fileName);

// The type name of a symbolic link, whatever its name: "Link".
QString LinkTypeName();

// Whether the desktop has an application that opens the file's type by
// default (decides between Open and Open With...). Cached per MIME type.
bool HasOpenCommand(const QString &fileName);
// The desktop file of that application; empty when there is none.
QString DefaultApplicationFile(const QString &fileName);
// The same for a MIME type ("inode/directory" for the file manager).
QString DefaultApplicationForType(const QString &mimeTypeName);

// Forgets every cached look-up, for when the desktop's associations changed.
void ResetFileTypeCaches();

// The list icon of a file by its lower-case extension: 31 programs, 32 text,
// 33 pictures, 34 video, 35 zip, 36 help, 37 registration, 39 batch, 40
// settings, 41 system files, 38 anything else.
int FileIconIndex(const QString &fileName);

// The desktop's file associations as the freedesktop.org MIME applications
// rules keep them: mimeapps.list files (defaults, added and removed
// associations, per desktop and general) and the mimeinfo.cache files of the
// applications folders. Only the files are read; no program is run.
class DesktopAssociations final
{
public:
    struct Folders
    {
        // mimeapps.list files, most important first.
        QStringList listFiles;
        // Folders holding .desktop files and mimeinfo.cache, most important first.
        QStringList applicationFolders;
    };

    // The folders the XDG variables of an environment name, with the
    // standard defaults for unset ones.
    static Folders FoldersFromEnvironment(const QProcessEnvironment &environment);

    explicit DesktopAssociations(Folders folders);
    ~DesktopAssociations();
    Q_DISABLE_COPY_MOVE(DesktopAssociations)

    // Whether an installed application is associated with the MIME type and
    // not removed from it. The files are read on the first call.
    bool HasApplication(const QString &mimeTypeName);
    // The desktop file of the preferred such application; empty when none.
    QString ApplicationFile(const QString &mimeTypeName);

private:
    // One parsed file: group -> MIME type -> desktop file IDs.
    using Groups = QHash<QString, QHash<QString, QStringList>>;

    void Load();
    // The desktop file that an ID names; empty when it is not installed.
    QString InstalledFile(const QString &desktopId);

    Folders m_folders;
    bool m_loaded = false;
    QList<Groups> m_lists;
    QList<Groups> m_caches;
    QHash<QString, QString> m_installed;
};
