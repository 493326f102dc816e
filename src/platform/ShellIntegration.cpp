#include "platform/ShellIntegration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QString kIcon = QStringLiteral("com.corvane.Dirvanta97");
const QString kCaution =
    QStringLiteral("Written by Dirvanta 97 at every start; edits are replaced.");

struct ShellAction
{
    QString id;
    QString name;
    QString commandSwitch;
    bool selection; // archive actions take every selected path
};

const ShellAction kCatalog{QStringLiteral("catalog"), QStringLiteral("Catalog with Dirvanta 97"),
                           QStringLiteral("/C"), false};
const ShellAction kArchive{QStringLiteral("archive"), QStringLiteral("Archive with Dirvanta 97"),
                           QStringLiteral("/A"), true};
const ShellAction kArchiveOptions{QStringLiteral("archive-options"),
                                  QStringLiteral("Archive with Dirvanta 97..."),
                                  QStringLiteral("/AO"), true};
const ShellAction kActions[] = {kCatalog, kArchive, kArchiveOptions};

// The program as the first word of a desktop entry's Exec line: quoted when
// it holds anything but plain path characters, with the characters the
// quoting reserves escaped, then the escapes of a string value.
QString ExecProgram(const QString &program)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+-]+$"));
    if (plain.match(program).hasMatch())
        return program;
    QString quoted;
    for (const QChar character : program) {
        if (character == u'"' || character == u'`' || character == u'$' || character == u'\\')
            quoted += u'\\';
        quoted += character == u'%' ? QStringLiteral("%%") : QString(character);
    }
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + quoted + u'"';
}

QString ExecLine(const QString &program, const ShellAction &action)
{
    return ExecProgram(program) + u' ' + action.commandSwitch +
           (action.selection ? QStringLiteral(" --selection %F") : QStringLiteral(" %f"));
}

QString ShellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString DesktopEntry(const QString &program)
{
    QString text = QStringLiteral("# %1\n[Desktop Entry]\nType=Application\n"
                                  "Name=Catalog with Dirvanta 97\nIcon=%2\nExec=%3\n"
                                  "MimeType=inode/directory;\nNoDisplay=true\nTerminal=false\n"
                                  "Actions=catalog;archive;archive-options;\n")
                       .arg(kCaution, kIcon, ExecLine(program, kCatalog));
    for (const ShellAction &action : kActions)
        text += QStringLiteral("\n[Desktop Action %1]\nName=%2\nExec=%3\n")
                    .arg(action.id, action.name, ExecLine(program, action));
    return text;
}

// A Dolphin service menu offers its actions for the types it names.
QString ServiceMenu(const QString &program, const QString &mimeTypes,
                    std::initializer_list<ShellAction> actions)
{
    QStringList ids;
    for (const ShellAction &action : actions)
        ids << action.id;
    QString text = QStringLiteral("# %1\n[Desktop Entry]\nType=Service\nMimeType=%2\n"
                                  "Actions=%3;\nX-KDE-Priority=TopLevel\n")
                       .arg(kCaution, mimeTypes, ids.join(u';'));
    for (const ShellAction &action : actions)
        text += QStringLiteral("\n[Desktop Action %1]\nName=%2\nIcon=%3\nExec=%4\n")
                    .arg(action.id, action.name, kIcon, ExecLine(program, action));
    return text;
}

// Nautilus runs a script in the folder shown, with the selected names as
// its parameters; with nothing selected the folder itself is cataloged.
QString NautilusScript(const QString &program, const ShellAction &action)
{
    const QString parameters =
        action.selection ? QStringLiteral("--selection \"$@\"") : QStringLiteral("\"${1:-$PWD}\"");
    return QStringLiteral("#!/bin/sh\n# %1\nexec %2 %3 %4\n")
        .arg(kCaution, ShellQuoted(program), action.commandSwitch, parameters);
}

// One file-manager-actions entry per action (Caja, Nemo and others).
QString ManagerAction(const QString &program, const ShellAction &action)
{
    const QString condition =
        action.selection ? QStringLiteral("MimeTypes=all/all;\n")
                         : QStringLiteral("MimeTypes=inode/directory;\nSelectionCount==1\n");
    return QStringLiteral("# %1\n[Desktop Entry]\nType=Action\nName=%2\nIcon=%3\n"
                          "Profiles=selection;\n\n[X-Action-Profile selection]\n%4Exec=%5\n")
        .arg(kCaution, action.name, kIcon, condition, ExecLine(program, action));
}

bool IsAlreadyRight(const QString &path, const IntegrationFile &file)
{
    QFile existing(path);
    if (!existing.open(QIODevice::ReadOnly) || existing.readAll() != file.content)
        return false;
    return !file.executable || QFileInfo(path).isExecutable();
}

bool WriteFile(const QString &path, const IntegrationFile &file)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file.content) != file.content.size() ||
        !out.commit())
        return false;
    if (file.executable)
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
    return true;
}

} // namespace

std::vector<IntegrationFile> ShellIntegrationFiles(const QString &program)
{
    std::vector<IntegrationFile> files;
    files.push_back({QStringLiteral("applications/com.corvane.Dirvanta97.Requests.desktop"),
                     DesktopEntry(program).toUtf8(), false});
    // Dolphin runs a service menu only when it is executable.
    files.push_back({QStringLiteral("kio/servicemenus/com.corvane.Dirvanta97.Catalog.desktop"),
                     ServiceMenu(program, QStringLiteral("inode/directory;"), {kCatalog}).toUtf8(),
                     true});
    files.push_back(
        {QStringLiteral("kio/servicemenus/com.corvane.Dirvanta97.Archive.desktop"),
         ServiceMenu(program, QStringLiteral("all/all;"), {kArchive, kArchiveOptions}).toUtf8(),
         true});
    for (const ShellAction &action : kActions) {
        files.push_back({QStringLiteral("nautilus/scripts/") + action.name,
                         NautilusScript(program, action).toUtf8(), true});
        files.push_back({QStringLiteral("file-manager/actions/com.corvane.Dirvanta97.%1.desktop")
                             .arg(action.id),
                         ManagerAction(program, action).toUtf8(), false});
    }
    return files;
}

QString UserDataFolder()
{
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    return configured.startsWith(u'/') ? configured
                                       : QDir::homePath() + QStringLiteral("/.local/share");
}

int RegisterShellExtension(const QString &program, const QString &dataFolder)
{
    int written = 0;
    for (const IntegrationFile &file : ShellIntegrationFiles(program)) {
        const QString path = QDir(dataFolder).filePath(file.path);
        if (!IsAlreadyRight(path, file) && WriteFile(path, file))
            ++written;
    }
    return written;
}
