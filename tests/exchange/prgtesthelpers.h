#pragma once

// Test canvases for the PRG export: one screen of a layout with seeded
// random pixels, and a C64 run of an exported program.

#include "document/project.h"
#include "exchange/prgbuilder.h"

#include "c64machine.h"

#include <QRandomGenerator>

namespace prgtest
{

// Random blocks of colour over the whole canvas, random slot colours.
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
        const int x = dice.bounded(pixels.width()), y = dice.bounded(pixels.height());
        const int w = 1 + dice.bounded(12), h = 1 + dice.bounded(12);
        const quint8 color = quint8(dice.bounded(16));
        for (int yy = y; yy < qMin(y + h, pixels.height()); ++yy)
            for (int xx = x; xx < qMin(x + w, pixels.width()); ++xx)
                pixels.setPixel(xx, yy, color);
    }
    return project;
}

// Runs a program from its start address until its set-up reaches `until`
// (an address), then `frames` more frames.
inline bool runProgram(C64Machine &machine, const QByteArray &prg, int start, int until, int frames)
{
    machine.loadPrg(prg);
    machine.cpu.pc = uint16_t(start);
    if (!machine.runUntil(uint16_t(until), 40'000'000))
        return false;
    machine.run(int64_t(frames) * machine.cyclesPerLine() * machine.linesPerFrame());
    return !machine.cpu.jammed;
}

} // namespace prgtest
