#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <unistd.h>

// Runs a program found in PATH or the system folders; false with the reason
// in output when it cannot be run or fails.
inline bool RunTool(const QString &tool, const QStringList &arguments, QString &output)
{
    QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(
            tool, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    if (program.isEmpty()) {
        output = tool + QStringLiteral(" is not installed");
        return false;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ran = process.waitForFinished(60000);
    output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return ran && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// An ext4 image of the given size with a label; false with the reason when
// it cannot be made.
inline bool MakeExt4Image(const QString &image, const QString &label, QString &reason,
                          int megabytes = 8)
{
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(qint64(megabytes) * 1024 * 1024)) {
        reason = QStringLiteral("cannot make ") + image;
        return false;
    }
    file.close();
    return RunTool(QStringLiteral("mkfs.ext4"),
                   {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-L"), label, image},
                   reason);
}

// An image loop-mounted for the length of a test (root only; tests skip
// with the reason otherwise).
class LoopMount final
{
public:
    bool Mount(const QString &image, const QString &folder, QString &reason,
               const QStringList &options = {QStringLiteral("loop")})
    {
        if (geteuid() != 0) {
            reason = QStringLiteral("loop-mounting an image needs root");
            return false;
        }
        if (!RunTool(QStringLiteral("mount"),
                     {QStringLiteral("-o"), options.join(u','), image, folder}, reason))
            return false;
        m_folder = folder;
        return true;
    }
    ~LoopMount()
    {
        QString output;
        if (!m_folder.isEmpty() && !RunTool(QStringLiteral("umount"), {m_folder}, output))
            RunTool(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder}, output);
    }

private:
    QString m_folder;
};

// An ext4 image of the given size, labelled and mounted at a folder made for
// it (the image lies beside the folder).
inline bool MountImage(LoopMount &mount, const QString &folder, const QString &label, int megabytes,
                       QString &reason)
{
    const QString image = folder + QStringLiteral(".img");
    QDir().mkpath(folder);
    return MakeExt4Image(image, label, reason, megabytes) && mount.Mount(image, folder, reason);
}
