#include "platform/UserInterface.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>

namespace {

UserInterface *g_userInterface = nullptr;

qint64 MonotonicMilliseconds()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

// Cuts to at most maxLength UTF-16 units without leaving half of a surrogate
// pair at the end (it would show as a broken character).
QString CutText(const QString &text, int maxLength)
{
    if (text.size() <= maxLength)
        return text;
    int length = maxLength;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

} // namespace

UserInterface::UserInterface()
    : m_tickSource(&MonotonicMilliseconds)
{
    m_lastPump = m_tickSource();
}

UserInterface::~UserInterface()
{
    if (g_userInterface == this)
        g_userInterface = nullptr;
}

MessageAnswer UserInterface::Message(MessageKind kind, const QString &caption, const QString &text,
                                     MessageIcon icon)
{
    const MessageAnswer answer =
        ShowMessage(kind, CutText(caption, kMaxCaptionLength), CutText(text, kMaxTextLength), icon);
    switch (kind) {
    case MessageKind::Question:
        return answer == MessageAnswer::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    case MessageKind::OkCancel:
        return answer == MessageAnswer::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    case MessageKind::RetryCancel:
        return answer == MessageAnswer::Retry ? MessageAnswer::Retry : MessageAnswer::Cancel;
    case MessageKind::Error:
    case MessageKind::Information:
        break;
    }
    return MessageAnswer::Ok;
}

void UserInterface::ShowError(const QString &caption, const QString &text)
{
    Message(MessageKind::Error, caption, text, MessageIcon::Stop);
}

void UserInterface::ShowInformation(const QString &caption, const QString &text)
{
    Message(MessageKind::Information, caption, text, MessageIcon::Information);
}

bool UserInterface::AskYesNo(const QString &caption, const QString &text, MessageIcon icon)
{
    return Message(MessageKind::Question, caption, text, icon) == MessageAnswer::Yes;
}

bool UserInterface::AskOkCancel(const QString &caption, const QString &text, MessageIcon icon)
{
    return Message(MessageKind::OkCancel, caption, text, icon) == MessageAnswer::Ok;
}

bool UserInterface::AskRetryCancel(const QString &caption, const QString &text)
{
    return Message(MessageKind::RetryCancel, caption, text, MessageIcon::Warning) ==
           MessageAnswer::Retry;
}

bool UserInterface::ShowAddingVolume(const AddingVolumeView &view)
{
    return AskOkCancel(view.caption.trimmed(),
                       view.heading + u'\n' + view.instructions + kParagraphBreak +
                           QStringLiteral("Drive: ") + view.drive +
                           QStringLiteral("\nArchive Volume: ") + view.volumeName +
                           QStringLiteral("\nDisk Label: ") + view.diskLabel,
                       MessageIcon::Information);
}

QString DuplicateFileText(const QString &path)
{
    const QFileInfo info(path);
    return QStringLiteral("File: ") + info.fileName() + QStringLiteral("\nFolder: ") +
           QDir::toNativeSeparators(info.absolutePath()) + kParagraphBreak +
           QStringLiteral("The above file already exists in the destination folder.") +
           kParagraphBreak + QStringLiteral("Do you wish to overwrite it ?");
}

QString WithDefaultSuffix(const QString &path, const QString &defaultSuffix)
{
    if (path.isEmpty() || defaultSuffix.isEmpty() || QFileInfo(path).fileName().contains(u'.'))
        return path;
    return path + u'.' + defaultSuffix;
}

int UserInterface::AskDuplicateFile(const QString &path)
{
    Beep();
    return AskYesNo(QStringLiteral("Duplicate File"), DuplicateFileText(path), MessageIcon::Warning)
               ? 6
               : 7;
}

const QString kReplaceObjectCaption = QStringLiteral("Confirm Object Replace");

QString ReplaceObjectQuestion(const QString &name)
{
    return QStringLiteral("This location already contains an Object named \"") + name +
           QStringLiteral("\".") + kParagraphBreak +
           QStringLiteral("Would you like to replace the existing Object with this one ?");
}

QString ReplaceObjectLine(const ReplaceObjectView &view)
{
    QStringList parts{QStringLiteral("\"") + view.name + QStringLiteral("\""), view.typeName};
    if (!view.sizeText.isEmpty())
        parts << view.sizeText;
    if (!view.modifiedText.isEmpty())
        parts << QStringLiteral("modified ") + view.modifiedText;
    return parts.join(QStringLiteral(", "));
}

bool UserInterface::AskReplaceObject(const ReplaceObjectView &existing,
                                     const ReplaceObjectView &incoming)
{
    // The question comes first: the message routine cuts long texts at the end.
    return AskYesNo(kReplaceObjectCaption,
                    ReplaceObjectQuestion(existing.name) + kParagraphBreak +
                        QStringLiteral("Existing: ") + ReplaceObjectLine(existing) +
                        QStringLiteral("\nThis one: ") + ReplaceObjectLine(incoming),
                    MessageIcon::Warning);
}

QString DuplicateCatalogText(const QString &catalogName)
{
    return QStringLiteral("The above Catalog Folder already contains a Disk Catalog named \"") +
           catalogName + QStringLiteral("\".") + kParagraphBreak +
           QStringLiteral("Do you wish to replace it with the Imported Catalog ?");
}

DuplicateCatalogAnswer UserInterface::AskDuplicateCatalog(const QString &catalogName,
                                                          const QString &folderPath)
{
    return AskYesNo(QStringLiteral("Duplicate Disk Catalog"),
                    QStringLiteral("Catalog: ") + catalogName + QStringLiteral("\nFolder: ") +
                        folderPath + kParagraphBreak + DuplicateCatalogText(catalogName),
                    MessageIcon::Warning)
               ? DuplicateCatalogAnswer::Yes
               : DuplicateCatalogAnswer::No;
}

bool UserInterface::PumpMessages(int intervalMs)
{
    const qint64 now = m_tickSource();
    if (now - m_lastPump <= intervalMs)
        return false;
    m_lastPump = now;
    ProcessEvents();
    return true;
}

void UserInterface::ShowProgress(int operation)
{
    m_cancelled = false;
    m_progressOperation = operation;
    OpenProgressWindow(operation);
}

void UserInterface::CloseProgress()
{
    CloseProgressWindow();
    m_progressOperation = -1;
    m_cancelled = false;
}

void UserInterface::SetTickSource(std::function<qint64()> tickSource)
{
    m_tickSource = std::move(tickSource);
    m_lastPump = m_tickSource();
}

UserInterface &UI()
{
    if (!g_userInterface)
        qFatal("No user interface installed");
    return *g_userInterface;
}

UserInterfaceInstallation::UserInterfaceInstallation(UserInterface &userInterface)
    : m_previous(std::exchange(g_userInterface, &userInterface))
{
}

UserInterfaceInstallation::~UserInterfaceInstallation()
{
    g_userInterface = m_previous;
}
