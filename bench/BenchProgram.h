#pragma once

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

// Programs timed as fresh processes, with their own peak memory.

// What one run of a program did: its time, peak memory, output lines, the
// number its output starts with, and whether it ended with status 0.
struct ProgramRun
{
    double seconds = 0;
    double peakMegabytes = 0;
    qint64 lines = 0;
    qint64 firstNumber = 0;
    bool succeeded = false;
    QByteArray output;
};

// Run under /usr/bin/time, which reports the program's own peak: a child
// started straight from this process counts this process's size in its peak
// (the kernel carries the peak over the exec).
inline ProgramRun RunProgram(const QString &program, const QStringList &arguments)
{
    const QString peakFile =
        QDir::temp().filePath(QStringLiteral("bench_peak_%1.txt").arg(getpid()));
    std::vector<QByteArray> texts{
        QByteArray("/usr/bin/time"), QByteArray("-f"),     QByteArray("%M"), QByteArray("-o"),
        peakFile.toLocal8Bit(),      program.toLocal8Bit()};
    for (const QString &argument : arguments)
        texts.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    QElapsedTimer timer;
    timer.start();
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    ProgramRun run;
    char buffer[65536];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        run.output.append(buffer, n);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    QFile peak(peakFile);
    if (peak.open(QIODevice::ReadOnly))
        run.peakMegabytes = peak.readAll().trimmed().toDouble() / 1024.0;
    peak.remove();
    run.lines = run.output.count('\n');
    run.firstNumber = run.output.left(run.output.indexOf('\n')).trimmed().toLongLong();
    return run;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
