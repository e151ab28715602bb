#pragma once

#include "menuentry.h"

#include "document/canvastypes.h"

// What the enabling rules of the menu entries look at.
struct ActionState {
    CanvasMode mode = CanvasMode::Multicolor;
    CanvasLayout layout = CanvasLayout::BitmapOnly;
    bool borderFrame = true; // exactly one C64 screen
    int penWidth = 1;
    bool pressureWidening = true;
    bool referenceImage = false;
    bool selection = false;
    bool clipboard = false;
    int stagedShapes = 0;
    bool recentProjects = false;
};

// The enabling rules of the menu entries, in one place.
class ActionRules
{
public:
    static bool holds(EntryRule rule, const ActionState &state);
};
