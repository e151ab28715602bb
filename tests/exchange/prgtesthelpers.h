#pragma once

// Test canvases for the PRG export: one screen of a layout with seeded
// random pixels, and rows of them for data-driven tests.

#include "document/geometry.h"
#include "document/project.h"
#include "exchange/nativeformats.h"
#include "exchange/prgbuilder.h"
#include "rules/ruleedits.h"

#include <QRandomGenerator>
#include <QTest>

namespace prgtest
{

// Blocks of random colours, 1 to `size` pixels a side, over the canvas.
inline void scatterBlocks(Colormap &pixels, QRandomGenerator &dice, int count, int size)
{
    for (int i = 0; i < count; ++i) {
        const QRect block(dice.bounded(pixels.width()), dice.bounded(pixels.height()),
                          1 + dice.bounded(size), 1 + dice.bounded(size));
        pixels.fillRect(block & pixels.rect(), quint8(dice.bounded(16)));
    }
}

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
    scatterBlocks(project.colormap(), dice, 400, 12);
    resolveAllClashes(project);
    reduceBorderSprites(project);
    return project;
}

// The bitmap, screen and colour RAM the canvas's bitmap area encodes to.
inline QByteArray screenOf(const Project &p)
{
    return NativeFormats::encodeScreen(p.colormap(), p.mode(),
                                       bitmapRegionRect(p.mode(), p.size(), p.layoutSpec()),
                                       p.slotBytes());
}

// One row of a test over random canvases; `ntsc` for the tests that run
// the program on both video standards.
struct CanvasRow {
    int mode;
    int layout;
    quint32 seed;
    bool ntsc;
    Project project() const { return randomProject(CanvasMode(mode), CanvasLayout(layout), seed); }
};

// A row for every mode, layout, seed and standard given; the test reads
// QFETCH(prgtest::CanvasRow, row).
inline void addCanvasRows(std::initializer_list<int> layouts, std::initializer_list<quint32> seeds,
                          std::initializer_list<bool> standards = {false})
{
    QTest::addColumn<CanvasRow>("row");
    for (const bool ntsc : standards)
        for (const int layout : layouts)
            for (const int mode : {0, 1})
                for (const quint32 seed : seeds)
                    QTest::addRow("%s layout %d seed %u%s", mode ? "multicolor" : "hires", layout,
                                  seed, ntsc ? " NTSC" : "")
                        << CanvasRow{mode, layout, seed, ntsc};
}

} // namespace prgtest

Q_DECLARE_METATYPE(prgtest::CanvasRow)
