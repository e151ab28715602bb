#pragma once

// Runs a program to its end for a test: its exit code (-1 when it crashed or
// did not finish within a minute) and its trimmed output.

#include <QProcess>

struct ProgramRun {
    int exitCode = -1;
    QString out, err;
};

inline ProgramRun runProgram(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
            QString::fromUtf8(process.readAllStandardError()).trimmed()};
}
