#pragma once

#include "platform/UserInterface.h"

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
// place; otherwise questions are answered by the policy and progress prints
// only the operation's caption.
class TerminalUserInterface final : public UserInterface
{
public:
    // The progress line is redrawn at most this often.
    static constexpr int kStatusIntervalMs = 250;
    // Width of the progress line when COLUMNS does not say.
    static constexpr int kDefaultColumns = 80;

    TerminalUserInterface(QTextStream &out, QTextStream &err, QTextStream &in, bool interactive,
                          AnswerPolicy policy = AnswerPolicy::Ask);
    ~TerminalUserInterface() override;

    // True when standard input and standard error are both a terminal.
    static bool StandardStreamsAreTerminal();

    QTextStream &Out() { return m_out; }

    void SetProgressStatus(const QString &text) override;
    void SetProgressFileName(const QString &text) override;
    void SetProgressPath(const QString &text) override;
    void SetProgressRange(qint64 maximum) override;
    void SetProgressPosition(qint64 position) override;

    QString ChooseFolder(const QString &title, const QString &startFolder) override;
    QString ChooseOpenFile(const QString &title, const QString &startFolder,
                           const QString &filter) override;
    QString ChooseSaveFile(const QString &title, const QString &startFolder,
                           const QString &fileName, const QString &filter) override;

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
    QString AskForPath(const QString &title, PathKind kind);
    void RefreshProgressLine();
    void ClearProgressLine();
    QString ProgressLineText() const;

    QTextStream &m_out;
    QTextStream &m_err;
    QTextStream &m_in;
    const bool m_interactive;
    const AnswerPolicy m_policy;

    bool m_progressOpen = false;
    bool m_lineShown = false;
    qint64 m_lastDraw = 0;
    QString m_status;
    QString m_fileName;
    QString m_path;
    qint64 m_maximum = 0;
    qint64 m_position = -1;
};
