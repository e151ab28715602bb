#include "pixelperfectfilter.h"

#include <cmath>
#include <cstdlib>

void PixelPerfectFilter::reset()
{
    m_hasPrevious = false;
    m_hasPending = false;
    m_previous = QPoint();
    m_pending = QPoint();
}

void PixelPerfectFilter::start(QPoint pixel)
{
    reset();
    m_pending = pixel;
    m_hasPending = true;
}

QList<QPoint> PixelPerfectFilter::feed(QPoint target)
{
    QList<QPoint> out;
    if (!m_hasPending || target == m_pending)
        return out;
    const QPoint from = m_pending;
    const int dx = target.x() - from.x();
    const int dy = target.y() - from.y();
    const int n = std::max(std::abs(dx), std::abs(dy));
    for (int i = 1; i <= n; ++i) {
        const int sx = int(std::round(double(i) * dx / n));
        const int sy = int(std::round(double(i) * dy / n));
        step(from + QPoint(sx, sy), out);
    }
    return out;
}

QList<QPoint> PixelPerfectFilter::flush()
{
    QList<QPoint> out;
    if (m_hasPending)
        out.append(m_pending);
    reset();
    return out;
}

void PixelPerfectFilter::step(QPoint q, QList<QPoint> &out)
{
    if (m_hasPrevious) {
        const QPoint a = m_pending - m_previous;
        const QPoint b = q - m_pending;
        const bool aHorizontal = a.y() == 0 && std::abs(a.x()) == 1;
        const bool aVertical = a.x() == 0 && std::abs(a.y()) == 1;
        const bool bHorizontal = b.y() == 0 && std::abs(b.x()) == 1;
        const bool bVertical = b.x() == 0 && std::abs(b.y()) == 1;
        if ((aHorizontal && bVertical) || (aVertical && bHorizontal)) {
            // The pending pixel is the corner of an L: skip it.
            m_pending = q;
            return;
        }
    }
    out.append(m_pending);
    m_previous = m_pending;
    m_hasPrevious = true;
    m_pending = q;
}
