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

} // namespace

bool ExtractAndOpen(const QString &packagePath, const QString &memberPath,
                    const QString &displayName, TemporaryFileList &temporaryFiles,
                    const std::function<bool(const QString &path)> &show)
{
    QString inner = memberPath.mid(packagePath.size());
    while (inner.startsWith(u'/') || inner.startsWith(u'\\'))
        inner.remove(0, 1);
    inner.replace(u'\\', u'/');
    // The catalog keeps member names capitalised: the member is found again
    // without regard to letter case, and the copy takes its real name.
    TUnzipFile unzip;
    unzip.lpszZipFile = packagePath;
    QString member;
    if (unzip.Execute(ZipFunction::Count)) {
        while (member.isEmpty() && unzip.Execute(ZipFunction::NextMember)) {
            if (unzip.ItemName.compare(inner, Qt::CaseInsensitive) == 0)
                member = unzip.ItemName;
        }
    }
    if (member.isEmpty()) {
        ReportExtractionError(displayName);
        return false;
    }
    // The copy lands without the member's folders.
    const QString target = QDir(QDir::tempPath()).filePath(member.section(u'/', -1));
    if (QFileInfo::exists(target) &&
        !UI().AskYesNo(
            QStringLiteral("File Already Exists"),
            u'"' + QDir::toNativeSeparators(target) + QStringLiteral("\" is already present.") +
                kParagraphBreak +
                QStringLiteral("Do you wish to replace it with the Extracted version ?")))
        return false;

    unzip.lpszFileSpec = u'"' + member + u'"';
    unzip.lpszDestination = QDir::tempPath();
    unzip.Options = OverWriteFlag | QuietFlag | NoDirectoryNamesFlag;
    if (!unzip.Execute(ZipFunction::Extract) || !QFileInfo::exists(target)) {
        UI().ShowError(QStringLiteral("Error Extracting File"),
                       QStringLiteral("An Unknown Error occurred when extracting \"") +
                           displayName + QStringLiteral("\".") + kParagraphBreak +
                           QStringLiteral("The request has been terminated"));
        return false;
    }
    if (!show(target)) {
        QFile::remove(target);
        return false;
    }
    temporaryFiles.Add(target);
    return true;
}
