#include "shaperenderer.h"

#include "document/colormap.h"
#include "document/project.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

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

QRect ShapeRenderer::rasterizeInside(const Project &project, const QPolygonF &outline,
                                     bool antialiased)
{
    const QSize size = StrokeRenderer::maskSize(project);
    if (m_mask.size() != size || m_mask.format() != QImage::Format_Alpha8) {
        m_mask = QImage(size, QImage::Format_Alpha8);
        m_mask.fill(0);
    }
    if (outline.size() < 3 || project.colormap().isEmpty())
        return QRect();
    const double pixelWidth = project.view().pixelWidth();
    const double aspect = project.view().displayAspect();
    const int pw = std::max(1, int(std::lround(pixelWidth)));
    const QRectF box = outline.boundingRect();
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
    const int samples = antialiased ? pw : 1;
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        const QList<double> xs = crossings(outline, (y + 0.5) / aspect);
        if (xs.isEmpty())
            continue;
        uchar *row = bits + y * stride;
        for (int x = bounds.left(); x <= bounds.right(); ++x)
            for (int i = 0; i < samples; ++i) {
                const double sx = antialiased ? x * pixelWidth + i + 0.5 : (x + 0.5) * pixelWidth;
                if (inside(xs, sx))
                    row[x * pw + i] = 255;
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
    AntialiasCoverage *coverage = antialiased ? pass.coverage() : nullptr;
    const bool filled = shape.paintsFilled();
    const bool singlePixel = brush.width <= 1 && !filled;
    const StrokeColors colors{shape.strokeColor, shape.otherColor};
    const NibOffset offset = nibCentringOffset(brush.width, pixelWidth, aspect);
    const QPolygonF outline = shape.outline();
    static const QList<SymmetryTransform> identityOnly = {SymmetryTransform()};
    QRect changed;
    for (const SymmetryTransform &copy : copies.isEmpty() ? identityOnly : copies) {
        // The outline in colormap coordinates; the copies act on canvas pixels.
        QList<QPointF> points;
        QPolygonF mapped;
        for (const QPointF &d : outline) {
            QPointF q(d.x() / pixelWidth, d.y() * aspect);
            if (!copy.isIdentity())
                q = copy.map(q);
            points << q;
            mapped << QPointF(q.x() * pixelWidth, q.y() / aspect);
        }
        if (points.isEmpty())
            continue;
        if (filled) {
            const QRect inside = rasterizeInside(project, mapped, antialiased);
            if (!inside.isEmpty()) {
                if (area)
                    *area |= StrokeRenderer::unitArea(project, inside);
                changed |= m_renderer.paintMask(pass, m_mask, inside, colors, false, shape.texture,
                                                shape.textureMode, coverage);
            }
        }
        // Every edge paints what the pen paints along it, with the nib's
        // centre on the edge.
        NibSweep nib;
        nib.width = brush.width;
        nib.shape = brush.shape;
        nib.mirrored = copy.mirrored;
        nib.angle = copy.mirrored ? copy.angle : -copy.angle;
        // A line or path runs between the pixels the pen would put its nib
        // in. A closed shape's edges run between the pixels their ends lie in,
        // a point on a pixel edge going to the pixel on the centre's side, so
        // a shape centred on a pixel paints the same pixels mirrored.
        QPointF middle(shape.centre.x() / pixelWidth, shape.centre.y() * aspect);
        if (!copy.isIdentity())
            middle = copy.map(middle);
        const auto pixelAlong = [](double v, double centre) {
            const double edge = std::round(v);
            if (std::abs(v - edge) < 1e-7)
                return int(edge) - (edge > centre ? 1 : 0);
            return int(std::floor(v));
        };
        const auto pixelOf = [&](QPointF q) {
            if (!shape.isClosed())
                return QPoint(int(std::floor(q.x() - offset.x + 0.5)),
                              int(std::floor(q.y() - offset.y + 0.5)));
            return QPoint(pixelAlong(q.x(), middle.x()), pixelAlong(q.y(), middle.y()));
        };
        const qsizetype n = points.size();
        const qsizetype edges = n == 1 ? 1 : (shape.isClosed() ? n : n - 1);
        for (qsizetype i = 0; i < edges; ++i) {
            QPointF a = points[i], b = points[(i + 1) % n];
            QPoint pa = pixelOf(a), pb = pixelOf(b);
            // The pen's line breaks a tie between two pixels across its
            // shorter axis toward its end: a closed shape's edge ends on the
            // side nearer the centre, so mirrored edges break ties alike.
            if (shape.isClosed()) {
                const bool across = std::abs(pb.x() - pa.x()) >= std::abs(pb.y() - pa.y());
                const auto off = [&](QPoint p) {
                    return across ? std::abs(p.y() + 0.5 - middle.y())
                                  : std::abs(p.x() + 0.5 - middle.x());
                };
                if (off(pa) < off(pb)) {
                    std::swap(a, b);
                    std::swap(pa, pb);
                }
            }
            const QRect bounds = m_renderer.sweep(project, nib, a, b, pa, pb, antialiased);
            if (bounds.isEmpty())
                continue;
            if (area)
                *area |= StrokeRenderer::unitArea(project, bounds);
            changed |= m_renderer.paintMask(pass, bounds, colors, singlePixel, shape.texture,
                                            shape.textureMode, coverage);
        }
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
