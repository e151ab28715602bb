// The shape tool repaints the whole stage on every pointer move while a
// shape is dragged out or edited; this prints what one such preview costs.
#include "paint/shaperenderer.h"

#include "document/project.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

// Median over `runs` of painting `shapes` into a copy of the colormap, in ms.
double timeStage(const Project &project, const QList<StagedShape> &shapes, int runs)
{
    StrokeRenderer strokes;
    strokes.prepare(project);
    ShapeRenderer renderer(strokes);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Colormap copy = project.colormap();
        QElapsedTimer timer;
        timer.start();
        PaintPass pass = strokes.beginPreview(project, copy);
        renderer.paintAll(pass, shapes, {});
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

StagedShape shape(ShapeKind kind, QPointF centre, QPointF half, int width, bool filled)
{
    StagedShape s;
    s.kind = kind;
    s.centre = centre;
    s.halfSize = half;
    s.width = width;
    s.filled = filled;
    return s;
}

} // namespace

int main()
{
    const int runs = 30;
    const Project hires(CanvasMode::Hires, 320, 200);
    const Project multicolor(CanvasMode::Multicolor, 160, 200);
    std::printf(
        "one circle filling a hires screen, width 3:   %.3f ms (goal < 16 ms)\n",
        timeStage(hires, {shape(ShapeKind::Circle, {160, 100}, {150, 95}, 3, false)}, runs));
    std::printf("the same, filled:                             %.3f ms (goal < 16 ms)\n",
                timeStage(hires, {shape(ShapeKind::Circle, {160, 100}, {150, 95}, 3, true)}, runs));
    QList<StagedShape> stage;
    for (int i = 0; i < 10; ++i) {
        StagedShape s = shape(ShapeKind(1 + i % 3), {40.0 + 24 * i, 100}, {30, 40}, 8, i % 2);
        s.antialiased = true;
        stage << s;
    }
    std::printf("ten anti-aliased width 8 shapes, multicolor:  %.3f ms (goal < 16 ms)\n",
                timeStage(multicolor, stage, runs));
    return 0;
}
