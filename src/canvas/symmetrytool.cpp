#include "symmetrytool.h"

#include "toolenvironment.h"

#include "document/project.h"
#include "paint/paintsettings.h"

#include <QMouseEvent>
#include <cmath>

namespace
{

// Perpendicular distance from p to the infinite line through a and b.
double distanceToLine(QPointF p, QPointF a, QPointF b)
{
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y());
    if (length < 1e-12)
        return std::hypot(p.x() - a.x(), p.y() - a.y());
    return std::abs(d.x() * (p.y() - a.y()) - d.y() * (p.x() - a.x())) / length;
}

} // namespace

void SymmetryTool::activate()
{
    setActiveFlag(true);
    refreshCursor();
    refreshPreviews();
}

void SymmetryTool::deactivate()
{
    setActiveFlag(false);
    // A press still held when the tool is switched away never gets its release.
    setPressedButton(Qt::NoButton);
    refreshCursor();
    refreshPreviews();
}

bool SymmetryTool::mouseMoveEvent(QMouseEvent *event)
{
    if (pressedButton() == Qt::NoButton) {
        // Space or R shows its own cursor until it is let go.
        if (!env()->isGestureUnderWay())
            setCursor(cursorFor(hitTest(event->position())));
        return false;
    }
    return CanvasTool::mouseMoveEvent(event);
}

QCursor SymmetryTool::cursor() const
{
    return QCursor(Qt::ArrowCursor);
}

QCursor SymmetryTool::cursorFor(Hit hit)
{
    switch (hit) {
    case Hit::Horizontal:
        return QCursor(Qt::SplitVCursor);
    case Hit::Vertical:
        return QCursor(Qt::SplitHCursor);
    case Hit::Both:
        return QCursor(Qt::SizeAllCursor);
    case Hit::None:
        break;
    }
    return QCursor(Qt::ArrowCursor);
}

SymmetryTool::Hit SymmetryTool::hitTest(QPointF widgetPosition) const
{
    const SymmetryMode mode = settings().symmetryMode();
    if (mode == SymmetryMode::None)
        return Hit::None;
    if (mode == SymmetryMode::BiQuadrant || mode == SymmetryMode::Kaleidoscope)
        return Hit::Both;
    const SymmetryAxes axes = settings().symmetryAxes();
    const double cx = axes.column / 2.0;
    const double cy = axes.row / 2.0;
    bool horizontal = false;
    bool vertical = false;
    if (mode == SymmetryMode::Horizontal || mode == SymmetryMode::Quadrant) {
        const QPointF a = view().toWidget(QPointF(0.0, cy));
        const QPointF b = view().toWidget(QPointF(1.0, cy));
        horizontal = distanceToLine(widgetPosition, a, b) <= GrabDistance;
    }
    if (mode == SymmetryMode::Vertical || mode == SymmetryMode::Quadrant) {
        const QPointF a = view().toWidget(QPointF(cx, 0.0));
        const QPointF b = view().toWidget(QPointF(cx, 1.0));
        vertical = distanceToLine(widgetPosition, a, b) <= GrabDistance;
    }
    if (horizontal && vertical)
        return Hit::Both;
    if (horizontal)
        return Hit::Horizontal;
    if (vertical)
        return Hit::Vertical;
    return Hit::None;
}

bool SymmetryTool::acceptsPress(const ToolEvent &event)
{
    // A pen stroke that outlived a tool switch keeps its moves.
    return (event.button == Qt::LeftButton || event.button == Qt::RightButton) &&
           !env()->penStrokeInProgress();
}

void SymmetryTool::pressed(const ToolEvent &event)
{
    m_grab = hitTest(event.position);
    m_pressCanvas = canvasPosition(event.position);
    m_pressAxes = settings().symmetryAxes();
}

void SymmetryTool::dragged(const ToolEvent &event)
{
    moveAxes(event);
}

void SymmetryTool::released(const ToolEvent &event)
{
    moveAxes(event);
}

void SymmetryTool::moveAxes(const ToolEvent &event)
{
    if (m_grab == Hit::None)
        return;
    const QPointF p = canvasPosition(event.position);
    SymmetryAxes axes = settings().symmetryAxes();
    switch (m_grab) {
    case Hit::Horizontal:
        axes.row = int(std::round(2.0 * p.y()));
        break;
    case Hit::Vertical:
        axes.column = int(std::round(2.0 * p.x()));
        break;
    case Hit::Both:
        axes.row = m_pressAxes.row + int(std::round(2.0 * (p.y() - m_pressCanvas.y())));
        axes.column = m_pressAxes.column + int(std::round(2.0 * (p.x() - m_pressCanvas.x())));
        break;
    case Hit::None:
        break;
    }
    settings().setSymmetryAxes(axes);
}
