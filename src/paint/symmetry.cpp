#include "symmetry.h"

#include <cmath>
#include <limits>

QPointF SymmetryTransform::map(QPointF p) const
{
    const double dx = p.x() - cx;
    const double dy = p.y() - cy;
    return QPointF(cx + a * dx + b * dy, cy + c * dx + d * dy);
}

QPoint SymmetryTransform::mapPixel(QPoint pixel, double ox, double oy) const
{
    const QPointF m = map(QPointF(pixel.x() + ox, pixel.y() + oy));
    // std::round rounds halves away from zero.
    return QPoint(int(std::round(m.x() - ox)), int(std::round(m.y() - oy)));
}

SymmetryAxes SymmetryAxes::clampedTo(QSize canvas) const
{
    return {qBound(0, row, 2 * canvas.height()), qBound(0, column, 2 * canvas.width())};
}

namespace
{

// Cosine and sine of a multiple of 45 degrees, exact at multiples of 90.
void exactCosSin(int degrees, double &cosT, double &sinT)
{
    switch (((degrees % 360) + 360) % 360) {
    case 0:
        cosT = 1.0, sinT = 0.0;
        return;
    case 90:
        cosT = 0.0, sinT = 1.0;
        return;
    case 180:
        cosT = -1.0, sinT = 0.0;
        return;
    case 270:
        cosT = 0.0, sinT = -1.0;
        return;
    default:
        break;
    }
    const double t = degrees * M_PI / 180.0;
    cosT = std::cos(t);
    sinT = std::sin(t);
}

SymmetryTransform make(double a, double b, double c, double d, double angle, bool mirrored)
{
    SymmetryTransform t;
    t.a = a, t.b = b, t.c = c, t.d = d;
    t.angle = angle;
    t.mirrored = mirrored;
    return t;
}

} // namespace

QList<SymmetryTransform> symmetryTransforms(SymmetryMode mode, const SymmetryAxes &axes,
                                            int pixelWidth, double aspect)
{
    // k is the display width-to-height factor of one colormap pixel.
    const double k = std::max(1, pixelWidth) * aspect;
    QList<SymmetryTransform> list;
    list.append(make(1, 0, 0, 1, 0, false));
    const SymmetryTransform horizontal = make(1, 0, 0, -1, 0, true);
    const SymmetryTransform vertical = make(-1, 0, 0, 1, 180, true);
    const SymmetryTransform halfTurn = make(-1, 0, 0, -1, 180, false);
    switch (mode) {
    case SymmetryMode::None:
        break;
    case SymmetryMode::Horizontal:
        list.append(horizontal);
        break;
    case SymmetryMode::Vertical:
        list.append(vertical);
        break;
    case SymmetryMode::Quadrant:
        list << horizontal << vertical << halfTurn;
        break;
    case SymmetryMode::BiQuadrant:
        list << horizontal << vertical << halfTurn;
        list << make(0, 1 / k, k, 0, 90, true) << make(0, -1 / k, -k, 0, 270, true);
        list << make(0, -1 / k, k, 0, 90, false) << make(0, 1 / k, -k, 0, 270, false);
        break;
    case SymmetryMode::Kaleidoscope:
        for (int t = 45; t < 360; t += 45) {
            double cosT = 1, sinT = 0;
            exactCosSin(t, cosT, sinT);
            list << make(cosT, -sinT / k, k * sinT, cosT, t, false);
        }
        break;
    }
    const QPointF centre = axes.intersection();
    for (SymmetryTransform &t : list) {
        t.cx = centre.x();
        t.cy = centre.y();
    }
    return list;
}

QLineF clipLineToRect(QPointF point, QPointF direction, const QRectF &rect)
{
    double t0 = -1e12, t1 = 1e12;
    const double p[2] = {point.x(), point.y()};
    const double dir[2] = {direction.x(), direction.y()};
    const double lo[2] = {rect.left(), rect.top()};
    const double hi[2] = {rect.right(), rect.bottom()};
    for (int axis = 0; axis < 2; ++axis) {
        if (std::abs(dir[axis]) < std::numeric_limits<double>::epsilon()) {
            if (p[axis] < lo[axis] || p[axis] > hi[axis])
                return QLineF();
            continue;
        }
        double ta = (lo[axis] - p[axis]) / dir[axis];
        double tb = (hi[axis] - p[axis]) / dir[axis];
        if (ta > tb)
            std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1)
            return QLineF();
    }
    return QLineF(point + direction * t0, point + direction * t1);
}

SymmetryGuides symmetryGuides(SymmetryMode mode, const SymmetryAxes &axes, QSize canvas,
                              int pixelWidth, double aspect)
{
    SymmetryGuides guides;
    if (mode == SymmetryMode::None)
        return guides;
    guides.color = mode == SymmetryMode::Kaleidoscope ? QColor(255, 255, 0) : QColor(0, 255, 0);
    const QRectF rect(0, 0, canvas.width(), canvas.height());
    const QPointF centre = axes.intersection();
    const QLineF horizontalAxis(0, centre.y(), canvas.width(), centre.y());
    const QLineF verticalAxis(centre.x(), 0, centre.x(), canvas.height());
    // A display-space direction at `degrees` (y down) in canvas units.
    const double w = std::max(1, pixelWidth);
    auto displayDirection = [&](int degrees) {
        double cosT = 1, sinT = 0;
        exactCosSin(degrees, cosT, sinT);
        return QPointF(cosT / w, sinT * aspect);
    };
    auto addClipped = [&](int degrees) {
        const QLineF line = clipLineToRect(centre, displayDirection(degrees), rect);
        if (!line.isNull())
            guides.lines.append(line);
    };
    switch (mode) {
    case SymmetryMode::None:
        break;
    case SymmetryMode::Horizontal:
        guides.lines << horizontalAxis;
        break;
    case SymmetryMode::Vertical:
        guides.lines << verticalAxis;
        break;
    case SymmetryMode::Quadrant:
        guides.lines << horizontalAxis << verticalAxis;
        break;
    case SymmetryMode::BiQuadrant:
        guides.lines << horizontalAxis << verticalAxis;
        addClipped(45);
        addClipped(135);
        break;
    case SymmetryMode::Kaleidoscope:
        for (int degrees : {0, 45, 90, 135})
            addClipped(degrees);
        break;
    }
    return guides;
}

bool Symmetry::setMode(SymmetryMode mode)
{
    if (mode == m_mode)
        return false;
    m_mode = mode;
    return true;
}

bool Symmetry::setAxes(SymmetryAxes axes, QSize canvas)
{
    axes = axes.clampedTo(canvas);
    if (axes == m_axes)
        return false;
    m_axes = axes;
    return true;
}

bool Symmetry::setApplyToFill(bool on)
{
    if (on == m_applyToFill)
        return false;
    m_applyToFill = on;
    return true;
}

bool Symmetry::setApplyToShapes(bool on)
{
    if (on == m_applyToShapes)
        return false;
    m_applyToShapes = on;
    return true;
}

QList<SymmetryTransform> Symmetry::strokeTransforms(int pixelWidth, double aspect) const
{
    return symmetryTransforms(m_mode, m_axes, pixelWidth, aspect);
}

QList<SymmetryTransform> Symmetry::fillTransforms(int pixelWidth, double aspect) const
{
    return symmetryTransforms(m_applyToFill ? m_mode : SymmetryMode::None, m_axes, pixelWidth,
                              aspect);
}

QList<SymmetryTransform> Symmetry::shapeTransforms(int pixelWidth, double aspect) const
{
    return symmetryTransforms(m_applyToShapes ? m_mode : SymmetryMode::None, m_axes, pixelWidth,
                              aspect);
}
