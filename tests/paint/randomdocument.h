#pragma once

// Random documents for the random paint and colour rule tests.

#include "document/project.h"
#include "rules/clashrules.h"

#include <QRandomGenerator>

struct Dice {
    QRandomGenerator random;
    int below(int n) { return int(random.bounded(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }
    double unit() { return random.generateDouble(); }
    template <typename T> T pick(std::initializer_list<T> list)
    {
        return *(list.begin() + below(int(list.size())));
    }
};

// A random document; with `rectangles` it also gets random rectangles in
// a few colours, some in the border colour, and a border-coloured block by
// the right rim, so areas run up to the locked pixels. Unless `legal` is
// false, the artwork is then made legal the way an import would be.
inline Project randomProject(Dice &dice, bool rectangles = false, bool legal = true)
{
    const CanvasMode mode = dice.chance(50) ? CanvasMode::Multicolor : CanvasMode::Hires;
    const LayoutSpec layout{CanvasLayout(dice.below(3)), BorderAlignment(dice.below(2)),
                            BorderAlignment(dice.below(2))};
    const int screens = layout.layout == CanvasLayout::BitmapOnly ? dice.between(1, 2) : 1;
    Project project(mode, -1, -1, layout, screens);
    project.setSpriteCountPolicy(dice.chance(60) ? SpriteCountPolicy::Enforce
                                                 : SpriteCountPolicy::Flag);
    project.setHiresClashResolution(HiresClashResolution(dice.below(3)));
    project.setPaletteVariant(dice.below(PaletteVariantCount));
    project.view().setDisplayAspect(dice.pick({1.0, 0.9375, 0.75}));
    for (int s = 0; s < ColorSlotCount; ++s)
        if (dice.chance(40))
            project.setSlot(ColorSlot(s), quint8(dice.below(16)));

    // Some scattered artwork.
    Colormap &map = project.colormap();
    // Half the documents start blank, so the border budget starts open.
    const int specks = dice.chance(50) ? 0 : dice.below(4000);
    for (int i = 0; i < specks; ++i)
        map.setPixel(dice.below(map.width()), dice.below(map.height()), quint8(dice.below(16)));
    const quint8 border = project.slot(ColorSlot::Border);
    if (rectangles)
        map.fillRect(QRect(map.width() - 20, 0, 12, map.height() / 2), border);
    for (int i = rectangles ? dice.below(60) : 0; i > 0; --i) {
        const quint8 colors[3] = {quint8(dice.below(16)), quint8(dice.below(3)), border};
        map.fillRect(QRect(dice.below(map.width()), dice.below(map.height()), dice.between(1, 59),
                           dice.between(1, 39)),
                     colors[dice.below(3)]);
    }
    if (legal) {
        project.repaintLockedPixels();
        resolveClashes(ClashContext::forSweep(project), map, map.rect());
    }
    return project;
}
