#pragma once

// Test canvases for the PRG export: one screen of a layout with seeded
// random pixels.

#include "document/project.h"
#include "exchange/prgbuilder.h"
#include "rules/ruleedits.h"

#include <QRandomGenerator>

namespace prgtest
{

// Random blocks of colour over the whole canvas, random slot colours;
// `legal` sweeps the clashes away and trims the borders to the budget.
inline Project randomProject(CanvasMode mode, CanvasLayout layout, quint32 seed, bool legal = true)
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
        const int x = dice.bounded(pixels.width()), y = dice.bounded(pixels.height());
        const int w = 1 + dice.bounded(12), h = 1 + dice.bounded(12);
        const quint8 color = quint8(dice.bounded(16));
        for (int yy = y; yy < qMin(y + h, pixels.height()); ++yy)
            for (int xx = x; xx < qMin(x + w, pixels.width()); ++xx)
                pixels.setPixel(xx, yy, color);
    }
    if (legal) {
        resolveAllClashes(project);
        reduceBorderSprites(project);
    }
    return project;
}

} // namespace prgtest
