#include "curvesmodel.h"

#include <vector>

namespace
{

int clampByte(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

} // namespace

CurvesModel::CurvesModel()
{
    reset();
}

void CurvesModel::reset()
{
    for (ChannelCurve &curve : m_channels) {
        curve.points = {QPoint(0, 0), QPoint(255, 255)};
        rebuild(curve);
    }
}

bool CurvesModel::isIdentity() const
{
    for (const ChannelCurve &curve : m_channels)
        for (int v = 0; v < 256; ++v)
            if (curve.table[size_t(v)] != v)
                return false;
    return true;
}

int CurvesModel::addPoint(int channel, int x, int y, int gap)
{
    ChannelCurve &curve = m_channels[size_t(channel)];
    if (curve.points.size() >= MaxPoints || x < curve.points.first().x() + gap ||
        x > curve.points.last().x() - gap)
        return -1;
    const QPoint point(clampByte(x), clampByte(y));
    qsizetype index = 0;
    while (index < curve.points.size() && curve.points[index].x() <= point.x())
        ++index;
    curve.points.insert(index, point);
    rebuild(curve);
    return int(index);
}

bool CurvesModel::movePoint(int channel, int index, int x, int y, int gap)
{
    ChannelCurve &curve = m_channels[size_t(channel)];
    if (index < 0 || index >= curve.points.size())
        return false;
    QPoint point = curve.points[index];
    const bool end = index == 0 || index == curve.points.size() - 1;
    if (!end) {
        const int low = curve.points[index - 1].x() + gap;
        const int high = curve.points[index + 1].x() - gap;
        // Neighbours closer than two gaps leave no room: the point keeps its x.
        if (low <= high)
            point.setX(qMax(low, qMin(high, x)));
    }
    point.setY(clampByte(y));
    if (point == curve.points[index])
        return false;
    curve.points[index] = point;
    rebuild(curve);
    return true;
}

bool CurvesModel::removePoint(int channel, int index)
{
    ChannelCurve &curve = m_channels[size_t(channel)];
    if (index <= 0 || index >= curve.points.size() - 1)
        return false;
    curve.points.removeAt(index);
    rebuild(curve);
    return true;
}

// A natural spline: second derivatives zero at both ends, found with the
// tridiagonal (Thomas) solve over the interior points.
void CurvesModel::rebuild(ChannelCurve &curve)
{
    const QList<QPoint> &p = curve.points;
    const qsizetype n = p.size();
    std::vector<double> second(size_t(n), 0.0);
    if (n > 2) {
        std::vector<double> diag(size_t(n), 0.0), rhs(size_t(n), 0.0), upper(size_t(n), 0.0);
        for (qsizetype i = 1; i < n - 1; ++i) {
            const double h0 = p[i].x() - p[i - 1].x();
            const double h1 = p[i + 1].x() - p[i].x();
            const double s0 = h0 > 0 ? (p[i].y() - p[i - 1].y()) / h0 : 0.0;
            const double s1 = h1 > 0 ? (p[i + 1].y() - p[i].y()) / h1 : 0.0;
            const double lower = h0 / 6.0;
            double d = (h0 + h1) / 3.0;
            double r = s1 - s0;
            if (i > 1) {
                const double m = lower / diag[size_t(i - 1)];
                d -= m * upper[size_t(i - 1)];
                r -= m * rhs[size_t(i - 1)];
            }
            diag[size_t(i)] = d;
            upper[size_t(i)] = h1 / 6.0;
            rhs[size_t(i)] = r;
        }
        for (qsizetype i = n - 2; i >= 1; --i) {
            const double next = i + 1 < n - 1 ? second[size_t(i + 1)] : 0.0;
            second[size_t(i)] = diag[size_t(i)] != 0.0
                                    ? (rhs[size_t(i)] - upper[size_t(i)] * next) / diag[size_t(i)]
                                    : 0.0;
        }
    }
    const int first = p.first().x(), last = p.last().x();
    qsizetype segment = 0;
    for (int x = 0; x < 256; ++x) {
        int value;
        if (x <= first) {
            value = p.first().y();
        } else if (x >= last) {
            value = p.last().y();
        } else {
            while (segment + 2 < n && x > p[segment + 1].x())
                ++segment;
            const double x0 = p[segment].x(), x1 = p[segment + 1].x();
            const double y0 = p[segment].y(), y1 = p[segment + 1].y();
            const double h = x1 - x0;
            const double a = x1 - x, b = x - x0;
            const double m0 = second[size_t(segment)], m1 = second[size_t(segment + 1)];
            // The linear part first, so two points give the exact straight line.
            const double s = (y0 * a + y1 * b) / h +
                             (m0 * (a * a * a / h - h * a) + m1 * (b * b * b / h - h * b)) / 6.0;
            // Truncation toward zero, then the byte range; a degenerate solve gives 0.
            value = !(s > 0.0) ? 0 : s >= 255.0 ? 255 : int(s);
        }
        curve.table[size_t(x)] = quint8(value);
    }
}
