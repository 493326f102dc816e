#include "app/cli/TerminalUserInterface.h"

#include "platform/ProgressOperations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void NoteInterrupt(int)
{
    g_interrupted = 1;
}

// Carriage return, then erase to the end of the line.
const QString kEraseLine = QStringLiteral("\r\x1b[K");

QString Prefixed(const QString &caption, const QString &text)
{
    return caption.isEmpty() ? text : caption + QStringLiteral(": ") + text;
}

QString ExpandHome(const QString &path)
{
    if (path == u'~')
        return QDir::homePath();
    if (path.startsWith(QStringLiteral("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

} // namespace

TerminalUserInterface::TerminalUserInterface(QTextStream &out, QTextStream &err, QTextStream &in,
                                             bool interactive, AnswerPolicy policy)
    : m_out(out)
    , m_err(err)
    , m_in(in)
    , m_interactive(interactive)
    , m_policy(policy)
    , m_progressTerminal(interactive)
{
}

TerminalUserInterface::~TerminalUserInterface()
{
    ClearProgressLine();
}

bool TerminalUserInterface::StandardStreamsAreTerminal()
{
    return isatty(fileno(stdin)) == 1 && ErrorStreamIsTerminal();
}

bool TerminalUserInterface::ErrorStreamIsTerminal()
{
    return isatty(fileno(stderr)) == 1;
}

void TerminalUserInterface::CatchInterrupt()
{
    struct sigaction action
    {
    };
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

bool TerminalUserInterface::Interrupted()
{
    return g_interrupted != 0;
}

bool TerminalUserInterface::AskReplaceObject(const ReplaceObjectView &existing,
                                             const ReplaceObjectView &incoming)
{
    ClearProgressLine();
    m_err << QStringLiteral("Existing: ") << ReplaceObjectLine(existing) << u'\n'
          << QStringLiteral("This one: ") << ReplaceObjectLine(incoming) << u'\n';
    return AskYesNo(kReplaceObjectCaption, ReplaceObjectQuestion(existing.name),
                    MessageIcon::Warning);
}

MessageAnswer TerminalUserInterface::ShowMessage(MessageKind kind, const QString &caption,
                                                 const QString &text, MessageIcon)
{
    ClearProgressLine();
    switch (kind) {
    case MessageKind::Error:
        m_err << QStringLiteral("error: ") << Prefixed(caption, text) << u'\n';
        m_err.flush();
        return MessageAnswer::Ok;
    case MessageKind::Information:
        m_err << Prefixed(caption, text) << u'\n';
        m_err.flush();
        return MessageAnswer::Ok;
    case MessageKind::RetryCancel:
        return AskRetry(caption, text);
    case MessageKind::Question:
    case MessageKind::OkCancel:
        break;
    }
    const MessageAnswer agree =
        kind == MessageKind::OkCancel ? MessageAnswer::Ok : MessageAnswer::Yes;
    const MessageAnswer refuse =
        kind == MessageKind::OkCancel ? MessageAnswer::Cancel : MessageAnswer::No;

    m_err << Prefixed(caption, text) << QStringLiteral(" [y/N] ");
    // An explicit flag wins even on a terminal, so scripts run under a
    // terminal are not stopped by a prompt.
    if (m_policy != AnswerPolicy::Ask || !m_interactive) {
        const bool yes = m_policy == AnswerPolicy::Yes;
        QString reason;
        if (m_policy == AnswerPolicy::Yes)
            reason = QStringLiteral("--yes");
        else if (m_policy == AnswerPolicy::No)
            reason = QStringLiteral("--no");
        else
            reason = QStringLiteral("not a terminal; --yes agrees");
        m_err << (yes ? QStringLiteral("yes") : QStringLiteral("no")) << QStringLiteral(" (")
              << reason << QStringLiteral(")\n");
        m_err.flush();
        return yes ? agree : refuse;
    }

    m_err.flush();
    QString line;
    if (!ReadLine(line)) {
        // End of input: the prompt's line was never ended by the user.
        m_err << u'\n';
        m_err.flush();
        return refuse;
    }
    const QString answer = line.trimmed().toLower();
    return answer == u"y" || answer == u"yes" ? agree : refuse;
}

MessageAnswer TerminalUserInterface::AskRetry(const QString &caption, const QString &text)
{
    m_err << Prefixed(caption, text) << u'\n';
    return GoOnOrCancel(QStringLiteral("--wait retries"), QStringLiteral("to retry"))
               ? MessageAnswer::Retry
               : MessageAnswer::Cancel;
}

bool TerminalUserInterface::GoOnOrCancel(const QString &waitNote, const QString &enterDoes)
{
    if (m_waitForMedium) {
        m_err.flush();
        QThread::msleep(ulong(m_mediumPollMs));
        return true;
    }
    if (!m_interactive) {
        m_err << QStringLiteral("cancelled (not a terminal; ") << waitNote << QStringLiteral(")\n");
        m_err.flush();
        return false;
    }
    m_err << QStringLiteral("Press Enter ") << enterDoes << QStringLiteral(", or q to cancel: ");
    m_err.flush();
    QString line;
    if (!ReadLine(line)) {
        // End of input: the prompt's line was never ended by the user.
        m_err << u'\n';
        m_err.flush();
        return false;
    }
    return line.trimmed().compare(u"q", Qt::CaseInsensitive) != 0;
}

bool TerminalUserInterface::ShowAddingVolume(const AddingVolumeView &view)
{
    ClearProgressLine();
    m_err << view.caption.trimmed() << QStringLiteral(": ") << view.heading << u'\n'
          << view.instructions << u'\n' << QStringLiteral("  Drive: ") << view.drive << u'\n'
          << QStringLiteral("  Archive Volume: ") << view.volumeName << u'\n'
          << QStringLiteral("  Disk Label: ") << view.diskLabel << u'\n';
    if (view.again && !m_interactive) {
        if (!m_waitForMedium) {
            m_err << QStringLiteral("cancelled (not a terminal; --wait tries again)\n");
            m_err.flush();
            return false;
        }
        m_err.flush();
        QThread::msleep(ulong(m_mediumPollMs));
        return true;
    }
    return AskOkCancel(view.caption.trimmed(), QStringLiteral("Add this disk to the pool ?"),
                       MessageIcon::Information);
}

bool TerminalUserInterface::ReadLine(QString &line)
{
    return m_in.readLineInto(&line);
}

void TerminalUserInterface::ProcessEvents()
{
    if (Interrupted())
        SetCancelled(true);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void TerminalUserInterface::OpenProgressWindow(int operation)
{
    ClearProgressLine();
    m_progressOpen = true;
    m_status.clear();
    m_fileName.clear();
    m_path.clear();
    m_maximum = 0;
    m_position = -1;
    m_steps = 0;
    m_openedAt = Ticks();
    m_lastDraw = 0;
    // Opening a progress window clears the cancel flag; an interrupt stays.
    if (Interrupted())
        SetCancelled(true);
    if (!ShowsProgress())
        return;
    if (const ProgressLayout *layout = ProgressLayoutFor(operation)) {
        m_err << layout->caption.toString() << u'\n';
        m_err.flush();
    }
}

void TerminalUserInterface::CloseProgressWindow()
{
    ClearProgressLine();
    m_progressOpen = false;
}

void TerminalUserInterface::SetProgressStatus(const QString &text)
{
    m_status = text;
    RefreshProgressLine();
}

void TerminalUserInterface::SetProgressFileName(const QString &text)
{
    m_fileName = text;
    RefreshProgressLine();
}

void TerminalUserInterface::SetProgressPath(const QString &text)
{
    m_path = text;
    RefreshProgressLine();
}

void TerminalUserInterface::SetProgressRange(qint64 maximum)
{
    m_maximum = maximum;
    RefreshProgressLine();
}

void TerminalUserInterface::SetProgressPosition(qint64 position)
{
    if (position != m_position)
        ++m_steps;
    m_position = position;
    RefreshProgressLine();
}

QString TerminalUserInterface::ProgressLineText() const
{
    QStringList parts;
    if (m_maximum > 0 && m_position >= 0) {
        const qint64 percent = std::clamp<qint64>(m_position * 100 / m_maximum, 0, 100);
        parts.append(QStringLiteral("%1%").arg(percent, 3));
    }
    // The count and rate of steps, once there is a second to measure by.
    const qint64 elapsedMs = Ticks() - m_openedAt;
    if (m_steps > 0 && elapsedMs >= 1000)
        parts.append(QStringLiteral("%1 (%2/s)").arg(m_steps).arg(m_steps * 1000 / elapsedMs));
    if (!m_status.isEmpty())
        parts.append(m_status);
    // The file being worked on says more than the folder it is in.
    if (!m_fileName.isEmpty())
        parts.append(m_fileName);
    else if (!m_path.isEmpty())
        parts.append(m_path);

    QString line = parts.join(QStringLiteral("  "));
    line.replace(u'\n', u' ');
    bool ok = false;
    int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    if (!ok || columns < 20)
        columns = kDefaultColumns;
    // One column short, so the cursor never wraps to the next line; cut from
    // the left, where a long path is least telling.
    const int room = columns - 1;
    if (line.size() > room)
        line = QChar(0x2026) + line.right(room - 1);
    return line;
}

bool TerminalUserInterface::ShowsProgress() const
{
    return m_progressTerminal && !m_quiet;
}

void TerminalUserInterface::RefreshProgressLine()
{
    if (!ShowsProgress() || !m_progressOpen)
        return;
    const qint64 now = Ticks();
    if (m_lineShown && now - m_lastDraw < kStatusIntervalMs)
        return;
    m_lastDraw = now;
    m_err << kEraseLine << ProgressLineText();
    m_err.flush();
    m_lineShown = true;
}

void TerminalUserInterface::ClearProgressLine()
{
    if (!m_lineShown)
        return;
    m_err << kEraseLine;
    m_err.flush();
    m_lineShown = false;
}

void TerminalUserInterface::SetWaitForMedium(bool wait, int pollMs)
{
    m_waitForMedium = wait;
    m_mediumPollMs = std::max(pollMs, 0);
}

void TerminalUserInterface::Beep()
{
    // A waiting check would ring at every look at the drive.
    if (!m_interactive || m_waitForMedium)
        return;
    m_err << u'\a';
    m_err.flush();
}

void TerminalUserInterface::PrintDeviceCheck(const DeviceCheckView &view)
{
    QString text = view.caption + u'\n' + view.heading + u'\n';
    if (!view.message.isEmpty())
        text += view.message + u'\n';
    text += QStringLiteral("  ") + view.currentDiskCaption + u' ' + view.currentDrive;
    if (view.currentLabelShown)
        text += QStringLiteral("  Disk Label: ") + view.currentLabel;
    text += QStringLiteral("\n  Required Disk: ") + view.requiredDrive;
    if (!view.requiredLabel.isEmpty())
        text += QStringLiteral("  Disk Label: ") + view.requiredLabel;
    const QString separator =
        view.nameCaption.endsWith(u':') ? QStringLiteral(" ") : QStringLiteral(": ");
    text += QStringLiteral("\n  ") + view.nameCaption + separator + view.name + u'\n';
    if (m_waitForMedium && text == m_lastDeviceCheck)
        return;
    m_lastDeviceCheck = text;
    m_err << text;
    m_err.flush();
}

bool TerminalUserInterface::ShowDeviceCheck(const DeviceCheckView &view)
{
    ClearProgressLine();
    PrintDeviceCheck(view);
    return GoOnOrCancel(QStringLiteral("--wait waits for the disk"),
                        QStringLiteral("when the disk is ready"));
}

QString TerminalUserInterface::AskForPath(const QString &title, PathKind kind)
{
    if (!m_interactive)
        return {};
    ClearProgressLine();
    for (;;) {
        m_err << title << QStringLiteral(" (empty line cancels): ");
        m_err.flush();
        QString line;
        if (!ReadLine(line)) {
            m_err << u'\n';
            m_err.flush();
            return {};
        }
        line = line.trimmed();
        if (line.isEmpty())
            return {};
        const QFileInfo info(ExpandHome(line));
        const QString path = QDir::cleanPath(info.absoluteFilePath());
        if (kind == PathKind::Folder && !info.isDir())
            m_err << QStringLiteral("not a folder: ") << path << u'\n';
        else if (kind == PathKind::ExistingFile && !info.isFile())
            m_err << QStringLiteral("no such file: ") << path << u'\n';
        else
            return path;
    }
}

QString TerminalUserInterface::ChooseFolder(const QString &title, const QString &)
{
    return AskForPath(title, PathKind::Folder);
}

QString TerminalUserInterface::ChooseOpenFile(const QString &title, const QString &,
                                              const QString &)
{
    return AskForPath(title, PathKind::ExistingFile);
}

QString TerminalUserInterface::ChooseSaveFile(const QString &title, const QString &,
                                              const QString &, const QString &,
                                              const QString &defaultSuffix)
{
    return WithDefaultSuffix(AskForPath(title, PathKind::AnyFile), defaultSuffix);
}

DuplicateCatalogAnswer
TerminalUserInterface::AskFourWay(const QString &question,
                                  std::optional<DuplicateCatalogAnswer> preset,
                                  const QString &presetReason, const QString &notTerminalNote)
{
    ClearProgressLine();
    m_err << question << QStringLiteral(" [y]es, yes to [a]ll, [n]o, a[b]ort: ");
    auto answered = [&](DuplicateCatalogAnswer answer, const QString &reason) {
        static const char *const kWords[] = {"yes", "yes to all", "no", "abort"};
        m_err << QString::fromLatin1(kWords[int(answer)]) << QStringLiteral(" (") << reason
              << QStringLiteral(")\n");
        m_err.flush();
        return answer;
    };
    if (preset)
        return answered(*preset, presetReason);
    if (m_policy == AnswerPolicy::Yes)
        return answered(DuplicateCatalogAnswer::Yes, QStringLiteral("--yes"));
    if (m_policy == AnswerPolicy::No || !m_interactive) {
        return answered(DuplicateCatalogAnswer::No,
                        m_policy == AnswerPolicy::No ? QStringLiteral("--no") : notTerminalNote);
    }
    m_err.flush();
    QString line;
    if (!ReadLine(line)) {
        m_err << u'\n';
        m_err.flush();
        return DuplicateCatalogAnswer::No;
    }
    const QString answer = line.trimmed().toLower();
    if (answer == u"y" || answer == u"yes")
        return DuplicateCatalogAnswer::Yes;
    if (answer == u"a" || answer == u"all")
        return DuplicateCatalogAnswer::YesToAll;
    if (answer == u"b" || answer == u"abort")
        return DuplicateCatalogAnswer::Abort;
    return DuplicateCatalogAnswer::No;
}

DuplicateCatalogAnswer TerminalUserInterface::AskDuplicateCatalog(const QString &catalogName,
                                                                  const QString &folderPath)
{
    return AskFourWay(QStringLiteral("Duplicate Disk Catalog: \"") + folderPath + catalogName +
                          QStringLiteral("\" is already in the catalog database. Replace it with "
                                         "the imported one?"),
                      m_duplicateCatalogAnswer,
                      m_duplicateCatalogAnswer == DuplicateCatalogAnswer::No
                          ? QStringLiteral("--keep-all")
                          : QStringLiteral("--replace-all"),
                      QStringLiteral("not a terminal; --replace-all replaces"));
}

int TerminalUserInterface::AskDuplicateFile(const QString &path)
{
    Beep();
    const QFileInfo info(path);
    // The numbers the engine's overwrite question answers with.
    static constexpr int kAnswers[] = {6, 5, 7, 2};
    return kAnswers[int(AskFourWay(
        QStringLiteral("Duplicate File: \"") + info.fileName() +
            QStringLiteral("\" already exists in ") + info.absolutePath() +
            QStringLiteral(". Do you wish to overwrite it?"),
        std::nullopt, QString(), QStringLiteral("not a terminal; --overwrite replaces")))];
}
