#include "clicommand.h"

#include "document/palette.h"
#include "document/project.h"
#include "history/workstagereplayer.h"

#include <QImage>

namespace
{

// Writes the colormap, or one workstage of it, as an image through a palette.
int runRender(const QStringList &args);

const CliCommand command{QStringLiteral("render"),
                         QStringLiteral("render FILE.kvn OUT.png [--palette N] [--stage K]"),
                         runRender};
const CliRegistration registration(command);

int runRender(const QStringList &args)
{
    QStringList files;
    int palette = 0;
    int stage = 0;
    bool staged = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--palette")) {
            if (!cliTakeInt(args, i, palette))
                return cliUsageError(command);
        } else if (arg == QLatin1String("--stage")) {
            if (!cliTakeInt(args, i, stage))
                return cliUsageError(command);
            staged = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return cliUsageError(command);
        } else {
            files.append(arg);
        }
    }
    if (files.size() != 2)
        return cliUsageError(command);
    if (palette < 0 || palette >= PaletteVariantCount) {
        cliErr(QStringLiteral("palette %1 is out of range (0 to %2)")
                   .arg(palette)
                   .arg(PaletteVariantCount - 1));
        return 1;
    }
    Project project;
    if (!cliLoadProject(files.at(0), project))
        return 1;

    Colormap pixels = project.colormap();
    if (staged) {
        const int last = project.history().workstageCount() - 1;
        if (stage < 0 || stage > last) {
            cliErr(QStringLiteral("workstage %1 does not exist (the project has 0 to %2)")
                       .arg(stage)
                       .arg(last));
            return 1;
        }
        WorkstageReplayer replayer(project.colormap(), project.history(),
                                   project.slot(ColorSlot::Background),
                                   project.slot(ColorSlot::Border));
        pixels = replayer.advanceTo(stage);
    }
    QImage image = pixels.toImage(palette);
    // Multicolor pixels are twice as wide as they are tall on screen.
    if (project.mode() == CanvasMode::Multicolor)
        image = image.scaled(image.width() * 2, image.height(), Qt::IgnoreAspectRatio,
                             Qt::FastTransformation);
    if (!image.save(files.at(1))) {
        cliErr(QStringLiteral("cannot write %1").arg(files.at(1)));
        return 1;
    }
    return 0;
}

} // namespace
