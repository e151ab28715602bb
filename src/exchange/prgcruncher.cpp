#include "prgcruncher.h"

#include "exomizercall.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

QByteArray PrgCruncher::crunch(const QByteArray &prg, int startAddress, const QString &cruncherPath,
                               QString *warning)
{
    const auto keep = [&](const QString &why) {
        if (warning)
            *warning = why;
        return prg;
    };
    if (!QFileInfo::exists(cruncherPath))
        return keep(tr("The cruncher is missing (%1).").arg(cruncherPath));
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("program.prg"));
    {
        QFile file(path);
        if (!directory.isValid() || !file.open(QIODevice::WriteOnly) ||
            file.write(prg) != prg.size())
            return keep(tr("Could not write %1: %2").arg(path, file.errorString()));
    }
    QProcess process;
    process.start(cruncherPath, ExomizerCall::arguments(path, startAddress));
    if (!process.waitForFinished(TimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        const QString reason = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return keep(
            tr("The cruncher failed%1")
                .arg(reason.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + reason));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keep(tr("Could not read back %1: %2").arg(path, file.errorString()));
    return file.readAll();
}
