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
// korven-cli unless --no-crunch is given or the cruncher is missing. With
// --basic-start a program that stays uncompressed loads behind a BASIC
// line, so RUN starts it.
int runExportPrg(const QStringList &args);

const CliCommand command{QStringLiteral("export-prg"),
                         QStringLiteral("export-prg IN.kvn OUT.prg [--no-crunch] [--basic-start]"),
                         runExportPrg};
const CliRegistration registration(command);

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        cliErr(QStringLiteral("cannot write %1: %2").arg(path, out.errorString()));
        return false;
    }
    return true;
}

int runExportPrg(const QStringList &args)
{
    QStringList rest = args;
    const bool basicStart = rest.removeAll(QStringLiteral("--basic-start")) > 0;
    QStringList files;
    const std::optional<bool> flag = cliTwoFilesAndFlag(rest, QStringLiteral("--no-crunch"), files);
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
    const QString ntsc = PrgBuilder::ntscHiddenRowsNote(project);
    if (!ntsc.isEmpty())
        cliOut(ntsc);
    const QByteArray uncompressed = basicStart ? PrgBuilder::withBasicStart(prg) : prg;
    const int start = PrgBuilder::startAddress(project.layout());
    const QString howToStart =
        basicStart ? QStringLiteral("RUN starts it") : QStringLiteral("SYS %1").arg(start);
    if (!crunch)
        return writeFile(files.at(1), uncompressed) ? 0 : 1;
    if (!writeFile(files.at(1), prg))
        return 1;
    const QString cruncher = ExomizerCall::compressorPath(QCoreApplication::applicationDirPath());
    if (!QFileInfo::exists(cruncher)) {
        cliErr(QStringLiteral("%1 is missing; the program stays uncompressed (%2)")
                   .arg(cruncher, howToStart));
        return writeFile(files.at(1), uncompressed) ? 0 : 1;
    }
    QProcess process;
    process.start(cruncher,
                  ExomizerCall::arguments(QFileInfo(files.at(1)).absoluteFilePath(), start));
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        cliErr(
            QStringLiteral("compression failed: %1; the program stays uncompressed (%2)")
                .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed(), howToStart));
        return writeFile(files.at(1), uncompressed) ? 0 : 1;
    }
    cliOut(QStringLiteral("%1 bytes").arg(QFileInfo(files.at(1)).size()));
    return 0;
}

} // namespace
