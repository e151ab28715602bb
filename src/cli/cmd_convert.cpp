#include "clicommand.h"

#include "conversion/curvesmodel.h"
#include "conversion/imageconverter.h"
#include "document/project.h"
#include "rules/wholecanvasedits.h"

#include <QImageReader>

namespace
{

// Converts a picture into a new project with the editor's converter and
// records the result as its one edit. A picture of another size is
// stretched to the canvas's on-screen size first.
int runConvert(const QStringList &args);

const CliCommand command{
    QStringLiteral("convert"),
    QStringLiteral("convert IMAGE OUT.kvn --mode hires|multicolor [--layout 0|1|2] "
                   "[--dither none|diffusion|ordered] [--distance euclidean|weighted] "
                   "[--palette N] [--background C] [--border C]"),
    runConvert};
const CliRegistration registration(command);

// The index of the next argument within `choices`, or -1.
int takeChoice(const QStringList &args, int &i, const QStringList &choices)
{
    return i + 1 < args.size() ? int(choices.indexOf(args.at(++i))) : -1;
}

int takeNumber(const QStringList &args, int &i, int limit)
{
    int value = -1;
    return cliTakeInt(args, i, value) && value >= 0 && value < limit ? value : -1;
}

int runConvert(const QStringList &args)
{
    QStringList files;
    int mode = -1, layout = 0, dither = 0, distance = 1, palette = 0, background = 0, border = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        int *target = nullptr;
        int value = -1;
        if (arg == QLatin1String("--mode"))
            value = takeChoice(args, i, {"hires", "multicolor"}), target = &mode;
        else if (arg == QLatin1String("--layout"))
            value = takeNumber(args, i, 3), target = &layout;
        else if (arg == QLatin1String("--dither"))
            value = takeChoice(args, i, {"none", "diffusion", "ordered"}), target = &dither;
        else if (arg == QLatin1String("--distance"))
            value = takeChoice(args, i, {"euclidean", "weighted"}), target = &distance;
        else if (arg == QLatin1String("--palette"))
            value = takeNumber(args, i, PaletteVariantCount), target = &palette;
        else if (arg == QLatin1String("--background"))
            value = takeNumber(args, i, 16), target = &background;
        else if (arg == QLatin1String("--border"))
            value = takeNumber(args, i, 16), target = &border;
        else if (arg.startsWith(QLatin1String("--")))
            return cliUsageError(command);
        else
            files.append(arg);
        if (target) {
            if (value < 0)
                return cliUsageError(command);
            *target = value;
        }
    }
    if (files.size() != 2 || mode < 0)
        return cliUsageError(command);

    QImageReader reader(files.at(0));
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        cliErr(QStringLiteral("cannot read %1: %2").arg(files.at(0), reader.errorString()));
        return 1;
    }
    Project project(CanvasMode(mode), -1, -1, LayoutSpec{CanvasLayout(layout)});
    project.setPaletteVariant(palette);
    ConversionOptions options;
    options.mode = project.mode();
    options.layout = project.layoutSpec();
    options.dither = DitherKind(dither);
    options.distance = ColorMetric(distance);
    options.slotBytes = project.slotBytes();
    options.slotBytes[size_t(ColorSlot::Background)] = quint8(background);
    options.slotBytes[size_t(ColorSlot::Border)] = quint8(border);
    options.paletteVariant = palette;
    const QSize target = conversionSourceSize(project.mode(), project.size());
    if (image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const Colormap result = convert(image, project.size(), CurvesModel(), options);
    const QRect changed = applyConversion(project, result, options.slotBytes, options.layout);
    if (!cliSaveProject(project, files.at(1)))
        return 1;
    cliOut(QStringLiteral("{\"changed\":%1}").arg(cliRectJson(changed)));
    return 0;
}

} // namespace
