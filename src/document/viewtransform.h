#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

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
