#include "viewtransform.h"

#include <algorithm>
#include <cmath>

ViewTransform::ViewTransform(double pixelWidth) { setPixelWidth(pixelWidth); }

void ViewTransform::setZoom(double zoom) { m_zoom = std::clamp(zoom, MinZoom, MaxZoom); }

void ViewTransform::setRotation(double degrees) { m_rotation = normalizeRotation(degrees); }

void ViewTransform::setPixelWidth(double width)
{
    m_pixelWidth = std::clamp(width, MinPixelShape, MaxPixelShape);
}

void ViewTransform::setDisplayAspect(double aspect)
{
    m_displayAspect = std::clamp(aspect, MinPixelShape, MaxPixelShape);
}

void ViewTransform::setOffset(QPointF offset)
{
    m_offsetX = offset.x();
    m_offsetY = offset.y();
}

QTransform ViewTransform::widgetFromCanvas() const
{
    QTransform t;
    t.translate(m_offsetX, m_offsetY);
    t.rotate(m_rotation);
    t.scale(m_zoom * m_pixelWidth, m_zoom / m_displayAspect);
    return t;
}

QTransform ViewTransform::canvasFromWidget() const { return widgetFromCanvas().inverted(); }

double ViewTransform::normalizeRotation(double degrees)
{
    if (!std::isfinite(degrees))
        return 0.0;
    // fmod is exact, so an angle already in range comes back unchanged.
    double r = std::fmod(degrees, 360.0);
    if (r < -180.0)
        r += 360.0;
    if (r >= 180.0)
        r -= 360.0;
    return r;
}

namespace
{
// The guard that keeps a zoom just under a whole number from counting as it.
constexpr double ZoomEpsilon = 1e-9;
} // namespace

double ViewTransform::zoomInStep(double zoom)
{
    return std::min(std::floor(zoom + ZoomEpsilon) + 1.0, MaxZoom);
}

double ViewTransform::zoomOutStep(double zoom)
{
    if (zoom <= 1.0)
        return zoom;
    return std::min(std::ceil(zoom - ZoomEpsilon) - 1.0, MaxZoom);
}

bool ViewTransform::fitInto(const QRectF &rect, const QSizeF &widgetSize)
{
    if (rect.isEmpty() || widgetSize.width() < 1 || widgetSize.height() < 1)
        return false;
    QTransform shape;
    shape.rotate(m_rotation);
    shape.scale(m_pixelWidth, 1.0 / m_displayAspect);
    const QRectF mapped = shape.mapRect(rect);
    setZoom(std::min(widgetSize.height() / mapped.height(), widgetSize.width() / mapped.width()));
    const QPointF center(widgetSize.width() / 2.0, widgetSize.height() / 2.0);
    setOffset(offset() + center - toWidget(rect.center()));
    return true;
}
