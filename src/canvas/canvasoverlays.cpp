#include "canvasoverlays.h"

#include "document/geometry.h"
#include "document/project.h"
#include "document/viewtransform.h"
#include "paint/symmetry.h"
#include "rules/clashcontext.h"
#include "rules/spritebudget.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double ThickGridZoom = 6.0;

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

} // namespace

CanvasOverlays::CanvasOverlays(const Project &project) : m_project(project) {}

QList<QRect> CanvasOverlays::redFlagChanges(const QRect &canvasRect)
{
    QList<QRect> changes;
    const CanvasLayout layout = m_project.layout();
    if (layout == CanvasLayout::BitmapOnly)
        return changes;
    for (const CanvasRegion &region : m_project.regions()) {
        const int border = region.kind == RegionKind::TopBorder      ? 0
                           : region.kind == RegionKind::BottomBorder ? 1
                           : region.isSprite()                       ? 2
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
            changes.append(region.rect);
            continue;
        }
        for (const QRect &frame : before)
            if (!after.contains(frame))
                changes.append(frame);
        for (const QRect &frame : after)
            if (!before.contains(frame))
                changes.append(frame);
    }
    return changes;
}

void CanvasOverlays::forgetRedFlags()
{
    for (RedFlagCache &cache : m_redFlags)
        cache.valid = false;
}

// Border 0 and 1 are the top and bottom borders, 2 the side strips.
const QList<QRect> &CanvasOverlays::redFlags(int border)
{
    RedFlagCache &cache = m_redFlags[border];
    if (border == 2) {
        if (!cache.valid) {
            cache.rects =
                m_project.layout() == CanvasLayout::SideBorderSprites
                    ? redFrameSet(ClashContext::forSweep(m_project), m_project.colormap()).sides
                    : QList<QRect>();
            cache.valid = true;
        }
        return cache.rects;
    }
    const LayoutSpec &layout = m_project.layoutSpec();
    const bool top = border == 0;
    const int alignment = int(top ? layout.topAlignment : layout.bottomAlignment);
    const ColorSlot first = top ? ColorSlot::TopBackground : ColorSlot::BottomBackground;
    const quint8 colors[3] = {m_project.slot(first), m_project.slot(ColorSlot(int(first) + 1)),
                              m_project.slot(ColorSlot(int(first) + 2))};
    const bool keyMatches =
        cache.alignment == alignment && std::equal(colors, colors + 3, cache.colors);
    if (cache.valid && keyMatches)
        return cache.rects;
    const RedFrameSet set =
        m_project.layout() == CanvasLayout::TopBottomBorderSprites
            ? redFrameSet(ClashContext::forSweep(m_project), m_project.colormap())
            : RedFrameSet();
    cache.rects = top ? set.top : set.bottom;
    cache.alignment = alignment;
    std::copy(colors, colors + 3, cache.colors);
    cache.valid = true;
    return cache.rects;
}

void CanvasOverlays::paintPixelGrid(QPainter &painter, const QRect &updateRect,
                                    const QRect &widgetRect, bool lighter)
{
    // Half-transparent lines are blended pixel by pixel, which is slow for
    // hundreds of them; they are drawn opaque on a layer that is blended
    // once. The layer covers the whole widget and is kept until the view
    // changes, so repaints while drawing only blend it.
    const QTransform toWidget = m_project.view().widgetFromCanvas();
    const int grey = lighter ? 115 : 64;
    if (!m_gridLayerValid || m_gridLayerTransform != toWidget || m_gridLayerGrey != grey ||
        m_gridLayerWidget != widgetRect.size() || m_gridLayerCanvas != m_project.size())
        renderGridLayer(toWidget, grey, widgetRect);
    const QRect part = m_gridLayerArea & updateRect;
    if (part.isEmpty())
        return;
    painter.save();
    painter.resetTransform();
    painter.setOpacity(128 / 255.0);
    painter.drawImage(part.topLeft(), m_gridLayer, part.translated(-m_gridLayerArea.topLeft()));
    painter.restore();
}

void CanvasOverlays::renderGridLayer(const QTransform &toWidget, int grey, const QRect &widgetRect)
{
    m_gridLayerValid = true;
    m_gridLayerTransform = toWidget;
    m_gridLayerGrey = grey;
    m_gridLayerWidget = widgetRect.size();
    m_gridLayerCanvas = m_project.size();
    m_gridLayerArea = QRect();
    const QRectF visible = m_project.view().canvasFromWidget().mapRect(QRectF(widgetRect)) &
                           QRectF(0, 0, m_project.width(), m_project.height());
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
        widgetRect;
    if (area.isEmpty())
        return;
    m_gridLayerArea = area;
    if (m_gridLayer.size() != area.size())
        m_gridLayer = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
    m_gridLayer.fill(Qt::transparent);
    const QTransform toLayer = toWidget * QTransform::fromTranslate(-area.x(), -area.y());
    const double turn = std::fmod(std::abs(m_project.view().rotation()), 90.0);
    if (turn < 1e-9 || 90.0 - turn < 1e-9) {
        drawAxisAlignedLines(m_gridLayer, toLayer, lines, qRgb(grey, grey, grey));
    } else {
        QPainter layer(&m_gridLayer);
        layer.setWorldTransform(toLayer);
        layer.setPen(cosmeticPen(QColor(grey, grey, grey), 1));
        layer.drawLines(lines);
    }
}

void CanvasOverlays::paintReferenceGrid(QPainter &painter, const QRectF &visible,
                                        bool lighter) const
{
    if (visible.isEmpty())
        return;
    const ReferenceGrid grid =
        referenceGrid(m_project.mode(), m_project.size(), m_project.layoutSpec(),
                      m_project.screensAcross(), visible);
    const bool thick = m_project.view().zoom() >= ThickGridZoom;
    const int grey = lighter ? 147 : 96;
    painter.setPen(cosmeticPen(QColor(grey, grey, grey), thick ? 2 : 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawLines(grid.lines);
    for (const QPolygonF &bracket : grid.brackets)
        painter.drawPolyline(bracket);
    if (!grid.seams.isEmpty()) {
        const int seamGrey = lighter ? 211 : 160;
        painter.setPen(cosmeticPen(QColor(seamGrey, seamGrey, seamGrey), thick ? 3 : 2));
        painter.drawLines(grid.seams);
    }
}

void CanvasOverlays::paintSymmetryGuides(QPainter &painter, const Symmetry &symmetry) const
{
    const ViewTransform &view = m_project.view();
    const SymmetryGuides guides =
        symmetryGuides(symmetry.mode(), symmetry.axes(), m_project.size(),
                       std::max(1, int(std::lround(view.pixelWidth()))), view.displayAspect());
    painter.setPen(cosmeticPen(guides.color, 1));
    painter.drawLines(guides.lines);
}

void CanvasOverlays::paintCanvasOutline(QPainter &painter) const
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

void CanvasOverlays::paintSafeFrames(QPainter &painter, const QRect &updateRect,
                                     const QRect &widgetRect)
{
    const SafeFrames frames =
        safeFrames(m_project.mode(), m_project.size(), m_project.layoutSpec());
    const QColor full(255, 191, 0, 102), normal(0, 255, 0, 102);
    const QTransform toWidget = m_project.view().widgetFromCanvas();
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
    if (!m_frameLayerValid || m_frameLayerTransform != toWidget ||
        m_frameLayerWidget != widgetRect.size() || m_frameLayerFull != frames.full ||
        m_frameLayerNormal != frames.normal) {
        m_frameLayerValid = true;
        m_frameLayerTransform = toWidget;
        m_frameLayerWidget = widgetRect.size();
        m_frameLayerFull = frames.full;
        m_frameLayerNormal = frames.normal;
        m_frameLayerArea = toWidget.mapRect(pixelEdges(frames.full) | pixelEdges(frames.normal))
                               .toAlignedRect()
                               .adjusted(-2, -2, 2, 2) &
                           widgetRect;
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

void CanvasOverlays::paintRedFlags(QPainter &painter)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(cosmeticPen(QColor(255, 0, 0), 1));
    for (int border = 0; border < 3; ++border)
        for (const QRect &rect : redFlags(border))
            painter.drawRect(pixelEdges(rect));
}
