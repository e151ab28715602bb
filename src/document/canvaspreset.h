#pragma once

#include "canvastypes.h"

#include <QList>

// The eight canvases of File → New, with the main window slot that makes each.
struct CanvasPreset {
    const char *text;
    const char *slot;
    CanvasMode mode;
    CanvasLayout layout;
    int screens;

    static const QList<CanvasPreset> &all();
};
