#pragma once

// Test canvases for the PRG export: one screen of a layout with seeded
// random pixels.

#include "document/project.h"
#include "exchange/prgbuilder.h"
#include "rules/ruleedits.h"

#include <QRandomGenerator>

namespace prgtest
{

// Random blocks of colour over the whole canvas and random slot colours,
// with the clashes swept away and the borders trimmed to the budget.
inline Project randomProject(CanvasMode mode, CanvasLayout layout, quint32 seed)
{
    QRandomGenerator dice(seed);
    LayoutSpec spec;
    spec.layout = layout;
    spec.topAlignment = BorderAlignment(dice.bounded(2));
    spec.bottomAlignment = BorderAlignment(dice.bounded(2));
    Project project(mode, -1, -1, spec);
    for (int s = 0; s < ColorSlotCount; ++s)
        project.setSlot(ColorSlot(s), quint8(dice.bounded(16)));
    Colormap &pixels = project.colormap();
    for (int i = 0; i < 400; ++i) {
        const QRect block(dice.bounded(pixels.width()), dice.bounded(pixels.height()),
                          1 + dice.bounded(12), 1 + dice.bounded(12));
        pixels.fillRect(block & pixels.rect(), quint8(dice.bounded(16)));
    }
    resolveAllClashes(project);
    reduceBorderSprites(project);
    return project;
}

} // namespace prgtest
