#pragma once

#include "canvastypes.h"

#include <QLineF>
#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QSize>

// The canvas geometry: pure functions of mode, colormap size and layout.
// Every colour rule, grid, exporter and dialog asks these, so they agree.

QSize cellSize(CanvasMode mode);
double modePixelWidth(CanvasMode mode);
int colorsPerCell(CanvasMode mode);
int spriteWidth(CanvasMode mode);
QSize defaultCanvasSize(CanvasMode mode, const LayoutSpec &layout, int screens);
bool hasBorderFrame(CanvasMode mode, QSize size, const LayoutSpec &layout);
QRect borderFrameRect(CanvasMode mode, QSize size, const LayoutSpec &layout);
QList<CanvasRegion> canvasRegions(CanvasMode mode, QSize size, const LayoutSpec &layout);
// The Bitmap region, or a null rectangle when the layout has none.
QRect bitmapRegionRect(CanvasMode mode, QSize size, const LayoutSpec &layout);

SpriteGrid spriteGridOf(const CanvasRegion &region, CanvasMode mode, const LayoutSpec &layout);
QRect spriteRect(const SpriteGrid &grid, int column, int colorRow);
int spriteColumnAt(const SpriteGrid &grid, int x);
int spriteColorRowAt(const SpriteGrid &grid, int y);
// Side-strip colour row 0..7 of a line y within the strip.
int sideColorRowAt(int y);
// Side-strip 21-line hardware sprite row 0..9 of a line y within the strip.
int hardwareSpriteRowAt(int y);
QRect sideSpriteRect(const CanvasRegion &region, CanvasMode mode, int column, int colorRow);
QRect cellAlignedRect(CanvasMode mode, const QRect &rect, const QRect &region);
QRect unitRectsTouching(const QRect &rect, CanvasMode mode, QSize size, const LayoutSpec &layout);

struct SafeFrames {
    QRect normal;
    QRect full;
};
SafeFrames safeFrames(CanvasMode mode, QSize size, const LayoutSpec &layout);

// Reference grid line sets in colormap coordinates (pixel edges), for the
// part of the canvas within `visible`.
struct ReferenceGrid {
    QList<QLineF> lines;
    QList<QLineF> seams;
    QList<QPolygonF> brackets;
};
ReferenceGrid referenceGrid(CanvasMode mode, QSize size, const LayoutSpec &layout, int screens,
                            const QRectF &visible);

// The canvas rows a 263-line (NTSC) machine cannot show: on a top/bottom
// canvas the top strip's upper sprite row and the bottom strip's lower one,
// since its frame holds only one of the two; empty for every other canvas.
QList<QRect> ntscHiddenRows(QSize size, const LayoutSpec &layout);

// The hires side canvas's locked pixels; empty for every other canvas.
QList<QRect> lockedRects(CanvasMode mode, QSize size, const LayoutSpec &layout);
