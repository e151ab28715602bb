#include "geometry.h"

#include <algorithm>
#include <array>

namespace
{

constexpr std::array<int, 8> SideRowStart = {0, 13, 34, 55, 76, 118, 139, 181};
constexpr std::array<int, 8> SideRowHeight = {13, 21, 21, 21, 42, 21, 42, 19};

bool isMulticolor(CanvasMode mode)
{
    return mode == CanvasMode::Multicolor;
}

// Left edge of a top/bottom border column relative to the region's left.
int borderColumnStart(const SpriteGrid &grid, int column)
{
    if (!grid.rightAligned)
        return column * grid.spriteWidth;
    return column == 0 ? 0 : (column - 1) * grid.spriteWidth + grid.sliverWidth;
}

int borderColumnEnd(const SpriteGrid &grid, int column)
{
    if (!grid.rightAligned)
        return column * grid.spriteWidth + grid.spriteWidth - 1;
    return column == 0 ? grid.sliverWidth - 1
                       : borderColumnStart(grid, column) + grid.spriteWidth - 1;
}

} // namespace

QSize cellSize(CanvasMode mode)
{
    return isMulticolor(mode) ? QSize(4, 8) : QSize(8, 8);
}

double modePixelWidth(CanvasMode mode)
{
    return isMulticolor(mode) ? 2.0 : 1.0;
}

int colorsPerCell(CanvasMode mode)
{
    return isMulticolor(mode) ? 4 : 2;
}

int spriteWidth(CanvasMode mode)
{
    return isMulticolor(mode) ? 12 : 24;
}

QSize defaultCanvasSize(CanvasMode mode, const LayoutSpec &layout, int screens)
{
    const int s = std::max(1, screens);
    const int screenWidth = isMulticolor(mode) ? 160 : 320;
    switch (layout.layout) {
    case CanvasLayout::SideBorderSprites:
        return QSize(screenWidth * s + (isMulticolor(mode) ? 48 : 96), 200);
    case CanvasLayout::TopBottomBorderSprites:
        return QSize(screenWidth * s, 284);
    case CanvasLayout::BitmapOnly:
        break;
    }
    return QSize(screenWidth * s, 200);
}

bool hasBorderFrame(CanvasMode mode, QSize size, const LayoutSpec &layout)
{
    if (layout.isSpriteLayout())
        return true;
    return size == QSize(isMulticolor(mode) ? 160 : 320, 200);
}

QRect borderFrameRect(CanvasMode mode, QSize size, const LayoutSpec &layout)
{
    const int hx = isMulticolor(mode) ? 24 : 48;
    const int w = size.width();
    const int h = size.height();
    switch (layout.layout) {
    case CanvasLayout::SideBorderSprites:
        return QRect(QPoint(0, -51), QPoint(w - 1, h - 1 + 50));
    case CanvasLayout::TopBottomBorderSprites:
        return QRect(QPoint(-hx, -9), QPoint(w - 1 + hx, h - 1 + 8));
    case CanvasLayout::BitmapOnly:
        break;
    }
    return QRect(QPoint(-hx, -51), QPoint(w - 1 + hx, h - 1 + 50));
}

QList<CanvasRegion> canvasRegions(CanvasMode mode, QSize size, const LayoutSpec &layout)
{
    const int w = size.width();
    const int h = size.height();
    auto region = [](int sprite, int x1, int y1, int x2, int y2, RegionKind kind) {
        return CanvasRegion{sprite, QRect(QPoint(x1, y1), QPoint(x2, y2)), kind};
    };
    switch (layout.layout) {
    case CanvasLayout::SideBorderSprites:
        if (isMulticolor(mode))
            return {region(1, 0, 0, 23, h - 1, RegionKind::LeftStrip),
                    region(0, 24, 0, w - 25, h - 1, RegionKind::Bitmap),
                    region(1, w - 24, 0, w - 1, h - 1, RegionKind::RightStrip)};
        return {region(1, 0, 0, 47, h - 1, RegionKind::LeftStrip),
                region(0, 48, 0, w - 57, h - 1, RegionKind::Bitmap),
                region(1, w - 56, 0, w - 9, h - 1, RegionKind::RightStrip)};
    case CanvasLayout::TopBottomBorderSprites:
        return {region(1, 0, 0, w - 1, 41, RegionKind::TopBorder),
                region(0, 0, 42, w - 1, h - 43, RegionKind::Bitmap),
                region(1, 0, h - 42, w - 1, h - 1, RegionKind::BottomBorder)};
    case CanvasLayout::BitmapOnly:
        break;
    }
    return {region(0, 0, 0, w - 1, h - 1, RegionKind::Bitmap)};
}

QRect bitmapRegionRect(CanvasMode mode, QSize size, const LayoutSpec &layout)
{
    for (const CanvasRegion &r : canvasRegions(mode, size, layout)) {
        if (r.kind == RegionKind::Bitmap)
            return r.rect;
    }
    return QRect();
}

SpriteGrid spriteGridOf(const CanvasRegion &region, CanvasMode mode, const LayoutSpec &layout)
{
    SpriteGrid grid;
    grid.rect = region.rect;
    grid.spriteWidth = spriteWidth(mode);
    const int rw = region.rect.width();
    grid.topBottom =
        region.kind == RegionKind::TopBorder || region.kind == RegionKind::BottomBorder;
    if (!grid.topBottom) {
        grid.columns = rw / grid.spriteWidth;
        grid.colorRows = 8;
        grid.sliverWidth = 0;
        grid.rightAligned = false;
        return grid;
    }
    grid.sliverWidth = rw % grid.spriteWidth;
    grid.columns = rw / grid.spriteWidth + (grid.sliverWidth > 0 ? 1 : 0);
    grid.colorRows = 1;
    const BorderAlignment alignment =
        region.kind == RegionKind::TopBorder ? layout.topAlignment : layout.bottomAlignment;
    grid.rightAligned = alignment == BorderAlignment::Right && grid.sliverWidth > 0;
    return grid;
}

QRect sideSpriteRect(const CanvasRegion &region, CanvasMode mode, int column, int colorRow)
{
    const int sw = spriteWidth(mode);
    int start;
    int height;
    if (colorRow < 0) {
        start = 0;
        height = 13;
    } else if (colorRow > 7) {
        start = 200;
        height = 19;
    } else {
        start = SideRowStart[colorRow];
        height = SideRowHeight[colorRow];
    }
    const QRect r(region.rect.left() + column * sw, region.rect.top() + start, sw, height);
    return r & region.rect;
}

QRect spriteRect(const SpriteGrid &grid, int column, int colorRow)
{
    if (!grid.topBottom) {
        const CanvasRegion region{1, grid.rect, RegionKind::LeftStrip};
        const CanvasMode mode = grid.spriteWidth == 12 ? CanvasMode::Multicolor : CanvasMode::Hires;
        return sideSpriteRect(region, mode, column, colorRow);
    }
    const int x1 = grid.rect.left() + borderColumnStart(grid, column);
    const int x2 = grid.rect.left() + borderColumnEnd(grid, column);
    return QRect(QPoint(x1, grid.rect.top()), QPoint(x2, grid.rect.bottom())) & grid.rect;
}

int spriteColumnAt(const SpriteGrid &grid, int x)
{
    const int rw = grid.rect.width();
    const int d = std::clamp(x - grid.rect.left(), 0, std::max(0, rw - 1));
    if (!grid.rightAligned)
        return std::min(grid.columns - 1, d / grid.spriteWidth);
    if (d < grid.sliverWidth)
        return 0;
    return std::min((d - grid.sliverWidth) / grid.spriteWidth + 1, grid.columns - 1);
}

int sideColorRowAt(int y)
{
    for (int row = 1; row < 8; ++row) {
        if (y < SideRowStart[row])
            return row - 1;
    }
    return 7;
}

int spriteColorRowAt(const SpriteGrid &grid, int y)
{
    return grid.topBottom ? 0 : sideColorRowAt(y - grid.rect.top());
}

int hardwareSpriteRowAt(int y)
{
    if (y < 13)
        return 0;
    return std::min((y - 13) / 21 + 1, 9);
}

QRect cellAlignedRect(CanvasMode mode, const QRect &rect, const QRect &region)
{
    const QRect r = rect & region;
    if (r.isEmpty())
        return QRect();
    const int cw = cellSize(mode).width();
    const int ch = cellSize(mode).height();
    const int x1 = r.left() - (r.left() - region.left()) % cw;
    const int x2 = region.left() + ((r.right() - region.left()) / cw + 1) * cw - 1;
    const int y1 = r.top() - (r.top() - region.top()) % ch;
    const int y2 = region.top() + ((r.bottom() - region.top()) / ch + 1) * ch - 1;
    return QRect(QPoint(x1, y1), QPoint(x2, y2)) & region;
}

QRect unitRectsTouching(const QRect &rect, CanvasMode mode, QSize size, const LayoutSpec &layout)
{
    const QRect clipped = rect & QRect(QPoint(0, 0), size);
    if (clipped.isEmpty())
        return QRect();
    QRect result;
    for (const CanvasRegion &region : canvasRegions(mode, size, layout)) {
        const QRect part = clipped & region.rect;
        if (part.isEmpty())
            continue;
        if (!region.isSprite()) {
            result |= cellAlignedRect(mode, part, region.rect);
            continue;
        }
        const SpriteGrid grid = spriteGridOf(region, mode, layout);
        const int c1 = spriteColumnAt(grid, part.left());
        const int c2 = spriteColumnAt(grid, part.right());
        const int r1 = spriteColorRowAt(grid, part.top());
        const int r2 = spriteColorRowAt(grid, part.bottom());
        // Units are contiguous, so the corner units bound the union.
        result |= spriteRect(grid, c1, r1) | spriteRect(grid, c2, r2);
    }
    return result;
}

SafeFrames safeFrames(CanvasMode mode, QSize size, const LayoutSpec &layout)
{
    QRect bitmap = bitmapRegionRect(mode, size, layout);
    const int bx = bitmap.isNull() ? 0 : bitmap.left();
    const int by = bitmap.isNull() ? 0 : bitmap.top();
    const bool multi = isMulticolor(mode);
    SafeFrames frames;
    const int nx = bx - (multi ? 16 : 32);
    frames.normal = QRect(QPoint(nx, by - 35), QPoint(nx + (multi ? 191 : 383), by + 236));
    const int fx = bx - (multi ? 24 : 48);
    frames.full = QRect(QPoint(fx, by - 43), QPoint(fx + (multi ? 203 : 407), by + 249));
    return frames;
}

namespace
{

void addLine(QList<QLineF> &lines, const QRectF &visible, double x1, double y1, double x2,
             double y2)
{
    const QRectF box = QRectF(QPointF(std::min(x1, x2), std::min(y1, y2)),
                              QPointF(std::max(x1, x2), std::max(y1, y2)));
    // Lines are axis-aligned, so a zero-width box must still count as inside.
    if (box.right() < visible.left() || box.left() > visible.right() ||
        box.bottom() < visible.top() || box.top() > visible.bottom())
        return;
    lines.append(QLineF(x1, y1, x2, y2));
}

} // namespace

ReferenceGrid referenceGrid(CanvasMode mode, QSize size, const LayoutSpec &layout, int screens,
                            const QRectF &visible)
{
    ReferenceGrid grid;
    for (const CanvasRegion &region : canvasRegions(mode, size, layout)) {
        const double x1 = region.rect.left();
        const double y1 = region.rect.top();
        const double x2 = region.rect.right() + 1;
        const double y2 = region.rect.bottom() + 1;
        if (region.rect.isEmpty())
            continue;
        if (region.kind == RegionKind::Bitmap) {
            const int cw = cellSize(mode).width();
            for (double x = x1; x <= x2; x += cw)
                addLine(grid.lines, visible, x, y1, x, y2);
            for (double y = y1; y <= y2; y += 8)
                addLine(grid.lines, visible, x1, y, x2, y);
            continue;
        }
        const SpriteGrid sprites = spriteGridOf(region, mode, layout);
        if (!sprites.topBottom) {
            for (double x = x1; x <= x2; x += sprites.spriteWidth)
                addLine(grid.lines, visible, x, y1, x, y2);
            for (double y = y1 + 13; y < y2; y += 21)
                addLine(grid.lines, visible, x1, y, x2, y);
            continue;
        }
        for (int c = 0; c < sprites.columns; ++c) {
            const double x = x1 + borderColumnStart(sprites, c);
            addLine(grid.lines, visible, x, y1, x, y2);
        }
        addLine(grid.lines, visible, x2, y1, x2, y2);
        addLine(grid.lines, visible, x1, y1, x2, y1);
        addLine(grid.lines, visible, x1, y2, x2, y2);
        addLine(grid.lines, visible, x1, y1 + 21, x2, y1 + 21);
        for (const auto &[x, dx] : {std::pair{x1, -2.5}, std::pair{x2, 2.5}}) {
            const QPolygonF bracket({QPointF(x, y1 + 10.5), QPointF(x + dx, y1 + 10.5),
                                     QPointF(x + dx, y1 + 31.5), QPointF(x, y1 + 31.5)});
            const QRectF bounds(QPointF(std::min(x, x + dx), y1 + 10.5),
                                QPointF(std::max(x, x + dx), y1 + 31.5));
            if (bounds.adjusted(-0.5, -0.5, 0.5, 0.5).intersects(visible))
                grid.brackets.append(bracket);
        }
    }
    if (screens > 1) {
        const int screenWidth = size.width() / screens;
        for (int k = 1; k < screens; ++k)
            addLine(grid.seams, visible, k * screenWidth, 0, k * screenWidth, size.height());
    }
    return grid;
}

QList<QRect> ntscHiddenRows(QSize size, const LayoutSpec &layout)
{
    if (layout.layout != CanvasLayout::TopBottomBorderSprites)
        return {};
    const int w = size.width(), h = size.height();
    return {QRect(0, 0, w, 21), QRect(0, h - 21, w, 21)};
}

QList<QRect> lockedRects(CanvasMode mode, QSize size, const LayoutSpec &layout)
{
    if (mode != CanvasMode::Hires || layout.layout != CanvasLayout::SideBorderSprites)
        return {};
    const int w = size.width();
    return {QRect(QPoint(w - 8, 0), QPoint(w - 1, size.height() - 1)), QRect(0, 0, 48, 1)};
}
