#include "wholecanvasedits.h"

#include "clashcontext.h"
#include "clashrules.h"

#include "document/geometry.h"
#include "document/project.h"

#include <algorithm>
#include <vector>

namespace
{

// The rectangle of the region change just recorded, or nothing.
QRect recordChange(const Project &project, HistoryNode &node, const QRect &rect,
                   const Colormap &before)
{
    const qsizetype count = node.changes.size();
    recordRegionChange(project, node, rect, before);
    return node.changes.size() > count ? node.changes.last().rect : QRect();
}

void changeSlot(Project &project, HistoryNode &node, ColorSlot slot, quint8 color)
{
    const quint8 old = project.slot(slot);
    if (old == color)
        return;
    node.changes << HistoryChange::colorIndex(quint8(slot), old, color);
    project.setSlot(slot, color);
}

void changeAlignment(Project &project, HistoryNode &node, int border, BorderAlignment alignment)
{
    BorderAlignment &current =
        border == 0 ? project.layoutSpec().topAlignment : project.layoutSpec().bottomAlignment;
    if (current == alignment)
        return;
    node.changes << HistoryChange::borderAlignment(quint8(border), quint8(current),
                                                   quint8(alignment));
    current = alignment;
}

bool push(Project &project, HistoryNode &node, HistoryEntryKind kind)
{
    if (node.changes.isEmpty())
        return false;
    node.kind = kind;
    project.history().push(node);
    return true;
}

// A slot holding b takes a; in a swap one holding a takes b.
quint8 exchanged(quint8 value, bool swap, quint8 a, quint8 b)
{
    if (value == b)
        return a;
    return swap && value == a ? b : value;
}

QRect sweep(Project &project, const QRect &rect)
{
    return resolveClashes(ClashContext::forSweep(project), project.colormap(), rect);
}

constexpr ColorSlot TopSlots[] = {ColorSlot::TopBackground, ColorSlot::TopMulticolor0,
                                  ColorSlot::TopMulticolor1};
constexpr ColorSlot BottomSlots[] = {ColorSlot::BottomBackground, ColorSlot::BottomMulticolor0,
                                     ColorSlot::BottomMulticolor1};

} // namespace

QRect assignColorSlot(Project &project, ColorSlot slot, quint8 color)
{
    const quint8 old = project.slot(slot);
    if (old == color)
        return {};
    HistoryNode node;
    changeSlot(project, node, slot, color);

    // A slot's pixels follow it only where the slot is a colour the units
    // share. Hires sprites share only the border (the strips) or their
    // border's background: there the multicolor slots govern nothing, and
    // the background does not reach the strips. Following elsewhere would
    // turn shared pixels into a second free colour, or repaint locked pixels.
    const bool side = project.layout() == CanvasLayout::SideBorderSprites;
    const bool multi = project.mode() == CanvasMode::Multicolor;
    const QRect left = project.regionRect(RegionKind::LeftStrip);
    const QRect right = project.regionRect(RegionKind::RightStrip);
    const QRect top = project.regionRect(RegionKind::TopBorder);
    const QRect bottom = project.regionRect(RegionKind::BottomBorder);
    QList<QRect> areas;
    switch (slot) {
    case ColorSlot::Background:
        areas << (side && multi ? project.colormap().rect()
                                : project.regionRect(RegionKind::Bitmap));
        break;
    case ColorSlot::Border:
        if (side && !multi)
            areas << left << right << project.lockedRects();
        break;
    case ColorSlot::SpriteMulticolor0:
    case ColorSlot::SpriteMulticolor1:
        if (multi)
            areas << left << right;
        break;
    case ColorSlot::TopBackground:
        areas << top;
        break;
    case ColorSlot::TopMulticolor0:
    case ColorSlot::TopMulticolor1:
        if (multi)
            areas << top;
        break;
    case ColorSlot::BottomBackground:
        areas << bottom;
        break;
    case ColorSlot::BottomMulticolor0:
    case ColorSlot::BottomMulticolor1:
        if (multi)
            areas << bottom;
        break;
    }
    QRect changed;
    for (const QRect &area : areas) {
        if (area.isEmpty())
            continue;
        const Colormap before = project.colormap().copy(area);
        project.colormap().replace(area, old, color);
        changed |= recordChange(project, node, area, before);
    }
    push(project, node, HistoryEntryKind::AssignSlot);
    return changed;
}

QRect swapOrReplaceColors(Project &project, bool swap, quint8 a, quint8 b,
                          const QList<QRect> &selection)
{
    if (a == b)
        return {};
    Colormap &pixels = project.colormap();
    const QRect canvas = pixels.rect();
    // One flag per pixel, so overlapping selection rectangles count once.
    const qsizetype width = canvas.width();
    std::vector<bool> chosen(size_t(width * canvas.height()), selection.isEmpty());
    QRect bounds = selection.isEmpty() ? canvas : QRect();
    for (const QRect &rect : selection) {
        const QRect r = rect & canvas;
        bounds |= r;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::fill_n(chosen.begin() + y * width + r.left(), r.width(), true);
    }
    if (bounds.isEmpty())
        return {};
    // The sweep repairs whole cells and sprites, also beyond the selection.
    const QRect reach =
        (bounds | unitRectsTouching(bounds, project.mode(), project.size(), project.layoutSpec())) &
        canvas;
    const Colormap before = pixels.copy(reach);
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        quint8 *row = pixels.bits() + y * width;
        for (int x = bounds.left(); x <= bounds.right(); ++x) {
            if (!chosen[size_t(y * width + x)])
                continue;
            if (row[x] == b)
                row[x] = a;
            else if (swap && row[x] == a)
                row[x] = b;
        }
    }

    HistoryNode node;
    const auto follow = [&](ColorSlot slot) {
        changeSlot(project, node, slot, exchanged(project.slot(slot), swap, a, b));
    };
    const auto covered = [&](RegionKind kind) {
        const QRect rect = project.regionRect(kind);
        if (rect.isEmpty() || !canvas.contains(rect))
            return false;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (!chosen[size_t(y * width + x)])
                    return false;
        return true;
    };
    if (selection.isEmpty()) {
        for (int slot = 0; slot < ColorSlotCount; ++slot)
            follow(ColorSlot(slot));
    } else if (project.mode() == CanvasMode::Multicolor) {
        // Sprites outside the selection keep their colours, so only the slots
        // of strips or borders it takes in whole follow.
        if (covered(RegionKind::LeftStrip) && covered(RegionKind::RightStrip)) {
            follow(ColorSlot::SpriteMulticolor0);
            follow(ColorSlot::SpriteMulticolor1);
        }
        for (int border = 0; border < 2; ++border) {
            if (covered(border == 0 ? RegionKind::TopBorder : RegionKind::BottomBorder)) {
                for (ColorSlot slot : border == 0 ? TopSlots : BottomSlots)
                    follow(slot);
            }
        }
    }
    project.repaintLockedPixels();
    sweep(project, bounds);
    const QRect changed = recordChange(project, node, reach, before);
    push(project, node, swap ? HistoryEntryKind::SwapColors : HistoryEntryKind::ReplaceColors);
    return changed;
}

QRect flipCanvas(Project &project, Qt::Orientation orientation)
{
    QRect area;
    for (const CanvasRegion &region : project.regions())
        area |= region.rect;
    if (area.isEmpty())
        return {};
    const Colormap before = project.colormap().copy(project.colormap().rect());
    const bool horizontal = orientation == Qt::Horizontal;
    // A pure mirror: a pixel whose mirror image is locked stays where it is,
    // so locked pixels are never written and a second flip restores every
    // pixel. Nothing is merged: cells and top/bottom strips land on their own
    // grid; side-strip colour rows are uneven and the hires locked line has
    // no partner, so a side sprite a flip leaves with two colours waits for
    // the clash sweep the artist runs (the exports ask first) instead of
    // losing art here.
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int sx = horizontal ? area.left() + area.right() - x : x;
            const int sy = horizontal ? y : area.top() + area.bottom() - y;
            if (!project.isLocked(x, y) && !project.isLocked(sx, sy))
                project.colormap().setPixel(x, y, before.pixel(sx, sy));
        }
    }

    HistoryNode node;
    if (project.layout() == CanvasLayout::TopBottomBorderSprites) {
        const LayoutSpec old = project.layoutSpec();
        const auto inverted = [](BorderAlignment a) {
            return a == BorderAlignment::Left ? BorderAlignment::Right : BorderAlignment::Left;
        };
        if (!horizontal) {
            std::array<quint8, 3> top, bottom;
            for (int i = 0; i < 3; ++i) {
                top[i] = project.slot(TopSlots[i]);
                bottom[i] = project.slot(BottomSlots[i]);
            }
            for (int i = 0; i < 3; ++i)
                changeSlot(project, node, TopSlots[i], bottom[i]);
            for (int i = 0; i < 3; ++i)
                changeSlot(project, node, BottomSlots[i], top[i]);
        }
        changeAlignment(project, node, 0,
                        horizontal ? inverted(old.topAlignment) : old.bottomAlignment);
        changeAlignment(project, node, 1,
                        horizontal ? inverted(old.bottomAlignment) : old.topAlignment);
    }
    const QRect changed = recordChange(project, node, project.colormap().rect(), before);
    push(project, node, HistoryEntryKind::FlipCanvas);
    return changed;
}

QRect clearScreen(Project &project, quint8 blank)
{
    const Colormap before = project.colormap();
    project.colormap().fill(blank);
    project.repaintLockedPixels();
    HistoryNode node;
    const QRect changed = recordChange(project, node, project.colormap().rect(), before);
    push(project, node, HistoryEntryKind::ClearScreen);
    return changed;
}

QRect setBorderAlignment(Project &project, int border, BorderAlignment alignment, bool resolve)
{
    HistoryNode node;
    changeAlignment(project, node, border, alignment);
    if (node.changes.isEmpty())
        return {};
    QRect changed;
    const QRect region =
        project.regionRect(border == 0 ? RegionKind::TopBorder : RegionKind::BottomBorder);
    if (resolve && !region.isEmpty()) {
        const Colormap before = project.colormap().copy(region);
        sweep(project, region);
        changed = recordChange(project, node, region, before);
    }
    push(project, node, HistoryEntryKind::SetBorderAlignment);
    return changed;
}

QRect importImage(Project &project, const Colormap &composed, quint8 background,
                  std::optional<quint8> border, int screen, bool resolve)
{
    Colormap &pixels = project.colormap();
    if (composed.isEmpty() || composed.size() != pixels.size())
        return {};
    bool first = true;
    for (int other = 0; other < project.screensAcross(); ++other)
        first &= other == screen || !project.isScreenDrawnOn(other);

    HistoryNode node;
    const quint8 oldBackground = project.slot(ColorSlot::Background);
    if (first) {
        if (project.mode() == CanvasMode::Multicolor)
            changeSlot(project, node, ColorSlot::Background, background);
        if (border)
            changeSlot(project, node, ColorSlot::Border, *border);
    }
    const quint8 newBackground = project.slot(ColorSlot::Background);
    const Colormap before = pixels;
    const QRect arriving = Colormap::difference(pixels, composed);
    pixels = composed;
    if (!first && resolve && !arriving.isEmpty())
        sweep(project,
              unitRectsTouching(arriving, project.mode(), project.size(), project.layoutSpec()));
    if (first && newBackground != oldBackground) {
        // Undrawn screens and the side strips come out blank in the new background.
        for (int other = 0; other < project.screensAcross(); ++other) {
            if (other != screen && project.screensAcross() > 1)
                pixels.replace(project.screenRect(other), oldBackground, newBackground);
        }
        if (project.layout() == CanvasLayout::SideBorderSprites) {
            pixels.replace(project.regionRect(RegionKind::LeftStrip), oldBackground, newBackground);
            pixels.replace(project.regionRect(RegionKind::RightStrip), oldBackground,
                           newBackground);
        }
    }
    project.repaintLockedPixels();
    const QRect changed = recordChange(project, node, pixels.rect(), before);
    push(project, node, HistoryEntryKind::ImportImage);
    return changed;
}

QRect importSprites(Project &project, const Colormap &sprites)
{
    if (sprites.size() != project.size())
        return {};
    HistoryNode node;
    QRect changed;
    for (const CanvasRegion &region : project.regions()) {
        if (!region.isSprite())
            continue;
        const Colormap before = project.colormap().copy(region.rect);
        project.colormap().paste(region.rect.topLeft(), sprites.copy(region.rect));
        changed |= recordChange(project, node, region.rect, before);
    }
    push(project, node, HistoryEntryKind::ImportSprites);
    return changed;
}

QRect applyConversion(Project &project, const Colormap &result,
                      const std::array<quint8, ColorSlotCount> &slotValues,
                      const LayoutSpec &alignments)
{
    if (result.size() != project.size())
        return {};
    HistoryNode node;
    for (int slot = 0; slot < ColorSlotCount; ++slot)
        changeSlot(project, node, ColorSlot(slot), slotValues[size_t(slot)]);
    changeAlignment(project, node, 0, alignments.topAlignment);
    changeAlignment(project, node, 1, alignments.bottomAlignment);
    const Colormap before = project.colormap();
    project.colormap() = result;
    const QRect changed = recordChange(project, node, result.rect(), before);
    push(project, node, HistoryEntryKind::ConvertImage);
    return changed;
}
