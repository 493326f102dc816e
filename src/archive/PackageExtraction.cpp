#include "archive/PackageExtraction.h"

#include "archive/ZipEngine.h"
#include "platform/TemporaryFiles.h"
#include "platform/UserInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

void ReportExtractionError(const QString &displayName)
{
    UI().ShowError(QStringLiteral("Error Extracting File"),
                   QStringLiteral("An Unknown Error occurred when extracting \"") + displayName +
                       QStringLiteral("\".") + kParagraphBreak +
                       QStringLiteral("The request has been terminated"));
}

// A member path compared by its names alone: "\" and "/" separate alike,
// and empty names ("a//b", a leading "/") do not count.
QString NamesOfPath(const QString &path)
{
    return QString(path).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts).join(u'/');
}

// Whether a member may be the one a catalog path names: the same file name,
// and folders that differ in letter case at most, as the catalog merges the
// folders of a package whose names differ only so.
bool IsSameFileInFolderAnyCase(const QString &member, const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return member.size() == path.size() && member.sliced(slash + 1) == path.sliced(slash + 1) &&
           member.first(slash + 1).compare(path.first(slash + 1), Qt::CaseInsensitive) == 0;
}

} // namespace

bool ExtractAndOpen(const QString &packagePath, const QString &memberPath,
                    const QString &displayName, TemporaryFileList &temporaryFiles,
                    const std::function<bool(const QString &path)> &show)
{
    // The member is found by its exact path; failing that, by its exact name
    // in folders whose names the catalog merged.
    const QString inner = NamesOfPath(memberPath.mid(packagePath.size()));
    TUnzipFile unzip;
    unzip.lpszZipFile = packagePath;
    QString member;
    QString merged;
    if (unzip.Execute(ZipFunction::Count)) {
        while (unzip.Execute(ZipFunction::NextMember)) {
            const QString names = NamesOfPath(unzip.ItemName);
            if (names == inner) {
                member = unzip.ItemName;
                break;
            }
            if (merged.isEmpty() && IsSameFileInFolderAnyCase(names, inner))
                merged = unzip.ItemName;
        }
    }
    if (member.isEmpty())
        member = merged;
    const QString folder = PrivateTemporaryFolder();
    if (member.isEmpty() || folder.isEmpty()) {
        ReportExtractionError(displayName);
        return false;
    }
    // The copy lands without the member's folders.
    const QString target = QDir(folder).filePath(member.section(u'/', -1));
    if (QFileInfo::exists(target) &&
        !UI().AskYesNo(
            QStringLiteral("File Already Exists"),
            u'"' + QDir::toNativeSeparators(target) + QStringLiteral("\" is already present.") +
                kParagraphBreak +
                QStringLiteral("Do you wish to replace it with the Extracted version ?")))
        return false;

    unzip.lpszFileSpec = u'"' + member + u'"';
    unzip.lpszDestination = folder;
    unzip.Options = OverWriteFlag | QuietFlag | NoDirectoryNamesFlag;
    if (!unzip.Execute(ZipFunction::Extract) || !QFileInfo::exists(target)) {
        ReportExtractionError(displayName);
        return false;
    }
    if (!show(target)) {
        QFile::remove(target);
        return false;
    }
    temporaryFiles.Add(target);
    return true;
}
