#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QTransform>

class Project;
class QPainter;
class Symmetry;

// The guides the view draws over the artwork, in canvas coordinates through
// the painter's transform: the pixel grid, the reference grid, the symmetry
// guides, the safe frames, the red sprite flags and the outline just outside
// the canvas. The costly ones are kept on layers until the view changes.
class CanvasOverlays
{
public:
    explicit CanvasOverlays(const Project &project);

    // The line just outside the canvas's extent: a colour none of the C64's
    // colours comes near, so the canvas shows on any border and backdrop.
    static QColor outlineColor() { return QColor(0xF6, 0x81, 0x1A); }

    void paintPixelGrid(QPainter &painter, const QRect &updateRect, const QRect &widgetRect,
                        bool lighter);
    void paintReferenceGrid(QPainter &painter, const QRectF &visible, bool lighter) const;
    void paintSymmetryGuides(QPainter &painter, const Symmetry &symmetry) const;
    void paintSafeFrames(QPainter &painter, const QRect &updateRect, const QRect &widgetRect);
    void paintRedFlags(QPainter &painter);
    void paintCanvasOutline(QPainter &painter) const;
    // The red flags that came or went with a change in a canvas area: the
    // canvas rectangles to repaint.
    QList<QRect> redFlagChanges(const QRect &canvasRect);
    void forgetRedFlags();

private:
    struct RedFlagCache {
        bool valid = false;
        int alignment = 0;
        quint8 colors[3] = {0, 0, 0};
        QList<QRect> rects;
    };

    void renderGridLayer(const QTransform &toWidget, int grey, const QRect &widgetRect);
    const QList<QRect> &redFlags(int border);

    const Project &m_project;
    // The pixel grid drawn for the whole widget, kept while the view holds.
    QImage m_gridLayer;
    QRect m_gridLayerArea;
    QTransform m_gridLayerTransform;
    QSize m_gridLayerWidget;
    QSize m_gridLayerCanvas;
    int m_gridLayerGrey = 0;
    bool m_gridLayerValid = false;
    QImage m_frameLayer;
    QRect m_frameLayerArea;
    QTransform m_frameLayerTransform;
    QSize m_frameLayerWidget;
    QRect m_frameLayerFull;
    QRect m_frameLayerNormal;
    bool m_frameLayerValid = false;
    RedFlagCache m_redFlags[3];
};
