#include "canvassizerules.h"

#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace CanvasSizeRules {

int widthStep(CanvasMode mode) { return cellSize(mode).width(); }
int heightStep() { return 8; }
int minimumWidth(CanvasMode mode) { return widthStep(mode); }
int minimumHeight() { return 8; }

int snap(int value, int step)
{
    const int v = value + step / 2;
    return std::max(step, v - v % step);
}

int snapWidth(int width, CanvasMode mode)
{
    return std::clamp(snap(width, widthStep(mode)), minimumWidth(mode), MaxSize);
}

int snapHeight(int height) { return std::clamp(snap(height, heightStep()), minimumHeight(), MaxSize); }

int rescaleWidth(int width, CanvasMode from, CanvasMode to)
{
    return int(std::lround(width * modePixelWidth(from) / modePixelWidth(to)));
}

int onScreenWidth(int width, CanvasMode mode) { return int(std::lround(width * modePixelWidth(mode))); }

} // namespace CanvasSizeRules
