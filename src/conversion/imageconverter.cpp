#include "imageconverter.h"

#include "curvesmodel.h"

#include "document/geometry.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"

#include <vector>

namespace
{

constexpr int Bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

double clampChannel(double v)
{
    return v < 0.0 ? 0.0 : v > 255.0 ? 255.0 : v;
}

// Each channel through its own curve, then through the master curve.
std::array<CurvesModel::Table, 3> combinedTables(const CurvesModel &curves)
{
    std::array<CurvesModel::Table, 3> tables{};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            tables[size_t(c)][size_t(v)] =
                curves.value(CurvesModel::Master, curves.value(CurvesModel::Red + c, v));
    return tables;
}

// The curved picture as three doubles per colormap pixel.
std::vector<double> workingBuffer(const QImage &rgb, QSize size, bool multicolor,
                                  const std::array<CurvesModel::Table, 3> &tables)
{
    std::vector<double> buffer(size_t(size.width()) * size_t(size.height()) * 3);
    double *out = buffer.data();
    for (int y = 0; y < size.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < size.width(); ++x, out += 3) {
            int r, g, b;
            if (multicolor) {
                const QRgb a = line[2 * x], c = line[2 * x + 1];
                r = (qRed(a) + qRed(c)) / 2;
                g = (qGreen(a) + qGreen(c)) / 2;
                b = (qBlue(a) + qBlue(c)) / 2;
            } else {
                r = qRed(line[x]);
                g = qGreen(line[x]);
                b = qBlue(line[x]);
            }
            out[0] = tables[0][size_t(r)];
            out[1] = tables[1][size_t(g)];
            out[2] = tables[2][size_t(b)];
        }
    }
    return buffer;
}

void spread(double *pixel, const double error[3], double weight)
{
    pixel[0] += error[0] * weight;
    pixel[1] += error[1] * weight;
    pixel[2] += error[2] * weight;
}

} // namespace

QSize conversionSourceSize(CanvasMode mode, QSize canvasSize)
{
    return QSize(canvasSize.width() * (mode == CanvasMode::Multicolor ? 2 : 1),
                 canvasSize.height());
}

Colormap ditherToPalette(const QImage &source, QSize canvasSize, const CurvesModel &curves,
                         const ConversionOptions &options)
{
    if (source.isNull() || canvasSize.isEmpty() ||
        source.size() != conversionSourceSize(options.mode, canvasSize))
        return {};
    const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
    QRgb palette[16];
    for (int i = 0; i < 16; ++i)
        palette[i] = paletteRgb(options.paletteVariant, i);

    const int width = canvasSize.width(), height = canvasSize.height();
    std::vector<double> buffer = workingBuffer(
        rgb, canvasSize, options.mode == CanvasMode::Multicolor, combinedTables(curves));
    Colormap result(width, height);
    quint8 *bits = result.bits();
    const bool diffuse = options.dither == DitherKind::ErrorDiffusion;
    const bool ordered = options.dither == DitherKind::Ordered;
    for (int y = 0; y < height; ++y) {
        double *row = buffer.data() + size_t(y) * size_t(width) * 3;
        for (int x = 0; x < width; ++x) {
            double *pixel = row + size_t(x) * 3;
            double r = pixel[0], g = pixel[1], b = pixel[2];
            if (ordered) {
                const double t = ((Bayer[(y % 4) * 4 + x % 4] + 0.5) * 0.0625 - 0.5) * 64.0;
                r += t;
                g += t;
                b += t;
            }
            r = clampChannel(r);
            g = clampChannel(g);
            b = clampChannel(b);
            int best = 0;
            double bestDistance = colorDistance(r, g, b, palette[0], options.distance);
            for (int c = 1; c < 16; ++c) {
                const double d = colorDistance(r, g, b, palette[c], options.distance);
                if (d < bestDistance) {
                    best = c;
                    bestDistance = d;
                }
            }
            if (diffuse) {
                // Floyd-Steinberg with every weight halved: only half the error travels.
                const double error[3] = {r - qRed(palette[best]), g - qGreen(palette[best]),
                                         b - qBlue(palette[best])};
                const bool right = x + 1 < width;
                if (right)
                    spread(pixel + 3, error, 7.0 / 32.0);
                if (y + 1 < height) {
                    double *below = pixel + size_t(width) * 3;
                    if (x > 0)
                        spread(below - 3, error, 3.0 / 32.0);
                    spread(below, error, 5.0 / 32.0);
                    if (right)
                        spread(below + 3, error, 1.0 / 32.0);
                }
            }
            bits[size_t(y) * size_t(width) + size_t(x)] = quint8(best);
        }
    }
    return result;
}

Colormap convert(const QImage &source, QSize canvasSize, const CurvesModel &curves,
                 const ConversionOptions &options)
{
    Colormap result = ditherToPalette(source, canvasSize, curves, options);
    if (result.isEmpty())
        return result;
    for (const QRect &locked : lockedRects(options.mode, canvasSize, options.layout))
        result.fillRect(locked, options.slotBytes[size_t(ColorSlot::Border)]);
    ClashContext context;
    context.mode = options.mode;
    context.slotBytes = options.slotBytes;
    context.layout = options.layout;
    context.paletteVariant = options.paletteVariant;
    resolveClashes(context, result, result.rect());
    return result;
}
