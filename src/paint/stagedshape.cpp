#include "stagedshape.h"

#include <algorithm>
#include <cmath>

namespace
{

// A point scaled from the half size it was captured at to the current one.
double rescale(double value, double now, double captured)
{
    return captured > 0.0 ? value * now / captured : value;
}

} // namespace

double segmentDistance(QPointF p, QPointF a, QPointF b, bool chebyshev)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double length2 = dx * dx + dy * dy;
    double t = 0.0;
    if (length2 > 0.0)
        t = std::clamp(((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / length2, 0.0, 1.0);
    const double ex = std::abs(p.x() - a.x() - t * dx), ey = std::abs(p.y() - a.y() - t * dy);
    return chebyshev ? std::max(ex, ey) : std::hypot(ex, ey);
}

QPointF StagedShape::cornerSign(int i)
{
    static const QPointF signs[4] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    return signs[i & 3];
}

QPointF StagedShape::localCorner(int i) const
{
    const QPointF sign = cornerSign(i);
    return QPointF(sign.x() * halfSize.x(), sign.y() * halfSize.y());
}

double normalizedDegrees(double degrees)
{
    double d = std::fmod(degrees + 180.0, 360.0);
    if (d < 0.0)
        d += 360.0;
    return d - 180.0;
}

bool StagedShape::isSkewed() const
{
    return std::any_of(cornerOffsets.begin(), cornerOffsets.end(),
                       [](QPointF p) { return p.x() != 0.0 || p.y() != 0.0; });
}

bool StagedShape::paintsFilled() const
{
    return filled && kind != ShapeKind::Line && kind != ShapeKind::Path;
}

double StagedShape::clampedInnerRatio() const
{
    return std::clamp(innerRatio, MinInnerRatio, MaxInnerRatio);
}

QTransform StagedShape::transform() const
{
    QTransform skew;
    if (isSkewed()) {
        QPolygonF box, quad;
        for (int i = 0; i < 4; ++i) {
            box << localCorner(i);
            quad << localCorner(i) + cornerOffsets[size_t(i)];
        }
        // A degenerate quadrilateral leaves the box unskewed.
        if (!QTransform::quadToQuad(box, quad, skew))
            skew = QTransform();
    }
    QTransform place;
    place.translate(centre.x(), centre.y());
    place.rotate(rotation);
    return skew * place;
}

std::array<QPointF, 4> StagedShape::corners() const
{
    const QTransform t = transform();
    std::array<QPointF, 4> result;
    for (int i = 0; i < 4; ++i)
        result[size_t(i)] = t.map(localCorner(i));
    return result;
}

QPolygonF StagedShape::localOutline() const
{
    const double hx = halfSize.x(), hy = halfSize.y();
    QPolygonF out;
    switch (kind) {
    case ShapeKind::Line:
    case ShapeKind::Path:
        for (const QPointF &p : points)
            out << QPointF(rescale(p.x(), hx, capturedHalfSize.x()),
                           rescale(p.y(), hy, capturedHalfSize.y()));
        break;
    case ShapeKind::Rectangle: {
        const double ax = std::abs(hx), ay = std::abs(hy);
        const double rr = std::min({ax, ay, cornerRadius});
        if (cornerRadius >= 0.0 && rr >= 0.25) {
            const int n = std::clamp(int(std::ceil(rr * (M_PI / 2) / 1.2)), 2, 64);
            const double centres[4][2] = {{-(ax - rr), -(ay - rr)},
                                          {ax - rr, -(ay - rr)},
                                          {ax - rr, ay - rr},
                                          {-(ax - rr), ay - rr}};
            for (int arc = 0; arc < 4; ++arc) {
                const double start = 180.0 + 90.0 * arc;
                for (int i = 0; i <= n; ++i) {
                    const double t = (start + i * 90.0 / n) * M_PI / 180.0;
                    out << QPointF(centres[arc][0] + rr * std::cos(t),
                                   centres[arc][1] + rr * std::sin(t));
                }
            }
        } else {
            out << QPointF(-hx, -hy) << QPointF(hx, -hy) << QPointF(hx, hy) << QPointF(-hx, hy);
        }
        break;
    }
    case ShapeKind::Circle: {
        // A whole number of points per quarter, each quarter and each half
        // quarter the exact mirror of the next, so a circle centred on a
        // pixel paints the same pixels mirrored and turned a quarter.
        const int quarter = std::clamp(
            int(std::ceil(std::max(std::abs(hx), std::abs(hy)) * (M_PI / 2) / 1.2)), 4, 64);
        const double step = (M_PI / 2) / quarter;
        for (int i = 0; i < 4 * quarter; ++i) {
            const int k = i % quarter;
            const bool upper = 2 * k > quarter;
            const double t = (upper ? quarter - k : k) * step;
            const double c = upper ? std::sin(t) : std::cos(t);
            const double s = upper ? std::cos(t) : std::sin(t);
            const double turned[4][2] = {{c, s}, {-s, c}, {-c, -s}, {s, -c}};
            out << QPointF(hx * turned[i / quarter][0], hy * turned[i / quarter][1]);
        }
        break;
    }
    case ShapeKind::Star: {
        const double ratio = clampedInnerRatio();
        for (int i = 0; i < 10; ++i) {
            const double t = (i * 36.0 - 90.0) * M_PI / 180.0;
            const double k = i % 2 ? ratio : 1.0;
            out << QPointF(k * hx * std::cos(t), k * hy * std::sin(t));
        }
        break;
    }
    }
    return out;
}

QPolygonF StagedShape::outline() const
{
    return transform().map(localOutline());
}
