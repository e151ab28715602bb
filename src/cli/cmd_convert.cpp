#include "clicommand.h"
#include "clipicture.h"

#include "conversion/curvesmodel.h"
#include "conversion/imageconverter.h"
#include "document/project.h"
#include "rules/wholecanvasedits.h"

namespace
{

// Converts a picture into a new project with the editor's converter and
// records the result as its one edit, with every choice the Image Converter
// dialog offers. A picture of another size is stretched (or fitted, with
// black margins) to the canvas's on-screen size first.
int runConvert(const QStringList &args);

const CliCommand command{
    QStringLiteral("convert"),
    QStringLiteral(
        "convert IMAGE OUT.kvn --mode hires|multicolor [--layout 0|1|2] "
        "[--dither none|diffusion|ordered|floyd-steinberg|atkinson|sierra-lite|bayer2|bayer4|"
        "bayer8|refined] [--distance euclidean|weighted|perceptual] [--method cells|most-used] "
        "[--palette N] [--background C] [--border C] [--slot S=C]... "
        "[--align-top left|right] [--align-bottom left|right] [--fit|--stretch] "
        "[--scaling smooth|sharp] [--curve rgb|r|g|b=X:Y,X:Y,...]..."),
    runConvert};
const CliRegistration registration(command);

const QStringList DitherNames = {"none",     "diffusion",   "ordered", "floyd-steinberg",
                                 "atkinson", "sierra-lite", "bayer2",  "bayer4",
                                 "bayer8",   "refined"};

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

// "S=C": slot 0..9 takes colour 0..15.
bool applySlot(const QString &text, std::array<quint8, ColorSlotCount> &slotColors,
               bool &background)
{
    bool okSlot = false, okColor = false;
    const int slot = text.section(u'=', 0, 0).toInt(&okSlot);
    const int color = text.section(u'=', 1).toInt(&okColor);
    if (!okSlot || !okColor || slot < 0 || slot >= ColorSlotCount || color < 0 || color > 15)
        return false;
    slotColors[size_t(slot)] = quint8(color);
    background |= slot == int(ColorSlot::Background);
    return true;
}

// "CHANNEL=X:Y,X:Y,...": the control points of one curve, from x 0 to x 255.
bool applyCurve(const QString &text, CurvesModel &curves)
{
    const int channel =
        int(QStringList{"rgb", "r", "g", "b"}.indexOf(text.section(u'=', 0, 0).toLower()));
    const QStringList points = text.section(u'=', 1).split(u',');
    if (channel < 0 || points.size() < 2 || points.size() > CurvesModel::MaxPoints)
        return false;
    QList<QPoint> parsed;
    for (const QString &point : points) {
        bool okX = false, okY = false;
        const int x = point.section(u':', 0, 0).toInt(&okX), y = point.section(u':', 1).toInt(&okY);
        if (!okX || !okY || x < 0 || x > 255 || y < 0 || y > 255 ||
            (!parsed.isEmpty() && x <= parsed.last().x()))
            return false;
        parsed.append(QPoint(x, y));
    }
    if (parsed.first().x() != 0 || parsed.last().x() != 255)
        return false;
    curves.movePoint(channel, 0, 0, parsed.first().y(), 1);
    curves.movePoint(channel, 1, 255, parsed.last().y(), 1);
    for (qsizetype k = 1; k + 1 < parsed.size(); ++k)
        if (curves.addPoint(channel, parsed[k].x(), parsed[k].y(), 1) < 0)
            return false;
    return true;
}

int runConvert(const QStringList &args)
{
    QStringList files;
    int mode = -1, layout = 0, dither = 0, distance = int(ColorMetric::Perceptual), palette = 0,
        method = 0, fit = 0, smooth = 1, top = 0, bottom = 0;
    std::array<quint8, ColorSlotCount> slotColors = Project().slotBytes();
    bool backgroundGiven = false;
    CurvesModel curves;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        int *target = nullptr;
        int value = -1;
        if (arg == QLatin1String("--mode"))
            value = takeChoice(args, i, {"hires", "multicolor"}), target = &mode;
        else if (arg == QLatin1String("--layout"))
            value = takeNumber(args, i, 3), target = &layout;
        else if (arg == QLatin1String("--dither"))
            value = takeChoice(args, i, DitherNames), target = &dither;
        else if (arg == QLatin1String("--distance"))
            value = takeChoice(args, i, {"euclidean", "weighted", "perceptual"}),
            target = &distance;
        else if (arg == QLatin1String("--method"))
            value = takeChoice(args, i, {"cells", "most-used"}), target = &method;
        else if (arg == QLatin1String("--palette"))
            value = takeNumber(args, i, PaletteVariantCount), target = &palette;
        else if (arg == QLatin1String("--align-top"))
            value = takeChoice(args, i, {"left", "right"}), target = &top;
        else if (arg == QLatin1String("--align-bottom"))
            value = takeChoice(args, i, {"left", "right"}), target = &bottom;
        else if (arg == QLatin1String("--scaling"))
            value = takeChoice(args, i, {"sharp", "smooth"}), target = &smooth;
        else if (arg == QLatin1String("--fit") || arg == QLatin1String("--stretch"))
            fit = arg == QLatin1String("--fit");
        else if (arg == QLatin1String("--background") || arg == QLatin1String("--border")) {
            value = takeNumber(args, i, 16);
            if (value < 0)
                return cliUsageError(command);
            const bool isBackground = arg == QLatin1String("--background");
            slotColors[size_t(isBackground ? ColorSlot::Background : ColorSlot::Border)] =
                quint8(value);
            backgroundGiven |= isBackground;
        } else if (arg == QLatin1String("--slot")) {
            if (++i >= args.size() || !applySlot(args.at(i), slotColors, backgroundGiven))
                return cliUsageError(command);
        } else if (arg == QLatin1String("--curve")) {
            if (++i >= args.size() || !applyCurve(args.at(i), curves))
                return cliUsageError(command);
        } else if (arg.startsWith(QLatin1String("--")))
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

    Project project(
        CanvasMode(mode), -1, -1,
        LayoutSpec{CanvasLayout(layout), BorderAlignment(top), BorderAlignment(bottom)});
    project.setPaletteVariant(palette);
    ConversionOptions options;
    options.mode = project.mode();
    options.layout = project.layoutSpec();
    options.dither = DitherKind(dither);
    options.distance = ColorMetric(distance);
    options.slotBytes = slotColors;
    options.paletteVariant = palette;
    options.method = ConversionMethod(method);
    options.chooseBackground = !backgroundGiven && project.mode() == CanvasMode::Multicolor;
    RgbPicture picture;
    QString readError;
    switch (cliReadPicture(files.at(0), conversionSourceSize(project.mode(), project.size()), fit,
                           smooth, picture, readError)) {
    case CliPictureRead::Read:
        break;
    case CliPictureRead::Failed:
        cliErr(QStringLiteral("cannot read %1: %2").arg(files.at(0), readError));
        return 1;
    case CliPictureRead::NeedsFullReader:
        return CliNeedsFullProgram;
    }
    const ConversionResult result = convertImage(picture, project.size(), curves, options);
    const QRect changed =
        applyConversion(project, result.colormap, result.slotBytes, options.layout);
    if (!cliSaveProject(project, files.at(1)))
        return 1;
    cliOut(QStringLiteral("{\"changed\":%1}").arg(cliRectJson(changed)));
    return 0;
}

} // namespace
