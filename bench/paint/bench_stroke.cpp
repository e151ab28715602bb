// A 1,000-segment freehand stroke across a multicolor 320 x 200 canvas, at
// widths 1, 8 and 32, round and square, with and without anti-aliasing and
// Kaleidoscope symmetry. Each changed rectangle is rendered into the artwork
// image as the canvas would. Prints microseconds per segment.
//
//   bench_stroke [repeats]

#include "paint/penstroke.h"
#include "paint/strokerenderer.h"

#include "document/project.h"

#include <QElapsedTimer>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{

constexpr int Segments = 1000;

// A looping freehand path over the whole canvas, a few pixels per segment.
QList<QPoint> freehandPath(QSize canvas)
{
    QList<QPoint> path;
    for (int i = 0; i <= Segments; ++i) {
        const double t = double(i) / Segments * 2.0 * M_PI;
        const double x = (0.5 + 0.45 * std::sin(3.0 * t)) * (canvas.width() - 1);
        const double y = (0.5 + 0.45 * std::sin(4.0 * t + 0.7)) * (canvas.height() - 1);
        path.append(QPoint(int(std::lround(x)), int(std::lround(y))));
    }
    return path;
}

double runOnce(int width, BrushShape shape, bool antialiased, bool kaleidoscope)
{
    Project project(CanvasMode::Multicolor);
    StrokeRenderer renderer;
    renderer.prepare(project);
    PenStroke pen(renderer);
    QImage artwork = project.colormap().toImage(project.paletteVariant());

    PenSettings settings;
    settings.brush.setWidth(width);
    settings.brush.shape = shape;
    settings.brush.antialiased = antialiased;
    if (kaleidoscope)
        settings.transforms =
            symmetryTransforms(SymmetryMode::Kaleidoscope, SymmetryAxes::centreOf(project.size()),
                               2, project.view().displayAspect());
    const QList<QPoint> path = freehandPath(project.size());

    QElapsedTimer timer;
    timer.start();
    PenEvent e;
    e.pixel = path.first();
    pen.press(project, settings, e, {1, 0}, std::nullopt);
    for (int i = 1; i <= Segments; ++i) {
        e.pixel = path[i];
        const QRect changed = pen.move(project, settings, e);
        if (!changed.isEmpty())
            project.colormap().render(artwork, changed, project.paletteVariant());
    }
    const StrokeCommit commit = pen.release(project, settings, e);
    const double us = double(timer.nsecsElapsed()) / 1000.0 / Segments;
    if (!commit.recorded)
        std::fprintf(stderr, "warning: the stroke recorded nothing\n");
    return us;
}

} // namespace

int main(int argc, char **argv)
{
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("%d-segment stroke, multicolor 320 x 200, best of %d, us per segment\n", Segments,
                repeats);
    std::printf("%-6s %-7s %-5s %-13s %10s\n", "width", "shape", "aa", "symmetry", "us/seg");
    for (bool kaleidoscope : {false, true}) {
        for (bool antialiased : {false, true}) {
            for (BrushShape shape : {BrushShape::Round, BrushShape::Square}) {
                for (int width : {1, 8, 32}) {
                    double best = 1e300;
                    for (int r = 0; r < repeats; ++r)
                        best = std::min(best, runOnce(width, shape, antialiased, kaleidoscope));
                    std::printf("%-6d %-7s %-5s %-13s %10.1f\n", width,
                                shape == BrushShape::Round ? "round" : "square",
                                antialiased ? "on" : "off", kaleidoscope ? "kaleidoscope" : "none",
                                best);
                }
            }
        }
    }
    return 0;
}
