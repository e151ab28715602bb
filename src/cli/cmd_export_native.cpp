#include "clicommand.h"

#include "document/project.h"
#include "exchange/nativeformats.h"

#include <QSaveFile>

namespace
{

// Writes one screen of a bitmap canvas as the file a C64 paint program
// loads: Art Studio for hires, Koala Painter for multicolor.
int runExportNative(const QStringList &args);

const CliCommand command{QStringLiteral("export-native"),
                         QStringLiteral("export-native IN.kvn OUT [--screen N]"), runExportNative};
const CliRegistration registration(command);

int runExportNative(const QStringList &args)
{
    int screen = 0;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--screen")) {
            if (!cliTakeInt(args, i, screen))
                return cliUsageError(command);
        } else if (args.at(i).startsWith(QLatin1String("--"))) {
            return cliUsageError(command);
        } else {
            files.append(args.at(i));
        }
    }
    if (files.size() != 2)
        return cliUsageError(command);
    Project project;
    if (!cliLoadProject(files.at(0), project))
        return 1;
    const QByteArray bytes =
        NativeFormats::writeNative(project.colormap(), project.mode(), screen, project.slotBytes());
    if (bytes.isEmpty()) {
        cliErr(QStringLiteral("the canvas has no bitmap screen %1").arg(screen));
        return 1;
    }
    QSaveFile out(files.at(1));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        cliErr(QStringLiteral("Could not write %1: %2").arg(files.at(1), out.errorString()));
        return 1;
    }
    const int format = project.mode() == CanvasMode::Hires ? 1 : 6;
    cliOut(QStringLiteral("{\"format\":\"%1\",\"bytes\":%2}")
               .arg(NativeFormats::formatName(format))
               .arg(bytes.size()));
    return 0;
}

} // namespace
