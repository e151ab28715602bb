// A flood fill runs on every click and its preview on every pointer move
// over the canvas; this prints what a whole-canvas fill and a contour round
// a 100 x 100 blob cost.
#include "paint/floodfill.h"

#include "document/project.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

double medianMs(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median over `runs` of one click on a fresh copy of `start`, in ms.
double timeClick(const Project &start, const FillSettings &settings, QPoint at, bool ctrl, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Project p = start;
        StrokeRenderer renderer;
        renderer.prepare(p);
        FloodFill fill(renderer);
        QElapsedTimer timer;
        timer.start();
        fill.apply(p, settings, at, ctrl, {quint8(1 + i % 2 * 4), 0});
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return medianMs(times);
}

} // namespace

int main()
{
    const int runs = 50;
    const Project hires(CanvasMode::Hires, 320, 200);
    const Project multicolor(CanvasMode::Multicolor, 160, 200);
    FillSettings s;
    std::printf("fill 320x200 hires, one colour:      %.3f ms (goal < 2 ms)\n",
                timeClick(hires, s, QPoint(100, 100), false, runs));
    std::printf("fill 160x200 multicolor, one colour: %.3f ms (goal < 2 ms)\n",
                timeClick(multicolor, s, QPoint(80, 100), false, runs));

    // A round blob 100 display pixels across: 50 x 100 multicolor pixels.
    Project blob = multicolor;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 50; ++x)
            if ((x - 24.5) * (x - 24.5) * 4 + (y - 49.5) * (y - 49.5) <= 50 * 50)
                blob.colormap().setPixel(55 + x, 50 + y, 2);
    const char *names[] = {"center", "outside", "inside"};
    for (int width : {1, 8}) {
        for (int placement = 0; placement < 3; ++placement) {
            s.brush.setWidth(width);
            s.placement = ContourPlacement(placement);
            std::printf("contour round a 100x100 blob, width %d, %-8s %.3f ms\n", width,
                        names[placement], timeClick(blob, s, QPoint(80, 100), true, runs));
        }
    }
    s.brush.antialiased = true;
    s.placement = ContourPlacement::Center;
    std::printf("contour round a 100x100 blob, width 8, center, anti-aliased %.3f ms\n",
                timeClick(blob, s, QPoint(80, 100), true, runs));
    return 0;
}
