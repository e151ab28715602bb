#include "clicommand.h"

#include "document/project.h"
#include "exchange/workstagesequence.h"

#include <QDir>
#include <QFileInfo>

namespace
{

// Writes the project's workstages as a numbered PNG sequence, all of them
// or a subset, as File -> Save Workstages does.
int runWorkstages(const QStringList &args);

const CliCommand command{QStringLiteral("workstages"),
                         QStringLiteral("workstages IN.kvn DIR [--count N [--smart]] [--borders]"),
                         runWorkstages};
const CliRegistration registration(command);

int runWorkstages(const QStringList &args)
{
    QStringList files;
    int count = 0;
    bool smart = false, borders = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--count")) {
            if (!cliTakeInt(args, i, count) || count < 1)
                return cliUsageError(command);
        } else if (arg == QLatin1String("--smart")) {
            smart = true;
        } else if (arg == QLatin1String("--borders")) {
            borders = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return cliUsageError(command);
        } else {
            files.append(arg);
        }
    }
    if (files.size() != 2 || (smart && count == 0))
        return cliUsageError(command);
    Project project;
    if (!cliLoadProject(files.at(0), project))
        return 1;
    if (!QDir().mkpath(files.at(1))) {
        cliErr(QStringLiteral("cannot create %1").arg(files.at(1)));
        return 1;
    }
    const int total = project.history().workstageCount();
    const QList<int> frames = WorkstageSequence::selectFrames(
        count > 0 ? std::min(count, total) : total, total,
        smart ? WorkstageSequence::Reduction::Smart : WorkstageSequence::Reduction::Uniform);
    const WorkstageSequence::Result result =
        WorkstageSequence::write(project, frames, QDir(files.at(1)).absolutePath(),
                                 QFileInfo(files.at(0)).completeBaseName(), borders);
    if (!result.error.isEmpty()) {
        cliErr(result.error);
        return 1;
    }
    cliOut(QStringLiteral("{\"frames\":%1}").arg(result.written));
    return 0;
}

} // namespace
