// A floating selection re-renders its preview on every pointer move, and the
// ants outline is rebuilt on every selection change; this prints what one
// move of a whole-canvas float and of a lasso float costs (render into a
// copy with clash resolution), and what an outline and a lasso take.
#include "paint/floatingselection.h"
#include "paint/selectiongeometry.h"

#include "document/project.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

template <typename Work> double medianMs(int runs, Work work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work(i);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A star-shaped path of `points` points round the canvas centre.
QList<QPoint> starPath(QSize size, int points)
{
    QList<QPoint> path;
    for (int i = 0; i < points; ++i) {
        const double a = 2 * M_PI * i / points, r = (i % 2 ? 0.45 : 0.25) * size.height();
        path.append(QPoint(int(size.width() / 2 + r * std::cos(a) * size.width() / size.height()),
                           int(size.height() / 2 + r * std::sin(a))));
    }
    return path;
}

} // namespace

int main()
{
    const int runs = 50;
    for (CanvasMode mode : {CanvasMode::Hires, CanvasMode::Multicolor}) {
        Project p(mode);
        QRandomGenerator random(7);
        for (int i = 0; i < 20000; ++i)
            p.colormap().setPixel(random.bounded(p.width()), random.bounded(p.height()),
                                  quint8(random.bounded(16)));
        const char *name = mode == CanvasMode::Hires ? "hires" : "multicolor";
        const QRegion lasso = lassoRegion(starPath(p.size(), 400));
        for (const auto &[what, region] :
             {std::pair("whole canvas", QRegion(p.colormap().rect())), std::pair("lasso", lasso)}) {
            FloatingSelection f = FloatingSelection::lift(p.colormap(), region, false, 0);
            std::printf("%-10s %-12s float move: %.3f ms (goal < 8 ms)\n", name, what,
                        medianMs(runs, [&](int i) {
                            f.moveBy(QPoint(i % 2 ? 3 : -2, 1));
                            Colormap copy = p.colormap();
                            f.render(p, copy);
                        }));
        }
        std::printf("%-10s lasso of 400 points: %.3f ms, its outline: %.3f ms\n", name,
                    medianMs(runs, [&](int) { lassoRegion(starPath(p.size(), 400)); }),
                    medianMs(runs, [&](int) { regionOutline(lasso); }));
    }
    return 0;
}
