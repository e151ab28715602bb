#pragma once

#include "canvastypes.h"

#include <QString>

// How a colour slot presents itself: tooltip label and dashboard icon name.
struct ColorSlotInfo {
    static QString label(ColorSlot slot, CanvasLayout layout);
    static QString iconName(ColorSlot slot, CanvasLayout layout);
    static QString toolTip(ColorSlot slot, CanvasLayout layout);
};
