#include "canvastool.h"

#include "toolcursors.h"
#include "toolenvironment.h"

#include "document/project.h"
#include "paint/paintsettings.h"

#include <QMouseEvent>

CanvasTool::CanvasTool(ToolEnvironment *environment) : m_env(environment) {}

CanvasTool::~CanvasTool() = default;

void CanvasTool::activate() {}

void CanvasTool::deactivate() {}

bool CanvasTool::mousePressEvent(QMouseEvent *event)
{
    ToolEvent e = toolEvent(event);
    // A new press has not moved yet, whatever the last one did.
    e.moved = false;
    if (!acceptsPress(e))
        return false;
    m_button = e.button;
    m_pressPixel = e.pixel;
    m_moved = false;
    pressed(e);
    return true;
}

bool CanvasTool::mouseMoveEvent(QMouseEvent *event)
{
    if (m_button == Qt::NoButton || !(event->buttons() & m_button))
        return false;
    ToolEvent e = toolEvent(event);
    e.button = m_button;
    if (e.pixel != m_pressPixel)
        m_moved = true;
    e.moved = m_moved;
    dragged(e);
    return true;
}

bool CanvasTool::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_button == Qt::NoButton || event->button() != m_button)
        return false;
    ToolEvent e = toolEvent(event);
    if (e.pixel == m_pressPixel && !m_moved) {
        m_button = Qt::NoButton;
        clicked(e);
    } else {
        m_moved = true;
        e.moved = true;
        m_button = Qt::NoButton;
        released(e);
    }
    return true;
}

bool CanvasTool::keyPressEvent(QKeyEvent *)
{
    return false;
}

bool CanvasTool::keyReleaseEvent(QKeyEvent *)
{
    return false;
}

QCursor CanvasTool::cursor() const
{
    return ToolCursors::cursor(ToolCursors::Pen);
}

void CanvasTool::paintPreview(QPainter &) {}

void CanvasTool::paintOverlay(QPainter &) {}

bool CanvasTool::hasLocalUndo() const
{
    return false;
}

bool CanvasTool::undoLocal()
{
    return false;
}

bool CanvasTool::acceptsPress(const ToolEvent &)
{
    return false;
}

void CanvasTool::pressed(const ToolEvent &) {}

void CanvasTool::dragged(const ToolEvent &) {}

void CanvasTool::released(const ToolEvent &) {}

void CanvasTool::clicked(const ToolEvent &) {}

Project &CanvasTool::project() const
{
    return m_env->project();
}

PaintSettings &CanvasTool::settings() const
{
    return m_env->paintSettings();
}

const ViewTransform &CanvasTool::view() const
{
    return m_env->project().view();
}

ToolEvent CanvasTool::toolEvent(const QMouseEvent *event) const
{
    ToolEvent e;
    e.position = event->position();
    e.pixel = m_env->canvasPixelAt(e.position);
    e.button = event->button();
    e.modifiers = event->modifiers();
    e.moved = m_moved;
    return e;
}

QPointF CanvasTool::canvasPosition(QPointF widgetPosition) const
{
    return view().toCanvas(widgetPosition);
}

quint8 CanvasTool::penIndex() const
{
    return settings().penIndex();
}

quint8 CanvasTool::secondaryIndex() const
{
    return settings().secondaryIndex();
}

SymmetryMode CanvasTool::symmetryMode() const
{
    return settings().symmetryMode();
}

void CanvasTool::sampleColorAt(QPoint pixel, bool secondary)
{
    const Colormap &map = project().colormap();
    if (!map.rect().contains(pixel))
        return;
    const quint8 index = map.pixel(pixel.x(), pixel.y());
    if (index == (secondary ? secondaryIndex() : penIndex()))
        return;
    if (secondary)
        settings().setSecondaryIndex(index);
    else
        settings().setPenIndex(index);
}

bool CanvasTool::isTabletActive() const
{
    return m_env->isTabletActive();
}

double CanvasTool::tabletPressure() const
{
    return m_env->tabletPressure();
}

void CanvasTool::repaintCanvas()
{
    m_env->repaintView();
}

void CanvasTool::repaintCanvasRect(const QRect &canvasRect)
{
    m_env->repaintCanvasRect(canvasRect);
}

void CanvasTool::refreshCursor()
{
    m_env->refreshCursor();
}

void CanvasTool::refreshPreviews()
{
    m_env->refreshPreviews();
}

void CanvasTool::setCursor(const QCursor &cursor)
{
    m_env->showToolCursor(cursor);
}

void CanvasTool::commitHistory(const HistoryNode &node)
{
    const int before = project().history().revision();
    project().history().push(node);
    if (project().history().revision() != before)
        m_env->reportHistoryChanged();
}

void CanvasTool::emitHistoryChanged()
{
    m_env->reportHistoryChanged();
}
