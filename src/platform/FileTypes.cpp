#include "platform/FileTypes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include <memory>

namespace {

const QString kOctetStream = QStringLiteral("application/octet-stream");
const QString kDefaultGroup = QStringLiteral("Default Applications");
const QString kAddedGroup = QStringLiteral("Added Associations");
const QString kRemovedGroup = QStringLiteral("Removed Associations");
const QString kCacheGroup = QStringLiteral("MIME Cache");

// The text the MIME database is asked about for a name with an extension: the
// last two parts of the name, so that compound suffixes ("tar.gz") are told
// apart while names that differ only before them share one look-up.
QString SuffixKey(const QString &fileName)
{
    const qsizetype last = fileName.lastIndexOf(u'.');
    const qsizetype previous = last > 0 ? fileName.lastIndexOf(u'.', last - 1) : -1;
    return fileName.mid(previous > 0 ? previous + 1 : last + 1);
}

struct TypeCaches
{
    QMimeDatabase database;
    QHash<QString, QMimeType> typeBySuffix;
    QHash<QString, QString> nameBySuffix;
    QHash<QString, QString> openByType; // MIME type -> desktop file
    std::unique_ptr<DesktopAssociations> associations;
};

TypeCaches &Caches()
{
    static TypeCaches caches;
    return caches;
}

QMimeType TypeOf(TypeCaches &caches, const QString &fileName)
{
    if (FileExtension(fileName).isEmpty())
        return caches.database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    const QString key = SuffixKey(fileName);
    auto found = caches.typeBySuffix.constFind(key);
    if (found == caches.typeBySuffix.constEnd()) {
        found = caches.typeBySuffix.insert(
            key, caches.database.mimeTypeForFile(QStringLiteral("x.") + key,
                                                 QMimeDatabase::MatchExtension));
    }
    return found.value();
}

// The desktop's associations, read on first use.
DesktopAssociations &Associations(TypeCaches &caches)
{
    if (!caches.associations) {
        caches.associations = std::make_unique<DesktopAssociations>(
            DesktopAssociations::FoldersFromEnvironment(QProcessEnvironment::systemEnvironment()));
    }
    return *caches.associations;
}

// Splits an INI-like file of the MIME applications rules into groups of
// "type=id;id;" lines. Comments and malformed lines are skipped.
QHash<QString, QHash<QString, QStringList>> ReadGroups(const QString &path)
{
    QHash<QString, QHash<QString, QStringList>> groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return groups;
    QString group;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || group.isEmpty())
            continue;
        QStringList ids;
        const QStringList parts = line.mid(equals + 1).split(u';', Qt::SkipEmptyParts);
        for (const QString &part : parts) {
            if (!part.trimmed().isEmpty())
                ids.append(part.trimmed());
        }
        groups[group][line.left(equals).trimmed()].append(ids);
    }
    return groups;
}

// The folder list of an XDG variable: absolute entries only, else the default.
QStringList PathList(const QProcessEnvironment &environment, const QString &name,
                     const QStringList &fallback)
{
    QStringList result;
    const QStringList parts = environment.value(name).split(u':', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (QDir::isAbsolutePath(part))
            result.append(QDir::cleanPath(part));
    }
    return result.isEmpty() ? fallback : result;
}

// A desktop file ID names a file below an applications folder with the
// subfolder separators written as "-" ("kde-foo.desktop" may be
// "kde/foo.desktop"): every spelling is tried. Empty when none exists.
QString DesktopFilePath(const QString &folder, const QString &relative, qsizetype from)
{
    const qsizetype dash = relative.indexOf(u'-', from);
    if (dash < 0) {
        const QString path = folder + u'/' + relative;
        return QFileInfo(path).isFile() ? path : QString();
    }
    const QString flat = DesktopFilePath(folder, relative, dash + 1);
    if (!flat.isEmpty())
        return flat;
    QString nested = relative;
    nested[dash] = u'/';
    return DesktopFilePath(folder, nested, dash + 1);
}

} // namespace

QString FileExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0 || dot == fileName.size() - 1)
        return {};
    return fileName.mid(dot + 1);
}

QString FileTypeName(const QString &fileName)
{
    const QString extension = FileExtension(fileName);
    // A name without an extension has no type to look up, even when the
    // database would guess one from the whole name (README, Makefile).
    if (extension.isEmpty())
        return QStringLiteral("File");
    TypeCaches &caches = Caches();
    const QString key = SuffixKey(fileName);
    auto found = caches.nameBySuffix.constFind(key);
    if (found != caches.nameBySuffix.constEnd())
        return found.value();
    // The generic binary type is what the database answers when no pattern
    // matched; it says nothing about the file. Plain text, on the other hand,
    // is only answered for extensions that really mean text (".txt", ".asc").
    const QMimeType type = TypeOf(caches, fileName);
    QString name;
    if (type.isValid() && !type.isDefault() && type.name() != kOctetStream)
        name = type.comment();
    if (name.isEmpty())
        name = extension.toUpper() + QStringLiteral(" File");
    caches.nameBySuffix.insert(key, name);
    return name;
}

QString DefaultApplicationForType(const QString &mimeTypeName)
{
    TypeCaches &caches = Caches();
    return Associations(caches).ApplicationFile(mimeTypeName);
}

QString DefaultApplicationFile(const QString &fileName)
{
    TypeCaches &caches = Caches();
    const QMimeType type = TypeOf(caches, fileName);
    if (!type.isValid())
        return {};
    const auto found = caches.openByType.constFind(type.name());
    if (found != caches.openByType.constEnd())
        return found.value();
    // A type is opened by what opens its aliases or the types it derives from
    // (C source opens as plain text), but every type derives from binary data,
    // and what opens that is no default for the type.
    QStringList candidates{type.name()};
    candidates += type.aliases();
    for (const QString &ancestor : type.allAncestors()) {
        if (ancestor != kOctetStream)
            candidates.append(ancestor);
    }
    QString result;
    for (const QString &candidate : candidates) {
        result = Associations(caches).ApplicationFile(candidate);
        if (!result.isEmpty())
            break;
    }
    caches.openByType.insert(type.name(), result);
    return result;
}

QString LinkTypeName()
{
    return QStringLiteral("Link");
}

bool HasOpenCommand(const QString &fileName)
{
    return !DefaultApplicationFile(fileName).isEmpty();
}

void ResetFileTypeCaches()
{
    TypeCaches &caches = Caches();
    caches.typeBySuffix.clear();
    caches.nameBySuffix.clear();
    caches.openByType.clear();
    caches.associations.reset();
}

int FileIconIndex(const QString &fileName)
{
    static const QHash<QString, int> kIcons = {
        {QStringLiteral("com"), 31}, {QStringLiteral("exe"), 31}, {QStringLiteral("txt"), 32},
        {QStringLiteral("bmp"), 33}, {QStringLiteral("gif"), 33}, {QStringLiteral("jpg"), 33},
        {QStringLiteral("wmf"), 33}, {QStringLiteral("tif"), 33}, {QStringLiteral("avi"), 34},
        {QStringLiteral("zip"), 35}, {QStringLiteral("hlp"), 36}, {QStringLiteral("reg"), 37},
        {QStringLiteral("bat"), 39}, {QStringLiteral("ini"), 40}, {QStringLiteral("386"), 41},
        {QStringLiteral("sys"), 41}, {QStringLiteral("cpl"), 41}, {QStringLiteral("dll"), 41},
        {QStringLiteral("drv"), 41},
    };
    return kIcons.value(FileExtension(fileName).toLower(), 38);
}

DesktopAssociations::Folders
DesktopAssociations::FoldersFromEnvironment(const QProcessEnvironment &environment)
{
    const QString home = environment.value(QStringLiteral("HOME"), QDir::homePath());
    const QStringList configHome = PathList(environment, QStringLiteral("XDG_CONFIG_HOME"),
                                            {home + QStringLiteral("/.config")});
    const QStringList configDirs =
        PathList(environment, QStringLiteral("XDG_CONFIG_DIRS"), {QStringLiteral("/etc/xdg")});
    const QStringList dataHome = PathList(environment, QStringLiteral("XDG_DATA_HOME"),
                                          {home + QStringLiteral("/.local/share")});
    const QStringList dataDirs =
        PathList(environment, QStringLiteral("XDG_DATA_DIRS"),
                 {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});

    QStringList desktops;
    const QStringList current =
        environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(u':', Qt::SkipEmptyParts);
    for (const QString &desktop : current)
        desktops.append(desktop.toLower());

    Folders folders;
    for (const QString &data : dataHome.mid(0, 1) + dataDirs)
        folders.applicationFolders.append(data + QStringLiteral("/applications"));
    // Within each folder the desktop's own list comes before the general one.
    const QStringList listFolders = configHome.mid(0, 1) + configDirs + folders.applicationFolders;
    for (const QString &folder : listFolders) {
        for (const QString &desktop : desktops)
            folders.listFiles.append(folder + u'/' + desktop + QStringLiteral("-mimeapps.list"));
        folders.listFiles.append(folder + QStringLiteral("/mimeapps.list"));
    }
    return folders;
}

DesktopAssociations::DesktopAssociations(Folders folders)
    : m_folders(std::move(folders))
{
}

DesktopAssociations::~DesktopAssociations() = default;

void DesktopAssociations::Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    for (const QString &path : m_folders.listFiles)
        m_lists.append(ReadGroups(path));
    for (const QString &folder : m_folders.applicationFolders)
        m_caches.append(ReadGroups(folder + QStringLiteral("/mimeinfo.cache")));
}

QString DesktopAssociations::InstalledFile(const QString &desktopId)
{
    const auto found = m_installed.constFind(desktopId);
    if (found != m_installed.constEnd())
        return found.value();
    QString path;
    for (const QString &folder : m_folders.applicationFolders) {
        path = DesktopFilePath(folder, desktopId, 0);
        if (!path.isEmpty())
            break;
    }
    m_installed.insert(desktopId, path);
    return path;
}

QString DesktopAssociations::ApplicationFile(const QString &mimeTypeName)
{
    Load();
    // A removal hides an association made in the same file or a less
    // important one, never one made in a more important file.
    QSet<QString> removed;
    const auto usable = [&](const QString &id) {
        return removed.contains(id) ? QString() : InstalledFile(id);
    };
    for (const Groups &list : std::as_const(m_lists)) {
        for (const QString &id : list.value(kRemovedGroup).value(mimeTypeName))
            removed.insert(id);
        for (const QString &group : {kDefaultGroup, kAddedGroup}) {
            for (const QString &id : list.value(group).value(mimeTypeName)) {
                if (const QString path = usable(id); !path.isEmpty())
                    return path;
            }
        }
    }
    for (const Groups &cache : std::as_const(m_caches)) {
        for (const QString &id : cache.value(kCacheGroup).value(mimeTypeName)) {
            if (const QString path = usable(id); !path.isEmpty())
                return path;
        }
    }
    return {};
}

bool DesktopAssociations::HasApplication(const QString &mimeTypeName)
{
    return !ApplicationFile(mimeTypeName).isEmpty();
}
