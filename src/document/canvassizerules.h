#pragma once

#include "canvastypes.h"

#include <QSize>

// Size rules of the New Canvas dialog, kept free of widgets so they can be
// checked directly.
namespace CanvasSizeRules {

constexpr int MaxSize = 4096;
constexpr int MaxScreens = 8;

int widthStep(CanvasMode mode);
int heightStep();
int minimumWidth(CanvasMode mode);
int minimumHeight();
// Snaps to the nearest multiple of step, halves up, never below one step.
int snap(int value, int step);
int snapWidth(int width, CanvasMode mode);
int snapHeight(int height);
// The width that keeps the on-screen width when the mode changes.
int rescaleWidth(int width, CanvasMode from, CanvasMode to);
// On-screen width of a colormap width (the label's first number).
int onScreenWidth(int width, CanvasMode mode);

} // namespace CanvasSizeRules
