// Times a 1,000-segment freehand pen stroke on a multicolor 320 x 200
// canvas (160 x 200 double-wide pixels), and the same path on a 4096 x 4096
// canvas (2048 x 4096 pixels), driven through real mouse events
// into the pen tool: every segment paints through the pipeline (symmetry
// copies, clash repair) and re-renders the changed rectangle of the artwork
// image. The widget is not painted (no event loop runs), so screen drawing
// is not included. Prints
// microseconds per segment for widths 1, 8 and 32, round and square nibs,
// with and without anti-aliasing and Kaleidoscope symmetry: the best and
// the median of the runs (wall time), and the mean processor time.
// Run with QT_QPA_PLATFORM=offscreen.
//
//   bench_penstroke [runs]

#include "canvas/canvasarea.h"
#include "paint/paintsettings.h"

#include "document/project.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{

constexpr int Segments = 1000;

double processCpuUs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

void send(CanvasArea &canvas, QEvent::Type type, QPointF pos, Qt::MouseButton button,
          Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, canvas.mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&canvas, &event);
}

// A looping freehand path across most of the 160 x 200 colormap (double-wide
// pixels), steps of one or two pixels, as a hand on a tablet would draw it.
QPointF pathPoint(int i)
{
    const double t = i * 0.0125;
    return QPointF(80.0 + 70.0 * std::sin(t * 1.7), 100.0 + 85.0 * std::sin(t * 2.9 + 0.4));
}

// Some legal artwork, so the clash repair has work to do.
void fillArtwork(Project &project)
{
    QRandomGenerator random(7);
    Colormap &map = project.colormap();
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x)
            map.setPixel(x, y, quint8((x / 12 + y / 10) % 5 == 0 ? random.bounded(16) : 0));
    resolveClashes(ClashContext::forSweep(project), map, map.rect());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    // A second argument such as "32 round on kaleidoscope" runs only the
    // rows whose text starts with it (for profiling one case).
    const QByteArray only = argc > 2 ? QByteArray(argv[2]).simplified() : QByteArray();
    constexpr double GoalUs = 100.0;

    std::printf("pen stroke of %d segments, multicolor, %d runs; microseconds per segment\n",
                Segments, runs);
    std::printf("%-6s %-6s %-4s %-12s %-11s %8s %8s %8s %8s\n", "width", "nib", "AA", "symmetry",
                "canvas", "best", "median", "cpu", "goal");
    // The same path on the C64 screen and on the largest canvas: a segment
    // must cost the same on both, as nothing canvas-sized is touched per
    // segment.
    for (const QSize size : {QSize(160, 200), QSize(2048, 4096)}) {
        Project project(CanvasMode::Multicolor, size.width(), size.height());
        project.view().setDisplayAspect(1.0);
        fillArtwork(project);
        const Colormap start = project.colormap();
        PaintSettings paint;
        CanvasArea canvas(project, paint);
        canvas.resize(1280, 800);
        canvas.show();
        QApplication::processEvents();
        canvas.reloadProject();
        paint.setPenIndex(1);
        paint.setSecondaryIndex(2);
        const QByteArray sizeText =
            QByteArray::number(size.width() * 2) + 'x' + QByteArray::number(size.height());
        for (int width : {1, 8, 32})
            for (BrushShape shape : {BrushShape::Round, BrushShape::Square})
                for (bool aa : {false, true})
                    for (int symmetry : {0, 5}) {
                        const QByteArray row = QByteArray::number(width) + ' ' +
                                               (shape == BrushShape::Round ? "round" : "square") +
                                               ' ' + (aa ? "on" : "off") + ' ' +
                                               (symmetry ? "kaleidoscope" : "none");
                        if (!row.startsWith(only))
                            continue;
                        paint.setPenWidth(width);
                        paint.setBrushShape(shape);
                        paint.setAntialiasedStrokes(aa);
                        paint.setSymmetryMode(symmetry);
                        // Kaleidoscope copies turn about the path's own centre.
                        paint.setSymmetryAxes(SymmetryAxes{200, 160});
                        std::vector<double> us;
                        double cpu = 0.0;
                        for (int r = 0; r < runs; ++r) {
                            project.colormap() = start;
                            project.history().clear();
                            canvas.refreshWholeImage();
                            const QTransform toWidget = project.view().widgetFromCanvas();
                            send(canvas, QEvent::MouseButtonPress, toWidget.map(pathPoint(0)),
                                 Qt::LeftButton, Qt::LeftButton);
                            const double cpuStart = processCpuUs();
                            QElapsedTimer timer;
                            timer.start();
                            for (int i = 1; i <= Segments; ++i)
                                send(canvas, QEvent::MouseMove, toWidget.map(pathPoint(i)),
                                     Qt::NoButton, Qt::LeftButton);
                            us.push_back(timer.nsecsElapsed() / 1e3 / Segments);
                            cpu += (processCpuUs() - cpuStart) / Segments;
                            send(canvas, QEvent::MouseButtonRelease,
                                 toWidget.map(pathPoint(Segments)), Qt::LeftButton, Qt::NoButton);
                        }
                        std::sort(us.begin(), us.end());
                        std::printf("%-6d %-6s %-4s %-12s %-11s %8.1f %8.1f %8.1f %8.0f\n", width,
                                    shape == BrushShape::Round ? "round" : "square",
                                    aa ? "on" : "off", symmetry ? "kaleidoscope" : "none",
                                    sizeText.constData(), us.front(), us[us.size() / 2], cpu / runs,
                                    GoalUs);
                    }
        if (only.isEmpty() && project.history().nodeCount() != 1) {
            std::fprintf(stderr, "the stroke was not recorded\n");
            return 1;
        }
    }
    return 0;
}
