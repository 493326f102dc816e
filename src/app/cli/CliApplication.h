#pragma once

#include <QString>
#include <QStringList>

struct CliCommandLine;
class QTextStream;
class SettingsStore;
class TDataShare;
class TerminalUserInterface;

// The command-line tool: parses the arguments, runs one command on a catalog
// database and returns the exit code (0 success, 1 failure, 2 usage). Output
// goes to the streams it is given, so tests run it in-process.
class CliApplication final
{
public:
    static constexpr int kSuccess = 0;
    static constexpr int kFailure = 1;
    static constexpr int kUsage = 2;
    // Ctrl+C cancelled the work, as a shell reports death by SIGINT.
    static constexpr int kInterrupted = 130;

    CliApplication(QTextStream &out, QTextStream &err, QTextStream &in, bool interactive);
    CliApplication(const CliApplication &) = delete;
    CliApplication &operator=(const CliApplication &) = delete;

    // Whether the error stream is a terminal, where the progress line goes;
    // by default as for the questions.
    void SetProgressTerminal(bool terminal) { m_progressTerminal = terminal; }

    // The arguments after the program name.
    int Run(const QStringList &arguments);

    // The folder of the catalog used when --db is not given: the one the
    // window remembered, else a catalog in the user's data folder.
    static QString DefaultDatabaseFolder(SettingsStore &settings);

    // The usage of one command, or of all for an unknown or no command.
    static QString UsageText(const QString &command);

private:
    static QString ShapeProblem(const CliCommandLine &line);
    int RunCommand(TDataShare &data, SettingsStore &settings, const CliCommandLine &line);

    // Prints the problem and the usage of the command (all of it for an
    // unknown or no command); returns kUsage.
    int Usage(const QString &problem, const QString &command);
    int Version();
    int Create(TDataShare &data, const CliCommandLine &options);
    int Info(TDataShare &data, const CliCommandLine &options);
    int Compress(TDataShare &data);
    int List(TDataShare &data, const CliCommandLine &options);
    int Catalog(TDataShare &data, const CliCommandLine &options);
    int Update(TDataShare &data, const CliCommandLine &options);
    bool OpenOrCreateDefault(TDataShare &data, const CliCommandLine &options);

    QTextStream &m_out;
    QTextStream &m_err;
    QTextStream &m_in;
    bool m_interactive;
    bool m_progressTerminal;
};
