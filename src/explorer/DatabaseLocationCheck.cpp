#include "explorer/DatabaseLocationCheck.h"

#include "platform/Drives.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString WithoutTrailingSlash(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

bool IsFolder(const QString &folder)
{
    return QFileInfo(folder).isDir();
}

bool IsOnLocalFixedDisk(const QString &folder)
{
    return folder.startsWith(u'/') && Drives().KindOf(folder) == DriveKind::Fixed;
}

} // namespace

bool DatabaseLocationCheck::IsSameFolder(const QString &folder, const QString &inUseFolder)
{
    const QString typed = WithoutTrailingSlash(folder);
    const QString inUse = WithoutTrailingSlash(inUseFolder);
    if (QDir::cleanPath(typed) == QDir::cleanPath(inUse))
        return true;
    const QString typedTarget = QFileInfo(typed).canonicalFilePath();
    return !typedTarget.isEmpty() && typedTarget == QFileInfo(inUse).canonicalFilePath();
}

bool DatabaseLocationCheck::Run(QString &folder, const QString &inUseFolder, Choice choice)
{
    folder = folder.trimmed();

    if (!inUseFolder.isEmpty() && IsSameFolder(folder, inUseFolder)) {
        UI().ShowError(QStringLiteral("Invalid Folder"),
                       QStringLiteral("The folder specified is in use by the current database.") +
                           kParagraphBreak +
                           QStringLiteral("Please specify another folder, before continuing."));
        return false;
    }

    if (!IsOnLocalFixedDisk(folder)) {
        UI().ShowError(
            QStringLiteral("Invalid Database Location"),
            QStringLiteral("Databases on devices other than a local hard disk are not supported") +
                kParagraphBreak +
                QStringLiteral("Please specify another location before continuing"));
        return false;
    }

    if (!IsFolder(folder) && choice == Choice::Create) {
        if (!UI().AskYesNo(
                QStringLiteral("Create Folder ?"),
                QStringLiteral("The Folder specified could not be located") + kParagraphBreak +
                    QStringLiteral("Would you like Dirvanta to create the Folder for you ?")))
            return false;
        // A failure shows as the missing folder below.
        QDir().mkpath(folder);
    }

    if (IsFolder(folder)) {
        if (choice == Choice::Create && TDataShare::DatabaseFilesExist(false, folder)) {
            if (!UI().AskYesNo(
                    QStringLiteral("Database Replace"),
                    QStringLiteral(
                        "The Folder specified already contains Dirvanta Databases. Do you "
                        "wish to replace these Database with a new Database ?") +
                        kParagraphBreak +
                        QStringLiteral(
                            "Caution: Replying YES, may result in the loss of Catalog Data !")))
                return false;
            try {
                TDataShare::RemoveDatabaseFiles(folder);
            } catch (const EDatabaseError &error) {
                if (error.IsLocked()) {
                    TDataShare::ReportLocked(folder);
                    return false;
                }
                // A file that stays behind makes the creation of the new
                // database fail, which reports it.
            }
        } else if (choice == Choice::Open && !TDataShare::DatabaseFilesExist(true, folder)) {
            UI().ShowError(
                QStringLiteral("Unable to Locate Catalog"),
                QStringLiteral(
                    "The Folder specified does not contain a valid Dirvanta Catalog Database") +
                    kParagraphBreak + QStringLiteral("Please respecify, before continuing"));
            return false;
        }
    }

    if (!IsFolder(folder)) {
        UI().ShowError(QStringLiteral("Invalid Folder"),
                       QStringLiteral("The Folder specified could not be located") +
                           kParagraphBreak + QStringLiteral("Please respecify, before continuing"));
        return false;
    }
    return true;
}
