#include "shaperenderer.h"

#include "document/colormap.h"
#include "document/project.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

struct Edge {
    QPointF a, b;
    double top, bottom; // display y range, grown by the reach
};

// Where the closed outline crosses the horizontal line at y, sorted; a
// sample between an odd and an even crossing is inside.
QList<double> crossings(const QPolygonF &outline, double y)
{
    QList<double> xs;
    const qsizetype n = outline.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF a = outline[i], b = outline[(i + 1) % n];
        if ((a.y() <= y) == (b.y() <= y))
            continue;
        xs << a.x() + (y - a.y()) / (b.y() - a.y()) * (b.x() - a.x());
    }
    std::sort(xs.begin(), xs.end());
    return xs;
}

bool inside(const QList<double> &xs, double x)
{
    return (std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) % 2 == 1;
}

} // namespace

QRect ShapeRenderer::rasterize(const Project &project, const QPolygonF &outline, bool closed,
                               int width, BrushShape nib, bool filled, bool antialiased)
{
    const QSize size = StrokeRenderer::maskSize(project);
    if (m_mask.size() != size || m_mask.format() != QImage::Format_Alpha8) {
        m_mask = QImage(size, QImage::Format_Alpha8);
        m_mask.fill(0);
    }
    if (outline.isEmpty() || project.colormap().isEmpty())
        return QRect();
    width = std::clamp(width, BrushSettings::MinWidth, BrushSettings::MaxWidth);
    const double pixelWidth = project.view().pixelWidth();
    const double aspect = project.view().displayAspect();
    const int pw = std::max(1, int(std::lround(pixelWidth)));
    const bool square = nib == BrushShape::Square && width > 1;
    const double r = width / 2.0 + 1e-6;
    const double reach = (square ? r * M_SQRT2 : r) + 1.0;

    const QRectF box = outline.boundingRect().adjusted(-reach, -reach, reach, reach);
    const QRect bounds =
        QRect(QPoint(int(std::floor(box.left() / pixelWidth)), int(std::floor(box.top() * aspect))),
              QPoint(int(std::ceil(box.right() / pixelWidth)),
                     int(std::ceil(box.bottom() * aspect)))) &
        project.colormap().rect();
    if (bounds.isEmpty())
        return QRect();
    StrokeRenderer::clearMask(m_mask, bounds, pw);
    uchar *bits = m_mask.bits();
    const qsizetype stride = m_mask.bytesPerLine();

    QList<Edge> edges;
    const qsizetype n = outline.size();
    const qsizetype count = n == 1 ? 1 : (closed ? n : n - 1);
    for (qsizetype i = 0; i < count; ++i) {
        const QPointF a = outline[i], b = outline[(i + 1) % n];
        edges.append({a, b, std::min(a.y(), b.y()) - reach, std::max(a.y(), b.y()) + reach});
    }

    if (width == 1) {
        // One canvas pixel per column or row along the longer axis, sampled
        // at pixel centres, so the line stays connected and one pixel thin.
        const auto plot = [&](double x, double y) {
            const int px = int(std::floor(x)), py = int(std::floor(y));
            if (bounds.contains(px, py))
                bits[py * stride + px * pw] = 255;
        };
        for (const Edge &e : edges) {
            QPointF a(e.a.x() / pixelWidth, e.a.y() * aspect);
            QPointF b(e.b.x() / pixelWidth, e.b.y() * aspect);
            const bool steep = std::abs(b.y() - a.y()) > std::abs(b.x() - a.x());
            if (steep) {
                a = a.transposed();
                b = b.transposed();
            }
            if (a.x() > b.x())
                std::swap(a, b);
            const int first = int(std::ceil(a.x() - 0.5));
            if (first + 0.5 > b.x()) {
                // Shorter than a pixel between centres: its start stands for it.
                steep ? plot(a.y(), a.x()) : plot(a.x(), a.y());
                continue;
            }
            const double slope = (b.y() - a.y()) / (b.x() - a.x());
            for (int k = first; k + 0.5 <= b.x(); ++k) {
                const double along = k + 0.5, across = a.y() + (along - a.x()) * slope;
                if (steep)
                    plot(across, along);
                else
                    plot(along, across);
            }
        }
    }

    const bool fill = filled && closed && n > 2;
    const int samples = antialiased ? pw : 1;
    QList<const Edge *> rowEdges;
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        const double sy = (y + 0.5) / aspect;
        uchar *row = bits + y * stride;
        rowEdges.clear();
        if (width > 1)
            for (const Edge &e : edges)
                if (sy >= e.top && sy <= e.bottom)
                    rowEdges.append(&e);
        const QList<double> xs = fill ? crossings(outline, sy) : QList<double>();
        if (rowEdges.isEmpty() && xs.isEmpty())
            continue;
        for (int x = bounds.left(); x <= bounds.right(); ++x) {
            for (int i = 0; i < samples; ++i) {
                const double sx = antialiased ? x * pixelWidth + i + 0.5 : (x + 0.5) * pixelWidth;
                uchar &byte = row[x * pw + i];
                if (fill && inside(xs, sx)) {
                    byte = 255;
                    continue;
                }
                double d = 1e9;
                for (const Edge *e : rowEdges)
                    d = std::min(d, segmentDistance(QPointF(sx, sy), e->a, e->b, square));
                if (!antialiased) {
                    if (d <= r)
                        byte = 255;
                    continue;
                }
                const double cover = r + 0.5 - d;
                const uchar value = cover >= 1.0  ? 255
                                    : cover > 0.0 ? uchar(std::lround(255 * cover))
                                                  : 0;
                byte = std::max(byte, value);
            }
        }
    }
    return bounds;
}

QRect ShapeRenderer::paint(PaintPass &pass, const StagedShape &shape,
                           const QList<SymmetryTransform> &copies, QRect *area)
{
    const Project &project = pass.project();
    const double pixelWidth = project.view().pixelWidth();
    const double aspect = project.view().displayAspect();
    BrushSettings brush;
    brush.setWidth(shape.width);
    brush.shape = shape.nib;
    brush.antialiased = shape.antialiased;
    const bool antialiased = paintIsAntialiased(project, brush) && pass.coverage();
    const bool filled = shape.paintsFilled();
    const bool singlePixel = brush.width <= 1 && !filled;
    const QPolygonF outline = shape.outline();
    static const QList<SymmetryTransform> identityOnly = {SymmetryTransform()};
    QRect changed;
    for (const SymmetryTransform &copy : copies.isEmpty() ? identityOnly : copies) {
        QPolygonF mapped = outline;
        if (!copy.isIdentity()) {
            // The copies act on canvas pixels.
            for (QPointF &p : mapped) {
                const QPointF c = copy.map(QPointF(p.x() / pixelWidth, p.y() * aspect));
                p = QPointF(c.x() * pixelWidth, c.y() / aspect);
            }
        }
        const QRect bounds = rasterize(project, mapped, shape.isClosed(), brush.width, brush.shape,
                                       filled, antialiased);
        if (bounds.isEmpty())
            continue;
        if (area)
            *area |= StrokeRenderer::unitArea(project, bounds);
        changed |= m_renderer.paintMask(pass, m_mask, bounds, {shape.strokeColor, shape.otherColor},
                                        singlePixel, shape.texture, shape.textureMode,
                                        antialiased ? pass.coverage() : nullptr);
    }
    return changed;
}

QRect ShapeRenderer::paintAll(PaintPass &pass, const QList<StagedShape> &shapes,
                              const QList<SymmetryTransform> &copies, QRect *area)
{
    QRect changed;
    for (const StagedShape &shape : shapes)
        changed |= paint(pass, shape, copies, area);
    return changed;
}
