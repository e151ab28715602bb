// The converter re-runs on every curve drag, throttled to one conversion per
// 33 ms; this prints what one full-screen conversion costs per dither and
// mode, and a drag of a curve point re-converting at every step.
#include "conversion/curvesmodel.h"
#include "conversion/imageconverter.h"
#include "document/project.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr double ThrottleMs = 33.0;

// A smooth photo-like picture: gradients with a few rings.
QImage testPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int ring = ((x - 160) * (x - 160) + (y - 100) * (y - 100)) / 64 % 256;
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), ring));
        }
    return image;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char *what, double ms)
{
    std::printf("%-44s %8.2f ms   (%4.1f%% of the %.0f ms throttle)\n", what, ms,
                100.0 * ms / ThrottleMs, ThrottleMs);
}

} // namespace

int main()
{
    const QImage picture = testPicture(QSize(320, 200));
    const char *ditherNames[] = {"none", "error diffusion", "ordered"};
    for (CanvasMode mode : {CanvasMode::Hires, CanvasMode::Multicolor}) {
        const Project project(mode);
        const QImage source = picture.scaled(conversionSourceSize(mode, project.size()));
        for (int dither = 0; dither < 3; ++dither) {
            ConversionOptions options;
            options.mode = mode;
            options.dither = DitherKind(dither);
            std::vector<double> times;
            QElapsedTimer timer;
            for (int run = 0; run < 25; ++run) {
                timer.start();
                const Colormap result = convert(source, project.size(), CurvesModel(), options);
                times.push_back(timer.nsecsElapsed() / 1e6);
                if (result.isEmpty())
                    return 1;
            }
            char label[96];
            std::snprintf(label, sizeof label, "320x200 %s, %s",
                          mode == CanvasMode::Hires ? "hires" : "multicolor", ditherNames[dither]);
            report(label, median(times));
        }
    }

    // A drag: the point moves one step, the table is rebuilt, the picture
    // converts again, as the dialog does when the throttle lets it.
    const Project project(CanvasMode::Multicolor);
    const QImage source = picture.scaled(conversionSourceSize(project.mode(), project.size()));
    ConversionOptions options;
    options.mode = project.mode();
    options.dither = DitherKind::ErrorDiffusion;
    CurvesModel curves;
    const int point = curves.addPoint(CurvesModel::Master, 128, 128, 7);
    std::vector<double> times;
    QElapsedTimer timer;
    for (int step = 0; step < 60; ++step) {
        timer.start();
        curves.movePoint(CurvesModel::Master, point, 100 + step, 90 + 2 * step, 7);
        const Colormap result = convert(source, project.size(), curves, options);
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (result.isEmpty())
            return 1;
    }
    report("curve drag step (multicolor, diffusion)", median(times));
    return 0;
}
