#include "clicommand.h"

#include "document/project.h"
#include "exchange/nativeimport.h"

#include <QFile>

namespace
{

// Makes a one-screen project of a classic C64 paint file, the picture held as
// one import edit so the saved history starts with it.
int runImport(const QStringList &args);

const CliCommand command{
    QStringLiteral("import"),
    QStringLiteral("import FILE OUT.kvn [--format N] [--mode hires|multicolor]"), runImport};
const CliRegistration registration(command);

int runImport(const QStringList &args)
{
    QStringList files;
    int format = 0;
    QString mode;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--format")) {
            if (!cliTakeInt(args, i, format) || format < 1 || format > NativeFormats::FormatCount)
                return cliUsageError(command);
        } else if (arg == QLatin1String("--mode") && hasValue) {
            mode = args.at(++i);
            if (mode != QLatin1String("hires") && mode != QLatin1String("multicolor"))
                return cliUsageError(command);
        } else if (arg.startsWith(QLatin1String("--"))) {
            return cliUsageError(command);
        } else {
            files.append(arg);
        }
    }
    if (files.size() != 2)
        return cliUsageError(command);

    QFile file(files.at(0));
    if (!file.open(QIODevice::ReadOnly)) {
        cliErr(QStringLiteral("Could not load %1: %2").arg(files.at(0), file.errorString()));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    NativeImage image;
    QString problem;
    // Without --mode the canvas takes the mode the file was painted in.
    if (mode.isEmpty() && !NativeFormats::recognizeAndDecode(bytes, format, image, problem)) {
        cliErr(problem);
        return 1;
    }
    const CanvasMode canvasMode = mode.isEmpty() ? NativeFormats::formatMode(image.format)
                                  : mode == QLatin1String("hires") ? CanvasMode::Hires
                                                                   : CanvasMode::Multicolor;
    problem = NativeImport::problemWith(bytes, format, canvasMode, image);
    if (!problem.isEmpty()) {
        cliErr(problem);
        return 1;
    }
    Project project(canvasMode);
    const QRect changed = NativeImport::importInto(project, image, 0);
    if (!cliSaveProject(project, files.at(1)))
        return 1;
    cliOut(QStringLiteral("{\"format\":\"%1\",\"changed\":%2}")
               .arg(NativeFormats::formatName(image.format), cliRectJson(changed)));
    return 0;
}

} // namespace
