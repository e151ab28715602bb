#include "clicommand.h"

#include "document/project.h"
#include "exchange/exomizercall.h"
#include "exchange/prgbuilder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

namespace
{

// Writes the self-running program; crunched by exomizer.exe beside
// korven-cli unless --no-crunch is given or the cruncher is missing.
int runExportPrg(const QStringList &args);

const CliCommand command{QStringLiteral("export-prg"),
                         QStringLiteral("export-prg IN.kvn OUT.prg [--no-crunch]"), runExportPrg};
const CliRegistration registration(command);

int runExportPrg(const QStringList &args)
{
    QStringList files;
    const std::optional<bool> flag = cliTwoFilesAndFlag(args, QStringLiteral("--no-crunch"), files);
    if (!flag)
        return cliUsageError(command);
    const bool crunch = !*flag;
    Project project;
    if (!cliLoadProject(files.at(0), project))
        return 1;
    QString error;
    const QByteArray prg = PrgBuilder::buildPrg(project, &error);
    if (prg.isEmpty()) {
        cliErr(error);
        return 1;
    }
    QSaveFile out(files.at(1));
    if (!out.open(QIODevice::WriteOnly) || out.write(prg) != prg.size() || !out.commit()) {
        cliErr(QStringLiteral("cannot write %1: %2").arg(files.at(1), out.errorString()));
        return 1;
    }
    const int start = PrgBuilder::startAddress(project.layout());
    if (!crunch)
        return 0;
    const QString cruncher = ExomizerCall::compressorPath(QCoreApplication::applicationDirPath());
    if (!QFileInfo::exists(cruncher)) {
        cliErr(QStringLiteral("%1 is missing; the program stays uncompressed (SYS %2)")
                   .arg(cruncher)
                   .arg(start));
        return 0;
    }
    QProcess process;
    process.start(cruncher,
                  ExomizerCall::arguments(QFileInfo(files.at(1)).absoluteFilePath(), start));
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        cliErr(QStringLiteral("compression failed: %1; the program stays uncompressed (SYS %2)")
                   .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed())
                   .arg(start));
        return 0;
    }
    cliOut(QStringLiteral("%1 bytes").arg(QFileInfo(files.at(1)).size()));
    return 0;
}

} // namespace
