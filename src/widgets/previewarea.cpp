#include "previewarea.h"

#include "crtfilter.h"

#include "canvas/borderframe.h"
#include "canvas/toolcursors.h"
#include "document/geometry.h"
#include "document/project.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

namespace
{

// What a change of a canvas rectangle reaches on screen: the CRT filter
// blends two pixels sideways and the smooth scaling of its picture one more;
// bilinear filtering alone blends one.
constexpr int CrtRecomputeMargin = 2;
constexpr int CrtRepaintMargin = 3;
constexpr int BilinearRepaintMargin = 1;

QRectF pixelEdges(const QRect &rect)
{
    return QRectF(rect.x(), rect.y(), rect.width(), rect.height());
}

} // namespace

PreviewArea::PreviewArea(const Project &project, const QImage &artwork, QWidget *parent)
    : QWidget(parent), m_project(project), m_artwork(artwork)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QTransform PreviewArea::paintTransform() const
{
    QTransform mirror;
    if (m_mirror) {
        // About the picture's own vertical centre line, so it stays in place.
        const QRectF frame = framedPictureRect(m_project);
        mirror.translate(2 * frame.left() + frame.width(), 0);
        mirror.scale(-1, 1);
    }
    return mirror * m_view.widgetFromCanvas();
}

void PreviewArea::setBackdropColor(const QColor &color)
{
    if (color == m_backdropColor)
        return;
    m_backdropColor = color;
    update();
}

void PreviewArea::setCrtFilter(bool on)
{
    if (on == m_crtFilter)
        return;
    m_crtFilter = on;
    if (on)
        recomputeCrtImage();
    else
        m_crtImage = QImage();
    update();
}

void PreviewArea::setBilinearFiltering(bool on)
{
    if (on == m_bilinearFiltering)
        return;
    m_bilinearFiltering = on;
    update();
}

void PreviewArea::setMirror(bool on)
{
    if (on == m_mirror)
        return;
    m_mirror = on;
    update();
}

void PreviewArea::setInvertWheel(bool on)
{
    if (on == m_invertWheel)
        return;
    m_invertWheel = on;
    update();
}

QSize PreviewArea::sizeHint() const
{
    const QRectF frame = framedPictureRect(m_project);
    const double widen = std::round(modePixelWidth(m_project.mode()));
    return QSize(int(std::ceil(frame.width() * widen)), int(std::ceil(frame.height())));
}

// ---- view ------------------------------------------------------------------------

QPointF PreviewArea::widgetCenter() const
{
    return QPointF(width() / 2.0, height() / 2.0);
}

void PreviewArea::setZoomAt(double zoom, QPointF anchor)
{
    // The point of the picture under the anchor stays there, mirrored or not.
    const QPointF canvasPoint = paintTransform().inverted().map(anchor);
    m_view.setZoom(zoom);
    m_view.setOffset(m_view.offset() + anchor - paintTransform().map(canvasPoint));
}

bool PreviewArea::zoomStep(bool in, QPointF anchor)
{
    const double zoom = m_view.zoom();
    const double next = in ? ViewTransform::zoomInStep(zoom) : ViewTransform::zoomOutStep(zoom);
    if (next == zoom)
        return false;
    setZoomAt(next, anchor);
    m_fitMode = false;
    update();
    return true;
}

void PreviewArea::zoomIn()
{
    zoomStep(true, widgetCenter());
}

void PreviewArea::zoomOut()
{
    zoomStep(false, widgetCenter());
}

void PreviewArea::zoomActualSize()
{
    setZoomAt(1.0, widgetCenter());
    m_fitMode = false;
    update();
}

bool PreviewArea::applyBestFit()
{
    // The mirror maps the picture onto itself, so the plain view decides.
    if (!m_view.fitInto(framedPictureRect(m_project), size()))
        return false;
    update();
    return true;
}

void PreviewArea::zoomBestFit()
{
    // A hidden or empty preview fits once it has a size.
    m_fitMode = true;
    applyBestFit();
}

void PreviewArea::syncViewAspects()
{
    const ViewTransform &document = m_project.view();
    if (document.pixelWidth() == m_view.pixelWidth() &&
        document.displayAspect() == m_view.displayAspect())
        return;
    m_view.setPixelWidth(document.pixelWidth());
    m_view.setDisplayAspect(document.displayAspect());
    if (m_fitMode)
        applyBestFit();
    update();
}

// ---- images ----------------------------------------------------------------------

void PreviewArea::recomputeCrtImage()
{
    m_crtImage = CrtFilter::apply(m_artwork);
}

void PreviewArea::refreshImage()
{
    if (m_crtFilter)
        recomputeCrtImage();
    if (m_artwork.width() != m_lastArtworkWidth || m_artwork.height() != m_lastArtworkHeight) {
        m_lastArtworkWidth = m_artwork.width();
        m_lastArtworkHeight = m_artwork.height();
        updateGeometry();
        zoomBestFit();
    }
    update();
}

void PreviewArea::refreshImageRegion(QRect canvasRect)
{
    if (canvasRect.isEmpty())
        return;
    // A region report that came with a new artwork size is a whole change.
    if (m_artwork.width() != m_lastArtworkWidth || m_artwork.height() != m_lastArtworkHeight ||
        (m_crtFilter && m_crtImage.size() != m_artwork.size())) {
        refreshImage();
        return;
    }
    int margin = 0;
    if (m_crtFilter) {
        // The artwork image widens each colormap pixel to whole image pixels.
        const int widen = m_project.width() > 0 ? m_artwork.width() / m_project.width() : 1;
        const QRect grown = canvasRect.adjusted(-CrtRecomputeMargin, -CrtRecomputeMargin,
                                                CrtRecomputeMargin, CrtRecomputeMargin);
        CrtFilter::applyRegion(
            m_artwork, m_crtImage,
            QRect(grown.x() * widen, grown.y(), grown.width() * widen, grown.height()));
        margin = CrtRepaintMargin;
    } else if (m_bilinearFiltering) {
        margin = BilinearRepaintMargin;
    }
    const QRect repaint = canvasRect.adjusted(-margin, -margin, margin, margin);
    update(paintTransform().mapRect(pixelEdges(repaint)).toAlignedRect());
}

// ---- painting ----------------------------------------------------------------------

void PreviewArea::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect updateRect = event->rect();
    painter.fillRect(updateRect, m_backdropColor);
    painter.setClipRect(updateRect);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_crtFilter || m_bilinearFiltering);
    painter.setWorldTransform(paintTransform());
    paintBorderFrame(painter, m_project);
    const QImage &picture = m_crtFilter && !m_crtImage.isNull() ? m_crtImage : m_artwork;
    if (!picture.isNull())
        painter.drawImage(QRectF(0, 0, m_project.width(), m_project.height()), picture);
}

void PreviewArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_fitMode)
        applyBestFit();
}

// ---- input -------------------------------------------------------------------------

void PreviewArea::refreshCursor()
{
    if (m_panning || m_pointerInside)
        setCursor(ToolCursors::cursor(ToolCursors::Pan));
    else
        unsetCursor();
}

void PreviewArea::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_panning = true;
    m_lastPanX = event->position().x();
    m_lastPanY = event->position().y();
    refreshCursor();
}

void PreviewArea::mouseMoveEvent(QMouseEvent *event)
{
    m_pointerInside = rect().contains(event->position().toPoint());
    if (!m_panning)
        return;
    const QPointF position = event->position();
    m_view.setOffset(m_view.offset() + position - QPointF(m_lastPanX, m_lastPanY));
    m_lastPanX = position.x();
    m_lastPanY = position.y();
    m_fitMode = false;
    update();
}

void PreviewArea::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_panning || (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton))
        return;
    m_panning = false;
    m_pointerInside = rect().contains(event->position().toPoint());
    refreshCursor();
}

void PreviewArea::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    // A step past the limits is taken and does nothing.
    event->accept();
    zoomStep((delta > 0) != m_invertWheel, event->position());
}

void PreviewArea::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    m_pointerInside = true;
    refreshCursor();
}

void PreviewArea::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_pointerInside = false;
    refreshCursor();
}

void PreviewArea::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_pointerInside = underMouse();
    refreshCursor();
}
