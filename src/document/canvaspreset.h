#pragma once

#include "canvastypes.h"

#include <QList>

// The eight canvases of File → Presets, each with its menu text (translated
// in the menus' context) and the normalised signature of the main window
// slot that makes it.
struct CanvasPreset {
    const char *text;
    const char *slot;
    CanvasMode mode;
    CanvasLayout layout;
    int screens;

    static const QList<CanvasPreset> &all();
};
