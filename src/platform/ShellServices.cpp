#include "platform/ShellServices.h"

#include "platform/FileTypes.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>

namespace {

// Undoes the escapes of a desktop file's string values (\s, \n, \t, \r, \\).
QString UnescapeValue(const QString &value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            result += c;
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            result += u' ';
        else if (next == u'n')
            result += u'\n';
        else if (next == u't')
            result += u'\t';
        else if (next == u'r')
            result += u'\r';
        else
            result += next;
    }
    return result;
}

// Splits an Exec value into arguments: blanks separate, double quotes group,
// and inside quotes a backslash escapes ", `, $ and \.
bool SplitExec(const QString &exec, QStringList &arguments)
{
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size()) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == u'"') {
            quoted = true;
            inArgument = true;
        } else if (c == u' ' || c == u'\t') {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return false;
    if (inArgument)
        arguments.append(current);
    return !arguments.isEmpty();
}

bool StartDesktopFile(const QString &desktopFile, const QString &path)
{
    if (desktopFile.isEmpty())
        return false;
    QStringList arguments = DesktopExecArguments(DesktopFileExec(desktopFile), path);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    return QProcess::startDetached(program, arguments);
}

} // namespace

QStringList DesktopExecArguments(const QString &exec, const QString &path)
{
    QStringList split;
    if (!SplitExec(exec, split))
        return {};
    QStringList arguments;
    bool named = false;
    for (const QString &argument : std::as_const(split)) {
        // A field code that stands alone puts the file there, or nothing.
        if (argument.size() == 2 && argument[0] == u'%') {
            const QChar code = argument[1];
            if (code == u'f' || code == u'F') {
                arguments.append(path);
                named = true;
            } else if (code == u'u' || code == u'U') {
                arguments.append(QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()));
                named = true;
            } else if (code == u'%') {
                arguments.append(QStringLiteral("%"));
            }
            continue;
        }
        QString expanded;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] != u'%' || i + 1 == argument.size()) {
                expanded += argument[i];
                continue;
            }
            const QChar code = argument[++i];
            if (code == u'%')
                expanded += u'%';
            else if (code == u'f' || code == u'F') {
                expanded += path;
                named = true;
            } else if (code == u'u' || code == u'U') {
                expanded += QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded());
                named = true;
            }
        }
        arguments.append(expanded);
    }
    if (!named)
        arguments.append(path);
    return arguments;
}

QString DesktopFileExec(const QString &desktopFile)
{
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && line.left(equals).trimmed() == QLatin1String("Exec"))
            return UnescapeValue(line.mid(equals + 1).trimmed());
    }
    return {};
}

bool ShellOpenDocument(const QString &path)
{
    QString application = DefaultApplicationFile(QFileInfo(path).fileName());
    if (application.isEmpty()) {
        // A name that tells nothing: the type by content.
        const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchContent);
        application = DefaultApplicationForType(type.name());
    }
    return StartDesktopFile(application, path);
}

bool ShellRunProgram(const QString &program, const QString &parameter)
{
    return !program.isEmpty() && QProcess::startDetached(program, {parameter});
}

bool ShellExploreFolder(const QString &folder)
{
    return StartDesktopFile(DefaultApplicationForType(QStringLiteral("inode/directory")), folder);
}
