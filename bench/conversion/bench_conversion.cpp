// The converter re-runs on every curve drag, throttled to one conversion per
// 33 ms; one conversion on the dialog's thread should stay within 15 ms. This
// prints what one full-screen conversion costs per dither and mode, and a
// drag of a curve point re-converting at every step. The Refined dither runs
// on a worker while the dialog shows Floyd-Steinberg within the same colours,
// so its own time is printed without the goal.
#include "conversion/curvesmodel.h"
#include "conversion/imageconverter.h"
#include "document/project.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{

constexpr double GoalMs = 15.0;

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

// Processor time of this thread in ms: on a shared machine the wall clock
// also counts the time other processes held the cores.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char *what, double ms, double cpu, bool onTheDialogsThread = true)
{
    std::printf("%-44s %8.2f ms  %8.2f ms cpu  %s\n", what, ms, cpu,
                !onTheDialogsThread ? "(on a worker)"
                : cpu <= GoalMs     ? "(goal 15 ms: met)"
                                    : "(goal 15 ms: OVER)");
}

} // namespace

int main()
{
    const QImage picture = testPicture(QSize(320, 200));
    const char *ditherNames[] = {"none",      "error diffusion", "ordered",   "Floyd-Steinberg",
                                 "Atkinson",  "Sierra Lite",     "Bayer 2x2", "Bayer 4x4",
                                 "Bayer 8x8", "refined"};
    for (CanvasMode mode : {CanvasMode::Hires, CanvasMode::Multicolor}) {
        const Project project(mode);
        // The dialog keeps its picture as an RgbPicture.
        const RgbPicture source =
            RgbPicture::fromImage(picture.scaled(conversionSourceSize(mode, project.size())));
        for (int dither = 0; dither < DitherKindCount; ++dither) {
            ConversionOptions options;
            options.mode = mode;
            options.dither = DitherKind(dither);
            // As the dialog converts: the multicolor background chosen for the picture.
            options.chooseBackground = mode == CanvasMode::Multicolor;
            std::vector<double> times, cpu;
            QElapsedTimer timer;
            for (int run = 0; run < 9; ++run) {
                timer.start();
                const double start = cpuMs();
                const Colormap result = convert(source, project.size(), CurvesModel(), options);
                cpu.push_back(cpuMs() - start);
                times.push_back(timer.nsecsElapsed() / 1e6);
                if (result.isEmpty())
                    return 1;
            }
            char label[96];
            std::snprintf(label, sizeof label, "320x200 %s, %s",
                          mode == CanvasMode::Hires ? "hires" : "multicolor", ditherNames[dither]);
            report(label, median(times), median(cpu), options.dither != DitherKind::Refined);
        }
    }

    // A drag: the point moves one step, the table is rebuilt, the picture
    // converts again, as the dialog does when the throttle lets it.
    const Project project(CanvasMode::Multicolor);
    const RgbPicture source =
        RgbPicture::fromImage(picture.scaled(conversionSourceSize(project.mode(), project.size())));
    ConversionOptions options;
    options.mode = project.mode();
    options.dither = DitherKind::ErrorDiffusion;
    options.chooseBackground = true;
    CurvesModel curves;
    const int point = curves.addPoint(CurvesModel::Master, 128, 128, 7);
    std::vector<double> times, cpu;
    QElapsedTimer timer;
    for (int step = 0; step < 60; ++step) {
        timer.start();
        const double start = cpuMs();
        curves.movePoint(CurvesModel::Master, point, 100 + step, 90 + 2 * step, 7);
        const Colormap result = convert(source, project.size(), curves, options);
        cpu.push_back(cpuMs() - start);
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (result.isEmpty())
            return 1;
    }
    report("curve drag step (multicolor, diffusion)", median(times), median(cpu));
    return 0;
}
