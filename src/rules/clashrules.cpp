#include "clashrules.h"

#include "document/geometry.h"

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>

// Colour indices are 0..15 in every document, but the colormap is a byte
// grid, so the scratch tables cover all 256 byte values and a stray byte
// counts as a colour of its own instead of reading out of bounds.

namespace
{

bool isCommon(quint16 mask, quint8 c)
{
    return c < 16 && ((mask >> c) & 1u);
}

// Distinct colours of a rectangle in scan order, skipping `excluded`,
// stopping once `stopAt` have been found. Returns how many were found.
int distinctColors(const Colormap &colormap, const QRect &r, quint16 excluded, int stopAt,
                   quint8 *out)
{
    std::bitset<256> seen;
    int found = 0;
    const int w = colormap.width();
    const quint8 *bits = colormap.constBits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const quint8 *row = bits + qsizetype(y) * w;
        for (int x = r.left(); x <= r.right(); ++x) {
            const quint8 c = row[x];
            if (seen[c] || isCommon(excluded, c))
                continue;
            seen[c] = true;
            out[found++] = c;
            if (found >= stopAt)
                return found;
        }
    }
    return found;
}

// Set bits of a mask of up to 16 colours, without a library call.
int bitCount16(quint32 m)
{
    m = m - ((m >> 1) & 0x5555u);
    m = (m & 0x3333u) + ((m >> 2) & 0x3333u);
    m = (m + (m >> 4)) & 0x0F0Fu;
    return int((m + (m >> 8)) & 0x1Fu);
}

// How many distinct colours outside `excluded` a rectangle holds, exact up
// to `stopAt`. Colours are gathered as bits of a mask without branching; a
// unit is small, so it is read whole rather than tested row by row.
int distinctCount(const Colormap &colormap, const QRect &r, quint16 excluded, int stopAt)
{
    const int w = colormap.width();
    const quint8 *bits = colormap.constBits();
    quint32 mask = 0;
    quint32 high = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const quint8 *row = bits + qsizetype(y) * w;
        for (int x = r.left(); x <= r.right(); ++x) {
            mask |= 1u << (row[x] & 15);
            high |= row[x];
        }
    }
    if (high & 0xF0) {
        std::array<quint8, 256> found;
        return distinctColors(colormap, r, excluded, stopAt, found.data());
    }
    return bitCount16(mask & ~quint32(excluded) & 0xFFFFu);
}

// Pixel counts of one unit. Only the entries that were used are cleared
// again, so a sweep over many units keeps one table and never allocates.
struct UnitHistogram {
    std::array<quint32, 256> count{};
    quint32 lowMask = 0;  // bit c for every colour 0..15 seen
    quint32 highBits = 0; // OR of all colours seen: above 15 only for stray bytes

    void add(quint8 c)
    {
        ++count[c];
        lowMask |= 1u << (c & 15);
        highBits |= c;
    }
    void collect(const Colormap &colormap, const QRect &r)
    {
        // The masks live in registers: stores into `count` could alias them.
        const int w = colormap.width();
        const quint8 *bits = colormap.constBits();
        quint32 mask = lowMask;
        quint32 high = highBits;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const quint8 *row = bits + qsizetype(y) * w;
            for (int x = r.left(); x <= r.right(); ++x) {
                const quint8 c = row[x];
                ++count[c];
                mask |= 1u << (c & 15);
                high |= c;
            }
        }
        lowMask = mask;
        highBits = high;
    }
    // Calls f(colour) for every colour counted, in ascending index order.
    template <typename F> void forEach(F &&f) const
    {
        if (highBits & 0xF0) {
            for (int c = 0; c < 256; ++c) {
                if (count[c])
                    f(quint8(c));
            }
            return;
        }
        for (quint32 m = lowMask; m; m &= m - 1)
            f(quint8(std::countr_zero(m)));
    }
    void reset()
    {
        if (highBits & 0xF0)
            count.fill(0);
        else
            forEach([this](quint8 c) { count[c] = 0; });
        lowMask = 0;
        highBits = 0;
    }
};

// RGB of the 16 indices in the context's palette variant.
struct RgbTable {
    std::array<int, 48> channels{};

    explicit RgbTable(PaletteVariant variant)
    {
        for (int i = 0; i < 16; ++i) {
            const QRgb rgb = paletteRgb(variant, i);
            channels[i * 3] = qRed(rgb);
            channels[i * 3 + 1] = qGreen(rgb);
            channels[i * 3 + 2] = qBlue(rgb);
        }
    }
    double distance(quint8 a, quint8 b) const
    {
        const int *p = &channels[std::min<int>(a, 15) * 3];
        const int *q = &channels[std::min<int>(b, 15) * 3];
        const double dr = p[0] - q[0];
        const double dg = p[1] - q[1];
        const double db = p[2] - q[2];
        return dr * dr + dg * dg + db * db;
    }
};

// Replaces every `from` pixel of a rectangle with `to`.
void repaint(Colormap &colormap, const QRect &r, quint8 from, quint8 to)
{
    const int w = colormap.width();
    quint8 *bits = colormap.bits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        quint8 *row = bits + qsizetype(y) * w;
        for (int x = r.left(); x <= r.right(); ++x) {
            if (row[x] == from)
                row[x] = to;
        }
    }
}

// Per-call state of the clash sweep; lives on the stack, no allocation.
class Sweeper
{
public:
    Sweeper(const ClashContext &context, Colormap &colormap)
        : m_colormap(colormap), m_rgb(context.paletteVariant)
    {
        for (int i = 0; i < 256; ++i)
            m_remap[i] = quint8(i);
    }

    // Makes one unit legal; returns whether any pixel changed.
    bool resolveUnit(const QRect &unit, quint16 fixedMask, int limit)
    {
        // Most units a stroke touches are legal: a colour mask settles them
        // without counting.
        if (distinctCount(m_colormap, unit, fixedMask, limit + 1) <= limit)
            return false;
        m_histogram.collect(m_colormap, unit);
        std::array<quint8, 256> list;
        int n = 0;
        m_histogram.forEach([&](quint8 c) {
            if (!isCommon(fixedMask, c))
                list[n++] = c;
        });
        if (n <= limit) {
            m_histogram.reset();
            return false;
        }
        // The `limit` most-used colours survive, the lower index first among
        // equal counts; the order of the others does not matter, as each
        // merges into a survivor. Keys order by count, then by lower index.
        std::array<quint32, 256> key;
        for (int i = 0; i < n; ++i)
            key[i] = (m_histogram.count[list[i]] << 8) | quint32(255 - list[i]);
        std::array<quint8, 32> survivors;
        int s = 0;
        for (int c = 0; c < 16; ++c) {
            if (isCommon(fixedMask, quint8(c)))
                survivors[s++] = quint8(c);
        }
        for (int k = 0; k < limit; ++k) {
            int best = k;
            for (int i = k + 1; i < n; ++i)
                best = key[i] > key[best] ? i : best;
            std::swap(key[k], key[best]);
            std::swap(list[k], list[best]);
            survivors[s++] = list[k];
        }
        std::sort(survivors.begin(), survivors.begin() + s);
        for (int i = limit; i < n; ++i) {
            const quint8 from = list[i];
            quint8 best = survivors[0];
            double bestDistance = m_rgb.distance(from, best);
            for (int k = 1; k < s; ++k) {
                const double d = m_rgb.distance(from, survivors[k]);
                if (d < bestDistance) {
                    best = survivors[k];
                    bestDistance = d;
                }
            }
            m_remap[from] = best;
        }
        const int w = m_colormap.width();
        quint8 *bits = m_colormap.bits();
        for (int y = unit.top(); y <= unit.bottom(); ++y) {
            quint8 *row = bits + qsizetype(y) * w;
            for (int x = unit.left(); x <= unit.right(); ++x)
                row[x] = m_remap[row[x]];
        }
        for (int i = limit; i < n; ++i)
            m_remap[list[i]] = list[i];
        m_histogram.reset();
        return true;
    }

private:
    Colormap &m_colormap;
    RgbTable m_rgb;
    UnitHistogram m_histogram;
    std::array<quint8, 256> m_remap;
};

// Calls f(unitRect) for every cell of a Bitmap region that `rect` touches,
// rows top to bottom and cells left to right.
template <typename F>
void forEachCell(CanvasMode mode, const QRect &region, const QRect &rect, F &&f)
{
    const QRect span = cellAlignedRect(mode, rect, region);
    if (span.isEmpty())
        return;
    const int cw = cellSize(mode).width();
    const int ch = cellSize(mode).height();
    // The span starts on the cell grid, so only the last cell of a row or
    // column can stick out of the region.
    for (int y = span.top(); y <= span.bottom(); y += ch) {
        const int y2 = std::min(y + ch - 1, region.bottom());
        for (int x = span.left(); x <= span.right(); x += cw) {
            if (!f(QRect(QPoint(x, y), QPoint(std::min(x + cw - 1, region.right()), y2))))
                return;
        }
    }
}

// Calls f(unitRect) for every sprite unit of a sprite region that `rect`
// touches, colour rows outer and columns inner. Units are clipped to
// `canvas`: on a canvas too small for its layout a strip reaches past the
// colormap.
template <typename F>
void forEachSprite(const SpriteGrid &grid, const QRect &canvas, const QRect &rect, F &&f)
{
    const QRect part = rect & grid.rect & canvas;
    if (part.isEmpty())
        return;
    const int c1 = spriteColumnAt(grid, part.left());
    const int c2 = spriteColumnAt(grid, part.right());
    const int r1 = spriteColorRowAt(grid, part.top());
    const int r2 = spriteColorRowAt(grid, part.bottom());
    for (int row = r1; row <= r2; ++row) {
        for (int column = c1; column <= c2; ++column) {
            const QRect unit = spriteRect(grid, column, row) & canvas;
            if (!unit.isEmpty() && !f(unit))
                return;
        }
    }
}

bool unitOverLimit(const Colormap &colormap, const QRect &unit, quint16 commons)
{
    return distinctCount(colormap, unit, commons, 2) >= 2;
}

quint8 bitmapBackground(const ClashContext &context)
{
    return context.mode == CanvasMode::Multicolor ? context.slot(ColorSlot::Background) : 0;
}

// Walks every unit of the canvas, calling f(unitRect) for each clashing one
// until f returns false.
template <typename F>
void forEachClashingUnit(const ClashContext &context, const Colormap &colormap, F &&f)
{
    const QRect canvas = colormap.rect();
    bool goOn = true;
    for (const CanvasRegion &region :
         canvasRegions(context.mode, colormap.size(), context.layout)) {
        if (!goOn)
            return;
        if (region.rect.isEmpty())
            continue;
        if (!region.isSprite()) {
            const quint8 background = bitmapBackground(context);
            forEachCell(context.mode, region.rect, canvas, [&](const QRect &cell) {
                if (cellHasClash(context.mode, colormap, cell, background))
                    goOn = f(cell);
                return goOn;
            });
            continue;
        }
        const SpriteGrid grid = spriteGridOf(region, context.mode, context.layout);
        const quint16 commons = commonColorMask(context, region.kind);
        forEachSprite(grid, canvas, canvas, [&](const QRect &unit) {
            if (unitOverLimit(colormap, unit, commons))
                goOn = f(unit);
            return goOn;
        });
    }
}

// Overwritten pixels of `area` (inside both a unit and the stroke's rect):
// the colormap now holds the pen colour and `before` held another one.
// Counts them by the colour they overwrote; returns the total.
int countOverwritten(const Colormap &colormap, const Colormap &before, const QRect &strokeRect,
                     const QRect &area, quint8 pen, UnitHistogram *histogram)
{
    const QRect r = area & strokeRect & colormap.rect();
    if (r.isEmpty())
        return 0;
    int total = 0;
    const int w = colormap.width();
    const int bw = before.width();
    const quint8 *bits = colormap.constBits();
    const quint8 *old = before.constBits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const int by = y - strokeRect.top();
        if (by >= before.height())
            break;
        const quint8 *row = bits + qsizetype(y) * w;
        const quint8 *oldRow = old + qsizetype(by) * bw;
        for (int x = r.left(); x <= r.right(); ++x) {
            const int bx = x - strokeRect.left();
            if (bx >= bw)
                break;
            if (row[x] != pen || oldRow[bx] == pen)
                continue;
            ++total;
            if (!histogram)
                return total;
            histogram->add(oldRow[bx]);
        }
    }
    return total;
}

// The colour with the highest count, lower index on ties, skipping
// `excluded`; -1 when none.
int mostCounted(const UnitHistogram &h, quint16 excluded)
{
    // Colours come in ascending order, so only a strictly higher count wins.
    int best = -1;
    h.forEach([&](quint8 c) {
        if (!isCommon(excluded, c) && (best < 0 || h.count[c] > h.count[best]))
            best = c;
    });
    return best;
}

// The colour with the lowest count, lower index on ties, skipping `excluded`
// and `pen`; -1 when none.
int leastCounted(const UnitHistogram &h, quint16 excluded, quint8 pen)
{
    int best = -1;
    h.forEach([&](quint8 c) {
        if (c != pen && !isCommon(excluded, c) && (best < 0 || h.count[c] < h.count[best]))
            best = c;
    });
    return best;
}

// Chooses the colour a clashing cell gives up to the pen; -1 for none.
int strokeVictim(const ClashContext &context, const Colormap &colormap, const QRect &cell,
                 UnitHistogram &overwritten, UnitHistogram &cellCounts)
{
    const quint8 pen = context.penColor;
    const bool multi = context.mode == CanvasMode::Multicolor;
    const quint16 backgroundMask =
        multi ? quint16(1u << (context.slot(ColorSlot::Background) & 15)) : quint16(0);
    // The colour the stroke overwrote most often, never the background.
    auto mostOverwritten = [&] { return mostCounted(overwritten, backgroundMask); };

    if (multi) {
        if (context.overwriteVictim)
            return mostOverwritten();
        cellCounts.collect(colormap, cell);
        const int least = leastCounted(cellCounts, backgroundMask, pen);
        return least >= 0 ? least : mostOverwritten();
    }
    switch (context.hiresResolution) {
    case HiresClashResolution::PreserveBorder: {
        std::array<quint8, 3> found;
        const int n = distinctColors(colormap, cell, 0, 3, found.data());
        std::array<quint8, 3> others;
        int m = 0;
        for (int i = 0; i < n; ++i) {
            if (found[i] != pen)
                others[m++] = found[i];
        }
        const quint8 border = context.slot(ColorSlot::Border);
        if (m == 2 && (others[0] == border || others[1] == border))
            return others[0] == border ? others[1] : others[0];
        return mostOverwritten();
    }
    case HiresClashResolution::PreserveMostUsed: {
        cellCounts.collect(colormap, cell);
        const int least = leastCounted(cellCounts, 0, pen);
        return least >= 0 ? least : mostOverwritten();
    }
    case HiresClashResolution::ReplaceOverwritten:
        break;
    }
    return mostOverwritten();
}

} // namespace

bool cellHasClash(CanvasMode mode, const Colormap &colormap, const QRect &cell, quint8 background)
{
    const QRect r = cell & colormap.rect();
    if (r.isEmpty())
        return false;
    if (mode != CanvasMode::Multicolor)
        return distinctCount(colormap, r, 0, 3) > 2;
    const quint16 backgroundMask = background < 16 ? quint16(1u << background) : 0;
    return distinctCount(colormap, r, backgroundMask, 4) > 3;
}

bool spriteOverColorLimit(const ClashContext &context, const Colormap &colormap,
                          const CanvasRegion &region, int column, int colorRow)
{
    if (!region.isSprite())
        return false;
    const SpriteGrid grid = spriteGridOf(region, context.mode, context.layout);
    const QRect unit = spriteRect(grid, column, colorRow) & colormap.rect();
    if (unit.isEmpty())
        return false;
    return unitOverLimit(colormap, unit, commonColorMask(context, region.kind));
}

bool canvasHasClash(const ClashContext &context, const Colormap &colormap)
{
    bool found = false;
    forEachClashingUnit(context, colormap, [&](const QRect &) {
        found = true;
        return false;
    });
    return found;
}

QList<QRect> clashingUnits(const ClashContext &context, const Colormap &colormap)
{
    QList<QRect> units;
    forEachClashingUnit(context, colormap, [&](const QRect &unit) {
        units.append(unit);
        return true;
    });
    return units;
}

QList<ColorUnit> colorUnits(const ClashContext &context, QSize size)
{
    QList<ColorUnit> units;
    const QRect canvas(QPoint(0, 0), size);
    for (const CanvasRegion &region : canvasRegions(context.mode, size, context.layout)) {
        const quint16 commons = commonColorMask(context, region.kind);
        if (!region.isSprite()) {
            const int limit = context.mode == CanvasMode::Multicolor ? 3 : 2;
            forEachCell(context.mode, region.rect, canvas, [&](const QRect &cell) {
                units.append({cell, region.kind, commons, limit, -1});
                return true;
            });
            continue;
        }
        const SpriteGrid grid = spriteGridOf(region, context.mode, context.layout);
        forEachSprite(grid, canvas, canvas, [&](const QRect &unit) {
            units.append({unit, region.kind, commons, 1,
                          grid.topBottom ? spriteColumnAt(grid, unit.left()) : -1});
            return true;
        });
    }
    return units;
}

QRect resolveClashes(const ClashContext &context, Colormap &colormap, const QRect &rect)
{
    const QRect area = rect & colormap.rect();
    if (area.isEmpty())
        return QRect();
    Sweeper sweeper(context, colormap);
    QRect changed;
    for (const CanvasRegion &region :
         canvasRegions(context.mode, colormap.size(), context.layout)) {
        if (!region.rect.intersects(area))
            continue;
        const quint16 fixed = commonColorMask(context, region.kind);
        if (!region.isSprite()) {
            const int limit = context.mode == CanvasMode::Multicolor ? 3 : 2;
            forEachCell(context.mode, region.rect, area, [&](const QRect &cell) {
                if (sweeper.resolveUnit(cell, fixed, limit))
                    changed |= cell;
                return true;
            });
            continue;
        }
        const SpriteGrid grid = spriteGridOf(region, context.mode, context.layout);
        forEachSprite(grid, colormap.rect(), area, [&](const QRect &unit) {
            if (sweeper.resolveUnit(unit, fixed, 1))
                changed |= unit;
            return true;
        });
    }
    return changed;
}

QRect resolveStrokeClashes(const ClashContext &context, Colormap &colormap, const Colormap &before,
                           const QRect &rect)
{
    const QRect area = rect & colormap.rect();
    if (area.isEmpty())
        return QRect();
    const quint8 pen = context.penColor;
    UnitHistogram overwritten;
    UnitHistogram cellCounts;
    QRect changed;
    for (const CanvasRegion &region :
         canvasRegions(context.mode, colormap.size(), context.layout)) {
        if (!region.rect.intersects(area))
            continue;
        const quint16 commons = commonColorMask(context, region.kind);
        if (!region.isSprite()) {
            const quint8 background = bitmapBackground(context);
            forEachCell(context.mode, region.rect, area, [&](const QRect &cell) {
                if (!cellHasClash(context.mode, colormap, cell, background))
                    return true;
                if (countOverwritten(colormap, before, rect, cell, pen, &overwritten) > 0) {
                    const int victim =
                        strokeVictim(context, colormap, cell, overwritten, cellCounts);
                    if (victim >= 0 && victim != pen) {
                        repaint(colormap, cell, quint8(victim), pen);
                        changed |= cell;
                    }
                }
                overwritten.reset();
                cellCounts.reset();
                return true;
            });
            continue;
        }
        // Painting a common colour never breaks a sprite.
        if (isCommon(commons, pen))
            continue;
        const SpriteGrid grid = spriteGridOf(region, context.mode, context.layout);
        forEachSprite(grid, colormap.rect(), area, [&](const QRect &unit) {
            if (countOverwritten(colormap, before, rect, unit, pen, nullptr) == 0)
                return true;
            std::array<quint8, 3> found;
            const int n = distinctColors(colormap, unit, commons, 3, found.data());
            int remaining = 0;
            quint8 other = 0;
            for (int i = 0; i < n; ++i) {
                if (found[i] != pen) {
                    ++remaining;
                    other = found[i];
                }
            }
            // The sprite's single free colour moves to the pen colour.
            if (remaining == 1) {
                repaint(colormap, unit, other, pen);
                changed |= unit;
            }
            return true;
        });
    }
    return changed;
}

bool wouldClash(const ClashContext &context, const Colormap &colormap, QPoint pixel)
{
    if (!colormap.rect().contains(pixel))
        return false;
    const quint8 pen = context.penColor;
    for (const CanvasRegion &region :
         canvasRegions(context.mode, colormap.size(), context.layout)) {
        if (!region.rect.contains(pixel))
            continue;
        const quint8 current = colormap.pixel(pixel.x(), pixel.y());
        if (!region.isSprite()) {
            if (context.mode != CanvasMode::Multicolor)
                return false;
            const quint8 background = context.slot(ColorSlot::Background);
            if (pen == background || current != background)
                return false;
            const QRect cell = cellAlignedRect(context.mode, QRect(pixel, pixel), region.rect);
            // Every colour of the cell: in a cell that already clashes the
            // pen colour may come after the first few.
            std::array<quint8, 256> found;
            const int n = distinctColors(colormap, cell, quint16(1u << (background & 15)),
                                         int(found.size()), found.data());
            for (int i = 0; i < n; ++i) {
                if (found[i] == pen)
                    return false;
            }
            return n >= 3;
        }
        const quint16 commons = commonColorMask(context, region.kind);
        if (isCommon(commons, pen) || !isCommon(commons, current))
            return false;
        const SpriteGrid grid = spriteGridOf(region, context.mode, context.layout);
        const QRect unit =
            spriteRect(grid, spriteColumnAt(grid, pixel.x()), spriteColorRowAt(grid, pixel.y())) &
            colormap.rect();
        std::array<quint8, 2> found;
        const int n = distinctColors(colormap, unit, commons, 2, found.data());
        for (int i = 0; i < n; ++i) {
            if (found[i] != pen)
                return true;
        }
        return false;
    }
    return false;
}
