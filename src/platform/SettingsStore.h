#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <optional>

class QSettings;

// The program's settings: one INI file per settings key, in the user's config
// folder. A section is a group of the file, a value a named text in it. Every
// value is stored as text: integers in decimal, booleans as "1" and "0".
//
// Failures never stop the program: when the file cannot be opened or written,
// every read gives its default and every write does nothing.
//
// Every read looks at the file again, so changes of other processes show at
// once. Writes are collected and reach the disk on Flush(), on the next read,
// or when the store is destroyed: each trip to the disk waits for the data to
// be safely written (several milliseconds), too slow to pay per value when a
// window saves its layout. Keep stores short-lived, and call Flush() before
// another process is told to look (the hand-over of a file name).
//
// Section and value names may contain spaces but not '/' or '\', which the
// file format takes as separators of nested groups.
class SettingsStore final
{
public:
    // The key holding all settings of the program.
    static inline const QString kProgramKey = QStringLiteral("Software\\Corvane\\Dirvanta97");
    // The key through which one instance hands a file name to another.
    static inline const QString kHandOverKey = QStringLiteral("Software\\Corvane\\Dirvanta");
    static inline const QString kHandOverSection = QStringLiteral("Temp");
    static inline const QString kHandOverValue = QStringLiteral("FileName");

    // The recent-databases list holds at most this many folders.
    static constexpr int kHistoryLength = 5;

    // Opens an explicit INI file; tests use it to work in a folder of their own.
    struct IniFile
    {
        QString path;
    };

    // Opens the file of a key text, e.g. kProgramKey.
    explicit SettingsStore(const QString &keyText);
    explicit SettingsStore(const IniFile &file);
    ~SettingsStore();
    Q_DISABLE_COPY_MOVE(SettingsStore)

    // XDG_CONFIG_HOME when it holds an absolute path, else $HOME/.config.
    static QString ConfigFolder();
    // "Software\Vendor\Product" -> <config folder>/Vendor/Product.ini
    static QString FileForKey(const QString &keyText);

    // False once the file has proved unreadable or unwritable.
    bool IsUsable() const { return m_usable; }

    QString ReadText(const QString &section, const QString &value,
                     const QString &defaultValue = QString()) const;
    // "0x"/"0X" followed by hex digits reads as hexadecimal, anything else as
    // decimal with an optional sign; surrounding blanks are ignored. A text
    // that is not a number, or out of range, gives the default.
    qint64 ReadInteger(const QString &section, const QString &value, qint64 defaultValue) const;
    // Any integer other than 0 is true, 0 is false; no integer gives the default.
    bool ReadBool(const QString &section, const QString &value, bool defaultValue) const;

    void WriteText(const QString &section, const QString &value, const QString &data);
    void WriteInteger(const QString &section, const QString &value, qint64 data);
    void WriteBool(const QString &section, const QString &value, bool data);

    // Writes collected changes to the disk now.
    void Flush();

    // One "name=data" line per value of the section, in the file's order of names.
    QStringList ReadSection(const QString &section) const;
    // Removes the section with all its values.
    void EraseSection(const QString &section);

    // Keeps the recent-databases list: run with add=false when a database is
    // opened (it leaves the list) and add=true when it is closed (it goes to the
    // top). Folders are compared exactly (file names
    // are case-sensitive) and listed only once.
    void UpdateHistory(bool add, const QString &folder);
    // The recent database folders, most recent first, without empty entries.
    QStringList History() const;

    // Records the full file name of the running program, once at start-up.
    void WriteProgramLocation(const QString &programFile);

private:
    bool Sync() const;
    std::optional<QString> Lookup(const QString &section, const QString &value) const;

    std::unique_ptr<QSettings> m_settings;
    mutable bool m_usable = false;
};

// The database the main window had open when it last closed, and the tree
// node it had selected: the window writes them; the window, the command line
// and the screenshots read or preset them.
struct LastDatabase
{
    QString folder;          // empty when no database was open
    qint64 selectedNode = 1; // an object ID; the database object by default

    static LastDatabase Read(const SettingsStore &settings);
    void Write(SettingsStore &settings) const;
};
