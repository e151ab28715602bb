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
