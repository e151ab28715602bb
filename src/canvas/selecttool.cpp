#include "selecttool.h"

#include "artworkimage.h"
#include "toolcursors.h"
#include "toolenvironment.h"

#include "document/geometry.h"
#include "document/project.h"
#include "document/viewtransform.h"
#include "paint/penstroke.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace
{

constexpr int AntsIntervalMs = 1000;

QPen antsPen(const QColor &color)
{
    QPen pen(color, 1);
    pen.setCosmetic(true);
    return pen;
}

// Draws one segment the way the ants show it: solid white, black dashes.
void drawAntsSegment(QPainter &painter, const QLineF &line, bool phase)
{
    if (line.length() < 1e-6)
        return;
    painter.setPen(antsPen(Qt::white));
    painter.drawLine(line);
    QPen dashes = antsPen(Qt::black);
    dashes.setDashPattern({4, 4});
    dashes.setDashOffset(antsDashOffset(line, phase));
    painter.setPen(dashes);
    painter.drawLine(line);
}

} // namespace

SelectTool::SelectTool(ToolEnvironment *environment) : StagedEditTool(environment)
{
    m_antsTimer.setInterval(AntsIntervalMs);
    QObject::connect(&m_antsTimer, &QTimer::timeout, &m_antsTimer, [this] {
        m_antsPhase = !m_antsPhase;
        this->env()->repaintViewRect(antsWidgetRect());
    });
}

// ---- state -----------------------------------------------------------------------

void SelectTool::setMarqueeKind(int kind)
{
    if (kind == m_kind)
        return;
    if (m_state == Marquee) {
        m_lasso.clear();
        setSelection(m_base, false);
    }
    if (m_state == Marquee || m_state == PressedInside) {
        m_state = Idle;
        setPressedButton(Qt::NoButton);
    }
    dropFloat();
    setPressedButton(Qt::NoButton);
    m_kind = kind;
    refreshPreviews();
}

void SelectTool::activate()
{
    setActiveFlag(true);
    refreshCursor();
    refreshPreviews();
}

void SelectTool::deactivate()
{
    setActiveFlag(false);
    refreshCursor();
    refreshPreviews();
}

quint8 SelectTool::blankColor() const
{
    return eraserColors(project(), secondaryIndex()).stroke;
}

bool SelectTool::editBlocked() const
{
    return env()->dragInProgress();
}

void SelectTool::setSelection(const QRegion &region, bool record)
{
    const QRegion clipped = region & project().colormap().rect();
    if (clipped == m_selection)
        return;
    if (record)
        m_history.append(m_selection);
    m_selection = clipped;
    selectionUpdated();
}

void SelectTool::selectionUpdated()
{
    const QRect oldAnts = antsWidgetRect();
    m_antsOutline = regionOutline(m_selection);
    if (m_selection.isEmpty())
        m_antsTimer.stop();
    else if (!m_antsTimer.isActive())
        m_antsTimer.start();
    env()->repaintViewRect(oldAnts | antsWidgetRect());
    env()->reportSelectionChanged();
}

QRect SelectTool::antsWidgetRect() const
{
    QRect canvasRect = m_selection.boundingRect();
    for (QPoint p : m_lasso)
        canvasRect |= QRect(p, QSize(1, 1));
    if (canvasRect.isEmpty())
        return QRect();
    const QRectF edges(canvasRect.x(), canvasRect.y(), canvasRect.width(), canvasRect.height());
    return view().widgetFromCanvas().mapRect(edges).toAlignedRect().adjusted(-2, -2, 2, 2);
}

void SelectTool::reset()
{
    clearFloat();
    m_state = Idle;
    setPressedButton(Qt::NoButton);
    m_lasso.clear();
    m_history.clear();
    m_base = QRegion();
    if (!m_selection.isEmpty())
        setSelection(QRegion(), false);
}

// ---- selection commands ------------------------------------------------------------

void SelectTool::selectAll()
{
    if (isDragging())
        return;
    dropFloat();
    setSelection(project().colormap().rect(), true);
}

void SelectTool::deselect()
{
    if (isDragging())
        return;
    dropFloat();
    setSelection(QRegion(), true);
}

void SelectTool::invertSelection()
{
    if (isDragging())
        return;
    dropFloat();
    setSelection(QRegion(project().colormap().rect()).subtracted(m_selection), true);
}

bool SelectTool::hasLocalUndo() const
{
    return isActive() && (hasFloat() || !m_history.isEmpty());
}

bool SelectTool::undoLocal()
{
    if (isDragging())
        return false;
    if (m_state == FloatPlaced) {
        discardFloat();
        return true;
    }
    if (m_history.isEmpty())
        return false;
    setSelection(m_history.takeLast(), false);
    return true;
}

// ---- the floating selection ----------------------------------------------------------

bool SelectTool::lift(bool transparent)
{
    if (hasFloat() || m_selection.isEmpty())
        return false;
    m_float = FloatingSelection::lift(project().colormap(), m_selection, transparent, blankColor());
    m_state = FloatPlaced;
    floatMoved();
    env()->reportSelectionChanged();
    return true;
}

void SelectTool::floatMoved()
{
    const Project &p = project();
    Colormap copy = p.colormap();
    const QRect area = m_float.render(p, copy) & p.colormap().rect();
    m_previewArea = area;
    m_previewImage = area.isEmpty()
                         ? QImage()
                         : artworkImage(copy.copy(area), p.paletteVariant(),
                                        std::max(1, int(std::lround(view().pixelWidth()))));
    env()->setPreviewRect(area);
    setSelection(m_float.placedRegion(p.colormap().rect()), false);
}

void SelectTool::refreshFloatPreview()
{
    if (hasFloat())
        floatMoved();
}

void SelectTool::clearFloat()
{
    m_float = FloatingSelection();
    m_previewImage = QImage();
    m_previewArea = QRect();
    env()->setPreviewRect(QRect());
}

void SelectTool::dropFloat()
{
    if (!hasFloat())
        return;
    const FloatingSelection dropped = m_float;
    clearFloat();
    m_state = Idle;
    const QRect changed = dropped.drop(project());
    env()->refreshImageRegion(changed);
    if (!changed.isEmpty())
        emitHistoryChanged();
    setSelection(dropped.placedRegion(project().colormap().rect()), false);
    env()->reportSelectionChanged();
    refreshCursor();
}

void SelectTool::discardFloat()
{
    if (m_state == PressedInside) {
        endPress();
        return;
    }
    if (!hasFloat())
        return;
    const QRegion before = m_float.regionBefore();
    clearFloat();
    endPress();
    setSelection(before, false);
    env()->reportSelectionChanged();
}

void SelectTool::endPress()
{
    m_state = Idle;
    setPressedButton(Qt::NoButton);
    refreshCursor();
}

void SelectTool::flipSelection(Qt::Orientation orientation)
{
    if (!isActive() || editBlocked())
        return;
    if (!hasFloat() && !lift(false))
        return;
    m_float.flip(orientation);
    floatMoved();
    env()->reportSelectionChanged();
}

// ---- clipboard --------------------------------------------------------------------------

void SelectTool::copy()
{
    if (editBlocked())
        return;
    dropFloat();
    if (m_selection.isEmpty())
        return;
    m_clipboard = SelectionPixels::take(project().colormap(), m_selection);
    const int scale = std::max(1, int(std::lround(view().pixelWidth())));
    QGuiApplication::clipboard()->setImage(m_clipboard.toImage(project().paletteVariant(), scale));
    env()->reportSelectionChanged();
}

void SelectTool::cut()
{
    if (editBlocked() || (m_selection.isEmpty() && !hasFloat()))
        return;
    copy();
    const QRect changed = cutSelection(project(), m_selection, blankColor());
    env()->refreshImageRegion(changed);
    if (!changed.isEmpty())
        emitHistoryChanged();
}

void SelectTool::paste(bool transparent)
{
    if (editBlocked() || m_clipboard.isEmpty())
        return;
    dropFloat();
    m_float = FloatingSelection::paste(m_clipboard, m_selection, transparent, blankColor());
    m_float.setOffset(pasteOffset(m_clipboard.bounds(), view().widgetFromCanvas(),
                                  env()->viewRect(), cellSize(project().mode())));
    m_state = FloatPlaced;
    floatMoved();
    env()->reportSelectionChanged();
}

// ---- pointer ------------------------------------------------------------------------------

bool SelectTool::mousePressEvent(QMouseEvent *event)
{
    const Qt::MouseButton button = event->button();
    if ((button != Qt::LeftButton && button != Qt::RightButton) || env()->penStrokeInProgress())
        return false;
    if (isDragging())
        return true;
    if (button == Qt::RightButton) {
        deselect();
        return true;
    }
    return StagedEditTool::mousePressEvent(event);
}

bool SelectTool::acceptsPress(const ToolEvent &event)
{
    return event.button == Qt::LeftButton && !env()->penStrokeInProgress();
}

void SelectTool::pressed(const ToolEvent &event)
{
    const bool shiftOrAlt = event.modifiers & (Qt::ShiftModifier | Qt::AltModifier);
    m_pressPixel = m_lastPixel = event.pixel;
    m_lastWidget = event.position;
    if (hasFloat()) {
        if (!shiftOrAlt && m_selection.contains(event.pixel)) {
            m_state = DraggingFloat;
            refreshCursor();
            return;
        }
        dropFloat();
    }
    if (!shiftOrAlt && m_selection.contains(event.pixel)) {
        m_state = PressedInside;
        m_pressCtrl = event.modifiers & Qt::ControlModifier;
        return;
    }
    m_state = Marquee;
    m_compose = composeModeFor(event.modifiers);
    m_base = m_selection;
    m_pressPosition = canvasPosition(event.position);
    m_lasso.clear();
    if (m_kind == Lasso)
        m_lasso.append(event.pixel);
    else
        updateMarquee(event.modifiers & Qt::ControlModifier);
}

QRegion SelectTool::marqueeRegion(QPoint pointerPixel, QPointF pointerWidget, bool ctrl) const
{
    const QRect canvasRect = project().colormap().rect();
    if (ctrl || view().rotation() == 0.0)
        return rectangleMarquee(m_pressPixel, pointerPixel, canvasRect);
    return screenMarquee(m_pressPosition, pointerWidget, view().widgetFromCanvas(), canvasRect);
}

void SelectTool::updateMarquee(bool ctrl)
{
    setSelection(
        composeSelection(m_base, marqueeRegion(m_lastPixel, m_lastWidget, ctrl), m_compose), false);
}

void SelectTool::modifiersChanged(Qt::KeyboardModifiers modifiers)
{
    if (m_state == Marquee && m_kind == Rectangle)
        updateMarquee(modifiers & Qt::ControlModifier);
}

void SelectTool::dragged(const ToolEvent &event)
{
    const QPoint delta = event.pixel - m_lastPixel;
    m_lastWidget = event.position;
    if (delta.isNull() && m_state != Marquee)
        return;
    switch (m_state) {
    case PressedInside:
        if (!lift(m_pressCtrl))
            return;
        m_state = DraggingFloat;
        refreshCursor();
        [[fallthrough]];
    case DraggingFloat:
        m_lastPixel = event.pixel;
        m_float.moveBy(delta);
        floatMoved();
        return;
    case Marquee:
        m_lastPixel = event.pixel;
        if (m_kind != Lasso) {
            updateMarquee(event.modifiers & Qt::ControlModifier);
        } else if (m_lasso.constLast() != event.pixel) {
            const QRect old = antsWidgetRect();
            m_lasso.append(event.pixel);
            env()->repaintViewRect(old | antsWidgetRect());
        }
        return;
    default:
        return;
    }
}

void SelectTool::finishPress(const ToolEvent &event)
{
    switch (m_state) {
    case DraggingFloat:
        m_state = FloatPlaced;
        refreshCursor();
        return;
    case PressedInside:
        m_state = Idle;
        if (!m_pressCtrl)
            setSelection(QRegion(), true);
        return;
    case Marquee: {
        m_state = Idle;
        QRegion result;
        if (!event.moved && m_compose == SelectionCompose::Replace) {
            result = QRegion();
        } else if (m_kind == Lasso) {
            result = composeSelection(m_base, lassoRegion(m_lasso), m_compose);
        } else {
            m_lastPixel = event.pixel;
            m_lastWidget = event.position;
            result = composeSelection(
                m_base,
                marqueeRegion(event.pixel, event.position, event.modifiers & Qt::ControlModifier),
                m_compose);
        }
        const QRect oldAnts = antsWidgetRect();
        m_lasso.clear();
        env()->repaintViewRect(oldAnts);
        m_selection = m_base; // the live marquee was only a preview
        setSelection(result, true);
        if (result == m_base)
            selectionUpdated();
        return;
    }
    default:
        return;
    }
}

// ---- keys -----------------------------------------------------------------------------

bool SelectTool::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        if (event->isAutoRepeat())
            return false;
        if (m_state == Marquee) {
            m_lasso.clear();
            endPress();
            setSelection(m_base, false);
            env()->repaintView();
        } else if (m_state == Idle) {
            deselect();
        } else {
            discardFloat();
        }
        return true;
    }
    if (m_state != FloatPlaced)
        return false;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        dropFloat();
        return true;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const QSize step = shift ? cellSize(project().mode()) : QSize(1, 1);
    QPoint delta;
    switch (key) {
    case Qt::Key_Left:
        delta = QPoint(-step.width(), 0);
        break;
    case Qt::Key_Right:
        delta = QPoint(step.width(), 0);
        break;
    case Qt::Key_Up:
        delta = QPoint(0, -step.height());
        break;
    case Qt::Key_Down:
        delta = QPoint(0, step.height());
        break;
    default:
        return false;
    }
    m_float.moveBy(delta);
    floatMoved();
    return true;
}

// ---- painting ---------------------------------------------------------------------------

QCursor SelectTool::cursor() const
{
    return ToolCursors::cursor(m_state == DraggingFloat ? ToolCursors::Drag
                                                        : ToolCursors::Crosshair);
}

void SelectTool::paintPreview(QPainter &painter)
{
    if (hasFloat() && !m_previewImage.isNull())
        painter.drawImage(QRectF(m_previewArea), m_previewImage);
}

void SelectTool::paintAnts(QPainter &painter) const
{
    if (m_antsOutline.isEmpty() && m_lasso.size() < 2)
        return;
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QTransform toWidget = view().widgetFromCanvas();
    for (const QLineF &segment : m_antsOutline)
        drawAntsSegment(painter, toWidget.map(segment), m_antsPhase);
    // The lasso guide runs through the pixel centres of its path.
    for (qsizetype i = 1; i < m_lasso.size(); ++i)
        drawAntsSegment(painter,
                        toWidget.map(QLineF(QPointF(m_lasso[i - 1]) + QPointF(0.5, 0.5),
                                            QPointF(m_lasso[i]) + QPointF(0.5, 0.5))),
                        m_antsPhase);
    painter.restore();
}
