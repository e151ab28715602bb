#pragma once

#include "clashcontext.h"

#include "document/colormap.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QVarLengthArray>
#include <array>

// A top or bottom border shows the same 8 hardware sprites in both of its
// rows, so at most 8 of its columns may hold anything but the border's
// background. Side strips have no such budget.
constexpr int SpritesPerBorder = 8;

// The background colour of a top or bottom border region.
quint8 borderBackground(const ClashContext &context, RegionKind kind);

// The columns of a top or bottom border beyond the budget: the occupied
// columns with the fewest non-background pixels after the 8 fullest (on
// equal counts the column nearer the aligned edge survives). Column indices
// ascending; empty for other regions and for borders within budget.
QList<int> overBudgetColumns(const ClashContext &context, const Colormap &colormap,
                             const CanvasRegion &border);
// The same columns as unit rectangles clipped to the region.
QList<QRect> overBudgetSprites(const ClashContext &context, const Colormap &colormap,
                               const CanvasRegion &border);

// The units the canvas view frames in red. Top and bottom borders: first the
// columns over their colour limit, then the columns over the budget (a column
// can be in both). Side strips: the sprites over their colour limit, which
// only a flip leaves (their colour rows do not mirror onto each other).
struct RedFrameSet {
    QList<QRect> top;
    QList<QRect> bottom;
    QList<QRect> sides;

    QList<QRect> all() const { return top + bottom + sides; }
    bool isEmpty() const { return top.isEmpty() && bottom.isEmpty() && sides.isEmpty(); }
};
RedFrameSet redFrameSet(const ClashContext &context, const Colormap &colormap);

// The sprite budget during one stroke under the Enforce policy: a stroke may
// open new columns until its border holds 8, then leaves no pixel in a 9th.
// Existing pixels are never removed. Inert for every other layout and under
// the Flag policy. Keeps a reference to `colormap`, which must outlive it;
// each border's occupancy is read from it on first use.
class SpriteBudgetState
{
public:
    SpriteBudgetState(const ClashContext &context, const Colormap &colormap,
                      SpriteCountPolicy policy = SpriteCountPolicy::Enforce);

    // Whether painting `color` at `pixel` would open a column beyond the budget.
    bool blocked(QPoint pixel, quint8 color);
    // Records that `color` was painted at `pixel`, occupying its column.
    void markPainted(QPoint pixel, quint8 color);

    // Occupancy of the top (0) or bottom (1) border, read from the colormap
    // if not yet known; a border the canvas lacks has no occupied column.
    bool isOccupied(int border, int column);
    int occupiedCount(int border);

private:
    struct Border {
        QRect rect;
        SpriteGrid grid;
        quint8 background = 0;
        QVarLengthArray<bool, 16> occupied;
        int occupiedCount = 0;
        bool computed = false;
    };
    Border *borderAt(QPoint pixel);
    Border *computed(int border);
    void compute(Border &border);

    const Colormap &m_colormap;
    std::array<Border, 2> m_borders;
    int m_borderCount = 0;
};
