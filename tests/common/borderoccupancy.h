#pragma once

// Shared by the random-stroke tests of the paint pipeline and of the pen
// tools: the border sprite columns counted straight from the pixels, so the
// budget is checked independently of the code that enforces it.

#include "document/geometry.h"
#include "document/project.h"
#include "rules/spritebudget.h"

#include <bit>

struct BorderOccupancy {
    quint16 top = 0;
    quint16 bottom = 0;
};

inline BorderOccupancy borderOccupancyOf(const Project &project)
{
    BorderOccupancy result;
    if (project.layout() != CanvasLayout::TopBottomBorderSprites)
        return result;
    const Colormap &map = project.colormap();
    for (const CanvasRegion &region : project.regions()) {
        const bool top = region.kind == RegionKind::TopBorder;
        if (!top && region.kind != RegionKind::BottomBorder)
            continue;
        const quint8 background =
            project.slot(top ? ColorSlot::TopBackground : ColorSlot::BottomBackground);
        const SpriteGrid grid = spriteGridOf(region, project.mode(), project.layoutSpec());
        quint16 mask = 0;
        for (int y = region.rect.top(); y <= region.rect.bottom(); ++y)
            for (int x = region.rect.left(); x <= region.rect.right(); ++x)
                if (map.pixel(x, y) != background)
                    mask |= quint16(1u << spriteColumnAt(grid, x));
        (top ? result.top : result.bottom) = mask;
    }
    return result;
}

// True when a border gained a column and now holds more than the budget.
inline bool opensColumnOverBudget(const BorderOccupancy &before, const BorderOccupancy &after)
{
    for (auto [was, now] :
         {std::pair{before.top, after.top}, std::pair{before.bottom, after.bottom}}) {
        if ((now & ~was) && std::popcount(now) > SpritesPerBorder)
            return true;
    }
    return false;
}

// Every locked pixel still holds the border colour.
inline bool lockedPixelsHold(const Colormap &colormap, const QList<QRect> &locked, quint8 border)
{
    for (const QRect &r : locked)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (colormap.pixel(x, y) != border)
                    return false;
    return true;
}
