// Times CanvasArea's paintEvent on a 1920 x 1080 widget: full repaints at
// zoom 1, 4 and 16 with reference grids, pixel grid and safe frames on, and
// the repaint of a 40 x 40 canvas area at zoom 8. Prints milliseconds per
// paint: the median and mean wall time of the runs, and the mean processor
// time of the whole process (all threads), which other work on a shared
// machine disturbs less. Run with QT_QPA_PLATFORM=offscreen.

#include "canvas/canvasarea.h"
#include "paint/paintsettings.h"

#include "document/project.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{

struct Figures {
    double median = 0.0;
    double mean = 0.0;
    double cpu = 0.0;
};

double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template <typename Paint> Figures timeRuns(int runs, Paint paint)
{
    std::vector<double> ms;
    ms.reserve(runs);
    const double cpuStart = processCpuMs();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        paint();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    Figures f;
    f.cpu = (processCpuMs() - cpuStart) / runs;
    std::sort(ms.begin(), ms.end());
    f.median = ms[ms.size() / 2];
    for (double v : ms)
        f.mean += v;
    f.mean /= ms.size();
    return f;
}

void centreAt(CanvasArea &canvas, Project &project, double zoom)
{
    project.view().setZoom(zoom);
    const QPointF centre(project.width() / 2.0, project.height() / 2.0);
    project.view().setOffset(QPointF(0, 0));
    const QPointF at = project.view().toWidget(centre);
    project.view().setOffset(QPointF(canvas.width() / 2.0, canvas.height() / 2.0) - at);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    // "plain" as the second argument times the same paints without overlays.
    const QByteArray only = argc > 2 ? QByteArray(argv[2]) : QByteArray();
    const bool overlays = only != "plain";

    for (const auto &[name, layout] :
         {std::pair{"hires top/bottom sprites", CanvasLayout::TopBottomBorderSprites},
          std::pair{"hires side sprites", CanvasLayout::SideBorderSprites}}) {
        LayoutSpec spec;
        spec.layout = layout;
        Project project(CanvasMode::Hires, -1, -1, spec);
        QRandomGenerator random(42);
        quint8 *bits = project.colormap().bits();
        for (int i = 0; i < project.width() * project.height(); ++i)
            bits[i] = quint8(random.bounded(16));

        PaintSettings paint;

        CanvasArea canvas(project, paint);
        canvas.resize(1920, 1080);
        canvas.show();
        QApplication::processEvents();
        canvas.refreshWholeImage();
        canvas.setGridVisible(overlays && only != "pixel" && only != "safe");
        canvas.setPixelGridVisible(overlays && only != "grid" && only != "safe");
        canvas.setSafeFramesVisible(overlays && only != "grid" && only != "pixel");

        std::printf("%s, 1920 x 1080, grids and safe frames %s, %d runs\n", name,
                    overlays ? "on" : "off", runs);
        for (double zoom : {1.0, 4.0, 16.0}) {
            centreAt(canvas, project, zoom);
            canvas.repaint();
            const Figures f = timeRuns(runs, [&] { canvas.repaint(); });
            std::printf(
                "  full repaint   zoom %4.0f: median %6.2f ms, mean %6.2f ms, cpu %6.2f ms%s\n",
                zoom, f.median, f.mean, f.cpu, zoom == 4.0 ? "  (goal 2.5 ms)" : "");
        }
        project.view().setRotation(30.0);
        centreAt(canvas, project, 4.0);
        canvas.repaint();
        const Figures turned = timeRuns(runs, [&] { canvas.repaint(); });
        std::printf("  full repaint   zoom    4 turned 30 degrees: median %6.2f ms, mean %6.2f ms, "
                    "cpu %6.2f ms  (goal 4 ms)\n",
                    turned.median, turned.mean, turned.cpu);
        project.view().setRotation(0.0);
        centreAt(canvas, project, 8.0);
        canvas.repaint();
        const QRect area(140, 80, 40, 40);
        const Figures region = timeRuns(runs, [&] {
            canvas.refreshImageRegion(area);
            QApplication::sendPostedEvents(&canvas, QEvent::UpdateRequest);
            canvas.repaint(project.view().widgetFromCanvas().mapRect(QRectF(area)).toAlignedRect());
        });
        std::printf("  40 x 40 region zoom    8: median %6.2f ms, mean %6.2f ms, cpu %6.2f ms\n",
                    region.median, region.mean, region.cpu);
    }
    return 0;
}
