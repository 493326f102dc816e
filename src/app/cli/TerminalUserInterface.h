#pragma once

#include "platform/UserInterface.h"

#include <optional>

class QTextStream;

// How questions are answered without asking: from --yes or --no. With no
// flag a terminal user is asked and anything else gets No.
enum class AnswerPolicy
{
    Ask,
    Yes,
    No
};

// The user interface of the command-line tool. Messages, questions and
// progress go to the error stream so the output stream carries only results
// (and stays parseable with --json). On a terminal, questions and choosers
// read a line from the input stream and progress keeps one line updated in
// place; otherwise questions are answered by the policy and progress is
// not shown.
class TerminalUserInterface final : public UserInterface
{
public:
    // The progress line is redrawn at most this often.
    static constexpr int kStatusIntervalMs = 250;
    // Width of the progress line when COLUMNS does not say.
    static constexpr int kDefaultColumns = 80;
    // How often a waiting device check looks at the drive again.
    static constexpr int kMediumPollMs = 2000;

    TerminalUserInterface(QTextStream &out, QTextStream &err, QTextStream &in, bool interactive,
                          AnswerPolicy policy = AnswerPolicy::Ask);
    ~TerminalUserInterface() override;

    // True when standard input and standard error are both a terminal.
    static bool StandardStreamsAreTerminal();

    // Ctrl+C (SIGINT) cancels the running operation as the progress
    // window's Cancel does: the handler only notes it, and the shared cancel
    // flag is set when events next run. A second Ctrl+C ends the program.
    static void CatchInterrupt();
    static bool Interrupted();

    QTextStream &Out() { return m_out; }

    // No progress at all, even on a terminal (--quiet).
    void SetQuiet(bool quiet) { m_quiet = quiet; }
    // Whether the error stream is a terminal, for the progress line; by
    // default as the questions are asked (input and error both terminals).
    void SetProgressTerminal(bool terminal) { m_progressTerminal = terminal; }
    static bool ErrorStreamIsTerminal();

    // How the device check is answered. By default a terminal user presses
    // Enter once the disk is in (or types q to give up) and anything else
    // gives up at once, so a command fails rather than hangs. With waiting
    // on, the drive is looked at again every pollMs until the disk is there.
    void SetWaitForMedium(bool wait, int pollMs = kMediumPollMs);

    bool ShowDeviceCheck(const DeviceCheckView &view) override;
    // Prints the details and asks as an OK/Cancel box does. Shown again
    // after a failed check it gives up unless it may wait (--wait), so a
    // command fails rather than loops.
    bool ShowAddingVolume(const AddingVolumeView &view) override;
    // Prints both objects, one line each, then asks as any question.
    bool AskReplaceObject(const ReplaceObjectView &existing,
                          const ReplaceObjectView &incoming) override;
    void Beep() override;

    // How "Duplicate Disk Catalog" is answered without asking (import's
    // --replace-all and --keep-all); nullopt asks as other questions do.
    void SetDuplicateCatalogAnswer(std::optional<DuplicateCatalogAnswer> answer)
    {
        m_duplicateCatalogAnswer = answer;
    }
    DuplicateCatalogAnswer AskDuplicateCatalog(const QString &catalogName,
                                               const QString &folderPath) override;
    // "Duplicate File" as a four-way question; without a terminal the file
    // is kept (extract --overwrite replaces without asking).
    int AskDuplicateFile(const QString &path) override;

    void SetProgressStatus(const QString &text) override;
    void SetProgressFileName(const QString &text) override;
    void SetProgressPath(const QString &text) override;
    void SetProgressRange(qint64 maximum) override;
    void SetProgressPosition(qint64 position) override;

    QString ChooseFolder(const QString &title, const QString &startFolder) override;
    QString ChooseOpenFile(const QString &title, const QString &startFolder,
                           const QString &filter) override;
    QString ChooseSaveFile(const QString &title, const QString &startFolder,
                           const QString &fileName, const QString &filter,
                           const QString &defaultSuffix) override;

protected:
    MessageAnswer ShowMessage(MessageKind kind, const QString &caption, const QString &text,
                              MessageIcon icon) override;
    void ProcessEvents() override;
    void OpenProgressWindow(int operation) override;
    void CloseProgressWindow() override;

private:
    enum class PathKind
    {
        Folder,
        ExistingFile,
        AnyFile
    };

    bool ReadLine(QString &line);
    // After a disk prompt: with --wait, pauses and goes on; without a
    // terminal, says so (waitNote tells what --wait would do) and cancels;
    // else Enter goes on (enterDoes says what it does) and q cancels.
    bool GoOnOrCancel(const QString &waitNote, const QString &enterDoes);
    QString AskForPath(const QString &title, PathKind kind);
    // A question answered Yes, Yes to All, No or Abort: the preset answer
    // when given (presetReason says why), else by the policy, else at the
    // terminal; without a terminal No, with notTerminalNote printed.
    DuplicateCatalogAnswer AskFourWay(const QString &question,
                                      std::optional<DuplicateCatalogAnswer> preset,
                                      const QString &presetReason, const QString &notTerminalNote);
    // Progress goes to a terminal only, and not with --quiet.
    bool ShowsProgress() const;
    void RefreshProgressLine();
    void ClearProgressLine();
    QString ProgressLineText() const;
    void PrintDeviceCheck(const DeviceCheckView &view);
    // The Retry/Cancel box: waits and retries with --wait, asks on a
    // terminal, cancels otherwise.
    MessageAnswer AskRetry(const QString &caption, const QString &text);

    QTextStream &m_out;
    QTextStream &m_err;
    QTextStream &m_in;
    const bool m_interactive;
    const AnswerPolicy m_policy;
    std::optional<DuplicateCatalogAnswer> m_duplicateCatalogAnswer;
    bool m_waitForMedium = false;
    int m_mediumPollMs = kMediumPollMs;
    // The device check printed last; a waiting check prints only changes.
    QString m_lastDeviceCheck;

    bool m_quiet = false;
    bool m_progressTerminal;
    bool m_progressOpen = false;
    bool m_lineShown = false;
    qint64 m_lastDraw = 0;
    QString m_status;
    QString m_fileName;
    QString m_path;
    qint64 m_maximum = 0;
    qint64 m_position = -1;
    // Steps of the bar since the window opened, for the count and the rate.
    qint64 m_steps = 0;
    qint64 m_openedAt = 0;
};
