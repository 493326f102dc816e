#include "platform/SettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QVariant>

#include <algorithm>

namespace {

const QString kHistorySection = QStringLiteral("History List");
const QString kProgramSection = QStringLiteral("Program");
const QString kLocationValue = QStringLiteral("Location");

// An empty value name would address the section itself, and an empty section
// the whole file: such keys are refused.
QString KeyOf(const QString &section, const QString &value)
{
    if (section.isEmpty() || value.isEmpty())
        return QString();
    return section + u'/' + value;
}

bool IsHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsDecimalDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The digits are checked here because QString's own conversions accept more
// than a plain number: inner blanks ("0x 1") and a sign after "0x".
std::optional<qint64> ParseInteger(const QString &stored)
{
    const QString text = stored.trimmed();
    bool ok = false;
    qint64 number = 0;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        const QStringView digits = QStringView(text).mid(2);
        if (std::all_of(digits.begin(), digits.end(), IsHexDigit))
            number = digits.toLongLong(&ok, 16);
    } else {
        const qsizetype start = text.startsWith(u'-') || text.startsWith(u'+') ? 1 : 0;
        const QStringView digits = QStringView(text).mid(start);
        if (!digits.isEmpty() && std::all_of(digits.begin(), digits.end(), IsDecimalDigit))
            number = text.toLongLong(&ok, 10);
    }
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

// Values written by this class are always single strings. A file edited by
// hand can hold an unquoted "a, b", which the INI reader turns into a list,
// and "@Invalid()", which reads as no value at all.
std::optional<QString> ToText(const QVariant &stored)
{
    if (!stored.isValid())
        return std::nullopt;
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(QStringLiteral(", "));
    return stored.toString();
}

} // namespace

SettingsStore::SettingsStore(const QString &keyText)
    : SettingsStore(IniFile{FileForKey(keyText)})
{
}

SettingsStore::SettingsStore(const IniFile &file)
    : m_settings(std::make_unique<QSettings>(file.path, QSettings::IniFormat))
{
    // isWritable() creates the folders of a new file and tries to open it for
    // writing; a file we cannot write is treated as one we cannot open.
    m_usable = m_settings->isWritable() && m_settings->status() == QSettings::NoError;
}

SettingsStore::~SettingsStore()
{
    Flush();
}

QString SettingsStore::ConfigFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome))
        return QDir::cleanPath(configHome);
    return QDir::homePath() + QStringLiteral("/.config");
}

QString SettingsStore::FileForKey(const QString &keyText)
{
    static const QString softwarePrefix = QStringLiteral("Software\\");
    QString relative = keyText;
    if (relative.startsWith(softwarePrefix, Qt::CaseInsensitive))
        relative.remove(0, softwarePrefix.size());
    relative.replace(u'\\', u'/');
    return ConfigFolder() + u'/' + relative + QStringLiteral(".ini");
}

// Writes pending changes and reads the file again. QSettings only looks at
// the file on sync(), so this runs before every read to see changes of other
// processes. After a failed write QSettings still holds the new values in
// memory: the store stops reading from then on, so they are never reported.
bool SettingsStore::Sync() const
{
    if (!m_usable)
        return false;
    m_settings->sync();
    m_usable = m_settings->status() == QSettings::NoError;
    return m_usable;
}

void SettingsStore::Flush()
{
    Sync();
}

std::optional<QString> SettingsStore::Lookup(const QString &section, const QString &value) const
{
    const QString key = KeyOf(section, value);
    if (key.isEmpty() || !Sync())
        return std::nullopt;
    return ToText(m_settings->value(key));
}

QString SettingsStore::ReadText(const QString &section, const QString &value,
                                const QString &defaultValue) const
{
    return Lookup(section, value).value_or(defaultValue);
}

qint64 SettingsStore::ReadInteger(const QString &section, const QString &value,
                                  qint64 defaultValue) const
{
    const std::optional<QString> text = Lookup(section, value);
    return text ? ParseInteger(*text).value_or(defaultValue) : defaultValue;
}

bool SettingsStore::ReadBool(const QString &section, const QString &value, bool defaultValue) const
{
    const std::optional<QString> text = Lookup(section, value);
    const std::optional<qint64> number = text ? ParseInteger(*text) : std::nullopt;
    return number ? *number != 0 : defaultValue;
}

void SettingsStore::WriteText(const QString &section, const QString &value, const QString &data)
{
    const QString key = KeyOf(section, value);
    if (key.isEmpty() || !m_usable)
        return;
    m_settings->setValue(key, data);
}

void SettingsStore::WriteInteger(const QString &section, const QString &value, qint64 data)
{
    WriteText(section, value, QString::number(data));
}

void SettingsStore::WriteBool(const QString &section, const QString &value, bool data)
{
    WriteText(section, value, data ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList SettingsStore::ReadSection(const QString &section) const
{
    QStringList lines;
    if (section.isEmpty() || !Sync())
        return lines;
    m_settings->beginGroup(section);
    const QStringList names = m_settings->childKeys();
    for (const QString &name : names)
        lines.append(name + u'=' + ToText(m_settings->value(name)).value_or(QString()));
    m_settings->endGroup();
    return lines;
}

void SettingsStore::EraseSection(const QString &section)
{
    if (section.isEmpty() || !m_usable)
        return;
    m_settings->remove(section);
}

void SettingsStore::UpdateHistory(bool add, const QString &folder)
{
    QStringList folders = ReadSection(kHistorySection);
    if (!m_usable)
        return;
    // Every line is "n=folder" with a one-digit n.
    for (QString &line : folders)
        line.remove(0, 2);
    folders.removeIf([&folder](const QString &listed) { return listed == folder; });
    if (add && !folder.isEmpty())
        folders.prepend(folder);

    // The section reaches the file in one piece, so no reader sees it half done.
    m_settings->remove(kHistorySection);
    for (int i = 0; i < kHistoryLength && i < folders.size(); ++i)
        m_settings->setValue(KeyOf(kHistorySection, QString::number(i + 1)), folders[i]);
}

QStringList SettingsStore::History() const
{
    QStringList folders;
    if (!Sync())
        return folders;
    for (int i = 1; i <= kHistoryLength; ++i) {
        const QVariant stored = m_settings->value(KeyOf(kHistorySection, QString::number(i)));
        const QString folder = ToText(stored).value_or(QString());
        if (!folder.isEmpty())
            folders.append(folder);
    }
    return folders;
}

void SettingsStore::WriteProgramLocation(const QString &programFile)
{
    WriteText(kProgramSection, kLocationValue, programFile);
}

namespace {

const QString kExplorerSection = QStringLiteral("Catalog Explorer");
const QString kDatabaseFolderValue = QStringLiteral("Database Folder");
const QString kSelectedNodeValue = QStringLiteral("Selected Node");

} // namespace

LastDatabase LastDatabase::Read(const SettingsStore &settings)
{
    return {settings.ReadText(kExplorerSection, kDatabaseFolderValue),
            settings.ReadInteger(kExplorerSection, kSelectedNodeValue, 1)};
}

void LastDatabase::Write(SettingsStore &settings) const
{
    settings.WriteInteger(kExplorerSection, kSelectedNodeValue, selectedNode);
    settings.WriteText(kExplorerSection, kDatabaseFolderValue, folder);
}
