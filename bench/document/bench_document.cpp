// Rendering the colormap into the artwork image and finding the units a
// brush touches run on every pen move; this prints what they cost.
#include "document/geometry.h"
#include "document/project.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <cstdio>

namespace {

template <typename F>
double microsecondsPerCall(int iterations, F &&f)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < iterations; ++i)
        f(i);
    return timer.nsecsElapsed() / 1000.0 / iterations;
}

void benchRender(int w, int h, int iterations)
{
    Colormap map(w, h);
    QRandomGenerator rng(1);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            map.setPixel(x, y, quint8(rng.bounded(16)));
    }
    QImage image(w, h, QImage::Format_RGB32);
    const double us = microsecondsPerCall(iterations, [&](int i) { map.render(image, map.rect(), i % 10); });
    std::printf("Colormap::render %4d x %4d: %9.1f us\n", w, h, us);
}

void benchUnits(CanvasMode mode, CanvasLayout layout, const char *name)
{
    const LayoutSpec spec{layout};
    const QSize size = defaultCanvasSize(mode, spec, 1);
    volatile int sink = 0;
    const double us = microsecondsPerCall(200000, [&](int i) {
        const QRect brush((i * 7) % size.width() - 16, (i * 13) % size.height() - 16, 32, 32);
        sink = sink + unitRectsTouching(brush, mode, size, spec).width();
    });
    std::printf("unitRectsTouching 32 px brush, %-22s: %6.3f us\n", name, us);
}

} // namespace

int main()
{
    benchRender(320, 200, 2000);
    benchRender(1280, 800, 200);
    benchUnits(CanvasMode::Hires, CanvasLayout::BitmapOnly, "hires bitmap");
    benchUnits(CanvasMode::Multicolor, CanvasLayout::SideBorderSprites, "multicolor side sprites");
    benchUnits(CanvasMode::Hires, CanvasLayout::TopBottomBorderSprites, "hires top/bottom sprites");
    return 0;
}
