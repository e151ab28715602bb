#pragma once

#include "document/viewtransform.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QTransform>
#include <QWidget>

class Project;

// The preview window's drawing widget: the artwork and its border frame and
// nothing else, upright, with a zoom and pan of its own, optionally mirrored
// and seen through the CRT filter. It reads the document and the canvas's
// artwork image and never changes either.
class PreviewArea : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor backdropColor READ backdropColor WRITE setBackdropColor)

public:
    // `artwork` is the canvas's artwork image, shared for the widget's life.
    PreviewArea(const Project &project, const QImage &artwork, QWidget *parent = nullptr);

    const ViewTransform &viewTransform() const { return m_view; }
    bool isFitMode() const { return m_fitMode; }
    bool isPanning() const { return m_panning; }
    // Widget pixels from colormap pixels as painted: the view with the mirror.
    QTransform paintTransform() const;

    QColor backdropColor() const { return m_backdropColor; }
    void setBackdropColor(const QColor &color);

    // Each setter ignores an unchanged value and repaints.
    bool crtFilter() const { return m_crtFilter; }
    void setCrtFilter(bool on);
    bool bilinearFiltering() const { return m_bilinearFiltering; }
    void setBilinearFiltering(bool on);
    bool mirror() const { return m_mirror; }
    void setMirror(bool on);
    bool invertWheel() const { return m_invertWheel; }
    void setInvertWheel(bool on);

    // The filtered artwork; null while the CRT filter is off.
    const QImage &crtImage() const { return m_crtImage; }

    QSize sizeHint() const override;

public slots:
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    void zoomBestFit();
    // Part of the artwork changed (colormap pixels).
    void refreshImageRegion(QRect canvasRect);
    // The whole artwork changed.
    void refreshImage();
    // Takes the document's pixel width and display aspect.
    void syncViewAspects();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    QPointF widgetCenter() const;
    void setZoomAt(double zoom, QPointF anchor);
    bool zoomStep(bool in, QPointF anchor);
    bool applyBestFit();
    void recomputeCrtImage();
    void refreshCursor();

    const Project &m_project;
    const QImage &m_artwork;
    ViewTransform m_view;
    bool m_fitMode = true;
    bool m_panning = false;
    double m_lastPanX = 0.0;
    double m_lastPanY = 0.0;
    bool m_crtFilter = false;
    bool m_bilinearFiltering = false;
    bool m_mirror = false;
    bool m_invertWheel = false;
    bool m_pointerInside = false;
    QColor m_backdropColor = QColor(48, 48, 48);
    QImage m_crtImage;
    int m_lastArtworkWidth = -1;
    int m_lastArtworkHeight = -1;
};
