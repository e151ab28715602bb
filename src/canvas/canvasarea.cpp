#include "canvasarea.h"

#include "artworkimage.h"
#include "borderframe.h"
#include "canvastool.h"
#include "exchange/pictureexport.h"
#include "selecttool.h"
#include "shapetool.h"
#include "toolbox.h"
#include "toolcursors.h"

#include "document/geometry.h"
#include "document/project.h"
#include "paint/paintsettings.h"
#include "rules/wholecanvasedits.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTabletEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double PixelGridMinZoom = 4.0;
constexpr double SnapDegrees = 22.5;

int artworkScale(const ViewTransform &view)
{
    return std::max(1, int(std::lround(view.pixelWidth())));
}

} // namespace

CanvasArea::CanvasArea(Project &project, PaintSettings &settings, QWidget *parent)
    : QWidget(parent), m_project(project), m_settings(settings), m_overlays(project)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_settings.setCanvasSize(m_project.size());
    m_settings.resetSymmetryAxes();
    renderArtwork();
    m_strokeRenderer.prepare(m_project);
    m_tools = std::make_unique<ToolBox>(this);
    setCursor(chosenCursor());
    for (auto change : {&PaintSettings::penColorsChanged, &PaintSettings::brushChanged,
                        &PaintSettings::textureChanged, &PaintSettings::fillOptionsChanged})
        connect(&m_settings, change, this, &CanvasArea::refreshPreviews);
    connect(&m_settings, &PaintSettings::symmetryChanged, this, [this] {
        update(); // the guides
        refreshPreviews();
    });
    connect(&m_settings, &PaintSettings::stylePicked, this,
            [this](PaintSettings::StyleField field) { m_tools->restyleStaged(field); });
}

CanvasArea::~CanvasArea() = default;

QPoint CanvasArea::canvasPixelAt(QPointF widgetPosition) const
{
    const QPointF p = viewTransform().toCanvas(widgetPosition);
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}

// ---- options ----

void CanvasArea::setBackdropColor(const QColor &color)
{
    if (color == m_backdropColor)
        return;
    m_backdropColor = color;
    update();
}

void CanvasArea::setLighterGrids(bool lighter)
{
    if (lighter == m_lighterGrids)
        return;
    m_lighterGrids = lighter;
    if (m_gridVisible || (m_pixelGridVisible && viewTransform().zoom() >= PixelGridMinZoom))
        update();
}

void CanvasArea::setBilinearFiltering(bool on)
{
    if (on == m_bilinearFiltering)
        return;
    m_bilinearFiltering = on;
    update();
}

void CanvasArea::setSmoothReferenceScaling(bool on)
{
    if (on == m_smoothReferenceScaling)
        return;
    m_smoothReferenceScaling = on;
    if (m_referenceVisible && !m_referenceImage.isNull() && m_referenceOpacity > 0)
        update();
}

void CanvasArea::setReferenceOpacity(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_referenceOpacity)
        return;
    m_referenceOpacity = percent;
    if (m_referenceVisible && !m_referenceImage.isNull())
        update();
}

void CanvasArea::setReferenceImage(const QImage &image)
{
    if (image.isNull() && m_referenceImage.isNull())
        return;
    m_referenceImage =
        image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    update();
}

void CanvasArea::setPaletteVariant(PaletteVariant variant)
{
    if (variant == m_project.paletteVariant())
        return;
    m_project.setPaletteVariant(variant);
    refreshWholeImage();
}

void CanvasArea::setGridVisible(bool visible)
{
    if (visible == m_gridVisible)
        return;
    m_gridVisible = visible;
    update();
}

void CanvasArea::setReferenceLayerVisible(bool visible)
{
    if (visible == m_referenceVisible)
        return;
    m_referenceVisible = visible;
    if (!m_referenceImage.isNull())
        update();
}

void CanvasArea::setPixelGridVisible(bool visible)
{
    if (visible == m_pixelGridVisible)
        return;
    m_pixelGridVisible = visible;
    if (viewTransform().zoom() >= PixelGridMinZoom)
        update();
}

void CanvasArea::setSafeFramesVisible(bool visible)
{
    if (visible == m_safeFramesVisible)
        return;
    m_safeFramesVisible = visible;
    if (m_project.layoutSpec().isSpriteLayout())
        update();
}

StrokeRenderer &CanvasArea::strokeRenderer()
{
    // A document of another size or mode needs a mask of its own.
    if (m_strokeRenderer.mask().size() != StrokeRenderer::maskSize(m_project))
        m_strokeRenderer.prepare(m_project);
    return m_strokeRenderer;
}

void CanvasArea::refreshPreviews()
{
    if (const std::optional<QRect> preview = m_tools->updatePreview()) {
        setPreviewRect(*preview);
        return;
    }
    // Other tools draw their previews from their own state in paintPreview;
    // keep the area they last claimed up to date.
    if (!m_previewRect.isEmpty())
        repaintCanvasRect(m_previewRect);
}

void CanvasArea::setPreviewRect(const QRect &canvasRect)
{
    const QRect old = m_previewRect;
    m_previewRect = canvasRect;
    if (!old.isEmpty())
        repaintCanvasRect(old);
    if (!canvasRect.isEmpty())
        repaintCanvasRect(canvasRect);
}

// ---- view ----

QPointF CanvasArea::widgetCenter() const
{
    return QPointF(width() / 2.0, height() / 2.0);
}

QPointF CanvasArea::zoomAnchor(QPointF anchor) const
{
    if (!m_bindZoomToCanvas)
        return anchor;
    QPointF c = viewTransform().toCanvas(anchor);
    c.setX(std::clamp(c.x(), 0.0, double(m_project.width())));
    c.setY(std::clamp(c.y(), 0.0, double(m_project.height())));
    return viewTransform().toWidget(c);
}

void CanvasArea::setZoomAt(double zoom, QPointF anchor)
{
    const QPointF canvasPoint = view().toCanvas(anchor);
    view().setZoom(zoom);
    view().setOffset(view().offset() + anchor - view().toWidget(canvasPoint));
}

void CanvasArea::setRotationAt(double degrees, QPointF anchor)
{
    const QPointF canvasPoint = view().toCanvas(anchor);
    view().setRotation(degrees);
    view().setOffset(view().offset() + anchor - view().toWidget(canvasPoint));
}

void CanvasArea::afterViewChange()
{
    m_fitMode = false;
    refreshHover();
    refreshPreviews();
    update();
    emit statusChanged();
}

void CanvasArea::zoomStep(bool in, QPointF anchor)
{
    const double zoom = viewTransform().zoom();
    const double next = in ? ViewTransform::zoomInStep(zoom) : ViewTransform::zoomOutStep(zoom);
    if (next == zoom)
        return;
    setZoomAt(next, zoomAnchor(anchor));
    afterViewChange();
}

void CanvasArea::clearImage()
{
    if (dragInProgress())
        return;
    m_tools->settleStagedWork();
    const quint8 blank = m_project.mode() == CanvasMode::Multicolor
                             ? m_project.slot(ColorSlot::Background)
                             : m_settings.secondaryIndex();
    if (clearScreen(m_project, blank).isEmpty())
        return;
    setConnectPoint(std::nullopt);
    refreshWholeImage();
    emit historyChanged();
}

void CanvasArea::zoomActualSize()
{
    setZoomAt(1.0, widgetCenter());
    afterViewChange();
}

void CanvasArea::setFitMargins(const QMargins &margins)
{
    if (margins == m_fitMargins)
        return;
    m_fitMargins = margins;
    if (m_fitMode)
        applyBestFit();
}

QRect CanvasArea::fitArea() const
{
    // A widget too small for the margins fits into the whole of itself.
    const QRect free = rect().marginsRemoved(m_fitMargins);
    return free.width() >= 1 && free.height() >= 1 ? free : rect();
}

bool CanvasArea::applyBestFit()
{
    const QRect area = fitArea();
    if (!view().fitInto(framedPictureRect(m_project), area.size()))
        return false;
    view().setOffset(view().offset() + QPointF(area.topLeft()));
    m_fitMode = true;
    refreshHover();
    refreshPreviews();
    update();
    emit statusChanged();
    return true;
}

void CanvasArea::setDisplayPixelAspect(double aspect)
{
    view().setDisplayAspect(aspect);
    if (m_fitMode && applyBestFit())
        return;
    refreshHover();
    refreshPreviews();
    update();
    emit statusChanged();
}

bool CanvasArea::resetRotationAllowed() const
{
    return !penStrokeInProgress() && !selectTool()->isDragging() && !shapeTool()->isDragging();
}

void CanvasArea::resetRotation()
{
    if (!resetRotationAllowed())
        return;
    setRotationAt(0.0, widgetCenter());
    if (m_fitMode && applyBestFit())
        return;
    refreshHover();
    refreshPreviews();
    update();
    emit statusChanged();
}

void CanvasArea::resetRotationAndBestFit()
{
    if (!resetRotationAllowed())
        return;
    setRotationAt(0.0, widgetCenter());
    if (!applyBestFit()) {
        update();
        emit statusChanged();
    }
}

void CanvasArea::panArrow(int key)
{
    const QSize cell = cellSize(m_project.mode());
    QPointF step;
    switch (key) {
    case Qt::Key_Left:
        step = QPointF(-cell.width(), 0);
        break;
    case Qt::Key_Right:
        step = QPointF(cell.width(), 0);
        break;
    case Qt::Key_Up:
        step = QPointF(0, -cell.height());
        break;
    default:
        step = QPointF(0, cell.height());
        break;
    }
    // Along the artwork's own axes, whatever the rotation.
    const QPointF delta = viewTransform().toWidget(step) - viewTransform().toWidget(QPointF());
    view().setOffset(view().offset() + delta);
    afterViewChange();
}

void CanvasArea::beginPan(QPointF widgetPosition)
{
    m_panning = true;
    m_lastPanPosition = widgetPosition;
    setCursor(ToolCursors::cursor(ToolCursors::PanGrabbing));
}

void CanvasArea::refreshHover()
{
    if (!m_pointerInside)
        return;
    m_hoverPixel = canvasPixelAt(m_pointerPosition);
    m_hoverValid = true;
}

// ---- images ----

void CanvasArea::renderArtwork()
{
    m_artworkImage = ::artworkImage(m_project.colormap(), m_project.paletteVariant(),
                                    artworkScale(viewTransform()));
}

void CanvasArea::refreshImageRegion(const QRect &canvasRect)
{
    const QRect rect = canvasRect & m_project.colormap().rect();
    if (rect.isEmpty())
        return;
    if (m_artworkImage.size() !=
        QSize(m_project.width() * artworkScale(viewTransform()), m_project.height()))
        renderArtwork();
    else
        ::renderArtwork(m_artworkImage, m_project.colormap(), rect, m_project.paletteVariant(),
                        artworkScale(viewTransform()));
    for (const QRect &flag : m_overlays.redFlagChanges(rect))
        repaintCanvasRect(flag);
    repaintCanvasRect(rect);
    emit imageRegionChanged(rect);
}

void CanvasArea::refreshWholeImage()
{
    m_settings.setCanvasSize(m_project.size());
    renderArtwork();
    m_overlays.forgetRedFlags();
    update();
    // The previews were painted into a copy of the old colormap.
    selectTool()->refreshFloatPreview();
    shapeTool()->updatePreview();
    refreshPreviews();
    emit imageChanged();
}

void CanvasArea::repaintCanvasRect(const QRect &canvasRect)
{
    if (canvasRect.isEmpty())
        return;
    const ViewTransform &v = viewTransform();
    // Room for the widest grid pen straddling the rectangle's edges.
    int grow = 2;
    if (m_bilinearFiltering)
        grow += int(std::ceil(std::max(v.zoom() * v.pixelWidth(), v.zoom() / v.displayAspect())));
    const QRect widgetRect = v.widgetFromCanvas().mapRect(QRectF(canvasRect)).toAlignedRect();
    update(widgetRect.adjusted(-grow, -grow, grow, grow));
}

void CanvasArea::reloadProject()
{
    renderArtwork();
    m_overlays.forgetRedFlags();
    m_previewRect = QRect();
    m_connectPoint.reset();
    m_settings.setCanvasSize(m_project.size());
    m_strokeRenderer.prepare(m_project);
    m_tools->reset();
    m_referenceImage = QImage();
    updateGeometry();
    if (!applyBestFit())
        update();
    m_fitMode = true;
    emit imageChanged();
    emit historyChanged();
    emit statusChanged();
}

QImage CanvasArea::exportImage(bool withBorders, quint8 frameColor) const
{
    return PictureExport::exportImage(m_project, m_project.colormap(), withBorders, frameColor);
}

void CanvasArea::paintPrintPage(QPainter &painter, const QRect &viewport) const
{
    const QImage image = exportImage(false);
    if (image.isNull() || viewport.isEmpty())
        return;
    const QSize size = image.size().scaled(viewport.size(), Qt::KeepAspectRatio);
    painter.drawImage(QRect(viewport.topLeft(), size), image);
}

void CanvasArea::print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter painter(&printer);
    paintPrintPage(painter, painter.viewport());
}

// ---- painting ----

QRectF CanvasArea::visibleCanvasRect(const QRect &widgetRect) const
{
    return viewTransform().canvasFromWidget().mapRect(QRectF(widgetRect)) &
           QRectF(0, 0, m_project.width(), m_project.height());
}

void CanvasArea::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect updateRect = event->rect();
    painter.fillRect(updateRect, m_backdropColor);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_bilinearFiltering);
    painter.setWorldTransform(viewTransform().widgetFromCanvas());

    paintBorderFrame(painter, m_project);
    const QRectF canvasRect(0, 0, m_project.width(), m_project.height());
    if (!m_artworkImage.isNull())
        painter.drawImage(canvasRect, m_artworkImage);
    m_overlays.paintCanvasOutline(painter);
    if (CanvasTool *tool = activeTool())
        tool->paintPreview(painter);

    if (m_referenceVisible && !m_referenceImage.isNull() && m_referenceOpacity > 0) {
        painter.setOpacity(m_referenceOpacity / 100.0);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, m_smoothReferenceScaling);
        painter.drawImage(canvasRect, m_referenceImage);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setOpacity(1.0);
    }

    // With NTSC pixels, the rows a 263-line machine cannot show are hatched.
    if (qFuzzyCompare(viewTransform().displayAspect(), 0.75)) {
        for (const QRect &rows : ntscHiddenRows(m_project.size(), m_project.layoutSpec()))
            painter.fillRect(rows, QBrush(QColor(255, 255, 255, 110), Qt::BDiagPattern));
    }
    const QRectF visible = visibleCanvasRect(updateRect);
    if (m_pixelGridVisible && viewTransform().zoom() >= PixelGridMinZoom)
        m_overlays.paintPixelGrid(painter, updateRect, rect(), m_lighterGrids);
    if (m_gridVisible)
        m_overlays.paintReferenceGrid(painter, visible, m_lighterGrids);
    if (m_settings.symmetryMode() != SymmetryMode::None)
        m_overlays.paintSymmetryGuides(painter, m_settings.symmetry());
    if (m_safeFramesVisible && m_project.layoutSpec().isSpriteLayout())
        m_overlays.paintSafeFrames(painter, updateRect, rect());
    if (m_project.layout() != CanvasLayout::BitmapOnly)
        m_overlays.paintRedFlags(painter);
    if (CanvasTool *tool = activeTool())
        tool->paintOverlay(painter);
    selectTool()->paintAnts(painter);
}

void CanvasArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_fitMode)
        applyBestFit();
}

// ---- input ----

void CanvasArea::mousePressEvent(QMouseEvent *event)
{
    const Qt::MouseButton button = event->button();
    if (button == Qt::MiddleButton || (button == Qt::LeftButton && m_spaceHeld)) {
        beginPan(event->position());
        return;
    }
    if (button == Qt::LeftButton && m_rHeld && !penStrokeInProgress()) {
        m_rotating = true;
        m_rotationAtStart = viewTransform().rotation();
        m_rotationStartVector = event->position() - widgetCenter();
        if (std::abs(m_rotationStartVector.x()) + std::abs(m_rotationStartVector.y()) < 1.0)
            m_rotationStartVector = QPointF(1.0, 0.0);
        return;
    }
    m_tools->route(&CanvasTool::mousePressEvent, event);
}

void CanvasArea::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF position = event->position();
    if (m_panning) {
        view().setOffset(view().offset() + position - m_lastPanPosition);
        m_lastPanPosition = position;
        m_fitMode = false;
        update();
    } else if (m_rotating && (event->buttons() & Qt::LeftButton)) {
        const QPointF v = position - widgetCenter();
        if (std::abs(v.x()) + std::abs(v.y()) >= 1.0) {
            const QPointF s = m_rotationStartVector;
            const double angle =
                std::atan2(s.x() * v.y() - s.y() * v.x(), s.x() * v.x() + s.y() * v.y()) * 180.0 /
                M_PI;
            double rotation = m_rotationAtStart + angle;
            if (event->modifiers() & Qt::ShiftModifier)
                rotation = std::round(rotation / SnapDegrees) * SnapDegrees;
            setRotationAt(rotation, widgetCenter());
            m_fitMode = false;
            update();
            emit statusChanged();
        }
    } else {
        m_tools->route(&CanvasTool::mouseMoveEvent, event);
    }

    m_pointerPosition = position;
    m_pointerInside = true;
    refreshHover();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    m_shiftHeld = modifiers & Qt::ShiftModifier;
    m_ctrlHeld = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;
    if (alt != m_altHeld) {
        m_altHeld = alt;
        if (!isGestureUnderWay())
            refreshCursor();
    }
    refreshPreviews();
    emit statusChanged();
}

void CanvasArea::mouseReleaseEvent(QMouseEvent *event)
{
    const Qt::MouseButton button = event->button();
    if (m_panning && (button == Qt::LeftButton || button == Qt::MiddleButton)) {
        m_panning = false;
        setCursor(m_spaceHeld ? ToolCursors::cursor(ToolCursors::Pan) : chosenCursor());
    } else if (m_rotating && button == Qt::LeftButton) {
        m_rotating = false;
        setCursor(m_rHeld ? ToolCursors::cursor(ToolCursors::Rotate) : chosenCursor());
    } else {
        m_tools->route(&CanvasTool::mouseReleaseEvent, event);
    }
    refreshPreviews();
}

void CanvasArea::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const bool in = (delta > 0) != m_invertWheel;
    zoomStep(in, event->position());
    event->accept();
}

void CanvasArea::keyPressEvent(QKeyEvent *event)
{
    if (activeTool() && activeTool()->keyPressEvent(event))
        return;
    const int key = event->key();
    const bool repeat = event->isAutoRepeat();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (key) {
    case Qt::Key_Space:
        if (!repeat) {
            m_spaceHeld = true;
            if (!m_panning)
                setCursor(ToolCursors::cursor(ToolCursors::Pan));
            refreshPreviews(); // no brush preview while a gesture may start
        }
        return;
    case Qt::Key_R:
        if (!repeat) {
            m_rHeld = true;
            if (!m_panning && !penStrokeInProgress())
                setCursor(ToolCursors::cursor(ToolCursors::Rotate));
            refreshPreviews();
        }
        return;
    case Qt::Key_C:
        if (!repeat) {
            m_swapPreview = true;
            refreshPreviews();
        }
        return;
    case Qt::Key_Z:
        if (modifiers == Qt::NoModifier) {
            m_lighterGrids = !m_lighterGrids;
            if (m_gridVisible || (m_pixelGridVisible && viewTransform().zoom() >= PixelGridMinZoom))
                update();
            return;
        }
        break;
    case Qt::Key_Alt:
        if (!repeat) {
            m_altHeld = true;
            if (!isGestureUnderWay())
                refreshCursor();
            refreshPreviews(); // Alt samples instead of painting
        }
        return;
    case Qt::Key_Shift:
        if (!repeat) {
            m_shiftHeld = true;
            refreshPreviews();
        }
        return;
    case Qt::Key_Control:
        if (!repeat) {
            m_ctrlHeld = true;
            selectTool()->modifiersChanged(modifiers | Qt::ControlModifier);
            refreshPreviews();
        }
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (modifiers == Qt::NoModifier) {
            panArrow(key);
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void CanvasArea::keyReleaseEvent(QKeyEvent *event)
{
    if (activeTool() && activeTool()->keyReleaseEvent(event))
        return;
    if (event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Space:
        m_spaceHeld = false;
        if (!m_panning)
            setCursor(m_rHeld || m_rotating ? ToolCursors::cursor(ToolCursors::Rotate)
                                            : chosenCursor());
        refreshPreviews();
        return;
    case Qt::Key_R:
        m_rHeld = false;
        if (!m_rotating && !m_panning)
            setCursor(m_spaceHeld ? ToolCursors::cursor(ToolCursors::Pan) : chosenCursor());
        refreshPreviews();
        return;
    case Qt::Key_C:
        m_swapPreview = false;
        refreshPreviews();
        return;
    case Qt::Key_Shift:
        m_shiftHeld = false;
        refreshPreviews();
        return;
    case Qt::Key_Control:
        m_ctrlHeld = false;
        selectTool()->modifiersChanged(event->modifiers() & ~Qt::ControlModifier);
        refreshPreviews();
        return;
    case Qt::Key_Alt:
        m_altHeld = false;
        if (!isGestureUnderWay())
            refreshCursor();
        refreshPreviews();
        return;
    default:
        break;
    }
    QWidget::keyReleaseEvent(event);
}

void CanvasArea::tabletEvent(QTabletEvent *event)
{
    switch (event->type()) {
    case QEvent::TabletPress:
        m_tabletActive = true;
        m_tabletPressure = event->pressure();
        break;
    case QEvent::TabletMove:
        m_tabletPressure = event->pressure();
        break;
    case QEvent::TabletRelease:
        m_tabletActive = false;
        break;
    default:
        break;
    }
    // Left unaccepted so the matching mouse events still arrive.
    event->ignore();
}

void CanvasArea::selectAll()
{
    selectTool()->selectAll();
}

void CanvasArea::deselect()
{
    selectTool()->deselect();
}

void CanvasArea::invertSelection()
{
    selectTool()->invertSelection();
}

void CanvasArea::flipSelection(Qt::Orientation orientation)
{
    selectTool()->flipSelection(orientation);
}

void CanvasArea::clearHover()
{
    m_hoverValid = false;
    m_pointerInside = false;
    refreshPreviews();
    emit statusChanged();
}

void CanvasArea::leaveEvent(QEvent *event)
{
    clearHover();
    QWidget::leaveEvent(event);
}
