#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// Runs the cruncher on a program without anyone to ask: writes it into a
// temporary directory, compresses it there in place, reads it back. Used
// where no progress dialog can stand (the command line, a restart in live
// mode); the file export and the send have their own dialog-driven run.
class PrgCruncher
{
    Q_DECLARE_TR_FUNCTIONS(PrgCruncher)

public:
    // The crunched program; when the cruncher is missing or fails, `prg`
    // itself with the reason in `warning`.
    static QByteArray crunch(const QByteArray &prg, int startAddress, const QString &cruncherPath,
                             QString *warning = nullptr);

    static constexpr int TimeoutMs = 30000;
};
