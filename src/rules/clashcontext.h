#pragma once

#include "document/canvastypes.h"
#include "document/palette.h"

#include <array>

class Project;

// The rule context every clash test and resolver receives: what the document
// says about mode, shared colours and layout, plus what is being painted.
struct ClashContext {
    CanvasMode mode = CanvasMode::Hires;
    // The colour being painted; read only by the stroke-time functions.
    quint8 penColor = 0;
    // The ten colour slot bytes in ColorSlot order.
    std::array<quint8, ColorSlotCount> slotBytes = {0, 0, 4, 10, 0, 4, 10, 0, 4, 10};
    // Set by one-pixel-wide strokes so a placed pixel replaces what it overwrote.
    quint8 overwriteVictim = 0;
    LayoutSpec layout;
    HiresClashResolution hiresResolution = HiresClashResolution::ReplaceOverwritten;
    // The RGB table used wherever a colour merges into the nearest survivor.
    PaletteVariant paletteVariant = 0;

    quint8 slot(ColorSlot s) const { return slotBytes[size_t(s)]; }

    // The context of a stroke or fill on this project.
    static ClashContext forStroke(const Project &project, quint8 penColor, bool overwriteVictim);
    // The context of a whole-canvas sweep: pen 0, flag clear, ReplaceOverwritten.
    static ClashContext forSweep(const Project &project);
};

// The colours of a unit that never count against its limit, as a bit mask
// over colour indices (bit c set for colour c). A Bitmap region's mask is
// empty on hires and the Background colour on multicolor.
quint16 commonColorMask(const ClashContext &context, RegionKind kind);
