// How close a conversion looks to the photo it came from. Each test photo is
// scaled to 320 x 200 and converted in both modes with its best dither; the
// result is shown at 320 x 200 screen pixels, both pictures are blurred as a
// screen and the eye merge dithered pixels (Gaussian, sigma one screen pixel)
// and the mean CIE76 distance in CIELAB is printed beside the goal.
#include "conversion/curvesmodel.h"
#include "conversion/imageconverter.h"
#include "document/project.h"

#include <QElapsedTimer>
#include <QImageReader>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

constexpr int Width = 320, Height = 200;

struct Photo {
    const char *file;
    const char *name;
    double goal[2]; // hires, multicolor
};

const Photo Photos[] = {{"kodim01.png", "kodim01", {11.5, 11.0}},
                        {"flower.png", "flower", {16.0, 16.3}},
                        {"board.jpg", "board", {16.4, 14.9}}};

using Plane = std::vector<double>; // three channels per pixel

Plane planeOf(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Plane plane(size_t(Width) * Height * 3);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const QRgb c = rgb.pixel(x, y);
            double *p = &plane[(size_t(y) * Width + x) * 3];
            p[0] = qRed(c);
            p[1] = qGreen(c);
            p[2] = qBlue(c);
        }
    return plane;
}

// Separable Gaussian, edges repeated.
Plane blurred(const Plane &in)
{
    constexpr int Radius = 4;
    std::array<double, 2 * Radius + 1> kernel{};
    double sum = 0.0;
    for (int i = -Radius; i <= Radius; ++i)
        sum += kernel[size_t(i + Radius)] = std::exp(-0.5 * i * i);
    for (double &k : kernel)
        k /= sum;
    Plane across(in.size()), out(in.size());
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            for (int c = 0; c < 3; ++c) {
                double v = 0.0;
                for (int i = -Radius; i <= Radius; ++i)
                    v += kernel[size_t(i + Radius)] *
                         in[(size_t(y) * Width + std::clamp(x + i, 0, Width - 1)) * 3 + c];
                across[(size_t(y) * Width + x) * 3 + c] = v;
            }
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            for (int c = 0; c < 3; ++c) {
                double v = 0.0;
                for (int i = -Radius; i <= Radius; ++i)
                    v += kernel[size_t(i + Radius)] *
                         across[(size_t(std::clamp(y + i, 0, Height - 1)) * Width + x) * 3 + c];
                out[(size_t(y) * Width + x) * 3 + c] = v;
            }
    return out;
}

// sRGB (D65) to CIELAB, in place.
void toLab(Plane &plane)
{
    auto linear = [](double v) {
        v /= 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    auto f = [](double t) {
        return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
    };
    for (size_t i = 0; i < plane.size(); i += 3) {
        const double r = linear(plane[i]), g = linear(plane[i + 1]), b = linear(plane[i + 2]);
        const double fx = f((0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047);
        const double fy = f(0.2126729 * r + 0.7151522 * g + 0.0721750 * b);
        const double fz = f((0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883);
        plane[i] = 116.0 * fy - 16.0;
        plane[i + 1] = 500.0 * (fx - fy);
        plane[i + 2] = 200.0 * (fy - fz);
    }
}

double meanDistance(const Plane &a, const Plane &b)
{
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); i += 3)
        sum += std::sqrt((a[i] - b[i]) * (a[i] - b[i]) +
                         (a[i + 1] - b[i + 1]) * (a[i + 1] - b[i + 1]) +
                         (a[i + 2] - b[i + 2]) * (a[i + 2] - b[i + 2]));
    return sum / (double(Width) * Height);
}

// The result at 320 x 200 screen pixels in the first palette variant.
QImage screenImage(const Colormap &colormap, CanvasMode mode)
{
    const int wide = mode == CanvasMode::Multicolor ? 2 : 1;
    QImage image(Width, Height, QImage::Format_RGB32);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            image.setPixel(x, y, paletteRgb(0, colormap.pixel(x / wide, y)));
    return image;
}

// The best dither's distance for one photo, mode and method, and the time
// that conversion took.
struct Score {
    double distance = 1e9;
    int dither = 0;
    double ms = 0.0;
};

Score bestScore(const QImage &source, const Plane &reference, CanvasMode mode, bool classic,
                bool verbose)
{
    const Project project(mode);
    Score best;
    for (int dither = 0; dither < (classic ? 3 : DitherKindCount); ++dither) {
        ConversionOptions options;
        options.mode = mode;
        options.dither = DitherKind(dither);
        if (classic) {
            options.method = ConversionMethod::MostUsed;
            options.distance = ColorMetric::Weighted;
        } else {
            options.chooseBackground = mode == CanvasMode::Multicolor;
        }
        QElapsedTimer timer;
        timer.start();
        const Colormap result = convert(source, project.size(), CurvesModel(), options);
        const double ms = timer.nsecsElapsed() / 1e6;
        Plane shown = blurred(planeOf(screenImage(result, mode)));
        toLab(shown);
        const double distance = meanDistance(reference, shown);
        if (verbose)
            std::printf("    %s dither %d: %.2f (%.1f ms)\n", classic ? "before" : "after", dither,
                        distance, ms);
        if (distance < best.distance)
            best = {distance, dither, ms};
    }
    return best;
}

} // namespace

// Before: dither against all 16 colours, then keep each cell's most used
// (Weighted distance, the shared background black, the three classic
// dithers). After: the cell's colours first (Perceptual distance, the
// background chosen for the picture, every dither).
int main(int argc, char *argv[])
{
    const bool verbose = argc > 1 && QByteArray(argv[1]) == "-v";
    std::printf("%-8s %-10s %7s %7s %6s  %-6s %8s\n", "photo", "mode", "before", "after", "goal",
                "dither", "ms");
    int missed = 0;
    for (const Photo &photo : Photos) {
        QImageReader reader(QStringLiteral(KORVEN_TESTDATA_DIR "/photos/") +
                            QString::fromLatin1(photo.file));
        reader.setAutoTransform(true);
        const QImage scaled =
            reader.read().scaled(Width, Height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (scaled.isNull()) {
            std::printf("cannot read %s\n", photo.file);
            return 1;
        }
        Plane reference = blurred(planeOf(scaled));
        toLab(reference);
        for (CanvasMode mode : {CanvasMode::Multicolor, CanvasMode::Hires}) {
            const QImage source = scaled.scaled(conversionSourceSize(mode, Project(mode).size()),
                                                Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const Score before = bestScore(source, reference, mode, true, verbose);
            const Score after = bestScore(source, reference, mode, false, verbose);
            const double goal = photo.goal[mode == CanvasMode::Multicolor ? 1 : 0];
            missed += after.distance > goal;
            std::printf("%-8s %-10s %7.1f %7.1f %s%4.1f  %-6d %8.1f\n", photo.name,
                        mode == CanvasMode::Multicolor ? "multicolor" : "hires", before.distance,
                        after.distance, after.distance <= goal ? "<=" : "! ", goal, after.dither,
                        after.ms);
        }
    }
    std::printf("%s\n", missed ? "goals missed" : "every goal met");
    return 0;
}
