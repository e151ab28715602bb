#include "spritebudget.h"

#include "clashrules.h"

#include "document/geometry.h"

#include <algorithm>

namespace
{

bool isBorder(RegionKind kind)
{
    return kind == RegionKind::TopBorder || kind == RegionKind::BottomBorder;
}

// Non-background pixels of every column of a border.
QVarLengthArray<int, 16> columnCounts(const Colormap &colormap, const SpriteGrid &grid,
                                      quint8 background)
{
    QVarLengthArray<int, 16> counts(grid.columns, 0);
    const QRect r = grid.rect & colormap.rect();
    if (r.isEmpty() || grid.columns < 1)
        return counts;
    const int w = colormap.width();
    const quint8 *bits = colormap.constBits();
    // Column of every x once, instead of once per pixel.
    QVarLengthArray<int, 512> columnOf(r.width());
    for (int x = r.left(); x <= r.right(); ++x)
        columnOf[x - r.left()] = spriteColumnAt(grid, x);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const quint8 *row = bits + qsizetype(y) * w;
        for (int x = r.left(); x <= r.right(); ++x) {
            if (row[x] != background)
                ++counts[columnOf[x - r.left()]];
        }
    }
    return counts;
}

} // namespace

quint8 borderBackground(const ClashContext &context, RegionKind kind)
{
    return context.slot(kind == RegionKind::BottomBorder ? ColorSlot::BottomBackground
                                                         : ColorSlot::TopBackground);
}

QList<int> overBudgetColumns(const ClashContext &context, const Colormap &colormap,
                             const CanvasRegion &border)
{
    if (!isBorder(border.kind))
        return {};
    const SpriteGrid grid = spriteGridOf(border, context.mode, context.layout);
    const QVarLengthArray<int, 16> counts =
        columnCounts(colormap, grid, borderBackground(context, border.kind));
    QList<int> occupied;
    for (int c = 0; c < int(counts.size()); ++c) {
        if (counts[c] > 0)
            occupied.append(c);
    }
    if (occupied.size() <= SpritesPerBorder)
        return {};
    const BorderAlignment alignment = border.kind == RegionKind::TopBorder
                                          ? context.layout.topAlignment
                                          : context.layout.bottomAlignment;
    const bool right = alignment == BorderAlignment::Right;
    // Fullest first; on equal counts the column nearer the aligned edge.
    std::sort(occupied.begin(), occupied.end(), [&](int a, int b) {
        if (counts[a] != counts[b])
            return counts[a] > counts[b];
        return right ? a > b : a < b;
    });
    QList<int> over = occupied.mid(SpritesPerBorder);
    std::sort(over.begin(), over.end());
    return over;
}

QList<QRect> overBudgetSprites(const ClashContext &context, const Colormap &colormap,
                               const CanvasRegion &border)
{
    QList<QRect> rects;
    const QList<int> columns = overBudgetColumns(context, colormap, border);
    if (columns.isEmpty())
        return rects;
    const SpriteGrid grid = spriteGridOf(border, context.mode, context.layout);
    for (int c : columns)
        rects.append(spriteRect(grid, c, 0));
    return rects;
}

RedFrameSet redFrameSet(const ClashContext &context, const Colormap &colormap)
{
    RedFrameSet frames;
    if (context.layout.layout == CanvasLayout::SideBorderSprites) {
        for (const CanvasRegion &region :
             canvasRegions(context.mode, colormap.size(), context.layout)) {
            if (!region.isSprite() || region.rect.isEmpty())
                continue;
            const SpriteGrid grid = spriteGridOf(region, context.mode, context.layout);
            for (int row = 0; row < grid.colorRows; ++row)
                for (int c = 0; c < grid.columns; ++c)
                    if (spriteOverColorLimit(context, colormap, region, c, row))
                        frames.sides.append(spriteRect(grid, c, row));
        }
        return frames;
    }
    if (context.layout.layout != CanvasLayout::TopBottomBorderSprites)
        return frames;
    for (const CanvasRegion &region :
         canvasRegions(context.mode, colormap.size(), context.layout)) {
        if (!isBorder(region.kind) || region.rect.isEmpty())
            continue;
        QList<QRect> &list = region.kind == RegionKind::TopBorder ? frames.top : frames.bottom;
        const SpriteGrid grid = spriteGridOf(region, context.mode, context.layout);
        for (int c = 0; c < grid.columns; ++c) {
            if (spriteOverColorLimit(context, colormap, region, c, 0))
                list.append(spriteRect(grid, c, 0));
        }
        list.append(overBudgetSprites(context, colormap, region));
    }
    return frames;
}

SpriteBudgetState::SpriteBudgetState(const ClashContext &context, const Colormap &colormap,
                                     SpriteCountPolicy policy)
    : m_colormap(colormap)
{
    if (policy != SpriteCountPolicy::Enforce ||
        context.layout.layout != CanvasLayout::TopBottomBorderSprites)
        return;
    for (const CanvasRegion &region :
         canvasRegions(context.mode, colormap.size(), context.layout)) {
        if (!isBorder(region.kind) || region.rect.isEmpty())
            continue;
        Border &border = m_borders[region.kind == RegionKind::TopBorder ? 0 : 1];
        border.rect = region.rect;
        border.grid = spriteGridOf(region, context.mode, context.layout);
        border.background = borderBackground(context, region.kind);
        ++m_borderCount;
    }
}

SpriteBudgetState::Border *SpriteBudgetState::borderAt(QPoint pixel)
{
    if (m_borderCount == 0)
        return nullptr;
    for (Border &border : m_borders) {
        if (!border.rect.isEmpty() && border.rect.contains(pixel))
            return &border;
    }
    return nullptr;
}

SpriteBudgetState::Border *SpriteBudgetState::computed(int border)
{
    if (border < 0 || border > 1 || m_borders[border].rect.isEmpty())
        return nullptr;
    compute(m_borders[border]);
    return &m_borders[border];
}

void SpriteBudgetState::compute(Border &border)
{
    if (border.computed)
        return;
    border.computed = true;
    const QVarLengthArray<int, 16> counts =
        columnCounts(m_colormap, border.grid, border.background);
    border.occupied.resize(counts.size());
    border.occupiedCount = 0;
    for (int c = 0; c < int(counts.size()); ++c) {
        border.occupied[c] = counts[c] > 0;
        border.occupiedCount += counts[c] > 0 ? 1 : 0;
    }
}

bool SpriteBudgetState::blocked(QPoint pixel, quint8 color)
{
    Border *border = borderAt(pixel);
    // Erasing to the border's background is always allowed.
    if (!border || color == border->background)
        return false;
    // Read only now: background pixels this stroke painted first may have
    // emptied a column.
    compute(*border);
    const int column = spriteColumnAt(border->grid, pixel.x());
    if (border->occupied[column])
        return false;
    return border->occupiedCount >= SpritesPerBorder;
}

void SpriteBudgetState::markPainted(QPoint pixel, quint8 color)
{
    Border *border = borderAt(pixel);
    if (!border || color == border->background)
        return;
    compute(*border);
    const int column = spriteColumnAt(border->grid, pixel.x());
    if (!border->occupied[column]) {
        border->occupied[column] = true;
        ++border->occupiedCount;
    }
}

bool SpriteBudgetState::isOccupied(int border, int column)
{
    const Border *b = computed(border);
    return b && column >= 0 && column < int(b->occupied.size()) && b->occupied[column];
}

int SpriteBudgetState::occupiedCount(int border)
{
    const Border *b = computed(border);
    return b ? b->occupiedCount : 0;
}
