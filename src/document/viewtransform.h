#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <algorithm>

// How the canvas is shown: zoom, rotation, pixel shape and offset. Held by
// the Project so a document and its view travel together.
class ViewTransform
{
public:
    static constexpr double MinZoom = 0.0625;
    static constexpr double MaxZoom = 64.0;
    static constexpr double MinPixelShape = 0.0625;
    static constexpr double MaxPixelShape = 16.0;

    ViewTransform() = default;
    explicit ViewTransform(double pixelWidth);

    double zoom() const { return m_zoom; }
    double rotation() const { return m_rotation; }
    double pixelWidth() const { return m_pixelWidth; }
    double displayAspect() const { return m_displayAspect; }
    double offsetX() const { return m_offsetX; }
    double offsetY() const { return m_offsetY; }
    QPointF offset() const { return QPointF(m_offsetX, m_offsetY); }

    void setZoom(double zoom);
    // Normalised into [-180, 180).
    void setRotation(double degrees);
    void setPixelWidth(double width);
    void setDisplayAspect(double aspect);
    void setOffset(QPointF offset);

    // Widget pixels from colormap pixels.
    QTransform widgetFromCanvas() const;
    QTransform canvasFromWidget() const;
    QPointF toWidget(QPointF canvas) const { return widgetFromCanvas().map(canvas); }
    QPointF toCanvas(QPointF widget) const { return canvasFromWidget().map(widget); }

    static double normalizeRotation(double degrees);

    // The menu and wheel zoom steps: to the next whole zoom up to the
    // maximum, and down to the previous whole zoom but never below 1. A zoom
    // just under a whole number counts as it. The same zoom when there is no
    // step to take.
    static double zoomInStep(double zoom);
    static double zoomOutStep(double zoom);
    // Zooms so that `rect` (colormap pixels) fits `widgetSize` with the
    // current rotation and pixel shape, and centres it there. False, and
    // nothing changes, when either is empty.
    bool fitInto(const QRectF &rect, const QSizeF &widgetSize);

    friend bool operator==(const ViewTransform &, const ViewTransform &) = default;

private:
    double m_zoom = 1.0;
    double m_rotation = 0.0;
    double m_pixelWidth = 1.0;
    double m_displayAspect = 1.0;
    double m_offsetX = 0.0;
    double m_offsetY = 0.0;
};

// Inline, like every use of QTransform here, so that a program which holds
// projects but never shows one does not load Qt GUI.
inline QTransform ViewTransform::widgetFromCanvas() const
{
    QTransform t;
    t.translate(m_offsetX, m_offsetY);
    t.rotate(m_rotation);
    t.scale(m_zoom * m_pixelWidth, m_zoom / m_displayAspect);
    return t;
}

inline QTransform ViewTransform::canvasFromWidget() const
{
    return widgetFromCanvas().inverted();
}

inline bool ViewTransform::fitInto(const QRectF &rect, const QSizeF &widgetSize)
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
