#include "selectiongeometry.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace
{

// One byte per pixel of a rectangle: regions are built here and turned into
// a QRegion once, in the banded form QRegion keeps, so equal pixel sets give
// equal regions.
class PixelMask
{
public:
    explicit PixelMask(const QRect &bounds)
        : m_bounds(bounds), m_bits(size_t(std::max(0, bounds.width() * bounds.height())), 0)
    {
    }
    bool contains(int x, int y) const
    {
        return m_bounds.contains(x, y) &&
               m_bits[size_t((y - m_bounds.top()) * m_bounds.width() + x - m_bounds.left())];
    }
    void set(int x, int y)
    {
        if (m_bounds.contains(x, y))
            m_bits[size_t((y - m_bounds.top()) * m_bounds.width() + x - m_bounds.left())] = 1;
    }
    void fill(const QRect &rect)
    {
        const QRect r = rect & m_bounds;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::fill_n(m_bits.begin() + (y - m_bounds.top()) * m_bounds.width() +
                            (r.left() - m_bounds.left()),
                        r.width(), uchar(1));
    }
    QRegion toRegion() const
    {
        using Spans = std::vector<std::pair<int, int>>;
        auto spansOf = [this](int y) {
            Spans spans;
            for (int x = m_bounds.left(); x <= m_bounds.right(); ++x) {
                if (!contains(x, y))
                    continue;
                const int start = x;
                while (x + 1 <= m_bounds.right() && contains(x + 1, y))
                    ++x;
                spans.emplace_back(start, x);
            }
            return spans;
        };
        QList<QRect> rects;
        int y = m_bounds.top();
        while (y <= m_bounds.bottom()) {
            const Spans spans = spansOf(y);
            int bottom = y;
            while (bottom + 1 <= m_bounds.bottom() && spansOf(bottom + 1) == spans)
                ++bottom;
            for (const auto &[l, r] : spans)
                rects.append(QRect(QPoint(l, y), QPoint(r, bottom)));
            y = bottom + 1;
        }
        QRegion region;
        if (!rects.isEmpty())
            region.setRects(rects.constData(), int(rects.size()));
        return region;
    }

private:
    QRect m_bounds;
    std::vector<uchar> m_bits;
};

QRect boundsOf(const QList<QPoint> &points)
{
    QRect bounds;
    for (QPoint p : points)
        bounds |= QRect(p, QSize(1, 1));
    return bounds;
}

} // namespace

SelectionCompose composeModeFor(Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool alt = modifiers & Qt::AltModifier;
    if (shift && alt)
        return SelectionCompose::Intersect;
    if (shift)
        return SelectionCompose::Add;
    if (alt)
        return SelectionCompose::Subtract;
    return SelectionCompose::Replace;
}

QRegion composeSelection(const QRegion &base, const QRegion &marquee, SelectionCompose mode)
{
    switch (mode) {
    case SelectionCompose::Add:
        return base.united(marquee);
    case SelectionCompose::Subtract:
        return base.subtracted(marquee);
    case SelectionCompose::Intersect:
        return base.intersected(marquee);
    case SelectionCompose::Replace:
        break;
    }
    return marquee;
}

QRegion rectangleMarquee(QPoint a, QPoint b, const QRect &canvas)
{
    const QRect rect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                     QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
    return QRegion(rect & canvas);
}

QRegion screenMarquee(QPointF pressCanvas, QPointF pointerWidget,
                      const QTransform &widgetFromCanvas, const QRect &canvas)
{
    const QRectF screen = QRectF(widgetFromCanvas.map(pressCanvas), pointerWidget).normalized();
    const QTransform back = widgetFromCanvas.inverted();
    QList<QPoint> corners;
    for (QPointF corner :
         {screen.topLeft(), screen.topRight(), screen.bottomRight(), screen.bottomLeft()}) {
        const QPointF c = back.map(corner);
        corners.append(QPoint(int(std::floor(c.x())), int(std::floor(c.y()))));
    }
    return lassoRegion(corners) & canvas;
}

QList<QPoint> linePixels(QPoint a, QPoint b)
{
    QList<QPoint> pixels;
    const int dx = std::abs(b.x() - a.x()), sx = a.x() < b.x() ? 1 : -1;
    const int dy = -std::abs(b.y() - a.y()), sy = a.y() < b.y() ? 1 : -1;
    int error = dx + dy;
    QPoint p = a;
    for (;;) {
        pixels.append(p);
        if (p == b)
            break;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.rx() += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.ry() += sy;
        }
    }
    return pixels;
}

QRegion lassoRegion(const QList<QPoint> &points)
{
    if (points.isEmpty())
        return QRegion();
    const QRect bounds = boundsOf(points);
    PixelMask mask(bounds);
    const qsizetype n = points.size();
    if (n >= 3) {
        // Non-zero winding sampled at the pixels themselves (the polygon runs
        // through the pixels of its points).
        std::vector<std::pair<double, int>> crossings;
        for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
            crossings.clear();
            for (qsizetype i = 0; i < n; ++i) {
                const QPoint a = points[i], b = points[(i + 1) % n];
                if (a.y() == b.y())
                    continue;
                const bool up = a.y() < b.y();
                const QPoint lo = up ? a : b, hi = up ? b : a;
                if (y < lo.y() || y >= hi.y())
                    continue;
                const double x =
                    lo.x() + double(y - lo.y()) * (hi.x() - lo.x()) / (hi.y() - lo.y());
                crossings.emplace_back(x, up ? 1 : -1);
            }
            std::sort(crossings.begin(), crossings.end());
            int winding = 0;
            for (size_t k = 0; k + 1 < crossings.size(); ++k) {
                winding += crossings[k].second;
                if (winding == 0)
                    continue;
                const int from = int(std::ceil(crossings[k].first));
                const int to = int(std::floor(crossings[k + 1].first));
                for (int x = from; x <= to; ++x)
                    mask.set(x, y);
            }
        }
    }
    for (qsizetype i = 0; i < n; ++i)
        for (QPoint p : linePixels(points[i], points[(i + 1) % n]))
            mask.set(p.x(), p.y());
    return mask.toRegion();
}

QRegion mirrorRegion(const QRegion &region, Qt::Orientation orientation)
{
    const QRect b = region.boundingRect();
    PixelMask mask(b);
    for (const QRect &r : region) {
        if (orientation == Qt::Horizontal)
            mask.fill(QRect(QPoint(b.left() + b.right() - r.right(), r.top()),
                            QPoint(b.left() + b.right() - r.left(), r.bottom())));
        else
            mask.fill(QRect(QPoint(r.left(), b.top() + b.bottom() - r.bottom()),
                            QPoint(r.right(), b.top() + b.bottom() - r.top())));
    }
    return mask.toRegion();
}

QList<QLineF> regionOutline(const QRegion &region)
{
    QList<QLineF> segments;
    const QRect b = region.boundingRect();
    if (b.isEmpty())
        return segments;
    PixelMask mask(b);
    for (const QRect &r : region)
        mask.fill(r);
    // Horizontal edges lie between rows y - 1 and y, vertical ones between
    // columns x - 1 and x.
    for (int y = b.top(); y <= b.bottom() + 1; ++y) {
        for (int x = b.left(); x <= b.right(); ++x) {
            if (mask.contains(x, y) == mask.contains(x, y - 1))
                continue;
            const int start = x;
            while (x + 1 <= b.right() && mask.contains(x + 1, y) != mask.contains(x + 1, y - 1))
                ++x;
            segments.append(QLineF(start, y, x + 1, y));
        }
    }
    for (int x = b.left(); x <= b.right() + 1; ++x) {
        for (int y = b.top(); y <= b.bottom(); ++y) {
            if (mask.contains(x, y) == mask.contains(x - 1, y))
                continue;
            const int start = y;
            while (y + 1 <= b.bottom() && mask.contains(x, y + 1) != mask.contains(x - 1, y + 1))
                ++y;
            segments.append(QLineF(x, start, x, y + 1));
        }
    }
    return segments;
}

qreal antsDashOffset(const QLineF &segment, bool phase)
{
    constexpr qreal Period = 8.0;
    const qreal length = segment.length();
    if (length < 1e-6)
        return phase ? Period / 2 : 0.0;
    const QPointF unit = (segment.p2() - segment.p1()) / length;
    qreal offset = std::fmod(QPointF::dotProduct(segment.p1(), unit), Period);
    if (offset < 0)
        offset += Period;
    return offset + (phase ? Period / 2 : 0.0);
}

QPoint pasteOffset(const QRect &bounds, const QTransform &widgetFromCanvas, const QRect &widgetRect,
                   QSize cell)
{
    const QRectF edges(bounds.x(), bounds.y(), bounds.width(), bounds.height());
    if (widgetFromCanvas.mapRect(edges).intersects(QRectF(widgetRect)))
        return QPoint();
    const QPointF c = widgetFromCanvas.inverted().map(QRectF(widgetRect).center());
    const QPointF m = edges.center();
    // std::round rounds half away from zero.
    return QPoint(int(std::round((c.x() - m.x()) / cell.width())) * cell.width(),
                  int(std::round((c.y() - m.y()) / cell.height())) * cell.height());
}
