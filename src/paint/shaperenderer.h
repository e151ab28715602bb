#pragma once

#include "stagedshape.h"
#include "strokerenderer.h"

#include <QImage>
#include <QList>
#include <QPolygonF>
#include <QRect>

class Project;

// Paints staged shapes through the shared paint pipeline: the outline is
// swept by the shape's latched nib into a mask of its own (a filled shape's
// mask covers the inside too) and the mask is painted with the latched
// colours, texture and anti-aliasing, once per symmetry copy.
class ShapeRenderer
{
public:
    explicit ShapeRenderer(StrokeRenderer &renderer) : m_renderer(renderer) {}

    // Paints one shape into the pass; returns the changed rectangle. `area`,
    // when given, grows by the units the paint may have repaired.
    QRect paint(PaintPass &pass, const StagedShape &shape, const QList<SymmetryTransform> &copies,
                QRect *area = nullptr);
    // Paints shapes in order, later ones on top.
    QRect paintAll(PaintPass &pass, const QList<StagedShape> &shapes,
                   const QList<SymmetryTransform> &copies, QRect *area = nullptr);

    // Rasterises an outline in display units into the mask (cleared over the
    // footprint first); returns the footprint in canvas pixels, clipped to
    // the canvas. A one-wide outline is a connected line of canvas pixels;
    // wider ones cover the samples within half the width of the outline.
    QRect rasterize(const Project &project, const QPolygonF &outline, bool closed, int width,
                    BrushShape nib, bool filled, bool antialiased);
    const QImage &mask() const { return m_mask; }

private:
    StrokeRenderer &m_renderer;
    QImage m_mask;
};
