#include "shapetool.h"

#include "artworkimage.h"
#include "toolcursors.h"
#include "toolenvironment.h"

#include "document/history.h"
#include "document/historynode.h"
#include "document/project.h"
#include "document/viewtransform.h"
#include "paint/paintsettings.h"
#include "paint/penstroke.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double MinHalf = 0.5;

QPointF rotated(QPointF p, double degrees)
{
    const double a = degrees * M_PI / 180.0;
    return QPointF(p.x() * std::cos(a) - p.y() * std::sin(a),
                   p.x() * std::sin(a) + p.y() * std::cos(a));
}

// A half extent kept at least MinHalf in magnitude, its sign kept.
double atLeastHalf(double v)
{
    return v < 0.0 ? std::min(v, -MinHalf) : std::max(v, MinHalf);
}

bool hasExtent(const StagedShape &s)
{
    if (s.kind == ShapeKind::Path)
        return s.points.size() > 1;
    return std::abs(s.halfSize.x()) > 0.500000001 || std::abs(s.halfSize.y()) > 0.500000001;
}

} // namespace

ShapeTool::ShapeTool(ToolEnvironment *environment)
    : StagedEditTool(environment), m_renderer(environment->strokeRenderer())
{
}

QPointF ShapeTool::toDisplay(QPointF c) const
{
    return QPointF(c.x() * view().pixelWidth(), c.y() / view().displayAspect());
}

QPointF ShapeTool::fromDisplay(QPointF d) const
{
    return QPointF(d.x() / view().pixelWidth(), d.y() * view().displayAspect());
}

QPointF ShapeTool::displayAt(QPointF widgetPosition) const
{
    return toDisplay(canvasPosition(widgetPosition));
}

QPointF ShapeTool::widgetAt(QPointF displayPoint) const
{
    return view().toWidget(fromDisplay(displayPoint));
}

double ShapeTool::screenAngle() const
{
    // The direction of the screen's x axis in display units.
    const QPointF a = displayAt(QPointF(0, 0)), b = displayAt(QPointF(100, 0));
    return normalizedDegrees(std::atan2(b.y() - a.y(), b.x() - a.x()) * 180.0 / M_PI);
}

void ShapeTool::setFilled(bool filled)
{
    m_filled = filled;
    restyleSelected([filled](StagedShape &s) { s.filled = filled && s.isClosed(); });
}

void ShapeTool::restyleSelected(const std::function<void(StagedShape &)> &change)
{
    if (m_gesture != NoGesture || m_selection.isEmpty())
        return;
    QList<StagedShape> next = m_stage;
    for (int i : m_selection)
        change(next[i]);
    if (next == m_stage)
        return;
    pushStep();
    m_stage = next;
    stageChanged();
}

void ShapeTool::pushStep()
{
    m_undo.append({m_stage, m_selection});
}

void ShapeTool::stageChanged()
{
    updatePreview();
    repaintCanvas();
    emitHistoryChanged();
}

std::optional<QPointF> ShapeTool::handlePosition(int handle) const
{
    if (m_selection.size() != 1 || handle < 0 || handle >= HandleCount)
        return std::nullopt;
    const StagedShape &s = m_stage[m_selection.first()];
    const std::array<QPointF, 4> corners = s.corners();
    if (handle < RotationPin)
        return widgetAt(corners[size_t(handle)]);
    if (handle == RotationPin) {
        const QPointF mid = widgetAt((corners[0] + corners[1]) / 2.0);
        QPointF dir = mid - widgetAt(s.centre);
        const double length = std::hypot(dir.x(), dir.y());
        dir = length > 1e-9 ? dir / length : QPointF(0, -1);
        return mid + PinDistance * dir;
    }
    if (s.kind != ShapeKind::Rectangle && s.kind != ShapeKind::Star)
        return std::nullopt;
    const int i = handle - FirstDiagonal;
    const double hx = std::abs(s.halfSize.x()), hy = std::abs(s.halfSize.y());
    QPointF local;
    if (s.kind == ShapeKind::Rectangle) {
        const double m = std::min(hx, hy);
        const double r =
            std::min(m, std::max(10.0 / view().zoom(), std::min(m, std::max(0.0, s.cornerRadius))));
        const QPointF sign = StagedShape::cornerSign(i);
        local = QPointF(sign.x() * (hx - r), sign.y() * (hy - r));
    } else {
        const double k = s.clampedInnerRatio();
        const QPointF sign = StagedShape::cornerSign(i);
        local = QPointF(sign.x() * hx * k, sign.y() * hy * k);
    }
    return widgetAt(s.transform().map(local));
}

int ShapeTool::hitTest(QPointF widgetPosition) const
{
    const QPointF p = displayAt(widgetPosition);
    for (int i = int(m_stage.size()) - 1; i >= 0; --i) {
        const StagedShape &s = m_stage[i];
        if (s.isClosed()) {
            const std::array<QPointF, 4> c = s.corners();
            if (QPolygonF({c[0], c[1], c[2], c[3]}).containsPoint(p, Qt::OddEvenFill))
                return i;
            continue;
        }
        // Lines and paths are hit within their stroke, or a few widget pixels.
        const QPolygonF outline = s.outline();
        const double reach = std::max(s.width / 2.0, 4.0 / view().zoom());
        for (qsizetype k = 0; k + 1 < outline.size(); ++k)
            if (segmentDistance(p, outline[k], outline[k + 1]) <= reach)
                return i;
    }
    return -1;
}

StagedShape ShapeTool::latchedShape(bool rightButton) const
{
    const PaintSettings &c = settings();
    StagedShape s;
    s.kind = m_kind;
    const StrokeColors colors = penColors(penIndex(), secondaryIndex(), rightButton);
    s.strokeColor = colors.stroke;
    s.otherColor = colors.other;
    s.filled = m_filled && s.kind != ShapeKind::Line && s.kind != ShapeKind::Path;
    s.width = c.brushSettings().width;
    s.nib = c.brushSettings().shape;
    s.texture = c.texture();
    s.textureMode = c.textureMode();
    s.antialiased = c.brushSettings().antialiased;
    return s;
}

bool ShapeTool::acceptsPress(const ToolEvent &event)
{
    return (event.button == Qt::LeftButton || event.button == Qt::RightButton) &&
           !env()->penStrokeInProgress();
}

void ShapeTool::pressed(const ToolEvent &event)
{
    m_pressDisplay = displayAt(event.position);
    m_lastWidget = event.position;
    m_stepPushed = false;
    m_nudging = false;
    m_stageAtPress = m_stage;
    if (m_selection.size() == 1) {
        for (int h = 0; h < HandleCount; ++h) {
            const std::optional<QPointF> at = handlePosition(h);
            if (at && std::hypot(at->x() - event.position.x(), at->y() - event.position.y()) <=
                          HandleReach) {
                m_handle = h;
                m_grabbed = m_selection.first();
                m_gesture = h < RotationPin    ? CornerDrag
                            : h == RotationPin ? RotationDrag
                                               : DiagonalDrag;
                return;
            }
        }
    }
    const int hit = hitTest(event.position);
    if (hit >= 0) {
        if (event.modifiers & Qt::ShiftModifier) {
            if (m_selection.contains(hit))
                m_selection.removeOne(hit);
            else
                m_selection.append(hit);
            std::sort(m_selection.begin(), m_selection.end());
            repaintCanvas();
            return;
        }
        if (!m_selection.contains(hit))
            m_selection = {hit};
        m_gesture = Moving;
        setCursor(ToolCursors::cursor(ToolCursors::Drag));
        repaintCanvas();
        return;
    }
    m_selection.clear();
    m_gesture = Creating;
    m_current = latchedShape(event.button == Qt::RightButton);
    m_hasExtent = false;
    m_path = {m_pressDisplay};
    updateCreation(event.position, event.modifiers);
}

void ShapeTool::updateCreation(QPointF pointer, Qt::KeyboardModifiers modifiers)
{
    const QPointF p = m_pressDisplay, q = displayAt(pointer);
    StagedShape &s = m_current;
    s.rotation = (modifiers & Qt::ControlModifier) ? 0.0 : screenAngle();
    if (s.kind == ShapeKind::Path) {
        const QPointF last = m_path.last();
        if (std::hypot(q.x() - last.x(), q.y() - last.y()) >= 0.75)
            m_path.append(q);
        // The box of the captured points along the box axes.
        QPolygonF local;
        for (const QPointF &point : m_path)
            local << rotated(point - p, -s.rotation);
        const QRectF box = local.boundingRect();
        s.halfSize =
            QPointF(std::max(box.width() / 2, MinHalf), std::max(box.height() / 2, MinHalf));
        const QPointF centreLocal = box.center();
        s.centre = p + rotated(centreLocal, s.rotation);
        s.points.clear();
        for (const QPointF &point : local)
            s.points << point - centreLocal;
    } else {
        const QPointF v = rotated(q - p, -s.rotation);
        double hx = atLeastHalf(v.x() / 2), hy = atLeastHalf(v.y() / 2);
        if (modifiers & Qt::ShiftModifier) {
            const double m = std::max(std::abs(hx), std::abs(hy));
            hx = std::copysign(m, hx);
            hy = std::copysign(m, hy);
        }
        s.halfSize = QPointF(hx, hy);
        s.centre = p + rotated(s.halfSize, s.rotation);
        if (s.kind == ShapeKind::Line) {
            // The line runs exactly from the press to the pointer (Shift
            // squares its box): only its box keeps the minimum half size.
            // The points carry the direction; a box of positive half sizes
            // lets them follow every later resize.
            double ex = v.x() / 2, ey = v.y() / 2;
            if (modifiers & Qt::ShiftModifier)
                ex = std::copysign(std::abs(hx), ex), ey = std::copysign(std::abs(hy), ey);
            s.centre = p + rotated(QPointF(ex, ey), s.rotation);
            s.points = {QPointF(-ex, -ey), QPointF(ex, ey)};
            s.halfSize = QPointF(std::abs(hx), std::abs(hy));
        }
    }
    s.capturedHalfSize = s.halfSize;
    m_hasExtent = hasExtent(s);
    updatePreview();
    repaintCanvas();
}

void ShapeTool::updateDrag(QPointF pointer, Qt::KeyboardModifiers modifiers)
{
    const QPointF q = displayAt(pointer);
    QList<StagedShape> next = m_stageAtPress;
    if (m_gesture == Moving) {
        for (int i : m_selection)
            next[i].centre += q - m_pressDisplay;
    } else if (m_grabbed >= 0 && m_grabbed < next.size()) {
        const StagedShape &from = m_stageAtPress[m_grabbed];
        StagedShape &s = next[m_grabbed];
        const QPointF local = rotated(q - from.centre, -from.rotation);
        if (m_gesture == CornerDrag) {
            const int i = m_handle - FirstCorner;
            const double sx = StagedShape::cornerSign(i).x(), sy = StagedShape::cornerSign(i).y();
            if (modifiers & Qt::AltModifier) {
                s.cornerOffsets[size_t(i)] = local - from.localCorner(i);
            } else {
                const QPointF opposite = from.localCorner(i + 2);
                double hx = atLeastHalf(sx * (local.x() - opposite.x()) / 2);
                double hy = atLeastHalf(sy * (local.y() - opposite.y()) / 2);
                if (modifiers & Qt::ShiftModifier) {
                    const double kx = hx / from.halfSize.x(), ky = hy / from.halfSize.y();
                    const double k = std::max(std::abs(kx), std::abs(ky));
                    hx = atLeastHalf(std::copysign(k, kx) * from.halfSize.x());
                    hy = atLeastHalf(std::copysign(k, ky) * from.halfSize.y());
                }
                for (QPointF &offset : s.cornerOffsets)
                    offset = QPointF(offset.x() * hx / from.halfSize.x(),
                                     offset.y() * hy / from.halfSize.y());
                s.halfSize = QPointF(hx, hy);
                s.centre =
                    from.centre + rotated(opposite + QPointF(sx * hx, sy * hy), from.rotation);
            }
        } else if (m_gesture == RotationDrag) {
            const QPointF a = q - from.centre, b = m_pressDisplay - from.centre;
            double r = from.rotation +
                       (std::atan2(a.y(), a.x()) - std::atan2(b.y(), b.x())) * 180.0 / M_PI;
            if (modifiers & Qt::ShiftModifier)
                r = std::round(r / 22.5) * 22.5;
            s.rotation = normalizedDegrees(r);
        } else if (m_gesture == DiagonalDrag) {
            const QPointF l = from.transform().inverted().map(q);
            const double hx = std::abs(from.halfSize.x()), hy = std::abs(from.halfSize.y());
            if (s.kind == ShapeKind::Rectangle) {
                s.cornerRadius =
                    std::min(std::min(hx, hy),
                             std::max(0.0, std::min(hx - std::abs(l.x()), hy - std::abs(l.y()))));
            } else if (std::hypot(hx, hy) >= 1e-6) {
                s.innerRatio = std::clamp(std::hypot(l.x(), l.y()) / std::hypot(hx, hy),
                                          StagedShape::MinInnerRatio, StagedShape::MaxInnerRatio);
            }
        }
    }
    if (next == m_stage)
        return;
    if (!m_stepPushed) {
        m_undo.append({m_stageAtPress, m_selection});
        m_stepPushed = true;
    }
    m_stage = next;
    updatePreview();
    repaintCanvas();
}

void ShapeTool::dragged(const ToolEvent &event)
{
    m_lastWidget = event.position;
    if (m_gesture == Creating)
        updateCreation(event.position, event.modifiers);
    else if (m_gesture != NoGesture)
        updateDrag(event.position, event.modifiers);
}

void ShapeTool::finish(const ToolEvent &event)
{
    if (m_gesture == Creating) {
        updateCreation(event.position, event.modifiers);
        m_gesture = NoGesture;
        if (m_hasExtent) {
            pushStep();
            m_stage.append(m_current);
        }
        m_hasExtent = false;
        stageChanged();
    } else if (m_gesture != NoGesture) {
        updateDrag(event.position, event.modifiers);
        m_gesture = NoGesture;
        if (m_stepPushed)
            emitHistoryChanged();
    }
    m_handle = NoHandle;
    m_grabbed = -1;
    refreshCursor();
}

void ShapeTool::abandonGesture()
{
    if (m_gesture == NoGesture)
        return;
    if (m_gesture != Creating) {
        if (m_stepPushed && !m_undo.isEmpty())
            m_undo.removeLast();
        m_stage = m_stageAtPress;
    }
    m_gesture = NoGesture;
    m_hasExtent = false;
    m_handle = NoHandle;
    m_grabbed = -1;
    setPressedButton(Qt::NoButton);
    refreshCursor();
    stageChanged();
}

bool ShapeTool::nudge(int key, bool shift, bool repeat)
{
    if (m_selection.isEmpty())
        return false;
    const double across = shift ? 8.0 : double(std::lround(view().pixelWidth()));
    const double down = (shift ? 8.0 : 1.0) / view().displayAspect();
    QPointF delta;
    switch (key) {
    case Qt::Key_Left:
        delta = QPointF(-across, 0);
        break;
    case Qt::Key_Right:
        delta = QPointF(across, 0);
        break;
    case Qt::Key_Up:
        delta = QPointF(0, -down);
        break;
    default:
        delta = QPointF(0, down);
        break;
    }
    // A held key adds to the step its first press made.
    if (!(repeat && m_nudging))
        pushStep();
    m_nudging = true;
    for (int i : m_selection)
        m_stage[i].centre += delta;
    stageChanged();
    return true;
}

bool ShapeTool::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Shift || key == Qt::Key_Control) {
        // The creation box follows the modifiers at once; the canvas still
        // sees the key.
        if (m_gesture == Creating)
            updateCreation(m_lastWidget, event->modifiers());
        return false;
    }
    if (key == Qt::Key_Escape) {
        if (m_gesture == NoGesture)
            return false; // the window asks before the stage goes
        abandonGesture();
        return true;
    }
    if (m_gesture != NoGesture)
        return false;
    switch (key) {
    case Qt::Key_QuoteLeft:
    case Qt::Key_section:
    case Qt::Key_AsciiTilde:
        if (m_stage.isEmpty())
            return false;
        m_selection = {m_selection.isEmpty() ? 0 : (m_selection.last() + 1) % int(m_stage.size())};
        m_nudging = false;
        repaintCanvas();
        return true;
    case Qt::Key_Delete:
    case Qt::Key_Backspace: {
        if (m_selection.isEmpty())
            return false;
        pushStep();
        for (qsizetype i = m_selection.size() - 1; i >= 0; --i)
            m_stage.removeAt(m_selection[i]);
        m_selection.clear();
        m_nudging = false;
        stageChanged();
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return nudge(key, event->modifiers() & Qt::ShiftModifier, event->isAutoRepeat());
    default:
        return false;
    }
}

bool ShapeTool::keyReleaseEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Shift || key == Qt::Key_Control) && m_gesture == Creating)
        updateCreation(m_lastWidget, event->modifiers());
    if (!event->isAutoRepeat() && key >= Qt::Key_Left && key <= Qt::Key_Down)
        m_nudging = false;
    return false;
}

bool ShapeTool::hasLocalUndo() const
{
    return isActive() && !m_undo.isEmpty();
}

bool ShapeTool::undoLocal()
{
    if (m_gesture != NoGesture)
        return true;
    if (m_undo.isEmpty())
        return false;
    const StageStep step = m_undo.takeLast();
    m_stage = step.stage;
    m_selection = step.selection;
    m_nudging = false;
    stageChanged();
    return true;
}

void ShapeTool::commitStaged()
{
    if (env()->penStrokeInProgress() || m_gesture != NoGesture || m_stage.isEmpty())
        return;
    Project &p = project();
    const Colormap snapshot = p.colormap();
    const ViewTransform &v = view();
    QRect changed;
    {
        PaintPass pass = env()->strokeRenderer().beginEdit(p);
        changed = m_renderer.paintAll(pass, m_stage,
                                      settings().symmetry().shapeTransforms(
                                          int(std::lround(v.pixelWidth())), v.displayAspect()));
    }
    m_stage.clear();
    m_selection.clear();
    m_undo.clear();
    updatePreview();
    if (!changed.isEmpty()) {
        HistoryNode node;
        node.kind = HistoryEntryKind::CommitShapes;
        recordRegionChange(p, node, changed, snapshot.copy(changed));
        if (!node.changes.isEmpty())
            p.history().push(node);
        env()->refreshImageRegion(changed);
    }
    repaintCanvas();
    emitHistoryChanged();
}

void ShapeTool::discardStaged()
{
    if (m_gesture != NoGesture) {
        abandonGesture();
        return;
    }
    reset();
    emitHistoryChanged();
}

void ShapeTool::reset()
{
    m_gesture = NoGesture;
    m_hasExtent = false;
    m_stage.clear();
    m_selection.clear();
    m_undo.clear();
    m_handle = NoHandle;
    m_grabbed = -1;
    setPressedButton(Qt::NoButton);
    updatePreview();
    repaintCanvas();
}

void ShapeTool::updatePreview()
{
    QList<StagedShape> shapes = m_stage;
    if (m_gesture == Creating && m_hasExtent)
        shapes.append(m_current);
    const QRect old = m_previewArea;
    m_previewArea = QRect();
    m_previewImage = QImage();
    if (!shapes.isEmpty()) {
        const Project &p = project();
        const ViewTransform &v = view();
        Colormap copy = p.colormap();
        PaintPass pass = env()->strokeRenderer().beginPreview(p, copy);
        QRect area;
        const QRect changed =
            m_renderer.paintAll(pass, shapes,
                                settings().symmetry().shapeTransforms(
                                    int(std::lround(v.pixelWidth())), v.displayAspect()),
                                &area);
        m_previewArea = (area | changed) & p.colormap().rect();
        if (!m_previewArea.isEmpty())
            m_previewImage = artworkImage(copy.copy(m_previewArea), p.paletteVariant(),
                                          std::max(1, int(std::lround(v.pixelWidth()))));
    }
    repaintCanvasRect(old);
    repaintCanvasRect(m_previewArea);
}

void ShapeTool::activate()
{
    setActiveFlag(true);
    refreshCursor();
    refreshPreviews();
}

void ShapeTool::deactivate()
{
    abandonGesture();
    commitStaged();
    setActiveFlag(false);
    refreshCursor();
    refreshPreviews();
}

QCursor ShapeTool::cursor() const
{
    return ToolCursors::cursor(m_gesture == Moving ? ToolCursors::Drag : ToolCursors::Crosshair);
}

void ShapeTool::paintPreview(QPainter &painter)
{
    if (m_previewArea.isEmpty() || m_previewImage.isNull())
        return;
    painter.drawImage(QRectF(m_previewArea), m_previewImage);
}

void ShapeTool::paintOverlay(QPainter &painter)
{
    // Drawn in widget pixels, so handles keep their size at every zoom.
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPen dark(QColor(0, 0, 0, 200), 3.0), light(QColor(255, 255, 255), 1.0);
    const auto boxOf = [this](const StagedShape &s) {
        QPolygonF box;
        for (const QPointF &c : s.corners())
            box << widgetAt(c);
        return box;
    };
    const auto outlined = [&](const auto &draw) {
        painter.setPen(dark);
        draw();
        painter.setPen(light);
        draw();
    };
    painter.setBrush(Qt::NoBrush);
    for (int i : m_selection) {
        const QPolygonF box = boxOf(m_stage[i]);
        outlined([&] { painter.drawPolygon(box); });
    }
    if (m_gesture == Creating) {
        const QPolygonF box = boxOf(m_current);
        outlined([&] { painter.drawPolygon(box); });
        if (env()->isShiftHeld())
            outlined([&] { painter.drawLine(box[0], box[2]); });
    }
    if (m_selection.size() == 1) {
        const StagedShape &s = m_stage[m_selection.first()];
        const std::array<QPointF, 4> c = s.corners();
        const QPointF mid = widgetAt((c[0] + c[1]) / 2.0);
        const QPointF pin = *handlePosition(RotationPin);
        outlined([&] { painter.drawLine(mid, pin); });
        painter.setPen(QPen(Qt::black, 1.0));
        painter.setBrush(Qt::white);
        painter.drawEllipse(pin, 3.5, 3.5);
        for (int h = FirstCorner; h < RotationPin; ++h) {
            const QPointF at = *handlePosition(h);
            painter.drawRect(QRectF(at.x() - 3.5, at.y() - 3.5, 7.0, 7.0));
        }
        for (int h = FirstDiagonal; h < HandleCount; ++h) {
            const std::optional<QPointF> at = handlePosition(h);
            if (!at)
                break;
            painter.setBrush(QColor(255, 200, 0));
            painter.drawEllipse(*at, 4.0, 4.0);
            painter.setBrush(Qt::black);
            painter.drawEllipse(*at, 1.3, 1.3);
        }
    }
    painter.restore();
}
