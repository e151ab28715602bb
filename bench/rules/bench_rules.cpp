// The clash rules run on every pen move and before every export; this prints
// what a brush-sized resolve, a canvas check and a whole-canvas sweep cost.
#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashrules.h"
#include "rules/ruleedits.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

void scribble(Colormap &colormap, quint32 seed)
{
    QRandomGenerator rng(seed);
    quint8 *bits = colormap.bits();
    const qsizetype n = qsizetype(colormap.width()) * colormap.height();
    for (qsizetype i = 0; i < n; ++i)
        bits[i] = quint8(rng.bounded(16));
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Brush positions that each meet fresh cells of a 4096 x 4096 canvas.
std::vector<QRect> brushPositions(QSize size, int brush)
{
    std::vector<QRect> rects;
    for (int y = 0; y + brush <= size.height(); y += brush + 7)
        for (int x = 0; x + brush <= size.width(); x += brush + 3)
            rects.push_back(QRect(x, y, brush, brush));
    return rects;
}

void benchBrushSweep()
{
    Project project(CanvasMode::Multicolor, 4096, 4096);
    scribble(project.colormap(), 1);
    const ClashContext context = ClashContext::forSweep(project);
    Colormap &colormap = project.colormap();
    std::vector<double> clashing;
    QElapsedTimer timer;
    const std::vector<QRect> rects = brushPositions(colormap.size(), 33);
    for (const QRect &r : rects) {
        timer.start();
        resolveClashes(context, colormap, r);
        clashing.push_back(timer.nsecsElapsed() / 1000.0);
    }
    // The same rectangles again: now legal, the usual case during a stroke.
    std::vector<double> legal;
    for (const QRect &r : rects) {
        timer.start();
        resolveClashes(context, colormap, r);
        legal.push_back(timer.nsecsElapsed() / 1000.0);
    }
    std::printf("resolveClashes, 33 x 33 brush, multicolor, every cell clashing: median %6.2f us "
                "(%zu calls)\n",
                median(clashing), clashing.size());
    std::printf("resolveClashes, 33 x 33 brush, multicolor, legal cells:         median %6.2f us\n",
                median(legal));
}

void benchStrokeResolve(CanvasMode mode, const char *name)
{
    Project project(mode, 4096, 4096);
    scribble(project.colormap(), 2);
    Colormap &colormap = project.colormap();
    resolveClashes(ClashContext::forSweep(project), colormap, colormap.rect());
    QRandomGenerator rng(3);
    std::vector<double> times;
    QElapsedTimer timer;
    for (const QRect &r : brushPositions(colormap.size(), 33)) {
        const quint8 pen = quint8(rng.bounded(16));
        const ClashContext context = ClashContext::forStroke(project, pen, false);
        const Colormap before = colormap.copy(r);
        // A round 33-pixel dab.
        const QPoint c = r.center();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if ((x - c.x()) * (x - c.x()) + (y - c.y()) * (y - c.y()) <= 16 * 16)
                    colormap.setPixel(x, y, pen);
        timer.start();
        resolveStrokeClashes(context, colormap, before, r);
        times.push_back(timer.nsecsElapsed() / 1000.0);
    }
    std::printf("resolveStrokeClashes, 33 x 33 dab, %-10s:                 median %6.2f us "
                "(%zu calls)\n",
                name, median(times), times.size());
}

void benchCanvasHasClash(CanvasMode mode, int w, int h)
{
    Project project(mode, w, h);
    scribble(project.colormap(), 4);
    resolveClashes(ClashContext::forSweep(project), project.colormap(), project.colormap().rect());
    const ClashContext context = ClashContext::forSweep(project);
    const int iterations = w * h > 1000000 ? 5 : 200;
    volatile bool sink = false;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < iterations; ++i)
        sink = sink || canvasHasClash(context, project.colormap());
    std::printf("canvasHasClash, legal %-10s %4d x %4d:                    %9.1f us%s\n",
                mode == CanvasMode::Hires ? "hires" : "multicolor", w, h,
                timer.nsecsElapsed() / 1000.0 / iterations, sink ? " (clash?)" : "");
}

void benchResolveAll(CanvasMode mode, int w, const char *name)
{
    Project original(mode, w, 200);
    scribble(original.colormap(), 5);
    const int iterations = 50;
    double total = 0;
    QElapsedTimer timer;
    for (int i = 0; i < iterations; ++i) {
        Project project = original;
        timer.start();
        resolveAllClashes(project);
        total += timer.nsecsElapsed() / 1000.0;
    }
    std::printf("resolveAllClashes, fully clashing %-10s %d x 200, with history: %9.1f us\n", name,
                w, total / iterations);
}

} // namespace

int main()
{
    benchBrushSweep();
    benchStrokeResolve(CanvasMode::Multicolor, "multicolor");
    benchStrokeResolve(CanvasMode::Hires, "hires");
    benchCanvasHasClash(CanvasMode::Hires, 320, 200);
    benchCanvasHasClash(CanvasMode::Multicolor, 160, 200);
    benchCanvasHasClash(CanvasMode::Hires, 4096, 4096);
    benchCanvasHasClash(CanvasMode::Multicolor, 4096, 4096);
    benchResolveAll(CanvasMode::Hires, 320, "hires");
    benchResolveAll(CanvasMode::Multicolor, 160, "multicolor");
    return 0;
}
