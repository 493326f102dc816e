#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zip.h>

#include <algorithm>
#include <vector>

// A scratch folder for archive tests, with helpers to make files and run the
// system's zip tools as independent witnesses.
class ArchiveTestFolder
{
public:
    QString Path(const QString &relative) const { return m_dir.filePath(relative); }

    QString Write(const QString &relative, const QByteArray &content,
                  const QDateTime &modified = {})
    {
        return WriteAt(Path(relative), content, modified);
    }

    // Writes a file anywhere, making the folders on its way.
    static QString WriteAt(const QString &path, const QByteArray &content,
                           const QDateTime &modified = {})
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        EXPECT_EQ(file.write(content), content.size()) << path.toStdString();
        file.flush(); // a later write would move the time again
        if (modified.isValid())
            file.setFileTime(modified, QFileDevice::FileModificationTime);
        return path;
    }

    static QByteArray Read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Runs a tool in this folder; returns its exit code and keeps its output.
    int Run(const QString &program, const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        m_output = process.readAllStandardOutput() + process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    const QByteArray &Output() const { return m_output; }

    // Runs the system's zip quietly in this folder; a failure fails the test.
    void Zip(const QStringList &arguments, const QByteArray &input = {})
    {
        EXPECT_EQ(Run(QStringLiteral("zip"), QStringList{QStringLiteral("-q")} + arguments, input),
                  0)
            << m_output.constData();
    }

    // Writes a ZIP file with libzip, which stores any name it is given. Each
    // member holds its own name; its DOS attributes mark it as a folder when
    // the name is one of `folders`, else as a file.
    QString ZipWithLibrary(const QString &zip, const std::vector<QByteArray> &members,
                           const std::vector<QByteArray> &folders = {})
    {
        int error = 0;
        zip_t *archive =
            zip_open(QFile::encodeName(Path(zip)).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        for (const QByteArray &name : members) {
            zip_source_t *source =
                zip_source_buffer(archive, name.constData(), zip_uint64_t(name.size()), 0);
            const zip_int64_t index = zip_file_add(archive, name.constData(), source, 0);
            EXPECT_GE(index, 0) << name.constData();
            const bool folder = std::find(folders.begin(), folders.end(), name) != folders.end();
            zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_DOS,
                                             folder ? 0x10 : 0x20);
        }
        EXPECT_EQ(zip_close(archive), 0);
        return Path(zip);
    }

    // A program as self-extracting ones are: a stub, then a ZIP file of the
    // members with its offsets adjusted by zip -A.
    void ZipSelfExtracting(const QString &program, const QStringList &members)
    {
        const QString part = Path(QStringLiteral("part.zip"));
        Zip(QStringList{QStringLiteral("-r"), part} + members);
        WriteAt(program, QByteArray(4000, '\x90') + Read(part));
        QFile::remove(part);
        Zip({QStringLiteral("-A"), program});
    }

    // Bytes that do not compress, the same on every run.
    static QByteArray RandomBytes(qsizetype size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator generator(7);
        for (char &byte : bytes)
            byte = char(generator.generate());
        return bytes;
    }

    // The member names of a ZIP file as unzip lists them, sorted.
    QStringList ListWithUnzip(const QString &zip)
    {
        EXPECT_EQ(Run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip}), 0);
        QStringList names = QString::fromUtf8(m_output).split(u'\n', Qt::SkipEmptyParts);
        names.sort();
        return names;
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_output;
};
