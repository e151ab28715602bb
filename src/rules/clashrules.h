#pragma once

#include "clashcontext.h"

#include "document/colormap.h"

#include <QList>
#include <QPoint>
#include <QRect>

// The colour limits of char cells and sprites. Units are the char cells of
// a Bitmap region (aligned to the region's corner), the sprite units of a
// side strip (one column by one colour row) and the columns of a top or
// bottom border (the full 42 lines). None of these functions records
// history; they repaint only the colormap they are given.

// Whether a char cell holds more colours than its mode allows: more than 2 on
// hires, more than 3 besides `background` on multicolor.
bool cellHasClash(CanvasMode mode, const Colormap &colormap, const QRect &cell, quint8 background);

// Whether a sprite unit of a sprite region holds two or more free colours
// (colours other than the region's commons).
bool spriteOverColorLimit(const ClashContext &context, const Colormap &colormap,
                          const CanvasRegion &region, int column, int colorRow);

// One unit of the colour limits: a char cell or a sprite unit, the colours
// that never count against it and how many others it may hold. `column` is
// the sprite column of a top or bottom border unit, else -1.
struct ColorUnit {
    QRect rect;
    RegionKind kind = RegionKind::Bitmap;
    quint16 commons = 0;
    int limit = 0;
    int column = -1;
};

// Every unit of a canvas of `size`, in region order: cells row by row,
// sprite units colour rows outer and columns inner.
QList<ColorUnit> colorUnits(const ClashContext &context, QSize size);

// Whether any unit of the canvas breaks its limit; stops at the first clash.
bool canvasHasClash(const ClashContext &context, const Colormap &colormap);

// Every unit that breaks its limit, in region order: cells row by row, sprite
// units colour rows outer and columns inner.
QList<QRect> clashingUnits(const ClashContext &context, const Colormap &colormap);

// The clash sweep: makes every unit touched by `rect` legal by keeping its
// most-used colours and merging the others into the nearest survivor.
// Returns the union of the units that changed (empty when none did).
QRect resolveClashes(const ClashContext &context, Colormap &colormap, const QRect &rect);

// Stroke-time resolution after the pen colour has been painted into `rect`.
// `before` holds the colormap under `rect` from before the paint, its pixel
// (0,0) at rect's top-left. Repairs each touched unit that the stroke
// overwrote by giving one victim colour the pen colour; returns the union of
// the repainted units.
QRect resolveStrokeClashes(const ClashContext &context, Colormap &colormap, const Colormap &before,
                           const QRect &rect);

// Whether painting the context's pen colour at `pixel` would break its
// unit's limit (previews and fills ask before painting).
bool wouldClash(const ClashContext &context, const Colormap &colormap, QPoint pixel);
