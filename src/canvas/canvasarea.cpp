#include "canvasarea.h"

#include "artworkimage.h"
#include "borderframe.h"
#include "canvastool.h"
#include "drawtool.h"
#include "erasertool.h"
#include "exchange/pictureexport.h"
#include "eyedroppertool.h"
#include "filltool.h"
#include "pantool.h"
#include "selecttool.h"
#include "shapetool.h"
#include "symmetrytool.h"
#include "toolcursors.h"

#include "document/geometry.h"
#include "document/project.h"
#include "paint/paintsettings.h"
#include "rules/clashcontext.h"
#include "rules/spritebudget.h"
#include "rules/wholecanvasedits.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTabletEvent>
#include <QVarLengthArray>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double PixelGridMinZoom = 4.0;
constexpr double ThickGridZoom = 6.0;
constexpr double SnapDegrees = 22.5;

QRectF pixelEdges(const QRect &rect)
{
    return QRectF(rect.x(), rect.y(), rect.width(), rect.height());
}

// The pixels a one-pixel cosmetic outline of a widget rectangle covers, as
// four fills that never overlap: the rows and columns holding its edges.
void fillOutline(QPainter &painter, const QRectF &outline, const QColor &color)
{
    const int left = int(std::floor(outline.left()));
    const int right = int(std::floor(outline.right()));
    const int top = int(std::floor(outline.top()));
    const int bottom = int(std::floor(outline.bottom()));
    painter.fillRect(QRect(left, top, right - left + 1, 1), color);
    if (bottom == top)
        return;
    painter.fillRect(QRect(left, bottom, right - left + 1, 1), color);
    if (bottom - top < 2)
        return;
    // A tall one-pixel fill blends row by row; an untransformed image is
    // blended in one pass, so the columns come as an image.
    QImage column(1, bottom - top - 1, QImage::Format_ARGB32_Premultiplied);
    column.fill(color);
    painter.drawImage(QPoint(left, top + 1), column);
    if (right != left)
        painter.drawImage(QPoint(right, top + 1), column);
}

QPen cosmeticPen(const QColor &color, qreal width)
{
    QPen pen(color, width);
    pen.setCosmetic(true);
    return pen;
}

// The first screen pixel whose centre lies at or past a screen coordinate:
// where the artwork's drawing puts a pixel boundary.
int firstPixelAt(double coordinate)
{
    return int(std::ceil(coordinate - 0.5));
}

// Writes one-pixel lines that run along the screen axes straight into an
// image: much faster than stroking them one pixel span at a time.
void drawAxisAlignedLines(QImage &image, const QTransform &transform, const QList<QLineF> &lines,
                          QRgb color)
{
    const int w = image.width();
    const int h = image.height();
    // One detach for the whole image; scanLine() would check on every call.
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    auto row = [&](int y) { return reinterpret_cast<QRgb *>(bits + y * stride); };
    for (const QLineF &line : lines) {
        const QPointF a = transform.map(line.p1());
        const QPointF b = transform.map(line.p2());
        if (std::abs(a.x() - b.x()) < 1e-6) {
            const int x = firstPixelAt(a.x());
            const int y1 = std::max(0, firstPixelAt(std::min(a.y(), b.y())));
            const int y2 = std::min(h - 1, firstPixelAt(std::max(a.y(), b.y())));
            if (x < 0 || x >= w)
                continue;
            for (int y = y1; y <= y2; ++y)
                row(y)[x] = color;
        } else {
            const int y = firstPixelAt(a.y());
            const int x1 = std::max(0, firstPixelAt(std::min(a.x(), b.x())));
            const int x2 = std::min(w - 1, firstPixelAt(std::max(a.x(), b.x())));
            if (y < 0 || y >= h || x1 > x2)
                continue;
            std::fill_n(row(y) + x1, x2 - x1 + 1, color);
        }
    }
}

int artworkScale(const ViewTransform &view)
{
    return std::max(1, int(std::lround(view.pixelWidth())));
}

} // namespace

CanvasArea::CanvasArea(Project &project, PaintSettings &settings, QWidget *parent)
    : QWidget(parent), m_project(project), m_settings(settings),
      m_panTool(std::make_unique<PanTool>(this)),
      m_eyedropperTool(std::make_unique<EyedropperTool>(this)),
      m_symmetryTool(std::make_unique<SymmetryTool>(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_settings.setCanvasSize(m_project.size());
    m_settings.resetSymmetryAxes();
    renderArtwork();
    m_strokeRenderer.prepare(m_project);
    m_eraserTool = std::make_unique<EraserTool>(this);
    m_fillTool = std::make_unique<FillTool>(this);
    m_selectTool = std::make_unique<SelectTool>(this);
    m_shapeTool = std::make_unique<ShapeTool>(this);
    installPenTool(std::make_unique<DrawTool>(this));
    setCursor(chosenCursor());
    for (auto change : {&PaintSettings::penColorsChanged, &PaintSettings::brushChanged,
                        &PaintSettings::textureChanged, &PaintSettings::fillOptionsChanged})
        connect(&m_settings, change, this, &CanvasArea::refreshPreviews);
    connect(&m_settings, &PaintSettings::symmetryChanged, this, [this] {
        update(); // the guides
        refreshPreviews();
    });
    connect(&m_settings, &PaintSettings::stylePicked, this,
            [this](PaintSettings::StyleField field) { restyleStaged(int(field)); });
}

CanvasArea::~CanvasArea() = default;

const ViewTransform &CanvasArea::viewTransform() const
{
    return m_project.view();
}

ViewTransform &CanvasArea::view()
{
    return m_project.view();
}

QPoint CanvasArea::canvasPixelAt(QPointF widgetPosition) const
{
    const QPointF p = viewTransform().toCanvas(widgetPosition);
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}

QSize CanvasArea::sizeHint() const
{
    return QSize(800, 600);
}

// ---- options -------------------------------------------------------------

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

void CanvasArea::setInvertWheel(bool on)
{
    m_invertWheel = on;
}

void CanvasArea::setBindZoomToCanvas(bool on)
{
    m_bindZoomToCanvas = on;
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

void CanvasArea::restyleStaged(int field)
{
    // A pick applies to the selected staged shapes even when the setting
    // already held it: they may carry another.
    const PaintSettings &p = m_settings;
    switch (PaintSettings::StyleField(field)) {
    case PaintSettings::StyleField::StrokeColor:
        return m_shapeTool->restyleSelected([&p](StagedShape &s) { s.strokeColor = p.penIndex(); });
    case PaintSettings::StyleField::OtherColor:
        return m_shapeTool->restyleSelected(
            [&p](StagedShape &s) { s.otherColor = p.secondaryIndex(); });
    case PaintSettings::StyleField::Width:
        return m_shapeTool->restyleSelected(
            [&p](StagedShape &s) { s.width = p.brushSettings().width; });
    case PaintSettings::StyleField::Nib:
        return m_shapeTool->restyleSelected(
            [&p](StagedShape &s) { s.nib = p.brushSettings().shape; });
    case PaintSettings::StyleField::Antialiased:
        return m_shapeTool->restyleSelected(
            [&p](StagedShape &s) { s.antialiased = p.brushSettings().antialiased; });
    case PaintSettings::StyleField::Texture:
        return m_shapeTool->restyleSelected([&p](StagedShape &s) { s.texture = p.texture(); });
    case PaintSettings::StyleField::TextureMode:
        return m_shapeTool->restyleSelected(
            [&p](StagedShape &s) { s.textureMode = p.textureMode(); });
    }
}

// ---- tools -------------------------------------------------------------------

void CanvasArea::installPenTool(std::unique_ptr<CanvasTool> pen)
{
    const bool penWasActive = m_activeTool == m_penTool;
    m_ownedPen = std::move(pen);
    m_penTool = m_ownedPen.get();
    m_drawTool = dynamic_cast<DrawTool *>(m_penTool);
    if (penWasActive) {
        m_activeTool = m_penTool;
        if (m_penTool)
            m_penTool->activate();
    }
    refreshCursor();
}

bool CanvasArea::penStrokeInProgress() const
{
    return (m_penTool && m_penTool->pressedButton() != Qt::NoButton) ||
           (m_eraserTool && m_eraserTool->pressedButton() != Qt::NoButton);
}

bool CanvasArea::dragInProgress() const
{
    return isGestureUnderWay() || penStrokeInProgress() || m_selectTool->isDragging() ||
           m_shapeTool->isDragging() ||
           (m_activeTool && m_activeTool->pressedButton() != Qt::NoButton);
}

void CanvasArea::setEraserTool(bool on)
{
    switchTool(m_eraserTool.get(), on);
}

DrawTool *CanvasArea::activeDrawTool() const
{
    if (m_activeTool && m_activeTool == m_eraserTool.get())
        return m_eraserTool.get();
    if (m_activeTool && m_activeTool == m_penTool)
        return m_drawTool;
    return nullptr;
}

void CanvasArea::setFillTool(bool on)
{
    switchTool(m_fillTool.get(), on);
}

void CanvasArea::setPanTool(bool on)
{
    switchTool(m_panTool.get(), on);
}

void CanvasArea::setEyedropperTool(bool on)
{
    switchTool(m_eyedropperTool.get(), on);
}

void CanvasArea::setSymmetryAxesTool(bool on)
{
    switchTool(m_symmetryTool.get(), on);
}

void CanvasArea::setSelectTool(int kind)
{
    kind = std::clamp(kind, 0, 2);
    m_selectTool->setMarqueeKind(kind);
    switchTool(m_selectTool.get(), kind != 0);
}

void CanvasArea::setShapeTool(bool on)
{
    switchTool(m_shapeTool.get(), on);
}

void CanvasArea::settleStagedWork()
{
    m_shapeTool->commitStaged();
    m_selectTool->dropFloat();
}

void CanvasArea::selectAll()
{
    m_selectTool->selectAll();
}

void CanvasArea::deselect()
{
    m_selectTool->deselect();
}

void CanvasArea::invertSelection()
{
    m_selectTool->invertSelection();
}

void CanvasArea::flipSelection(Qt::Orientation orientation)
{
    m_selectTool->flipSelection(orientation);
}

void CanvasArea::switchTool(CanvasTool *tool, bool on)
{
    if (!tool || tool->isActive() == on)
        return;
    // Another tool never inherits a floating selection.
    if (on && tool != m_selectTool.get())
        m_selectTool->dropFloat();
    if (on) {
        m_activeTool = tool;
        tool->activate();
        return;
    }
    tool->deactivate();
    if (m_activeTool == tool) {
        m_activeTool = m_penTool;
        if (m_penTool)
            m_penTool->activate();
        else
            refreshCursor();
    }
}

bool CanvasArea::isGestureUnderWay() const
{
    return m_panning || m_rotating || m_spaceHeld || m_rHeld;
}

QCursor CanvasArea::chosenCursor() const
{
    const DrawTool *penLike = activeDrawTool();
    const bool penLikeActive = m_activeTool == m_penTool || penLike;
    if ((m_eyedropperTool->isSampling() && m_activeTool == m_eyedropperTool.get()) ||
        (m_altHeld && penLikeActive && !penStrokeInProgress()) ||
        (penLike && penLike->isSampling()))
        return ToolCursors::cursor(ToolCursors::Picker);
    if (m_activeTool)
        return m_activeTool->cursor();
    return ToolCursors::cursor(ToolCursors::Pen);
}

void CanvasArea::refreshCursor()
{
    setCursor(chosenCursor());
}

void CanvasArea::refreshPreviews()
{
    if (DrawTool *draw = activeDrawTool()) {
        setPreviewRect(draw->updatePreview());
        return;
    }
    if (m_activeTool == m_fillTool.get()) {
        setPreviewRect(m_fillTool->updatePreview());
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

// ---- view --------------------------------------------------------------------

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
    settleStagedWork();
    const quint8 blank = m_project.mode() == CanvasMode::Multicolor
                             ? m_project.slot(ColorSlot::Background)
                             : m_settings.secondaryIndex();
    if (clearScreen(m_project, blank).isEmpty())
        return;
    setConnectPoint(std::nullopt);
    refreshWholeImage();
    emit historyChanged();
}

void CanvasArea::zoomIn()
{
    zoomStep(true, widgetCenter());
}

void CanvasArea::zoomOut()
{
    zoomStep(false, widgetCenter());
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

void CanvasArea::zoomBestFit()
{
    applyBestFit();
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
    return !penStrokeInProgress() && !m_selectTool->isDragging() && !m_shapeTool->isDragging();
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

// ---- images --------------------------------------------------------------------

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
    invalidateRedFlags(rect);
    repaintCanvasRect(rect);
    emit imageRegionChanged(rect);
}

void CanvasArea::refreshWholeImage()
{
    m_settings.setCanvasSize(m_project.size());
    renderArtwork();
    m_redFlags[0].valid = false;
    m_redFlags[1].valid = false;
    update();
    // The previews were painted into a copy of the old colormap.
    m_selectTool->refreshFloatPreview();
    m_shapeTool->updatePreview();
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
    const QRect widgetRect = v.widgetFromCanvas().mapRect(pixelEdges(canvasRect)).toAlignedRect();
    update(widgetRect.adjusted(-grow, -grow, grow, grow));
}

void CanvasArea::reloadProject()
{
    renderArtwork();
    m_redFlags[0].valid = false;
    m_redFlags[1].valid = false;
    m_previewRect = QRect();
    m_connectPoint.reset();
    m_settings.setCanvasSize(m_project.size());
    m_strokeRenderer.prepare(m_project);
    if (m_drawTool)
        m_drawTool->resetStroke();
    m_eraserTool->resetStroke();
    m_fillTool->clearPreview();
    m_selectTool->reset();
    m_shapeTool->reset();
    m_referenceImage = QImage();
    updateGeometry();
    if (!applyBestFit())
        update();
    m_fitMode = true;
    emit imageChanged();
    emit historyChanged();
    emit statusChanged();
}

quint8 CanvasArea::frameColorIndex() const
{
    return m_project.frameColor();
}

QImage CanvasArea::exportImage(bool withBorders) const
{
    return exportImage(withBorders, frameColorIndex());
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

// ---- red sprite flags ------------------------------------------------------------

void CanvasArea::invalidateRedFlags(const QRect &canvasRect)
{
    if (m_project.layout() != CanvasLayout::TopBottomBorderSprites)
        return;
    for (const CanvasRegion &region : m_project.regions()) {
        const int border = region.kind == RegionKind::TopBorder      ? 0
                           : region.kind == RegionKind::BottomBorder ? 1
                                                                     : -1;
        if (border < 0 || !region.rect.intersects(canvasRect))
            continue;
        // A change in one column can frame or unframe another anywhere in
        // the border (the smallest column drops out of the budget), so every
        // frame that came or went is repainted, not just the changed area.
        RedFlagCache &cache = m_redFlags[border];
        const bool known = cache.valid;
        const QList<QRect> before = cache.rects;
        cache.valid = false;
        const QList<QRect> &after = redFlags(border);
        if (!known) {
            repaintCanvasRect(region.rect);
            continue;
        }
        for (const QRect &frame : before)
            if (!after.contains(frame))
                repaintCanvasRect(frame);
        for (const QRect &frame : after)
            if (!before.contains(frame))
                repaintCanvasRect(frame);
    }
}

const QList<QRect> &CanvasArea::redFlags(int border)
{
    const LayoutSpec &layout = m_project.layoutSpec();
    const bool top = border == 0;
    const int alignment = int(top ? layout.topAlignment : layout.bottomAlignment);
    const ColorSlot first = top ? ColorSlot::TopBackground : ColorSlot::BottomBackground;
    const quint8 colors[3] = {m_project.slot(first), m_project.slot(ColorSlot(int(first) + 1)),
                              m_project.slot(ColorSlot(int(first) + 2))};
    RedFlagCache &cache = m_redFlags[border];
    const bool keyMatches =
        cache.alignment == alignment && std::equal(colors, colors + 3, cache.colors);
    if (cache.valid && keyMatches)
        return cache.rects;
    const RedFrameSet set = redFrameSet(ClashContext::forSweep(m_project), m_project.colormap());
    cache.rects = top ? set.top : set.bottom;
    cache.alignment = alignment;
    std::copy(colors, colors + 3, cache.colors);
    cache.valid = true;
    return cache.rects;
}

// ---- painting --------------------------------------------------------------------

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
    paintCanvasOutline(painter);
    if (m_activeTool)
        m_activeTool->paintPreview(painter);

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
        paintPixelGrid(painter, updateRect);
    if (m_gridVisible)
        paintReferenceGrid(painter, visible);
    if (m_settings.symmetryMode() != SymmetryMode::None)
        paintSymmetryGuides(painter);
    if (m_safeFramesVisible && m_project.layoutSpec().isSpriteLayout())
        paintSafeFrames(painter, updateRect);
    if (m_project.layout() == CanvasLayout::TopBottomBorderSprites)
        paintRedFlags(painter);
    if (m_activeTool)
        m_activeTool->paintOverlay(painter);
    m_selectTool->paintAnts(painter);
}

void CanvasArea::paintPixelGrid(QPainter &painter, const QRect &updateRect)
{
    // Half-transparent lines are blended pixel by pixel, which is slow for
    // hundreds of them; they are drawn opaque on a layer that is blended
    // once. The layer covers the whole widget and is kept until the view
    // changes, so repaints while drawing only blend it.
    const QTransform toWidget = viewTransform().widgetFromCanvas();
    const int grey = m_lighterGrids ? 115 : 64;
    if (!m_gridLayerValid || m_gridLayerTransform != toWidget || m_gridLayerGrey != grey ||
        m_gridLayerWidget != size() || m_gridLayerCanvas != m_project.size())
        renderGridLayer(toWidget, grey);
    const QRect part = m_gridLayerArea & updateRect;
    if (part.isEmpty())
        return;
    painter.save();
    painter.resetTransform();
    painter.setOpacity(128 / 255.0);
    painter.drawImage(part.topLeft(), m_gridLayer, part.translated(-m_gridLayerArea.topLeft()));
    painter.restore();
}

void CanvasArea::renderGridLayer(const QTransform &toWidget, int grey)
{
    m_gridLayerValid = true;
    m_gridLayerTransform = toWidget;
    m_gridLayerGrey = grey;
    m_gridLayerWidget = size();
    m_gridLayerCanvas = m_project.size();
    m_gridLayerArea = QRect();
    const QRectF visible = visibleCanvasRect(rect());
    if (visible.isEmpty())
        return;
    const int x1 = std::max(0, int(std::floor(visible.left())));
    const int x2 = std::min(m_project.width(), int(std::ceil(visible.right())));
    const int y1 = std::max(0, int(std::floor(visible.top())));
    const int y2 = std::min(m_project.height(), int(std::ceil(visible.bottom())));
    QList<QLineF> lines;
    lines.reserve((x2 - x1 + 1) + (y2 - y1 + 1));
    for (int x = x1; x <= x2; ++x)
        lines.append(QLineF(x, y1, x, y2));
    for (int y = y1; y <= y2; ++y)
        lines.append(QLineF(x1, y, x2, y));
    const QRect area =
        toWidget.mapRect(QRectF(x1, y1, x2 - x1, y2 - y1)).toAlignedRect().adjusted(-1, -1, 1, 1) &
        rect();
    if (area.isEmpty())
        return;
    m_gridLayerArea = area;
    if (m_gridLayer.size() != area.size())
        m_gridLayer = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
    m_gridLayer.fill(Qt::transparent);
    const QTransform toLayer = toWidget * QTransform::fromTranslate(-area.x(), -area.y());
    const double turn = std::fmod(std::abs(viewTransform().rotation()), 90.0);
    if (turn < 1e-9 || 90.0 - turn < 1e-9) {
        drawAxisAlignedLines(m_gridLayer, toLayer, lines, qRgb(grey, grey, grey));
    } else {
        QPainter layer(&m_gridLayer);
        layer.setWorldTransform(toLayer);
        layer.setPen(cosmeticPen(QColor(grey, grey, grey), 1));
        layer.drawLines(lines);
    }
}

void CanvasArea::paintReferenceGrid(QPainter &painter, const QRectF &visible) const
{
    if (visible.isEmpty())
        return;
    const ReferenceGrid grid =
        referenceGrid(m_project.mode(), m_project.size(), m_project.layoutSpec(),
                      m_project.screensAcross(), visible);
    const bool thick = viewTransform().zoom() >= ThickGridZoom;
    const int grey = m_lighterGrids ? 147 : 96;
    painter.setPen(cosmeticPen(QColor(grey, grey, grey), thick ? 2 : 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawLines(grid.lines);
    for (const QPolygonF &bracket : grid.brackets)
        painter.drawPolyline(bracket);
    if (!grid.seams.isEmpty()) {
        const int seamGrey = m_lighterGrids ? 211 : 160;
        painter.setPen(cosmeticPen(QColor(seamGrey, seamGrey, seamGrey), thick ? 3 : 2));
        painter.drawLines(grid.seams);
    }
}

void CanvasArea::paintSymmetryGuides(QPainter &painter) const
{
    const SymmetryGuides guides =
        symmetryGuides(m_settings.symmetryMode(), m_settings.symmetryAxes(), m_project.size(),
                       artworkScale(viewTransform()), viewTransform().displayAspect());
    painter.setPen(cosmeticPen(guides.color, 1));
    painter.drawLines(guides.lines);
}

void CanvasArea::paintCanvasOutline(QPainter &painter)
{
    // Half a screen pixel outside the edge, so the outline never covers the
    // outermost canvas pixels, however far the view is zoomed or turned.
    const QTransform t = painter.worldTransform();
    const qreal sx = std::hypot(t.m11(), t.m12());
    const qreal sy = std::hypot(t.m21(), t.m22());
    if (sx <= 0 || sy <= 0)
        return;
    const QRectF edge = QRectF(0, 0, m_project.width(), m_project.height())
                            .adjusted(-0.5 / sx, -0.5 / sy, 0.5 / sx, 0.5 / sy);
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(outlineColor(), 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(t.map(edge));
    painter.restore();
}

void CanvasArea::paintSafeFrames(QPainter &painter, const QRect &updateRect)
{
    const SafeFrames frames =
        safeFrames(m_project.mode(), m_project.size(), m_project.layoutSpec());
    const QColor full(255, 191, 0, 102), normal(0, 255, 0, 102);
    const QTransform toWidget = viewTransform().widgetFromCanvas();
    if (toWidget.type() <= QTransform::TxScale && toWidget.m11() > 0 && toWidget.m22() > 0) {
        // Half-transparent lines take a slow per-pixel path; on an upright
        // view the same pixels come as four thin fills.
        painter.save();
        painter.resetTransform();
        fillOutline(painter, toWidget.mapRect(pixelEdges(frames.full)), full);
        fillOutline(painter, toWidget.mapRect(pixelEdges(frames.normal)), normal);
        painter.restore();
        return;
    }
    // Turned, half-transparent lines are blended pixel by pixel; they are
    // drawn once on a layer kept until the view changes, which one pass blends.
    if (!m_frameLayerValid || m_frameLayerTransform != toWidget || m_frameLayerWidget != size() ||
        m_frameLayerFull != frames.full || m_frameLayerNormal != frames.normal) {
        m_frameLayerValid = true;
        m_frameLayerTransform = toWidget;
        m_frameLayerWidget = size();
        m_frameLayerFull = frames.full;
        m_frameLayerNormal = frames.normal;
        m_frameLayerArea = toWidget.mapRect(pixelEdges(frames.full) | pixelEdges(frames.normal))
                               .toAlignedRect()
                               .adjusted(-2, -2, 2, 2) &
                           rect();
        if (!m_frameLayerArea.isEmpty()) {
            m_frameLayer = QImage(m_frameLayerArea.size(), QImage::Format_ARGB32_Premultiplied);
            m_frameLayer.fill(Qt::transparent);
            QPainter layer(&m_frameLayer);
            layer.setWorldTransform(
                toWidget * QTransform::fromTranslate(-m_frameLayerArea.x(), -m_frameLayerArea.y()));
            layer.setBrush(Qt::NoBrush);
            layer.setPen(cosmeticPen(full, 1));
            layer.drawRect(pixelEdges(frames.full));
            layer.setPen(cosmeticPen(normal, 1));
            layer.drawRect(pixelEdges(frames.normal));
        }
    }
    const QRect part = m_frameLayerArea & updateRect;
    if (part.isEmpty())
        return;
    painter.save();
    painter.resetTransform();
    painter.drawImage(part.topLeft(), m_frameLayer, part.translated(-m_frameLayerArea.topLeft()));
    painter.restore();
}

void CanvasArea::paintRedFlags(QPainter &painter)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(cosmeticPen(QColor(255, 0, 0), 1));
    for (int border = 0; border < 2; ++border)
        for (const QRect &rect : redFlags(border))
            painter.drawRect(pixelEdges(rect));
}

void CanvasArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_fitMode)
        applyBestFit();
}

// ---- input ---------------------------------------------------------------------

void CanvasArea::routeToTool(bool (CanvasTool::*handler)(QMouseEvent *), QMouseEvent *event)
{
    if (m_activeTool && (m_activeTool->*handler)(event))
        return;
    // A pen or eraser stroke started before a tool switch finishes there.
    if (m_penTool && m_activeTool != m_penTool && (m_penTool->*handler)(event))
        return;
    if (m_eraserTool && m_activeTool != m_eraserTool.get())
        (m_eraserTool.get()->*handler)(event);
}

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
    routeToTool(&CanvasTool::mousePressEvent, event);
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
        routeToTool(&CanvasTool::mouseMoveEvent, event);
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
        routeToTool(&CanvasTool::mouseReleaseEvent, event);
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
    if (m_activeTool && m_activeTool->keyPressEvent(event))
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
            m_selectTool->modifiersChanged(modifiers | Qt::ControlModifier);
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
    if (m_activeTool && m_activeTool->keyReleaseEvent(event))
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
        m_selectTool->modifiersChanged(event->modifiers() & ~Qt::ControlModifier);
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
