#pragma once

#include "stagedshape.h"
#include "strokerenderer.h"

#include <QImage>
#include <QList>
#include <QPolygonF>
#include <QRect>

class Project;

// Paints staged shapes through the shared paint pipeline with the latched
// colours, texture and anti-aliasing, once per symmetry copy: a filled
// shape's inside first, then every edge of the outline exactly as a pen
// segment between the same points, so an outline paints what the pen
// would paint along the same path with the same brush.
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

    // Marks the inside of a closed outline (display units) into the mask,
    // cleared over its box first; returns that box in canvas pixels,
    // clipped to the canvas. The outline itself is painted edge by edge
    // with StrokeRenderer::sweep, exactly as the pen paints a segment.
    QRect rasterizeInside(const Project &project, const QPolygonF &outline, bool antialiased);
    const QImage &mask() const { return m_mask; }

private:
    StrokeRenderer &m_renderer;
    QImage m_mask;
};
